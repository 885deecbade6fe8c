#include "utility/ProcessWide/LastError.h"

extern "C" DWORD* KvxLastError_Slot() {
    static thread_local DWORD lastError = 0;
    return &lastError;
}
