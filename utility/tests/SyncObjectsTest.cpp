#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "ReportCapture.h"
#include "testing/TempFolder.h"
#include "utility/Posix/BasicEvent.h"
#include "utility/Posix/BasicSemaphore.h"
#include "utility/Posix/EventHandle.h"
#include "utility/Posix/Handle.h"
#include "utility/Posix/LockFileSemaphore.h"
#include "utility/Posix/ProcessHandle.h"
#include "utility/Posix/SemaphoreHandle.h"
#include "utility/Posix/Shell.h"
#include "utility/Posix/SystemError.h"

namespace {

using LockResult = std::pair<int, int>;

// A semaphore name of its own for each test, whose lock file is removed
// afterwards.
class NamedSemaphoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_name = L"KvxTest-" + std::to_wstring(getpid()) + L"-" +
                 kvxtest::Widen(::testing::UnitTest::GetInstance()->current_test_info()->name());
        m_lockFile = LockFilePathOfName(m_name.c_str());
    }
    void TearDown() override { unlink(m_lockFile.c_str()); }

    std::wstring m_name;
    std::string m_lockFile;
};

char ReadByte(int fd) {
    char c = 0;
    return read(fd, &c, 1) == 1 ? c : 0;
}

int WaitForChild(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST_F(NamedSemaphoreTest, ForkedProcessesExcludeEachOther) {
    kvxtest::TempFolder folder;
    const std::string counter = folder.WriteFile("counter", std::string(sizeof(int), '\0'));
    const std::string inside = folder.Sub("inside");
    const int rounds = 150;

    auto work = [&]() -> int {
        CBasicSemaphore semaphore(1, 1, m_name.c_str());
        for (int i = 0; i < rounds; ++i) {
            if (semaphore.Lock(INFINITE) != WAIT_OBJECT_0) return 2;
            // Nobody else may be inside now.
            int marker = open(inside.c_str(), O_CREAT | O_EXCL | O_WRONLY, 0600);
            if (marker < 0) return 3;
            close(marker);
            int fd = open(counter.c_str(), O_RDWR);
            int value = 0;
            if (pread(fd, &value, sizeof(value), 0) != (ssize_t)sizeof(value)) return 4;
            ++value;
            if (pwrite(fd, &value, sizeof(value), 0) != (ssize_t)sizeof(value)) return 4;
            close(fd);
            unlink(inside.c_str());
            semaphore.Unlock();
        }
        return 0;
    };

    pid_t children[2];
    for (pid_t& child : children) {
        child = fork();
        if (child == 0) _exit(work());
    }
    for (pid_t child : children) EXPECT_EQ(WaitForChild(child), 0);
    std::string bytes = kvxtest::TempFolder::ReadFile(counter);
    int value = 0;
    memcpy(&value, bytes.data(), sizeof(value));
    EXPECT_EQ(value, 2 * rounds);
}

TEST_F(NamedSemaphoreTest, KilledHolderLeavesItFree) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t holder = fork();
    if (holder == 0) {
        CBasicSemaphore semaphore(1, 1, m_name.c_str());
        char state = semaphore.Lock(INFINITE) == WAIT_OBJECT_0 ? 'L' : 'F';
        if (write(ready[1], &state, 1) != 1) _exit(1);
        for (;;) pause();
    }
    ASSERT_EQ(ReadByte(ready[0]), 'L');

    CBasicSemaphore semaphore(1, 1, m_name.c_str());
    ASSERT_NE(semaphore.GetHandle(), nullptr);
    EXPECT_EQ(semaphore.Lock(0), WAIT_TIMEOUT);
    EXPECT_EQ(semaphore.Lock(30), WAIT_TIMEOUT);

    kill(holder, SIGKILL);
    EXPECT_EQ(WaitForChild(holder), 128 + SIGKILL);
    EXPECT_EQ(semaphore.Lock(60000), WAIT_OBJECT_0);
    EXPECT_EQ(semaphore.Unlock(), 0);
    close(ready[0]);
    close(ready[1]);
}

