#pragma once
// The texts the progress dialog shows for a report.

#include "utility/BasicString.h"

// A counter pair as "current / total", each at least two digits ("03 / 12",
// "125 / 200").
CBasicString FormatProgressPair(int current, int total);
