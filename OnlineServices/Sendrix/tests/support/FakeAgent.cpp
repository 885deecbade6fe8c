#include "OnlineServices/Sendrix/tests/support/FakeAgent.h"

#include <cstdlib>
#include <fstream>

#include "OnlineServices/Sendrix/SFtpIpc.h"
#include "utility/Posix/Modules.h"
#include "utility/TextCodec.h"

namespace sendrixtest {

void UseFakeAgent(const std::string& recordFile, const char* mode) {
    CBasicString folder = GetProgramFolder();
    CSFtpIpc::SetAgentPath(WideToUtf8(folder.GetString(), folder.GetLength()) + "FakeSFtpAgent");
    // Generous bounds: the fake agent is a real process, slow to start on a
    // loaded machine.
    CSFtpIpc::SetWaitTimes(60000, 60000);
    setenv("KVX_FAKE_SFTP_RECORD", recordFile.c_str(), 1);
    setenv("KVX_FAKE_SFTP_MODE", mode, 1);
}

void StopFakeAgent() {
    CSFtpIpc::SetAgentPath("");
    CSFtpIpc::SetWaitTimes(0, 0);
    unsetenv("KVX_FAKE_SFTP_MODE");
    unsetenv("KVX_FAKE_SFTP_RECORD");
}

std::vector<std::string> RecordedRequests(const std::string& recordFile) {
    std::vector<std::string> lines;
    std::ifstream in(recordFile);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

} // namespace sendrixtest
