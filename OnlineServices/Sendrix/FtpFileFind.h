#pragma once
// CFtpFileFind: walks a remote folder of an FTP connection through the
// file-search interface. FindFirst fetches the folder with one "LIST"
// command, parses every line of the answer (FtpListParser.h), keeps the
// records in entry order (FtpEntryOrder.h) and serves them one by one; the
// accessors of the current entry are the base class's. Full paths join with
// '/'. The SFTP finder derives from it and reads its listing its own way.
//
// Events of category "ONLINE": 6 listing started; -4 and -9 (with the
// pattern) the listing did not start; -9 the final reply was bad.

#include <cstdint>

#include "utility/Posix/BasicFileFind.h"

class CAbstractConnection;
class CAbstractFtpConnection;
class CFtpFileFindData;

class CFtpFileFind : public CBasicFileFind {
public:
    explicit CFtpFileFind(CAbstractConnection* connection);
    ~CFtpFileFind() override;

    int IsReadOnly() override { return 0; }
    int IsCompressed() override { return 0; }
    int IsSystem() override { return 0; }
    int IsHidden() override { return 0; }
    int IsTemporary() override { return 0; }
    int IsArchived() override { return 0; }
    // The root without trailing separators, '/', the current name.
    const wchar_t* GetFileURL() override;
    // The entry of one remote path, listing its folder when it is not the
    // one listed last; null when absent.
    CBasicFileFindInfo* FindFile(const wchar_t* path) override;
    // FindFirstInFolder with bit 0 of flags as its request bit.
    int FindFirst(const wchar_t* pattern, DWORD flags) override;
    int FindNext() override;
    void Close() override;

    // Lists the folder of the pattern ("/pub/*", "/pub/read*", a path
    // without '/' for the current folder). Names that begin with the
    // pattern's title (its '*' removed) are kept; a pattern naming one entry
    // also looks it up. When flags is given and holds bit 0, the folder is
    // entered first ("CWD"); failing that sets bit 1. 1 when an entry is
    // current, else 0.
    int FindFirstInFolder(const wchar_t* pattern, int* flags);
    // Reads the lines of the listing into the records while the
    // connection's running flag stays set: 1, or 0 on a failed read.
    virtual int ReadListing();

    // The clock of the year rule for dates without a year (seconds since
    // 1970); tests fix it. Null restores the system clock.
    typedef int64_t (*ClockFunction)();
    static void SetClockForTests(ClockFunction clock);

protected:
    // Starts the listing command ("LIST " + folder) on a new data
    // connection: 0 or more on success, else a negative error.
    virtual int OpenListing(const wchar_t* command);
    // Adds a parsed record (the first of equal records stays).
    virtual void AddEntry(const CBasicFileFindInfo& record);
    CFtpFileFindData* Data() { return m_ftpData; }

private:
    void LogPatternEvent(int code, const wchar_t* pattern, int line);
    void Clear();

    CFtpFileFindData* m_ftpData;
    CAbstractFtpConnection* m_connection;
};
