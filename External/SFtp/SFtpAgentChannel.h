#pragma once
// CSFtpAgentChannel: the agent program's end of the channel to the online
// library (OnlineServices/SFtpProtocol/SFtpMessages.h). The library starts
// the agent with seven descriptor numbers on its command line: block 1,
// event 1, event 2, block 2, event 3, event 4 and the library's process.
// The agent takes requests from block 2, writes replies and its own
// requests into block 1, and ends its waits as soon as the library's
// process has ended.

#include <cstdint>
#include <string>
#include <vector>

#include "OnlineServices/SFtpProtocol/SFtpMessages.h"
#include "compat/WinTypes.h"
#include "utility/Posix/SharedMemoryBlock.h"

class CSFtpAgentChannel {
public:
    CSFtpAgentChannel();
    ~CSFtpAgentChannel();
    CSFtpAgentChannel(const CSFtpAgentChannel&) = delete;
    CSFtpAgentChannel& operator=(const CSFtpAgentChannel&) = delete;

    // Takes over the seven descriptors of the command line (argv[1] to
    // argv[7]); false when they are not all usable.
    bool Open(int argc, char** argv);
    // Tells the library that requests may come (event 4).
    bool SignalReady();
    // With deferring, a taken request (or answer) is acknowledged (event 4)
    // only together with the agent's next message, so that the library
    // wakes once for both instead of twice. Only for an agent that always
    // posts something soon after it took a request: the library waits a
    // few seconds at most for the acknowledgement.
    void SetDeferredTakeUp(bool deferred) { m_deferTakeUp = deferred; }

    // Waits for the next request of the library and takes it: false when the
    // library has ended. The data stay valid until the next wait and are
    // followed by a zero byte. A file read is acknowledged at once, deferred
    // or not: the library may post the next read while this one is served.
    bool WaitRequest(uint32_t& code, uint32_t& length, const unsigned char*& data);

    // Writes one message into block 1 once the library has consumed the
    // previous one; false when the library has ended.
    bool Post(uint32_t code, uint32_t length, const void* data);
    // A text with its zero byte (cut to the block's size).
    bool PostText(uint32_t code, const std::string& text);
    // Posts one of the agent's own requests and waits for the library's
    // answer (the same code): false when the library ended or answered
    // with another code. A read the library posted ahead meanwhile is kept
    // and is the next request WaitRequest gives.
    bool Ask(uint32_t code, uint32_t length, const void* data, uint32_t& answerLength,
             const unsigned char*& answer);

private:
    // Waits for the event or the library's end: true for the event.
    bool WaitFor(HANDLE event);
    // Waits for block 2 to hold a message and takes it (WaitRequest without
    // the kept read).
    bool TakeRequest(uint32_t& code, uint32_t& length, const unsigned char*& data);
    // Signals event 4 for a taken request not acknowledged yet.
    bool AcknowledgeTakeUp();

    CSharedMemoryBlock m_block1;
    HANDLE m_event1 = nullptr;
    HANDLE m_event2 = nullptr;
    CSharedMemoryBlock m_block2;
    HANDLE m_event3 = nullptr;
    HANDLE m_event4 = nullptr;
    HANDLE m_library = nullptr;
    std::vector<unsigned char> m_request;  // the last request, zero-terminated
    bool m_deferTakeUp = false;
    bool m_takeUpPending = false;  // the last request was taken but not yet acknowledged
    // A read posted ahead that came while the agent waited for an answer.
    bool m_hasKept = false;
    uint32_t m_keptCode = 0;
    uint32_t m_keptLength = 0;
    std::vector<unsigned char> m_kept;
};
