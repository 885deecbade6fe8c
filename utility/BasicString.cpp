#include "utility/BasicString.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <new>
#include <string>
#include <utility>

#include "utility/AnsiCodePage.h"
#include "utility/ErrorReport.h"
#include "utility/StringTable.h"
#include "utility/UnicodeCase.h"
#include "utility/WideFormat.h"

namespace {

const char kSourceFile[] = ".\\BasicString";
constexpr int kLineLoadStringModule = 835;
constexpr int kLineGetAtNegative = 895;
constexpr int kLineGetAtPastEnd = 896;
constexpr int kLineSetAtNegative = 910;
constexpr int kLineSetAtPastEnd = 911;
constexpr int kLineCompareText = 923;
constexpr int kLineCompareNoCaseText = 933;
constexpr int kLineMidStart = 967;
constexpr int kLineReplaceTextLength = 1266;
constexpr int kLineFindPattern = 1399;
constexpr int kLineFindOneOfSet = 1418;
constexpr int kLineFormat = 1472;
constexpr int kLineGetStringAtNegative = 1774;
constexpr int kLineGetStringAtPastEnd = 1775;
constexpr int kLineAllocTooSmall = 1928;
constexpr int kLineAllocTooLarge = 1929;

// A source text is taken only when it is shorter than this.
constexpr size_t kSourceLimit = (size_t)1 << 30;
// A buffer holds fewer characters than this.
constexpr long long kBufferLimit = 0x7FFFFFFF;

// The text of every empty string. Never written (a writer may only write
// within the length, which is 0) and never freed.
wchar_t s_emptyText[1] = {0};

// Length of a source text; 0 for null or a text of 2^30 characters or more.
int SourceLength(const wchar_t* text) {
    if (!text) return 0;
    size_t n = wcsnlen(text, kSourceLimit);
    return n >= kSourceLimit ? 0 : (int)n;
}

int BoundedLength(const wchar_t* text, int len) {
    if (!text || len <= 0) return 0;
    size_t n = wcsnlen(text, (size_t)len);
    return n >= kSourceLimit ? 0 : (int)n;
}

template <typename Predicate>
int LeadingRun(const wchar_t* text, int len, Predicate matches) {
    int n = 0;
    while (n < len && matches(text[n])) ++n;
    return n;
}

template <typename Predicate>
int TrailingRunStart(const wchar_t* text, int len, Predicate matches) {
    int n = len;
    while (n > 0 && matches(text[n - 1])) --n;
    return n;
}

} // namespace

// ---------------------------------------------------------------------------
// Lifetime and buffer

CBasicString::CBasicString() {}

CBasicString::CBasicString(const CBasicString& other) { Take(other.GetString(), other.GetLength()); }

CBasicString::CBasicString(CBasicString&& other) noexcept
    : m_text(other.m_text), m_capacity(other.m_capacity), m_length(other.m_length) {
    other.m_text = nullptr;
    other.m_capacity = 0;
    other.m_length = 0;
}

CBasicString::CBasicString(const wchar_t* text) { Take(text, SourceLength(text)); }

CBasicString::CBasicString(const wchar_t* text, int len) { Take(text, BoundedLength(text, len)); }

CBasicString::CBasicString(const char* text) {
    if (!text) return;
    size_t n = strnlen(text, kSourceLimit);
    if (n >= kSourceLimit) return;
    std::wstring wide = AnsiToWide(text, n);
    Take(wide.data(), (int)wide.size());
}

CBasicString::CBasicString(const char* text, int len) {
    if (!text || len <= 0) return;
    size_t n = strnlen(text, (size_t)len);
    if (n >= kSourceLimit) return;
    std::wstring wide = AnsiToWide(text, n);
    Take(wide.data(), (int)wide.size());
}

CBasicString::CBasicString(wchar_t ch, int count) {
    if (ch == 0 || count <= 0 || (size_t)count >= kSourceLimit || !Grow(count)) return;
    std::fill(m_text, m_text + count, ch);
    SetLength(count);
}

