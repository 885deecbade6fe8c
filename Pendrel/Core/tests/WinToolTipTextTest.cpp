#include <gtest/gtest.h>

#include <string>

#include "Pendrel/Core/WinToolTipText.h"

namespace {

std::wstring Repeat(wchar_t ch, int count) {
    return std::wstring(static_cast<size_t>(count), ch);
}

TEST(WinToolTipText, WrapsAtTheNearerSpaceOrNewline) {
    const struct {
        const char* name;
        std::wstring text;
        bool narrow;
        std::wstring wrapped;
    } cases[] = {
        {"short text stays", L"Imports a vocabulary list.", false, L"Imports a vocabulary list."},
        {"last space before the width is nearer",
         Repeat(L'a', 78) + L" " + Repeat(L'b', 6) + L" " + Repeat(L'c', 14), false,
         Repeat(L'a', 78) + L"\n" + Repeat(L'b', 6) + L" " + Repeat(L'c', 14)},
        {"first space after the width is nearer",
         Repeat(L'a', 70) + L" " + Repeat(L'b', 10) + L" " + Repeat(L'c', 18), false,
         Repeat(L'a', 70) + L" " + Repeat(L'b', 10) + L"\n" + Repeat(L'c', 18)},
        {"a tie goes to the later space",
         Repeat(L'a', 75) + L" " + Repeat(L'b', 9) + L" " + Repeat(L'c', 14), false,
         Repeat(L'a', 75) + L" " + Repeat(L'b', 9) + L"\n" + Repeat(L'c', 14)},
        {"no space after the width leaves the rest", Repeat(L'a', 70) + L" " + Repeat(L'b', 29), false,
         Repeat(L'a', 70) + L" " + Repeat(L'b', 29)},
        {"no spaces at all", Repeat(L'x', 100), false, Repeat(L'x', 100)},
        {"a newline within the width ends the line", Repeat(L'a', 10) + L"\n" + Repeat(L'b', 85), false,
         Repeat(L'a', 10) + L"\n" + Repeat(L'b', 85)},
        {"a newline first gives an empty line", L"\n" + Repeat(L'b', 85), false, L"\n" + Repeat(L'b', 85)},
        {"several lines", Repeat(L'a', 79) + L" " + Repeat(L'b', 79) + L" " + Repeat(L'c', 79) + L" d", false,
         Repeat(L'a', 79) + L"\n" + Repeat(L'b', 79) + L"\n" + Repeat(L'c', 79) + L" d"},
        {"trailing newlines and spaces go", L"abc \n\n ", false, L"abc"},
        {"narrow: text without spaces is cut every 45", Repeat(L'x', 100), true,
         Repeat(L'x', 45) + L"\n" + Repeat(L'x', 45) + L"\n" + Repeat(L'x', 10)},
        {"narrow: a far space is no break", Repeat(L'a', 30) + L" " + Repeat(L'b', 60), true,
         Repeat(L'a', 30) + L" " + Repeat(L'b', 14) + L"\n" + Repeat(L'b', 45) + L"\n" + Repeat(L'b', 1)},
        {"narrow: a space within 4 of the width breaks there", Repeat(L'a', 42) + L" " + Repeat(L'b', 20), true,
         Repeat(L'a', 42) + L"\n " + Repeat(L'b', 20)},
        {"narrow with a newline uses spaces",
         Repeat(L'a', 30) + L" " + Repeat(L'b', 14) + L" " + Repeat(L'c', 5) + L"\nd", true,
         Repeat(L'a', 30) + L" " + Repeat(L'b', 14) + L"\n" + Repeat(L'c', 5) + L"\nd"},
    };
    for (const auto& c : cases) EXPECT_EQ(CWinToolTipText::FormatText(c.text, c.narrow), c.wrapped) << c.name;
}

TEST(WinToolTipText, TagsSplitTheTextIntoSegments) {
    const struct {
        const char* name;
        std::wstring text;
        std::wstring formatted;
    } cases[] = {
        {"heading and description", L"[H]Import[D]Imports a vocabulary list from file.",
         L"[H]Import[D]Imports a vocabulary list from file."},
        {"text before the first tag is dropped", L"lead[T]title", L"[T]title"},
        {"text without tags is a description", L"Just a hint", L"[D]Just a hint"},
        {"other brackets stay text", L"[H]a [b] c[D]x[y]", L"[H]a [b] c[D]x[y]"},
        {"empty segments are dropped", L"[H][D]x[S]", L"[D]x"},
        {"segments are wrapped", L"[D]" + Repeat(L'x', 79) + L" yyyyy z[S]s",
         L"[D]" + Repeat(L'x', 79) + L"\nyyyyy z[S]s"},
        {"empty text", L"", L""},
    };
    for (const auto& c : cases) EXPECT_EQ(CWinToolTipText::FormatTipText(c.text, false), c.formatted) << c.name;

    const CWinToolTipText::Parts parts = CWinToolTipText::Split(L"[H]h[T]t[S]s1[D]d1[S]s2[D]d2");
    EXPECT_EQ(parts.heading, L"h");
    EXPECT_EQ(parts.title, L"t");
    ASSERT_EQ(parts.pairs.size(), 2u);
    EXPECT_EQ(parts.pairs[0], std::make_pair(std::wstring(L"s1"), std::wstring(L"d1")));
    EXPECT_EQ(parts.pairs[1], std::make_pair(std::wstring(L"s2"), std::wstring(L"d2")));
    const CWinToolTipText::Parts onlyDescription = CWinToolTipText::Split(L"[D]d");
    EXPECT_TRUE(onlyDescription.heading.empty());
    ASSERT_EQ(onlyDescription.pairs.size(), 1u);
    EXPECT_EQ(onlyDescription.pairs[0].second, L"d");

    int position = 0;
    EXPECT_EQ(CWinToolTipText::ParseTipText(L"[H][D]x", L"[H]", position), L"");
    EXPECT_EQ(position, 3);
    EXPECT_EQ(CWinToolTipText::ParseTipText(L"[H][D]x", L"[T]", position), L"");
    EXPECT_EQ(position, 3);
}

TEST(WinToolTipText, CountsOverlappingPatternsAndNarrowLanguages) {
    EXPECT_EQ(CWinToolTipText::CountStrPattern(L"aaa", L"aa"), 2);
    EXPECT_EQ(CWinToolTipText::CountStrPattern(L"[S]a[S]b[D]", L"[S]"), 2);
    EXPECT_EQ(CWinToolTipText::CountStrPattern(L"abc", L"x"), 0);
    EXPECT_EQ(CWinToolTipText::CountStrPattern(L"abc", L""), 0);
    EXPECT_EQ(CWinToolTipText::CountStrPattern(nullptr, L"a"), 0);
    EXPECT_TRUE(CWinToolTipText::IsNarrowLanguage(L"jpn"));
    EXPECT_TRUE(CWinToolTipText::IsNarrowLanguage(L"CHT"));
    EXPECT_FALSE(CWinToolTipText::IsNarrowLanguage(L"ENG"));
    EXPECT_FALSE(CWinToolTipText::IsNarrowLanguage(nullptr));
}

// The balloon's stem tip lands on the anchor whichever way it turns.
TEST(WinToolTipText, BalloonTurnsAwayFromTheTopLeftCorner) {
    const struct {
        POINT anchor;
        bool stemLeft;
        bool stemBottom;
    } cases[] = {{{5, 5}, true, false}, {{500, 500}, false, true}, {{50, 500}, true, true}, {{500, 20}, false, false}};
    for (const auto& c : cases) {
        const auto placement = CWinToolTipText::Place(1, c.anchor, 100, 50);
        EXPECT_EQ(placement.stemLeft, c.stemLeft) << c.anchor.x << "," << c.anchor.y;
        EXPECT_EQ(placement.stemBottom, c.stemBottom) << c.anchor.x << "," << c.anchor.y;
        EXPECT_EQ(placement.height, 75);
        const auto stem = CWinToolTipText::BalloonStem(placement);
        EXPECT_EQ(placement.left + stem.points[1].x, c.anchor.x);
        EXPECT_EQ(placement.top + stem.points[1].y, c.anchor.y);
        EXPECT_EQ(stem.bodyTop, c.stemBottom ? 0 : 25);
    }
    // Near the corner the tip lies below and right of the cursor.
    const auto corner = CWinToolTipText::Place(4, POINT{5, 5}, 100, 50);
    EXPECT_EQ(corner.left, -5);
    EXPECT_EQ(corner.top, 13);
    const auto middle = CWinToolTipText::Place(2, POINT{500, 500}, 100, 50);
    EXPECT_EQ(middle.left, 410);
    EXPECT_EQ(middle.top, 450);
}

} // namespace
