#include "utility/WideFormat.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <locale.h>
#include <vector>

#include "utility/AnsiCodePage.h"
#include "utility/ErrorReport.h"
#include "utility/FormatArguments.h"

namespace {

// Formatting belongs to the string class; its reports carry its name.
const char kSourceFile[] = ".\\BasicString";
constexpr int kLineNegativeWidth = 1526;
constexpr int kLineNegativePrecision = 1546;
constexpr int kLineUnknownConversion = 1745;

// %g without '#' prints no more significant digits than a double has
// (at most 767), so a larger precision changes nothing; it is cut to this.
constexpr int kMaxSignificantPrecision = 1100;

class CVaListArguments : public CFormatArguments {
public:
    explicit CVaListArguments(va_list args) { va_copy(m_args, args); }
    ~CVaListArguments() override { va_end(m_args); }
    CVaListArguments(const CVaListArguments&) = delete;
    CVaListArguments& operator=(const CVaListArguments&) = delete;

    int32_t NextInt32() override { return (int32_t)va_arg(m_args, int); }
    int64_t NextInt64() override { return (int64_t)va_arg(m_args, long long); }
    double NextDouble() override { return va_arg(m_args, double); }
    const wchar_t* NextWideText() override { return va_arg(m_args, const wchar_t*); }
    const char* NextNarrowText() override { return va_arg(m_args, const char*); }
    const void* NextPointer() override { return va_arg(m_args, const void*); }

private:
    va_list m_args;
};

enum class IntSize { Default, Char, Short, Int64 };
enum class TextWidth { Default, Narrow, Wide };

struct ConversionSpec {
    bool left = false;
    bool plus = false;
    bool space = false;
    bool alternate = false;
    bool zero = false;
    int width = 0;        // never negative
    int precision = -1;   // -1: none
    IntSize size = IntSize::Default;
    TextWidth text = TextWidth::Default;
};

// Appends to the output, refusing anything beyond the length limit.
class COutput {
public:
    COutput(std::wstring& out, size_t maxLength) : m_out(out), m_max(maxLength) {}

    bool Failed() const { return m_failed; }

