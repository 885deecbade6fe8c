#pragma once
// Reading a recording log back in the online tests.

#include <string>
#include <vector>

#include "testing/RecordingLog.h"

namespace sendrixtest {

// The codes of the events of a category, in order.
std::vector<int> EventCodes(const kvxtest::RecordingLog& log, const std::wstring& category);

// How many "Assert Failed!!!" reports the log holds.
int AssertionCount(const kvxtest::RecordingLog& log);

// Defines the socket events with the format "(%d) %s", so their text shows
// the socket error number and its text.
void DefineSocketEvents(kvxtest::RecordingLog& log);

// The texts of the LogFormat entries, in order.
std::vector<std::wstring> FormattedTexts(const kvxtest::RecordingLog& log);

} // namespace sendrixtest
