// The two exports of libDataBase.so.
#include <new>

#include "SqliteDataBase.h"

DATABASE_EXPORT CAbstractDataBase* CreateDataBase(CAbstractProgressStatus* progress, CAbstractLinkTable* links, int)
{
    return new (std::nothrow) CSqliteDataBase(progress, links);
}

DATABASE_EXPORT void DeleteDataBase(CAbstractDataBase* database)
{
    delete database;
}