    bool HasRoomFor(size_t count) {
        if (m_failed || count > m_max - m_out.size()) m_failed = true;
        return !m_failed;
    }
    void Append(const wchar_t* text, size_t count) {
        if (HasRoomFor(count)) m_out.append(text, count);
    }
    void Repeat(wchar_t ch, size_t count) {
        if (HasRoomFor(count)) m_out.append(count, ch);
    }
    void AppendAscii(const char* text, size_t count) {
        if (!HasRoomFor(count)) return;
        size_t at = m_out.size();
        m_out.resize(at + count);
        for (size_t i = 0; i < count; ++i) m_out[at + i] = (wchar_t)(unsigned char)text[i];
    }
    // The text with the conversion's width: spaces (or zeros with '0') in front,
    // or spaces behind when left-justified.
    void AppendPadded(const ConversionSpec& spec, const wchar_t* text, size_t count) {
        size_t pad = (size_t)spec.width > count ? (size_t)spec.width - count : 0;
        if (!spec.left) Repeat(spec.zero ? L'0' : L' ', pad);
        Append(text, count);
        if (spec.left) Repeat(L' ', pad);
    }

private:
    std::wstring& m_out;
    size_t m_max;
    bool m_failed = false;
};

locale_t ClassicLocale() {
    static const locale_t loc = newlocale(LC_ALL_MASK, "C", (locale_t)0);
    return loc;
}

// Builds "%<flags>*.*<length><conversion>" for snprintf.
void BuildNarrowSpec(char* out, const ConversionSpec& spec, const char* length, char conversion) {
    *out++ = '%';
    if (spec.left) *out++ = '-';
    if (spec.plus) *out++ = '+';
    if (spec.space) *out++ = ' ';
    if (spec.alternate) *out++ = '#';
    if (spec.zero) *out++ = '0';
    *out++ = '*';
    *out++ = '.';
    *out++ = '*';
    while (*length) *out++ = *length++;
    *out++ = conversion;
    *out = 0;
}

// One numeric conversion through snprintf, exactly sized.
template <typename T>
void AppendNumber(COutput& output, const ConversionSpec& spec, const char* length, char conversion, T value) {
    char format[24];
    BuildNarrowSpec(format, spec, length, conversion);
    char small[128];
    int n = std::snprintf(small, sizeof(small), format, spec.width, spec.precision, value);
    if (n < 0) return;
    if ((size_t)n < sizeof(small)) {
        output.AppendAscii(small, (size_t)n);
        return;
    }
    if (!output.HasRoomFor((size_t)n)) return;
    std::vector<char> large((size_t)n + 1);
    std::snprintf(large.data(), large.size(), format, spec.width, spec.precision, value);
    output.AppendAscii(large.data(), (size_t)n);
}

void AppendSigned(COutput& output, const ConversionSpec& spec, char conversion, CFormatArguments& args) {
    long long value;
    switch (spec.size) {
    case IntSize::Int64: value = args.NextInt64(); break;
    case IntSize::Short: value = (short)args.NextInt32(); break;
    case IntSize::Char: value = (signed char)args.NextInt32(); break;
    default: value = args.NextInt32(); break;
    }
    AppendNumber(output, spec, "ll", conversion, value);
}

void AppendUnsigned(COutput& output, const ConversionSpec& spec, char conversion, CFormatArguments& args) {
    unsigned long long value;
    switch (spec.size) {
    case IntSize::Int64: value = (uint64_t)args.NextInt64(); break;
    case IntSize::Short: value = (uint16_t)args.NextInt32(); break;
    case IntSize::Char: value = (uint8_t)args.NextInt32(); break;
    default: value = (uint32_t)args.NextInt32(); break;
    }
    AppendNumber(output, spec, "ll", conversion, value);
}

void AppendFloat(COutput& output, ConversionSpec spec, char conversion, CFormatArguments& args) {
    double value = args.NextDouble();
    bool significantDigits = (conversion == 'g' || conversion == 'G') && !spec.alternate;
    if (significantDigits && spec.precision > kMaxSignificantPrecision) spec.precision = kMaxSignificantPrecision;
    // At least the precision's digits are written (except for %g).
    if (!significantDigits && spec.precision > 0 && !output.HasRoomFor((size_t)spec.precision)) return;
    locale_t previous = uselocale(ClassicLocale());
    AppendNumber(output, spec, "", conversion, value);
    uselocale(previous);
}

void AppendText(COutput& output, const ConversionSpec& spec, bool narrow, CFormatArguments& args) {
    static const wchar_t kNull[] = L"(null)";
    size_t limit = spec.precision >= 0 ? (size_t)spec.precision : (size_t)-1;
    if (narrow) {
        const char* text = args.NextNarrowText();
        if (text) {
            std::wstring wide = AnsiToWide(text, strnlen(text, limit));
            output.AppendPadded(spec, wide.data(), wide.size());
            return;
        }
    } else {
        const wchar_t* text = args.NextWideText();
        if (text) {
            output.AppendPadded(spec, text, wcsnlen(text, limit));
            return;
        }
    }
    output.AppendPadded(spec, kNull, std::min(limit, wcslen(kNull)));
}

void AppendChar(COutput& output, const ConversionSpec& spec, bool narrow, CFormatArguments& args) {
    int32_t value = args.NextInt32();
    wchar_t ch = narrow ? AnsiCharToWide((unsigned char)value) : (wchar_t)value;
    output.AppendPadded(spec, &ch, 1);
}

void AppendPointer(COutput& output, const ConversionSpec& spec, CFormatArguments& args) {
    char digits[32];
    int n = std::snprintf(digits, sizeof(digits), "%0*llX", (int)(2 * sizeof(void*)),
                          (unsigned long long)(uintptr_t)args.NextPointer());
    wchar_t wide[32];
    for (int i = 0; i < n; ++i) wide[i] = (wchar_t)digits[i];
    output.AppendPadded(spec, wide, (size_t)n);
}

int ReadNumber(const wchar_t*& p) {
    long long value = 0;
    while (*p >= L'0' && *p <= L'9') {
        value = value * 10 + (*p - L'0');
        if (value > INT_MAX) value = INT_MAX;
        ++p;
    }
    return (int)value;
}

// Parses flags, width, precision and size prefixes behind the '%'.
void ParseSpec(const wchar_t*& p, ConversionSpec& spec, CFormatArguments& args) {
    for (;; ++p) {
        if (*p == L'-') spec.left = true;
        else if (*p == L'+') spec.plus = true;
        else if (*p == L' ') spec.space = true;
        else if (*p == L'#') spec.alternate = true;
        else if (*p == L'0') spec.zero = true;
        else break;
    }
    if (*p == L'*') {
        ++p;
        int32_t width = args.NextInt32();
        if (width < 0) {
            ReportAssertion(0, kSourceFile, kLineNegativeWidth);
            spec.left = true;
            width = width == INT32_MIN ? INT32_MAX : -width;
        }
        spec.width = width;
    } else {
        spec.width = ReadNumber(p);
    }
    if (*p == L'.') {
        ++p;
        if (*p == L'*') {
            ++p;
            int32_t precision = args.NextInt32();
            if (precision < 0) ReportAssertion(0, kSourceFile, kLineNegativePrecision);
            spec.precision = precision < 0 ? -1 : precision;
        } else {
            spec.precision = ReadNumber(p);
        }
    }
    for (;;) {
        if (p[0] == L'I' && p[1] == L'6' && p[2] == L'4') { spec.size = IntSize::Int64; p += 3; }
        else if (p[0] == L'I' && p[1] == L'3' && p[2] == L'2') { spec.size = IntSize::Default; p += 3; }
        else if (p[0] == L'I') { spec.size = IntSize::Int64; ++p; }
        else if (p[0] == L'l' && p[1] == L'l') { spec.size = IntSize::Int64; p += 2; }
        else if (p[0] == L'l') { spec.size = IntSize::Default; spec.text = TextWidth::Wide; ++p; }
        else if (p[0] == L'h' && p[1] == L'h') { spec.size = IntSize::Char; spec.text = TextWidth::Narrow; p += 2; }
        else if (p[0] == L'h') { spec.size = IntSize::Short; spec.text = TextWidth::Narrow; ++p; }
        else if (p[0] == L'w') { spec.text = TextWidth::Wide; ++p; }
        else if (p[0] == L'z' || p[0] == L'j' || p[0] == L't') { spec.size = IntSize::Int64; ++p; }
        else if (p[0] == L'L' || p[0] == L'F' || p[0] == L'N') { ++p; }
        else break;
    }
}

} // namespace

