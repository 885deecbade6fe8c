#pragma once
// CBasicFile: a local file, with the folder and attribute operations the
// library's users need. Every failed system call stores the Windows error
// code (GetLastError) and, with a log, is reported as an event of the
// category "FILE" with the file name and the error's text; misuse (a closed
// file, null arguments) is an assertion report.
//
// How the Windows file values map onto this system:
// - access: GENERIC_READ, GENERIC_WRITE or both; dispositions CREATE_NEW,
//   CREATE_ALWAYS, OPEN_EXISTING, OPEN_ALWAYS, TRUNCATE_EXISTING.
// - Share modes have no meaning here: other openers are never locked out,
//   and the share value is ignored.
// - A folder opens only with FILE_FLAG_BACKUP_SEMANTICS (else error 5).
//   FILE_FLAG_DELETE_ON_CLOSE removes the file when it closes;
//   FILE_FLAG_SEQUENTIAL_SCAN is passed on as advice; FILE_ATTRIBUTE_READONLY
//   makes a newly created file read-only. Other flags have no effect.
// - Attributes: see FileStatus.h. Setting them changes only the read-only
//   bit (the owner's write permission); a symbolic link keeps its own.
// - Paths use '/'. CreateFolder starts behind a leading '/'.
// - A file's creation time cannot be set here; SetTimes sets the other two.

#include <string>

#include "utility/AbstractFile.h"
#include "utility/BasicString.h"

class CAbstractSnapshot;

class CBasicFile : public CAbstractFile {
public:
    // name (may be null) is stored as the file name; log may be null.
    CBasicFile(const wchar_t* name, CAbstractLog* log);
    ~CBasicFile() override;
    CBasicFile(const CBasicFile&) = delete;
    CBasicFile& operator=(const CBasicFile&) = delete;

    int IsOpen() override;
    DWORD GetLastError() override;
    int Open(const wchar_t* name, DWORD access, DWORD share, DWORD disposition, DWORD flagsAndAttributes) override;
    int Read(void* buffer, DWORD size, DWORD* done) override;
    int Write(const void* buffer, DWORD size, DWORD* done) override;
    int Close() override;
    int CreateFolder(const wchar_t* path) override;
    // Never descends into a symbolic link: a link (also the path itself)
    // is removed as the link it is.
    int RemoveFolder(const wchar_t* path) override;
    // Clears the read-only attribute first; a missing file gives 0 without
    // a report.
    int Delete(const wchar_t* path) override;
    int GetAttributes(const wchar_t* path, DWORD* attributes) override;
    int SetAttributes(const wchar_t* path, DWORD attributes) override;
    int GetFileSizeByName(const wchar_t* path, ULONGLONG* size) override;
    int GetSize(ULONGLONG* size) override;
    // Does nothing: a local file's size follows its contents (Truncate cuts it).
    int SetSize(ULONGLONG size) override;
    int GetPosition(ULONGLONG* position) override;
    int Seek(LONGLONG distance, DWORD origin) override;
    const wchar_t* GetFileName() override;
    int SetFileName(const wchar_t* name) override;
    CAbstractLog* GetLog() override;
    int SetTimes(const CBasicDateTime* creation, const CBasicDateTime* lastAccess,
                 const CBasicDateTime* lastWrite) override;
    int Truncate() override;
    // Releases the range where the file system can (a hole), else writes
    // zeros over the part of it inside the file.
    int ZeroData(LONGLONG offset, LONGLONG length) override;

protected:
    // Opens path as it stands (the file name is not changed). A failure
    // stores the error and reports it as code -1, or -2 when access asks
    // for writing, under the given source and line -> 0 / -1.
    int OpenPath(const wchar_t* path, DWORD access, DWORD disposition, DWORD flagsAndAttributes,
                 const wchar_t* sourceFile, int line);
    // Stores the thread's last error and reports it with the name.
    void ReportFailure(int code, bool verbose, const wchar_t* name, int line);

    int m_fd = -1;
    CAbstractLog* m_log;
    CBasicString m_fileName;
    DWORD m_lastError = 0;

private:
    bool Exists(const wchar_t* path);
    int CreateFolderLevels(const std::string& path);
    bool RequireOpen(int line);
    // Whether a read or write can start; reports why not (on a closed file
    // also the event closedEvent).
    bool CanTransfer(const void* buffer, DWORD size, int closedEvent, int line);

    // The file removed when this one closes (FILE_FLAG_DELETE_ON_CLOSE).
    std::string m_deleteOnClose;
};

// A new local file object; with a snapshot mapper a CVSSFile that opens
// files inside the snapshot. Null when memory is short.
CAbstractFile* CreateBasicFile(const wchar_t* name, CAbstractLog* log, CAbstractSnapshot* snapshot);
// Closes the file and deletes the object; null is ignored.
void DeleteBasicFile(CAbstractFile* file);
