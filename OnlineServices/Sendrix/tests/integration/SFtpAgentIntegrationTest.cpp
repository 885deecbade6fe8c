#include <gtest/gtest.h>
#include <openssl/sha.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "OnlineServices/SFtpProtocol/SFtpMessages.h"
#include "OnlineServices/Sendrix/AbstractCertificateHandler.h"
#include "OnlineServices/Sendrix/OnlineProfile.h"
#include "OnlineServices/Sendrix/SFtpAgentMessages.h"
#include "OnlineServices/Sendrix/SFtpConnection.h"
#include "OnlineServices/Sendrix/SFtpFile.h"
#include "OnlineServices/Sendrix/SFtpFileFind.h"
#include "OnlineServices/Sendrix/tests/integration/SFtpAgentSession.h"
#include "testing/Online/OpenSshServer.h"
#include "testing/Online/TestSshServer.h"
#include "testing/Installed.h"
#include "testing/RecordingLog.h"
#include "testing/TempFolder.h"
#include "utility/Posix/Folders.h"
#include "utility/TextCodec.h"

namespace {

using sendrixtest::CTestSshServer;

class FixedAnswer : public CAbstractCertificateHandler {
public:
    explicit FixedAnswer(int answer) : m_answer(answer) {}
    int Ask(int question, const void* record) override {
        questions.push_back(question);
        texts.push_back(static_cast<const wchar_t*>(record));
        return m_answer;
    }
    std::vector<int> questions;
    std::vector<std::wstring> texts;

private:
    int m_answer;
};

std::string Sha256(const std::string& bytes) {
    unsigned char digest[SHA256_DIGEST_LENGTH];
    SHA256(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), digest);
    return std::string(reinterpret_cast<char*>(digest), sizeof digest);
}

// Logs on as the server's test account.
class AgentSession : public sendrixtest::CSFtpAgentSession {
public:
    using CSFtpAgentSession::CSFtpAgentSession;
    bool Login(int port, const wchar_t* password = CTestSshServer::Password()) {
        return CSFtpAgentSession::Login(port, CTestSshServer::User(), password);
    }
};

class SFtpAgentIntegrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_log.Define(L"ONLINE", 8, L"%s");
        std::string problem = m_server.Start(m_folder.Path());
        KVX_SKIP_OR_FAIL_UNLESS(!m_server.Unavailable(), problem);
        ASSERT_EQ("", problem);
    }
    std::vector<std::wstring> AgentTexts() const {
        std::vector<std::wstring> texts;
        for (const auto& entry : m_log.Written()) {
            if (entry.category == L"ONLINE" && entry.code == 8) texts.push_back(entry.text);
        }
        return texts;
    }

    kvxtest::TempFolder m_folder;
    kvxtest::RecordingLog m_log;
    CTestSshServer m_server;
};

TEST_F(SFtpAgentIntegrationTest, MovesEightMebibytesUpAndDownUnchanged) {
    FixedAnswer handler(kTrustCertificateOnce);
    AgentSession session(&m_log, &handler);
    ASSERT_TRUE(session.Login(m_server.Port()));

    std::string bytes(8 << 20, '\0');
    std::mt19937 random(11);
    for (char& b : bytes) b = (char)random();
    const std::string path = m_server.DataFolder() + "/big.bin";
    ASSERT_TRUE(session.Upload(path, bytes));
    std::string back;
    ASSERT_TRUE(session.Download(path, back));
    EXPECT_EQ(bytes.size(), back.size());
    EXPECT_TRUE(Sha256(bytes) == Sha256(back));
    EXPECT_TRUE(Sha256(bytes) == Sha256(kvxtest::TempFolder::ReadFile(path)));
}

