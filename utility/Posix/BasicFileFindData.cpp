#include "utility/Posix/BasicFileFindData.h"

#include <unistd.h>

CBasicFileFindData::~CBasicFileFindData() { Reset(); }

void CBasicFileFindData::Reset() {
    if (folder >= 0) close(folder);
    folder = -1;
    names.clear();
    position = 0;
    root.Empty();
    scratch.Empty();
    entries.clear();
    current = CBasicFileFindInfo();
}
