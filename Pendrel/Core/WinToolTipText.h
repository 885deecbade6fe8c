#pragma once
// The tooltip's text rules, apart from any window: the tag language, the
// wrapping of long paragraphs and where the tip goes on the screen.
//
// A tip text is a sequence of segments, each introduced by one of the four
// tags "[H]" heading, "[T]" title, "[S]" sub-heading and "[D]"
// description; a segment runs to the next tag or the end of the text. Only
// these four are tags: any other bracket is text. Text before the first
// tag is dropped; a text without any tag is one description.

#include <string>
#include <vector>

#include "compat/WinTypes.h"

class CWinToolTipText {
public:
    // The tags in the order of the tooltip's tag table.
    static const wchar_t* const kTags[4];

    // Characters per line: 45 under a Japanese or Chinese user interface
    // (language code "JPN", "CHS" or "CHT", any case), else 80.
    static bool IsNarrowLanguage(const wchar_t* languageCode);
    static int WrapWidth(bool narrow) { return narrow ? 45 : 80; }

    // The position of the first tag at or after start, or -1.
    static int FindNextTag(const std::wstring& text, int start);

    // The segment of the first occurrence of tag at or after position:
    // - none (or an empty text): "" and the position stays;
    // - another tag right after it: "" and the position moves past it;
    // - a later tag: the text up to it, the position on that tag;
    // - else the rest, the position at the text's end.
    static std::wstring ParseTipText(const std::wstring& text, const wchar_t* tag, int& position);

    // Every non-empty segment wrapped (FormatText) behind its tag.
    static std::wstring FormatTipText(const std::wstring& text, bool narrow);

    // Wraps a segment to WrapWidth(narrow) characters per line:
    // - a newline within the width ends the line there (and is dropped);
    // - otherwise the break goes to the nearer of the last space before
    //   the width and the first space at or after it (ties to the later;
    //   the space is dropped); when no space follows the width the rest
    //   stays unwrapped;
    // - narrow, in a segment without newlines: at the last space when it
    //   lies within 4 characters of the width, else the line is cut at the
    //   width;
    // - a segment that gives no place to break stays as it is.
    // Trailing newlines and spaces are trimmed.
    static std::wstring FormatText(const std::wstring& segment, bool narrow);

    // The number of places where pattern occurs in text, overlapping finds
    // included ("aaa" holds "aa" twice). 0 for null or empty arguments.
    static int CountStrPattern(const wchar_t* text, const wchar_t* pattern);

    // The parts of a formatted text as the tip draws them: the heading, the
    // title, then sub-headings and descriptions taken alternately.
    struct Parts {
        std::wstring heading;
        std::wstring title;
        std::vector<std::pair<std::wstring, std::wstring>> pairs;  // sub-heading, description
    };
    static Parts Split(const std::wstring& formatted);

    // Where the tip window goes for a content of width x height pixels
    // (padding included) pointing at anchor (screen): the stem sits near
    // the left edge when the anchor is within width + 10 of the screen's
    // left edge, and points down when the tip fits above the anchor.
    // Shapes: 1 balloon (the window is 25 pixels taller for the stem),
    // 2 rounded rectangle, 4 rectangle.
    struct Placement {
        bool stemLeft = true;
        bool stemBottom = true;
        int left = 0;
        int top = 0;
        int width = 0;   // of the window
        int height = 0;
    };
    static Placement Place(DWORD shape, POINT anchor, int width, int height);

    // The balloon's stem: base point, tip point and third point in window
    // coordinates, and the top of its body (0 or 25).
    struct Stem {
        POINT points[3];
        int bodyTop = 0;
    };
    static Stem BalloonStem(const Placement& placement);
};
