#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <list>
#include <set>
#include <string>

#include "ReportCapture.h"
#include "TextPattern.h"
#include "testing/TempFolder.h"
#include "utility/Posix/Folders.h"
#include "utility/Posix/Modules.h"

namespace {

namespace fs = std::filesystem;
using kvxtest::Narrow;
using kvxtest::TempFolder;
using kvxtest::Widen;

std::set<std::string> Entries(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
}

std::string ProgramTitle() { return fs::path(Narrow(GetModulePath(nullptr).GetString())).stem().string(); }

class FoldersTest : public ReportCapture {
protected:
    TempFolder m_folder;
};

TEST_F(FoldersTest, TempNamesAreReservedAndUnique) {
    std::set<std::string> names;
    for (int i = 0; i < 50; ++i) {
        std::string name = Narrow(MakeTempFileName((m_folder.WPath() + (i % 2 ? L"/" : L"")).c_str(), L"txt").GetString());
        ASSERT_TRUE(MatchesHexPattern(name, m_folder.Path() + "/KVX####.txt")) << name;
        names.insert(fs::path(name).filename().string());
        // The name is taken: an empty file, the only thing left behind.
        EXPECT_EQ(fs::file_size(name), 0u);
    }
    EXPECT_EQ(names.size(), 50u);
    EXPECT_EQ(Entries(m_folder.Path()), names);

    EXPECT_TRUE(MakeTempFileName(m_folder.WSub("missing").c_str(), L"txt").IsEmpty());
    EXPECT_TRUE(MakeTempFileName(Widen(m_folder.WriteFile("file", "")).c_str(), L"txt").IsEmpty());
    EXPECT_TRUE(MakeTempFileName(L"", L"txt").IsEmpty());
    EXPECT_TRUE(AssertionLines().empty());
}

TEST_F(FoldersTest, TempFolderFromTheEnvironment) {
    setenv("TMPDIR", (m_folder.Path() + "//").c_str(), 1);
    EXPECT_EQ(Narrow(GetTempFolder().GetString()), m_folder.Path() + "/");
    unsetenv("TMPDIR");
    EXPECT_STREQ(GetTempFolder().GetString(), L"/tmp/");
}

TEST_F(FoldersTest, PathExistence) {
    std::string file = m_folder.WriteFile("dir/file.txt", "x");
    ASSERT_EQ(symlink(m_folder.Sub("nowhere").c_str(), m_folder.Sub("dangling").c_str()), 0);
    const struct {
        std::wstring path;
        int exists;
    } cases[] = {
        {Widen(file), 1},          {m_folder.WSub("dir"), 1},     {m_folder.WSub("dir/"), 1},
        {m_folder.WSub("dangling"), 1}, {m_folder.WSub("missing"), 0}, {L"/", 1},
        {L"", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(PathExists(c.path.c_str()), c.exists) << Narrow(c.path);
    EXPECT_EQ(PathExists(nullptr), 0);

    CBasicString shortPath;
    EXPECT_EQ(GetShortPath(Widen(file).c_str(), shortPath), 1);
    EXPECT_EQ(Narrow(shortPath.GetString()), file);
    EXPECT_EQ(GetShortPath(m_folder.WSub("missing").c_str(), shortPath), 0);
    EXPECT_EQ(GetShortPath(L"", shortPath), 0);
    EXPECT_EQ(AssertionLines().size(), 2u);

    EXPECT_EQ(ExistsBesideProgram(L"kvx_test_child"), 1);
    EXPECT_EQ(ExistsBesideProgram(L"no-such-file"), 0);
    EXPECT_EQ(ExistsBesideProgram(L""), 0);
    EXPECT_EQ(AssertionLines().size(), 3u);
}

TEST_F(FoldersTest, SpecialFoldersOnXdgLocations) {
    m_folder.RedirectHome();
    EXPECT_EQ(Narrow(GetSpecialFolderPath(CSIDL_APPDATA).GetString()), m_folder.Sub("data"));
    setenv("XDG_DATA_HOME", "relative/data", 1);
    EXPECT_EQ(Narrow(GetSpecialFolderPath(CSIDL_APPDATA).GetString()), m_folder.Sub("home/.local/share"));
    unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(Narrow(GetSpecialFolderPath(CSIDL_APPDATA).GetString()), m_folder.Sub("home/.local/share"));
    EXPECT_STREQ(GetWindowsFolder().GetString(), L"/usr");
    EXPECT_STREQ(GetSpecialFolderPath(CSIDL_SYSTEM).GetString(), L"/usr/lib");
    CBasicString programFiles = GetSpecialFolderPath(CSIDL_PROGRAM_FILES);
    EXPECT_EQ(programFiles.GetAt(0), L'/');
    EXPECT_TRUE(GetSpecialFolderPath(0x05).IsEmpty());
}

TEST_F(FoldersTest, PerUserDataFolder) {
    m_folder.RedirectHome();
    std::string expected = m_folder.Sub("data/Morvane/" + ProgramTitle()) + "/";
    EXPECT_EQ(Narrow(GetPerUserDataFolder(L"", L"").GetString()), expected);
    EXPECT_TRUE(fs::is_directory(expected));
    EXPECT_EQ(Narrow(GetUserDataFolder(L"", L"Logs").GetString()), expected + "Logs/");
    EXPECT_TRUE(fs::is_directory(expected + "Logs"));

    // A given folder is used when it is an absolute path that exists.
    fs::create_directories(m_folder.Sub("own"));
    EXPECT_EQ(Narrow(GetPerUserDataFolder(m_folder.WSub("own//").c_str(), L"x").GetString()), m_folder.Sub("own/"));
    for (const wchar_t* other : {L"relative/folder", L"C:\\Data\\Quenzel"})
        EXPECT_EQ(Narrow(GetPerUserDataFolder(other, L"").GetString()), expected);
    EXPECT_EQ(Narrow(GetPerUserDataFolder(m_folder.WSub("missing").c_str(), L"").GetString()), expected);
    EXPECT_TRUE(AssertionLines().empty());
}

TEST_F(FoldersTest, FolderWritability) {
    EXPECT_EQ(IsFolderReadOnly(m_folder.WPath().c_str()), 0);
    EXPECT_TRUE(Entries(m_folder.Path()).empty());
    EXPECT_EQ(IsFolderNotWritable(L"/proc"), 1);
    EXPECT_EQ(IsFolderReadOnly(m_folder.WSub("missing").c_str()), 1);
    EXPECT_TRUE(AssertionLines().empty());
    EXPECT_EQ(IsFolderReadOnly(L""), 0);
    EXPECT_EQ(AssertionLines().size(), 1u);
}

TEST_F(FoldersTest, CheckPathsWritable) {
    std::string programFiles = Narrow(GetSpecialFolderPath(CSIDL_PROGRAM_FILES).GetString());
    const struct {
        std::list<std::wstring> paths;
        int result;
        std::wstring message;
    } cases[] = {
        {{m_folder.WPath(), m_folder.WPath() + L"/"}, 0, L""},
        {{m_folder.WSub("new/sub/list.csv")}, 0, L""},
        {{m_folder.WSub("made/folder")}, 0, L""},
        {{L"\\\\server\\share\\data"}, 0, L""},
        {{m_folder.WPath(), Widen(programFiles) + L"//"}, -2,
         L"Unable to create on Program files path(" + Widen(programFiles) + L"/)."},
        {{L"relative/data"}, -2, L"Path (relative/) doesn't exist !!!"},
        {{L"data"}, -2, L"Path () doesn't exist !!!"},
        {{L"/proc/kvx/list.csv", m_folder.WPath()}, -1, L"Unable to create directory on path (/proc/kvx)."},
        {{L"/proc/"}, -1, L"Unable to create temporary file on path (/proc/"},
    };
    for (const auto& c : cases) {
        m_log.Clear();
        EXPECT_EQ(CheckPathsWritable(c.paths), c.result) << Narrow(c.paths.front());
        auto entries = m_log.Entries();
        if (c.message.empty()) {
            EXPECT_TRUE(entries.empty());
            continue;
        }
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_EQ(entries[0].level, 1);
        EXPECT_EQ(entries[0].text.compare(0, c.message.size(), c.message), 0) << Narrow(entries[0].text);
    }
    // Created folders and test files are gone again.
    EXPECT_TRUE(Entries(m_folder.Path()).empty());

    m_log.Clear();
    EXPECT_EQ(CheckPathsWritable({}), 0);
    EXPECT_EQ(AssertionLines().size(), 1u);
}

TEST_F(FoldersTest, XdgFoldersFromTheEnvironmentOrHome) {
    m_folder.RedirectHome();
    const struct {
        const char* value;  // null: unset
        const char* home;
        std::string folder;
    } cases[] = {
        {"/xdg/data//", "/home/anna", "/xdg/data"},
        {"relative/data", "/home/anna/", "/home/anna/.local/share"},
        {nullptr, "/", "/.local/share"},
    };
    for (const auto& c : cases) {
        if (c.value) setenv("XDG_DATA_HOME", c.value, 1);
        else unsetenv("XDG_DATA_HOME");
        setenv("HOME", c.home, 1);
        EXPECT_EQ(GetXdgFolder("XDG_DATA_HOME", ".local/share"), c.folder) << (c.value ? c.value : "(unset)");
    }
}

} // namespace
