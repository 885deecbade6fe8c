#include "External/SFtp/SFtpClient.h"

#include <vector>

namespace {

// No reply of ours comes near this; a longer one is garbage.
constexpr uint32_t kMaxPacket = 4u << 20;
// Reading this much at once also lets the session widen the channel's
// window in time.
constexpr size_t kReadSize = 256 * 1024;

uint32_t BigEndian32(const char* data) {
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(data);
    return (uint32_t)bytes[0] << 24 | (uint32_t)bytes[1] << 16 | (uint32_t)bytes[2] << 8 | bytes[3];
}

void AppendBigEndian32(std::string& out, uint32_t value) {
    const char bytes[4] = {(char)(value >> 24), (char)(value >> 16), (char)(value >> 8), (char)value};
    out.append(bytes, 4);
}

} // namespace

uint32_t CSFtpReader::U32() {
    if (!m_good || m_body.size() - m_at < 4) {
        m_good = false;
        return 0;
    }
    uint32_t value = BigEndian32(m_body.data() + m_at);
    m_at += 4;
    return value;
}

uint64_t CSFtpReader::U64() {
    uint64_t high = U32();
    return high << 32 | U32();
}

std::string CSFtpReader::Text() {
    uint32_t length = U32();
    if (!m_good || m_body.size() - m_at < length) {
        m_good = false;
        return std::string();
    }
    std::string text = m_body.substr(m_at, length);
    m_at += length;
    return text;
}

SFtpAttributes CSFtpReader::Attributes() {
    SFtpAttributes attributes;
    attributes.flags = U32();
    if (attributes.flags & 1) attributes.size = U64();
    if (attributes.flags & 2) U64();  // owner and group
    if (attributes.flags & 4) attributes.permissions = U32();
    if (attributes.flags & 8) {
        U32();  // accessed
        attributes.modified = U32();
    }
    if (attributes.flags & 0x80000000u) {
        for (uint32_t n = U32(); n > 0 && m_good; --n) {
            Text();
            Text();
        }
    }
    return attributes;
}

CSFtpWriter& CSFtpWriter::U32(uint32_t value) {
    AppendBigEndian32(m_body, value);
    return *this;
}

CSFtpWriter& CSFtpWriter::U64(uint64_t value) { return U32((uint32_t)(value >> 32)).U32((uint32_t)value); }

CSFtpWriter& CSFtpWriter::Text(const std::string& text) { return Bytes(text.data(), text.size()); }

CSFtpWriter& CSFtpWriter::Bytes(const char* data, size_t length) {
    U32((uint32_t)length);
    m_body.append(data, length);
    return *this;
}

void CSFtpClient::Queue(uint8_t type, const std::string& prefix, const std::string& body) {
    if (m_outStart == m_out.size()) {
        m_out.clear();
        m_outStart = 0;
    } else if (m_outStart > (1u << 20)) {
        m_out.erase(0, m_outStart);
        m_outStart = 0;
    }
    AppendBigEndian32(m_out, (uint32_t)(1 + prefix.size() + body.size()));
    m_out.append(1, (char)type).append(prefix).append(body);
}

void CSFtpClient::SendInit() { Queue(kSFtpPacketInit, std::string(), CSFtpWriter().U32(3).Body()); }

uint32_t CSFtpClient::Send(uint8_t type, const std::string& body) {
    uint32_t id = m_nextId++;
    if (m_nextId == 0) m_nextId = 1;
    std::string prefix;
    AppendBigEndian32(prefix, id);
    Queue(type, prefix, body);
    return id;
}

void CSFtpClient::Forget(uint32_t id) {
    if (m_replies.erase(id) == 0) m_forgotten.insert(id);
}

bool CSFtpClient::Take(uint32_t id, SFtpReply& reply) {
    auto found = m_replies.find(id);
    if (found == m_replies.end()) return false;
    reply = std::move(found->second);
    m_replies.erase(found);
    return true;
}

bool CSFtpClient::Poll(bool& progressed) {
    progressed = false;
    while (HasQueued()) {
        int n = ssh_channel_write(m_channel, m_out.data() + m_outStart, (uint32_t)(m_out.size() - m_outStart));
        if (n < 0) return false;
        if (n == 0) break;
        m_outStart += (size_t)n;
        progressed = true;
    }
    m_buffer.resize(kReadSize);
    for (;;) {
        // A read of the whole buffer also lets the session widen the
        // channel's window, so that the server can keep sending.
        int n = ssh_channel_read_timeout(m_channel, m_buffer.data(), (uint32_t)m_buffer.size(), 0, 0);
        if (n == SSH_EOF || n < 0) return false;
        if (n == 0) {
            if (ssh_channel_is_eof(m_channel) || ssh_channel_is_closed(m_channel)) return false;
            break;
        }
        if (m_inStart == m_in.size()) {
            m_in.clear();
            m_inStart = 0;
        }
        m_in.append(m_buffer.data(), (size_t)n);
        progressed = true;
    }
    return Gather();
}

bool CSFtpClient::Gather() {
    while (m_in.size() - m_inStart >= 4) {
        uint32_t length = BigEndian32(m_in.data() + m_inStart);
        if (length == 0 || length > kMaxPacket) return false;
        if (m_in.size() - m_inStart - 4 < length) break;
        const char* packet = m_in.data() + m_inStart + 4;
        SFtpReply reply;
        reply.type = (uint8_t)packet[0];
        uint32_t id = 0;
        if (reply.type == kSFtpPacketVersion) {
            reply.body.assign(packet + 1, length - 1);
        } else {
            if (length < 5) return false;
            id = BigEndian32(packet + 1);
            reply.body.assign(packet + 5, length - 5);
        }
        m_inStart += 4 + (size_t)length;
        if (m_forgotten.erase(id) == 0) m_replies[id] = std::move(reply);
    }
    // Keep the buffer from growing with what was taken.
    if (m_inStart > (1u << 20)) {
        m_in.erase(0, m_inStart);
        m_inStart = 0;
    }
    return true;
}
