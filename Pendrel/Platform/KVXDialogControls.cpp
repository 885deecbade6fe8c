#include "Pendrel/Platform/KVXDialogControls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVariant>

#include "Pendrel/Platform/KVXStaticText.h"
#include "Pendrel/Platform/KVXText.h"

namespace {

const char kIdProperty[] = "kvxControlId";

bool IsClass(const wchar_t* className, const wchar_t* name) {
    return className && KVXToQString(className).compare(KVXToQString(name), Qt::CaseInsensitive) == 0;
}

Qt::Alignment EditAlignment(DWORD style) {
    if (style & ES_CENTER) return Qt::AlignHCenter | Qt::AlignVCenter;
    if (style & ES_RIGHT) return Qt::AlignRight | Qt::AlignVCenter;
    return Qt::AlignLeft | Qt::AlignVCenter;
}

QWidget* MakeButton(const QString& text, DWORD style) {
    switch (style & BS_TYPEMASK) {
    case BS_GROUPBOX: return new QGroupBox(text);
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_3STATE:
    case BS_AUTO3STATE: {
        auto* box = new QCheckBox(text);
        box->setTristate((style & BS_TYPEMASK) == BS_3STATE || (style & BS_TYPEMASK) == BS_AUTO3STATE);
        return box;
    }
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON: return new QRadioButton(text);
    default: {
        auto* button = new QPushButton(text);
        button->setAutoDefault(false);
        button->setDefault((style & BS_TYPEMASK) == BS_DEFPUSHBUTTON);
        return button;
    }
    }
}

QWidget* MakeStatic(const QString& text, DWORD style) {
    auto line = [](QFrame::Shape shape) {
        auto* frame = new QFrame;
        frame->setFrameShape(shape);
        frame->setFrameShadow(QFrame::Sunken);
        return frame;
    };
    switch (style & SS_TYPEMASK) {
    case SS_ETCHEDHORZ: return line(QFrame::HLine);
    case SS_ETCHEDVERT: return line(QFrame::VLine);
    case SS_ETCHEDFRAME: return line(QFrame::Box);
    case SS_ICON:
    case SS_BITMAP: return new QLabel;
    default: {
        auto* label = new CKVXStaticText(text, style);
        if (style & WS_BORDER) label->setFrameShape(QFrame::Box);
        return label;
    }
    }
}

QWidget* MakeEdit(const QString& text, DWORD style) {
    if (style & ES_MULTILINE) {
        auto* edit = new QPlainTextEdit;
        edit->setPlainText(text);
        edit->setReadOnly(style & ES_READONLY);
        if (style & ES_AUTOHSCROLL) edit->setLineWrapMode(QPlainTextEdit::NoWrap);
        return edit;
    }
    auto* edit = new QLineEdit(text);
    edit->setReadOnly(style & ES_READONLY);
    edit->setAlignment(EditAlignment(style));
    if (style & ES_PASSWORD) edit->setEchoMode(QLineEdit::Password);
    if (style & ES_NUMBER)
        edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    return edit;
}

QWidget* MakeWidget(const KVXDialogControl& control, const QString& text) {
    const wchar_t* name = control.className;
    if (IsClass(name, WC_BUTTON)) return MakeButton(text, control.style);
    if (IsClass(name, WC_STATIC)) return MakeStatic(text, control.style);
    if (IsClass(name, WC_EDIT)) return MakeEdit(text, control.style);
    if (IsClass(name, WC_COMBOBOX)) {
        auto* combo = new QComboBox;
        combo->setEditable((control.style & 0x3u) != CBS_DROPDOWNLIST);
        return combo;
    }
    if (IsClass(name, WC_LISTBOX)) return new QListWidget;
    if (IsClass(name, WC_LISTVIEW) || IsClass(name, WC_TREEVIEW)) {
        auto* tree = new QTreeWidget;
        tree->setRootIsDecorated(IsClass(name, WC_TREEVIEW));
        return tree;
    }
    if (IsClass(name, WC_TABCONTROL)) return new QTabWidget;
    if (IsClass(name, WC_PROGRESS)) {
        auto* bar = new QProgressBar;
        bar->setRange(0, 100);
        bar->setValue(0);
        bar->setTextVisible(false);
        return bar;
    }
    if (IsClass(name, WC_TRACKBAR)) return new QSlider(Qt::Horizontal);
    auto* placeholder = new QWidget;
    placeholder->setWindowTitle(text);
    return placeholder;
}

} // namespace

QWidget* KVXCreateControl(const KVXDialogControl& control, QWidget* parent) {
    QWidget* widget = MakeWidget(control, KVXToQString(control.text));
    widget->setParent(parent);
    const RECT pixels = KVXMapDialogRect(
        RECT{control.x, control.y, static_cast<LONG>(control.x + control.cx), static_cast<LONG>(control.y + control.cy)});
    widget->setGeometry(pixels.left, pixels.top, pixels.right - pixels.left, pixels.bottom - pixels.top);
    KVXSetDlgCtrlID(widget, control.id);
    widget->setEnabled(!(control.style & WS_DISABLED));
    if (!(control.style & WS_TABSTOP) && widget->focusPolicy() != Qt::NoFocus) widget->setFocusPolicy(Qt::ClickFocus);
    widget->setVisible(control.style & WS_VISIBLE);
    return widget;
}

void KVXSetDlgCtrlID(QWidget* control, UINT id) {
    if (control) control->setProperty(kIdProperty, QVariant::fromValue(id));
}

UINT KVXGetDlgCtrlID(const QWidget* control) {
    return control ? control->property(kIdProperty).value<UINT>() : 0;
}

void KVXSetWindowText(QWidget* window, const wchar_t* text) {
    if (!window) return;
    QString value = KVXToQString(text);
    if (window->isWindow()) window->setWindowTitle(value);
    else if (auto* button = qobject_cast<QAbstractButton*>(window)) button->setText(value);
    else if (auto* label = qobject_cast<QLabel*>(window)) label->setText(value);
    else if (auto* line = qobject_cast<QLineEdit*>(window)) line->setText(value);
    else if (auto* edit = qobject_cast<QPlainTextEdit*>(window))
        edit->setPlainText(value.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    else if (auto* combo = qobject_cast<QComboBox*>(window)) {
        if (combo->isEditable()) combo->setEditText(value);
    } else if (auto* group = qobject_cast<QGroupBox*>(window)) group->setTitle(value);
    else window->setWindowTitle(value);
}

CBasicString KVXGetWindowText(const QWidget* window) {
    if (!window) return CBasicString();
    if (window->isWindow()) return KVXFromQString(window->windowTitle());
    if (auto* button = qobject_cast<const QAbstractButton*>(window)) return KVXFromQString(button->text());
    if (auto* label = qobject_cast<const QLabel*>(window)) return KVXFromQString(label->text());
    if (auto* line = qobject_cast<const QLineEdit*>(window)) return KVXFromQString(line->text());
    if (auto* edit = qobject_cast<const QPlainTextEdit*>(window))
        return KVXFromQString(edit->toPlainText().replace(QStringLiteral("\n"), QStringLiteral("\r\n")));
    if (auto* combo = qobject_cast<const QComboBox*>(window)) return KVXFromQString(combo->currentText());
    if (auto* group = qobject_cast<const QGroupBox*>(window)) return KVXFromQString(group->title());
    return KVXFromQString(window->windowTitle());
}
