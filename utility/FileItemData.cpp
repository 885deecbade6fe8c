#include "utility/FileItemData.h"

#include <cwchar>

#include "utility/AnsiCodePage.h"
#include "utility/UniqueFileNameOptions.h"

CFileItemData::CFileItemData() : namingOptions(std::make_unique<KVX::CUniqueFileNameOptions>()) {}

CFileItemData::~CFileItemData() = default;

void CFileItemData::SetShortName(const wchar_t* name) {
    shortName = name;
    ansiShortName = WideToAnsi(shortName.GetString(), (size_t)shortName.GetLength());
}
