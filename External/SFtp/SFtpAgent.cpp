#include "External/SFtp/SFtpAgent.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include "External/SFtp/SFtpAgentChannel.h"
#include "utility/Base64Coding.h"
#include "utility/Posix/Folders.h"
#include "utility/TextCodec.h"

namespace {

// Files move in pieces of this size, with this many under way. A piece
// with its headers fits one packet of the channel (32 KiB of data), which
// spares both sides a second packet for a few bytes. A read-ahead of about
// 1 MiB keeps the server busy; a deeper one only makes the server hold what
// the connection cannot take yet, which costs it more than it saves us.
constexpr uint32_t kPieceSize = 32 * 1024 - 512;
constexpr size_t kReadAhead = 32;
constexpr size_t kWriteBehind = 32;

uint32_t ReadU32(const unsigned char* data) {
    uint32_t value;
    memcpy(&value, data, 4);
    return value;
}

// The zero-terminated text at offset; false when it runs past length.
bool ReadText(const unsigned char* data, uint32_t length, uint32_t& offset, std::string& text) {
    if (offset >= length) return false;
    const unsigned char* end = static_cast<const unsigned char*>(memchr(data + offset, 0, length - offset));
    if (!end) return false;
    text.assign(reinterpret_cast<const char*>(data + offset), (size_t)(end - (data + offset)));
    offset = (uint32_t)(end - data) + 1;
    return true;
}

// OpenSSH writes a host on another port than 22 as "[host]:port".
std::string KnownHostName(const std::string& host, int port) {
    return port == 22 ? host : "[" + host + "]:" + std::to_string(port);
}

std::string KnownHostsFile() {
    CBasicString folder = GetPerUserDataFolder(CBasicString(), CBasicString());
    if (folder.IsEmpty()) return std::string();
    return WideToUtf8(folder.GetString(), folder.GetLength()) + "known_hosts";
}

std::string Fingerprint(ssh_key key) {
    unsigned char* hash = nullptr;
    size_t length = 0;
    if (ssh_get_publickey_hash(key, SSH_PUBLICKEY_HASH_SHA256, &hash, &length) != 0) return std::string();
    std::vector<char> coded((size_t)CBase64Coding::GetEncodedSize((int)length, 1));
    CBase64Coding coder;
    bool encoded = coder.Encode(reinterpret_cast<const char*>(hash), (int)length, coded.data(), 1);
    ssh_clean_pubkey_hash(&hash);
    if (!encoded) return std::string();
    std::string text = coded.data();
    while (!text.empty() && text.back() == '=') text.pop_back();
    return "SHA256:" + text;
}

// Replaces the file's lines for name and key type with entry.
void RememberHostKey(const std::string& file, const std::string& name, const std::string& type,
                     const std::string& entry) {
    std::vector<std::string> lines;
    {
        std::ifstream in(file);
        std::string line;
        while (std::getline(in, line)) {
            std::istringstream fields(line);
            std::string host, keyType;
            fields >> host >> keyType;
            if (host == name && keyType == type) continue;
            lines.push_back(line);
        }
    }
    lines.push_back(entry);
    std::ofstream out(file, std::ios::trunc);
    for (const std::string& line : lines) out << line << '\n';
}

const char* SftpErrorText(uint32_t code) {
    switch (code) {
    case 1: return "end of file";
    case 2: return "no such file";
    case 3: return "permission denied";
    case 4: return "failure";
    case 5: return "bad message";
    case 6: return "no connection";
    case 7: return "connection lost";
    case 8: return "operation not supported";
    case 10: return "no such path";
    case 11: return "file already exists";
    case 12: return "write protected";
    case 14: return "no space on the file system";
    case 15: return "quota exceeded";
    case 18: return "folder not empty";
    case 19: return "not a folder";
    default: return "error";
    }
}

// One EPLF fact: its letter, the number and a comma.
void AppendFact(std::string& line, char fact, unsigned long long value) {
    line.append(1, fact).append(std::to_string(value)).append(1, ',');
}

// The status code of a reply; failure for a reply of another kind.
uint32_t StatusOf(const SFtpReply& reply) {
    if (reply.type != kSFtpPacketStatus) return 4;
    CSFtpReader reader(reply.body);
    uint32_t status = reader.U32();
    return reader.Good() ? status : 5;
}

// The handle of a handle reply; "" for any other.
std::string HandleOf(const SFtpReply& reply) {
    if (reply.type != kSFtpPacketHandle) return std::string();
    CSFtpReader reader(reply.body);
    std::string handle = reader.Text();
    return reader.Good() ? handle : std::string();
}

// The first name of a name reply (a real path); false for any other.
bool FirstName(const SFtpReply& reply, std::string& name) {
    if (reply.type != kSFtpPacketName) return false;
    CSFtpReader reader(reply.body);
    if (reader.U32() == 0) return false;
    name = reader.Text();
    return reader.Good();
}

} // namespace

