#include <gtest/gtest.h>

#include <QTest>

#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "Pendrel/Platform/KVXLauncher.h"
#include "testing/TempFolder.h"

namespace {

// A downloaded installer: a script that leaves a mark where it ran.
TEST(Launcher, StartsAnInstallerDetachedAfterMakingItExecutableByItsOwnerOnly) {
    kvxtest::TempFolder folder;
    const std::string mark = folder.Sub("ran");
    const std::string installer = folder.WriteFile("setup", "#!/bin/sh\necho \"$#\" > '" + mark + "'\n");
    ASSERT_EQ(chmod(installer.c_str(), 0666), 0);

    EXPECT_TRUE(KVXLaunchInstaller(kvxtest::Widen(installer).c_str()));
    struct stat status = {};
    ASSERT_EQ(stat(installer.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            std::error_code error;
            return std::filesystem::file_size(mark, error) == 2;
        },
        60000));
    EXPECT_EQ(kvxtest::TempFolder::ReadFile(mark), "0\n");

    EXPECT_FALSE(KVXLaunchInstaller(kvxtest::Widen(folder.Sub("missing")).c_str()));
    EXPECT_FALSE(KVXLaunchInstaller(L""));
    EXPECT_FALSE(KVXLaunchInstaller(nullptr));
}

TEST(Launcher, AHandlerAnswersInsteadOfTheLauncher) {
    std::vector<std::pair<std::wstring, KVX_LAUNCH_KIND>> calls;
    KVXSetLauncherHandler([&](const CBasicString& path, KVX_LAUNCH_KIND kind) {
        calls.emplace_back(path.GetString(), kind);
        return kind == KVX_LAUNCH_INSTALLER ? TRUE : FALSE;
    });
    EXPECT_TRUE(KVXLaunchInstaller(L"/nowhere/setup"));
    EXPECT_FALSE(KVXOpenFile(L"/nowhere/list.txt"));
    EXPECT_FALSE(KVXOpenFile(nullptr));
    KVXSetLauncherHandler(nullptr);
    EXPECT_EQ(calls, (std::vector<std::pair<std::wstring, KVX_LAUNCH_KIND>>{
                         {L"/nowhere/setup", KVX_LAUNCH_INSTALLER}, {L"/nowhere/list.txt", KVX_LAUNCH_OPEN_FILE}}));
    // Without the handler a missing file is refused again.
    EXPECT_FALSE(KVXLaunchInstaller(L"/nowhere/setup"));
}

} // namespace
