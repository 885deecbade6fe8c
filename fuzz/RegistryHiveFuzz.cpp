// Reads the input as a settings hive file. Reading must stay in bounds and
// never fail; what was read must write out as a file that reads back
// without damage into the same text.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "utility/RegistryHiveText.h"
#include "utility/RegistryKey.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CRegistryKey top;
    RegistryHiveDamage damage = ParseRegistryHive((const char*)data, size, top);
    if (damage.badLines < 0 || (damage.badLines > 0) != (damage.firstBadLine > 0)) abort();

    std::string text = FormatRegistryHive(top);
    CRegistryKey again;
    if (ParseRegistryHive(text.data(), text.size(), again).badLines != 0) abort();
    if (FormatRegistryHive(again) != text) abort();
    return 0;
}
