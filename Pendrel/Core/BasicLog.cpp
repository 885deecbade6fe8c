#include "Pendrel/Core/BasicLog.h"

#include <cwchar>
#include <string>

#include "Pendrel/Core/AbstractUILog.h"
#include "utility/ErrorReport.h"
#include "utility/Posix/Handle.h"
#include "utility/Posix/SemaphoreHandle.h"

namespace {

const char kSourceFile[] = ".\\BasicLog";
constexpr int kLineWriteRawNull = 98;
constexpr int kLineLogEventNullCategory = 130;
constexpr int kLineWriteEntryNull = 152;
constexpr int kLineLogEventFormatNullCategory = 207;
constexpr int kLineDebugEventNullCategory = 254;
constexpr int kLineDebugEventFormatNullCategory = 289;
constexpr int kLineTrimMaxRuns = 357;

const wchar_t kTrimSemaphoreName[] = L"LogFileSemaphore";

// The file name of a source path: the text after its last '\' or '/'.
const wchar_t* SourceFileName(const wchar_t* sourceFile) {
    const wchar_t* name = sourceFile;
    for (const wchar_t* p = sourceFile; *p; ++p)
        if (*p == L'\\' || *p == L'/') name = p + 1;
    return name;
}

// The time text of an entry. Entries come many to a second, so each thread
// keeps the text of the last second it formatted.
const wchar_t* TimeText(const CBasicDateTime& now) {
    thread_local CBasicDateTime t_second;
    thread_local CBasicString t_text;
    if (t_text.IsEmpty() || now != t_second) {
        t_second = now;
        t_text = now.FormatTime();
    }
    return t_text.GetString();
}

CBasicString FormatWith(const wchar_t* format, va_list* args) {
    CBasicString text;
    va_list copy;
    va_copy(copy, *args);
    text.FormatV(format, copy);
    va_end(copy);
    return text;
}

} // namespace

CBasicLog::CBasicLog() : m_clock(&GetCurrentLocalTime) {}

CBasicLog::~CBasicLog() = default;

void CBasicLog::SetClock(Clock clock) { m_clock.store(clock ? clock : &GetCurrentLocalTime); }

int CBasicLog::Init(const wchar_t* definitionFile, const wchar_t* logFile, int verbose, CAbstractUILog* observer) {
    SetVerbose(verbose);
    SetUILog(observer);
    int result = Load(definitionFile);
    if (result < 0) return result;
    result = Open(logFile);
    return result < 0 ? result : 0;
}

CAbstractUILog* CBasicLog::GetUILog() { return m_observer.load(); }

CAbstractUILog* CBasicLog::SetUILog(CAbstractUILog* observer) { return m_observer.exchange(observer); }

int CBasicLog::IsVerbose() { return m_verbose.load(); }

void CBasicLog::SetVerbose(int verbose) { m_verbose.store(verbose); }

int CBasicLog::WriteRaw(const wchar_t* text) {
    if (!text) {
        ReportAssertion(0, kSourceFile, kLineWriteRawNull);
        return -1;
    }
    return Write(text);
}

int CBasicLog::WriteEntry(const wchar_t* message, LOG_ICON_TYPE level, const wchar_t* sourceFile, int line,
                          const wchar_t* userText, int code) {
    if (!message) {
        ReportAssertion(0, kSourceFile, kLineWriteEntryNull);
        return -1;
    }
    if (!*message) return -1;
    CBasicDateTime now = m_clock.load()();
    CAbstractUILog* observer = m_observer.load();
    if (observer && userText && *userText) {
        // A copy: an observer that logs itself may change the thread's time text.
        CBasicString time = TimeText(now);
        observer->AddLogMsg(userText, time.GetString(), level, (UINT)code);
    }

    CBasicString source;
    if (sourceFile && *sourceFile)
        source.Format(L"\t\tSource file: %s, Line: %d\r\n\r\n", SourceFileName(sourceFile), line);
    // Each thread builds its entries in one reused buffer.
    thread_local std::wstring t_entry;
    std::wstring& entry = t_entry;
    entry.assign(TimeText(now)).append(L"\t").append(message).append(L"\r\n");
    entry.append(source.GetString(), (size_t)source.GetLength());
    return Write(entry.data(), entry.size());
}

int CBasicLog::WriteMessage(const wchar_t* text, LOG_ICON_TYPE level) {
    return WriteEntry(text, level, nullptr, 0, text ? text : L"", 0);
}

