#pragma once
// The fake SFTP agent program of the tests (agent/FakeSFtpAgent.cpp): where
// it is, how to choose its behaviour, and what it recorded.

#include <string>
#include <vector>

namespace sendrixtest {

// Points the SFTP channel at the fake agent, with short waits, and makes
// it record the requests into recordFile; Stop undoes it.
void UseFakeAgent(const std::string& recordFile, const char* mode = "serve");
void StopFakeAgent();

// The recorded requests, one line each: "<code> <length> <hex of the data>".
std::vector<std::string> RecordedRequests(const std::string& recordFile);

} // namespace sendrixtest
