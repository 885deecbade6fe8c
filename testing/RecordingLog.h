#pragma once
// A log sink for tests: records every call with what it would write.
//
// LogEvent/LogEventFormat texts come from formats defined per (category,
// code) with Define(); the further arguments of LogEventFormat are
// formatted with that format (the object error reports pass the object's
// name and the "(%d) %s" detail, so Define(L"FILE", -1, L"%s|%s") shows
// "name|(2) The file was not found."). Without a definition the text is
// empty and the call is still recorded. Debug* calls are recorded with
// written == false while the log is not verbose (the default). The file
// operations (Init, TrimLogFile, CopyLogFile, MoveLogFile) do nothing and
// give 0.

#include <mutex>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "utility/AbstractLog.h"

namespace kvxtest {

enum class LogCall {
    LogEvent,
    DebugEvent,
    WriteSourceMessage,
    LogFormat,
    DebugFormat,
    LogEventFormat,
    DebugEventFormat,
    WriteRaw,
    WriteMessage,
    DebugSourceMessage,
};

struct RecordedEntry {
    LogCall call;
    std::wstring category;
    int code = 0;
    int level = 0;
    std::wstring text;
    std::wstring sourceFile;
    int line = 0;
    bool written = true;  // false for a Debug* call while not verbose
};

class RecordingLog : public CAbstractLog {
public:
    RecordingLog() = default;

    // The message format and level of an event.
    void Define(const std::wstring& category, int code, const std::wstring& format, int level = 1);

    // The path GetLogFilePath gives (the folder of the log file is where
    // some files are looked for).
    void SetLogFilePath(const std::wstring& path);

    std::vector<RecordedEntry> Entries() const;
    // Entries that would appear in the log (not the silent Debug* calls).
    std::vector<RecordedEntry> Written() const;
    void Clear();

    int Init(const wchar_t* definitionFile, const wchar_t* logFile, int verbose, CAbstractUILog* observer) override;
    CAbstractUILog* GetUILog() override;
    CAbstractUILog* SetUILog(CAbstractUILog* observer) override;
    int IsVerbose() override;
    void SetVerbose(int verbose) override;
    int WriteRaw(const wchar_t* text) override;
    int LogEvent(int code, const wchar_t* category, const wchar_t* sourceFile, int line) override;
    int WriteMessage(const wchar_t* text, LOG_ICON_TYPE level) override;
    int WriteSourceMessage(const wchar_t* text, const wchar_t* sourceFile, int line) override;
    int LogFormat(const wchar_t* sourceFile, int line, int level, const wchar_t* format, ...) override;
    int LogEventFormat(const wchar_t* sourceFile, int line, const wchar_t* category, int code, ...) override;
    int DebugFormat(const wchar_t* sourceFile, int line, int level, const wchar_t* format, ...) override;
    int DebugEventFormat(const wchar_t* sourceFile, int line, const wchar_t* category, int code, ...) override;
    int DebugSourceMessage(const wchar_t* text, const wchar_t* sourceFile, int line) override;
    int DebugEvent(int code, const wchar_t* category, const wchar_t* sourceFile, int line) override;
    int TrimLogFile(const wchar_t* historyFile, int maxRuns) override;
    int CopyLogFile(const wchar_t* path) override;
    int MoveLogFile(const wchar_t* path) override;
    const wchar_t* GetLogFilePath() override;

private:
    struct Definition {
        std::wstring format;
        int level;
    };
    int RecordEvent(LogCall call, bool written, const wchar_t* category, int code, const wchar_t* sourceFile,
                    int line, va_list* args);
    int RecordFormat(LogCall call, bool written, const wchar_t* sourceFile, int line, int level,
                     const wchar_t* format, va_list args);
    void Add(RecordedEntry entry);

    mutable std::mutex m_mutex;
    bool m_verbose = false;
    CAbstractUILog* m_observer = nullptr;
    std::map<std::pair<std::wstring, int>, Definition> m_definitions;
    std::vector<RecordedEntry> m_entries;
    std::wstring m_path = L"/tmp/recording.log";
};

} // namespace kvxtest
