#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "OnlineServices/Sendrix/BasicSocket.h"
#include "OnlineServices/Sendrix/ExchangeDeadline.h"
#include "OnlineServices/Sendrix/FtpConnection.h"
#include "OnlineServices/Sendrix/OnlineProfile.h"
#include "OnlineServices/Sendrix/OnlineProxyProfile.h"
#include "OnlineServices/Sendrix/tests/support/FtpTesting.h"
#include "OnlineServices/Sendrix/tests/support/LogEvents.h"
#include "testing/Online/SocketTesting.h"
#include "testing/RecordingLog.h"
#include "testing/ScriptedPeer.h"

namespace {

using sendrixtest::EventCodes;

class FtpConnectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        CBasicSocket::SetReceiveTimeout(30000);
        sendrixtest::DefineOnlineEvents(m_log);
    }
    void TearDown() override { CBasicSocket::SetReceiveTimeout(20000); }

    kvxtest::RecordingLog m_log;
    kvxtest::ScriptedPeer m_peer;
    COnlineProfile m_profile;
};

struct LoginCase {
    int row;
    std::vector<std::pair<std::string, std::string>> exchanges;  // command, reply
    int result;
};

// Every row of the login table with the server's answers: the commands sent
// and the result. The proxy gateway is the scripted server itself.
TEST_F(FtpConnectionTest, LoginTableRows) {
    const std::vector<LoginCase> cases = {
        {0, {{"USER anna", "230 ok"}}, 0},
        {0, {{"USER anna", "331 pw"}, {"PASS secret", "230 ok"}}, 0},
        {0, {{"USER anna", "331 pw"}, {"PASS secret", "332 account"}}, -3},
        {0, {{"USER anna", "530 no"}}, -1},
        {1,
         {{"USER puser", "331 pw"},
          {"PASS ppass", "230 ok"},
          {"SITE ftp.example", "220 there"},
          {"USER anna", "331 pw"},
          {"PASS secret", "230 ok"}},
         0},
        {2, {{"USER puser", "331 pw"}, {"PASS ppass", "230 ok"}, {"USER anna@ftp.example", "331 pw"},
             {"PASS secret", "230 ok"}}, 0},
        {3, {{"OPEN ftp.example", "220 open"}, {"USER anna", "331 pw"}, {"PASS secret", "230 ok"}}, 0},
        {4, {{"USER puser", "331 pw"}, {"PASS ppass", "230 ok"}, {"USER anna", "331 pw"}, {"PASS secret", "230 ok"}},
         0},
        {5, {{"USER anna@ftp.example", "331 pw"}, {"PASS secret", "230 ok"}}, 0},
        {6, {{"USER puser@second.example", "331 pw"}, {"PASS ppass", "230 ok"}, {"USER anna", "331 pw"},
             {"PASS secret", "230 ok"}}, 0},
        {7, {{"USER anna@ftp.example puser", "331 pw"}, {"PASS secret", "332 acct"}, {"ACCT ppass", "230 ok"}}, 0},
        {7, {{"USER anna@ftp.example puser", "230 ok"}}, -3},
        {8, {{"USER anna@puser@ftp.example", "331 pw"}, {"PASS secret@ppass", "230 ok"}}, 0},
        {8, {{"USER anna@puser@ftp.example", "331 pw"}, {"PASS secret@ppass", "332 acct"}, {"ACCT ppass", "202 ok"}},
         0},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        const LoginCase& c = cases[i];
        kvxtest::RecordingLog log;
        sendrixtest::DefineOnlineEvents(log);
        kvxtest::ScriptedPeer peer;
        peer.Send("220 gateway\r\n");
        for (const auto& exchange : c.exchanges) peer.ExpectLine(exchange.first).Send(exchange.second + "\r\n");
        peer.ExpectClose();
        peer.Start();

        COnlineProfile profile;
        profile.SetHost(L"ftp.example");
        profile.SetUserName(L"anna");
        profile.SetPassword(L"secret");
        profile.SetSecondAddress(L"second.example");
        COnlineProxyProfile proxy;
        proxy.SetKind(c.row == 0 ? 0 : 1);
        proxy.SetFtpLoginForm(c.row);
        proxy.SetUserName(L"puser");
        proxy.SetPassword(L"ppass");
        if (c.row == 0) {
            profile.SetHost(L"127.0.0.1");
            profile.SetPort(peer.Port());
        } else {
            proxy.SetHost(L"127.0.0.1");
            proxy.SetPort(peer.Port());
        }
        {
            CFtpConnection connection(&profile, &proxy, &log, nullptr);
            EXPECT_EQ(connection.GetLastResult(), c.result) << "case " << i;
            EXPECT_EQ(connection.IsConnected(), c.result == 0 ? 1 : 0) << "case " << i;
        }
        EXPECT_TRUE(peer.Finish()) << "case " << i << ": " << peer.Error();
        std::vector<int> events = EventCodes(log, L"ONLINE");
        int outcome = c.result == 0 ? 0 : 5;
        EXPECT_NE(std::find(events.begin(), events.end(), outcome), events.end()) << "case " << i;
        EXPECT_EQ(std::find(events.begin(), events.end(), 5 - outcome), events.end()) << "case " << i;
        // The passwords appear as stars only.
        EXPECT_FALSE(sendrixtest::LogMentions(log, L"secret")) << "case " << i;
        EXPECT_FALSE(sendrixtest::LogMentions(log, L"ppass")) << "case " << i;
    }
}

