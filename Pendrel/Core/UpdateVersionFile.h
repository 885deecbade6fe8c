#pragma once
// CUpdateVersionFile: the small version file that the update check reads
// from the web server, and what it tells:
//
//   <key>=<major>.<minor>.<build>.<revision>     the version online
//   <key>=<address>                              where its installer lies
//   SHA256=<64 hexadecimal digits>               optional, any further line
//
// Only the text after the first "=" of the first two lines counts; the keys
// are not examined. White space around the whole file is dropped; a line
// may end with CR LF. Parts missing between the dots stay 0 and the text
// after the last dot found always fills the fourth part ("1.2.3" is
// 1.2.0.3, "5" is 0.0.0.5); each part keeps its low 16 bits. A file of one
// line announces 0.0.0.0. The installer address is read only when the
// version online is newer than the one running.
//
// The checksum line lets the downloaded installer be checked: when the file
// carries one, it must hold exactly 64 hexadecimal digits, or the file is
// refused.

#include "Pendrel/Core/BasicVersionNumber.h"
#include "Pendrel/PendrelApi.h"
#include "utility/BasicString.h"

class CAbstractLog;

class PENDREL_API CUpdateVersionFile {
public:
    // Reads the reply against the running version; the log (may be null)
    // gets the line "Current version: ..., Online version: ..." at the
    // information level. 1 when the reply is a valid version file (whether
    // or not it is newer), 0 when not: an empty reply, a negative version
    // part, a newer version without an installer address, or a bad
    // checksum line.
    int Parse(const CBasicString& reply, const CBasicVersionNumber& current, CAbstractLog* log);

    // 1 when the version online is newer and an installer address was read.
    int IsNewer() const { return m_newer; }
    const CBasicVersionNumber& GetOnlineVersion() const { return m_online; }
    const CBasicString& GetDownloadAddress() const { return m_downloadAddress; }
    // The checksum the installer must have, 64 lower-case hexadecimal
    // digits; empty when the file names none.
    const CBasicString& GetSha256() const { return m_sha256; }

private:
    int ReadChecksum(const CBasicString& lines);

    int m_newer = 0;
    CBasicVersionNumber m_online;
    CBasicString m_downloadAddress;
    CBasicString m_sha256;
};
