#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <list>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "ReportCapture.h"
#include "testing/TempFolder.h"
#include "utility/FileItemInfo.h"
#include "utility/PathVisitObserver.h"
#include "utility/Posix/FolderSearch.h"
#include "utility/Posix/Folders.h"

namespace {

namespace fs = std::filesystem;
using kvxtest::Narrow;
using kvxtest::Widen;

// Records the paths visited; can stop the walk by clearing a flag at a
// given visit.
class RecordingObserver : public PathVisitObserver {
public:
    explicit RecordingObserver(int* flag = nullptr, size_t stopAt = 0) : m_flag(flag), m_stopAt(stopAt) {}
    void VisitPath(const wchar_t* path) override {
        visited.push_back(path);
        if (m_flag && visited.size() == m_stopAt) *m_flag = 0;
    }
    std::vector<std::wstring> visited;

private:
    int* m_flag;
    size_t m_stopAt;
};

std::vector<std::string> Narrowed(const std::vector<CBasicString>& paths) {
    std::vector<std::string> out;
    for (const CBasicString& path : paths) out.push_back(Narrow(path.GetString()));
    return out;
}

class FolderSearchTest : public ReportCapture {
protected:
    // root/
    //   target.txt      (file)
    //   a/ Target.TXT  b/ target.txt  b/c/ (empty)
    //   d/ target/ (folder)  x.bin
    //   link -> outside (a folder with target.txt, never walked)
    void SetUp() override {
        ReportCapture::SetUp();
        m_root = m_folder.Sub("root");
        for (const char* dir : {"a", "b/c", "d/target"}) fs::create_directories(m_root + "/" + dir);
        m_folder.WriteFile("root/target.txt", "12345");
        m_folder.WriteFile("root/a/Target.TXT", "abc");
        m_folder.WriteFile("root/b/target.txt", "");
        m_folder.WriteFile("root/d/x.bin", "xy");
        fs::create_directories(m_folder.Sub("outside"));
        m_folder.WriteFile("outside/target.txt", "not here");
        fs::create_directory_symlink(m_folder.Sub("outside"), m_root + "/link");
    }

