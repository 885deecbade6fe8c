#pragma once
// KVX::CAbstractUniqueFileName: the naming options that every file-system
// item carries (CFileItemInfo::GetNamingOptions) and that the unique file
// names (KVX::CUniqueFileName) ask. KVX::CUniqueFileNameOptions is the
// library's own implementation.

class CFileItemInfo;

namespace KVX {

class CAbstractUniqueFileName {
public:
    virtual ~CAbstractUniqueFileName() {}

    // The interchange level 0 to 3 that selects the allowed characters of
    // naming modes 1 and 2.
    virtual int GetLevel() = 0;
    // 1 when mode 3 names may hold a semicolon.
    virtual int IsSemicolonAllowed() = 0;
    // The root item of the tree being named.
    virtual CFileItemInfo* GetRootItem() = 0;
    // 1 or 2: the level sets decide which characters are allowed; any other
    // value: the mode-3 rules.
    virtual int GetNamingSystem() = 0;
    // The longest name of a naming mode.
    virtual int GetMaxNameLength(int mode) = 0;
    virtual void SetMaxNameLength(int length) = 0;
};

} // namespace KVX