CBasicString::CBasicString(char ch, int count) : CBasicString((wchar_t)(unsigned char)ch, count) {}

CBasicString::~CBasicString() { delete[] m_text; }

int CBasicString::AllocBuffer(int len) {
    if (len <= 0) {
        ReportAssertion(0, kSourceFile, kLineAllocTooSmall);
        Empty();
        return 0;
    }
    if (len >= kBufferLimit) {
        ReportAssertion(0, kSourceFile, kLineAllocTooLarge);
        Empty();
        return 0;
    }
    wchar_t* buffer = new (std::nothrow) wchar_t[(size_t)len + 1]();
    if (!buffer) {
        Empty();
        return 0;
    }
    delete[] m_text;
    m_text = buffer;
    m_capacity = len;
    m_length = -1;
    return 1;
}

void CBasicString::FreeBuffer() {
    delete[] m_text;
    m_text = nullptr;
    m_capacity = 0;
    m_length = 0;
}

void CBasicString::SetEmptyBuffer() { FreeBuffer(); }

void CBasicString::Empty() { FreeBuffer(); }

void CBasicString::AssignCopy(const wchar_t* text) { Take(text, SourceLength(text)); }

int CBasicString::KnownLength() const {
    if (!m_text) return 0;
    return m_length >= 0 ? m_length : (int)wcslen(m_text);
}

int CBasicString::SettleLength() {
    m_length = KnownLength();
    return m_length;
}

void CBasicString::SetLength(int length) {
    if (!m_text) return;
    m_text[length] = 0;
    m_length = length;
}

bool CBasicString::Holds(const wchar_t* p) const {
    if (!m_text || !p) return false;
    uintptr_t at = (uintptr_t)p;
    return at >= (uintptr_t)m_text && at <= (uintptr_t)(m_text + m_capacity);
}

// Makes room for length characters, keeping the text; spare room doubles
// so that appending stays linear and copies the text about once.
bool CBasicString::Grow(int length) {
    if (length <= m_capacity) return true;
    int current = SettleLength();
    long long capacity = std::max<long long>({(long long)length, 2LL * m_capacity, 15LL});
    capacity = std::min(capacity, kBufferLimit - 1);
    wchar_t* buffer = new (std::nothrow) wchar_t[(size_t)capacity + 1];
    if (!buffer) {
        Empty();
        return false;
    }
    if (m_text) wmemcpy(buffer, m_text, (size_t)current);
    buffer[current] = 0;
    delete[] m_text;
    m_text = buffer;
    m_capacity = (int)capacity;
    m_length = current;
    return true;
}

// Replaces the text with length characters of text, which may lie inside
// the string's own buffer.
void CBasicString::Take(const wchar_t* text, int length) {
    if (!text || length <= 0) {
        Empty();
        return;
    }
    if (length <= m_capacity) {
        wmemmove(m_text, text, (size_t)length);
        SetLength(length);
        return;
    }
    wchar_t* buffer = new (std::nothrow) wchar_t[(size_t)length + 1];
    if (!buffer) {
        Empty();
        return;
    }
    wmemcpy(buffer, text, (size_t)length);
    buffer[length] = 0;
    delete[] m_text;
    m_text = buffer;
    m_capacity = length;
    m_length = length;
}

void CBasicString::AppendText(const wchar_t* text, int length) {
    if (!text || length <= 0) return;
    if (m_length >= 0 && length <= m_capacity - m_length) {
        // Room enough: nothing moves, so even a piece of this very text
        // can be copied to its end.
        wchar_t* end = m_text + m_length;
        if (length <= 16 && !Holds(text)) {
            // Short pieces are the usual ones; a loop beats the call.
            for (int i = 0; i < length; ++i) end[i] = text[i];
        } else {
            wmemmove(end, text, (size_t)length);
        }
        SetLength(m_length + length);
        return;
    }
    if (Holds(text)) {
        CBasicString copy(text, length);
        AppendText(copy.GetString(), copy.GetLength());
        return;
    }
    int current = SettleLength();
    long long total = (long long)current + length;
    if (total >= kBufferLimit) {
        ReportAssertion(0, kSourceFile, kLineAllocTooLarge);
        Empty();
        return;
    }
    if (!Grow((int)total)) return;
    wmemcpy(m_text + current, text, (size_t)length);
    SetLength((int)total);
}

