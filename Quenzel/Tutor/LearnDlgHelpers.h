#pragma once
// What the learning view and the quiz share as windows of the tutor page:
// the main window's return when they close, the logo band above their
// header line, the language names, and the colours and fonts of the
// settings.

#include <QColor>
#include <QFont>
#include <QRect>
#include <QSize>

#include <cstddef>
#include <map>
#include <vector>

#include <QPointer>

#include "Pendrel/Controls/AdvertiseDialog.h"
#include "compat/WinTypes.h"
#include "utility/BasicString.h"


class CAbstractDataBase;
class CKVXDialog;
class COptions;
class QPainter;
class QWidget;

// Creates the window (again), moves it to the placement of the kind saved
// in settings (ChildPlacement.h), shows it on top and hides the owner.
// FALSE when the window could not be made.
BOOL TutorOpenWindow(CKVXDialog& window, int kind, QWidget* owner, const COptions* settings);
// A bold title and a wrapped help text from string ids.
void TutorSetHeader(CKVXDialog& dialog, UINT titleId, UINT titleText, UINT helpId, UINT helpText);

// The controls' places at a window's first showing, set again at each later
// one (the widgets live on between two showings, resized or moved).
struct TutorFirstLayout {
    std::map<UINT, QRect> places;
    QSize size;
};
// FALSE when nothing was kept yet (the first showing); else the window
// and its controls are back at their first places.
BOOL TutorRestoreLayout(CKVXDialog& dialog, const TutorFirstLayout& layout);
void TutorKeepLayout(CKVXDialog& dialog, TutorFirstLayout& layout, const UINT* ids, size_t count);

// With the advertisement on in settings, the advertisement panel (made on
// first use as a child of the window) lies over the placeholder, shown and
// navigated with link 11 to the items; else it hides. TRUE when it shows.
BOOL TutorShowAdvertisement(CKVXDialog& dialog, QPointer<CAdvertiseDialog>& panel, UINT placeholderId,
                            const std::vector<CBasicString>& items, const COptions* settings);
// A list under the advertisement strip: its top stays where the first call
// found it (kept in listTop) while the panel shows, and rises to the strip's
// top when it does not; its bottom stays.
void TutorFitListToAdvertisement(QWidget* list, const QWidget* placeholder, BOOL panelShown, int& listTop);
// The panel follows its placeholder (after every layout pass).
void TutorPlaceAdvertisement(CKVXDialog& dialog, CAdvertiseDialog* panel, UINT placeholderId);

// A push button of the template made an owner-drawn button with its
// caption and picture (a PNG, else icons).
struct TutorButtonImage {
    UINT control, png, icon, disabledIcon;
    int size;
};
void TutorMakeButtons(CKVXDialog& dialog, const TutorButtonImage* images, size_t count);
// The counter labels and values (known label, known value, unknown label,
// unknown value, total label, total value): the settings' normal font,
// "Known" in the known colour, "Unknown" in the unknown colour.
void TutorStyleCounters(CKVXDialog& dialog, const UINT (&ids)[6], const COptions* settings);

// The main window shows again, on top and active (ChildPlacement.h gave it
// the closing window's place).
void TutorShowOwner(QWidget* owner);

// The name of a language of the database; empty when there is none.
CBasicString TutorLanguageName(CAbstractDataBase* database, int id);
// Colours a label's or an edit's text.
void TutorSetTextColor(QWidget* widget, const QColor& color);

// Colours and fonts of the settings (system defaults without them).
QColor TutorNormalColor(const COptions* settings);
QColor TutorKnownColor(const COptions* settings);
QColor TutorUnknownColor(const COptions* settings);
QFont TutorNormalFont(const COptions* settings, const QFont& fallback);
QFont TutorLeftFont(const COptions* settings, const QFont& fallback);
QFont TutorRightFont(const COptions* settings, const QFont& fallback);
QColor TutorColorFromRef(COLORREF color);
