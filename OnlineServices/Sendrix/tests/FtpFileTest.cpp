#include <gtest/gtest.h>

#include <algorithm>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "OnlineServices/Sendrix/BasicSocket.h"
#include "OnlineServices/Sendrix/FtpConnection.h"
#include "OnlineServices/Sendrix/FtpFile.h"
#include "OnlineServices/Sendrix/OnlineProfile.h"
#include "OnlineServices/Sendrix/SSLSocket.h"
#include "OnlineServices/Sendrix/tests/support/FtpTesting.h"
#include "OnlineServices/Sendrix/tests/support/LogEvents.h"
#include "testing/RecordingLog.h"
#include "testing/ScriptedPeer.h"

namespace {

using sendrixtest::PassiveReply;

class FtpFileTest : public sendrixtest::FtpScriptedTest {};

TEST(FtpPassiveReplyTest, AddressAndPort) {
    struct {
        const wchar_t* reply;
        int result;
        const wchar_t* address;
        int port;
    } cases[] = {
        {L"227 Entering Passive Mode (10,0,0,5,19,137).", 0, L"10.0.0.5", 5001},
        {L"227 =127,0,0,1,255,255 (127,0,0,1,255,255)", 0, L"127.0.0.1", 65535},
        {L"227 Entering Passive Mode 10,0,0,5,19,137", -5, L"", 0},
        {L"227 )10,0,0,5,19,137(", -5, L"", 0},
        {L"227 (5)", -5, L"", 0},
        {L"227 ( 10, 0, 0, 5, 19, 137 )", 0, L"10.0.0.5", 5001},
        {L"227 (10,0,0,5,19)", -5, L"", 0},
        {L"227 (10,0,0,5,19,137,1)", -5, L"", 0},
        {L"227 (300,0,0,1,1,1)", -5, L"", 0},
        {L"227 (1,2,3,4,256,0)", -5, L"", 0},
        {L"227 (1,2,3,4,1a,0)", -5, L"", 0},
        {L"227 (1,2,3,4,-1,0)", -5, L"", 0},
        {L"227 (1,2,3,4,,0)", -5, L"", 0},
        {L"227 (0001,2,3,4,5,6)", -5, L"", 0},
    };
    for (const auto& c : cases) {
        CBasicString address;
        int port = 0;
        EXPECT_EQ(ParsePassiveReply(c.reply, address, port), c.result) << c.reply;
        EXPECT_STREQ(address.GetString(), c.address) << c.reply;
        EXPECT_EQ(port, c.port) << c.reply;
    }
}

TEST_F(FtpFileTest, PassiveReplyWithoutParentheses) {
    m_control.ExpectLine("PASV").Send("227 no address here\r\n");
    Connect();
    auto socket = std::make_unique<CSSLSocket>(nullptr);
    EXPECT_EQ(m_connection->OpenDataConnection(socket.get(), L"LIST /"), -5);
    EXPECT_EQ(m_connection->GetLastResult(), -5);
    Finish();
}

// A passive reply that names another host is followed only for its port:
// the data connection goes to the control connection's server.
TEST_F(FtpFileTest, PassiveDataGoesToTheControlServerWhateverTheReplyNames) {
    kvxtest::ScriptedPeer data;
    data.ExpectClose();
    data.Start();
    m_control.ExpectLine("PASV")
        .Send("227 Entering Passive Mode (192,0,2,77," + std::to_string(data.Port() >> 8) + "," +
              std::to_string(data.Port() & 0xFF) + ")\r\n")
        .ExpectLine("RETR f")
        .Send("150 here\r\n");
    Connect();
    auto socket = std::make_unique<CSSLSocket>(nullptr);
    EXPECT_GE(m_connection->OpenDataConnection(socket.get(), L"RETR f"), 0);
    socket.reset();
    EXPECT_TRUE(data.Finish()) << data.Error();
    Finish();
}

// The reply to the transfer command: a preliminary reply or exactly 200
// starts the transfer; anything else is a failure.
TEST_F(FtpFileTest, TransferCommandReplies) {
    struct {
        const char* reply;
        int ok;
    } cases[] = {{"150 here it comes", 1}, {"125 open", 1}, {"200 fine", 1}, {"226 done already", 0}, {"550 no", 0}};
    std::vector<std::unique_ptr<kvxtest::ScriptedPeer>> dataPeers;
    for (const auto& c : cases) {
        dataPeers.push_back(std::make_unique<kvxtest::ScriptedPeer>());
        dataPeers.back()->ExpectClose();
        dataPeers.back()->Start();
        m_control.ExpectLine("PASV").Send(PassiveReply(dataPeers.back()->Port()));
        m_control.ExpectLine("RETR f").Send(std::string(c.reply) + "\r\n");
    }
    Connect();
    for (size_t i = 0; i < dataPeers.size(); ++i) {
        auto socket = std::make_unique<CSSLSocket>(nullptr);
        int result = m_connection->OpenDataConnection(socket.get(), L"RETR f");
        EXPECT_EQ(result >= 0, cases[i].ok != 0) << cases[i].reply;
        socket.reset();
        EXPECT_TRUE(dataPeers[i]->Finish()) << dataPeers[i]->Error();
    }
    Finish();
}

// A read from position 1000 asks "REST 1000" first and "REST 0" after the
// transfer.
TEST_F(FtpFileTest, RestartedReadSendsTheRestPair) {
    m_data.Send("payload").Close();
    int port = StartData();
    m_control.ExpectLine("TYPE I")
        .Send("200 binary\r\n")
        .ExpectLine("CWD /dir/")
        .Send("250 ok\r\n")
        .ExpectLine("REST 1000")
        .Send("350 restarting\r\n")
        .ExpectLine("PASV")
        .Send(PassiveReply(port))
        .ExpectLine("RETR /dir/file.bin")
        .Send("150 sending\r\n226 sent\r\n")
        .ExpectLine("REST 0")
        .Send("350 restarting at 0\r\n");
    Connect();
    CFtpFile file(m_connection.get(), GENERIC_READ, nullptr);
    EXPECT_EQ(file.Seek(1000, 0), 1);
    ASSERT_GE(file.Open(L"\\dir\\file.bin", GENERIC_READ, 0, 0, 0), 0);
    char buffer[64];
    DWORD done = 0;
    EXPECT_EQ(file.Read(buffer, sizeof buffer, &done), 0);
    EXPECT_EQ(std::string(buffer, done), "payload");
    ULONGLONG position = 0;
    file.GetPosition(&position);
    EXPECT_EQ(position, 1007u);
    EXPECT_EQ(file.Close(), 1);
    file.GetPosition(&position);
    EXPECT_EQ(position, 0u);
    Finish();
}

// A download is whole only when the server confirms it and every byte it
// announced arrived: a resumed download the server aborts (426) after part
// of the file, or one that ends short of the announced size, is no success,
// and the failure stays in the last error. "REST 0" follows every resume.
TEST_F(FtpFileTest, CloseReportsOnlyAWholeDownloadComplete) {
    const std::string part(50000, 'x');
    struct {
        const char* name;
        int restart;
        std::string announce;
        std::string final;
        int complete;
    } cases[] = {
        {"aborted resume", 4000, "150 Opening BINARY mode data connection for f (54000 bytes)\r\n",
         "426 Transfer aborted\r\n", 0},
        {"aborted resume without size", 4000, "150 go\r\n", "426 Transfer aborted\r\n", 0},
        {"short resume confirmed", 4000, "150 Opening (60000 bytes)\r\n", "226 done\r\n", 0},
        {"short download confirmed", 0, "150 Opening (60000 bytes)\r\n", "226 done\r\n", 0},
        {"unknown refusal", 0, "150 go\r\n", "554 no\r\n", 0},
        {"whole resume (total size)", 4000, "150 Opening (54000 bytes)\r\n", "226 done\r\n", 1},
        {"whole resume (rest size)", 4000, "150 Opening (50000 bytes)\r\n", "226 done\r\n", 1},
        {"whole download", 0, "150 Opening (50000 bytes).\r\n", "226 done\r\n", 1},
    };
    std::vector<std::unique_ptr<kvxtest::ScriptedPeer>> dataPeers;
    for (const auto& c : cases) {
        dataPeers.push_back(std::make_unique<kvxtest::ScriptedPeer>());
        dataPeers.back()->Send(part).Close();
        dataPeers.back()->Start();
        m_control.ExpectLine("TYPE I").Send("200 binary\r\n").ExpectLine("CWD /").Send("250 ok\r\n");
        if (c.restart) m_control.ExpectLine("REST 4000").Send("350 restarting\r\n");
        m_control.ExpectLine("PASV").Send(PassiveReply(dataPeers.back()->Port()));
        m_control.ExpectLine("RETR /f").Send(c.announce + c.final);
        if (c.restart) m_control.ExpectLine("REST 0").Send("350 restarting at 0\r\n");
    }
    Connect();
    for (const auto& c : cases) {
        CFtpFile file(m_connection.get(), GENERIC_READ, nullptr);
        file.Seek(c.restart, 0);
        ASSERT_GE(file.Open(L"/f", GENERIC_READ, 0, 0, 0), 0) << c.name;
        std::string got(60000, 0);
        DWORD done = 0;
        EXPECT_EQ(file.Read(&got[0], (DWORD)got.size(), &done), 0) << c.name;
        EXPECT_EQ(done, part.size()) << c.name;
        EXPECT_EQ(file.Close(), c.complete) << c.name;
        if (c.complete) {
            EXPECT_EQ(m_connection->GetLastError(), 0) << c.name;
        } else {
            EXPECT_LT(m_connection->GetLastError(), 0) << c.name;
        }
    }
    for (auto& peer : dataPeers) EXPECT_TRUE(peer->Finish()) << peer->Error();
    Finish();
}

TEST(FtpPromisedSizeTest, SizeOfThePreliminaryReply) {
    EXPECT_EQ(PromisedSize(L"150 Opening BINARY mode data connection for a (b) (1234 bytes)."), 1234);
    EXPECT_EQ(PromisedSize(L"150 Opening data connection for f (0 bytes)"), 0);
    EXPECT_EQ(PromisedSize(L"150 Opening data connection"), -1);
    EXPECT_EQ(PromisedSize(L"150 (12 kB)"), -1);
    EXPECT_EQ(PromisedSize(L"150 ( bytes)"), -1);
}

// A write from a position appends; from the start it stores.
TEST_F(FtpFileTest, AppendAgainstStore) {
    for (int append = 0; append < 2; ++append) {
        kvxtest::ScriptedPeer data;
        data.Expect("hello").ExpectClose();
        data.Start();
        kvxtest::ScriptedPeer control;
        sendrixtest::ScriptLogin(control);
        control.ExpectLine("TYPE I")
            .Send("200 binary\r\n")
            .ExpectLine("CWD name.txt")
            .Send("550 no such folder\r\n")
            .ExpectLine("PASV")
            .Send(PassiveReply(data.Port()))
            .ExpectLine(append ? "APPE name.txt" : "STOR name.txt")
            .Send("150 go\r\n226 stored\r\n")
            .ExpectClose();
        control.Start();
        COnlineProfile profile;
        sendrixtest::FillProfile(profile, control.Port());
        {
            CFtpConnection connection(&profile, nullptr, nullptr, nullptr);
            CFtpFile file(&connection, GENERIC_WRITE, nullptr);
            file.Seek(append ? 5 : 0, 0);
            ASSERT_GE(file.Open(L"name.txt", GENERIC_WRITE, 0, 0, 0), 0);
            DWORD done = 0;
            EXPECT_EQ(file.Write("hello", 5, &done), 0);
            EXPECT_EQ(done, 5u);
            EXPECT_EQ(file.Close(), 1);
        }
        EXPECT_TRUE(data.Finish()) << data.Error();
        EXPECT_TRUE(control.Finish()) << control.Error();
    }
}

// In active mode the client listens and names its address with PORT; the
// server connects back.
TEST_F(FtpFileTest, ActiveModeAcceptsTheServer) {
    m_control.ExpectLine("TYPE I")
        .Send("200 binary\r\n")
        .ExpectLine("CWD /")
        .Send("250 ok\r\n")
        .SkipLine()
        .Send("200 port ok\r\n")
        .ExpectLine("RETR /f")
        .Send("150 connecting\r\n226 done\r\n");
    Connect(0);
    // The server's side of the data connection: connects to the port that
    // the PORT command names and sends the file.
    std::thread server([this] {
        std::string port;
        for (int i = 0; i < 6000 && port.empty(); ++i) {
            std::string received = m_control.Received();
            size_t at = received.find("PORT ");
            size_t end = at == std::string::npos ? at : received.find("\r\n", at);
            if (end != std::string::npos) port = received.substr(at + 5, end - at - 5);
            else std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        std::vector<int> numbers;
        size_t start = 0;
        while (start <= port.size()) {
            size_t comma = port.find(',', start);
            if (comma == std::string::npos) comma = port.size();
            numbers.push_back(atoi(port.substr(start, comma - start).c_str()));
            start = comma + 1;
        }
        if (numbers.size() != 6 || numbers[0] != 127) return;
        int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_port = htons((uint16_t)(numbers[4] * 256 + numbers[5]));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (connect(fd, (sockaddr*)&address, sizeof address) == 0) (void)!write(fd, "active", 6);
        close(fd);
    });
    CFtpFile file(m_connection.get(), GENERIC_READ, L"/f");
    int opened = file.Open(L"/f", GENERIC_READ, 0, 0, 0);
    server.join();
    ASSERT_GE(opened, 0);
    char buffer[16];
    DWORD done = 0;
    EXPECT_EQ(file.Read(buffer, sizeof buffer, &done), 0);
    EXPECT_EQ(std::string(buffer, done), "active");
    EXPECT_EQ(file.Close(), 1);
    Finish();
    EXPECT_NE(m_control.Received().find("PORT 127,0,0,1,"), std::string::npos);
}

namespace {

// The port a "PORT h1,h2,h3,h4,p1,p2" command of the control peer names,
// once the peer has received it (0 when it never comes).
int WaitForPortCommand(const kvxtest::ScriptedPeer& control) {
    for (int i = 0; i < 6000; ++i) {
        std::string received = control.Received();
        size_t at = received.find("PORT ");
        size_t end = at == std::string::npos ? at : received.find("\r\n", at);
        if (end != std::string::npos) {
            std::vector<int> numbers;
            for (size_t start = at + 5; start <= end;) {
                size_t comma = std::min(received.find(',', start), end);
                numbers.push_back(atoi(received.substr(start, comma - start).c_str()));
                start = comma + 1;
            }
            return numbers.size() == 6 ? numbers[4] * 256 + numbers[5] : 0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return 0;
}

// A TCP connection from the loopback address from to to:port; -1 when refused.
int ConnectFrom(const char* from, const char* to, int port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = inet_addr(from);
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_port = htons((uint16_t)port);
    remote.sin_addr.s_addr = inet_addr(to);
    if (bind(fd, (sockaddr*)&local, sizeof local) != 0 || connect(fd, (sockaddr*)&remote, sizeof remote) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

} // namespace

// Active mode listens only on the control connection's own address, and
// takes the data connection only from the control connection's server: a
// connection from another address is closed unread.
TEST_F(FtpFileTest, ActiveModeTakesOnlyTheServersConnection) {
    m_control.ExpectLine("TYPE I")
        .Send("200 binary\r\n")
        .ExpectLine("CWD /")
        .Send("250 ok\r\n")
        .SkipLine()
        .Send("200 port ok\r\n")
        .ExpectLine("RETR /f")
        .Send("150 connecting\r\n226 done\r\n");
    Connect(0);
    bool otherAddressRefused = false;
    std::string strangerGot = "not run";
    std::thread server([&] {
        int port = WaitForPortCommand(m_control);
        if (!port) return;
        int other = ConnectFrom("127.0.0.2", "127.0.0.2", port);
        otherAddressRefused = other < 0;
        if (other >= 0) close(other);
        // A stranger connects first and sends; the server follows.
        int stranger = ConnectFrom("127.0.0.2", "127.0.0.1", port);
        if (stranger >= 0) (void)!write(stranger, "hostile", 7);
        int fd = ConnectFrom("127.0.0.1", "127.0.0.1", port);
        if (fd >= 0) (void)!write(fd, "active", 6);
        if (fd >= 0) close(fd);
        char buffer[16];
        strangerGot = stranger < 0 ? "refused" : std::to_string(read(stranger, buffer, sizeof buffer));
        if (stranger >= 0) close(stranger);
    });
    CFtpFile file(m_connection.get(), GENERIC_READ, L"/f");
    int opened = file.Open(L"/f", GENERIC_READ, 0, 0, 0);
    char buffer[16];
    DWORD done = 0;
    if (opened >= 0) {
        EXPECT_EQ(file.Read(buffer, sizeof buffer, &done), 0);
    }
    server.join();
    ASSERT_GE(opened, 0);
    EXPECT_EQ(std::string(buffer, done), "active");
    EXPECT_TRUE(otherAddressRefused);
    // The stranger's connection was closed without a byte (a reset reads -1).
    EXPECT_TRUE(strangerGot == "0" || strangerGot == "-1") << strangerGot;
    EXPECT_EQ(file.Close(), 1);
    Finish();
}

TEST_F(FtpFileTest, CreateFolderResults) {
    m_control.ExpectLine("MKD /new")
        .Send("257 \"/new\" created\r\n")
        .ExpectLine("MKD /old")
        .Send("550 exists\r\n")
        .ExpectLine("PWD")
        .Send("257 \"/home\"\r\n")
        .ExpectLine("CWD /old")
        .Send("250 ok\r\n")
        .ExpectLine("CWD /home")
        .Send("250 ok\r\n")
        .ExpectLine("MKD /bad")
        .Send("550 denied\r\n")
        .ExpectLine("PWD")
        .Send("257 \"/home\"\r\n")
        .ExpectLine("CWD /bad")
        .Send("550 no\r\n")
        // A path of missing levels: every level from the top.
        .ExpectLine("MKD /a/b/c")
        .Send("550 no parent\r\n")
        .ExpectLine("PWD")
        .Send("257 \"/home\"\r\n")
        .ExpectLine("CWD /a/b/c")
        .Send("550 no\r\n")
        .ExpectLine("MKD /a")
        .Send("550 exists\r\n")
        .ExpectLine("PWD")
        .Send("257 \"/home\"\r\n")
        .ExpectLine("CWD /a")
        .Send("250 ok\r\n")
        .ExpectLine("CWD /home")
        .Send("250 ok\r\n")
        .ExpectLine("MKD /a/b")
        .Send("257 made\r\n")
        .ExpectLine("MKD /a/b/c")
        .Send("257 made\r\n");
    Connect();
    CFtpFile file(m_connection.get(), GENERIC_WRITE, nullptr);
    EXPECT_EQ(file.CreateFolder(L"/new"), 2);
    EXPECT_EQ(file.CreateFolder(L"\\old"), 1);
    EXPECT_EQ(file.CreateFolder(L"/bad"), 0);
    EXPECT_EQ(file.CreateFolder(L"/a/b/c/"), 2);
    std::vector<int> events = sendrixtest::EventCodes(m_log, L"ONLINE");
    const std::vector<int> failure = {-11, -7};
    EXPECT_NE(std::search(events.begin(), events.end(), failure.begin(), failure.end()), events.end());
    Finish();
}

// The folder's entries are removed first, every entry of the listing (also
// those whose names differ only in leading zeros).
TEST_F(FtpFileTest, RemoveFolderRecursively) {
    m_data.Send("drwxr-xr-x 2 u g 0 Jan 1 2020 sub\r\n"
                "-rw-r--r-- 1 u g 5 Jan 1 2020 file1.txt\r\n"
                "-rw-r--r-- 1 u g 5 Jan 1 2020 file01.txt\r\n")
        .Close()
        .Accept()
        .Close();
    int port = StartData();
    m_control.ExpectLine("PASV")
        .Send(PassiveReply(port))
        .ExpectLine("LIST /top/")
        .Send("150 list\r\n226 done\r\n")
        .ExpectLine("PASV")
        .Send(PassiveReply(port))
        .ExpectLine("LIST /top/sub/")
        .Send("150 list\r\n226 done\r\n")
        .ExpectLine("RMD /top/sub")
        .Send("250 removed\r\n")
        .ExpectLine("DELE /top/file01.txt")
        .Send("250 deleted\r\n")
        .ExpectLine("DELE /top/file1.txt")
        .Send("250 deleted\r\n")
        .ExpectLine("RMD /top")
        .Send("250 removed\r\n");
    Connect();
    CFtpFile file(m_connection.get(), GENERIC_WRITE, nullptr);
    EXPECT_EQ(file.RemoveFolder(L"/top/"), 1);
    Finish();
}

TEST_F(FtpFileTest, MisuseIsRefused) {
    Connect();
    CFtpFile file(m_connection.get(), GENERIC_READ, nullptr);
    char buffer[4];
    DWORD done = 0;
    EXPECT_EQ(file.Read(buffer, sizeof buffer, &done), -2);
    EXPECT_EQ(m_connection->GetLastResult(), -20);
    EXPECT_EQ(file.Open(nullptr, GENERIC_READ, 0, 0, 0), -20);
    EXPECT_EQ(file.Open(L"/x", 0, 0, 0, 0), -2);
    EXPECT_EQ(file.Close(), 1);
    Finish();
}

} // namespace
