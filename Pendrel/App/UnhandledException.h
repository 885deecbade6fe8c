#pragma once
// The last line of defence against an exception that nothing caught: a
// worker's job (WorkerThread.h) and the application's event dispatch
// (KVXApplication.h) catch everything and hand it here. It is logged as an
// error with the place where it was caught and the exception's kind, and
// shown to the user on the UI thread; the program goes on.

#include <exception>
#include <functional>

#include "Pendrel/PendrelApi.h"
#include "utility/BasicString.h"

// "<kind>: <what>" for std::exception, else the exception's type name.
PENDREL_API CBasicString KVXDescribeException(std::exception_ptr exception);

// Logs and shows the exception caught at place (a short text such as
// "worker job" or "event handler"). Any thread.
PENDREL_API void KVXReportUnhandledException(const char* place, std::exception_ptr exception);

// Tests see the report instead of the message box: (place, description).
using KVXUnhandledExceptionSink = std::function<void(const CBasicString& place, const CBasicString& description)>;
PENDREL_API void KVXSetUnhandledExceptionSink(KVXUnhandledExceptionSink sink);
