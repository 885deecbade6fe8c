#pragma once
// The file of the text log: one program run's log file in UTF-16LE with the
// byte-order mark FF FE, every write flushed, so the file is complete up to
// its last entry when the program stops abruptly. It can be copied, moved,
// and appended to a history file that keeps the last runs; the file this
// object made is deleted with it.
//
// History file: FF FE, CR LF, then the runs, each the text of one log file
// (without its byte-order mark) followed by the run separator: 70 '#', CR
// LF, 70 '#', CR LF, CR LF. Reading it, a separator is a line ending in 70
// '#' (a run whose text does not end its last line runs into it) followed
// by a whole line of 70 '#'; the next run starts at the first character
// after it that is neither CR nor LF. Hashes inside a run never make one.
//
// A lock keeps writes, copies and moves apart, so each Write lands in the
// file whole, whichever thread makes it.

#include "Pendrel/PendrelApi.h"
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <vector>

#include "utility/BasicString.h"

class PENDREL_API CBasicLogFile {
public:
    CBasicLogFile() = default;
    // Closes the file and deletes it when this object made it (a failed
    // Open leaves nothing to delete).
    virtual ~CBasicLogFile();
    CBasicLogFile(const CBasicLogFile&) = delete;
    CBasicLogFile& operator=(const CBasicLogFile&) = delete;

    // Makes the log file and writes the byte-order mark. The file is
    // created exclusively and locked for the life of the log; an empty file
    // already there that no other log holds (a name reserved with
    // MakeTempFileName) is taken over. Any other file at path stays
    // untouched, and the log takes a fresh name "KVX" + four hexadecimal
    // digits + path's extension in the same folder instead (GetPath tells
    // which). -1 with an assertion report when no file can be made. A file
    // still open from an earlier Open is reported and closed.
    int Open(const wchar_t* path);

    // Appends the text's UTF-16 units (no terminator) and flushes: -1 when
    // no file is open, the text is null or empty, or it was not all written.
    int Write(const wchar_t* text);
    int Write(const wchar_t* text, size_t length);

    // A whole copy of the file at path (replacing what is there), byte-order
    // mark included; the log goes on writing its own file. A path naming
    // the log file itself gives 0 and changes nothing.
    int Copy(const wchar_t* path);

    // The log moves to path: copied there, its old file closed and deleted
    // (when this object made it), the new one opened for appending. A path
    // equal to the current one gives 0 and does nothing. When the copy
    // fails the log keeps writing its old file.
    int Move(const wchar_t* path);

    // Appends this run's log to the history file (made when missing) so
    // that it holds the last maxRuns runs, this one included; text after
    // the history's last separator (an interrupted earlier append) is cut
    // off first. The shortened history is written beside it
    // ("<history>.XXXXXX") and renamed over it, so a crash never loses it;
    // such copies left by an append that was killed are removed first. -1 for maxRuns below 1 (the
    // history stays untouched) and on failure. Callers guard the history
    // across processes (CBasicLog::TrimLogFile).
    int AppendToHistory(const wchar_t* historyPath, int maxRuns);

    const CBasicString& GetPath() const { return m_path; }
    bool IsOpen() const;

private:
    int CopyUnlocked(const wchar_t* path);
    int AppendLogTo(FILE* history);
    void CloseStream();

    mutable std::mutex m_mutex;
    FILE* m_stream = nullptr;
    CBasicString m_path;
    // The file at m_path was made by this object (and is deleted with it).
    bool m_ownsFile = false;
    std::vector<uint8_t> m_units;  // the UTF-16LE bytes of the current Write
};
