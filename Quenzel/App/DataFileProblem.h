#pragma once
// What the user is told when the data file does not open at start: the
// reason (read-only, damaged, folder not accessible, ...) from the result
// of the database component's Open and the state of the data folder.

#include "utility/BasicString.h"

// The message for a failed Open of dataFilePath (openResult is not 0).
CBasicString DescribeDataFileProblem(int openResult, const CBasicString& dataFilePath);
