// The database component's synchronisation against the synchronisation
// service on loopback behind TLS: each synchronisation runs in the client
// program (libDataBase.so and libSendrix.so loaded as the main program
// loads them, the test authority as "ClientCert.pem"); the test makes and
// reads the data files between the runs.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "ChildProcess.h"
#include "DataBaseFixture.h"
#include "SqliteDataBase.h"
#include "testing/CertFactory.h"
#include "testing/Installed.h"
#include "testing/TempFolder.h"
#include "utility/Posix/ProcessStart.h"

namespace dbtest {
namespace {

const char kEmail[] = "ann@example.org";
// Characters that a form must escape.
const char kPassword[] = "Geheim ü&=+ 1";

// Every list and entry of a data file as text, ordered by the lists'
// stable ids: what must be equal after a synchronisation.
std::vector<std::string> Content(const std::string& path)
{
    std::vector<std::string> rows;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        ADD_FAILURE() << "cannot read " << path;
        return rows;
    }
    const char* queries[] = {
        "SELECT l.guid, l.name, l.second_text, f.name, t.name, l.editable, l.extra FROM vocab_list l"
        " JOIN language f ON f.id = l.from_language JOIN language t ON t.id = l.to_language ORDER BY l.guid",
        "SELECT l.guid, w.text, wl.name, m.text, ml.name, coalesce(mt.name, ''), e.status, e.date_entered, e.date_status"
        " FROM list_entry e JOIN vocab_list l ON l.id = e.list_id JOIN word w ON w.id = e.word_id"
        " JOIN language wl ON wl.id = w.language_id JOIN meaning m ON m.id = e.meaning_id"
        " JOIN language ml ON ml.id = m.language_id LEFT JOIN mean_type mt ON mt.id = m.type_id"
        " ORDER BY l.guid, w.text, m.text"};
    for (const char* sql : queries) {
        sqlite3_stmt* statement = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db, sql, -1, &statement, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
        while (statement && sqlite3_step(statement) == SQLITE_ROW) {
            std::string row;
            for (int i = 0; i < sqlite3_column_count(statement); ++i) {
                const unsigned char* text = sqlite3_column_text(statement, i);
                row += (i ? " | " : "") + std::string(text ? reinterpret_cast<const char*>(text) : "<null>");
            }
            rows.push_back(row);
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return rows;
}

// The same without the lists' stable ids, which a file gives its lists
// the first time it sends them.
std::vector<std::string> VisibleContent(const std::string& path)
{
    std::vector<std::string> rows = Content(path);
    for (std::string& row : rows)
        row.erase(0, row.find(" | "));
    std::sort(rows.begin(), rows.end());
    return rows;
}

class SyncIntegrationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Debian's interpreter, with the service's JSON stream reader.
        python = "/usr/bin/python3";
        KVX_SKIP_OR_FAIL_UNLESS(std::filesystem::exists("/usr/lib/python3/dist-packages/ijson"),
                                "python3-ijson is not installed");
        for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
            unsetenv(name);
        const kvxtest::CertFactory& factory = kvxtest::CertFactory::Shared();
        kvxtest::TestCertificate server = factory.Leaf();
        std::string serviceDb = folder.Sub("service.db");
        std::string output;
        ASSERT_EQ(RunProgram({python, KVX_SYNC_SERVICE, "create-account", "--db", serviceDb, "--email", kEmail},
                             std::string(kPassword) + "\n", output),
                  0);
        ASSERT_TRUE(service.Start({python, KVX_SYNC_SERVICE, "serve", "--db", serviceDb, "--cert",
                                   folder.WriteFile("server.pem", server.chainPem), "--key",
                                   folder.WriteFile("server.key", server.keyPem)}));
        std::string line;
        ASSERT_TRUE(service.ReadLine(line));
        ASSERT_EQ(line.rfind("PORT ", 0), 0u) << line;
        address = "https://127.0.0.1:" + line.substr(5) + "/kvx/sync";

        std::filesystem::create_directory(folder.Sub("app"));
        std::filesystem::copy_file(KVX_SYNC_CLIENT, folder.Sub("app/sync_client"));
        std::filesystem::copy_file(KVX_DATABASE_LIBRARY, folder.Sub("app/libDataBase.so"));
        std::filesystem::copy_file(KVX_SENDRIX_LIBRARY, folder.Sub("app/libSendrix.so"));
        folder.WriteFile("app/ClientCert.pem", factory.CaPem());
    }

