#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "OnlineServices/Sendrix/Archive.h"
#include "OnlineServices/Sendrix/BasicSocket.h"
#include "OnlineServices/Sendrix/SocketFile.h"
#include "OnlineServices/Sendrix/StreamErrors.h"
#include "testing/Online/SocketTesting.h"
#include "testing/RecordingLog.h"
#include "testing/ScriptedPeer.h"
#include "utility/LibraryLog.h"

namespace {

// A socket that records the length of every receive it is asked for, and
// tells afterReceive of each receive that gave bytes.
class CRecordingSocket : public CBasicSocket {
public:
    int Receive(void* buffer, int length, int flags) override {
        if (!(flags & MSG_DONTWAIT)) asked.push_back(length);
        int got = CBasicSocket::Receive(buffer, length, flags);
        if (got > 0 && afterReceive) afterReceive();
        return got;
    }
    std::vector<int> asked;
    std::function<void()> afterReceive;
};

using sendrixtest::ConnectToPeer;
using sendrixtest::ThrownCode;

// Every line ReadString gives for a stream, until it gives null.
std::vector<std::string> ReadLines(const std::string& stream, int max) {
    CBasicSocket socket;
    EXPECT_TRUE(sendrixtest::AttachStream(socket, stream));
    CSocketFile file(&socket, 1);
    CArchive archive(&file, 3, 4096, nullptr);
    std::vector<std::string> lines;
    std::vector<char> buffer((size_t)(max < 0 ? -max : max) + 1);
    while (const char* line = archive.ReadString(buffer.data(), max)) lines.push_back(line);
    return lines;
}

TEST(Archive, ReadStringEndsLinesAtCrOrLfAndKeepsTheEndOnlyWithANegativeMax) {
    struct Case {
        const char* stream;
        int max;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"220 Ready\r\n", 512, {"220 Ready"}},
        {"220 Ready\r\n", -512, {"220 Ready\n"}},
        {"a\nb\r\nc", 512, {"a", "b", "c"}},
        {"a\nb\r\n", -512, {"a\n", "b\n"}},
        // CR takes the next character with it, whatever it is.
        {"x\ry\n", 512, {"x", ""}},
        {"x\ry\n", -512, {"xy", "\n"}},
        // A full line ends without its line end, which then reads as an
        // empty line.
        {"abcdef\r\n", 3, {"abc", "def", ""}},
        {"abc\r\n", -3, {"abc", "\n"}},
        {"", 512, {}},
        {"no line end", 512, {"no line end"}},
        {"last\r", 512, {"last"}},
    };
    for (const Case& c : cases) EXPECT_EQ(ReadLines(c.stream, c.max), c.lines) << c.stream << " / " << c.max;
}

TEST(Archive, LineSplitAcrossTwoReadsIsJoinedByTheRefill) {
    kvxtest::ScriptedPeer peer;
    // The rest of the line leaves only once the first part was read.
    peer.Send("220 Re").WaitForGo().Send("ady\r\n331 More\r\n").Close();
    CRecordingSocket socket;
    socket.afterReceive = [&peer] { peer.Go(); };
    ASSERT_TRUE(ConnectToPeer(socket, peer));
    CSocketFile file(&socket, 1);
    CArchive archive(&file, 3, 4096, nullptr);
    char line[521];
    ASSERT_NE(archive.ReadString(line, 520), nullptr);
    EXPECT_STREQ(line, "220 Ready");
    ASSERT_NE(archive.ReadString(line, 520), nullptr);
    EXPECT_STREQ(line, "331 More");
    EXPECT_EQ(archive.ReadString(line, 520), nullptr);
    EXPECT_GE(socket.asked.size(), 3u);
    EXPECT_TRUE(peer.Finish()) << peer.Error();
}

TEST(Archive, SmallBufferBecomes128BytesOfItsOwn) {
    CRecordingSocket socket;
    ASSERT_TRUE(sendrixtest::AttachStream(socket, std::string(300, 'x') + "\r\n"));
    CSocketFile file(&socket, 1);
    char supplied[100];
    memset(supplied, 'Z', sizeof supplied);
    CArchive archive(&file, 3, 100, supplied);
    EXPECT_EQ(archive.GetBufferSize(), 128u);
    std::vector<char> line(513);
    ASSERT_NE(archive.ReadString(line.data(), 512), nullptr);
    EXPECT_EQ(strlen(line.data()), 300u);
    ASSERT_FALSE(socket.asked.empty());
    EXPECT_EQ(socket.asked[0], 128);
    EXPECT_EQ(std::string(supplied, sizeof supplied), std::string(100, 'Z'));
}

