#include "testing/LoopbackHttpServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace kvxtest {

namespace {

constexpr int kReadTimeoutMs = 5000;

const char* Reason(int status) {
    switch (status) {
    case 200: return "OK";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
    }
}

bool WaitReadable(int fd, int timeoutMs) {
    pollfd p = {fd, POLLIN, 0};
    return poll(&p, 1, timeoutMs) > 0;
}

} // namespace

LoopbackHttpServer::~LoopbackHttpServer() {
    if (m_wake[1] >= 0) {
        char byte = 0;
        (void)!write(m_wake[1], &byte, 1);
    }
    if (m_thread.joinable()) m_thread.join();
    for (int fd : {m_listen, m_wake[0], m_wake[1]})
        if (fd >= 0) close(fd);
}

void LoopbackHttpServer::Serve(const std::string& path, int status, const std::string& body,
                               const std::string& contentType) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_pages[path] = Page{status, body, contentType};
}

void LoopbackHttpServer::Start() {
    m_listen = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    if (m_listen < 0 || bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        listen(m_listen, 8) != 0 || getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        pipe2(m_wake, O_CLOEXEC) != 0)
        throw std::runtime_error("the loopback HTTP server cannot listen");
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { Run(); });
}

std::string LoopbackHttpServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

std::vector<std::string> LoopbackHttpServer::RequestedPaths() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requested;
}

void LoopbackHttpServer::Run() {
    for (;;) {
        pollfd fds[2] = {{m_listen, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) return;
        if (fds[1].revents) return;
        int connection = accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0) continue;
        Answer(connection);
        close(connection);
    }
}

void LoopbackHttpServer::Answer(int connection) {
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
        if (!WaitReadable(connection, kReadTimeoutMs)) return;
        ssize_t n = read(connection, buffer, sizeof(buffer));
        if (n <= 0) return;
        request.append(buffer, size_t(n));
    }
    // "GET <path> HTTP/1.x"
    size_t start = request.find(' ');
    size_t end = start == std::string::npos ? start : request.find(' ', start + 1);
    std::string path = end == std::string::npos ? std::string() : request.substr(start + 1, end - start - 1);
    Page page{404, "<p>not found</p>", "text/html"};
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_requested.push_back(path);
        auto found = m_pages.find(path);
        if (found != m_pages.end()) page = found->second;
    }
    std::string reply = "HTTP/1.0 " + std::to_string(page.status) + " " + Reason(page.status) +
                        "\r\nContent-Type: " + page.contentType +
                        "\r\nContent-Length: " + std::to_string(page.body.size()) + "\r\nConnection: close\r\n\r\n" +
                        page.body;
    size_t done = 0;
    while (done < reply.size()) {
        ssize_t n = write(connection, reply.data() + done, reply.size() - done);
        if (n <= 0) return;
        done += size_t(n);
    }
    // Let the client read everything, then wait for its close.
    shutdown(connection, SHUT_WR);
    while (WaitReadable(connection, kReadTimeoutMs) && read(connection, buffer, sizeof(buffer)) > 0) {
    }
}

} // namespace kvxtest
