#include "Pendrel/Platform/KVXFontColorDialog.h"

#include <QColorDialog>
#include <QFontDialog>

#include <mutex>

#include "Pendrel/Platform/KVXFonts.h"
#include "Pendrel/Platform/KVXSysColors.h"

namespace {

std::mutex& HandlerMutex() {
    static std::mutex mutex;
    return mutex;
}

KVXFontColorDialogHandler& Handler() {
    static KVXFontColorDialogHandler handler;
    return handler;
}

bool ShowDialog(QWidget* parent, KVXFontColorRequest& request) {
    if (request.kind == KVXFontColorRequest::Font) {
        QFontDialog dialog(KVXFontFromLogFont(request.font), parent);
        dialog.setOption(QFontDialog::ScalableFonts);
        dialog.setOption(QFontDialog::NonScalableFonts);
        if (dialog.exec() != QDialog::Accepted) return false;
        request.font = KVXLogFontFromFont(dialog.selectedFont());
        return true;
    }
    QColorDialog dialog(KVXToQColor(request.color), parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    const QColor chosen = dialog.selectedColor();
    if (!chosen.isValid()) return false;
    request.color = KVXFromQColor(chosen);
    return true;
}

bool Ask(QWidget* parent, KVXFontColorRequest& request) {
    KVXFontColorDialogHandler handler;
    {
        std::lock_guard<std::mutex> lock(HandlerMutex());
        handler = Handler();
    }
    return handler ? handler(parent, request) : ShowDialog(parent, request);
}

} // namespace

bool KVXChooseFont(QWidget* parent, LOGFONTW& font) {
    KVXFontColorRequest request;
    request.kind = KVXFontColorRequest::Font;
    request.font = font;
    if (!Ask(parent, request)) return false;
    font = request.font;
    return true;
}

bool KVXChooseColor(QWidget* parent, COLORREF& color) {
    KVXFontColorRequest request;
    request.kind = KVXFontColorRequest::Color;
    request.color = color;
    if (!Ask(parent, request)) return false;
    color = request.color;
    return true;
}

void KVXSetFontColorDialogHandler(KVXFontColorDialogHandler handler) {
    std::lock_guard<std::mutex> lock(HandlerMutex());
    Handler() = std::move(handler);
}
