#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "Pendrel/Core/HyperlinkLayout.h"

namespace {

// A fixed grid: 6 pixels a character (7 in bold), lines |height| + 4 high.
class GridMeasure : public CHyperlinkMeasure {
public:
    void SelectFont(const LOGFONTW& font) override { m_font = font; }
    int TextWidth(const std::wstring& text) override {
        return static_cast<int>(text.size()) * (m_font.lfWeight >= 700 ? 7 : 6);
    }
    int Ascent() override { return std::abs(m_font.lfHeight); }
    int Descent() override { return 4; }
    int Height() override { return Ascent() + Descent(); }

private:
    LOGFONTW m_font{};
};

LOGFONTW BaseFont() {
    LOGFONTW font{};
    font.lfHeight = -12;
    font.lfWeight = 400;
    return font;
}

struct LaidRun {
    std::wstring text;
    LONG left;
    LONG top;
    bool operator==(const LaidRun& other) const {
        return text == other.text && left == other.left && top == other.top;
    }
};

void PrintTo(const LaidRun& run, std::ostream* out) {
    *out << "{\"" << std::string(run.text.begin(), run.text.end()) << "\", " << run.left << ", " << run.top << "}";
}

HyperlinkDisplay Lay(const std::wstring& text, LONG right = 200, LONG bottom = 100, int leftMargin = 0,
                     int rightMargin = 0) {
    GridMeasure measure;
    CHyperlinkLayout layout;
    return layout.Layout(text, RECT{0, 0, right, bottom}, leftMargin, rightMargin, BaseFont(), RGB(0, 0, 0),
                         RGB(255, 255, 255), measure);
}

std::vector<LaidRun> Runs(const HyperlinkDisplay& display) {
    std::vector<LaidRun> runs;
    for (const HyperlinkRun& run : display.runs) runs.push_back({run.text, run.cell.left, run.cell.top});
    return runs;
}

TEST(HyperlinkLayout, MarkupBecomesRuns) {
    const struct {
        const char* name;
        std::wstring text;
        LONG right;
        LONG bottom;
        std::vector<LaidRun> runs;
    } cases[] = {
        {"bold in the middle", L"a<B>b</B>c", 200, 100, {{L"a", 0, 0}, {L"b", 6, 0}, {L"c", 13, 0}}},
        {"a stray close tag changes nothing", L"</B>a</b>b", 200, 100, {{L"a", 0, 0}, {L"b", 6, 0}}},
        {"a lone < is text", L"x < y", 200, 100, {{L"x ", 0, 0}, {L"<", 12, 0}, {L" y", 18, 0}}},
        {"an unknown tag is text", L"<P>", 200, 100, {{L"<", 0, 0}, {L"P>", 6, 0}}},
        {"entities in table order", L"&amp;lt; &copy;", 200, 100, {{L"&lt; \u00A9", 0, 0}}},
        {"unknown entity stays", L"&foo;", 200, 100, {{L"&foo;", 0, 0}}},
        {"a non-breaking space keeps words together", L"xxxx A&nbsp;B", 50, 100,
         {{L"xxxx ", 0, 0}, {L"A B", 0, 16}}},
        {"an over-long word stands alone", L"ab verylongwordhere cd", 50, 100,
         {{L"ab ", 0, 0}, {L"verylongwordhere ", 0, 16}, {L"cd", 0, 32}}},
        {"line breaks", L"a<br>b<BR>c", 200, 100,
         {{L"a", 0, 0}, {L" ", 6, 0}, {L"b", 0, 16}, {L" ", 6, 16}, {L"c", 0, 32}}},
        {"source newlines end lines", L"one\r\ntwo", 200, 100, {{L"one ", 0, 0}, {L"two", 0, 16}}},
        {"nothing below the client area", L"a<BR>b<BR>c", 200, 40,
         {{L"a", 0, 0}, {L" ", 6, 0}, {L"b", 0, 16}, {L" ", 6, 16}}},
        {"centred", L"<CENTER>ab</CENTER>c", 200, 100, {{L"ab", 94, 0}, {L"c", 106, 0}}},
        {"subscript and superscript", L"a<SUB>b</SUB><SUP>c</SUP>", 200, 100,
         {{L"a", 0, 0}, {L"b", 6, 6}, {L"c", 12, -6}}},
        {"unclosed tags are text", L"a<FONT COLOR", 200, 100, {{L"a", 0, 0}, {L"<", 6, 0}, {L"FONT COLOR", 12, 0}}},
        {"unclosed link and rule", L"<A HREF=x <HR", 200, 100,
         {{L"<", 0, 0}, {L"A HREF=x ", 6, 0}, {L"<", 60, 0}, {L"HR", 66, 0}}},
        {"leading blanks of a line go", L"<BR>   a", 200, 100, {{L" ", 0, 0}, {L"a", 0, 16}}},
    };
    for (const auto& c : cases) EXPECT_EQ(Runs(Lay(c.text, c.right, c.bottom)), c.runs) << c.name;
}

TEST(HyperlinkLayout, FontsAndColoursFollowTheTags) {
    const HyperlinkDisplay display =
        Lay(L"<FONT COLOR=\"Red\" BGCOLOR=\"#0000FF\" SIZE=\"2\" FACE=\"Serif\">a<B><I><U><STRIKE>b</FONT>c"
            L"</STRIKE></U></I></B><BIG><BIG>d</BIG><SMALL>e<CODE>f</CODE>g");
    ASSERT_EQ(display.runs.size(), 7u);
    const HyperlinkRun& a = display.runs[0];
    EXPECT_EQ(a.textColor, RGB(255, 0, 0));
    EXPECT_EQ(a.backColor, RGB(0, 0, 255));
    EXPECT_EQ(a.font.lfHeight, -14);
    EXPECT_EQ(std::wstring(a.font.lfFaceName), L"Serif");
    const HyperlinkRun& b = display.runs[1];
    EXPECT_EQ(b.font.lfWeight, 700);
    EXPECT_TRUE(b.font.lfItalic && b.font.lfUnderline && b.font.lfStrikeOut);
    EXPECT_EQ(b.textColor, RGB(255, 0, 0));
    // </FONT> restores colours, height and face, and moves the line down by
    // the descent after a SIZE.
    const HyperlinkRun& c = display.runs[2];
    EXPECT_EQ(c.textColor, RGB(0, 0, 0));
    EXPECT_EQ(c.backColor, RGB(255, 255, 255));
    EXPECT_EQ(c.font.lfHeight, -12);
    EXPECT_EQ(std::wstring(c.font.lfFaceName), L"");
    EXPECT_EQ(c.font.lfWeight, 700);
    EXPECT_EQ(c.cell.top, 4);
    EXPECT_EQ(display.runs[3].font.lfHeight, -14);  // two BIG
    EXPECT_EQ(display.runs[3].font.lfWeight, 400);
    EXPECT_EQ(display.runs[4].font.lfHeight, -12);  // back one, one SMALL
    EXPECT_EQ(std::wstring(display.runs[5].font.lfFaceName), L"Courier New");
    EXPECT_EQ(std::wstring(display.runs[6].font.lfFaceName), L"");
    EXPECT_EQ(display.runs[6].font.lfHeight, -12);  // </CODE> goes back to the font at the start
}

TEST(HyperlinkLayout, RulesSpanTheClientWidthMarginsIncluded) {
    const HyperlinkDisplay display = Lay(L"ab<HR SIZE=4>cd<hr>e", 200, 100, 5, 5);
    EXPECT_EQ(Runs(display), (std::vector<LaidRun>{{L"ab", 5, 0}, {L" ", 17, 0}, {L"cd", 5, 20}, {L" ", 17, 20}, {L"e", 5, 40}}));
    ASSERT_EQ(display.rules.size(), 2u);
    EXPECT_EQ(display.rules[0].rect.left, 0);
    EXPECT_EQ(display.rules[0].rect.right, 200);
    EXPECT_EQ(display.rules[0].rect.top, 16);
    EXPECT_EQ(display.rules[0].rect.bottom, 20);
    // The thickness stays for later rules of the same layout.
    EXPECT_EQ(display.rules[1].rect.bottom - display.rules[1].rect.top, 4);
    // The margins hold for every line.
    for (const LaidRun& run : Runs(Lay(L"aaaa bbbb cccc", 80, 100, 10, 10)))
        EXPECT_EQ(run.left, 10) << std::string(run.text.begin(), run.text.end());
}

TEST(HyperlinkLayout, LinksGetARectanglePerLineAndTheirAddressAsWritten) {
    const HyperlinkDisplay wrapped = Lay(L"go <A HREF=\"http://x/?a=1&amp;b=2\">aaaa bbbb cccc</A> end", 50);
    ASSERT_EQ(wrapped.links.size(), 3u);
    const RECT expected[] = {{18, 0, 48, 16}, {0, 16, 30, 32}, {0, 32, 24, 48}};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(wrapped.links[i].address, L"http://x/?a=1&amp;b=2");
        EXPECT_EQ(wrapped.links[i].rect.left, expected[i].left) << i;
        EXPECT_EQ(wrapped.links[i].rect.top, expected[i].top) << i;
        EXPECT_EQ(wrapped.links[i].rect.right, expected[i].right) << i;
        EXPECT_EQ(wrapped.links[i].rect.bottom, expected[i].bottom) << i;
    }
    const struct {
        std::wstring text;
        std::wstring address;
    } addresses[] = {
        {L"<a href=\"APP:open\">x</a>", L"APP:open"},
        {L"<A HREF=http://y>x</A>", L"http://y"},
        {L"<A HREF=\">x</A>", L""},
        {L"<A HREF=>x</A>", L""},
        {L"<A HREF=  \"q\"  >x</A>", L"q"},
    };
    for (const auto& a : addresses) {
        const HyperlinkDisplay display = Lay(a.text);
        ASSERT_EQ(display.links.size(), 1u) << std::string(a.text.begin(), a.text.end());
        EXPECT_EQ(display.links[0].address, a.address);
        EXPECT_EQ(Runs(display), (std::vector<LaidRun>{{L"x", 0, 0}}));
    }
}

TEST(HyperlinkLayout, StateCarriesOverUntilReset) {
    GridMeasure measure;
    CHyperlinkLayout layout;
    const RECT client{0, 0, 200, 100};
    layout.Layout(L"<B>open", client, 0, 0, BaseFont(), 0, 0, measure);
    EXPECT_EQ(layout.Layout(L"x", client, 0, 0, BaseFont(), 0, 0, measure).runs[0].font.lfWeight, 700);
    layout.Reset();
    EXPECT_EQ(layout.Layout(L"x", client, 0, 0, BaseFont(), 0, 0, measure).runs[0].font.lfWeight, 400);
}

} // namespace
