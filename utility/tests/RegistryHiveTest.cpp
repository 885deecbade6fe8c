#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "ReportCapture.h"
#include "testing/TempFolder.h"
#include "utility/Posix/RegistryHive.h"
#include "utility/Posix/SystemError.h"
#include "utility/RegistryKey.h"

namespace {

using kvxtest::TempFolder;

std::vector<BYTE> Dword(DWORD v) { return {(BYTE)v, (BYTE)(v >> 8), (BYTE)(v >> 16), (BYTE)(v >> 24)}; }

DWORD DwordOf(const CRegistryValue* v) {
    if (!v || v->data.size() != 4) return 0xFFFFFFFF;
    return (DWORD)v->data[0] | (DWORD)v->data[1] << 8 | (DWORD)v->data[2] << 16 | (DWORD)v->data[3] << 24;
}

// The number value "Count" of the top key, read from a hive.
DWORD ReadCount(CRegistryHive& hive) {
    DWORD count = 0xFFFFFFFF;
    hive.Read([&](const CRegistryKey& top) { count = DwordOf(top.FindValue(L"Count")); });
    return count;
}

bool SetCount(CRegistryHive& hive, DWORD count) {
    return hive.Modify([&](CRegistryKey& top) { return top.SetValue(L"Count", REG_DWORD, Dword(count)); });
}

// Runs body in count child processes at once; true when each exited with 0.
template <class Body>
bool RunInChildren(int count, Body body) {
    std::vector<pid_t> children;
    for (int i = 0; i < count; ++i) {
        pid_t pid = fork();
        if (pid == 0) _exit(body(i) ? 0 : 1);
        children.push_back(pid);
    }
    bool ok = true;
    for (pid_t pid : children) {
        int status = 0;
        ok = waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0 && ok;
    }
    return ok;
}

class RegistryHiveTest : public ReportCapture {
protected:
    std::string HivePath() const { return m_folder.Sub("settings/HKCU.reg"); }

    TempFolder m_folder;
};

TEST_F(RegistryHiveTest, WritesThroughARenamedPrivateFile) {
    CRegistryHive hive(HivePath());
    DWORD missing = 1;
    ASSERT_TRUE(hive.Read([&](const CRegistryKey& top) { missing = top.GetValueCount(); }));
    EXPECT_EQ(missing, 0u);
    ASSERT_TRUE(SetCount(hive, 7));

    struct stat st;
    ASSERT_EQ(stat(HivePath().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(stat(m_folder.Sub("settings").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    ino_t first = st.st_ino;

    ASSERT_TRUE(SetCount(hive, 8));
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(m_folder.Sub("settings")))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"HKCU.reg", "HKCU.reg.lock"}));  // no temporary file left
    ASSERT_EQ(stat(HivePath().c_str(), &st), 0);
    EXPECT_NE(st.st_ino, first);
    EXPECT_NE(TempFolder::ReadFile(HivePath()).find("\"Count\"=dword:00000008"), std::string::npos);
}

TEST_F(RegistryHiveTest, SeesWhatOthersWrote) {
    CRegistryHive mine(HivePath());
    CRegistryHive theirs(HivePath());
    ASSERT_TRUE(SetCount(mine, 1));
    EXPECT_EQ(ReadCount(theirs), 1u);
    // Many writes of files of one size, quickly after each other.
    for (DWORD i = 2; i < 50; ++i) {
        ASSERT_TRUE(SetCount(i % 2 ? mine : theirs, i));
        ASSERT_EQ(ReadCount(i % 2 ? theirs : mine), i);
    }
    // A file changed in place by hand.
    std::string text = TempFolder::ReadFile(HivePath());
    size_t at = text.find("dword:");
    text.replace(at, 14, "dword:0000abcd\n\"More\"=dword:00000001");
    m_folder.WriteFile("settings/HKCU.reg", text);
    EXPECT_EQ(ReadCount(mine), 0xABCDu);
    // And a file that went away.
    std::filesystem::remove(HivePath());
    EXPECT_EQ(ReadCount(theirs), 0xFFFFFFFFu);
}

TEST_F(RegistryHiveTest, TwoProcessesCountingLoseNoStep) {
    constexpr int kSteps = 1000;
    {
        CRegistryHive hive(HivePath());
        ASSERT_TRUE(SetCount(hive, 0));
    }
    bool ok = RunInChildren(2, [&](int) {
        CRegistryHive hive(HivePath());
        for (int i = 0; i < kSteps; ++i) {
            bool stepped = hive.Modify([](CRegistryKey& top) {
                return top.SetValue(L"Count", REG_DWORD, Dword(DwordOf(top.FindValue(L"Count")) + 1));
            });
            if (!stepped) return false;
        }
        return true;
    });
    EXPECT_TRUE(ok);
    CRegistryHive hive(HivePath());
    EXPECT_EQ(ReadCount(hive), 2u * kSteps);
}

// Reading and writing agree on the size limit: a write past it fails and
// leaves the hive as it was, and everything written before it reads back.
TEST_F(RegistryHiveTest, AWritePastTheSizeLimitFailsAndLosesNothing) {
    CRegistryHive hive(HivePath());
    ASSERT_TRUE(SetCount(hive, 5));
    // Binary data takes three characters a byte in the file: over 64 MiB.
    std::vector<BYTE> big((size_t)22 << 20, 0xAB);
    SetLastError(0);
    EXPECT_FALSE(hive.Modify([&](CRegistryKey& top) { return top.SetValue(L"Big", REG_BINARY, big); }));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_TOO_LARGE);

