#pragma once
// An event, unnamed (named events are not available and leave the handle
// null). Lock clears it and Unlock sets it.

#include "utility/AbstractSync.h"

class CBasicEvent : public CAbstractSync {
public:
    CBasicEvent(int initialState, int manualReset, const wchar_t* name);
    ~CBasicEvent() override;
    CBasicEvent(const CBasicEvent&) = delete;
    CBasicEvent& operator=(const CBasicEvent&) = delete;

    // Clears the event (the time is not used): 1, or 0 when that fails.
    DWORD Lock(DWORD milliseconds) override;
    // (-1, -1): an event waits for nothing else.
    std::pair<int, int> LockAny(CAbstractSync** others, int count, DWORD milliseconds) override;
    int NotSupported(DWORD first, DWORD second) override;
    // Sets the event: 1, or 0 when that fails.
    int Unlock() override;
    HANDLE GetHandle() override;

private:
    HANDLE m_handle;
};
