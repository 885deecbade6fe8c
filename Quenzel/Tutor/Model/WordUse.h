#pragma once
// How much of the dictionary uses a stored word: the list editor asks before
// it changes a word's text in place (a word used elsewhere gets a new word
// instead).

#include "DataBase/AbstractDataBase.h"

// idUses: the entries, meanings and relations of the word's id; textHits:
// the stored words of any language with the word's text. 0 when either
// search gave a row, DATABASE_NO_ROW when neither did, -1 for a word
// without an id (or no database).
int LookupWordUse(CAbstractDataBase* database, const WordKeyRecord& word, int& textHits, int& idUses);
