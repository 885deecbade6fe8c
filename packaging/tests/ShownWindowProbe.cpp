// A library that the installation test preloads into the program it starts:
// it writes the title of each top-level window the program shows, one line
// each, into the file descriptor named by KVX_SHOWN_WINDOW_FD, so that the
// test learns that the program is up without looking at a screen.
#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

#include <unistd.h>

#include <cstdlib>

namespace {

class ShownWindowReporter : public QObject {
public:
    ShownWindowReporter(QObject* parent, int fd) : QObject(parent), m_fd(fd) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && watched->isWidgetType()) {
            const auto* widget = static_cast<QWidget*>(watched);
            if (widget->isWindow()) {
                const QByteArray line = widget->windowTitle().toUtf8() + '\n';
                for (qsizetype done = 0; done < line.size();) {
                    const ssize_t written = write(m_fd, line.constData() + done, static_cast<size_t>(line.size() - done));
                    if (written <= 0) break;
                    done += written;
                }
            }
        }
        return false;
    }

private:
    int m_fd;
};

void InstallShownWindowReporter() {
    const char* fd = std::getenv("KVX_SHOWN_WINDOW_FD");
    QCoreApplication* application = QCoreApplication::instance();
    if (!fd || !*fd || !application) return;
    application->installEventFilter(new ShownWindowReporter(application, std::atoi(fd)));
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(InstallShownWindowReporter)