TEST(Archive, SuppliedBufferOfEnoughSizeIsUsed) {
    CBasicSocket socket;
    ASSERT_TRUE(sendrixtest::AttachStream(socket, "250 done\r\n"));
    CSocketFile file(&socket, 1);
    char supplied[256] = {};
    CArchive archive(&file, 3, sizeof supplied, supplied);
    char line[64];
    ASSERT_NE(archive.ReadString(line, 63), nullptr);
    EXPECT_EQ(std::string(supplied, 10), "250 done\r\n");
}

TEST(Archive, WritesGoStraightToTheFileAndShortOnesAreRefused) {
    kvxtest::ScriptedPeer peer;
    peer.Expect("PWD\r\n").ExpectClose();
    CBasicSocket socket;
    ASSERT_TRUE(ConnectToPeer(socket, peer));
    CSocketFile file(&socket, 1);
    CArchive writer(&file, 2, 4096, nullptr);
    EXPECT_EQ(ThrownCode([&] { writer.WriteString(L"NO"); }), kArchiveWriteRefused);
    EXPECT_EQ(ThrownCode([&] { writer.WriteString(L"PWD\r\n"); }), 0);
    CArchive withoutFile(nullptr, 2, 4096, nullptr);
    EXPECT_EQ(ThrownCode([&] { withoutFile.Write("LIST\r\n", 6); }), kArchiveWriteRefused);
    socket.Close();
    EXPECT_TRUE(peer.Finish()) << peer.Error();
    EXPECT_EQ(peer.Received(), "PWD\r\n");
}

TEST(Archive, SocketFileFailuresPassThrough) {
    kvxtest::RecordingLog log;
    SetLibraryLog(&log);
    CBasicSocket::SetReceiveTimeout(100);
    kvxtest::ScriptedPeer peer;
    peer.WaitForGo().Close();  // silent until the read has timed out
    CBasicSocket socket;
    ASSERT_TRUE(ConnectToPeer(socket, peer));
    CSocketFile file(&socket, 1);
    CArchive reader(&file, 3, 4096, nullptr);
    char line[16];
    EXPECT_EQ(ThrownCode([&] { reader.ReadString(line, 15); }), kSocketReadFailed);
    peer.Go();
    EXPECT_TRUE(peer.Finish()) << peer.Error();

    CBasicSocket unconnected;
    CSocketFile broken(&unconnected, 1);
    CArchive writer(&broken, 2, 4096, nullptr);
    EXPECT_EQ(ThrownCode([&] { writer.WriteString(L"QUIT\r\n"); }), kSocketWriteFailed);
    CBasicSocket::SetReceiveTimeout(20000);
    SetLibraryLog(nullptr);
}

TEST(Archive, ReadDeliversBufferedThenWholeBlocksThenTheRest) {
    std::string stream;
    for (int i = 0; i < 1000; ++i) stream += (char)('a' + i % 26);
    CRecordingSocket socket;
    ASSERT_TRUE(sendrixtest::AttachStream(socket, stream));
    CSocketFile file(&socket, 0);
    CArchive archive(&file, 3, 128, nullptr);
    EXPECT_EQ(archive.ReadByte(), 'a');
    EXPECT_EQ(archive.ReadWord(), 'b' | ('c' << 8));
    std::string rest(1000, '\0');
    EXPECT_EQ(archive.Read(rest.data(), 900), 900u);
    EXPECT_EQ(rest.substr(0, 900), stream.substr(3, 900));
    // Fewer at the end of the stream.
    EXPECT_EQ(archive.Read(rest.data(), 500), 97u);
    EXPECT_EQ(rest.substr(0, 97), stream.substr(903));
    EXPECT_EQ(ThrownCode([&] { archive.ReadByte(); }), kArchiveEndOfFile);
    // The first refill asked for a whole buffer, the blocks after it came
    // straight from the file in multiples of the buffer size.
    ASSERT_GE(socket.asked.size(), 2u);
    EXPECT_EQ(socket.asked[0], 128);
    EXPECT_EQ(socket.asked[1] % 128, 0);
}

} // namespace
