// Reads every field of the input, the first byte being the separator. Each
// call must make progress, stay inside the input and end its field with a
// zero byte.

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "utility/CsvField.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    char separator = (char)data[0];
    const char* text = (const char*)data + 1;
    unsigned length = (unsigned)(size - 1);
    std::vector<char> field;
    unsigned pos = 0;
    while (pos < length) {
        unsigned before = pos;
        if (ReadCsvField(text, length, pos, separator, field) != 1) abort();
        if (pos <= before || pos > length) abort();
        if (field.empty() || field.back() != '\0' || field.size() > pos - before + 1) abort();
    }
    return 0;
}
