#pragma once
// The texts of the records as the stores bind them, and back.

#include <string>

#include "utility/BasicString.h"

inline std::wstring Wide(const wchar_t* text)
{
    return text ? std::wstring(text) : std::wstring();
}

inline std::wstring Wide(const CBasicString& text)
{
    return std::wstring(text.GetString(), static_cast<size_t>(text.GetLength()));
}

inline CBasicString Basic(const std::wstring& text)
{
    return CBasicString(text.c_str(), static_cast<int>(text.size()));
}
