#include "OnlineServices/Sendrix/WinHttpFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "OnlineServices/Sendrix/tests/support/LogEvents.h"
#include "testing/Online/SocketTesting.h"
#include "testing/RecordingLog.h"
#include "testing/ScriptedPeer.h"
#include "testing/TempFolder.h"
#include "utility/LibraryLog.h"

namespace {

using kvxtest::ScriptedPeer;

std::wstring PeerUrl(const ScriptedPeer& peer, const std::string& path) {
    return L"http://127.0.0.1:" + std::to_wstring(peer.Port()) + kvxtest::Widen(path);
}

class WinHttpFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"http_proxy", "https_proxy", "all_proxy", "HTTPS_PROXY", "ALL_PROXY"}) unsetenv(name);
        SetLibraryLog(&m_log);
    }
    void TearDown() override { SetLibraryLog(nullptr); }

    // A GET request of the file for path, which the peer checks line by
    // line (the host line holds the peer's port).
    static ScriptedPeer& ExpectRequest(ScriptedPeer& peer, const std::string& path) {
        return peer.ExpectLine("GET " + path + " HTTP/1.1")
            .SkipLine()
            .ExpectLine("User-Agent: KVX/Version")
            .ExpectLine("Accept: audio/x-aiff, audio/basic, audio/midi, audio/mpeg, audio/wav, image/jpeg, "
                        "image/gif, image/jpg, image/png, image/mng, image/bmp, text/plain, text/html, text/htm")
            .ExpectLine("");
    }

    std::vector<std::wstring> LoggedTexts() const { return sendrixtest::FormattedTexts(m_log); }

    kvxtest::RecordingLog m_log;
};

TEST_F(WinHttpFileTest, RequestUrlUsesTlsForHttpsAndForPort443) {
    const std::pair<const wchar_t*, std::string> rows[] = {
        {L"https://host/x", "https://host:443/x"},
        {L"http://host:443/x", "https://host:443/x"},
        {L"http://host/a/b?x=1:2", "http://host:80/a/b?x=1:2"},
        {L"https://host:8443", "https://host:8443/"},
        {L"host:8080/x", "http://host:8080/x"},
    };
    for (const auto& [url, expected] : rows) EXPECT_EQ(CWinHttpFile::RequestUrl(url), expected) << kvxtest::Narrow(url);
}

TEST_F(WinHttpFileTest, OpeningForWritingIsRefusedWithoutTraffic) {
    ScriptedPeer peer;
    peer.SetStepTimeout(300);
    peer.Start();
    CWinHttpFile file;
    EXPECT_EQ(file.Open(PeerUrl(peer, "/x").c_str(), GENERIC_WRITE, 0, OPEN_EXISTING, 0), -1);
    EXPECT_EQ(file.Open(nullptr, GENERIC_READ, 0, OPEN_EXISTING, 0), -1);
    EXPECT_EQ(file.IsOpen(), 0);
    EXPECT_EQ(sendrixtest::AssertionCount(m_log), 2);
    EXPECT_FALSE(peer.Finish());
    EXPECT_EQ(peer.Error(), "no connection");
}

TEST_F(WinHttpFileTest, ReadsTheBodyAndCountsThePosition) {
    std::string body;
    for (int i = 0; i < 10000; ++i) body += (char)('a' + i % 26);
    ScriptedPeer peer;
    ExpectRequest(peer, "/data.bin")
        .Send("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 10000\r\n\r\n" + body.substr(0, 3000))
        .Delay(50)
        .Send(body.substr(3000))
        .Close();
    peer.Start();
    CWinHttpFile file;
    ASSERT_EQ(file.Open(PeerUrl(peer, "/data.bin").c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0), 0);
    ULONGLONG size = 0;
    EXPECT_EQ(file.GetSize(&size), 1);
    EXPECT_EQ(size, 10000u);
    std::string received(12000, '\0');
    DWORD done = 0;
    ASSERT_EQ(file.Read(received.data(), 4096, &done), 0);
    EXPECT_EQ(done, 4096u);
    DWORD more = 0;
    ASSERT_EQ(file.Read(received.data() + done, 8000, &more), 0);
    EXPECT_EQ(more, 10000u - 4096u);  // the body ended
    received.resize(done + more);
    EXPECT_EQ(received, body);
    ULONGLONG position = 0;
    EXPECT_EQ(file.GetPosition(&position), 1);
    EXPECT_EQ(position, 10000u);
    EXPECT_EQ(file.Read(received.data(), 100, &done), 0);
    EXPECT_EQ(done, 0u);
    EXPECT_EQ(file.Close(), 1);
    EXPECT_EQ(file.GetPosition(&position), 0);
    EXPECT_EQ(position, 0u);
    EXPECT_TRUE(peer.Finish()) << peer.Error();
    EXPECT_TRUE(LoggedTexts().empty());
}

TEST_F(WinHttpFileTest, AnotherStatusIsLoggedAndTheRequestStaysUntilClose) {
    ScriptedPeer peer;
    ExpectRequest(peer, "/missing").Send("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n");
    peer.Start();
    std::wstring url = PeerUrl(peer, "/missing");
    CWinHttpFile file;
    EXPECT_EQ(file.Open(url.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0), -1);
    EXPECT_EQ(file.IsOpen(), 1);
    EXPECT_EQ(LoggedTexts(), std::vector<std::wstring>{L"Failed to open file (" + url + L"). HTTP error: 404"});
    EXPECT_EQ(file.GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
    file.Close();
    EXPECT_EQ(file.IsOpen(), 0);
    EXPECT_TRUE(peer.Finish()) << peer.Error();
}

TEST_F(WinHttpFileTest, AnUnreachableServerIsTriedTwiceAndLogged) {
    std::wstring url = L"http://127.0.0.1:" + std::to_wstring(sendrixtest::FreeLoopbackPort()) + L"/x";
    CWinHttpFile file;
    EXPECT_EQ(file.Open(url.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0), -1);
    EXPECT_EQ(file.GetLastError(), (DWORD)CURLE_COULDNT_CONNECT);
    EXPECT_EQ(LoggedTexts(), (std::vector<std::wstring>{
                                 L"Failed to get internet session. System error: (7) Couldn't connect to server",
                                 L"Failed to open file (" + url + L"). HTTP error: 0"}));
}

TEST_F(WinHttpFileTest, ABrokenBodyFailsTheRead) {
    ScriptedPeer peer;
    ExpectRequest(peer, "/cut").Send("HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\nonly this").Close();
    peer.Start();
    CWinHttpFile file;
    ASSERT_EQ(file.Open(PeerUrl(peer, "/cut").c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0), 0);
    char buffer[6000];
    DWORD done = 0;
    EXPECT_EQ(file.Read(buffer, sizeof buffer, &done), 0);
    EXPECT_EQ(std::string(buffer, done), "only this");
    EXPECT_EQ(file.Read(buffer, sizeof buffer, &done), -1);
    EXPECT_EQ(file.GetLastError(), (DWORD)CURLE_PARTIAL_FILE);
    ASSERT_EQ(LoggedTexts().size(), 1u);
    EXPECT_EQ(LoggedTexts()[0].rfind(L"Failed to read from file. System error: (18) ", 0), 0u);
    EXPECT_TRUE(peer.Finish()) << peer.Error();
}

} // namespace
