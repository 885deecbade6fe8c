// Storage faults injected under the component: a full file system (a file
// layer with a small budget of bytes), a failing commit, a transaction lost
// to a failure, files and folders that cannot be written, and data files
// whose tables were dropped. After each the data file is whole and holds
// every write that was acknowledged, and nothing of the rest.

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "DataBaseFixture.h"
#include "DiskBudgetVfs.h"
#include "SqliteDataBase.h"
#include "testing/OtherFileUser.h"

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

int64_t FileSize(const std::string& path)
{
    std::error_code error;
    auto size = std::filesystem::file_size(path, error);
    return error ? 0 : static_cast<int64_t>(size);
}

WordKeyRecord EnglishWord(const std::wstring& text)
{
    WordKeyRecord word;
    word.text = text.c_str();
    word.language = kEnglish;
    return word;
}

// The result a write threw, or what it gave.
template <class Call>
int Outcome(Call&& call)
{
    try {
        return call();
    } catch (DATABASE_RESULT result) {
        return result == DATABASE_OK ? DATABASE_FAILED : result;
    }
}

bool Stored(CAbstractDataBase& db, const std::wstring& text)
{
    return Rows(db, db.Search(text.c_str(), SEARCH_TEXT_EXISTS, 0, 0)) == Table{{L"1"}};
}

// The component over a data file on a small file system.
class FullDiskTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CSqliteDataBase::SetFileLayerForTests(disk.Name());
        db = std::make_unique<CSqliteDataBase>(nullptr, nullptr);
        ASSERT_EQ(db->Open({1, 0}, path.c_str()), DATABASE_OK);
    }
    void TearDown() override
    {
        db.reset();
        CSqliteDataBase::SetFileLayerForTests(nullptr);
    }
    // The data file as another program finds it afterwards: whole, and
    // opened by a component on the ordinary file layer.
    std::unique_ptr<CSqliteDataBase> ReopenOnTheDisk()
    {
        db.reset();
        CSqliteDataBase::SetFileLayerForTests(nullptr);
        EXPECT_EQ(RawValue(file, "PRAGMA integrity_check"), "ok");
        auto reopened = std::make_unique<CSqliteDataBase>(nullptr, nullptr);
        EXPECT_EQ(reopened->Open({1, 0}, path.c_str()), DATABASE_OK);
        return reopened;
    }

    DiskBudgetVfs disk{"kvx-small-disk"};
    kvxtest::TempFolder folder;
    std::wstring path = folder.WSub("Quenzel.pkv");
    std::string file = folder.Sub("Quenzel.pkv");
    std::unique_ptr<CSqliteDataBase> db;
};

}  // namespace

TEST_F(FullDiskTest, AFullDiskFailsTheWriteKeepsEveryAcknowledgedOneAndEmptiesTheLog)
{
    // Free pages inside the data file, as a file in use has them: the
    // committed words land there, so the log can be emptied into the file
    // while the disk is full.
    PronunciationRecord filler;
    filler.ownerId = 1;
    filler.sound.assign(512 * 1024, 0x11);
    ASSERT_EQ(db->SavePronunciation(filler, nullptr), DATABASE_OK);
    ASSERT_EQ(db->DeletePronunciation(filler.id), DATABASE_OK);
    ASSERT_EQ(RawValue(file, "PRAGMA wal_checkpoint(TRUNCATE)"), "0");
    disk.SetBudget(disk.Used() + 96 * 1024);

    std::vector<std::wstring> acknowledged;
    std::wstring refused;
    for (int i = 0; i < 10000 && refused.empty(); ++i) {
        std::wstring text = L"word" + std::to_wstring(i) + std::wstring(400, L'x');
        WordKeyRecord word = EnglishWord(text);
        int result = Outcome([&] { return db->AddWord(word); });
        if (result == DATABASE_OK) {
            acknowledged.push_back(text);
        } else {
            EXPECT_EQ(result, DATABASE_STORAGE_FAILED);
            refused = text;
        }
    }
    ASSERT_FALSE(refused.empty()) << "the disk never filled";
    ASSERT_FALSE(acknowledged.empty());
    // The frames of the failed write do not keep the disk full.
    EXPECT_EQ(FileSize(file + "-wal"), 0);
    // The program goes on: reads work, and so do writes once there is room.
    EXPECT_TRUE(Stored(*db, acknowledged.back()));
    disk.SetBudget(-1);
    WordKeyRecord later = EnglishWord(L"later");
    EXPECT_EQ(db->AddWord(later), DATABASE_OK);

    auto reopened = ReopenOnTheDisk();
    for (const std::wstring& text : acknowledged)
        EXPECT_TRUE(Stored(*reopened, text)) << kvxtest::Narrow(text.substr(0, 12));
    EXPECT_FALSE(Stored(*reopened, refused));
    EXPECT_TRUE(Stored(*reopened, L"later"));
}

