#pragma once
// The system's printf-style wide formatter. Every format of the system goes
// through it (the string class's Format, log messages, message definitions,
// string tables), with the meanings the formats were written for:
//
//   %s %ls %lS %ws   wide text          %S %hs %hS       narrow text (Windows-1252)
//   %c %lc %wc %lC   wide character     %C %hc %hC       narrow character
//   %d %i %u %x %X %o                   32-bit integers (also with 'l': LONG
//                                       and DWORD are 32-bit; a caller never
//                                       passes a 64-bit Linux long for %ld)
//   %I64d %lld %zu %Id %jd %td          64-bit integers (%hd, %hhd: short, char)
//   %e %E %f %g %G %a %A                double (the decimal point is always '.')
//   %p                                  the pointer as 16 upper-case hex digits
//   %%                                  a percent sign
//
// with the flags '-', '+', ' ', '#', '0', a width and a precision (each may
// be '*'). A null text prints "(null)". %n takes its pointer and writes
// nothing. A conversion letter it does not know is reported as an
// assertion, takes no argument and is copied as it stands; a negative '*'
// width (left-justified) or precision (ignored) is reported too.

#include <cstdarg>
#include <cstddef>
#include <string>

class CFormatArguments;

// The formatted text. Without a format the result is empty.
std::wstring FormatWide(const wchar_t* format, va_list args);

// Formats into out (replacing its content); false when the text would grow
// beyond maxLength characters (out is then empty) or there is no format.
bool FormatWideInto(std::wstring& out, const wchar_t* format, va_list args, size_t maxLength);
bool FormatWideFrom(std::wstring& out, const wchar_t* format, CFormatArguments& args, size_t maxLength);
