#include "testing/MemoryFile.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace kvxtest {

MemoryFile::MemoryFile(std::string bytes, CAbstractLog* log, std::wstring name)
    : m_bytes(std::move(bytes)), m_log(log), m_name(std::move(name)) {}

int MemoryFile::IsOpen() { return m_open ? 1 : 0; }

DWORD MemoryFile::GetLastError() { return m_lastError; }

int MemoryFile::Open(const wchar_t* name, DWORD access, DWORD share, DWORD disposition, DWORD flagsAndAttributes) {
    if (name) m_name = name;
    if (disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING) m_bytes.clear();
    m_position = 0;
    m_open = true;
    return 0;
}

int MemoryFile::Read(void* buffer, DWORD size, DWORD* done) {
    if (done) *done = 0;
    if (!m_open || !buffer) {
        m_lastError = ERROR_INVALID_HANDLE;
        return -1;
    }
    size_t available = m_position < m_bytes.size() ? m_bytes.size() - m_position : 0;
    size_t count = std::min((size_t)size, available);
    if (count > 0) memcpy(buffer, m_bytes.data() + m_position, count);
    m_position += count;
    if (done) *done = (DWORD)count;
    return 0;
}

int MemoryFile::Write(const void* buffer, DWORD size, DWORD* done) {
    if (done) *done = 0;
    if (!m_open || !buffer || m_position + size > m_writeLimit) {
        m_lastError = m_open ? ERROR_DISK_FULL : ERROR_INVALID_HANDLE;
        return -1;
    }
    if (m_position + size > m_bytes.size()) m_bytes.resize(m_position + size, '\0');
    if (size > 0) memcpy(&m_bytes[m_position], buffer, size);
    m_position += size;
    if (done) *done = size;
    return 0;
}

int MemoryFile::Close() {
    int wasOpen = m_open ? 1 : 0;
    m_open = false;
    return wasOpen;
}

int MemoryFile::CreateFolder(const wchar_t* path) { return 0; }
int MemoryFile::RemoveFolder(const wchar_t* path) { return 0; }
int MemoryFile::Delete(const wchar_t* path) { return 0; }
int MemoryFile::GetAttributes(const wchar_t* path, DWORD* attributes) { return 0; }
int MemoryFile::SetAttributes(const wchar_t* path, DWORD attributes) { return 0; }
int MemoryFile::GetFileSizeByName(const wchar_t* path, ULONGLONG* size) { return 0; }

int MemoryFile::GetSize(ULONGLONG* size) {
    if (!m_open || !size) return 0;
    *size = m_bytes.size();
    return 1;
}

int MemoryFile::SetSize(ULONGLONG size) { return 1; }

int MemoryFile::GetPosition(ULONGLONG* position) {
    if (!m_open || !position) return 0;
    *position = m_position;
    return 1;
}

int MemoryFile::Seek(LONGLONG distance, DWORD origin) {
    if (!m_open) return 0;
    LONGLONG base = origin == FILE_BEGIN ? 0 : origin == FILE_CURRENT ? (LONGLONG)m_position : (LONGLONG)m_bytes.size();
    LONGLONG target = 0;
    if (origin > FILE_END || __builtin_add_overflow(base, distance, &target) || target < 0) {
        m_lastError = ERROR_INVALID_PARAMETER;
        return 0;
    }
    m_position = (size_t)target;
    return 1;
}

const wchar_t* MemoryFile::GetFileName() { return m_name.c_str(); }

int MemoryFile::SetFileName(const wchar_t* name) {
    if (!name) return 0;
    m_name = name;
    return 1;
}

CAbstractLog* MemoryFile::GetLog() { return m_log; }

int MemoryFile::SetTimes(const CBasicDateTime* creation, const CBasicDateTime* lastAccess,
                         const CBasicDateTime* lastWrite) {
    return 1;
}

int MemoryFile::Truncate() {
    if (!m_open) return 0;
    m_bytes.resize(std::min(m_position, m_bytes.size()));
    return 1;
}

int MemoryFile::ZeroData(LONGLONG offset, LONGLONG length) { return 0; }

} // namespace kvxtest
