#pragma once
// Wide text of the system to and from Qt's strings. wchar_t holds UTF-32
// here; characters that are no Unicode scalar value become U+FFFD.

#include <QString>

#include "Pendrel/PendrelApi.h"
#include "utility/BasicString.h"

// length -1: up to the terminating 0. Null gives an empty string.
PENDREL_API QString KVXToQString(const wchar_t* text, int length = -1);
inline QString KVXToQString(const CBasicString& text) {
    return KVXToQString(text.GetString(), text.GetLength());
}
PENDREL_API CBasicString KVXFromQString(const QString& text);
