#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "OnlineServices/Sendrix/SMTPEmail.h"
#include "OnlineServices/Sendrix/SSLSocket.h"
#include "OnlineServices/Sendrix/tests/support/LogEvents.h"
#include "testing/CertFactory.h"
#include "testing/Online/LoopbackDaemon.h"
#include "testing/Online/SocketTesting.h"
#include "testing/Installed.h"
#include "testing/RecordingLog.h"
#include "testing/TempFolder.h"
#include "utility/LibraryLog.h"
#include "utility/Posix/Folders.h"

namespace {

// A mail server (aiosmtpd) that stores what it receives: for message n the
// raw text (message<n>.eml), the envelope's recipients (message<n>.rcpt),
// and, as a standard mail parser reads the message, its subject and text
// (message<n>.subject, message<n>.text, UTF-8) and each attachment's
// decoded bytes (attachment-<file name>). With a certificate and key it
// speaks TLS from the start.
const char kServerScript[] = R"PY(
import asyncio, email, email.policy, os, ssl, sys
from aiosmtpd.smtp import SMTP

port, folder = int(sys.argv[1]), sys.argv[2]

class Store:
    count = 0
    async def handle_DATA(self, server, session, envelope):
        Store.count += 1
        base = os.path.join(folder, "message%d" % Store.count)
        with open(base + ".eml", "wb") as f:
            f.write(envelope.original_content)
        with open(base + ".rcpt", "w") as f:
            f.write("\n".join(envelope.rcpt_tos))
        message = email.message_from_bytes(envelope.original_content, policy=email.policy.default)
        with open(base + ".subject", "w", encoding="utf-8") as f:
            f.write(str(message["Subject"]))
        with open(base + ".text", "w", encoding="utf-8") as f:
            f.write(message.get_body(("plain",)).get_content())
        for part in message.iter_attachments():
            with open(os.path.join(folder, "attachment-" + part.get_filename()), "wb") as f:
                f.write(part.get_payload(decode=True))
        return "250 stored"

context = None
if len(sys.argv) > 4:
    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    context.load_cert_chain(sys.argv[3], sys.argv[4])
handler = Store()
loop = asyncio.new_event_loop()
loop.run_until_complete(loop.create_server(lambda: SMTP(handler, hostname="mail.test"), "127.0.0.1", port, ssl=context))
loop.run_forever()
)PY";

const char kPython[] = "/usr/bin/python3";

class SMTPIntegrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        KVX_SKIP_OR_FAIL_UNLESS(PathExists(L"/usr/lib/python3/dist-packages/aiosmtpd"), "python3-aiosmtpd is not installed");
        m_log.SetLogFilePath(m_folder.WSub("kvx.log"));
        SetLibraryLog(&m_log);
        CBasicSocket::SetReceiveTimeout(10000);
        m_port = sendrixtest::FreeLoopbackPort();
        m_script = m_folder.WriteFile("server.py", kServerScript);
    }
    void TearDown() override {
        SetLibraryLog(nullptr);
        CBasicSocket::SetReceiveTimeout(20000);
    }

    void StartServer(const std::vector<std::string>& tlsFiles = {}) {
        std::vector<std::string> arguments = {"python3", m_script, std::to_string(m_port), m_folder.Path()};
        arguments.insert(arguments.end(), tlsFiles.begin(), tlsFiles.end());
        ASSERT_TRUE(m_server.Start(kPython, arguments, m_port)) << m_server.Error();
    }

    std::string Stored(const std::string& name) const { return kvxtest::TempFolder::ReadFile(m_folder.Sub(name)); }

    // Sends a message with two attachments to a@x.org, Cc c@x.org and Bcc
    // hidden@x.org; the server must have stored it as it was sent.
    void SendAndCheckMessage(int useTLS) {
        std::string image;
        for (int i = 0; i < 5000; ++i) image += (char)(i * 31 % 251);
        std::string notes(54 * 3, 'n');
        std::string imagePath = m_folder.WriteFile("picture.bin", image);
        std::string notesPath = m_folder.WriteFile("notes.txt", notes);

        CSMTPEmail email(&m_log);
        ASSERT_EQ(email.Connect(L"127.0.0.1", m_port, useTLS), 1);
        ASSERT_EQ(email.AddAttachment(kvxtest::Widen(imagePath).c_str()), 1);
        ASSERT_EQ(email.AddAttachment(kvxtest::Widen(notesPath).c_str()), 1);
        ASSERT_EQ(email.AddRecipients(L"c@x.org", 1), 1);
        ASSERT_EQ(email.AddRecipients(L"hidden@x.org", 2), 1);
        EXPECT_EQ(email.SendMail(L"s@x.org", L"a@x.org;", L"Grüße", L"Hallo Jürgen,\r\n.\r\nbis bald"), 1);
        EXPECT_EQ(email.Quit(), 1);

        EXPECT_EQ(Stored("message1.rcpt"), "c@x.org\nhidden@x.org\na@x.org");
        EXPECT_EQ(Stored("attachment-picture.bin"), image);
        EXPECT_EQ(Stored("attachment-notes.txt"), notes);
        EXPECT_EQ(Stored("message1.subject"), "Grüße");
        EXPECT_EQ(Stored("message1.text"), "Hallo Jürgen,\r\n.\r\nbis bald\r\n");
        std::string message = Stored("message1.eml");
        std::string headers = message.substr(0, message.find("\r\n\r\n"));
        EXPECT_NE(headers.find("Cc: c@x.org\r\n"), std::string::npos) << headers;
        EXPECT_EQ(headers.find("hidden"), std::string::npos) << headers;
        EXPECT_EQ(headers.find("Bcc"), std::string::npos) << headers;
        EXPECT_EQ(sendrixtest::EventCodes(m_log, L"EMAILNOTIFY"), std::vector<int>{});
    }

    kvxtest::RecordingLog m_log;
    kvxtest::TempFolder m_folder;
    sendrixtest::CLoopbackDaemon m_server;
    std::string m_script;
    int m_port = 0;
};

