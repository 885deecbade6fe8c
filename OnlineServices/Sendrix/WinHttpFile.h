#pragma once
// CWinHttpFile: an HTTP download behind the file interface over the
// system's internet layer (libcurl) instead of the library's own sockets:
// the environment's proxy settings and the system's certificate store
// apply. It only reads (GET); no factory of the library hands it out.
//
// The connection waits 30 seconds at most and is tried once more, a second
// later, when it cannot be made. Only the status 200 opens the file; the
// other statuses and the internet layer's failures are logged (level 1) to
// the library-wide log sink, and their error code (a libcurl result code)
// is kept as the last error.

#include <curl/curl.h>

#include <cstdint>
#include <string>

#include "utility/AbstractFile.h"
#include "utility/BasicString.h"

class CWinHttpFile : public CAbstractFile {
public:
    CWinHttpFile();
    ~CWinHttpFile() override;
    CWinHttpFile(const CWinHttpFile&) = delete;
    CWinHttpFile& operator=(const CWinHttpFile&) = delete;

    // 1 while a request exists (after an open, also a failed one, until
    // Close).
    int IsOpen() override;
    DWORD GetLastError() override;
    // access must be GENERIC_READ. Sends the GET request and reads the
    // reply's head: 0 for the status 200, else -1.
    int Open(const wchar_t* name, DWORD access, DWORD share, DWORD disposition, DWORD flagsAndAttributes) override;
    // The body, until size bytes came or it ended.
    int Read(void* buffer, DWORD size, DWORD* done) override;
    int Write(const void* buffer, DWORD size, DWORD* done) override;
    int Close() override;
    int CreateFolder(const wchar_t* path) override;
    int RemoveFolder(const wchar_t* path) override;
    int Delete(const wchar_t* path) override;
    int GetAttributes(const wchar_t* path, DWORD* attributes) override;
    int SetAttributes(const wchar_t* path, DWORD attributes) override;
    int GetFileSizeByName(const wchar_t* path, ULONGLONG* size) override;
    // The length the reply announced (0 when it announced none).
    int GetSize(ULONGLONG* size) override;
    int SetSize(ULONGLONG size) override;
    // The bytes read since the open.
    int GetPosition(ULONGLONG* position) override;
    int Seek(LONGLONG distance, DWORD origin) override;
    const wchar_t* GetFileName() override;
    int SetFileName(const wchar_t* name) override;
    CAbstractLog* GetLog() override;
    int SetTimes(const CBasicDateTime* creation, const CBasicDateTime* lastAccess,
                 const CBasicDateTime* lastWrite) override;
    int Truncate() override;
    int ZeroData(LONGLONG offset, LONGLONG length) override;

    // The URL the request goes to: host and port as the HTTP client splits
    // url, with TLS ("https") for the scheme https and for the port 443, and
    // the path from the first '/' after the scheme ("/" when there is none).
    static std::string RequestUrl(const wchar_t* url);

    // Tests only: the file of trusted authorities used instead of the
    // system's store ("" for the system's store again).
    static void SetCertificateAuthorityFile(const std::string& path);

private:
    // Makes the request objects for url: false when they cannot be made.
    bool MakeRequest(const std::string& url);
    // Runs the request until the reply's head is in: the transfer's result
    // (CURLE_OK while it goes on or when it ended well).
    int ReceiveHead();
    void FreeRequest();
    // One round of the transfer: what has arrived is taken in, else it
    // waits a while for more.
    void Pump();
    void LogFailure(const wchar_t* format, int code, int line);

    static size_t OnBody(char* data, size_t size, size_t count, void* self);
    static size_t OnHeader(char* data, size_t size, size_t count, void* self);

    CBasicString m_url;
    DWORD m_lastError = 0;
    CURLM* m_multi = nullptr;
    CURL* m_request = nullptr;
    struct curl_slist* m_headers = nullptr;
    uint64_t m_position = 0;

    // Body bytes received but not yet read; the head is complete once the
    // empty line of a final (not 1xx) reply came.
    std::string m_body;
    size_t m_bodyStart = 0;
    bool m_headComplete = false;
    bool m_ended = false;
    int m_result = 0;
};
