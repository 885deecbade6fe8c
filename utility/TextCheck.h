#pragma once
// Small tests and clean-ups of texts.

#include "utility/BasicString.h"

// 1 when the text does not survive conversion to Windows-1252 and back
// unchanged, else 0 (also for null).
int NeedsUnicode(const wchar_t* text);

// Cuts every run of white space to its first character, in place; runs at
// the start and the end are cut the same way, not removed.
void CollapseWhiteSpace(CBasicString& text);

// 1 for a GUID text of 36 characters, a '-' and a decimal number above 0
// ("<guid>-12"), white space around it ignored; else 0. A null or empty
// text is an assertion report and gives 0.
int IsGuidWithNumber(const wchar_t* text);
