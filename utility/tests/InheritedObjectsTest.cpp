#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/eventfd.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "utility/Posix/Handle.h"
#include "utility/Posix/ProcessHandle.h"
#include "utility/Posix/ProcessStart.h"
#include "utility/Posix/SharedMemoryBlock.h"
#include "utility/Posix/SystemError.h"

namespace {

// Runs a shell command to its end: its exit code.
DWORD RunShell(const std::string& command, const std::vector<int>& inherited) {
    HANDLE process = StartProcess("/bin/sh", {"sh", "-c", command}, "", inherited);
    if (!process) return 999;
    DWORD code = 999;
    if (WaitForSingleObject(process, 60000) == WAIT_OBJECT_0) GetExitCodeProcess(process, &code);
    CloseHandle(process);
    return code;
}

TEST(InheritedObjects, OnlyTheNamedDescriptorsReachTheChildUnderTheirNumbers) {
    CSharedMemoryBlock given, kept;
    ASSERT_TRUE(given.Create(64));
    ASSERT_TRUE(kept.Create(64));
    const std::string probe = "test -e /proc/self/fd/" + std::to_string(given.Descriptor()) + " && ! test -e /proc/self/fd/" +
                              std::to_string(kept.Descriptor());
    EXPECT_EQ(0u, RunShell(probe, {given.Descriptor()}));
    // Here both stay close-on-exec.
    EXPECT_EQ(FD_CLOEXEC, fcntl(given.Descriptor(), F_GETFD) & FD_CLOEXEC);
    EXPECT_NE(0u, RunShell(probe, {}));
}

TEST(InheritedObjects, TwoMappingsOfABlockShareItsBytes) {
    CSharedMemoryBlock block;
    ASSERT_TRUE(block.Create(4096));
    CSharedMemoryBlock other;
    ASSERT_TRUE(other.Adopt(dup(block.Descriptor()), 4096));
    memcpy(block.Data(), "shared", 7);
    EXPECT_STREQ("shared", static_cast<const char*>(other.Data()));
    EXPECT_TRUE(other.Close());
    EXPECT_EQ(-1, other.Descriptor());

    // A block shorter than asked for is refused; its descriptor stays open.
    int small = memfd_create("small", MFD_CLOEXEC);
    ASSERT_GE(small, 0);
    ASSERT_EQ(0, ftruncate(small, 100));
    EXPECT_FALSE(other.Adopt(small, 4096));
    EXPECT_GE(fcntl(small, F_GETFD), 0);
    close(small);
}

TEST(InheritedObjects, ProcessHandlesOfProcessesThatAreNoChildren) {
    HANDLE self = OpenCurrentProcessHandle();
    ASSERT_NE(nullptr, self);
    EXPECT_EQ((DWORD)WAIT_TIMEOUT, WaitForSingleObject(self, 0));
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(self, &code));
    EXPECT_EQ((DWORD)STILL_ACTIVE, code);
    EXPECT_EQ((DWORD)getpid(), GetProcessId(self));
    EXPECT_TRUE(CloseHandle(self));

    // An event's descriptor is no process descriptor.
    int event = eventfd(0, EFD_CLOEXEC);
    EXPECT_EQ(nullptr, AdoptProcessDescriptor(event));
    EXPECT_EQ((DWORD)ERROR_INVALID_HANDLE, GetLastError());
    close(event);
}

} // namespace
