// Reads the input as the link table "UrlFile.xml". The reading must stay
// inside the input, every address it gives must be a terminated text, and
// filling a link that is a format must stay inside that text.

#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <string>

#include "Pendrel/Core/LinkTable.h"

namespace {

// A folder of the process's own, removed when it ends.
struct OwnFolder {
    std::string path;
    OwnFolder() {
        char pattern[] = "/tmp/kvx-linktable-fuzz-XXXXXX";
        const char* made = mkdtemp(pattern);
        path = made ? made : "/tmp";
    }
    ~OwnFolder() {
        if (path != "/tmp") rmdir(path.c_str());
    }
};

const std::string& Folder() {
    static const OwnFolder folder;
    return folder.path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = Folder() + "/UrlFile.xml";
    FILE* file = fopen(path.c_str(), "wb");
    if (!file) return 0;
    fwrite(data, 1, size, file);
    fclose(file);
    CLinkTable table;
    const std::wstring folder(Folder().begin(), Folder().end());
    table.Load(folder.c_str(), nullptr);
    for (KVXLinkID id : {0, -1, 11, 14, 15, 22, 56, 57}) {
        const wchar_t* url = table.GetLinkURL(id);
        if (!url) abort();
        const size_t length = std::wcslen(url);
        CBasicString filled = CLinkTable::FormatLinkURL(url, 2);
        if (size_t(filled.GetLength()) > length + 11) abort();
    }
    unlink(path.c_str());
    return 0;
}
