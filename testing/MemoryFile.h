#pragma once
// A file held in memory, for tests and fuzz targets of code that reads or
// writes records through CAbstractFile. It is open from the start; Open
// starts again at position 0 (CREATE_ALWAYS and TRUNCATE_EXISTING empty it).
// Writes beyond an optional limit fail, to show how callers handle a full
// disk. The path operations do nothing and give 0.

#include <cstddef>
#include <string>

#include "utility/AbstractFile.h"

namespace kvxtest {

class MemoryFile : public CAbstractFile {
public:
    explicit MemoryFile(std::string bytes = std::string(), CAbstractLog* log = nullptr,
                        std::wstring name = L"memory");

    const std::string& Bytes() const { return m_bytes; }
    // Writes that would make the file longer than limit bytes fail.
    void SetWriteLimit(size_t limit) { m_writeLimit = limit; }

    int IsOpen() override;
    DWORD GetLastError() override;
    int Open(const wchar_t* name, DWORD access, DWORD share, DWORD disposition, DWORD flagsAndAttributes) override;
    int Read(void* buffer, DWORD size, DWORD* done) override;
    int Write(const void* buffer, DWORD size, DWORD* done) override;
    int Close() override;
    int CreateFolder(const wchar_t* path) override;
    int RemoveFolder(const wchar_t* path) override;
    int Delete(const wchar_t* path) override;
    int GetAttributes(const wchar_t* path, DWORD* attributes) override;
    int SetAttributes(const wchar_t* path, DWORD attributes) override;
    int GetFileSizeByName(const wchar_t* path, ULONGLONG* size) override;
    int GetSize(ULONGLONG* size) override;
    int SetSize(ULONGLONG size) override;
    int GetPosition(ULONGLONG* position) override;
    int Seek(LONGLONG distance, DWORD origin) override;
    const wchar_t* GetFileName() override;
    int SetFileName(const wchar_t* name) override;
    CAbstractLog* GetLog() override;
    int SetTimes(const CBasicDateTime* creation, const CBasicDateTime* lastAccess,
                 const CBasicDateTime* lastWrite) override;
    int Truncate() override;
    int ZeroData(LONGLONG offset, LONGLONG length) override;

private:
    std::string m_bytes;
    CAbstractLog* m_log;
    std::wstring m_name;
    size_t m_position = 0;
    size_t m_writeLimit = (size_t)-1;
    bool m_open = true;
    DWORD m_lastError = 0;
};

} // namespace kvxtest