CSFtpAgent::CSFtpAgent(CSFtpAgentChannel& channel) : m_channel(channel), m_transport(channel) {}

CSFtpAgent::~CSFtpAgent() { EndSession(); }

void CSFtpAgent::ForgetFile() {
    if (m_sftp) {
        for (const Piece& piece : m_pieces) m_sftp->Forget(piece.id);
    }
    m_file.clear();
    m_pieces.clear();
    m_ready.clear();
    m_readyStart = 0;
    m_atEnd = false;
    m_readError.clear();
    m_gathered.clear();
    m_writeStatus = kSFtpStatusOk;
    m_offset = 0;
}

void CSFtpAgent::EndSession() {
    if (!m_file.empty()) {
        uint32_t status = 0;
        CloseHandle(status);
    }
    ForgetFile();
    m_sftp.reset();
    if (m_sshChannel) ssh_channel_free(m_sshChannel);
    m_sshChannel = nullptr;
    if (m_session) {
        // The session closes its end of the connection.
        ssh_disconnect(m_session);
        bool sent = false;
        m_transport.SendPending(sent);
        ssh_free(m_session);
    }
    m_session = nullptr;
    m_transport.Close();
}

bool CSFtpAgent::Pump(bool progressed, int idleRoundsBeforeWait) {
    // The session reads its end of the connection a few KiB at a time: while
    // server bytes wait there, the next round reads on. What the session
    // wrote meanwhile goes out once they are read, and always before a wait.
    if (m_transport.PushHeld()) progressed = true;
    if (m_transport.HasUnread()) {
        m_idleRounds = 0;
        return true;
    }
    bool sent = false;
    if (!m_transport.SendPending(sent)) return false;
    if (progressed || sent) {
        m_idleRounds = 0;
        return true;
    }
    if (++m_idleRounds < idleRoundsBeforeWait) return true;
    m_idleRounds = 0;
    return m_transport.Receive();
}

bool CSFtpAgent::Step() {
    bool progressed = false;
    // The SFTP round reads the channel until nothing more came, so one round
    // without movement is enough to wait for the server.
    return m_sftp && m_sftp->Poll(progressed) && Pump(progressed, 1);
}

bool CSFtpAgent::Wait(uint32_t id, SFtpReply& reply) {
    while (!m_sftp->Take(id, reply)) {
        if (!Step()) return false;
    }
    return true;
}

bool CSFtpAgent::Call(uint8_t type, const std::string& body, SFtpReply& reply) {
    return m_sftp && Wait(m_sftp->Send(type, body), reply);
}

void CSFtpAgent::Run() {
    uint32_t code = 0;
    uint32_t length = 0;
    const unsigned char* data = nullptr;
    while (m_channel.WaitRequest(code, length, data)) Serve(code, length, data);
}

bool CSFtpAgent::Fail(const std::string& text) {
    m_channel.PostText(kSFtpErrorText, text);
    return false;
}

bool CSFtpAgent::FailSftp(const std::string& what, uint32_t status) {
    return Fail(what + ": " + SftpErrorText(status));
}

bool CSFtpAgent::FailSftp(const std::string& what, const SFtpReply& reply) {
    return FailSftp(what, reply.type ? StatusOf(reply) : 7);
}

bool CSFtpAgent::Reply(uint32_t code, uint32_t length, const void* data) { return m_channel.Post(code, length, data); }

std::string CSFtpAgent::Resolve(const std::string& path) const {
    if (path.empty()) return m_folder;
    if (path[0] == '/') return path;
    return m_folder == "/" ? "/" + path : m_folder + "/" + path;
}

