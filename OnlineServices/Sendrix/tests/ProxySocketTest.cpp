#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "OnlineServices/Sendrix/Posix/HostResolver.h"
#include "OnlineServices/Sendrix/Posix/SocketError.h"
#include "OnlineServices/Sendrix/ProxySocket.h"
#include "OnlineServices/Sendrix/tests/support/LogEvents.h"
#include "testing/Online/SocketTesting.h"
#include "testing/Online/TestProxyProfile.h"
#include "testing/RecordingLog.h"
#include "testing/ScriptedPeer.h"
#include "utility/LibraryLog.h"

namespace {

using sendrixtest::EventCodes;

// No name resolves here, so names go to the proxy; dotted text still works.
bool NoNameResolves(const char* name, uint32_t* address) { return false; }

std::string Bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values) out += (char)v;
    return out;
}

const std::string kLoopback = Bytes({127, 0, 0, 1});
const std::string kPort21 = Bytes({0, 21});
const std::string kPort8080 = Bytes({0x1F, 0x90});
const std::string kTargetName = "target.example";

class ProxySocketTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetHostLookupForTests(NoNameResolves);
        sendrixtest::DefineSocketEvents(m_log);
        m_log.Define(L"ONLINE", 16, L"%s");
        m_log.Define(L"ONLINE", 8, L"%s");
        SetLibraryLog(&m_log);
        // A script that goes wrong fails in seconds, not after 20.
        CBasicSocket::SetReceiveTimeout(30000);
    }
    void TearDown() override {
        SetLibraryLog(nullptr);
        SetHostLookupForTests(nullptr);
        CBasicSocket::SetReceiveTimeout(20000);
    }

    std::wstring OnlineText(int code) const {
        for (const kvxtest::RecordedEntry& e : m_log.Entries())
            if (e.category == L"ONLINE" && e.code == code) return e.text;
        return L"";
    }

    kvxtest::RecordingLog m_log;
};

struct ProxyCase {
    const char* name;
    int kind;
    std::wstring user;
    std::wstring password;
    const wchar_t* target;
    unsigned port;
    std::function<void(kvxtest::ScriptedPeer&)> script;
    int result;
    std::vector<int> events;   // "ONLINE" events after the 16 that every connect logs
    std::string tunnelled;     // what the tunnel delivers after a successful connect
};

