#pragma once
// A thin layer over one SQLite connection: prepared statements cached per
// connection, binding of wide texts as UTF-8, and failures as SqlError.

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include <sqlite3.h>

#include "TextFold.h"
#include "compat/WinTypes.h"

// A failed SQLite call: its extended result code. A text holding NUL is
// refused before it reaches the file, as SQLITE_MISMATCH.
struct SqlError {
    int code;
    bool IsConstraint() const { return (code & 0xFF) == SQLITE_CONSTRAINT; }
    // A value the file does not take (a refused row or text), as opposed
    // to a failure of the storage.
    bool IsRefusedValue() const { return IsConstraint() || code == SQLITE_MISMATCH; }
    bool IsForeignKey() const { return code == SQLITE_CONSTRAINT_FOREIGNKEY; }
};

class SqliteConnection;

// The settings of every connection to the data file at path (UTF-8), as
// statements: foreign keys checked, every commit on the disk before it
// returns, savepoint journals in memory, a write-ahead log that shrinks back
// to 1 MB whenever a checkpoint empties it, and a page cache and memory map
// sized to the file as it is now (with room to grow a quarter, at most
// 512 MB), never below SQLite's own 2 MB cache.
std::string ConnectionSettings(const std::string& path);

// One use of a cached statement: bound, stepped, reset when it ends.
class SqlStatement {
public:
    SqlStatement(SqliteConnection& connection, const char* sql);
    ~SqlStatement();
    SqlStatement(const SqlStatement&) = delete;
    SqlStatement& operator=(const SqlStatement&) = delete;

    SqlStatement& Bind(int index, int64_t value);
    SqlStatement& Bind(int index, int value) { return Bind(index, static_cast<int64_t>(value)); }
    // Texts holding NUL are refused (SqlError SQLITE_MISMATCH): a key must
    // never be cut at the NUL and match a shorter text.
    SqlStatement& Bind(int index, const std::wstring& text);
    SqlStatement& BindUtf8(int index, const std::string& text);
    SqlStatement& BindBlob(int index, const void* bytes, size_t size);
    SqlStatement& BindNull(int index);

    // True while a row is there.
    bool Step();
    // Runs a statement that gives no rows.
    void Run();

    int64_t Int64(int column) const;
    int Int(int column) const { return static_cast<int>(Int64(column)); }
    std::wstring Text(int column) const;
    std::vector<BYTE> Blob(int column) const;
    int ColumnCount() const;
    int ColumnType(int column) const;
    sqlite3_stmt* Handle() const { return m_statement; }

private:
    SqliteConnection& m_connection;
    sqlite3_stmt* m_statement;
    // The UTF-8 of wide texts bound, kept for as long as this use so that
    // SQLite need not copy them (the bindings are cleared when it ends).
    std::array<std::string, 6> m_texts;
    size_t m_textCount = 0;
};

class SqliteConnection {
public:
    // Opens path (UTF-8) through the SQLite file layer vfs (null: the
    // default); throws SqlError.
    SqliteConnection(const std::string& path, bool create, int busyTimeoutMs, const char* vfs = nullptr);
    ~SqliteConnection();
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    // Runs statements without parameters; throws SqlError.
    void Execute(const char* sql);
    // Runs one statement without parameters through the statement cache
    // (sql is a literal); throws SqlError.
    void Run(const char* sql);
    int64_t LastInsertId() const { return sqlite3_last_insert_rowid(m_db); }
    int Changes() const { return sqlite3_changes(m_db); }
    bool InTransaction() const { return !sqlite3_get_autocommit(m_db); }
    sqlite3* Handle() const { return m_db; }

    // The cached statement of sql (the text's address is the key, so sql is
    // a literal).
    sqlite3_stmt* Prepare(const char* sql);
    [[noreturn]] void Fail(int code);

    // Set while the connection is pinned to a thread's transaction.
    int transactionDepth = 0;
    // Set when a storage failure rolled the pinned transaction back: the
    // writes that would join it fail until the thread commits.
    bool transactionLost = false;

private:
    sqlite3* m_db = nullptr;
    std::unordered_map<const char*, sqlite3_stmt*> m_statements;
};