void CSFtpAgent::Serve(uint32_t code, uint32_t length, const unsigned char* data) {
    if (code == kSFtpLogin) {
        Login(length, data);
        return;
    }
    if (!m_sftp) {
        Fail("Not logged in.");
        return;
    }
    // The request's data live in the channel, which the session's traffic
    // overwrites: every request takes what it needs first.
    const std::string path = Resolve(reinterpret_cast<const char*>(data));
    switch (code) {
    case kSFtpCurrentFolder: CurrentFolder(); break;
    case kSFtpChangeFolder: ChangeFolder(path); break;
    case kSFtpListFolder: ListFolder(path); break;
    case kSFtpMakeFolder: SimpleRequest(code, kSFtpPacketMakeFolder, path, "Unable to create the folder " + path); break;
    case kSFtpRemoveFolder: SimpleRequest(code, kSFtpPacketRemoveFolder, path, "Unable to remove the folder " + path); break;
    case kSFtpDeleteFile: SimpleRequest(code, kSFtpPacketRemove, path, "Unable to delete " + path); break;
    case kSFtpRename: Rename(length, data); break;
    case kSFtpOpenRead:
    case kSFtpOpenWrite: OpenFile(code, length, data); break;
    case kSFtpRead: ReadFile(length, data); break;
    case kSFtpWrite: WriteFile(length, data); break;
    case kSFtpCloseFile: CloseFile(); break;
    default: Fail("Unknown request " + std::to_string(code) + "."); break;
    }
}

bool CSFtpAgent::Login(uint32_t length, const unsigned char* data) {
    std::string host, user, password;
    uint32_t offset = 0;
    int32_t port = 0;
    if (!ReadText(data, length, offset, host) || offset + 4 > length) return Fail("Bad login request.");
    memcpy(&port, data + offset, 4);
    offset += 4;
    if (!ReadText(data, length, offset, user) || !ReadText(data, length, offset, password))
        return Fail("Bad login request.");

    EndSession();
    m_session = ssh_new();
    int end = m_session ? m_transport.Open() : -1;
    if (end < 0) {
        EndSession();
        return Fail("Unable to start an SSH session.");
    }
    // The session owns its end of the connection from here on.
    ssh_options_set(m_session, SSH_OPTIONS_FD, &end);
    const bool no = false;
    ssh_options_set(m_session, SSH_OPTIONS_PROCESS_CONFIG, &no);
    ssh_options_set(m_session, SSH_OPTIONS_HOST, host.c_str());
    unsigned int sshPort = (unsigned int)port;
    ssh_options_set(m_session, SSH_OPTIONS_PORT, &sshPort);
    ssh_options_set(m_session, SSH_OPTIONS_USER, user.c_str());
    // Only the agent's own file counts.
    const std::string hostsFile = KnownHostsFile();
    ssh_options_set(m_session, SSH_OPTIONS_KNOWNHOSTS, hostsFile.empty() ? "/dev/null" : hostsFile.c_str());
    ssh_options_set(m_session, SSH_OPTIONS_GLOBAL_KNOWNHOSTS, "/dev/null");
    ssh_set_blocking(m_session, 0);

    m_idleRounds = 0;
    if (Complete([&] { return ssh_connect(m_session); }, SSH_AGAIN) != SSH_OK) {
        EndSession();
        return Fail("The SSH handshake with " + host + " failed.");
    }
    if (!CheckHostKey(host, port)) {
        EndSession();
        return false;
    }
    if (Complete([&] { return ssh_userauth_password(m_session, nullptr, password.c_str()); }, SSH_AUTH_AGAIN) !=
        SSH_AUTH_SUCCESS) {
        EndSession();
        return Fail("The user name or password was not accepted by " + host + ".");
    }
    m_sshChannel = ssh_channel_new(m_session);
    if (!m_sshChannel || Complete([&] { return ssh_channel_open_session(m_sshChannel); }, SSH_AGAIN) != SSH_OK ||
        Complete([&] { return ssh_channel_request_subsystem(m_sshChannel, "sftp"); }, SSH_AGAIN) != SSH_OK) {
        EndSession();
        return Fail("The server " + host + " offers no SFTP.");
    }
    m_sftp = std::make_unique<CSFtpClient>(m_sshChannel);
    m_sftp->SendInit();
    SFtpReply reply;
    if (!Wait(0, reply) || reply.type != kSFtpPacketVersion) {
        EndSession();
        return Fail("The server " + host + " offers no SFTP.");
    }
    std::string folder;
    if (!Call(kSFtpPacketRealPath, CSFtpWriter().Text(".").Body(), reply)) {
        EndSession();
        return Fail("The connection to " + host + " was lost.");
    }
    m_folder = FirstName(reply, folder) ? folder : "/";
    return Reply(kSFtpLogin);
}

