#pragma once
// The channel between the SFTP client and its agent program: two shared
// blocks (code, length, data) and four manual-reset events, whose
// descriptors the agent gets on its command line in this order: block 1,
// event 1, event 2, block 2, event 3, event 4, and the library process.
//
// Block 1 (replies and the agent's own requests) is written by the agent,
// block 2 (requests and the library's answers) by the library.
//   event 1: block 1 holds a message (set by the agent)
//   event 2: block 1 was consumed and may be written again (set by the library)
//   event 3: block 2 holds a request (set by the library)
//   event 4: the agent is ready for a request (set by the agent)
//
// Numbers in the data are little-endian; texts end with a zero byte.

#include <cstdint>

constexpr uint32_t kSFtpDataSize = 20480;
constexpr uint32_t kSFtpBlockSize = kSFtpDataSize + 8;
// The most the agent may ask to receive at once (the answer carries a
// 4-byte count before the bytes).
constexpr uint32_t kSFtpMaxReceive = kSFtpDataSize - 4;
// The most a file read or write request carries.
constexpr uint32_t kSFtpMaxTransfer = 4096;
// The most a listing line carries.
constexpr uint32_t kSFtpMaxListLine = 520;

struct SFtpBlock {
    uint32_t code;
    uint32_t length;
    unsigned char data[kSFtpDataSize];
};
static_assert(sizeof(SFtpBlock) == kSFtpBlockSize, "the shared block has a fixed layout");

// Requests of the library; the agent replies with the same code.
enum SFtpRequest : uint32_t {
    kSFtpLogin = 1,            // host, port (i32), user, password, bytes 0 and 2
    kSFtpCurrentFolder = 4,    // reply: the folder path
    kSFtpChangeFolder = 5,     // path
    kSFtpListFolder = 6,       // path; replies: one listing line each, then one of length 0
    kSFtpMakeFolder = 7,       // path
    kSFtpOpenRead = 8,         // path, start offset (i64)
    kSFtpOpenWrite = 9,        // path, start offset (i64)
    kSFtpDeleteFile = 10,      // path
    kSFtpRemoveFolder = 11,    // path
    kSFtpRename = 12,          // old path, new path
    kSFtpRead = 16,            // bytes wanted (u32); reply: the bytes, none at the end
    kSFtpWrite = 17,           // the bytes; reply: bytes written (u32)
    kSFtpCloseFile = 18,
};

// The agent's own requests, which the library serves while it waits.
enum SFtpAgentRequest : uint32_t {
    kSFtpReceive = 2,          // bytes wanted (u32); answer: count (u32) and the bytes,
                               // or count 0 and the socket error (u32)
    kSFtpSend = 3,             // the bytes; answer: bytes sent (u32), socket error (u32)
    kSFtpUnknownHostKey = 13,  // host-key text; answer: decision (i32)
    kSFtpChangedHostKey = 14,  // host-key text; answer: decision (i32)
    kSFtpErrorText = 19,       // the waiting request fails
    kSFtpInformationText = 20,
    kSFtpDebugText = 21,
};

// Answers to the host-key questions.
constexpr int32_t kSFtpKeyAcceptAlways = 0;
constexpr int32_t kSFtpKeyAcceptOnce = 1;
constexpr int32_t kSFtpKeyRefused = -1;
