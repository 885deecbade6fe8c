#include "utility/Posix/BasicEvent.h"

#include "utility/Posix/EventHandle.h"
#include "utility/Posix/SystemError.h"

namespace {

HANDLE MakeEvent(int initialState, int manualReset, const wchar_t* name) {
    if (name && *name) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    return CreateEventHandle(manualReset, initialState);
}

} // namespace

CBasicEvent::CBasicEvent(int initialState, int manualReset, const wchar_t* name)
    : m_handle(MakeEvent(initialState, manualReset, name)) {}

CBasicEvent::~CBasicEvent() {
    if (m_handle) CloseHandle(m_handle);
}

DWORD CBasicEvent::Lock(DWORD milliseconds) { return (DWORD)ResetEvent(m_handle); }

std::pair<int, int> CBasicEvent::LockAny(CAbstractSync** others, int count, DWORD milliseconds) { return {-1, -1}; }

int CBasicEvent::NotSupported(DWORD first, DWORD second) { return 0; }

int CBasicEvent::Unlock() { return SetEvent(m_handle); }

HANDLE CBasicEvent::GetHandle() { return m_handle; }
