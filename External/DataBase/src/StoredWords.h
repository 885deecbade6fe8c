#pragma once
// Finding or storing words and meanings by their texts, inside a write of
// the caller. Throws SqlError.

#include <cstdint>

#include "DataBase/DataBaseRecords.h"
#include "SqliteConnection.h"

// Finds the word of that language and text (case ignored), or stores it
// (with word.id when that id is free); word.id receives its id.
int StoreWord(SqliteConnection& connection, WordKeyRecord& word);
// Finds the equal meaning of the word (giving it meaning.type when that is
// set), or stores it (with meaning.id when that id is free); the ids come
// back.
int StoreMeaning(SqliteConnection& connection, int64_t wordId, MeaningRecord& meaning);
