#pragma once
// Length-prefixed fields, the unit from which records are serialised into
// byte buffers (connection profiles, file-system item records): a signed
// 32-bit little-endian byte count L, then L bytes of payload, no terminator
// and no padding. Text payloads are UTF-16LE (L counts bytes, so a text of n
// UTF-16 units has L = 2n), UTF-8 or Windows-1252, by the function used.
//
// Every function takes the position as a byte offset into the buffer and
// advances it past what it wrote or read. A reader first needs the 4 bytes
// of L (else an assertion report, pos unchanged), moves pos behind them,
// then needs the whole payload (else an assertion report, pos standing
// behind the length). L counts as unsigned, so a negative one never fits.
// Text payloads end at their first zero unit.

#include <string>

#include "compat/WinTypes.h"
#include "utility/BasicString.h"

// Writes L = 2 x the text's UTF-16 length, then its UTF-16LE units. The
// caller sizes the buffer (the sum of 4 + L over its fields); a null text is
// an assertion report and writes nothing.
void WriteSizedString(BYTE* buffer, const wchar_t* text, int& pos);
// Writes L = length, then the bytes.
void WriteSizedBytes(BYTE* buffer, const void* data, int length, int& pos);
// Writes the text as UTF-8 -> 1; 0 (nothing written) when the field does
// not fit in bufferSize, or with an assertion report for a null text.
int WriteSizedUtf8String(BYTE* buffer, unsigned bufferSize, const wchar_t* text, unsigned& pos);

// The payload in a new[] array (delete[] it), its size in outLength; null
// (outLength 0) for an empty field or one that cannot be read.
BYTE* ReadSizedBytes(const BYTE* src, unsigned srcSize, unsigned& outLength, unsigned& pos);
// wide != 0: UTF-16LE text, else Windows-1252 text. out is assigned only
// when the field was read.
void ReadSizedString(const BYTE* src, unsigned srcSize, CBasicString& out, unsigned& pos, int wide);
void ReadSizedUtf8String(const BYTE* src, unsigned srcSize, CBasicString& out, unsigned& pos);
// As ReadSizedString; out becomes empty when the field cannot be read.
void ReadSizedStdString(const BYTE* src, unsigned srcSize, std::wstring& out, unsigned& pos, int wide);
