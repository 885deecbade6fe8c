#include <gtest/gtest.h>

#include "Pendrel/Image/KVXImage.h"
#include "Pendrel/Pendrel.h"
#include "Pendrel/Platform/KVXImageConversion.h"
#include "utility/tests/ReportCapture.h"

namespace {

class PendrelModule : public ReportCapture {};

TEST_F(PendrelModule, ThePngPicturesOfTheLibraryLoad) {
    struct Case {
        UINT id;
        DWORD width, height;
    } cases[] = {{401, 48, 16}, {424, 64, 64}, {427, 60, 60}, {428, 400, 60}};
    for (const Case& c : cases) {
        CKVXImage image;
        ASSERT_TRUE(KVXLoadPng(KVXGetInstance(), c.id, image)) << c.id << ": " << image.GetLastError();
        EXPECT_EQ(image.GetWidth(), c.width) << c.id;
        EXPECT_EQ(image.GetHeight(), c.height) << c.id;
        EXPECT_EQ(image.GetType(), static_cast<DWORD>(CKVXImage::ImageTypePng)) << c.id;
    }
    EXPECT_TRUE(AssertionLines().empty());
}

// Every picture and icon that a dialog of the two programs asks for is in
// the library: none of them reports an assertion when it is loaded.
TEST_F(PendrelModule, EveryPictureAndIconTheProgramsNameLoads) {
    struct Png {
        UINT id;
        DWORD size;
    };
    // The status pictures 24 pixels, the buttons' pictures 20.
    std::vector<Png> pngs = {{404, 24}, {412, 24}, {413, 24}, {414, 24}, {415, 24}, {416, 24}, {417, 24},
                             {422, 32}, {424, 64}, {425, 64}, {426, 32}, {427, 60}, {423, 20}};
    for (UINT id : {405, 406, 407, 408, 409, 410, 411, 418, 419, 420, 421}) pngs.push_back({id, 20});
    for (const Png& png : pngs) {
        CKVXImage image;
        ASSERT_TRUE(KVXLoadPng(KVXGetInstance(), png.id, image)) << png.id << ": " << image.GetLastError();
        EXPECT_EQ(image.GetWidth(), png.size) << png.id;
        EXPECT_EQ(image.GetHeight(), png.size) << png.id;
        EXPECT_TRUE(image.AlphaIsValid()) << png.id;
    }
    const UINT icons[] = {300, 301, 302, 303, 304, 305, 306, 307, 316, 317, 318, 319, 320, 321, 322, 326,
                          335, 336, 337, 343, 344, 345, 346, 347, 352, 353, 354, 355, 356, 357, 358, 359,
                          360, 361, 364, 365, 366, 367};
    for (UINT id : icons) {
        for (int size : {16, 24}) {
            HICON icon = KVXLoadIcon(KVXGetInstance(), id, size, LOAD_ICON_DEFAULT_COLORS);
            ASSERT_NE(icon, nullptr) << id;
            CKVXImage image;
            ASSERT_TRUE(image.CreateFromHICON(icon)) << id;
            EXPECT_EQ(image.GetWidth(), static_cast<DWORD>(size)) << id;
            delete icon;
        }
    }
    EXPECT_TRUE(AssertionLines().empty());
}

TEST_F(PendrelModule, AMissingPngFailsAndLeavesTheImageAsItWas) {
    CKVXImage image(5, 3, 24);
    image.SetPixelColor(1, 1, RGBQUAD{1, 2, 3, 0});
    EXPECT_FALSE(KVXLoadPng(KVXGetInstance(), 999, image));
    EXPECT_EQ(image.GetWidth(), 5u);
    EXPECT_EQ(image.GetPixelColor(1, 1, false).rgbRed, 3);
    EXPECT_EQ(AssertionLines(), std::vector<int>{160});
}

TEST_F(PendrelModule, IconsLoadAtTheSystemSizeOrTheAskedOne) {
    struct Case {
        int size;
        LOAD_ICON_TYPE type;
        int pixels;
    } cases[] = {{0, LOAD_ICON_MONOCHROME, 32}, {16, LOAD_ICON_DEFAULT_COLORS, 16}, {24, LOAD_ICON_VGA_COLORS, 24}};
    for (const Case& c : cases) {
        HICON icon = KVXLoadIcon(KVXGetInstance(), 337, c.size, c.type);
        ASSERT_NE(icon, nullptr) << c.size;
        CKVXImage image;
        ASSERT_TRUE(image.CreateFromHICON(icon));
        EXPECT_EQ(image.GetWidth(), static_cast<DWORD>(c.pixels)) << c.size;
        EXPECT_EQ(image.GetHeight(), static_cast<DWORD>(c.pixels)) << c.size;
        delete icon;
    }
    // Size 0 keeps the icon's own colours, whatever the type asks.
    HICON systemSize = KVXLoadIcon(KVXGetInstance(), 337, 0, LOAD_ICON_MONOCHROME);
    const QImage picture = KVXIconToQImage(systemSize);
    EXPECT_NE(qRed(picture.pixel(16, 4)), qGreen(picture.pixel(16, 4)));
    delete systemSize;
    EXPECT_TRUE(AssertionLines().empty());
}

TEST_F(PendrelModule, MissingIconsAndBitmapsAreReported) {
    EXPECT_EQ(KVXLoadIcon(KVXGetInstance(), 999, 16, LOAD_ICON_DEFAULT_COLORS), nullptr);
    EXPECT_EQ(KVXLoadIcon(KVXGetInstance(), nullptr, 16, LOAD_ICON_DEFAULT_COLORS), nullptr);
    EXPECT_EQ(KVXLoadIcon(KVXGetInstance(), L"missing", 16, LOAD_ICON_DEFAULT_COLORS), nullptr);
    HBITMAP bitmap = reinterpret_cast<HBITMAP>(1);
    KVXLoadBitmap(KVXGetInstance(), bitmap, 999);
    EXPECT_EQ(bitmap, nullptr);
    EXPECT_EQ(AssertionLines(), (std::vector<int>{147, 122, 180}));

    HICON byName = KVXLoadIcon(KVXGetInstance(), L"366", 16, LOAD_ICON_DEFAULT_COLORS);
    EXPECT_NE(byName, nullptr);
    delete byName;
}

TEST_F(PendrelModule, TheApplicationObjectIsRegisteredUntilCleared) {
    EXPECT_EQ(KVXGetApp(), nullptr);
    CKVXApp* app = reinterpret_cast<CKVXApp*>(&m_log);
    KVXSetApp(app);
    EXPECT_EQ(KVXGetApp(), app);
    KVXSetApp(nullptr);
    EXPECT_EQ(KVXGetApp(), nullptr);
}

TEST_F(PendrelModule, Utf8TextBecomesWideTextWithReplacementCharacters) {
    struct Case {
        const char* text;
        const wchar_t* wide;
    } cases[] = {
        {"caf\xC3\xA9", L"caf\u00E9"},
        {"", L""},
        {"a\xFF" "b", L"a\uFFFDb"},
        {"\xC3", L"\uFFFD"},
        {"\xE2\x82", L"\uFFFD\uFFFD"},
        {"\xED\xA0\x80", L"\uFFFD\uFFFD\uFFFD"},  // an encoded surrogate
        {"\xC0\xAF", L"\uFFFD\uFFFD"},           // an overlong slash
        {"\xF0\x9F\x98\x80!", L"\U0001F600!"},
    };
    for (const Case& c : cases) EXPECT_STREQ(ConvertToBasicString(c.text, 2).GetString(), c.wide) << c.text;
    EXPECT_EQ(ConvertToBasicString("caf\xC3\xA9", 2).GetLength(), 4);
    EXPECT_TRUE(AssertionLines().empty());
    EXPECT_TRUE(m_log.Entries().empty());
}

TEST_F(PendrelModule, OtherEncodingsGiveEmptyText) {
    for (int encoding : {1, 3, 4}) EXPECT_TRUE(ConvertToBasicString("text", encoding).IsEmpty()) << encoding;
    EXPECT_TRUE(AssertionLines().empty());
    for (int encoding : {0, 5, -1}) EXPECT_TRUE(ConvertToBasicString("text", encoding).IsEmpty()) << encoding;
    EXPECT_EQ(AssertionLines(), (std::vector<int>{407, 407, 407}));
}

TEST_F(PendrelModule, ANullTextLogsTheConversionError) {
    EXPECT_TRUE(ConvertToBasicString(nullptr, 2).IsEmpty());
    const std::vector<kvxtest::RecordedEntry> entries = m_log.Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].call, kvxtest::LogCall::LogFormat);
    EXPECT_EQ(entries[0].sourceFile, L"BasicString");
    EXPECT_EQ(entries[0].line, 390);
    EXPECT_EQ(entries[0].level, 1);
    EXPECT_EQ(entries[0].text.rfind(L"String conversion error: (87) ", 0), 0u) << std::string(entries[0].text.begin(), entries[0].text.end());
}

} // namespace
