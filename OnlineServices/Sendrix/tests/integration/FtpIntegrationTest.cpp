#include <gtest/gtest.h>

#include <filesystem>

#include <openssl/sha.h>
#include <sys/stat.h>

#include <iostream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "OnlineServices/Sendrix/AbstractCertificateHandler.h"
#include "OnlineServices/Sendrix/AbstractConnection.h"
#include "OnlineServices/Sendrix/BasicSocket.h"
#include "OnlineServices/Sendrix/OnlineModule.h"
#include "OnlineServices/Sendrix/OnlineProfile.h"
#include "OnlineServices/Sendrix/SSLSocket.h"
#include "testing/CertFactory.h"
#include "testing/Online/VsftpdServer.h"
#include "testing/Installed.h"
#include "testing/RecordingLog.h"
#include "testing/TempFolder.h"
#include "utility/AbstractFile.h"
#include "utility/AbstractFileFind.h"
#include "utility/LibraryLog.h"

namespace {

constexpr size_t kFileSize = 8u << 20;
constexpr DWORD kChunk = 1u << 20;

std::string Sha256(const std::string& bytes) {
    unsigned char digest[SHA256_DIGEST_LENGTH];
    SHA256(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), digest);
    return std::string(reinterpret_cast<char*>(digest), sizeof digest);
}

std::string RandomBytes(size_t size) {
    std::mt19937_64 random(42);
    std::string bytes(size, 0);
    for (size_t i = 0; i < size; i += 8) {
        uint64_t value = random();
        for (size_t k = 0; k < 8 && i + k < size; ++k) bytes[i + k] = (char)(value >> (8 * k));
    }
    return bytes;
}

// Trusts the test server's certificate for one connection only: the data
// connections must trust it because the control connection did.
class TrustingHandler : public CAbstractCertificateHandler {
public:
    int Ask(int question, const void* record) override {
        ++asked;
        return question == kAskUntrustedCertificate ? kTrustCertificateOnce : 0;
    }
    int asked = 0;
};

// vsftpd on loopback serving the test's folder. The parameter is the
// profile's protocol: plain, implicit TLS, explicit TLS through "AUTH SSL"
// or "AUTH TLS"; with TLS the server insists on it for the login and the
// data, and on data connections that resume the control connection's
// session.
class FtpIntegrationTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        CBasicSocket::SetReceiveTimeout(30000);
        SetLibraryLog(&m_log);
        for (int code = -31; code <= 16; ++code) m_log.Define(L"ONLINE", code, L"%s");
        m_log.SetVerbose(1);
        KVX_SKIP_OR_FAIL_UNLESS(!sendrixtest::CVsftpdServer::FindProgram().empty(), "vsftpd is not installed");
        m_root = m_folder.Sub("root");
        mkdir(m_root.c_str(), 0777);
        chmod(m_root.c_str(), 0777);
        kvxtest::TestCertificate certificate = kvxtest::CertFactory::Shared().Leaf();
        const sendrixtest::CVsftpdServer::Tls kTls[] = {sendrixtest::CVsftpdServer::kNoTls,
                                                        sendrixtest::CVsftpdServer::kImplicitTls,
                                                        sendrixtest::CVsftpdServer::kExplicitTls,
                                                        sendrixtest::CVsftpdServer::kExplicitTls};
        ASSERT_TRUE(m_server.Start(m_root, m_folder.Path(), kTls[GetParam()],
                                   m_folder.WriteFile("cert.pem", certificate.chainPem),
                                   m_folder.WriteFile("key.pem", certificate.keyPem)))
            << m_server.Error();
        m_port = m_server.Port();
    }
    void TearDown() override {
        // What both ends logged, for a failure.
        if (HasFailure()) {
            for (const kvxtest::RecordedEntry& e : m_log.Entries())
                std::cerr << kvxtest::Narrow(e.category) << " " << e.code << " " << kvxtest::Narrow(e.text) << "\n";
            std::cerr << m_server.Log();
        }
        CSSLSocket::ForgetAcceptedCertificates();
        SetLibraryLog(nullptr);
        CBasicSocket::SetReceiveTimeout(20000);
    }

    CAbstractConnection* Connect(int passive) {
        COnlineProfile profile;
        profile.SetHost(L"127.0.0.1");
        profile.SetPort(m_port);
        profile.SetUserName(L"anonymous");
        profile.SetPassword(L"guest");
        profile.SetPassive(passive);
        profile.SetProtocol(GetParam());
        return m_module.CreateFtpConnection(&profile, nullptr, &m_log, &m_handler);
    }

    bool Upload(CAbstractConnection* connection, const std::wstring& path, const std::string& bytes) {
        std::unique_ptr<CAbstractFile> file(m_module.CreateFtpFile(connection, nullptr, path.c_str()));
        if (!file || file->Open(path.c_str(), GENERIC_WRITE, 0, 0, 0) < 0) return false;
        for (size_t at = 0; at < bytes.size(); at += kChunk) {
            DWORD size = (DWORD)std::min<size_t>(kChunk, bytes.size() - at), done = 0;
            if (file->Write(bytes.data() + at, size, &done) != 0 || done != size) return false;
        }
        return file->Close() == 1;
    }

    std::string Download(CAbstractConnection* connection, const std::wstring& path) {
        std::unique_ptr<CAbstractFile> file(m_module.CreateFtpFile(connection, nullptr, path.c_str()));
        std::string bytes;
        if (!file || file->Open(path.c_str(), GENERIC_READ, 0, 0, 0) < 0) return bytes;
        std::vector<char> buffer(kChunk);
        for (;;) {
            DWORD done = 0;
            if (file->Read(buffer.data(), kChunk, &done) != 0) return "read failed";
            if (done == 0) break;
            bytes.append(buffer.data(), done);
        }
        if (file->Close() != 1) return "close failed";
        return bytes;
    }

    kvxtest::RecordingLog m_log;
    kvxtest::TempFolder m_folder;
    sendrixtest::CVsftpdServer m_server;
    COnlineModule m_module;
    TrustingHandler m_handler;
    std::string m_root;
    int m_port = 0;
};

