#pragma once
// Reports of broken contracts and failed system calls. Neither ever stops
// the program, throws or shows anything; without a log sink nothing is
// written.
//
// Source-file texts are the relative source names with a leading ".\" and
// backslashes (".\BasicString", ".\Windows\BasicFile", ...): narrow for
// assertion reports, wide for error reports.

#include "compat/WinTypes.h"

class CAbstractLog;

// When condition is 0 and the module's library log sink is set, writes
// "Assert Failed!!!" with the source file and line through the sink's
// WriteSourceMessage. Execution always continues; the caller then takes its
// own fallback.
void ReportAssertion(int condition, const char* sourceFile, int line);

// Linux cannot probe memory for access, so these only check for null.
int IsValidAddress(const void* p, unsigned size, int writable);
int IsValidString(const wchar_t* s, int maxChars = -1);
int IsValidStringA(const char* s, int maxChars = -1);

// The error report of an object: with a log, the event (category, code) is
// written with two format arguments, the object's name and the detail text
// "(%d) %s" of the error code and its system text; verbose events go
// through DebugEventFormat (written only while the log is verbose), the
// others through LogEventFormat. Without a log nothing happens.
void ReportSystemError(CAbstractLog* log, const wchar_t* sourceFile, int line, const wchar_t* category, int code,
                       bool verbose, const wchar_t* name, DWORD error);

// The same event with the object's name as the only format argument, for
// reports that carry no system error.
void ReportObjectEvent(CAbstractLog* log, const wchar_t* sourceFile, int line, const wchar_t* category, int code,
                       bool verbose, const wchar_t* name);
