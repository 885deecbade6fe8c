#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "OnlineServices/Sendrix/BasicSocket.h"
#include "OnlineServices/Sendrix/FtpConnection.h"
#include "OnlineServices/Sendrix/FtpFileFind.h"
#include "OnlineServices/Sendrix/OnlineModule.h"
#include "OnlineServices/Sendrix/OnlineProfile.h"
#include "OnlineServices/Sendrix/tests/support/FtpTesting.h"
#include "OnlineServices/Sendrix/tests/support/LogEvents.h"
#include "testing/Online/SocketTesting.h"
#include "utility/LibraryLog.h"
#include "testing/RecordingLog.h"
#include "testing/ScriptedPeer.h"

namespace {

using sendrixtest::PassiveReply;

const char kListing[] =
    "-rw-r--r-- 1 u g 10 Jan 1 2020 readme.txt\r\n"
    "-rw-r--r-- 1 u g 20 Jan 1 2020 read.me\r\n"
    "drwxr-xr-x 2 u g 0 Jan 1 2020 Readings\r\n"
    "total 3\r\n"
    "-rw-r--r-- 1 u g 30 Jan 1 2020 other.txt\r\n";

std::vector<std::wstring> Walk(CFtpFileFind& find, int found) {
    std::vector<std::wstring> names;
    for (int more = found; more; more = find.FindNext()) names.push_back(find.GetFileName());
    return names;
}

class FtpFileFindTest : public sendrixtest::FtpScriptedTest {
protected:
    // The control script lists /pub/ once per listing on the data peer.
    void ScriptListings(int count) {
        for (int i = 0; i < count; ++i) {
            m_data.Send(kListing).Close();
            if (i + 1 < count) m_data.Accept();
        }
        int port = StartData();
        for (int i = 0; i < count; ++i)
            m_control.ExpectLine("PASV")
                .Send(PassiveReply(port))
                .ExpectLine("LIST /pub/")
                .Send("150 here\r\n226 done\r\n");
    }
};

TEST_F(FtpFileFindTest, PatternsFilterTheListing) {
    ScriptListings(4);
    Connect();
    CFtpFileFind find(m_connection.get());
    EXPECT_EQ(Walk(find, find.FindFirst(L"/pub/*", 0)),
              (std::vector<std::wstring>{L"Readings", L"other.txt", L"read.me", L"readme.txt"}));
    // Entries of the folder listed last are served without a new listing.
    EXPECT_NE(find.FindFile(L"/pub/other.txt"), nullptr);
    ASSERT_NE(find.FindFile(L"/pub/Readings"), nullptr);
    EXPECT_EQ(find.IsDirectory(), 1);
    EXPECT_EQ(find.FindFile(L"/pub/absent"), nullptr);

    EXPECT_EQ(Walk(find, find.FindFirst(L"/pub/read*", 0)),
              (std::vector<std::wstring>{L"Readings", L"read.me", L"readme.txt"}));

    // A pattern that names one entry makes it the current one.
    ASSERT_EQ(find.FindFirst(L"\\pub\\readme.txt", 0), 1);
    EXPECT_STREQ(find.GetFileName(), L"readme.txt");
    EXPECT_EQ(find.GetLength(), 10u);
    EXPECT_STREQ(find.GetFilePath(), L"/pub/readme.txt");
    EXPECT_STREQ(find.GetFileURL(), L"/pub/readme.txt");
    EXPECT_STREQ(find.GetRoot(), L"/pub/");

    EXPECT_EQ(find.FindFirst(L"/pub/readme.doc", 0), 0);
    Finish();
}

// Clearing the running flag stops the reading: the entries read so far are
// served and the control connection stays in step.
class StoppingFind : public CFtpFileFind {
public:
    StoppingFind(CFtpConnection* connection) : CFtpFileFind(connection), m_connection(connection) {}
    void AddEntry(const CBasicFileFindInfo& record) override {
        CFtpFileFind::AddEntry(record);
        m_connection->SetRunning(0);
    }

private:
    CFtpConnection* m_connection;
};

TEST_F(FtpFileFindTest, RunningFlagStopsTheListing) {
    m_data.Send(kListing).Delay(500).Close();
    int port = StartData();
    m_control.ExpectLine("PASV").Send(PassiveReply(port)).ExpectLine("LIST /pub/").Send(
        "150 here\r\n226 done\r\n");
    m_control.ExpectLine("NOOP").Send("200 in step\r\n");
    Connect();
    {
        StoppingFind find(m_connection.get());
        EXPECT_EQ(Walk(find, find.FindFirst(L"/pub/*", 0)), std::vector<std::wstring>{L"readme.txt"});
        // A finder does not start while the flag is clear.
        EXPECT_EQ(find.FindFirst(L"/pub/*", 0), 0);
    }
    EXPECT_EQ(m_connection->SendAndCheck(L"NOOP"), 1);
    std::vector<int> events = sendrixtest::EventCodes(m_log, L"ONLINE");
    EXPECT_EQ(std::vector<int>(events.end() - 2, events.end()), (std::vector<int>{-4, -9}));
    Finish();
}

// A listing that fails on the server's side (refused, or a passive port
// nobody listens on) finds nothing and is no assertion.
TEST_F(FtpFileFindTest, AFailedListingFindsNothingAndAssertsNothing) {
    SetLibraryLog(&m_log);  // assertion reports go to the library's log
    const int deadPort = sendrixtest::FreeLoopbackPort();
    m_control.ExpectLine("PASV").Send("550 no listings here\r\n");
    m_control.ExpectLine("PASV").Send(PassiveReply(deadPort));
    Connect();
    const int before = sendrixtest::AssertionCount(m_log);
    CFtpFileFind find(m_connection.get());
    EXPECT_EQ(find.FindFirst(L"/pub/*", 0), 0);
    EXPECT_EQ(find.FindFile(L"/pub/readme.txt"), nullptr);
    EXPECT_EQ(sendrixtest::AssertionCount(m_log), before);
    SetLibraryLog(nullptr);
    Finish();
}

TEST_F(FtpFileFindTest, FindDirectoryPath) {
    // "PUB" in "/pub/" is the folder itself: nothing is listed.
    Connect();
    COnlineModule module;
    EXPECT_STREQ(module.FindDirectoryPath(m_connection.get(), L"/pub/", L"PUB"), L"/pub/");
    EXPECT_STREQ(module.FindDirectoryPath(nullptr, L"/pub/", L"PUB"), L"");
    Finish();
}

TEST(OnlineModuleTest, ConnectionsThatFailAreNotHandedOut) {
    COnlineModule module;
    COnlineProfile profile;
    sendrixtest::FillProfile(profile, sendrixtest::FreeLoopbackPort());
    EXPECT_EQ(module.CreateFtpConnection(&profile, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(module.CreateFtpFile(nullptr, nullptr, L"/x"), nullptr);
    EXPECT_EQ(module.CreateFtpFileFind(nullptr), nullptr);
    EXPECT_EQ(module.RenameFtpFile(L"a", L"b", nullptr), 0);
    EXPECT_EQ(module.Reserved(1, 2), 1);
    CAbstractSocket* socket = module.CreateSocket(nullptr);
    EXPECT_NE(socket, nullptr);
    module.DeleteSocket(socket);
    module.DeleteFtpConnection(nullptr);
    module.DeleteFtpFile(nullptr);
    module.DeleteFtpFileFind(nullptr);
}

TEST(OnlineModuleTest, HandsOutALoggedInConnectionAndItsObjects) {
    CBasicSocket::SetReceiveTimeout(30000);
    kvxtest::ScriptedPeer peer;
    sendrixtest::ScriptLogin(peer);
    peer.ExpectLine("RNFR /a").Send("350 ok\r\n").ExpectLine("RNTO /b").Send("250 ok\r\n").ExpectClose();
    peer.Start();
    COnlineModule module;
    COnlineProfile profile;
    sendrixtest::FillProfile(profile, peer.Port());
    CAbstractConnection* connection = module.CreateFtpConnection(&profile, nullptr, nullptr, nullptr);
    ASSERT_NE(connection, nullptr);
    EXPECT_EQ(connection->GetProtocol(), 0);
    CAbstractFile* file = module.CreateFtpFile(connection, nullptr, L"/x");
    CAbstractFileFind* find = module.CreateFtpFileFind(connection);
    EXPECT_NE(file, nullptr);
    EXPECT_NE(find, nullptr);
    EXPECT_EQ(module.RenameFtpFile(L"/a", L"/b", connection), 1);
    module.DeleteFtpFile(file);
    module.DeleteFtpFileFind(find);
    module.DeleteFtpConnection(connection);
    EXPECT_TRUE(peer.Finish()) << peer.Error();
    CBasicSocket::SetReceiveTimeout(20000);
}

} // namespace