    CRegistryHive other(HivePath());
    EXPECT_EQ(ReadCount(other), 5u);
    bool hasBig = true;
    ASSERT_TRUE(other.Read([&](const CRegistryKey& top) { hasBig = top.FindValue(L"Big") != nullptr; }));
    EXPECT_FALSE(hasBig);
    // The writer forgot its refused change too, and goes on writing.
    EXPECT_EQ(ReadCount(hive), 5u);
    EXPECT_TRUE(SetCount(hive, 6));
    EXPECT_EQ(ReadCount(other), 6u);
    EXPECT_FALSE(std::filesystem::exists(HivePath() + ".damaged"));
}

TEST_F(RegistryHiveTest, AFileLargerThanTheLimitIsNeitherReadInPartNorOverwritten) {
    {
        CRegistryHive writer(HivePath());
        ASSERT_TRUE(SetCount(writer, 1));
    }
    std::string text = TempFolder::ReadFile(HivePath());
    text.resize(((size_t)64 << 20) + 10, '\n');
    m_folder.WriteFile("settings/HKCU.reg", text);
    CRegistryHive hive(HivePath());
    EXPECT_EQ(ReadCount(hive), 0xFFFFFFFFu);
    EXPECT_FALSE(SetCount(hive, 2));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_TOO_LARGE);
    EXPECT_EQ(std::filesystem::file_size(HivePath()), text.size());
}

TEST_F(RegistryHiveTest, CopiesLeftByKilledWritersAreRemoved) {
    {
        CRegistryHive writer(HivePath());
        ASSERT_TRUE(SetCount(writer, 3));
    }
    const char* stale[] = {"HKCU.reg.Ab12Cd", "HKCU.reg.damaged.x9Y8z7"};
    const char* kept[] = {"HKCU.reg.damaged", "HKCU.reg.notours", "HKLM.reg.Ab12Cd"};
    for (const char* name : stale) m_folder.WriteFile(std::string("settings/") + name, "a whole copy, blobs included");
    for (const char* name : kept) m_folder.WriteFile(std::string("settings/") + name, "other");
    CRegistryHive hive(HivePath());
    EXPECT_EQ(ReadCount(hive), 3u);
    for (const char* name : stale) EXPECT_FALSE(std::filesystem::exists(m_folder.Sub(std::string("settings/") + name))) << name;
    for (const char* name : kept) EXPECT_TRUE(std::filesystem::exists(m_folder.Sub(std::string("settings/") + name))) << name;
}

