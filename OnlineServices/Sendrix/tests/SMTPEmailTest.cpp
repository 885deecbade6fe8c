#include "OnlineServices/Sendrix/SMTPEmail.h"

#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "OnlineServices/Sendrix/ExchangeDeadline.h"
#include "OnlineServices/Sendrix/SSLSocket.h"
#include "OnlineServices/Sendrix/tests/support/LogEvents.h"
#include "testing/CertFactory.h"
#include "testing/Online/SocketTesting.h"
#include "testing/RecordingLog.h"
#include "testing/ScriptedPeer.h"
#include "testing/TempFolder.h"
#include "utility/Base64Coding.h"
#include "utility/LibraryLog.h"

namespace {

using kvxtest::ScriptedPeer;
using sendrixtest::AssertionCount;
using sendrixtest::EventCodes;

const wchar_t kCategory[] = L"EMAILNOTIFY";

// The boundary a multipart message declares ("" without one).
std::string BoundaryOf(const std::string& data) {
    std::smatch match;
    return std::regex_search(data, match, std::regex("boundary=([^\r]*)\r\n")) ? match[1].str() : "";
}

// True when no line of text (lines end in CR LF) is longer than 998 characters.
bool LinesFit(const std::string& text) {
    for (size_t start = 0;;) {
        size_t end = text.find("\r\n", start);
        if ((end == std::string::npos ? text.size() : end) - start > 998) return false;
        if (end == std::string::npos) return true;
        start = end + 2;
    }
}

// The text of a quoted-printable body.
std::string DecodeQuotedPrintable(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '=') {
            out += text[i];
        } else if (text.compare(i + 1, 2, "\r\n") == 0) {
            i += 2;
        } else {
            out += (char)std::stoi(text.substr(i + 1, 2), nullptr, 16);
            i += 2;
        }
    }
    return out;
}

std::string Decode(const std::string& text) {
    std::string out(CBase64Coding::GetMaxDecodedSize((unsigned)text.size()), '\0');
    int length = 0;
    CBase64Coding().Decode(text.data(), (unsigned)text.size(), out.data(), &length);
    out.resize((size_t)length);
    return out;
}

// The text between two markers of a received stream ("" when missing).
std::string Between(const std::string& text, const std::string& from, const std::string& to) {
    size_t start = text.find(from);
    if (start == std::string::npos) return "";
    start += from.size();
    size_t end = text.find(to, start);
    return end == std::string::npos ? "" : text.substr(start, end - start);
}

class SMTPEmailTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetLibraryLog(nullptr);
        CBasicSocket::SetReceiveTimeout(30000);
        for (int code : {3, 5, 6, 14, 17, 22}) m_log.Define(kCategory, code, L"%s");
        for (int code : {0, 1, 2, 4, 7, 8, 9, 10, 12, 13, 15, 16, 18, 19, 20, 21, 23, 24, 25})
            m_log.Define(kCategory, code, L"");
        // The trusted-certificate store lies beside the log file.
        m_log.SetLogFilePath(m_folder.WSub("kvx.log"));
        CSSLSocket::ForgetAcceptedCertificates();
    }
    void TearDown() override {
        SetLibraryLog(nullptr);
        CBasicSocket::SetReceiveTimeout(20000);
    }

    // The server's greeting and its answer to HELO, both as multi-line
    // replies, which a client reading one receive per reply falls out of
    // step with.
    static ScriptedPeer& Greet(ScriptedPeer& peer) {
        return peer.Send("220-mail.test ESMTP\r\n220 ready\r\n")
            .ExpectLine("HELO Morvane")
            .Send("250-mail.test\r\n250 pleased to meet you\r\n");
    }

    // A server that takes one message from sender to the recipients; it
    // answers the end of the message and the Quit at once.
    static void ScriptMessage(ScriptedPeer& peer, const std::string& sender, const std::vector<std::string>& to) {
        Greet(peer).ExpectLine("MAIL FROM:<" + sender + ">").Send("250 ok\r\n");
        for (const std::string& address : to) peer.ExpectLine("RCPT TO: <" + address + ">").Send("250 ok\r\n");
        peer.ExpectLine("DATA").Send("354 go ahead\r\n").Send("250 queued\r\n221 bye\r\n").ExpectClose();
    }

    // The message text between DATA and the final ".".
    static std::string MessageData(const ScriptedPeer& peer) {
        return Between(peer.Received(), "DATA\r\n", "\r\n.\r\nQuit\r\n");
    }

    // The end of a session: the client quits, the server says goodbye.
    static ScriptedPeer& Bye(ScriptedPeer& peer) { return peer.ExpectLine("Quit").Send("221 bye\r\n"); }

    // Connects to the peer, runs the action on the client and quits; the
    // action's result. The peer's script must end with Bye.
    template <typename Action>
    int Session(ScriptedPeer& peer, Action action) {
        CSMTPEmail email(&m_log);
        EXPECT_EQ(Connect(email, peer), 1);
        int result = action(email);
        EXPECT_EQ(email.Quit(), 1);
        EXPECT_TRUE(peer.Finish()) << peer.Error();
        return result;
    }

    int Connect(CSMTPEmail& email, ScriptedPeer& peer) {
        peer.Start();
        return email.Connect(L"127.0.0.1", peer.Port(), 0);
    }

    std::vector<std::wstring> EventTexts(int code) const {
        std::vector<std::wstring> texts;
        for (const kvxtest::RecordedEntry& e : m_log.Entries())
            if (e.category == kCategory && e.code == code) texts.push_back(e.text);
        return texts;
    }

    kvxtest::RecordingLog m_log;
    kvxtest::TempFolder m_folder;
};

TEST_F(SMTPEmailTest, ConnectWaitsForTheGreetingAndSetsTheLibraryLog) {
    ScriptedPeer peer;
    Bye(Greet(peer)).ExpectClose();
    CSMTPEmail email(&m_log);
    EXPECT_EQ(Connect(email, peer), 1);
    EXPECT_EQ(GetLibraryLog(), &m_log);
    EXPECT_EQ(email.Quit(), 1);
    EXPECT_EQ(email.Quit(), 1);  // nothing connected any more
    EXPECT_TRUE(peer.Finish()) << peer.Error();
    EXPECT_EQ(peer.Received(), "HELO Morvane\r\nQuit\r\n");
}

TEST_F(SMTPEmailTest, ConnectFailures) {
    CSMTPEmail email(&m_log);
    EXPECT_EQ(email.Connect(L"", 25, 0), 0);
    EXPECT_EQ(email.Connect(L"127.0.0.1", sendrixtest::FreeLoopbackPort(), 0), 4);
    EXPECT_EQ(EventCodes(m_log, kCategory), (std::vector<int>{1, 3}));
    EXPECT_EQ(EventTexts(3), std::vector<std::wstring>{L"127.0.0.1"});

    ScriptedPeer refusing;
    Bye(refusing.Send("554 go away\r\n"));
    m_log.Clear();
    EXPECT_EQ(Connect(email, refusing), 0);
    EXPECT_EQ(EventTexts(22), std::vector<std::wstring>{L"554"});
    EXPECT_EQ(email.Quit(), 1);
    EXPECT_TRUE(refusing.Finish()) << refusing.Error();

    CSMTPEmail withoutLog(nullptr);
    EXPECT_EQ(withoutLog.Connect(L"127.0.0.1", 25, 0), 0);
}

TEST_F(SMTPEmailTest, AReplyThatNeverEndsIsGivenUpInBoundedTime) {
    CExchangeDeadline::SetTimeout(1000);
    ScriptedPeer peer;
    peer.Send("220 ready\r\n").ExpectLine("HELO Morvane");
    for (int i = 0; i < 20; ++i) peer.Send("250-still greeting\r\n").Delay(250);
    peer.Send("250 done\r\n");
    CSMTPEmail email(&m_log);
    EXPECT_EQ(Connect(email, peer), 0);
    peer.Finish();
    CExchangeDeadline::SetTimeout(60000);
}

