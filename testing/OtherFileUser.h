#pragma once
// OtherFileUser: while it lives, the calling thread's file operations run
// as an ordinary user, so that file modes take effect on a test that runs
// as root (who may read and write every file). As root the folder and its
// files are given to that user (nobody) and the folders above it let it
// pass; otherwise the test's own user is that user and nothing changes.
// Only the calling thread is affected.

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

namespace kvxtest {

class OtherFileUser {
public:
    explicit OtherFileUser(const std::string& folder);
    ~OtherFileUser();
    OtherFileUser(const OtherFileUser&) = delete;
    OtherFileUser& operator=(const OtherFileUser&) = delete;

private:
    uid_t m_uid = 0;
    std::vector<std::pair<std::string, mode_t>> m_opened;  // folders above, with their former modes
};

} // namespace kvxtest
