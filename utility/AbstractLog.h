#pragma once
// The log sink that every utility object, file, socket, connection and
// e-mail object reports through. The framework's log implements it; objects
// keep a plain, non-owning pointer, which may be null (then nothing is
// written). Implementations accept calls from any thread. Callers in the
// utility and online libraries ignore the results.

class CAbstractLog {
public:
    virtual ~CAbstractLog() {}

    // Writes the definition table's message for (category, code) as one
    // time-stamped entry at the definition's level, with the source
    // location. Undefined events write nothing; a null or empty category
    // writes nothing and gives -1.
    virtual int LogEvent(int code, const wchar_t* category, const wchar_t* sourceFile, int line) = 0;

    // LogEvent while the verbose flag is 1; otherwise nothing and 0.
    virtual int DebugEvent(int code, const wchar_t* category, const wchar_t* sourceFile, int line) = 0;

    // The text as one entry at level 6, followed by the source location.
    virtual int WriteSourceMessage(const wchar_t* text, const wchar_t* sourceFile, int line) = 0;

    // printf-style (wide) formatting of the further arguments; one entry at
    // the given level with the source location.
    virtual int LogFormat(const wchar_t* sourceFile, int line, int level, const wchar_t* format, ...) = 0;

    // LogFormat while the verbose flag is 1; otherwise nothing and 0.
    virtual int DebugFormat(const wchar_t* sourceFile, int line, int level, const wchar_t* format, ...) = 0;

    // The definition table's message for (category, code) used as the
    // format of the further arguments.
    virtual int LogEventFormat(const wchar_t* sourceFile, int line, const wchar_t* category, int code, ...) = 0;

    // LogEventFormat while the verbose flag is 1; otherwise nothing and 0.
    virtual int DebugEventFormat(const wchar_t* sourceFile, int line, const wchar_t* category, int code, ...) = 0;

    // Full path of the current log file, owned by the log.
    virtual const wchar_t* GetLogFilePath() = 0;
};
