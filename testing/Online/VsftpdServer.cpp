#include "testing/Online/VsftpdServer.h"

#include <sys/stat.h>

#include <fstream>

#include "testing/Online/SocketTesting.h"
#include "testing/TempFolder.h"
#include "utility/Posix/ProcessStart.h"

namespace sendrixtest {

std::string CVsftpdServer::FindProgram() {
    std::string program = FindProgramOnPath("vsftpd");
    struct stat status;
    if (program.empty() && stat("/usr/sbin/vsftpd", &status) == 0) program = "/usr/sbin/vsftpd";
    return program;
}

bool CVsftpdServer::Start(const std::string& root, const std::string& workFolder, Tls tls,
                          const std::string& chainFile, const std::string& keyFile) {
    std::string program = FindProgram();
    m_port = FreeLoopbackPort();
    m_logFile = workFolder + "/vsftpd.log";
    std::string config =
        "listen=YES\nlisten_ipv6=NO\nlisten_address=127.0.0.1\nlisten_port=" + std::to_string(m_port) +
        "\nbackground=NO\nseccomp_sandbox=NO\nrun_as_launching_user=YES\n"
        "anonymous_enable=YES\nlocal_enable=NO\nno_anon_password=YES\nanon_root=" + root +
        "\nwrite_enable=YES\nanon_upload_enable=YES\nanon_mkdir_write_enable=YES\n"
        "anon_other_write_enable=YES\nanon_world_readable_only=NO\nanon_umask=022\ncheck_shell=NO\n"
        "pasv_enable=YES\nport_enable=YES\nconnect_from_port_20=NO\n"
        "xferlog_enable=YES\nlog_ftp_protocol=YES\nvsftpd_log_file=" + m_logFile + "\n";
    if (tls != kNoTls)
        config += "ssl_enable=YES\nallow_anon_ssl=YES\nforce_anon_logins_ssl=YES\nforce_anon_data_ssl=YES\n"
                  "require_ssl_reuse=YES\nssl_ciphers=HIGH\ndebug_ssl=YES\nrsa_cert_file=" + chainFile +
                  "\nrsa_private_key_file=" + keyFile + "\n" + (tls == kImplicitTls ? "implicit_ssl=YES\n" : "");
    std::string configFile = workFolder + "/vsftpd.conf";
    std::ofstream(configFile, std::ios::binary) << config;
    return m_daemon.Start(program, {program, configFile}, m_port);
}

std::string CVsftpdServer::Log() const { return kvxtest::TempFolder::ReadFile(m_logFile); }

} // namespace sendrixtest
