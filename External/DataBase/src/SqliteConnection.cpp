#include "SqliteConnection.h"

#include <sys/stat.h>

#include <algorithm>

#include "utility/TextCodec.h"

namespace {

const char* const kFixedSettings = "PRAGMA foreign_keys = ON; PRAGMA synchronous = FULL; PRAGMA temp_store = MEMORY;"
                                   " PRAGMA journal_size_limit = 1048576;";

// The page cache and memory map of a connection grow with the data file
// up to this, so that searches of a large dictionary stay in memory.
constexpr long long kMaxCacheBytes = 512LL * 1024 * 1024;

}  // namespace

std::string ConnectionSettings(const std::string& path)
{
    std::string settings = kFixedSettings;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || info.st_size <= 0)
        return settings;
    const long long bytes = std::min<long long>(kMaxCacheBytes, info.st_size + info.st_size / 4);
    const long long cacheKib = std::max<long long>(2048, bytes / 1024);
    settings += " PRAGMA cache_size = -" + std::to_string(cacheKib) + "; PRAGMA mmap_size = " + std::to_string(bytes) + ";";
    return settings;
}

SqliteConnection::SqliteConnection(const std::string& path, bool create, int busyTimeoutMs, const char* vfs)
{
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_PRIVATECACHE;
    if (create)
        flags |= SQLITE_OPEN_CREATE;
    int rc = sqlite3_open_v2(path.c_str(), &m_db, flags, vfs);
    if (rc != SQLITE_OK) {
        int code = m_db ? sqlite3_extended_errcode(m_db) : rc;
        sqlite3_close_v2(m_db);
        m_db = nullptr;
        throw SqlError{code};
    }
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_timeout(m_db, busyTimeoutMs);
}

SqliteConnection::~SqliteConnection()
{
    for (auto& entry : m_statements)
        sqlite3_finalize(entry.second);
    if (m_db) {
        if (InTransaction())
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close_v2(m_db);
    }
}

void SqliteConnection::Fail(int code)
{
    throw SqlError{code == SQLITE_OK ? SQLITE_ERROR : code};
}

void SqliteConnection::Execute(const char* sql)
{
    int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        Fail(sqlite3_extended_errcode(m_db));
}

void SqliteConnection::Run(const char* sql)
{
    SqlStatement statement(*this, sql);
    statement.Run();
}

sqlite3_stmt* SqliteConnection::Prepare(const char* sql)
{
    auto found = m_statements.find(sql);
    if (found != m_statements.end())
        return found->second;
    sqlite3_stmt* statement = nullptr;
    int rc = sqlite3_prepare_v3(m_db, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr);
    if (rc != SQLITE_OK)
        Fail(sqlite3_extended_errcode(m_db));
    m_statements.emplace(sql, statement);
    return statement;
}

SqlStatement::SqlStatement(SqliteConnection& connection, const char* sql)
    : m_connection(connection), m_statement(connection.Prepare(sql))
{
}

SqlStatement::~SqlStatement()
{
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
}

SqlStatement& SqlStatement::Bind(int index, int64_t value)
{
    if (sqlite3_bind_int64(m_statement, index, value) != SQLITE_OK)
        m_connection.Fail(sqlite3_extended_errcode(m_connection.Handle()));
    return *this;
}

SqlStatement& SqlStatement::Bind(int index, const std::wstring& text)
{
    if (text.find(L'\0') != std::wstring::npos)
        throw SqlError{SQLITE_MISMATCH};
    if (m_textCount == m_texts.size())
        return BindUtf8(index, WideToUtf8(text));
    std::string& utf8 = m_texts[m_textCount++];
    utf8 = WideToUtf8(text);
    if (sqlite3_bind_text64(m_statement, index, utf8.data(), utf8.size(), SQLITE_STATIC, SQLITE_UTF8) != SQLITE_OK)
        m_connection.Fail(sqlite3_extended_errcode(m_connection.Handle()));
    return *this;
}

SqlStatement& SqlStatement::BindUtf8(int index, const std::string& text)
{
    if (text.find('\0') != std::string::npos)
        throw SqlError{SQLITE_MISMATCH};
    if (sqlite3_bind_text64(m_statement, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8) != SQLITE_OK)
        m_connection.Fail(sqlite3_extended_errcode(m_connection.Handle()));
    return *this;
}

SqlStatement& SqlStatement::BindBlob(int index, const void* bytes, size_t size)
{
    static const BYTE kNothing = 0;
    if (sqlite3_bind_blob64(m_statement, index, size ? bytes : &kNothing, size, SQLITE_TRANSIENT) != SQLITE_OK)
        m_connection.Fail(sqlite3_extended_errcode(m_connection.Handle()));
    return *this;
}

SqlStatement& SqlStatement::BindNull(int index)
{
    if (sqlite3_bind_null(m_statement, index) != SQLITE_OK)
        m_connection.Fail(sqlite3_extended_errcode(m_connection.Handle()));
    return *this;
}

bool SqlStatement::Step()
{
    int rc = sqlite3_step(m_statement);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    int code = sqlite3_extended_errcode(m_connection.Handle());
    sqlite3_reset(m_statement);
    m_connection.Fail(code);
}

void SqlStatement::Run()
{
    while (Step()) {
    }
}

int64_t SqlStatement::Int64(int column) const
{
    return sqlite3_column_int64(m_statement, column);
}

std::wstring SqlStatement::Text(int column) const
{
    const char* text = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
    if (!text)
        return std::wstring();
    return Utf8ToWide(text, static_cast<size_t>(sqlite3_column_bytes(m_statement, column)));
}

std::vector<BYTE> SqlStatement::Blob(int column) const
{
    const BYTE* bytes = static_cast<const BYTE*>(sqlite3_column_blob(m_statement, column));
    int size = sqlite3_column_bytes(m_statement, column);
    if (!bytes || size <= 0)
        return {};
    return std::vector<BYTE>(bytes, bytes + size);
}

int SqlStatement::ColumnCount() const
{
    return sqlite3_column_count(m_statement);
}

int SqlStatement::ColumnType(int column) const
{
    return sqlite3_column_type(m_statement, column);
}
