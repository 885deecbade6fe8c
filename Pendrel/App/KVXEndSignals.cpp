#include "Pendrel/App/KVXEndSignals.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QWidget>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace {

const int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// One pipe serves the process: a signal handler can reach only globals.
int g_pipe[2] = {-1, -1};
struct sigaction g_previous[3];

void WriteSignal(int number) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t written = write(g_pipe[1], &byte, 1);
    errno = saved;
}

} // namespace

CKVXEndSignals::~CKVXEndSignals() { Uninstall(); }

bool CKVXEndSignals::Install(std::function<void()> end) {
    if (m_notifier || !QCoreApplication::instance() || g_pipe[0] >= 0) return false;
    if (pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        g_pipe[0] = g_pipe[1] = -1;
        return false;
    }
    m_end = std::move(end);
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read);
    QObject::connect(m_notifier, &QSocketNotifier::activated, m_notifier, [this] { OnSignal(); });
    struct sigaction action {};
    action.sa_handler = WriteSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &action, &g_previous[i]);
    return true;
}

void CKVXEndSignals::Uninstall() {
    if (!m_notifier) return;
    for (size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &g_previous[i], nullptr);
    delete m_notifier;
    m_notifier = nullptr;
    close(g_pipe[0]);
    close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
    m_end = nullptr;
}

void CKVXEndSignals::OnSignal() {
    unsigned char bytes[16];
    while (read(g_pipe[0], bytes, sizeof bytes) > 0) {
    }
    if (m_end)
        m_end();
    else
        CloseAllWindows();
}

void CKVXEndSignals::CloseAllWindows() {
    // A modal window first: the window under it may refuse to close while
    // it is shown.
    for (int guard = 0; guard < 64; ++guard) {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->close()) break;
    }
    QApplication::closeAllWindows();
}