TEST_F(SMTPEmailTest, ImplicitTlsToATrustedServerOnly) {
    kvxtest::TestCertificate self = kvxtest::CertFactory::Shared().SelfSigned();
    ScriptedPeer untrusted;
    untrusted.StartTls(self.chainPem, self.keyPem);
    CSMTPEmail email(&m_log);
    untrusted.Start();
    EXPECT_EQ(email.Connect(L"127.0.0.1", untrusted.Port(), 1), 4);
    EXPECT_EQ(EventTexts(3), std::vector<std::wstring>{L"127.0.0.1"});
    untrusted.Finish();

    m_folder.WriteFile("TrustedCerts.dat", std::string(self.sha1.begin(), self.sha1.end()));
    ScriptedPeer trusted;
    Bye(Greet(trusted.StartTls(self.chainPem, self.keyPem)));
    trusted.Start();
    EXPECT_EQ(email.Connect(L"127.0.0.1", trusted.Port(), 1), 1);
    EXPECT_EQ(email.Quit(), 1);
    EXPECT_TRUE(trusted.Finish()) << trusted.Error();
    EXPECT_EQ(trusted.Received(), "HELO Morvane\r\nQuit\r\n");
}

TEST_F(SMTPEmailTest, RecipientListsAreSplitAtSemicolons) {
    struct Row {
        const wchar_t* list;
        std::vector<std::string> addresses;
    };
    const std::vector<Row> rows = {
        {L"a@x.org;b@y.org;", {"a@x.org", "b@y.org"}},
        {L"a@x.org;word", {"a@x.org"}},
        {L"@x.org;b@y.org;;", {"b@y.org"}},
        {L" c@z.org", {" c@z.org"}},  // not trimmed
    };
    for (const Row& row : rows) {
        ScriptedPeer peer;
        Greet(peer).ExpectLine("MAIL FROM:<s@x.org>").Send("250 ok\r\n");
        for (const std::string& address : row.addresses) peer.ExpectLine("RCPT TO: <" + address + ">").Send("250 ok\r\n");
        Bye(peer.ExpectLine("DATA").Send("554 no valid recipients\r\n"));
        EXPECT_EQ(Session(peer, [&](CSMTPEmail& email) { return email.SendMail(L"s@x.org", row.list, L"", L""); }), 0)
            << kvxtest::Narrow(row.list);
    }
    EXPECT_EQ(EventTexts(22), std::vector<std::wstring>(rows.size(), L"554"));
}

TEST_F(SMTPEmailTest, RefusedRecipientListsAndSenders) {
    CSMTPEmail email(&m_log);
    for (const wchar_t* list : {L"", L"nobody", L"a@x.org\r\nRSET", L"a@x.org;b@y\n.org"})
        EXPECT_EQ(email.AddRecipients(list, 0), 0) << kvxtest::Narrow(list);
    EXPECT_EQ(EventCodes(m_log, kCategory), (std::vector<int>(4, 6)));
    EXPECT_EQ(EventTexts(6)[1], L"nobody");

    m_log.Clear();
    EXPECT_EQ(email.SetSender(L""), 0);
    EXPECT_EQ(email.SendMail(L"s@x.org\r\nRCPT TO:<z@z>", L"a@x.org", L"", L""), 0);
    EXPECT_EQ(EventCodes(m_log, kCategory), std::vector<int>{5});
}

