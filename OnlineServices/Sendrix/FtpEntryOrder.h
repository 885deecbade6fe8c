#pragma once
// The order in which remote finders serve the entries of a listing:
// folders first, then the names in natural order (runs of digits compare by
// their value, the rest without regard to case, so "track9" comes before
// "track10"); names that still tie are told apart by their spelling. A
// strict weak order in which only identical names of the same kind are
// equal, so no entry of a listing hides another.

#include "utility/BasicFileFindInfo.h"

// < 0, 0 or > 0 between two names in natural order.
int CompareNaturalNames(const wchar_t* a, const wchar_t* b);

struct FtpEntryOrder {
    bool operator()(const CBasicFileFindInfo& a, const CBasicFileFindInfo& b) const;
};
