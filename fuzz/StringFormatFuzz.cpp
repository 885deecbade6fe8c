// Drives the wide formatter with formats from the input. The arguments are
// a fixed, always valid set taken in turn by the kind each conversion asks
// for, so any format is safe to run; the formatter must never read or write
// out of bounds and never exceed its length limit.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>

#include "utility/AnsiCodePage.h"
#include "utility/FormatArguments.h"
#include "utility/WideFormat.h"

namespace {

class CRotatingArguments : public CFormatArguments {
public:
    int32_t NextInt32() override {
        static const int32_t values[] = {0, -1, 42, INT32_MIN, INT32_MAX, 0xE9, 0x20AC, 300};
        return values[m_next++ % 8];
    }
    int64_t NextInt64() override {
        static const int64_t values[] = {0, -1, INT64_MIN, INT64_MAX, 1234567890123LL};
        return values[m_next++ % 5];
    }
    double NextDouble() override {
        static const double values[] = {0.0, -0.0, 1.5, -2.5e-310, 1e308, std::numeric_limits<double>::infinity(),
                                        std::nan(""), 123456.789};
        return values[m_next++ % 8];
    }
    const wchar_t* NextWideText() override {
        static const wchar_t* const values[] = {L"text", nullptr, L"", L"\x00E9\x4E2D\x0001F600"};
        return values[m_next++ % 4];
    }
    const char* NextNarrowText() override {
        static const char* const values[] = {"narrow", nullptr, "", "\x80\x9F\xFF"};
        return values[m_next++ % 4];
    }
    const void* NextPointer() override { return (m_next++ % 2) ? &m_next : nullptr; }

private:
    unsigned m_next = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::wstring format = AnsiToWide((const char*)data, size);
    // Embedded zero characters simply end the format early.
    CRotatingArguments args;
    std::wstring out;
    const size_t limit = 1 << 16;
    if (FormatWideFrom(out, format.c_str(), args, limit) && out.size() > limit) abort();
    return 0;
}
