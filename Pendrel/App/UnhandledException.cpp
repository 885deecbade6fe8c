#include "Pendrel/App/UnhandledException.h"

#include <cxxabi.h>

#include <QCoreApplication>
#include <QMetaObject>

#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <typeinfo>

#include "Pendrel/Pendrel.h"
#include "Pendrel/Platform/KVXMessageBox.h"
#include "utility/AbstractLog.h"
#include "utility/LibraryLog.h"
#include "utility/StringTableRegistration.h"
#include "utility/TextCodec.h"

namespace {

constexpr UINT IDS_UNHANDLED = 21060;

const StringTableEntry kStrings[] = {
    {IDS_UNHANDLED, L"An unexpected error stopped an operation (%s, in the %s). "
                    L"The program goes on; work not saved yet may need to be saved again."},
};
const CStringTableRegistration kStringsRegistration(kStrings);

std::mutex g_sinkLock;
KVXUnhandledExceptionSink g_sink;

CBasicString Wide(const std::string& text) { return CBasicString(Utf8ToWide(text).c_str()); }

std::string Demangled(const char* name) {
    if (!name) return "unknown exception";
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> readable(abi::__cxa_demangle(name, nullptr, nullptr, &status), std::free);
    return status == 0 && readable ? std::string(readable.get()) : std::string(name);
}

} // namespace

CBasicString KVXDescribeException(std::exception_ptr exception) {
    if (!exception) return Wide("no exception");
    try {
        std::rethrow_exception(exception);
    } catch (const std::exception& error) {
        return Wide(Demangled(typeid(error).name()) + ": " + error.what());
    } catch (...) {
        const std::type_info* type = abi::__cxa_current_exception_type();
        return Wide(Demangled(type ? type->name() : nullptr));
    }
}

void KVXReportUnhandledException(const char* place, std::exception_ptr exception) {
    const CBasicString where = Wide(place ? place : "program");
    const CBasicString description = KVXDescribeException(exception);
    if (CAbstractLog* log = GetLibraryLog())
        log->LogFormat(L".\\UnhandledException", __LINE__, LOG_ICON_ERROR, L"Unhandled exception in the %s: %s", where.GetString(),
                       description.GetString());
    {
        std::lock_guard<std::mutex> lock(g_sinkLock);
        if (g_sink) {
            g_sink(where, description);
            return;
        }
    }
    QCoreApplication* application = QCoreApplication::instance();
    if (!application) return;
    // Shown from the event loop, never inside the handler that threw.
    QMetaObject::invokeMethod(
        application,
        [where, description] {
            CBasicString text;
            text.Format(KVXLoadString(IDS_UNHANDLED).GetString(), description.GetString(), where.GetString());
            KVXMessageBox(nullptr, text.GetString(), nullptr, MB_OK | MB_ICONERROR);
        },
        Qt::QueuedConnection);
}

void KVXSetUnhandledExceptionSink(KVXUnhandledExceptionSink sink) {
    std::lock_guard<std::mutex> lock(g_sinkLock);
    g_sink = std::move(sink);
}