TEST_F(SFtpAgentIntegrationTest, ListsWithExactSizesAndTimesMakesRenamesAndRemoves) {
    FixedAnswer handler(kTrustCertificateOnce);
    AgentSession session(&m_log, &handler);
    ASSERT_TRUE(session.Login(m_server.Port()));
    const std::string root = m_server.DataFolder();
    ASSERT_TRUE(session.Upload(root + "/a.txt", std::string(5000000, 'a')));
    ASSERT_TRUE(session.Exchange(kSFtpMakeFolder, AgentSession::Path(root + "/sub")));
    // An existing folder cannot be made again; the agent says why.
    EXPECT_FALSE(session.Exchange(kSFtpMakeFolder, AgentSession::Path(root + "/sub")));
    EXPECT_FALSE(AgentTexts().empty());

    struct stat status;
    ASSERT_EQ(0, stat((root + "/a.txt").c_str(), &status));
    std::vector<std::string> lines;
    ASSERT_TRUE(session.List(root, lines));
    std::sort(lines.begin(), lines.end());
    ASSERT_EQ(2u, lines.size());
    struct stat folderStatus;
    ASSERT_EQ(0, stat((root + "/sub").c_str(), &folderStatus));
    EXPECT_EQ("+/,m" + std::to_string(folderStatus.st_mtime) + ",\tsub", lines[0]);
    EXPECT_EQ("+r,s5000000,m" + std::to_string(status.st_mtime) + ",\ta.txt", lines[1]);

    ASSERT_TRUE(session.Exchange(kSFtpRename, AgentSession::Path(root + "/a.txt") + AgentSession::Path(root + "/b.txt")));
    ASSERT_TRUE(session.Exchange(kSFtpDeleteFile, AgentSession::Path(root + "/b.txt")));
    ASSERT_TRUE(session.Exchange(kSFtpRemoveFolder, AgentSession::Path(root + "/sub")));
    lines.clear();
    ASSERT_TRUE(session.List(root, lines));
    EXPECT_TRUE(lines.empty());

    // The current folder follows a change of folder.
    ASSERT_TRUE(session.Exchange(kSFtpChangeFolder, AgentSession::Path(root)));
}

TEST_F(SFtpAgentIntegrationTest, AnUnknownHostKeyIsAskedAboutAndRefusedOrRemembered) {
    {
        FixedAnswer no(0);
        AgentSession session(&m_log, &no);
        EXPECT_FALSE(session.Login(m_server.Port()));
        ASSERT_EQ(std::vector<int>{kAskUnknownHostKey}, no.questions);
        EXPECT_NE(std::wstring::npos, no.texts[0].find(L"ssh-ed25519 SHA256:")) << no.texts[0];
    }
    {
        FixedAnswer always(kTrustCertificateAlways);
        AgentSession session(&m_log, &always);
        EXPECT_TRUE(session.Login(m_server.Port()));
        EXPECT_EQ(1u, always.questions.size());
    }
    {
        // Remembered: no question the next time, not even without a handler.
        AgentSession session(&m_log, nullptr);
        EXPECT_TRUE(session.Login(m_server.Port()));
    }
}

// The system's SSH server with one host key of each kind, RSA with SHA-2
// signatures only: the key exchange works, the unknown key is asked about
// with its kind, a key accepted for good goes into the agent's known-hosts
// file in the server's own form and is not asked about again. The server
// knows no test account, so each login ends at the password.
TEST_F(SFtpAgentIntegrationTest, ReachesAnSshServerWithEachKindOfHostKey) {
    const struct {
        const char* keyType;
        const char* name;
    } kinds[] = {{"ed25519", "ssh-ed25519"}, {"ecdsa", "ecdsa-sha2-nistp256"}, {"rsa", "ssh-rsa"}};
    const CBasicString data = GetSpecialFolderPath(CSIDL_APPDATA);
    const std::string knownHosts = WideToUtf8(data.GetString(), data.GetLength()) + "/Morvane/SFtp/known_hosts";
    for (const auto& kind : kinds) {
        SCOPED_TRACE(kind.keyType);
        sendrixtest::COpenSshServer server;
        std::string problem = server.Start(m_folder.Path(), kind.keyType);
        KVX_SKIP_OR_FAIL_UNLESS(!server.Unavailable(), problem);
        ASSERT_EQ("", problem);
        FixedAnswer always(kTrustCertificateAlways);
        for (int attempt = 0; attempt < 2; ++attempt) {
            AgentSession session(&m_log, &always);
            EXPECT_FALSE(session.Login(server.Port()));
            ASSERT_FALSE(AgentTexts().empty());
            EXPECT_NE(std::wstring::npos, AgentTexts().back().find(L"password")) << AgentTexts().back();
        }
        ASSERT_EQ(std::vector<int>{kAskUnknownHostKey}, always.questions);
        const std::string host = "[127.0.0.1]:" + std::to_string(server.Port());
        EXPECT_EQ(0u, always.texts[0].find(kvxtest::Widen(host + " " + kind.name + " SHA256:"))) << always.texts[0];
        const std::string file = kvxtest::TempFolder::ReadFile(knownHosts);
        EXPECT_NE(std::string::npos, file.find(host + " " + kind.name + " AAAA")) << file;
    }
}