// ---------------------------------------------------------------------------
// Assignment and concatenation

CBasicString& CBasicString::operator=(const wchar_t* text) {
    AssignCopy(text);
    return *this;
}

CBasicString& CBasicString::operator=(const CBasicString& other) {
    if (this != &other) Take(other.GetString(), other.GetLength());
    return *this;
}

CBasicString& CBasicString::operator=(CBasicString&& other) noexcept {
    if (this != &other) {
        delete[] m_text;
        m_text = other.m_text;
        m_capacity = other.m_capacity;
        m_length = other.m_length;
        other.m_text = nullptr;
        other.m_capacity = 0;
        other.m_length = 0;
    }
    return *this;
}

CBasicString& CBasicString::operator=(const char* text) {
    *this = CBasicString(text);
    return *this;
}

CBasicString& CBasicString::operator=(char ch) { return *this = (wchar_t)(unsigned char)ch; }

CBasicString& CBasicString::operator=(wchar_t ch) {
    Take(&ch, ch ? 1 : 0);
    return *this;
}

// Append when the text is not a short piece that fits the spare room.
void CBasicString::AppendMeasured(const wchar_t* text, size_t length) {
    AppendText(text, (int)std::min(length, (size_t)kBufferLimit));
}

void CBasicString::AppendString(const CBasicString& other) { AppendText(other.GetString(), other.GetLength()); }

void CBasicString::AppendAnsiChar(char ch) { AppendChar((wchar_t)(unsigned char)ch); }

CBasicString& CBasicString::operator+=(const wchar_t* text) {
    Append(text);
    return *this;
}

CBasicString& CBasicString::operator+=(const CBasicString& other) {
    AppendString(other);
    return *this;
}

CBasicString& CBasicString::operator+=(wchar_t ch) {
    AppendChar(ch);
    return *this;
}

CBasicString& CBasicString::operator+=(char ch) {
    AppendAnsiChar(ch);
    return *this;
}

CBasicString ConcatStrings(const CBasicString& a, const CBasicString& b) {
    CBasicString result(a);
    result.AppendString(b);
    return result;
}

CBasicString ConcatStringChar(const CBasicString& a, wchar_t ch) {
    CBasicString result(a);
    result.AppendChar(ch);
    return result;
}

CBasicString ConcatStringAnsiChar(const CBasicString& a, char ch) {
    CBasicString result(a);
    result.AppendAnsiChar(ch);
    return result;
}

CBasicString ConcatCharString(wchar_t ch, const CBasicString& b) {
    CBasicString result(ch, 1);
    result.AppendString(b);
    return result;
}

CBasicString ConcatAnsiCharString(char ch, const CBasicString& b) {
    CBasicString result(ch, 1);
    result.AppendString(b);
    return result;
}

// ---------------------------------------------------------------------------
// Access and comparison

const wchar_t* CBasicString::GetString() const { return m_text ? m_text : s_emptyText; }

wchar_t* CBasicString::GetBuffer() {
    if (!m_text) return s_emptyText;
    m_length = -1;
    return m_text;
}

int CBasicString::IsEmpty() const { return !m_text || m_text[0] == 0; }

wchar_t CBasicString::GetAt(int index) const {
    int length = KnownLength();
    ReportAssertion(index >= 0, kSourceFile, kLineGetAtNegative);
    ReportAssertion(index <= length, kSourceFile, kLineGetAtPastEnd);
    if (index < 0 || index >= length) return 0;
    return m_text[index];
}