    // Synchronises the data file in the client program: its result code.
    int Sync(const std::string& path, int direction, const std::string& password = kPassword, int cancelAtKib = 0)
    {
        std::vector<std::string> argv = {folder.Sub("app/sync_client"), address, path, kEmail, password,
                                         std::to_string(direction)};
        if (cancelAtKib)
            argv.push_back(std::to_string(cancelAtKib));
        ChildProcess client;
        if (!client.Start(argv))
            return 1000;
        return Result(client);
    }
    static int Result(ChildProcess& client)
    {
        std::string output;
        int status = client.Wait(&output);
        EXPECT_EQ(status, 0) << output;
        EXPECT_EQ(output.rfind("RESULT ", 0), 0u) << output;
        return output.rfind("RESULT ", 0) == 0 ? std::stoi(output.substr(7)) : 1000;
    }

    // A data file of the test's folder, opened for the test's changes.
    std::unique_ptr<CSqliteDataBase> OpenFile(const std::string& name)
    {
        auto db = std::make_unique<CSqliteDataBase>(nullptr, nullptr);
        EXPECT_EQ(db->Open(DATABASE_OPEN_OPTIONS{1, 0}, folder.WSub(name).c_str()), DATABASE_OK);
        return db;
    }

    struct Pair {
        std::wstring word, meaning;
        int type;
        int status;
        std::wstring entered, answered;
    };
    static int64_t AddList(CAbstractDataBase& db, const wchar_t* name, int from, int to, const std::vector<Pair>& pairs,
                           int editable = 1)
    {
        VocabularyListRecord list;
        list.name = name;
        list.fromLanguage = from;
        list.toLanguage = to;
        list.editable = editable;
        EXPECT_EQ(db.Transaction(TRANSACTION_BEGIN), DATABASE_OK);
        int64_t listId = db.CreateVocabularyList(list);
        for (const Pair& pair : pairs)
            AddPair(db, listId, from, to, pair);
        EXPECT_EQ(db.Transaction(TRANSACTION_COMMIT), DATABASE_OK);
        return listId;
    }
    static int64_t AddPair(CAbstractDataBase& db, int64_t listId, int from, int to, const Pair& pair)
    {
        WordKeyRecord word;
        word.text = pair.word.c_str();
        word.language = from;
        MeaningRecord meaning;
        meaning.text = pair.meaning.c_str();
        meaning.language = to;
        meaning.type = pair.type;
        EXPECT_EQ(db.AddMeaning(word, meaning, 0), DATABASE_OK);
        WordLinkRecord link;
        link.listId = listId;
        link.wordId = word.id;
        link.meaningId = meaning.id;
        link.statusCount = pair.status;
        link.enteredDate = pair.entered.c_str();
        link.statusDate = pair.answered.c_str();
        EXPECT_EQ(db.AddListEntry(link, 0), DATABASE_OK);
        return link.linkId;
    }
    // The id of the one list of that name.
    static int64_t ListId(CAbstractDataBase& db, const wchar_t* name)
    {
        std::vector<std::vector<std::wstring>> lists = Rows(db, db.QueryVocabularyLists(LIST_QUERY_ALL, name));
        EXPECT_EQ(lists.size(), 1u);
        return lists.empty() ? 0 : std::stoll(lists[0][0]);
    }
    static void Rename(CAbstractDataBase& db, int64_t listId, const wchar_t* name)
    {
        std::vector<std::vector<std::wstring>> lists = Rows(db, db.QueryVocabularyLists(LIST_QUERY_ALL, L""));
        for (const auto& row : lists) {
            if (std::stoll(row[0]) != listId)
                continue;
            VocabularyListRecord list;
            list.id = listId;
            list.name = name;
            list.fromLanguage = std::stoi(row[2]);
            list.toLanguage = std::stoi(row[3]);
            list.editable = std::stoi(row[5]);
            list.secondText = row[6].c_str();
            EXPECT_EQ(db.UpdateVocabularyList(list), DATABASE_OK);
        }
    }
    // The entry of the word in the list: its link id, 0 when there is none.
    static int64_t LinkOf(CAbstractDataBase& db, int64_t listId, const wchar_t* word)
    {
        CQueryOptions options;
        options.AllWords = 1;
        options.ListIds = {listId};
        CAbstractRecordSet* set = db.QueryWords(options);
        int64_t link = 0;
        for (; set && !set->IsEOF(); set->MoveNext()) {
            WordRecord row;
            EXPECT_EQ(db.ReadWord(set, row), DATABASE_OK);
            if (Text(row.wordText) == word)
                link = row.linkId;
        }
        db.ReleaseRecordSet(set);
        return link;
    }
    static void SetStatus(CAbstractDataBase& db, int64_t listId, const wchar_t* word, int status, const wchar_t* date)
    {
        CQueryOptions options;
        options.AllWords = 1;
        options.ListIds = {listId};
        CAbstractRecordSet* set = db.QueryWords(options);
        ASSERT_NE(set, nullptr);
        for (; !set->IsEOF(); set->MoveNext()) {
            WordRecord row;
            ASSERT_EQ(db.ReadWord(set, row), DATABASE_OK);
            if (Text(row.wordText) != word)
                continue;
            WordLinkRecord link;
            link.linkId = row.linkId;
            link.statusCount = status;
            link.statusDate = date;
            EXPECT_EQ(db.SaveWordLink(link, 0), DATABASE_OK);
        }
        db.ReleaseRecordSet(set);
    }

