// Layout records from the XKB data. Each record is built once, with its own
// XKB context, and kept for the life of the library.

#include "Layouts.h"

#include <xkbcommon/xkbcommon-compose.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace fenmarl {

namespace {

const LayoutEntry kLayouts[] = {
    {0x00000401, 8201, "ara", ""},
    {0x00000402, 8202, "bg", ""},
    {0x00000405, 8203, "cz", ""},
    {0x00000406, 8204, "dk", ""},
    {0x00000407, 8205, "de", ""},
    {0x00000408, 8206, "gr", ""},
    {0x00000409, 8207, "us", ""},
    {0x0000040A, 8208, "es", ""},
    {0x0000040B, 8209, "fi", ""},
    {0x0000040C, 8210, "fr", ""},
    {0x0000040D, 8211, "il", ""},
    {0x0000040E, 8212, "hu", ""},
    {0x0000040F, 8213, "is", ""},
    {0x00000410, 8214, "it", ""},
    {0x00000413, 8215, "nl", ""},
    {0x00000414, 8216, "no", ""},
    {0x00000415, 8217, "pl", ""},
    {0x00000416, 8218, "br", ""},
    {0x00000418, 8219, "ro", "winkeys"},
    {0x00000419, 8220, "ru", ""},
    {0x0000041A, 8221, "hr", ""},
    {0x0000041B, 8222, "sk", ""},
    {0x0000041C, 8223, "al", ""},
    {0x0000041D, 8224, "se", ""},
    {0x0000041E, 8225, "th", ""},
    {0x0000041F, 8226, "tr", ""},
    {0x00000420, 8227, "pk", "urd-crulp"},
    {0x00000422, 8228, "ua", "winkeys"},
    {0x00000423, 8229, "by", ""},
    {0x00000424, 8230, "si", ""},
    {0x00000425, 8231, "ee", ""},
    {0x00000426, 8232, "lv", ""},
    {0x00000427, 8233, "lt", "ibm"},
    {0x00000428, 8234, "tj", ""},
    {0x00000429, 8235, "ir", ""},
    {0x0000042A, 8236, "vn", ""},
    {0x0000042B, 8237, "am", "eastern"},
    {0x0000042C, 8238, "az", ""},
    {0x0000042E, 8239, "de", "dsb"},
    {0x00000432, 8240, "bw", ""},
    {0x00000437, 8241, "ge", ""},
    {0x00000438, 8242, "fo", ""},
    {0x00000439, 8243, "in", "deva"},
    {0x0000043B, 8244, "no", "smi"},
    {0x0000043F, 8245, "kz", ""},
    {0x00000440, 8246, "kg", ""},
    {0x00000442, 8247, "tm", ""},
    {0x00000444, 8248, "ru", "tt"},
    {0x00000445, 8249, "in", "ben"},
    {0x00000446, 8250, "in", "guru"},
    {0x00000447, 8251, "in", "guj"},
    {0x00000448, 8252, "in", "ori"},
    {0x00000449, 8253, "in", "tam"},
    {0x0000044A, 8254, "in", "tel"},
    {0x0000044B, 8255, "in", "kan"},
    {0x0000044E, 8256, "in", "marathi"},
    {0x00000450, 8257, "mn", ""},
    {0x00000452, 8258, "gb", "extd"},
    {0x00000468, 8259, "ng", "hausa"},
    {0x0000046A, 8260, "ng", "yoruba"},
    {0x0000046C, 8261, "za", ""},
    {0x00000470, 8262, "ng", "igbo"},
    {0x00000481, 8263, "mao", ""},
    {0x00000488, 8264, "sn", ""},
    {0x00000807, 8265, "ch", ""},
    {0x00000809, 8266, "gb", ""},
    {0x0000080A, 8267, "latam", ""},
    {0x0000080C, 8268, "be", ""},
    {0x00000813, 8269, "be", ""},
    {0x00000816, 8270, "pt", ""},
    {0x0000081A, 8271, "rs", "latin"},
    {0x0000082C, 8272, "az", "cyrillic"},
    {0x0000083B, 8273, "se", "smi"},
    {0x00000843, 8274, "uz", ""},
    {0x00000C0C, 8275, "ca", "fr-legacy"},
    {0x00000C1A, 8276, "rs", ""},
    {0x00001009, 8277, "ca", ""},
    {0x0000100C, 8278, "ch", "fr"},
    {0x00001809, 8279, "ie", ""},
    {0x0000201A, 8280, "rs", ""},
    {0x00010402, 8281, "us", ""},
    {0x00010405, 8282, "cz", "qwerty"},
    {0x00010407, 8283, "de", ""},
    {0x00010408, 8284, "gr", ""},
    {0x0001040A, 8285, "es", ""},
    {0x0001040E, 8286, "hu", "101_qwertz_comma_dead"},
    {0x00010410, 8287, "it", ""},
    {0x00010415, 8288, "pl", "qwertz"},
    {0x00010418, 8289, "ro", "std"},
    {0x00010419, 8290, "ru", "typewriter"},
    {0x0001041B, 8291, "sk", "qwerty"},
    {0x0001041E, 8292, "th", "pat"},
    {0x0001041F, 8293, "tr", "f"},
    {0x00010426, 8294, "lv", ""},
    {0x00010427, 8295, "lt", ""},
    {0x0001042B, 8296, "am", "western"},
    {0x00010437, 8297, "ge", ""},
    {0x00010439, 8298, "in", "bolnagri"},
    {0x0001043B, 8299, "no", "smi"},
    {0x00010445, 8300, "in", "ben_inscript"},
    {0x00010480, 8301, "cn", "ug"},
    {0x0001080C, 8302, "be", ""},
    {0x0001083B, 8303, "fi", "smi"},
    {0x00011009, 8304, "ca", "multix"},
    {0x00011809, 8305, "gb", "gla"},
    {0x00020405, 8306, "cz", "qwerty"},
    {0x00020408, 8307, "gr", ""},
    {0x00020409, 8308, "us", "intl"},
    {0x00020418, 8309, "ro", ""},
    {0x0002041E, 8310, "th", ""},
    {0x00020422, 8311, "ua", ""},
    {0x00020427, 8312, "lt", "std"},
    {0x0002042E, 8313, "de", "dsb_qwertz"},
    {0x00020437, 8314, "ge", "ergonomic"},
    {0x00020445, 8315, "in", "ben_inscript"},
    {0x0002083B, 8316, "se", "smi"},
    {0x00030402, 8317, "bg", ""},
    {0x00030408, 8318, "us", ""},
    {0x0003041E, 8319, "th", "pat"},
    {0x00040402, 8320, "bg", "phonetic"},
    {0x00040408, 8321, "us", ""},
    {0x00050408, 8322, "us", ""},
    {0x00060408, 8323, "gr", "polytonic"},
    {KB_LAYOUT_KOREAN, 8326, "kr", ""},
    {KB_LAYOUT_JAPANESE, 8327, "jp", ""},
};

// The character keys of the three keyboard types, and space.
const uint8_t kScanCodes[] = {41, 2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 16, 17, 18, 19,
                              20, 21, 22, 23, 24, 25, 26, 27, 30, 31, 32, 33, 34, 35, 36, 37, 38,
                              39, 40, 43, 86, 44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 125, 57};
static_assert(sizeof(kScanCodes) <= KB_MAX_KEYS);

// The X key codes of right Alt and right Ctrl.
constexpr xkb_keycode_t kRightAlt = 108, kRightCtrl = 105;

// Modifier flags of each column (the inverse of the program's column table).
const unsigned int kColumnFlags[KB_COLUMNS] = {0, 0x10, 1, 0x11, 2, 0x12, 3, 0x13,
                                              6, 0x16, 7, 0x17, 8, 0x18, 9, 0x19};

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

// What a built layout owns; the record's pointers point into it.
struct LayoutData {
    st_KBImpl record{};
    std::vector<st_KBChars2> chars2;
    std::vector<st_KBChars3> chars3{st_KBChars3{}};
    std::vector<st_KBChars4> chars4{st_KBChars4{}};
    std::vector<st_KBLookup> lookup2;
    std::vector<st_KBLookup> lookup3{st_KBLookup{}};
    std::vector<st_KBLookup> lookup4{st_KBLookup{}};
    std::vector<std::vector<st_KBDeadEntry>> deadEntries;
    std::vector<st_KBDeadKey> deadKeys;
};

struct XkbDeleter {
    void operator()(xkb_context* p) const { xkb_context_unref(p); }
    void operator()(xkb_keymap* p) const { xkb_keymap_unref(p); }
    void operator()(xkb_state* p) const { xkb_state_unref(p); }
    void operator()(xkb_compose_table* p) const { xkb_compose_table_unref(p); }
    void operator()(xkb_compose_state* p) const { xkb_compose_state_unref(p); }
};
template <class T>
using XkbPtr = std::unique_ptr<T, XkbDeleter>;

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
char32_t Compose(xkb_compose_state* compose, xkb_keysym_t a, xkb_keysym_t b)
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

class LayoutBuilder {
public:
    explicit LayoutBuilder(xkb_context* context) : context_(context)
    {
        table_.reset(xkb_compose_table_new_from_locale(context_, "en_US.UTF-8", XKB_COMPOSE_COMPILE_NO_FLAGS));
        if (table_) compose_.reset(xkb_compose_state_new(table_.get(), XKB_COMPOSE_STATE_NO_FLAGS));
    }

