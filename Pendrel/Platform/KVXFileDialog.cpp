#include "Pendrel/Platform/KVXFileDialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

#include <mutex>

#include "Pendrel/Platform/KVXText.h"

namespace {

std::mutex& HandlerMutex() {
    static std::mutex mutex;
    return mutex;
}

KVXFileDialogHandler& Handler() {
    static KVXFileDialogHandler handler;
    return handler;
}

bool ShowDialog(QWidget* parent, const KVXFileDialogRequest& request, KVXFileDialogAnswer& answer) {
    QFileDialog dialog(parent, KVXToQString(request.title), KVXToQString(request.initialPath));
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!request.defaultExtension.IsEmpty()) dialog.setDefaultSuffix(KVXToQString(request.defaultExtension));
    const QStringList filters = KVXFileDialogFilterToQt(request.filter).split(QStringLiteral(";;"));
    if (!request.filter.IsEmpty()) {
        dialog.setNameFilters(filters);
        const int index = request.filterIndex;
        if (index >= 1 && index <= filters.size()) dialog.selectNameFilter(filters.at(index - 1));
    }
    if (dialog.exec() != QDialog::Accepted) return false;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return false;
    answer.path = KVXFromQString(chosen.front());
    const int at = filters.indexOf(dialog.selectedNameFilter());
    answer.filterIndex = at >= 0 ? at + 1 : 1;
    return true;
}

} // namespace

QString KVXFileDialogFilterToQt(const CBasicString& filter) {
    const QStringList parts = KVXToQString(filter).split(QLatin1Char('|'));
    QStringList result;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString name = parts.at(i).trimmed();
        const QString patterns = parts.at(i + 1).trimmed();
        if (name.isEmpty() && patterns.isEmpty()) break; // the closing "||"
        QString spaced = patterns;
        spaced.replace(QLatin1Char(';'), QLatin1Char(' '));
        result << (name.contains(QLatin1Char('(')) ? name : name + QStringLiteral(" (") + spaced + QLatin1Char(')'));
    }
    return result.join(QStringLiteral(";;"));
}

bool KVXGetFileName(QWidget* parent, const KVXFileDialogRequest& request, KVXFileDialogAnswer& answer) {
    KVXFileDialogHandler handler;
    {
        std::lock_guard<std::mutex> lock(HandlerMutex());
        handler = Handler();
    }
    if (handler) return handler(parent, request, answer);
    return ShowDialog(parent, request, answer);
}

void KVXSetFileDialogHandler(KVXFileDialogHandler handler) {
    std::lock_guard<std::mutex> lock(HandlerMutex());
    Handler() = std::move(handler);
}
