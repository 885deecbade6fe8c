#pragma once
// CAbstractItem: one entry (folder or file) of a tree of file-system items
// that can be recorded into a stream and read back. CFileItemInfo
// implements it. Texts and times handed out belong to the item.

#include "compat/WinTypes.h"

class CBasicDateTime;
class CFileItemInfo;

class CAbstractItem {
public:
    virtual ~CAbstractItem() {}

    // The tree links (not owned).
    virtual CAbstractItem* GetParentItem() const = 0;
    virtual CAbstractItem* GetFirstChildItem() const = 0;
    virtual CAbstractItem* GetNextSiblingItem() const = 0;
    virtual const wchar_t* GetPath() const = 0;
    virtual const wchar_t* GetName() const = 0;
    // The short name in the narrow code page.
    virtual const char* GetAnsiShortName() const = 0;
    // Takes over the values of another file item; the tree links stay.
    virtual void CopyFrom(const CAbstractItem* other) = 0;
    virtual DWORD GetFlags() const = 0;
    // mask AND the flags.
    virtual DWORD TestFlags(DWORD mask) const = 0;
    // The second flag word, whose bits the callers define.
    virtual DWORD GetFlags2() const = 0;
    virtual DWORD TestFlags2(DWORD mask) const = 0;
    // Sets (on != 0) or clears the bits of mask.
    virtual void SetFlags2(DWORD mask, int on) = 0;
    virtual ULONGLONG GetNumberE() const = 0;
    virtual void SetNumberE(ULONGLONG value) = 0;
    virtual ULONGLONG GetSize() const = 0;
    virtual ULONGLONG GetNumberC() const = 0;
    virtual ULONGLONG GetSizeOnDisk() const = 0;
    virtual const wchar_t* GetText4() const = 0;
    virtual const wchar_t* GetShortName() const = 0;
    // The unique name as it is stored (see CFileItemInfo::GetUniqueName(int)).
    virtual const wchar_t* GetUniqueName() const = 0;
    virtual const CBasicDateTime* GetRecordedTime() const = 0;
    virtual const CBasicDateTime* GetCreationTime() const = 0;
    virtual const CBasicDateTime* GetLastWriteTime() const = 0;
    virtual DWORD GetAttributes() const = 0;
    virtual const wchar_t* GetText5() const = 0;
    virtual const wchar_t* GetText6() const = 0;
    // The item as a file item; null for items of other kinds.
    virtual CFileItemInfo* AsFileItem() = 0;
    virtual const CFileItemInfo* AsFileItem() const = 0;
};
