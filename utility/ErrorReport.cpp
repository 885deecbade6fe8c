#include "utility/ErrorReport.h"

#include "utility/AbstractLog.h"
#include "utility/AnsiCodePage.h"
#include "utility/BasicString.h"
#include "utility/LibraryLog.h"
#include "utility/Posix/SystemError.h"

#include <cstring>
#include <string>

void ReportAssertion(int condition, const char* sourceFile, int line) {
    if (condition) return;
    CAbstractLog* log = GetLibraryLog();
    if (!log) return;
    std::wstring source = sourceFile ? AnsiToWide(sourceFile, strlen(sourceFile)) : std::wstring();
    log->WriteSourceMessage(L"Assert Failed!!!", source.c_str(), line);
}

int IsValidAddress(const void* p, unsigned size, int writable) { return p != nullptr; }

int IsValidString(const wchar_t* s, int maxChars) { return s != nullptr; }

int IsValidStringA(const char* s, int maxChars) { return s != nullptr; }

void ReportSystemError(CAbstractLog* log, const wchar_t* sourceFile, int line, const wchar_t* category, int code,
                       bool verbose, const wchar_t* name, DWORD error) {
    if (!log) return;
    CBasicString detail;
    detail.Format(L"(%d) %s", (int)error, GetSystemErrorText(error).GetString());
    if (!name) name = L"";
    if (verbose) log->DebugEventFormat(sourceFile, line, category, code, name, detail.GetString());
    else log->LogEventFormat(sourceFile, line, category, code, name, detail.GetString());
}

void ReportObjectEvent(CAbstractLog* log, const wchar_t* sourceFile, int line, const wchar_t* category, int code,
                       bool verbose, const wchar_t* name) {
    if (!log) return;
    if (!name) name = L"";
    if (verbose) log->DebugEventFormat(sourceFile, line, category, code, name);
    else log->LogEventFormat(sourceFile, line, category, code, name);
}
