#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "OnlineServices/Sendrix/AbstractCertificateHandler.h"
#include "OnlineServices/Sendrix/BasicSocket.h"
#include "OnlineServices/Sendrix/SFtpAgentMessages.h"
#include "OnlineServices/Sendrix/SFtpIpc.h"
#include "OnlineServices/Sendrix/SFtpLoginData.h"
#include "OnlineServices/Sendrix/tests/support/FakeAgent.h"
#include "OnlineServices/Sendrix/tests/support/LogEvents.h"
#include "testing/RecordingLog.h"
#include "testing/TempFolder.h"

namespace {

using sendrixtest::EventCodes;

// Answers every question with one answer and remembers the questions.
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

class SFtpIpcTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_log.Define(L"ONLINE", 8, L"%s");
        m_log.Define(L"GENERAL", -24, L"%d");
        sendrixtest::UseFakeAgent(m_folder.Sub("record"));
    }
    void TearDown() override { sendrixtest::StopFakeAgent(); }
    static void UseMode(const char* mode) { setenv("KVX_FAKE_SFTP_MODE", mode, 1); }
    // The requests the agent recorded, one line each.
    std::vector<std::string> Recorded() const { return sendrixtest::RecordedRequests(m_folder.Sub("record")); }
    std::vector<std::wstring> OnlineTexts() const {
        std::vector<std::wstring> texts;
        for (const auto& entry : m_log.Written()) {
            if (entry.category == L"ONLINE" && entry.code == 8) texts.push_back(entry.text);
        }
        return texts;
    }

    kvxtest::TempFolder m_folder;
    kvxtest::RecordingLog m_log;
};

TEST_F(SFtpIpcTest, StartsTheAgentAndExchangesRequestsAndReplies) {
    CSFtpAgentMessages messages(&m_log, nullptr);
    CSFtpIpc ipc(&messages);
    ASSERT_EQ(1, ipc.Start());

    // The agent's information text is logged while the reply is awaited.
    ASSERT_EQ(1, ipc.SendString(1, "login"));
    DWORD length = 0;
    ASSERT_EQ(1, ipc.ReceiveReply(1, &length, nullptr));
    EXPECT_EQ(0u, length);
    EXPECT_EQ(std::vector<std::wstring>{L"fake agent logged in"}, OnlineTexts());

    char folder[300] = {};
    ASSERT_EQ(1, ipc.SendRequest(4, 0, nullptr));
    length = sizeof folder - 1;
    ASSERT_EQ(1, ipc.ReceiveReply(4, &length, folder));
    char expected[300];
    ASSERT_NE(nullptr, getcwd(expected, sizeof expected));
    EXPECT_EQ(std::string(expected), std::string(folder, length));

    // A folder that is not there: the agent's error text fails the request.
    ASSERT_EQ(1, ipc.SendString(5, m_folder.Sub("missing").c_str()));
    EXPECT_EQ(0, ipc.ReceiveReply(5, &length, nullptr));
    EXPECT_EQ(L"no such folder", OnlineTexts().back());

    std::vector<std::string> recorded = Recorded();
    ASSERT_EQ(3u, recorded.size());
    EXPECT_EQ("1 6 6c6f67696e00", recorded[0]);
    EXPECT_EQ("4 0 ", recorded[1]);
}

TEST_F(SFtpIpcTest, AnAgentThatNeverBecomesReadyFailsTheStart) {
    UseMode("silent");
    // The agent never signals, so the short wait is what ends the start.
    CSFtpIpc::SetWaitTimes(300, 60000);
    CSFtpAgentMessages messages(&m_log, nullptr);
    CSFtpIpc ipc(&messages);
    EXPECT_EQ(0, ipc.Start());
    EXPECT_EQ(std::vector<int>{-19}, EventCodes(m_log, L"ONLINE"));
}

TEST_F(SFtpIpcTest, AnAgentThatEndsDuringARequestFailsItWithoutWaiting) {
    UseMode("exit");
    CSFtpIpc::SetWaitTimes(60000, 600000);
    CSFtpAgentMessages messages(&m_log, nullptr);
    CSFtpIpc ipc(&messages);
    ASSERT_EQ(1, ipc.Start());
    ipc.SendString(1, "login");
    DWORD length = 0;
    EXPECT_EQ(0, ipc.ReceiveReply(1, &length, nullptr));
    EXPECT_EQ(-18, EventCodes(m_log, L"ONLINE").back());
    // Later requests fail at once as well.
    EXPECT_EQ(0, ipc.SendRequest(4, 0, nullptr));
    EXPECT_EQ(-18, EventCodes(m_log, L"ONLINE").back());
}

