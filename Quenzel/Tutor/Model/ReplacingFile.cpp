#include "Quenzel/Tutor/Model/ReplacingFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "utility/TextCodec.h"

CReplacingFile::CReplacingFile(const wchar_t* path) : m_target(WideToUtf8(path ? path : L"")) {
    if (m_target.empty()) return;
    std::string pattern = m_target + ".XXXXXX";
    m_fd = ::mkstemp(pattern.data());
    if (m_fd < 0) return;
    m_temporary = pattern;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(m_fd, 0666 & ~mask);
}

CReplacingFile::~CReplacingFile() {
    if (m_fd >= 0) ::close(m_fd);
    if (!m_temporary.empty()) ::unlink(m_temporary.c_str());
}

bool CReplacingFile::Write(const std::string& bytes) {
    if (m_fd < 0) return false;
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(m_fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        done += static_cast<size_t>(written);
    }
    return true;
}

bool CReplacingFile::Commit() {
    if (m_fd < 0) return false;
    const bool closed = ::close(m_fd) == 0;
    m_fd = -1;
    if (!closed || ::rename(m_temporary.c_str(), m_target.c_str()) != 0) return false;
    m_temporary.clear();
    return true;
}
