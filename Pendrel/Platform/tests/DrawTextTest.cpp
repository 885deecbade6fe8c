#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QPainter>

#include <string>
#include <vector>

#include "Pendrel/Platform/KVXDrawText.h"
#include "Pendrel/Platform/KVXTextLayout.h"
#include "PlatformTestSupport.h"

using kvxplatformtest::Filled;
using kvxplatformtest::InkBox;
using kvxplatformtest::TestFont;

namespace {

struct LayoutCase {
    const char* name;
    QString text;
    UINT format;
    QString widthOf;  // the width is this text's width; null: no limit
    std::vector<QString> lines;
    std::vector<std::vector<int>> underlines;
};

TEST(TextLayout, LinesPrefixesWrapsAndEllipses) {
    const QFontMetrics metrics(TestFont());
    const LayoutCase cases[] = {
        {"prefix underlines", "&File", 0, {}, {"File"}, {{0}}},
        {"double prefix", "a&&b&c", 0, {}, {"a&bc"}, {{3}}},
        {"no prefix", "a&&b", DT_NOPREFIX, {}, {"a&&b"}, {{}}},
        {"lone prefix at the end", "x&", 0, {}, {"x"}, {{}}},
        {"line breaks", "one\r\ntwo\nthree\rfour", 0, {}, {"one", "two", "three", "four"}, {{}, {}, {}, {}}},
        {"empty lines", "a\n\nb", 0, {}, {"a", "", "b"}, {{}, {}, {}}},
        {"single line", "one\r\ntwo\nt&hree", DT_SINGLELINE, {}, {"one two three"}, {{9}}},
        {"wrap at spaces", "alpha beta gamma", DT_WORDBREAK, "alpha beta", {"alpha beta", "gamma"}, {{}, {}}},
        {"spaces at a wrap go", "alpha    beta", DT_WORDBREAK, "alpha", {"alpha", "beta"}, {{}, {}}},
        {"a long word keeps its line", "a verylongword b", DT_WORDBREAK, "a b", {"a", "verylongword", "b"},
         {{}, {}, {}}},
        {"leading spaces stay", "  a", DT_WORDBREAK, "  a", {"  a"}, {{}}},
        {"no wrap without the flag", "alpha beta", 0, "alpha", {"alpha beta"}, {{}}},
        {"wrap keeps underlines", "alpha &beta", DT_WORDBREAK, "alpha", {"alpha", "beta"}, {{}, {0}}},
    };
    for (const LayoutCase& c : cases) {
        const int width = c.widthOf.isNull() ? -1 : metrics.horizontalAdvance(c.widthOf);
        const CKVXTextLayout layout(metrics, c.text, c.format, width);
        ASSERT_EQ(layout.Lines().size(), c.lines.size()) << c.name;
        for (size_t i = 0; i < c.lines.size(); ++i) {
            EXPECT_EQ(layout.Lines()[i].text, c.lines[i]) << c.name << " line " << i;
            EXPECT_EQ(layout.Lines()[i].underline, c.underlines[i]) << c.name << " line " << i;
            EXPECT_EQ(layout.Lines()[i].width, metrics.horizontalAdvance(c.lines[i])) << c.name;
        }
        EXPECT_EQ(layout.Height(), static_cast<int>(c.lines.size()) * metrics.height()) << c.name;
    }
}

TEST(TextLayout, AnEllipsisEndsALineThatIsTooWide) {
    const QFontMetrics metrics(TestFont());
    const int width = metrics.horizontalAdvance(QStringLiteral("abcdef"));
    const CKVXTextLayout cut(metrics, QStringLiteral("abcdefghijkl&m"), DT_END_ELLIPSIS, width);
    ASSERT_EQ(cut.Lines().size(), 1u);
    EXPECT_TRUE(cut.Lines()[0].text.startsWith(QStringLiteral("abc")));
    EXPECT_EQ(cut.Lines()[0].text.back(), QChar(0x2026));
    EXPECT_LE(cut.Lines()[0].width, width);
    EXPECT_TRUE(cut.Lines()[0].underline.empty());
    const CKVXTextLayout fits(metrics, QStringLiteral("abc"), DT_END_ELLIPSIS, width);
    EXPECT_EQ(fits.Lines()[0].text, QStringLiteral("abc"));
}

class DrawTextTest : public ::testing::Test {
protected:
    // Draws black text on a white 200 x 100 image into rect.
    int Draw(const wchar_t* text, RECT rect, UINT format) {
        image = Filled(200, 100, Qt::white);
        QPainter painter(&image);
        painter.setFont(TestFont());
        painter.setPen(Qt::black);
        return DrawText(painter, text, -1, &rect, format);
    }
    QRect Ink() const { return InkBox(image, qRgb(255, 255, 255)); }

