#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "OnlineServices/Sendrix/ProxySocket.h"
#include "OnlineServices/Sendrix/tests/support/LogEvents.h"
#include "testing/Online/LoopbackDaemon.h"
#include "testing/Online/SocketTesting.h"
#include "testing/Online/TestProxyProfile.h"
#include "testing/Installed.h"
#include "testing/RecordingLog.h"
#include "testing/ScriptedPeer.h"
#include "testing/TempFolder.h"
#include "utility/LibraryLog.h"
#include "utility/Posix/ProcessStart.h"

namespace {

using sendrixtest::EventCodes;

// A real proxy on loopback between the socket and a scripted target.
class ProxyIntegrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetLibraryLog(&m_log);
        CBasicSocket::SetReceiveTimeout(30000);
        m_port = sendrixtest::FreeLoopbackPort();
    }
    void TearDown() override {
        SetLibraryLog(nullptr);
        CBasicSocket::SetReceiveTimeout(20000);
    }

    // Starts the proxy program with the arguments; skips the test when the
    // program is not installed.
    void StartProxy(const std::string& name, const std::vector<std::string>& arguments) {
        std::string program = FindProgramOnPath(name);
        KVX_SKIP_OR_FAIL_UNLESS(!program.empty(), name << " is not installed");
        ASSERT_TRUE(m_proxy.Start(program, arguments, m_port)) << m_proxy.Error();
    }

    // Connects to the target through the proxy; true when the tunnel then
    // carries an exchange both ways.
    bool TalkThrough(int kind, const std::wstring& user, const std::wstring& password) {
        kvxtest::ScriptedPeer target;
        target.Expect("hello").Send("world").ExpectClose();
        CTestProxyProfile profile(kind, m_port, user, password);
        CProxySocket socket;
        socket.SetProxy(&profile);
        if (!sendrixtest::ConnectToPeer(socket, target)) return false;
        char reply[5];
        bool talked =
            socket.Send("hello", 5, 0) == 5 && socket.Receive(reply, 5, 0) == 5 && std::string(reply, 5) == "world";
        socket.Close();
        EXPECT_TRUE(target.Finish()) << target.Error();
        return talked;
    }

    // The result of connecting through the proxy to a port nothing needs to
    // answer on (the handshake fails first).
    int ConnectOnly(int kind, const std::wstring& user, const std::wstring& password) {
        CTestProxyProfile profile(kind, m_port, user, password);
        CProxySocket socket;
        socket.SetProxy(&profile);
        return socket.Connect(L"127.0.0.1", 9);
    }

    kvxtest::RecordingLog m_log;
    kvxtest::TempFolder m_folder;
    sendrixtest::CLoopbackDaemon m_proxy;
    int m_port = 0;
};

class TinyproxyTest : public ProxyIntegrationTest {
protected:
    void SetUp() override {
        ProxyIntegrationTest::SetUp();
        // Without ConnectPort lines every port may be tunnelled.
        std::string config = m_folder.WriteFile(
            "tinyproxy.conf", "Port " + std::to_string(m_port) +
                                  "\nListen 127.0.0.1\nAllow 127.0.0.1\nTimeout 10\nMaxClients 4\n"
                                  "LogLevel Info\nLogFile \"" + m_folder.Sub("tinyproxy.log") + "\"\n"
                                  "BasicAuth anna s3cret\n");
        StartProxy("tinyproxy", {"tinyproxy", "-d", "-c", config});
    }
};

TEST_F(TinyproxyTest, HttpConnectWithCredentialsTunnelsToTheTarget) {
    EXPECT_TRUE(TalkThrough(kProxyHttp, L"anna", L"s3cret"));
    EXPECT_EQ(EventCodes(m_log, L"ONLINE"), std::vector<int>{16});
}

TEST_F(TinyproxyTest, WrongCredentialsAreRefusedWithTheStatusLine) {
    EXPECT_EQ(ConnectOnly(kProxyHttp, L"anna", L"wrong"), 0);
    EXPECT_EQ(EventCodes(m_log, L"ONLINE"), (std::vector<int>{16, -31, 8}));
}

class MicrosocksTest : public ProxyIntegrationTest {
protected:
    void SetUp() override {
        ProxyIntegrationTest::SetUp();
        StartProxy("microsocks",
                   {"microsocks", "-i", "127.0.0.1", "-p", std::to_string(m_port), "-u", "anna", "-P", "s3cret"});
    }
};

TEST_F(MicrosocksTest, Socks5WithUserAndPasswordTunnelsToTheTarget) {
    EXPECT_TRUE(TalkThrough(kProxySocks5, L"anna", L"s3cret"));
    EXPECT_EQ(EventCodes(m_log, L"ONLINE"), std::vector<int>{16});
}

TEST_F(MicrosocksTest, Socks5WithoutCredentialsFindsNoAcceptableMethod) {
    EXPECT_EQ(ConnectOnly(kProxySocks5, L"", L""), 0);
    EXPECT_EQ(EventCodes(m_log, L"ONLINE"), (std::vector<int>{16, -28}));
}

} // namespace
