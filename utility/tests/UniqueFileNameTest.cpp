#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ReportCapture.h"
#include "utility/BaseLetter.h"
#include "utility/BinarySearchTree.h"
#include "utility/FileItemInfo.h"
#include "utility/UniqueFileName.h"
#include "utility/UniqueFileNameOptions.h"

namespace {

using KVX::CUniqueFileName;

// A folder item with children of the given names (a trailing '/' makes a
// folder), linked as a tree.
class Tree {
public:
    explicit Tree(const std::vector<std::wstring>& names) : m_parent(L"parent", 1) {
        CFileItemInfo* previous = nullptr;
        for (const std::wstring& name : names) {
            bool folder = !name.empty() && name.back() == L'/';
            auto child = std::make_unique<CFileItemInfo>(folder ? name.substr(0, name.size() - 1).c_str() : name.c_str(),
                                                         folder ? 1 : 0);
            child->SetParent(&m_parent);
            if (previous) previous->SetNextSibling(child.get());
            else m_parent.SetFirstChild(child.get());
            previous = child.get();
            m_children.push_back(std::move(child));
        }
    }
    CFileItemInfo& Parent() { return m_parent; }
    CFileItemInfo& Child(size_t index) { return *m_children[index]; }
    std::vector<std::wstring> UniqueNames() {
        std::vector<std::wstring> names;
        for (auto& child : m_children) names.push_back(child->GetUniqueName());
        return names;
    }

private:
    CFileItemInfo m_parent;
    std::vector<std::unique_ptr<CFileItemInfo>> m_children;
};

// Options of another interchange level and naming system.
class LevelOptions : public KVX::CUniqueFileNameOptions {
public:
    LevelOptions(int level, int system) : m_level(level), m_system(system) {}
    int GetLevel() override { return m_level; }
    int GetNamingSystem() override { return m_system; }

private:
    int m_level;
    int m_system;
};

class UniqueFileNameTest : public ReportCapture {};

TEST_F(UniqueFileNameTest, CounterCountsExactNames) {
    KVX::CBinarySearchTree counter;
    EXPECT_EQ(counter.Add(L"A"), 1);
    EXPECT_EQ(counter.Add(L"A"), 2);
    EXPECT_EQ(counter.Add(L"a"), 1);
    EXPECT_EQ(counter.Add(L"A"), 3);
    counter.Clear();
    EXPECT_EQ(counter.Add(L"A"), 1);
}

TEST_F(UniqueFileNameTest, ChildrenAreNamedTogetherInModeThree) {
    Tree tree({L"Notes:1.txt", L"Notes?1.txt", L"report.txt", L"REPORT.TXT", L"a<b|c/", L"tab\tand\x0f.doc",
               L"Notes:1.txt"});
    // Asking one child for its unique name names them all.
    EXPECT_STREQ(tree.Child(1).GetUniqueName(1), L"Notes_12.txt");
    EXPECT_EQ(tree.UniqueNames(), (std::vector<std::wstring>{L"Notes_1.txt", L"Notes_12.txt", L"report.txt",
                                                             L"REPORT.TXT", L"a_b_c", L"tab_and_.doc",
                                                             L"Notes_13.txt"}));
    EXPECT_EQ(tree.Parent().GetFlags2(), 0x4u);

    // A child added later is named alone, against its siblings' names
    // without regard to case.
    CFileItemInfo late(L"notes;1.TXT", 0);
    late.SetParent(&tree.Parent());
    tree.Child(6).SetNextSibling(&late);
    EXPECT_STREQ(late.GetUniqueName(1), L"notes_14.TXT");
    EXPECT_TRUE(AssertionLines().empty());
}

TEST_F(UniqueFileNameTest, ModeThreeKeepsToTheLongestName) {
    Tree tree({std::wstring(120, L'x') + L".text", std::wstring(120, L'x') + L".text", std::wstring(110, L'f') + L"/"});
    tree.Child(0).GetUniqueName(1);
    EXPECT_EQ(tree.Child(0).GetUniqueName(), std::wstring(104, L'x') + L".tex");
    EXPECT_EQ(tree.Child(1).GetUniqueName(), std::wstring(103, L'x') + L"2.tex");
    EXPECT_EQ(tree.Child(2).GetUniqueName(), std::wstring(108, L'f'));

    // The options set the length; the semicolon stays where they allow it.
    struct SemicolonOptions : KVX::CUniqueFileNameOptions {
        int IsSemicolonAllowed() override { return 1; }
    };
    CFileItemInfo item(L"a;b:c.txt", 0);
    CUniqueFileName naming;
    naming.NameForMode3(&item);
    EXPECT_STREQ(item.GetUniqueName(), L"a_b_c.txt");
    EXPECT_EQ(naming.SelectCharacterSet(std::make_unique<SemicolonOptions>().get(), 3), 1);
    std::wstring text = L"a;b:c";
    naming.NormalizeName(text, 3);
    EXPECT_EQ(text, L"a;b_c");
}

TEST_F(UniqueFileNameTest, ModeOneMakesShortUpperCaseNames) {
    CFileItemInfo parent(L"root", 1), item(L"R\u00e9sum\u00e9 file.doc", 0);
    item.SetParent(&parent);
    parent.SetFirstChild(&item);
    CUniqueFileName naming;
    naming.NameForMode1(&item);
    // Names of mode 1 are not kept: the item's name stays.
    EXPECT_STREQ(item.GetName(), L"R\u00e9sum\u00e9 file.doc");
    EXPECT_FALSE(AssertionLines().empty());

    const struct {
        std::wstring name;
        int folder;
        std::wstring shortName;
    } cases[] = {
        {L"R\u00c9SUM\u00c9 FILE.DOC", 0, L"RESUME_F.DOC"},
        {L"\u0160KODA.HTML", 0, L"SKODA.HTM"},
        {L"NO EXTENSION AT ALL", 0, L"NO_EXTEN"},
        {L"PROGRAM FILES", 1, L"PROGRAM_"},
        {L"\u0101\u00df.TXT", 0, L"__.TXT"},  // not in the code page, no base letter
    };
    for (const auto& c : cases) {
        CFileItemInfo named(c.name.c_str(), c.folder);
        named.SetParent(&parent);
        std::wstring text = c.name;
        naming.ShortenName(text, &named);
        EXPECT_EQ(text, c.shortName);
    }
}

TEST_F(UniqueFileNameTest, NumberedNames) {
    CFileItemInfo parent(L"root", 1), file(L"f", 0), folder(L"d", 1);
    file.SetParent(&parent);
    folder.SetParent(&parent);
    const struct {
        int mode;
        std::wstring name;
        int number;
        int isFolder;
        std::wstring numbered;
    } cases[] = {
        {1, L"ABCDEFGH.TXT", 12, 0, L"ABCDEF12.TXT"},
        {1, L"NAME.TXT", 2, 0, L"NAME2.TXT"},
        {1, L"NOEXT", 3, 0, L"NOEXT3"},
        {3, L"Notes_1.txt", 2, 0, L"Notes_12.txt"},
        {3, L"dir.d", 7, 1, L"dir.d7"},
        {2, std::wstring(31, L'N'), 10, 1, std::wstring(29, L'N') + L"10"},
        {2, std::wstring(27, L'B') + L".TXT", 5, 0, std::wstring(26, L'B') + L"5.TXT"},
    };
    for (const auto& c : cases) {
        CUniqueFileName naming;
        CFileItemInfo& item = c.isFolder ? folder : file;
        if (c.mode == 1) naming.NameForMode1(&item);
        else if (c.mode == 2) naming.NameForMode2(&item);
        else naming.NameForMode3(&item);
        std::wstring out;
        naming.MakeNumberedName(c.name, c.number, c.isFolder, out);
        EXPECT_EQ(out, c.numbered) << c.mode << " " << c.number;
    }
    m_log.Clear();
    CUniqueFileName naming;
    naming.NameForMode3(&file);
    std::wstring out = L"x";
    naming.MakeNumberedName(L"a.txt", 0, 0, out);
    EXPECT_EQ(out, L"");
    EXPECT_EQ(naming.MakeUniqueInSet(L"NAME.TXT", 0), L"NAME.TXT");
    EXPECT_EQ(naming.MakeUniqueInSet(L"NAME.TXT", 0), L"NAME2.TXT");
    EXPECT_EQ(naming.MakeUniqueInSet(L"NAME2.TXT", 0), L"NAME22.TXT");
    EXPECT_EQ(AssertionLines().size(), 1u);
}

TEST_F(UniqueFileNameTest, CharacterSets) {
    const struct {
        wchar_t ch;
        bool inLevel[4];
    } cases[] = {
        {L'A', {true, true, true, true}},  {L'a', {false, true, false, true}}, {L'_', {true, true, true, true}},
        {L' ', {false, true, false, false}}, {L'+', {false, true, false, true}}, {L'~', {false, true, true, true}},
        {L'"', {false, false, false, true}}, {L'\u00e9', {false, false, false, false}},
    };
    for (const auto& c : cases)
        for (int level = 0; level < 4; ++level)
            EXPECT_EQ(IsCharInLevelSet(c.ch, level), c.inLevel[level] ? 1 : 0) << (int)c.ch << " " << level;
    EXPECT_TRUE(AssertionLines().empty());
    EXPECT_EQ(IsCharInLevelSet(L'a', 7), 0);
    EXPECT_EQ(AssertionLines().size(), 1u);

    KVX::CUniqueFileNameOptions longNames;
    LevelOptions level0(0, 1);
    EXPECT_EQ(IsCharAllowed(L'a', &longNames), 1);
    EXPECT_EQ(IsCharAllowed(L'\u00e9', &longNames), 1);
    for (wchar_t ch : std::wstring(L"\"/:*?<>\\|;\x0f")) EXPECT_EQ(IsCharAllowed(ch, &longNames), 0) << (int)ch;
    EXPECT_EQ(IsCharAllowed(L'a', &level0), 0);
    EXPECT_EQ(IsCharAllowed(L'A', &level0), 1);
    EXPECT_EQ(IsTextAllowed("caf\xE9.txt", &longNames), 1);
    EXPECT_EQ(IsTextAllowed("a:b", &longNames), 0);
    EXPECT_EQ(IsTextAllowed("CAFE", &level0), 1);
}

TEST_F(UniqueFileNameTest, BaseLettersOfTheCodePage) {
    const struct {
        wchar_t ch;
        wchar_t base;
    } cases[] = {
        {L'A', L'A'},         {L'\u00e9', L'e'},    {L'\u00c5', L'A'}, {L'\u0160', L'S'},
        {L'\u017e', L'z'},    {L'\u00ff', L'y'},    {L'\u0178', L'Y'}, {L'\u00df', L'\u00df'},
        {L'\u00e6', L'\u00e6'}, {L'\u20ac', L'\u20ac'}, {L'\u0101', L'?'}, {L'\U0001F600', L'?'},
    };
    for (const auto& c : cases) EXPECT_EQ(GetBaseLetter(c.ch), c.base) << (int)c.ch;
}

} // namespace
