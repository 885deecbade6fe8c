// FakeSFtpAgent: an agent program for the SFTP tests. It speaks the agent's
// side of the channel (CSFtpAgentChannel) and serves requests from the
// local file system, so tests see every request and can make the agent
// misbehave. The environment chooses:
//   KVX_FAKE_SFTP_MODE    serve (default): serve requests;
//                         silent: never become ready;
//                         exit: end after taking the first request;
//                         greedy: answer the first request by asking to
//                           receive 20,477 bytes;
//                         hostkey: ask about an unknown host key at login;
//                         socket: at login send "ping" through the library
//                           and reply with what came back;
//                         long: reply to the current-folder request with
//                           1,000 bytes;
//                         huge: reply to it with a folder longer than a
//                           message holds
//   KVX_FAKE_SFTP_RECORD  a file that gets one line per request:
//                         "<code> <length> <hex of the data>", and "0 0 "
//                         when the agent ends because the library ended

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "External/SFtp/SFtpAgentChannel.h"

namespace {

std::string Mode() {
    const char* mode = getenv("KVX_FAKE_SFTP_MODE");
    return mode ? mode : "serve";
}

void Record(uint32_t code, uint32_t length, const unsigned char* data) {
    const char* path = getenv("KVX_FAKE_SFTP_RECORD");
    if (!path) return;
    std::string line = std::to_string(code) + " " + std::to_string(length) + " ";
    static const char kHex[] = "0123456789abcdef";
    for (uint32_t i = 0; i < length; ++i) {
        line += kHex[data[i] >> 4];
        line += kHex[data[i] & 15];
    }
    line += "\n";
    FILE* file = fopen(path, "ae");
    if (!file) return;
    fputs(line.c_str(), file);
    fclose(file);
}

class FakeAgent {
public:
    explicit FakeAgent(CSFtpAgentChannel& channel) : m_channel(channel) {}

    void Serve(uint32_t code, uint32_t length, const unsigned char* data) {
        const char* path = reinterpret_cast<const char*>(data);
        switch (code) {
        case 1: Login(); break;
        case 4: CurrentFolder(); break;
        case 5: Result(code, chdir(path) == 0, "no such folder"); break;
        case 6: List(path); break;
        case 7: Result(code, mkdir(path, 0755) == 0, std::string("mkdir failed: ") + strerror(errno)); break;
        case 8:
        case 9: Open(code, length, data); break;
        case 10: Result(code, unlink(path) == 0, "delete failed"); break;
        case 11: Result(code, rmdir(path) == 0, "rmdir failed"); break;
        case 12: Result(code, rename(path, path + strlen(path) + 1) == 0, "rename failed"); break;
        case 16: Read(data); break;
        case 17: Write(length, data); break;
        case 18:
            if (m_fd >= 0) close(m_fd);
            m_fd = -1;
            m_channel.Post(code, 0, nullptr);
            break;
        default: m_channel.PostText(19, "unknown request"); break;
        }
    }

private:
    void Result(uint32_t code, bool ok, const std::string& error) {
        if (ok) m_channel.Post(code, 0, nullptr);
        else m_channel.PostText(19, error);
    }

    void Login() {
        const std::string mode = Mode();
        uint32_t answerLength = 0;
        const unsigned char* answer = nullptr;
        if (mode == "hostkey") {
            const char text[] = "127.0.0.1 ssh-ed25519 SHA256:fake";
            int32_t decision = -2;
            if (m_channel.Ask(13, sizeof text, text, answerLength, answer) && answerLength == 4)
                memcpy(&decision, answer, 4);
            Record(13, 4, reinterpret_cast<const unsigned char*>(&decision));
            if (decision == 0 || decision == 1) m_channel.Post(1, 0, nullptr);
            else m_channel.PostText(19, "host key refused");
            return;
        }
        if (mode == "socket") {
            uint32_t wanted = 100;
            if (!m_channel.Ask(3, 4, "ping", answerLength, answer) ||
                !m_channel.Ask(2, 4, &wanted, answerLength, answer)) {
                m_channel.PostText(19, "socket failed");
                return;
            }
            m_channel.Post(1, answerLength, answer);
            return;
        }
        m_channel.PostText(20, "fake agent logged in");
        m_channel.Post(1, 0, nullptr);
    }