TEST_F(SMTPEmailTest, LineBreaksInTheSubjectAreRefusedBeforeAnyTraffic) {
    SetLibraryLog(&m_log);
    ScriptedPeer peer;
    Bye(Greet(peer));
    Session(peer, [](CSMTPEmail& email) {
        EXPECT_EQ(email.SetSubject(L"Hello\r\nBcc: everyone@x.org"), 0);
        EXPECT_EQ(email.SetSubject(L"Hello\nX-Spam: no"), 0);
        EXPECT_EQ(email.SendMail(L"s@x.org", L"a@x.org", L"Hi\rthere", L"body"), 0);
        return 0;
    });
    EXPECT_EQ(AssertionCount(m_log), 3);
    EXPECT_EQ(peer.Received(), "HELO Morvane\r\nQuit\r\n");
}

TEST_F(SMTPEmailTest, PlainMessageHeadersBodyAndBcc) {
    ScriptedPeer peer;
    ScriptMessage(peer, "s@x.org", {"a@x.org", "b@x.org", "c@x.org", "hidden@x.org"});
    CSMTPEmail email(&m_log);
    ASSERT_EQ(Connect(email, peer), 1);
    ASSERT_EQ(email.SetSender(L"s@x.org"), 1);
    ASSERT_EQ(email.AddRecipients(L"a@x.org;b@x.org", 0), 1);
    ASSERT_EQ(email.AddRecipients(L"c@x.org", 1), 1);
    ASSERT_EQ(email.AddRecipients(L"hidden@x.org", 2), 1);
    ASSERT_EQ(email.SetSubject(L"Grüße"), 1);
    // Lines that begin with '.' (one of them alone, which would end the
    // message), with every kind of line end.
    ASSERT_EQ(email.SetBody(L".hidden\n.\r\nend\r.x"), 1);
    EXPECT_EQ(email.Send(), 1);
    EXPECT_EQ(email.Quit(), 1);
    EXPECT_TRUE(peer.Finish()) << peer.Error();

    std::string data = MessageData(peer);
    std::smatch date;
    ASSERT_TRUE(std::regex_search(data, date, std::regex("Date: ([^\r]*)\r\n"))) << data;
    EXPECT_TRUE(std::regex_match(date[1].str(),
                                 std::regex("[A-Z][a-z]{2}, \\d\\d [A-Z][a-z]{2} \\d{4} \\d\\d:\\d\\d:\\d\\d [+-]\\d{4}")))
        << date[1];
    EXPECT_EQ(data, "FROM: s@x.org\r\nTo: a@x.org,b@x.org\r\nCc: c@x.org\r\nSubject: =?UTF-8?B?R3LDvMOfZQ==?=\r\n"
                    "Content-Type: text/plain; \r\n\tcharset=UTF-8\r\n" + date.str() +
                    "X-Mailer: Morvane Mail\r\n"
                    "\r\n..hidden\r\n..\r\nend\r\n..x\r\n");
    EXPECT_EQ(data.find("hidden@"), std::string::npos);
    EXPECT_TRUE(EventCodes(m_log, kCategory).empty());
}