TEST_F(SFtpAgentIntegrationTest, AWrongPasswordFailsTheLoginWithTheAgentsText) {
    FixedAnswer handler(kTrustCertificateOnce);
    AgentSession session(&m_log, &handler);
    EXPECT_FALSE(session.Login(m_server.Port(), L"wrong"));
    ASSERT_FALSE(AgentTexts().empty());
    EXPECT_NE(std::wstring::npos, AgentTexts().back().find(L"password")) << AgentTexts().back();
}

} // namespace

namespace {

// The SFTP client (connection, file and finder) against the test's SFTP server.
class SFtpClientIntegrationTest : public SFtpAgentIntegrationTest {
protected:
    std::unique_ptr<CSFtpConnection> Connect(CAbstractCertificateHandler* handler) {
        m_profile.SetHost(L"127.0.0.1");
        m_profile.SetPort(m_server.Port());
        m_profile.SetUserName(CTestSshServer::User());
        m_profile.SetPassword(CTestSshServer::Password());
        m_profile.SetProtocol(4);
        return std::make_unique<CSFtpConnection>(&m_profile, nullptr, &m_log, handler);
    }
    COnlineProfile m_profile;
};

TEST_F(SFtpClientIntegrationTest, TransfersListsAndMakesFoldersThroughTheClient) {
    FixedAnswer handler(kTrustCertificateOnce);
    auto connection = Connect(&handler);
    ASSERT_EQ(1, connection->IsConnected());
    EXPECT_EQ(1, connection->CheckConnection());

    const std::wstring root = kvxtest::Widen(m_server.DataFolder());
    CSFtpFile file(connection.get(), 0, nullptr);
    std::string bytes(8 << 20, '\0');
    std::mt19937 random(3);
    for (char& b : bytes) b = (char)random();
    ASSERT_EQ(0, file.Open((root + L"/up.bin").c_str(), GENERIC_WRITE, 0, 0, 0));
    DWORD done = 0;
    ASSERT_EQ(0, file.Write(bytes.data(), (DWORD)bytes.size(), &done));
    EXPECT_EQ(bytes.size(), done);
    ASSERT_EQ(1, file.Close());
    ASSERT_EQ(0, file.Open((root + L"/up.bin").c_str(), GENERIC_READ, 0, 0, 0));
    std::string back(bytes.size() + 100, '\0');
    ASSERT_EQ(0, file.Read(&back[0], (DWORD)back.size(), &done));
    back.resize(done);
    ASSERT_EQ(1, file.Close());
    EXPECT_TRUE(Sha256(bytes) == Sha256(back));

    EXPECT_EQ(2, file.CreateFolder((root + L"/folder").c_str()));
    EXPECT_EQ(1, file.CreateFolder((root + L"/folder").c_str()));
    {
        CSFtpFileFind finder(connection.get());
        ASSERT_EQ(1, finder.FindFirst((root + L"/*").c_str(), 0));
        EXPECT_STREQ(L"folder", finder.GetFileName());
        EXPECT_TRUE(finder.IsDirectory());
        ASSERT_EQ(1, finder.FindNext());
        EXPECT_STREQ(L"up.bin", finder.GetFileName());
        EXPECT_EQ(bytes.size(), finder.GetLength());
    }
    EXPECT_EQ(1, file.RemoveFolder((root + L"/folder").c_str()));
    EXPECT_EQ(1, file.Delete((root + L"/up.bin").c_str()));
    CSFtpFileFind finder(connection.get());
    EXPECT_EQ(0, finder.FindFirst((root + L"/*").c_str(), 0));
}

TEST_F(SFtpClientIntegrationTest, DownloadsEndExactlyAtTheEndOfTheFileWhateverItsSize) {
    // The agent reads pieces of 32,256 bytes, 32 of them ahead; the client
    // asks 4,096 bytes at a time and posts the next request before the
    // answer. Sizes around those steps, read whole or from an offset with a
    // buffer that is no multiple of 4,096, must give every byte once.
    FixedAnswer handler(kTrustCertificateOnce);
    auto connection = Connect(&handler);
    ASSERT_EQ(1, connection->IsConnected());
    constexpr size_t kPiece = 32256;
    struct Case {
        size_t size;
        size_t start;
    };
    const Case cases[] = {
        {0, 0},           {1, 0},          {4096, 0},       {kPiece - 1, 0},  {kPiece, 0},
        {kPiece + 1, 0},  {32 * kPiece, 0}, {33 * kPiece + 4097, 0}, {kPiece * 3, kPiece - 5},
        {kPiece * 3, kPiece * 3}, {100000, 99999},
    };
    std::mt19937 random(5);
    const std::string local = m_server.DataFolder() + "/sized.bin";
    const std::wstring path = kvxtest::Widen(local);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.size) + " from " + std::to_string(c.start));
        std::string bytes(c.size, '\0');
        for (char& b : bytes) b = (char)random();
        std::ofstream(local, std::ios::binary | std::ios::trunc).write(bytes.data(), (std::streamsize)bytes.size());
        CSFtpFile file(connection.get(), 0, nullptr);
        file.Seek((LONGLONG)c.start, 0);
        ASSERT_EQ(0, file.Open(path.c_str(), GENERIC_READ, 0, 0, 0));
        std::string back;
        std::vector<char> buffer(10000);
        DWORD done = 0;
        while (file.Read(buffer.data(), (DWORD)buffer.size(), &done) == 0 && done > 0) back.append(buffer.data(), done);
        EXPECT_EQ(0, connection->GetLastError());
        ASSERT_EQ(1, file.Close());
        EXPECT_EQ(bytes.size() - c.start, back.size());
        EXPECT_TRUE(bytes.substr(c.start) == back);
    }
}

