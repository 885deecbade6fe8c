// Layout records from the XKB data.

#include "LayoutBuilder.h"

#include <array>
#include <map>

namespace fenmarl {

namespace {

// The X key codes of right Alt and right Ctrl.
constexpr xkb_keycode_t kRightAlt = 108, kRightCtrl = 105;

// The two-set Hangul layout: the jamo of the Latin letters, plain and with
// Shift (0 where Shift types the plain jamo).
struct Jamo {
    char letter;
    char16_t plain;
    char16_t shifted;
};
const Jamo kJamo[] = {
    {'q', u'ㅂ', u'ㅃ'}, {'w', u'ㅈ', u'ㅉ'}, {'e', u'ㄷ', u'ㄸ'}, {'r', u'ㄱ', u'ㄲ'}, {'t', u'ㅅ', u'ㅆ'},
    {'y', u'ㅛ', 0},     {'u', u'ㅕ', 0},     {'i', u'ㅑ', 0},     {'o', u'ㅐ', u'ㅒ'}, {'p', u'ㅔ', u'ㅖ'},
    {'a', u'ㅁ', 0},     {'s', u'ㄴ', 0},     {'d', u'ㅇ', 0},     {'f', u'ㄹ', 0},     {'g', u'ㅎ', 0},
    {'h', u'ㅗ', 0},     {'j', u'ㅓ', 0},     {'k', u'ㅏ', 0},     {'l', u'ㅣ', 0},     {'z', u'ㅋ', 0},
    {'x', u'ㅌ', 0},     {'c', u'ㅊ', 0},     {'v', u'ㅍ', 0},     {'b', u'ㅠ', 0},     {'n', u'ㅜ', 0},
    {'m', u'ㅡ', 0},
};

bool IsDeadKeysym(xkb_keysym_t sym)
{
    return sym >= XKB_KEY_dead_grave && sym <= XKB_KEY_dead_greek;
}

// The spacing characters of the common dead keys; the compose data gives
// the others (and an apostrophe for the acute).
char32_t SpacingOfDeadKey(xkb_keysym_t sym)
{
    switch (sym) {
    case XKB_KEY_dead_grave: return U'`';
    case XKB_KEY_dead_acute: return U'\u00B4';
    case XKB_KEY_dead_circumflex: return U'^';
    case XKB_KEY_dead_tilde: return U'~';
    case XKB_KEY_dead_macron: return U'\u00AF';
    case XKB_KEY_dead_breve: return U'\u02D8';
    case XKB_KEY_dead_abovedot: return U'\u02D9';
    case XKB_KEY_dead_diaeresis: return U'\u00A8';
    case XKB_KEY_dead_abovering: return U'\u02DA';
    case XKB_KEY_dead_doubleacute: return U'\u02DD';
    case XKB_KEY_dead_caron: return U'\u02C7';
    case XKB_KEY_dead_cedilla: return U'\u00B8';
    case XKB_KEY_dead_ogonek: return U'\u02DB';
    default: return 0;
    }
}

char32_t DecodeSingleUtf8(const char* text)
{
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    char32_t cp;
    int more;
    if (s[0] == 0) return 0;
    if (s[0] < 0x80) { cp = s[0]; more = 0; }
    else if ((s[0] & 0xE0) == 0xC0) { cp = s[0] & 0x1F; more = 1; }
    else if ((s[0] & 0xF0) == 0xE0) { cp = s[0] & 0x0F; more = 2; }
    else if ((s[0] & 0xF8) == 0xF0) { cp = s[0] & 0x07; more = 3; }
    else return 0;
    for (int i = 1; i <= more; ++i) {
        if ((s[i] & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (s[i] & 0x3F);
    }
    return s[more + 1] == 0 ? cp : 0;  // one character only
}

// A character a key can type: printable, not a surrogate.
bool IsTypeable(char32_t cp)
{
    return cp >= 0x20 && cp != 0x7F && !(cp >= 0x80 && cp < 0xA0) && !(cp >= 0xD800 && cp <= 0xDFFF) && cp <= 0x10FFFF;
}

// The sequence `a`, `b` through the compose data: the one character it
// makes, else 0.
char32_t ComposeWith(xkb_compose_state* compose, xkb_keysym_t a, xkb_keysym_t b)
{
    if (!compose) return 0;
    xkb_compose_state_reset(compose);
    xkb_compose_state_feed(compose, a);
    xkb_compose_state_feed(compose, b);
    if (xkb_compose_state_get_status(compose) != XKB_COMPOSE_COMPOSED) return 0;
    char text[64];
    if (xkb_compose_state_get_utf8(compose, text, sizeof text) <= 0) return 0;
    return DecodeSingleUtf8(text);
}

// The modifier mask of a level shift on the key `keycode` (right Alt for
// AltGr, right Ctrl for the right-Ctrl columns), 0 when the layout puts no
// such shift there.
xkb_mod_mask_t MaskOfShiftKey(xkb_keymap* keymap, xkb_keycode_t keycode, xkb_keysym_t shift)
{
    const xkb_keysym_t* syms = nullptr;
    if (xkb_keymap_key_get_syms_by_level(keymap, keycode, 0, 0, &syms) != 1 || syms[0] != shift) return 0;
    XkbPtr<xkb_state> state(xkb_state_new(keymap));
    if (!state) return 0;
    xkb_state_update_key(state.get(), keycode, XKB_KEY_DOWN);
    return xkb_state_serialize_mods(state.get(), XKB_STATE_MODS_DEPRESSED);
}

}  // namespace

XkbPtr<xkb_context> NewXkbContext()
{
    XkbPtr<xkb_context> made(xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES));
    if (made) xkb_context_set_log_level(made.get(), XKB_LOG_LEVEL_CRITICAL);
    return made;
}

LayoutBuilder::LayoutBuilder() : context_(NewXkbContext()) {}

LayoutBuilder::~LayoutBuilder() = default;

std::unique_ptr<LayoutData> LayoutBuilder::Build(const LayoutEntry& entry)
{
    Sheet latin;
    if (!ReadKeymap(entry.layout, entry.variant, latin)) return nullptr;
    if (entry.id == KB_LAYOUT_JAPANESE) {
        Sheet kana;
        if (ReadKeymap("jp", "kana", kana)) {
            for (size_t k = 0; k < latin.size(); ++k) {
                for (int c = 0; c < 4; ++c) {
                    xkb_keysym_t sym = kana[k][c];
                    char32_t cp = xkb_keysym_to_utf32(sym);
                    latin[k][4 + c] = sym;
                    latin[k][12 + c] = sym;
                    // hiragana: the katakana block moved down by 0x60
                    if (cp >= 0x30A1 && cp <= 0x30F6) latin[k][8 + c] = xkb_utf32_to_keysym(cp - 0x60);
                    else latin[k][8 + c] = sym;
                }
            }
        }
    } else if (entry.id == KB_LAYOUT_KOREAN) {
        for (size_t k = 0; k < latin.size(); ++k) {
            for (int c = 0; c < 4; ++c) latin[k][8 + c] = latin[k][c];
            char32_t letter = xkb_keysym_to_utf32(latin[k][0]);
            for (const Jamo& jamo : kJamo) {
                if (char32_t(jamo.letter) != letter) continue;
                xkb_keysym_t plain = xkb_utf32_to_keysym(jamo.plain);
                xkb_keysym_t shifted = xkb_utf32_to_keysym(jamo.shifted ? jamo.shifted : jamo.plain);
                latin[k][8] = latin[k][9] = plain;
                latin[k][10] = latin[k][11] = shifted;
            }
        }
    }
    return Fill(latin);
}

bool LayoutBuilder::ReadKeymap(const char* layout, const char* variant, Sheet& sheet)
{
    if (!context_) return false;
    xkb_rule_names names{"evdev", "pc105", layout, variant, nullptr};
    XkbPtr<xkb_keymap> keymap(xkb_keymap_new_from_names(context_.get(), &names, XKB_KEYMAP_COMPILE_NO_FLAGS));
    if (!keymap) return false;
    XkbPtr<xkb_state> state(xkb_state_new(keymap.get()));
    if (!state) return false;
    const xkb_mod_mask_t shift = 1u << xkb_keymap_mod_get_index(keymap.get(), XKB_MOD_NAME_SHIFT);
    const xkb_mod_mask_t lock = 1u << xkb_keymap_mod_get_index(keymap.get(), XKB_MOD_NAME_CAPS);
    const xkb_mod_mask_t level3 = MaskOfShiftKey(keymap.get(), kRightAlt, XKB_KEY_ISO_Level3_Shift);
    const xkb_mod_mask_t level5 = MaskOfShiftKey(keymap.get(), kRightCtrl, XKB_KEY_ISO_Level5_Shift);

    size_t count = 0;
const uint8_t* scans = LayoutScanCodes(count);
sheet.assign(count, {});
    for (size_t k = 0; k < count; ++k) {
        const xkb_keycode_t kc = KeyCodeOfScan(scans[k]);
        for (int c = 0; c < KB_COLUMNS; ++c) {
            const int base = c / 2;
            xkb_mod_mask_t extra = 0;
            if (base == 2 || base == 3) continue;  // Ctrl types no character
            if (base == 4 || base == 5) extra = level3;
            if (base == 6 || base == 7) extra = level5;
            if (base >= 4 && !extra) continue;
            const xkb_mod_mask_t depressed = (base % 2 ? shift : 0) | extra;
            xkb_state_update_mask(state.get(), depressed, 0, (c % 2) ? lock : 0, 0, 0, 0);
            // a level shift that the key does not use types nothing
            if (extra && xkb_state_mod_mask_remove_consumed(state.get(), kc, extra) != 0) continue;
            sheet[k][c] = xkb_state_key_get_one_sym(state.get(), kc);
        }
    }
    return true;
}

std::unique_ptr<LayoutData> LayoutBuilder::Fill(const Sheet& sheet)
{
    auto data = std::make_unique<LayoutData>();
    st_KBImpl& record = data->record;
    std::map<xkb_keysym_t, char32_t> deadChars;
size_t count = 0;
const uint8_t* scans = LayoutScanCodes(count);
    record.keyCount = uint8_t(sheet.size());
    for (size_t k = 0; k < sheet.size(); ++k) {
        st_KBKey& key = record.keys[k];
        key.scanCode = scans[k];
        for (int c = 0; c < KB_COLUMNS; ++c) {
            const xkb_keysym_t sym = sheet[k][c];
            char32_t cp = 0;
            if (IsDeadKeysym(sym)) {
                cp = DeadChar(sym);
                if (cp && cp < 0x10000) {
                    key.deadColumns |= 1u << c;
                    deadChars.emplace(sym, cp);
                }
            } else {
                cp = xkb_keysym_to_utf32(sym);
            }
            if (!IsTypeable(cp)) continue;
            if (cp < 0x10000) {
                key.chars[c] = WORD(cp);
            } else {
                const DWORD lookupKey = key.scanCode * 256u + ColumnFlags(c);
                data->lookup2.push_back({lookupKey, DWORD(data->chars2.size())});
                cp -= 0x10000;
                data->chars2.push_back({{WORD(0xD800 + (cp >> 10)), WORD(0xDC00 + (cp & 0x3FF))}, lookupKey});
                key.chars[c] = KB_CHARS_2;
            }
            record.columns |= 1u << c;
        }
    }
    data->chars2.push_back({});
    data->lookup2.push_back({});

    for (const auto& [sym, deadChar] : deadChars) {
        std::vector<st_KBDeadEntry> entries;
        for (size_t k = 0; k < sheet.size(); ++k) {
            for (int shifted = 0; shifted < 2; ++shifted) {
                const xkb_keysym_t base = sheet[k][shifted ? 2 : 0];
                const char32_t baseChar = xkb_keysym_to_utf32(base);
                const char32_t composed = Compose(sym, base);
                if (!IsTypeable(composed) || composed >= 0x10000 || baseChar >= 0x10000) continue;
                entries.push_back({BYTE(shifted), scans[k], WORD(baseChar), WORD(composed), 0});
            }
        }
        entries.push_back({});
        data->deadEntries.push_back(std::move(entries));
    }
    size_t i = 0;
    for (const auto& [sym, deadChar] : deadChars)
        data->deadKeys.push_back({WORD(deadChar), data->deadEntries[i++].data()});
    data->deadKeys.push_back({0, nullptr});

    record.chars2 = data->chars2.data();
    record.chars3 = data->chars3.data();
    record.chars4 = data->chars4.data();
    record.reserved3 = nullptr;
    record.lookup2 = data->lookup2.data();
    record.lookup3 = data->lookup3.data();
    record.lookup4 = data->lookup4.data();
    record.deadKeys = data->deadKeys.data();
    return data;
}

// The character a dead key shows.
char32_t LayoutBuilder::DeadChar(xkb_keysym_t sym)
{
    if (const char32_t cp = SpacingOfDeadKey(sym)) return cp;
    const char32_t cp = Compose(sym, XKB_KEY_space);
    return IsTypeable(cp) ? cp : 0;
}

// The sequence `a`, `b` through the compose data, read on first use: the one
// character it makes, else 0.
char32_t LayoutBuilder::Compose(xkb_keysym_t a, xkb_keysym_t b)
{
    if (!composeRead_) {
        composeRead_ = true;
        if (context_)
            table_.reset(xkb_compose_table_new_from_locale(context_.get(), "en_US.UTF-8", XKB_COMPOSE_COMPILE_NO_FLAGS));
        if (table_) compose_.reset(xkb_compose_state_new(table_.get(), XKB_COMPOSE_STATE_NO_FLAGS));
    }
    return ComposeWith(compose_.get(), a, b);
}

}  // namespace fenmarl
