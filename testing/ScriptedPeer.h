#pragma once
// A scripted network peer for tests: a thread on 127.0.0.1 that accepts one
// connection and runs expect / send / wait / close steps against it,
// recording every byte it received. Lets a test check the exact bytes a
// client sends and inject replies, pauses and failures. A pause that the
// test's outcome depends on ends when the test says so (WaitForGo, Go),
// never after a time.
//
//   kvxtest::ScriptedPeer peer;
//   peer.ExpectLine("USER anna").Send("331 go on\r\n").Close();
//   peer.Start();
//   ... connect to 127.0.0.1:peer.Port() ...
//   EXPECT_TRUE(peer.Finish()) << peer.Error();

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct ssl_ctx_st;
struct ssl_st;

namespace kvxtest {

class ScriptedPeer {
public:
    ScriptedPeer();
    ~ScriptedPeer();
    ScriptedPeer(const ScriptedPeer&) = delete;
    ScriptedPeer& operator=(const ScriptedPeer&) = delete;

    // The next bytes received must be exactly these.
    ScriptedPeer& Expect(const std::string& bytes);
    // The next line (up to and without CR LF) must be exactly this.
    ScriptedPeer& ExpectLine(const std::string& line);
    // Receives one line of any content (recorded only).
    ScriptedPeer& SkipLine();
    // Receives exactly n bytes of any content.
    ScriptedPeer& Receive(size_t n);
    ScriptedPeer& Send(const std::string& bytes);
    // A pause that no outcome depends on (a peer slow on purpose).
    ScriptedPeer& Delay(int milliseconds);
    // Waits until the test calls Go: the test tells the peer that it got
    // where the next steps should find it (the step fails after the step
    // time-out without a Go).
    ScriptedPeer& WaitForGo();
    // Closes the connection (the client then sees the end of the stream).
    ScriptedPeer& Close();
    // Receives until the client closes its side.
    ScriptedPeer& ExpectClose();
    // Accepts the next connection on the same listening port; later steps
    // act on it (the earlier connection stays open until the peer ends).
    ScriptedPeer& Accept();
    // Answers the client's TLS handshake as a server with the certificate
    // chain and key (PEM); later steps on this connection go through TLS.
    // The step fails when the handshake does (Error then holds the TLS
    // layer's reason). A maxVersion (TLS1_1_VERSION, ...) is the newest
    // protocol the server speaks; an old one is allowed at the lowest
    // security level, so that the server really offers it.
    ScriptedPeer& StartTls(const std::string& chainPem, const std::string& keyPem, int maxVersion = 0);

    // How long one receive step waits before the script fails (default 30 s).
    void SetStepTimeout(int milliseconds) { m_stepTimeoutMs = milliseconds; }

    // Binds an ephemeral port on 127.0.0.1 and starts the script's thread.
    void Start();
    int Port() const { return m_port; }

    // Waits for the script to end; true when every step succeeded. Without
    // a connection within the step time-out the script fails.
    bool Finish();
    std::string Error() const;
    // Lets the script past one WaitForGo step (a later one when the script
    // has not reached it yet).
    void Go();
    // Every byte received on every connection, in order.
    std::string Received() const;

private:
    struct Step {
        enum Kind {
            kExpect, kExpectLine, kSkipLine, kReceive, kSend, kDelay, kWaitForGo, kClose, kExpectClose, kAccept, kStartTls
        } kind;
        std::string data;
        size_t count = 0;
        std::string key{};
    };

    void Run();
    bool RunStep(const Step& step, int& conn, std::string& pending);
    bool Fill(int conn, std::string& pending, size_t want, bool untilLine);
    void Fail(const std::string& why);
    // The handshake as the server; false with the reason in failure.
    bool BeginTls(int conn, const Step& step, std::string& failure);
    void EndTls();
    // One read or write on the connection (through TLS once it is on).
    ssize_t ReadSome(int conn, char* buffer, size_t size);
    ssize_t WriteSome(int conn, const char* data, size_t size);

    std::vector<Step> m_steps;
    int m_listen = -1;
    int m_port = 0;
    int m_stepTimeoutMs = 30000;
    std::vector<int> m_conns;
    ssl_ctx_st* m_tlsContext = nullptr;
    ssl_st* m_tls = nullptr;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::mutex m_goMutex;
    std::condition_variable m_goSignal;
    int m_goes = 0;
    mutable std::mutex m_mutex;
    std::string m_error;
    std::string m_received;
};

} // namespace kvxtest
