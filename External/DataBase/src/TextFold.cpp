#include "TextFold.h"

#include <unicode/uchar.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

#include <cstdint>

namespace {

bool IsScalarValue(uint32_t c)
{
    return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
}

// Folds the UTF-16 text and appends it to out as code points.
void AppendFolded(const std::u16string& text, std::wstring& out)
{
    if (text.empty())
        return;
    // Full folding makes at most three code units of one.
    std::u16string folded(text.size() * 3, u'\0');
    UErrorCode error = U_ZERO_ERROR;
    int32_t length = u_strFoldCase(reinterpret_cast<UChar*>(folded.data()), static_cast<int32_t>(folded.size()),
                                   reinterpret_cast<const UChar*>(text.data()), static_cast<int32_t>(text.size()),
                                   U_FOLD_CASE_DEFAULT, &error);
    if (U_FAILURE(error)) {
        // Never lose a character: the text unfolded.
        for (size_t i = 0; i < text.size();) {
            UChar32 c;
            U16_NEXT(text.data(), i, text.size(), c);
            out.push_back(static_cast<wchar_t>(c));
        }
        return;
    }
    for (int32_t i = 0; i < length;) {
        UChar32 c;
        U16_NEXT(folded.data(), i, length, c);
        out.push_back(static_cast<wchar_t>(c));
    }
}

}  // namespace

std::wstring FoldText(const std::wstring& text)
{
    std::wstring folded;
    folded.reserve(text.size());
    bool ascii = true;
    for (wchar_t c : text)
        ascii = ascii && static_cast<uint32_t>(c) < 0x80;
    if (ascii) {
        for (wchar_t c : text)
            folded.push_back(c >= L'A' && c <= L'Z' ? c + (L'a' - L'A') : c);
        return folded;
    }
    std::u16string run;
    for (wchar_t c : text) {
        uint32_t point = static_cast<uint32_t>(c);
        if (!IsScalarValue(point)) {
            AppendFolded(run, folded);
            run.clear();
            folded.push_back(c);
            continue;
        }
        if (point < 0x10000) {
            run.push_back(static_cast<char16_t>(point));
        } else {
            run.push_back(static_cast<char16_t>(U16_LEAD(point)));
            run.push_back(static_cast<char16_t>(U16_TRAIL(point)));
        }
    }
    AppendFolded(run, folded);
    return folded;
}

std::wstring FoldText(const wchar_t* text)
{
    return text ? FoldText(std::wstring(text)) : std::wstring();
}

std::wstring PrefixUpperBound(const std::wstring& prefix)
{
    std::wstring bound = prefix;
    while (!bound.empty()) {
        wchar_t last = bound.back();
        if (static_cast<uint32_t>(last) < 0x10FFFF) {
            wchar_t next = last + 1;
            if (next == 0xD800)
                next = 0xE000;  // surrogates are not characters
            bound.back() = next;
            return bound;
        }
        bound.pop_back();
    }
    return bound;
}
