// Parses the input (as UTF-8) with both text formats and as a month-name
// date, and reads its first 8 bytes as an automation date. Whatever is read
// must be a valid value that formats and parses back to itself, and moving
// it by a span must give back that span as the difference.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "utility/BasicDateTime.h"
#include "utility/TextCodec.h"

namespace {

void CheckValue(const CBasicDateTime& value, int64_t spanSeconds) {
    if (!value.IsValid()) abort();
    CBasicString text;
    text.Format(L"%04d/%02d/%02d %02d:%02d:%02d", value.GetYear(), value.GetMonth(), value.GetDay(), value.GetHour(),
                value.GetMinute(), value.GetSecond());
    CBasicDateTime again;
    if (!again.ParseText(text.GetString(), L"%Y/%m/%d %H:%M:%S") || again != value) abort();
    value.FormatDateTime();
    value.Format(L"%c %j %U");
    value.GetDayOfWeek();

    CBasicDateTime moved = value.AddSpan(CBasicDateTimeSpan(spanSeconds));
    if (moved.IsValid() && moved.Difference(value).GetTotalSeconds() != spanSeconds) abort();
    if (moved.IsValid() && moved.SubtractSpan(CBasicDateTimeSpan(spanSeconds)) != value) abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::wstring text = Utf8ToWide((const char*)data, size);
    int64_t span = 0;
    memcpy(&span, data, size < sizeof(span) ? size : sizeof(span));
    span %= (int64_t)400 * 366 * 86400;

    const wchar_t* formats[] = {L"%Y/%m/%d %H:%M:%S", L"%Y%m%d_%H%M%S", L"%d.%m.%Y"};
    for (const wchar_t* format : formats) {
        CBasicDateTime value;
        if (value.ParseText(text.c_str(), format)) CheckValue(value, span);
        else if (value != CBasicDateTime()) abort();
    }
    CBasicDateTime named;
    if (named.ParseMonthName(text.c_str())) CheckValue(named, -span);

    if (size >= sizeof(double)) {
        double date;
        memcpy(&date, data, sizeof(date));
        CBasicDateTime ole;
        if (ole.FromOleDate(date)) CheckValue(ole, span);
    }
    return 0;
}
