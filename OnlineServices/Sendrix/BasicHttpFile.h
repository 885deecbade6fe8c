#pragma once
// CBasicHttpFile: an HTTP/1.0 request as a file. Open sends the request
// ("Connection: Close", one request per connection) and, for a download,
// reads the reply head (at most 64 KiB): only status 200 passes (any other
// is logged as "HTTP error: %d"), and "Content-Length" becomes the size.
// Read then gives the body: up to the announced length, the chunks of a
// chunked reply, or until the server closes when neither applies; a body
// that ends early fails the read. URLs with control characters are
// refused; blanks in the path are encoded. For a form post the caller sets the
// body's size (SetSize), opens with GENERIC_WRITE, writes the body and reads
// the raw reply, head included.
//
// The proxy is the one the system names (found once per process); https
// URLs and port 443 go through TLS (BasicHttpConnection.h). The log is the
// library-wide sink.

#include <cstdint>
#include <string>

#include "utility/AbstractFile.h"
#include "utility/BasicString.h"

class CBasicHttpConnection;
class COnlineProxyProfile;

class CBasicHttpFile : public CAbstractFile {
public:
    // url may be null (set it later with SetFileName or Open).
    explicit CBasicHttpFile(const wchar_t* url = nullptr);
    ~CBasicHttpFile() override;
    CBasicHttpFile(const CBasicHttpFile&) = delete;
    CBasicHttpFile& operator=(const CBasicHttpFile&) = delete;

    int IsOpen() override;
    DWORD GetLastError() override;
    // Connects and sends the request: 0, or -1. A GET (any access but
    // GENERIC_WRITE) has read the reply head when it returns.
    int Open(const wchar_t* url, DWORD access, DWORD share, DWORD disposition, DWORD flagsAndAttributes) override;
    // Up to size body bytes, in pieces of 4096; fewer only at the end of
    // the stream: 0, or -1 (also when the stream ends before the announced
    // length).
    int Read(void* buffer, DWORD size, DWORD* done) override;
    // One send of the data (a post's body): 0, or -1.
    int Write(const void* buffer, DWORD size, DWORD* done) override;
    int Close() override;
    int CreateFolder(const wchar_t* path) override;
    int RemoveFolder(const wchar_t* path) override;
    int Delete(const wchar_t* path) override;
    int GetAttributes(const wchar_t* path, DWORD* attributes) override;
    int SetAttributes(const wchar_t* path, DWORD attributes) override;
    int GetFileSizeByName(const wchar_t* path, ULONGLONG* size) override;
    // The content length: the reply's after a GET, the caller's before a
    // post (204,800 when the caller set -1 and the reply has none).
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

    // The request head for the URL (UTF-8): false when it would not fit the
    // 1024-byte request buffer. For a forwarding proxy the request line
    // names the whole URL and proxyAuthorization (Base64 Basic credentials,
    // when not empty) goes with it.
    static bool ComposeRequestHead(const std::string& url, bool post, int64_t contentLength, std::string& head,
                                   bool forwarded = false, const std::string& proxyAuthorization = std::string());

    // The status of a reply head (CR bytes left out) and its
    // "Content-Length" (matched without regard to case; contentLength stays
    // as it is without one): false when the status or the length cannot be
    // read, or the length is negative.
    // The status line must be the first line; lengths that disagree refuse
    // the head. With chunked given, "Transfer-Encoding: chunked" sets it
    // (any other transfer coding refuses the head); without it, any
    // transfer coding refuses the head.
    static bool ParseReplyHead(const std::string& head, int64_t& status, int64_t& contentLength,
                               bool* chunked = nullptr);
    // False when the URL (UTF-8) is empty or holds a control character.
    static bool IsSendableUrl(const std::string& url);
    // The request target with blanks, quotes, angle brackets and bytes
    // outside printable ASCII percent-encoded.
    static std::string EncodeRequestTarget(const std::string& path);

private:
    // Reads the reply head up to its empty line (CR bytes left out): false
    // when the stream ends or fails first or the head is too long.
    bool ReadReplyHead(std::string& head);
    // Keeps error as the last error: -1.
    int Fail(DWORD error);
    // The body of a chunked reply: data of the chunks into bytes, adding to
    // total, until size or the last chunk: 0, or -1 for broken framing or a
    // stream that ends before the last chunk.
    int ReadChunked(char* bytes, DWORD size, DWORD& total);
    // Reads the next chunk-size line (and the CR LF ending the chunk before
    // it): 1 a chunk with data follows, 0 the last chunk and its trailer
    // were read, -1 broken framing.
    int NextChunk();
    // One line up to LF (CR before it dropped), of at most limit bytes.
    bool ReadChunkLine(std::string& line, size_t limit);

    enum ChunkState { kChunkSizeLine, kChunkData, kChunkDataEnd, kChunkDone };

    CBasicString m_url;
    std::string m_urlUtf8;
    int64_t m_contentLength = 0;
    CBasicHttpConnection* m_connection = nullptr;
    COnlineProxyProfile* m_proxyProfile = nullptr;
    // What the reply announced (-1: nothing) and what was read of it.
    int64_t m_bodyLength = -1;
    int64_t m_bodyRead = 0;
    // A chunked body: where the decoding stands and what is left of the
    // current chunk's data.
    bool m_chunked = false;
    ChunkState m_chunkState = kChunkSizeLine;
    int64_t m_chunkLeft = 0;
    // The reason of the last failed open or read (HttpStatusError in
    // BasicHttpConnection.h, or the socket's error number); 0 after a
    // successful open.
    DWORD m_lastError = 0;
};