    std::unique_ptr<LayoutData> Build(const LayoutEntry& entry)
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

private:
    // The keysyms of each key of kScanCodes, by column.
    using Sheet = std::vector<std::array<xkb_keysym_t, KB_COLUMNS>>;

    bool ReadKeymap(const char* layout, const char* variant, Sheet& sheet)
    {
        xkb_rule_names names{"evdev", "pc105", layout, variant, nullptr};
        XkbPtr<xkb_keymap> keymap(xkb_keymap_new_from_names(context_, &names, XKB_KEYMAP_COMPILE_NO_FLAGS));
        if (!keymap) return false;
        XkbPtr<xkb_state> state(xkb_state_new(keymap.get()));
        if (!state) return false;
        const xkb_mod_mask_t shift = 1u << xkb_keymap_mod_get_index(keymap.get(), XKB_MOD_NAME_SHIFT);
        const xkb_mod_mask_t lock = 1u << xkb_keymap_mod_get_index(keymap.get(), XKB_MOD_NAME_CAPS);
        const xkb_mod_mask_t level3 = MaskOfShiftKey(keymap.get(), kRightAlt, XKB_KEY_ISO_Level3_Shift);
        const xkb_mod_mask_t level5 = MaskOfShiftKey(keymap.get(), kRightCtrl, XKB_KEY_ISO_Level5_Shift);

        sheet.assign(sizeof kScanCodes, {});
        for (size_t k = 0; k < sizeof kScanCodes; ++k) {
            const xkb_keycode_t kc = KeyCodeOfScan(kScanCodes[k]);
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

    std::unique_ptr<LayoutData> Fill(const Sheet& sheet)
    {
        auto data = std::make_unique<LayoutData>();
        st_KBImpl& record = data->record;
        std::map<xkb_keysym_t, char32_t> deadChars;
        record.keyCount = uint8_t(sheet.size());
        for (size_t k = 0; k < sheet.size(); ++k) {
            st_KBKey& key = record.keys[k];
            key.scanCode = kScanCodes[k];
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
                    const DWORD lookupKey = key.scanCode * 256u + kColumnFlags[c];
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
                    const char32_t composed = Compose(compose_.get(), sym, base);
                    if (!IsTypeable(composed) || composed >= 0x10000 || baseChar >= 0x10000) continue;
                    entries.push_back({BYTE(shifted), kScanCodes[k], WORD(baseChar), WORD(composed), 0});
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
    char32_t DeadChar(xkb_keysym_t sym)
    {
        if (const char32_t cp = SpacingOfDeadKey(sym)) return cp;
        const char32_t cp = Compose(compose_.get(), sym, XKB_KEY_space);
        return IsTypeable(cp) ? cp : 0;
    }

    xkb_context* context_;
    XkbPtr<xkb_compose_table> table_;
    XkbPtr<xkb_compose_state> compose_;
};

struct Cache {
    std::mutex mutex;
    XkbPtr<xkb_context> context;
    std::unique_ptr<LayoutBuilder> builder;
    std::map<unsigned int, std::unique_ptr<LayoutData>> layouts;  // null: does not build
    bool offeredKnown = false;
    std::vector<const LayoutEntry*> offered;

    // Called with the mutex held.
    const LayoutData* Get(const LayoutEntry& entry)
    {
        auto found = layouts.find(entry.id);
        if (found != layouts.end()) return found->second.get();
        if (!context) {
            context = NewContext();
            if (!context) return nullptr;
            builder = std::make_unique<LayoutBuilder>(context.get());
        }
        return (layouts[entry.id] = builder->Build(entry)).get();
    }

    // Builds every layout not built yet, on several threads, each with its
    // own XKB context (a context serves one thread). Called with the mutex
    // held.
    void BuildAll()
    {
        std::vector<const LayoutEntry*> missing;
        for (const LayoutEntry& entry : kLayouts)
            if (!layouts.count(entry.id)) missing.push_back(&entry);
        std::vector<std::unique_ptr<LayoutData>> built(missing.size());
        std::atomic<size_t> next{0};
        const auto work = [&] {
            XkbPtr<xkb_context> own = NewContext();
            if (!own) return;
            LayoutBuilder ownBuilder(own.get());
            for (size_t i = next++; i < missing.size(); i = next++) built[i] = ownBuilder.Build(*missing[i]);
        };
        const size_t threads = std::clamp<size_t>(std::thread::hardware_concurrency(), 1, 8);
        std::vector<std::thread> workers;
        for (size_t t = 1; t < threads; ++t) workers.emplace_back(work);
        work();
        for (std::thread& worker : workers) worker.join();
        for (size_t i = 0; i < missing.size(); ++i) layouts[missing[i]->id] = std::move(built[i]);
    }

    static XkbPtr<xkb_context> NewContext()
    {
        XkbPtr<xkb_context> made(xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES));
        if (made) xkb_context_set_log_level(made.get(), XKB_LOG_LEVEL_CRITICAL);
        return made;
    }
};

Cache& TheCache()
{
    static Cache cache;
    return cache;
}

const LayoutEntry* FindEntry(unsigned int id)
{
    for (const LayoutEntry& entry : kLayouts)
        if (entry.id == id) return &entry;
    return nullptr;
}

}  // namespace

const LayoutEntry* LayoutTable(size_t& count)
{
    count = std::size(kLayouts);
    return kLayouts;
}

const LayoutEntry* const* OfferedLayouts(size_t& count)
{
    Cache& cache = TheCache();
    std::lock_guard lock(cache.mutex);
    if (!cache.offeredKnown) {
        cache.BuildAll();
        for (const LayoutEntry& entry : kLayouts)
            if (cache.Get(entry)) cache.offered.push_back(&entry);
        cache.offeredKnown = true;
    }
    count = cache.offered.size();
    return cache.offered.data();
}

bool FillLayout(unsigned int id, st_KBImpl& data)
{
    const LayoutEntry* entry = FindEntry(id);
    if (!entry) return false;
    Cache& cache = TheCache();
    std::lock_guard lock(cache.mutex);
    const LayoutData* layout = cache.Get(*entry);
    if (!layout) return false;
    data = layout->record;
    return true;
}

unsigned int ColumnFlags(int column)
{
    return column >= 0 && column < KB_COLUMNS ? kColumnFlags[column] : 0;
}

const uint8_t* LayoutScanCodes(size_t& count)
{
    count = sizeof kScanCodes;
    return kScanCodes;
}

unsigned int KeyCodeOfScan(unsigned int scan)
{
    return scan == 125 ? 132 : scan + 8;  // the Yen key lies apart
}

}  // namespace fenmarl
