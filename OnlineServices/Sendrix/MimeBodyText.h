#pragma once
// The body of an e-mail as it goes on the wire: lines of at most 998
// characters (RFC 5322). A body with a longer line goes quoted-printable,
// and the boundary between the parts of a message is chosen afresh for
// every message so that no text of it can end a part.

#include <string>

// True when a line of text (lines end in CR LF) is longer than limit bytes.
bool HasLineLongerThan(const std::string& text, size_t limit);

// The quoted-printable form of text whose lines end in CR LF: the line
// ends stay, other lines are broken with soft line breaks ("=") so that no
// line is longer than 76 characters.
std::string QuotedPrintable(const std::string& text);

// A boundary of prefix and 32 random hexadecimal digits that occurs in
// none of the texts.
std::string NewBoundary(const std::string& prefix, const std::string& text);
