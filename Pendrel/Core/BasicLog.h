#pragma once
// The text log: the system's one implementation of the log sink. It writes
// time-stamped entries into its log file (CBasicLogFile), looks numbered
// events up in the definition table read from "LogDef.ini"
// (CBasicIniFile), and hands the user texts of entries to an observer (the
// progress dialog).
//
// An entry is the time of day on a twelve-hour clock ("01:05:09 PM", the
// hour modulo 12, so noon prints as "00:00:00 PM"), a tab, the message and
// CR LF; with a source file, "\t\tSource file: <name>, Line: <line>\r\n\r\n"
// follows, the name being the text after the source file's last '\' or
// '/'. Each entry is built whole and written at once, so entries from
// several threads never mix.
//
// Set-up: construct (verbose 1, no observer), then
//   Init(<program folder>/LogDef.ini, <log file path>, 1, observer)
// which loads the table and, only when that succeeded, creates the log
// file; SetLibraryLog(log) then routes the module's assertion reports here.
// Destroying the log closes and deletes its file.

#include "Pendrel/PendrelApi.h"
#include <atomic>
#include <cstdarg>

#include "Pendrel/Core/BasicIniFile.h"
#include "Pendrel/Core/BasicLogFile.h"
#include "utility/AbstractLog.h"
#include "utility/BasicDateTime.h"

class CAbstractUILog;

class PENDREL_API CBasicLog : public CAbstractLog, public CBasicLogFile, public CBasicIniFile {
public:
    // Where the time of an entry comes from; local time by default.
    typedef CBasicDateTime (*Clock)();

    CBasicLog();
    ~CBasicLog() override;

    void SetClock(Clock clock);

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

    // Under the named semaphore "LogFileSemaphore", which every process of
    // the system shares: AppendToHistory. -1 for a null or empty path, for
    // maxRuns below 1 (an assertion report; the history stays untouched)
    // and when the semaphore cannot be had or given back.
    int TrimLogFile(const wchar_t* historyFile, int maxRuns) override;
    int CopyLogFile(const wchar_t* path) override;
    int MoveLogFile(const wchar_t* path) override;
    const wchar_t* GetLogFilePath() override;

private:
    // Every writing operation ends here: the user text (never null; "" for
    // none) goes to the observer with the code, then the entry is written.
    int WriteEntry(const wchar_t* message, LOG_ICON_TYPE level, const wchar_t* sourceFile, int line,
                   const wchar_t* userText, int code);
    int LogEventWith(int code, const wchar_t* category, const wchar_t* sourceFile, int line, int nullCategoryLine,
                     bool withUserText, va_list* args);
    int LogFormatV(const wchar_t* sourceFile, int line, int level, const wchar_t* format, va_list args);
    bool Verbose() const { return m_verbose.load() == 1; }

    std::atomic<int> m_verbose{1};
    std::atomic<CAbstractUILog*> m_observer{nullptr};
    std::atomic<Clock> m_clock;
};