int CBasicLog::WriteSourceMessage(const wchar_t* text, const wchar_t* sourceFile, int line) {
    return WriteEntry(text, LOG_ICON_NONE, sourceFile, line, L"", 0);
}

int CBasicLog::DebugSourceMessage(const wchar_t* text, const wchar_t* sourceFile, int line) {
    return Verbose() ? WriteSourceMessage(text, sourceFile, line) : 0;
}

int CBasicLog::LogFormatV(const wchar_t* sourceFile, int line, int level, const wchar_t* format, va_list args) {
    CBasicString text;
    text.FormatV(format, args);
    return WriteEntry(text.GetString(), (LOG_ICON_TYPE)level, sourceFile, line, L"", 0);
}

int CBasicLog::LogFormat(const wchar_t* sourceFile, int line, int level, const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    int result = LogFormatV(sourceFile, line, level, format, args);
    va_end(args);
    return result;
}

int CBasicLog::DebugFormat(const wchar_t* sourceFile, int line, int level, const wchar_t* format, ...) {
    if (!Verbose()) return 0;
    va_list args;
    va_start(args, format);
    int result = LogFormatV(sourceFile, line, level, format, args);
    va_end(args);
    return result;
}

int CBasicLog::LogEventWith(int code, const wchar_t* category, const wchar_t* sourceFile, int line,
                            int nullCategoryLine, bool withUserText, va_list* args) {
    if (!category) {
        ReportAssertion(0, kSourceFile, nullCategoryLine);
        return -1;
    }
    if (!*category) return -1;
    LOG_ICON_TYPE level = LOG_ICON_NONE;
    int stringId = 0;
    const wchar_t* definition = Lookup(code, category, level, stringId);
    if (!*definition) return -1;
    CBasicString message = args ? FormatWith(definition, args) : CBasicString(definition);

    CBasicString userText;
    CAbstractUILog* observer = m_observer.load();
    if (withUserText && stringId != 0 && observer) {
        const wchar_t* text = observer->LoadStringW((UINT)stringId);
        if (text) userText = args ? FormatWith(text, args) : CBasicString(text);
    }
    return WriteEntry(message.GetString(), level, sourceFile, line, userText.GetString(), stringId);
}

int CBasicLog::LogEvent(int code, const wchar_t* category, const wchar_t* sourceFile, int line) {
    return LogEventWith(code, category, sourceFile, line, kLineLogEventNullCategory, true, nullptr);
}

int CBasicLog::DebugEvent(int code, const wchar_t* category, const wchar_t* sourceFile, int line) {
    if (!Verbose()) return 0;
    return LogEventWith(code, category, sourceFile, line, kLineDebugEventNullCategory, false, nullptr);
}

int CBasicLog::LogEventFormat(const wchar_t* sourceFile, int line, const wchar_t* category, int code, ...) {
    va_list args;
    va_start(args, code);
    int result = LogEventWith(code, category, sourceFile, line, kLineLogEventFormatNullCategory, true, &args);
    va_end(args);
    return result;
}

int CBasicLog::DebugEventFormat(const wchar_t* sourceFile, int line, const wchar_t* category, int code, ...) {
    if (!Verbose()) return 0;
    va_list args;
    va_start(args, code);
    int result = LogEventWith(code, category, sourceFile, line, kLineDebugEventFormatNullCategory, true, &args);
    va_end(args);
    return result;
}

int CBasicLog::TrimLogFile(const wchar_t* historyFile, int maxRuns) {
    if (!historyFile || !*historyFile) return -1;
    if (maxRuns < 1) {
        ReportAssertion(0, kSourceFile, kLineTrimMaxRuns);
        return -1;
    }
    HANDLE semaphore = CreateSemaphoreHandle(1, 1, kTrimSemaphoreName);
    if (!semaphore) return -1;
    if (WaitForSingleObject(semaphore, INFINITE) != WAIT_OBJECT_0) {
        CloseHandle(semaphore);
        return -1;
    }
    int result = AppendToHistory(historyFile, maxRuns);
    if (!ReleaseSemaphore(semaphore, 1, nullptr)) result = -1;
    if (!CloseHandle(semaphore)) result = -1;
    return result;
}

int CBasicLog::CopyLogFile(const wchar_t* path) { return Copy(path); }

int CBasicLog::MoveLogFile(const wchar_t* path) { return Move(path); }

const wchar_t* CBasicLog::GetLogFilePath() { return GetPath().GetString(); }