TEST_F(ProxySocketTest, HandshakesAgainstAScriptedProxy) {
    const std::string socks5Greeting = Bytes({5, 1, 0});
    const std::string socks5GreetingWithCredentials = Bytes({5, 2, 2, 0});
    const std::string socks5ConnectLoopback21 = Bytes({5, 1, 0, 1}) + kLoopback + kPort21;
    const std::string socks5ConnectName8080 = Bytes({5, 1, 0, 3, (int)kTargetName.size()}) + kTargetName + kPort8080;
    const std::string longCredentials = "dXV1dXV1dXV1dXV1dXV1dXV1dXV1dXV1dXV1dXV1dXV1dXV1dXV1dTpwcHBwcHBwcHBwcHBwcHBwcHBwcHBwcHBwcHBwcHA=";

    const std::vector<ProxyCase> cases = {
        {"http 407", kProxyHttp, L"", L"", L"target.example", 8080,
         [](kvxtest::ScriptedPeer& p) {
             p.Expect("CONNECT target.example:8080 HTTP/1.1\r\nHost: target.example:8080\r\n\r\n")
                 .Send("HTTP/1.1 407 Proxy Authentication Required\r\nProxy-Authenticate: Basic\r\n\r\n");
         },
         0, {-31, 8}, ""},
        {"http 200 with headers tunnels a port other than 80 and 443", kProxyHttp, L"anna", L"s3cret", L"127.0.0.1", 21,
         [](kvxtest::ScriptedPeer& p) {
             p.Expect("CONNECT 127.0.0.1:21 HTTP/1.1\r\nHost: 127.0.0.1:21\r\n"
                      "Proxy-Authorization: Basic YW5uYTpzM2NyZXQ=\r\n\r\n")
                 .Send("HTTP/1.0 200 Connection established\r\nProxy-agent: test\r\n")
                 .Delay(50)
                 .Send("\r\n220 Welcome");
         },
         1, {}, "220 Welcome"},
        {"http credentials longer than a Base64 line stay on one line", kProxyHttp, std::wstring(40, L'u'),
         std::wstring(30, L'p'), L"127.0.0.1", 443,
         [=](kvxtest::ScriptedPeer& p) {
             p.Expect("CONNECT 127.0.0.1:443 HTTP/1.1\r\nHost: 127.0.0.1:443\r\nProxy-Authorization: Basic " +
                      longCredentials + "\r\n\r\n")
                 .Send("HTTP/1.1 200 OK\r\n\r\n");
         },
         1, {}, ""},
        {"http answer that is no HTTP", kProxyHttp, L"", L"", L"127.0.0.1", 80,
         [](kvxtest::ScriptedPeer& p) { p.SkipLine().SkipLine().SkipLine().Send("SSH-2.0-OpenSSH\r\n\r\n"); }, 0,
         {-31}, ""},
        {"http head cut short", kProxyHttp, L"", L"", L"127.0.0.1", 80,
         [](kvxtest::ScriptedPeer& p) { p.SkipLine().SkipLine().SkipLine().Send("HTTP/1.1 200 OK\r\n").Close(); }, 0,
         {-31}, ""},
        {"socks5 method 0 skips the credentials", kProxySocks5, L"anna", L"s3cret", L"127.0.0.1", 21,
         [=](kvxtest::ScriptedPeer& p) {
             p.Expect(socks5GreetingWithCredentials)
                 .Send(Bytes({5, 0}))
                 .Expect(socks5ConnectLoopback21)
                 .Send(Bytes({5, 0, 0}))
                 .Delay(50)
                 .Send(Bytes({1}) + kLoopback + kPort21 + "data");
         },
         1, {}, "data"},
        {"socks5 method 2 with a name and an IPv6 answer", kProxySocks5, L"anna", L"s3cret", L"target.example", 8080,
         [=](kvxtest::ScriptedPeer& p) {
             p.Expect(socks5GreetingWithCredentials)
                 .Send(Bytes({5, 2}))
                 .Expect(Bytes({1, 4}) + "anna" + Bytes({6}) + "s3cret")
                 .Send(Bytes({1, 0}))
                 .Expect(socks5ConnectName8080)
                 .Send(Bytes({5, 0, 0, 4}) + std::string(16, '\x01') + kPort8080 + "tunnel");
         },
         1, {}, "tunnel"},
        {"socks5 method 2 without credentials", kProxySocks5, L"", L"", L"127.0.0.1", 21,
         [=](kvxtest::ScriptedPeer& p) { p.Expect(socks5Greeting).Send(Bytes({5, 2})); }, 0, {-27}, ""},
        {"socks5 no acceptable method", kProxySocks5, L"anna", L"s3cret", L"127.0.0.1", 21,
         [=](kvxtest::ScriptedPeer& p) { p.Expect(socks5GreetingWithCredentials).Send(Bytes({5, 0xFF})); }, 0, {-28},
         ""},
        {"socks5 credentials refused", kProxySocks5, L"anna", L"wrong", L"127.0.0.1", 21,
         [=](kvxtest::ScriptedPeer& p) {
             p.Expect(socks5GreetingWithCredentials).Send(Bytes({5, 2})).Receive(12).Send(Bytes({1, 1}));
         },
         0, {-26}, ""},
        {"socks5 connection refused by the proxy", kProxySocks5, L"", L"", L"127.0.0.1", 21,
         [=](kvxtest::ScriptedPeer& p) {
             p.Expect(socks5Greeting)
                 .Send(Bytes({5, 0}))
                 .Expect(socks5ConnectLoopback21)
                 .Send(Bytes({5, 5, 0, 1}) + kLoopback + kPort21);
         },
         0, {-31}, ""},
        {"socks4a sends the name", kProxySocks4a, L"", L"", L"target.example", 8080,
         [=](kvxtest::ScriptedPeer& p) {
             p.Expect(Bytes({4, 1}) + kPort8080 + Bytes({0, 0, 0, 1, 0}) + kTargetName + Bytes({0}))
                 .Send(Bytes({0, 0x5A, 0}))
                 .Delay(50)
                 .Send(Bytes({0, 0, 0, 0, 0}) + "go");
         },
         1, {}, "go"},
        {"socks4 with an address", kProxySocks4, L"", L"", L"127.0.0.1", 21,
         [=](kvxtest::ScriptedPeer& p) {
             p.Expect(Bytes({4, 1}) + kPort21 + kLoopback + Bytes({0})).Send(Bytes({0, 0x5A, 0, 0, 0, 0, 0, 0}));
         },
         1, {}, ""},
        {"socks4 request rejected", kProxySocks4, L"", L"", L"127.0.0.1", 21,
         [=](kvxtest::ScriptedPeer& p) { p.Receive(9).Send(Bytes({0, 0x5B, 0, 0, 0, 0, 0, 0})); }, 0, {-31}, ""},
    };

    for (const ProxyCase& c : cases) {
        SCOPED_TRACE(c.name);
        m_log.Clear();
        kvxtest::ScriptedPeer proxy;
        c.script(proxy);
        proxy.Start();
        CTestProxyProfile profile(c.kind, proxy.Port(), c.user, c.password);
        CProxySocket socket;
        socket.SetProxy(&profile);
        EXPECT_EQ(socket.Connect(c.target, c.port), c.result);
        std::vector<int> events = {16};
        events.insert(events.end(), c.events.begin(), c.events.end());
        EXPECT_EQ(EventCodes(m_log, L"ONLINE"), events);
        EXPECT_EQ(OnlineText(16), L"127.0.0.1:" + std::to_wstring(proxy.Port()));
        if (!c.tunnelled.empty()) {
            std::string got(c.tunnelled.size(), '\0');
            int n = 0;
            while (n < (int)got.size()) {
                int r = socket.Receive(got.data() + n, (int)got.size() - n, 0);
                if (r <= 0) break;
                n += r;
            }
            EXPECT_EQ(got, c.tunnelled);
        }
        socket.Close();
        EXPECT_TRUE(proxy.Finish()) << proxy.Error();
    }
}

