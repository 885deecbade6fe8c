// The keys texts are matched by: full Unicode case folding, texts with NUL
// refused whole, and the keys of files of the former layout made again.

#include <sqlite3.h>

#include "DataBaseFixture.h"
#include "Schema.h"
#include "SqliteDataBase.h"
#include "TextFold.h"

using namespace dbtest;

namespace {

using Table = std::vector<std::vector<std::wstring>>;

WordKeyRecord Word(const std::wstring& text, int language = kGerman)
{
    WordKeyRecord word;
    word.text = CBasicString(text.c_str(), static_cast<int>(text.size()));
    word.language = language;
    return word;
}

void RunSql(const std::string& file, const char* sql)
{
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &raw), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(raw, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(raw);
    sqlite3_close(raw);
}

}  // namespace

TEST(TextFold, FoldsCaseFullyAndKeepsWhatIsNoCharacter)
{
    struct Case {
        const wchar_t* text;
        const wchar_t* folded;
    } cases[] = {
        {L"STRASSE", L"strasse"},
        {L"Straße", L"strasse"},
        {L"ΛΌΓΟΣ", L"λόγοσ"},
        {L"λόγος", L"λόγοσ"},
        {L"ǅemal", L"ǆemal"},
        {L"ﬁle", L"file"},
        {L"İ", L"i̇"},
        {L"Ａｂ", L"ａｂ"},
        {L"𐐀x", L"𐐨x"},  // beyond the basic plane
        {L"", L""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FoldText(std::wstring(c.text)), c.folded) << kvxtest::Narrow(c.text);
    // NUL and code units that are no character are kept as they stand.
    EXPECT_EQ(FoldText(std::wstring(L"A\0B", 3)), std::wstring(L"a\0b", 3));
    std::wstring odd = {L'X', static_cast<wchar_t>(0xD800), L'Ä', static_cast<wchar_t>(0x110000)};
    std::wstring oddFolded = {L'x', static_cast<wchar_t>(0xD800), L'ä', static_cast<wchar_t>(0x110000)};
    EXPECT_EQ(FoldText(odd), oddFolded);
}

TEST_F(DataBaseTest, WordsListsAndSearchesMatchByFullCaseFolding)
{
    struct Pair {
        const wchar_t* stored;
        const wchar_t* typed;
        bool same;
    } pairs[] = {
        {L"STRASSE", L"straße", true},
        {L"ΛΌΓΟΣ", L"λόγος", true},
        {L"Über", L"üBER", true},
        {L"ﬁx", L"FIX", true},
        {L"resume", L"résumé", false},
        {L"strase", L"straße", false},
    };
    for (const Pair& pair : pairs) {
        WordKeyRecord stored = Word(pair.stored);
        ASSERT_EQ(db->AddWord(stored), DATABASE_OK);
        WordKeyRecord typed = Word(pair.typed);
        ASSERT_EQ(db->AddWord(typed), DATABASE_OK);
        EXPECT_EQ(typed.id == stored.id, pair.same) << kvxtest::Narrow(pair.stored) << " / " << kvxtest::Narrow(pair.typed);
    }
    db->SetLanguagePair({kGerman, kEnglish});
    std::vector<std::wstring> found;
    for (const auto& row : Rows(*db, db->Search(L"STRAS", SEARCH_FIRST_LANGUAGE_PREFIX, 0, 0)))
        found.push_back(row.at(1));
    EXPECT_EQ(found, (std::vector<std::wstring>{L"strase", L"STRASSE"}));
    EXPECT_EQ(Rows(*db, db->Search(L"λόγος", SEARCH_TEXT_EXISTS, 0, 0)), (Table{{L"1"}}));

    int64_t listId = MakeList(L"Straße", {{L"dog", L"Hund"}});
    Table lists = Rows(*db, db->QueryVocabularyLists(LIST_QUERY_ALL, L"STRASSE"));
    ASSERT_EQ(lists.size(), 1u);
    EXPECT_EQ(lists[0][0], std::to_wstring(listId));

    HistoryRecord first, again;
    first.key = L"20240101_100000";
    first.text = L"ΛΌΓΟΣ";
    again.key = L"20240102_100000";
    again.text = L"λόγος";
    ASSERT_EQ(db->AddHistoryEntry(first), DATABASE_OK);
    ASSERT_EQ(db->AddHistoryEntry(again), DATABASE_OK);
    int64_t count = 0;
    ASSERT_EQ(db->GetHistoryCount(1, count, 0, 0), DATABASE_OK);
    EXPECT_EQ(count, 1);
}

TEST_F(DataBaseTest, TextsWithNulNeverReachTheFile)
{
    // The program's texts end at their first NUL; the component's own
    // texts (a copy from the synchronisation service) can hold one, and
    // every statement refuses them before a key could be cut.
    SqliteConnection connection(kvxtest::Narrow(path), false, 1000);
    SqlStatement find(connection, "SELECT count(*) FROM word WHERE fold = ?1");
    for (const std::wstring& text : {std::wstring(L"ab\0c", 4), std::wstring(L"\0", 1)}) {
        try {
            find.Bind(1, text);
            ADD_FAILURE() << "bound";
        } catch (const SqlError& error) {
            EXPECT_TRUE(error.IsRefusedValue());
        }
        try {
            find.BindUtf8(1, kvxtest::Narrow(text));
            ADD_FAILURE() << "bound";
        } catch (const SqlError& error) {
            EXPECT_TRUE(error.IsRefusedValue());
        }
    }
}

TEST_F(DataBaseTest, OpeningAFileOfTheFormerLayoutFoldsItsKeysAgainAndKeepsEveryRow)
{
    WordKeyRecord greek = Word(L"ΛΌΓΟΣ", 14);
    ASSERT_EQ(db->AddWord(greek), DATABASE_OK);
    WordKeyRecord upper = Word(L"STRASSE");
    ASSERT_EQ(db->AddWord(upper), DATABASE_OK);
    int64_t listId = MakeList(L"Maß", {{L"street", L"Straße"}}, kEnglish, kGerman);
    db.reset();
    // The keys as the former layout made them (lower case by the simple
    // mapping), with a word that the former keys told apart from another.
    std::string file = kvxtest::Narrow(path);
    RunSql(file,
           (std::string("UPDATE word SET fold = 'λόγοσ' WHERE text = 'ΛΌΓΟΣ';"
                        "UPDATE meaning SET fold = 'straße' WHERE text = 'Straße';"
                        "UPDATE vocab_list SET fold = 'maß' WHERE name = 'Maß';"
                        "INSERT INTO word(language_id, text, fold) VALUES (2, 'Straße', 'straße');"
                        "INSERT INTO history(id, key, text, fold) VALUES (1, 'k', 'Fuß', 'fuß');") +
            kBackToLayout2)
               .c_str());
    Reopen();
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &raw), SQLITE_OK);
    sqlite3_stmt* version = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(raw, "PRAGMA user_version", -1, &version, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(version), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(version, 0), kDataFileVersion);
    sqlite3_finalize(version);
    sqlite3_close(raw);

    WordKeyRecord lower = Word(L"λόγος", 14);
    ASSERT_EQ(db->AddWord(lower), DATABASE_OK);
    EXPECT_EQ(lower.id, greek.id);
    WordKeyRecord sharp = Word(L"straße");
    ASSERT_EQ(db->AddWord(sharp), DATABASE_OK);
    EXPECT_EQ(sharp.id, upper.id);
    // The word whose new key another word holds stays, with its own.
    EXPECT_EQ(Rows(*db, db->Search(L"Straße", SEARCH_TEXT_EXISTS, 0, 0)), (Table{{L"1"}}));
    ASSERT_EQ(sqlite3_open(file.c_str(), &raw), SQLITE_OK);
    sqlite3_stmt* kept = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(raw, "SELECT fold FROM word WHERE text = 'Straße'", -1, &kept, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(kept), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(kept, 0)), "straße");
    sqlite3_finalize(kept);
    sqlite3_close(raw);
    EXPECT_EQ(Rows(*db, db->QueryVocabularyLists(LIST_QUERY_ALL, L"MASS")).size(), 1u);
    ASSERT_EQ(Words(listId).size(), 1u);
    EXPECT_EQ(Text(Words(listId)[0].meaningText), L"Straße");
    HistoryRecord foot;
    foot.key = L"k2";
    foot.text = L"FUSS";
    ASSERT_EQ(db->AddHistoryEntry(foot), DATABASE_OK);
    int64_t history = 0;
    ASSERT_EQ(db->GetHistoryCount(1, history, 0, 0), DATABASE_OK);
    EXPECT_EQ(history, 1);
}
