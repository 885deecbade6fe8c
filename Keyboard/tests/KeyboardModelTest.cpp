// The keyboard's state without a window: columns, key places, captions,
// translation of physical keys and what a click types.
#include <gtest/gtest.h>

#include "Keyboard/KeyboardModel.h"
#include "KeyboardTestKit.h"

namespace {

class KeyboardModelTest : public ::testing::Test {
protected:
    CRecordingInputSink m_sink;
    CFakePhysicalKeys m_physical;
    CKeyboardModel m_model{&m_sink, &m_physical};

    void Use(unsigned id, int type = KB_TYPE_101) {
        m_model.SetType(type);
        m_model.SetLayout(id, LayoutData(id));
    }
    int PlaceOf(int scanCode) const {
        for (int place = 0; place < KB_KEY_PLACES; ++place)
            if (m_model.ScanCodeAt(place) == scanCode) return place;
        return -1;
    }
};

// A layout of our own: key 16 types "q"/"Q", key 17 a character beyond the
// plane in two units, key 18 nothing plain.
st_KBImpl SmallLayout() {
    static const st_KBChars2 pairs[] = {{{0xD83D, 0xDE00}, 17 * 256u}, {}};
    static const st_KBLookup lookup[] = {{17 * 256u, 0}, {}};
    static const st_KBChars3 none3[] = {{}};
    static const st_KBChars4 none4[] = {{}};
    static const st_KBLookup noLookup[] = {{}};
    st_KBImpl data{};
    data.keyCount = 3;
    data.columns = 0x7;
    data.keys[0].scanCode = 16;
    data.keys[0].chars[0] = u'q';
    data.keys[0].chars[1] = data.keys[0].chars[2] = u'Q';
    data.keys[1].scanCode = 17;
    data.keys[1].chars[0] = KB_CHARS_2;
    data.keys[2].scanCode = 18;
    data.keys[2].chars[2] = u'E';
    data.chars2 = pairs;
    data.chars3 = none3;
    data.chars4 = none4;
    data.lookup2 = lookup;
    data.lookup3 = data.lookup4 = noLookup;
    return data;
}

} // namespace

TEST(KeyboardColumns, EveryFlagValueAgainstTheTable) {
    const int expected[32] = {0, 2, 4, 6, -1, -1, 8, 10, 12, 14, -1, -1, -1, -1, -1, -1,
                              1, 3, 5, 7, -1, -1, 9, 11, 13, 15, -1, -1, -1, -1, -1, -1};
    for (unsigned flags = 0; flags < 32; ++flags)
        EXPECT_EQ(CKeyboardModel::ColumnOfFlags(flags), expected[flags]) << "flags " << flags;
    EXPECT_EQ(CKeyboardModel::ColumnOfFlags(32), -1);
    EXPECT_EQ(CKeyboardModel::ColumnOfFlags(0xFFFFFFFFu), -1);
}