TEST_F(SMTPEmailTest, AttachmentsAreBase64LinesOf72Characters) {
    std::string bytes108;
    for (int i = 0; i < 108; ++i) bytes108 += (char)(i * 7 + 3);
    std::string big = m_folder.WriteFile("big.bin", bytes108);
    std::string small = m_folder.WriteFile("small.bin", "0123456789");

    ScriptedPeer peer;
    ScriptMessage(peer, "s@x.org", {"a@x.org"});
    CSMTPEmail email(&m_log);
    ASSERT_EQ(Connect(email, peer), 1);
    ASSERT_EQ(email.AddAttachment(kvxtest::Widen(big).c_str()), 1);
    ASSERT_EQ(email.AddAttachment(kvxtest::Widen(small).c_str()), 1);
    EXPECT_EQ(email.SendMail(L"s@x.org", L"a@x.org", L"Files", L"See the files."), 1);
    EXPECT_EQ(email.Quit(), 1);
    EXPECT_TRUE(peer.Finish()) << peer.Error();

    std::string data = MessageData(peer);
    const std::string kBoundary = BoundaryOf(data);
    EXPECT_EQ(kBoundary.size(), strlen(CSMTPEmail::kBoundaryPrefix) + 32);
    EXPECT_EQ(kBoundary.rfind(CSMTPEmail::kBoundaryPrefix, 0), 0u);
    EXPECT_NE(data.find("\r\nMIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=" + kBoundary +
                        "\r\n\r\n\r\nThis is a multi-part message in MIME format from KVX.\r\n\r\n--" + kBoundary +
                        "\r\nContent-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: 7Bit\r\n\r\n"
                        "See the files.\r\n\r\n--" + kBoundary + "\r\n"),
              std::string::npos)
        << data;
    const std::string partHead = "Content-Type: application/octet-stream; file=%s\r\nContent-Transfer-Encoding: base64\r\n"
                                 "Content-Disposition: attachment; filename=%s\r\n\r\n";
    auto head = [&](const std::string& name) {
        std::string h = partHead;
        h.replace(h.find("%s"), 2, name);
        h.replace(h.find("%s"), 2, name);
        return h;
    };
    std::string lines = Between(data, head("big.bin"), "\r\n--" + kBoundary);
    ASSERT_EQ(lines.size(), 2u * 74u) << data;
    EXPECT_EQ(lines.substr(72, 2), "\r\n");
    EXPECT_EQ(lines.substr(146, 2), "\r\n");
    EXPECT_EQ(Decode(lines), bytes108);

    std::string last = Between(data, head("small.bin"), "\r\n--" + kBoundary + "--\r\n");
    EXPECT_EQ(last.size(), 16u);
    EXPECT_EQ(last.substr(14), "==");
    EXPECT_EQ(Decode(last), "0123456789");
    EXPECT_TRUE(EventCodes(m_log, kCategory).empty());
}

// The boundary is new for every message: a body line that names an
// earlier message's boundary (or any fixed one) neither ends the text part
// nor starts a part of the writer's choosing.
TEST_F(SMTPEmailTest, TheBoundaryIsNewForEveryMessageAndNotInItsText) {
    std::string file = m_folder.WriteFile("f.txt", "data");
    std::string earlier;
    for (int message = 0; message < 2; ++message) {
        ScriptedPeer peer;
        ScriptMessage(peer, "s@x.org", {"a@x.org"});
        CSMTPEmail email(&m_log);
        ASSERT_EQ(Connect(email, peer), 1);
        ASSERT_EQ(email.AddAttachment(kvxtest::Widen(file).c_str()), 1);
        std::wstring body = L"Hello\r\n--" + kvxtest::Widen(earlier.empty() ? "MORVANE_MAIL_PaRt_BoUnDaRy_0049_7248_928499"
                                                                               : earlier) +
                            L"\r\nContent-Type: application/octet-stream; file=evil.exe\r\n\r\nTVqQ\r\n";
        EXPECT_EQ(email.SendMail(L"s@x.org", L"a@x.org", L"Files", body.c_str()), 1);
        EXPECT_EQ(email.Quit(), 1);
        EXPECT_TRUE(peer.Finish()) << peer.Error();
        std::string data = MessageData(peer);
        std::string boundary = BoundaryOf(data);
        ASSERT_FALSE(boundary.empty()) << data;
        EXPECT_NE(boundary, earlier);
        // The text part, the attachment and the end: three delimiters.
        size_t delimiters = 0;
        for (size_t at = data.find("--" + boundary); at != std::string::npos; at = data.find("--" + boundary, at + 1))
            ++delimiters;
        EXPECT_EQ(delimiters, 3u) << data;
        earlier = boundary;
    }
}

