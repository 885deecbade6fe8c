#include "DataBaseSync.h"

#include "RecordText.h"
#include "SyncCopy.h"
#include "SyncExchange.h"
#include "SyncMerge.h"
#include "utility/TextCodec.h"

namespace {

// Uploads tried when other computers keep uploading in between.
constexpr int kSyncUploadAttempts = 8;

bool HasNul(const std::wstring& text)
{
    return text.find(L'\0') != std::wstring::npos;
}

// Whether a text of the copy holds NUL. The records the copy is stored
// through end their texts at the first NUL, which would store "sun\0shine"
// as the word "sun": such a copy is refused whole.
bool HoldsNul(const SyncCopy& copy)
{
    for (const SyncLanguage& language : copy.languages)
        if (HasNul(language.name) || HasNul(language.code))
            return true;
    for (const SyncMeanType& type : copy.types)
        if (HasNul(type.name) || HasNul(type.value))
            return true;
    for (const SyncList& list : copy.lists) {
        if (HasNul(list.name) || HasNul(list.secondText) || list.guid.find('\0') != std::string::npos)
            return true;
        for (const SyncEntry& entry : list.entries)
            if (HasNul(entry.word) || HasNul(entry.meaning) || HasNul(entry.enteredDate) || HasNul(entry.statusDate))
                return true;
    }
    return false;
}

}  // namespace

int CDataBaseSync::Synchronize(CAbstractFile* http, const wchar_t* email, const wchar_t* password, int direction)
{
    if (!http || (direction != 0 && direction != 1))
        return DATABASE_INVALID_ARGUMENT;
    if (!m_file.IsOpen())
        return DATABASE_NOT_OPEN;
    const wchar_t* link = m_links ? m_links->GetLinkURL(kSyncServiceLinkId) : nullptr;
    std::wstring address = Wide(link);
    if (address.empty())
        return DATABASE_NOT_SET_UP;
    // The password never travels in clear beyond this machine.
    if (!IsSafeServiceAddress(address))
        return DATABASE_FAILED;
    std::string account = WideToUtf8(Wide(email));
    std::string secret = WideToUtf8(Wide(password));
    if (account.empty() || secret.empty())
        return DATABASE_WRONG_ACCOUNT;
    std::string form = FormField("email", account) + '&' + FormField("password", secret);
    SyncProgress progress(m_progress);
    // The account's copy (an empty one when it has none yet).
    auto download = [&](SyncCopy& copy) -> int {
        std::string reply;
        int rc = PostToService(*http, address, "op=download&" + form, progress, reply);
        if (rc != DATABASE_OK)
            return rc == kSyncCopyChanged ? DATABASE_FAILED : rc;
        if (!reply.empty() && !DecodeSyncCopy(reply, copy))
            return DATABASE_FAILED;
        if (HoldsNul(copy))
            return DATABASE_INVALID_ARGUMENT;
        return progress.Cancelled() ? DATABASE_CANCELLED : DATABASE_OK;
    };
    try {
        if (direction == 0) {
            // To Local: the account's copy merged into the file.
            SyncCopy online;
            int rc = download(online);
            if (rc != DATABASE_OK)
                return rc;
            rc = m_file.Write([&](SqliteConnection& connection) {
                SyncCopy local;
                int read = ReadSyncCopy(connection, progress, local);
                return read != DATABASE_OK ? read : StoreSyncCopy(connection, MergeSyncCopies(local, online), progress);
            });
            m_words.ForgetLanguages();
            return rc;
        }
        // To Online: the file's copy merged into the account's, uploaded
        // as the next version of the one downloaded; when another upload
        // came in between, the merge starts again from the newer copy.
        for (int attempt = 0; attempt < kSyncUploadAttempts; ++attempt) {
            SyncCopy online;
            int rc = download(online);
            if (rc != DATABASE_OK)
                return rc;
            SyncCopy local;
            rc = m_file.Write([&](SqliteConnection& connection) { return ReadSyncCopy(connection, progress, local); });
            if (rc != DATABASE_OK)
                return rc;
            SyncCopy merged = MergeSyncCopies(online, local);
            merged.version = online.version + 1;
            std::string deflated = EncodeSyncCopy(merged);
            if (deflated.empty())
                return DATABASE_FAILED;
            std::string reply;
            rc = PostToService(*http, address, "op=upload&" + form + "&data=" + Base64Url(deflated), progress, reply);
            if (rc != kSyncCopyChanged)
                return rc;
        }
        return DATABASE_FAILED;
    } catch (DATABASE_RESULT result) {
        return result;
    } catch (const std::bad_alloc&) {
        return DATABASE_FAILED;
    }
}
