#include "OnlineServices/Sendrix/FtpFile.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <algorithm>
#include <cwchar>
#include <new>

#include "OnlineServices/Sendrix/AbstractFtpConnection.h"
#include "OnlineServices/Sendrix/FtpConnection.h"
#include "OnlineServices/Sendrix/FtpFileFind.h"
#include "OnlineServices/Sendrix/FtpPath.h"
#include "OnlineServices/Sendrix/SSLSocket.h"
#include "utility/AbstractLog.h"
#include "utility/ErrorReport.h"

namespace {

const char kSourceFile[] = ".\\FtpFile";
const wchar_t kLogSource[] = L".\\FtpFile";
const wchar_t kOnline[] = L"ONLINE";

constexpr int kBadArgument = -20;
constexpr int kSocketFailed = -2;
constexpr int kConnectionLost = -3;
constexpr DWORD kPiece = 4096;
constexpr int kFolderBufferSize = 260;

} // namespace

LONGLONG PromisedSize(const CBasicString& reply) {
    // "150 Opening BINARY mode data connection for f (1234 bytes)."
    const wchar_t* text = reply.GetString();
    for (const wchar_t* open = wcschr(text, L'('); open; open = wcschr(open + 1, L'(')) {
        const wchar_t* p = open + 1;
        LONGLONG size = 0;
        int digits = 0;
        for (; *p >= L'0' && *p <= L'9' && digits < 18; ++p, ++digits) size = size * 10 + (*p - L'0');
        if (digits == 0 || *p != L' ') continue;
        if (wcsncmp(p + 1, L"bytes)", 6) == 0) return size;
    }
    return -1;
}

CFtpFile::CFtpFile(CAbstractConnection* connection, DWORD access, const wchar_t* path) : m_access(access) {
    if (CAbstractFtpConnection* ftp = dynamic_cast<CAbstractFtpConnection*>(connection))
        m_connection = ftp->AsFtpConnection();
    m_log = m_connection ? m_connection->GetLog() : nullptr;
    m_dataSocket = new (std::nothrow) CSSLSocket(m_log);
    if (path) m_path = path;
}

CFtpFile::~CFtpFile() {
    m_path.Empty();
    delete m_dataSocket;
    m_log = nullptr;
}

void CFtpFile::SetResult(int result) {
    if (m_connection) m_connection->SetLastResult(result);
}

void CFtpFile::LogPathEvent(int code, const wchar_t* path, int line) {
    if (m_log) m_log->LogEventFormat(kLogSource, line, kOnline, code, path);
}

int CFtpFile::IsOpen() { return m_connection && m_dataSocket && m_dataSocket->IsValid() ? 1 : 0; }

int CFtpFile::Open(const wchar_t* name, DWORD access, DWORD share, DWORD disposition, DWORD flagsAndAttributes) {
    bool usable = name != nullptr && m_connection != nullptr && m_dataSocket != nullptr;
    ReportAssertion(usable, kSourceFile, __LINE__);
    if (!usable) {
        SetResult(kBadArgument);
        return kBadArgument;
    }
    bool known = access == GENERIC_READ || access == GENERIC_WRITE;
    ReportAssertion(known, kSourceFile, __LINE__);
    if (!known) return kSocketFailed;
    SetResult(0);
    m_access = access;
    m_path = NormaliseFtpPath(name);
    ReportAssertion(!m_path.IsEmpty(), kSourceFile, __LINE__);

    int step = m_connection->Command(L"TYPE I", 0) ? 0 : m_connection->GetLastError();
    CBasicString folder = m_path;
    folder.TrimRightChar(L'/');
    int slash = folder.ReverseFind(L'/');
    if (slash >= 0) folder = folder.Left(slash + 1);
    if (step >= 0 && !m_connection->Command((L"CWD " + folder).GetString(), 0)) step = m_connection->GetLastError();
    if (step >= 0 && access == GENERIC_READ && m_position > 0) {
        CBasicString rest;
        rest.Format(L"REST %I64d", (long long)m_position);
        if (!m_connection->CommandExpect(rest.GetString(), 350, 0)) step = m_connection->GetLastError();
        if (step == 0) m_restartPending = 1;
    }
    CBasicString command = access == GENERIC_READ ? L"RETR " : (m_position > 0 ? L"APPE " : L"STOR ");
    command += m_path;
    int result = m_connection->OpenDataConnection(m_dataSocket, command.GetString());
    m_transferred = 0;
    m_restartOffset = m_restartPending ? m_position : 0;
    m_promised = -1;
    if (result >= 0 && access == GENERIC_READ) {
        CBasicString reply;
        m_connection->GetLastReply(reply);
        m_promised = PromisedSize(reply);
    }
    if (result < 0) {
        if (m_dataSocket->IsValid()) m_dataSocket->Close();
        LogPathEvent(access == GENERIC_READ ? -21 : -22, m_path.GetString(), __LINE__);
    }
    if (m_position < 0) m_position = 0;
    SetResult(result);
    return result;
}

