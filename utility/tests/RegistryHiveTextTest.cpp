#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "utility/RegistryHiveText.h"
#include "utility/RegistryKey.h"
#include "utility/TextCodec.h"

namespace {

std::vector<BYTE> Text(const std::wstring& text) {
    std::vector<BYTE> data = WideToUtf16LE(text.data(), text.size());
    data.push_back(0);
    data.push_back(0);
    return data;
}

std::vector<BYTE> Dword(DWORD v) { return {(BYTE)v, (BYTE)(v >> 8), (BYTE)(v >> 16), (BYTE)(v >> 24)}; }

RegistryHiveDamage Parse(const std::string& text, CRegistryKey& top) {
    return ParseRegistryHive(text.data(), text.size(), top);
}

const CRegistryValue* Find(const CRegistryKey& top, const wchar_t* path, const wchar_t* name) {
    const CRegistryKey* key = top.FindPath(CRegistryKey::SplitPath(path));
    return key ? key->FindValue(name) : nullptr;
}

// Compares two trees entry by entry, names with their case.
void ExpectSameTree(const CRegistryKey& a, const CRegistryKey& b) {
    EXPECT_EQ(a.GetName(), b.GetName());
    ASSERT_EQ(a.GetValueCount(), b.GetValueCount()) << WideToUtf8(a.GetName());
    for (size_t i = 0; i < a.GetValueCount(); ++i) {
        EXPECT_EQ(a.GetValue(i).name, b.GetValue(i).name);
        EXPECT_EQ(a.GetValue(i).type, b.GetValue(i).type);
        EXPECT_EQ(a.GetValue(i).data, b.GetValue(i).data);
    }
    ASSERT_EQ(a.GetSubKeyCount(), b.GetSubKeyCount());
    for (size_t i = 0; i < a.GetSubKeyCount(); ++i) ExpectSameTree(a.GetSubKey(i), b.GetSubKey(i));
}

TEST(RegistryHiveText, WritesReadableLines) {
    CRegistryKey top;
    bool created = false;
    CRegistryKey* settings = top.CreatePath({L"SOFTWARE", L"Morvane", L"Quenzel", L"Settings"}, created);
    settings->SetValue(L"FaceName", REG_SZ, Text(L"C:\\Fonts \"Tahoma\" 100%"));
    settings->SetValue(L"BackColor", REG_DWORD, Dword(0x00FFFFFF));
    settings->SetValue(L"UserSyncPassword", REG_BINARY, {0x01, 0x00, 0x9A});
    settings->SetValue(L"Short", REG_DWORD, {0x05, 0x00});
    top.CreatePath({L"SOFTWARE", L"Morvane", L"KVX"}, created);

    EXPECT_EQ(FormatRegistryHive(top),
              "; Morvane settings hive\n"
              "\n[SOFTWARE]\n"
              "\n[SOFTWARE\\Morvane]\n"
              "\n[SOFTWARE\\Morvane\\Quenzel]\n"
              "\n[SOFTWARE\\Morvane\\Quenzel\\Settings]\n"
              "\"FaceName\"=\"C:\\Fonts %{22}Tahoma%{22} 100%{25}\"\n"
              "\"BackColor\"=dword:00ffffff\n"
              "\"UserSyncPassword\"=hex:01,00,9a\n"
              "\"Short\"=hex(4):05,00\n"
              "\n[SOFTWARE\\Morvane\\KVX]\n");
}

TEST(RegistryHiveText, EveryValueAndNameReadsBackExactly) {
    CRegistryKey top;
    top.SetValue(L"", REG_SZ, Text(L"value of the top"));
    bool created = false;
    CRegistryKey* key = top.CreatePath({L"Odd]Key [x]", L"sp ace", L"%{41}", L"\x00E9t\x00E9\x0001"}, created);
    const std::wstring oddName = std::wstring(L"line\nbreak\ttab \"q\" back\\slash % ") + L"\xD800" + L"\x1F600";
    key->SetValue(oddName, REG_SZ, Text(L"\x1F600 and a lone \xDC00 surrogate\r\n"));
    key->SetValue(L"empty text", REG_SZ, Text(L""));
    key->SetValue(L"no terminator", REG_SZ, {0x41, 0x00});
    key->SetValue(L"inner nul", REG_SZ, {0x41, 0x00, 0x00, 0x00, 0x42, 0x00, 0x00, 0x00});
    key->SetValue(L"odd length", REG_SZ, {0x41, 0x00, 0x00});
    key->SetValue(L"multi", REG_MULTI_SZ, {0x61, 0, 0, 0, 0x62, 0, 0, 0, 0, 0});
    key->SetValue(L"empty binary", REG_BINARY, {});
    key->SetValue(L"no data", REG_NONE, {});
    key->SetValue(L"big type", 0xFFFFFFFF, {0xFF});
    key->SetValue(L"dword", REG_DWORD, Dword(0xDEADBEEF));
    top.CreatePath({L"Second"}, created);

    std::string text = FormatRegistryHive(top);
    CRegistryKey again;
    RegistryHiveDamage damage = Parse(text, again);
    EXPECT_EQ(damage.badLines, 0);
    ExpectSameTree(top, again);
    EXPECT_EQ(FormatRegistryHive(again), text);
}

TEST(RegistryHiveText, NamesAreFoundWithoutRegardToCase) {
    CRegistryKey top;
    EXPECT_EQ(Parse("[Software\\Morvane]\n\"FaceName\"=\"a\"\n[SOFTWARE\\MORVANE]\n\"facename\"=\"b\"\n", top).badLines, 0);
    ASSERT_EQ(top.GetSubKeyCount(), 1u);
    EXPECT_EQ(top.GetSubKey(0).GetName(), L"Software");  // first spelling kept
    const CRegistryValue* v = Find(top, L"software\\morvane", L"FACENAME");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->name, L"FaceName");
    EXPECT_EQ(v->data, Text(L"b"));  // a later line replaces the value in place
}

