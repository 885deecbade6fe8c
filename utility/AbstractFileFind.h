#pragma once
// CAbstractFileFind: walking the entries of a folder, local or remote.
// Calling order: FindFirst, the accessors of the current entry, FindNext
// until it gives 0, then Close (which the next FindFirst and the destructor
// also do). Texts handed out stay valid until the next call of a text
// accessor or the next search step.

#include "compat/WinTypes.h"

class CBasicFileFindInfo;

class CAbstractFileFind {
public:
    virtual ~CAbstractFileFind() {}

    // Attribute tests of the current entry.
    virtual int IsReadOnly() = 0;
    virtual int IsDirectory() = 0;
    virtual int IsCompressed() = 0;
    virtual int IsSystem() = 0;
    virtual int IsHidden() = 0;
    virtual int IsTemporary() = 0;
    virtual int IsNormal() = 0;
    virtual int IsArchived() = 0;
    // 1 for the folder entries "." and "..".
    virtual int IsDots() = 0;
    virtual const wchar_t* GetFileName() = 0;
    // Root + separator + name.
    virtual const wchar_t* GetFilePath() = 0;
    // The name without its extension.
    virtual const wchar_t* GetFileTitle() = 0;
    // "file://" + the full path.
    virtual const wchar_t* GetFileURL() = 0;
    // The folder searched.
    virtual const wchar_t* GetRoot() = 0;
    virtual ULONGLONG GetLength() = 0;
    // The current entry, null without one.
    virtual CBasicFileFindInfo* GetFindInfo() = 0;
    // Searches for one path and gives its entry, or null.
    virtual CBasicFileFindInfo* FindFile(const wchar_t* path) = 0;
    // mask AND the current entry's attributes.
    virtual DWORD MatchesMask(DWORD mask) = 0;
    virtual int FindFirst(const wchar_t* pattern, DWORD flags) = 0;
    virtual int FindNext() = 0;
    // The extension of a current entry that is not a folder.
    virtual const wchar_t* GetFileExtension() = 0;
    // The result code of the last search call (0 = none).
    virtual DWORD GetLastError() = 0;
    virtual void Close() = 0;
};
