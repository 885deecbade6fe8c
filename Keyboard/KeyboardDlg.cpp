#include "Keyboard/KeyboardDlg.h"

#include <QComboBox>
#include <QAbstractItemView>
#include <QContextMenuEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMenu>
#include <QPainter>
#include <QShortcut>
#include <QScreen>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cwchar>

#include "Keyboard/AboutDlg.h"
#include "Keyboard/KeyboardApp.h"
#include "Keyboard/KeyboardResources.h"
#include "Keyboard/Options.h"
#include "Keyboard/OptionsDialog.h"
#include "Keyboard/RoundButton.h"
#include "Keyboard/platform/FenmarlInputSink.h"
#include "Keyboard/platform/X11KeyboardState.h"
#include "Pendrel/App/KVXApp.h"
#include "Pendrel/Controls/AdvertiseDialog.h"
#include "Pendrel/Controls/TransparentStaticCtrl.h"
#include "Pendrel/Image/KVXGdiIcon.h"
#include "Pendrel/Platform/KVXImageConversion.h"
#include "Pendrel/Platform/KVXMessageBox.h"
#include "Pendrel/Platform/KVXSysColors.h"
#include "Pendrel/Platform/KVXText.h"
#include "Pendrel/Pendrel.h"
#include "utility/ErrorReport.h"

