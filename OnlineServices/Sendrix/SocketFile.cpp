#include "OnlineServices/Sendrix/SocketFile.h"

#include <sys/ioctl.h>

#include <climits>
#include <new>

#include "OnlineServices/Sendrix/AbstractSocket.h"
#include "OnlineServices/Sendrix/StreamErrors.h"
#include "utility/ErrorReport.h"

namespace {

const char kSourceFile[] = ".\\SocketFile";

// Slack over the input counted as pending when a write begins: a TLS socket
// may hold decrypted bytes that the system does not count.
constexpr long kDrainSlack = 64 * 1024;

int ChunkOf(DWORD size) { return size > (DWORD)INT_MAX ? INT_MAX : (int)size; }

} // namespace

CSocketFile* CreateSocketFile(CAbstractSocket* socket, int singleRead) {
    return new (std::nothrow) CSocketFile(socket, singleRead);
}

CSocketFile::CSocketFile(CAbstractSocket* socket, int singleRead) : m_socket(socket), m_singleRead(singleRead) {
    ReportAssertion(socket != nullptr && socket->IsValid(), kSourceFile, __LINE__);
}

CSocketFile::~CSocketFile() = default;

int CSocketFile::IsOpen() { return 0; }

DWORD CSocketFile::GetLastError() { return 0; }

int CSocketFile::Open(const wchar_t* name, DWORD access, DWORD share, DWORD disposition, DWORD flagsAndAttributes) {
    return 0;
}

int CSocketFile::Read(void* buffer, DWORD size, DWORD* done) {
    if (done) *done = 0;
    ReportAssertion(m_socket != nullptr, kSourceFile, __LINE__);
    if (!m_socket || !m_socket->IsValid()) throw kSocketReadFailed;
    if (size == 0) return 0;
    char* bytes = static_cast<char*>(buffer);
    DWORD got = 0;
    do {
        int received = m_socket->Receive(bytes + got, ChunkOf(size - got), 0);
        if (received < 0) throw kSocketReadFailed;
        if (received == 0) break;
        got += (DWORD)received;
    } while (!m_singleRead && got < size);
    if (done) *done = got;
    return (int)got;
}

void CSocketFile::DrainInput() {
    int pending = 0;
    if (::ioctl(m_socket->GetHandle(), FIONREAD, &pending) != 0 || pending < 0) pending = 0;
    long budget = pending + kDrainSlack;
    char scratch[1024];
    while (budget > 0) {
        int received = m_socket->Receive(scratch, sizeof scratch, MSG_DONTWAIT);
        if (received <= 0) break;
        budget -= received;
    }
}

int CSocketFile::Write(const void* buffer, DWORD size, DWORD* done) {
    if (done) *done = 0;
    if (!m_socket || !m_socket->IsValid()) throw kSocketWriteFailed;
    DrainInput();
    int sent = m_socket->Send(buffer, ChunkOf(size), 0);
    if (sent < 0) throw kSocketWriteFailed;
    if (done) *done = (DWORD)sent;
    return sent;
}

int CSocketFile::Close() {
    m_socket = nullptr;
    return 1;
}

int CSocketFile::CreateFolder(const wchar_t* path) { return 0; }

int CSocketFile::RemoveFolder(const wchar_t* path) { return 0; }

int CSocketFile::Delete(const wchar_t* path) { return 0; }

int CSocketFile::GetAttributes(const wchar_t* path, DWORD* attributes) {
    if (attributes) *attributes = (DWORD)-1;
    return 0;
}

int CSocketFile::SetAttributes(const wchar_t* path, DWORD attributes) { return 0; }

int CSocketFile::GetFileSizeByName(const wchar_t* path, ULONGLONG* size) {
    if (size) *size = 0;
    return 0;
}

int CSocketFile::GetSize(ULONGLONG* size) {
    if (size) *size = 0;
    return 0;
}

int CSocketFile::SetSize(ULONGLONG size) { return 1; }

int CSocketFile::GetPosition(ULONGLONG* position) {
    if (position) *position = 0;
    return 0;
}

int CSocketFile::Seek(LONGLONG distance, DWORD origin) { return 0; }

const wchar_t* CSocketFile::GetFileName() { return nullptr; }

int CSocketFile::SetFileName(const wchar_t* name) { return 0; }

CAbstractLog* CSocketFile::GetLog() { return nullptr; }

int CSocketFile::SetTimes(const CBasicDateTime* creation, const CBasicDateTime* lastAccess,
                          const CBasicDateTime* lastWrite) {
    return 0;
}

int CSocketFile::Truncate() {
    ReportAssertion(0, kSourceFile, __LINE__);
    return 0;
}

int CSocketFile::ZeroData(LONGLONG offset, LONGLONG length) {
    ReportAssertion(0, kSourceFile, __LINE__);
    return 0;
}