TEST_F(NamedSemaphoreTest, EachHandleIsOneHolder) {
    CBasicSemaphore first(1, 1, m_name.c_str());
    CBasicSemaphore second(1, 1, m_name.c_str());
    ASSERT_EQ(first.Lock(0), WAIT_OBJECT_0);
    // Not a second time, neither through the same handle nor another one.
    EXPECT_EQ(first.Lock(0), WAIT_TIMEOUT);
    EXPECT_EQ(second.Lock(10), WAIT_TIMEOUT);
    // Only the holder releases.
    EXPECT_FALSE(ReleaseSemaphore(second.GetHandle(), 1, nullptr));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_TOO_MANY_POSTS);
    EXPECT_EQ(first.Unlock(), 0);
    EXPECT_EQ(second.Lock(0), WAIT_OBJECT_0);
    // At its maximum: the release fails quietly.
    EXPECT_EQ(first.Unlock(), 0);
    EXPECT_EQ(first.Lock(0), WAIT_TIMEOUT);
    second.Unlock();

    // Made with count 0, the new handle holds it.
    CBasicSemaphore taken(0, 1, m_name.c_str());
    EXPECT_EQ(first.Lock(0), WAIT_TIMEOUT);
    taken.Unlock();
    EXPECT_EQ(first.Lock(0), WAIT_OBJECT_0);
    first.Unlock();
}

TEST_F(NamedSemaphoreTest, LockFileIsOpenToEveryUserAndNeverALink) {
    {
        CBasicSemaphore semaphore(1, 1, m_name.c_str());
        ASSERT_NE(semaphore.GetHandle(), nullptr);
    }
    struct stat st;
    ASSERT_EQ(lstat(m_lockFile.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0666u);

    kvxtest::TempFolder folder;
    std::string target = folder.WriteFile("target", "x");
    unlink(m_lockFile.c_str());
    ASSERT_EQ(symlink(target.c_str(), m_lockFile.c_str()), 0);
    CBasicSemaphore refused(1, 1, m_name.c_str());
    EXPECT_EQ(refused.GetHandle(), nullptr);
    EXPECT_EQ(refused.Lock(0), WAIT_FAILED);
}

TEST(Semaphore, CountsUpToItsMaximum) {
    CBasicSemaphore semaphore(0, 2, nullptr);
    EXPECT_EQ(semaphore.Lock(0), WAIT_TIMEOUT);
    LONG previous = -1;
    EXPECT_TRUE(ReleaseSemaphore(semaphore.GetHandle(), 2, &previous));
    EXPECT_EQ(previous, 0);
    EXPECT_FALSE(ReleaseSemaphore(semaphore.GetHandle(), 1, &previous));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_TOO_MANY_POSTS);
    EXPECT_EQ(semaphore.Unlock(), 0);  // at the maximum: no effect, no failure
    EXPECT_EQ(semaphore.Lock(0), WAIT_OBJECT_0);
    EXPECT_EQ(semaphore.Lock(0), WAIT_OBJECT_0);
    EXPECT_EQ(semaphore.Lock(0), WAIT_TIMEOUT);
    EXPECT_TRUE(ReleaseSemaphore(semaphore.GetHandle(), 1, &previous));
    EXPECT_EQ(previous, 0);

    EXPECT_EQ(CreateSemaphoreHandle(3, 2, nullptr), nullptr);
    EXPECT_EQ(CreateSemaphoreHandle(0, 0, L""), nullptr);
}

TEST(Semaphore, WaitingThreadIsReleased) {
    CBasicSemaphore semaphore(0, 1, L"");
    std::atomic<DWORD> result{0xDEAD};
    std::thread waiter([&] { result = semaphore.Lock(INFINITE); });
    semaphore.Unlock();
    waiter.join();
    EXPECT_EQ(result.load(), WAIT_OBJECT_0);
    EXPECT_EQ(semaphore.Lock(0), WAIT_TIMEOUT);
}

