#include "Keyboard/KeyboardModel.h"

#include <algorithm>

#include "utility/ErrorReport.h"

namespace {

const char kSourceFile[] = ".\\KeyboardDlg";

// The column of each flag value; Caps Lock (16 and up) adds one.
const int kColumns[16] = {0, 2, 4, 6, -1, -1, 8, 10, 12, 14, -1, -1, -1, -1, -1, -1};
// The flags of each column (for the multi-character tables' keys).
const unsigned kColumnFlags[KB_COLUMNS] = {0, 0x10, 1, 0x11, 2, 0x12, 3, 0x13, 6, 0x16, 7, 0x17, 8, 0x18, 9, 0x19};

const BYTE kScan101[KB_KEY_PLACES] = {41, 2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 0,  16, 17, 18,
                                      19, 20, 21, 22, 23, 24, 25, 26, 27, 43, 30, 31, 32, 33, 34, 35, 36,
                                      37, 38, 39, 40, 0,  0,  44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 0};
const BYTE kScan102[KB_KEY_PLACES] = {41, 2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 0,  16, 17, 18,
                                      19, 20, 21, 22, 23, 24, 25, 26, 27, 0,  30, 31, 32, 33, 34, 35, 36,
                                      37, 38, 39, 40, 43, 86, 44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 0};
const BYTE kScan106[KB_KEY_PLACES] = {41, 2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 0,  16, 17, 18,
                                      19, 20, 21, 22, 23, 24, 25, 26, 27, 125, 0, 30, 31, 32, 33, 34, 35,
                                      36, 37, 38, 39, 40, 0,  44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 0};

// The virtual keys of the keys' places on a US keyboard (letters and
// digits), for the Ctrl combinations of keys that type other characters.
WORD UsVirtualKeyOfScan(int scan) {
    static const char kRows[][12] = {"1234567890", "QWERTYUIOP", "ASDFGHJKL", "ZXCVBNM"};
    static const int kFirstScan[] = {2, 16, 30, 44};
    for (int row = 0; row < 4; ++row) {
        const int index = scan - kFirstScan[row];
        if (index >= 0 && index < static_cast<int>(std::char_traits<char>::length(kRows[row])))
            return static_cast<WORD>(kRows[row][index]);
    }
    return 0;
}

bool IsAsciiLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

// The characters of a multi-character table entry for the key, or empty.
template <class Entry>
std::u16string LookUp(const st_KBLookup* lookup, const Entry* table, size_t length, DWORD key) {
    if (!lookup || !table) return {};
    size_t count = 0;
    while (table[count].chars[0] != 0) ++count;
    for (; lookup->key != 0; ++lookup) {
        if (lookup->key != key || lookup->index >= count) continue;
        std::u16string text;
        for (size_t i = 0; i < length && table[lookup->index].chars[i]; ++i)
            text += static_cast<char16_t>(table[lookup->index].chars[i]);
        return text;
    }
    return {};
}

} // namespace

CKeyboardModel::CKeyboardModel(CAbstractInputSink* sink, const CAbstractPhysicalKeys* physical)
    : m_sink(sink), m_physical(physical) {}

int CKeyboardModel::ColumnOfFlags(unsigned flags) {
    if (flags > 31) return -1;
    const int column = kColumns[flags & 15];
    if (column < 0) return -1;
    return (flags & KBF_CAPS) ? column + 1 : column;
}

const BYTE* CKeyboardModel::ScanCodesOfType(int type) {
    switch (type) {
    case KB_TYPE_102: return kScan102;
    case KB_TYPE_106: return kScan106;
    default: return kScan101;
    }
}

void CKeyboardModel::SetLayout(unsigned id, const st_KBImpl& data) {
    m_layoutId = id;
    m_data = data;
    if (m_data.keyCount > KB_MAX_KEYS) m_data.keyCount = KB_MAX_KEYS;
    SetType(m_type);
}

void CKeyboardModel::SetType(int type) {
    if (IsJapanese())
        type = KB_TYPE_106;
    else if (type != KB_TYPE_102)
        type = KB_TYPE_101;
    m_type = type;
    m_shift = m_leftCtrl = m_rightCtrl = m_altGr = false;
    m_katakana = m_halfWidth = false;
    m_deadChar = 0;
    m_capsLock = m_physical && m_physical->IsToggled(20);
    m_numLock = m_physical && m_physical->IsToggled(144);
}

