// Several threads and processes at one data file: no lost writes, no
// half-done writes, and storage failures that reach the caller as thrown
// DATABASE_RESULT codes, also through the loaded library.

#include <dlfcn.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "DataBaseFixture.h"
#include "SqliteDataBase.h"

using namespace dbtest;

namespace {

using Table = std::vector<std::vector<std::wstring>>;

std::string RawValue(const std::string& file, const char* sql)
{
    sqlite3* raw = nullptr;
    std::string value;
    if (sqlite3_open(file.c_str(), &raw) == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(raw, sql, -1, &statement, nullptr) == SQLITE_OK && sqlite3_step(statement) == SQLITE_ROW)
            value = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
        sqlite3_finalize(statement);
    }
    sqlite3_close(raw);
    return value;
}

VocabularyListRecord NewList(const wchar_t* name)
{
    VocabularyListRecord list;
    list.name = name;
    list.fromLanguage = kEnglish;
    list.toLanguage = kGerman;
    return list;
}

// Adds one pair to a list as the list editor does; returns the result of
// the entry.
int AddPair(CAbstractDataBase& db, int64_t listId, const std::wstring& word, const std::wstring& meaning)
{
    WordKeyRecord key;
    key.text = word.c_str();
    key.language = kEnglish;
    MeaningRecord mean;
    mean.text = meaning.c_str();
    mean.language = kGerman;
    int rc = db.AddMeaning(key, mean, 0);
    if (rc != DATABASE_OK)
        return rc;
    WordLinkRecord link;
    link.listId = listId;
    link.wordId = key.id;
    link.meaningId = mean.id;
    return db.AddListEntry(link, 0);
}

}  // namespace

TEST_F(DataBaseTest, EightThreadsAddAndQueryWithoutLoss)
{
    constexpr int kThreads = 8;
    constexpr int kPairs = 30;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    std::vector<int64_t> lists(kThreads);
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            VocabularyListRecord list = NewList((L"List " + std::to_wstring(t)).c_str());
            lists[t] = db->CreateVocabularyList(list);
            bool batched = t % 2 == 0;  // half of them save in one transaction, as the list editor does
            if (batched && db->Transaction(TRANSACTION_BEGIN) != DATABASE_OK)
                ++failures;
            for (int i = 0; i < kPairs; ++i) {
                // Every thread stores the shared words too, so they meet on the same rows.
                std::wstring word = i % 3 == 0 ? L"Shared" + std::to_wstring(i) : L"w" + std::to_wstring(t) + L"_" + std::to_wstring(i);
                if (AddPair(*db, lists[t], word, L"m" + std::to_wstring(i)) != DATABASE_OK)
                    ++failures;
                CAbstractRecordSet* found = db->Search(L"shared", SEARCH_FIRST_LANGUAGE_PREFIX, 0, 0);
                if (!found)
                    ++failures;
                db->ReleaseRecordSet(found);
                CQueryOptions options;
                options.AllWords = 1;
                options.ListIds = {lists[t]};
                CAbstractRecordSet* words = db->QueryWords(options);
                // Its own thread sees every pair it added so far.
                if (!words || words->GetCount() != i + 1)
                    ++failures;
                db->ReleaseRecordSet(words);
            }
            if (batched && db->Transaction(TRANSACTION_COMMIT) != DATABASE_OK)
                ++failures;
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(failures.load(), 0);
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(Words(lists[t]).size(), static_cast<size_t>(kPairs)) << t;
    db->SetLanguagePair({kEnglish, kGerman});
    EXPECT_EQ(Rows(*db, db->Search(L"shared", SEARCH_FIRST_LANGUAGE_PREFIX, 0, 0)).size(), 10u);
    EXPECT_EQ(RawValue(kvxtest::Narrow(path), "PRAGMA integrity_check"), "ok");
}

TEST_F(DataBaseTest, TransactionLeftOpenByAnEndedThreadIsRolledBack)
{
    std::thread worker([&] {
        ASSERT_EQ(db->Transaction(TRANSACTION_BEGIN), DATABASE_OK);
        VocabularyListRecord list = NewList(L"Never committed");
        ASSERT_GT(db->CreateVocabularyList(list), 0);
    });
    worker.join();
    EXPECT_TRUE(Rows(*db, db->QueryVocabularyLists(LIST_QUERY_ALL, L"")).empty());
    // The file is free for the next writer.
    VocabularyListRecord list = NewList(L"Next");
    EXPECT_GT(db->CreateVocabularyList(list), 0);
}

