#pragma once
// CSFtpIpc: the library's end of the channel to the SFTP agent program
// (SFtpMessages.h). It starts the agent from the program's folder, posts
// requests into block 2 and waits for replies in block 1, serving the
// agent's own requests (socket traffic, host-key questions, texts) in
// between through the agent-message server.
//
// No wait lasts for ever: the agent's readiness and each request's take-up
// wait 10 seconds, a reply waits while the agent keeps talking (60 seconds
// of silence end it), and every wait ends at once when the agent ends.
//
// Events of category "ONLINE": -19 the agent did not become ready, take a
// request or answer in time; -18 the agent ended; -17 waiting failed; -25
// the program's folder is unknown. "GENERAL" -24 with the system error code
// when a block, an event or the process could not be made.

#include <string>
#include <vector>

#include "OnlineServices/SFtpProtocol/SFtpMessages.h"
#include "compat/WinTypes.h"
#include "utility/Posix/SharedMemoryBlock.h"

class CAbstractLog;
class CSFtpAgentMessages;

class CSFtpIpc {
public:
    // owner serves the agent's own requests and gives the log sink.
    explicit CSFtpIpc(CSFtpAgentMessages* owner);
    // Ends the agent and waits for it; closes every block and event.
    ~CSFtpIpc();
    CSFtpIpc(const CSFtpIpc&) = delete;
    CSFtpIpc& operator=(const CSFtpIpc&) = delete;

    // Makes the blocks and events and starts the agent: 1 once it is ready.
    int Start();
    // One request (data may be null for length 0), taken up by the agent: 1/0.
    int SendRequest(DWORD code, DWORD length, const void* data);
    // The text with its zero byte; a null text sends no data.
    int SendString(DWORD code, const char* text);
    // The same exchange in two halves: the data area of block 2 to fill
    // (null on failure), then the code and length to post.
    unsigned char* BeginRequest();
    int EndRequest(DWORD code, DWORD length);
    // Waits for the reply of code expected, serving other messages. With a
    // buffer, at most *length bytes (the caller's size) are copied and
    // *length becomes the count copied; without, *length is the reply's
    // length. 1/0.
    int ReceiveReply(DWORD expected, DWORD* length, void* buffer);

    CAbstractLog* GetLog() const { return m_log; }

    // Test hooks: the agent program ("" for the one in the program's
    // folder) and the waits (0 for the defaults).
    static void SetAgentPath(const std::string& path);
    static void SetWaitTimes(DWORD readyMilliseconds, DWORD replyMilliseconds);

private:
    // Waits for the event or the agent's end: WAIT_OBJECT_0 for the event,
    // WAIT_OBJECT_0 + 1 for the agent's end, WAIT_TIMEOUT or WAIT_FAILED.
    DWORD WaitFor(HANDLE event, DWORD milliseconds);
    // Waits for event 4 (agent ready) and logs why it did not come.
    bool WaitReady(int line);
    bool MakeObjects();
    void LogEvent(int code, int line);
    void LogSystemError(int line);

    CSFtpAgentMessages* m_owner;
    CAbstractLog* m_log;
    CSharedMemoryBlock m_block1;  // replies and the agent's requests
    HANDLE m_event1 = nullptr;    // block 1 holds a message
    HANDLE m_event2 = nullptr;    // block 1 is free
    CSharedMemoryBlock m_block2;  // requests and answers
    HANDLE m_event3 = nullptr;    // block 2 holds a request
    HANDLE m_event4 = nullptr;    // the agent is ready
    HANDLE m_agent = nullptr;     // the agent's process
    HANDLE m_self = nullptr;      // this process, handed to the agent
    std::vector<unsigned char> m_message;  // the last message of block 1, zero-terminated
};
