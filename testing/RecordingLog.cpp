#include "testing/RecordingLog.h"

#include <cstdarg>

#include "utility/WideFormat.h"

namespace kvxtest {

namespace {
std::wstring OrEmpty(const wchar_t* text) { return text ? text : L""; }
} // namespace

int RecordingLog::Init(const wchar_t* definitionFile, const wchar_t* logFile, int verbose, CAbstractUILog* observer) {
    SetVerbose(verbose);
    SetUILog(observer);
    return 0;
}

CAbstractUILog* RecordingLog::GetUILog() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_observer;
}

CAbstractUILog* RecordingLog::SetUILog(CAbstractUILog* observer) {
    std::lock_guard<std::mutex> lock(m_mutex);
    CAbstractUILog* previous = m_observer;
    m_observer = observer;
    return previous;
}

void RecordingLog::SetVerbose(int verbose) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_verbose = verbose != 0;
}

int RecordingLog::IsVerbose() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_verbose ? 1 : 0;
}

void RecordingLog::Define(const std::wstring& category, int code, const std::wstring& format, int level) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_definitions[{category, code}] = {format, level};
}

std::vector<RecordedEntry> RecordingLog::Entries() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_entries;
}

std::vector<RecordedEntry> RecordingLog::Written() const {
    std::vector<RecordedEntry> written;
    for (const RecordedEntry& e : Entries())
        if (e.written) written.push_back(e);
    return written;
}

void RecordingLog::Clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_entries.clear();
}

void RecordingLog::Add(RecordedEntry entry) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_entries.push_back(std::move(entry));
}

int RecordingLog::RecordEvent(LogCall call, bool written, const wchar_t* category, int code,
                              const wchar_t* sourceFile, int line, va_list* args) {
    RecordedEntry entry{call, OrEmpty(category), code, 0, L"", OrEmpty(sourceFile), line, written};
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_definitions.find({entry.category, code});
        if (it != m_definitions.end()) {
            entry.level = it->second.level;
            entry.text = args ? FormatWide(it->second.format.c_str(), *args) : it->second.format;
        }
    }
    Add(std::move(entry));
    return (!category || !*category) ? -1 : 0;
}

int RecordingLog::RecordFormat(LogCall call, bool written, const wchar_t* sourceFile, int line, int level,
                               const wchar_t* format, va_list args) {
    RecordedEntry entry{call, L"", 0, level, FormatWide(format, args), OrEmpty(sourceFile), line, written};
    Add(std::move(entry));
    return 0;
}

int RecordingLog::LogEvent(int code, const wchar_t* category, const wchar_t* sourceFile, int line) {
    return RecordEvent(LogCall::LogEvent, true, category, code, sourceFile, line, nullptr);
}

int RecordingLog::DebugEvent(int code, const wchar_t* category, const wchar_t* sourceFile, int line) {
    return RecordEvent(LogCall::DebugEvent, IsVerbose(), category, code, sourceFile, line, nullptr);
}

int RecordingLog::WriteSourceMessage(const wchar_t* text, const wchar_t* sourceFile, int line) {
    Add({LogCall::WriteSourceMessage, L"", 0, 6, OrEmpty(text), OrEmpty(sourceFile), line, true});
    return 0;
}

int RecordingLog::WriteRaw(const wchar_t* text) {
    Add({LogCall::WriteRaw, L"", 0, 6, OrEmpty(text), L"", 0, true});
    return (!text || !*text) ? -1 : 0;
}

int RecordingLog::WriteMessage(const wchar_t* text, LOG_ICON_TYPE level) {
    Add({LogCall::WriteMessage, L"", 0, level, OrEmpty(text), L"", 0, true});
    return 0;
}

int RecordingLog::DebugSourceMessage(const wchar_t* text, const wchar_t* sourceFile, int line) {
    Add({LogCall::DebugSourceMessage, L"", 0, 6, OrEmpty(text), OrEmpty(sourceFile), line, IsVerbose() != 0});
    return 0;
}

int RecordingLog::LogFormat(const wchar_t* sourceFile, int line, int level, const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    int result = RecordFormat(LogCall::LogFormat, true, sourceFile, line, level, format, args);
    va_end(args);
    return result;
}

int RecordingLog::DebugFormat(const wchar_t* sourceFile, int line, int level, const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    int result = RecordFormat(LogCall::DebugFormat, IsVerbose(), sourceFile, line, level, format, args);
    va_end(args);
    return result;
}

int RecordingLog::LogEventFormat(const wchar_t* sourceFile, int line, const wchar_t* category, int code, ...) {
    va_list args;
    va_start(args, code);
    int result = RecordEvent(LogCall::LogEventFormat, true, category, code, sourceFile, line, &args);
    va_end(args);
    return result;
}

int RecordingLog::DebugEventFormat(const wchar_t* sourceFile, int line, const wchar_t* category, int code, ...) {
    va_list args;
    va_start(args, code);
    int result = RecordEvent(LogCall::DebugEventFormat, IsVerbose(), category, code, sourceFile, line, &args);
    va_end(args);
    return result;
}

void RecordingLog::SetLogFilePath(const std::wstring& path) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_path = path;
}

int RecordingLog::TrimLogFile(const wchar_t* historyFile, int maxRuns) { return 0; }

int RecordingLog::CopyLogFile(const wchar_t* path) { return 0; }

int RecordingLog::MoveLogFile(const wchar_t* path) { return 0; }

const wchar_t* RecordingLog::GetLogFilePath() { return m_path.c_str(); }

} // namespace kvxtest
