#include "External/SFtp/SFtpAgent.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "External/SFtp/SFtpAgentChannel.h"
#include "utility/Base64Coding.h"
#include "utility/Posix/Folders.h"
#include "utility/TextCodec.h"

namespace {

constexpr size_t kPathSize = 4096;

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

struct KeyKind {
    int hostKeyType;
    int knownHostType;
    const char* name;
};

const KeyKind kKeyKinds[] = {
    {LIBSSH2_HOSTKEY_TYPE_RSA, LIBSSH2_KNOWNHOST_KEY_SSHRSA, "ssh-rsa"},
    {LIBSSH2_HOSTKEY_TYPE_DSS, LIBSSH2_KNOWNHOST_KEY_SSHDSS, "ssh-dss"},
    {LIBSSH2_HOSTKEY_TYPE_ECDSA_256, LIBSSH2_KNOWNHOST_KEY_ECDSA_256, "ecdsa-sha2-nistp256"},
    {LIBSSH2_HOSTKEY_TYPE_ECDSA_384, LIBSSH2_KNOWNHOST_KEY_ECDSA_384, "ecdsa-sha2-nistp384"},
    {LIBSSH2_HOSTKEY_TYPE_ECDSA_521, LIBSSH2_KNOWNHOST_KEY_ECDSA_521, "ecdsa-sha2-nistp521"},
    {LIBSSH2_HOSTKEY_TYPE_ED25519, LIBSSH2_KNOWNHOST_KEY_ED25519, "ssh-ed25519"},
};

const KeyKind* FindKeyKind(int hostKeyType) {
    for (const KeyKind& kind : kKeyKinds) {
        if (kind.hostKeyType == hostKeyType) return &kind;
    }
    return nullptr;
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

std::string Fingerprint(LIBSSH2_SESSION* session) {
    const char* hash = libssh2_hostkey_hash(session, LIBSSH2_HOSTKEY_HASH_SHA256);
    if (!hash) return std::string();
    std::vector<char> coded((size_t)CBase64Coding::GetEncodedSize(32, 1));
    CBase64Coding coder;
    if (!coder.Encode(hash, 32, coded.data(), 1)) return std::string();
    std::string text = coded.data();
    while (!text.empty() && text.back() == '=') text.pop_back();
    return "SHA256:" + text;
}

const char* SftpErrorText(unsigned long code) {
    switch (code) {
    case LIBSSH2_FX_EOF: return "end of file";
    case LIBSSH2_FX_NO_SUCH_FILE: return "no such file";
    case LIBSSH2_FX_PERMISSION_DENIED: return "permission denied";
    case LIBSSH2_FX_FAILURE: return "failure";
    case LIBSSH2_FX_BAD_MESSAGE: return "bad message";
    case LIBSSH2_FX_NO_CONNECTION: return "no connection";
    case LIBSSH2_FX_CONNECTION_LOST: return "connection lost";
    case LIBSSH2_FX_OP_UNSUPPORTED: return "operation not supported";
    case LIBSSH2_FX_NO_SUCH_PATH: return "no such path";
    case LIBSSH2_FX_FILE_ALREADY_EXISTS: return "file already exists";
    case LIBSSH2_FX_WRITE_PROTECT: return "write protected";
    case LIBSSH2_FX_NO_SPACE_ON_FILESYSTEM: return "no space on the file system";
    case LIBSSH2_FX_QUOTA_EXCEEDED: return "quota exceeded";
    case LIBSSH2_FX_DIR_NOT_EMPTY: return "folder not empty";
    case LIBSSH2_FX_NOT_A_DIRECTORY: return "not a folder";
    default: return "error";
    }
}

// One EPLF fact: its letter, the number and a comma.
void AppendFact(std::string& line, char fact, unsigned long long value) {
    line.append(1, fact).append(std::to_string(value)).append(1, ',');
}

} // namespace

// Reads ahead and writes behind in pieces of this size.
constexpr size_t kFileBufferSize = 256 * 1024;

CSFtpAgent::CSFtpAgent(CSFtpAgentChannel& channel) : m_channel(channel), m_buffer(kFileBufferSize) {}

CSFtpAgent::~CSFtpAgent() { EndSession(); }

void CSFtpAgent::EndSession() {
    if (m_file) Complete([&] { return libssh2_sftp_close(m_file); });
    if (m_sftp) Complete([&] { return libssh2_sftp_shutdown(m_sftp); });
    if (m_session) {
        Complete([&] { return libssh2_session_disconnect(m_session, "Closed"); });
        Complete([&] { return libssh2_session_free(m_session); });
    }
    if (m_nullDescriptor >= 0) close(m_nullDescriptor);
    m_file = nullptr;
    m_sftp = nullptr;
    m_session = nullptr;
    m_nullDescriptor = -1;
}

ssize_t CSFtpAgent::SendCallback(libssh2_socket_t, const void* buffer, size_t length, int, void** abstract) {
    CSFtpAgent* agent = static_cast<CSFtpAgent*>(*abstract);
    // All of it, block by block: a short send would make the session wait.
    size_t done = 0;
    while (done < length) {
        uint32_t piece = (uint32_t)std::min<size_t>(length - done, kSFtpDataSize);
        uint32_t answerLength = 0;
        const unsigned char* answer = nullptr;
        if (!agent->m_channel.Ask(kSFtpSend, piece, static_cast<const char*>(buffer) + done, answerLength, answer) ||
            answerLength < 8)
            return -ECONNRESET;
        uint32_t sent = ReadU32(answer);
        if (sent == 0 || sent > piece) return -ECONNRESET;
        done += sent;
    }
    return (ssize_t)done;
}

ssize_t CSFtpAgent::ReceiveCallback(libssh2_socket_t, void* buffer, size_t length, int, void** abstract) {
    CSFtpAgent* agent = static_cast<CSFtpAgent*>(*abstract);
    // Only a receive that the session needs may wait for the server; any
    // other says "nothing yet" (the session also reads just to look).
    if (!agent->m_receiveNeeded) return -EAGAIN;
    agent->m_receiveNeeded = false;
    uint32_t wanted = (uint32_t)std::min<size_t>(length, kSFtpMaxReceive);
    uint32_t answerLength = 0;
    const unsigned char* answer = nullptr;
    if (!agent->m_channel.Ask(kSFtpReceive, 4, &wanted, answerLength, answer) || answerLength < 4) return -ECONNRESET;
    uint32_t count = ReadU32(answer);
    if (answerLength >= 8 && count == 0) return -ECONNRESET;
    if (count > wanted || count + 4 > answerLength) return -ECONNRESET;
    memcpy(buffer, answer + 4, count);
    // The server closed the connection: a failure to the session.
    return count ? (ssize_t)count : -ECONNRESET;
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

bool CSFtpAgent::FailSftp(const std::string& what) {
    unsigned long code = m_sftp ? libssh2_sftp_last_error(m_sftp) : 0;
    return Fail(what + ": " + SftpErrorText(code));
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
    const std::string path = Resolve(reinterpret_cast<const char*>(data));
    switch (code) {
    case kSFtpCurrentFolder: CurrentFolder(); break;
    case kSFtpChangeFolder: ChangeFolder(path); break;
    case kSFtpListFolder: ListFolder(path); break;
    case kSFtpMakeFolder:
        if (Complete([&] { return libssh2_sftp_mkdir(m_sftp, path.c_str(), 0755); }) != 0) FailSftp("Unable to create the folder " + path);
        else Reply(code);
        break;
    case kSFtpRemoveFolder:
        if (Complete([&] { return libssh2_sftp_rmdir(m_sftp, path.c_str()); }) != 0) FailSftp("Unable to remove the folder " + path);
        else Reply(code);
        break;
    case kSFtpDeleteFile:
        if (Complete([&] { return libssh2_sftp_unlink(m_sftp, path.c_str()); }) != 0) FailSftp("Unable to delete " + path);
        else Reply(code);
        break;
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
    m_session = libssh2_session_init_ex(nullptr, nullptr, nullptr, this);
    if (!m_session) return Fail("Unable to start an SSH session.");
    libssh2_session_callback_set(m_session, LIBSSH2_CALLBACK_SEND, reinterpret_cast<void*>(&SendCallback));
    libssh2_session_callback_set(m_session, LIBSSH2_CALLBACK_RECV, reinterpret_cast<void*>(&ReceiveCallback));
    libssh2_session_set_blocking(m_session, 0);
    // The session runs without blocking (Complete waits for it); it is
    // given a descriptor only because it wants one.
    m_nullDescriptor = open("/dev/null", O_RDWR | O_CLOEXEC);
    if (Complete([&] { return libssh2_session_handshake(m_session, m_nullDescriptor); }) != 0) {
        EndSession();
        return Fail("The SSH handshake with " + host + " failed.");
    }
    if (!CheckHostKey(host, port)) {
        EndSession();
        return false;
    }
    if (Complete([&] { return libssh2_userauth_password(m_session, user.c_str(), password.c_str()); }) != 0) {
        EndSession();
        return Fail("The user name or password was not accepted by " + host + ".");
    }
    m_sftp = Complete([&] { return libssh2_sftp_init(m_session); });
    if (!m_sftp) {
        EndSession();
        return Fail("The server " + host + " offers no SFTP.");
    }
    char folder[kPathSize];
    int n = Complete([&] { return libssh2_sftp_realpath(m_sftp, ".", folder, sizeof folder - 1); });
    m_folder = n > 0 ? std::string(folder, (size_t)n) : "/";
    return Reply(kSFtpLogin);
}

bool CSFtpAgent::CheckHostKey(const std::string& host, int port) {
    size_t keyLength = 0;
    int keyType = 0;
    const char* key = libssh2_session_hostkey(m_session, &keyLength, &keyType);
    const KeyKind* kind = FindKeyKind(keyType);
    if (!key || !kind) return Fail("The host key of " + host + " cannot be read.");

    LIBSSH2_KNOWNHOSTS* hosts = libssh2_knownhost_init(m_session);
    if (!hosts) return Fail("Unable to check the host key.");
    const std::string file = KnownHostsFile();
    if (!file.empty() && access(file.c_str(), R_OK) == 0)
        libssh2_knownhost_readfile(hosts, file.c_str(), LIBSSH2_KNOWNHOST_FILE_OPENSSH);
    const int typeMask = LIBSSH2_KNOWNHOST_TYPE_PLAIN | LIBSSH2_KNOWNHOST_KEYENC_RAW;
    libssh2_knownhost* found = nullptr;
    int check = libssh2_knownhost_checkp(hosts, host.c_str(), port, key, keyLength, typeMask, &found);
    if (check == LIBSSH2_KNOWNHOST_CHECK_MATCH) {
        libssh2_knownhost_free(hosts);
        return true;
    }

    const std::string text = KnownHostName(host, port) + " " + kind->name + " " + Fingerprint(m_session);
    const uint32_t question = check == LIBSSH2_KNOWNHOST_CHECK_MISMATCH ? kSFtpChangedHostKey : kSFtpUnknownHostKey;
    uint32_t answerLength = 0;
    const unsigned char* answer = nullptr;
    int32_t decision = kSFtpKeyRefused;
    if (m_channel.Ask(question, (uint32_t)text.size() + 1, text.c_str(), answerLength, answer) && answerLength >= 4)
        memcpy(&decision, answer, 4);
    if (decision == kSFtpKeyAcceptAlways && !file.empty()) {
        if (found) libssh2_knownhost_del(hosts, found);
        const std::string name = KnownHostName(host, port);
        libssh2_knownhost_addc(hosts, name.c_str(), nullptr, key, keyLength, nullptr, 0,
                               typeMask | kind->knownHostType, nullptr);
        libssh2_knownhost_writefile(hosts, file.c_str(), LIBSSH2_KNOWNHOST_FILE_OPENSSH);
    }
    libssh2_knownhost_free(hosts);
    if (decision == kSFtpKeyAcceptAlways || decision == kSFtpKeyAcceptOnce) return true;
    return Fail("The host key of " + host + " was refused: " + text);
}

bool CSFtpAgent::CurrentFolder() { return Reply(kSFtpCurrentFolder, (uint32_t)m_folder.size(), m_folder.data()); }

bool CSFtpAgent::ChangeFolder(const std::string& path) {
    char folder[kPathSize];
    int n = Complete([&] { return libssh2_sftp_realpath(m_sftp, path.c_str(), folder, sizeof folder - 1); });
    LIBSSH2_SFTP_ATTRIBUTES attributes;
    if (n <= 0) return FailSftp("Unable to enter the folder " + path);
    std::string real(folder, (size_t)n);
    if (Complete([&] { return libssh2_sftp_stat(m_sftp, real.c_str(), &attributes); }) != 0) return FailSftp("Unable to enter the folder " + path);
    if (!(attributes.flags & LIBSSH2_SFTP_ATTR_PERMISSIONS) || !LIBSSH2_SFTP_S_ISDIR(attributes.permissions))
        return Fail("Unable to enter the folder " + path + ": not a folder");
    m_folder = real;
    return Reply(kSFtpChangeFolder);
}

bool CSFtpAgent::ListFolder(const std::string& path) {
    LIBSSH2_SFTP_HANDLE* folder = Complete([&] { return libssh2_sftp_opendir(m_sftp, path.c_str()); });
    if (!folder) return FailSftp("Unable to list " + path);
    char name[kPathSize];
    LIBSSH2_SFTP_ATTRIBUTES attributes;
    int n;
    bool posted = true;
    while (posted && (n = Complete([&] { return libssh2_sftp_readdir(folder, name, sizeof name - 1, &attributes); })) > 0) {
        std::string entry(name, (size_t)n);
        if (entry == "." || entry == "..") continue;
        bool isFolder = (attributes.flags & LIBSSH2_SFTP_ATTR_PERMISSIONS) && LIBSSH2_SFTP_S_ISDIR(attributes.permissions);
        std::string line = isFolder ? "+/," : "+r,";
        if (!isFolder && (attributes.flags & LIBSSH2_SFTP_ATTR_SIZE)) AppendFact(line, 's', attributes.filesize);
        if (attributes.flags & LIBSSH2_SFTP_ATTR_ACMODTIME) AppendFact(line, 'm', attributes.mtime);
        line.append(1, '\t').append(entry);
        if (line.size() > kSFtpMaxListLine) continue;  // a name the listing cannot carry
        posted = Reply(kSFtpListFolder, (uint32_t)line.size(), line.data());
    }
    Complete([&] { return libssh2_sftp_closedir(folder); });
    if (!posted) return false;
    if (n < 0) return FailSftp("Unable to list " + path);
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
    if (m_file) Complete([&] { return libssh2_sftp_close(m_file); });
    unsigned long flags = code == kSFtpOpenRead ? LIBSSH2_FXF_READ
                                                : LIBSSH2_FXF_WRITE | LIBSSH2_FXF_CREAT | (start ? 0 : LIBSSH2_FXF_TRUNC);
    m_file = Complete([&] { return libssh2_sftp_open(m_sftp, path.c_str(), flags, 0644); });
    if (!m_file) return FailSftp("Unable to open " + path);
    libssh2_sftp_seek64(m_file, (libssh2_uint64_t)start);
    m_writing = code == kSFtpOpenWrite;
    m_bufferStart = m_bufferEnd = 0;
    return Reply(code);
}

bool CSFtpAgent::ReadFile(uint32_t length, const unsigned char* data) {
    if (!m_file || m_writing || length < 4) return Fail("No file is open for reading.");
    uint32_t wanted = std::min(ReadU32(data), kSFtpMaxTransfer);
    char buffer[kSFtpMaxTransfer];
    uint32_t got = 0;
    while (got < wanted) {
        if (m_bufferStart == m_bufferEnd) {
            // Large reads let the session ask for several pieces at once.
            ssize_t n = Complete([&] { return libssh2_sftp_read(m_file, m_buffer.data(), m_buffer.size()); });
            if (n < 0) return FailSftp("Unable to read the file");
            if (n == 0) break;
            m_bufferStart = 0;
            m_bufferEnd = (size_t)n;
        }
        size_t piece = std::min<size_t>(wanted - got, m_bufferEnd - m_bufferStart);
        memcpy(buffer + got, m_buffer.data() + m_bufferStart, piece);
        m_bufferStart += piece;
        got += (uint32_t)piece;
    }
    return Reply(kSFtpRead, got, buffer);
}

bool CSFtpAgent::WriteFile(uint32_t length, const unsigned char* data) {
    if (!m_file || !m_writing || length > kSFtpMaxTransfer) return Fail("No file is open for writing.");
    // The request's data live in the channel, which the session's traffic
    // overwrites while the gathered writes go out.
    char piece[kSFtpMaxTransfer];
    memcpy(piece, data, length);
    if (m_bufferEnd + length > m_buffer.size() && !FlushWrites()) return false;
    memcpy(m_buffer.data() + m_bufferEnd, piece, length);
    m_bufferEnd += length;
    // The empty piece that ends a write sends what is gathered.
    if (length == 0 && !FlushWrites()) return false;
    return Reply(kSFtpWrite, 4, &length);
}

bool CSFtpAgent::FlushWrites() {
    size_t written = 0;
    while (written < m_bufferEnd) {
        ssize_t n = Complete([&] { return libssh2_sftp_write(m_file, m_buffer.data() + written, m_bufferEnd - written); });
        if (n <= 0) {
            m_bufferEnd = 0;
            return FailSftp("Unable to write the file");
        }
        written += (size_t)n;
    }
    m_bufferEnd = 0;
    return true;
}

bool CSFtpAgent::CloseFile() {
    bool flushed = !m_file || !m_writing || FlushWrites();
    int result = m_file ? Complete([&] { return libssh2_sftp_close(m_file); }) : 0;
    m_file = nullptr;
    if (!flushed) return false;
    if (result != 0) return FailSftp("Unable to close the file");
    return Reply(kSFtpCloseFile);
}

bool CSFtpAgent::Rename(uint32_t length, const unsigned char* data) {
    std::string from, to;
    uint32_t offset = 0;
    if (!ReadText(data, length, offset, from) || !ReadText(data, length, offset, to)) return Fail("Bad rename request.");
    from = Resolve(from);
    to = Resolve(to);
    if (Complete([&] { return libssh2_sftp_rename(m_sftp, from.c_str(), to.c_str()); }) != 0) return FailSftp("Unable to rename " + from);
    return Reply(kSFtpRename);
}
