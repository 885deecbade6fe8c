#include "OnlineServices/Sendrix/tests/support/FtpTesting.h"

#include "OnlineServices/Sendrix/BasicSocket.h"

namespace sendrixtest {

void FillProfile(COnlineProfile& profile, int port) {
    profile.SetHost(L"127.0.0.1");
    profile.SetPort(port);
    profile.SetUserName(L"anna");
    profile.SetPassword(L"secret");
    profile.SetPassive(1);
}

void ScriptLogin(kvxtest::ScriptedPeer& peer) {
    peer.Send("220 Ready\r\n")
        .ExpectLine("USER anna")
        .Send("331 Password please\r\n")
        .ExpectLine("PASS secret")
        .Send("230 Logged in\r\n");
}

std::string PassiveReply(int port) {
    return "227 Entering Passive Mode (127,0,0,1," + std::to_string(port >> 8) + "," + std::to_string(port & 0xFF) +
           ")\r\n";
}

void DefineOnlineEvents(kvxtest::RecordingLog& log) {
    for (int code = -31; code <= 16; ++code) log.Define(L"ONLINE", code, L"%s");
}

bool LogMentions(const kvxtest::RecordingLog& log, const std::wstring& text) {
    for (const kvxtest::RecordedEntry& e : log.Entries())
        if (e.text.find(text) != std::wstring::npos) return true;
    return false;
}

void FtpScriptedTest::SetUp() {
    CBasicSocket::SetReceiveTimeout(30000);
    DefineOnlineEvents(m_log);
    ScriptLogin(m_control);
}

void FtpScriptedTest::TearDown() { CBasicSocket::SetReceiveTimeout(20000); }

int FtpScriptedTest::StartData() {
    m_data.Start();
    m_dataStarted = true;
    return m_data.Port();
}

void FtpScriptedTest::Connect(int passive) {
    m_control.ExpectClose();
    m_control.Start();
    FillProfile(m_profile, m_control.Port());
    m_profile.SetPassive(passive);
    m_connection = std::make_unique<CFtpConnection>(&m_profile, nullptr, &m_log, nullptr);
    ASSERT_EQ(m_connection->IsConnected(), 1);
}

void FtpScriptedTest::Finish() {
    m_connection.reset();
    EXPECT_TRUE(m_control.Finish()) << "control: " << m_control.Error();
    if (m_dataStarted) {
        EXPECT_TRUE(m_data.Finish()) << "data: " << m_data.Error();
    }
}

} // namespace sendrixtest