TEST_F(FtpConnectionTest, EventsOfADirectLogin) {
    sendrixtest::ScriptLogin(m_peer);
    m_peer.ExpectClose();
    m_peer.Start();
    sendrixtest::FillProfile(m_profile, m_peer.Port());
    m_log.SetVerbose(1);
    {
        CFtpConnection connection(&m_profile, nullptr, &m_log, nullptr);
        EXPECT_EQ(connection.IsConnected(), 1);
    }
    EXPECT_TRUE(m_peer.Finish()) << m_peer.Error();
    EXPECT_EQ(EventCodes(m_log, L"ONLINE"), (std::vector<int>{1, 2, 8, 3, 7, 7, 0, 13}));
    EXPECT_TRUE(sendrixtest::LogMentions(m_log, L"127.0.0.1:" + std::to_wstring(m_peer.Port())));
    EXPECT_TRUE(sendrixtest::LogMentions(m_log, L"PASS * (230 Logged in)"));
    EXPECT_FALSE(sendrixtest::LogMentions(m_log, L"secret"));
}

TEST_F(FtpConnectionTest, UnknownLoginFormFailsBeforeConnecting) {
    COnlineProxyProfile proxy;
    proxy.SetKind(1);
    proxy.SetFtpLoginForm(9);
    sendrixtest::FillProfile(m_profile, sendrixtest::FreeLoopbackPort());
    CFtpConnection connection(&m_profile, &proxy, &m_log, nullptr);
    EXPECT_EQ(connection.GetLastResult(), -1);
    EXPECT_EQ(EventCodes(m_log, L"ONLINE"), std::vector<int>{1});

    CFtpConnection noProfile(nullptr, nullptr, &m_log, nullptr);
    EXPECT_EQ(noProfile.GetLastResult(), -20);
}

TEST_F(FtpConnectionTest, NoServerGivesConnectionFailure) {
    sendrixtest::FillProfile(m_profile, sendrixtest::FreeLoopbackPort());
    CFtpConnection connection(&m_profile, nullptr, &m_log, nullptr);
    EXPECT_EQ(connection.GetLastResult(), -3);
    EXPECT_EQ(connection.IsConnected(), 0);
    EXPECT_EQ(EventCodes(m_log, L"ONLINE"), (std::vector<int>{1, 13, -3}));
}

// A multi-line reply runs to the line with its code and a space; the lines
// between may carry another code or none at all.
TEST_F(FtpConnectionTest, MultiLineReplies) {
    m_peer.Send("220-Welcome\r\n220 Ready\r\n")
        .ExpectLine("USER anna")
        .Send("331 Password please\r\n")
        .ExpectLine("PASS secret")
        .Send("230-Hello\r\n  a line without a code\r\n220 not the end\r\n230-still going\r\n230 Done\r\n")
        .ExpectLine("NOOP")
        .Send("200-a\r\n200 b\r\n")
        .ExpectClose();
    m_peer.Start();
    sendrixtest::FillProfile(m_profile, m_peer.Port());
    {
        CFtpConnection connection(&m_profile, nullptr, &m_log, nullptr);
        ASSERT_EQ(connection.IsConnected(), 1);
        CBasicString reply;
        connection.GetLastReply(reply);
        EXPECT_STREQ(reply.GetString(),
                     L"230-Hello\r\n  a line without a code\r\n220 not the end\r\n230-still going\r\n230 Done");
        EXPECT_EQ(connection.SendAndCheck(L"NOOP"), 1);
        connection.GetLastReply(reply);
        EXPECT_STREQ(reply.GetString(), L"200-a\r\n200 b");
    }
    EXPECT_TRUE(m_peer.Finish()) << m_peer.Error();
}

// A server that never ends a reply, or trickles it, is given up on: the
// reply's text and the time one exchange may take are bounded.
TEST_F(FtpConnectionTest, EndlessAndTricklingRepliesAreGivenUp) {
    CExchangeDeadline::SetTimeout(1000);
    std::string endless;
    for (int i = 0; i < 20000; ++i) endless += "220-the welcome goes on and on\r\n";
    kvxtest::ScriptedPeer flood;
    flood.Send(endless).ExpectClose();
    kvxtest::ScriptedPeer trickle;
    for (char c : std::string("220 Ready\r\n")) trickle.Send(std::string(1, c)).Delay(300);
    for (kvxtest::ScriptedPeer* peer : {&flood, &trickle}) {
        peer->Start();
        COnlineProfile profile;
        sendrixtest::FillProfile(profile, peer->Port());
        {
            CFtpConnection connection(&profile, nullptr, nullptr, nullptr);
            EXPECT_EQ(connection.IsConnected(), 0);
        }
        peer->Finish();
    }
    CExchangeDeadline::SetTimeout(60000);
}