TEST_F(KeyboardModelTest, KeyboardTypesPlaceTheirScanCodes) {
    struct Case {
        int type;
        int place;
        int scan;
    };
    const Case cases[] = {
        {KB_TYPE_101, 26, 43}, {KB_TYPE_101, 38, 0},  {KB_TYPE_101, 39, 0},  {KB_TYPE_101, 27, 30},
        {KB_TYPE_102, 26, 0},  {KB_TYPE_102, 38, 43}, {KB_TYPE_102, 39, 86}, {KB_TYPE_102, 40, 44},
        {KB_TYPE_106, 26, 125}, {KB_TYPE_106, 27, 0}, {KB_TYPE_106, 28, 30}, {KB_TYPE_106, 39, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CKeyboardModel::ScanCodesOfType(c.type)[c.place], c.scan) << c.type << "/" << c.place;

    // "102 keys" shows the ISO key of a German layout; 101 hides that place.
    Use(kGerman, KB_TYPE_102);
    EXPECT_TRUE(m_model.CaptionAt(39).visible);
    EXPECT_EQ(m_model.CaptionAt(39).text, u"<");
    EXPECT_EQ(m_model.CaptionAt(38).text, u"#");
    m_model.SetType(KB_TYPE_101);
    EXPECT_FALSE(m_model.CaptionAt(39).visible);
    EXPECT_FALSE(m_model.CaptionAt(39).enabled);
    EXPECT_EQ(m_model.CaptionAt(26).text, u"#");
    // an ordinary layout is never of type 106, the Japanese one always
    m_model.SetType(KB_TYPE_106);
    EXPECT_EQ(m_model.GetType(), KB_TYPE_101);
    Use(KB_LAYOUT_JAPANESE, KB_TYPE_102);
    EXPECT_EQ(m_model.GetType(), KB_TYPE_106);
}

TEST_F(KeyboardModelTest, PhysicalModifiersChooseTheColumnOfATranslatedKey) {
    Use(kGerman);
    const int q = 16;
    EXPECT_EQ(m_model.TranslateKey(q), u'q');
    // Alt alone has no column: the key types nothing and passes
    m_physical.held = {18};
    EXPECT_EQ(m_model.TranslateKey(q), 0);
    // Ctrl types nothing in the layouts
    m_physical.held = {162};
    EXPECT_EQ(m_model.TranslateKey(q), 0);
    m_physical.held = {163};
    EXPECT_EQ(m_model.TranslateKey(q), 0);
    // AltGr on the screen, held or not by the physical Alt
    m_physical.held.clear();
    m_model.ToggleAltGr();
    EXPECT_EQ(m_model.TranslateKey(q), u'@');
    m_physical.held = {18};
    EXPECT_EQ(m_model.TranslateKey(q), u'@');
    // Shift and Caps Lock on the screen
    m_physical.held.clear();
    m_model.ToggleAltGr();
    m_model.ToggleShift();
    EXPECT_EQ(m_model.TranslateKey(q), u'Q');
    m_model.ToggleCapsLock();
    EXPECT_EQ(m_model.TranslateKey(q), u'q');
    // a key without a record
    EXPECT_EQ(m_model.TranslateKey(1), 0);
    EXPECT_EQ(m_model.TranslateKey(86), 0) << "not a key of type 101";
}

TEST_F(KeyboardModelTest, ALayoutWithoutAltGrColumnDisablesAltGr) {
    Use(kUS);
    EXPECT_FALSE(m_model.IsAltGrAvailable());
    EXPECT_TRUE(m_model.IsShiftAvailable());
    EXPECT_TRUE(m_model.IsCapsLockAvailable());
    Use(kGerman);
    EXPECT_TRUE(m_model.IsAltGrAvailable());
    Use(kRussian);
    EXPECT_FALSE(m_model.IsAltGrAvailable());
}

TEST_F(KeyboardModelTest, PhysicalKeysLightTheirOwnKeys) {
    Use(kUS);
    // the pad's "/" shares scan code 53 with the "/" key
    PhysicalKeyEffect effect = m_model.OnPhysicalKey(53, 111, true);
    EXPECT_EQ(effect.target, PhysicalKeyEffect::PadKey);
    EXPECT_EQ(effect.index, 111);
    effect = m_model.OnPhysicalKey(53, 0xBF, true);
    EXPECT_EQ(effect.target, PhysicalKeyEffect::CharacterKey);
    EXPECT_EQ(effect.index, PlaceOf(53));
    // pad digits light only with NumLock on
    EXPECT_EQ(m_model.OnPhysicalKey(79, 97, true).target, PhysicalKeyEffect::NoKey);
    m_physical.toggled = {144};
    Use(kUS);
    EXPECT_EQ(m_model.OnPhysicalKey(79, 97, true).target, PhysicalKeyEffect::PadKey);
    // Shift follows the physical key; Caps Lock toggles on its release
    EXPECT_TRUE(m_model.OnPhysicalKey(42, 160, true).statesChanged);
    EXPECT_TRUE(m_model.Shift());
    m_model.OnPhysicalKey(42, 160, false);
    EXPECT_FALSE(m_model.Shift());
    m_model.OnPhysicalKey(58, 20, true);
    EXPECT_FALSE(m_model.CapsLock());
    m_model.OnPhysicalKey(58, 20, false);
    EXPECT_TRUE(m_model.CapsLock());
    // right Alt is AltGr while held, left Alt is not
    Use(kGerman);
    m_model.OnPhysicalKey(56, 164, true);
    EXPECT_FALSE(m_model.AltGr());
    m_model.OnPhysicalKey(56, 164, false);
    m_model.OnPhysicalKey(56, 165, true);
    EXPECT_TRUE(m_model.AltGr());
    m_model.OnPhysicalKey(56, 165, false);
    EXPECT_FALSE(m_model.AltGr());
    // Backspace, Tab, Enter and space light their fixed keys
    for (int scan : {14, 15, 28, 57}) EXPECT_EQ(m_model.OnPhysicalKey(scan, 0, true).target, PhysicalKeyEffect::FixedKey);
}

TEST_F(KeyboardModelTest, APhysicalKeyTypesOnlyWhenTheHookSwallowedIt) {
    Use(kRussian);
    const PhysicalKeyEffect plain = m_model.OnPhysicalKey(16, 'Q', true);
    EXPECT_TRUE(plain.click);
    EXPECT_FALSE(m_model.OnPhysicalKey(16, 'Q', false).click);
    // with Ctrl held the key reached the window itself: typing it again
    // would give it twice
    m_physical.held = {162};
    m_model.OnPhysicalKey(29, 162, true);
    const PhysicalKeyEffect withCtrl = m_model.OnPhysicalKey(16, 'Q', true);
    EXPECT_EQ(withCtrl.target, PhysicalKeyEffect::CharacterKey);
    EXPECT_FALSE(withCtrl.click);
}

TEST_F(KeyboardModelTest, CaptionsShowOneLetterOrThreeCorners) {
    Use(kGerman);
    const int q = PlaceOf(16);
    KeyCaption caption = m_model.CaptionAt(q);
    EXPECT_EQ(caption.text, u"q");
    EXPECT_EQ(caption.corners[0], u"q");
    EXPECT_TRUE(caption.corners[1].empty()) << "a letter has one caption";
    const int two = PlaceOf(3);
    caption = m_model.CaptionAt(two);
    EXPECT_EQ(caption.corners[0], u"2");
    EXPECT_EQ(caption.corners[1], u"\"");
    EXPECT_EQ(caption.corners[2], u"²");
    EXPECT_EQ(caption.active, 0);
    m_model.ToggleShift();
    EXPECT_EQ(m_model.CaptionAt(two).text, u"\"");
    EXPECT_EQ(m_model.CaptionAt(two).active, 1);
    m_model.ToggleShift();
    m_model.ToggleAltGr();
    EXPECT_EQ(m_model.CaptionAt(two).active, 2);
    // the dead circumflex of the French layout
    Use(kFrench);
    EXPECT_TRUE(m_model.CaptionAt(PlaceOf(26)).dead);
    EXPECT_FALSE(m_model.CaptionAt(PlaceOf(18)).dead);
    // a key without a character in the column is shown but disabled; a
    // place without a key is hidden
    m_model.SetLayout(0x1234, SmallLayout());
    caption = m_model.CaptionAt(PlaceOf(18));
    EXPECT_TRUE(caption.visible);
    EXPECT_FALSE(caption.enabled);
    EXPECT_FALSE(m_model.CaptionAt(PlaceOf(30)).visible);
    // the two-unit character of the table, not its marker
    EXPECT_EQ(m_model.CaptionAt(PlaceOf(17)).text, u"😀");
}

TEST_F(KeyboardModelTest, ClicksTypeCharactersDeadKeysAndCtrlCombinations) {
    Use(kFrench);
    m_model.ClickCharacterKey(PlaceOf(3));
    EXPECT_EQ(m_sink.typed, u"é");
    // the circumflex, then e: one composed character; then v: both
    m_model.ClickCharacterKey(PlaceOf(26));
    EXPECT_TRUE(m_model.DeadKeyPending());
    m_model.ClickCharacterKey(PlaceOf(18));
    EXPECT_FALSE(m_model.DeadKeyPending());
    m_model.ClickCharacterKey(PlaceOf(26));
    m_model.ToggleShift();
    m_model.ClickCharacterKey(PlaceOf(18));
    // Shift stays as the user set it
    EXPECT_TRUE(m_model.Shift());
    m_model.ToggleShift();
    m_model.ClickCharacterKey(PlaceOf(26));
    m_model.ClickCharacterKey(PlaceOf(47));
    EXPECT_EQ(m_sink.typed, u"éêÊ^v");

    // Ctrl on the screen and a Russian letter: the key of its place, Ctrl
    // released afterwards and on the screen
    Use(kRussian);
    m_sink.events.clear();
    m_model.ToggleLeftCtrl();
    EXPECT_TRUE(m_model.CaptionAt(PlaceOf(16)).enabled);
    m_model.ClickCharacterKey(PlaceOf(16));
    EXPECT_EQ(m_sink.events, (std::vector<std::string>{"162v", "81v", "81^", "162^"}));
    EXPECT_FALSE(m_model.LeftCtrl());
    // with Shift and the right Ctrl; "," is the key of its place, never
    // the character's code as a virtual key
    Use(kUS);
    m_sink.events.clear();
    m_model.ToggleRightCtrl();
    m_model.ToggleShift();
    m_model.ClickCharacterKey(PlaceOf(51));
    EXPECT_EQ(m_sink.events, (std::vector<std::string>{"160v", "163v", "163^", "160^"}));
    m_sink.events.clear();
    m_model.ToggleRightCtrl();
    m_model.ClickCharacterKey(PlaceOf(3));
    EXPECT_EQ(m_sink.events, (std::vector<std::string>{"160v", "163v", "50v", "50^", "163^", "160^"}));

    // fixed keys send their release too
    m_sink.events.clear();
    m_model.ClickFixedKey(13);
    EXPECT_EQ(m_sink.events, (std::vector<std::string>{"13v", "13^"}));

    // a character beyond the plane goes whole
    m_model.SetLayout(0x1234, SmallLayout());
    m_sink.typed.clear();
    m_model.ClickCharacterKey(PlaceOf(17));
    EXPECT_EQ(m_sink.typed, u"😀");
}

// What ends a pending dead key, and what the modifiers are afterwards: the
// on-screen clicks of each case after the dead key, the text typed and the
// Shift state left.
TEST_F(KeyboardModelTest, DeadKeysEndWithSpaceEnterAndBackspaceAndKeepShift) {
    enum Step { Shift, Circumflex, Letter, Space, Enter, Backspace };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        std::u16string typed;
        std::vector<std::string> keys;  // virtual keys sent
        bool shiftAfter;
    };
    // French: the circumflex key is dead (diaeresis with Shift), the letter
    // key is i
    const Case cases[] = {
        {"space types the dead key's own character", {Circumflex, Space, Letter}, u"^i", {}, false},
        {"shifted dead key and space", {Shift, Circumflex, Space, Shift, Letter}, u"¨i", {}, false},
        {"Enter ends it", {Circumflex, Enter, Letter}, u"i", {"13v", "13^"}, false},
        {"Backspace ends it", {Circumflex, Backspace, Letter}, u"i", {"8v", "8^"}, false},
        {"Shift set while pending is the user's", {Shift, Circumflex, Shift, Letter, Letter}, u"ïi", {}, false},
        {"Shift kept through the dead key", {Shift, Circumflex, Letter, Letter}, u"ÏI", {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Use(kFrench);
        m_sink.typed.clear();
        m_sink.events.clear();
        for (Step step : c.steps) {
            switch (step) {
            case Shift: m_model.ToggleShift(); break;
            case Circumflex: m_model.ClickCharacterKey(PlaceOf(26)); break;
            case Letter: m_model.ClickCharacterKey(PlaceOf(23)); break;
            case Space: m_model.ClickSpace(); break;
            case Enter: m_model.ClickFixedKey(13); break;
            case Backspace: m_model.ClickFixedKey(8); break;
            }
        }
        EXPECT_EQ(m_sink.typed, c.typed);
        std::vector<std::string> keys;
        for (const std::string& event : m_sink.events)
            if (event.rfind("c:", 0) != 0) keys.push_back(event);
        EXPECT_EQ(keys, c.keys);
        EXPECT_EQ(m_model.Shift(), c.shiftAfter);
        EXPECT_FALSE(m_model.DeadKeyPending());
    }

    // AltGr that reached a dead key (German AltGr+ü is the dead diaeresis)
    // is put aside for the letter and comes back after it
    Use(kGerman);
    m_sink.typed.clear();
    m_model.ToggleAltGr();
    ASSERT_TRUE(m_model.CaptionAt(PlaceOf(26)).dead);
    m_model.ClickCharacterKey(PlaceOf(26));
    EXPECT_FALSE(m_model.AltGr());
    m_model.ClickCharacterKey(PlaceOf(30));
    EXPECT_EQ(m_sink.typed, u"ä");
    EXPECT_TRUE(m_model.AltGr());
}

TEST_F(KeyboardModelTest, ThePhysicalSpaceBarPassesUnlessADeadKeyWaits) {
    // a plain space is no translation: the key reaches the window itself
    for (unsigned layout : {kRussian, kGerman, kFrench}) {
        Use(layout);
        EXPECT_EQ(m_model.TranslateKey(KB_SCAN_SPACE), 0) << std::hex << layout;
        EXPECT_FALSE(m_model.OnPhysicalKey(KB_SCAN_SPACE, 32, true).click);
    }
    // after a dead key the hook swallows it and the dead key types itself
    Use(kFrench);
    m_model.ClickCharacterKey(PlaceOf(26));
    EXPECT_EQ(m_model.TranslateKey(KB_SCAN_SPACE), u'^');
    EXPECT_TRUE(m_model.OnPhysicalKey(KB_SCAN_SPACE, 32, true).click);
    m_model.ClickSpace();
    EXPECT_EQ(m_sink.typed, u"^");
    EXPECT_EQ(m_model.TranslateKey(KB_SCAN_SPACE), 0);
    // the physical Enter and Backspace reach the window and end it
    for (int scan : {28, 14}) {
        m_model.ClickCharacterKey(PlaceOf(26));
        const PhysicalKeyEffect effect = m_model.OnPhysicalKey(scan, scan == 28 ? 13 : 8, true);
        EXPECT_FALSE(effect.click);
        EXPECT_FALSE(m_model.DeadKeyPending()) << scan;
    }
}