void CBasicString::SetAt(int index, wchar_t ch) {
    int length = SettleLength();
    ReportAssertion(index >= 0, kSourceFile, kLineSetAtNegative);
    ReportAssertion(index < length, kSourceFile, kLineSetAtPastEnd);
    if (index < 0 || index >= length) return;
    m_text[index] = ch;
    if (ch == 0) m_length = index;
}

const wchar_t* CBasicString::GetStringAt(int index) const {
    int length = KnownLength();
    ReportAssertion(index >= 0, kSourceFile, kLineGetStringAtNegative);
    ReportAssertion(index < length, kSourceFile, kLineGetStringAtPastEnd);
    if (index < 0 || index >= length) return GetString();
    return m_text + index;
}

// Code points compare as unsigned values. Texts stored as UTF-16 order
// characters beyond U+FFFF before U+E000..U+FFFF; here they come after.
// Nothing stored depends on that order.
int CBasicString::Compare(const wchar_t* text) const {
    ReportAssertion(text != nullptr, kSourceFile, kLineCompareText);
    if (!text) text = L"";
    const wchar_t* own = GetString();
    for (size_t i = 0;; ++i) {
        uint32_t a = (uint32_t)own[i];
        uint32_t b = (uint32_t)text[i];
        if (a != b) return a < b ? -1 : 1;
        if (a == 0) return 0;
    }
}

int CBasicString::CompareNoCase(const wchar_t* text) const {
    ReportAssertion(text != nullptr, kSourceFile, kLineCompareNoCaseText);
    return CompareTextNoCase(GetString(), text);
}

bool CBasicString::operator<(const CBasicString& other) const { return Compare(other.GetString()) < 0; }

// ---------------------------------------------------------------------------
// Extraction

CBasicString CBasicString::Left(int count) const {
    int length = KnownLength();
    if (count < 0) count = 0;
    if (count >= length) return *this;
    return CBasicString(GetString(), count);
}

CBasicString CBasicString::Right(int count) const {
    int length = KnownLength();
    if (count < 0) count = 0;
    if (count >= length) return *this;
    return CBasicString(GetString() + length - count, count);
}

CBasicString CBasicString::Mid(int start, int count) const {
    int length = KnownLength();
    if (start < 0) start = 0;
    if (count < 0) count = 0;
    if (start > length) {
        ReportAssertion(0, kSourceFile, kLineMidStart);
        return CBasicString();
    }
    count = std::min(count, length - start);
    return CBasicString(GetString() + start, count);
}

CBasicString CBasicString::MidToEnd(int start) const {
    long long count = (long long)KnownLength() - start;
    return Mid(start, (int)std::clamp<long long>(count, 0, 0x7FFFFFFF));
}

// ---------------------------------------------------------------------------
// Search

int CBasicString::FindChar(wchar_t ch) const { return FindCharFrom(ch, 0); }

int CBasicString::FindCharFrom(wchar_t ch, int start) const {
    if (start < 0) start = 0;
    if (ch == 0 || start >= KnownLength()) return -1;
    const wchar_t* found = wcschr(m_text + start, ch);
    return found ? (int)(found - m_text) : -1;
}

int CBasicString::ReverseFind(wchar_t ch) const {
    if (ch == 0 || !m_text) return -1;
    const wchar_t* found = wcsrchr(m_text, ch);
    return found ? (int)(found - m_text) : -1;
}

int CBasicString::Find(const wchar_t* pattern) const { return FindFrom(pattern, 0); }

int CBasicString::FindFrom(const wchar_t* pattern, int start) const {
    ReportAssertion(pattern != nullptr, kSourceFile, kLineFindPattern);
    if (!pattern) return -1;
    if (start < 0) start = 0;
    if (start > KnownLength()) return -1;
    const wchar_t* text = GetString();
    const wchar_t* found = wcsstr(text + start, pattern);
    return found ? (int)(found - text) : -1;
}

