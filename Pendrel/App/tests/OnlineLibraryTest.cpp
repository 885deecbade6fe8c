#include <gtest/gtest.h>

#include "Pendrel/App/OnlineLibrary.h"
#include "testing/TempFolder.h"
#include "utility/AbstractFile.h"
#include "utility/Posix/Modules.h"

namespace {

HMODULE LoadReal() { return LoadDynamicLibrary(kvxtest::Widen(KVX_REAL_SENDRIX).c_str()); }

} // namespace

TEST(OnlineLibrary, WithoutAModuleNothingIsMadeAndNothingIsFreed) {
    for (HMODULE none : {static_cast<HMODULE>(nullptr), reinterpret_cast<HMODULE>(-1)}) {
        COnlineLibrary library;
        library.Reset(none);
        EXPECT_FALSE(library.IsLoaded());
        EXPECT_EQ(library.GetModule(), nullptr);
        EXPECT_FALSE(library.CanCreateHttpFile());
        EXPECT_EQ(library.CreateHttpFile(L"http://127.0.0.1/", nullptr), nullptr);
        library.DeleteHttpFile(nullptr);
    }
}

TEST(OnlineLibrary, TheRealLibraryMakesAndDeletesHttpFilesAndIsFreedOnReset) {
    COnlineLibrary library;
    HMODULE module = LoadReal();
    ASSERT_NE(module, nullptr);
    library.Reset(module);
    ASSERT_TRUE(library.IsLoaded());
    EXPECT_EQ(library.GetModule(), module);
    EXPECT_TRUE(library.CanCreateHttpFile());
    CAbstractFile* file = library.CreateHttpFile(nullptr, nullptr);
    ASSERT_NE(file, nullptr);
    library.DeleteHttpFile(file);
    // The same module again is kept, not freed and taken back.
    library.Reset(module);
    EXPECT_TRUE(library.IsLoaded());
    library.Reset(nullptr);
    EXPECT_FALSE(library.IsLoaded());
}
