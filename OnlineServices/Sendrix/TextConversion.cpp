#include "OnlineServices/Sendrix/TextConversion.h"

#include <cstring>
#include <cwchar>

#include "utility/TextCodec.h"

std::string ToNarrowText(const wchar_t* text) { return text ? WideToUtf8(text, wcslen(text)) : std::string(); }

CBasicString FromNarrowText(const char* text, size_t length) {
    if (!text) return CBasicString();
    std::wstring wide = Utf8ToWide(text, length);
    return CBasicString(wide.c_str(), (int)wide.size());
}

CBasicString FromNarrowText(const std::string& text) { return FromNarrowText(text.data(), text.size()); }

char* ConvertWideToMultiByte(UINT codePage, const wchar_t* text, char* destination, int count) {
    if (!text || count == 0) return nullptr;
    size_t length = wcslen(text);
    if (count > 0 && (size_t)count < length) length = (size_t)count;
    std::string narrow = WideToUtf8(text, length);
    char* result = destination ? destination : new char[narrow.size() + 1];
    memcpy(result, narrow.c_str(), narrow.size() + 1);
    return result;
}

wchar_t* CopyWideString(const wchar_t* source, wchar_t* destination, int count) {
    if (!source) return nullptr;
    size_t length = wcslen(source);
    size_t copied = count >= 0 && (size_t)count < length ? (size_t)count : length;
    wchar_t* result = destination ? destination : new wchar_t[length + 1];
    wmemcpy(result, source, copied);
    result[copied] = 0;
    return result;
}
