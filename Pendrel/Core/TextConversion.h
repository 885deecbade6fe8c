#pragma once
// Narrow text of the framework's files turned into wide strings.

#include "Pendrel/PendrelApi.h"
#include "utility/BasicString.h"

// Narrow text to a wide string. Encoding 2 is UTF-8: a byte that starts or
// continues no valid sequence becomes U+FFFD; a null text logs the
// conversion error (87) and gives "". Encodings 1, 3 and 4 give ""; any
// other is reported as an assertion and gives "".
PENDREL_API CBasicString ConvertToBasicString(const char* text, int encoding);
