#pragma once
// CSFtpTransport: the network path of the agent's SSH session. The session
// gets one end of a socket pair as its connection; the other end stays
// here, and its bytes travel through the online library, which owns the TCP
// connection: what the session wrote goes out with the agent's send
// requests (code 3), and what the server sent comes in with its receive
// requests (code 2). Both ends are pumped from the agent's one thread
// between the session's non-blocking calls.

#include <cstddef>
#include <vector>

class CSFtpAgentChannel;

class CSFtpTransport {
public:
    explicit CSFtpTransport(CSFtpAgentChannel& channel);
    ~CSFtpTransport();
    CSFtpTransport(const CSFtpTransport&) = delete;
    CSFtpTransport& operator=(const CSFtpTransport&) = delete;

    // Makes a new socket pair and returns the session's end, which the
    // session then owns (and closes); -1 when it cannot be made.
    int Open();
    // Closes this end; held bytes are dropped.
    void Close();

    // Sends everything the session wrote: false when the library could not
    // send it. sent tells whether anything went.
    bool SendPending(bool& sent);
    // Moves held server bytes to the session as far as its end takes them:
    // true when something moved.
    bool PushHeld();
    bool HasHeld() const { return m_heldStart < m_held.size(); }
    // Whether the session has server bytes it did not read yet (it reads
    // them a little at a time), or held ones still to come.
    bool HasUnread() const;
    // Waits (in the library) for bytes of the server and hands them to the
    // session: false when the connection failed or the server closed it.
    bool Receive();

private:
    CSFtpAgentChannel& m_channel;
    int m_end = -1;                    // this end of the pair
    int m_sessionEnd = -1;             // the session's end (the session closes it)
    std::vector<unsigned char> m_held;  // server bytes the session's end did not take yet
    size_t m_heldStart = 0;
    std::vector<unsigned char> m_output;
};