TEST_P(FtpIntegrationTest, RoundTripListingAndRemoval) {
    CAbstractConnection* connection = Connect(1);
    ASSERT_NE(connection, nullptr);
    std::wstring root = kvxtest::Widen(m_root);
    std::wstring top = root + L"/up";
    std::unique_ptr<CAbstractFile> folders(m_module.CreateFtpFile(connection, nullptr, nullptr));
    EXPECT_EQ(folders->CreateFolder(top.c_str()), 2);
    EXPECT_EQ(folders->CreateFolder((top + L"/sub").c_str()), 2);
    EXPECT_EQ(folders->CreateFolder((top + L"/sub").c_str()), 1);
    EXPECT_EQ(folders->CreateFolder((top + L"/deep/er/still").c_str()), 2);
    EXPECT_TRUE(std::filesystem::is_directory(m_root + "/up/deep/er/still"));
    EXPECT_EQ(folders->RemoveFolder((top + L"/deep").c_str()), 1);

    std::string bytes = RandomBytes(kFileSize);
    ASSERT_TRUE(Upload(connection, top + L"/big.bin", bytes));
    ASSERT_TRUE(Upload(connection, top + L"/sub/track9.txt", "nine"));
    ASSERT_TRUE(Upload(connection, top + L"/sub/track10.txt", "ten"));
    EXPECT_EQ(Sha256(kvxtest::TempFolder::ReadFile(m_root + "/up/big.bin")), Sha256(bytes));
    EXPECT_EQ(Sha256(Download(connection, top + L"/big.bin")), Sha256(bytes));

    // Active data connections: the server connects back.
    CAbstractConnection* active = Connect(0);
    ASSERT_NE(active, nullptr);
    EXPECT_EQ(Sha256(Download(active, top + L"/big.bin")), Sha256(bytes));
    m_module.DeleteFtpConnection(active);

    CAbstractFileFind* find = m_module.CreateFtpFileFind(connection);
    ASSERT_NE(find, nullptr);
    std::vector<std::wstring> names;
    for (int more = find->FindFirst((top + L"/*").c_str(), 0); more; more = find->FindNext()) {
        names.push_back(find->GetFileName());
        bool folder = names.back() == L"sub";
        EXPECT_EQ(find->IsDirectory(), folder ? 1 : 0);
        EXPECT_EQ(find->GetLength(), folder ? find->GetLength() : kFileSize);
    }
    EXPECT_EQ(names, (std::vector<std::wstring>{L"sub", L"big.bin"}));
    names.clear();
    for (int more = find->FindFirst((top + L"/sub/*").c_str(), 0); more; more = find->FindNext())
        names.push_back(find->GetFileName());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"track9.txt", L"track10.txt"}));
    m_module.DeleteFtpFileFind(find);

    // Found below the folder it is asked in, ignoring case.
    EXPECT_STREQ(m_module.FindDirectoryPath(connection, root.c_str(), L"SUB"), (top + L"/sub/").c_str());

    EXPECT_EQ(folders->RemoveFolder(top.c_str()), 1);
    struct stat status;
    EXPECT_NE(stat((m_root + "/up").c_str(), &status), 0);
    folders.reset();
    m_module.DeleteFtpConnection(connection);
    // Asked once per control connection (two of them), never for the data.
    EXPECT_EQ(m_handler.asked, GetParam() == 0 ? 0 : 2);
}

std::string ProtocolName(const ::testing::TestParamInfo<int>& info) {
    static const char* const kNames[] = {"Plain", "ImplicitTls", "AuthSsl", "AuthTls"};
    return kNames[info.param];
}

INSTANTIATE_TEST_SUITE_P(Protocols, FtpIntegrationTest, ::testing::Values(0, 1, 2, 3), ProtocolName);

} // namespace