// No line of a message passes 998 characters: a long subject and long
// recipient lists are folded, a long body line goes quoted-printable.
TEST_F(SMTPEmailTest, LongLinesAreFoldedOrEncoded) {
    std::string words;
    while (words.size() < 1500) words += "word" + std::to_string(words.size()) + " ";
    const std::string longLine = std::string(2000, 'x') + " = end\t";
    struct Case {
        std::string subject;
        std::string body;
        bool attachment;
    } cases[] = {
        {words, "short\r\n" + longLine + "\r\n.dot", false},
        {std::string(1200, 's'), longLine, true},
    };
    std::string file = m_folder.WriteFile("f.txt", "data");
    for (const Case& c : cases) {
        std::vector<std::string> to;
        std::wstring recipients;
        for (int i = 0; i < 80; ++i) {
            to.push_back("recipient" + std::to_string(i) + "@example.org");
            recipients += kvxtest::Widen(to.back()) + L";";
        }
        ScriptedPeer peer;
        ScriptMessage(peer, "s@x.org", to);
        CSMTPEmail email(&m_log);
        ASSERT_EQ(Connect(email, peer), 1);
        if (c.attachment) {
            ASSERT_EQ(email.AddAttachment(kvxtest::Widen(file).c_str()), 1);
        }
        EXPECT_EQ(email.SendMail(L"s@x.org", recipients.c_str(), kvxtest::Widen(c.subject).c_str(),
                                 kvxtest::Widen(c.body).c_str()),
                  1);
        EXPECT_EQ(email.Quit(), 1);
        EXPECT_TRUE(peer.Finish()) << peer.Error();
        std::string data = MessageData(peer);
        EXPECT_TRUE(LinesFit(data)) << data.substr(0, 300);
        // The folded headers unfold to what was given.
        std::string unfolded = std::regex_replace(data, std::regex("\r\n[ \t]"), " ");
        EXPECT_NE(unfolded.find("recipient0@example.org,recipient1@example.org,"), std::string::npos);
        EXPECT_NE(unfolded.find("recipient79@example.org\r\n"), std::string::npos);
        if (c.attachment) {
            EXPECT_NE(data.find("Subject: =?UTF-8?B?"), std::string::npos);
        } else {
            EXPECT_NE(unfolded.find("Subject:" + c.subject + "\r\n"), std::string::npos);
        }
        const std::string encoding = "Content-Transfer-Encoding: quoted-printable\r\n\r\n";
        size_t start = data.find(encoding);
        ASSERT_NE(start, std::string::npos) << data.substr(0, 300);
        start += encoding.size();
        size_t end = c.attachment ? data.find("\r\n\r\n--" + BoundaryOf(data), start) : data.size() - 2;
        std::string body = data.substr(start, end - start);
        // Dot-stuffing comes off on the server's side.
        body = std::regex_replace(body, std::regex("(^|\r\n)\\.\\."), "$1.");
        EXPECT_EQ(DecodeQuotedPrintable(body), c.body) << body.substr(0, 200);
    }
}

// On this system '\\' is a character of a file name, not a folder
// separator: the attachment keeps its whole name.
TEST_F(SMTPEmailTest, ABackslashIsPartOfTheAttachmentsName) {
    std::string file = m_folder.WriteFile("a\\b.txt", "data");
    ScriptedPeer peer;
    ScriptMessage(peer, "s@x.org", {"a@x.org"});
    CSMTPEmail email(&m_log);
    ASSERT_EQ(Connect(email, peer), 1);
    ASSERT_EQ(email.AddAttachment(kvxtest::Widen(file).c_str()), 1);
    EXPECT_EQ(email.SendMail(L"s@x.org", L"a@x.org", L"File", L"See."), 1);
    EXPECT_EQ(email.Quit(), 1);
    EXPECT_TRUE(peer.Finish()) << peer.Error();
    EXPECT_NE(MessageData(peer).find("filename=\"a\\\\b.txt\"\r\n"), std::string::npos) << MessageData(peer);
}

