#pragma once
// CBasicFileFindInfo: the directory-entry record of every search, local or
// remote. A new record is all empty or zero and not valid; a search step
// fills it and marks it valid. Remote finders fill it from their listings
// through the setters.

#include "utility/AbstractFileFindInfo.h"
#include "utility/BasicString.h"

class CBasicFileFindInfo : public CAbstractFileFindInfo {
public:
    CBasicFileFindInfo() = default;
    CBasicFileFindInfo(const CBasicFileFindInfo& other) = default;
    CBasicFileFindInfo& operator=(const CBasicFileFindInfo& other) = default;
    ~CBasicFileFindInfo() override = default;

    const wchar_t* GetFileName() const override { return m_fileName.GetString(); }
    const wchar_t* GetAlternateName() const override { return m_alternateName.GetString(); }
    DWORD GetAttributes() const override { return m_attributes; }
    CBasicDateTime GetCreationTime() const override { return m_creationTime; }
    CBasicDateTime GetLastAccessTime() const override { return m_lastAccessTime; }
    CBasicDateTime GetLastWriteTime() const override { return m_lastWriteTime; }
    ULONGLONG GetFileSize() const override { return m_size; }
    ULONGLONG GetCompressedSize() const override { return m_compressedSize; }
    // 1 for an entry that a search step produced.
    int IsValid() const { return m_valid; }

    void SetFileName(const wchar_t* name) { m_fileName = name; }
    void SetAlternateName(const wchar_t* name) { m_alternateName = name; }
    void SetAttributes(DWORD attributes) { m_attributes = attributes; }
    void SetCreationTime(const CBasicDateTime& time) { m_creationTime = time; }
    void SetLastAccessTime(const CBasicDateTime& time) { m_lastAccessTime = time; }
    void SetLastWriteTime(const CBasicDateTime& time) { m_lastWriteTime = time; }
    void SetFileSize(ULONGLONG size) { m_size = size; }
    void SetCompressedSize(ULONGLONG size) { m_compressedSize = size; }
    void SetValid(int valid) { m_valid = valid; }

private:
    CBasicString m_fileName;
    CBasicString m_alternateName;
    DWORD m_attributes = 0;
    CBasicDateTime m_creationTime;
    CBasicDateTime m_lastAccessTime;
    CBasicDateTime m_lastWriteTime;
    ULONGLONG m_size = 0;
    ULONGLONG m_compressedSize = 0;
    int m_valid = 0;
};
