#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "ReportCapture.h"
#include "testing/Installed.h"
#include "testing/TempFolder.h"
#include "utility/Posix/BasicRegistry.h"
#include "utility/Posix/RegistryHive.h"
#include "utility/RegistryKey.h"

namespace {

using kvxtest::TempFolder;

const wchar_t kAppKey[] = L"SOFTWARE\\Morvane\\Quenzel";

std::wstring W(const CBasicString& s) { return s.GetString(); }

std::vector<std::wstring> Texts(const std::vector<CBasicString>* list) {
    std::vector<std::wstring> texts;
    for (const CBasicString& s : *list) texts.emplace_back(s.GetString());
    return texts;
}

class BasicRegistryTest : public ReportCapture {
protected:
    void SetUp() override {
        ReportCapture::SetUp();
        m_folder.RedirectHome();
    }

    std::string HiveText() const { return TempFolder::ReadFile(m_folder.Sub("registry/HKCU.reg")); }

    // Puts a value of any type straight into the current user's hive.
    void PutValue(const wchar_t* path, const std::wstring& name, DWORD type, std::vector<BYTE> data) {
        CRegistryHive* hive = CRegistryHive::ForRoot(HKEY_CURRENT_USER);
        ASSERT_TRUE(hive->Modify([&](CRegistryKey& top) {
            bool created = false;
            return top.CreatePath(CRegistryKey::SplitPath(path), created)->SetValue(name, type, data);
        }));
    }

