#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "OnlineServices/Sendrix/WinHttpFile.h"
#include "OnlineServices/Sendrix/tests/integration/LoopbackDaemon.h"
#include "OnlineServices/Sendrix/tests/support/LogEvents.h"
#include "OnlineServices/Sendrix/tests/support/SocketTesting.h"
#include "testing/RecordingLog.h"
#include "testing/TempFolder.h"
#include "utility/LibraryLog.h"
#include "utility/Posix/ProcessStart.h"

namespace {

// lighttpd on loopback serving the folder "www" of the test's folder.
class WinHttpIntegrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"http_proxy", "https_proxy", "all_proxy", "HTTPS_PROXY", "ALL_PROXY"}) unsetenv(name);
        SetLibraryLog(&m_log);
        m_port = sendrixtest::FreeLoopbackPort();
        for (int i = 0; i < 3 * 1024 * 1024 + 17; ++i) m_content += (char)(i * 13 % 256);
        m_folder.WriteFile("www/data.bin", m_content);
    }
    void TearDown() override {
        SetLibraryLog(nullptr);
        CWinHttpFile::SetCertificateAuthorityFile("");
    }

    // Starts lighttpd with the further configuration lines.
    void StartServer(const std::string& extra) {
        std::string program = FindProgramOnPath("lighttpd");
        if (program.empty()) GTEST_SKIP() << "lighttpd is not installed";
        std::string config = m_folder.WriteFile(
            "lighttpd.conf", "server.document-root = \"" + m_folder.Sub("www") + "\"\nserver.port = " +
                                 std::to_string(m_port) + "\nserver.bind = \"127.0.0.1\"\nserver.errorlog = \"" +
                                 m_folder.Sub("error.log") + "\"\n" + extra);
        ASSERT_TRUE(m_server.Start(program, {"lighttpd", "-D", "-f", config}, m_port)) << m_server.Error();
    }

    std::wstring Url(const std::string& scheme, const std::string& path) const {
        return kvxtest::Widen(scheme + "://127.0.0.1:" + std::to_string(m_port) + path);
    }

    // Downloads url in pieces of 64 KiB: the open's result and the bytes.
    int Download(const std::wstring& url, std::string& body) {
        CWinHttpFile file;
        int result = file.Open(url.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0);
        if (result != 0) return result;
        std::string piece(64 * 1024, '\0');
        DWORD done = 0;
        do {
            if (file.Read(piece.data(), (DWORD)piece.size(), &done) != 0) return -2;
            body.append(piece.data(), done);
        } while (done == piece.size());
        return 0;
    }

    std::vector<std::wstring> LoggedTexts() const { return sendrixtest::FormattedTexts(m_log); }

    kvxtest::RecordingLog m_log;
    kvxtest::TempFolder m_folder;
    sendrixtest::CLoopbackDaemon m_server;
    std::string m_content;
    int m_port = 0;
};

TEST_F(WinHttpIntegrationTest, DownloadsOverHttpAndLogsAMissingFile) {
    StartServer("");
    std::string body;
    ASSERT_EQ(Download(Url("http", "/data.bin"), body), 0);
    EXPECT_TRUE(body == m_content) << body.size() << " bytes";
    EXPECT_TRUE(LoggedTexts().empty());

    std::wstring missing = Url("http", "/nothing.bin");
    EXPECT_EQ(Download(missing, body), -1);
    EXPECT_EQ(LoggedTexts(), std::vector<std::wstring>{L"Failed to open file (" + missing + L"). HTTP error: 404"});
}

} // namespace
