#pragma once
// What a test of a storage failure checks of the data file afterwards: a
// connection of its own (not the component's) finds it whole.

#include <sqlite3.h>

#include <string>

namespace quenzeltest {

// "ok" when SQLite's integrity check passes over the file, else its
// complaint or the failure to open it.
inline std::string DataFileIntegrity(const std::string& path) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        std::string error = db ? sqlite3_errmsg(db) : "cannot open";
        sqlite3_close(db);
        return error;
    }
    std::string result = "no answer";
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW)
        result = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return result;
}

}  // namespace quenzeltest