bool CFtpFile::CanTransfer(const void* buffer, DWORD size, DWORD* done, DWORD access, int line) {
    bool usable = buffer != nullptr && done != nullptr && size > 0 && IsOpen() && m_access == access;
    ReportAssertion(usable, kSourceFile, line);
    if (!usable) SetResult(kBadArgument);
    return usable;
}

int CFtpFile::Read(void* buffer, DWORD size, DWORD* done) {
    if (!CanTransfer(buffer, size, done, GENERIC_READ, __LINE__)) return kSocketFailed;
    BYTE* bytes = static_cast<BYTE*>(buffer);
    DWORD count = 0;
    while (count < size) {
        int received = m_dataSocket->Receive(bytes + count, (int)std::min(kPiece, size - count), 0);
        if (received < 0) {
            *done = count;
            LogPathEvent(-5, m_path.GetString(), __LINE__);
            SetResult(kSocketFailed);
            return kSocketFailed;
        }
        if (received == 0) break;
        count += (DWORD)received;
    }
    *done = count;
    m_position += count;
    m_transferred += count;
    return 0;
}

int CFtpFile::Write(const void* buffer, DWORD size, DWORD* done) {
    if (!CanTransfer(buffer, size, done, GENERIC_WRITE, __LINE__)) return kSocketFailed;
    const BYTE* bytes = static_cast<const BYTE*>(buffer);
    DWORD count = 0;
    // Only pieces that hold data are sent: a TLS write of nothing fails.
    while (count < size) {
        int sent = m_dataSocket->Send(bytes + count, (int)std::min(kPiece, size - count), 0);
        if (sent <= 0) {
            *done = count;
            LogPathEvent(-6, m_path.GetString(), __LINE__);
            SetResult(kSocketFailed);
            return kSocketFailed;
        }
        count += (DWORD)sent;
    }
    *done = count;
    m_position += count;
    return 0;
}

void CFtpFile::EndTlsUpload() {
    SSL* ssl = m_dataSocket->GetTLSConnection();
    if (!ssl) return;
    // Closing with input unread (a session ticket of the server) would reset
    // the connection, and the server would lose what it has not read yet:
    // so close-notify goes first, then the server's own close is awaited.
    ERR_clear_error();
    SSL_shutdown(ssl);
    char scratch[kPiece];
    while (m_dataSocket->Receive(scratch, (int)sizeof scratch, 0) > 0) {
    }
}

int CFtpFile::Close() {
    if (!IsOpen()) return 1;
    if (m_access == GENERIC_WRITE) EndTlsUpload();
    m_dataSocket->Close();
    m_position = 0;
    // The transfer is whole only when the server confirms it (2xx) and every
    // byte it announced arrived; an aborted download is never taken for a
    // whole one, resumed or not.
    int confirmed = m_connection->SendAndCheck(L"");
    int error = 0;
    if (!confirmed) {
        error = m_connection->GetLastError();
        if (error >= 0) error = kConnectionLost;
    } else if (m_access == GENERIC_READ && m_promised >= 0 && m_transferred != m_promised &&
               m_restartOffset + m_transferred != m_promised) {
        error = kConnectionLost;
        LogPathEvent(-5, m_path.GetString(), __LINE__);
    }
    if (m_restartPending) {
        m_connection->SendAndCheck(L"REST 0");
        m_restartPending = 0;
    }
    SetResult(error);
    return error < 0 ? 0 : 1;
}

