#include "Pendrel/Platform/KVXLauncher.h"

#include <QProcess>

#include <sys/stat.h>

#include <mutex>
#include <string>

#include "Pendrel/Platform/KVXText.h"
#include "utility/Posix/Shell.h"
#include "utility/TextCodec.h"

namespace {

std::mutex& HandlerMutex() {
    static std::mutex mutex;
    return mutex;
}

KVXLauncherHandler& Handler() {
    static KVXLauncherHandler handler;
    return handler;
}

// The handler in place, when a test set one.
KVXLauncherHandler CurrentHandler() {
    std::lock_guard<std::mutex> lock(HandlerMutex());
    return Handler();
}

} // namespace

void KVXSetLauncherHandler(KVXLauncherHandler handler) {
    std::lock_guard<std::mutex> lock(HandlerMutex());
    Handler() = std::move(handler);
}

BOOL KVXLaunchInstaller(const wchar_t* path) {
    if (!path || !*path) return FALSE;
    if (KVXLauncherHandler handler = CurrentHandler()) return handler(CBasicString(path), KVX_LAUNCH_INSTALLER);
    const std::string file = WideToUtf8(std::wstring(path));
    if (chmod(file.c_str(), S_IRWXU) != 0) return FALSE;
    return QProcess::startDetached(KVXToQString(path), QStringList()) ? TRUE : FALSE;
}

BOOL KVXOpenFile(const wchar_t* path) {
    if (!path || !*path) return FALSE;
    if (KVXLauncherHandler handler = CurrentHandler()) return handler(CBasicString(path), KVX_LAUNCH_OPEN_FILE);
    return OpenWithShell(path) ? TRUE : FALSE;
}
