#include "utility/Posix/BasicSemaphore.h"

#include "utility/ErrorReport.h"
#include "utility/Posix/Handle.h"
#include "utility/Posix/SemaphoreHandle.h"

namespace {
const char kSourceFile[] = ".\\Windows\\BasicWinSync";
constexpr int kLineNotSupported = 199;
} // namespace

CBasicSemaphore::CBasicSemaphore(int initialCount, int maximumCount, const wchar_t* name)
    : m_handle(CreateSemaphoreHandle(initialCount, maximumCount, name)) {}

CBasicSemaphore::~CBasicSemaphore() {
    if (m_handle) CloseHandle(m_handle);
}

DWORD CBasicSemaphore::Lock(DWORD milliseconds) {
    if (!m_handle) return WAIT_FAILED;
    return WaitForSingleObject(m_handle, milliseconds);
}

std::pair<int, int> CBasicSemaphore::LockAny(CAbstractSync** others, int count, DWORD milliseconds) {
    if (!m_handle || count < 0 || count >= MAXIMUM_WAIT_OBJECTS || (count > 0 && !others)) return {-1, -1};
    HANDLE handles[MAXIMUM_WAIT_OBJECTS];
    handles[0] = m_handle;
    for (int i = 0; i < count; ++i) {
        if (!others[i]) return {-1, -1};
        handles[i + 1] = others[i]->GetHandle();
    }
    DWORD result = WaitForMultipleObjects((DWORD)count + 1, handles, FALSE, milliseconds);
    if (result == WAIT_TIMEOUT) return {-1, 0};
    if (result == WAIT_OBJECT_0) return {-1, 1};
    if (result > WAIT_OBJECT_0 && result <= WAIT_OBJECT_0 + (DWORD)count) return {(int)(result - WAIT_OBJECT_0), 2};
    return {-1, -1};
}

int CBasicSemaphore::NotSupported(DWORD first, DWORD second) {
    ReportAssertion(0, kSourceFile, kLineNotSupported);
    return 0;
}

int CBasicSemaphore::Unlock() {
    if (m_handle) ReleaseSemaphore(m_handle, 1, nullptr);
    return 0;
}

HANDLE CBasicSemaphore::GetHandle() { return m_handle; }