BYTE CKeyboardModel::ScanCodeAt(int place) const {
    return place >= 0 && place < KB_KEY_PLACES ? ScanCodesOfType(m_type)[place] : 0;
}

const st_KBKey* CKeyboardModel::FindKey(int scanCode) const {
    if (scanCode <= 0) return nullptr;
    const BYTE* places = ScanCodesOfType(m_type);
    if (scanCode != KB_SCAN_SPACE && std::find(places, places + KB_KEY_PLACES, scanCode) == places + KB_KEY_PLACES)
        return nullptr;
    for (int i = 0; i < m_data.keyCount; ++i)
        if (m_data.keys[i].scanCode == scanCode) return &m_data.keys[i];
    return nullptr;
}

unsigned CKeyboardModel::Flags() const {
    unsigned flags = 0;
    if (m_shift) flags |= KBF_SHIFT;
    if (m_leftCtrl) flags |= KBF_LCTRL;
    if (m_altGr) flags |= KBF_ALTGR;
    if (m_rightCtrl) flags |= KBF_RCTRL;
    if (m_capsLock) flags |= KBF_CAPS;
    return flags;
}

unsigned CKeyboardModel::CaptionFlags() const {
    // The layouts type nothing with Ctrl; while the on-screen Ctrl waits for
    // its combination the keys show the characters they have without it.
    const unsigned flags = Flags();
    const int column = ColumnOfFlags(flags);
    if ((m_leftCtrl || m_rightCtrl) && (column < 0 || !HasColumn(column))) {
        unsigned without = flags & ~KBF_RCTRL;
        if (!m_altGr) without &= ~KBF_LCTRL;
        if (ColumnOfFlags(without) >= 0) return without;
    }
    return flags;
}

int CKeyboardModel::CurrentColumn() const {
    if (IsJapanese()) {
        const int base = m_altGr ? (m_katakana ? 12 : 8) : 0;
        return base + (m_capsLock ? 1 : 0) + (m_shift ? 2 : 0);
    }
    return ColumnOfFlags(CaptionFlags());
}

bool CKeyboardModel::IsAltGrAvailable() const { return HasColumn(8); }

bool CKeyboardModel::IsCapsLockAvailable() const {
    const int base = CurrentColumn() & ~3;
    return CurrentColumn() >= 0 && (HasColumn(base + 1) || HasColumn(base + 3));
}

bool CKeyboardModel::IsShiftAvailable() const {
    const int base = CurrentColumn() & ~3;
    return CurrentColumn() >= 0 && (HasColumn(base + 2) || HasColumn(base + 3));
}

std::u16string CKeyboardModel::CharacterText(const st_KBKey& key, int column) const {
    if (column < 0 || column >= KB_COLUMNS) return {};
    const WORD character = key.chars[column];
    if (character == 0) return {};
    const DWORD lookupKey = key.scanCode * 256u + kColumnFlags[column];
    std::u16string text;
    if (character == KB_CHARS_2) text = LookUp(m_data.lookup2, m_data.chars2, 2, lookupKey);
    if (character == KB_CHARS_3) text = LookUp(m_data.lookup3, m_data.chars3, 3, lookupKey);
    if (character == KB_CHARS_4) text = LookUp(m_data.lookup4, m_data.chars4, 4, lookupKey);
    return text.empty() ? std::u16string(1, static_cast<char16_t>(character)) : text;
}

KeyCaption CKeyboardModel::CaptionAt(int place) const {
    KeyCaption caption;
    const st_KBKey* key = FindKey(ScanCodeAt(place));
    if (!key) return caption;
    caption.visible = true;
    const int column = CurrentColumn();
    if (column < 0) {
        ReportAssertion(0, kSourceFile, 1012);
        return caption;
    }
    caption.text = CharacterText(*key, column);
    if (caption.text.size() == 1 && IsAsciiLetter(caption.text[0])) {
        caption.corners[0] = caption.text;
    } else {
        caption.corners[0] = CharacterText(*key, 0);
        caption.corners[1] = CharacterText(*key, 2);
        caption.corners[2] = CharacterText(*key, 8);
    }
    caption.dead = (key->deadColumns >> column) & 1u;
    caption.active = (m_altGr || m_leftCtrl || m_rightCtrl) ? 2 : m_shift ? 1 : 0;
    caption.enabled = !caption.text.empty();
    return caption;
}

