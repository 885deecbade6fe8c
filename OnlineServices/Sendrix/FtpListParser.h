#pragma once
// Lines of an FTP "LIST" answer turned into directory-entry records. Four
// styles are understood, chosen by the first character: EPLF ('+'), the
// Unix long listing ('-', 'b', 'c', 'd', 'l', 'p', 's'), VMS (any other
// line with a ';') and DOS/Windows (a digit). A record gets the name, the
// attributes (FILE_ATTRIBUTE_DIRECTORY for a folder, FILE_ATTRIBUTE_NORMAL
// for a plain file), the size and the last-write time (UTC); dates without
// a year take the year that puts them less than 350 days before now, or
// after it. A size that is not a plain count (a sign, a letter, more than a
// signed 64-bit value holds) and a name that is "." or ".." or holds a path
// separator give no record: nobody writes outside a folder by a listed name.

#include <cstddef>
#include <cstdint>

class CBasicFileFindInfo;

// 1 when the line (length bytes, UTF-8) gave a record, else 0. now is the
// present moment in seconds since 1970.
int ParseFtpListLine(const char* line, size_t length, CBasicFileFindInfo& record, int64_t now);