TEST_F(FullDiskTest, AFailingCommitIsThrownAndLeavesNothingOfTheTransaction)
{
    ASSERT_EQ(RawValue(file, "PRAGMA wal_checkpoint(TRUNCATE)"), "0");
    ASSERT_EQ(db->Transaction(TRANSACTION_BEGIN), DATABASE_OK);
    for (const wchar_t* text : {L"one", L"two", L"three"}) {
        WordKeyRecord word = EnglishWord(text);
        ASSERT_EQ(db->AddWord(word), DATABASE_OK);
    }
    // The transaction's pages reach the log only at the commit.
    disk.SetBudget(disk.Used());
    EXPECT_EQ(Outcome([&] { return db->Transaction(TRANSACTION_COMMIT); }), DATABASE_STORAGE_FAILED);
    disk.SetBudget(-1);
    EXPECT_FALSE(Stored(*db, L"one"));
    // The thread has no transaction left: the next write is its own.
    WordKeyRecord next = EnglishWord(L"next");
    EXPECT_EQ(db->AddWord(next), DATABASE_OK);
    EXPECT_EQ(db->Transaction(TRANSACTION_COMMIT), DATABASE_INVALID_ARGUMENT);

    auto reopened = ReopenOnTheDisk();
    for (const wchar_t* text : {L"one", L"two", L"three"})
        EXPECT_FALSE(Stored(*reopened, text)) << kvxtest::Narrow(text);
    EXPECT_TRUE(Stored(*reopened, L"next"));
}

TEST_F(FullDiskTest, ATransactionIsKeptWholeOrNotAtAllWhenAWriteInItMeetsAFullDisk)
{
    ASSERT_EQ(RawValue(file, "PRAGMA wal_checkpoint(TRUNCATE)"), "0");
    ASSERT_EQ(db->Transaction(TRANSACTION_BEGIN), DATABASE_OK);
    WordKeyRecord first = EnglishWord(L"first");
    ASSERT_EQ(db->AddWord(first), DATABASE_OK);
    // A sound larger than the page cache goes to the log before the
    // commit, onto a disk without room.
    disk.SetBudget(disk.Used() + 64 * 1024);
    PronunciationRecord sound;
    sound.ownerId = 7;
    sound.sound.assign(6 * 1024 * 1024, 0x5A);
    EXPECT_EQ(Outcome([&] { return db->SavePronunciation(sound, nullptr); }), DATABASE_STORAGE_FAILED);
    disk.SetBudget(-1);
    WordKeyRecord second = EnglishWord(L"second");
    int secondResult = Outcome([&] { return db->AddWord(second); });
    int commit = Outcome([&] { return db->Transaction(TRANSACTION_COMMIT); });
    if (secondResult != DATABASE_OK) {
        EXPECT_EQ(secondResult, DATABASE_STORAGE_FAILED);
    }
    // The writes that were meant to be committed together are all kept
    // when the commit says so, and none when it failed.
    auto reopened = ReopenOnTheDisk();
    EXPECT_EQ(Stored(*reopened, L"first"), commit == DATABASE_OK);
    EXPECT_EQ(Stored(*reopened, L"second"), commit == DATABASE_OK && secondResult == DATABASE_OK);
    EXPECT_TRUE(Rows(*reopened, reopened->QueryPronunciations(7, 0)).empty());
}

// The connection that opening the file makes is the one a single thread
// goes on using: its page cache holds the whole file, so that reading the
// same rows again reads nothing from the disk.
TEST_F(FullDiskTest, TheFirstConnectionCachesAsMuchAsTheFileHolds)
{
    PronunciationRecord sound;
    sound.ownerId = 3;
    sound.sound.assign(6 * 1024 * 1024, 0x44);
    ASSERT_EQ(db->SavePronunciation(sound, nullptr), DATABASE_OK);
    db = std::make_unique<CSqliteDataBase>(nullptr, nullptr);
    ASSERT_EQ(db->Open({1, 0}, path.c_str()), DATABASE_OK);
    ASSERT_EQ(Rows(*db, db->QueryPronunciations(3, 0)).size(), 1u);
    const int64_t before = disk.BytesRead();
    ASSERT_EQ(Rows(*db, db->QueryPronunciations(3, 0)).size(), 1u);
    EXPECT_LT(disk.BytesRead() - before, 64 * 1024);
}

TEST_F(DataBaseTest, TheLogShrinksBackAfterALargeWrite)
{
    PronunciationRecord sound;
    sound.ownerId = 3;
    sound.sound.assign(6 * 1024 * 1024, 0x33);
    ASSERT_EQ(db->SavePronunciation(sound, nullptr), DATABASE_OK);
    ASSERT_GT(FileSize(kvxtest::Narrow(path) + "-wal"), 6 * 1024 * 1024);
    // The commit emptied the log into the file; the next write starts the
    // log again and cuts it.
    WordKeyRecord word = EnglishWord(L"small");
    ASSERT_EQ(db->AddWord(word), DATABASE_OK);
    EXPECT_LE(FileSize(kvxtest::Narrow(path) + "-wal"), 1024 * 1024);
}

