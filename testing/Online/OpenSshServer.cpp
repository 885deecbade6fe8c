#include "testing/Online/OpenSshServer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <vector>

#include "testing/Online/SocketTesting.h"
#include "utility/Posix/Handle.h"
#include "utility/Posix/ProcessHandle.h"
#include "utility/Posix/ProcessStart.h"

namespace sendrixtest {

namespace {

const char kServer[] = "/usr/sbin/sshd";
const char kKeyMaker[] = "/usr/bin/ssh-keygen";
// Run as root, the server wants its separation folder.
const char kSeparationFolder[] = "/run/sshd";

bool Run(const std::string& program, const std::vector<std::string>& arguments) {
    HANDLE process = StartProcess(program, arguments, "");
    if (!process) return false;
    DWORD exitCode = 1;
    bool done = WaitForSingleObject(process, 60000) == WAIT_OBJECT_0 && GetExitCodeProcess(process, &exitCode);
    CloseHandle(process);
    return done && exitCode == 0;
}

} // namespace

std::string COpenSshServer::Start(const std::string& workFolder, const std::string& keyType) {
    struct stat status;
    if (access(kServer, X_OK) != 0 || access(kKeyMaker, X_OK) != 0) {
        m_unavailable = true;
        return "openssh-server is not installed";
    }
    if (geteuid() == 0 && stat(kSeparationFolder, &status) != 0) {
        m_unavailable = true;
        return std::string("sshd run as root needs ") + kSeparationFolder;
    }
    const std::string folder = workFolder + "/sshd-" + keyType;
    if (mkdir(folder.c_str(), 0700) != 0) return "no folder for the server";
    const std::string key = folder + "/host_key";
    if (!Run(kKeyMaker, {"ssh-keygen", "-q", "-t", keyType, "-N", "", "-f", key}))
        return "ssh-keygen could not make a " + keyType + " key";
    m_port = FreeLoopbackPort();
    const std::string config = folder + "/sshd_config";
    std::ofstream(config) << "ListenAddress 127.0.0.1\n"
                          << "Port " << m_port << "\n"
                          << "HostKey " << key << "\n"
                          << "HostKeyAlgorithms ssh-ed25519,ecdsa-sha2-nistp256,rsa-sha2-512,rsa-sha2-256\n"
                          << "PidFile none\n"
                          << "LogLevel QUIET\n"
                          << "UsePAM no\n"
                          << "StrictModes no\n"
                          << "PasswordAuthentication yes\n"
                          << "KbdInteractiveAuthentication no\n"
                          << "Subsystem sftp internal-sftp\n";
    // -D: no daemon, -e: log to standard error.
    if (!m_daemon.Start(kServer, {kServer, "-D", "-e", "-f", config}, m_port)) return m_daemon.Error();
    return std::string();
}

COpenSshServer::~COpenSshServer() { m_daemon.Stop(); }

} // namespace sendrixtest