bool CSFtpAgent::CheckHostKey(const std::string& host, int port) {
    ssh_key key = nullptr;
    if (ssh_get_server_publickey(m_session, &key) != SSH_OK || !key) return Fail("The host key of " + host + " cannot be read.");
    const char* typeName = ssh_key_type_to_char(ssh_key_type(key));
    const std::string type = typeName ? typeName : "unknown";
    const std::string name = KnownHostName(host, port);
    const std::string text = name + " " + type + " " + Fingerprint(key);
    ssh_key_free(key);

    const ssh_known_hosts_e state = ssh_session_is_known_server(m_session);
    if (state == SSH_KNOWN_HOSTS_OK) return true;
    if (state == SSH_KNOWN_HOSTS_ERROR) return Fail("Unable to check the host key.");
    const bool changed = state == SSH_KNOWN_HOSTS_CHANGED || state == SSH_KNOWN_HOSTS_OTHER;
    uint32_t answerLength = 0;
    const unsigned char* answer = nullptr;
    int32_t decision = kSFtpKeyRefused;
    if (m_channel.Ask(changed ? kSFtpChangedHostKey : kSFtpUnknownHostKey, (uint32_t)text.size() + 1, text.c_str(),
                      answerLength, answer) &&
        answerLength >= 4)
        memcpy(&decision, answer, 4);
    const std::string file = KnownHostsFile();
    char* entry = nullptr;
    if (decision == kSFtpKeyAcceptAlways && !file.empty() && ssh_session_export_known_hosts_entry(m_session, &entry) == SSH_OK) {
        // The entry names the host as the file wants it; its line ends here.
        std::string line = entry;
        ssh_string_free_char(entry);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
        RememberHostKey(file, name, type, line);
    }
    if (decision == kSFtpKeyAcceptAlways || decision == kSFtpKeyAcceptOnce) return true;
    return Fail("The host key of " + host + " was refused: " + text);
}

bool CSFtpAgent::CurrentFolder() { return Reply(kSFtpCurrentFolder, (uint32_t)m_folder.size(), m_folder.data()); }

bool CSFtpAgent::SimpleRequest(uint32_t code, uint8_t type, const std::string& path, const std::string& what) {
    CSFtpWriter body;
    body.Text(path);
    if (type == kSFtpPacketMakeFolder) body.Permissions(0755);
    SFtpReply reply;
    if (!Call(type, body.Body(), reply) || StatusOf(reply) != kSFtpStatusOk) return FailSftp(what, reply);
    return Reply(code);
}

bool CSFtpAgent::ChangeFolder(const std::string& path) {
    const std::string what = "Unable to enter the folder " + path;
    SFtpReply reply;
    std::string real;
    if (!Call(kSFtpPacketRealPath, CSFtpWriter().Text(path).Body(), reply)) return FailSftp(what, reply);
    if (!FirstName(reply, real)) return FailSftp(what, reply);
    if (!Call(kSFtpPacketStat, CSFtpWriter().Text(real).Body(), reply)) return FailSftp(what, reply);
    if (reply.type != kSFtpPacketAttributes) return FailSftp(what, reply);
    CSFtpReader reader(reply.body);
    if (!reader.Attributes().IsFolder() || !reader.Good()) return Fail(what + ": not a folder");
    m_folder = real;
    return Reply(kSFtpChangeFolder);
}

bool CSFtpAgent::ListFolder(const std::string& path) {
    const std::string what = "Unable to list " + path;
    SFtpReply reply;
    if (!Call(kSFtpPacketOpenFolder, CSFtpWriter().Text(path).Body(), reply)) return FailSftp(what, reply);
    const std::string handle = HandleOf(reply);
    if (handle.empty()) return FailSftp(what, reply);
    const std::string handleBody = CSFtpWriter().Text(handle).Body();
    bool posted = true;
    uint32_t status = kSFtpStatusOk;
    while (posted) {
        if (!Call(kSFtpPacketReadFolder, handleBody, reply)) return FailSftp(what, reply);
        if (reply.type != kSFtpPacketName) {
            status = StatusOf(reply);
            break;
        }
        CSFtpReader reader(reply.body);
        for (uint32_t count = reader.U32(); count > 0 && posted && reader.Good(); --count) {
            std::string entry = reader.Text();
            reader.Text();  // the long form
            SFtpAttributes attributes = reader.Attributes();
            if (!reader.Good()) {
                status = 5;
                posted = false;
                break;
            }
            if (entry == "." || entry == "..") continue;
            std::string line = attributes.IsFolder() ? "+/," : "+r,";
            if (!attributes.IsFolder() && (attributes.flags & 1)) AppendFact(line, 's', attributes.size);
            if (attributes.flags & 8) AppendFact(line, 'm', attributes.modified);
            line.append(1, '\t').append(entry);
            if (line.size() > kSFtpMaxListLine) continue;  // a name the listing cannot carry
            posted = Reply(kSFtpListFolder, (uint32_t)line.size(), line.data());
        }
    }
    Call(kSFtpPacketClose, handleBody, reply);
    if (status == 5) return FailSftp(what, status);
    if (!posted) return false;
    if (status != kSFtpStatusEof) return FailSftp(what, status);
    return Reply(kSFtpListFolder);
}