    void CurrentFolder() {
        std::string folder = Mode() == "long"   ? std::string(1000, 'x')
                             : Mode() == "huge" ? "/" + std::string(kSFtpDataSize, 'x')
                                                : getcwd(m_path, sizeof m_path);
        m_channel.Post(4, (uint32_t)folder.size(), folder.data());
    }

    void List(const char* path) {
        DIR* folder = opendir(path);
        if (!folder) {
            m_channel.PostText(19, "no such folder");
            return;
        }
        while (dirent* entry = readdir(folder)) {
            std::string name = entry->d_name;
            if (name == "." || name == "..") continue;
            struct stat status;
            if (stat((std::string(path) + "/" + name).c_str(), &status) != 0) continue;
            std::string line = S_ISDIR(status.st_mode) ? "+/," : "+r,";
            if (!S_ISDIR(status.st_mode)) line.append("s").append(std::to_string(status.st_size)).append(",");
            line.append("m").append(std::to_string(status.st_mtime)).append(",\t").append(name);
            m_channel.Post(6, (uint32_t)line.size(), line.data());
        }
        closedir(folder);
        m_channel.Post(6, 0, nullptr);
    }

    void Open(uint32_t code, uint32_t length, const unsigned char* data) {
        const char* path = reinterpret_cast<const char*>(data);
        int64_t start = 0;
        size_t at = strlen(path) + 1;
        if (at + 8 <= length) memcpy(&start, data + at, 8);
        if (m_fd >= 0) close(m_fd);
        m_fd = code == 8 ? open(path, O_RDONLY | O_CLOEXEC)
                         : open(path, O_WRONLY | O_CREAT | O_CLOEXEC | (start ? 0 : O_TRUNC), 0644);
        if (m_fd >= 0) lseek(m_fd, (off_t)start, SEEK_SET);
        m_reads = 0;
        Result(code, m_fd >= 0, "open failed");
    }

    void Read(const unsigned char* data) {
        uint32_t wanted;
        memcpy(&wanted, data, 4);
        char buffer[4096];
        ssize_t n = m_fd >= 0 && wanted <= sizeof buffer ? read(m_fd, buffer, wanted) : -1;
        // "failread": the second read after each open fails.
        if (++m_reads == 2 && Mode() == "failread") n = -1;
        if (n < 0) m_channel.PostText(19, "read failed");
        else m_channel.Post(16, (uint32_t)n, buffer);
    }

    void Write(uint32_t length, const unsigned char* data) {
        ssize_t n = m_fd >= 0 ? write(m_fd, data, length) : -1;
        uint32_t written = n > 0 ? (uint32_t)n : 0;
        if (n < 0) m_channel.PostText(19, "write failed");
        else m_channel.Post(17, 4, &written);
    }

    CSFtpAgentChannel& m_channel;
    int m_fd = -1;
    int m_reads = 0;  // reads since the file was opened
    char m_path[4096] = {};
};

} // namespace

int main(int argc, char** argv) {
    CSFtpAgentChannel channel;
    if (!channel.Open(argc, argv)) return 2;
    const std::string mode = Mode();
    if (mode == "silent") {
        // Never ready; ends with the library (or after a minute).
        uint32_t code, length;
        const unsigned char* data;
        alarm(60);
        channel.WaitRequest(code, length, data);
        return 0;
    }
    if (!channel.SignalReady()) return 3;
    FakeAgent agent(channel);
    uint32_t code = 0, length = 0;
    const unsigned char* data = nullptr;
    while (channel.WaitRequest(code, length, data)) {
        Record(code, length, data);
        if (mode == "exit") _exit(0);
        if (mode == "greedy") {
            uint32_t wanted = kSFtpMaxReceive + 1, answerLength = 0;
            const unsigned char* answer = nullptr;
            channel.Ask(2, 4, &wanted, answerLength, answer);
            continue;
        }
        agent.Serve(code, length, data);
    }
    // The library has ended: a line with code 0 says the agent noticed.
    Record(0, 0, nullptr);
    return 0;
}
