#include "testing/Online/TestSshServer.h"

#include <pwd.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "testing/Online/SocketTesting.h"
#include "utility/Posix/Handle.h"
#include "utility/Posix/ProcessHandle.h"
#include "utility/Posix/ProcessStart.h"

namespace sendrixtest {

namespace {

const char kSshd[] = "/usr/sbin/sshd";
const char kAccount[] = "kvxsftp";

// Runs a program to its end (30 seconds at most); true when it exited with 0.
bool Run(const std::vector<std::string>& arguments) {
    std::string program = FindProgramOnPath(arguments[0]);
    if (program.empty()) program = "/usr/sbin/" + arguments[0];
    HANDLE process = StartProcess(program, arguments, "");
    if (!process) return false;
    DWORD exitCode = 1;
    if (WaitForSingleObject(process, 30000) == WAIT_OBJECT_0) GetExitCodeProcess(process, &exitCode);
    else TerminateProcess(process, 1);
    CloseHandle(process);
    return exitCode == 0;
}

// Tests run in parallel: the account files may be locked by another one
// for a moment, so each step is tried again.
bool Retry(const std::function<bool()>& step) {
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (step()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

bool EnsureAccount() {
    bool exists = Retry([] {
        return getpwnam(kAccount) != nullptr || Run({"useradd", "-M", "-d", "/tmp", "-s", "/bin/sh", kAccount});
    });
    if (!exists) return false;
    return Retry([] {
        char name[] = "/tmp/kvx-chpasswd-XXXXXX";
        int fd = mkstemp(name);
        if (fd < 0) return false;
        std::string line = std::string(kAccount) + ":Kvx-Sftp-Test-4711\n";
        bool written = write(fd, line.data(), line.size()) == (ssize_t)line.size();
        close(fd);
        bool changed = written && Run({"sh", "-c", std::string("chpasswd < ") + name});
        unlink(name);
        return changed;
    });
}

} // namespace

std::string CTestSshServer::Start(const std::string& workFolder) {
    if (access(kSshd, X_OK) != 0) {
        m_unavailable = true;
        return "sshd is not installed (openssh-server)";
    }
    if (geteuid() != 0) {
        m_unavailable = true;
        return "sshd with password login needs root";
    }
    if (!EnsureAccount()) return "the test account could not be made";
    passwd* account = getpwnam(kAccount);
    char data[] = "/tmp/kvx-sftp-XXXXXX";
    if (!account || !mkdtemp(data) || chown(data, account->pw_uid, account->pw_gid) != 0)
        return "no folder for the test account";
    m_dataFolder = data;

    const std::string key = workFolder + "/ssh_host_key";
    if (!Run({"ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-f", key})) return "ssh-keygen failed";
    mkdir("/run/sshd", 0755);  // sshd's privilege-separation folder
    m_port = FreeLoopbackPort();
    const std::string config = workFolder + "/sshd_config";
    std::ofstream(config) << "Port " << m_port << "\n"
                          << "ListenAddress 127.0.0.1\n"
                          << "HostKey " << key << "\n"
                          << "PidFile none\n"
                          << "UsePAM no\n"
                          << "PasswordAuthentication yes\n"
                          << "KbdInteractiveAuthentication no\n"
                          << "PubkeyAuthentication no\n"
                          << "AuthorizedKeysFile none\n"
                          << "PermitRootLogin no\n"
                          << "AllowUsers " << kAccount << "\n"
                          << "StrictModes no\n"
                          << "Subsystem sftp internal-sftp\n"
                          << "ForceCommand internal-sftp\n";
    if (!m_daemon.Start(kSshd, {kSshd, "-D", "-e", "-f", config}, m_port)) return m_daemon.Error();
    return std::string();
}

CTestSshServer::~CTestSshServer() {
    m_daemon.Stop();
    if (!m_dataFolder.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(m_dataFolder, ignored);
    }
}

} // namespace sendrixtest
