#pragma once
// The log sink that the whole system reports through: every utility object,
// file, socket, connection and e-mail object, the framework and the
// programs. The framework's text log (CBasicLog) implements it; objects keep
// a plain, non-owning pointer, which may be null (then nothing is written).
// Implementations accept calls from any thread. Callers in the utility and
// online libraries ignore the results.
//
// Results are 0 for success and -1 for failure unless said otherwise.
// Messages of events come from the log's definition table ("LogDef.ini");
// they, and the formats of LogFormat, are formats of the system's wide
// formatter (WideFormat.h) for the further arguments.

#include <cstdint>

class CAbstractUILog;

// The level of an entry, written in "LogDef.ini" as a letter. It goes to the
// log's observer as the icon of the message; the file does not show it.
enum LOG_ICON_TYPE : int32_t {
    LOG_ICON_INFORMATION = 0,  // I
    LOG_ICON_ERROR = 1,        // E
    LOG_ICON_WARNING = 2,      // W
    LOG_ICON_QUESTION = 3,     // Q
    LOG_ICON_DEBUG = 4,        // D
    LOG_ICON_FAILURE = 5,      // F
    LOG_ICON_NONE = 6,         // U, the level wherever none is given
};

class CAbstractLog {
public:
    virtual ~CAbstractLog() {}

    // Loads the definition table from definitionFile and, when that
    // succeeded, creates the log file; stores the verbose flag and the
    // observer (not owned). The first negative result, else 0.
    virtual int Init(const wchar_t* definitionFile, const wchar_t* logFile, int verbose,
                     CAbstractUILog* observer) = 0;

    virtual CAbstractUILog* GetUILog() = 0;
    // Sets the observer; the previous one.
    virtual CAbstractUILog* SetUILog(CAbstractUILog* observer) = 0;

    virtual int IsVerbose() = 0;
    virtual void SetVerbose(int verbose) = 0;

    // Appends the text as it stands: no time, no line end.
    virtual int WriteRaw(const wchar_t* text) = 0;

    // Writes the definition table's message for (category, code) as one
    // time-stamped entry at the definition's level, with the source
    // location; the text of the definition's string id goes to the
    // observer. Undefined events write nothing (-1); a null or empty
    // category writes nothing and gives -1.
    virtual int LogEvent(int code, const wchar_t* category, const wchar_t* sourceFile, int line) = 0;

    // The text as one entry; the observer sees it too.
    virtual int WriteMessage(const wchar_t* text, LOG_ICON_TYPE level) = 0;

    // The text as one entry at level 6, followed by the source location
    // (with a null or empty source file a plain entry). The observer never
    // sees it.
    virtual int WriteSourceMessage(const wchar_t* text, const wchar_t* sourceFile, int line) = 0;

    // printf-style (wide) formatting of the further arguments; one entry at
    // the given level (a LOG_ICON_TYPE value) with the source location.
    virtual int LogFormat(const wchar_t* sourceFile, int line, int level, const wchar_t* format, ...) = 0;

    // The definition table's message for (category, code) used as the
    // format of the further arguments; the observer's text for the string
    // id is formatted with them too.
    virtual int LogEventFormat(const wchar_t* sourceFile, int line, const wchar_t* category, int code, ...) = 0;

    // LogFormat, LogEventFormat, WriteSourceMessage and LogEvent while the
    // verbose flag is 1; otherwise nothing and 0. DebugEvent gives the
    // observer nothing.
    virtual int DebugFormat(const wchar_t* sourceFile, int line, int level, const wchar_t* format, ...) = 0;
    virtual int DebugEventFormat(const wchar_t* sourceFile, int line, const wchar_t* category, int code, ...) = 0;
    virtual int DebugSourceMessage(const wchar_t* text, const wchar_t* sourceFile, int line) = 0;
    virtual int DebugEvent(int code, const wchar_t* category, const wchar_t* sourceFile, int line) = 0;

    // Appends this run's log to the history file, which keeps the last
    // maxRuns runs; guarded across processes.
    virtual int TrimLogFile(const wchar_t* historyFile, int maxRuns) = 0;
    // A copy of the log file at path; the log goes on writing its own file.
    virtual int CopyLogFile(const wchar_t* path) = 0;
    // The log file moves to path and the log goes on writing there.
    virtual int MoveLogFile(const wchar_t* path) = 0;

    // Full path of the current log file, owned by the log.
    virtual const wchar_t* GetLogFilePath() = 0;
};
