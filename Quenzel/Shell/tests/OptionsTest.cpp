#include <gtest/gtest.h>

#include <memory>

#include "Quenzel/App/Options.h"
#include "testing/TempFolder.h"
#include "utility/Posix/BasicRegistry.h"

namespace {

class OptionsTest : public ::testing::Test {
protected:
    void SetUp() override { m_folder.RedirectHome(); }
    kvxtest::TempFolder m_folder;
};

LOGFONTW Font(LONG height, const wchar_t* face) {
    LOGFONTW font{};
    font.lfHeight = height;
    font.lfWidth = 3;
    font.lfEscapement = 4;
    font.lfOrientation = 5;
    font.lfWeight = 700;
    font.lfItalic = 1;
    font.lfUnderline = 1;
    font.lfStrikeOut = 1;
    font.lfCharSet = 2;
    font.lfOutPrecision = 3;
    font.lfClipPrecision = 4;
    font.lfQuality = 5;
    font.lfPitchAndFamily = 6;
    wcsncpy(font.lfFaceName, face, LF_FACESIZE - 1);
    return font;
}

bool SameFont(const LOGFONTW& a, const LOGFONTW& b) {
    return a.lfHeight == b.lfHeight && a.lfWidth == b.lfWidth && a.lfEscapement == b.lfEscapement &&
           a.lfOrientation == b.lfOrientation && a.lfWeight == b.lfWeight && a.lfItalic == b.lfItalic &&
           a.lfUnderline == b.lfUnderline && a.lfStrikeOut == b.lfStrikeOut && a.lfCharSet == b.lfCharSet &&
           a.lfOutPrecision == b.lfOutPrecision && a.lfClipPrecision == b.lfClipPrecision &&
           a.lfQuality == b.lfQuality && a.lfPitchAndFamily == b.lfPitchAndFamily &&
           wcscmp(a.lfFaceName, b.lfFaceName) == 0;
}

} // namespace

TEST_F(OptionsTest, AFreshKeyGivesTheDefaults) {
    COptions options;
    ASSERT_EQ(options.Load(), 1);
    EXPECT_EQ(options.GetNormalColor(), 0u);
    EXPECT_EQ(options.GetKnownColor(), 0x8000u);
    EXPECT_EQ(options.GetUnknownColor(), 0xFFu);
    EXPECT_EQ(options.GetAdvertisement(), 1);
    EXPECT_EQ(options.GetRememberSyncPassword(), 0);
    EXPECT_TRUE(options.GetSyncPassword().IsEmpty());
    CBasicString from, to;
    options.GetLanguageNames(&from, &to);
    EXPECT_STREQ(from.GetString(), L"English");
    EXPECT_STREQ(to.GetString(), L"English");
    LOGFONTW font{};
    options.GetNormalFont(font);
    EXPECT_EQ(font.lfFaceName[0], L'\0');
}

TEST_F(OptionsTest, EveryFieldSurvivesASaveAndALoad) {
    {
        COptions options;
        options.SetNormalFont(Font(-13, L"DejaVu Sans"));
        options.SetLeftFont(Font(-20, L"Left Face"));
        options.SetRightFont(Font(12, L"A face name longer than thirty-one characters"));
        options.SetNormalColor(0x112233);
        options.SetKnownColor(0x445566);
        options.SetUnknownColor(0x778899);
        options.SetAdvertisement(0);
        options.SetSyncEMail(L"user@example.org");
        options.SetSyncPassword(L"s\u00E9cret");
        options.SetRememberSyncPassword(1);
        options.SetLanguageNames(L"Deutsch", L"\u65E5\u672C\u8A9E");
        for (int kind = 0; kind < PLACEMENT_COUNT; ++kind) {
            WINDOWPLACEMENT p;
            p.flags = kind + 1;
            p.showCmd = kind + 2;
            p.ptMinPosition = {-1 - kind, -2};
            p.ptMaxPosition = {3, 4 + kind};
            p.rcNormalPosition = {10 * kind, 20, 300, 400 + kind};
            EXPECT_EQ(options.SetPlacement(kind, p), 1);
        }
        ASSERT_EQ(options.Save(), 1);
    }
    COptions options;
    ASSERT_EQ(options.Load(), 1);
    LOGFONTW font{};
    options.GetNormalFont(font);
    EXPECT_TRUE(SameFont(font, Font(-13, L"DejaVu Sans")));
    options.GetLeftFont(font);
    EXPECT_TRUE(SameFont(font, Font(-20, L"Left Face")));
    options.GetRightFont(font);
    EXPECT_TRUE(SameFont(font, Font(12, L"A face name longer than thirty-one characters")));
    EXPECT_EQ(wcslen(font.lfFaceName), 31u);
    EXPECT_EQ(options.GetNormalColor(), 0x112233u);
    EXPECT_EQ(options.GetKnownColor(), 0x445566u);
    EXPECT_EQ(options.GetUnknownColor(), 0x778899u);
    EXPECT_EQ(options.GetAdvertisement(), 0);
    EXPECT_STREQ(options.GetSyncEMail().GetString(), L"user@example.org");
    EXPECT_STREQ(options.GetSyncPassword().GetString(), L"s\u00E9cret");
    EXPECT_EQ(options.GetRememberSyncPassword(), 1);
    CBasicString from, to;
    options.GetLanguageNames(&from, &to);
    EXPECT_STREQ(from.GetString(), L"Deutsch");
    EXPECT_STREQ(to.GetString(), L"\u65E5\u672C\u8A9E");
    for (int kind = 0; kind < PLACEMENT_COUNT; ++kind) {
        WINDOWPLACEMENT p;
        ASSERT_EQ(options.GetPlacement(kind, p), 1);
        EXPECT_EQ(p.flags, UINT(kind + 1));
        EXPECT_EQ(p.showCmd, UINT(kind + 2));
        EXPECT_EQ(p.ptMinPosition.x, -1 - kind);
        EXPECT_EQ(p.ptMinPosition.y, -2);
        EXPECT_EQ(p.ptMaxPosition.y, 4 + kind);
        EXPECT_EQ(p.rcNormalPosition.left, 10 * kind);
        EXPECT_EQ(p.rcNormalPosition.bottom, 400 + kind);
    }
}

