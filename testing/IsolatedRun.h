#pragma once
// Runs the tests of one process in an isolated environment: a fresh root
// folder with its own HOME, XDG folders, registry folder and temporary
// folder, removed again when run returns (set KVX_KEEP_TEST_DIR=1 to keep
// it for a look). The result is run's.

#include <functional>

namespace kvxtest {

int RunInIsolatedEnvironment(const std::function<int()>& run);

} // namespace kvxtest
