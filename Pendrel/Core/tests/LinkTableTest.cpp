#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "Pendrel/Core/LinkTable.h"
#include "testing/TempFolder.h"
#include "utility/tests/ReportCapture.h"

namespace {

class LinkTableTest : public ReportCapture {
protected:
    BOOL LoadText(CLinkTable& table, const std::string& xml) {
        m_folder.WriteFile("UrlFile.xml", xml);
        return table.Load(m_folder.WPath().c_str(), nullptr);
    }

    kvxtest::TempFolder m_folder;
};

struct FileCase {
    const char* name;
    std::string xml;
    BOOL result;
    std::vector<std::pair<KVXLinkID, std::wstring>> links;  // all the table holds
};

TEST_F(LinkTableTest, FilesCountByStructureNotByNames) {
    const FileCase cases[] = {
        {"names do not matter", "<a><b x='14' y='http://h/v%d.txt'/><c p='15' q='http://h/about'/></a>", TRUE,
         {{14, L"http://h/v%d.txt"}, {15, L"http://h/about"}}},
        {"swapped attributes make the address the id", "<r><u url='http://h/x' id='11'/></r>", TRUE,
         {{0, L"11"}}},
        {"the first of two equal ids stays", "<r><u i='14' u='first'/><u i='14' u='second'/></r>", TRUE,
         {{14, L"first"}}},
        {"an element with one attribute stops the load", "<r><u i='11' u='kept'/><u i='12'/><u i='13' u='lost'/></r>",
         FALSE, {{11, L"kept"}}},
        {"an element without attributes stops the load", "<r><u i='11' u='kept'/><u/></r>", FALSE, {{11, L"kept"}}},
        {"further attributes are ignored", "<r><u i='22' u='http://k' extra='x'/></r>", TRUE, {{22, L"http://k"}}},
        {"64-bit ids keep their low 32 bits", "<r><u i='4294967311' u='a'/><u i='-1' u='b'/></r>", TRUE,
         {{15, L"a"}, {-1, L"b"}}},
        {"an id beyond 64 bits saturates", "<r><u i='99999999999999999999' u='a'/></r>", TRUE, {{-1, L"a"}}},
        {"an id without digits is 0", "<r><u i='abc' u='a'/></r>", TRUE, {{0, L"a"}}},
        {"UTF-8 addresses", "<r><u i='56' u='http://h/caf\xC3\xA9/\xE2\x82\xAC'/></r>", TRUE,
         {{56, L"http://h/caf\u00E9/\u20AC"}}},
        {"a first child that is no element", "<r>text<u i='1' u='a'/></r>", FALSE, {}},
        {"an empty root", "<r/>", FALSE, {}},
        {"a malformed file", "<r><u i='1' u='a'></r>", FALSE, {}},
        {"no root element", "<?xml version='1.0'?>", FALSE, {}},
        {"comments before the root are skipped", "<!-- c --><r><u i='57' u='lost'/></r>", TRUE, {{57, L"lost"}}},
        {"line ends of any kind", "<r>\r\n<u i='11'\ru='a'/>\r\n</r>\r\n", TRUE, {{11, L"a"}}},
        // The parser steps over a character by its first byte: text that is
        // not whole UTF-8 is refused before it gets there.
        {"a file that ends inside a character", "<r><u i='11' u='a'/></r>\xEF", FALSE, {}},
        {"text that ends inside a character", "<r><u i='11' u='a'/>caf\xF0", FALSE, {}},
        {"a byte that starts no character", "<r><u i='11' u='a\xFF'/></r>", FALSE, {}},
        {"an overlong character", "<r><u i='11' u='\xC0\xAF'/></r>", FALSE, {}},
        {"an encoded surrogate", "<r><u i='11' u='\xED\xA0\x80'/></r>", FALSE, {}},
        {"a NUL byte", std::string("<r><u i='11' u='a'/></r>\0<x/>", 29), FALSE, {}},
    };
    for (const FileCase& c : cases) {
        SCOPED_TRACE(c.name);
        CLinkTable table;
        EXPECT_EQ(LoadText(table, c.xml), c.result);
        ASSERT_EQ(table.GetCount(), c.links.size());
        for (const auto& [id, url] : c.links) EXPECT_EQ(std::wstring(table.GetLinkURL(id)), url);
    }
}

TEST_F(LinkTableTest, MissingLinksAndFilesGiveEmptyAddressesWithReports) {
    CLinkTable table;
    EXPECT_FALSE(table.Load(m_folder.WPath().c_str(), nullptr));  // no UrlFile.xml
    EXPECT_EQ(std::wstring(table.GetLinkURL(14)), L"");
    EXPECT_EQ(AssertionLines().size(), 2u);

    m_log.Clear();
    ASSERT_TRUE(LoadText(table, "<r><u i='11' u='a'/></r>"));
    EXPECT_EQ(std::wstring(table.GetLinkURL(99)), L"");
    EXPECT_EQ(AssertionLines().size(), 1u);

    EXPECT_EQ(table.Load(nullptr, nullptr), 0);
    EXPECT_EQ(table.Load(L"", nullptr), 0);
}

TEST_F(LinkTableTest, FolderMayEndWithSeparatorsAndReloadStartsAfresh) {
    CLinkTable table;
    m_folder.WriteFile("UrlFile.xml", "<r><u i='11' u='one'/><u i='15' u='two'/></r>");
    ASSERT_TRUE(table.Load((m_folder.WPath() + L"/ \t").c_str(), nullptr));
    EXPECT_EQ(table.GetFolder().GetString(), m_folder.WPath());
    EXPECT_EQ(table.GetCount(), 2u);

    m_folder.WriteFile("UrlFile.xml", "<r><u i='15' u='three'/></r>");
    ASSERT_TRUE(table.LoadUrlTable());
    EXPECT_EQ(table.GetCount(), 1u);
    EXPECT_EQ(std::wstring(table.GetLinkURL(15)), L"three");
}

TEST_F(LinkTableTest, SetLogMakesItTheFrameworksLog) {
    kvxtest::RecordingLog other;
    CLinkTable table;
    table.SetLog(&other);
    table.GetLinkURL(3);
    EXPECT_EQ(other.Entries().size(), 1u);
    EXPECT_TRUE(m_log.Entries().empty());
}

TEST(LinkTableFormatTest, OnlyTheFirstIntegerConversionTakesTheNumber) {
    const std::pair<const wchar_t*, std::wstring> cases[] = {
        {L"http://h/version%d.txt", L"http://h/version2.txt"},
        {L"http://h/v.php?app=%i", L"http://h/v.php?app=2"},
        {L"http://h/v%u", L"http://h/v2"},
        {L"http://h/my%20files/v%d.txt", L"http://h/my%20files/v2.txt"},
        {L"http://h/%s/%d/%n", L"http://h/%s/2/%n"},
        {L"http://h/%d/%d", L"http://h/2/%d"},
        {L"http://h/100%%/%d", L"http://h/100%/2"},
        {L"http://h/no-conversion", L"http://h/no-conversion"},
        {L"http://h/trailing%", L"http://h/trailing%"},
        {L"", L""},
    };
    for (const auto& [format, expected] : cases) {
        SCOPED_TRACE(kvxtest::Narrow(format));
        EXPECT_EQ(std::wstring(CLinkTable::FormatLinkURL(format, 2).GetString()), expected);
    }
    EXPECT_EQ(std::wstring(CLinkTable::FormatLinkURL(L"v%d", -7).GetString()), L"v-7");
    EXPECT_EQ(std::wstring(CLinkTable::FormatLinkURL(nullptr, 1).GetString()), L"");
}

TEST(ShippedLinkTableTest, DefinesEveryLinkOfTheSystemUnderOneBase) {
    CLinkTable table;
    ASSERT_TRUE(table.Load(kvxtest::Widen(KVX_BIN_FOLDER).c_str(), nullptr));
    const std::wstring base = L"http://127.0.0.1:8080/kvx/";
    for (KVXLinkID id : {11, 14, 15, 22, 56, 57}) {
        SCOPED_TRACE(id);
        std::wstring url = table.GetLinkURL(id);
        EXPECT_EQ(url.substr(0, base.size()), base);
    }
    EXPECT_EQ(std::wstring(CLinkTable::FormatLinkURL(table.GetLinkURL(14), 1).GetString()),
              base + L"update/version1.txt");
}

} // namespace