TEST_F(DataBaseTest, WriterThatWaitsTooLongThrowsAndLeavesNothing)
{
    CSqliteDataBase::SetBusyTimeoutForTests(50);
    Reopen();
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(kvxtest::Narrow(path).c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);

    WordKeyRecord word;
    word.text = L"blocked";
    word.language = kEnglish;
    try {
        db->AddWord(word);
        ADD_FAILURE() << "no throw";
    } catch (DATABASE_RESULT result) {
        EXPECT_EQ(result, DATABASE_STORAGE_FAILED);
    }
    EXPECT_EQ(db->Transaction(TRANSACTION_BEGIN), DATABASE_STORAGE_FAILED);
    // Readers go on meanwhile.
    EXPECT_EQ(Rows(*db, db->QueryMeanTypes()).size(), 4u);

    ASSERT_EQ(sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(other);
    CSqliteDataBase::SetBusyTimeoutForTests(15000);
    EXPECT_EQ(Rows(*db, db->Search(L"blocked", SEARCH_TEXT_EXISTS, 0, 0)), (Table{{L"0"}}));
    EXPECT_EQ(db->AddWord(word), DATABASE_OK);
}

TEST(DataBaseCrash, KilledWriterLeavesEveryCommittedRowAndASoundFile)
{
    kvxtest::TempFolder folder;
    std::wstring path = folder.WSub("Quenzel.pkv");
    int channel[2];
    ASSERT_EQ(pipe(channel), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(channel[0]);
        CSqliteDataBase db(nullptr, nullptr);
        if (db.Open({1, 0}, path.c_str()) != DATABASE_OK)
            _exit(3);
        for (int i = 0; i < 20; ++i) {
            VocabularyListRecord list = NewList((L"Committed " + std::to_wstring(i)).c_str());
            if (db.CreateVocabularyList(list) <= 0 || AddPair(db, list.id, L"w" + std::to_wstring(i), L"m") != 0)
                _exit(4);
            if (write(channel[1], "c", 1) != 1)
                _exit(5);
        }
        // A large write that is never committed.
        db.Transaction(TRANSACTION_BEGIN);
        VocabularyListRecord big = NewList(L"Interrupted");
        db.CreateVocabularyList(big);
        for (int i = 0;; ++i) {
            AddPair(db, big.id, L"big" + std::to_wstring(i), std::wstring(200, L'x') + std::to_wstring(i));
            if (i == 3000 && write(channel[1], "B", 1) != 1)
                _exit(6);
        }
    }
    close(channel[1]);
    int committed = 0;
    char signal = 0;
    while (read(channel[0], &signal, 1) == 1 && signal == 'c')
        ++committed;
    close(channel[0]);
    ASSERT_EQ(signal, 'B') << "the writer ended early after " << committed << " commits";
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(committed, 20);

    std::string file = kvxtest::Narrow(path);
    EXPECT_EQ(RawValue(file, "PRAGMA integrity_check"), "ok");
    CSqliteDataBase db(nullptr, nullptr);
    ASSERT_EQ(db.Open({1, 0}, path.c_str()), DATABASE_OK);
    Table lists = Rows(db, db.QueryVocabularyLists(LIST_QUERY_ALL, L""));
    ASSERT_EQ(lists.size(), 20u);
    for (const auto& row : lists)
        EXPECT_EQ(row[4], L"1") << kvxtest::Narrow(row[1]);
    db.SetLanguagePair({kEnglish, kGerman});
    EXPECT_TRUE(Rows(db, db.Search(L"big", SEARCH_FIRST_LANGUAGE_PREFIX, 0, 0)).empty());
}

TEST(DataBaseLibrary, ExportsWorkAndStorageFailuresCrossTheLibraryAsThrownResults)
{
    void* library = dlopen(KVX_DATABASE_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    auto create = reinterpret_cast<CreateDataBaseFunction>(dlsym(library, "CreateDataBase"));
    auto destroy = reinterpret_cast<DeleteDataBaseFunction>(dlsym(library, "DeleteDataBase"));
    ASSERT_NE(create, nullptr);
    ASSERT_NE(destroy, nullptr);

    kvxtest::TempFolder folder;
    std::wstring path = folder.WSub("Quenzel.pkv");
    {
        CAbstractDataBase* db = create(nullptr, nullptr, 0);
        ASSERT_NE(db, nullptr);
        ASSERT_EQ(db->Open({1, 0}, path.c_str()), DATABASE_OK);
        PronunciationRecord sound;
        sound.ownerId = 1;
        sound.sound = {1, 2, 3};
        EXPECT_EQ(db->SavePronunciation(sound, nullptr), DATABASE_OK);
        destroy(db);
    }

    // A child whose files may not grow: the large write fails on the disk.
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        CAbstractDataBase* db = create(nullptr, nullptr, 0);
        if (!db || db->Open({1, 0}, path.c_str()) != DATABASE_OK)
            _exit(3);
        struct stat info {};
        stat(kvxtest::Narrow(path).c_str(), &info);
        std::string wal = kvxtest::Narrow(path) + "-wal";
        struct stat walInfo {};
        stat(wal.c_str(), &walInfo);
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        limit.rlim_cur = limit.rlim_max = static_cast<rlim_t>(std::max(info.st_size, walInfo.st_size) + 65536);
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
            _exit(4);
        PronunciationRecord sound;
        sound.ownerId = 2;
        sound.sound.assign(8 * 1024 * 1024, 0x5A);
        int code = 1;
        try {
            db->SavePronunciation(sound, nullptr);
        } catch (DATABASE_RESULT result) {
            code = result == DATABASE_STORAGE_FAILED ? 0 : 2;
        }
        _exit(code);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);

    CAbstractDataBase* db = create(nullptr, nullptr, 0);
    ASSERT_EQ(db->Open({1, 0}, path.c_str()), DATABASE_OK);
    EXPECT_EQ(Rows(*db, db->QueryPronunciations(1, 0)).size(), 1u);
    EXPECT_TRUE(Rows(*db, db->QueryPronunciations(2, 0)).empty());
    destroy(db);
    EXPECT_EQ(RawValue(kvxtest::Narrow(path), "PRAGMA integrity_check"), "ok");
    dlclose(library);
}
