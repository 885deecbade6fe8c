#include "utility/Base64Coding.h"

#include <cstdint>

#include "utility/ErrorReport.h"

namespace {

const char kSourceFile[] = ".\\Base64Coding";
constexpr int kLineEncodeArguments = 52;
constexpr int kLineDecodeArguments = 104;

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
// Characters of text per line, and the groups of three bytes they hold.
constexpr int kLineLength = 72;
constexpr int kGroupsPerLine = kLineLength / 4;
constexpr int8_t kNotInAlphabet = -1;

struct DecodeTable {
    int8_t value[256];
    constexpr DecodeTable() : value() {
        for (int i = 0; i < 256; ++i) value[i] = kNotInAlphabet;
        for (int i = 0; i < 64; ++i) value[(unsigned char)kAlphabet[i]] = (int8_t)i;
    }
};
constexpr DecodeTable kDecodeTable;

inline char* EncodeGroup(const unsigned char* in, char* out) {
    uint32_t bits = (uint32_t)in[0] << 16 | (uint32_t)in[1] << 8 | in[2];
    out[0] = kAlphabet[bits >> 18];
    out[1] = kAlphabet[(bits >> 12) & 0x3F];
    out[2] = kAlphabet[(bits >> 6) & 0x3F];
    out[3] = kAlphabet[bits & 0x3F];
    return out + 4;
}

} // namespace

int CBase64Coding::Encode(const char* data, int length, char* out, int noLineBreaks) {
    bool usable = out && length >= 0 && (data || length == 0);
    ReportAssertion(usable, kSourceFile, kLineEncodeArguments);
    if (!usable) return 0;
    const unsigned char* in = (const unsigned char*)data;
    int groups = length / 3;
    int groupsInLine = 0;
    for (int g = 0; g < groups; ++g, in += 3) {
        out = EncodeGroup(in, out);
        if (!noLineBreaks && ++groupsInLine == kGroupsPerLine) {
            *out++ = '\r';
            *out++ = '\n';
            groupsInLine = 0;
        }
    }
    int rest = length - groups * 3;
    if (rest > 0) {
        unsigned char last[3] = {in[0], (unsigned char)(rest == 2 ? in[1] : 0), 0};
        EncodeGroup(last, out);
        if (rest == 1) out[2] = '=';
        out[3] = '=';
        out += 4;
    }
    *out = '\0';
    return 1;
}

int CBase64Coding::Decode(const char* text, unsigned length, char* out, int* outLength) {
    bool usable = text && out && outLength;
    ReportAssertion(usable, kSourceFile, kLineDecodeArguments);
    if (!usable) return 0;
    const int8_t* table = kDecodeTable.value;
    const unsigned char* in = (const unsigned char*)text;
    unsigned char* start = (unsigned char*)out;
    unsigned char* o = start;
    uint32_t bits = 0;
    int count = 0;
    for (unsigned i = 0; i < length;) {
        // Between groups, take four characters at once while all four are
        // in the alphabet.
        if (count == 0) {
            for (; i + 4 <= length; i += 4) {
                int8_t a = table[in[i]], b = table[in[i + 1]], c = table[in[i + 2]], d = table[in[i + 3]];
                if ((a | b | c | d) < 0) break;
                uint32_t group = (uint32_t)a << 18 | (uint32_t)b << 12 | (uint32_t)c << 6 | (uint32_t)d;
                o[0] = (unsigned char)(group >> 16);
                o[1] = (unsigned char)(group >> 8);
                o[2] = (unsigned char)group;
                o += 3;
            }
            if (i >= length) break;
        }
        int8_t value = table[in[i++]];
        if (value == kNotInAlphabet) continue;
        bits = bits << 6 | (uint32_t)value;
        if (++count == 4) {
            o[0] = (unsigned char)(bits >> 16);
            o[1] = (unsigned char)(bits >> 8);
            o[2] = (unsigned char)bits;
            o += 3;
            bits = 0;
            count = 0;
        }
    }
    // A last group of 3 characters holds 2 bytes, of 2 characters 1 byte.
    if (count == 3) {
        *o++ = (unsigned char)(bits >> 10);
        *o++ = (unsigned char)(bits >> 2);
    } else if (count == 2) {
        *o++ = (unsigned char)(bits >> 4);
    }
    *outLength = (int)(o - start);
    return 1;
}

long long CBase64Coding::GetEncodedSize(long long length, int noLineBreaks) {
    if (length < 0) return 1;
    long long size = (length + 2) / 3 * 4 + 1;
    if (!noLineBreaks) size += length / 3 / kGroupsPerLine * 2;
    return size;
}

unsigned CBase64Coding::GetMaxDecodedSize(unsigned length) { return (unsigned)((unsigned long long)length * 3 / 4); }