namespace {

mode_t Mode(const std::string& path)
{
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 ? status.st_mode & 07777 : 0;
}

}  // namespace

TEST_F(DataBaseTest, AFileThatCannotBeWrittenIsRefusedAsReadOnlyAndLeavesNoLogFiles)
{
    db.reset();
    std::string file = kvxtest::Narrow(path);
    ASSERT_EQ(RawValue(file, "PRAGMA journal_mode"), "wal");
    ASSERT_FALSE(std::filesystem::exists(file + "-shm"));
    std::string before = kvxtest::TempFolder::ReadFile(file);
    ASSERT_EQ(chmod(file.c_str(), 0444), 0);
    {
        kvxtest::OtherFileUser user(folder.Path());
        CSqliteDataBase readOnly(nullptr, nullptr);
        EXPECT_EQ(readOnly.Open({1, 0}, path.c_str()), DATABASE_READ_ONLY);
        EXPECT_EQ(readOnly.IsDictionaryOpen(), 0);
    }
    EXPECT_FALSE(std::filesystem::exists(file + "-shm"));
    EXPECT_FALSE(std::filesystem::exists(file + "-wal"));
    EXPECT_EQ(kvxtest::TempFolder::ReadFile(file), before);

    // A folder that cannot be written takes no log files either.
    ASSERT_EQ(chmod(file.c_str(), 0644), 0);
    ASSERT_EQ(chmod(folder.Path().c_str(), 0555), 0);
    {
        kvxtest::OtherFileUser user(folder.Path());
        CSqliteDataBase readOnly(nullptr, nullptr);
        EXPECT_EQ(readOnly.Open({1, 0}, path.c_str()), DATABASE_READ_ONLY);
        EXPECT_EQ(readOnly.Open({1, 0}, folder.WSub("new.pkv").c_str()), DATABASE_READ_ONLY);
    }
    ASSERT_EQ(chmod(folder.Path().c_str(), 0700), 0);
    EXPECT_FALSE(std::filesystem::exists(folder.Sub("new.pkv")));
}

TEST_F(DataBaseTest, LogFilesLeftWithoutWriteAccessDoNotBlockALaterStart)
{
    WordKeyRecord kept = EnglishWord(L"kept");
    ASSERT_EQ(db->AddWord(kept), DATABASE_OK);
    db.reset();
    std::string file = kvxtest::Narrow(path);
    // What a read-only session of an earlier version left behind: the
    // shared-memory file with the read-only mode of the data file then.
    folder.WriteFile("Quenzel.pkv-shm", std::string(32768, '\0'));
    ASSERT_EQ(chmod((file + "-shm").c_str(), 0444), 0);
    {
        kvxtest::OtherFileUser user(folder.Path());
        CSqliteDataBase writer(nullptr, nullptr);
        ASSERT_EQ(writer.Open({1, 0}, path.c_str()), DATABASE_OK);
        EXPECT_TRUE(Stored(writer, L"kept"));
        WordKeyRecord word = EnglishWord(L"saved");
        EXPECT_EQ(Outcome([&] { return writer.AddWord(word); }), DATABASE_OK);
    }
    EXPECT_TRUE(!std::filesystem::exists(file + "-shm") || (Mode(file + "-shm") & 0200));
    Reopen();
    EXPECT_TRUE(Stored(*db, L"saved"));
}

TEST(DataBaseOpen, RefusesADataFileWhoseTablesColumnsOrIndexesWereDropped)
{
    kvxtest::TempFolder folder;
    {
        CSqliteDataBase db(nullptr, nullptr);
        ASSERT_EQ(db.Open({1, 0}, folder.WSub("good.pkv").c_str()), DATABASE_OK);
    }
    std::string good = kvxtest::TempFolder::ReadFile(folder.Sub("good.pkv"));
    ASSERT_FALSE(good.empty());
    const char* damages[] = {
        "DROP TABLE history",
        "DROP TABLE list_entry; DROP TABLE vocab_list",
        "DROP INDEX word_language_fold",
        "ALTER TABLE meaning DROP COLUMN type_id",
        "ALTER TABLE vocab_list RENAME TO lists",
    };
    for (const char* damage : damages) {
        folder.WriteFile("damaged.pkv", good);
        std::string file = folder.Sub("damaged.pkv");
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open(file.c_str(), &raw), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(raw, damage, nullptr, nullptr, nullptr), SQLITE_OK) << damage << sqlite3_errmsg(raw);
        sqlite3_close(raw);
        std::string before = kvxtest::TempFolder::ReadFile(file);
        CSqliteDataBase db(nullptr, nullptr);
        EXPECT_EQ(db.Open({1, 0}, folder.WSub("damaged.pkv").c_str()), DATABASE_NOT_A_DATABASE) << damage;
        EXPECT_EQ(db.IsDictionaryOpen(), 0) << damage;
        EXPECT_EQ(kvxtest::TempFolder::ReadFile(file), before) << damage;
    }
}