    QFontMetrics metrics{TestFont()};
    QImage image;
};

TEST_F(DrawTextTest, CalcRectMeasuresWithoutDrawing) {
    QImage canvas = Filled(10, 10, Qt::white);
    QPainter painter(&canvas);
    painter.setFont(TestFont());
    RECT rect{5, 7, 500, 8};
    const int height = DrawText(painter, L"Hello\nwide world", -1, &rect, DT_CALCRECT);
    EXPECT_EQ(height, 2 * metrics.height());
    EXPECT_EQ(rect.left, 5);
    EXPECT_EQ(rect.right, 5 + metrics.horizontalAdvance(QStringLiteral("wide world")));
    EXPECT_EQ(rect.bottom, 7 + height);
    painter.end();
    EXPECT_TRUE(InkBox(canvas, qRgb(255, 255, 255)).isEmpty());
}

TEST_F(DrawTextTest, VerticalCentringOnlyForASingleLine) {
    const int h = metrics.height();
    EXPECT_EQ(Draw(L"Mg", RECT{0, 0, 200, 100}, DT_SINGLELINE | DT_VCENTER), (100 - h) / 2 + h);
    EXPECT_GE(Ink().top(), (100 - h) / 2);
    EXPECT_EQ(Draw(L"Mg", RECT{0, 0, 200, 100}, DT_SINGLELINE | DT_BOTTOM), 100);
    EXPECT_GE(Ink().top(), 100 - h);
    EXPECT_EQ(Draw(L"Mg", RECT{0, 0, 200, 100}, DT_VCENTER), h);
    EXPECT_LT(Ink().bottom(), h);
}

TEST_F(DrawTextTest, AlignmentAndClipping) {
    const int width = metrics.horizontalAdvance(QStringLiteral("Mg"));
    Draw(L"Mg", RECT{10, 0, 110, 20}, DT_RIGHT);
    EXPECT_LE(Ink().right(), 109);
    EXPECT_GE(Ink().left(), 110 - width);
    Draw(L"Mg", RECT{10, 0, 110, 20}, DT_CENTER);
    EXPECT_GE(Ink().left(), 10 + (100 - width) / 2);
    EXPECT_LE(Ink().right(), 10 + (100 + width) / 2);

    Draw(L"MMMMMMMMMM", RECT{10, 10, 30, 30}, DT_LEFT);
    EXPECT_TRUE(QRect(10, 10, 20, 20).contains(Ink()));
    Draw(L"MMMMMMMMMM", RECT{10, 10, 30, 30}, DT_LEFT | DT_NOCLIP);
    EXPECT_GT(Ink().right(), 30);
}

TEST_F(DrawTextTest, APrefixUnderlinesItsCharacter) {
    Draw(L"x", RECT{0, 0, 200, 100}, 0);
    const QRect plain = Ink();
    Draw(L"&x", RECT{0, 0, 200, 100}, 0);
    const QRect underlined = Ink();
    EXPECT_EQ(underlined.left(), plain.left());
    EXPECT_GT(underlined.bottom(), plain.bottom());
    Draw(L"&x", RECT{0, 0, 200, 100}, DT_NOPREFIX);
    EXPECT_GT(Ink().width(), plain.width());
}

TEST_F(DrawTextTest, AnOpaqueBackgroundFillsTheLineBox) {
    image = Filled(200, 100, Qt::white);
    QPainter painter(&image);
    painter.setFont(TestFont());
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(QColor(Qt::red));
    RECT rect{0, 0, 200, 100};
    DrawText(painter, L"Mg", -1, &rect, 0);
    painter.end();
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(metrics.horizontalAdvance(QStringLiteral("Mg")) + 1, 0), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(0, metrics.height() + 1), qRgb(255, 255, 255));
}

TEST_F(DrawTextTest, NullArgumentsDrawNothing) {
    image = Filled(10, 10, Qt::white);
    QPainter painter(&image);
    RECT rect{0, 0, 10, 10};
    EXPECT_EQ(DrawText(painter, nullptr, -1, &rect, 0), 0);
    EXPECT_EQ(DrawText(painter, L"x", -1, nullptr, 0), 0);
}

} // namespace