TEST_F(OptionsTest, APasswordNotRememberedIsNeitherReadNorKept) {
    {
        COptions options;
        options.SetSyncEMail(L"user@example.org");
        options.SetSyncPassword(L"secret");
        options.SetRememberSyncPassword(1);
        options.Save();
    }
    CBasicRegistry registry(L"Morvane", L"Quenzel", HKEY_CURRENT_USER);
    BYTE* data = nullptr;
    int size = 0;
    ASSERT_EQ(registry.GetBinary(L"Settings", L"UserSyncPassword", &data, &size), 1);
    delete[] data;
    // The user unticks "Remember password".
    registry.SetDWORD(L"Settings", L"RememberSyncPassword", 0);
    {
        COptions options;
        options.Load();
        EXPECT_TRUE(options.GetSyncPassword().IsEmpty());
        EXPECT_STREQ(options.GetSyncEMail().GetString(), L"user@example.org");
        options.Save();
    }
    data = nullptr;
    EXPECT_EQ(registry.GetBinary(L"Settings", L"UserSyncPassword", &data, &size), 0);
    delete[] data;
}

TEST_F(OptionsTest, TwoInstancesKeepEachOthersChanges) {
    // The key as an earlier run left it.
    COptions().Save();
    COptions first, second;
    first.Load();
    second.Load();
    // The second saves its options while the first still runs; each then
    // changes something else and ends.
    second.SetKnownColor(0x123456);
    second.SetLanguageNames(L"German", L"French");
    second.Save();
    first.SetAdvertisement(0);
    WINDOWPLACEMENT quiz;
    quiz.rcNormalPosition.right = 640;
    first.SetPlacement(PLACEMENT_QUIZ, quiz);
    first.Save();
    second.Save();

    COptions after;
    after.Load();
    EXPECT_EQ(after.GetKnownColor(), 0x123456u);
    CBasicString from, to;
    after.GetLanguageNames(&from, &to);
    EXPECT_STREQ(from.GetString(), L"German");
    EXPECT_STREQ(to.GetString(), L"French");
    EXPECT_EQ(after.GetAdvertisement(), 0);
    WINDOWPLACEMENT stored;
    ASSERT_EQ(after.GetPlacement(PLACEMENT_QUIZ, stored), 1);
    EXPECT_EQ(stored.rcNormalPosition.right, 640);
}

TEST_F(OptionsTest, PlacementKindsOutsideTheFiveAreRefused) {
    COptions options;
    WINDOWPLACEMENT p;
    p.flags = 7;
    EXPECT_EQ(options.SetPlacement(5, p), 0);
    EXPECT_EQ(options.SetPlacement(-1, p), 0);
    EXPECT_EQ(options.GetPlacement(5, p), 0);
    EXPECT_EQ(p.flags, 7u);
}

TEST_F(OptionsTest, WithoutAStoreNothingLoadsOrSaves) {
    COptions options(nullptr);
    EXPECT_EQ(options.Load(), 0);
    EXPECT_EQ(options.Save(), 0);
}
