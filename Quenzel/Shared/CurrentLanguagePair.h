#pragma once
// The database's current language pair - the one its plain searches and
// meaning queries use - is set here only, and only on the user-interface
// thread. A job on a worker takes the pair the window had when the job
// started and searches in that pair (CAbstractDataBase::SearchInPair), so a
// change of the pair meanwhile never reaches a running job, and a job never
// changes the pair under the window.

#include "DataBase/LanguagePair.h"

class CAbstractDataBase;
class CPageHost;

// Makes pair the database's current pair (a null database: nothing).
void SetCurrentLanguagePair(CAbstractDataBase* database, LanguagePair pair);

// The pair of the host's two language combos, made the current pair; false
// (nothing set) without a host or when a combo has no selection.
bool SetHostLanguagePair(CPageHost* host, CAbstractDataBase* database);
