#pragma once
// CFtpFile: one remote file of an FTP connection through the file
// interface. Open starts the transfer ("RETR", or "STOR" / "APPE" from a
// restart offset) on a data connection of its own; Read and Write move the
// data in pieces of at most 4096 bytes; Close ends the data connection and
// reads the transfer's final reply: 1 only when the server confirmed the
// transfer and every byte it announced ("(N bytes)") arrived. The folder operations (MKD, RMD with
// everything inside, DELE) work on the same connection. Errors stay in the
// connection's last result (CFtpConnection::GetLastError).
//
// Events of category "ONLINE" with the path: -21 / -22 a read / write did
// not start, -5 / -6 receiving / sending failed, -11 a folder neither made
// nor present, -7 a folder not made.

#include "compat/WinTypes.h"
#include "utility/AbstractFile.h"
#include "utility/BasicString.h"

class CAbstractConnection;
class CSSLSocket;
class CFtpConnection;

class CFtpFile : public CAbstractFile {
public:
    // The connection must be an FTP one (an SFTP connection leaves the file
    // without one); path may be null.
    CFtpFile(CAbstractConnection* connection, DWORD access, const wchar_t* path);
    ~CFtpFile() override;
    CFtpFile(const CFtpFile&) = delete;
    CFtpFile& operator=(const CFtpFile&) = delete;

    int IsOpen() override;
    DWORD GetLastError() override { return 0; }
    // share, disposition and flags are not used: 0 or more when the server
    // started the transfer, else a negative error.
    int Open(const wchar_t* name, DWORD access, DWORD share, DWORD disposition, DWORD flagsAndAttributes) override;
    int Read(void* buffer, DWORD size, DWORD* done) override;
    int Write(const void* buffer, DWORD size, DWORD* done) override;
    int Close() override;
    // 2 created, 1 it exists already, 0 failure.
    int CreateFolder(const wchar_t* path) override;
    // The folder with everything in it.
    int RemoveFolder(const wchar_t* path) override;
    int Delete(const wchar_t* path) override;
    int GetAttributes(const wchar_t* path, DWORD* attributes) override;
    int SetAttributes(const wchar_t* path, DWORD attributes) override;
    int GetFileSizeByName(const wchar_t* path, ULONGLONG* size) override;
    int GetSize(ULONGLONG* size) override;
    int SetSize(ULONGLONG size) override { return 1; }
    int GetPosition(ULONGLONG* position) override;
    // The restart offset of the next transfer (the origin is not used).
    int Seek(LONGLONG distance, DWORD origin) override;
    const wchar_t* GetFileName() override { return m_path.GetString(); }
    int SetFileName(const wchar_t* name) override;
    CAbstractLog* GetLog() override { return m_log; }
    int SetTimes(const CBasicDateTime* creation, const CBasicDateTime* lastAccess,
                 const CBasicDateTime* lastWrite) override {
        return 0;
    }
    int Truncate() override;
    int ZeroData(LONGLONG offset, LONGLONG length) override;

protected:
    CFtpConnection* GetConnection() { return m_connection; }
    // The bookkeeping that the SFTP file shares.
    LONGLONG GetPositionValue() const { return m_position; }
    void SetPositionValue(LONGLONG position) { m_position = position; }
    DWORD GetAccess() const { return m_access; }
    void SetAccess(DWORD access) { m_access = access; }
    const CBasicString& GetPath() const { return m_path; }
    void SetPath(const CBasicString& path) { m_path = path; }
    void SetLogSink(CAbstractLog* log) { m_log = log; }

private:
    // Checks a Read or Write call; false (last result -20) when it cannot go on.
    bool CanTransfer(const void* buffer, DWORD size, DWORD* done, DWORD access, int line);
    void LogPathEvent(int code, const wchar_t* path, int line);
    void SetResult(int result);
    // Ends the TLS of an upload's data connection in both directions.
    void EndTlsUpload();

    CAbstractLog* m_log = nullptr;
    LONGLONG m_position = 0;
    DWORD m_access = 0;
    CBasicString m_path;
    CFtpConnection* m_connection = nullptr;
    CSSLSocket* m_dataSocket = nullptr;
    int m_restartPending = 0;
    // Bytes read since Open, the restart offset of this transfer and the
    // size the server announced in its preliminary reply (-1 none).
    LONGLONG m_transferred = 0;
    LONGLONG m_restartOffset = 0;
    LONGLONG m_promised = -1;
};

// The size a preliminary transfer reply announces ("(1234 bytes)"), or -1.
LONGLONG PromisedSize(const CBasicString& reply);
