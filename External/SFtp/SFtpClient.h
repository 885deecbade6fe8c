#pragma once
// CSFtpClient: the SFTP protocol (version 3) over the channel of an SSH
// session (libssh), without ever blocking: requests are queued and written
// as the channel takes them, replies are gathered by request id as they
// arrive, so that many requests can be under way at once. The caller drives
// it with Poll and pumps the session's connection in between.

#include <libssh/libssh.h>

#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

enum SFtpPacketType : uint8_t {
    kSFtpPacketInit = 1,
    kSFtpPacketVersion = 2,
    kSFtpPacketOpen = 3,
    kSFtpPacketClose = 4,
    kSFtpPacketRead = 5,
    kSFtpPacketWrite = 6,
    kSFtpPacketOpenFolder = 11,
    kSFtpPacketReadFolder = 12,
    kSFtpPacketRemove = 13,
    kSFtpPacketMakeFolder = 14,
    kSFtpPacketRemoveFolder = 15,
    kSFtpPacketRealPath = 16,
    kSFtpPacketStat = 17,
    kSFtpPacketRename = 18,
    kSFtpPacketStatus = 101,
    kSFtpPacketHandle = 102,
    kSFtpPacketData = 103,
    kSFtpPacketName = 104,
    kSFtpPacketAttributes = 105,
};

// Status codes of the protocol.
constexpr uint32_t kSFtpStatusOk = 0;
constexpr uint32_t kSFtpStatusEof = 1;

// File attributes (the flags say which are there).
struct SFtpAttributes {
    uint32_t flags = 0;
    uint64_t size = 0;
    uint32_t permissions = 0;
    uint32_t modified = 0;
    bool IsFolder() const { return (flags & 4) && (permissions & 0170000) == 0040000; }
};

// Reads the fields of a packet body in order; any overrun makes it bad.
class CSFtpReader {
public:
    explicit CSFtpReader(const std::string& body) : m_body(body) {}
    uint32_t U32();
    uint64_t U64();
    std::string Text();
    SFtpAttributes Attributes();
    bool Good() const { return m_good; }

private:
    const std::string& m_body;
    size_t m_at = 0;
    bool m_good = true;
};

// A request's body in the making.
class CSFtpWriter {
public:
    CSFtpWriter& U32(uint32_t value);
    CSFtpWriter& U64(uint64_t value);
    CSFtpWriter& Text(const std::string& text);
    CSFtpWriter& Bytes(const char* data, size_t length);
    // Attributes with only the permissions.
    CSFtpWriter& Permissions(uint32_t mode) { return U32(4).U32(mode); }
    const std::string& Body() const { return m_body; }

private:
    std::string m_body;
};

struct SFtpReply {
    uint8_t type = 0;
    std::string body;  // after the request id
};

class CSFtpClient {
public:
    explicit CSFtpClient(ssh_channel channel) : m_channel(channel) {}

    // Queues the version request (its reply is taken with id 0).
    void SendInit();
    // Queues a request: its id.
    uint32_t Send(uint8_t type, const std::string& body);
    // The reply has been forgotten: dropped when it comes.
    void Forget(uint32_t id);
    // Writes queued requests as far as the channel takes them and gathers
    // what came: false when the channel failed or ended. progressed tells
    // whether anything moved.
    bool Poll(bool& progressed);
    // Takes the reply to id once it came.
    bool Take(uint32_t id, SFtpReply& reply);
    bool HasQueued() const { return m_outStart < m_out.size(); }

private:
    void Queue(uint8_t type, const std::string& prefix, const std::string& body);
    bool Gather();

    ssh_channel m_channel;
    uint32_t m_nextId = 1;
    std::string m_out;
    size_t m_outStart = 0;
    std::vector<char> m_buffer;
    std::string m_in;
    size_t m_inStart = 0;
    std::unordered_map<uint32_t, SFtpReply> m_replies;
    std::unordered_set<uint32_t> m_forgotten;
};
