#pragma once
// CUpdateJob: the work of the update page's worker, without any window.
// It fetches the version file (link 14 with the application id put in)
// through the online-services library's HTTP file, compares the version
// it announces with the running program's, and when that is newer
// downloads the installer into the temporary folder under a fresh GUID
// name. The page shows the outcome (a string id of Pendrel's table) and
// starts the installer.
//
// - The version file is read to its end, 1,024 bytes at most.
// - An installer whose version file names a SHA-256 checksum must match
//   it. An installer offered over plain http without a checksum is not
//   fetched at all: nothing vouches for it.
// - A download that fails, does not match or is cancelled (the progress
//   interface's IsRunning turns FALSE) leaves no file behind.
// - Every file object is freed on every path.

#include "Pendrel/Core/BasicVersionNumber.h"
#include "Pendrel/PendrelApi.h"
#include "compat/WinTypes.h"
#include "utility/BasicString.h"

class CAbstractFile;
class CAbstractLog;
class CAbstractProgressStatus;
class CLinkTable;

// The outcome messages (Pendrel's string table).
enum UPDATE_MESSAGE : UINT {
    UPDATE_MESSAGE_NONE = 0,
    UPDATE_MESSAGE_BAD_VERSION_FILE = 31150,
    UPDATE_MESSAGE_UP_TO_DATE = 31151,
    UPDATE_MESSAGE_NO_CONNECTION = 31152,
    UPDATE_MESSAGE_DOWNLOAD_FAILED = 31153,
    UPDATE_MESSAGE_DOWNLOADED = 31156,
    UPDATE_MESSAGE_ABORTED = 31171,
};

struct UpdateJobSetup {
    HMODULE sendrix = nullptr;          // the online-services library
    const CLinkTable* links = nullptr;
    int applicationId = 0;              // put into link 14
    CAbstractLog* log = nullptr;        // handed to the HTTP file; gets the version line
    CAbstractProgressStatus* progress = nullptr;  // cancels the download; null never does
    CBasicVersionNumber current;        // the running program's version
};

class PENDREL_API CUpdateJob {
public:
    explicit CUpdateJob(const UpdateJobSetup& setup);

    // The whole check: 1 when it ended without a failure (up to date, or an
    // installer downloaded), 0 otherwise.
    int Run();

    UINT GetOutcomeMessage() const { return m_message; }
    // The downloaded installer's full path; empty unless one is ready.
    const CBasicString& GetInstallerPath() const { return m_installerPath; }
    int IsInstallerReady() const { return m_installerReady; }

    // Where an installer goes: the temporary folder, then a new GUID.
    static CBasicString MakeInstallerPath();

private:
    enum class Download { Done, Failed, Aborted };
    int RunWithFile(CAbstractFile*& webFile);
    Download DownloadFile(CAbstractFile* webFile, const CBasicString& address, const CBasicString& localPath,
                          const CBasicString& sha256);
    bool IsRunning() const;

    UpdateJobSetup m_setup;
    UINT m_message = UPDATE_MESSAGE_NONE;
    CBasicString m_installerPath;
    int m_installerReady = 0;
};
