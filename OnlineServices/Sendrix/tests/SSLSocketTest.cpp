#include <gtest/gtest.h>

#include <openssl/ssl.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <string>
#include <vector>

#include "OnlineServices/Sendrix/AbstractCertificateHandler.h"
#include "OnlineServices/Sendrix/CertificateInfo.h"
#include "OnlineServices/Sendrix/Posix/HostResolver.h"
#include "OnlineServices/Sendrix/Posix/SocketError.h"
#include "OnlineServices/Sendrix/SSLSocket.h"
#include "OnlineServices/Sendrix/tests/support/LogEvents.h"
#include "testing/CertFactory.h"
#include "testing/Online/SocketTesting.h"
#include "testing/RecordingLog.h"
#include "testing/ScriptedPeer.h"
#include "testing/TempFolder.h"
#include "utility/LibraryLog.h"

namespace {

using kvxtest::TestCertificate;
using sendrixtest::ConnectToPeer;
using sendrixtest::EventCodes;

// Answers every question with one answer and keeps what it was asked.
class CFakeCertificateHandler : public CAbstractCertificateHandler {
public:
    explicit CFakeCertificateHandler(int answer) : m_answer(answer) {}
    int Ask(int question, const void* record) override {
        questions.push_back(question);
        if (record) last = *static_cast<const CCertificateInfo*>(record);
        return m_answer;
    }
    std::vector<int> questions;
    CCertificateInfo last;

private:
    int m_answer;
};

const kvxtest::CertFactory& Factory() { return kvxtest::CertFactory::Shared(); }

class SSLSocketTest : public ::testing::Test {
protected:
    void SetUp() override {
        sendrixtest::DefineSocketEvents(m_log);
        m_log.Define(L"ONLINE", 8, L"%s");
        m_log.SetLogFilePath(m_folder.WSub("kvx.log"));
        SetLibraryLog(&m_log);
        CSSLSocket::ForgetAcceptedCertificates();
    }
    void TearDown() override {
        SetLibraryLog(nullptr);
        CBasicSocket::SetReceiveTimeout(20000);
        CSSLSocket::ForgetAcceptedCertificates();
    }

    // The authority's certificate as the socket's certificate file.
    void TrustFactoryAuthority(CSSLSocket& socket) {
        socket.SetCertificateFile(kvxtest::Widen(m_folder.WriteFile("ClientCert.pem", Factory().CaPem())).c_str());
    }

    // Connects to a peer that serves the certificate and echoes "ping" with
    // "pong"; the result of the explicit handshake, and whether the
    // exchange then worked.
    int Handshake(const TestCertificate& served, CAbstractCertificateHandler* handler, bool trustAuthority,
                  bool* exchanged = nullptr) {
        kvxtest::ScriptedPeer peer;
        peer.StartTls(served.chainPem, served.keyPem).Expect("ping").Send("pong").ExpectClose();
        CSSLSocket socket;
        if (trustAuthority) TrustFactoryAuthority(socket);
        EXPECT_TRUE(ConnectToPeer(socket, peer));
        EXPECT_EQ(socket.InitTLS(nullptr, handler), 1);
        int result = socket.Connect(nullptr, 0);
        if (result == 1) {
            char reply[4] = {};
            bool ok = socket.Send("ping", 4, 0) == 4 && socket.Receive(reply, 4, 0) == 4 &&
                      std::string(reply, 4) == "pong";
            if (exchanged) *exchanged = ok;
        }
        socket.Close();
        peer.Finish();
        return result;
    }

    bool RefusalLogged() const {
        for (const kvxtest::RecordedEntry& entry : m_log.Entries())
            if (entry.category == L"ONLINE" && entry.text.find(L"not trusted") != std::wstring::npos) return true;
        return false;
    }

