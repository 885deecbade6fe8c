#include "External/SFtp/SFtpAgentChannel.h"

#include <cstring>

#include "utility/Posix/EventHandle.h"
#include "utility/Posix/Handle.h"
#include "utility/Posix/ProcessHandle.h"

namespace {

// Waits sleep at once: on a machine with few cores a spinning wait takes
// the time the library (and the server) would answer in.
constexpr DWORD kSpinMicroseconds = 0;

SFtpBlock* Block(const CSharedMemoryBlock& block) { return static_cast<SFtpBlock*>(block.Data()); }

// A descriptor number of the command line; -1 when the text is none.
int Descriptor(const char* text) {
    if (!text || !*text) return -1;
    char* end = nullptr;
    long value = strtol(text, &end, 10);
    return *end == 0 && value >= 0 && value < 65536 ? (int)value : -1;
}

} // namespace

CSFtpAgentChannel::CSFtpAgentChannel() : m_request(kSFtpDataSize + 1), m_kept(kSFtpDataSize + 1) {}

CSFtpAgentChannel::~CSFtpAgentChannel() {
    for (HANDLE handle : {m_event1, m_event2, m_event3, m_event4, m_library}) {
        if (handle) CloseHandle(handle);
    }
}

bool CSFtpAgentChannel::Open(int argc, char** argv) {
    if (argc < 8) return false;
    int fds[7];
    for (int i = 0; i < 7; ++i) {
        if ((fds[i] = Descriptor(argv[i + 1])) < 0) return false;
    }
    if (!m_block1.Adopt(fds[0], kSFtpBlockSize) || !m_block2.Adopt(fds[3], kSFtpBlockSize)) return false;
    m_event1 = AdoptEventDescriptor(fds[1], TRUE);
    m_event2 = AdoptEventDescriptor(fds[2], TRUE);
    m_event3 = AdoptEventDescriptor(fds[4], TRUE);
    m_event4 = AdoptEventDescriptor(fds[5], TRUE);
    m_library = AdoptProcessDescriptor(fds[6]);
    return m_event1 && m_event2 && m_event3 && m_event4 && m_library;
}

bool CSFtpAgentChannel::SignalReady() { return SetEvent(m_event4) != 0; }

bool CSFtpAgentChannel::WaitFor(HANDLE event) {
    HANDLE objects[2] = {event, m_library};
    return SpinWaitForMultipleObjects(2, objects, kSpinMicroseconds, INFINITE) == WAIT_OBJECT_0;
}

bool CSFtpAgentChannel::AcknowledgeTakeUp() {
    if (!m_takeUpPending) return true;
    m_takeUpPending = false;
    return SetEvent(m_event4) != 0;
}

bool CSFtpAgentChannel::WaitRequest(uint32_t& code, uint32_t& length, const unsigned char*& data) {
    if (!AcknowledgeTakeUp()) return false;
    if (m_hasKept) {
        // Taken and acknowledged when it came.
        m_hasKept = false;
        m_request.swap(m_kept);
        code = m_keptCode;
        length = m_keptLength;
        data = m_request.data();
        return true;
    }
    return TakeRequest(code, length, data);
}

bool CSFtpAgentChannel::TakeRequest(uint32_t& code, uint32_t& length, const unsigned char*& data) {
    if (!AcknowledgeTakeUp()) return false;
    // A request posted while the agent was busy is there already: taking its
    // event spares a wait. Block 2 stays as it is until event 4 says that the
    // request was taken, so the event may be cleared before the copy.
    if (!TakeEvent(m_event3) && (!WaitFor(m_event3) || !ResetEvent(m_event3))) return false;
    const SFtpBlock* block = Block(m_block2);
    code = block->code;
    length = block->length;
    if (length > kSFtpDataSize) length = 0;
    memcpy(m_request.data(), block->data, length);
    m_request[length] = 0;
    data = m_request.data();
    // Taken: block 2 may be written again.
    m_takeUpPending = true;
    return (m_deferTakeUp && code != kSFtpRead) || AcknowledgeTakeUp();
}

bool CSFtpAgentChannel::Post(uint32_t code, uint32_t length, const void* data) {
    // A message that does not fit is refused at once, so that the library
    // hears of the failure instead of waiting for an answer that never comes.
    if (length > kSFtpDataSize) {
        PostText(kSFtpErrorText, "The answer is longer than a message of the channel can hold.");
        return false;
    }
    // Block 1 is mostly free already (the library freed it before its next
    // request): taking the event spares a wait.
    if (!TakeEvent(m_event2) && (!WaitFor(m_event2) || !ResetEvent(m_event2))) return false;
    SFtpBlock* block = Block(m_block1);
    block->code = code;
    block->length = length;
    if (length) memcpy(block->data, data, length);
    // The message first: the library, woken by the acknowledgement, finds it.
    return SetEvent(m_event1) && AcknowledgeTakeUp();
}

bool CSFtpAgentChannel::PostText(uint32_t code, const std::string& text) {
    std::string cut = text.substr(0, kSFtpDataSize - 1);
    return Post(code, (uint32_t)cut.size() + 1, cut.c_str());
}

bool CSFtpAgentChannel::Ask(uint32_t code, uint32_t length, const void* data, uint32_t& answerLength,
                            const unsigned char*& answer) {
    uint32_t answerCode = 0;
    if (!Post(code, length, data)) return false;
    for (;;) {
        if (!TakeRequest(answerCode, answerLength, answer)) return false;
        if (answerCode == code) return true;
        // The library posted its next read before this question reached it:
        // the read is kept for later, and the answer comes after it.
        if (answerCode != kSFtpRead || m_hasKept) return false;
        m_hasKept = true;
        m_keptCode = answerCode;
        m_keptLength = answerLength;
        m_kept.swap(m_request);
        if (!AcknowledgeTakeUp()) return false;
    }
}
