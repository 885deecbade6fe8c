#pragma once
// Wide texts of the system's interfaces to and from the UTF-8 of Linux
// (paths, names, the environment).

#include <cwchar>
#include <string>

#include "utility/BasicString.h"
#include "utility/TextCodec.h"

inline std::string ToSystemText(const wchar_t* text) {
    return text ? WideToUtf8(text, wcslen(text)) : std::string();
}

inline std::string ToSystemText(const CBasicString& text) {
    return WideToUtf8(text.GetString(), (size_t)text.GetLength());
}

inline CBasicString FromSystemText(const std::string& text) {
    std::wstring wide = Utf8ToWide(text);
    return CBasicString(wide.c_str(), (int)wide.size());
}
