#pragma once
// CBasicFileFind: the search over local folders, and the base of the FTP and
// SFTP finders, which keep most of its operations and replace the search.
//
// A pattern without '*' or '?' names one entry (a symbolic link is the link
// itself). A pattern with them lists its folder once, when the search
// starts: the names that match (MatchesWildcard: "*.*" matches every name)
// are served in a fixed order, "." and ".." first, then by the upper-cased
// name. Entry times are local times; there are no short (8.3) names. Local
// full paths join the root and the name with '/'.
//
// Failures are never logged: they show in the results, in GetLastError
// (2 nothing matched, 3 the folder does not exist, 18 no more entries, ...)
// and as assertion reports for misuse.

#include "utility/AbstractFileFind.h"
#include "utility/BasicFileFindInfo.h"
#include "utility/Posix/BasicFileFindData.h"

class CBasicFileFind : public CAbstractFileFind {
public:
    // A local finder with its own search state.
    CBasicFileFind();
    // A finder whose deriving class supplies the search state; noData must be 0.
    explicit CBasicFileFind(int noData);
    ~CBasicFileFind() override;
    CBasicFileFind(const CBasicFileFind&) = delete;
    CBasicFileFind& operator=(const CBasicFileFind&) = delete;

    int IsReadOnly() override;
    int IsDirectory() override;
    int IsCompressed() override;
    int IsSystem() override;
    int IsHidden() override;
    int IsTemporary() override;
    int IsNormal() override;
    int IsArchived() override;
    int IsDots() override;
    const wchar_t* GetFileName() override;
    const wchar_t* GetFilePath() override;
    const wchar_t* GetFileTitle() override;
    const wchar_t* GetFileURL() override;
    const wchar_t* GetRoot() override;
    ULONGLONG GetLength() override;
    CBasicFileFindInfo* GetFindInfo() override;
    CBasicFileFindInfo* FindFile(const wchar_t* path) override;
    DWORD MatchesMask(DWORD mask) override;
    // A null pattern stands for "*.*"; flags are not used. A pattern of 780
    // characters or more fails with the code 3.
    int FindFirst(const wchar_t* pattern, DWORD flags) override;
    int FindNext() override;
    const wchar_t* GetFileExtension() override;
    DWORD GetLastError() override;
    void Close() override;
    // Copies the current entry -> 1; 0 without one.
    virtual int CopyFindInfo(CBasicFileFindInfo* out);

protected:
    // Path flag: full paths join with '/' (set for local and remote finders
    // alike on this system); without it they join with '\'.
    static constexpr DWORD kPathFlagForwardSlash = 0x1;

    // The current entry; null with an assertion report (at line) when there
    // is none.
    CBasicFileFindInfo* Current(int line);
    int HasAttribute(DWORD attribute, int line);

    CBasicFileFindData* m_data = nullptr;
    DWORD m_lastError = 0;
    DWORD m_pathFlags = kPathFlagForwardSlash;

private:
    // Opens the folder of the pattern and takes the names to serve; false
    // with the system's last error set when there is nothing to serve.
    bool StartLocalSearch(const std::wstring& pattern);
    // Makes the next name that still exists the current entry.
    bool ServeNext();
    void Fail(DWORD error);
};

// A new local finder (the path is not used); delete it with DeleteBasicFileFind.
CAbstractFileFind* CreateBasicFileFind(const wchar_t* path);
void DeleteBasicFileFind(CAbstractFileFind* find);
