#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <string>

#include "OnlineServices/Sendrix/BasicSocket.h"
#include "OnlineServices/Sendrix/Posix/HostResolver.h"
#include "OnlineServices/Sendrix/Posix/SocketError.h"
#include "OnlineServices/Sendrix/tests/support/LogEvents.h"
#include "testing/Online/SocketTesting.h"
#include "testing/RecordingLog.h"
#include "testing/ScriptedPeer.h"
#include "utility/BasicString.h"
#include "utility/LibraryLog.h"

namespace {

using sendrixtest::ConnectToPeer;
using sendrixtest::EventCodes;

std::atomic<int> g_lookups{0};

bool CountingLookup(const char* name, uint32_t* address) {
    ++g_lookups;
    return false;
}

int OpenDescriptorCount() {
    int count = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir)) ++count;
        closedir(dir);
    }
    return count;
}

class BasicSocketTest : public ::testing::Test {
protected:
    void SetUp() override {
        sendrixtest::DefineSocketEvents(m_log);
        SetLibraryLog(&m_log);
    }
    void TearDown() override {
        SetLibraryLog(nullptr);
        CBasicSocket::SetReceiveTimeout(20000);
        SetHostLookupForTests(nullptr);
    }

    kvxtest::RecordingLog m_log;
};

TEST_F(BasicSocketTest, TakesTheLibraryWideLogWhenMadeUnlessGivenOne) {
    CBasicSocket fromLibrary;
    kvxtest::RecordingLog other;
    CBasicSocket given(&other);
    EXPECT_EQ(fromLibrary.GetLog(), &m_log);
    EXPECT_EQ(given.GetLog(), &other);
}

TEST_F(BasicSocketTest, ReceiveGivesZeroAtOnceWhenThePeerHasClosed) {
    kvxtest::ScriptedPeer peer;
    peer.Send("hi").Close();
    CBasicSocket socket;
    ASSERT_TRUE(ConnectToPeer(socket, peer));
    char buffer[16];
    ASSERT_EQ(peer.Finish(), true) << peer.Error();
    EXPECT_EQ(socket.Receive(buffer, sizeof buffer, 0), 2);
    EXPECT_EQ(socket.Receive(buffer, sizeof buffer, 0), 0);
    EXPECT_TRUE(EventCodes(m_log, L"SOCKET").empty());
}

TEST_F(BasicSocketTest, ReceiveTimesOutWithMinusOneAndLogsMinusSeven) {
    CBasicSocket::SetReceiveTimeout(150);
    kvxtest::ScriptedPeer peer;
    peer.WaitForGo().Close();  // silent until the receive has timed out
    CBasicSocket socket;
    ASSERT_TRUE(ConnectToPeer(socket, peer));
    char buffer[16];
    EXPECT_EQ(socket.Receive(buffer, sizeof buffer, 0), -1);
    peer.Go();
    EXPECT_EQ(GetSocketError(), WSAETIMEDOUT);
    ASSERT_EQ(EventCodes(m_log, L"SOCKET"), std::vector<int>{-7});
    EXPECT_EQ(m_log.Entries()[0].text.rfind(L"(10060) ", 0), 0u) << m_log.Entries()[0].text;
    EXPECT_TRUE(peer.Finish()) << peer.Error();
}

TEST_F(BasicSocketTest, ReceiveWithoutWaitingGivesMinusOneQuietlyWhenNothingIsThere) {
    kvxtest::ScriptedPeer peer;
    peer.WaitForGo().Send("x").Close();
    CBasicSocket socket;
    ASSERT_TRUE(ConnectToPeer(socket, peer));
    char buffer[4];
    EXPECT_EQ(socket.Receive(buffer, sizeof buffer, MSG_DONTWAIT), -1);
    EXPECT_EQ(GetSocketError(), WSAEWOULDBLOCK);
    EXPECT_TRUE(EventCodes(m_log, L"SOCKET").empty());
    peer.Go();
    EXPECT_EQ(socket.Receive(buffer, sizeof buffer, 0), 1);
    EXPECT_TRUE(peer.Finish()) << peer.Error();
}

TEST_F(BasicSocketTest, ReceiveWithoutAHandleFailsAtOnce) {
    CBasicSocket socket;
    char buffer[4];
    EXPECT_EQ(socket.Receive(buffer, sizeof buffer, 0), -1);
    EXPECT_TRUE(m_log.Entries().empty());
}

TEST_F(BasicSocketTest, DottedAddressNeverReachesTheResolver) {
    SetHostLookupForTests(CountingLookup);
    g_lookups = 0;
    kvxtest::ScriptedPeer peer;
    peer.Close();
    CBasicSocket socket;
    EXPECT_TRUE(ConnectToPeer(socket, peer));
    EXPECT_EQ(g_lookups.load(), 0);
    EXPECT_TRUE(peer.Finish()) << peer.Error();
}

TEST_F(BasicSocketTest, UnresolvableNameLogsMinusTenAndKeepsTheSocketForALaterConnect) {
    SetHostLookupForTests(CountingLookup);
    g_lookups = 0;
    CBasicSocket socket;
    EXPECT_EQ(socket.Connect(L"nowhere.invalid", 80), 0);
    EXPECT_EQ(g_lookups.load(), 1);
    EXPECT_EQ(GetSocketError(), WSAHOST_NOT_FOUND);
    EXPECT_EQ(EventCodes(m_log, L"SOCKET"), std::vector<int>{-10});
    ASSERT_EQ(socket.IsValid(), 1);
    SOCKET created = socket.GetHandle();

    kvxtest::ScriptedPeer peer;
    peer.Close();
    EXPECT_TRUE(ConnectToPeer(socket, peer));
    EXPECT_EQ(socket.GetHandle(), created);
    EXPECT_TRUE(peer.Finish()) << peer.Error();
}

