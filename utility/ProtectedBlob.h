#pragma once
// The protected password blob: how the programs keep a password they must
// give back later (the synchronisation password, the password of an online
// profile). The text is encrypted with the zip encryption (BasicZipCrypt.h)
// under a password made at run time from the CRC-32 of the text, which the
// blob holds in clear: so the blob only hides the text from a casual look,
// it does not protect it.
//
// Layout (integers little-endian):
//   u32 format (bit 0: text and password are UTF-16LE; written as 1)
//   u32 seed   (zlib crc32 of the plaintext bytes)
//   u32 L = h + e + 4
//   u16 h, h header bytes (the 12-byte zip encryption header)
//   u16 e, e extra bytes (none as written)
//   the encrypted plaintext (no terminator)
// The zip password is the seed in decimal digits (UTF-16LE digits when
// format bit 0 is set, else bytes).
//
// Type 1 is the blob's type; type 3 works the same way but every call with
// it is an assertion report. Other types are refused (assertion report, 0).

#include <vector>

#include "compat/WinTypes.h"

class CBasicString;

// The text's blob into blob (replacing its content): 1 done, 0 not (a null
// or empty text gives 0 at once).
int EncryptProtectedBlob(const wchar_t* text, std::vector<BYTE>& blob, int type);

// The text of a blob (emptied first): 1 done, 0 when the blob is
// malformed (assertion report for blobs of 11 bytes or less and for an
// info length past the end). A wrong seed or header cannot be told from a
// right one: the text is then garbage.
int DecryptProtectedBlob(const BYTE* blob, unsigned size, CBasicString& text, int type);

// value as decimal digits with a terminator in buffer (size characters): 1
// done, 0 when the digits do not fit in size - 1 characters. A null buffer
// or a size of 0 is an assertion report and 0.
int FormatDecimalW(DWORD value, wchar_t* buffer, int size);
int FormatDecimalA(DWORD value, char* buffer, int size);
