#pragma once
// CSFtpAgent: the agent program's work. It serves the online library's
// requests over the channel with an SSH session (libssh) and its SFTP
// subsystem (CSFtpClient). The session's network traffic goes through the
// library, which owns the TCP connection (CSFtpTransport): every send and
// receive is a request of the agent on the channel (codes 2 and 3).
//
// Login: password authentication after the host key was checked against
// the agent's known-hosts file (in its per-user data folder, OpenSSH's
// format); an unknown or changed key is put to the library as a question
// (codes 13 and 14), and a key accepted for good is written to the file.
// Files are read ahead and written behind in pieces of almost 32 KiB, many
// requests under way; a write error may thus be reported by a later write,
// the empty write that ends a file, or the close.
// Listing lines are EPLF: "+/," for a folder or "+r,s<size>," for a file,
// then "m<seconds since 1970, UTC>,", a TAB and the name.
// A failed request is answered with an error text (code 19).

#include <libssh/libssh.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "External/SFtp/SFtpClient.h"
#include "External/SFtp/SFtpTransport.h"

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
    // A piece of the open file under way: its request and where it goes.
    struct Piece {
        uint32_t id;
        uint64_t offset;
        uint32_t length;
    };

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
    bool Rename(uint32_t length, const unsigned char* data);
    // A request answered by a status alone (make, remove, delete).
    bool SimpleRequest(uint32_t code, uint8_t type, const std::string& path, const std::string& what);

    // Reading: asks for pieces up to the read-ahead depth, and moves the
    // pieces that came, in order, to the ready data.
    void RequestPieces();
    bool TakePieces();
    // Writing: sends the gathered bytes as one piece (all with whole), and
    // takes the answers that came (waiting until at most keep are under
    // way); false (error text posted) when a piece failed.
    bool SendWrite(bool whole);
    bool SettleWrites(size_t keep);
    // Closes the open file's handle (waiting for the answer): its status.
    bool CloseHandle(uint32_t& status);

    // Sends a request and waits for its reply: false when the session failed.
    bool Call(uint8_t type, const std::string& body, SFtpReply& reply);
    // Waits for the reply to id.
    bool Wait(uint32_t id, SFtpReply& reply);
    // One round of the SFTP session and its connection: what the session
    // wrote goes to the server; when nothing moved, it waits for the server.
    bool Step();
    // The connection's part of a round, after session calls that moved
    // something (progressed) or not; after idleRoundsBeforeWait rounds
    // without movement it waits for the server.
    bool Pump(bool progressed, int idleRoundsBeforeWait);
    // Rounds without any movement before a session call waits for the
    // server: the call may need a second turn to go on by itself.
    static constexpr int kSessionIdleRounds = 2;
    // Runs a session call until it no longer answers again.
    template <typename Call>
    int Complete(Call call, int again) {
        for (;;) {
            int result = call();
            if (result != again) {
                bool sent = false;
                m_transport.SendPending(sent);
                return result;
            }
            if (!Pump(false, kSessionIdleRounds)) return SSH_ERROR;
        }
    }

    // Posts the error text (code 19); false.
    bool Fail(const std::string& text);
    // The text of a failed SFTP reply (a status or none), after what.
    bool FailSftp(const std::string& what, const SFtpReply& reply);
    bool FailSftp(const std::string& what, uint32_t status);
    bool Reply(uint32_t code, uint32_t length = 0, const void* data = nullptr);
    // A path of a request, relative ones taken from the current folder.
    std::string Resolve(const std::string& path) const;
    void EndSession();
    void ForgetFile();

    CSFtpAgentChannel& m_channel;
    CSFtpTransport m_transport;
    ssh_session m_session = nullptr;
    ssh_channel m_sshChannel = nullptr;
    std::unique_ptr<CSFtpClient> m_sftp;
    int m_idleRounds = 0;
    std::string m_folder;  // the current folder

    // The open file: its handle, where the next piece starts, and the
    // pieces under way (in order).
    std::string m_file;
    bool m_writing = false;
    uint64_t m_offset = 0;
    std::deque<Piece> m_pieces;
    // Reading: the data that came in order, and whether the end came.
    std::vector<char> m_ready;
    size_t m_readyStart = 0;
    bool m_atEnd = false;
    std::string m_readError;
    // Writing: the bytes gathered for the next piece, and the first failure.
    std::string m_gathered;
    uint32_t m_writeStatus = kSFtpStatusOk;
};