TEST_F(BasicSocketTest, RefusedConnectionLogsMinusThree) {
    int port = sendrixtest::FreeLoopbackPort();
    CBasicSocket socket;
    EXPECT_EQ(socket.Connect(L"127.0.0.1", (unsigned)port), 0);
    EXPECT_EQ(GetSocketError(), WSAECONNREFUSED);
    EXPECT_EQ(EventCodes(m_log, L"SOCKET"), std::vector<int>{-3});
}

TEST_F(BasicSocketTest, CreateWithAnAddressThatIsNoDottedTextFailsWithoutLeavingASocket) {
    int before = OpenDescriptorCount();
    CBasicSocket socket;
    EXPECT_EQ(socket.Create(0, SOCK_STREAM, "x"), 0);
    EXPECT_EQ(GetSocketError(), WSAEINVAL);
    EXPECT_EQ(socket.IsValid(), 0);
    EXPECT_EQ(OpenDescriptorCount(), before);
    EXPECT_EQ(EventCodes(m_log, L"SOCKET"), std::vector<int>{-1});
    EXPECT_EQ(m_log.Entries()[0].text.rfind(L"(10022) ", 0), 0u) << m_log.Entries()[0].text;
}

TEST_F(BasicSocketTest, CloseTwiceIsHarmless) {
    CBasicSocket socket;
    ASSERT_EQ(socket.Create(0, SOCK_STREAM, nullptr), 1);
    EXPECT_EQ(socket.Close(), 1);
    EXPECT_EQ(socket.IsValid(), 0);
    EXPECT_EQ(socket.Close(), 1);
    EXPECT_TRUE(m_log.Entries().empty());
}

TEST_F(BasicSocketTest, ListenAcceptAndTheNamesOfBothEnds) {
    CBasicSocket listener;
    ASSERT_EQ(listener.Create(0, SOCK_STREAM, "127.0.0.1"), 1);
    ASSERT_EQ(listener.Listen(5), 1);
    CBasicString listenAddress;
    int listenPort = 0;
    ASSERT_EQ(listener.GetSockName(listenAddress, listenPort), 1);
    EXPECT_STREQ(listenAddress.GetString(), L"127.0.0.1");
    ASSERT_GT(listenPort, 0);

    CBasicSocket client;
    ASSERT_EQ(client.Connect(L"127.0.0.1", (unsigned)listenPort), 1);
    CBasicSocket accepted;
    sockaddr_in from{};
    int fromLength = sizeof from;
    ASSERT_EQ(listener.Accept(&accepted, reinterpret_cast<sockaddr*>(&from), &fromLength), 1);
    EXPECT_EQ(fromLength, (int)sizeof from);

    CBasicString clientAddress, peerAddress;
    int clientPort = 0, peerPort = 0;
    ASSERT_EQ(client.GetSockName(clientAddress, clientPort), 1);
    ASSERT_EQ(accepted.GetPeerName(peerAddress, peerPort), 1);
    EXPECT_STREQ(peerAddress.GetString(), clientAddress.GetString());
    EXPECT_EQ(peerPort, clientPort);
    EXPECT_EQ(ntohs(from.sin_port), clientPort);

    EXPECT_EQ(client.Send("ping", 4, 0), 4);
    char buffer[8] = {};
    EXPECT_EQ(accepted.Receive(buffer, sizeof buffer, 0), 4);
    EXPECT_STREQ(buffer, "ping");
}

TEST_F(BasicSocketTest, NamesOfAnUnconnectedSocketFailWithTheirCodes) {
    CBasicSocket socket;
    ASSERT_EQ(socket.Create(0, SOCK_STREAM, nullptr), 1);
    CBasicString address;
    int port = 0;
    EXPECT_EQ(socket.GetPeerName(address, port), 0);
    EXPECT_EQ(GetSocketError(), WSAENOTCONN);
    EXPECT_EQ(EventCodes(m_log, L"SOCKET"), std::vector<int>{-9});
}

TEST_F(BasicSocketTest, TlsAndProxyOperationsAreReportedAsUnsupported) {
    CBasicSocket socket;
    EXPECT_EQ(socket.InitTLS(nullptr, nullptr), 0);
    EXPECT_EQ(socket.GetTLSContext(), nullptr);
    socket.SetProxy(nullptr);
    EXPECT_EQ(socket.SetCertificateFile(L"ClientCert.pem"), 0);
    EXPECT_EQ(sendrixtest::AssertionCount(m_log), 4);
}

TEST_F(BasicSocketTest, SendToAClosedPeerFailsWithMinusSixWithoutASignal) {
    int pair[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair), 0);
    CBasicSocket socket;
    socket.Attach(pair[0]);
    close(pair[1]);
    EXPECT_EQ(socket.Send("data", 4, 0), -1);
    EXPECT_EQ(EventCodes(m_log, L"SOCKET"), std::vector<int>{-6});
}

} // namespace
