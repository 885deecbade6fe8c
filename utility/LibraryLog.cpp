#include "utility/LibraryLog.h"

#include <atomic>

namespace {
// Set once during start-up and then mostly read, from any thread.
std::atomic<CAbstractLog*> g_libraryLog{nullptr};
} // namespace

void SetLibraryLog(CAbstractLog* log) { g_libraryLog.store(log, std::memory_order_release); }

CAbstractLog* GetLibraryLog() { return g_libraryLog.load(std::memory_order_acquire); }

bool SetLibraryLogIfUnset(CAbstractLog* log) {
    CAbstractLog* unset = nullptr;
    return g_libraryLog.compare_exchange_strong(unset, log, std::memory_order_acq_rel);
}
