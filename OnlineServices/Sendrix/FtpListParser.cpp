#include "OnlineServices/Sendrix/FtpListParser.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "compat/WinTypes.h"
#include "utility/BasicFileFindInfo.h"
#include "utility/ErrorReport.h"
#include "utility/TextCodec.h"

namespace {

const char kSourceFile[] = ".\\FtpFileFind";

constexpr int64_t kSecondsPerDay = 86400;
// A date without a year lies less than this before now, or after it.
constexpr int64_t kRecentSpan = 350 * kSecondsPerDay;
constexpr int kYearsAhead = 99;

const char* const kMonths[12] = {"jan", "feb", "mar", "apr", "may", "jun",
                                 "jul", "aug", "sep", "oct", "nov", "dec"};

// The text of one line with bounds, read as the listing styles need it.
struct Line {
    const char* text;
    size_t length;

    char At(size_t i) const { return i < length ? text[i] : 0; }
    // The digits of [begin, end) as a number, each character taken as a
    // digit; a span outside the line reads 0.
    uint64_t Number(size_t begin, size_t end) const {
        bool inside = begin <= end && end <= length;
        ReportAssertion(inside, kSourceFile, __LINE__);
        if (!inside) return 0;
        uint64_t value = 0;
        for (size_t i = begin; i < end; ++i) value = value * 10 + (uint64_t)(unsigned char)(text[i] - '0');
        return value;
    }
    // The month (0 to 11) whose first three letters begin [begin, end), or -1.
    int Month(size_t begin, size_t end) const {
        if (end > length || end < begin + 3) return -1;
        for (int m = 0; m < 12; ++m) {
            bool same = true;
            for (int k = 0; k < 3 && same; ++k) {
                char ch = text[begin + k];
                if (ch >= 'A' && ch <= 'Z') ch = (char)(ch - 'A' + 'a');
                same = ch == kMonths[m][k];
            }
            if (same) return m;
        }
        return -1;
    }
    // The first index from i on that holds ch, or length.
    size_t Find(size_t i, char ch) const {
        while (i < length && text[i] != ch) ++i;
        return i;
    }
    size_t SkipSpaces(size_t i) const {
        while (i < length && text[i] == ' ') ++i;
        return i;
    }
    size_t SkipField(size_t i) const {
        while (i < length && text[i] != ' ') ++i;
        return i;
    }
    // A size: the digits of [begin, end), all of them digits and the value
    // within a signed 64-bit count; false otherwise (a sign, a letter, an
    // overflow).
    bool Size(size_t begin, size_t end, uint64_t& value) const {
        if (begin >= end || end > length) return false;
        uint64_t number = 0;
        for (size_t i = begin; i < end; ++i) {
            if (text[i] < '0' || text[i] > '9') return false;
            uint64_t digit = (uint64_t)(text[i] - '0');
            if (number > ((uint64_t)INT64_MAX - digit) / 10) return false;
            number = number * 10 + digit;
        }
        value = number;
        return true;
    }
    // The number from i up to the next stop character, then i behind that
    // character; false when the line ends first.
    bool NumberUpTo(size_t& i, char stop, uint64_t& value) const {
        size_t end = Find(i, stop);
        if (end >= length) return false;
        value = Number(i, end);
        i = end + 1;
        return true;
    }
};

int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    int64_t era = (y >= 0 ? y : y - 399) / 400;
    int64_t yoe = y - era * 400;
    int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// Seconds since 1970 of a UTC date (month 0 to 11) and time of day.
int64_t SecondsOf(int64_t year, int64_t month, int64_t day, int64_t hour, int64_t minute) {
    return DaysFromCivil(year, month + 1, day) * kSecondsPerDay + hour * 3600 + minute * 60;
}

// The record's last-write time from seconds since 1970, broken down as
// UTC; false when the time cannot be one.
bool StoreTime(CBasicFileFindInfo& record, int64_t seconds) {
    // Years 100 to 9999.
    // A listing line is the server's text: a date outside is no contract
    // broken, the line simply gives no record.
    if (seconds < -58979923200LL || seconds > 253402300799LL) return false;
    int64_t days = seconds / kSecondsPerDay;
    int64_t rest = seconds % kSecondsPerDay;
    if (rest < 0) {
        rest += kSecondsPerDay;
        --days;
    }
    days += 719468;
    int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    int64_t doe = days - era * 146097;
    int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    int64_t mp = (5 * doy + 2) / 153;
    int day = (int)(doy - (153 * mp + 2) / 5 + 1);
    int month = (int)(mp < 10 ? mp + 3 : mp - 9);
    int year = (int)(yoe + era * 400 + (month <= 2));
    record.SetLastWriteTime(CBasicDateTime(year, month, day, (int)(rest / 3600), (int)(rest / 60 % 60), (int)(rest % 60)));
    return true;
}

// A date given by its parts; false when a part is out of range.
bool StoreDate(CBasicFileFindInfo& record, uint64_t year, uint64_t month, uint64_t day, uint64_t hour,
               uint64_t minute) {
    bool sane = year >= 100 && year <= 9999 && month < 12 && day >= 1 && day <= 31 && hour < 24 && minute < 60;
    if (!sane) return false;
    return StoreTime(record, SecondsOf((int64_t)year, (int64_t)month, (int64_t)day, (int64_t)hour, (int64_t)minute));
}

// The year of a date given without one: the first year from the last one
// on that puts it less than 350 days before now, or after it.
uint64_t ChooseYear(uint64_t month, uint64_t day, uint64_t hour, uint64_t minute, int64_t now) {
    // A date that cannot be one has no year (StoreDate refuses it).
    if (month >= 12 || day < 1 || day > 31 || hour >= 24 || minute >= 60) return 0;
    int64_t thisYear = 1970 + now / (kSecondsPerDay * 365);
    // The estimate may be a year off near the turn of a year.
    while (SecondsOf(thisYear, 0, 1, 0, 0) > now) --thisYear;
    while (SecondsOf(thisYear + 1, 0, 1, 0, 0) <= now) ++thisYear;
    for (int64_t year = thisYear - 1; year <= thisYear + kYearsAhead; ++year) {
        if (SecondsOf(year, (int64_t)month, (int64_t)day, (int64_t)hour, (int64_t)minute) > now - kRecentSpan)
            return (uint64_t)year;
    }
    return (uint64_t)(thisYear + kYearsAhead);
}

// A name the caller can use as one entry of the folder: not empty, not "."
// or "..", and without a path separator or a NUL, so that nobody writes
// outside a folder by a listed name.
bool UsableName(const char* text, size_t length) {
    if (length == 0 || (length == 1 && text[0] == '.') || (length == 2 && text[0] == '.' && text[1] == '.'))
        return false;
    for (size_t i = 0; i < length; ++i)
        if (text[i] == '/' || text[i] == '\\' || text[i] == 0) return false;
    return true;
}

bool SetName(CBasicFileFindInfo& record, const char* text, size_t length) {
    if (!UsableName(text, length)) return false;
    std::wstring name = Utf8ToWide(text, length);
    record.SetFileName(name.c_str());
    return true;
}

int ParseEplf(const Line& line, CBasicFileFindInfo& record) {
    size_t i = 1;
    while (i < line.length && line.text[i] != '\t') {
        size_t end = line.Find(i, ',');
        size_t tab = line.Find(i, '\t');
        if (tab < end) end = tab;
        switch (line.text[i]) {
        case '/': record.SetAttributes(FILE_ATTRIBUTE_DIRECTORY); break;
        case 'r': record.SetAttributes(FILE_ATTRIBUTE_NORMAL); break;
        case 's': {
            uint64_t size = 0;
            if (!line.Size(i + 1, end, size)) return 0;
            record.SetFileSize(size);
            break;
        }
        case 'm':
            if (!StoreTime(record, (int64_t)(line.Number(i + 1, end) & 0x7FFFFFFFFFFFFFFFULL))) return 0;
            break;
        default: break;
        }
        i = end < line.length && line.text[end] == ',' ? end + 1 : end;
    }
    if (i >= line.length) return 0;
    return SetName(record, line.text + i + 1, line.length - i - 1) ? 1 : 0;
}

int ParseUnix(const Line& line, CBasicFileFindInfo& record, int64_t now) {
    if (line.text[0] == 'd') record.SetAttributes(FILE_ATTRIBUTE_DIRECTORY);
    else if (line.text[0] == '-') record.SetAttributes(FILE_ATTRIBUTE_NORMAL);
    int state = 1;
    uint64_t month = 0, day = 0;
    // The size is the last field before the month; it must be a size.
    bool sizeValid = false;
    uint64_t size = 0;
    size_t nameStart = 0;
    bool done = false;
    size_t i = 0;
    while (!done && i < line.length) {
        size_t begin = i;
        size_t end = line.SkipField(begin);
        size_t length = end - begin;
        switch (state) {
        case 1: state = 2; break;
        case 2: state = length == 6 && line.text[begin] == 'f' ? 4 : 3; break;
        case 3: state = 4; break;
        case 4:
            sizeValid = line.Size(begin, end, size);
            state = 5;
            break;
        case 5: {
            int m = line.Month(begin, end);
            if (m >= 0) {
                if (!sizeValid) return 0;
                record.SetFileSize(size);
                month = (uint64_t)m;
                state = 6;
            } else {
                sizeValid = line.Size(begin, end, size);
            }
            break;
        }
        case 6:
            day = line.Number(begin, end);
            state = 7;
            break;
        case 7: {
            // The name follows the one space that ends this field.
            if (end >= line.length) return 0;
            bool shortTime = length == 4 && line.text[begin + 1] == ':';
            bool longTime = length == 5 && line.text[begin + 2] == ':';
            bool stored;
            if (shortTime || longTime) {
                size_t colon = begin + (shortTime ? 1 : 2);
                uint64_t hour = line.Number(begin, colon);
                uint64_t minute = line.Number(colon + 1, end);
                stored = StoreDate(record, ChooseYear(month, day, hour, minute, now), month, day, hour, minute);
            } else {
                if (length < 4) return 0;
                stored = StoreDate(record, line.Number(begin, end), month, day, 0, 0);
            }
            if (!stored) return 0;
            nameStart = end + 1;
            done = true;
            break;
        }
        }
        i = line.SkipSpaces(end);
    }
    if (!done) return 0;
    const char* name = line.text + nameStart;
    size_t nameLength = line.length - nameStart;
    if (line.text[0] == 'l') {
        const char* arrow = nullptr;
        for (size_t k = 0; k + 4 <= nameLength && !arrow; ++k)
            if (memcmp(name + k, " -> ", 4) == 0) arrow = name + k;
        if (arrow) nameLength = (size_t)(arrow - name);
    }
    bool dropThree = line.At(1) == ' ' ||
                     (line.At(1) == '[' && nameLength > 3 && memcmp(name, "   ", 3) == 0);
    if (dropThree) {
        size_t drop = nameLength < 3 ? nameLength : 3;
        name += drop;
        nameLength -= drop;
    }
    return SetName(record, name, nameLength) ? 1 : 0;
}

int ParseVms(const Line& line, size_t semicolon, CBasicFileFindInfo& record) {
    size_t nameLength = semicolon;
    if (semicolon >= 4 && memcmp(line.text + semicolon - 4, ".DIR", 4) == 0) {
        record.SetAttributes(FILE_ATTRIBUTE_DIRECTORY);
        nameLength -= 4;
    } else {
        record.SetAttributes(FILE_ATTRIBUTE_NORMAL);
    }
    size_t i = line.SkipSpaces(line.SkipField(0));
    i = line.SkipSpaces(line.SkipField(i));
    uint64_t day = 0, year = 0, hour = 0;
    if (!line.NumberUpTo(i, '-', day)) return 0;
    size_t end = line.Find(i, '-');
    if (end >= line.length) return 0;
    int month = line.Month(i, end);
    if (month < 0) return 0;
    i = end + 1;
    if (!line.NumberUpTo(i, ' ', year)) return 0;
    i = line.SkipSpaces(i);
    if (!line.NumberUpTo(i, ':', hour)) return 0;
    end = i;
    while (end < line.length && line.text[end] != ':' && line.text[end] != ' ') ++end;
    if (end >= line.length) return 0;
    uint64_t minute = line.Number(i, end);
    if (!StoreDate(record, year, (uint64_t)month, day, hour, minute)) return 0;
    return SetName(record, line.text, nameLength) ? 1 : 0;
}

int ParseDos(const Line& line, CBasicFileFindInfo& record) {
    uint64_t month = 0, day = 0, year = 0, hour = 0;
    size_t i = 0;
    if (!line.NumberUpTo(i, '-', month) || !line.NumberUpTo(i, '-', day) || !line.NumberUpTo(i, ' ', year)) return 0;
    --month;
    if (year < 50) year += 2000;
    if (year < 1000) year += 1900;
    i = line.SkipSpaces(i);
    if (!line.NumberUpTo(i, ':', hour)) return 0;
    size_t end = i;
    while (end < line.length && line.text[end] != 'A' && line.text[end] != 'P') ++end;
    if (end >= line.length) return 0;
    uint64_t minute = line.Number(i, end);
    if (hour == 12) hour = 0;
    if (line.text[end] == 'P') hour += 12;
    i = end + 1;
    if (line.At(i) == 'M') ++i;
    i = line.SkipSpaces(i);
    if (i >= line.length) return 0;
    end = line.SkipField(i);
    if (end >= line.length) return 0;
    if (line.text[i] == '<') {
        record.SetAttributes(FILE_ATTRIBUTE_DIRECTORY);
    } else {
        record.SetAttributes(FILE_ATTRIBUTE_NORMAL);
        uint64_t size = 0;
        if (!line.Size(i, end, size)) return 0;
        record.SetFileSize(size);
    }
    i = line.SkipSpaces(end);
    if (i >= line.length) return 0;
    if (!StoreDate(record, year, month, day, hour, minute)) return 0;
    return SetName(record, line.text + i, line.length - i) ? 1 : 0;
}

} // namespace

int ParseFtpListLine(const char* text, size_t length, CBasicFileFindInfo& record, int64_t now) {
    if (!text || length < 2) return 0;
    Line line {text, length};
    switch (text[0]) {
    case '+': return ParseEplf(line, record);
    case '-': case 'b': case 'c': case 'd': case 'l': case 'p': case 's': return ParseUnix(line, record, now);
    default: break;
    }
    size_t semicolon = line.Find(0, ';');
    if (semicolon < length) return ParseVms(line, semicolon, record);
    if (text[0] >= '0' && text[0] <= '9') return ParseDos(line, record);
    return 0;
}
