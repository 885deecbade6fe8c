// The layout records, built from the XKB data without a display.
#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

#include "Fenmarl/Fenmarl.h"

namespace {

// Column numbers: 2 x (0 plain, 1 Shift, 4 AltGr) + 1 with Caps Lock.
constexpr int kPlain = 0, kCaps = 1, kShift = 2, kAltGr = 8;

st_KBImpl Layout(unsigned int id)
{
    st_KBImpl data{};
    EXPECT_EQ(GetKeyboardData(id, data), 1) << std::hex << id;
    return data;
}

const st_KBKey* KeyOf(const st_KBImpl& data, int scan)
{
    for (int i = 0; i < data.keyCount; ++i)
        if (data.keys[i].scanCode == scan) return &data.keys[i];
    return nullptr;
}

WORD Char(const st_KBImpl& data, int scan, int column)
{
    const st_KBKey* key = KeyOf(data, scan);
    return key ? key->chars[column] : WORD(0xDEAD);
}

std::vector<std::pair<unsigned, unsigned>> Offered()
{
    std::vector<std::pair<unsigned, unsigned>> list;
    for (;;) {
        unsigned int id = 1, name = 1;
        GetKeyboards(id, name);
        if (id == 0) break;
        list.emplace_back(id, name);
    }
    return list;
}

// The composition of dead character `dead` with the key `scan`, 0 for none.
WORD Composed(const st_KBImpl& data, WORD dead, int scan, int shifted)
{
    for (const st_KBDeadKey* d = data.deadKeys; d->deadChar; ++d) {
        if (d->deadChar != dead) continue;
        for (const st_KBDeadEntry* e = d->entries; e->composed; ++e)
            if (e->scanCode == scan && e->shifted == shifted) return e->composed;
    }
    return 0;
}

TEST(FenmarlLayouts, CharactersByColumn)
{
    struct Case {
        unsigned int layout;
        int scan;
        int column;
        char16_t expected;
    };
    const Case cases[] = {
        {0x407, 21, kPlain, u'z'},  {0x407, 21, kShift, u'Z'}, {0x407, 21, kCaps, u'Z'},
        {0x407, 16, kAltGr, u'@'},  {0x407, 44, kPlain, u'y'}, {0x407, 12, kPlain, u'ß'},
        {0x419, 16, kPlain, u'й'},  {0x419, 16, kShift, u'Й'}, {0x419, 16, kCaps, u'Й'},
        {0x409, 16, kPlain, u'q'},  {0x409, 3, kShift, u'@'},  {0x40C, 16, kPlain, u'a'},
        {0x20409, 30, kAltGr, u'á'},
        // the Korean and Japanese layouts keep their own script on the AltGr
        // and Kana columns
        {KB_LAYOUT_KOREAN, 16, kPlain, u'q'}, {KB_LAYOUT_KOREAN, 16, 8, u'ㅂ'}, {KB_LAYOUT_KOREAN, 16, 10, u'ㅃ'},
        {KB_LAYOUT_JAPANESE, 30, kPlain, u'a'}, {KB_LAYOUT_JAPANESE, 30, 12, u'チ'}, {KB_LAYOUT_JAPANESE, 30, 8, u'ち'},
    };
    for (const Case& c : cases) {
        const st_KBImpl data = Layout(c.layout);
        EXPECT_EQ(Char(data, c.scan, c.column), WORD(c.expected))
            << std::hex << "layout " << c.layout << std::dec << " scan " << c.scan << " column " << c.column;
    }
}

TEST(FenmarlLayouts, ColumnSetFollowsTheLayout)
{
    const st_KBImpl us = Layout(0x409);
    EXPECT_EQ(us.columns & (1u << kAltGr), 0u) << "US has no AltGr";
    EXPECT_EQ(us.columns & 0xF0u, 0u) << "Ctrl types no character";
    EXPECT_EQ(us.columns & 0xFu, 0xFu);
    const st_KBImpl de = Layout(0x407);
    EXPECT_NE(de.columns & (1u << kAltGr), 0u);
    // AltGr on a key without a third level types nothing
    EXPECT_EQ(Char(de, 2, kAltGr), u'¹');
    EXPECT_EQ(Char(Layout(0x40C), 16, kAltGr), u'æ');
    EXPECT_EQ(Char(Layout(0x419), 16, kAltGr), 0);
}

TEST(FenmarlLayouts, DeadKeysCompose)
{
    const st_KBImpl fr = Layout(0x40C);
    const st_KBKey* circumflex = KeyOf(fr, 26);
    ASSERT_NE(circumflex, nullptr);
    EXPECT_EQ(circumflex->chars[kPlain], u'^');
    EXPECT_NE(circumflex->deadColumns & 1u, 0u);
    EXPECT_EQ(circumflex->deadColumns >> 16, 0u);
    EXPECT_EQ(Composed(fr, u'^', 18, 0), u'ê');
    EXPECT_EQ(Composed(fr, u'^', 18, 1), u'Ê');
    EXPECT_EQ(Composed(fr, u'^', 47, 0), 0) << "v has no circumflex";
    // an ordinary key is no dead key
    EXPECT_EQ(KeyOf(fr, 18)->deadColumns, 0u);

    const st_KBImpl de = Layout(0x407);
    EXPECT_EQ(Composed(de, u'´', 18, 0), u'é');
}

TEST(FenmarlLayouts, EveryOfferedLayoutBuildsAWholeRecord)
{
    const auto offered = Offered();
    ASSERT_GT(offered.size(), 100u);
    std::set<unsigned> ids, names;
    for (const auto& [id, name] : offered) {
        EXPECT_TRUE(ids.insert(id).second) << "twice: " << std::hex << id;
        EXPECT_TRUE(names.insert(name).second) << "twice: " << name;
        EXPECT_GE(name, 8201u);
        EXPECT_LE(name, 8327u);
        SCOPED_TRACE(testing::Message() << std::hex << "layout " << id);
        const st_KBImpl data = Layout(id);
        ASSERT_GT(data.keyCount, 40);
        ASSERT_LE(data.keyCount, KB_MAX_KEYS);
        EXPECT_NE(data.columns & 1u, 0u);
        ASSERT_NE(data.chars2, nullptr);
        ASSERT_NE(data.lookup2, nullptr);
        ASSERT_NE(data.deadKeys, nullptr);
        EXPECT_EQ(data.chars3->chars[0], 0);
        EXPECT_EQ(data.chars4->chars[0], 0);
        EXPECT_EQ(data.lookup3->key, 0u);
        EXPECT_EQ(data.lookup4->key, 0u);
        unsigned chars2 = 0;
        while (data.chars2[chars2].chars[0]) ++chars2;
        for (int k = 0; k < data.keyCount; ++k) {
            const st_KBKey& key = data.keys[k];
            EXPECT_EQ(key.deadColumns >> 16, 0u);
            for (int c = 0; c < KB_COLUMNS; ++c) {
                const WORD ch = key.chars[c];
                if (ch) {
                    EXPECT_NE(data.columns & (1u << c), 0u);
                }
                EXPECT_FALSE(ch >= 0xD800 && ch <= 0xDFFF) << "half a surrogate pair";
                if (ch != KB_CHARS_2) continue;
                // a character beyond the BMP: a pair in the two-character table
                bool found = false;
                for (const st_KBLookup* l = data.lookup2; l->key; ++l) {
                    if (l->key / 256 != key.scanCode) continue;
                    ASSERT_LT(l->index, chars2);
                    const st_KBChars2& pair = data.chars2[l->index];
                    EXPECT_TRUE(pair.chars[0] >= 0xD800 && pair.chars[0] < 0xDC00);
                    EXPECT_TRUE(pair.chars[1] >= 0xDC00 && pair.chars[1] < 0xE000);
                    found = true;
                }
                EXPECT_TRUE(found);
            }
        }
        for (const st_KBDeadKey* d = data.deadKeys; d->deadChar; ++d) {
            ASSERT_NE(d->entries, nullptr);
            for (const st_KBDeadEntry* e = d->entries; e->composed; ++e) EXPECT_NE(e->scanCode, 0);
        }
    }
    // the list starts again after its end
    EXPECT_EQ(Offered(), offered);
    EXPECT_TRUE(ids.count(0x407) && ids.count(0x419) && ids.count(0x40C) && ids.count(KB_LAYOUT_JAPANESE));
}

TEST(FenmarlLayouts, UnknownLayoutFillsNothing)
{
    st_KBImpl data{};
    data.keyCount = 7;
    EXPECT_EQ(GetKeyboardData(0x12345, data), 0);
    EXPECT_EQ(GetKeyboardData(0, data), 0);
    EXPECT_EQ(data.keyCount, 7);
}

}  // namespace
