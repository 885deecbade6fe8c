#include "Pendrel/Core/WinToolTipText.h"

#include <cwchar>

#include "utility/UnicodeCase.h"

const wchar_t* const CWinToolTipText::kTags[4] = {L"[H]", L"[T]", L"[D]", L"[S]"};

namespace {

constexpr int kTagLength = 3;
constexpr int kStem = 25;

bool IsTagAt(const std::wstring& text, size_t position) {
    if (position + kTagLength > text.size()) return false;
    for (const wchar_t* tag : CWinToolTipText::kTags)
        if (text.compare(position, kTagLength, tag) == 0) return true;
    return false;
}

} // namespace

bool CWinToolTipText::IsNarrowLanguage(const wchar_t* languageCode) {
    if (!languageCode) return false;
    for (const wchar_t* code : {L"JPN", L"CHS", L"CHT"})
        if (CompareTextNoCase(languageCode, code) == 0) return true;
    return false;
}

int CWinToolTipText::FindNextTag(const std::wstring& text, int start) {
    if (start < 0) start = 0;
    for (size_t i = static_cast<size_t>(start); i < text.size(); ++i)
        if (text[i] == L'[' && IsTagAt(text, i)) return static_cast<int>(i);
    return -1;
}

std::wstring CWinToolTipText::ParseTipText(const std::wstring& text, const wchar_t* tag, int& position) {
    if (text.empty() || !tag || position < 0 || static_cast<size_t>(position) >= text.size()) return {};
    const size_t found = text.find(tag, static_cast<size_t>(position));
    if (found == std::wstring::npos) return {};
    const size_t start = found + std::wcslen(tag);
    if (IsTagAt(text, start)) {
        position = static_cast<int>(start);
        return {};
    }
    const int next = FindNextTag(text, static_cast<int>(start));
    if (next >= 0) {
        position = next;
        return text.substr(start, static_cast<size_t>(next) - start);
    }
    position = static_cast<int>(text.size());
    return text.substr(start);
}

std::wstring CWinToolTipText::FormatTipText(const std::wstring& text, bool narrow) {
    // Text without tags is a description.
    const std::wstring tagged = FindNextTag(text, 0) < 0 && !text.empty() ? L"[D]" + text : text;
    std::wstring result;
    int position = 0;
    while (static_cast<size_t>(position) < tagged.size()) {
        const int tagAt = FindNextTag(tagged, position);
        if (tagAt < 0) break;
        const std::wstring tag = tagged.substr(static_cast<size_t>(tagAt), kTagLength);
        const int before = position;
        const std::wstring segment = ParseTipText(tagged, tag.c_str(), position);
        if (!segment.empty()) result += tag + FormatText(segment, narrow);
        if (position <= before) position = tagAt + kTagLength;  // always move on
    }
    return result;
}

std::wstring CWinToolTipText::FormatText(const std::wstring& segment, bool narrow) {
    const size_t width = static_cast<size_t>(WrapWidth(narrow));
    std::wstring rest = segment;
    std::wstring result;
    while (rest.size() > width) {
        const long n = rest.find(L'\n') == std::wstring::npos ? -1 : static_cast<long>(rest.find(L'\n'));
        long b = -1;  // no break chosen: a newline within the width ends the line
        bool cut = false;
        if (n < 0 || n > static_cast<long>(width)) {
            const size_t lastSpace = rest.rfind(L' ', width - 1);
            const long s = lastSpace == std::wstring::npos ? -1 : static_cast<long>(lastSpace);
            if (!narrow || n >= 0) {
                const size_t firstSpace = rest.find(L' ', width);
                const long f = firstSpace == std::wstring::npos ? -1 : static_cast<long>(firstSpace);
                const long w = static_cast<long>(width);
                b = w - s < f - w ? s : f;
            } else {
                const long w = static_cast<long>(width);
                b = s >= 1 && w - s <= 4 ? s : w;
                cut = true;
            }
        }
        long p;
        if (n >= 1 && b >= 1) p = n < b ? n : b;
        else if (n < 0 && b > 0) p = b;
        else p = n;
        if (p < 0) break;
        result.append(rest, 0, static_cast<size_t>(p));
        result += L'\n';
        // The newline or the space at the break is dropped; the narrow
        // rule drops nothing.
        rest.erase(0, static_cast<size_t>(p) + (cut ? 0 : 1));
    }
    result += rest;
    while (!result.empty() && (result.back() == L'\n' || result.back() == L' ')) result.pop_back();
    return result;
}

int CWinToolTipText::CountStrPattern(const wchar_t* text, const wchar_t* pattern) {
    if (!text || !pattern || !*pattern) return 0;
    int count = 0;
    for (const wchar_t* found = std::wcsstr(text, pattern); found; found = std::wcsstr(found + 1, pattern)) ++count;
    return count;
}

CWinToolTipText::Parts CWinToolTipText::Split(const std::wstring& formatted) {
    Parts parts;
    int position = 0;
    parts.heading = ParseTipText(formatted, L"[H]", position);
    position = 0;
    parts.title = ParseTipText(formatted, L"[T]", position);
    position = 0;
    for (;;) {
        const int before = position;
        std::wstring sub = ParseTipText(formatted, L"[S]", position);
        std::wstring description = ParseTipText(formatted, L"[D]", position);
        if (position == before && sub.empty() && description.empty()) break;
        parts.pairs.emplace_back(std::move(sub), std::move(description));
    }
    return parts;
}

CWinToolTipText::Placement CWinToolTipText::Place(DWORD shape, POINT anchor, int width, int height) {
    Placement placement;
    placement.stemLeft = anchor.x <= width + 10;
    placement.stemBottom = height + 8 < anchor.y;
    placement.width = width;
    placement.height = shape == 1 ? height + kStem : height;
    placement.left = placement.stemLeft ? anchor.x - 10 : anchor.x - width + 10;
    if (shape == 1)
        placement.top = placement.stemBottom ? anchor.y - placement.height + 8 : anchor.y - 8;
    else
        placement.top = placement.stemBottom ? anchor.y - placement.height : anchor.y + 8;
    return placement;
}

CWinToolTipText::Stem CWinToolTipText::BalloonStem(const Placement& placement) {
    Stem stem;
    const int bodyHeight = placement.height - kStem;
    const LONG x = placement.stemLeft ? 10 : placement.width - 10;
    const LONG y = placement.stemBottom ? bodyHeight - 8 : 33;
    stem.points[0] = {x, y};
    stem.points[1] = {x, placement.stemBottom ? y + kStem : y - kStem};
    stem.points[2] = {placement.stemLeft ? x + kStem : x - kStem, y};
    stem.bodyTop = placement.stemBottom ? 0 : kStem;
    return stem;
}
