#pragma once
// The description of a text that CKVXImage::DrawStringEx renders into an
// image; CKVXImage::InitTextInfo fills one with the defaults.

#include "compat/WinTypes.h"

struct tagKVXTextInfo {
    wchar_t textBuffer[4096];  // the text; lines separated by carriage returns
    LOGFONTW font;
    COLORREF textColor;
    int32_t alignment;         // 0 left, 1 centre, 2 right; any other value counts as 1
    bool boxed;                // a filled box is drawn behind the text
    COLORREF boxColor;
    float boxBlend;            // weight of the image under the box, 0.0 to 1.0
    BYTE boxRound;             // corner radius in percent of the line height, at most 50
};
