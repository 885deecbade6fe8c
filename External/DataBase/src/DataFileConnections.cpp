#include "DataFileConnections.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <set>

#include "RecordText.h"
#include "Schema.h"
#include "utility/TextCodec.h"

namespace {

std::atomic<int> g_busyTimeoutMs{15000};
// The SQLite file layer of the data file (null: the default); tests put a
// layer of their own under it.
std::atomic<const char*> g_vfsName{nullptr};

// Objects alive, for the thread-exit clean-up of open transactions.
std::mutex g_liveLock;
std::set<CDataFileConnections*> g_live;

// The objects in which this thread began a transaction.
struct ThreadTransactions {
    std::vector<CDataFileConnections*> objects;
    ~ThreadTransactions()
    {
        std::lock_guard<std::mutex> lock(g_liveLock);
        for (CDataFileConnections* object : objects)
            if (g_live.count(object))
                object->AbandonThreadTransaction(std::this_thread::get_id());
    }
};
thread_local ThreadTransactions t_transactions;

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

}  // namespace

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

CDataFileConnections::CDataFileConnections()
{
    std::lock_guard<std::mutex> lock(g_liveLock);
    g_live.insert(this);
}

CDataFileConnections::~CDataFileConnections()
{
    {
        std::lock_guard<std::mutex> lock(g_liveLock);
        g_live.erase(this);
    }
    std::unique_lock<std::shared_mutex> open(m_openLock);
    CloseAll();
}

std::unique_ptr<SqliteConnection> CDataFileConnections::Connect()
{
    auto connection = std::make_unique<SqliteConnection>(m_path, false, g_busyTimeoutMs.load(), g_vfsName.load());
    connection->Execute(ConnectionSettings(m_path).c_str());
    return connection;
}

void CDataFileConnections::CloseAll()
{
    std::lock_guard<std::mutex> lock(m_poolLock);
    m_idle.clear();
    m_pinned.clear();
    m_open = false;
}

void CDataFileConnections::AbandonThreadTransaction(std::thread::id thread)
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

void CDataFileConnections::SetBusyTimeoutForTests(int milliseconds)
{
    g_busyTimeoutMs = milliseconds;
}

void CDataFileConnections::SetFileLayerForTests(const char* vfsName)
{
    g_vfsName = vfsName;
}

int CDataFileConnections::Open(const DATABASE_OPEN_OPTIONS& options, const wchar_t* path)
{
    std::unique_lock<std::shared_mutex> open(m_openLock);
    CloseAll();
    m_path.clear();
    m_widePath.Empty();
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

int CDataFileConnections::Transaction(int action)
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

int CDataFileConnections::DeleteRow(const char* sql, int64_t id)
{
    return Write([&](SqliteConnection& connection) -> int {
        SqlStatement remove(connection, sql);
        remove.Bind(1, id);
        remove.Run();
        return connection.Changes() ? DATABASE_OK : DATABASE_NO_ROW;
    }, kOneStatement);
}

bool CDataFileConnections::IsOpen()
{
    std::shared_lock<std::shared_mutex> open(m_openLock);
    return m_open;
}

CBasicString CDataFileConnections::GetPath()
{
    std::shared_lock<std::shared_mutex> open(m_openLock);
    return m_open ? m_widePath : CBasicString();
}