namespace {

const char kSourceFile[] = ".\\KeyboardDlg";
constexpr int kMinimumWidth = 750;
constexpr int kMinimumHeight = 400;
constexpr KVXLinkID kAdvertisementLink = 11;
// Every key code the display leaves empty is held by another on-screen
// keyboard (or the display has none): nothing can be typed.
const wchar_t kNoKeyCodeText[] =
    L"No free key code is left on this display, so the keyboard cannot type characters. Close other on-screen "
    L"keyboards, or restart the desktop session, and start the keyboard again.";

// The fixed keys and their virtual keys.
struct FixedKey {
    UINT id;
    WORD virtualKey;
};
const FixedKey kFixedKeys[] = {
    {IDC_KEY_BACKSPACE, 8},       {IDC_KEY_TAB, 9},           {IDC_KEY_ENTER, 13},
    {IDC_KEY_SPACE, 32},          {IDC_KEY_SPACE_SHORT, 32},  {IDC_KEY_PAD_MULTIPLY, 106},
    {IDC_KEY_PAD_ADD, 107},       {IDC_KEY_PAD_ENTER, 13},    {IDC_KEY_PAD_SUBTRACT, 109},
    {IDC_KEY_PAD_DECIMAL, 110},   {IDC_KEY_PAD_DIVIDE, 111},
};

// A fixed key that grows over the place of a character key the type
// leaves empty.
struct GrowingKey {
    UINT id;
    int place;
};
const GrowingKey kGrowingKeys[] = {{IDC_KEY_BACKSPACE, 13}, {IDC_KEY_ENTER, 26}, {IDC_KEY_CAPS, 27},
                                   {IDC_KEY_ENTER, 38},     {IDC_KEY_LSHIFT, 39}, {IDC_KEY_RSHIFT, 50}};

QString ToQString(const std::u16string& text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

bool IsKeyId(UINT id) { return id >= IDC_KEY_TAB && id <= IDC_KEY_PAD_DIVIDE && id != IDC_OPTIONS_TAB; }

bool OnX11() { return QGuiApplication::platformName() == QLatin1String("xcb"); }

} // namespace

CKeyboardDlg::CKeyboardDlg(COptions& options, CAbstractInputSink* sink, const CAbstractPhysicalKeys* physical,
                           QWidget* parent)
    : CKVXResizableDlg(IDD_KEYBOARD, parent),
      m_options(options),
      m_ownSink(sink ? nullptr : std::make_unique<CFenmarlInputSink>()),
      m_ownPhysical(physical ? nullptr : std::make_unique<CX11PhysicalKeys>()),
      m_model(sink ? sink : m_ownSink.get(), physical ? physical : m_ownPhysical.get()) {
    // The window the user types into keeps the focus.
    setWindowFlag(Qt::WindowDoesNotAcceptFocus);
    setAttribute(Qt::WA_ShowWithoutActivating);
    // F1 in any window of the program (the keyboard itself never has the
    // focus) opens the help.
    auto* help = new QShortcut(QKeySequence::HelpContents, this);
    help->setContext(Qt::ApplicationShortcut);
    connect(help, &QShortcut::activated, this, [this] { OnCommand(ID_KEYBOARD_HELP); });
    if (auto* own = dynamic_cast<CFenmarlInputSink*>(m_ownSink.get())) {
        own->SetOnNoKeyCode([this] {
            // told after the key's handling, outside the hook's call-back
            QTimer::singleShot(0, this, [this] {
                KVXMessageBox(this, kNoKeyCodeText, KeyboardString(IDS_APP_TITLE).GetString(), MB_ICONWARNING);
            });
        });
    }
}

CKeyboardDlg::~CKeyboardDlg() {
    RemoveKeyboardHook();
}

INT_PTR CKeyboardDlg::RunWithoutFocus() {
    if (!Create()) return -1;
    if (isVisible()) {
        QEventLoop loop;
        connect(this, &QDialog::finished, &loop, &QEventLoop::quit);
        loop.exec();
    }
    DestroyWindow();
    return result();
}

CRoundButton* CKeyboardDlg::GetKey(UINT id) const {
    if (id >= IDC_KEY_FIRST_CHARACTER && id < IDC_KEY_FIRST_CHARACTER + KB_KEY_PLACES)
        return m_keys[id - IDC_KEY_FIRST_CHARACTER];
    for (const auto& [keyId, key] : m_otherKeys)
        if (keyId == id) return key;
    return nullptr;
}

BOOL CKeyboardDlg::OnInitDialog() {
    const BOOL result = CKVXResizableDlg::OnInitDialog();
    CKVXApp* app = KVXGetApp();
    const QPixmap picture = app ? KVXTakeIconPicture(app->GetApplicationIcon(0)) : QPixmap();
    if (!picture.isNull()) setWindowIcon(QIcon(picture));

    // The advertisement panel takes its area; without it the window ends
    // above the area.
    if (QWidget* area = GetDlgItem(IDC_ADVERTISEMENT)) {
        auto* panel = m_options.GetAdvertisement() ? new CAdvertiseDialog(this) : nullptr;
        if (panel && panel->Create(this) && SubclassDlgItem(IDC_ADVERTISEMENT, panel)) {
            panel->show();
            panel->NavigateURL({}, kAdvertisementLink);
        } else {
            delete panel;
            area->hide();
            resize(width(), area->y());
        }
    }

    // The keys become round keys; character and pad keys share the key font.
    QFont keyFont(QStringLiteral("DejaVu Sans"));
    keyFont.setPixelSize(16);
    const KVXDialogTemplate* dialogTemplate = KVXFindDialogTemplate(IDD_KEYBOARD);
    for (size_t i = 0; dialogTemplate && i < dialogTemplate->controlCount; ++i) {
        const UINT id = dialogTemplate->controls[i].id;
        if (!IsKeyId(id)) continue;
        auto* key = new CRoundButton(this);
        SubclassDlgItem(id, key);
        key->SetKeyFont(key->font());
        if (id >= IDC_KEY_FIRST_CHARACTER && id < IDC_KEY_FIRST_CHARACTER + KB_KEY_PLACES) {
            key->SetAllCaptions(true);
            key->SetBoldCaption(true);
            key->SetKeyFont(keyFont);
            m_keys[id - IDC_KEY_FIRST_CHARACTER] = key;
        } else {
            if (id >= IDC_KEY_PAD_0) key->SetKeyFont(keyFont);
            m_otherKeys.emplace_back(id, key);
        }
    }
    for (UINT id : {IDC_INTRO_TEXT, IDC_INTRO_TEXT2, IDC_PHYSICAL_LABEL, IDC_PHYSICAL_NAME, IDC_SELECTED_LABEL,
                    IDC_TYPE_LABEL}) {
        auto* label = new CTransparentStaticCtrl(this);
        SubclassDlgItem(id, label);
        label->SetTextOptions(1);
        label->SetTextFormat(DT_WORDBREAK);
        if (id == IDC_INTRO_TEXT || id == IDC_INTRO_TEXT2) {
            label->SetOuterDrawMode(1);
            label->SetFontColor(0);
        }
    }
    if (CRoundButton* alt = GetKey(IDC_KEY_ALT)) alt->setEnabled(false);

    // The session's layout.
    wchar_t name[16] = {};
    const BOOL named = GetKeyboardLayoutNameW(name);
    ReportAssertion(named, kSourceFile, 178);
    std::wstring number = L"0x";
    number += name;
    m_windowsLayout = static_cast<unsigned>(wcstoul(number.c_str(), nullptr, 0));

    FillLayouts();
    for (UINT id : {IDC_LAYOUT_COMBO, IDC_TYPE_COMBO}) {
        auto* combo = GetDlgItem<QComboBox>(id);
        if (!combo) continue;
        connect(combo, &QComboBox::activated, this,
                id == IDC_LAYOUT_COMBO ? &CKeyboardDlg::OnLayoutChosen : &CKeyboardDlg::OnTypeChosen);
        // The lists take the keys while they are open (they grab the
        // keyboard), never the focus of the window the user types into.
        combo->view()->window()->setWindowFlag(Qt::WindowDoesNotAcceptFocus);
    }

    AddResizableControls();
    ApplyPlacement();
    InstallKeyboardHook();
    raise();
    QPalette background = palette();
    background.setColor(QPalette::Window, KVXToQColor(app ? app->GetDlgBkColor() : GetSysColor(COLOR_BTNFACE)));
    setPalette(background);
    setAutoFillBackground(true);
    return result;
}

std::vector<std::pair<unsigned, unsigned>> CKeyboardDlg::SortedLayouts() {
    std::vector<std::pair<unsigned, unsigned>> layouts;
    unsigned id = 0, nameId = 0;
    for (int guard = 0; guard < 4096; ++guard) {
        GetKeyboards(id, nameId);
        if (id == 0) break;
        layouts.emplace_back(id, nameId);
    }
    std::stable_sort(layouts.begin(), layouts.end(), [](const auto& a, const auto& b) {
        return KVXToQString(KeyboardString(a.second).GetString())
                   .compare(KVXToQString(KeyboardString(b.second).GetString()), Qt::CaseInsensitive) < 0;
    });
    return layouts;
}

void CKeyboardDlg::FillLayouts() {
    m_layouts = SortedLayouts();
    for (const auto& [id, nameId] : m_layouts)
        if (id == m_windowsLayout) SetDlgItemText(IDC_PHYSICAL_NAME, KeyboardString(nameId).GetString());

    unsigned chosen = m_options.GetKeyboardCtrlID();
    if (chosen == 0) chosen = m_windowsLayout;
    auto* combo = GetDlgItem<QComboBox>(IDC_LAYOUT_COMBO);
    if (combo) {
        combo->clear();
        for (const auto& [layoutId, layoutName] : m_layouts)
            combo->addItem(KVXToQString(KeyboardString(layoutName).GetString()), layoutId);
        int index = combo->findData(chosen);
        if (index < 0) index = 0;
        combo->setCurrentIndex(index);
        if (index < combo->count()) chosen = combo->itemData(index).toUInt();
    }
    m_model.SetType(m_options.GetKeyboardType());
    ApplyLayout(chosen);
}

void CKeyboardDlg::FillTypeCombo() {
    auto* combo = GetDlgItem<QComboBox>(IDC_TYPE_COMBO);
    if (!combo) return;
    combo->clear();
    if (m_model.IsJapanese()) {
        combo->addItem(QStringLiteral("106 keys"), KB_TYPE_106);
    } else {
        combo->addItem(QStringLiteral("101 keys"), KB_TYPE_101);
        combo->addItem(QStringLiteral("102 keys"), KB_TYPE_102);
    }
    combo->setCurrentIndex(std::max(0, combo->findData(m_model.GetType())));
}

void CKeyboardDlg::ApplyLayout(unsigned id) {
    st_KBImpl data{};
    const int filled = GetKeyboardData(id, data);
    ReportAssertion(filled, kSourceFile, 214);
    m_model.SetLayout(id, data);
    FillTypeCombo();
    UpdateKeys();
    ResizeControls();
}

void CKeyboardDlg::SelectLayout(unsigned id) {
    if (id == 0 || id == m_model.GetLayoutId()) return;
    auto* combo = GetDlgItem<QComboBox>(IDC_LAYOUT_COMBO);
    if (combo) {
        const int index = combo->findData(id);
        if (index < 0) return;
        combo->setCurrentIndex(index);
        m_options.SetKeyboardName(KVXFromQString(combo->itemText(index)).GetString());
    }
    m_options.SetKeyboardCtrlID(id);
    ApplyLayout(id);
    m_options.SetKeyboardType(m_model.GetType());
}

void CKeyboardDlg::OnLayoutChosen(int index) {
    auto* combo = GetDlgItem<QComboBox>(IDC_LAYOUT_COMBO);
    if (combo && index >= 0) SelectLayout(combo->itemData(index).toUInt());
}

void CKeyboardDlg::SelectType(int type) {
    if (type == m_model.GetType()) return;
    m_model.SetType(type);
    if (m_model.GetType() != type) {
        m_model.SetType(m_model.GetType());
        return;
    }
    m_options.SetKeyboardType(type);
    FillTypeCombo();
    UpdateKeys();
    ResizeControls();
}

void CKeyboardDlg::OnTypeChosen(int index) {
    auto* combo = GetDlgItem<QComboBox>(IDC_TYPE_COMBO);
    if (combo && index >= 0) SelectType(combo->itemData(index).toInt());
}

void CKeyboardDlg::UpdateKeys() {
    const bool all = m_options.GetDisplayAllChars() != 0;
    for (int place = 0; place < KB_KEY_PLACES; ++place) {
        CRoundButton* key = m_keys[place];
        if (!key) continue;
        const KeyCaption caption = m_model.CaptionAt(place);
        key->setText(ToQString(caption.text));
        key->SetCorners(caption.corners[0], caption.corners[1], caption.corners[2]);
        key->SetActiveCaption(caption.active);
        key->SetDeadKey(caption.dead);
        key->SetDisplayAllChars(all);
        key->setEnabled(caption.enabled);
        key->setVisible(caption.visible);
        key->update();
    }
    UpdateModifierKeys();
}

void CKeyboardDlg::UpdateModifierKeys() {
    const bool japanese = m_model.IsJapanese();
    const bool kana = japanese && m_model.AltGr();
    auto show = [this](UINT id, bool visible) {
        if (CRoundButton* key = GetKey(id)) key->setVisible(visible);
    };
    auto look = [this](UINT id, bool pressed, bool enabled) {
        if (CRoundButton* key = GetKey(id)) {
            key->SetPressedLook(pressed);
            key->setEnabled(enabled);
        }
    };
    const bool dead = m_model.DeadKeyPending();
    look(IDC_KEY_LSHIFT, m_model.Shift(), m_model.IsShiftAvailable());
    look(IDC_KEY_RSHIFT, m_model.Shift(), m_model.IsShiftAvailable());
    look(IDC_KEY_CAPS, m_model.CapsLock(), m_model.IsCapsLockAvailable());
    look(IDC_KEY_ALTGR, m_model.AltGr(), m_model.IsAltGrAvailable());
    look(IDC_KEY_LCTRL, m_model.LeftCtrl(), !japanese && !dead);
    look(IDC_KEY_RCTRL, m_model.RightCtrl(), !japanese && !dead);
    look(IDC_KEY_CTRL, m_model.RightCtrl(), !dead);
    look(IDC_KEY_NUM, m_model.NumLock(), !dead);
    look(IDC_KEY_HK, false, true);
    look(IDC_KEY_SZ, false, true);

    const wchar_t* altGr = L"Alt Gr";
    if (m_model.IsKorean()) altGr = m_model.AltGr() ? L"Kor" : L"Eng";
    if (japanese) altGr = kana ? L"Kana" : L"Eng";
    SetDlgItemText(IDC_KEY_ALTGR, altGr);
    SetDlgItemText(IDC_KEY_HK, m_model.Katakana() ? L"\u30AB\u30BF" : L"\u3072\u3089");
    SetDlgItemText(IDC_KEY_SZ, m_model.HalfWidth() ? L"\u534A" : L"\u5168");

    show(IDC_KEY_SPACE, !kana);
    show(IDC_KEY_SPACE_SHORT, kana);
    show(IDC_KEY_HK, kana);
    show(IDC_KEY_SZ, kana && m_model.Katakana());
    show(IDC_KEY_CTRL, kana && m_model.Katakana());
    show(IDC_KEY_RCTRL, !(kana && m_model.Katakana()));
    const UINT space = kana ? IDC_KEY_SPACE_SHORT : IDC_KEY_SPACE;
    SetDlgItemText(IDC_KEY_SPACE, L"");
    SetDlgItemText(IDC_KEY_SPACE_SHORT, L"");
    const std::u16string spaceText = m_model.SpaceCaption();
    if (spaceText != u" ") SetDlgItemText(space, KVXFromQString(ToQString(spaceText)).GetString());
}

void CKeyboardDlg::AddResizableControls() {
    m_resizableCtrls.clear();
    m_resizableCtrls.emplace_back(IDC_KEYBOARD_FRAME, 0, RESIZE_STRETCH_WIDTH | RESIZE_STRETCH_HEIGHT);
    const KVXDialogTemplate* dialogTemplate = KVXFindDialogTemplate(IDD_KEYBOARD);
    for (size_t i = 0; dialogTemplate && i < dialogTemplate->controlCount; ++i)
        if (IsKeyId(dialogTemplate->controls[i].id))
            m_resizableCtrls.emplace_back(static_cast<WORD>(dialogTemplate->controls[i].id), IDC_KEYBOARD_FRAME,
                                          RESIZE_RELATIVE);
    for (UINT id : {IDC_PHYSICAL_LABEL, IDC_PHYSICAL_NAME, IDC_SELECTED_LABEL})
        m_resizableCtrls.emplace_back(static_cast<WORD>(id), 0, RESIZE_KEEP_LEFT | RESIZE_KEEP_TOP);
    m_resizableCtrls.emplace_back(IDC_LAYOUT_COMBO, 0, RESIZE_STRETCH_WIDTH | RESIZE_KEEP_TOP);
    m_resizableCtrls.emplace_back(IDC_TYPE_LABEL, 0, RESIZE_ANCHOR_RIGHT | RESIZE_KEEP_TOP);
    m_resizableCtrls.emplace_back(IDC_TYPE_COMBO, 0, RESIZE_ANCHOR_RIGHT | RESIZE_KEEP_TOP);
    m_resizableCtrls.emplace_back(IDC_ADVERTISEMENT, 0, RESIZE_STRETCH_WIDTH | RESIZE_ANCHOR_BOTTOM);
    CKVXResizableDlg::AddResizableControls();
}

void CKeyboardDlg::SetChildWindowPosition() {
    // A fixed key takes the place of an empty character place beside it
    // (Enter over the ISO key's place, the left Shift over the 102nd key's).
    for (const GrowingKey& growing : kGrowingKeys) {
        CRoundButton* key = GetKey(growing.id);
        CRoundButton* place = m_keys[growing.place];
        if (!key || !place || !place->isHidden()) continue;
        QRect grown = key->geometry().united(place->geometry());
        if (place->y() != key->y()) grown.setLeft(key->x());
        key->setGeometry(grown);
    }
}

void CKeyboardDlg::OnGetMinMaxInfo(MINMAXINFO* info) {
    info->ptMinTrackSize.x = kMinimumWidth;
    info->ptMinTrackSize.y = kMinimumHeight;
    CKVXResizableDlg::OnGetMinMaxInfo(info);
}

void CKeyboardDlg::OnCommand(UINT id) {
    if (id >= IDC_KEY_FIRST_CHARACTER && id < IDC_KEY_FIRST_CHARACTER + KB_KEY_PLACES) {
        OnCharacterKey(static_cast<int>(id - IDC_KEY_FIRST_CHARACTER));
        return;
    }
    for (const FixedKey& fixed : kFixedKeys) {
        if (fixed.id != id) continue;
        if (fixed.virtualKey == 32)
            m_model.ClickSpace();
        else
            m_model.ClickFixedKey(fixed.virtualKey);
        UpdateKeys();
        return;
    }
    if (id >= IDC_KEY_PAD_0 && id <= IDC_KEY_PAD_0 + 9) {
        const int digit = static_cast<int>(id - IDC_KEY_PAD_0);
        // The pad's own digit keys, so the digit arrives whatever the
        // window's layout puts on the main row.
        if (m_model.NumLock())
            m_model.ClickFixedKey(static_cast<WORD>(96 + digit));
        else
            m_padCode = m_padCode * 10 + digit;
        return;
    }
    switch (id) {
    case IDC_KEY_LSHIFT:
    case IDC_KEY_RSHIFT:
    case IDC_KEY_LCTRL:
    case IDC_KEY_RCTRL:
    case IDC_KEY_CTRL:
    case IDC_KEY_CAPS:
    case IDC_KEY_ALTGR:
    case IDC_KEY_HK:
    case IDC_KEY_SZ:
    case IDC_KEY_NUM: OnModifierKey(id); return;
    case ID_KEYBOARD_CLOSE: OnCancel(); return;
    case ID_KEYBOARD_ABOUT: OpenAbout(); return;
    case ID_KEYBOARD_HELP:
        if (CKeyboardApp* app = KeyboardGetApp()) app->OnHelp(this);
        return;
    case ID_KEYBOARD_TYPE_101:
    case ID_KEYBOARD_TYPE_102:
    case ID_KEYBOARD_TYPE_106: SelectType(static_cast<int>(id - ID_KEYBOARD_TYPE_101)); return;
    case ID_KEYBOARD_OPTIONS: OpenOptions(); return;
    default: break;
    }
    CKVXResizableDlg::OnCommand(id);
}

void CKeyboardDlg::OnModifierKey(UINT id) {
    switch (id) {
    case IDC_KEY_LSHIFT:
    case IDC_KEY_RSHIFT: m_model.ToggleShift(); break;
    case IDC_KEY_LCTRL: m_model.ToggleLeftCtrl(); break;
    case IDC_KEY_RCTRL:
    case IDC_KEY_CTRL: m_model.ToggleRightCtrl(); break;
    case IDC_KEY_CAPS: m_model.ToggleCapsLock(); break;
    case IDC_KEY_ALTGR: m_model.ToggleAltGr(); break;
    case IDC_KEY_HK: m_model.ToggleKatakana(); break;
    case IDC_KEY_SZ: m_model.ToggleHalfWidth(); break;
    case IDC_KEY_NUM:
        m_model.ClickNumLock();
        m_padCode = 0;
        break;
    default: return;
    }
    UpdateKeys();
    ResizeControls();
}

void CKeyboardDlg::OnCharacterKey(int place) {
    m_model.ClickCharacterKey(place);
    UpdateKeys();
}

int CKeyboardDlg::TranslateKey(int scanCode) { return m_model.TranslateKey(scanCode); }

void CKeyboardDlg::OnKeyDown(int scanCode, int virtualKey, int) {
    const PhysicalKeyEffect effect = m_model.OnPhysicalKey(scanCode, virtualKey, true);
    if (effect.target == PhysicalKeyEffect::PadKey) ShowPadKey(effect.index, true);
    if (effect.target == PhysicalKeyEffect::FixedKey) {
        ShowFixedKey(effect.index, true);
        if (effect.click) {
            m_model.ClickSpace();
            UpdateKeys();
        }
    }
    if (effect.target == PhysicalKeyEffect::CharacterKey) {
        m_keys[effect.index]->SetPressedLook(true);
        if (effect.click) OnCharacterKey(effect.index);
    }
    if (effect.statesChanged) UpdateKeys();
}

void CKeyboardDlg::OnKeyUp(int scanCode, int virtualKey, int) {
    const PhysicalKeyEffect effect = m_model.OnPhysicalKey(scanCode, virtualKey, false);
    if (effect.target == PhysicalKeyEffect::PadKey) ShowPadKey(effect.index, false);
    if (effect.target == PhysicalKeyEffect::FixedKey) ShowFixedKey(effect.index, false);
    if (effect.target == PhysicalKeyEffect::CharacterKey) m_keys[effect.index]->SetPressedLook(false);
    if (effect.statesChanged) UpdateKeys();
}

void CKeyboardDlg::ShowPadKey(int virtualKey, bool pressed) {
    UINT id = 0;
    if (virtualKey >= 96 && virtualKey <= 105) id = IDC_KEY_PAD_0 + static_cast<UINT>(virtualKey - 96);
    const UINT operators[6] = {IDC_KEY_PAD_MULTIPLY, IDC_KEY_PAD_ADD,     0,
                               IDC_KEY_PAD_SUBTRACT, IDC_KEY_PAD_DECIMAL, IDC_KEY_PAD_DIVIDE};
    if (virtualKey >= 106 && virtualKey <= 111) id = operators[virtualKey - 106];
    if (CRoundButton* key = GetKey(id)) key->SetPressedLook(pressed);
}

void CKeyboardDlg::ShowFixedKey(int scanCode, bool pressed) {
    UINT id = 0;
    switch (scanCode) {
    case 14: id = IDC_KEY_BACKSPACE; break;
    case 15: id = IDC_KEY_TAB; break;
    case 28: id = IDC_KEY_ENTER; break;
    case KB_SCAN_SPACE: id = GetKey(IDC_KEY_SPACE)->isHidden() ? IDC_KEY_SPACE_SHORT : IDC_KEY_SPACE; break;
    default: return;
    }
    if (CRoundButton* key = GetKey(id)) key->SetPressedLook(pressed);
}

void CKeyboardDlg::InstallKeyboardHook() {
    if (!OnX11() || m_hookInstalled) return;
    InstallHook(this, this);
    m_hookInstalled = true;
    const int descriptor = GetHookDescriptor();
    if (descriptor < 0) return;
    m_hookNotifier = new QSocketNotifier(descriptor, QSocketNotifier::Read, this);
    connect(m_hookNotifier, &QSocketNotifier::activated, this, [] { DispatchHookEvents(); });
}

void CKeyboardDlg::RemoveKeyboardHook() {
    delete m_hookNotifier;
    m_hookNotifier = nullptr;
    if (m_hookInstalled) UninstallHook();
    m_hookInstalled = false;
}

QRect CKeyboardDlg::PlacedRect(const KEYBOARD_PLACEMENT& placement, const QRect& available) {
    const RECT& r = placement.rcNormalPosition;
    if (r.right <= r.left || r.bottom <= r.top || available.isEmpty()) return {};
    QRect placed(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1));
    placed.setWidth(std::min(placed.width(), available.width()));
    placed.setHeight(std::min(placed.height(), available.height()));
    placed.moveLeft(std::clamp(placed.left(), available.left(), available.right() + 1 - placed.width()));
    placed.moveTop(std::clamp(placed.top(), available.top(), available.bottom() + 1 - placed.height()));
    return placed;
}

