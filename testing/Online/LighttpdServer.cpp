#include "testing/Online/LighttpdServer.h"

#include <fstream>

#include "testing/Online/SocketTesting.h"
#include "utility/Posix/ProcessStart.h"

namespace sendrixtest {

std::string CLighttpdServer::FindProgram() {
    std::string program = FindProgramOnPath("lighttpd");
    if (program.empty() && std::ifstream("/usr/sbin/lighttpd")) program = "/usr/sbin/lighttpd";
    return program;
}

bool CLighttpdServer::Start(const std::string& documentRoot, const std::string& chainFile, const std::string& keyFile,
                            const std::string& workFolder) {
    m_port = FreeLoopbackPort();
    m_tlsPort = FreeLoopbackPort();
    std::string config = workFolder + "/lighttpd.conf";
    std::ofstream(config) << "server.modules = (\"mod_openssl\")\n"
                             "server.document-root = \"" << documentRoot << "\"\n"
                             "server.bind = \"127.0.0.1\"\n"
                             "server.port = " << m_port << "\n"
                             "server.errorlog = \"" << workFolder << "/lighttpd.log\"\n"
                             "$SERVER[\"socket\"] == \"127.0.0.1:" << m_tlsPort << "\" {\n"
                             "  ssl.engine = \"enable\"\n"
                             "  ssl.pemfile = \"" << chainFile << "\"\n"
                             "  ssl.privkey = \"" << keyFile << "\"\n"
                             "}\n" << m_extraConfig << "\n";
    return m_daemon.Start(FindProgram(), {"lighttpd", "-D", "-f", config}, m_port);
}

} // namespace sendrixtest