    // Two lists of the seeded languages and one of a language of the
    // user's own.
    void MakeFirstFile()
    {
        auto db = OpenFile("a.pkv");
        int klingon = 0;
        ASSERT_EQ(db->AddLanguage(L"Klingon", L"tlh", 0, nullptr, &klingon, 0), DATABASE_OK);
        AddList(*db, L"Animals", kEnglish, kGerman,
                {{L"dog", L"Hund", 3, 2, L"2024-01-10", L"2024-02-01"},
                 {L"cat", L"Katze", 3, 0, L"2024-01-10", L"2024-01-10"},
                 {L"bird", L"Vogel", 0, 5, L"2024-01-11", L"2024-03-05"}});
        AddList(*db, L"Verben \"à la carte\"", kGerman, kEnglish,
                {{L"gehen", L"to go", 2, 1, L"2024-02-02", L"2024-02-03"}}, 0);
        AddList(*db, L"Greetings", kEnglish, klingon, {{L"hello", L"nuqneH", 1, 0, L"2024-04-01", L"2024-04-01"}});
        AddList(*db, L"Empty", kGerman, kGerman, {});
    }

    kvxtest::TempFolder folder;
    std::string python;
    ChildProcess service;
    std::string address;
};

TEST_F(SyncIntegrationTest, AnUploadDownloadsIntoAFreshDatabaseWithEverythingInPlace)
{
    MakeFirstFile();
    EXPECT_EQ(Sync(folder.Sub("a.pkv"), 1), DATABASE_OK);
    EXPECT_EQ(Sync(folder.Sub("b.pkv"), 0), DATABASE_OK);
    std::vector<std::string> expected = Content(folder.Sub("a.pkv"));
    EXPECT_EQ(expected.size(), 9u);
    EXPECT_EQ(Content(folder.Sub("b.pkv")), expected);
    // A second download changes nothing.
    EXPECT_EQ(Sync(folder.Sub("b.pkv"), 0), DATABASE_OK);
    EXPECT_EQ(Content(folder.Sub("b.pkv")), expected);
}

TEST_F(SyncIntegrationTest, AChangeUploadedFromTheSecondDatabaseMergesIntoTheFirst)
{
    MakeFirstFile();
    ASSERT_EQ(Sync(folder.Sub("a.pkv"), 1), DATABASE_OK);
    ASSERT_EQ(Sync(folder.Sub("b.pkv"), 0), DATABASE_OK);
    {
        auto b = OpenFile("b.pkv");
        CAbstractRecordSet* set = b->QueryVocabularyLists(LIST_QUERY_ALL, L"Animals");
        std::vector<std::vector<std::wstring>> lists = Rows(*b, set);
        ASSERT_EQ(lists.size(), 1u);
        int64_t animals = std::stoll(lists[0][0]);
        SetStatus(*b, animals, L"dog", 3, L"2024-05-01");   // later: wins
        SetStatus(*b, animals, L"cat", 4, L"2024-05-01");   // older than the first file's change below
        AddPair(*b, animals, kEnglish, kGerman, {L"horse", L"Pferd", 3, 1, L"2024-05-02", L"2024-05-02"});
        AddList(*b, L"Fruit", kEnglish, kGerman, {{L"apple", L"Apfel", 3, 0, L"2024-05-03", L"2024-05-03"}});
    }
    {
        auto a = OpenFile("a.pkv");
        CAbstractRecordSet* set = a->QueryVocabularyLists(LIST_QUERY_ALL, L"Animals");
        std::vector<std::vector<std::wstring>> lists = Rows(*a, set);
        ASSERT_EQ(lists.size(), 1u);
        SetStatus(*a, std::stoll(lists[0][0]), L"cat", 0, L"2024-06-01");
        AddList(*a, L"Only here", kEnglish, kGerman, {{L"tree", L"Baum", 3, 2, L"2024-06-02", L"2024-06-02"}});
    }
    ASSERT_EQ(Sync(folder.Sub("b.pkv"), 1), DATABASE_OK);
    ASSERT_EQ(Sync(folder.Sub("a.pkv"), 0), DATABASE_OK);

    std::vector<std::string> merged = Content(folder.Sub("a.pkv"));
    auto has = [&](const std::string& text) {
        for (const std::string& row : merged)
            if (row.find(text) != std::string::npos)
                return true;
        return false;
    };
    EXPECT_TRUE(has("| dog | English | Hund | German | Noun | 3 | 2024-01-10 | 2024-05-01"));
    EXPECT_TRUE(has("| cat | English | Katze | German | Noun | 0 | 2024-01-10 | 2024-06-01"));
    EXPECT_TRUE(has("| horse | English | Pferd | German | Noun | 1 | 2024-05-02 | 2024-05-02"));
    EXPECT_TRUE(has("| apple | English | Apfel | German | Noun | 0 | 2024-05-03 | 2024-05-03"));
    EXPECT_TRUE(has("| tree | English | Baum | German | Noun | 2 | 2024-06-02 | 2024-06-02"));
    EXPECT_TRUE(has("| bird | English | Vogel | German |  | 5 | 2024-01-11 | 2024-03-05"));
    // Six lists, eight entries: nothing of either file is lost or doubled.
    EXPECT_EQ(merged.size(), 14u);
}

// Two computers change the same list on the same day, each without the
// other's changes, and both upload before either downloads.
TEST_F(SyncIntegrationTest, TwoComputersChangingTheSameListBothKeepEveryChange)
{
    {
        auto a = OpenFile("a.pkv");
        AddList(*a, L"Animals", kEnglish, kGerman,
                {{L"dog", L"Hund", 3, 1, L"2024-01-10", L"2024-01-10"},
                 {L"cat", L"Katze", 3, 1, L"2024-01-10", L"2024-01-10"},
                 {L"bird", L"Vogel", 3, 2, L"2024-01-10", L"2024-01-10"}});
    }
    ASSERT_EQ(Sync(folder.Sub("a.pkv"), 1), DATABASE_OK);
    ASSERT_EQ(Sync(folder.Sub("b.pkv"), 0), DATABASE_OK);
    {
        auto a = OpenFile("a.pkv");
        int64_t animals = ListId(*a, L"Animals");
        EXPECT_EQ(a->SetWordStatus(0, LinkOf(*a, animals, L"cat"), WORD_STATUS_REMOVE), DATABASE_OK);
        AddPair(*a, animals, kEnglish, kGerman, {L"fish", L"Fisch", 3, 0, L"2024-01-10", L"2024-01-10"});
        Rename(*a, animals, L"Animals of A");
        // A quiz on the same day as every status date of the other file.
        SetStatus(*a, animals, L"dog", 4, L"2024-01-10");
        SetStatus(*a, animals, L"bird", 0, L"2024-01-10");
    }
    {
        auto b = OpenFile("b.pkv");
        int64_t animals = ListId(*b, L"Animals");
        AddPair(*b, animals, kEnglish, kGerman, {L"cow", L"Kuh", 3, 0, L"2024-01-10", L"2024-01-10"});
        Rename(*b, animals, L"Animals of B");
    }
    ASSERT_EQ(Sync(folder.Sub("a.pkv"), 1), DATABASE_OK);
    ASSERT_EQ(Sync(folder.Sub("b.pkv"), 1), DATABASE_OK);
    ASSERT_EQ(Sync(folder.Sub("a.pkv"), 0), DATABASE_OK);
    ASSERT_EQ(Sync(folder.Sub("b.pkv"), 0), DATABASE_OK);

    std::vector<std::string> a = Content(folder.Sub("a.pkv"));
    EXPECT_EQ(Content(folder.Sub("b.pkv")), a);
    std::string all;
    for (const std::string& row : a)
        all += row + "\n";
    // The later rename, both additions, the removal and A's quiz.
    EXPECT_NE(all.find("| Animals of B |"), std::string::npos) << all;
    EXPECT_NE(all.find("| fish | English | Fisch | German | Noun | 0 |"), std::string::npos) << all;
    EXPECT_NE(all.find("| cow | English | Kuh | German | Noun | 0 |"), std::string::npos) << all;
    EXPECT_NE(all.find("| dog | English | Hund | German | Noun | 4 |"), std::string::npos) << all;
    EXPECT_NE(all.find("| bird | English | Vogel | German | Noun | 0 |"), std::string::npos) << all;
    EXPECT_EQ(all.find("cat"), std::string::npos) << all;
    EXPECT_EQ(a.size(), 5u) << all;

    // A list removed on one computer is removed on the other, and stays
    // removed when the other uploads again.
    {
        auto b = OpenFile("b.pkv");
        EXPECT_EQ(b->DeleteVocabularyList(ListId(*b, L"Animals of B"), 0), DATABASE_OK);
    }
    ASSERT_EQ(Sync(folder.Sub("b.pkv"), 1), DATABASE_OK);
    ASSERT_EQ(Sync(folder.Sub("a.pkv"), 1), DATABASE_OK);
    ASSERT_EQ(Sync(folder.Sub("a.pkv"), 0), DATABASE_OK);
    EXPECT_TRUE(Content(folder.Sub("a.pkv")).empty());
}

TEST_F(SyncIntegrationTest, AWrongPasswordOrAStoppedServiceChangesNothing)
{
    MakeFirstFile();
    ASSERT_EQ(Sync(folder.Sub("a.pkv"), 1), DATABASE_OK);
    {
        auto b = OpenFile("b.pkv");
        AddList(*b, L"Mine", kEnglish, kGerman, {{L"sun", L"Sonne", 3, 1, L"2024-01-01", L"2024-01-01"}});
    }
    std::vector<std::string> before = VisibleContent(folder.Sub("b.pkv"));
    EXPECT_EQ(Sync(folder.Sub("b.pkv"), 0, "geheim ü&=+ 1"), DATABASE_WRONG_ACCOUNT);
    EXPECT_EQ(Sync(folder.Sub("b.pkv"), 1, "wrong"), DATABASE_WRONG_ACCOUNT);
    EXPECT_EQ(VisibleContent(folder.Sub("b.pkv")), before);

    service.Stop();
    EXPECT_EQ(Sync(folder.Sub("b.pkv"), 0), DATABASE_NO_CONNECTION);
    EXPECT_EQ(Sync(folder.Sub("b.pkv"), 1), DATABASE_NO_CONNECTION);
    EXPECT_EQ(VisibleContent(folder.Sub("b.pkv")), before);
}

TEST_F(SyncIntegrationTest, ACancelDuringALargeTransferLeavesBothSidesAsTheyWere)
{
    std::mt19937 random(5);
    auto randomWord = [&]() {
        std::wstring word;
        for (int i = 0; i < 12; ++i)
            word += static_cast<wchar_t>(L'a' + random() % 26);
        return word;
    };
    std::vector<Pair> pairs;
    for (int i = 0; i < 6000; ++i)
        pairs.push_back({randomWord(), randomWord(), 3, static_cast<int>(i % 6), L"2024-01-01", L"2024-02-01"});
    {
        auto a = OpenFile("a.pkv");
        AddList(*a, L"Large", kEnglish, kGerman, pairs);
    }
    ASSERT_EQ(Sync(folder.Sub("a.pkv"), 1), DATABASE_OK);
    {
        auto b = OpenFile("b.pkv");
        AddList(*b, L"Mine", kEnglish, kGerman, {{L"sun", L"Sonne", 3, 1, L"2024-01-01", L"2024-01-01"}});
    }
    std::vector<std::string> before = Content(folder.Sub("b.pkv"));
    // Cancelled after the first piece of the reply.
    EXPECT_EQ(Sync(folder.Sub("b.pkv"), 0, kPassword, 1), DATABASE_CANCELLED);
    EXPECT_EQ(Content(folder.Sub("b.pkv")), before);

    // An upload cancelled after its first piece leaves the account's copy.
    {
        auto a = OpenFile("a.pkv");
        AddList(*a, L"Later", kEnglish, kGerman, {{L"moon", L"Mond", 3, 1, L"2024-01-01", L"2024-01-01"}});
    }
    EXPECT_EQ(Sync(folder.Sub("a.pkv"), 1, kPassword, 1), DATABASE_CANCELLED);
    EXPECT_EQ(Sync(folder.Sub("c.pkv"), 0), DATABASE_OK);
    std::vector<std::string> copy = Content(folder.Sub("c.pkv"));
    EXPECT_EQ(copy.size(), pairs.size() + 1);
    for (const std::string& row : copy)
        EXPECT_EQ(row.find("Later"), std::string::npos);
}

TEST_F(SyncIntegrationTest, TwoUploadsAtOnceBothReachTheAccount)
{
    {
        auto a = OpenFile("a.pkv");
        std::vector<Pair> pairs;
        for (int i = 0; i < 2000; ++i)
            pairs.push_back({L"a" + std::to_wstring(i), L"A" + std::to_wstring(i), 3, 1, L"2024-01-01", L"2024-01-01"});
        AddList(*a, L"First", kEnglish, kGerman, pairs);
        auto b = OpenFile("b.pkv");
        for (Pair& pair : pairs)
            pair.word[0] = L'b';
        AddList(*b, L"Second", kEnglish, kGerman, pairs);
        AddList(*b, L"Third", kEnglish, kGerman, {{L"x", L"y", 3, 1, L"2024-01-01", L"2024-01-01"}});
    }
    ChildProcess first, second;
    ASSERT_TRUE(first.Start({folder.Sub("app/sync_client"), address, folder.Sub("a.pkv"), kEmail, kPassword, "1"}));
    ASSERT_TRUE(second.Start({folder.Sub("app/sync_client"), address, folder.Sub("b.pkv"), kEmail, kPassword, "1"}));
    EXPECT_EQ(Result(first), DATABASE_OK);
    EXPECT_EQ(Result(second), DATABASE_OK);
    // The second upload to arrive was merged again with the first.
    ASSERT_EQ(Sync(folder.Sub("c.pkv"), 0), DATABASE_OK);
    std::vector<std::string> copy = Content(folder.Sub("c.pkv"));
    std::vector<std::string> both = Content(folder.Sub("a.pkv"));
    for (const std::string& row : Content(folder.Sub("b.pkv")))
        both.push_back(row);
    std::sort(both.begin(), both.end());
    std::sort(copy.begin(), copy.end());
    EXPECT_EQ(copy.size(), 4004u);
    EXPECT_TRUE(copy == both);
}

}  // namespace
}  // namespace dbtest
