#include <gtest/gtest.h>

#include <pwd.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstdlib>
#include <set>
#include <string>

#include "ReportCapture.h"
#include "TextPattern.h"
#include "testing/TempFolder.h"
#include "utility/Posix/SystemError.h"
#include "utility/Posix/SystemInfo.h"

namespace {

using kvxtest::Narrow;

TEST(Guid, FormAndUniqueness) {
    std::set<std::string> seen;
    for (int i = 0; i < 2000; ++i) {
        std::string guid = Narrow((i % 2 ? NewGuidText() : CreateGuidText()).GetString());
        ASSERT_EQ(guid.size(), 36u);
        // Version 4 (random), the standard variant.
        ASSERT_TRUE(MatchesHexPattern(guid, "########-####-4###-####-############")) << guid;
        ASSERT_NE(std::string("89AB").find(guid[19]), std::string::npos) << guid;
        seen.insert(guid);
    }
    EXPECT_EQ(seen.size(), 2000u);
}

TEST(SystemVersion, TestsAnswerForACurrentSystem) {
    const struct {
        const char* name;
        int (*test)();
        int expected;
    } cases[] = {
        {"IsWindowsNT", IsWindowsNT, 1},
        {"IsWindows2000OrLater", IsWindows2000OrLater, 1},
        {"IsWindowsVistaOrLater", IsWindowsVistaOrLater, 1},
        {"IsWindows95OrNT4OrLater", IsWindows95OrNT4OrLater, 1},
        {"IsWindowsXP", IsWindowsXP, 0},
        {"IsWindowsXPHomeEdition", IsWindowsXPHomeEdition, 0},
        {"IsWindowsServer2003", IsWindowsServer2003, 0},
        {"IsWindowsVista", IsWindowsVista, 0},
        {"IsWindowsVistaHomeEdition", IsWindowsVistaHomeEdition, 0},
        {"IsWindows3x", IsWindows3x, 0},
        {"IsWindows9x", IsWindows9x, 0},
        {"IsWindows98OrMe", IsWindows98OrMe, 0},
        {"IsWindowsMe", IsWindowsMe, 0},
        {"IsWindows95Osr2OrLater", IsWindows95Osr2OrLater, 0},
        {"IsWindows9xFamily", IsWindows9xFamily, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(c.test(), c.expected) << c.name;
}

TEST(SystemIdentity, NamesOfTheSystemAndTheUser) {
    utsname system;
    ASSERT_EQ(uname(&system), 0);
    std::string name = Narrow(GetOperatingSystemName().GetString());
    std::string kernel = std::string(system.sysname) + " " + system.release;
    ASSERT_GE(name.size(), kernel.size());
    EXPECT_EQ(name.substr(name.size() - kernel.size()), kernel);
    EXPECT_EQ(GetWindowsName().Compare(GetOperatingSystemName().GetString()), 0);

    char host[256] = {};
    gethostname(host, sizeof(host) - 1);
    EXPECT_EQ(Narrow(GetComputerNameText().GetString()), host);
    EXPECT_EQ(Narrow(GetLogonDomainName().GetString()), host);
    EXPECT_EQ(Narrow(GetUserNameText().GetString()), getpwuid(geteuid())->pw_name);
    if (geteuid() == 0) {
        EXPECT_EQ(IsUserInAdministrators(), 1);
    }

    EXPECT_TRUE(MatchesHexPattern(Narrow(GetMacAddressText().GetString()), "##-##-##-##-##-##"));

    SYSTEM_INFO info;
    ASSERT_EQ(GetNativeSystemInfoSafe(&info), 1);
    EXPECT_GE(info.dwNumberOfProcessors, 1u);
    EXPECT_EQ(info.dwPageSize, (DWORD)sysconf(_SC_PAGESIZE));
    if (std::string(system.machine) == "x86_64") {
        EXPECT_EQ(info.wProcessorArchitecture, PROCESSOR_ARCHITECTURE_AMD64);
    }
    EXPECT_EQ(IsNativeIa64OrWow64(), 0);
    EXPECT_EQ(GetNativeSystemInfoSafe(nullptr), 0);
}

TEST(SystemIdentity, CountryOfTheLocale) {
    const struct {
        const char* all;
        const char* lang;
        const wchar_t* country;
    } cases[] = {
        {"de_AT.UTF-8", "en_US.UTF-8", L"AT"}, {"", "pt_BR", L"BR"},  {nullptr, "en_GB@euro", L"GB"},
        {"C", "de_DE.UTF-8", L""},             {"C.UTF-8", nullptr, L""}, {nullptr, "fr", L""},
        {nullptr, "xx_abc.UTF-8", L""},        {nullptr, nullptr, L""},
    };
    for (const auto& c : cases) {
        c.all ? setenv("LC_ALL", c.all, 1) : unsetenv("LC_ALL");
        c.lang ? setenv("LANG", c.lang, 1) : unsetenv("LANG");
        EXPECT_STREQ(GetUserCountryCode().GetString(), c.country) << (c.lang ? c.lang : "-");
    }
}

class NotAvailable : public ReportCapture {};

TEST_F(NotAvailable, PrivilegesAccountsAndComFailWithReports) {
    kvxtest::RecordingLog log;
    EXPECT_EQ(EnablePrivilege(L"SeBackupPrivilege", &log), 0);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_NOT_SUPPORTED);
    auto entries = log.Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].call, kvxtest::LogCall::WriteSourceMessage);
    EXPECT_EQ(entries[0].text, L"(50) The request is not supported.");
    EXPECT_EQ(entries[0].sourceFile, L".\\Windows\\BasicAPI");
    EXPECT_EQ(EnablePrivilege(L"SeBackupPrivilege", nullptr), 0);

    EXPECT_EQ(GetAccountSid(L"user", nullptr), nullptr);
    EXPECT_EQ(SetAccountRight(nullptr, L"user", L"SeServiceLogonRight", 1), 0);
    EXPECT_EQ(InitializeCom(nullptr), 0);
    EXPECT_EQ(AssertionLines().size(), 6u);
}

TEST_F(NotAvailable, MarshallingOnTheOwnerThreadDoesNothing) {
    IStream* stream = reinterpret_cast<IStream*>(0x1000);
    IUnknown* object = reinterpret_cast<IUnknown*>(0x2000);
    DWORD owner = 0;
    EXPECT_EQ(MarshalToStream(nullptr, object, &owner, 0, 0), 1);
    EXPECT_EQ(MarshalToStream(stream, nullptr, &owner, 0, 0), 1);
    EXPECT_EQ(UnmarshalFromStream(nullptr, GUID{}, nullptr, &owner), 1);
    EXPECT_TRUE(AssertionLines().empty());
    EXPECT_EQ(MarshalToStream(stream, object, &owner, 0, 0), E_NOTIMPL);
    EXPECT_EQ(UnmarshalFromStream(stream, GUID{}, nullptr, &owner), E_NOTIMPL);
    EXPECT_EQ(AssertionLines().size(), 2u);
}

TEST(SystemIdentity, MachineSettingsAreWritable) {
    kvxtest::TempFolder folder;
    setenv("KVX_REGISTRY_DIR", folder.Sub("registry/machine").c_str(), 1);
    EXPECT_EQ(IsLocalMachineWritable(), 1);
    setenv("KVX_REGISTRY_DIR", "/proc/kvx-registry", 1);
    EXPECT_EQ(IsLocalMachineWritable(), 0);
}

} // namespace