TEST_F(SFtpIpcTest, AReceiveRequestAboveTheBlockIsRefused) {
    UseMode("greedy");
    int pair[2];
    ASSERT_EQ(0, socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair));
    ASSERT_EQ(4, write(pair[1], "data", 4));
    CBasicSocket socket(&m_log);
    socket.Attach(pair[0]);
    CSFtpAgentMessages messages(&m_log, nullptr);
    messages.SetSocket(&socket);
    CSFtpIpc ipc(&messages);
    ASSERT_EQ(1, ipc.Start());
    ASSERT_EQ(1, ipc.SendString(1, "login"));
    DWORD length = 0;
    EXPECT_EQ(0, ipc.ReceiveReply(1, &length, nullptr));
    // Nothing was taken from the socket.
    char left[8];
    EXPECT_EQ(4, recv(pair[0], left, sizeof left, MSG_DONTWAIT));
    close(pair[1]);
}

TEST_F(SFtpIpcTest, AReplyLongerThanTheBufferIsCut) {
    UseMode("long");
    CSFtpAgentMessages messages(&m_log, nullptr);
    CSFtpIpc ipc(&messages);
    ASSERT_EQ(1, ipc.Start());
    ASSERT_EQ(1, ipc.SendRequest(4, 0, nullptr));
    char buffer[16];
    memset(buffer, '-', sizeof buffer);
    DWORD length = 10;
    ASSERT_EQ(1, ipc.ReceiveReply(4, &length, buffer));
    EXPECT_EQ(10u, length);
    EXPECT_EQ(std::string(10, 'x') + "------", std::string(buffer, sizeof buffer));
}

// An answer longer than a message of the channel is refused by the agent
// at once with its text: the request fails without a wait for an answer
// that cannot come, and the next request is served.
TEST_F(SFtpIpcTest, AnAnswerThatDoesNotFitFailsTheRequestAtOnce) {
    UseMode("huge");
    CSFtpAgentMessages messages(&m_log, nullptr);
    CSFtpIpc ipc(&messages);
    ASSERT_EQ(1, ipc.Start());
    ASSERT_EQ(1, ipc.SendRequest(4, 0, nullptr));
    DWORD length = 0;
    EXPECT_EQ(0, ipc.ReceiveReply(4, &length, nullptr));
    EXPECT_EQ(OnlineTexts(), std::vector<std::wstring>{L"The answer is longer than a message of the channel can hold."});
    EXPECT_EQ(EventCodes(m_log, L"ONLINE"), std::vector<int>{8});  // no -19: nothing timed out
    const std::string folder = m_folder.Sub("");
    ASSERT_EQ(1, ipc.SendString(5, folder.c_str()));
    EXPECT_EQ(1, ipc.ReceiveReply(5, &length, nullptr));
}

TEST_F(SFtpIpcTest, TheAgentsSocketTrafficGoesThroughTheLibrary) {
    UseMode("socket");
    int pair[2];
    ASSERT_EQ(0, socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair));
    ASSERT_EQ(4, write(pair[1], "pong", 4));
    CBasicSocket socket(&m_log);
    socket.Attach(pair[0]);
    CSFtpAgentMessages messages(&m_log, nullptr);
    messages.SetSocket(&socket);
    CSFtpIpc ipc(&messages);
    ASSERT_EQ(1, ipc.Start());
    ASSERT_EQ(1, ipc.SendString(1, "login"));
    unsigned char reply[32] = {};
    DWORD length = sizeof reply;
    ASSERT_EQ(1, ipc.ReceiveReply(1, &length, reply));
    // The agent's receive answer: the count, then the bytes.
    ASSERT_EQ(8u, length);
    EXPECT_EQ(0, memcmp(reply, "\x04\0\0\0pong", 8));
    char sent[8] = {};
    EXPECT_EQ(4, recv(pair[1], sent, sizeof sent, MSG_DONTWAIT));
    EXPECT_STREQ("ping", sent);
    close(pair[1]);
}

