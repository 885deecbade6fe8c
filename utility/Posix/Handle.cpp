#include "utility/Posix/Handle.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "utility/Posix/SystemError.h"
#include "utility/ProcessWide/HandleTable.h"

namespace {

// How often an object without a descriptor is tried while waiting.
constexpr int kUnpolledIntervalMs = 5;

using Clock = std::chrono::steady_clock;

DWORD Fail(DWORD error) {
    SetLastError(error);
    return WAIT_FAILED;
}

} // namespace

CHandle::~CHandle() = default;

HANDLE NewHandle(CHandle* object) {
    if (!object) return nullptr;
    HANDLE handle = KvxHandles_Insert(object);
    if (!handle) {
        delete object;
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    }
    return handle;
}

CHandle* GetHandleObject(HANDLE handle) {
    CHandle* object = static_cast<CHandle*>(KvxHandles_Find(handle));
    if (!object) SetLastError(ERROR_INVALID_HANDLE);
    return object;
}

bool CHandle::Signal() {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
}

bool CHandle::Unsignal() {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
}

bool CHandle::Release(LONG count, LONG* previousCount) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
}

CProcessHandle* CHandle::AsProcess() { return nullptr; }

BOOL CloseHandle(HANDLE handle) {
    CHandle* object = static_cast<CHandle*>(KvxHandles_Remove(handle));
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    delete object;
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    return WaitForMultipleObjects(1, &handle, FALSE, milliseconds);
}

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds) {
    if (waitAll) return Fail(ERROR_NOT_SUPPORTED);
    if (!handles || count == 0 || count > MAXIMUM_WAIT_OBJECTS) return Fail(ERROR_INVALID_PARAMETER);

    CHandle* objects[MAXIMUM_WAIT_OBJECTS];
    pollfd fds[MAXIMUM_WAIT_OBJECTS];
    bool anyUnpolled = false;
    for (DWORD i = 0; i < count; ++i) {
        objects[i] = GetHandleObject(handles[i]);
        if (!objects[i]) return WAIT_FAILED;
        fds[i] = {objects[i]->PollDescriptor(), POLLIN, 0};
        if (fds[i].fd < 0) anyUnpolled = true;
    }

    const bool forever = milliseconds == INFINITE;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(forever ? 0 : milliseconds);
    // One poll a round: it returns at once when something is signalled
    // already, else sleeps until something may have changed. Objects without
    // a descriptor are tried at once and then at short intervals.
    for (bool first = true;; first = false) {
        int timeout = -1;
        if (!forever) {
            auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
            timeout = (int)std::clamp<long long>(left, 0, 0x7FFFFFFF);
        }
        if (anyUnpolled) timeout = first ? 0 : timeout < 0 ? kUnpolledIntervalMs : std::min(timeout, kUnpolledIntervalMs);
        int ready = poll(fds, count, timeout);
        if (ready < 0 && errno != EINTR) return Fail(SetLastErrorFromErrno(errno));
        if (ready > 0 || anyUnpolled) {
            // What is signalled now, lowest index first.
            for (DWORD i = 0; i < count; ++i) {
                if (ready > 0 && (fds[i].revents & POLLNVAL)) return Fail(ERROR_INVALID_HANDLE);
                bool signalled = fds[i].fd < 0 || (ready > 0 && (fds[i].revents & (POLLIN | POLLHUP | POLLERR)));
                if (signalled && objects[i]->TryAcquire()) return WAIT_OBJECT_0 + i;
            }
        }
        if (!forever && timeout == 0 && Clock::now() >= deadline) return WAIT_TIMEOUT;
    }
}

DWORD SpinWaitForMultipleObjects(DWORD count, const HANDLE* handles, DWORD spinMicroseconds, DWORD milliseconds) {
    const Clock::time_point start = Clock::now();
    const Clock::time_point spinEnd = start + std::chrono::microseconds(spinMicroseconds);
    for (Clock::time_point now = start; now < spinEnd; now = Clock::now()) {
        DWORD result = WaitForMultipleObjects(count, handles, FALSE, 0);
        if (result != WAIT_TIMEOUT) return result;
    }
    if (milliseconds == INFINITE) return WaitForMultipleObjects(count, handles, FALSE, INFINITE);
    const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    return WaitForMultipleObjects(count, handles, FALSE, spent >= (long long)milliseconds ? 0 : milliseconds - (DWORD)spent);
}

int GetHandleDescriptor(HANDLE handle) {
    CHandle* object = GetHandleObject(handle);
    return object ? object->PollDescriptor() : -1;
}
