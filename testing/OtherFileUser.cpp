#include "testing/OtherFileUser.h"

#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

namespace kvxtest {

namespace {

constexpr uid_t kNobody = 65534;

} // namespace

OtherFileUser::OtherFileUser(const std::string& folder) {
    if (geteuid() != 0) return;
    m_uid = kNobody;
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(folder, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error))
        (void)!lchown(it->path().c_str(), m_uid, m_uid);
    (void)!chown(folder.c_str(), m_uid, m_uid);
    for (std::filesystem::path above = std::filesystem::path(folder).parent_path(); above != above.root_path();
         above = above.parent_path()) {
        struct stat status {};
        if (::stat(above.c_str(), &status) == 0 && !(status.st_mode & S_IXOTH)) {
            m_opened.emplace_back(above.string(), status.st_mode & 07777);
            chmod(above.c_str(), (status.st_mode & 07777) | S_IXOTH);
        }
    }
    setfsgid(m_uid);
    setfsuid(m_uid);
}

OtherFileUser::~OtherFileUser() {
    if (!m_uid) return;
    setfsuid(0);
    setfsgid(0);
    for (const auto& folder : m_opened) chmod(folder.first.c_str(), folder.second);
}

} // namespace kvxtest
