#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "testing/CertFactory.h"
#include "testing/Installed.h"
#include "testing/Online/VsftpdServer.h"
#include "testing/ScriptedPeer.h"
#include "testing/TempFolder.h"
#include "utility/Posix/ProcessHandle.h"
#include "utility/Posix/ProcessStart.h"

namespace {

// An authority of its own, which the program does not trust.
const kvxtest::CertFactory& OtherAuthority() {
    static const kvxtest::CertFactory factory;
    return factory;
}

// The probe program in a folder of the test's own with the test authority
// as "ClientCert.pem" beside it, and the library in a folder below it with
// the other authority as "ClientCert.pem" beside the library: only the file
// beside the program counts. There is no "TrustedCerts.dat" and the probe
// gives no certificate handler, so the authority alone decides.
class ProgramCertificateTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(m_folder.Sub("app/lib"));
        std::filesystem::copy_file(KVX_SENDRIX_PROBE, m_folder.Sub("app/sendrix_probe"));
        std::filesystem::copy_file(KVX_SENDRIX_LIBRARY, m_folder.Sub("app/lib/libSendrix.so"));
        m_folder.WriteFile("app/ClientCert.pem", kvxtest::CertFactory::Shared().CaPem());
        m_folder.WriteFile("app/lib/ClientCert.pem", OtherAuthority().CaPem());
    }

    // A server certificate for 127.0.0.1 signed by the program's authority
    // or by the other one.
    static kvxtest::TestCertificate ServerCertificate(bool programsAuthority) {
        return (programsAuthority ? kvxtest::CertFactory::Shared() : OtherAuthority()).Leaf();
    }

    // Runs the probe with the arguments after the library: its exit code (0
    // connected, 1 failed); log gets what the library logged.
    int Probe(const std::vector<std::string>& arguments, std::string& log) {
        std::string logFile = m_folder.Sub("app/probe.txt");
        std::remove(logFile.c_str());
        std::vector<std::string> all = {"sendrix_probe", m_folder.Sub("app/lib/libSendrix.so")};
        all.insert(all.end(), arguments.begin(), arguments.end());
        HANDLE process = StartProcess(m_folder.Sub("app/sendrix_probe"), all, "");
        if (!process) return -1;
        DWORD code = 99;
        if (WaitForSingleObject(process, 60000) == WAIT_OBJECT_0) GetExitCodeProcess(process, &code);
        else TerminateProcess(process, 98);
        CloseHandle(process);
        log = kvxtest::TempFolder::ReadFile(logFile);
        return (int)code;
    }

    // A refusal is the certificate's, not a broken connection's.
    static bool RefusedAsUntrusted(const std::string& log) { return log.find("not trusted") != std::string::npos; }

    kvxtest::TempFolder m_folder;
};

TEST_F(ProgramCertificateTest, FtpsServersAreTrustedThroughTheAuthorityBesideTheProgramOnly) {
    KVX_SKIP_OR_FAIL_UNLESS(!sendrixtest::CVsftpdServer::FindProgram().empty(), "vsftpd is not installed");
    struct Case {
        const char* what;
        sendrixtest::CVsftpdServer::Tls tls;
        int protocol;
        bool programsAuthority;
    } cases[] = {
        {"implicit TLS, the program's authority", sendrixtest::CVsftpdServer::kImplicitTls, 1, true},
        {"implicit TLS, another authority", sendrixtest::CVsftpdServer::kImplicitTls, 1, false},
        {"AUTH TLS, the program's authority", sendrixtest::CVsftpdServer::kExplicitTls, 3, true},
        {"AUTH TLS, another authority", sendrixtest::CVsftpdServer::kExplicitTls, 3, false},
    };
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string work = "server" + std::to_string(index++);
        std::string root = m_folder.Sub(work + "/root");
        std::filesystem::create_directories(root);
        chmod(root.c_str(), 0777);
        kvxtest::TestCertificate certificate = ServerCertificate(c.programsAuthority);
        sendrixtest::CVsftpdServer server;
        ASSERT_TRUE(server.Start(root, m_folder.Sub(work), c.tls, m_folder.WriteFile(work + "/cert.pem", certificate.chainPem),
                                 m_folder.WriteFile(work + "/key.pem", certificate.keyPem)))
            << server.Error();
        std::string log;
        int result = Probe({"ftp", std::to_string(c.protocol), std::to_string(server.Port())}, log);
        EXPECT_EQ(result, c.programsAuthority ? 0 : 1) << log << server.Log();
        if (!c.programsAuthority) {
            EXPECT_TRUE(RefusedAsUntrusted(log)) << log;
        }
    }
}

TEST_F(ProgramCertificateTest, SmtpServersAreTrustedThroughTheAuthorityBesideTheProgramOnly) {
    for (bool programsAuthority : {true, false}) {
        SCOPED_TRACE(programsAuthority ? "the program's authority" : "another authority");
        kvxtest::TestCertificate certificate = ServerCertificate(programsAuthority);
        kvxtest::ScriptedPeer server;
        server.SetStepTimeout(10000);
        server.StartTls(certificate.chainPem, certificate.keyPem);
        if (programsAuthority)
            server.Send("220 ready\r\n").ExpectLine("HELO Morvane").Send("250 hello\r\n").ExpectLine("Quit").Send(
                "221 bye\r\n");
        server.Start();
        std::string log;
        EXPECT_EQ(Probe({"smtp", std::to_string(server.Port())}, log), programsAuthority ? 0 : 1) << log;
        bool finished = server.Finish();
        if (programsAuthority) {
            EXPECT_TRUE(finished) << server.Error();
            EXPECT_EQ(server.Received(), "HELO Morvane\r\nQuit\r\n");
        } else {
            EXPECT_TRUE(RefusedAsUntrusted(log)) << log;
            // Nothing went to a server that is not trusted.
            EXPECT_EQ(server.Received(), "");
        }
    }
}

} // namespace
