#pragma once
// CDataFileConnections: the data file and the connections to it. Each call
// takes a connection of its own from a pool (so threads never share a
// connection at once); a thread's open transaction keeps its connection
// until the commit. The file runs in WAL mode, so readers never wait for a
// writer. Opening checks the file (access, header, layout) and brings an
// older layout up to date.
//
// The stores of words, lists and synchronisation run their statements
// through Write, Read and Query, which turn SQLite's failures into the
// component's result codes.

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <shared_mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "DataBase/AbstractDataBase.h"
#include "SqliteConnection.h"

// A storage failure as the code a write throws.
DATABASE_RESULT StorageResult(const SqlError& error);
// After a write that failed for want of space (or of a working disk) was
// rolled back, gives the log's space back when no reader holds it.
void ReleaseLogSpace(SqliteConnection& connection, const SqlError& error);
// A refused row as the code a write returns.
int ConstraintResult(const SqlError& error);

// Whether the statement sql finds a row for id.
inline bool RowExists(SqliteConnection& connection, const char* sql, int64_t id)
{
    SqlStatement find(connection, sql);
    find.Bind(1, id);
    return find.Step();
}

class CDataFileConnections {
public:
    CDataFileConnections();
    ~CDataFileConnections();
    CDataFileConnections(const CDataFileConnections&) = delete;
    CDataFileConnections& operator=(const CDataFileConnections&) = delete;

    int Open(const DATABASE_OPEN_OPTIONS& options, const wchar_t* path);
    int Transaction(int action);
    bool IsOpen();
    // The path the file was opened with; empty while none is open.
    CBasicString GetPath();
    // Rolls back and drops the transaction that thread left open (the
    // thread ended).
    void AbandonThreadTransaction(std::thread::id thread);
    // How long a write waits for another writer before it fails.
    static void SetBusyTimeoutForTests(int milliseconds);
    // The SQLite file layer (a registered VFS name) of the data files opened
    // from now on; null for the default.
    static void SetFileLayerForTests(const char* vfsName);

    // A write of several statements runs in a savepoint (or a transaction
    // of its own); a write of one statement is atomic by itself.
    enum WriteKind { kSteps, kOneStatement };
    template <class Body>
    int Write(Body&& body, WriteKind kind = kSteps);
    // A read of several statements sees one snapshot of the file.
    template <class Body>
    CAbstractRecordSet* Query(Body&& body, bool snapshot = false);
    template <class Body>
    int Read(Body&& body, bool snapshot = false);
    // Deletes the row of id by sql (one statement): DATABASE_NO_ROW when
    // there was none.
    int DeleteRow(const char* sql, int64_t id);

private:
    class Lease;

    std::unique_ptr<SqliteConnection> Connect();
    void CloseAll();

    std::shared_mutex m_openLock;  // shared by every call, exclusive for Open and the end
    bool m_open = false;
    std::string m_path;  // UTF-8
    CBasicString m_widePath;

    std::mutex m_poolLock;
    std::vector<std::unique_ptr<SqliteConnection>> m_idle;
    std::unordered_map<std::thread::id, std::unique_ptr<SqliteConnection>> m_pinned;
};

// A connection for the length of one call: the thread's pinned one while
// it has a transaction open, else one from the pool.
class CDataFileConnections::Lease {
public:
    explicit Lease(CDataFileConnections& owner) : m_owner(owner)
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
    CDataFileConnections& m_owner;
    std::unique_ptr<SqliteConnection> m_owned;
    SqliteConnection* m_connection = nullptr;
    bool m_pinned = false;
};

// Runs body(connection) as one atomic write: body gives 0 to keep its
// changes or a code to undo them; a storage failure undoes them and throws.
template <class Body>
int CDataFileConnections::Write(Body&& body, WriteKind kind)
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
CAbstractRecordSet* CDataFileConnections::Query(Body&& body, bool snapshot)
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
int CDataFileConnections::Read(Body&& body, bool snapshot)
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
