#include <gtest/gtest.h>

#include <filesystem>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "OnlineServices/Sendrix/OnlineProfile.h"
#include "OnlineServices/Sendrix/SFtpConnection.h"
#include "OnlineServices/Sendrix/SFtpFile.h"
#include "OnlineServices/Sendrix/SFtpFileFind.h"
#include "OnlineServices/Sendrix/SFtpIpc.h"
#include "OnlineServices/Sendrix/tests/support/FakeAgent.h"
#include "OnlineServices/Sendrix/tests/support/LogEvents.h"
#include "testing/RecordingLog.h"
#include "testing/TempFolder.h"

namespace {

using sendrixtest::EventCodes;

// The code and length fields of the recorded requests of one code.
std::vector<std::string> Requests(const std::vector<std::string>& lines, const std::string& code) {
    std::vector<std::string> out;
    for (const std::string& line : lines) {
        if (line.compare(0, code.size() + 1, code + " ") == 0) out.push_back(line.substr(0, line.find(' ', code.size() + 1)));
    }
    return out;
}

class SFtpClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_log.Define(L"ONLINE", 8, L"%s");
        sendrixtest::UseFakeAgent(m_folder.Sub("record"));
        // The server end of the TCP connection: the fake agent sends nothing.
        m_listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ASSERT_EQ(0, bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address));
        ASSERT_EQ(0, listen(m_listener, 4));
        ASSERT_EQ(0, getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length));
        m_profile.SetHost(L"127.0.0.1");
        m_profile.SetPort(ntohs(address.sin_port));
        m_profile.SetUserName(L"u");
        m_profile.SetPassword(L"p");
        m_profile.SetProtocol(4);
    }
    void TearDown() override {
        sendrixtest::StopFakeAgent();
        close(m_listener);
    }
    std::unique_ptr<CSFtpConnection> Connect(const char* mode = "serve") {
        setenv("KVX_FAKE_SFTP_MODE", mode, 1);
        return std::make_unique<CSFtpConnection>(&m_profile, nullptr, &m_log, nullptr);
    }
    std::vector<std::string> Recorded() const { return sendrixtest::RecordedRequests(m_folder.Sub("record")); }
    std::vector<std::wstring> AgentTexts() const {
        std::vector<std::wstring> texts;
        for (const auto& entry : m_log.Written()) {
            if (entry.category == L"ONLINE" && entry.code == 8) texts.push_back(entry.text);
        }
        return texts;
    }

    kvxtest::TempFolder m_folder;
    kvxtest::RecordingLog m_log;
    COnlineProfile m_profile;
    int m_listener = -1;
};

TEST_F(SFtpClientTest, LogsOnWithTheProfilesLoginMessage) {
    auto connection = Connect();
    ASSERT_EQ(1, connection->IsConnected());
    EXPECT_EQ(4, connection->GetProtocol());
    EXPECT_EQ(nullptr, connection->AsFtpConnection());
    EXPECT_EQ(connection.get(), connection->AsSFtpConnection());
    EXPECT_EQ((std::vector<int>{1, 2, 8, 15, 0}), EventCodes(m_log, L"ONLINE"));
    // Host, zero, the port (little-endian), user, zero, password, zero, 0, 2.
    char port[16];
    unsigned value = (unsigned)m_profile.GetPort();
    snprintf(port, sizeof port, "%02x%02x0000", value & 0xFFu, (value >> 8) & 0xFFu);
    EXPECT_EQ("1 20 3132372e302e302e3100" + std::string(port) + "7500700000" + "02", Recorded().at(0));
    EXPECT_EQ(1, connection->CheckConnection());
}

