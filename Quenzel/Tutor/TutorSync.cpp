#include "Quenzel/Tutor/TutorSync.h"

#include "DataBase/DataBaseResult.h"
#include "Quenzel/App/QuenzelApp.h"

namespace {

constexpr UINT kNoConnection = 31152;

UINT ResultText(int result) {
    switch (result) {
    case DATABASE_OK: return 31251;
    case DATABASE_WRONG_ACCOUNT: return 31274;
    case DATABASE_CANCELLED: return 31250;
    case DATABASE_NO_CONNECTION: return kNoConnection;
    case DATABASE_NOT_SET_UP: return 31253;
    default: return 31252;
    }
}

} // namespace

TutorSyncOutcome TutorSync::Run(const Synchronizer& synchronize) const {
    TutorSyncOutcome outcome;
    if (!m_request.http || !synchronize) {
        outcome.end = WorkerResult{MB_ICONERROR, QuenzelString(kNoConnection)};
        return outcome;
    }
    const int result =
        synchronize(m_request.http, m_request.email.GetString(), m_request.password.GetString(), m_request.direction);
    outcome.end = WorkerResult{result == DATABASE_OK ? MB_ICONINFORMATION : MB_ICONERROR, QuenzelString(ResultText(result))};
    outcome.refillLists = result != DATABASE_WRONG_ACCOUNT && m_request.direction == 0;
    return outcome;
}