TEST(Semaphore, OneCountGoesToOneOfManyWaiters) {
    CBasicSemaphore semaphore(0, 10, nullptr);
    std::atomic<int> taken{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 4; ++i)
        waiters.emplace_back([&] {
            if (semaphore.Lock(300) == WAIT_OBJECT_0) ++taken;
        });
    semaphore.Unlock();
    semaphore.Unlock();
    for (std::thread& t : waiters) t.join();
    EXPECT_EQ(taken.load(), 2);
}

TEST(Semaphore, LockAnyResults) {
    CBasicSemaphore semaphore(0, 1, nullptr);
    CBasicEvent manual(0, 1, nullptr), automatic(1, 0, nullptr);
    CAbstractSync* others[] = {&manual, &automatic};

    EXPECT_EQ(semaphore.LockAny(nullptr, 0, 20), LockResult(-1, 0));
    EXPECT_EQ(semaphore.LockAny(others, 2, 0), LockResult(2, 2));
    // The automatic event let one waiter through and is clear again.
    EXPECT_EQ(semaphore.LockAny(others, 2, 0), LockResult(-1, 0));
    manual.Unlock();
    EXPECT_EQ(semaphore.LockAny(others, 2, 0), LockResult(1, 2));
    // The lowest signalled index wins: the semaphore itself.
    semaphore.Unlock();
    EXPECT_EQ(semaphore.LockAny(others, 2, 0), LockResult(-1, 1));
    EXPECT_EQ(semaphore.LockAny(others, 2, 0), LockResult(1, 2));

    CBasicEvent broken(0, 1, L"NamedEvent");
    CAbstractSync* withBroken[] = {&broken};
    EXPECT_EQ(semaphore.LockAny(withBroken, 1, 0), LockResult(-1, -1));
    EXPECT_EQ(semaphore.LockAny(nullptr, 1, 0), LockResult(-1, -1));
    EXPECT_EQ(semaphore.LockAny(others, MAXIMUM_WAIT_OBJECTS, 0), LockResult(-1, -1));
}

TEST(Semaphore, WithoutHandleEverythingFails) {
    // Named semaphores above a maximum of 1 are not available.
    CBasicSemaphore semaphore(1, 2, L"KvxTestWide");
    EXPECT_EQ(semaphore.GetHandle(), nullptr);
    EXPECT_EQ(semaphore.Lock(0), WAIT_FAILED);
    EXPECT_EQ(semaphore.Lock(INFINITE), WAIT_FAILED);
    EXPECT_EQ(semaphore.LockAny(nullptr, 0, 0), LockResult(-1, -1));
    EXPECT_EQ(semaphore.Unlock(), 0);
}

class SyncReports : public ReportCapture {};

TEST_F(SyncReports, NotSupportedReportsOnlyForTheSemaphore) {
    CBasicSemaphore semaphore(1, 1, nullptr);
    CBasicEvent event(0, 0, nullptr);
    EXPECT_EQ(semaphore.NotSupported(1, 2), 0);
    EXPECT_EQ(event.NotSupported(1, 2), 0);
    EXPECT_EQ(AssertionLines(), std::vector<int>{199});
    EXPECT_EQ(m_log.Entries()[0].sourceFile, L".\\Windows\\BasicWinSync");
}

TEST(Event, ResetModes) {
    HANDLE manual = CreateEventHandle(TRUE, FALSE);
    HANDLE automatic = CreateEventHandle(FALSE, TRUE);
    ASSERT_TRUE(manual && automatic);

    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_TIMEOUT);
    EXPECT_TRUE(SetEvent(manual));
    EXPECT_TRUE(SetEvent(manual));
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(ResetEvent(manual));
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_TIMEOUT);

    // Set twice, it still lets one waiter through.
    EXPECT_TRUE(SetEvent(automatic));
    EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(automatic, 10), WAIT_TIMEOUT);

    HANDLE both[] = {manual, automatic};
    SetEvent(automatic);
    EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 0), WAIT_OBJECT_0 + 1);
    EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_NOT_SUPPORTED);

    EXPECT_TRUE(CloseHandle(manual));
    EXPECT_TRUE(CloseHandle(automatic));
}

