#pragma once
// The merge of two copies of the vocabulary lists, list by list and entry
// by entry, so that what either computer changed survives:
// - a list or entry known to one copy only is taken as it is;
// - of a list in both, the name, texts and flags of the later change are
//   taken, and its entries are merged one by one;
// - of an entry in both, the status count and dates of the later change
//   are taken (the time of change orders them, never the day dates);
// - a removal wins over what was changed before it and loses to what was
//   changed after it: a list removed on one computer stays removed unless
//   the other changed it, or one of its entries, later.
// Equal times are decided by the values, so that both orders of merging
// give the same copy.

#include "SyncCopy.h"

// The merge of first and second: the lists in first's order, then
// second's others. Its version is the larger of theirs.
SyncCopy MergeSyncCopies(const SyncCopy& first, const SyncCopy& second);