    kvxtest::TempFolder m_folder;
    std::string m_root;
};

TEST_F(FolderSearchTest, RemoveContainedPaths) {
    const struct {
        std::set<std::wstring> paths;
        std::set<std::wstring> kept;
    } cases[] = {
        {{L"D:\\a", L"D:\\a\\b", L"D:\\a\\X", L"D:\\b"}, {L"D:\\a", L"D:\\b"}},
        // "D:\A\c" sorts before "D:\a" and is taken first.
        {{L"D:\\A\\c", L"D:\\a"}, {L"D:\\A\\c", L"D:\\a"}},
        {{L"/home/a", L"/home/a/b/c", L"/home/ab", L"/home/A/x", L"/srv"},
         {L"/home/A/x", L"/home/a", L"/home/ab", L"/srv"}},
        {{}, {}},
    };
    for (const auto& c : cases) {
        std::set<std::wstring> paths = c.paths;
        RecordingObserver observer;
        EXPECT_EQ(RemoveContainedPaths(paths, nullptr, &observer), 1);
        EXPECT_EQ(paths, c.kept);
        EXPECT_EQ(observer.visited.size(), c.paths.size());
    }

    // A stopped walk keeps what it took so far.
    int keepRunning = 1;
    RecordingObserver stopper(&keepRunning, 2);
    std::set<std::wstring> paths = {L"/a", L"/a/b", L"/c", L"/d"};
    EXPECT_EQ(RemoveContainedPaths(paths, &keepRunning, &stopper), 1);
    EXPECT_EQ(paths, (std::set<std::wstring>{L"/a"}));
    keepRunning = 0;
    EXPECT_EQ(RemoveContainedPaths(paths, &keepRunning, nullptr), 1);
    EXPECT_TRUE(paths.empty());
    EXPECT_EQ(ContainsPathNoCase(L"/A", {L"/b", L"/a"}), 1);
    EXPECT_EQ(ContainsPathNoCase(L"/a/", {L"/a"}), 0);
}

TEST_F(FolderSearchTest, CountFolderContentsAddsToTheCounters) {
    std::string folder = m_folder.Sub("count");
    fs::create_directories(folder + "/empty");
    m_folder.WriteFile("count/one", "123");
    m_folder.WriteFile("count/two", "12345");
    LONGLONG entries = 10, folders = 1, bytes = 100;
    EXPECT_EQ(CountFolderContents(Widen(folder).c_str(), entries, folders, bytes), 1);
    EXPECT_EQ(entries, 13);
    EXPECT_EQ(folders, 2);
    EXPECT_EQ(bytes, 108);

    // The link counts as an entry of its own; what it points at is not counted.
    entries = folders = bytes = 0;
    EXPECT_EQ(CountFolderContents(Widen(m_root + "/").c_str(), entries, folders, bytes), 1);
    EXPECT_EQ(entries, 10);
    EXPECT_EQ(folders, 5);

    EXPECT_EQ(CountFolderContents(m_folder.WSub("missing").c_str(), entries, folders, bytes), 0);
    EXPECT_TRUE(AssertionLines().empty());
    EXPECT_EQ(CountFolderContents(nullptr, entries, folders, bytes), 0);
    EXPECT_EQ(AssertionLines().size(), 1u);
}

TEST_F(FolderSearchTest, FindFolderByNameTakesTheDirectChildFirst) {
    std::wstring root = Widen(m_root);
    EXPECT_EQ(Narrow(FindFolderByName(root.c_str(), L"target.txt").GetString()), m_root + "/target.txt");
    EXPECT_EQ(Narrow(FindFolderByName(root.c_str(), L"target").GetString()), m_root + "/d/target");
    EXPECT_EQ(Narrow(FindFolderByName(root.c_str(), L"c").GetString()), m_root + "/b/c");
    EXPECT_STREQ(FindFolderByName((root + L"/a").c_str(), L"nothing").GetString(), L"");
    EXPECT_TRUE(AssertionLines().empty());
    EXPECT_STREQ(FindFolderByName(nullptr, L"x").GetString(), L"");
    EXPECT_EQ(AssertionLines().size(), 1u);
}

TEST_F(FolderSearchTest, FindFilesByNameWalksBelowTheFolderButNotIntoLinks) {
    std::vector<CBasicString> results;
    RecordingObserver observer;
    EXPECT_EQ(FindFilesByName(Widen(m_root).c_str(), L"TARGET.txt", &results, nullptr, &observer), 1);
    EXPECT_EQ(Narrowed(results), (std::vector<std::string>{m_root + "/a/Target.TXT", m_root + "/b/target.txt",
                                                           m_root + "/target.txt"}));
    // Files only, the link among them.
    EXPECT_EQ(observer.visited.size(), 5u);

    // Clearing the flag ends the walk at the next entry with what was found.
    int keepRunning = 1;
    RecordingObserver stopper(&keepRunning, 1);
    results.clear();
    EXPECT_EQ(FindFilesByName(Widen(m_root).c_str(), L"target.txt", &results, &keepRunning, &stopper), 1);
    EXPECT_EQ(Narrowed(results), (std::vector<std::string>{m_root + "/a/Target.TXT"}));
    EXPECT_EQ(stopper.visited.size(), 1u);
    EXPECT_TRUE(AssertionLines().empty());

    EXPECT_EQ(FindFilesByName(nullptr, L"x", &results, nullptr, nullptr), 0);
    EXPECT_EQ(AssertionLines().size(), 1u);
}

TEST_F(FolderSearchTest, EnumerateFolderListsTheFolder) {
    m_folder.WriteFile("root/d/.hidden", "");
    std::set<std::wstring> names = {L"old"};
    RecordingObserver observer;
    EXPECT_EQ(EnumerateFolderByShell(Widen(m_root + "/d").c_str(), names, nullptr, &observer), 1);
    EXPECT_EQ(names, (std::set<std::wstring>{Widen(m_root + "/d/.hidden"), Widen(m_root + "/d/target"),
                                             Widen(m_root + "/d/x.bin")}));
    EXPECT_EQ(observer.visited.size(), 3u);

    int stopped = 0;
    EXPECT_EQ(EnumerateFolderByShell(Widen(m_root + "/d").c_str(), names, &stopped, nullptr), 0);
    EXPECT_TRUE(names.empty());
    EXPECT_TRUE(AssertionLines().empty());

    names = {L"kept"};
    EXPECT_EQ(EnumerateFolderByShell(m_folder.WSub("missing").c_str(), names, nullptr, nullptr), 0);
    EXPECT_EQ(names, (std::set<std::wstring>{L"kept"}));
    EXPECT_EQ(EnumerateFolderByShell(Widen(m_root + "/target.txt").c_str(), names, nullptr, nullptr), 0);
    EXPECT_EQ(AssertionLines().size(), 2u);
}

TEST_F(FolderSearchTest, ExpandSpecialFolderEntries) {
    m_folder.RedirectHome();
    std::set<std::wstring> out;
    EXPECT_EQ(ExpandSpecialFolderEntries({L"Documents (0x5)", L"plain", L"Data (0x1a)", L"Broken (0xzz)", L"(0x"},
                                         out),
              1);
    EXPECT_EQ(out, (std::set<std::wstring>{L"plain", L"(0x", GetSpecialFolderPath(CSIDL_APPDATA).GetString()}));
    EXPECT_EQ(AssertionLines().size(), 1u);
    EXPECT_EQ(ExpandSpecialFolderEntries({}, out), 0);
    EXPECT_EQ(AssertionLines().size(), 2u);
}

TEST_F(FolderSearchTest, ExpandSearchFoldersTakesTheFoundPaths) {
    // Saved searches do not exist here; one that is a folder is listed.
    std::string saved = m_folder.Sub("Recent.search-ms");
    fs::create_directories(saved);
    m_folder.WriteFile("Recent.search-ms/one", "");
    std::set<std::wstring> paths = {Widen(m_root), Widen(saved)};
    std::vector<CFileItemInfo*> items;
    EXPECT_EQ(ExpandSearchFolders(paths, nullptr, &items, nullptr), 1);
    // The found path lies inside the saved search and is dropped again.
    EXPECT_EQ(paths, (std::set<std::wstring>{Widen(m_root), Widen(saved)}));
    ASSERT_EQ(items.size(), 1u);
    std::unique_ptr<CFileItemInfo> item(items[0]);
    EXPECT_STREQ(item->GetName(), L"Recent.search-ms");
    EXPECT_EQ(Narrow(item->GetPath()), saved);
    EXPECT_EQ(item->GetStreamNames(), (std::set<std::wstring>{Widen(saved + "/one")}));
    EXPECT_TRUE(AssertionLines().empty());

    int stopped = 0;
    items.clear();
    EXPECT_EQ(ExpandSearchFolders(paths, &stopped, &items, nullptr), 1);
    EXPECT_TRUE(items.empty());
}

} // namespace
