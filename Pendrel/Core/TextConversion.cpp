#include "Pendrel/Core/TextConversion.h"

#include <cstring>
#include <string>

#include "utility/AbstractLog.h"
#include "utility/ErrorReport.h"
#include "utility/LibraryLog.h"
#include "utility/Posix/SystemError.h"
#include "utility/TextCodec.h"

namespace {

const char kConversionSource[] = "BasicString";
const wchar_t kConversionSourceWide[] = L"BasicString";
constexpr int kLineConversionError = 390;
constexpr int kLineConversionEncoding = 407;
constexpr int kEncodingUtf8 = 2;

} // namespace

CBasicString ConvertToBasicString(const char* text, int encoding) {
    if (encoding != kEncodingUtf8) {
        ReportAssertion(encoding == 1 || encoding == 3 || encoding == 4, kConversionSource, kLineConversionEncoding);
        return CBasicString();
    }
    if (!text) {
        if (CAbstractLog* log = GetLibraryLog())
            log->LogFormat(kConversionSourceWide, kLineConversionError, 1, L"String conversion error: (%d) %s",
                           ERROR_INVALID_PARAMETER, GetSystemErrorText(ERROR_INVALID_PARAMETER).GetString());
        return CBasicString();
    }
    std::wstring wide = Utf8ToWide(text, std::strlen(text));
    // The decoder keeps each invalid byte as U+DC80 + (byte - 0x80), a
    // value no valid text yields; such bytes read as the replacement
    // character.
    for (wchar_t& ch : wide)
        if (ch >= 0xDC80 && ch <= 0xDCFF) ch = 0xFFFD;
    return CBasicString(wide.c_str(), static_cast<int>(wide.size()));
}
