#include "Pendrel/Platform/KVXMessageBox.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>

#include <mutex>

#include "Pendrel/Platform/KVXText.h"

namespace {

std::mutex& HandlerMutex() {
    static std::mutex mutex;
    return mutex;
}

KVXMessageBoxHandler& Handler() {
    static KVXMessageBoxHandler handler;
    return handler;
}

QMessageBox::Icon IconOf(UINT flags) {
    switch (flags & MB_ICONMASK) {
    case MB_ICONERROR: return QMessageBox::Critical;
    case MB_ICONQUESTION: return QMessageBox::Question;
    case MB_ICONWARNING: return QMessageBox::Warning;
    case MB_ICONINFORMATION: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

struct ButtonChoice {
    QMessageBox::StandardButton button;
    int result;
};

int ShowBox(QWidget* parent, const QString& text, const QString& caption, UINT flags) {
    QMessageBox box(IconOf(flags), caption, text, QMessageBox::NoButton, parent);
    std::vector<ButtonChoice> buttons;
    switch (flags & MB_TYPEMASK) {
    case MB_OKCANCEL: buttons = {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}}; break;
    case MB_YESNOCANCEL:
        buttons = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
        break;
    case MB_YESNO: buttons = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}}; break;
    default: buttons = {{QMessageBox::Ok, IDOK}}; break;
    }
    for (const ButtonChoice& choice : buttons) box.addButton(choice.button);
    box.setDefaultButton(buttons.front().button);
    box.setEscapeButton(buttons.back().button);
    box.exec();
    const QMessageBox::StandardButton pressed = box.standardButton(box.clickedButton());
    for (const ButtonChoice& choice : buttons)
        if (choice.button == pressed) return choice.result;
    return buttons.back().result;
}

} // namespace

int KVXMessageBox(QWidget* parent, const wchar_t* text, const wchar_t* caption, UINT flags) {
    const CBasicString textValue(text ? text : L"");
    const CBasicString captionValue =
        caption ? CBasicString(caption) : KVXFromQString(QGuiApplication::applicationDisplayName());
    KVXMessageBoxHandler handler;
    {
        std::lock_guard<std::mutex> lock(HandlerMutex());
        handler = Handler();
    }
    if (handler) return handler(parent, textValue, captionValue, flags);
    return ShowBox(parent, KVXToQString(textValue), KVXToQString(captionValue), flags);
}

void KVXSetMessageBoxHandler(KVXMessageBoxHandler handler) {
    std::lock_guard<std::mutex> lock(HandlerMutex());
    Handler() = std::move(handler);
}