int CBasicString::FindOneOf(const wchar_t* set) const {
    ReportAssertion(set != nullptr, kSourceFile, kLineFindOneOfSet);
    if (!set) return -1;
    const wchar_t* text = GetString();
    const wchar_t* found = wcspbrk(text, set);
    return found ? (int)(found - text) : -1;
}

int CBasicString::CommonPrefixLength(const wchar_t* other) const {
    if (!other) return -1;
    int shorter = (int)std::min<size_t>((size_t)KnownLength(), wcslen(other));
    if (shorter == 0) return -1;
    const wchar_t* text = GetString();
    int n = 0;
    while (n < shorter && text[n] == other[n]) ++n;
    return n;
}

// ---------------------------------------------------------------------------
// In-place changes

void CBasicString::MakeUpper() {
    int length = SettleLength();
    for (int i = 0; i < length; ++i) m_text[i] = ToUpperChar(m_text[i]);
}

void CBasicString::MakeLower() {
    int length = SettleLength();
    for (int i = 0; i < length; ++i) m_text[i] = ToLowerChar(m_text[i]);
}

void CBasicString::MakeReverse() {
    int length = SettleLength();
    if (length > 0) std::reverse(m_text, m_text + length);
}

void CBasicString::TrimLeft() {
    int length = SettleLength();
    int run = LeadingRun(GetString(), length, IsSpaceChar);
    if (run > 0) Delete(0, run);
}

void CBasicString::TrimRight() {
    int length = SettleLength();
    int end = TrailingRunStart(GetString(), length, IsSpaceChar);
    if (end < length) SetLength(end);
}

void CBasicString::TrimLeftChar(wchar_t ch) {
    int length = SettleLength();
    int run = LeadingRun(GetString(), length, [ch](wchar_t c) { return c == ch; });
    if (run > 0) Delete(0, run);
}

void CBasicString::TrimRightChar(wchar_t ch) {
    int length = SettleLength();
    int end = TrailingRunStart(GetString(), length, [ch](wchar_t c) { return c == ch; });
    if (end < length) SetLength(end);
}

int CBasicString::Replace(wchar_t oldChar, wchar_t newChar) {
    int length = SettleLength();
    if (oldChar == newChar || oldChar == 0 || length == 0) return 0;
    int count = 0;
    int end = length;
    for (int i = 0; i < length; ++i) {
        if (m_text[i] != oldChar) continue;
        m_text[i] = newChar;
        if (count++ == 0 && newChar == 0) end = i;
    }
    m_length = end;
    return count;
}

int CBasicString::Remove(wchar_t ch) {
    int length = SettleLength();
    if (ch == 0 || length == 0) return 0;
    wchar_t* end = std::remove(m_text, m_text + length, ch);
    int kept = (int)(end - m_text);
    SetLength(kept);
    return length - kept;
}

int CBasicString::ReplaceText(const wchar_t* pattern, const wchar_t* replacement) {
    if (!pattern || !*pattern) return 0;
    if (!replacement) replacement = L"";
    int length = SettleLength();
    size_t patternLength = wcslen(pattern);
    size_t replacementLength = wcslen(replacement);
    const wchar_t* text = GetString();
    long long count = 0;
    for (const wchar_t* p = wcsstr(text, pattern); p; p = wcsstr(p + patternLength, pattern)) ++count;
    if (count == 0) return 0;
    long long newLength = length + count * ((long long)replacementLength - (long long)patternLength);
    if (newLength >= kBufferLimit) {
        ReportAssertion(0, kSourceFile, kLineAllocTooLarge);
        Empty();
        return 0;
    }
    if (newLength == 0) {
        Empty();
        return (int)count;
    }
    // Built into a new buffer: pattern and replacement may lie in the old one.
    wchar_t* buffer = new (std::nothrow) wchar_t[(size_t)newLength + 1];
    if (!buffer) {
        Empty();
        return 0;
    }
    wchar_t* out = buffer;
    const wchar_t* from = text;
    for (const wchar_t* p = wcsstr(from, pattern); p; p = wcsstr(from, pattern)) {
        out = std::copy(from, p, out);
        out = std::copy(replacement, replacement + replacementLength, out);
        from = p + patternLength;
    }
    out = std::copy(from, text + length, out);
    *out = 0;
    ReportAssertion(out - buffer == newLength, kSourceFile, kLineReplaceTextLength);
    delete[] m_text;
    m_text = buffer;
    m_capacity = (int)newLength;
    m_length = (int)(out - buffer);
    return (int)count;
}

