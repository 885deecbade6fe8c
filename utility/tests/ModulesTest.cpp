#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
#include <string>

#include "testing/TempFolder.h"
#include "utility/Posix/Modules.h"
#include "utility/Posix/SystemError.h"
#include "utility/StringTable.h"

namespace {

using kvxtest::Narrow;
using kvxtest::TempFolder;
using kvxtest::Widen;

std::string ProgramFile() {
    char path[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", path, sizeof(path) - 1);
    return n > 0 ? std::string(path, (size_t)n) : std::string();
}

std::string ProgramFolder() {
    std::string file = ProgramFile();
    return file.substr(0, file.rfind('/') + 1);
}

TEST(ModulePath, ProgramAndItsFolder) {
    EXPECT_EQ(Narrow(GetModulePath(nullptr).GetString()), ProgramFile());
    EXPECT_EQ(Narrow(GetModulePath(GetCurrentModuleHandle()).GetString()), ProgramFile());
    EXPECT_EQ(Narrow(GetProgramFolder().GetString()), ProgramFolder());
    int local = 0;
    EXPECT_TRUE(GetModulePath(&local).IsEmpty());  // the stack belongs to no module
}

TEST(ModuleVersion, MarkerOfEveryBinary) {
    VersionNumber number = {9, 9, 9, 9};
    EXPECT_STREQ(GetModuleVersionText(nullptr, &number).GetString(), KVX_TEST_VERSION_TEXT);
    CBasicString text;
    text.Format(L"%d.%d.%d.%d", number.major, number.minor, number.build, number.revision);
    EXPECT_STREQ(text.GetString(), KVX_TEST_VERSION_TEXT);

    WORD parts[4] = {};
    EXPECT_STREQ(GetFileVersion(Widen(ProgramFolder() + "kvx_test_child").c_str(), parts).GetString(),
                 KVX_TEST_VERSION_TEXT);
    EXPECT_EQ(parts[0], number.major);
    EXPECT_EQ(parts[3], number.revision);
    EXPECT_STREQ(GetFileVersionText(Widen(ProgramFolder() + "libkvx_test_sink_a.so").c_str()).GetString(),
                 KVX_TEST_VERSION_TEXT);
}

TEST(ModuleVersion, FilesWithoutMarker) {
    TempFolder folder;
    std::string program = TempFolder::ReadFile(ProgramFile());
    const std::string files[] = {
        folder.WriteFile("plain.txt", "KVXVERSION\x01\x00\x02\x00\x03\x00\x04\x00"),
        folder.WriteFile("truncated", program.substr(0, 200)),
        folder.WriteFile("empty", ""),
        folder.Sub("missing"),
        folder.Path(),
    };
    for (const std::string& file : files) {
        VersionNumber number = {1, 2, 3, 4};
        WORD parts[4] = {5, 6, 7, 8};
        EXPECT_STREQ(GetModuleVersionText(Widen(file).c_str(), &number).GetString(), L"0.0.0.0") << file;
        EXPECT_EQ(number.major + number.minor + number.build + number.revision, 0);
        EXPECT_STREQ(GetFileVersion(Widen(file).c_str(), parts).GetString(), L"0.0.0.0");
        EXPECT_EQ(parts[0] + parts[1] + parts[2] + parts[3], 0);
    }
}

TEST(ModuleLoading, LibraryOfTheProgramFolder) {
    // The system's module name maps onto the library beside the program.
    HMODULE module = LoadDynamicLibrary(L"kvx_test_sink_a.dll");
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(Narrow(GetModulePath(module).GetString()), ProgramFolder() + "libkvx_test_sink_a.so");
    EXPECT_EQ(IsSameModuleVersion(nullptr, module), 1);

    // The handle is the one the module knows itself by.
    auto handle = (HINSTANCE(*)())GetLibraryFunction(module, "SinkModuleHandle");
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(handle(), module);
    EXPECT_EQ(GetLibraryFunction(module, "NoSuchFunction"), nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_PROC_NOT_FOUND);

    EXPECT_EQ(LoadDynamicLibrary(L"libkvx_test_sink_a.so"), module);
    EXPECT_TRUE(FreeDynamicLibrary(module));
    EXPECT_TRUE(FreeDynamicLibrary(module));
    // Unloaded now: the handle names no module any more.
    EXPECT_FALSE(FreeDynamicLibrary(module));

    EXPECT_EQ(LoadDynamicLibrary(L"NoSuchLibrary.dll"), nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_MOD_NOT_FOUND);
    EXPECT_EQ(LoadDynamicLibrary(nullptr), nullptr);
    EXPECT_FALSE(FreeDynamicLibrary(nullptr));
    EXPECT_FALSE(FreeDynamicLibrary(GetCurrentModuleHandle()));
}

TEST(ModuleLoading, LinuxNamesOfModules) {
    const struct {
        const char* name;
        const char* linuxName;
    } cases[] = {
        {"Sendrix.dll", "libSendrix.so"},     {"/opt/x/DataBase.DLL", "/opt/x/libDataBase.so"},
        {"SFtp.exe", "SFtp"},                 {"dir/Tool.EXE", "dir/Tool"},
        {"libz.so.1", "libz.so.1"},           {".dll", ".dll"},
        {"plugin.dll.bak", "plugin.dll.bak"}, {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(LinuxModuleFileName(c.name), c.linuxName) << c.name;
}

} // namespace