TEST_F(SMTPEmailTest, MissingAttachments) {
    CSMTPEmail email(&m_log);
    std::string gone = m_folder.WriteFile("gone.txt", "x");
    EXPECT_EQ(email.AddAttachment(kvxtest::Widen(m_folder.Sub("never.txt")).c_str()), 0);
    EXPECT_EQ(email.AddAttachment(L""), 0);
    ASSERT_EQ(email.AddAttachment(kvxtest::Widen(gone).c_str()), 1);
    ASSERT_EQ(remove(gone.c_str()), 0);

    // A file gone by the time of sending fails the message before it starts.
    ScriptedPeer peer;
    Bye(Greet(peer));
    ASSERT_EQ(Connect(email, peer), 1);
    EXPECT_EQ(email.SendMail(L"s@x.org", L"a@x.org", L"", L"text"), 0);
    EXPECT_EQ(email.Quit(), 1);
    EXPECT_TRUE(peer.Finish()) << peer.Error();
    EXPECT_EQ(EventCodes(m_log, kCategory), (std::vector<int>{14, 14, 14}));
    EXPECT_EQ(EventTexts(14)[2], kvxtest::Widen(gone));
    EXPECT_EQ(peer.Received().find("MAIL FROM"), std::string::npos);
}

TEST_F(SMTPEmailTest, AnAttachmentThatFailsWhileSendingLeavesTheMessageUnfinished) {
    // The process's memory file opens but cannot be read from its start.
    ScriptedPeer peer;
    Greet(peer).ExpectLine("MAIL FROM:<s@x.org>").Send("250 ok\r\n");
    peer.ExpectLine("RCPT TO: <a@x.org>").Send("250 ok\r\n");
    peer.ExpectLine("DATA").Send("354 go ahead\r\n").ExpectClose();
    CSMTPEmail email(&m_log);
    ASSERT_EQ(Connect(email, peer), 1);
    ASSERT_EQ(email.AddAttachment(L"/proc/self/mem"), 1);
    EXPECT_EQ(email.SendMail(L"s@x.org", L"a@x.org", L"", L"text"), 0);
    EXPECT_TRUE(peer.Finish()) << peer.Error();
    EXPECT_EQ(peer.Received().find("\r\n.\r\n"), std::string::npos);
    EXPECT_EQ(EventCodes(m_log, kCategory), std::vector<int>{18});
}

TEST_F(SMTPEmailTest, AuthPlainSendsZeroUserZeroPassword) {
    ScriptedPeer peer;
    Bye(Greet(peer).ExpectLine("AUTH PLAIN AHUAcA==").Send("235 2.7.0 Authentication successful\r\n"));
    EXPECT_EQ(Session(peer, [](CSMTPEmail& email) { return email.Authenticate(3, L"u", L"p"); }), 1);
}

TEST_F(SMTPEmailTest, AuthLoginSendsUtf8NamesWithoutEmptyLines) {
    ScriptedPeer peer;
    Bye(Greet(peer)
            .ExpectLine("AUTH LOGIN")
            .Send("334 VXNlcm5hbWU6\r\n")
            .ExpectLine("SsO8cmdlbg==")  // "Jürgen" in UTF-8
            .Send("334 UGFzc3dvcmQ6\r\n")
            .ExpectLine("c2VjcmV0")
            .Send("235 ok\r\n"));
    EXPECT_EQ(Session(peer, [](CSMTPEmail& email) { return email.Authenticate(2, L"Jürgen", L"secret"); }), 1);
}

TEST_F(SMTPEmailTest, LoginMethodsWithoutExchange) {
    SetLibraryLog(&m_log);
    ScriptedPeer peer;
    Bye(Greet(peer));
    struct Row {
        int method;
        const wchar_t* user;
        int result;
        int assertions;
    };
    const Row rows[] = {{0, L"", 1, 0}, {1, L"u", 6, 0}, {4, L"u", 6, 0}, {7, L"u", 6, 1}, {2, L"", 6, 1}, {3, L"", 6, 1}};
    Session(peer, [&](CSMTPEmail& email) {
        for (const Row& row : rows) {
            m_log.Clear();
            EXPECT_EQ(email.Authenticate(row.method, row.user, L"p"), row.result) << row.method;
            EXPECT_EQ(AssertionCount(m_log), row.assertions) << row.method;
        }
        EXPECT_EQ(email.Authenticate(2, nullptr, L"p"), 6);
        return 0;
    });
    EXPECT_EQ(peer.Received(), "HELO Morvane\r\nQuit\r\n");
}

