#include "OnlineServices/Sendrix/SFtpFile.h"

#include <cstring>
#include <string>

#include "OnlineServices/SFtpProtocol/SFtpMessages.h"
#include "OnlineServices/Sendrix/AbstractFtpConnection.h"
#include "OnlineServices/Sendrix/FtpPath.h"
#include "OnlineServices/Sendrix/SFtpConnection.h"
#include "OnlineServices/Sendrix/SFtpFileFind.h"
#include "OnlineServices/Sendrix/TextConversion.h"
#include "utility/AbstractLog.h"
#include "utility/ErrorReport.h"

namespace {

const char kSourceFile[] = ".\\SFtpFile";
const wchar_t kLogSource[] = L".\\SFtpFile";
const wchar_t kOnline[] = L"ONLINE";
constexpr int kFolderBufferSize = 260;

CSFtpConnection* SFtpOf(CAbstractConnection* connection) {
    CAbstractFtpConnection* ftp = dynamic_cast<CAbstractFtpConnection*>(connection);
    return ftp ? ftp->AsSFtpConnection() : nullptr;
}

std::string Narrow(const CBasicString& text) { return ToNarrowText(text.GetString()); }

} // namespace

CSFtpFile::CSFtpFile(CAbstractConnection* connection, DWORD access, const wchar_t* path)
    : CFtpFile(connection, access, path), m_sftp(SFtpOf(connection)) {
    SetLogSink(m_sftp ? m_sftp->GetLog() : nullptr);
}

void CSFtpFile::LogPath(int code, const CBasicString& path, int line) {
    if (GetLog()) GetLog()->LogEventFormat(kLogSource, line, kOnline, code, path.GetString());
}

int CSFtpFile::IsOpen() { return m_sftp && m_sftp->HasSocket() && m_open ? 1 : 0; }

int CSFtpFile::Open(const wchar_t* name, DWORD access, DWORD share, DWORD disposition, DWORD flagsAndAttributes) {
    bool usable = name != nullptr && m_sftp != nullptr;
    ReportAssertion(usable, kSourceFile, __LINE__);
    if (!usable) {
        if (m_sftp) m_sftp->SetLastResult(-20);
        return -20;
    }
    bool reading = access == GENERIC_READ;
    ReportAssertion(reading || access == GENERIC_WRITE, kSourceFile, __LINE__);
    if (!reading && access != GENERIC_WRITE) return -2;
    m_sftp->SetLastResult(0);
    SetAccess(access);
    CBasicString path = NormaliseFtpPath(name);
    SetPath(path);
    ReportAssertion(!path.IsEmpty(), kSourceFile, __LINE__);
    if (path.IsEmpty()) m_sftp->SetLastResult(-2);
    else if (!m_sftp->IsConnected()) m_sftp->SetLastResult(-3);
    // A path with a folder enters it first; a bare name is in the current one.
    CBasicString folder = TrimTrailingSlashes(path);
    int slash = folder.ReverseFind(L'/');
    if (m_sftp->GetLastResult() == 0 && slash >= 0 && !m_sftp->SetCurrentDirectory(folder.Left(slash + 1).GetString()))
        m_sftp->SetLastResult(-1);
    if (m_sftp->GetLastResult() >= 0) {
        std::string data = Narrow(path);
        data.push_back('\0');
        LONGLONG position = GetPositionValue();
        if (position < 0) position = 0;
        data.append(reinterpret_cast<const char*>(&position), 8);
        const DWORD code = reading ? kSFtpOpenRead : kSFtpOpenWrite;
        DWORD length = 0;
        if (!m_sftp->SendData(code, (DWORD)data.size(), data.data()) || !m_sftp->Receive(code, &length, nullptr))
            m_sftp->SetLastResult(-2);
    }
    if (m_sftp->GetLastResult() < 0) LogPath(reading ? -21 : -22, path, __LINE__);
    else m_open = 1;
    if (GetPositionValue() < 0) SetPositionValue(0);
    return m_sftp->GetLastResult();
}

bool CSFtpFile::CanMove(const void* buffer, DWORD size, DWORD* done, DWORD access, int line) {
    bool usable = buffer != nullptr && done != nullptr && size != 0 && IsOpen() && GetAccess() == access;
    ReportAssertion(usable, kSourceFile, line);
    if (!usable && m_sftp) m_sftp->SetLastResult(-20);
    if (done) *done = 0;
    return usable;
}

