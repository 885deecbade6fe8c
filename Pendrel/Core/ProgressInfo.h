#pragma once
// One progress report of long-running work (the outside database component
// fills it), passed by pointer and owned by the caller.

#include <cstdint>

#include "utility/BasicString.h"

struct ProgressInfo {
    CBasicString text;  // the name of the item being processed
    int32_t current1 = 0;
    int32_t total1 = 0;
    int32_t current2 = 0;
    int32_t total2 = 0;
    // 1: the text and the first counter pair; 2: the second counter pair.
    int32_t kind = 0;
};