bool CSFtpAgent::OpenFile(uint32_t code, uint32_t length, const unsigned char* data) {
    std::string path;
    uint32_t offset = 0;
    int64_t start = 0;
    if (!ReadText(data, length, offset, path) || offset + 8 > length) return Fail("Bad open request.");
    memcpy(&start, data + offset, 8);
    if (start < 0) start = 0;
    path = Resolve(path);
    if (!m_file.empty()) {
        uint32_t status = 0;
        CloseHandle(status);
    }
    ForgetFile();
    // Read 1, write 2, create 8, truncate 16.
    const uint32_t flags = code == kSFtpOpenRead ? 1u : 2u | 8u | (start ? 0u : 16u);
    SFtpReply reply;
    if (!Call(kSFtpPacketOpen, CSFtpWriter().Text(path).U32(flags).Permissions(0644).Body(), reply))
        return FailSftp("Unable to open " + path, reply);
    m_file = HandleOf(reply);
    if (m_file.empty()) return FailSftp("Unable to open " + path, reply);
    m_writing = code == kSFtpOpenWrite;
    m_offset = (uint64_t)start;
    if (!m_writing) {
        RequestPieces();
        bool progressed = false;
        // The first requests go out at once; their answers come while the
        // library takes this reply.
        if (!m_sftp->Poll(progressed) || !m_transport.SendPending(progressed)) return Fail("The connection was lost.");
    }
    return Reply(code);
}

void CSFtpAgent::RequestPieces() {
    while (!m_atEnd && m_readError.empty() && m_pieces.size() < kReadAhead) {
        uint32_t id = m_sftp->Send(kSFtpPacketRead, CSFtpWriter().Text(m_file).U64(m_offset).U32(kPieceSize).Body());
        m_pieces.push_back({id, m_offset, kPieceSize});
        m_offset += kPieceSize;
    }
}

bool CSFtpAgent::TakePieces() {
    bool took = false;
    SFtpReply reply;
    while (!m_pieces.empty() && m_sftp->Take(m_pieces.front().id, reply)) {
        const Piece piece = m_pieces.front();
        m_pieces.pop_front();
        took = true;
        uint32_t got = 0;
        if (reply.type == kSFtpPacketData) {
            CSFtpReader reader(reply.body);
            got = reader.U32();
            if (!reader.Good() || got > piece.length || got > reply.body.size() - 4) {
                m_readError = "bad message";
            } else {
                // The bytes handed out already go once they are half of
                // the buffer, so that it stays as small as the read-ahead.
                if (m_readyStart > 0 && m_readyStart * 2 >= m_ready.size()) {
                    m_ready.erase(m_ready.begin(), m_ready.begin() + (std::ptrdiff_t)m_readyStart);
                    m_readyStart = 0;
                }
                m_ready.insert(m_ready.end(), reply.body.data() + 4, reply.body.data() + 4 + got);
            }
        } else if (StatusOf(reply) == kSFtpStatusEof) {
            m_atEnd = true;
        } else {
            m_readError = SftpErrorText(StatusOf(reply));
        }
        if (m_atEnd || !m_readError.empty() || got < piece.length) {
            // A short piece (or the end, or a failure): the pieces after it
            // are asked again from where it ended, or not at all.
            for (const Piece& later : m_pieces) m_sftp->Forget(later.id);
            m_pieces.clear();
            m_offset = piece.offset + got;
        }
    }
    return took;
}