TEST_F(SFtpIpcTest, AnAnsweredOrUnansweredHostKeyQuestion) {
    UseMode("hostkey");
    struct Case {
        int answer;  // 0: no handler
        const char* decision;
        bool loggedOn;
    };
    const Case cases[] = {
        {0, "ffffffff", false},   // nobody to ask: refused, not left waiting
        {14, "00000000", true},   // trusted for good
        {15, "01000000", true},   // trusted once
        {3, "ffffffff", false},   // any other answer refuses
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        remove(m_folder.Sub("record").c_str());
        FixedAnswer handler(c.answer);
        CSFtpAgentMessages messages(&m_log, c.answer ? &handler : nullptr);
        CSFtpIpc ipc(&messages);
        ASSERT_EQ(1, ipc.Start());
        ASSERT_EQ(1, ipc.SendString(1, "login"));
        DWORD length = 0;
        EXPECT_EQ(c.loggedOn ? 1 : 0, ipc.ReceiveReply(1, &length, nullptr));
        std::vector<std::string> recorded = Recorded();
        ASSERT_EQ(2u, recorded.size());
        EXPECT_EQ(std::string("13 4 ") + c.decision, recorded[1]);
        if (c.answer) {
            EXPECT_EQ(std::vector<int>{kAskUnknownHostKey}, handler.questions);
            EXPECT_EQ(L"127.0.0.1 ssh-ed25519 SHA256:fake", handler.texts[0]);
        }
    }
    EXPECT_TRUE(CSFtpAgentMessages::IsAcceptedHostKey("127.0.0.1 ssh-ed25519 SHA256:fake"));
}

TEST_F(SFtpIpcTest, AMissingAgentProgramIsReportedWithTheSystemError) {
    CSFtpIpc::SetAgentPath(m_folder.Sub("NoSuchAgent"));
    CSFtpAgentMessages messages(&m_log, nullptr);
    CSFtpIpc ipc(&messages);
    EXPECT_EQ(0, ipc.Start());
    EXPECT_EQ(std::vector<int>{-24}, EventCodes(m_log, L"GENERAL"));
    EXPECT_EQ(L"2", m_log.Written().back().text);
}

TEST_F(SFtpIpcTest, TheAgentIsEndedAndReapedWithTheChannel) {
    {
        CSFtpAgentMessages messages(&m_log, nullptr);
        CSFtpIpc ipc(&messages);
        ASSERT_EQ(1, ipc.Start());
    }
    // No child is left behind, not even as a zombie.
    errno = 0;
    EXPECT_EQ(-1, waitpid(-1, nullptr, WNOHANG));
    EXPECT_EQ(ECHILD, errno);
}

TEST_F(SFtpIpcTest, TheAgentEndsWhenTheLibraryProcessEnds) {
    pid_t library = fork();
    ASSERT_GE(library, 0);
    if (library == 0) {
        CSFtpAgentMessages messages(&m_log, nullptr);
        CSFtpIpc* ipc = new CSFtpIpc(&messages);
        // Ends without the channel's clean-up, as a crashed program would.
        _exit(ipc->Start() && ipc->SendString(1, "login") ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(library, waitpid(library, &status, 0));
    ASSERT_EQ(0, WEXITSTATUS(status));
    // The agent is no child of this process: its record is watched, for a
    // minute at most.
    bool ended = false;
    for (int i = 0; i < 1200 && !ended; ++i) {
        std::vector<std::string> recorded = Recorded();
        ended = !recorded.empty() && recorded.back() == "0 0 ";
        if (!ended) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_TRUE(ended);
}

} // namespace

namespace {

TEST(SFtpLoginDataTest, HoldsTheTextsThePortAndTheTwoClosingBytes) {
    EXPECT_EQ(std::string("h\0\x16\0\0\0u\0p\0\0\2", 12), MakeSFtpLoginData(L"h", 22, L"u", L"p"));
    // Port 2222 little-endian; texts in UTF-8.
    EXPECT_EQ(std::string("h\xc3\xa9\0\xae\x08\0\0\0\0\0\2", 12), MakeSFtpLoginData(L"h\u00e9", 2222, L"", L""));
}

} // namespace
