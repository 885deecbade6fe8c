#include "testing/Installed.h"

#include <cstdlib>
#include <cstring>

namespace kvxtest {

bool RunningUnderCi() {
    const char* value = std::getenv("CI");
    return value && *value && std::strcmp(value, "false") != 0 && std::strcmp(value, "0") != 0;
}

} // namespace kvxtest
