#include <gtest/gtest.h>

#include <openssl/evp.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "testing/CertFactory.h"
#include "testing/Online/LighttpdServer.h"
#include "testing/Online/LoopbackDaemon.h"
#include "testing/Online/SocketTesting.h"
#include "testing/Installed.h"
#include "testing/ScriptedPeer.h"
#include "testing/TempFolder.h"
#include "utility/Posix/Handle.h"
#include "utility/Posix/ProcessHandle.h"
#include "utility/Posix/ProcessStart.h"

namespace {

const char* const kProxyVariables[] = {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"};
constexpr size_t kBodySize = 10u << 20;

std::string Sha256Hex(const std::string& bytes) {
    unsigned char hash[EVP_MAX_MD_SIZE];
    unsigned length = 0;
    EVP_Digest(bytes.data(), bytes.size(), hash, &length, EVP_sha256(), nullptr);
    std::string hex;
    char digits[3];
    for (unsigned i = 0; i < length; ++i) {
        snprintf(digits, sizeof digits, "%02x", hash[i]);
        hex += digits;
    }
    return hex;
}

// lighttpd on loopback serving a 10 MiB file over HTTP and over HTTPS (with
// a certificate of the test authority); the download program and the
// library copied into a folder of the test's own with the authority as
// "ClientCert.pem".
class HttpDownloadTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : kProxyVariables) unsetenv(name);
        KVX_SKIP_OR_FAIL_UNLESS(!sendrixtest::CLighttpdServer::FindProgram().empty(), "lighttpd is not installed");

        std::string body(kBodySize, '\0');
        std::mt19937 random(9);
        for (char& c : body) c = (char)random();
        m_expected = Sha256Hex(body) + " " + std::to_string(body.size()) + "\n";
        std::filesystem::create_directory(m_folder.Sub("www"));
        m_folder.WriteFile("www/data.bin", body);

        const kvxtest::CertFactory& factory = kvxtest::CertFactory::Shared();
        kvxtest::TestCertificate server = factory.Leaf();
        ASSERT_TRUE(m_server.Start(m_folder.Sub("www"), m_folder.WriteFile("server.pem", server.chainPem),
                                   m_folder.WriteFile("server.key", server.keyPem), m_folder.Path()))
            << m_server.Error();

        std::filesystem::create_directory(m_folder.Sub("app"));
        std::filesystem::copy_file(KVX_SENDRIX_FETCH, m_folder.Sub("app/sendrix_fetch"));
        std::filesystem::copy_file(KVX_SENDRIX_LIBRARY, m_folder.Sub("app/libSendrix.so"));
        m_folder.WriteFile("app/ClientCert.pem", factory.CaPem());
    }
    void TearDown() override {
        for (const char* name : kProxyVariables) unsetenv(name);
    }

    // Runs the download program on url: its exit code; result gets what it
    // wrote.
    int Fetch(const std::string& url, std::string& result) {
        std::string resultFile = m_folder.Sub("result.txt");
        std::remove(resultFile.c_str());
        HANDLE process = StartProcess(m_folder.Sub("app/sendrix_fetch"), {"sendrix_fetch", url, resultFile}, "");
        if (!process) return -1;
        DWORD code = 99;
        if (WaitForSingleObject(process, 60000) == WAIT_OBJECT_0) GetExitCodeProcess(process, &code);
        else TerminateProcess(process, 98);
        CloseHandle(process);
        result = kvxtest::TempFolder::ReadFile(resultFile);
        return (int)code;
    }

    std::string Url(bool tls) const {
        return std::string(tls ? "https" : "http") + "://127.0.0.1:" +
               std::to_string(tls ? m_server.TlsPort() : m_server.Port()) + "/data.bin";
    }

    kvxtest::TempFolder m_folder;
    sendrixtest::CLighttpdServer m_server;
    std::string m_expected;
};

TEST_F(HttpDownloadTest, DownloadsTenMebibytesOverHttpAndHttps) {
    for (bool tls : {false, true}) {
        SCOPED_TRACE(Url(tls));
        std::string result;
        EXPECT_EQ(Fetch(Url(tls), result), 0);
        EXPECT_EQ(result, m_expected);
    }
}

TEST_F(HttpDownloadTest, DownloadsThroughTheProxyOfTheEnvironment) {
    std::string tinyproxy = FindProgramOnPath("tinyproxy");
    KVX_SKIP_OR_FAIL_UNLESS(!tinyproxy.empty(), "tinyproxy is not installed");
    int proxyPort = sendrixtest::FreeLoopbackPort();
    // The usual rule of proxies: tunnels only to the TLS port, so a plain
    // http request must be handed over for forwarding.
    std::string config = m_folder.WriteFile(
        "tinyproxy.conf", "Port " + std::to_string(proxyPort) +
                              "\nListen 127.0.0.1\nAllow 127.0.0.1\nTimeout 30\nMaxClients 4\nLogLevel Info\n"
                              "ConnectPort " + std::to_string(m_server.TlsPort()) + "\n"
                              "LogFile \"" + m_folder.Sub("tinyproxy.log") + "\"\n");
    sendrixtest::CLoopbackDaemon proxy;
    ASSERT_TRUE(proxy.Start(tinyproxy, {"tinyproxy", "-d", "-c", config}, proxyPort)) << proxy.Error();
    setenv("http_proxy", ("http://127.0.0.1:" + std::to_string(proxyPort) + "/").c_str(), 1);
    for (bool tls : {false, true}) {
        SCOPED_TRACE(Url(tls));
        std::string result;
        EXPECT_EQ(Fetch(Url(tls), result), 0);
        EXPECT_EQ(result, m_expected);
    }
    // The requests went through the proxy.
    std::string log = kvxtest::TempFolder::ReadFile(m_folder.Sub("tinyproxy.log"));
    EXPECT_NE(log.find("CONNECT"), std::string::npos) << log;
    EXPECT_NE(log.find("GET http://"), std::string::npos) << log;
}

TEST_F(HttpDownloadTest, AManInTheMiddleIsRefused) {
    // A server that claims the address with a certificate no authority of
    // the program signed.
    kvxtest::TestCertificate forged = kvxtest::CertFactory::Shared().SelfSigned();
    kvxtest::ScriptedPeer middle;
    middle.StartTls(forged.chainPem, forged.keyPem).Send("HTTP/1.0 200 OK\r\n\r\nforged installer").Close();
    middle.Start();
    std::string result;
    EXPECT_EQ(Fetch("https://127.0.0.1:" + std::to_string(middle.Port()) + "/data.bin", result), 1);
    EXPECT_EQ(result, "");
    middle.Finish();
}

} // namespace
