#pragma once
// Text in the header of an e-mail, which may only carry ASCII: a header
// value with other characters goes out as encoded words ("=?UTF-8?B?...?="),
// and a parameter such as an attachment's file name as a quoted string or,
// with other characters, in its extended form ("filename*=UTF-8''...").

#include <string>
#include <vector>

// The value of an unstructured header (a subject) from its UTF-8 text:
// unchanged when it is printable ASCII of at most 900 characters, folded
// before blanks when it is longer, else (other characters, or a word too
// long for a line) encoded words of at most 75 characters, folded onto
// continuation lines, never splitting a character. No line passes the 998
// characters a header line may hold.
std::string EncodedHeaderText(const std::string& utf8);

// Items (addresses) joined by ',' on one line, folded onto continuation
// lines where the line would pass 900 characters.
std::string FoldedList(const std::vector<std::string>& items);

// "name=value" for a MIME parameter from its UTF-8 value: the value as it
// stands when it is a plain token, quoted when it holds blanks or special
// characters, and "name*=UTF-8''%XX..." when it holds other than ASCII.
std::string MimeParameter(const std::string& name, const std::string& utf8);