TEST_F(SFtpClientTest, AnAgentThatNeverBecomesReadyOrEndsFailsTheLogin) {
    // The silent agent never signals, so only its case waits for the short
    // ready time to pass; the ending agent gets a generous one, as its end
    // is what the client must notice.
    struct Case {
        const char* mode;
        DWORD readyMilliseconds;
        int channelEvent;
    };
    for (const Case& c : {Case{"silent", 300, -19}, Case{"exit", 60000, -18}}) {
        SCOPED_TRACE(c.mode);
        m_log.Clear();
        CSFtpIpc::SetWaitTimes(c.readyMilliseconds, 60000);
        auto connection = Connect(c.mode);
        EXPECT_EQ(0, connection->IsConnected());
        EXPECT_EQ(-3, connection->GetLastError());
        // The channel's event, the login's, the result's, then the close.
        std::vector<int> events = EventCodes(m_log, L"ONLINE");
        auto channel = std::find(events.begin(), events.end(), c.channelEvent);
        ASSERT_NE(events.end(), channel);
        EXPECT_EQ((std::vector<int>{-15, 5, 13}), std::vector<int>(events.end() - 3, events.end()));
    }
}

TEST_F(SFtpClientTest, ReadsInRequestsOfAtMost4096Bytes) {
    struct Case {
        size_t fileSize;
        DWORD wanted;
        std::vector<std::string> requests;
        DWORD got;
    };
    const Case cases[] = {
        {12192, 12192, {"16 4", "16 4", "16 4"}, 12192},
        {6000, 10000, {"16 4", "16 4", "16 4"}, 6000},
    };
    auto connection = Connect();
    ASSERT_EQ(1, connection->IsConnected());
    for (const Case& c : cases) {
        remove(m_folder.Sub("record").c_str());
        std::string bytes(c.fileSize, 'r');
        std::string path = m_folder.WriteFile("read.bin", bytes);
        CSFtpFile file(connection.get(), 0, nullptr);
        ASSERT_EQ(0, file.Open(kvxtest::Widen(path).c_str(), GENERIC_READ, 0, 0, 0));
        std::string buffer(c.wanted, '\0');
        DWORD done = 0;
        EXPECT_EQ(0, file.Read(&buffer[0], c.wanted, &done));
        EXPECT_EQ(c.got, done);
        EXPECT_EQ(bytes, buffer.substr(0, done));
        ULONGLONG position = 0;
        file.GetPosition(&position);
        EXPECT_EQ(c.got, position);
        EXPECT_EQ(1, file.Close());
        std::vector<std::string> lines = Recorded();
        EXPECT_EQ(c.requests, Requests(lines, "16"));
        // What each read asked for: 4096, 4096, then the rest.
        std::vector<std::string> amounts;
        for (const std::string& line : lines)
            if (line.rfind("16 ", 0) == 0) amounts.push_back(line.substr(5));
        EXPECT_EQ((std::vector<std::string>{"00100000", "00100000", "a00f0000"}), amounts);
    }
}

