#include "SqliteDataBase.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>

#include "DataBaseClock.h"
#include "RecordSet.h"
#include "Schema.h"
#include "StoredWords.h"
#include "SyncCopy.h"
#include "SyncExchange.h"
#include "SyncMerge.h"
#include "utility/TextCodec.h"

namespace {

std::atomic<int> g_busyTimeoutMs{15000};
// The SQLite file layer of the data file (null: the default); tests put a
// layer of their own under it.
std::atomic<const char*> g_vfsName{nullptr};

// Objects alive, for the thread-exit clean-up of open transactions.
std::mutex g_liveLock;
std::set<CSqliteDataBase*> g_live;

// The objects in which this thread began a transaction.
struct ThreadTransactions {
    std::vector<CSqliteDataBase*> objects;
    ~ThreadTransactions()
    {
        std::lock_guard<std::mutex> lock(g_liveLock);
        for (CSqliteDataBase* object : objects)
            if (g_live.count(object))
                object->AbandonThreadTransaction(std::this_thread::get_id());
    }
};
thread_local ThreadTransactions t_transactions;

// Sounds and pictures larger than this are refused.
constexpr std::streamoff kMaxFileBytes = 256 * 1024 * 1024;
// Rows of a suggestion, word or step search.
constexpr int kSuggestionRows = 100;
constexpr int kWordRows = 200;
constexpr int kRelationSynonym = 1;
constexpr int kRelationAntonym = 2;
// Uploads tried when other computers keep uploading in between.
constexpr int kSyncUploadAttempts = 8;

std::wstring Wide(const wchar_t* text)
{
    return text ? std::wstring(text) : std::wstring();
}

std::wstring Wide(const CBasicString& text)
{
    return std::wstring(text.GetString(), static_cast<size_t>(text.GetLength()));
}

CBasicString Basic(const std::wstring& text)
{
    return CBasicString(text.c_str(), static_cast<int>(text.size()));
}

int ClampStatus(int count)
{
    return std::clamp(count, 0, 5);
}

// A storage failure as the code a write throws.
DATABASE_RESULT StorageResult(const SqlError& error)
{
    int primary = error.code & 0xFF;
    if (primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB)
        return DATABASE_NOT_A_DATABASE;
    return DATABASE_STORAGE_FAILED;
}

// After a write that failed for want of space (or of a working disk) was
// rolled back: the committed part of the write-ahead log goes into the
// data file and the log is cut to nothing, so the frames of the failed
// write do not keep the disk full. Readers elsewhere may keep the log; then
// it stays as it is. Never waits for other connections.
void ReleaseLogSpace(SqliteConnection& connection, const SqlError& error)
{
    int primary = error.code & 0xFF;
    if (primary != SQLITE_FULL && primary != SQLITE_IOERR)
        return;
    if (connection.InTransaction())
        return;
    sqlite3_busy_timeout(connection.Handle(), 0);
    sqlite3_wal_checkpoint_v2(connection.Handle(), "main", SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
    sqlite3_busy_timeout(connection.Handle(), g_busyTimeoutMs.load());
}

// A refused row as the code a write returns.
int ConstraintResult(const SqlError& error)
{
    switch (error.code) {
    case SQLITE_CONSTRAINT_FOREIGNKEY:
        return DATABASE_NO_ROW;
    case SQLITE_CONSTRAINT_UNIQUE:
    case SQLITE_CONSTRAINT_PRIMARYKEY:
        return DATABASE_EXISTS;
    default:
        return DATABASE_INVALID_ARGUMENT;
    }
}

bool RowExists(SqliteConnection& connection, const char* sql, int64_t id)
{
    SqlStatement find(connection, sql);
    find.Bind(1, id);
    return find.Step();
}

const char* const kWordExists = "SELECT 1 FROM word WHERE id = ?1";
const char* const kMeaningExists = "SELECT 1 FROM meaning WHERE id = ?1";

// Reads a whole file (path in wide text); false when it cannot be read.
bool ReadWholeFile(const wchar_t* path, std::vector<BYTE>& bytes)
{
    std::ifstream file(WideToUtf8(Wide(path)), std::ios::binary);
    if (!file)
        return false;
    file.seekg(0, std::ios::end);
    std::streamoff size = file.tellg();
    if (size < 0 || size > kMaxFileBytes)
        return false;
    file.seekg(0, std::ios::beg);
    bytes.resize(static_cast<size_t>(size));
    if (size && !file.read(reinterpret_cast<char*>(bytes.data()), size))
        return false;
    return true;
}

// Whether this process may read and write path (by its effective ids, as
// opening the file will be checked).
bool MayReadWrite(const std::string& path, int& error)
{
    if (::faccessat(AT_FDCWD, path.c_str(), R_OK | W_OK, AT_EACCESS) == 0)
        return true;
    error = errno;
    return false;
}

bool IsPermissionError(int error)
{
    return error == EACCES || error == EPERM || error == EROFS;
}

// Checks, before SQLite touches anything, that the data file (when it
// exists), its folder and the files of its write-ahead log can be written.
// A log file that an earlier read-only session left without write access
// (it takes the data file's mode) gets the data file's mode back when it is
// ours, so it cannot block this start or a later one.
int CheckWriteAccess(const std::string& file, const struct stat& status, bool exists)
{
    std::string folder = file.substr(0, file.find_last_of('/') + 1);
    if (folder.empty())
        folder.push_back('.');
    int error = 0;
    if (::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0)
        return IsPermissionError(errno) ? DATABASE_READ_ONLY : DATABASE_STORAGE_FAILED;
    if (!exists)
        return DATABASE_OK;
    if (!MayReadWrite(file, error)) {
        if (error == EROFS || (IsPermissionError(error) && ::faccessat(AT_FDCWD, file.c_str(), R_OK, AT_EACCESS) == 0))
            return DATABASE_READ_ONLY;
        return DATABASE_STORAGE_FAILED;
    }
    for (const char* suffix : {"-shm", "-wal"}) {
        std::string companion = file + suffix;
        struct stat companionStatus {};
        if (::lstat(companion.c_str(), &companionStatus) != 0)
            continue;
        if (!S_ISREG(companionStatus.st_mode))
            return DATABASE_STORAGE_FAILED;
        if (MayReadWrite(companion, error))
            continue;
        if (::chmod(companion.c_str(), (status.st_mode & 0666) | S_IRUSR | S_IWUSR) != 0 ||
            !MayReadWrite(companion, error))
            return DATABASE_READ_ONLY;
    }
    return DATABASE_OK;
}

bool HasNul(const std::wstring& text)
{
    return text.find(L'\0') != std::wstring::npos;
}

// Whether a text of the copy holds NUL. The records the copy is stored
// through end their texts at the first NUL, which would store "sun\0shine"
// as the word "sun": such a copy is refused whole.
bool HoldsNul(const SyncCopy& copy)
{
    for (const SyncLanguage& language : copy.languages)
        if (HasNul(language.name) || HasNul(language.code))
            return true;
    for (const SyncMeanType& type : copy.types)
        if (HasNul(type.name) || HasNul(type.value))
            return true;
    for (const SyncList& list : copy.lists) {
        if (HasNul(list.name) || HasNul(list.secondText) || list.guid.find('\0') != std::string::npos)
            return true;
        for (const SyncEntry& entry : list.entries)
            if (HasNul(entry.word) || HasNul(entry.meaning) || HasNul(entry.enteredDate) || HasNul(entry.statusDate))
                return true;
    }
    return false;
}

bool IsPng(const std::vector<BYTE>& bytes)
{
    static const BYTE kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    return bytes.size() > 8 && std::memcmp(bytes.data(), kSignature, 8) == 0;
}

}  // namespace

// Finds the word of that language and text, or stores it (with word.id when
// that id is free); word.id receives its id.
int StoreWord(SqliteConnection& connection, WordKeyRecord& word)
{
    std::wstring text = Wide(word.text);
    if (text.empty() || word.language <= 0)
        return DATABASE_INVALID_ARGUMENT;
    std::wstring fold = FoldText(text);
    {
        SqlStatement find(connection, "SELECT id FROM word WHERE language_id = ?1 AND fold = ?2");
        find.Bind(1, word.language).Bind(2, fold);
        if (find.Step()) {
            word.id = find.Int64(0);
            return DATABASE_OK;
        }
    }
    bool idFree = word.id > 0 && !RowExists(connection, kWordExists, word.id);
    SqlStatement insert(connection, "INSERT INTO word(id, language_id, text, fold) VALUES (?1, ?2, ?3, ?4)");
    if (idFree)
        insert.Bind(1, word.id);
    else
        insert.BindNull(1);
    insert.Bind(2, word.language).Bind(3, text).Bind(4, fold);
    insert.Run();
    word.id = connection.LastInsertId();
    return DATABASE_OK;
}

// The stored word of word.id when there is one, else StoreWord.
static int ResolveWord(SqliteConnection& connection, WordKeyRecord& word)
{
    if (word.id > 0 && RowExists(connection, kWordExists, word.id))
        return DATABASE_OK;
    return StoreWord(connection, word);
}

// Finds the equal meaning of the word, or stores it (with meaning.id when
// that id is free); the ids come back.
int StoreMeaning(SqliteConnection& connection, int64_t wordId, MeaningRecord& meaning)
{
    std::wstring text = Wide(meaning.text);
    if (text.empty() || meaning.language <= 0)
        return DATABASE_INVALID_ARGUMENT;
    std::wstring fold = FoldText(text);
    meaning.wordId = wordId;
    {
        SqlStatement find(connection,
                          "SELECT id FROM meaning WHERE word_id = ?1 AND language_id = ?2 AND fold = ?3 ORDER BY id LIMIT 1");
        find.Bind(1, wordId).Bind(2, meaning.language).Bind(3, fold);
        if (find.Step()) {
            meaning.id = find.Int64(0);
            if (meaning.type > 0) {
                SqlStatement update(connection, "UPDATE meaning SET type_id = ?2 WHERE id = ?1 AND type_id <> ?2");
                update.Bind(1, meaning.id).Bind(2, meaning.type);
                update.Run();
            }
            return DATABASE_OK;
        }
    }
    bool idFree = meaning.id > 0 && !RowExists(connection, kMeaningExists, meaning.id);
    SqlStatement insert(connection,
                        "INSERT INTO meaning(id, word_id, language_id, text, fold, type_id) VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
    if (idFree)
        insert.Bind(1, meaning.id);
    else
        insert.BindNull(1);
    insert.Bind(2, wordId).Bind(3, meaning.language).Bind(4, text).Bind(5, fold).Bind(6, std::max(meaning.type, 0));
    insert.Run();
    meaning.id = connection.LastInsertId();
    return DATABASE_OK;
}

// A connection for the length of one call: the thread's pinned one while
// it has a transaction open, else one from the pool.
class CSqliteDataBase::Lease {
public:
    explicit Lease(CSqliteDataBase& owner) : m_owner(owner)
    {
        {
            std::lock_guard<std::mutex> lock(owner.m_poolLock);
            auto pinned = owner.m_pinned.find(std::this_thread::get_id());
            if (pinned != owner.m_pinned.end()) {
                m_connection = pinned->second.get();
                m_pinned = true;
                return;
            }
            if (!owner.m_idle.empty()) {
                m_owned = std::move(owner.m_idle.back());
                owner.m_idle.pop_back();
            }
        }
        if (!m_owned)
            m_owned = owner.Connect();
        m_connection = m_owned.get();
    }
    ~Lease()
    {
        if (m_owned) {
            if (m_owned->InTransaction())
                sqlite3_exec(m_owned->Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
            std::lock_guard<std::mutex> lock(m_owner.m_poolLock);
            m_owner.m_idle.push_back(std::move(m_owned));
        }
    }
    SqliteConnection& operator*() { return *m_connection; }

private:
    CSqliteDataBase& m_owner;
    std::unique_ptr<SqliteConnection> m_owned;
    SqliteConnection* m_connection = nullptr;
    bool m_pinned = false;
};

CSqliteDataBase::CSqliteDataBase(CAbstractProgressStatus* progress, CAbstractLinkTable* links)
    : m_progress(progress), m_links(links)
{
    std::lock_guard<std::mutex> lock(g_liveLock);
    g_live.insert(this);
}

CSqliteDataBase::~CSqliteDataBase()
{
    {
        std::lock_guard<std::mutex> lock(g_liveLock);
        g_live.erase(this);
    }
    std::unique_lock<std::shared_mutex> open(m_openLock);
    CloseAll();
}

void CSqliteDataBase::SetBusyTimeoutForTests(int milliseconds)
{
    g_busyTimeoutMs = milliseconds;
}

void CSqliteDataBase::SetFileLayerForTests(const char* vfsName)
{
    g_vfsName = vfsName;
}

std::unique_ptr<SqliteConnection> CSqliteDataBase::Connect()
{
    auto connection = std::make_unique<SqliteConnection>(m_path, false, g_busyTimeoutMs.load(), g_vfsName.load());
    connection->Execute(ConnectionSettings(m_path).c_str());
    return connection;
}

void CSqliteDataBase::CloseAll()
{
    std::lock_guard<std::mutex> lock(m_poolLock);
    m_idle.clear();
    m_pinned.clear();
    m_open = false;
}

void CSqliteDataBase::AbandonThreadTransaction(std::thread::id thread)
{
    std::unique_ptr<SqliteConnection> connection;
    {
        std::lock_guard<std::mutex> lock(m_poolLock);
        auto pinned = m_pinned.find(thread);
        if (pinned == m_pinned.end())
            return;
        connection = std::move(pinned->second);
        m_pinned.erase(pinned);
    }
    // The connection's destructor rolls the transaction back.
}

void CSqliteDataBase::ForgetLanguages()
{
    std::lock_guard<std::mutex> lock(m_languageLock);
    m_languagesLoaded = false;
}

// Runs body(connection) as one atomic write: body gives 0 to keep its
// changes or a code to undo them; a storage failure undoes them and throws.
template <class Body>
int CSqliteDataBase::Write(Body&& body, WriteKind kind)
{
    std::shared_lock<std::shared_mutex> open(m_openLock);
    if (!m_open)
        return DATABASE_NOT_OPEN;
    std::optional<Lease> lease;
    try {
        lease.emplace(*this);
    } catch (const SqlError& error) {
        throw StorageResult(error);
    }
    SqliteConnection& connection = **lease;
    // The thread's transaction was rolled back by a storage failure: a
    // write now would be committed on its own, apart from the writes the
    // caller meant to commit with it.
    if (connection.transactionLost)
        throw DATABASE_STORAGE_FAILED;
    bool nested = connection.InTransaction();
    bool steps = kind == kSteps;
    auto undo = [&]() {
        if (!steps || !connection.InTransaction())
            return;
        if (nested)
            sqlite3_exec(connection.Handle(), "ROLLBACK TO write_step; RELEASE write_step", nullptr, nullptr, nullptr);
        else
            sqlite3_exec(connection.Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    };
    // A storage failure: the write is undone; when it took the thread's
    // transaction with it, that transaction is marked lost.
    auto fail = [&](const SqlError& error) {
        undo();
        if (nested && !connection.InTransaction())
            connection.transactionLost = true;
        ReleaseLogSpace(connection, error);
        return StorageResult(error);
    };
    try {
        if (steps)
            connection.Run(nested ? "SAVEPOINT write_step" : "BEGIN IMMEDIATE");
    } catch (const SqlError& error) {
        throw fail(error);
    }
    int result;
    try {
        result = body(connection);
    } catch (const SqlError& error) {
        if (error.IsRefusedValue()) {
            undo();
            return ConstraintResult(error);
        }
        throw fail(error);
    } catch (const std::bad_alloc&) {
        undo();
        throw DATABASE_FAILED;
    }
    if (result != DATABASE_OK) {
        undo();
        return result;
    }
    try {
        if (steps)
            connection.Run(nested ? "RELEASE write_step" : "COMMIT");
    } catch (const SqlError& error) {
        throw fail(error);
    }
    return DATABASE_OK;
}

// Runs body(connection) over one consistent view of the file; a failure
// gives null.
template <class Body>
CAbstractRecordSet* CSqliteDataBase::Query(Body&& body, bool snapshot)
{
    CAbstractRecordSet* set = nullptr;
    int result = Read([&](SqliteConnection& connection) -> int {
        std::unique_ptr<CAbstractRecordSet> made(body(connection));
        if (!made)
            return DATABASE_INVALID_ARGUMENT;
        set = made.release();
        return DATABASE_OK;
    }, snapshot);
    if (result != DATABASE_OK) {
        delete set;
        return nullptr;
    }
    return set;
}

template <class Body>
int CSqliteDataBase::Read(Body&& body, bool snapshot)
{
    std::shared_lock<std::shared_mutex> open(m_openLock);
    if (!m_open)
        return DATABASE_NOT_OPEN;
    try {
        Lease lease(*this);
        SqliteConnection& connection = *lease;
        bool own = snapshot && !connection.InTransaction();
        if (own)
            connection.Run("BEGIN");
        int result = body(connection);
        if (own)
            connection.Run("COMMIT");
        return result;
    } catch (const SqlError& error) {
        return error.IsRefusedValue() ? DATABASE_INVALID_ARGUMENT : StorageResult(error);
    } catch (const std::bad_alloc&) {
        return DATABASE_FAILED;
    }
}

int CSqliteDataBase::Open(const DATABASE_OPEN_OPTIONS& options, const wchar_t* path)
{
    std::unique_lock<std::shared_mutex> open(m_openLock);
    CloseAll();
    m_path.clear();
    m_widePath.Empty();
    ForgetLanguages();
    if (!path || !*path)
        return DATABASE_INVALID_ARGUMENT;
    std::string file = WideToUtf8(Wide(path));

    struct stat status {};
    bool exists = ::stat(file.c_str(), &status) == 0;
    // A folder on the way that cannot be searched, a dangling link, ...
    if (!exists && errno != ENOENT)
        return DATABASE_STORAGE_FAILED;
    if (exists && !S_ISREG(status.st_mode))
        return DATABASE_NOT_A_DATABASE;
    if (!exists && !options.createMissing)
        return DATABASE_STORAGE_FAILED;
    int access = CheckWriteAccess(file, status, exists);
    if (access != DATABASE_OK)
        return access;
    if (exists && status.st_size > 0) {
        // Any file that does not start as a SQLite file is refused untouched.
        char header[16] = {};
        std::ifstream in(file, std::ios::binary);
        if (!in.read(header, sizeof header) || std::memcmp(header, "SQLite format 3", 16) != 0)
            return DATABASE_NOT_A_DATABASE;
    }

    try {
        auto connection = std::make_unique<SqliteConnection>(file, true, g_busyTimeoutMs.load(), g_vfsName.load());
        // SQLite falls back to reading when the file cannot be written.
        if (sqlite3_db_readonly(connection->Handle(), "main") == 1)
            return DATABASE_READ_ONLY;
        int applicationId = 0, version = 0;
        int64_t tables = 0;
        {
            SqlStatement read(*connection, "PRAGMA application_id");
            if (read.Step())
                applicationId = read.Int(0);
        }
        {
            SqlStatement read(*connection, "PRAGMA user_version");
            if (read.Step())
                version = read.Int(0);
        }
        {
            SqlStatement read(*connection, "SELECT count(*) FROM sqlite_master");
            if (read.Step())
                tables = read.Int64(0);
        }
        bool fresh = applicationId == 0 && tables == 0;
        if (!fresh && applicationId != kDataFileApplicationId)
            return DATABASE_NOT_A_DATABASE;
        if (version > kDataFileVersion)
            return DATABASE_NEWER_VERSION;
        if (!fresh) {
            SqlStatement check(*connection, "PRAGMA quick_check");
            if (!check.Step() || check.Text(0) != L"ok")
                return DATABASE_NOT_A_DATABASE;
        }
        // A file of ours whose tables, columns or indexes were dropped.
        if (!fresh && !HasLayout(*connection, version))
            return DATABASE_NOT_A_DATABASE;
        connection->Execute("PRAGMA journal_mode = WAL");
        connection->Execute(ConnectionSettings(file).c_str());
        if (version < kDataFileVersion) {
            connection->Execute("BEGIN IMMEDIATE");
            try {
                int current = 0;
                {
                    SqlStatement read(*connection, "PRAGMA user_version");
                    if (read.Step())
                        current = read.Int(0);
                }
                if (current < kDataFileVersion)
                    CreateOrMigrate(*connection, current);
                connection->Execute("COMMIT");
            } catch (...) {
                sqlite3_exec(connection->Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
                throw;
            }
        }
        m_path = file;
        m_widePath = path;
        std::lock_guard<std::mutex> lock(m_poolLock);
        m_idle.push_back(std::move(connection));
        m_open = true;
        return DATABASE_OK;
    } catch (const SqlError& error) {
        m_path.clear();
        m_widePath.Empty();
        int primary = error.code & 0xFF;
        if (primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT)
            return DATABASE_NOT_A_DATABASE;
        return DATABASE_STORAGE_FAILED;
    } catch (const std::bad_alloc&) {
        return DATABASE_FAILED;
    }
}

std::vector<PluginEntry> CSqliteDataBase::GetPlugins()
{
    std::lock_guard<std::mutex> lock(m_pluginLock);
    return m_plugins;
}

int CSqliteDataBase::SetPlugins(const std::vector<PluginEntry>& plugins)
{
    std::lock_guard<std::mutex> lock(m_pluginLock);
    m_plugins = plugins;
    return DATABASE_OK;
}

int CSqliteDataBase::SetLanguagePair(int first, int second)
{
    m_firstLanguage = first;
    m_secondLanguage = second;
    return DATABASE_OK;
}

std::vector<LanguageRecord> CSqliteDataBase::GetLanguages(int reload)
{
    {
        std::lock_guard<std::mutex> lock(m_languageLock);
        if (m_languagesLoaded && !reload)
            return m_languages;
    }
    std::vector<LanguageRecord> languages;
    int result = Read([&](SqliteConnection& connection) -> int {
        SqlStatement read(connection, "SELECT id, name, flag, rtl, code FROM language ORDER BY id");
        while (read.Step()) {
            LanguageRecord language;
            language.id = read.Int(0);
            language.name = Basic(read.Text(1));
            language.picture = read.Blob(2);
            language.rightToLeft = read.Int(3) ? 1 : 0;
            language.code = Basic(read.Text(4));
            languages.push_back(std::move(language));
        }
        return DATABASE_OK;
    });
    if (result != DATABASE_OK)
        return {};
    std::lock_guard<std::mutex> lock(m_languageLock);
    m_languages = languages;
    m_languagesLoaded = true;
    return languages;
}

int CSqliteDataBase::AddLanguage(const wchar_t* name, const wchar_t* code, int flags, const wchar_t* picturePath,
                                 int* newId, int)
{
    std::wstring text = Wide(name);
    if (text.empty())
        return DATABASE_INVALID_ARGUMENT;
    std::vector<BYTE> picture;
    if (picturePath && *picturePath && (!ReadWholeFile(picturePath, picture) || !IsPng(picture)))
        return DATABASE_INVALID_ARGUMENT;
    int64_t id = 0;
    int result = Write([&](SqliteConnection& connection) -> int {
        SqlStatement insert(connection, "INSERT INTO language(name, fold, code, rtl, flag) VALUES (?1, ?2, ?3, ?4, ?5)");
        insert.Bind(1, text).Bind(2, FoldText(text)).Bind(3, Wide(code)).Bind(4, (flags & kLanguageRightToLeft) ? 1 : 0);
        if (picture.empty())
            insert.BindNull(5);
        else
            insert.BindBlob(5, picture.data(), picture.size());
        insert.Run();
        id = connection.LastInsertId();
        return DATABASE_OK;
    }, kOneStatement);
    ForgetLanguages();
    if (result == DATABASE_OK && newId)
        *newId = static_cast<int>(id);
    return result;
}

int CSqliteDataBase::UpdateLanguage(const LanguageRecord& language, const wchar_t* picturePath)
{
    std::wstring text = Wide(language.name);
    if (text.empty() || language.id <= 0)
        return DATABASE_INVALID_ARGUMENT;
    std::vector<BYTE> picture;
    bool newPicture = picturePath && *picturePath;
    if (newPicture && (!ReadWholeFile(picturePath, picture) || !IsPng(picture)))
        return DATABASE_INVALID_ARGUMENT;
    int result = Write([&](SqliteConnection& connection) -> int {
        SqlStatement update(connection, "UPDATE language SET name = ?2, fold = ?3, code = ?4, rtl = ?5 WHERE id = ?1");
        update.Bind(1, language.id).Bind(2, text).Bind(3, FoldText(text)).Bind(4, Wide(language.code));
        update.Bind(5, language.rightToLeft ? 1 : 0);
        update.Run();
        if (connection.Changes() == 0)
            return DATABASE_NO_ROW;
        if (newPicture) {
            SqlStatement flag(connection, "UPDATE language SET flag = ?2 WHERE id = ?1");
            flag.Bind(1, language.id).BindBlob(2, picture.data(), picture.size());
            flag.Run();
        }
        return DATABASE_OK;
    });
    ForgetLanguages();
    return result;
}

int CSqliteDataBase::DeleteLanguage(int languageId)
{
    int result = Write([&](SqliteConnection& connection) -> int {
        SqlStatement used(connection,
                          "SELECT EXISTS(SELECT 1 FROM vocab_list WHERE from_language = ?1 OR to_language = ?1)"
                          " OR EXISTS(SELECT 1 FROM word WHERE language_id = ?1)"
                          " OR EXISTS(SELECT 1 FROM meaning WHERE language_id = ?1)");
        used.Bind(1, languageId);
        if (used.Step() && used.Int(0))
            return DATABASE_IN_USE;
        SqlStatement remove(connection, "DELETE FROM language WHERE id = ?1");
        remove.Bind(1, languageId);
        remove.Run();
        return connection.Changes() ? DATABASE_OK : DATABASE_NO_ROW;
    });
    ForgetLanguages();
    return result;
}

int CSqliteDataBase::AddWord(WordKeyRecord& word)
{
    WordKeyRecord stored = word;
    int result = Write([&](SqliteConnection& connection) -> int { return StoreWord(connection, stored); });
    if (result == DATABASE_OK)
        word.id = stored.id;
    return result;
}

int CSqliteDataBase::AddMeaning(WordKeyRecord& word, MeaningRecord& meaning, int wordStored)
{
    // The records get their ids only when the write is kept.
    const int64_t wordId = word.id, meaningId = meaning.id, meaningWordId = meaning.wordId;
    auto restore = [&] {
        word.id = wordId;
        meaning.id = meaningId;
        meaning.wordId = meaningWordId;
    };
    int result;
    try {
        result = Write([&](SqliteConnection& connection) -> int {
            int rc = wordStored == 1 ? ResolveWord(connection, word) : StoreWord(connection, word);
            if (rc != DATABASE_OK)
                return rc;
            return StoreMeaning(connection, word.id, meaning);
        });
    } catch (...) {
        restore();
        throw;
    }
    if (result != DATABASE_OK)
        restore();
    return result;
}

int CSqliteDataBase::UpdateWord(const WordKeyRecord& word)
{
    std::wstring text = Wide(word.text);
    if (text.empty() || word.id <= 0)
        return DATABASE_INVALID_ARGUMENT;
    return Write([&](SqliteConnection& connection) -> int {
        SqlStatement update(connection,
                            "UPDATE word SET text = ?2, fold = ?3,"
                            " language_id = CASE WHEN ?4 > 0 THEN ?4 ELSE language_id END WHERE id = ?1");
        update.Bind(1, word.id).Bind(2, text).Bind(3, FoldText(text)).Bind(4, word.language);
        update.Run();
        return connection.Changes() ? DATABASE_OK : DATABASE_NO_ROW;
    }, kOneStatement);
}

int CSqliteDataBase::UpdateMeaning(const MeaningRecord& meaning)
{
    std::wstring text = Wide(meaning.text);
    if (text.empty() || meaning.id <= 0)
        return DATABASE_INVALID_ARGUMENT;
    return Write([&](SqliteConnection& connection) -> int {
        SqlStatement update(connection,
                            "UPDATE meaning SET text = ?2, fold = ?3,"
                            " word_id = CASE WHEN ?4 > 0 THEN ?4 ELSE word_id END,"
                            " language_id = CASE WHEN ?5 > 0 THEN ?5 ELSE language_id END,"
                            " type_id = CASE WHEN ?6 > 0 THEN ?6 ELSE type_id END WHERE id = ?1");
        update.Bind(1, meaning.id).Bind(2, text).Bind(3, FoldText(text)).Bind(4, meaning.wordId);
        update.Bind(5, meaning.language).Bind(6, meaning.type);
        update.Run();
        return connection.Changes() ? DATABASE_OK : DATABASE_NO_ROW;
    }, kOneStatement);
}

int CSqliteDataBase::DeleteMeaning(int64_t meaningId)
{
    if (meaningId <= 0)
        return DATABASE_INVALID_ARGUMENT;
    return Write([&](SqliteConnection& connection) -> int {
        // A list entry keeps its meaning: the user removes it from the list
        // first.
        SqlStatement used(connection, "SELECT EXISTS(SELECT 1 FROM list_entry WHERE meaning_id = ?1)");
        used.Bind(1, meaningId);
        if (used.Step() && used.Int(0))
            return DATABASE_IN_USE;
        SqlStatement remove(connection, "DELETE FROM meaning WHERE id = ?1");
        remove.Bind(1, meaningId);
        remove.Run();
        if (!connection.Changes())
            return DATABASE_NO_ROW;
        SqlStatement sounds(connection, "DELETE FROM pronunciation WHERE owner_id = ?1 AND side = ?2");
        sounds.Bind(1, meaningId).Bind(2, kPronunciationMeaning);
        sounds.Run();
        return DATABASE_OK;
    });
}

int CSqliteDataBase::GetWordPicture(int64_t wordId, PictureRecord& picture)
{
    return Read([&](SqliteConnection& connection) -> int {
        SqlStatement read(connection, "SELECT bytes FROM picture WHERE word_id = ?1");
        read.Bind(1, wordId);
        if (!read.Step())
            return DATABASE_NO_ROW;
        picture.wordId = wordId;
        picture.bytes = read.Blob(0);
        return DATABASE_OK;
    });
}

int CSqliteDataBase::SavePronunciation(PronunciationRecord& sound, const wchar_t* soundPath)
{
    if (sound.ownerId <= 0)
        return DATABASE_INVALID_ARGUMENT;
    std::vector<BYTE> bytes = sound.sound;
    if (soundPath && *soundPath && !ReadWholeFile(soundPath, bytes))
        return DATABASE_INVALID_ARGUMENT;
    if (bytes.empty())
        return DATABASE_INVALID_ARGUMENT;
    int64_t id = 0;
    int number = 0;
    int result = Write([&](SqliteConnection& connection) -> int {
        if (sound.id > 0) {
            SqlStatement update(connection, "UPDATE pronunciation SET sound = ?2 WHERE id = ?1 RETURNING number");
            update.Bind(1, sound.id).BindBlob(2, bytes.data(), bytes.size());
            if (update.Step()) {
                id = sound.id;
                number = update.Int(0);
                return DATABASE_OK;
            }
        }
        SqlStatement insert(connection,
                            "INSERT INTO pronunciation(owner_id, side, number, sound) VALUES (?1, ?2,"
                            " (SELECT coalesce(max(number), 0) + 1 FROM pronunciation WHERE owner_id = ?1 AND side = ?2), ?3)"
                            " RETURNING id, number");
        insert.Bind(1, sound.ownerId).Bind(2, sound.side).BindBlob(3, bytes.data(), bytes.size());
        if (!insert.Step())
            return DATABASE_FAILED;
        id = insert.Int64(0);
        number = insert.Int(1);
        return DATABASE_OK;
    });
    if (result == DATABASE_OK) {
        sound.id = id;
        sound.number = number;
        sound.sound = std::move(bytes);
        sound.isNew = 0;
    }
    return result;
}

int CSqliteDataBase::DeleteRow(const char* sql, int64_t id)
{
    return Write([&](SqliteConnection& connection) -> int {
        SqlStatement remove(connection, sql);
        remove.Bind(1, id);
        remove.Run();
        return connection.Changes() ? DATABASE_OK : DATABASE_NO_ROW;
    }, kOneStatement);
}

int CSqliteDataBase::DeletePronunciation(int64_t soundId)
{
    return DeleteRow("DELETE FROM pronunciation WHERE id = ?1", soundId);
}

int64_t CSqliteDataBase::CreateVocabularyList(VocabularyListRecord& list)
{
    std::wstring name = Wide(list.name);
    if (name.empty())
        return 0;
    int64_t id = 0;
    int result = Write([&](SqliteConnection& connection) -> int {
        SqlStatement insert(connection,
                            "INSERT INTO vocab_list(name, fold, second_text, from_language, to_language, editable, extra)"
                            " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)");
        insert.Bind(1, name).Bind(2, FoldText(name)).Bind(3, Wide(list.secondText)).Bind(4, list.fromLanguage);
        insert.Bind(5, list.toLanguage).Bind(6, list.editable ? 1 : 0).Bind(7, list.extra);
        insert.Run();
        id = connection.LastInsertId();
        return DATABASE_OK;
    }, kOneStatement);
    if (result != DATABASE_OK)
        return 0;
    list.id = id;
    return id;
}

int CSqliteDataBase::UpdateVocabularyList(const VocabularyListRecord& list)
{
    std::wstring name = Wide(list.name);
    if (name.empty() || list.id <= 0)
        return DATABASE_INVALID_ARGUMENT;
    return Write([&](SqliteConnection& connection) -> int {
        SqlStatement update(connection,
                            "UPDATE vocab_list SET name = ?2, fold = ?3, second_text = ?4, from_language = ?5,"
                            " to_language = ?6, editable = ?7, extra = ?8 WHERE id = ?1");
        update.Bind(1, list.id).Bind(2, name).Bind(3, FoldText(name)).Bind(4, Wide(list.secondText));
        update.Bind(5, list.fromLanguage).Bind(6, list.toLanguage).Bind(7, list.editable ? 1 : 0).Bind(8, list.extra);
        update.Run();
        return connection.Changes() ? DATABASE_OK : DATABASE_NO_ROW;
    }, kOneStatement);
}

int CSqliteDataBase::DeleteVocabularyList(int64_t listId, int all)
{
    if (all == 1)
        return Write([&](SqliteConnection& connection) -> int {
            connection.Execute("DELETE FROM vocab_list");
            return DATABASE_OK;
        }, kOneStatement);
    return DeleteRow("DELETE FROM vocab_list WHERE id = ?1", listId);
}

CAbstractRecordSet* CSqliteDataBase::QueryVocabularyLists(int kind, const wchar_t* name)
{
    if (kind != LIST_QUERY_ALL && kind != LIST_QUERY_EDITABLE)
        return nullptr;
    std::wstring fold = FoldText(name);
    return Query([&](SqliteConnection& connection) {
        SqlStatement read(connection,
                          "SELECT l.id, l.name, l.from_language, l.to_language,"
                          " (SELECT count(*) FROM list_entry e WHERE e.list_id = l.id), l.editable, l.second_text"
                          " FROM vocab_list l WHERE (?1 = 0 OR l.editable = 1) AND (?2 = '' OR l.fold = ?2)"
                          " ORDER BY l.fold, l.id");
        read.Bind(1, kind == LIST_QUERY_EDITABLE ? 1 : 0).Bind(2, fold);
        auto set = std::make_unique<CRecordSet>();
        set->AppendRows(read);
        return set.release();
    });
}

int CSqliteDataBase::AddListEntry(WordLinkRecord& link, int)
{
    std::wstring entered = Wide(link.enteredDate);
    std::wstring answered = Wide(link.statusDate);
    if (entered.empty())
        entered = answered.empty() ? TodayText() : answered;
    if (answered.empty())
        answered = entered;
    int64_t id = 0;
    int result = Write([&](SqliteConnection& connection) -> int {
        SqlStatement insert(connection,
                            "INSERT INTO list_entry(list_id, word_id, meaning_id, status, date_entered, date_status)"
                            " VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
        insert.Bind(1, link.listId).Bind(2, link.wordId).Bind(3, link.meaningId).Bind(4, ClampStatus(link.statusCount));
        insert.Bind(5, entered).Bind(6, answered);
        insert.Run();
        id = connection.LastInsertId();
        return DATABASE_OK;
    }, kOneStatement);
    if (result == DATABASE_OK)
        link.linkId = id;
    return result;
}

int CSqliteDataBase::SaveWordLink(const WordLinkRecord& link, int)
{
    std::wstring answered = Wide(link.statusDate);
    if (answered.empty())
        answered = TodayText();
    return Write([&](SqliteConnection& connection) -> int {
        SqlStatement update(connection,
                            "UPDATE list_entry SET word_id = CASE WHEN ?2 > 0 THEN ?2 ELSE word_id END,"
                            " meaning_id = CASE WHEN ?3 > 0 THEN ?3 ELSE meaning_id END, status = ?4, date_status = ?5"
                            " WHERE id = ?1");
        update.Bind(1, link.linkId).Bind(2, link.wordId).Bind(3, link.meaningId).Bind(4, ClampStatus(link.statusCount));
        update.Bind(5, answered);
        update.Run();
        return connection.Changes() ? DATABASE_OK : DATABASE_NO_ROW;
    }, kOneStatement);
}

int CSqliteDataBase::SetWordStatus(int status, int64_t linkId, int action)
{
    if (action == WORD_STATUS_REMOVE)
        return DeleteRow("DELETE FROM list_entry WHERE id = ?1", linkId);
    if (action != WORD_STATUS_SET)
        return DATABASE_INVALID_ARGUMENT;
    std::wstring today = TodayText();
    return Write([&](SqliteConnection& connection) -> int {
        SqlStatement update(connection, "UPDATE list_entry SET status = ?2, date_status = ?3 WHERE id = ?1");
        update.Bind(1, linkId).Bind(2, ClampStatus(status)).Bind(3, today);
        update.Run();
        return connection.Changes() ? DATABASE_OK : DATABASE_NO_ROW;
    }, kOneStatement);
}

int CSqliteDataBase::UpdateListEntry(WordLinkRecord& link, int)
{
    return Read([&](SqliteConnection& connection) -> int {
        SqlStatement read(connection,
                          "SELECT id, status, date_entered, date_status FROM list_entry"
                          " WHERE list_id = ?1 AND word_id = ?2 AND meaning_id = ?3");
        read.Bind(1, link.listId).Bind(2, link.wordId).Bind(3, link.meaningId);
        if (!read.Step())
            return DATABASE_NO_ROW;
        // Every value is read before the record changes.
        CBasicString entered = Basic(read.Text(2)), answered = Basic(read.Text(3));
        link.linkId = read.Int64(0);
        link.statusCount = read.Int(1);
        link.enteredDate = std::move(entered);
        link.statusDate = std::move(answered);
        return DATABASE_OK;
    });
}

int CSqliteDataBase::AddAcronym(AcronymRecord& acronym, int)
{
    std::wstring text = Wide(acronym.text);
    std::wstring key = Wide(acronym.secondText);
    if (key.empty())
        key = text;
    if (key.empty())
        return DATABASE_INVALID_ARGUMENT;
    if (text.empty())
        text = key;
    AcronymRecord stored = acronym;
    int result = Write([&](SqliteConnection& connection) -> int {
        int rc = ResolveWord(connection, stored.word);
        if (rc != DATABASE_OK)
            return rc;
        std::wstring fold = FoldText(key);
        SqlStatement find(connection, "SELECT id FROM acronym WHERE word_id = ?1 AND fold = ?2");
        find.Bind(1, stored.word.id).Bind(2, fold);
        if (find.Step()) {
            stored.id = find.Int64(0);
            return DATABASE_OK;
        }
        SqlStatement insert(connection, "INSERT INTO acronym(word_id, text, second_text, fold) VALUES (?1, ?2, ?3, ?4)");
        insert.Bind(1, stored.word.id).Bind(2, text).Bind(3, key).Bind(4, fold);
        insert.Run();
        stored.id = connection.LastInsertId();
        return DATABASE_OK;
    });
    if (result == DATABASE_OK) {
        acronym.id = stored.id;
        acronym.word.id = stored.word.id;
    }
    return result;
}

int CSqliteDataBase::UpdateAcronym(AcronymRecord& acronym)
{
    std::wstring text = Wide(acronym.text);
    std::wstring key = Wide(acronym.secondText);
    if (key.empty() || acronym.id <= 0)
        return DATABASE_INVALID_ARGUMENT;
    if (text.empty())
        text = key;
    return Write([&](SqliteConnection& connection) -> int {
        SqlStatement update(connection, "UPDATE acronym SET text = ?2, second_text = ?3, fold = ?4 WHERE id = ?1");
        update.Bind(1, acronym.id).Bind(2, text).Bind(3, key).Bind(4, FoldText(key));
        update.Run();
        return connection.Changes() ? DATABASE_OK : DATABASE_NO_ROW;
    }, kOneStatement);
}

int CSqliteDataBase::DeleteAcronym(int64_t acronymId)
{
    return DeleteRow("DELETE FROM acronym WHERE id = ?1", acronymId);
}

int CSqliteDataBase::AddRelation(int kind, RelationRecord& relation)
{
    RelationRecord stored = relation;
    int result = Write([&](SqliteConnection& connection) -> int {
        int rc = ResolveWord(connection, stored.word);
        if (rc == DATABASE_OK)
            rc = relation.related.id > 0 ? ResolveWord(connection, stored.related) : StoreWord(connection, stored.related);
        if (rc != DATABASE_OK)
            return rc;
        if (stored.word.id == stored.related.id)
            return DATABASE_INVALID_ARGUMENT;
        SqlStatement find(connection,
                          "SELECT id FROM relation WHERE kind = ?1 AND ((word_id = ?2 AND related_id = ?3)"
                          " OR (word_id = ?3 AND related_id = ?2))");
        find.Bind(1, kind).Bind(2, stored.word.id).Bind(3, stored.related.id);
        if (find.Step()) {
            stored.id = find.Int64(0);
            return DATABASE_OK;
        }
        SqlStatement insert(connection, "INSERT INTO relation(kind, word_id, related_id) VALUES (?1, ?2, ?3)");
        insert.Bind(1, kind).Bind(2, stored.word.id).Bind(3, stored.related.id);
        insert.Run();
        stored.id = connection.LastInsertId();
        return DATABASE_OK;
    });
    if (result == DATABASE_OK)
        relation = stored;
    return result;
}

int CSqliteDataBase::UpdateRelation(int kind, RelationRecord& relation)
{
    if (relation.id <= 0)
        return DATABASE_INVALID_ARGUMENT;
    RelationRecord stored = relation;
    int result = Write([&](SqliteConnection& connection) -> int {
        int64_t wordId = 0, relatedId = 0;
        {
            SqlStatement read(connection, "SELECT word_id, related_id FROM relation WHERE id = ?1 AND kind = ?2");
            read.Bind(1, relation.id).Bind(2, kind);
            if (!read.Step())
                return DATABASE_NO_ROW;
            wordId = read.Int64(0);
            relatedId = read.Int64(1);
        }
        // The word keeps its end of the relation; the other end becomes the
        // word of the related text (found or stored).
        if (stored.word.id != wordId && stored.word.id != relatedId)
            stored.word.id = wordId;
        int64_t otherId = stored.word.id == wordId ? relatedId : wordId;
        stored.related.id = otherId;
        {
            SqlStatement read(connection, "SELECT fold, language_id FROM word WHERE id = ?1");
            read.Bind(1, otherId);
            bool same = read.Step() && read.Text(0) == FoldText(Wide(stored.related.text)) &&
                        (stored.related.language <= 0 || stored.related.language == read.Int(1));
            if (!same) {
                stored.related.id = 0;
                int rc = StoreWord(connection, stored.related);
                if (rc != DATABASE_OK)
                    return rc;
            }
        }
        if (stored.related.id == stored.word.id)
            return DATABASE_INVALID_ARGUMENT;
        SqlStatement update(connection, "UPDATE relation SET word_id = ?2, related_id = ?3 WHERE id = ?1");
        update.Bind(1, relation.id).Bind(2, stored.word.id).Bind(3, stored.related.id);
        update.Run();
        return DATABASE_OK;
    });
    if (result == DATABASE_OK)
        relation = stored;
    return result;
}

int CSqliteDataBase::AddAntonym(RelationRecord& relation, int)
{
    return AddRelation(kRelationAntonym, relation);
}

int CSqliteDataBase::UpdateAntonym(RelationRecord& relation)
{
    return UpdateRelation(kRelationAntonym, relation);
}

int CSqliteDataBase::DeleteAntonym(int64_t relationId)
{
    return DeleteRow("DELETE FROM relation WHERE id = ?1 AND kind = 2", relationId);
}

int CSqliteDataBase::AddSynonym(RelationRecord& relation, int)
{
    return AddRelation(kRelationSynonym, relation);
}

int CSqliteDataBase::UpdateSynonym(RelationRecord& relation)
{
    return UpdateRelation(kRelationSynonym, relation);
}

int CSqliteDataBase::DeleteSynonym(int64_t relationId)
{
    return DeleteRow("DELETE FROM relation WHERE id = ?1 AND kind = 1", relationId);
}

int CSqliteDataBase::AddHistoryEntry(const HistoryRecord& entry)
{
    std::wstring text = Wide(entry.text);
    if (text.empty())
        return DATABASE_INVALID_ARGUMENT;
    return Write([&](SqliteConnection& connection) -> int {
        std::wstring fold = FoldText(text);
        SqlStatement remove(connection, "DELETE FROM history WHERE fold = ?1");
        remove.Bind(1, fold);
        remove.Run();
        SqlStatement insert(connection,
                            "INSERT INTO history(id, key, text, fold) VALUES"
                            " ((SELECT coalesce(max(id), 0) + 1 FROM history), ?1, ?2, ?3)");
        insert.Bind(1, Wide(entry.key)).Bind(2, text).Bind(3, fold);
        insert.Run();
        return DATABASE_OK;
    });
}

CAbstractRecordSet* CSqliteDataBase::QueryHistory(int64_t position, int count)
{
    if (count <= 0 || position < 0)
        return nullptr;
    return Query([&](SqliteConnection& connection) {
        int64_t first = std::max<int64_t>(0, position - count);
        SqlStatement read(connection, "SELECT key, text FROM history ORDER BY id LIMIT ?1 OFFSET ?2");
        read.Bind(1, position - first).Bind(2, first);
        auto set = std::make_unique<CRecordSet>();
        set->AppendRows(read);
        set->Reverse();
        return set.release();
    });
}

CAbstractRecordSet* CSqliteDataBase::QueryWords(const CQueryOptions& options)
{
    // The filter: 0 all words, 1 entered in the period, 2 answered in it,
    // 3 known, 4 not known.
    int filter = 0;
    std::wstring from, to = L"9999-12-31";
    if (!options.AllWords) {
        switch (options.Status) {
        case QUERY_STATUS_ENTERED:
        case QUERY_STATUS_ACCESSED: {
            filter = options.Status == QUERY_STATUS_ENTERED ? 1 : 2;
            std::wstring today = TodayText();
            if (options.PeriodKind == QUERY_PERIOD_BETWEEN) {
                CBasicDateTime start = options.StartDate, end = options.EndDate;
                if (start.IsValid() && end.IsValid() && end < start)
                    std::swap(start, end);
                if (start.IsValid())
                    from = Wide(start.Format(L"%Y-%m-%d"));
                if (end.IsValid())
                    to = Wide(end.Format(L"%Y-%m-%d"));
            } else if (options.PeriodKind == QUERY_PERIOD_MONTHS) {
                from = DateMonthsBefore(today, std::max(options.Months, 0));
            } else if (options.PeriodKind == QUERY_PERIOD_DAYS) {
                from = DateDaysBefore(today, std::max(options.Days, 0));
            } else {
                return nullptr;
            }
            break;
        }
        case QUERY_STATUS_MEMORIZED:
            filter = 3;
            break;
        case QUERY_STATUS_NOT_MEMORIZED:
            filter = 4;
            break;
        default:
            return nullptr;
        }
    }
    return Query([&](SqliteConnection& connection) {
        auto set = std::make_unique<CRecordSet>(CRecordSet::kWords);
        std::set<int64_t> done;
        for (int64_t listId : options.ListIds) {
            if (!done.insert(listId).second)
                continue;
            SqlStatement read(connection,
                              "SELECT e.id, e.list_id, e.word_id, e.meaning_id, w.language_id, e.status, w.text, m.text,"
                              " e.date_status, m.type_id"
                              " FROM list_entry e JOIN word w ON w.id = e.word_id JOIN meaning m ON m.id = e.meaning_id"
                              " WHERE e.list_id = ?1 AND (?2 = 0"
                              " OR (?2 = 1 AND e.date_entered BETWEEN ?3 AND ?4)"
                              " OR (?2 = 2 AND e.date_status BETWEEN ?3 AND ?4)"
                              " OR (?2 = 3 AND e.status > 0) OR (?2 = 4 AND e.status = 0))"
                              " ORDER BY e.id");
            read.Bind(1, listId).Bind(2, filter).Bind(3, from).Bind(4, to);
            set->AppendRows(read);
        }
        return set.release();
    });
}

int CSqliteDataBase::ReadWord(CAbstractRecordSet* set, WordRecord& word)
{
    auto* words = dynamic_cast<CRecordSet*>(set);
    if (!words || words->GetKind() != CRecordSet::kWords)
        return DATABASE_INVALID_ARGUMENT;
    if (words->IsEOF())
        return DATABASE_NO_ROW;
    WordRecord read;
    int result = DATABASE_OK;
    auto check = [&](int rc) {
        if (rc != DATABASE_OK && result == DATABASE_OK)
            result = rc;
    };
    check(words->GetInt64(0, read.linkId));
    check(words->GetInt64(1, read.listId));
    check(words->GetInt64(2, read.wordId));
    check(words->GetInt64(3, read.meaningId));
    check(words->GetInt(4, read.languageId));
    check(words->GetInt(5, read.statusCount));
    check(words->GetText(6, read.wordText));
    check(words->GetText(7, read.meaningText));
    check(words->GetText(8, read.dateText));
    check(words->GetInt(9, read.typeId));
    if (result == DATABASE_OK)
        word = std::move(read);
    return result;
}

CAbstractRecordSet* CSqliteDataBase::Search(const wchar_t* text, int kind, int, int)
{
    std::wstring typed = Wide(text);
    std::wstring fold = FoldText(typed);
    std::wstring bound = PrefixUpperBound(fold);
    int first = m_firstLanguage, second = m_secondLanguage;
    // An empty bound leaves the range open: every text sorts below a blob.
    auto bindBound = [&](SqlStatement& statement, int index) {
        if (bound.empty())
            statement.BindBlob(index, "", 0);
        else
            statement.Bind(index, bound);
    };
    switch (kind) {
    case SEARCH_FIRST_LANGUAGE_PREFIX:
        return Query([&](SqliteConnection& connection) {
            auto set = std::make_unique<CRecordSet>();
            if (first > 0) {
                SqlStatement read(connection,
                                  "SELECT id, text FROM word WHERE language_id = ?1 AND fold >= ?2 AND fold < ?3"
                                  " ORDER BY fold LIMIT ?4");
                read.Bind(1, first).Bind(2, fold);
                bindBound(read, 3);
                read.Bind(4, kSuggestionRows);
                set->AppendRows(read);
            } else {
                SqlStatement read(connection,
                                  "SELECT id, text FROM word WHERE fold >= ?1 AND fold < ?2 ORDER BY fold, id LIMIT ?3");
                read.Bind(1, fold);
                bindBound(read, 2);
                read.Bind(3, kSuggestionRows);
                set->AppendRows(read);
            }
            return set.release();
        });
    case SEARCH_SECOND_LANGUAGE_PREFIX:
        return Query([&](SqliteConnection& connection) {
            SqlStatement read(connection,
                              "SELECT min(id), text FROM ("
                              " SELECT id, text, fold FROM word WHERE language_id = ?1 AND fold >= ?2 AND fold < ?3"
                              " UNION ALL"
                              " SELECT id, text, fold FROM meaning WHERE language_id = ?1 AND fold >= ?2 AND fold < ?3)"
                              " GROUP BY fold ORDER BY fold LIMIT ?4");
            read.Bind(1, second).Bind(2, fold);
            bindBound(read, 3);
            read.Bind(4, kSuggestionRows);
            auto set = std::make_unique<CRecordSet>();
            set->AppendRows(read);
            return set.release();
        });
    case SEARCH_WORD:
        return Query([&](SqliteConnection& connection) {
            SqlStatement read(connection,
                              "SELECT w.id, w.text, m.id, m.text FROM word w JOIN meaning m ON m.word_id = w.id"
                              " AND (?2 = 0 OR m.language_id = ?2)"
                              " WHERE (?1 = 0 OR w.language_id = ?1) AND w.fold >= ?3 AND w.fold < ?4"
                              " ORDER BY w.fold, w.id, m.id LIMIT ?5");
            read.Bind(1, first).Bind(2, second).Bind(3, fold);
            bindBound(read, 4);
            read.Bind(5, kWordRows);
            auto set = std::make_unique<CRecordSet>();
            set->AppendRows(read);
            return set.release();
        });
    case SEARCH_NEXT_WORDS:
    case SEARCH_PREVIOUS_WORDS:
        return Query([&](SqliteConnection& connection) {
            // One row per word: its first meaning of the second language.
            auto set = std::make_unique<CRecordSet>();
            if (kind == SEARCH_NEXT_WORDS) {
                SqlStatement read(connection,
                                  "SELECT w.id, w.text, m.id, m.text FROM word w JOIN meaning m ON m.id ="
                                  " (SELECT m2.id FROM meaning m2 WHERE m2.word_id = w.id AND (?2 = 0 OR m2.language_id = ?2)"
                                  " ORDER BY m2.id LIMIT 1)"
                                  " WHERE (?1 = 0 OR w.language_id = ?1) AND w.fold > ?3 ORDER BY w.fold, w.id LIMIT ?4");
                read.Bind(1, first).Bind(2, second).Bind(3, fold).Bind(4, kSuggestionRows);
                set->AppendRows(read);
            } else {
                SqlStatement read(connection,
                                  "SELECT w.id, w.text, m.id, m.text FROM word w JOIN meaning m ON m.id ="
                                  " (SELECT m2.id FROM meaning m2 WHERE m2.word_id = w.id AND (?2 = 0 OR m2.language_id = ?2)"
                                  " ORDER BY m2.id LIMIT 1)"
                                  " WHERE (?1 = 0 OR w.language_id = ?1) AND w.fold < ?3"
                                  " ORDER BY w.fold DESC, w.id DESC LIMIT ?4");
                read.Bind(1, first).Bind(2, second);
                if (fold.empty())
                    read.BindBlob(3, "", 0);
                else
                    read.Bind(3, fold);
                read.Bind(4, kSuggestionRows);
                set->AppendRows(read);
            }
            return set.release();
        });
    case SEARCH_WORD_USES: {
        wchar_t* end = nullptr;
        long long wordId = std::wcstoll(typed.c_str(), &end, 10);
        if (typed.empty() || !end || *end || wordId <= 0)
            return nullptr;
        return Query([&](SqliteConnection& connection) {
            SqlStatement read(connection,
                              "SELECT (SELECT count(*) FROM list_entry WHERE word_id = ?1)"
                              " + (SELECT count(*) FROM meaning m WHERE m.word_id = ?1"
                              "    AND NOT EXISTS (SELECT 1 FROM list_entry e WHERE e.meaning_id = m.id))"
                              " + (SELECT count(*) FROM relation WHERE word_id = ?1)"
                              " + (SELECT count(*) FROM relation WHERE related_id = ?1)"
                              " + (SELECT count(*) FROM acronym WHERE word_id = ?1)");
            read.Bind(1, static_cast<int64_t>(wordId));
            auto set = std::make_unique<CRecordSet>();
            set->AppendRows(read);
            return set.release();
        });
    }
    case SEARCH_TEXT_EXISTS:
        if (fold.empty())
            return nullptr;
        return Query([&](SqliteConnection& connection) {
            SqlStatement read(connection, "SELECT count(*) FROM word WHERE fold = ?1");
            read.Bind(1, fold);
            auto set = std::make_unique<CRecordSet>();
            set->AppendRows(read);
            return set.release();
        });
    default:
        return nullptr;
    }
}

int CSqliteDataBase::GetNextId(int kind, int64_t& id)
{
    if (kind != NEXT_ID_WORD && kind != NEXT_ID_MEANING)
        return DATABASE_INVALID_ARGUMENT;
    return Read([&](SqliteConnection& connection) -> int {
        SqlStatement read(connection, kind == NEXT_ID_WORD ? "SELECT coalesce(max(id), 0) + 1 FROM word"
                                                           : "SELECT coalesce(max(id), 0) + 1 FROM meaning");
        read.Step();
        id = read.Int64(0);
        return DATABASE_OK;
    });
}

int CSqliteDataBase::GetHistoryCount(int kind, int64_t& count, int, int)
{
    if (kind != 1)
        return DATABASE_INVALID_ARGUMENT;
    return Read([&](SqliteConnection& connection) -> int {
        SqlStatement read(connection, "SELECT count(*) FROM history");
        read.Step();
        count = read.Int64(0);
        return DATABASE_OK;
    });
}

int CSqliteDataBase::GetStatistics(StatisticsRecord& statistics)
{
    if (statistics.mode != kStatisticsAllLists && statistics.mode != kStatisticsOneList)
        return DATABASE_INVALID_ARGUMENT;
    StatisticsRecord counted = statistics;
    int result = Read([&](SqliteConnection& connection) -> int {
        SqlStatement read(connection,
                          "SELECT count(*), coalesce(sum(e.status = 5), 0), coalesce(sum(e.status BETWEEN 1 AND 4), 0),"
                          " coalesce(sum(e.status = 0), 0) FROM list_entry e JOIN vocab_list l ON l.id = e.list_id"
                          " WHERE CASE WHEN ?1 = 2 THEN l.id = ?2"
                          " ELSE (?3 <= 0 OR l.from_language = ?3 OR l.to_language = ?3) END");
        read.Bind(1, statistics.mode).Bind(2, statistics.listId).Bind(3, statistics.selector);
        if (statistics.mode == kStatisticsOneList && !RowExists(connection, "SELECT 1 FROM vocab_list WHERE id = ?1",
                                                                statistics.listId))
            return DATABASE_NO_ROW;
        read.Step();
        counted.wordCount = read.Int64(0);
        counted.longTerm = read.Int64(1);
        counted.shortTerm = read.Int64(2);
        counted.unknown = read.Int64(3);
        return DATABASE_OK;
    });
    if (result == DATABASE_OK)
        statistics = counted;
    return result;
}

CAbstractRecordSet* CSqliteDataBase::QueryListPairs(int64_t listId)
{
    return Query([&](SqliteConnection& connection) {
        SqlStatement read(connection,
                          "SELECT CASE WHEN w.language_id = l.to_language AND m.language_id = l.from_language"
                          " THEN m.text ELSE w.text END,"
                          " CASE WHEN w.language_id = l.to_language AND m.language_id = l.from_language"
                          " THEN w.text ELSE m.text END"
                          " FROM list_entry e JOIN vocab_list l ON l.id = e.list_id"
                          " JOIN word w ON w.id = e.word_id JOIN meaning m ON m.id = e.meaning_id"
                          " WHERE e.list_id = ?1 ORDER BY e.id");
        read.Bind(1, listId);
        auto set = std::make_unique<CRecordSet>();
        set->AppendRows(read);
        return set.release();
    });
}

CAbstractRecordSet* CSqliteDataBase::QueryPronunciations(int64_t ownerId, int side)
{
    return Query([&](SqliteConnection& connection) {
        SqlStatement read(connection,
                          "SELECT id, owner_id, sound, number, side FROM pronunciation WHERE owner_id = ?1 AND side = ?2"
                          " ORDER BY number, id");
        read.Bind(1, ownerId).Bind(2, side);
        auto set = std::make_unique<CRecordSet>();
        set->AppendRows(read);
        return set.release();
    });
}

int CSqliteDataBase::Transaction(int action)
{
    if (action != TRANSACTION_BEGIN && action != TRANSACTION_COMMIT)
        return DATABASE_INVALID_ARGUMENT;
    std::shared_lock<std::shared_mutex> open(m_openLock);
    if (!m_open)
        return DATABASE_NOT_OPEN;
    std::thread::id self = std::this_thread::get_id();
    std::unique_ptr<SqliteConnection> connection;
    if (action == TRANSACTION_BEGIN) {
        {
            std::lock_guard<std::mutex> lock(m_poolLock);
            if (m_pinned.count(self))
                return DATABASE_OK;
            if (!m_idle.empty()) {
                connection = std::move(m_idle.back());
                m_idle.pop_back();
            }
        }
        try {
            if (!connection)
                connection = Connect();
            connection->Execute("BEGIN IMMEDIATE");
        } catch (const SqlError& error) {
            if (connection) {
                std::lock_guard<std::mutex> lock(m_poolLock);
                m_idle.push_back(std::move(connection));
            }
            return StorageResult(error);
        }
        {
            std::lock_guard<std::mutex> lock(m_poolLock);
            m_pinned[self] = std::move(connection);
        }
        auto& objects = t_transactions.objects;
        if (std::find(objects.begin(), objects.end(), this) == objects.end())
            objects.push_back(this);
        return DATABASE_OK;
    }
    {
        std::lock_guard<std::mutex> lock(m_poolLock);
        auto pinned = m_pinned.find(self);
        if (pinned == m_pinned.end())
            return DATABASE_INVALID_ARGUMENT;
        connection = std::move(pinned->second);
        m_pinned.erase(pinned);
    }
    // A commit that fails, and a transaction that a storage failure rolled
    // back before the commit, are storage failures of the commit: nothing of
    // the transaction is kept, and the code is thrown as a write's is.
    int result = DATABASE_OK;
    if (connection->transactionLost || !connection->InTransaction()) {
        result = DATABASE_STORAGE_FAILED;
    } else {
        int rc = sqlite3_exec(connection->Handle(), "COMMIT", nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK) {
            SqlError error{sqlite3_extended_errcode(connection->Handle())};
            result = StorageResult(error);
            if (connection->InTransaction())
                sqlite3_exec(connection->Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
            ReleaseLogSpace(*connection, error);
        }
    }
    connection->transactionLost = false;
    {
        std::lock_guard<std::mutex> lock(m_poolLock);
        m_idle.push_back(std::move(connection));
    }
    if (result != DATABASE_OK)
        throw static_cast<DATABASE_RESULT>(result);
    return result;
}

int CSqliteDataBase::FindLanguage(const VocabularyListRecord& list, int kind)
{
    if (kind != kFindLanguageInLists)
        return DATABASE_INVALID_ARGUMENT;
    return Read([&](SqliteConnection& connection) -> int {
        SqlStatement read(connection,
                          "SELECT 1 FROM vocab_list WHERE from_language IN (?1, ?2) OR to_language IN (?1, ?2) LIMIT 1");
        read.Bind(1, list.fromLanguage).Bind(2, list.toLanguage);
        return read.Step() ? DATABASE_OK : DATABASE_NO_ROW;
    });
}

void CSqliteDataBase::ReleaseRecordSet(CAbstractRecordSet* set)
{
    delete set;
}

CBasicString CSqliteDataBase::GetDictionaryPath()
{
    std::shared_lock<std::shared_mutex> open(m_openLock);
    return m_open ? m_widePath : CBasicString();
}

int CSqliteDataBase::IsDictionaryOpen()
{
    std::shared_lock<std::shared_mutex> open(m_openLock);
    return m_open ? 1 : 0;
}

int CSqliteDataBase::AddMeanType(MeanTypeRecord& type)
{
    std::wstring name = Wide(type.name);
    if (name.empty())
        return DATABASE_INVALID_ARGUMENT;
    int64_t id = 0;
    int result = Write([&](SqliteConnection& connection) -> int {
        SqlStatement insert(connection, "INSERT INTO mean_type(name, value) VALUES (?1, ?2)");
        insert.Bind(1, name).Bind(2, Wide(type.value));
        insert.Run();
        id = connection.LastInsertId();
        return DATABASE_OK;
    }, kOneStatement);
    if (result == DATABASE_OK)
        type.id = static_cast<int>(id);
    return result;
}

int CSqliteDataBase::UpdateMeanType(const MeanTypeRecord& type)
{
    std::wstring name = Wide(type.name);
    if (name.empty() || type.id <= 0)
        return DATABASE_INVALID_ARGUMENT;
    return Write([&](SqliteConnection& connection) -> int {
        SqlStatement update(connection, "UPDATE mean_type SET name = ?2, value = ?3 WHERE id = ?1");
        update.Bind(1, type.id).Bind(2, name).Bind(3, Wide(type.value));
        update.Run();
        return connection.Changes() ? DATABASE_OK : DATABASE_NO_ROW;
    }, kOneStatement);
}

CAbstractRecordSet* CSqliteDataBase::QueryMeanTypes()
{
    return Query([&](SqliteConnection& connection) {
        SqlStatement read(connection, "SELECT id, name, value FROM mean_type ORDER BY id");
        auto set = std::make_unique<CRecordSet>();
        set->AppendRows(read);
        return set.release();
    });
}

int CSqliteDataBase::Synchronize(CAbstractFile* http, const wchar_t* email, const wchar_t* password, int direction)
{
    if (!http || (direction != 0 && direction != 1))
        return DATABASE_INVALID_ARGUMENT;
    if (!IsDictionaryOpen())
        return DATABASE_NOT_OPEN;
    const wchar_t* link = m_links ? m_links->GetLinkURL(kSyncServiceLinkId) : nullptr;
    std::wstring address = Wide(link);
    if (address.empty())
        return DATABASE_NOT_SET_UP;
    // The password never travels in clear beyond this machine.
    if (!IsSafeServiceAddress(address))
        return DATABASE_FAILED;
    std::string account = WideToUtf8(Wide(email));
    std::string secret = WideToUtf8(Wide(password));
    if (account.empty() || secret.empty())
        return DATABASE_WRONG_ACCOUNT;
    std::string form = FormField("email", account) + '&' + FormField("password", secret);
    SyncProgress progress(m_progress);
    // The account's copy (an empty one when it has none yet).
    auto download = [&](SyncCopy& copy) -> int {
        std::string reply;
        int rc = PostToService(*http, address, "op=download&" + form, progress, reply);
        if (rc != DATABASE_OK)
            return rc == kSyncCopyChanged ? DATABASE_FAILED : rc;
        if (!reply.empty() && !DecodeSyncCopy(reply, copy))
            return DATABASE_FAILED;
        if (HoldsNul(copy))
            return DATABASE_INVALID_ARGUMENT;
        return progress.Cancelled() ? DATABASE_CANCELLED : DATABASE_OK;
    };
    try {
        if (direction == 0) {
            // To Local: the account's copy merged into the file.
            SyncCopy online;
            int rc = download(online);
            if (rc != DATABASE_OK)
                return rc;
            rc = Write([&](SqliteConnection& connection) {
                SyncCopy local;
                int read = ReadSyncCopy(connection, progress, local);
                return read != DATABASE_OK ? read : StoreSyncCopy(connection, MergeSyncCopies(local, online), progress);
            });
            ForgetLanguages();
            return rc;
        }
        // To Online: the file's copy merged into the account's, uploaded
        // as the next version of the one downloaded; when another upload
        // came in between, the merge starts again from the newer copy.
        for (int attempt = 0; attempt < kSyncUploadAttempts; ++attempt) {
            SyncCopy online;
            int rc = download(online);
            if (rc != DATABASE_OK)
                return rc;
            SyncCopy local;
            rc = Write([&](SqliteConnection& connection) { return ReadSyncCopy(connection, progress, local); });
            if (rc != DATABASE_OK)
                return rc;
            SyncCopy merged = MergeSyncCopies(online, local);
            merged.version = online.version + 1;
            std::string deflated = EncodeSyncCopy(merged);
            if (deflated.empty())
                return DATABASE_FAILED;
            std::string reply;
            rc = PostToService(*http, address, "op=upload&" + form + "&data=" + Base64Url(deflated), progress, reply);
            if (rc != kSyncCopyChanged)
                return rc;
        }
        return DATABASE_FAILED;
    } catch (DATABASE_RESULT result) {
        return result;
    } catch (const std::bad_alloc&) {
        return DATABASE_FAILED;
    }
}

CAbstractRecordSet* CSqliteDataBase::QueryMeanings(const WordKeyRecord& word, int)
{
    int second = m_secondLanguage;
    return Query([&](SqliteConnection& connection) {
        SqlStatement read(connection,
                          "SELECT id, text, word_id, language_id, type_id FROM meaning"
                          " WHERE word_id = ?1 AND (?2 = 0 OR language_id = ?2) ORDER BY id");
        read.Bind(1, word.id).Bind(2, second);
        auto set = std::make_unique<CRecordSet>();
        set->AppendRows(read);
        return set.release();
    });
}

CAbstractRecordSet* CSqliteDataBase::QueryRelations(int kind, const WordKeyRecord& word)
{
    return Query([&](SqliteConnection& connection) {
        SqlStatement read(connection,
                          "SELECT r.id, ?1, o.id, o.text, o.language_id FROM relation r"
                          " JOIN word o ON o.id = CASE WHEN r.word_id = ?1 THEN r.related_id ELSE r.word_id END"
                          " WHERE r.kind = ?2 AND (r.word_id = ?1 OR r.related_id = ?1) ORDER BY r.id");
        read.Bind(1, word.id).Bind(2, kind);
        auto set = std::make_unique<CRecordSet>();
        set->AppendRows(read);
        return set.release();
    });
}

CAbstractRecordSet* CSqliteDataBase::QuerySynonyms(const WordKeyRecord& word, int)
{
    return QueryRelations(kRelationSynonym, word);
}

CAbstractRecordSet* CSqliteDataBase::QueryAntonyms(const WordKeyRecord& word, int)
{
    return QueryRelations(kRelationAntonym, word);
}

CAbstractRecordSet* CSqliteDataBase::QueryAcronyms(const WordKeyRecord& word, int)
{
    return Query([&](SqliteConnection& connection) {
        SqlStatement read(connection, "SELECT id, text, second_text FROM acronym WHERE word_id = ?1 ORDER BY id");
        read.Bind(1, word.id);
        auto set = std::make_unique<CRecordSet>();
        set->AppendRows(read);
        return set.release();
    });
}
