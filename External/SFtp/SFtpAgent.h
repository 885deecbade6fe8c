#pragma once
// CSFtpAgent: the agent program's work. It serves the online library's
// requests over the channel with an SSH session and its SFTP subsystem
// (libssh2). The session's network traffic goes through the library, which
// owns the TCP connection: every send and receive is a request of the agent
// on the channel (codes 2 and 3).
//
// Login: password authentication after the host key was checked against
// the agent's known-hosts file (in its per-user data folder); an unknown or
// changed key is put to the library as a question (codes 13 and 14), and a
// key accepted for good is added to the file.
// Files are read ahead and written behind in 256 KiB pieces, so that the
// session keeps several SFTP requests under way; a write error may thus be
// reported by a later write, the empty write that ends a file, or the close.
// Listing lines are EPLF: "+/," for a folder or "+r,s<size>," for a file,
// then "m<seconds since 1970, UTC>,", a TAB and the name.
// A failed request is answered with an error text (code 19).

#include <libssh2.h>
#include <libssh2_sftp.h>

#include <cstdint>
#include <string>
#include <vector>

class CSFtpAgentChannel;

class CSFtpAgent {
public:
    explicit CSFtpAgent(CSFtpAgentChannel& channel);
    ~CSFtpAgent();
    CSFtpAgent(const CSFtpAgent&) = delete;
    CSFtpAgent& operator=(const CSFtpAgent&) = delete;

    // Serves requests until the library ends.
    void Run();

private:
    // Each serves one request and posts its reply or an error text.
    void Serve(uint32_t code, uint32_t length, const unsigned char* data);
    bool Login(uint32_t length, const unsigned char* data);
    bool CheckHostKey(const std::string& host, int port);
    bool CurrentFolder();
    bool ChangeFolder(const std::string& path);
    bool ListFolder(const std::string& path);
    bool OpenFile(uint32_t code, uint32_t length, const unsigned char* data);
    bool ReadFile(uint32_t length, const unsigned char* data);
    bool WriteFile(uint32_t length, const unsigned char* data);
    bool CloseFile();
    // Sends the gathered writes: false (error text posted) when they fail.
    bool FlushWrites();
    bool Rename(uint32_t length, const unsigned char* data);

    // Posts the error text (code 19); false.
    bool Fail(const std::string& text);
    // The text of the session's last SFTP failure, after what.
    bool FailSftp(const std::string& what);
    bool Reply(uint32_t code, uint32_t length = 0, const void* data = nullptr);
    // A path of a request, relative ones taken from the current folder.
    std::string Resolve(const std::string& path) const;
    void EndSession();

    // Runs a session call until it no longer says "would block". The
    // session reads without blocking, also just to look whether something
    // came; the library's receive waits for the server. So only after the
    // session said it cannot go on does the next receive wait.
    template <typename Call>
    auto Complete(Call call) -> decltype(call()) {
        for (int idle = 0;;) {
            auto result = call();
            if (!WouldBlock(result)) return result;
            // Stuck without ever asking to receive: give up.
            if (m_receiveNeeded && ++idle > kMaxIdleCalls) return result;
            if (!m_receiveNeeded) idle = 0;
            // Sends never block here, so the session waits for the server.
            m_receiveNeeded = true;
        }
    }
    static bool WouldBlock(long long result) { return result == LIBSSH2_ERROR_EAGAIN; }
    bool WouldBlock(const void* result) const {
        return !result && libssh2_session_last_errno(m_session) == LIBSSH2_ERROR_EAGAIN;
    }
    static constexpr int kMaxIdleCalls = 1000;

    static ssize_t SendCallback(libssh2_socket_t socket, const void* buffer, size_t length, int flags,
                                void** abstract);
    static ssize_t ReceiveCallback(libssh2_socket_t socket, void* buffer, size_t length, int flags,
                                   void** abstract);

    CSFtpAgentChannel& m_channel;
    LIBSSH2_SESSION* m_session = nullptr;
    LIBSSH2_SFTP* m_sftp = nullptr;
    LIBSSH2_SFTP_HANDLE* m_file = nullptr;
    int m_nullDescriptor = -1;  // stands for the socket, which the library holds
    std::string m_folder;       // the current folder
    // The open file's data read ahead (from start to end), or its writes
    // gathered (up to end) until the buffer is full, the empty piece that
    // ends a write comes, or the file is closed.
    std::vector<char> m_buffer;
    size_t m_bufferStart = 0;
    size_t m_bufferEnd = 0;
    bool m_writing = false;
    bool m_receiveNeeded = false;  // the session cannot go on without the server
};