int CFtpFile::CreateFolder(const wchar_t* path) {
    ReportAssertion(path != nullptr, kSourceFile, __LINE__);
    if (!path) return kBadArgument;
    SetResult(0);
    CBasicString folder = NormaliseFtpPath(path);
    if (!m_connection || !m_connection->IsConnected()) {
        SetResult(kConnectionLost);
    } else {
        int result = CreateFolderLevels(
            folder, [this](const CBasicString& level) {
                return m_connection->SendAndExpect((L"MKD " + level).GetString(), 257) != 0;
            },
            [this](const CBasicString& level) {
                wchar_t current[kFolderBufferSize];
                if (!m_connection->GetCurrentDirectory(current, kFolderBufferSize) ||
                    !m_connection->SetCurrentDirectory(level.GetString()))
                    return false;
                m_connection->SetCurrentDirectory(current);
                return true;
            });
        if (result) return result;
        SetResult(550);
        LogPathEvent(-11, folder.GetString(), __LINE__);
    }
    LogPathEvent(-7, folder.GetString(), __LINE__);
    return 0;
}

int CFtpFile::RemoveFolder(const wchar_t* path) {
    ReportAssertion(path != nullptr, kSourceFile, __LINE__);
    if (!path) return 0;
    CBasicString folder = TrimTrailingSlashes(NormaliseFtpPath(path));
    int result = 1;
    {
        CFtpFileFind find(m_connection);
        int more = find.FindFirst((folder + L"/*").GetString(), 0);
        while (more) {
            if (!find.IsDots()) {
                CBasicString entry = find.GetFilePath();
                result = find.IsDirectory() ? RemoveFolder(entry.GetString()) : Delete(entry.GetString());
            }
            more = find.FindNext();
        }
    }
    if (!m_connection || !m_connection->IsConnected()) {
        SetResult(kConnectionLost);
        return 0;
    }
    return m_connection->CommandExpect((L"RMD " + folder).GetString(), 250, 0) ? result : 0;
}

int CFtpFile::Delete(const wchar_t* path) {
    ReportAssertion(path != nullptr, kSourceFile, __LINE__);
    if (!path) {
        SetResult(kSocketFailed);
        return 0;
    }
    if (!m_connection || !m_connection->IsConnected()) {
        SetResult(kConnectionLost);
        return 0;
    }
    return m_connection->CommandExpect((L"DELE " + NormaliseFtpPath(path)).GetString(), 250, 0);
}

int CFtpFile::GetAttributes(const wchar_t* path, DWORD* attributes) {
    if (attributes) *attributes = (DWORD)-1;
    ReportAssertion(0, kSourceFile, __LINE__);
    return 0;
}

int CFtpFile::SetAttributes(const wchar_t* path, DWORD attributes) {
    ReportAssertion(0, kSourceFile, __LINE__);
    return 0;
}

int CFtpFile::GetFileSizeByName(const wchar_t* path, ULONGLONG* size) {
    if (size) *size = 0;
    ReportAssertion(0, kSourceFile, __LINE__);
    return 0;
}

int CFtpFile::GetSize(ULONGLONG* size) {
    if (size) *size = 0;
    ReportAssertion(0, kSourceFile, __LINE__);
    return 0;
}

int CFtpFile::GetPosition(ULONGLONG* position) {
    if (position) *position = (ULONGLONG)m_position;
    return 1;
}

int CFtpFile::Seek(LONGLONG distance, DWORD origin) {
    m_position = distance;
    return 1;
}

int CFtpFile::SetFileName(const wchar_t* name) {
    ReportAssertion(name != nullptr, kSourceFile, __LINE__);
    if (!name) return 0;
    m_path = name;
    return 1;
}

int CFtpFile::Truncate() {
    ReportAssertion(0, kSourceFile, __LINE__);
    return 0;
}

int CFtpFile::ZeroData(LONGLONG offset, LONGLONG length) {
    ReportAssertion(0, kSourceFile, __LINE__);
    return 0;
}
