#include "Pendrel/Platform/KVXFonts.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>

#include <algorithm>
#include <cmath>
#include <cwchar>

#include "Pendrel/Platform/KVXText.h"

namespace {

QFont::StyleHint StyleHintOf(BYTE pitchAndFamily) {
    switch (pitchAndFamily & 0xF0) {
    case FF_ROMAN: return QFont::Serif;
    case FF_SWISS: return QFont::SansSerif;
    case FF_MODERN: return QFont::TypeWriter;
    case FF_SCRIPT: return QFont::Cursive;
    case FF_DECORATIVE: return QFont::Decorative;
    default: return (pitchAndFamily & 0x03) == FIXED_PITCH ? QFont::TypeWriter : QFont::AnyStyle;
    }
}

// The pixel size whose cell (ascent plus descent) comes closest to height.
int PixelSizeForCell(QFont font, int height) {
    font.setPixelSize(height);
    const int cell = QFontMetrics(font).height();
    if (cell <= height || cell <= 0) return height;
    return std::max(1, static_cast<int>(std::lround(static_cast<double>(height) * height / cell)));
}

} // namespace

QFont KVXFontFromLogFont(const LOGFONTW& logFont) {
    QFont font = QGuiApplication::font();
    const size_t faceLength = wcsnlen(logFont.lfFaceName, LF_FACESIZE);
    if (faceLength > 0) font.setFamilies({KVXToQString(logFont.lfFaceName, static_cast<int>(faceLength))});
    font.setStyleHint(StyleHintOf(logFont.lfPitchAndFamily));
    font.setFixedPitch((logFont.lfPitchAndFamily & 0x03) == FIXED_PITCH);
    if (logFont.lfHeight < 0) font.setPixelSize(-logFont.lfHeight);
    else if (logFont.lfHeight > 0) font.setPixelSize(PixelSizeForCell(font, logFont.lfHeight));
    if (logFont.lfWeight > 0) font.setWeight(static_cast<QFont::Weight>(std::clamp<LONG>(logFont.lfWeight, 1, 1000)));
    else font.setWeight(QFont::Normal);
    font.setItalic(logFont.lfItalic != 0);
    font.setUnderline(logFont.lfUnderline != 0);
    font.setStrikeOut(logFont.lfStrikeOut != 0);
    if (logFont.lfQuality == NONANTIALIASED_QUALITY) font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

LOGFONTW KVXLogFontFromFont(const QFont& font) {
    LOGFONTW logFont = {};
    const int pixels = font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize();
    logFont.lfHeight = -pixels;
    logFont.lfWeight = static_cast<LONG>(font.weight());
    logFont.lfItalic = font.italic() ? 1 : 0;
    logFont.lfUnderline = font.underline() ? 1 : 0;
    logFont.lfStrikeOut = font.strikeOut() ? 1 : 0;
    logFont.lfCharSet = DEFAULT_CHARSET;
    if (font.fixedPitch()) logFont.lfPitchAndFamily = FIXED_PITCH;
    const QString family = font.family().left(LF_FACESIZE - 1);
    const int length = family.toWCharArray(logFont.lfFaceName);
    logFont.lfFaceName[length] = L'\0';
    return logFont;
}