    TempFolder m_folder;
    CBasicRegistry m_registry{L"Morvane", L"Quenzel", HKEY_CURRENT_USER};
};

TEST_F(BasicRegistryTest, ReadingAMissingValueGivesTheDefaultAndMakesTheKey) {
    EXPECT_EQ(m_registry.GetDWORD(L"Settings", L"Advertisement", 42), 42u);
    EXPECT_EQ(Texts(m_registry.GetUserSubKeyNames(kAppKey)), std::vector<std::wstring>{L"Settings"});
    EXPECT_EQ(W(m_registry.GetString(L"Language", L"FromLanguage", L"English")), L"English");
    EXPECT_EQ(m_registry.GetString(L"Language", L"ToLanguage", nullptr).GetLength(), 0);
    EXPECT_EQ(Texts(m_registry.GetUserSubKeyNames(kAppKey)), (std::vector<std::wstring>{L"Settings", L"Language"}));
    EXPECT_TRUE(AssertionLines().empty());
}

TEST_F(BasicRegistryTest, ValuesRoundTripByTypeWithNamesInAnyCase) {
    EXPECT_EQ(m_registry.SetDWORD(L"Settings", L"BackColor", 0x00C0FFEE), 1);
    EXPECT_EQ(m_registry.SetString(L"Fonts\\NormalFont", L"FaceName", L"Tahoma \x00E9\x1F600"), 1);
    const BYTE blob[] = {1, 0, 0, 0, 0xFF};
    EXPECT_EQ(m_registry.SetBinary(L"Settings", L"UserSyncPassword", blob, sizeof(blob)), 1);
    EXPECT_EQ(m_registry.SetBinary(L"Settings", L"Empty", nullptr, 0), 1);

    // Another object, as another program would make it, with names in other case.
    CBasicRegistry other(L"MORVANE", L"quenzel", HKEY_CURRENT_USER);
    EXPECT_EQ(other.GetDWORD(L"SETTINGS", L"backcolor", 0), 0x00C0FFEEu);
    EXPECT_EQ(W(other.GetString(L"fonts\\normalfont", L"facename", L"")), L"Tahoma \x00E9\x1F600");
    BYTE* data = nullptr;
    int size = -1;
    ASSERT_EQ(other.GetBinary(L"settings", L"usersyncpassword", &data, &size), 1);
    EXPECT_EQ(std::vector<BYTE>(data, data + size), std::vector<BYTE>(blob, blob + sizeof(blob)));
    delete[] data;
    DWORD dwordSize = 99;
    ASSERT_EQ(other.GetBinary(L"Settings", L"Empty", &data, &dwordSize), 1);
    EXPECT_EQ(dwordSize, 0u);
    delete[] data;
    EXPECT_EQ(other.GetBinary(L"Settings", L"Missing", &data, &size), 0);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(size, 0);

    // The first spelling of each name stays; a text is stored with its terminator.
    std::string text = HiveText();
    EXPECT_NE(text.find("[SOFTWARE\\Morvane\\Quenzel\\Settings]\n\"BackColor\"=dword:00c0ffee\n"), std::string::npos);
    EXPECT_NE(text.find("\"FaceName\"=\"Tahoma \xC3\xA9\xF0\x9F\x98\x80\"\n"), std::string::npos);
    EXPECT_TRUE(AssertionLines().empty());
}

TEST_F(BasicRegistryTest, ValuesOfAnotherTypeAreReportedAndStillRead) {
    PutValue(L"SOFTWARE\\Morvane\\Quenzel\\Settings", L"Text", REG_SZ, {'5', 0, 0, 0});
    PutValue(L"SOFTWARE\\Morvane\\Quenzel\\Settings", L"Short", REG_DWORD, {7, 1});
    PutValue(L"SOFTWARE\\Morvane\\Quenzel\\Settings", L"Long", REG_BINARY, {1, 2, 3, 4, 5});
    PutValue(L"SOFTWARE\\Morvane\\Quenzel\\Settings", L"Number", REG_DWORD, {'A', 0, 'B', 0});

    EXPECT_EQ(m_registry.GetDWORD(L"Settings", L"Text", 9), (DWORD)'5');
    EXPECT_EQ(m_registry.GetDWORD(L"Settings", L"Short", 9), 0x107u);
    EXPECT_EQ(AssertionLines().size(), 2u);
    EXPECT_EQ(m_registry.GetDWORD(L"Settings", L"Long", 9), 9u);  // too long for the number: the default
    EXPECT_EQ(W(m_registry.GetString(L"Settings", L"Number", L"")), L"AB");
    BYTE* data = nullptr;
    int size = 0;
    EXPECT_EQ(m_registry.GetBinary(L"Settings", L"Text", &data, &size), 1);
    delete[] data;
    EXPECT_EQ(AssertionLines().size(), 4u);
}

TEST_F(BasicRegistryTest, NullTextDeletesTheValueAndNullNameTheLeafKey) {
    ASSERT_EQ(m_registry.SetString(L"WindowsPos\\Learn", L"Left", L"10"), 1);
    ASSERT_EQ(m_registry.SetString(L"WindowsPos\\Learn", L"Top", L"20"), 1);
    EXPECT_EQ(m_registry.SetString(L"WindowsPos\\Learn", L"Left", nullptr), 1);
    EXPECT_EQ(m_registry.SetString(L"WindowsPos\\Learn", L"Left", nullptr), 0);
    EXPECT_EQ(W(m_registry.GetString(L"WindowsPos\\Learn", L"Left", L"gone")), L"gone");
    EXPECT_EQ(W(m_registry.GetString(L"WindowsPos\\Learn", L"Top", L"")), L"20");

    EXPECT_EQ(m_registry.SetString(L"WindowsPos", nullptr, nullptr), 0);  // has a sub-key
    EXPECT_EQ(m_registry.SetString(L"WindowsPos\\Learn", nullptr, nullptr), 1);
    EXPECT_EQ(Texts(m_registry.GetUserSubKeyNames(L"Software\\Morvane\\Quenzel\\WindowsPos")),
              std::vector<std::wstring>{});
    EXPECT_EQ(m_registry.SetString(L"WindowsPos\\Learn", nullptr, nullptr), 0);

    EXPECT_EQ(m_registry.SetString(nullptr, L"Left", L"1"), 0);
    EXPECT_EQ(m_registry.GetDWORD(nullptr, L"x", 3), 3u);
    EXPECT_EQ(m_registry.GetDWORD(L"Settings", nullptr, 4), 4u);
    EXPECT_EQ(AssertionLines().size(), 3u);
}

TEST_F(BasicRegistryTest, DeleteKeyAndDeleteValueBelowARoot) {
    m_registry.SetDWORD(L"Settings\\Deep", L"A", 1);
    m_registry.SetDWORD(L"Settings", L"B", 2);
    EXPECT_EQ(m_registry.DeleteValue(HKEY_CURRENT_USER, L"Software\\Morvane\\Quenzel\\Settings", L"b"), 1);
    EXPECT_EQ(m_registry.DeleteValue(HKEY_CURRENT_USER, L"Software\\Morvane\\Quenzel\\Settings", L"b"), 0);
    EXPECT_EQ(m_registry.DeleteValue(HKEY_CURRENT_USER, L"Software\\Missing", L"b"), 0);
    EXPECT_EQ(m_registry.DeleteKey(HKEY_CURRENT_USER, L"SOFTWARE\\Morvane\\Quenzel\\Settings"), 1);
    EXPECT_EQ(m_registry.DeleteKey(HKEY_CURRENT_USER, L"SOFTWARE\\Morvane\\Quenzel\\Settings"), 0);
    EXPECT_EQ(m_registry.DeleteKey(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Morvane"), 0);
    // A whole hive is never wiped.
    EXPECT_EQ(m_registry.DeleteKey(HKEY_CURRENT_USER, L""), 0);
    EXPECT_EQ(m_registry.DeleteKey(HKEY_CURRENT_USER, L"\\"), 0);
    EXPECT_EQ(Texts(m_registry.GetUserSubKeyNames(kAppKey)), std::vector<std::wstring>{});
    EXPECT_EQ(m_registry.GetDWORD(L"Settings\\Deep", L"A", 0), 0u);
}

TEST_F(BasicRegistryTest, WriteValueListReplacesThePreviousValues) {
    const std::wstring listKey = std::wstring(kAppKey) + L"\\Lists";
    m_registry.SetString(L"Lists", L"Value0", L"old");
    m_registry.SetString(L"Lists", L"Value5", L"older");
    m_registry.SetDWORD(L"Lists", L"Other", 1);

    std::vector<CBasicString> values = {L"first", L"second", L"third"};
    m_registry.WriteValueList(kAppKey, L"Lists", &values);
    EXPECT_EQ(Texts(m_registry.ReadValueList(listKey.c_str(), 0)),
              (std::vector<std::wstring>{L"first", L"second", L"third"}));
    auto* pairs = m_registry.ReadNamedValueList(listKey.c_str(), 1);
    ASSERT_EQ(pairs->size(), 3u);
    EXPECT_EQ(W((*pairs)[2].first), L"Value2");
    EXPECT_EQ(W((*pairs)[2].second), L"third");

    m_registry.WriteValueList(kAppKey, CBasicString(), &values);
    m_registry.WriteValueList(kAppKey, L"Lists", nullptr);
    EXPECT_EQ(AssertionLines().size(), 2u);
    EXPECT_EQ(m_registry.ReadValueList(listKey.c_str(), 0)->size(), 3u);
}

TEST_F(BasicRegistryTest, ValueListsFilterByTypeAndName) {
    const wchar_t* key = L"SOFTWARE\\Morvane\\Quenzel\\Profiles";
    PutValue(key, L"Value0", REG_SZ, {'a', 0, 0, 0});
    PutValue(key, L"Other", REG_SZ, {'b', 0, 0, 0});
    PutValue(key, L"Value9", REG_DWORD, {'c', 0, 0, 0});
    PutValue(key, L"ProfileHome", REG_SZ, {0, 0});
    PutValue(key, L"NoData", REG_BINARY, {});
    PutValue(key, L"List", REG_MULTI_SZ, {'d', 0, 0, 0, 0, 0, 'e', 0, 0, 0, 0, 0});
    PutValue(key, L"Zero", REG_DWORD, {0, 0, 0, 0});
    PutValue(key, L"Profile1", REG_SZ, {'f', 0, 0, 0});

    EXPECT_EQ(Texts(m_registry.ReadValueList(key, 1)), (std::vector<std::wstring>{L"a", L"", L"f"}));
    EXPECT_EQ(Texts(m_registry.ReadValueList(key, 0)),
              (std::vector<std::wstring>{L"a", L"b", L"c", L"d", L"e", L"f"}));
    EXPECT_EQ(m_registry.ReadValueList(L"SOFTWARE\\Missing", 0)->size(), 0u);
}

TEST_F(BasicRegistryTest, ANameOf260CharactersEndsTheEnumeration) {
    const wchar_t* key = L"SOFTWARE\\Morvane\\Quenzel\\Long";
    PutValue(key, L"Value0", REG_SZ, {'a', 0, 0, 0});
    PutValue(key, std::wstring(259, L'V'), REG_SZ, {'b', 0, 0, 0});
    PutValue(key, L"Value" + std::wstring(255, L'x'), REG_SZ, {'c', 0, 0, 0});
    PutValue(key, L"Value3", REG_SZ, {'d', 0, 0, 0});
    EXPECT_EQ(Texts(m_registry.ReadValueList(key, 0)), (std::vector<std::wstring>{L"a", L"b"}));
}

TEST_F(BasicRegistryTest, TwoProgramsWritingOneKeyLoseNothing) {
    constexpr int kValues = 300;
    std::vector<pid_t> children;
    for (int program = 0; program < 2; ++program) {
        pid_t pid = fork();
        if (pid == 0) {
            CBasicRegistry registry(L"Morvane", L"Quenzel", HKEY_CURRENT_USER);
            int stored = 0;
            for (int i = 0; i < kValues; ++i) {
                std::wstring name = (program ? L"Keyboard" : L"Main") + std::to_wstring(i);
                stored += registry.SetDWORD(L"Settings", name.c_str(), (DWORD)i);
            }
            _exit(stored == kValues ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (int i = 0; i < kValues; ++i) {
        EXPECT_EQ(m_registry.GetDWORD(L"Settings", (L"Main" + std::to_wstring(i)).c_str(), 9999), (DWORD)i);
        EXPECT_EQ(m_registry.GetDWORD(L"Settings", (L"Keyboard" + std::to_wstring(i)).c_str(), 9999), (DWORD)i);
    }
}

// Reads of existing keys answer from memory, yet see at once what another
// program stored, and a key that another program removed is made again.
TEST_F(BasicRegistryTest, OnlyAChangedValueReplacesTheFile) {
    const std::string path = m_folder.Sub("registry/HKCU.reg");
    auto fileIdentity = [&] {
        struct stat st {};
        EXPECT_EQ(stat(path.c_str(), &st), 0);
        return st.st_ino;
    };
    const BYTE four[] = {5, 0, 0, 0};
    ASSERT_EQ(m_registry.SetDWORD(L"Settings", L"Known", 5), 1);
    ASSERT_EQ(m_registry.SetString(L"Settings", L"Name", L"Travel"), 1);
    struct Write {
        const char* what;
        std::function<int()> write;
        bool replaces;
    };
    const Write writes[] = {
        {"the same number", [&] { return m_registry.SetDWORD(L"Settings", L"Known", 5); }, false},
        {"the same text, name in other case", [&] { return m_registry.SetString(L"SETTINGS", L"name", L"Travel"); },
         false},
        {"another number", [&] { return m_registry.SetDWORD(L"Settings", L"Known", 6); }, true},
        {"another text", [&] { return m_registry.SetString(L"Settings", L"Name", L"travel"); }, true},
        {"the same bytes as another type",
         [&] { return m_registry.SetBinary(L"Settings", L"Known", four, sizeof(four)); }, true},
        {"a new key", [&] { return m_registry.SetDWORD(L"Other", L"Known", 6); }, true},
    };
    for (const Write& w : writes) {
        SCOPED_TRACE(w.what);
        const ino_t before = fileIdentity();
        EXPECT_EQ(w.write(), 1);
        EXPECT_EQ(fileIdentity() != before, w.replaces);
    }
    EXPECT_EQ(m_registry.GetDWORD(L"Other", L"Known", 0), 6u);
    EXPECT_EQ(W(m_registry.GetString(L"Settings", L"Name", L"")), L"travel");
}

TEST_F(BasicRegistryTest, ReadsFromMemorySeeAnotherProgramsChanges) {
    ASSERT_TRUE(m_registry.SetDWORD(L"Settings", L"Count", 1));
    ASSERT_EQ(m_registry.GetDWORD(L"Settings", L"Count", 0), 1u);
    auto inAnotherProgram = [](void (*change)()) {
        pid_t pid = fork();
        if (pid == 0) {
            change();
            _exit(0);
        }
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    };
    for (DWORD i = 2; i < 6; ++i) {
        inAnotherProgram([] {
            CBasicRegistry other(L"Morvane", L"Quenzel", HKEY_CURRENT_USER);
            other.SetDWORD(L"Settings", L"Count", other.GetDWORD(L"Settings", L"Count", 0) + 1);
        });
        EXPECT_EQ(m_registry.GetDWORD(L"Settings", L"Count", 0), i);
    }
    inAnotherProgram([] {
        CBasicRegistry other(L"Morvane", L"Quenzel", HKEY_CURRENT_USER);
        other.DeleteKey(HKEY_CURRENT_USER, L"SOFTWARE\\Morvane\\Quenzel\\Settings");
    });
    EXPECT_EQ(m_registry.GetDWORD(L"Settings", L"Count", 77), 77u);
    EXPECT_EQ(Texts(m_registry.GetUserSubKeyNames(kAppKey)), std::vector<std::wstring>{L"Settings"});
}

TEST_F(BasicRegistryTest, RegisteredExtensionsComeFromTheMediaTypes) {
    std::vector<std::wstring> extensions = Texts(m_registry.GetRegisteredExtensions());
    std::ifstream types("/etc/mime.types");
    KVX_SKIP_OR_FAIL_UNLESS(types.good(), "no /etc/mime.types here (media-types)");
    ASSERT_FALSE(extensions.empty());
    for (const std::wstring& e : extensions) ASSERT_EQ(e[0], L'.');
    EXPECT_NE(std::find(extensions.begin(), extensions.end(), L".html"), extensions.end());
    std::sort(extensions.begin(), extensions.end());
    EXPECT_EQ(std::adjacent_find(extensions.begin(), extensions.end()), extensions.end());
}

TEST_F(BasicRegistryTest, OtherRootsAndMissingNames) {
    CBasicRegistry machine(L"Morvane", L"Windows\\CurrentVersion", HKEY_LOCAL_MACHINE);
    EXPECT_EQ(machine.SetDWORD(L"Internet Settings", L"ProxyEnable", 1), 1);
    std::string machineText = TempFolder::ReadFile(m_folder.Sub("registry/HKLM.reg"));
    EXPECT_NE(machineText.find("[SOFTWARE\\Morvane\\Windows\\CurrentVersion\\Internet Settings]\n"
                               "\"ProxyEnable\"=dword:00000001"),
              std::string::npos);
    EXPECT_EQ(m_registry.GetDWORD(L"Internet Settings", L"ProxyEnable", 0), 0u);

    CBasicRegistry unknownRoot(L"Morvane", L"Quenzel", (HKEY)(uintptr_t)0x1234);
    EXPECT_EQ(unknownRoot.SetDWORD(L"Settings", L"A", 1), 0);
    EXPECT_EQ(unknownRoot.GetDWORD(L"Settings", L"A", 5), 5u);

    CBasicRegistry unnamed(nullptr, L"Quenzel", HKEY_CURRENT_USER);
    EXPECT_EQ(AssertionLines().size(), 1u);
    EXPECT_EQ(unnamed.SetDWORD(L"Settings", L"A", 1), 1);
    EXPECT_EQ(Texts(m_registry.GetUserSubKeyNames(L"SOFTWARE")), (std::vector<std::wstring>{L"Morvane", L"Quenzel"}));
}

} // namespace
