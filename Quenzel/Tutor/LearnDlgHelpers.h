#pragma once
// What the learning view and the quiz share as windows of the tutor page:
// their saved placement, the hand-over of the placement to the main window
// when they close, the logo band above their header line, and the colours
// and fonts of the settings.

#include <QColor>
#include <QFont>

#include "compat/WinTypes.h"
#include "utility/BasicString.h"

class QPainter;
class QWidget;

// Stores the window's position and size as the placement of the kind
// (PlacementKind of the settings).
void TutorSaveWindowPlacement(QWidget* window, int kind);
// Moves the window to the saved placement of the kind; a placement of all
// zeros leaves it where it is. TRUE when it moved.
BOOL TutorApplyWindowPlacement(QWidget* window, int kind);
// The main window takes the closing window's place and shows again, on
// top and active.
void TutorRestoreOwner(QWidget* closing, QWidget* owner);
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