void CKeyboardDlg::ApplyPlacement() {
    KEYBOARD_PLACEMENT placement;
    m_options.GetPlacement(placement);
    const RECT& r = placement.rcNormalPosition;
    const QPoint centre((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    QScreen* screen = QGuiApplication::screenAt(centre);
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect placed = PlacedRect(placement, screen->availableGeometry());
    if (placed.isEmpty()) return;
    setGeometry(placed.x(), placed.y(), std::max(placed.width(), minimumWidth()),
                std::max(placed.height(), minimumHeight()));
}

void CKeyboardDlg::StorePlacement() {
    KEYBOARD_PLACEMENT placement;
    m_options.GetPlacement(placement);
    const QRect shown = geometry();
    placement.showCmd = 1;  // shown normally
    placement.rcNormalPosition = {shown.left(), shown.top(), shown.left() + shown.width(),
                                  shown.top() + shown.height()};
    m_options.SetPlacement(placement);
}

void CKeyboardDlg::OnDestroy() {
    StorePlacement();
    RemoveKeyboardHook();
    m_optionsDlg.reset();
    m_aboutDlg.reset();
    CKVXResizableDlg::OnDestroy();
}

void CKeyboardDlg::OpenOptions() {
    m_optionsDlg.reset();
    m_focusBeforeDialog = GetFocusWindow();
    m_optionsDlg = std::make_unique<COptionsDialog>(m_options, this);
    m_optionsDlg->SetDisplayAllCharsChanged([this] { UpdateKeys(); });
    m_optionsDlg->setWindowModality(Qt::WindowModal);
    connect(m_optionsDlg.get(), &QDialog::finished, this, &CKeyboardDlg::OnChildWindowClosed);
    m_optionsDlg->Create();
    m_optionsDlg->raise();
}

void CKeyboardDlg::OpenAbout() {
    m_aboutDlg.reset();
    m_focusBeforeDialog = GetFocusWindow();
    m_aboutDlg = std::make_unique<CAboutDlg>(this);
    m_aboutDlg->setWindowModality(Qt::WindowModal);
    connect(m_aboutDlg.get(), &QDialog::finished, this, &CKeyboardDlg::OnChildWindowClosed);
    m_aboutDlg->Create();
    m_aboutDlg->raise();
}

void CKeyboardDlg::OnChildWindowClosed() {
    raise();
    // After the dialog's window is gone, so that nothing takes the focus
    // from the window after us.
    const unsigned long focus = m_focusBeforeDialog;
    m_focusBeforeDialog = 0;
    if (focus) QTimer::singleShot(0, this, [focus] { RestoreFocusWindow(focus); });
}

void CKeyboardDlg::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    auto add = [&](UINT id, const QString& text, bool enabled = true, int checkedType = -1) {
        QAction* action = menu.addAction(text, this, [this, id] { OnCommand(id); });
        action->setEnabled(enabled);
        if (checkedType >= 0) {
            action->setCheckable(true);
            action->setChecked(m_model.GetType() == checkedType);
        }
    };
    const bool japanese = m_model.IsJapanese();
    add(ID_KEYBOARD_TYPE_101, QStringLiteral("101 keys"), !japanese, KB_TYPE_101);
    add(ID_KEYBOARD_TYPE_102, QStringLiteral("102 keys"), !japanese, KB_TYPE_102);
    add(ID_KEYBOARD_TYPE_106, QStringLiteral("106 keys"), japanese, KB_TYPE_106);
    menu.addSeparator();
    add(ID_KEYBOARD_OPTIONS, QStringLiteral("&Options..."));
    add(ID_KEYBOARD_ABOUT, QStringLiteral("&About Ondrivel..."));
    add(ID_KEYBOARD_HELP, QStringLiteral("&Help\tF1"));
    menu.addSeparator();
    add(ID_KEYBOARD_CLOSE, QStringLiteral("&Close"));
    menu.exec(event->globalPos());
}

void CKeyboardDlg::mousePressEvent(QMouseEvent* event) {
    raise();
    CKVXResizableDlg::mousePressEvent(event);
}

void CKeyboardDlg::paintEvent(QPaintEvent* event) {
    CKVXResizableDlg::paintEvent(event);
    QPainter painter(this);
    for (UINT id : {IDC_INTRO_TEXT, IDC_INTRO_TEXT2})
        if (auto* label = GetDlgItem<CTransparentStaticCtrl>(id)) label->DrawTextExW(&painter);
}
