// Reads lines with the line reader over a socket file whose receives hand
// out the input in pieces. First byte: the piece size; second: the line
// limit (negative when its top bit is set, so the line end is kept). Every
// line must stay within its limit and end with a zero byte.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "MemorySocket.h"
#include "OnlineServices/Sendrix/Archive.h"
#include "OnlineServices/Sendrix/SocketFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    size_t piece = (size_t)(data[0] % 64) + 1;
    int limit = (data[1] & 0x7F) + 1;
    int max = (data[1] & 0x80) ? -limit : limit;
    CMemorySocket socket(data + 2, size - 2, piece);
    CSocketFile file(&socket, 1);
    CArchive archive(&file, 3, 128 + (int)piece, nullptr);
    std::vector<char> line((size_t)limit + 1 + 16, '\xAA');
    for (;;) {
        const char* text = archive.ReadString(line.data(), max);
        if (!text) break;
        if (text != line.data() || strlen(text) > (size_t)limit) abort();
        if (line[(size_t)limit + 1] != '\xAA') abort();
    }
    if (socket.Consumed() != size - 2) abort();
    return 0;
}
