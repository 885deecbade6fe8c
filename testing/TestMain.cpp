// The main of every test executable. CTest runs each test case in its own
// process; each process gets its own HOME, XDG folders, registry folder and
// temporary folder, removed again when it ends (set KVX_KEEP_TEST_DIR=1 to
// keep them for a look).

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "testing/TempFolder.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);

    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kvx-test-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    std::string root;
    if (mkdtemp(buf.data())) {
        root = buf.data();
        kvxtest::SetIsolatedEnvironment(root);
        std::filesystem::create_directories(root + "/tmp");
        setenv("TMPDIR", (root + "/tmp").c_str(), 1);
    }

    int result = RUN_ALL_TESTS();

    const char* keep = std::getenv("KVX_KEEP_TEST_DIR");
    if (!root.empty() && !(keep && *keep == '1')) {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
    return result;
}
