#include "testing/IsolatedRun.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "testing/TempFolder.h"

namespace kvxtest {

int RunInIsolatedEnvironment(const std::function<int()>& run) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kvx-test-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    std::string root;
    if (mkdtemp(buf.data())) {
        root = buf.data();
        SetIsolatedEnvironment(root);
        std::filesystem::create_directories(root + "/tmp");
        setenv("TMPDIR", (root + "/tmp").c_str(), 1);
    }

    int result = run();

    const char* keep = std::getenv("KVX_KEEP_TEST_DIR");
    if (!root.empty() && !(keep && *keep == '1')) {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
    return result;
}

} // namespace kvxtest
