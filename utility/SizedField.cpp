#include "utility/SizedField.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "utility/AnsiCodePage.h"
#include "utility/ErrorReport.h"
#include "utility/LittleEndian.h"
#include "utility/TextCodec.h"

namespace {

const char kSourceFile[] = ".\\BasicCPP";
constexpr int kLineWriteSizedStringText = 118;
constexpr int kLineWriteSizedUtf8Text = 161;
constexpr int kLineReadBytesLength = 203;
constexpr int kLineReadBytesPayload = 210;
constexpr int kLineReadStringLength = 241;
constexpr int kLineReadStringPayload = 248;
constexpr int kLineReadUtf8Length = 287;
constexpr int kLineReadUtf8Payload = 294;
constexpr int kLineReadStdStringLength = 326;
constexpr int kLineReadStdStringPayload = 333;

struct FieldLines {
    int length;
    int payload;
};

void PutLength(BYTE* buffer, int64_t pos, uint32_t length) { PutLE32(buffer + pos, length); }

// Reads the length of the field at pos and checks that its payload lies in
// the buffer; on success payload points at it. Reports a failure at the
// given lines.
bool TakeField(const BYTE* src, unsigned srcSize, unsigned& pos, FieldLines lines, const BYTE*& payload,
               uint32_t& length) {
    bool hasLength = src && (uint64_t)pos + 4 <= srcSize;
    ReportAssertion(hasLength, kSourceFile, lines.length);
    if (!hasLength) return false;
    length = GetLE32(src + pos);
    pos += 4;
    bool hasPayload = (uint64_t)pos + length <= srcSize;
    ReportAssertion(hasPayload, kSourceFile, lines.payload);
    if (!hasPayload) return false;
    payload = src + pos;
    pos += length;
    return true;
}

// The text of a payload, up to its first zero unit.
std::wstring PayloadText(const BYTE* payload, uint32_t length, int wide) {
    if (!wide) return AnsiToWide((const char*)payload, strnlen((const char*)payload, length));
    // An odd last byte makes one more unit with a zero high byte.
    size_t units = ((size_t)length + 1) / 2;
    std::vector<uint8_t> padded(units * 2, 0);
    if (length > 0) memcpy(padded.data(), payload, length);
    size_t used = 0;
    while (used < units && (padded[2 * used] | padded[2 * used + 1]) != 0) ++used;
    return Utf16LEToWide(padded.data(), used * 2);
}

bool ReadText(const BYTE* src, unsigned srcSize, unsigned& pos, FieldLines lines, int wide, std::wstring& text) {
    const BYTE* payload = nullptr;
    uint32_t length = 0;
    if (!TakeField(src, srcSize, pos, lines, payload, length)) return false;
    text = PayloadText(payload, length, wide);
    return true;
}

CBasicString ToBasicString(const std::wstring& text) { return CBasicString(text.c_str(), (int)text.size()); }

} // namespace

void WriteSizedString(BYTE* buffer, const wchar_t* text, int& pos) {
    ReportAssertion(text != nullptr, kSourceFile, kLineWriteSizedStringText);
    if (!text) return;
    std::vector<uint8_t> units = WideToUtf16LE(text, wcslen(text));
    WriteSizedBytes(buffer, units.data(), (int)units.size(), pos);
}

void WriteSizedBytes(BYTE* buffer, const void* data, int length, int& pos) {
    PutLength(buffer, pos, (uint32_t)length);
    if (length > 0) memcpy(buffer + pos + 4, data, (size_t)length);
    pos += 4 + (length > 0 ? length : 0);
}

int WriteSizedUtf8String(BYTE* buffer, unsigned bufferSize, const wchar_t* text, unsigned& pos) {
    ReportAssertion(text != nullptr, kSourceFile, kLineWriteSizedUtf8Text);
    if (!text) return 0;
    std::string utf8 = WideToUtf8(text, wcslen(text));
    if ((uint64_t)pos + 4 + utf8.size() > bufferSize) return 0;
    PutLength(buffer, pos, (uint32_t)utf8.size());
    memcpy(buffer + pos + 4, utf8.data(), utf8.size());
    pos += 4 + (unsigned)utf8.size();
    return 1;
}

BYTE* ReadSizedBytes(const BYTE* src, unsigned srcSize, unsigned& outLength, unsigned& pos) {
    outLength = 0;
    const BYTE* payload = nullptr;
    uint32_t length = 0;
    if (!TakeField(src, srcSize, pos, {kLineReadBytesLength, kLineReadBytesPayload}, payload, length) || length == 0)
        return nullptr;
    BYTE* copy = new BYTE[length];
    memcpy(copy, payload, length);
    outLength = length;
    return copy;
}

void ReadSizedString(const BYTE* src, unsigned srcSize, CBasicString& out, unsigned& pos, int wide) {
    std::wstring text;
    if (ReadText(src, srcSize, pos, {kLineReadStringLength, kLineReadStringPayload}, wide, text))
        out = ToBasicString(text);
}

void ReadSizedUtf8String(const BYTE* src, unsigned srcSize, CBasicString& out, unsigned& pos) {
    const BYTE* payload = nullptr;
    uint32_t length = 0;
    if (!TakeField(src, srcSize, pos, {kLineReadUtf8Length, kLineReadUtf8Payload}, payload, length)) return;
    out = ToBasicString(Utf8ToWide((const char*)payload, strnlen((const char*)payload, length)));
}

void ReadSizedStdString(const BYTE* src, unsigned srcSize, std::wstring& out, unsigned& pos, int wide) {
    std::wstring text;
    if (ReadText(src, srcSize, pos, {kLineReadStdStringLength, kLineReadStdStringPayload}, wide, text)) out = text;
    else out.clear();
}