    kvxtest::RecordingLog m_log;
    kvxtest::TempFolder m_folder;
};

TEST_F(SSLSocketTest, APeerVerifiedByTheAuthorityFileIsTrustedWithoutAsking) {
    CFakeCertificateHandler handler(0);
    bool exchanged = false;
    EXPECT_EQ(Handshake(Factory().Leaf(), &handler, true, &exchanged), 1);
    EXPECT_TRUE(exchanged);
    EXPECT_TRUE(handler.questions.empty());
}

TEST_F(SSLSocketTest, ASelfSignedPeerInTheTrustedStoreIsTrustedWithoutAsking) {
    TestCertificate self = Factory().SelfSigned();
    m_folder.WriteFile("TrustedCerts.dat", std::string(20, 'x') + std::string(self.sha1.begin(), self.sha1.end()));
    CFakeCertificateHandler handler(0);
    bool exchanged = false;
    EXPECT_EQ(Handshake(self, &handler, true, &exchanged), 1);
    EXPECT_TRUE(exchanged);
    EXPECT_TRUE(handler.questions.empty());
}

TEST_F(SSLSocketTest, AnUntrustedPeerWithoutAHandlerIsRefusedAndLogged) {
    EXPECT_EQ(Handshake(Factory().SelfSigned(), nullptr, true), 0);
    EXPECT_TRUE(RefusalLogged());
}

TEST_F(SSLSocketTest, TheHandlersAnswerDecidesAndTrustAlwaysIsRemembered) {
    struct Case {
        int answer;
        int result;
        size_t questionsAfterTwoConnections;
    } cases[] = {
        {kTrustCertificateAlways, 1, 1},  // the second connection is not asked about
        {kTrustCertificateOnce, 1, 2},
        {0, 0, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        CSSLSocket::ForgetAcceptedCertificates();
        TestCertificate self = Factory().SelfSigned();
        CFakeCertificateHandler handler(c.answer);
        EXPECT_EQ(Handshake(self, &handler, false), c.result);
        ASSERT_EQ(handler.questions, std::vector<int>{kAskUntrustedCertificate});
        EXPECT_EQ(std::vector<uint8_t>(handler.last.fingerprint, handler.last.fingerprint + 20), self.sha1);
        EXPECT_EQ(handler.last.fingerprintKind, kFingerprintSha1);
        EXPECT_EQ(std::wstring(handler.last.subject[kCertCommonName].GetString()), L"localhost");
        EXPECT_EQ(std::wstring(handler.last.subject[kCertOrganization].GetString()), L"Morvane Tests");
        EXPECT_EQ(Handshake(self, &handler, false), c.result);
        EXPECT_EQ(handler.questions.size(), c.questionsAfterTwoConnections);
    }
}

TEST_F(SSLSocketTest, TrustOnceCoversTheConnectionsThatShareTheContext) {
    TestCertificate self = Factory().SelfSigned();
    kvxtest::ScriptedPeer control, data;
    control.StartTls(self.chainPem, self.keyPem).ExpectClose();
    data.StartTls(self.chainPem, self.keyPem).ExpectClose();
    CFakeCertificateHandler handler(kTrustCertificateOnce);
    CSSLSocket controlSocket;
    ASSERT_TRUE(ConnectToPeer(controlSocket, control));
    ASSERT_EQ(controlSocket.InitTLS(nullptr, &handler), 1);
    EXPECT_EQ(controlSocket.Connect(nullptr, 0), 1);

    CSSLSocket dataSocket;
    ASSERT_TRUE(ConnectToPeer(dataSocket, data));
    ASSERT_EQ(dataSocket.InitTLS(controlSocket.GetTLSContext(), nullptr), 1);
    EXPECT_EQ(dataSocket.Connect(nullptr, 0), 1);
    EXPECT_EQ(handler.questions.size(), 1u);
    dataSocket.Close();
    controlSocket.Close();

    // A new context trusts nothing of the old one.
    EXPECT_EQ(Handshake(self, nullptr, false), 0);
    data.Finish();
    control.Finish();
}

TEST_F(SSLSocketTest, APeerThatSpeaksNothingNewerThanTls11IsRefused) {
    struct Case {
        int newestVersion;
        int result;
    } cases[] = {{TLS1_VERSION, 0}, {TLS1_1_VERSION, 0}, {TLS1_2_VERSION, 1}, {TLS1_3_VERSION, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.newestVersion);
        // A certificate of the trusted authority and a handler that would
        // trust anything: the protocol alone decides.
        TestCertificate served = Factory().Leaf();
        CFakeCertificateHandler handler(kTrustCertificateOnce);
        kvxtest::ScriptedPeer peer;
        peer.SetStepTimeout(5000);
        peer.StartTls(served.chainPem, served.keyPem, c.newestVersion).Expect("ping").Send("pong").ExpectClose();
        CSSLSocket socket;
        TrustFactoryAuthority(socket);
        ASSERT_TRUE(ConnectToPeer(socket, peer));
        ASSERT_EQ(socket.InitTLS(nullptr, &handler), 1);
        EXPECT_EQ(socket.Connect(nullptr, 0), c.result);
        if (c.result == 1) {
            char reply[4] = {};
            EXPECT_EQ(socket.Send("ping", 4, 0), 4);
            EXPECT_EQ(socket.Receive(reply, 4, 0), 4);
            EXPECT_EQ(std::string(reply, 4), "pong");
        }
        socket.Close();
        bool finished = peer.Finish();
        EXPECT_TRUE(handler.questions.empty());
        if (c.result == 1) {
            EXPECT_TRUE(finished) << peer.Error();
        } else {
            // The client offered no protocol the server speaks: the hello
            // itself held nothing older than TLS 1.2.
            EXPECT_NE(peer.Error().find("unsupported protocol"), std::string::npos) << peer.Error();
        }
    }
}

TEST_F(SSLSocketTest, ACertificateForAnotherHostIsRefused) {
    TestCertificate other = Factory().Leaf({"other.example"});
    EXPECT_EQ(Handshake(other, nullptr, true), 0);
    EXPECT_TRUE(RefusalLogged());

    CFakeCertificateHandler handler(0);
    EXPECT_EQ(Handshake(other, &handler, true), 0);
    ASSERT_EQ(handler.questions.size(), 1u);
    EXPECT_EQ(handler.last.verifyError, 64);  // the address does not match
}

bool LookUpAsLoopback(const char*, uint32_t* address) {
    *address = htonl(INADDR_LOOPBACK);
    return true;
}

// Host names are checked as RFC 6125 reads them: a root dot at the end is
// no part of the name (neither in the check nor in the name sent with the
// hello), and a wildcard stands only for a whole left-most label.
TEST_F(SSLSocketTest, HostNamesWithARootDotAndWildcards) {
    SetHostLookupForTests(LookUpAsLoopback);
    struct {
        std::string certified;
        const wchar_t* host;
        int trusted;
    } cases[] = {
        {"foo.part.test", L"foo.part.test.", 1},
        {"foo.part.test", L"foo.part.test", 1},
        {"*.part.test", L"foo.part.test.", 1},
        {"f*.part.test", L"foo.part.test", 0},
        {"*o.part.test", L"foo.part.test", 0},
        {"*.part.test", L"a.foo.part.test", 0},
        {"foo.part.test", L"foo.part.test..", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.certified + " for " + kvxtest::Narrow(c.host));
        TestCertificate served = Factory().Leaf({c.certified});
        kvxtest::ScriptedPeer peer;
        peer.StartTls(served.chainPem, served.keyPem).ExpectClose();
        peer.Start();
        CSSLSocket socket;
        TrustFactoryAuthority(socket);
        ASSERT_EQ(socket.Connect(c.host, (unsigned)peer.Port()), 1);
        ASSERT_EQ(socket.InitTLS(nullptr, nullptr), 1);
        const char* named = SSL_get_servername(socket.GetTLSConnection(), TLSEXT_NAMETYPE_host_name);
        std::string host = kvxtest::Narrow(c.host);
        EXPECT_STREQ(named, host.substr(0, host.size() - (host.back() == '.' ? 1 : 0)).c_str());
        EXPECT_EQ(socket.Connect(nullptr, 0), c.trusted);
        socket.Close();
        peer.Finish();
    }
    SetHostLookupForTests(nullptr);
}

TEST_F(SSLSocketTest, AChainDeeperThanTenIsRecordedAsTooLong) {
    CFakeCertificateHandler handler(kTrustCertificateOnce);
    EXPECT_EQ(Handshake(Factory().Chain(12), &handler, true), 1);
    ASSERT_EQ(handler.questions.size(), 1u);
    EXPECT_EQ(handler.last.verifyError, 22);
    EXPECT_EQ(handler.last.verifyDepth, 11);
}

TEST_F(SSLSocketTest, ANotAfterPast2049IsReadFromGeneralizedTime) {
    CFakeCertificateHandler handler(kTrustCertificateOnce);
    EXPECT_EQ(Handshake(Factory().Leaf({"127.0.0.1"}, 2050), &handler, false), 1);
    ASSERT_EQ(handler.questions.size(), 1u);
    EXPECT_EQ(std::vector<int>(handler.last.validTo, handler.last.validTo + 6),
              (std::vector<int>{2050, 12, 31, 23, 59, 59}));
}

TEST_F(SSLSocketTest, TheImplicitHandshakeOfTheFirstSendAlsoRefusesAnUntrustedPeer) {
    kvxtest::ScriptedPeer peer;
    TestCertificate self = Factory().SelfSigned();
    peer.StartTls(self.chainPem, self.keyPem);
    CSSLSocket socket;
    ASSERT_TRUE(ConnectToPeer(socket, peer));
    ASSERT_EQ(socket.InitTLS(nullptr, nullptr), 1);
    EXPECT_EQ(socket.Send("GET / HTTP/1.0\r\n\r\n", 18, 0), -1);
    char reply[8];
    EXPECT_EQ(socket.Receive(reply, 8, 0), -1);
    EXPECT_EQ(socket.IsTrusted(), 0);
    socket.Close();
    peer.Finish();
}

TEST_F(SSLSocketTest, ReadsHonourTheTimeOutAndNeverWaitWithDontWait) {
    TestCertificate leaf = Factory().Leaf();
    kvxtest::ScriptedPeer peer;
    peer.StartTls(leaf.chainPem, leaf.keyPem).WaitForGo().Send("late").Close();
    CSSLSocket socket;
    TrustFactoryAuthority(socket);
    ASSERT_TRUE(ConnectToPeer(socket, peer));
    ASSERT_EQ(socket.InitTLS(nullptr, nullptr), 1);
    ASSERT_EQ(socket.Connect(nullptr, 0), 1);
    char buffer[16];
    m_log.Clear();
    EXPECT_EQ(socket.Receive(buffer, sizeof buffer, MSG_DONTWAIT), -1);
    EXPECT_EQ(GetSocketError(), WSAEWOULDBLOCK);
    EXPECT_TRUE(m_log.Entries().empty());
    CBasicSocket::SetReceiveTimeout(200);
    EXPECT_EQ(socket.Receive(buffer, sizeof buffer, 0), -1);
    EXPECT_EQ(GetSocketError(), WSAETIMEDOUT);
    EXPECT_EQ(EventCodes(m_log, L"SOCKET"), std::vector<int>{-7});
    // The connection goes on after a time-out; the server's close-notify
    // ends the stream without a log entry.
    CBasicSocket::SetReceiveTimeout(30000);
    m_log.Clear();
    peer.Go();
    EXPECT_EQ(socket.Receive(buffer, sizeof buffer, 0), 4);
    EXPECT_EQ(socket.Receive(buffer, sizeof buffer, 0), 0);
    for (const kvxtest::RecordedEntry& entry : m_log.Entries())
        EXPECT_EQ(entry.text.find(L"close notify"), std::wstring::npos);
    EXPECT_TRUE(m_log.Entries().empty());
    socket.Close();
    EXPECT_TRUE(peer.Finish()) << peer.Error();
}

TEST_F(SSLSocketTest, BeforeInitTlsTheSocketIsPlain) {
    kvxtest::ScriptedPeer peer;
    peer.Expect("plain").Send("text").Close();
    CSSLSocket socket;
    ASSERT_TRUE(ConnectToPeer(socket, peer));
    char reply[4];
    EXPECT_EQ(socket.Send("plain", 5, 0), 5);
    EXPECT_EQ(socket.Receive(reply, 4, 0), 4);
    EXPECT_EQ(socket.GetTLSContext(), nullptr);
    socket.Close();
    EXPECT_TRUE(peer.Finish()) << peer.Error();
}

TEST(CertificateTimeTest, ParsesUtcAndGeneralizedTimes) {
    struct Case {
        const char* text;
        bool generalized;
        int result;
        std::vector<int> fields;
    } cases[] = {
        {"491231235959Z", false, 1, {2049, 12, 31, 23, 59, 59}},
        {"500101000000Z", false, 1, {1950, 1, 1, 0, 0, 0}},
        {"0912312359Z", false, 0, {}},            // too short
        {"091312235959Z", false, 0, {}},          // month 13
        {"090012235959Z", false, 0, {}},          // month 0
        {"0912312359xxZ", false, 1, {2009, 12, 31, 23, 59, 0}},  // no seconds
        {"20501231235959Z", true, 1, {2050, 12, 31, 23, 59, 59}},
        {"205012312359Z", true, 0, {}},           // too short
        {"20501331235959Z", true, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        int fields[6] = {};
        int result = c.generalized ? ParseGeneralizedTime(c.text, fields) : ParseUtcTime(c.text, fields);
        EXPECT_EQ(result, c.result);
        if (result) {
            EXPECT_EQ(std::vector<int>(fields, fields + 6), c.fields);
        }
    }
}

} // namespace