bool CSFtpAgent::ReadFile(uint32_t length, const unsigned char* data) {
    if (m_file.empty() || m_writing || length < 4) return Fail("No file is open for reading.");
    const uint32_t wanted = std::min(ReadU32(data), kSFtpMaxTransfer);
    bool progressed = false;
    // What came meanwhile, and more requests once half of them were answered.
    TakePieces();
    if (m_pieces.size() <= kReadAhead / 2) {
        RequestPieces();
        if (!m_sftp->Poll(progressed) || !m_transport.SendPending(progressed)) return Fail("Unable to read the file: connection lost");
        TakePieces();
    }
    while (m_ready.size() - m_readyStart < wanted && !m_pieces.empty()) {
        if (!Step()) return Fail("Unable to read the file: connection lost");
        TakePieces();
        if (m_pieces.size() <= kReadAhead / 2) RequestPieces();
    }
    const size_t available = m_ready.size() - m_readyStart;
    if (available == 0 && !m_readError.empty()) return Fail("Unable to read the file: " + m_readError);
    const uint32_t got = (uint32_t)std::min<size_t>(wanted, available);
    const bool posted = Reply(kSFtpRead, got, m_ready.data() + m_readyStart);
    m_readyStart += got;
    return posted;
}

bool CSFtpAgent::WriteFile(uint32_t length, const unsigned char* data) {
    if (m_file.empty() || !m_writing || length > kSFtpMaxTransfer) return Fail("No file is open for writing.");
    m_gathered.append(reinterpret_cast<const char*>(data), length);
    if (m_gathered.size() >= kPieceSize && !SendWrite(false)) return false;
    // The empty piece that ends a write sends what is gathered and waits
    // for every answer.
    if (length == 0 && (!SendWrite(true) || !SettleWrites(0))) return false;
    return Reply(kSFtpWrite, 4, &length);
}

bool CSFtpAgent::SendWrite(bool whole) {
    while (m_gathered.size() >= (whole ? 1 : kPieceSize)) {
        const uint32_t piece = (uint32_t)std::min<size_t>(m_gathered.size(), kPieceSize);
        uint32_t id = m_sftp->Send(kSFtpPacketWrite, CSFtpWriter().Text(m_file).U64(m_offset).Bytes(m_gathered.data(), piece).Body());
        m_pieces.push_back({id, m_offset, piece});
        m_offset += piece;
        m_gathered.erase(0, piece);
    }
    bool progressed = false;
    if (!m_sftp->Poll(progressed) || !m_transport.SendPending(progressed)) return FailSftp("Unable to write the file", 7);
    return SettleWrites(kWriteBehind);
}

bool CSFtpAgent::SettleWrites(size_t keep) {
    SFtpReply reply;
    for (;;) {
        while (!m_pieces.empty() && m_sftp->Take(m_pieces.front().id, reply)) {
            m_pieces.pop_front();
            uint32_t status = StatusOf(reply);
            if (status != kSFtpStatusOk && m_writeStatus == kSFtpStatusOk) m_writeStatus = status;
        }
        if (m_writeStatus != kSFtpStatusOk) {
            const uint32_t status = m_writeStatus;
            for (const Piece& piece : m_pieces) m_sftp->Forget(piece.id);
            m_pieces.clear();
            m_gathered.clear();
            m_writeStatus = kSFtpStatusOk;
            return FailSftp("Unable to write the file", status);
        }
        if (m_pieces.size() <= keep) return true;
        if (!Step()) return FailSftp("Unable to write the file", 7);
    }
}

bool CSFtpAgent::CloseHandle(uint32_t& status) {
    SFtpReply reply;
    bool done = Call(kSFtpPacketClose, CSFtpWriter().Text(m_file).Body(), reply);
    status = done ? StatusOf(reply) : 7;
    m_file.clear();
    return done && status == kSFtpStatusOk;
}

bool CSFtpAgent::CloseFile() {
    if (m_file.empty()) return Reply(kSFtpCloseFile);
    bool flushed = !m_writing || (SendWrite(true) && SettleWrites(0));
    uint32_t status = 0;
    bool closed = CloseHandle(status);
    ForgetFile();
    if (!flushed) return false;
    if (!closed) return FailSftp("Unable to close the file", status);
    return Reply(kSFtpCloseFile);
}

bool CSFtpAgent::Rename(uint32_t length, const unsigned char* data) {
    std::string from, to;
    uint32_t offset = 0;
    if (!ReadText(data, length, offset, from) || !ReadText(data, length, offset, to)) return Fail("Bad rename request.");
    from = Resolve(from);
    to = Resolve(to);
    SFtpReply reply;
    if (!Call(kSFtpPacketRename, CSFtpWriter().Text(from).Text(to).Body(), reply) || StatusOf(reply) != kSFtpStatusOk)
        return FailSftp("Unable to rename " + from, reply);
    return Reply(kSFtpRename);
}
