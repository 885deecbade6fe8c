#pragma once
// CBasicString: the wide-text value type of the whole system. Every class
// passes names, paths, messages and formatted text as a CBasicString or as
// the const wchar_t* it hands out. A plain value: copying always duplicates
// the text.
//
// - GetString never gives null: an empty string holds no buffer and hands
//   out one static empty text, which is never written or freed.
// - Narrow text is Windows-1252 (AnsiCodePage.h); a single byte given as a
//   char becomes the character of the same value.
// - A source text is taken only when its length is above 0 and below 2^30
//   characters; a longer one gives the empty string.
// - GetBuffer hands out the writable text. A writer may change characters
//   and end the text early with a 0, but never go past the current length;
//   the pointer stays valid until the next call that changes the string.
//   The length is counted again after such writes.
// - Appending keeps spare room, so building a text piece by piece is
//   linear.
// - Broken contracts (null texts, indexes out of range) are reported as
//   assertions (ErrorReport.h) and the operation takes its fallback.

#include <cstdarg>
#include <cstdint>
#include <cwchar>
#include <type_traits>

#include "compat/WinTypes.h"

class CBasicString {
public:
    CBasicString();
    CBasicString(const CBasicString& other);
    CBasicString(CBasicString&& other) noexcept;
    CBasicString(const wchar_t* text);
    // The first len characters (the whole text when len reaches its end).
    CBasicString(const wchar_t* text, int len);
    CBasicString(const char* text);
    // The first len bytes (up to a 0 byte), converted.
    CBasicString(const char* text, int len);
    CBasicString(wchar_t ch, int count);
    CBasicString(char ch, int count);
    ~CBasicString();

    // Replaces the text with len + 1 zero characters, which a writer may
    // fill through GetBuffer; 0 (and the string empty) when len is not
    // above 0 and below 2^31 - 1 or memory is short.
    int AllocBuffer(int len);
    // Drops the text; the string is empty.
    void FreeBuffer();
    void SetEmptyBuffer();
    void Empty();
    // Replaces the text with a copy of text (which may point into it).
    void AssignCopy(const wchar_t* text);

    CBasicString& operator=(const wchar_t* text);
    CBasicString& operator=(const CBasicString& other);
    CBasicString& operator=(CBasicString&& other) noexcept;
    CBasicString& operator=(const char* text);
    CBasicString& operator=(char ch);
    CBasicString& operator=(wchar_t ch);

    void Append(const wchar_t* text);
    void AppendString(const CBasicString& other);
    void AppendChar(wchar_t ch);
    void AppendAnsiChar(char ch);
    CBasicString& operator+=(const wchar_t* text);
    CBasicString& operator+=(const CBasicString& other);
    CBasicString& operator+=(wchar_t ch);
    CBasicString& operator+=(char ch);

    const wchar_t* GetString() const;
    wchar_t* GetBuffer();
    int GetLength() const;
    int IsEmpty() const;
    wchar_t GetAt(int index) const;
    void SetAt(int index, wchar_t ch);
    const wchar_t* GetStringAt(int index) const;

    // Ordinal comparison of the code points: -1, 0 or 1.
    int Compare(const wchar_t* text) const;
    // Case-insensitive comparison (UnicodeCase.h): < 0, 0 or > 0.
    int CompareNoCase(const wchar_t* text) const;
    bool operator<(const CBasicString& other) const;

    CBasicString Left(int count) const;
    CBasicString Right(int count) const;
    CBasicString Mid(int start, int count) const;
    CBasicString MidToEnd(int start) const;

    int FindChar(wchar_t ch) const;
    int FindCharFrom(wchar_t ch, int start) const;
    int ReverseFind(wchar_t ch) const;
    int Find(const wchar_t* pattern) const;
    int FindFrom(const wchar_t* pattern, int start) const;
    int FindOneOf(const wchar_t* set) const;
    int CommonPrefixLength(const wchar_t* other) const;

    void MakeUpper();
    void MakeLower();
    void MakeReverse();
    void TrimLeft();
    void TrimRight();
    void TrimLeftChar(wchar_t ch);
    void TrimRightChar(wchar_t ch);
    int Replace(wchar_t oldChar, wchar_t newChar);
    int Remove(wchar_t ch);
    int ReplaceText(const wchar_t* pattern, const wchar_t* replacement);
    int Insert(int index, const wchar_t* text);
    int Insert(int index, wchar_t ch);
    int Delete(int index, int count);
    void RemovePrefixNoCase(const wchar_t* prefix);
    void RemoveSuffixNoCase(const wchar_t* suffix);