int CBasicString::Insert(int index, const wchar_t* text) {
    int length = SettleLength();
    int count = text ? SourceLength(text) : 0;
    if (count == 0) return length;
    if (Holds(text)) {
        CBasicString copy(text, count);
        return Insert(index, copy.GetString());
    }
    index = std::clamp(index, 0, length);
    long long total = (long long)length + count;
    if (total >= kBufferLimit) {
        ReportAssertion(0, kSourceFile, kLineAllocTooLarge);
        Empty();
        return 0;
    }
    if (!Grow((int)total)) return 0;
    wmemmove(m_text + index + count, m_text + index, (size_t)(length - index));
    wmemcpy(m_text + index, text, (size_t)count);
    SetLength((int)total);
    return (int)total;
}

int CBasicString::Insert(int index, wchar_t ch) {
    wchar_t text[2] = {ch, 0};
    return Insert(index, text);
}

int CBasicString::Delete(int index, int count) {
    int length = SettleLength();
    if (index < 0) index = 0;
    if (count <= 0 || index >= length) return length;
    count = std::min(count, length - index);
    wmemmove(m_text + index, m_text + index + count, (size_t)(length - index - count));
    SetLength(length - count);
    return length - count;
}

void CBasicString::RemovePrefixNoCase(const wchar_t* prefix) {
    int length = SettleLength();
    size_t n = prefix ? wcslen(prefix) : 0;
    if (n == 0 || n > (size_t)length) return;
    if (CompareTextNoCaseN(m_text, prefix, n) == 0) Delete(0, (int)n);
}

void CBasicString::RemoveSuffixNoCase(const wchar_t* suffix) {
    int length = SettleLength();
    size_t n = suffix ? wcslen(suffix) : 0;
    if (n == 0 || n > (size_t)length) return;
    if (CompareTextNoCaseN(m_text + length - n, suffix, n) == 0) SetLength(length - (int)n);
}

// ---------------------------------------------------------------------------
// Text production

void CBasicString::Format(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
}

void CBasicString::FormatV(const wchar_t* format, va_list args) {
    ReportAssertion(format != nullptr, kSourceFile, kLineFormat);
    if (!format || !*format) return;
    // Each thread formats into one reused buffer, so that formatting many
    // short texts does not allocate for every one. A format started while
    // that buffer is busy (a log sink that formats while it writes a report
    // of the formatter) uses a buffer of its own.
    thread_local std::wstring t_text;
    thread_local bool t_textBusy = false;
    std::wstring own;
    bool reuse = !t_textBusy;
    std::wstring& text = reuse ? t_text : own;
    t_textBusy = true;
    // A result too long to be taken leaves the string empty, as when memory
    // is short.
    bool formatted = FormatWideInto(text, format, args, kSourceLimit - 1);
    if (formatted) Take(text.data(), (int)text.size());
    else Empty();
    if (reuse) {
        if (text.capacity() > 4096) std::wstring().swap(text);
        t_textBusy = false;
    }
}

int CBasicString::LoadString(HINSTANCE module, UINT id) {
    ReportAssertion(module != nullptr, kSourceFile, kLineLoadStringModule);
    const wchar_t* text = module ? FindModuleString(module, id) : nullptr;
    if (!text || !*text) {
        Empty();
        return 0;
    }
    AssignCopy(text);
    return !IsEmpty();
}