bool FormatWideFrom(std::wstring& out, const wchar_t* format, CFormatArguments& args, size_t maxLength) {
    out.clear();
    if (!format) return false;
    COutput output(out, maxLength);
    const wchar_t* p = format;
    while (*p && !output.Failed()) {
        if (*p != L'%') {
            const wchar_t* run = p;
            while (*p && *p != L'%') ++p;
            output.Append(run, (size_t)(p - run));
            continue;
        }
        const wchar_t* start = p++;
        ConversionSpec spec;
        ParseSpec(p, spec, args);
        if ((size_t)spec.width > maxLength) {
            output.HasRoomFor((size_t)spec.width);
            break;
        }
        wchar_t conversion = *p;
        if (conversion) ++p;
        switch (conversion) {
        case L'%': output.Append(L"%", 1); break;
        case L'd': case L'i':
            // At least the precision's digits are written.
            if (spec.precision > 0 && !output.HasRoomFor((size_t)spec.precision)) break;
            AppendSigned(output, spec, (char)conversion, args);
            break;
        case L'u': case L'o': case L'x': case L'X':
            if (spec.precision > 0 && !output.HasRoomFor((size_t)spec.precision)) break;
            AppendUnsigned(output, spec, (char)conversion, args);
            break;
        case L'e': case L'E': case L'f': case L'g': case L'G': case L'a': case L'A':
            AppendFloat(output, spec, (char)conversion, args);
            break;
        case L's': AppendText(output, spec, spec.text == TextWidth::Narrow, args); break;
        case L'S': AppendText(output, spec, spec.text != TextWidth::Wide, args); break;
        case L'c': AppendChar(output, spec, spec.text == TextWidth::Narrow, args); break;
        case L'C': AppendChar(output, spec, spec.text != TextWidth::Wide, args); break;
        case L'p': AppendPointer(output, spec, args); break;
        case L'n': args.NextPointer(); break;
        default:
            // Unknown letter, or the format ends inside the conversion.
            ReportAssertion(0, kSourceFile, kLineUnknownConversion);
            output.Append(start, (size_t)(p - start));
            break;
        }
    }
    if (output.Failed()) {
        out.clear();
        return false;
    }
    return true;
}

bool FormatWideInto(std::wstring& out, const wchar_t* format, va_list args, size_t maxLength) {
    CVaListArguments source(args);
    return FormatWideFrom(out, format, source, maxLength);
}

std::wstring FormatWide(const wchar_t* format, va_list args) {
    std::wstring out;
    FormatWideInto(out, format, args, out.max_size());
    return out;
}