std::u16string CKeyboardModel::SpaceCaption() const {
    const st_KBKey* key = FindKey(KB_SCAN_SPACE);
    return key ? CharacterText(*key, CurrentColumn()) : std::u16string();
}

int CKeyboardModel::TranslateKey(int scanCode) const {
    // A pending dead key takes the space bar to type itself.
    if (scanCode == KB_SCAN_SPACE && m_deadChar) return m_deadChar;
    const st_KBKey* key = FindKey(scanCode);
    if (!key) return 0;
    int column;
    if (IsJapanese()) {
        column = CurrentColumn();
    } else {
        unsigned flags = 0;
        if (m_shift) flags |= KBF_SHIFT;
        if (m_capsLock) flags |= KBF_CAPS;
        if (m_physical && m_physical->IsHeld(162)) flags |= KBF_LCTRL;
        if (m_physical && m_physical->IsHeld(163)) flags |= KBF_RCTRL;
        if (m_physical && m_physical->IsHeld(18)) flags |= KBF_ALT;
        if (m_altGr) flags |= KBF_ALTGR;
        column = ColumnOfFlags(flags);
    }
    // A state without a column types nothing.
    if (column < 0 || column >= KB_COLUMNS) return 0;
    const WORD character = key->chars[column];
    // A plain space reaches the window as the key it is.
    return scanCode == KB_SCAN_SPACE && character == u' ' ? 0 : character;
}

PhysicalKeyEffect CKeyboardModel::OnPhysicalKey(int scanCode, int virtualKey, bool down) {
    PhysicalKeyEffect effect;
    // The pad comes first: its "/" has the scan code of the "/" key.
    if (virtualKey >= 96 && virtualKey <= 111) {
        if (virtualKey >= 106 || m_numLock) {
            effect.target = PhysicalKeyEffect::PadKey;
            effect.index = virtualKey;
        }
        return effect;
    }
    for (int place = 0; place < KB_KEY_PLACES; ++place) {
        if (ScanCodeAt(place) != scanCode) continue;
        if (!CaptionAt(place).enabled) return effect;
        effect.target = PhysicalKeyEffect::CharacterKey;
        effect.index = place;
        // Only a key the hook swallowed types here; any other reached the
        // window already.
        effect.click = down && TranslateKey(scanCode) != 0;
        return effect;
    }
    switch (scanCode) {
    case 42:
    case 54:
        if (m_shift != down) {
            m_shift = down;
            effect.statesChanged = true;
        }
        break;
    case 58:
        if (!down) {
            m_capsLock = !m_capsLock;
            effect.statesChanged = true;
        }
        break;
    case 14:
    case 28:
        // Backspace and Enter reach the window and end a pending dead key.
        if (down && m_deadChar) {
            EndDeadKey();
            effect.statesChanged = true;
        }
        effect.target = PhysicalKeyEffect::FixedKey;
        effect.index = scanCode;
        break;
    case 15:
        effect.target = PhysicalKeyEffect::FixedKey;
        effect.index = scanCode;
        break;
    case KB_SCAN_SPACE:
        effect.target = PhysicalKeyEffect::FixedKey;
        effect.index = scanCode;
        // Only a space bar the hook swallowed types here.
        effect.click = down && TranslateKey(scanCode) != 0;
        break;
    case 69:
        // The key toggled the lock itself; the screen follows it.
        if (down) {
            m_numLock = !m_numLock;
            effect.statesChanged = true;
            effect.numLockPressed = true;
        }
        break;
    case 56:
        // Right Alt is AltGr; left Alt keeps its own meaning.
        if (virtualKey == 165 && m_physicalAlt != down) {
            m_physicalAlt = down;
            m_altGr = !m_altGr;
            effect.statesChanged = true;
        }
        break;
    default: break;
    }
    if (virtualKey == 162 && m_leftCtrl != down) {
        m_leftCtrl = down;
        effect.statesChanged = true;
    }
    if (virtualKey == 163 && m_rightCtrl != down) {
        m_rightCtrl = down;
        effect.statesChanged = true;
    }
    return effect;
}

void CKeyboardModel::TypeFirstCharacter(const std::u16string& text) {
    if (text.empty() || !m_sink) return;
    // The first character whole: both halves of a surrogate pair.
    m_sink->SendCharacter(text[0]);
    if (text.size() > 1 && text[0] >= 0xD800 && text[0] < 0xDC00 && text[1] >= 0xDC00 && text[1] < 0xE000)
        m_sink->SendCharacter(text[1]);
}

