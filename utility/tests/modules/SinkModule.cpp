// A small shared library for the module tests: it holds its own hidden copy
// of the utility library, like every deliverable, and registers a string
// table. Built twice under two names (KVX_SINK_MODULE_NAME).

#include "utility/BasicString.h"
#include "utility/ErrorReport.h"
#include "utility/LibraryLog.h"
#include "utility/Posix/EventHandle.h"
#include "utility/Posix/Handle.h"
#include "utility/StringTableRegistration.h"

#define SINK_MODULE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
const StringTableEntry kStrings[] = {
    {100, L"Text of module " KVX_SINK_MODULE_NAME},
    {101, L""},
};
const CStringTableRegistration kStringsRegistration(kStrings);
} // namespace

SINK_MODULE_EXPORT void SinkModuleSetLog(CAbstractLog* log) { SetLibraryLog(log); }

SINK_MODULE_EXPORT CAbstractLog* SinkModuleGetLog() { return GetLibraryLog(); }

SINK_MODULE_EXPORT void SinkModuleReportAssertion(int line) { ReportAssertion(0, ".\\SinkModule", line); }

SINK_MODULE_EXPORT HINSTANCE SinkModuleHandle() { return GetCurrentModuleHandle(); }

// Loads a string through this module's own copy of the string class.
SINK_MODULE_EXPORT int SinkModuleLoadString(HINSTANCE module, UINT id, wchar_t* out, int size) {
    CBasicString text;
    int found = text.LoadString(module, id);
    wcsncpy(out, text.GetString(), (size_t)size - 1);
    out[size - 1] = 0;
    return found;
}

// Handles made and closed through this module's own copy of the handle layer.
SINK_MODULE_EXPORT HANDLE SinkModuleCreateEvent() { return CreateEventHandle(TRUE, TRUE); }

SINK_MODULE_EXPORT BOOL SinkModuleCloseHandle(HANDLE handle) { return CloseHandle(handle); }