TEST(Event, TakeResetsAndTellsWhetherItWasSignalled) {
    HANDLE manual = CreateEventHandle(TRUE, TRUE);
    HANDLE automatic = CreateEventHandle(FALSE, FALSE);
    ASSERT_TRUE(manual && automatic);
    EXPECT_TRUE(TakeEvent(manual));
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_TIMEOUT);
    EXPECT_FALSE(TakeEvent(manual));
    SetEvent(automatic);
    SetEvent(automatic);
    EXPECT_TRUE(TakeEvent(automatic));
    EXPECT_FALSE(TakeEvent(automatic));
    // Nothing else is an event.
    EXPECT_FALSE(TakeEvent(nullptr));
    HANDLE semaphore = CreateSemaphoreHandle(1, 1, nullptr);
    ASSERT_TRUE(semaphore);
    EXPECT_FALSE(TakeEvent(semaphore));
    EXPECT_EQ(WaitForSingleObject(semaphore, 0), WAIT_OBJECT_0);
    for (HANDLE handle : {manual, automatic, semaphore}) CloseHandle(handle);
}

TEST(Event, SpinWaitEndsOnASignalDuringOrAfterTheSpinOrOnTime) {
    HANDLE first = CreateEventHandle(TRUE, FALSE);
    HANDLE second = CreateEventHandle(FALSE, FALSE);
    ASSERT_TRUE(first && second);
    HANDLE both[] = {first, second};
    EXPECT_EQ(SpinWaitForMultipleObjects(2, both, 200, 20), WAIT_TIMEOUT);
    SetEvent(second);
    EXPECT_EQ(SpinWaitForMultipleObjects(2, both, 200, 0), WAIT_OBJECT_0 + 1);
    // Set while the waiter spins, and once it sleeps.
    for (int delayMs : {0, 30}) {
        std::thread setter([first, delayMs] {
            std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
            SetEvent(first);
        });
        EXPECT_EQ(SpinWaitForMultipleObjects(2, both, delayMs ? 100 : 1000000, INFINITE), WAIT_OBJECT_0) << delayMs;
        setter.join();
        ResetEvent(first);
    }
    CloseHandle(first);
    CloseHandle(second);
}

TEST(Event, SetFromAnotherThreadWakesTheWaiter) {
    HANDLE event = CreateEventHandle(FALSE, FALSE);
    std::thread setter([event] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        SetEvent(event);
    });
    EXPECT_EQ(WaitForSingleObject(event, INFINITE), WAIT_OBJECT_0);
    setter.join();
    CloseHandle(event);
}

TEST(Event, SharedWithAChildProcess) {
    HANDLE toChild = CreateEventHandle(FALSE, FALSE);
    HANDLE toParent = CreateEventHandle(TRUE, FALSE);
    int childEnd = GetHandleDescriptor(toChild), parentEnd = GetHandleDescriptor(toParent);
    pid_t child = fork();
    if (child == 0) {
        HANDLE in = AdoptEventDescriptor(dup(childEnd), FALSE);
        HANDLE out = AdoptEventDescriptor(dup(parentEnd), TRUE);
        bool ok = WaitForSingleObject(in, 60000) == WAIT_OBJECT_0 && SetEvent(out);
        _exit(ok ? 0 : 1);
    }
    SetEvent(toChild);
    EXPECT_EQ(WaitForSingleObject(toParent, 60000), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForChild(child), 0);
    CloseHandle(toChild);
    CloseHandle(toParent);
}

TEST(Event, BasicEventLockClearsUnlockSets) {
    CBasicEvent event(1, 1, nullptr);
    ASSERT_NE(event.GetHandle(), nullptr);
    EXPECT_EQ(WaitForSingleObject(event.GetHandle(), 0), WAIT_OBJECT_0);
    EXPECT_EQ(event.Lock(INFINITE), 1u);  // clears at once, never waits
    EXPECT_EQ(WaitForSingleObject(event.GetHandle(), 0), WAIT_TIMEOUT);
    EXPECT_EQ(event.Unlock(), 1);
    EXPECT_EQ(WaitForSingleObject(event.GetHandle(), 0), WAIT_OBJECT_0);
    EXPECT_EQ(event.LockAny(nullptr, 0, 0), LockResult(-1, -1));

    CBasicEvent named(0, 1, L"Name");
    EXPECT_EQ(named.GetHandle(), nullptr);
    EXPECT_EQ(named.Lock(0), 0u);
    EXPECT_EQ(named.Unlock(), 0);
}