int CSFtpFile::Read(void* buffer, DWORD size, DWORD* done) {
    if (!CanMove(buffer, size, done, GENERIC_READ, __LINE__)) return -2;
    char* bytes = static_cast<char*>(buffer);
    DWORD count = 0;
    uint32_t want = size < kSFtpMaxTransfer ? size : kSFtpMaxTransfer;
    bool posted = false;  // the request for want is out already
    while (want != 0) {
        bool ok = posted || m_sftp->SendData(kSFtpRead, sizeof want, &want);
        // The next request goes out before this one's answer when it asks
        // the whole 4096 bytes whatever this one gives: the agent serves it
        // while this answer is taken.
        uint32_t next = 0;
        if (ok && want == kSFtpMaxTransfer && size - count - want >= kSFtpMaxTransfer) {
            uint32_t ahead = kSFtpMaxTransfer;
            if (m_sftp->SendData(kSFtpRead, sizeof ahead, &ahead)) next = ahead;
            else ok = false;
        }
        DWORD length = want;
        if (ok && !m_sftp->Receive(kSFtpRead, &length, bytes + count)) ok = false;
        if (!ok || length == 0) {
            // The answer to a request posted ahead is taken and dropped.
            if (next) {
                DWORD ignored = 0;
                m_sftp->Receive(kSFtpRead, &ignored, nullptr);
            }
            if (ok) break;
            LogPath(-5, GetPath(), __LINE__);
            m_sftp->SetLastResult(-2);
            return -2;
        }
        count += length;
        posted = next != 0;
        want = posted ? next : (size - count < kSFtpMaxTransfer ? size - count : kSFtpMaxTransfer);
    }
    SetPositionValue(GetPositionValue() + count);
    *done = count;
    return 0;
}

int CSFtpFile::Write(const void* buffer, DWORD size, DWORD* done) {
    if (!CanMove(buffer, size, done, GENERIC_WRITE, __LINE__)) return -2;
    DWORD count = 0;
    for (;;) {
        // The last request carries nothing.
        DWORD piece = size - count < kSFtpMaxTransfer ? size - count : kSFtpMaxTransfer;
        uint32_t written = 0;
        DWORD length = sizeof written;
        if (!m_sftp->SendData(kSFtpWrite, piece, piece ? static_cast<const char*>(buffer) + count : nullptr) ||
            !m_sftp->Receive(kSFtpWrite, &length, &written)) {
            LogPath(-6, GetPath(), __LINE__);
            m_sftp->SetLastResult(-2);
            return -2;
        }
        if (written == 0) break;
        count += written;
    }
    SetPositionValue(GetPositionValue() + count);
    *done = count;
    return 0;
}

int CSFtpFile::Close() {
    int result = 1;
    if (m_open) {
        DWORD length = 0;
        if (!m_sftp->SendData(kSFtpCloseFile, 0, nullptr) || !m_sftp->Receive(kSFtpCloseFile, &length, nullptr)) {
            m_sftp->SetLastResult(-2);
            result = 0;
        }
        m_open = 0;
    }
    SetPositionValue(0);
    return result;
}

int CSFtpFile::PathRequest(DWORD code, const std::string& path) {
    DWORD length = 0;
    return m_sftp->SendString(code, path.c_str()) && m_sftp->Receive(code, &length, nullptr) ? 1 : 0;
}

bool CSFtpFile::CanUsePath(const wchar_t* path, int line) {
    bool usable = path != nullptr && m_sftp != nullptr && m_sftp->IsConnected();
    if (!usable && m_sftp) m_sftp->SetLastResult(-20);
    ReportAssertion(usable, kSourceFile, line);
    return usable;
}

int CSFtpFile::Delete(const wchar_t* path) {
    if (!CanUsePath(path, __LINE__)) return 0;
    // The path goes as the caller gave it.
    return PathRequest(kSFtpDeleteFile, ToNarrowText(path));
}

int CSFtpFile::CreateFolder(const wchar_t* path) {
    if (!CanUsePath(path, __LINE__)) return -20;
    CBasicString folder = NormaliseFtpPath(path);
    // A folder that exists already is no error worth logging.
    m_sftp->SetMakingFolder(true);
    int result = CreateFolderLevels(
        folder, [this](const CBasicString& level) { return PathRequest(kSFtpMakeFolder, Narrow(level)) != 0; },
        [this](const CBasicString& level) {
            wchar_t current[kFolderBufferSize];
            if (!m_sftp->GetCurrentDirectory(current, kFolderBufferSize) ||
                !m_sftp->SetCurrentDirectory(level.GetString()))
                return false;
            m_sftp->SetCurrentDirectory(current);
            return true;
        });
    m_sftp->SetMakingFolder(false);
    if (result) {
        // The levels that had to be tried first left their failure behind.
        m_sftp->SetLastResult(0);
        return result;
    }
    LogPath(-11, folder, __LINE__);
    LogPath(-7, folder, __LINE__);
    return 0;
}

int CSFtpFile::RemoveFolder(const wchar_t* path) {
    if (!CanUsePath(path, __LINE__)) return -20;
    CBasicString folder = TrimTrailingSlashes(NormaliseFtpPath(path));
    int result = 1;
    {
        CSFtpFileFind finder(m_sftp);
        // Every entry of the folder ("folder/" alone would look for one
        // entry without a name and find nothing).
        CBasicString pattern = folder + L"/*";
        for (int found = finder.FindFirst(pattern.GetString(), 0); found; found = finder.FindNext()) {
            if (finder.IsDots()) continue;
            CBasicString entry = finder.GetFilePath();
            result = finder.IsDirectory() ? RemoveFolder(entry.GetString()) : Delete(entry.GetString());
        }
    }
    if (!m_sftp->IsConnected()) result = 0;
    if (!PathRequest(kSFtpRemoveFolder, Narrow(folder))) result = 0;
    return result;
}
