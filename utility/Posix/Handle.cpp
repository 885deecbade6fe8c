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
    for (;;) {
        // What is signalled now, lowest index first.
        if (poll(fds, count, 0) < 0 && errno != EINTR) return Fail(SetLastErrorFromErrno(errno));
        for (DWORD i = 0; i < count; ++i) {
            if (fds[i].revents & POLLNVAL) return Fail(ERROR_INVALID_HANDLE);
            bool ready = fds[i].fd < 0 || (fds[i].revents & (POLLIN | POLLHUP | POLLERR));
            if (ready && objects[i]->TryAcquire()) return WAIT_OBJECT_0 + i;
        }

        int timeout = -1;
        if (!forever) {
            auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0) return WAIT_TIMEOUT;
            timeout = (int)std::min<long long>(left, 0x7FFFFFFF);
        }
        if (anyUnpolled) timeout = timeout < 0 ? kUnpolledIntervalMs : std::min(timeout, kUnpolledIntervalMs);
        // Sleeps until something may have changed; the next round decides.
        if (poll(fds, count, timeout) < 0 && errno != EINTR) return Fail(SetLastErrorFromErrno(errno));
    }
}

int GetHandleDescriptor(HANDLE handle) {
    CHandle* object = GetHandleObject(handle);
    return object ? object->PollDescriptor() : -1;
}