TEST_F(SFtpClientIntegrationTest, CreateFolderMakesEveryMissingLevel) {
    FixedAnswer handler(kTrustCertificateOnce);
    auto connection = Connect(&handler);
    ASSERT_EQ(1, connection->IsConnected());
    const std::string data = m_server.DataFolder();
    std::ofstream(data + "/file.txt") << "a file";
    CSFtpFile file(connection.get(), 0, nullptr);
    struct Case {
        const char* path;
        int result;  // 2 made, 1 there already, 0 failed
    } cases[] = {
        {"/a/b/c", 2},
        {"/a/b/c", 1},
        {"/a/b/c/", 1},
        {"/a/b", 1},
        {"/a/x/y/", 2},
        {"/file.txt", 0},
        {"/file.txt/under", 0},
        {"/file.txt/under/deeper", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(c.result, file.CreateFolder(kvxtest::Widen(data + c.path).c_str()));
    }
    EXPECT_TRUE(std::filesystem::is_directory(data + "/a/b/c"));
    EXPECT_TRUE(std::filesystem::is_directory(data + "/a/x/y"));
    EXPECT_TRUE(std::filesystem::is_regular_file(data + "/file.txt"));
    // The connection stays usable after the failures.
    EXPECT_EQ(1, connection->CheckConnection());
    EXPECT_EQ(2, file.CreateFolder(kvxtest::Widen(data + "/after").c_str()));
}

TEST_F(SFtpClientIntegrationTest, AnUnknownHostKeyRefusedByTheHandlerFailsTheLogin) {
    FixedAnswer no(0);
    auto connection = Connect(&no);
    EXPECT_EQ(0, connection->IsConnected());
    EXPECT_EQ(std::vector<int>{kAskUnknownHostKey}, no.questions);
}

} // namespace
