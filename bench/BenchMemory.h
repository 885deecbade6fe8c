#pragma once
// Big blocks come from the heap and freed ones stay there: code that builds
// its result in a new block then reuses memory already mapped instead of
// paying a page fault for every 4 KiB, which on a loaded machine measures the
// kernel rather than the code. Called at the start of a benchmark program,
// so it applies to both sides of every comparison.

#include <malloc.h>

inline void KVXKeepFreedMemory() {
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
}
