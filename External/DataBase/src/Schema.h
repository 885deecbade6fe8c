#pragma once
// The layout of the data file: its tables, its version and the rows a fresh
// file starts with.

#include "SqliteConnection.h"

// PRAGMA application_id of our data files ("KVXD").
constexpr int kDataFileApplicationId = 0x4B565844;
// PRAGMA user_version of the layout this component writes.
constexpr int kDataFileVersion = 4;

// Brings an open file to kDataFileVersion inside one write transaction:
// creates and seeds a fresh (empty) file, or migrates an older one.
// Throws SqlError.
void CreateOrMigrate(SqliteConnection& connection, int fromVersion);
// True when the file holds every table, column and index of the layout of
// version (extra ones are allowed). Throws SqlError.
bool HasLayout(SqliteConnection& connection, int version);