// Replies that refuse a step: each gives the step's failure and event 22
// with the code.
TEST_F(SMTPEmailTest, RefusingRepliesAreLoggedWithTheirCode) {
    struct Row {
        const char* name;
        std::vector<std::pair<std::string, std::string>> exchange;  // line the client sends, reply
        std::string code;
    };
    const std::vector<Row> rows = {
        {"sender", {{"MAIL FROM:<s@x.org>", "550 sender unknown\r\n"}}, "550"},
        {"recipient",
         {{"MAIL FROM:<s@x.org>", "250 ok\r\n"}, {"RCPT TO: <a@x.org>", "550-no such user\r\n550 here\r\n"}},
         "550"},
        {"end of message",
         {{"MAIL FROM:<s@x.org>", "250 ok\r\n"},
          {"RCPT TO: <a@x.org>", "251 will forward\r\n"},
          {"DATA", "354 go ahead\r\n"},
          {"FROM: s@x.org", "552 too big\r\n"}},
         "552"},
    };
    for (const Row& row : rows) {
        ScriptedPeer peer;
        Greet(peer);
        for (const auto& [line, reply] : row.exchange) {
            if (line.rfind("FROM:", 0) == 0) {
                // the reply comes when the whole message is in
                peer.ExpectLine(line).Send(reply).ExpectClose();
                break;
            }
            peer.ExpectLine(line).Send(reply);
        }
        CSMTPEmail email(&m_log);
        ASSERT_EQ(Connect(email, peer), 1);
        m_log.Clear();
        EXPECT_EQ(email.SendMail(L"s@x.org", L"a@x.org", L"", L"text"), 0) << row.name;
        EXPECT_EQ(EventCodes(m_log, kCategory), std::vector<int>{22}) << row.name;
        EXPECT_EQ(EventTexts(22), std::vector<std::wstring>{kvxtest::Widen(row.code)}) << row.name;
        CBasicSocket::SetReceiveTimeout(200);
        email.Quit();
        CBasicSocket::SetReceiveTimeout(30000);
        EXPECT_TRUE(peer.Finish()) << peer.Error() << " in " << row.name;
    }
}

TEST_F(SMTPEmailTest, AuthenticationRefused) {
    ScriptedPeer peer;
    Bye(Greet(peer)
            .ExpectLine("AUTH LOGIN")
            .Send("334 VXNlcm5hbWU6\r\n")
            .ExpectLine("dQ==")
            .Send("334 UGFzc3dvcmQ6\r\n")
            .ExpectLine("cA==")
            .Send("535 5.7.8 Authentication credentials invalid\r\n")
            .ExpectLine("AUTH PLAIN AHUAcA==")
            .Send("504 not here\r\n"));
    Session(peer, [](CSMTPEmail& email) {
        EXPECT_EQ(email.Authenticate(2, L"u", L"p"), 6);
        EXPECT_EQ(email.Authenticate(3, L"u", L"p"), 6);
        return 0;
    });
    EXPECT_EQ(EventTexts(22), (std::vector<std::wstring>{L"535", L"504"}));
}

TEST_F(SMTPEmailTest, SendWithoutConnectionGivesThree) {
    CSMTPEmail email(&m_log);
    EXPECT_EQ(email.SendMail(L"s@x.org", L"a@x.org", L"", L""), 3);
    EXPECT_EQ(EventCodes(m_log, kCategory), std::vector<int>{7});
}

} // namespace
