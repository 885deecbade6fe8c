#pragma once
// Command lines in the system's form: one text that holds the program and
// its parameters, quoted by the rules the programs' start-up code applies.

#include <string>
#include <vector>

#include "utility/BasicString.h"

// Splits a command line into the program and its parameters, both trimmed
// of white space. Without a blank at index 1 or later the whole text is the
// program. When no double quote stands before the first blank, the program
// is the text before that blank and the parameters the text after it.
// Otherwise the program is the text between the first double quote and the
// next one and the parameters the text after it; without a closing double
// quote both stay empty. A null command line counts as "".
void SplitProgramAndParameters(const wchar_t* commandLine, CBasicString& program, CBasicString& parameters);

// Splits parameters into the argument vector a program receives:
// - blanks and tabs outside double quotes separate arguments;
// - a double quote starts or ends a quoted part; inside one, two double
//   quotes give one double quote and the part goes on;
// - 2n backslashes before a double quote give n backslashes and the quote
//   acts as above; 2n + 1 backslashes give n backslashes and a literal
//   double quote; backslashes before anything else stay as they are;
// - "" gives an empty argument.
std::vector<std::wstring> SplitCommandArguments(const wchar_t* parameters);
