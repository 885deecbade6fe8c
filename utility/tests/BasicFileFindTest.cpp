#include <gtest/gtest.h>

#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "ReportCapture.h"
#include "testing/TempFolder.h"
#include "utility/Posix/BasicFileFind.h"
#include "utility/WildcardMatch.h"

namespace {

using kvxtest::TempFolder;
using kvxtest::Widen;

class BasicFileFindTest : public ReportCapture {
protected:
    // The names a search for the pattern serves, in order.
    std::vector<std::wstring> Names(const std::wstring& pattern) {
        std::vector<std::wstring> names;
        for (int more = m_find.FindFirst(pattern.c_str(), 0); more; more = m_find.FindNext())
            names.push_back(m_find.GetFileName());
        return names;
    }

    TempFolder m_folder;
    CBasicFileFind m_find;
};

TEST(WildcardMatch, WindowsStyleMatching) {
    struct Case {
        const wchar_t* pattern;
        const wchar_t* name;
        bool matches;
    };
    const Case cases[] = {
        {L"*", L"anything.txt", true},   {L"*.*", L"noext", true},      {L"*.*", L"a.b.c", true},
        {L"*.txt", L"LIST.TXT", true},   {L"*.txt", L"list.txt.bak", false}, {L"x.*", L"x", true},
        {L"x.*", L"x.doc", true},        {L"x.*", L"xy", false},        {L"?.c", L"a.c", true},
        {L"?.c", L"ab.c", false},        {L"a*b*c", L"aXXbYYc", true},  {L"a*b*c", L"aXXbYY", false},
        {L"\u00e9*", L"\u00c9t\u00e9", false}, {L"list", L"LIST", true}, {L"", L"", true},
        {L"**a", L"bbba", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MatchesWildcard(c.pattern, (int)wcslen(c.pattern), c.name, (int)wcslen(c.name)), c.matches)
            << c.pattern << " " << c.name;
    EXPECT_TRUE(HasWildcard(L"a?"));
    EXPECT_FALSE(HasWildcard(L"/tmp/list.txt"));
    EXPECT_FALSE(HasWildcard(nullptr));
}

TEST_F(BasicFileFindTest, DotEntriesFirstThenByUpperCasedName) {
    m_folder.WriteFile("b.txt", "bb");
    m_folder.WriteFile("A.txt", "a");
    m_folder.WriteFile("c", "");
    m_folder.WriteFile("a.doc", "");
    mkdir(m_folder.Sub("Sub").c_str(), 0755);

    std::wstring pattern = m_folder.WPath() + L"/*.*";
    ASSERT_EQ(m_find.FindFirst(pattern.c_str(), 0), 1);
    EXPECT_STREQ(m_find.GetFileName(), L".");
    EXPECT_EQ(m_find.IsDots(), 1);
    EXPECT_EQ(m_find.IsDirectory(), 1);
    EXPECT_STREQ(m_find.GetRoot(), m_folder.WPath().c_str());

    EXPECT_EQ(Names(pattern), (std::vector<std::wstring>{L".", L"..", L"a.doc", L"A.txt", L"b.txt", L"c", L"Sub"}));
    EXPECT_EQ(Names(m_folder.WPath() + L"/*.TXT"), (std::vector<std::wstring>{L"A.txt", L"b.txt"}));
    EXPECT_EQ(Names(m_folder.WPath() + L"/c.*"), (std::vector<std::wstring>{L"c"}));
    EXPECT_EQ(m_find.GetLastError(), (DWORD)ERROR_NO_MORE_FILES);
    EXPECT_TRUE(AssertionLines().empty());
}

TEST_F(BasicFileFindTest, EntryTextsAndFields) {
    m_folder.WriteFile("list.old.csv", std::string(321, 'x'));
    std::wstring path = m_folder.WPath() + L"/list.old.csv";
    ASSERT_EQ(m_find.FindFirst((m_folder.WPath() + L"/l*").c_str(), 0), 1);
    EXPECT_STREQ(m_find.GetFileName(), L"list.old.csv");
    EXPECT_STREQ(m_find.GetFilePath(), path.c_str());
    EXPECT_STREQ(m_find.GetFileTitle(), L"list.old");
    EXPECT_STREQ(m_find.GetFileExtension(), L"csv");
    EXPECT_STREQ(m_find.GetFileURL(), (L"file://" + path).c_str());
    EXPECT_EQ(m_find.GetLength(), 321u);
    EXPECT_EQ(m_find.IsNormal(), 1);
    EXPECT_EQ(m_find.IsDots(), 0);
    EXPECT_EQ(m_find.IsReadOnly() | m_find.IsHidden() | m_find.IsSystem() | m_find.IsArchived() |
                  m_find.IsCompressed() | m_find.IsTemporary(),
              0);
    EXPECT_EQ(m_find.MatchesMask(FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_DIRECTORY), FILE_ATTRIBUTE_NORMAL);
    CBasicFileFindInfo* info = m_find.GetFindInfo();
    ASSERT_NE(info, nullptr);
    EXPECT_STREQ(info->GetAlternateName(), L"");
    EXPECT_EQ(info->GetCompressedSize(), 321u);
    struct stat st;
    stat(m_folder.Sub("list.old.csv").c_str(), &st);
    CBasicDateTime written;
    written.FromTime64(st.st_mtime);
    EXPECT_EQ(info->GetLastWriteTime(), written);
    CBasicFileFindInfo copy;
    EXPECT_EQ(m_find.CopyFindInfo(&copy), 1);
    EXPECT_STREQ(copy.GetFileName(), L"list.old.csv");
    EXPECT_EQ(copy.IsValid(), 1);

    // A folder has no extension.
    mkdir(m_folder.Sub("dir.d").c_str(), 0755);
    ASSERT_NE(m_find.FindFile(m_folder.WSub("dir.d").c_str()), nullptr);
    EXPECT_STREQ(m_find.GetFileExtension(), L"");
    EXPECT_STREQ(m_find.GetRoot(), m_folder.WPath().c_str());
    EXPECT_TRUE(AssertionLines().empty());
}

TEST_F(BasicFileFindTest, SingleEntriesLinksAndRelativePatterns) {
    m_folder.WriteFile("target.txt", "12345");
    symlink(m_folder.Sub("target.txt").c_str(), m_folder.Sub("link").c_str());
    CBasicFileFindInfo* entry = m_find.FindFile(m_folder.WSub("link").c_str());
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->GetAttributes(), FILE_ATTRIBUTE_REPARSE_POINT);
    EXPECT_EQ(m_find.FindNext(), 0);
    EXPECT_EQ(m_find.GetLastError(), (DWORD)ERROR_NO_MORE_FILES);

    ASSERT_EQ(chdir(m_folder.Path().c_str()), 0);
    mkdir("sub", 0755);
    EXPECT_EQ(m_find.FindFirst(L"sub/../target.txt", 0), 1);
    EXPECT_STREQ(m_find.GetRoot(), m_folder.WPath().c_str());
    EXPECT_EQ(m_find.GetLength(), 5u);
    EXPECT_EQ(Names(L"*.txt"), std::vector<std::wstring>{L"target.txt"});
    EXPECT_STREQ(m_find.FindFile(L"target.txt") ? m_find.GetFilePath() : L"",
                 (m_folder.WPath() + L"/target.txt").c_str());
}

TEST_F(BasicFileFindTest, NoMatchGivesTheSystemCode) {
    m_folder.WriteFile("a.txt", "");
    struct Case {
        std::wstring pattern;
        DWORD code;
    };
    const Case cases[] = {
        {m_folder.WPath() + L"/*.xyz", ERROR_FILE_NOT_FOUND},
        {m_folder.WPath() + L"/b.txt", ERROR_FILE_NOT_FOUND},
        {m_folder.WPath() + L"/missing/*", ERROR_PATH_NOT_FOUND},
        {m_folder.WPath() + L"/missing/a.txt", ERROR_PATH_NOT_FOUND},
        {m_folder.WPath() + L"/a.txt/*", ERROR_PATH_NOT_FOUND},
        {m_folder.WPath() + L"/", ERROR_FILE_NOT_FOUND},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(m_find.FindFirst(c.pattern.c_str(), 0), 0) << c.pattern;
        EXPECT_EQ(m_find.GetLastError(), c.code) << c.pattern;
        EXPECT_EQ(m_find.GetFindInfo(), nullptr);
    }
    EXPECT_EQ(m_find.FindFile(L""), nullptr);
    EXPECT_EQ(m_find.FindNext(), 0);
}

TEST_F(BasicFileFindTest, PatternsOf780CharactersFailWithCode3) {
    m_folder.WriteFile("a.txt", "");
    std::wstring base = m_folder.WPath() + L"/";
    std::wstring longest = base + std::wstring(779 - base.size(), L'*');
    EXPECT_EQ(m_find.FindFirst(longest.c_str(), 0), 1);
    EXPECT_TRUE(AssertionLines().empty());

    std::wstring tooLong = longest + L"*";
    EXPECT_EQ(m_find.FindFirst(tooLong.c_str(), 0), 0);
    EXPECT_EQ(m_find.GetLastError(), (DWORD)ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(AssertionLines().size(), 1u);
}

TEST_F(BasicFileFindTest, AccessorsAfterTheEndGiveEmptyValues) {
    m_folder.WriteFile("only", "");
    ASSERT_EQ(m_find.FindFirst(m_folder.WSub("only").c_str(), 0), 1);
    EXPECT_EQ(m_find.FindNext(), 0);
    EXPECT_EQ(m_find.GetLastError(), (DWORD)ERROR_NO_MORE_FILES);
    m_log.Clear();

    EXPECT_STREQ(m_find.GetFileName(), L"");
    EXPECT_STREQ(m_find.GetFilePath(), L"");
    EXPECT_STREQ(m_find.GetFileURL(), L"");
    EXPECT_STREQ(m_find.GetRoot(), L"");
    EXPECT_EQ(m_find.GetLength(), 0u);
    EXPECT_EQ(m_find.IsDirectory(), 0);
    EXPECT_EQ(m_find.GetFindInfo(), nullptr);
    CBasicFileFindInfo copy;
    EXPECT_EQ(m_find.CopyFindInfo(&copy), 0);
    EXPECT_EQ(AssertionLines().size(), 8u);

    m_find.Close();
    EXPECT_EQ(m_find.GetLastError(), 0u);
    EXPECT_EQ(m_find.FindNext(), 0);
}

TEST_F(BasicFileFindTest, SparseFilesReportTheirSizeOnDisk) {
    std::string path = m_folder.Sub("sparse.bin");
    int fd = open(path.c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, 64 * 1024 * 1024), 0);
    ASSERT_EQ(pwrite(fd, "x", 1, 0), 1);
    close(fd);
    struct stat st;
    stat(path.c_str(), &st);
    if ((uint64_t)st.st_blocks * 512 >= (uint64_t)st.st_size) GTEST_SKIP() << "the file system keeps no holes";

    CBasicFileFindInfo* entry = m_find.FindFile(Widen(path).c_str());
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->GetAttributes(), FILE_ATTRIBUTE_SPARSE_FILE);
    EXPECT_EQ(entry->GetFileSize(), 64u * 1024 * 1024);
    EXPECT_EQ(entry->GetCompressedSize(), (uint64_t)st.st_blocks * 512);
}

TEST_F(BasicFileFindTest, FactoryAndFinderWithoutState) {
    CAbstractFileFind* find = CreateBasicFileFind(nullptr);
    ASSERT_NE(find, nullptr);
    EXPECT_EQ(find->FindFirst((m_folder.WPath() + L"/*").c_str(), 0), 1);
    DeleteBasicFileFind(find);
    DeleteBasicFileFind(nullptr);

    CBasicFileFind bare(0);
    EXPECT_EQ(bare.FindFirst(L"*", 0), 0);
    EXPECT_EQ(bare.GetFindInfo(), nullptr);
    CBasicFileFind wrongFlag(1);
    EXPECT_EQ(AssertionLines().size(), 3u);
}

} // namespace
