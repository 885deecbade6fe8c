#pragma once
// One request to the synchronisation service and its reply, through the
// HTTP file that the program hands to Synchronize: a form post (op, email,
// password and, for an upload, data) whose reply must arrive whole. The
// progress interface hears of every piece sent and received and may stop
// the exchange between pieces.

#include <string>

class CAbstractFile;
class CAbstractProgressStatus;

// The progress interface of the component (may be null).
class SyncProgress {
public:
    explicit SyncProgress(CAbstractProgressStatus* progress) : m_progress(progress) {}
    // True once the work no longer runs (the user cancelled).
    bool Cancelled();
    // kind 1: the item's name and its number of total; kind 2: the second
    // counters (kibibytes moved of total).
    void Report(int kind, const std::wstring& text, long long current, long long total);

private:
    CAbstractProgressStatus* m_progress;
};

// Sizes the exchange refuses beyond.
constexpr size_t kMaxSyncRequestBytes = 256u << 20;
constexpr size_t kMaxSyncReplyBytes = 300u << 20;

// True for an address the component may send a password to: https, or
// http to the loopback host.
bool IsSafeServiceAddress(const std::wstring& address);

// "name=value" with value (UTF-8) percent-encoded for a form.
std::string FormField(const char* name, const std::string& value);
// Base64 with the URL alphabet and no padding (safe in a form as it is).
std::string Base64Url(const std::string& bytes);

// The status and body of a raw reply (head and body): false unless the
// head is whole, the status a number from 100 to 599 and the body exactly
// as long as its Content-Length, which the reply must give.
bool ParseServiceReply(const std::string& reply, int& status, std::string& body);

// The result of an upload that the service refused because the account's
// copy changed since it was downloaded (status 409): the caller merges
// again. Never a result of Synchronize.
constexpr int kSyncCopyChanged = 1;

// Posts body to address: DATABASE_OK with the reply's body for status
// 200, DATABASE_WRONG_ACCOUNT for 401, kSyncCopyChanged for 409,
// DATABASE_NO_CONNECTION when the request cannot be sent,
// DATABASE_CANCELLED, or DATABASE_FAILED for any other reply (refused,
// malformed, cut short, too large).
int PostToService(CAbstractFile& http, const std::wstring& address, const std::string& body, SyncProgress& progress,
                  std::string& replyBody);
