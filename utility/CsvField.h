#pragma once
// Reading one field of a comma-separated (or otherwise separated) line.

#include <vector>

// Reads the field at pos of length bytes of text into out (always ending in
// a 0 byte) and moves pos behind it -> 1.
//
// Outside quotes the field ends at the separator, CR or LF (pos moves past
// it) or at a 0 byte; a double quote opens quotes only as the field's first
// character. Inside quotes every byte counts, two double quotes give one,
// and a single one closes the quotes; what follows a closing quote is added
// up to the separator (a quoted ab followed by cd gives abcd). A line that
// ends in CR LF leaves pos on the LF, so the next call gives an empty field.
//
// pos at the end gives an empty field and 1; a null text, length 0 or pos
// past the end give an empty field, an assertion report and 0.
int ReadCsvField(const char* text, unsigned length, unsigned& pos, char separator, std::vector<char>& out);
