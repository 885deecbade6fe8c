#include "Pendrel/Core/ProgressText.h"

CBasicString FormatProgressPair(int current, int total) {
    CBasicString text;
    text.Format(L"%02d / %02d", current, total);
    return text;
}