TEST_F(FtpConnectionTest, RepliesThatAreNoReplies) {
    const std::vector<std::pair<std::string, int>> cases = {
        {"20 short\r\n", -1}, {"abc text\r\n", -1}, {"099 low\r\n", -1}, {"600 high\r\n", -1}, {"421 bye\r\n", -3},
        // Refusals the error table does not name are refusals all the same:
        // no USER and PASS follow them.
        {"554 not for you\r\n", -1}, {"432 later\r\n", -3}};
    for (const auto& c : cases) {
        kvxtest::ScriptedPeer peer;
        peer.Send(c.first).ExpectClose();
        peer.Start();
        COnlineProfile profile;
        sendrixtest::FillProfile(profile, peer.Port());
        {
            CFtpConnection connection(&profile, nullptr, nullptr, nullptr);
            EXPECT_EQ(connection.GetLastResult(), c.second) << c.first;
            EXPECT_EQ(connection.IsConnected(), 0) << c.first;
        }
        EXPECT_TRUE(peer.Finish()) << peer.Error();
        EXPECT_EQ(peer.Received(), "") << c.first;
    }
}

TEST_F(FtpConnectionTest, CurrentDirectoryAndCommands) {
    sendrixtest::ScriptLogin(m_peer);
    m_peer.ExpectLine("PWD")
        .Send("257 \"/home/a\" is the current directory\r\n")
        .ExpectLine("PWD")
        .Send("257 \"/home/a\"\r\n")
        .ExpectLine("PWD")
        .Send("550 no\r\n")
        .ExpectLine("CWD /x")
        .Send("250 ok\r\n")
        .ExpectLine("RNFR /a/b")
        .Send("350 go on\r\n")
        .ExpectLine("RNTO /c/d")
        .Send("250 done\r\n")
        .ExpectLine("RNFR /a/b")
        .Send("550 no\r\n")
        .ExpectLine("PBSZ 0")
        .Send("502 not needed\r\n")
        .ExpectLine("PROT P")
        .Send("200 ok\r\n")
        .ExpectLine("PBSZ 0")
        .Send("500 what\r\n")
        .ExpectLine("PWD")
        .Send("257 \"/\"\r\n")
        .ExpectLine("QUIT")
        .ExpectClose();
    m_peer.Start();
    sendrixtest::FillProfile(m_profile, m_peer.Port());
    CFtpConnection connection(&m_profile, nullptr, &m_log, nullptr);
    ASSERT_EQ(connection.IsConnected(), 1);
    wchar_t folder[260];
    EXPECT_EQ(connection.GetCurrentDirectory(folder, 260), 1);
    EXPECT_STREQ(folder, L"/home/a");
    wchar_t small[4];
    EXPECT_EQ(connection.GetCurrentDirectory(small, 4), 1);
    EXPECT_STREQ(small, L"/ho");
    EXPECT_EQ(connection.GetCurrentDirectory(folder, 260), 0);
    EXPECT_EQ(connection.GetLastError(), -2);
    EXPECT_EQ(connection.SetCurrentDirectory(L"/x"), 1);
    EXPECT_EQ(connection.Rename(L"\\a\\\\b", L"/c//d"), 1);
    EXPECT_EQ(connection.Rename(L"/a/b", L"/c/d"), 0);
    EXPECT_EQ(connection.ProtectDataChannel(), 0);
    EXPECT_EQ(connection.ProtectDataChannel(), -1);
    EXPECT_EQ(connection.CheckConnection(), 1);
    connection.Quit();
    EXPECT_EQ(connection.IsConnected(), 0);
    EXPECT_EQ(connection.GetCurrentDirectory(folder, 260), 0);
    EXPECT_EQ(connection.GetLastResult(), -3);
    EXPECT_TRUE(m_peer.Finish()) << m_peer.Error();
}

TEST_F(FtpConnectionTest, ErrorMap) {
    const std::vector<std::pair<int, int>> cases = {{110, 0},  {226, 0},  {350, 0},  {120, -4}, {202, -5}, {502, -5},
                                                    {421, -3}, {530, -3}, {451, -2}, {553, -2}, {500, -1}, {504, -1},
                                                    {532, -6}, {234, 234}, {-20, -20}, {554, -1}, {599, -1},
                                                    {431, -3}, {499, -3}, {600, -1}, {99, -1}, {0, 0}};
    for (const auto& c : cases) EXPECT_EQ(MapFtpResult(c.first), c.second) << c.first;
}

} // namespace
