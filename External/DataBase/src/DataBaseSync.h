#pragma once
// CDataBaseSync: synchronisation of the data file with the account's copy
// on the synchronisation service, in either direction: the copies are
// downloaded, merged and stored or uploaded (SyncCopy.h, SyncMerge.h,
// SyncExchange.h).

#include "DataBase/AbstractDataBase.h"
#include "DataFileConnections.h"
#include "DictionaryWords.h"

class CDataBaseSync {
public:
    // progress and links may be null.
    CDataBaseSync(CDataFileConnections& file, CDictionaryWords& words, CAbstractProgressStatus* progress,
                  CAbstractLinkTable* links)
        : m_file(file), m_words(words), m_progress(progress), m_links(links)
    {
    }

    int Synchronize(CAbstractFile* http, const wchar_t* email, const wchar_t* password, int direction);

private:
    CDataFileConnections& m_file;
    CDictionaryWords& m_words;
    CAbstractProgressStatus* m_progress;
    CAbstractLinkTable* m_links;
};
