#pragma once
// Whole-file operations over the file interface and by path, and the
// factories of the registry and encryption objects. Reports go to the
// library's log sink (LibraryLog.h).

#include "compat/WinTypes.h"

class CAbstractChecksumProgress;
class CAbstractCrypt;
class CAbstractFile;
class CAbstractLog;
class CBasicRegistry;
class CRegistry;

// Copies the content of source into target, each opened under its own
// name -> 1 / 0. The source is opened first, so a source that cannot be
// read never destroys an existing target; a target that names the very
// file of the source is refused. Copies in blocks of 64 KiB; a read that
// fails or ends before the size the source announced ends the copy with 0.
// Both files are closed on every path.
int CopyFileContents(CAbstractFile* source, CAbstractFile* target);

// CopyFileContents on two local files made for the paths -> 1 / 0.
int CopyFileByPath(const wchar_t* source, const wchar_t* target);

// Updates crc (which the caller sets, 0 to start) with zlib's CRC-32 of the
// whole file, opened under its own name -> 0, or -1 when it cannot be read
// whole. The observer (may be null) is told the size of each block.
int ComputeFileCrc32(CAbstractFile* file, unsigned& crc, CAbstractChecksumProgress* observer);

// The size of the entry a search for path finds -> 1; 0 (size 0) when there
// is none.
int GetFileSizeByPath(const wchar_t* path, LONGLONG& size);

// Renames (or moves within one file system) -> 1 / 0.
int RenameFile(const wchar_t* oldName, const wchar_t* newName);
int MoveFileByRename(const wchar_t* oldName, const wchar_t* newName);

// A new CBasicRegistry made with these arguments; null when memory is short.
CBasicRegistry* CreateBasicRegistry(const wchar_t* firstName, const wchar_t* secondName, HKEY root);
// Deletes the registry object; null is ignored.
void DeleteBasicRegistry(CRegistry* registry);

// A new encryptor given the log: type 1 a CBasicZipCrypt, type 2 a
// CBasicCrypt; null for any other type or when memory is short. Deleted
// through its virtual destructor.
CAbstractCrypt* CreateCrypt(int type, CAbstractLog* log);