struct DamageCase {
    const char* what;
    std::string text;
    int badLines;
    int firstBadLine;
    int skippedValues;
    std::vector<std::wstring> readable;  // values of [K] that must survive
};

TEST(RegistryHiveText, DamagedFilesGiveTheirSoundPart) {
    const std::string head = "; Morvane settings hive\n[K]\n\"a\"=dword:00000001\n";
    const std::vector<DamageCase> cases = {
        {"cut inside a text", head + "\"b\"=\"unfinish", 1, 4, 0, {L"a"}},
        {"cut inside a name", head + "\"b", 1, 4, 0, {L"a"}},
        {"cut inside a key line", head + "[K\\Sub", 1, 4, 0, {L"a"}},
        {"cut inside hex bytes", head + "\"b\"=hex:01,0", 1, 4, 0, {L"a"}},
        {"cut inside a number", head + "\"b\"=dword:0000", 1, 4, 0, {L"a"}},
        {"cut after dword:", head + "\"b\"=dword:", 1, 4, 0, {L"a"}},
        {"garbled key hides its values", head + "[K\\\x01garbage]\n\"c\"=dword:00000001\n[K]\n\"d\"=dword:00000002\n", 1, 4, 1,
         {L"a", L"d"}},
        {"garbled value line", head + "\"b\"=word:1\n\"c\"=dword:00000002\n", 1, 4, 0, {L"a", L"c"}},
        {"bad escape", head + "\"b%{zz}\"=dword:00000001\n\"c\"=\"50%\"\n", 2, 4, 0, {L"a"}},
        {"bad hex", head + "\"b\"=hex:0g\n\"c\"=hex:123\n\"d\"=hex(x):01\n\"e\"=dword:123456789\n", 4, 4, 0,
         {L"a"}},
        {"binary garbage", head + std::string("\xFF\xFE\x00\x9A\n\x80\x81]\n", 9), 2, 4, 0, {L"a"}},
        {"invalid UTF-8 in a name", head + "\"b\xC3\"=dword:00000001\n", 1, 4, 0, {L"a"}},
        {"Windows line ends and trailing blanks", "[K]\r\n\"a\"=dword:00000001 \t\r\n\r\n", 0, 0, 0, {L"a"}},
        {"key name too long", head + "[K\\" + std::string(256, 'x') + "]\n\"b\"=dword:00000001\n", 1, 4, 1, {L"a"}},
        {"empty name in a path", head + "[K\\\\Sub]\n", 1, 4, 0, {L"a"}},
    };
    for (const DamageCase& c : cases) {
        SCOPED_TRACE(c.what);
        CRegistryKey top;
        RegistryHiveDamage damage = Parse(c.text, top);
        EXPECT_EQ(damage.badLines, c.badLines);
        EXPECT_EQ(damage.firstBadLine, c.firstBadLine);
        EXPECT_EQ(damage.skippedValues, c.skippedValues);
        const CRegistryKey* key = top.FindSubKey(L"K");
        ASSERT_NE(key, nullptr);
        ASSERT_EQ(key->GetValueCount(), c.readable.size());
        for (size_t i = 0; i < c.readable.size(); ++i) EXPECT_EQ(key->GetValue(i).name, c.readable[i]);
    }
}

TEST(RegistryHiveText, KeysNestAtMost512Deep) {
    std::string deep = "[";
    for (int i = 0; i < 512; ++i) deep += (i ? "\\k" : "k");
    CRegistryKey top;
    EXPECT_EQ(Parse(deep + "]\n", top).badLines, 0);
    CRegistryKey tooDeep;
    EXPECT_EQ(Parse(deep + "\\k]\n", tooDeep).badLines, 1);

    bool created = false;
    EXPECT_EQ(tooDeep.CreatePath(std::vector<std::wstring>(513, L"k"), created), nullptr);
}

} // namespace
