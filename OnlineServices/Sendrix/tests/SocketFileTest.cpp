#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>

#include "OnlineServices/Sendrix/BasicSocket.h"
#include "OnlineServices/Sendrix/SocketFile.h"
#include "OnlineServices/Sendrix/StreamErrors.h"
#include "OnlineServices/Sendrix/tests/support/LogEvents.h"
#include "testing/Online/SocketTesting.h"
#include "testing/RecordingLog.h"
#include "testing/ScriptedPeer.h"
#include "utility/LibraryLog.h"

namespace {

using sendrixtest::ThrownCode;

class SocketFileTest : public ::testing::Test {
protected:
    void SetUp() override { SetLibraryLog(&m_log); }
    void TearDown() override {
        SetLibraryLog(nullptr);
        CBasicSocket::SetReceiveTimeout(20000);
    }

    void ConnectTo(kvxtest::ScriptedPeer& peer) { ASSERT_TRUE(sendrixtest::ConnectToPeer(m_socket, peer)); }

    kvxtest::RecordingLog m_log;
    CBasicSocket m_socket;
};

TEST_F(SocketFileTest, ReadWithoutSingleReadReturnsWhatCameBeforeThePeerClosed) {
    kvxtest::ScriptedPeer peer;
    peer.Send("01234").Delay(100).Send("56789").Close();
    ConnectTo(peer);
    CSocketFile file(&m_socket, 0);
    char buffer[100];
    DWORD done = 0;
    EXPECT_EQ(file.Read(buffer, sizeof buffer, &done), 10);
    EXPECT_EQ(done, 10u);
    EXPECT_EQ(std::string(buffer, 10), "0123456789");
    EXPECT_TRUE(peer.Finish()) << peer.Error();
}

TEST_F(SocketFileTest, SingleReadEndsAfterOneReceive) {
    kvxtest::ScriptedPeer peer;
    peer.Send("abc").WaitForGo().Send("def").Close();
    ConnectTo(peer);
    CSocketFile file(&m_socket, 1);
    char buffer[100];
    EXPECT_EQ(file.Read(buffer, sizeof buffer, nullptr), 3);
    peer.Go();
    EXPECT_EQ(file.Read(buffer, sizeof buffer, nullptr), 3);
    EXPECT_EQ(file.Read(buffer, sizeof buffer, nullptr), 0);
    EXPECT_TRUE(peer.Finish()) << peer.Error();
}

TEST_F(SocketFileTest, ReadFailuresThrowMinus21) {
    char buffer[8];
    CBasicSocket unconnected;
    CSocketFile withoutHandle(&unconnected, 1);
    EXPECT_EQ(ThrownCode([&] { withoutHandle.Read(buffer, sizeof buffer, nullptr); }), kSocketReadFailed);

    CSocketFile withoutSocket(nullptr, 1);
    int reports = sendrixtest::AssertionCount(m_log);
    EXPECT_EQ(ThrownCode([&] { withoutSocket.Read(buffer, sizeof buffer, nullptr); }), kSocketReadFailed);
    EXPECT_GT(sendrixtest::AssertionCount(m_log), reports);

    CBasicSocket::SetReceiveTimeout(100);
    kvxtest::ScriptedPeer silent;
    silent.WaitForGo().Close();  // silent until the read has timed out
    ConnectTo(silent);
    CSocketFile timedOut(&m_socket, 1);
    EXPECT_EQ(ThrownCode([&] { timedOut.Read(buffer, sizeof buffer, nullptr); }), kSocketReadFailed);
    silent.Go();
    EXPECT_TRUE(silent.Finish()) << silent.Error();
}

TEST_F(SocketFileTest, WriteDropsWaitingInputFirstAndSendsOnce) {
    kvxtest::ScriptedPeer peer;
    peer.Send("stale reply\r\n").Expect("PWD\r\n").Send("257 \"/\"\r\n").Close();
    ConnectTo(peer);
    pollfd p{m_socket.GetHandle(), POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 60000), 1);  // the stale reply is waiting

    CSocketFile file(&m_socket, 1);
    DWORD done = 0;
    EXPECT_EQ(file.Write("PWD\r\n", 5, &done), 5);
    EXPECT_EQ(done, 5u);
    char buffer[64];
    int got = file.Read(buffer, sizeof buffer, nullptr);
    EXPECT_EQ(std::string(buffer, (size_t)got), "257 \"/\"\r\n");
    EXPECT_TRUE(peer.Finish()) << peer.Error();
}

TEST_F(SocketFileTest, WriteNeverWaitsForInputThatIsNotThere) {
    kvxtest::ScriptedPeer peer;
    peer.Expect("NOOP\r\n").Delay(300).Send("200 ok\r\n").Close();
    ConnectTo(peer);
    CSocketFile file(&m_socket, 1);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(file.Write("NOOP\r\n", 6, nullptr), 6);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(15));
    char buffer[16];
    EXPECT_EQ(file.Read(buffer, sizeof buffer, nullptr), 8);
    EXPECT_TRUE(peer.Finish()) << peer.Error();
}

TEST_F(SocketFileTest, WriteAfterThePeerHasClosedEndsTheDrainAndFailsWithMinus22) {
    int pair[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair), 0);
    ASSERT_EQ(write(pair[1], "bye", 3), 3);
    close(pair[1]);
    m_socket.Attach(pair[0]);
    CSocketFile file(&m_socket, 1);
    EXPECT_EQ(ThrownCode([&] { file.Write("QUIT\r\n", 6, nullptr); }), kSocketWriteFailed);

    CBasicSocket unconnected;
    CSocketFile withoutHandle(&unconnected, 1);
    EXPECT_EQ(ThrownCode([&] { withoutHandle.Write("QUIT\r\n", 6, nullptr); }), kSocketWriteFailed);
}

TEST_F(SocketFileTest, CloseForgetsTheSocketWithoutClosingIt) {
    ASSERT_EQ(m_socket.Create(0, SOCK_STREAM, nullptr), 1);
    CSocketFile file(&m_socket, 1);
    EXPECT_EQ(file.Close(), 1);
    EXPECT_EQ(file.Close(), 1);
    EXPECT_EQ(m_socket.IsValid(), 1);
    char buffer[4];
    EXPECT_EQ(ThrownCode([&] { file.Read(buffer, sizeof buffer, nullptr); }), kSocketReadFailed);
}

} // namespace
