#include <gtest/gtest.h>

#include <string>

#include "ReportCapture.h"
#include "utility/PathName.h"

namespace {

class PathNameTest : public ReportCapture {};

TEST_F(PathNameTest, NamesExtensionsAndTitles) {
    struct Case {
        const wchar_t* path;
        const wchar_t* extension;
        const wchar_t* title;
        const wchar_t* name;
    };
    const Case cases[] = {
        {L"D:\\a\\b.c.txt", L"txt", L"b.c", L"b.c.txt"},
        {L"D:\\a\\b\\", L"", L"", L"b"},
        {L"/home/u/list.csv", L"csv", L"list", L"list.csv"},
        {L"/home/u/folder/", L"", L"", L"folder"},
        // Only the last component has an extension.
        {L"dir.old\\file", L"", L"file", L"file"},
        {L"/srv/dir.old/file", L"", L"file", L"file"},
        {L"noext", L"", L"noext", L"noext"},
        {L".profile", L"profile", L"", L".profile"},
        {L"a/b\\c", L"", L"c", L"c"},
        {L"a/b\\", L"", L"", L"b"},
    };
    for (const Case& c : cases) {
        EXPECT_STREQ(GetFileExtension(c.path).GetString(), c.extension) << c.path;
        EXPECT_STREQ(GetFileTitleFromPath(c.path).GetString(), c.title) << c.path;
        EXPECT_STREQ(GetFileNameFromPath(c.path).GetString(), c.name) << c.path;
    }
    EXPECT_TRUE(AssertionLines().empty());

    EXPECT_STREQ(GetFileExtension(nullptr).GetString(), L"");
    EXPECT_STREQ(GetFileNameFromPath(nullptr).GetString(), L"");
    EXPECT_STREQ(GetFileTitleFromPath(L"").GetString(), L"");
    EXPECT_EQ(AssertionLines().size(), 1u);
}

TEST_F(PathNameTest, UncSharesAndExtendedLengthPaths) {
    struct Case {
        const wchar_t* path;
        int unc;
        const wchar_t* shareRoot;
        const wchar_t* extended;
    };
    const Case cases[] = {
        {L"\\\\srv\\share\\dir\\f", 1, L"\\\\srv\\share\\", L"\\\\?\\UNC\\srv\\share\\dir\\f"},
        {L"\\\\srv\\share", 1, L"\\\\srv\\share\\", L"\\\\?\\UNC\\srv\\share"},
        {L"\\\\srv", 1, L"", L"\\\\?\\UNC\\srv"},
        {L"\\\\", 0, L"", L"\\\\?\\\\\\"},
        {L"D:\\x", 0, L"", L"\\\\?\\D:\\x"},
        {L"/tmp/x", 0, L"", L"\\\\?\\/tmp/x"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsUncPath(c.path), c.unc) << c.path;
        EXPECT_STREQ(GetUncShareRoot(c.path).GetString(), c.shareRoot) << c.path;
        EXPECT_STREQ(MakeExtendedLengthPath(c.path).GetString(), c.extended) << c.path;
    }
    EXPECT_EQ(IsUncPath(nullptr), 0);
}

TEST_F(PathNameTest, NormalizesFolderPaths) {
    struct Case {
        const wchar_t* path;
        const wchar_t* result;
        int code;
    };
    const Case cases[] = {
        {L"D:", L"D:\\", 1},
        {L"D:\\", L"D:\\", 1},
        {L"D:\\dir\\\\", L"D:\\dir", 0},
        {L"Volume{0123}\\", L"Volume{0123}\\", 1},
        {L"/home/u", L"/home/u", 0},
        {L"", L"", 0},
    };
    for (const Case& c : cases) {
        CBasicString path(c.path);
        EXPECT_EQ(NormalizeFolderPath(path), c.code) << c.path;
        EXPECT_STREQ(path.GetString(), c.result) << c.path;
    }
}

TEST_F(PathNameTest, SlashConversionsTellBackslashPathsApart) {
    struct Case {
        const char* text;
        int backslashPath;
        const char* forward;
        const char* backward;
    };
    const Case cases[] = {
        {"C:\\a\\b", 1, "C:/a/b", "C:\\a\\b"},
        {"/pub/dir", 0, "/pub/dir", "\\pub\\dir"},
        {"/pub\\odd", 0, "/pub\\odd", "\\pub\\odd"},
        {"\\lead", 0, "\\lead", "\\lead"},
        {"a/b\\c", 1, "a/b/c", "a/b\\c"},
        {"", 0, "", ""},
    };
    for (const Case& c : cases) {
        std::string narrow = c.text;
        std::wstring wide(narrow.begin(), narrow.end());
        EXPECT_EQ(IsBackslashPathA(c.text), c.backslashPath) << c.text;
        EXPECT_EQ(IsBackslashPath(wide.c_str()), c.backslashPath) << c.text;

        std::string a = narrow;
        std::wstring w = wide;
        EXPECT_EQ(ToForwardSlashesA(a.data()), 1);
        EXPECT_EQ(ToForwardSlashes(w.data()), 1);
        EXPECT_EQ(a, c.forward);
        EXPECT_EQ(w, std::wstring(a.begin(), a.end()));

        a = narrow;
        w = wide;
        ToBackslashesA(a.data());
        ToBackslashes(w.data());
        EXPECT_EQ(a, c.backward);
        EXPECT_EQ(w, std::wstring(a.begin(), a.end()));
    }
    EXPECT_EQ(IsBackslashPath(nullptr), 0);
    EXPECT_EQ(FindCharIndex(L"abcb", L'b'), 1);
    EXPECT_EQ(FindCharIndex(L"abc", L'x'), -1);
    EXPECT_EQ(FindCharIndex(nullptr, L'x'), -1);
    EXPECT_EQ(FindCharIndexA("abc", 'c'), 2);
    EXPECT_EQ(FindCharIndexA(nullptr, 'c'), -1);
}

} // namespace
