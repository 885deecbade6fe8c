#pragma once
// CTextFile: the line reader of the vocabulary files the user imports, and
// the detection of a file's text type from its first bytes.
//
// Text types:
//   0 not valid UTF-8 (read as the ANSI code page)
//   1 UTF-8 with the mark EF BB BF
//   2 UTF-16 big endian with the mark FE FF
//   3 UTF-16 little endian with the mark FF FE
//   4 UTF-8 without a mark, with multi-byte sequences
//   5 only 7-bit characters
//   7 UTF-16 little endian without a mark
//   8 no data: an empty file or one that cannot be opened

#include <cstdio>
#include <string>

#include "utility/BasicString.h"

enum {
    TEXT_TYPE_ANSI = 0,
    TEXT_TYPE_UTF8_BOM = 1,
    TEXT_TYPE_UTF16_BE_BOM = 2,
    TEXT_TYPE_UTF16_LE_BOM = 3,
    TEXT_TYPE_UTF8 = 4,
    TEXT_TYPE_ASCII = 5,
    TEXT_TYPE_UTF16_LE = 7,
    TEXT_TYPE_EMPTY = 8
};

// The bytes that GetFileTextType looks at.
constexpr size_t kTextTypeSample = 0x20000;

class CTextFile {
public:
    CTextFile() = default;
    virtual ~CTextFile();
    CTextFile(const CTextFile&) = delete;
    CTextFile& operator=(const CTextFile&) = delete;

    // 0 when opened, -1 otherwise (logged to the program's log when there
    // is one). Any open file is closed first.
    int Open(const wchar_t* path, const wchar_t* mode);
    void Close();
    bool IsOpen() const { return m_file != nullptr; }

    // The next line without its line end (LF, or CR LF) into line: 0, -8 at
    // the end of the file with nothing left, -7 when the file cannot be
    // repositioned, -1 without an open file. A zero byte ends the text of
    // the line; the rest of that line is skipped.
    int ReadLine(std::string& line);

private:
    FILE* m_file = nullptr;
};

// The text type of the bytes.
int GetTextType(const unsigned char* bytes, size_t size);
// The text type of the first kTextTypeSample bytes of the file.
int GetFileTextType(const wchar_t* path);
// 1 when the bytes look like UTF-16 little-endian text without a mark:
// an even size, no code unit 0 before the end, no unpaired surrogate, and
// most code units in the ranges of letters and punctuation.
int LooksLikeUtf16(const unsigned char* bytes, size_t size);
// The text of the bytes of a file of the type, without its byte-order mark:
// UTF-16 as UTF-16, UTF-8 as UTF-8, anything else as the ANSI code page.
std::wstring DecodeText(const unsigned char* bytes, size_t size, int type);
