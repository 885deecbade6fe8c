#pragma once
// Tests that need a program or package from the install script: outside CI
// a missing one skips the test; under CI (CI set and not "false" or "0") it
// fails it, since the install script must have brought it there.
//
//   KVX_SKIP_OR_FAIL_UNLESS(!program.empty(), name << " is not installed");

#include <gtest/gtest.h>

namespace kvxtest {

bool RunningUnderCi();

} // namespace kvxtest

#define KVX_SKIP_OR_FAIL_UNLESS(condition, message)                                      \
    if (condition) {                                                                     \
    } else if (::kvxtest::RunningUnderCi())                                              \
        GTEST_FAIL() << message << " (under CI tools/install-deps.sh must bring it)";    \
    else                                                                                 \
        GTEST_SKIP() << message
