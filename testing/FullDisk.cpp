#include "testing/FullDisk.h"

namespace kvxtest {

FullDisk::FullDisk() {
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    if (sigaction(SIGXFSZ, &ignore, &m_previousAction) != 0) return;
    if (getrlimit(RLIMIT_FSIZE, &m_previous) != 0) return;
    struct rlimit none = m_previous;
    none.rlim_cur = 0;
    m_active = setrlimit(RLIMIT_FSIZE, &none) == 0;
}

FullDisk::~FullDisk() {
    if (m_active) setrlimit(RLIMIT_FSIZE, &m_previous);
    sigaction(SIGXFSZ, &m_previousAction, nullptr);
}

}  // namespace kvxtest
