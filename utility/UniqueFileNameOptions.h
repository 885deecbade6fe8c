#pragma once
// KVX::CUniqueFileNameOptions: the library's naming options, made with
// every file-system item: interchange level 0, no semicolon, naming system
// 3 (the mode-3 rules) and a longest name of 108 characters for every mode.
// It knows no root item.

#include "utility/AbstractUniqueFileName.h"

namespace KVX {

class CUniqueFileNameOptions : public CAbstractUniqueFileName {
public:
    static constexpr int kDefaultMaxNameLength = 108;

    CUniqueFileNameOptions() = default;
    ~CUniqueFileNameOptions() override = default;

    int GetLevel() override { return 0; }
    int IsSemicolonAllowed() override { return 0; }
    // An assertion report and null.
    CFileItemInfo* GetRootItem() override;
    int GetNamingSystem() override { return 3; }
    int GetMaxNameLength(int mode) override { return m_maxNameLength; }
    void SetMaxNameLength(int length) override { m_maxNameLength = length; }

private:
    int m_maxNameLength = kDefaultMaxNameLength;
};

} // namespace KVX
