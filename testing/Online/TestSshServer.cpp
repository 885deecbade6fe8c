#include "testing/Online/TestSshServer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "testing/Online/SocketTesting.h"
#include "testing/TempFolder.h"

namespace sendrixtest {

namespace {

const char kPython[] = "/usr/bin/python3";
const char kAsyncSsh[] = "/usr/lib/python3/dist-packages/asyncssh";

// Arguments: port, user name, password. The SFTP subsystem serves the
// whole local file system with the rights of the user running it.
const char kServerScript[] = R"PY(
import asyncio, sys
import asyncssh

port, user, password = int(sys.argv[1]), sys.argv[2], sys.argv[3]

class Server(asyncssh.SSHServer):
    def begin_auth(self, username):
        return True
    def password_auth_supported(self):
        return True
    def validate_password(self, username, given):
        return username == user and given == password

async def main():
    key = asyncssh.generate_private_key("ssh-ed25519")
    await asyncssh.listen("127.0.0.1", port, server_host_keys=[key], server_factory=Server,
                          sftp_factory=True, allow_scp=False)
    await asyncio.Event().wait()

asyncio.run(main())
)PY";

} // namespace

std::string CTestSshServer::Start(const std::string& workFolder) {
    if (access(kPython, X_OK) != 0 || access(kAsyncSsh, R_OK) != 0) {
        m_unavailable = true;
        return "python3-asyncssh is not installed";
    }
    m_dataFolder = workFolder + "/sftp-data";
    if (mkdir(m_dataFolder.c_str(), 0700) != 0) return "no data folder";
    const std::string script = workFolder + "/sftp_server.py";
    std::ofstream(script) << kServerScript;
    m_port = FreeLoopbackPort();
    if (!m_daemon.Start(kPython, {"python3", script, std::to_string(m_port), kvxtest::Narrow(User()),
                                  kvxtest::Narrow(Password())},
                        m_port))
        return m_daemon.Error();
    return std::string();
}

CTestSshServer::~CTestSshServer() { m_daemon.Stop(); }

} // namespace sendrixtest