TEST_F(RegistryHiveTest, AUtf8ByteOrderMarkIsNoDamage) {
    {
        CRegistryHive writer(HivePath());
        ASSERT_TRUE(SetCount(writer, 9));
    }
    m_folder.WriteFile("settings/HKCU.reg", "\xEF\xBB\xBF" + TempFolder::ReadFile(HivePath()));
    CRegistryHive hive(HivePath());
    EXPECT_EQ(ReadCount(hive), 9u);
    EXPECT_FALSE(std::filesystem::exists(HivePath() + ".damaged"));
}

TEST_F(RegistryHiveTest, DamagedFileIsReportedKeptAndReadAsFarAsSound) {
    struct Case {
        const char* what;
        std::string text;
        int firstBadLine;
        std::vector<std::wstring> readable;
    };
    const std::string sound = "; Morvane settings hive\n\n[K]\n\"Count\"=dword:00000005\n\"Name\"=\"abc\"\n";
    const std::vector<Case> cases = {
        {"truncated", sound + "\"Late\"=\"half a te", 6, {L"Count", L"Name"}},
        {"garbled", sound + "\x93\xFF\x01\x02garbage\n[K]\n\"Later\"=dword:00000009\n", 6,
         {L"Count", L"Name", L"Later"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        m_log.Clear();
        m_folder.WriteFile("settings/HKCU.reg", c.text);
        CRegistryHive hive(HivePath());
        std::vector<std::wstring> names;
        ASSERT_TRUE(hive.Read([&](const CRegistryKey& top) {
            const CRegistryKey* key = top.FindSubKey(L"K");
            for (size_t i = 0; key && i < key->GetValueCount(); ++i) names.push_back(key->GetValue(i).name);
        }));
        EXPECT_EQ(names, c.readable);

        auto written = m_log.Written();
        ASSERT_EQ(written.size(), 1u);
        EXPECT_EQ(written[0].call, kvxtest::LogCall::LogFormat);
        EXPECT_EQ(written[0].level, 1);
        std::wstring path = kvxtest::Widen(HivePath());
        EXPECT_EQ(written[0].text, L"The settings file " + path + L" is damaged: 1 lines could not be read, the first is line " +
                                       std::to_wstring(c.firstBadLine) +
                                       L". The readable settings are used; the file is kept as " + path + L".damaged.");
        EXPECT_EQ(TempFolder::ReadFile(HivePath() + ".damaged"), c.text);

        // Reading again does not report again; writing keeps the sound part.
        ASSERT_TRUE(hive.Modify([](CRegistryKey& top) { return top.SetValue(L"New", REG_DWORD, Dword(1)); }));
        CRegistryHive other(HivePath());
        DWORD count = 0;
        other.Read([&](const CRegistryKey& top) { count = DwordOf(top.FindPath({L"K"})->FindValue(L"Count")); });
        EXPECT_EQ(count, 5u);
        EXPECT_EQ(m_log.Written().size(), 1u);
    }
}

TEST_F(RegistryHiveTest, FolderFollowsTheEnvironment) {
    m_folder.RedirectHome();
    EXPECT_EQ(CRegistryHive::GetRegistryFolder(), m_folder.Sub("registry"));
    unsetenv("KVX_REGISTRY_DIR");
    EXPECT_EQ(CRegistryHive::GetRegistryFolder(), m_folder.Sub("config") + "/Morvane/registry");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(CRegistryHive::GetRegistryFolder(), m_folder.Sub("home") + "/.config/Morvane/registry");

    CRegistryHive* user = CRegistryHive::ForRoot(HKEY_CURRENT_USER);
    ASSERT_NE(user, nullptr);
    EXPECT_EQ(user->GetPath(), m_folder.Sub("home") + "/.config/Morvane/registry/HKCU.reg");
    EXPECT_EQ(CRegistryHive::ForRoot(HKEY_CURRENT_USER), user);
    ASSERT_NE(CRegistryHive::ForRoot(HKEY_LOCAL_MACHINE), nullptr);
    EXPECT_NE(CRegistryHive::ForRoot(HKEY_LOCAL_MACHINE), user);
    EXPECT_EQ(CRegistryHive::ForRoot((HKEY)(uintptr_t)0x1234), nullptr);
}

} // namespace
