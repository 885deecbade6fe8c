#pragma once
// TutorSync: the tutor page's synchronisation of the vocabulary lists with
// the online account. The page takes everything the job needs on its own
// thread when the job starts - the HTTP file, the account of the settings
// and the direction - and the job works from that alone on the worker,
// handing back the message to show and whether the page reads its lists
// again.

#include <functional>
#include <utility>

#include "Pendrel/App/WorkerResult.h"
#include "utility/BasicString.h"

class CAbstractFile;

struct TutorSyncRequest {
    CAbstractFile* http = nullptr;  // null: the online library is not there
    CBasicString email;
    CBasicString password;
    int direction = -1;  // 0 "To Local", 1 "To Online"
};

struct TutorSyncOutcome {
    WorkerResult end;
    bool refillLists = false;  // the lists changed here: read them again
};

class TutorSync {
public:
    // The database's Synchronize (http, e-mail, password, direction).
    using Synchronizer = std::function<int(CAbstractFile*, const wchar_t*, const wchar_t*, int)>;

    explicit TutorSync(TutorSyncRequest request) : m_request(std::move(request)) {}

    const TutorSyncRequest& Request() const { return m_request; }

    // Synchronises as the request says. Without an HTTP file nothing is
    // called and the outcome says the server cannot be reached (31152).
    // Otherwise the result picks the message: 0 completed (31251,
    // information), DATABASE_WRONG_ACCOUNT 31274, DATABASE_CANCELLED 31250,
    // DATABASE_NO_CONNECTION 31152, DATABASE_NOT_SET_UP 31253, any other
    // 31252 (error icon); a synchronisation to local refills the lists
    // unless the account was refused.
    TutorSyncOutcome Run(const Synchronizer& synchronize) const;

private:
    TutorSyncRequest m_request;
};
