#include "Quenzel/Shared/CurrentLanguagePair.h"

#include <QCoreApplication>
#include <QThread>

#include "DataBase/AbstractDataBase.h"
#include "Quenzel/Shared/PageHost.h"
#include "utility/ErrorReport.h"

namespace {

const char kSourceFile[] = "CurrentLanguagePair";

} // namespace

void SetCurrentLanguagePair(CAbstractDataBase* database, LanguagePair pair) {
    const QCoreApplication* application = QCoreApplication::instance();
    ReportAssertion(!application || QThread::currentThread() == application->thread(), kSourceFile, __LINE__);
    if (database) database->SetLanguagePair(pair);
}

bool SetHostLanguagePair(CPageHost* host, CAbstractDataBase* database) {
    LanguagePair pair;
    if (!host || !host->GetSelectedLanguages(&pair.first, &pair.second)) return false;
    SetCurrentLanguagePair(database, pair);
    return true;
}