TEST_F(ProxySocketTest, RefusedConnectLogsTheStatusLine) {
    kvxtest::ScriptedPeer proxy;
    proxy.SkipLine().SkipLine().SkipLine().Send("HTTP/1.1 407 Proxy Authentication Required\r\n\r\n");
    proxy.Start();
    CTestProxyProfile profile(kProxyHttp, proxy.Port());
    CProxySocket socket;
    socket.SetProxy(&profile);
    EXPECT_EQ(socket.Connect(L"127.0.0.1", 80), 0);
    EXPECT_EQ(OnlineText(8), L"HTTP/1.1 407 Proxy Authentication Required");
    EXPECT_TRUE(proxy.Finish()) << proxy.Error();
}

TEST_F(ProxySocketTest, Socks4CannotCarryANameThatDoesNotResolveHere) {
    CTestProxyProfile profile(kProxySocks4, 9);
    CProxySocket socket;
    socket.SetProxy(&profile);
    EXPECT_EQ(socket.Connect(L"target.example", 80), 0);
    EXPECT_EQ(GetSocketError(), WSAEINVAL);
    EXPECT_EQ(EventCodes(m_log, L"ONLINE"), (std::vector<int>{16, -29}));
    EXPECT_EQ(socket.IsValid(), 0);  // the proxy was never contacted
}

