#pragma once
// CFileItemData: the data record of one file-system item (CFileItemInfo),
// which owns it. The words A to C and numbers A to E hold values whose
// meaning the callers give; they are stored, copied and recorded unchanged.

#include <memory>
#include <set>
#include <string>

#include "compat/WinTypes.h"
#include "utility/BasicDateTime.h"
#include "utility/BasicString.h"

class CFileItemInfo;

namespace KVX {
class CAbstractUniqueFileName;
}

// The extra record an item may carry.
struct FILE_ITEM_EXTRA {
    DWORD value[4];
};

class CFileItemData {
public:
    // Flag bits of the first flag word.
    static constexpr DWORD kFlagHasNextSibling = 0x1;
    static constexpr DWORD kFlagHasChildren = 0x2;
    static constexpr DWORD kFlagUnicode = 0x80;  // the record's strings are UTF-16
    static constexpr DWORD kFlagStreamNames = 0x10000;  // the record lists the stream names
    static constexpr DWORD kFlagForwardSlashes = 0x20000;  // the narrow relative path joins with '/'

    // Empty values, flag 0x80 and the library's naming options.
    CFileItemData();
    ~CFileItemData();
    CFileItemData(const CFileItemData&) = delete;
    CFileItemData& operator=(const CFileItemData&) = delete;

    // Sets the short name with its narrow (Windows-1252) form.
    void SetShortName(const wchar_t* name);

    // Tree links, not owned.
    CFileItemInfo* parent = nullptr;
    CFileItemInfo* firstChild = nullptr;
    CFileItemInfo* nextSibling = nullptr;

    // Strings 1 to 6 of the record; text 7 and the unique name are not
    // recorded.
    CBasicString path;
    CBasicString name;
    CBasicString shortName;  // set through SetShortName
    std::string ansiShortName;
    CBasicString text4, text5, text6, text7;
    CBasicString uniqueName;

    DWORD flags = kFlagUnicode;
    DWORD flags2 = 0;
    DWORD attributes = 0;
    DWORD wordA = 0, wordB = 0, wordC = 0;  // word A is recorded
    ULONGLONG size = 0;
    ULONGLONG numberA = 0, numberB = 0, numberC = 0, numberD = 0;  // recorded
    ULONGLONG sizeOnDisk = 0, numberE = 0;  // not recorded

    CBasicDateTime recordedTime;
    CBasicDateTime creationTime;
    CBasicDateTime lastWriteTime;

    std::unique_ptr<FILE_ITEM_EXTRA> extra;

    // Stream positions of the item's security and reparse blocks, set while
    // reading.
    ULONGLONG securityOffset = 0;
    ULONGLONG reparseOffset = 0;
    // The format version given to the last read.
    int formatVersion = 0;

    // The names of the file's data streams.
    std::set<std::wstring> streamNames;

    std::unique_ptr<KVX::CAbstractUniqueFileName> namingOptions;

    // The last results of the path functions.
    CBasicString fullPath;
    std::string ansiRelativePath;
};