void CKeyboardModel::SendCtrlCombination(int scanCode, WORD ctrlKey) {
    const st_KBKey* key = FindKey(scanCode);
    WORD virtualKey = 0;
    if (key) {
        const char16_t shifted = key->chars[1];
        if ((shifted >= u'A' && shifted <= u'Z') || (shifted >= u'0' && shifted <= u'9'))
            virtualKey = static_cast<WORD>(shifted);
    }
    if (!virtualKey) virtualKey = UsVirtualKeyOfScan(scanCode);
    const bool shift = m_shift;
    if (shift) m_sink->SendVirtualKey(160, true);
    m_sink->SendVirtualKey(ctrlKey, true);
    if (virtualKey) {
        m_sink->SendVirtualKey(virtualKey, true);
        m_sink->SendVirtualKey(virtualKey, false);
    }
    m_sink->SendVirtualKey(ctrlKey, false);
    if (shift) m_sink->SendVirtualKey(160, false);
}

void CKeyboardModel::ClickCharacterKey(int place) {
    if (!m_sink) return;
    const int scanCode = ScanCodeAt(place);
    const KeyCaption caption = CaptionAt(place);
    if (caption.text.empty()) return;
    const WORD character = caption.text[0];

    if (!m_deadChar) {
        const st_KBKey* key = FindKey(scanCode);
        const int column = CurrentColumn();
        if (!key || column < 0) {
            ReportAssertion(0, kSourceFile, 1240);
            return;
        }
        if ((key->deadColumns >> column) & 1u) {
            const st_KBDeadKey* dead = m_data.deadKeys;
            while (dead && dead->deadChar && dead->deadChar != character) ++dead;
            if (!dead || !dead->deadChar) {
                ReportAssertion(0, kSourceFile, 1251);
                return;
            }
            // Ctrl and AltGr that reached the dead key are put aside while
            // it waits for its letter; Shift and Caps Lock stay as the user
            // set them, before and after.
            m_deadChar = character;
            m_saved = {m_shift, m_leftCtrl, m_rightCtrl, m_capsLock, m_altGr};
            m_leftCtrl = m_rightCtrl = m_altGr = false;
            return;
        }
    } else {
        const bool shifted = m_shift != m_capsLock;
        WORD composed = 0;
        for (const st_KBDeadKey* dead = m_data.deadKeys; dead && dead->deadChar && !composed; ++dead) {
            if (dead->deadChar != m_deadChar) continue;
            for (const st_KBDeadEntry* entry = dead->entries; entry && entry->composed; ++entry)
                if (entry->scanCode == scanCode && (entry->shifted != 0) == shifted) {
                    composed = entry->composed;
                    break;
                }
        }
        if (composed) {
            m_sink->SendCharacter(composed);
        } else {
            m_sink->SendCharacter(m_deadChar);
            TypeFirstCharacter(caption.text);
        }
        EndDeadKey();
        return;
    }

    if (m_leftCtrl && !m_altGr) {
        m_leftCtrl = false;
        SendCtrlCombination(scanCode, 162);
        return;
    }
    if (m_rightCtrl) {
        m_rightCtrl = false;
        SendCtrlCombination(scanCode, 163);
        return;
    }
    TypeFirstCharacter(caption.text);
}

void CKeyboardModel::EndDeadKey() {
    if (!m_deadChar) return;
    m_deadChar = 0;
    m_leftCtrl = m_saved.leftCtrl;
    m_rightCtrl = m_saved.rightCtrl;
    m_altGr = m_saved.altGr;
}

void CKeyboardModel::ClickFixedKey(WORD virtualKey) {
    if (!m_sink) return;
    // Enter and Backspace end a pending dead key.
    if (virtualKey == 13 || virtualKey == 8) EndDeadKey();
    m_sink->SendVirtualKey(virtualKey, true);
    m_sink->SendVirtualKey(virtualKey, false);
}

void CKeyboardModel::ClickSpace() {
    if (!m_sink) return;
    // After a dead key the space bar types the dead key's own character.
    if (m_deadChar) {
        m_sink->SendCharacter(m_deadChar);
        EndDeadKey();
        return;
    }
    const std::u16string text = SpaceCaption();
    if (!text.empty() && text != u" ")
        TypeFirstCharacter(text);
    else
        ClickFixedKey(32);
}

void CKeyboardModel::ClickNumLock() {
    m_numLock = !m_numLock;
    ClickFixedKey(144);
}