    // printf-style formatting (WideFormat.h) into the string. An empty
    // format leaves the string as it is.
    void Format(const wchar_t* format, ...);
    void FormatV(const wchar_t* format, va_list args);

    // The module's string-table text of id (StringTable.h): 1 when there is
    // a non-empty one, else 0 and the string empty.
    int LoadString(HINSTANCE module, UINT id);

private:
    // Length while the text was changed only by this class; -1 after a
    // writer got the buffer, until the next change counts it again.
    int KnownLength() const;
    int SettleLength();
    bool Holds(const wchar_t* p) const;
    bool Grow(int length);
    void AppendMeasured(const wchar_t* text, size_t length);
    void Take(const wchar_t* text, int length);
    void AppendText(const wchar_t* text, int length);
    void SetLength(int length);

    wchar_t* m_text = nullptr;  // null while empty
    int m_capacity = 0;         // characters the buffer holds besides its terminator
    mutable int m_length = 0;
};

// Asked for on every step of building a text, so kept inline.
inline int CBasicString::GetLength() const {
    return m_length >= 0 ? (m_text ? m_length : 0) : KnownLength();
}

// A character into spare room is the common case of building a text, so it
// is done in place; everything else (no room yet, a text whose length a
// writer may have changed, the 0 character) takes the general path.
inline void CBasicString::AppendChar(wchar_t ch) {
    if (ch != 0 && m_length >= 0 && m_length < m_capacity) {
        m_text[m_length] = ch;
        m_text[++m_length] = 0;
        return;
    }
    if (ch) AppendText(&ch, 1);
}

// Appending a short piece into spare room is the common case of building a
// text, so it is done in place: measured once, copied with two moves of a
// fixed size that overlap in the middle, and terminated. (Where the piece is
// a literal the compiler also looks at the sizes this length does not take,
// and would warn about them.)
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
#pragma GCC diagnostic ignored "-Wstringop-overread"
#endif
inline void CBasicString::Append(const wchar_t* text) {
    if (!text) return;
    const size_t length = wcslen(text);
    const uintptr_t at = (uintptr_t)text;
    if (m_text && m_length >= 0 && length <= 16 && length <= (size_t)(m_capacity - m_length) &&
        (at > (uintptr_t)(m_text + m_capacity) || at + length * sizeof(wchar_t) <= (uintptr_t)m_text)) {
        char* const end = (char*)(m_text + m_length);
        const char* const from = (const char*)text;
        const size_t bytes = length * sizeof(wchar_t);
        // Both ends of the piece, each `size` bytes, read before either is written.
        auto ends = [&](auto constant) {
            constexpr size_t size = decltype(constant)::value;
            char head[size], tail[size];
            __builtin_memcpy(head, from, size);
            __builtin_memcpy(tail, from + bytes - size, size);
            __builtin_memcpy(end, head, size);
            __builtin_memcpy(end + bytes - size, tail, size);
        };
        if (length >= 8) ends(std::integral_constant<size_t, 32>());
        else if (length >= 4) ends(std::integral_constant<size_t, 16>());
        else if (length >= 2) ends(std::integral_constant<size_t, 8>());
        else if (length == 1) __builtin_memcpy(end, from, 4);
        m_text[m_length + (int)length] = 0;
        m_length += (int)length;
        return;
    }
    AppendMeasured(text, length);
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

CBasicString ConcatStrings(const CBasicString& a, const CBasicString& b);
CBasicString ConcatStringChar(const CBasicString& a, wchar_t ch);
CBasicString ConcatStringAnsiChar(const CBasicString& a, char ch);
CBasicString ConcatCharString(wchar_t ch, const CBasicString& b);
CBasicString ConcatAnsiCharString(char ch, const CBasicString& b);

inline CBasicString operator+(const CBasicString& a, const CBasicString& b) { return ConcatStrings(a, b); }
inline CBasicString operator+(const CBasicString& a, const wchar_t* b) { return ConcatStrings(a, CBasicString(b)); }
inline CBasicString operator+(const wchar_t* a, const CBasicString& b) { return ConcatStrings(CBasicString(a), b); }
inline CBasicString operator+(const CBasicString& a, wchar_t ch) { return ConcatStringChar(a, ch); }
inline CBasicString operator+(const CBasicString& a, char ch) { return ConcatStringAnsiChar(a, ch); }
inline CBasicString operator+(wchar_t ch, const CBasicString& b) { return ConcatCharString(ch, b); }
inline CBasicString operator+(char ch, const CBasicString& b) { return ConcatAnsiCharString(ch, b); }
