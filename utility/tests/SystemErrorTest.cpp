#include <gtest/gtest.h>

#include <cerrno>
#include <thread>

#include "utility/BasicString.h"
#include "utility/Posix/SystemError.h"

namespace {

TEST(SystemError, ErrnoMapsToWindowsNumbers) {
    const struct {
        int err;
        DWORD code;
    } cases[] = {
        {0, 0},          {ENOENT, 2},        {EACCES, 5},   {EPERM, 5},   {EEXIST, 183}, {ENOTEMPTY, 145},
        {ENOSPC, 112},   {ENAMETOOLONG, 206}, {EINVAL, 87}, {EBADF, 6},   {ENOMEM, 8},   {EBUSY, 170},
        {EISDIR, 5},     {ENOTDIR, 3},       {EROFS, 19},   {EMFILE, 4},
        {EIO, 0x20000000u | EIO}, {ECONNREFUSED, 0x20000000u | ECONNREFUSED},
    };
    for (const auto& c : cases) EXPECT_EQ(WinErrorFromErrno(c.err), c.code) << c.err;
}

TEST(SystemError, MessageTexts) {
    EXPECT_STREQ(GetSystemErrorText(ERROR_FILE_NOT_FOUND).GetString(), L"The file was not found.");
    EXPECT_STREQ(GetSystemErrorText(ERROR_ALREADY_EXISTS).GetString(),
                 L"Cannot create a file when that file already exists.");
    // An errno-based code carries the system's own text.
    EXPECT_STREQ(GetSystemErrorText(WinErrorFromErrno(EIO)).GetString(), L"Input/output error");
    EXPECT_TRUE(GetSystemErrorText(99999).IsEmpty());
    EXPECT_TRUE(GetSystemErrorText(0x20000000u | 4000).GetLength() > 0);  // "Unknown error 4000"
}

TEST(SystemError, LastErrorIsPerThread) {
    SetLastError(0);
    EXPECT_EQ(SetLastErrorFromErrno(ENOENT), 2u);
    EXPECT_EQ(GetLastError(), 2u);
    DWORD seenByOther = 1;
    std::thread other([&] {
        seenByOther = GetLastError();
        SetLastError(5);
    });
    other.join();
    EXPECT_EQ(seenByOther, 0u);
    EXPECT_EQ(GetLastError(), 2u);
}

} // namespace
