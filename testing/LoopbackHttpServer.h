#pragma once
// A small HTTP server for tests on 127.0.0.1 (ephemeral port): answers
// every GET with the page set for its path (404 for any other path), one
// connection after the other, until it is destroyed. Records the paths
// asked for.
//
//   kvxtest::LoopbackHttpServer server;
//   server.Serve("/ok", 200, "<p>hello</p>");
//   server.Start();
//   ... fetch server.Url("/ok") ...

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kvxtest {

class LoopbackHttpServer {
public:
    LoopbackHttpServer() = default;
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    void Serve(const std::string& path, int status, const std::string& body,
               const std::string& contentType = "text/html; charset=utf-8");
    // Binds the port and starts answering.
    void Start();
    int Port() const { return m_port; }
    std::string Url(const std::string& path) const;
    std::vector<std::string> RequestedPaths() const;

private:
    struct Page {
        int status;
        std::string body;
        std::string contentType;
    };
    void Run();
    void Answer(int connection);

    mutable std::mutex m_mutex;
    std::map<std::string, Page> m_pages;
    std::vector<std::string> m_requested;
    int m_listen = -1;
    int m_wake[2] = {-1, -1};
    int m_port = 0;
    std::thread m_thread;
};

} // namespace kvxtest
