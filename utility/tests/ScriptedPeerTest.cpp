#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "testing/ScriptedPeer.h"

namespace {

int ConnectTo(int port) {
    int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons((uint16_t)port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(s, (sockaddr*)&a, sizeof a) != 0) {
        ::close(s);
        return -1;
    }
    return s;
}

std::string ReadAll(int s) {
    std::string out;
    char buf[256];
    ssize_t n;
    while ((n = ::recv(s, buf, sizeof buf, 0)) > 0) out.append(buf, (size_t)n);
    return out;
}

} // namespace

// The test kit's peer itself: a script passes on the right bytes, fails
// with a readable reason on the wrong ones.
TEST(ScriptedPeer, RunsScriptAndRecordsBytes) {
    kvxtest::ScriptedPeer peer;
    peer.Send("220 hello\r\n").ExpectLine("HELO x").Expect("AB").Send("250 ok\r\n").Close();
    peer.Start();
    int s = ConnectTo(peer.Port());
    ASSERT_GE(s, 0);
    std::string out = "HELO x\r\nAB";
    ASSERT_EQ(::send(s, out.data(), out.size(), 0), (ssize_t)out.size());
    EXPECT_EQ(ReadAll(s), "220 hello\r\n250 ok\r\n");
    ::close(s);
    EXPECT_TRUE(peer.Finish()) << peer.Error();
    EXPECT_EQ(peer.Received(), "HELO x\r\nAB");
}

TEST(ScriptedPeer, WrongBytesFailTheScript) {
    kvxtest::ScriptedPeer peer;
        peer.ExpectLine("QUIT");
    peer.Start();
    int s = ConnectTo(peer.Port());
    ASSERT_GE(s, 0);
    ::send(s, "NOOP\r\n", 6, 0);
    EXPECT_FALSE(peer.Finish());
    EXPECT_NE(peer.Error().find("NOOP"), std::string::npos);
    ::close(s);
}

TEST(ScriptedPeer, ExpectCloseSeesTheClientsEnd) {
    kvxtest::ScriptedPeer peer;
    peer.ExpectClose();
    peer.Start();
    int s = ConnectTo(peer.Port());
    ASSERT_GE(s, 0);
    ::send(s, "bye", 3, 0);
    ::close(s);
    EXPECT_TRUE(peer.Finish()) << peer.Error();
    EXPECT_EQ(peer.Received(), "bye");
}
