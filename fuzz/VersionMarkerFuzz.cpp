// Reads the version marker of a file holding the input (an ELF file or
// anything else). The reader must stay in bounds, give "0.0.0.0" with a
// zeroed record whenever it finds no sound marker, and agree between its
// text and its record.

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "utility/BasicString.h"
#include "utility/Posix/Modules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    int fd = memfd_create("marker", MFD_CLOEXEC);
    if (fd < 0) return 0;
    if (size == 0 || write(fd, data, size) == (ssize_t)size) {
        std::wstring path = L"/proc/self/fd/" + std::to_wstring(fd);
        VersionNumber number;
        CBasicString text = GetModuleVersionText(path.c_str(), &number);
        CBasicString expected;
        expected.Format(L"%d.%d.%d.%d", number.major, number.minor, number.build, number.revision);
        if (text.Compare(expected.GetString()) != 0) abort();
    }
    close(fd);
    return 0;
}