TEST_F(SFtpClientTest, AReadFailingWhileTheNextIsPostedLeavesNoAnswerBehind) {
    // The agent fails the second read, when the third is posted already:
    // the read fails, and the third read's answer is taken with it, so that
    // the next reads of the connection get their own answers.
    auto connection = Connect("failread");
    ASSERT_EQ(1, connection->IsConnected());
    std::string bytes(20000, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = (char)(i * 7 + i / 251);
    const std::wstring path = kvxtest::Widen(m_folder.WriteFile("read.bin", bytes));
    CSFtpFile file(connection.get(), 0, nullptr);
    ASSERT_EQ(0, file.Open(path.c_str(), GENERIC_READ, 0, 0, 0));
    std::string buffer(bytes.size(), '\0');
    DWORD done = 1;
    m_log.Clear();
    EXPECT_EQ(-2, file.Read(&buffer[0], (DWORD)buffer.size(), &done));
    EXPECT_EQ(0u, done);
    EXPECT_EQ(-2, connection->GetLastError());
    EXPECT_EQ((std::vector<int>{8, -5}), EventCodes(m_log, L"ONLINE"));

    // The agent's file has moved past the failed read and the dropped one:
    // the next read gets its own answer, the 4,096 bytes after those two.
    ASSERT_EQ(0, file.Read(&buffer[0], 4096, &done));
    EXPECT_EQ(4096u, done);
    EXPECT_TRUE(bytes.substr(3 * 4096, 4096) == buffer.substr(0, 4096));
    EXPECT_EQ(1, file.Close());
    EXPECT_EQ(4u, Requests(Recorded(), "16").size());
}

TEST_F(SFtpClientTest, WritesPiecesOf4096BytesAndAnEmptyOne) {
    auto connection = Connect();
    ASSERT_EQ(1, connection->IsConnected());
    const std::string path = m_folder.Sub("written.bin");
    CSFtpFile file(connection.get(), 0, nullptr);
    ASSERT_EQ(0, file.Open(kvxtest::Widen(path).c_str(), GENERIC_WRITE, 0, 0, 0));
    std::string bytes(5000, 'w');
    DWORD done = 0;
    EXPECT_EQ(0, file.Write(bytes.data(), (DWORD)bytes.size(), &done));
    EXPECT_EQ(5000u, done);
    EXPECT_EQ(1, file.Close());
    EXPECT_EQ((std::vector<std::string>{"17 4096", "17 904", "17 0"}), Requests(Recorded(), "17"));
    EXPECT_EQ(bytes, kvxtest::TempFolder::ReadFile(path));
}

TEST_F(SFtpClientTest, MakingFoldersGivesTwoForNewOneForExistingAndMakesEveryLevel) {
    auto connection = Connect();
    ASSERT_EQ(1, connection->IsConnected());
    CSFtpFile file(connection.get(), 0, nullptr);
    const std::wstring folder = m_folder.WSub("made");
    EXPECT_EQ(2, file.CreateFolder(folder.c_str()));
    m_log.Clear();
    EXPECT_EQ(1, file.CreateFolder(folder.c_str()));
    EXPECT_EQ(0, connection->GetLastError());
    EXPECT_TRUE(AgentTexts().empty());
    EXPECT_TRUE(EventCodes(m_log, L"ONLINE").empty());
    EXPECT_EQ(2, file.CreateFolder(m_folder.WSub("missing/deeper/made").c_str()));
    EXPECT_EQ(0, connection->GetLastError());
    EXPECT_TRUE(std::filesystem::is_directory(m_folder.Sub("missing/deeper/made")));
    // A folder below a file can be neither made nor entered.
    m_folder.WriteFile("plain.txt", "x");
    EXPECT_EQ(0, file.CreateFolder(m_folder.WSub("plain.txt/made").c_str()));
    EXPECT_EQ((std::vector<int>{-11, -7}), EventCodes(m_log, L"ONLINE"));
}

TEST_F(SFtpClientTest, ListsTheFolderUnlessTheRunningFlagIsCleared) {
    auto connection = Connect();
    ASSERT_EQ(1, connection->IsConnected());
    m_folder.WriteFile("list/track10.txt", "10");
    m_folder.WriteFile("list/track9.txt", "9");
    const std::wstring pattern = m_folder.WSub("list") + L"/*";
    {
        CSFtpFileFind finder(connection.get());
        ASSERT_EQ(1, finder.FindFirst(pattern.c_str(), 0));
        EXPECT_STREQ(L"track9.txt", finder.GetFileName());
        ASSERT_EQ(1, finder.FindNext());
        EXPECT_STREQ(L"track10.txt", finder.GetFileName());
        EXPECT_EQ(0, finder.FindNext());
    }
    connection->SetRunning(0);
    CSFtpFileFind finder(connection.get());
    EXPECT_EQ(0, finder.FindFirst(pattern.c_str(), 0));
}

TEST_F(SFtpClientTest, RenamesAndRemovesAFolderWithEverythingInIt) {
    auto connection = Connect();
    ASSERT_EQ(1, connection->IsConnected());
    m_folder.WriteFile("tree/a.txt", "a");
    m_folder.WriteFile("tree/sub/b.txt", "b");
    CSFtpFile file(connection.get(), 0, nullptr);
    EXPECT_EQ(1, file.RemoveFolder(m_folder.WSub("tree").c_str()));
    struct stat status;
    EXPECT_NE(0, stat(m_folder.Sub("tree").c_str(), &status));

    m_folder.WriteFile("old.txt", "o");
    EXPECT_EQ(1, connection->Rename(m_folder.WSub("old.txt").c_str(), m_folder.WSub("new.txt").c_str()));
    EXPECT_EQ("o", kvxtest::TempFolder::ReadFile(m_folder.Sub("new.txt")));
    EXPECT_EQ(0, connection->Rename(m_folder.WSub("old.txt").c_str(), m_folder.WSub("again.txt").c_str()));
}

} // namespace