TEST(Handle, InvalidHandlesFail) {
    EXPECT_EQ(WaitForSingleObject(nullptr, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
    EXPECT_EQ(WaitForSingleObject(INVALID_HANDLE_VALUE, 0), WAIT_FAILED);
    EXPECT_FALSE(CloseHandle(nullptr));
    EXPECT_FALSE(SetEvent(nullptr));
    HANDLE semaphore = CreateSemaphoreHandle(1, 1, nullptr);
    EXPECT_FALSE(SetEvent(semaphore));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
    EXPECT_EQ(WaitForMultipleObjects(0, &semaphore, FALSE, 0), WAIT_FAILED);
    EXPECT_EQ(WaitForMultipleObjects(MAXIMUM_WAIT_OBJECTS + 1, &semaphore, FALSE, 0), WAIT_FAILED);
    CloseHandle(semaphore);
}

// A handle is a number in the handle table, not the object's address: once
// closed it names nothing, and a second close or any use fails instead of
// reaching a freed object.
TEST(Handle, ClosedHandleIsInvalidForEveryKind) {
    struct Kind {
        const char* name;
        HANDLE (*create)();
    };
    const Kind kinds[] = {
        {"event", [] { return CreateEventHandle(TRUE, TRUE); }},
        {"semaphore", [] { return CreateSemaphoreHandle(1, 1, nullptr); }},
        {"process", [] { return OpenCurrentProcessHandle(); }},
    };
    for (const Kind& kind : kinds) {
        SCOPED_TRACE(kind.name);
        HANDLE handle = kind.create();
        ASSERT_NE(handle, nullptr);
        ASSERT_NE(GetHandleObject(handle), nullptr);
        EXPECT_TRUE(CloseHandle(handle));

        SetLastError(ERROR_SUCCESS);
        EXPECT_FALSE(CloseHandle(handle));
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
        SetLastError(ERROR_SUCCESS);
        EXPECT_EQ(WaitForSingleObject(handle, 0), WAIT_FAILED);
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
        EXPECT_EQ(GetHandleDescriptor(handle), -1);
    }
    // A new handle never takes the number of a closed one.
    HANDLE first = CreateEventHandle(TRUE, FALSE);
    ASSERT_TRUE(CloseHandle(first));
    HANDLE second = CreateEventHandle(TRUE, FALSE);
    EXPECT_NE(second, first);
    EXPECT_FALSE(SetEvent(first));
    EXPECT_TRUE(CloseHandle(second));
}

TEST(Handle, UnknownHandleIsInvalid) {
    // The address of an object is no handle, and neither is a made-up number.
    int object = 0;
    HANDLE unknown[] = {&object, (HANDLE)(uintptr_t)0x4, (HANDLE)(uintptr_t)0x7FFFFFFC};
    for (HANDLE handle : unknown) {
        SetLastError(ERROR_SUCCESS);
        EXPECT_FALSE(CloseHandle(handle));
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
        EXPECT_FALSE(SetEvent(handle));
        EXPECT_EQ(WaitForSingleObject(handle, 0), WAIT_FAILED);
    }
}

TEST(Handle, FactoriesMakeWorkingObjects) {
    CBasicSemaphore* semaphore = CreateBasicSemaphore(1, 1, nullptr);
    CBasicEvent* event = CreateBasicEvent(0, 1, nullptr);
    ASSERT_TRUE(semaphore && event);
    EXPECT_EQ(semaphore->Lock(0), WAIT_OBJECT_0);
    EXPECT_EQ(event->Unlock(), 1);
    CAbstractSync* objects[] = {semaphore, event};
    for (CAbstractSync* object : objects) delete object;
}

} // namespace
