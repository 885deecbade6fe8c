#pragma once
// What the learning view and the quiz share as windows of the tutor page:
// the main window's return when they close, the logo band above their
// header line, the language names, and the colours and fonts of the
// settings.

#include <QColor>
#include <QFont>

#include "compat/WinTypes.h"
#include "utility/BasicString.h"

class QPainter;
class QWidget;

// The main window shows again, on top and active (ChildPlacement.h gave it
// the closing window's place).
void TutorShowOwner(QWidget* owner);
// The application's logo across the band above the header line (the
// band's height is lineTop), white without a logo.
void TutorPaintHeaderBand(QWidget* window, int lineTop);

// The name of a language of the database; empty when there is none.
CBasicString TutorLanguageName(int id);
// Colours a label's or an edit's text.
void TutorSetTextColor(QWidget* widget, const QColor& color);

// Colours and fonts of the settings (system defaults without an
// application object).
QColor TutorNormalColor();
QColor TutorKnownColor();
QColor TutorUnknownColor();
QFont TutorNormalFont(const QFont& fallback);
QFont TutorLeftFont(const QFont& fallback);
QFont TutorRightFont(const QFont& fallback);
QColor TutorColorFromRef(COLORREF color);
