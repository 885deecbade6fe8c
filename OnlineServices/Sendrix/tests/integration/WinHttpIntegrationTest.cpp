#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "OnlineServices/Sendrix/WinHttpFile.h"
#include "OnlineServices/Sendrix/tests/support/LogEvents.h"
#include "testing/CertFactory.h"
#include "testing/Online/LighttpdServer.h"
#include "testing/Online/SocketTesting.h"
#include "testing/Installed.h"
#include "testing/RecordingLog.h"
#include "testing/TempFolder.h"
#include "utility/LibraryLog.h"

namespace {

// lighttpd on loopback serving a file over HTTP and HTTPS (with a
// certificate of the test authority).
class WinHttpIntegrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"http_proxy", "https_proxy", "all_proxy", "HTTPS_PROXY", "ALL_PROXY"}) unsetenv(name);
        KVX_SKIP_OR_FAIL_UNLESS(!sendrixtest::CLighttpdServer::FindProgram().empty(), "lighttpd is not installed");
        SetLibraryLog(&m_log);
        for (int i = 0; i < 3 * 1024 * 1024 + 17; ++i) m_content += (char)(i * 13 % 256);
        std::filesystem::create_directory(m_folder.Sub("www"));
        m_folder.WriteFile("www/data.bin", m_content);
        kvxtest::TestCertificate server = Factory().Leaf();
        ASSERT_TRUE(m_server.Start(m_folder.Sub("www"), m_folder.WriteFile("server.pem", server.chainPem),
                                   m_folder.WriteFile("server.key", server.keyPem), m_folder.Path()))
            << m_server.Error();
    }
    void TearDown() override {
        SetLibraryLog(nullptr);
        CWinHttpFile::SetCertificateAuthorityFile("");
    }

    static const kvxtest::CertFactory& Factory() { return kvxtest::CertFactory::Shared(); }

    std::wstring Url(const std::string& scheme, int port, const std::string& path) const {
        return kvxtest::Widen(scheme + "://127.0.0.1:" + std::to_string(port) + path);
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
    sendrixtest::CLighttpdServer m_server;
    std::string m_content;
};

TEST_F(WinHttpIntegrationTest, DownloadsOverHttpAndLogsAMissingFile) {
    std::string body;
    ASSERT_EQ(Download(Url("http", m_server.Port(), "/data.bin"), body), 0);
    EXPECT_TRUE(body == m_content) << body.size() << " bytes";
    EXPECT_TRUE(LoggedTexts().empty());

    std::wstring missing = Url("http", m_server.Port(), "/nothing.bin");
    EXPECT_EQ(Download(missing, body), -1);
    EXPECT_EQ(LoggedTexts(), std::vector<std::wstring>{L"Failed to open file (" + missing + L"). HTTP error: 404"});
}

TEST_F(WinHttpIntegrationTest, DownloadsOverHttpsFromATrustedServerOnly) {
    std::wstring url = Url("https", m_server.TlsPort(), "/data.bin");
    std::string body;
    // The test authority is in no store of the system.
    EXPECT_EQ(Download(url, body), -1);
    EXPECT_EQ(LoggedTexts().size(), 2u);
    EXPECT_EQ(LoggedTexts()[0].rfind(L"Failed to get internet session. System error: (60) ", 0), 0u);

    CWinHttpFile::SetCertificateAuthorityFile(m_folder.WriteFile("authority.pem", Factory().CaPem()));
    ASSERT_EQ(Download(url, body), 0);
    EXPECT_TRUE(body == m_content) << body.size() << " bytes";
}

} // namespace