TEST_F(ProxySocketTest, UnreachableProxyLogsMinus30) {
    CTestProxyProfile profile(kProxySocks5, sendrixtest::FreeLoopbackPort());
    CProxySocket socket;
    socket.SetProxy(&profile);
    EXPECT_EQ(socket.Connect(L"127.0.0.1", 21), 0);
    EXPECT_EQ(EventCodes(m_log, L"ONLINE"), (std::vector<int>{16, -30}));
    EXPECT_EQ(EventCodes(m_log, L"SOCKET"), std::vector<int>{-3});
}

TEST_F(ProxySocketTest, CloseForgetsTheProxySoTheNextConnectGoesDirect) {
    kvxtest::ScriptedPeer target;
    target.Expect("hello").ExpectClose();
    CTestProxyProfile profile(kProxySocks5, 1);
    CProxySocket socket;
    socket.SetProxy(&profile);
    EXPECT_EQ(socket.GetProxyKind(), kProxySocks5);
    socket.Close();
    EXPECT_EQ(socket.GetProxyKind(), kProxyNone);
    ASSERT_TRUE(sendrixtest::ConnectToPeer(socket, target));
    EXPECT_EQ(socket.Send("hello", 5, 0), 5);
    socket.Close();
    EXPECT_TRUE(target.Finish()) << target.Error();
    EXPECT_EQ(target.Received(), "hello");
    EXPECT_TRUE(EventCodes(m_log, L"ONLINE").empty());
}

TEST_F(ProxySocketTest, ProfilesWithoutAProxyChangeNothing) {
    CTestProxyProfile socks(kProxySocks5, 1080);
    CTestProxyProfile direct(kProxyDirect, 1080);
    CProxySocket socket;
    socket.SetProxy(&socks);
    socket.SetProxy(&direct);
    socket.SetProxy(nullptr);
    EXPECT_EQ(socket.GetProxyKind(), kProxySocks5);
}

TEST_F(ProxySocketTest, PeerNameThroughAProxyIsTheTarget) {
    kvxtest::ScriptedPeer proxy;
    proxy.Receive(3).Send(Bytes({5, 0})).Receive(10).Send(Bytes({5, 0, 0, 1}) + kLoopback + Bytes({0, 0})).ExpectClose();
    proxy.Start();
    CTestProxyProfile profile(kProxySocks5, proxy.Port());
    CProxySocket socket;
    socket.SetProxy(&profile);
    CBasicString address;
    int port = 0;
    EXPECT_EQ(socket.GetPeerName(address, port), 0);  // no target yet
    EXPECT_EQ(GetSocketError(), WSAENOTCONN);
    EXPECT_EQ(EventCodes(m_log, L"ONLINE"), std::vector<int>{-30});

    ASSERT_EQ(socket.Connect(L"10.1.2.3", 2121), 1);
    ASSERT_EQ(socket.GetPeerName(address, port), 1);
    EXPECT_STREQ(address.GetString(), L"10.1.2.3");
    EXPECT_EQ(port, 2121);
    socket.Close();
    EXPECT_TRUE(proxy.Finish()) << proxy.Error();
}

TEST_F(ProxySocketTest, ListeningThroughAProxyIsNotSupported) {
    CTestProxyProfile profile(kProxyHttp, 3128);
    CProxySocket socket;
    ASSERT_EQ(socket.Create(0, SOCK_STREAM, "127.0.0.1"), 1);
    socket.SetProxy(&profile);
    EXPECT_EQ(socket.Listen(5), 0);
    CProxySocket target;
    EXPECT_EQ(socket.AcceptProxied(&target, nullptr, nullptr), 0);
    auto entries = m_log.Entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].text, L"Listening on proxy protocol is not handled at the moment.");
    EXPECT_EQ(entries[0].call, kvxtest::LogCall::WriteSourceMessage);
}

} // namespace
