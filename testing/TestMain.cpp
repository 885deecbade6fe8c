// The main of every test executable. CTest runs each test case in its own
// process; each process gets its own HOME, XDG folders, registry folder and
// temporary folder (IsolatedRun.h).

#include <gtest/gtest.h>

#include "testing/IsolatedRun.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    return kvxtest::RunInIsolatedEnvironment([] { return RUN_ALL_TESTS(); });
}