TEST_F(SMTPIntegrationTest, AMessageWithTwoAttachmentsArrivesAsSent) {
    StartServer();
    SendAndCheckMessage(0);
}

// Names with blanks, separators and letters beyond ASCII arrive as they
// were, and so does a long subject beyond ASCII.
TEST_F(SMTPIntegrationTest, AttachmentNamesAndSubjectsBeyondAsciiArriveIntact) {
    StartServer();
    std::string odd = m_folder.WriteFile("photo data;x.bin", "odd");
    std::string german = m_folder.WriteFile("\xC3\x9C" "bung.pdf", "pdf");
    std::wstring subject;
    for (int i = 0; i < 12; ++i) subject += L"\u00dcbung f\u00fcr heute, ";
    subject += L"Ende";
    CSMTPEmail email(&m_log);
    ASSERT_EQ(email.Connect(L"127.0.0.1", m_port, 0), 1);
    ASSERT_EQ(email.AddAttachment(kvxtest::Widen(odd).c_str()), 1);
    ASSERT_EQ(email.AddAttachment(kvxtest::Widen(german).c_str()), 1);
    EXPECT_EQ(email.SendMail(L"s@x.org", L"a@x.org", subject.c_str(), L"text"), 1);
    EXPECT_EQ(email.Quit(), 1);
    EXPECT_EQ(Stored("attachment-photo data;x.bin"), "odd");
    EXPECT_EQ(Stored("attachment-\xC3\x9C" "bung.pdf"), "pdf");
    EXPECT_EQ(kvxtest::Widen(Stored("message1.subject")), subject);
    std::string message = Stored("message1.eml");
    std::string headers = message.substr(0, message.find("\r\n\r\n"));
    for (unsigned char c : headers) EXPECT_LT(c, 0x80) << headers;
}

TEST_F(SMTPIntegrationTest, AMessageArrivesOverImplicitTls) {
    // A self-signed server certificate that the trusted-certificate store
    // (beside the log file) holds.
    kvxtest::TestCertificate self = kvxtest::CertFactory::Shared().SelfSigned();
    m_folder.WriteFile("TrustedCerts.dat", std::string(self.sha1.begin(), self.sha1.end()));
    CSSLSocket::ForgetAcceptedCertificates();
    StartServer({m_folder.WriteFile("server.pem", self.chainPem), m_folder.WriteFile("server.key", self.keyPem)});
    SendAndCheckMessage(1);
}

} // namespace
