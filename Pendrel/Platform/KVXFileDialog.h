#pragma once
// The file dialog: asks the user for a file to open or to save. The filter is
// written as the programs keep it, "Name|*.a;*.b|Other|*.c||": pairs of a
// display name and its patterns, separated by '|'. The chosen filter's index
// counts from 1, as the programs expect it.
//
// Tests put a handler in place of the dialog, which answers instead.

#include <QString>

#include <functional>

#include "Pendrel/PendrelApi.h"
#include "utility/BasicString.h"

class QWidget;

struct KVXFileDialogRequest {
    bool save = false;             // a save dialog (asks before replacing) or an open dialog
    CBasicString title;            // empty: the toolkit's own title
    CBasicString filter;           // "Name|*.a;*.b|..."; empty: all files
    CBasicString defaultExtension; // added to a saved name without one, without the dot
    CBasicString initialPath;      // folder or file the dialog starts at
    int filterIndex = 1;           // the filter shown first, from 1
};

struct KVXFileDialogAnswer {
    CBasicString path;
    int filterIndex = 1;
};

// Returns false when the user cancelled; the answer then stays untouched.
using KVXFileDialogHandler =
    std::function<bool(QWidget* parent, const KVXFileDialogRequest& request, KVXFileDialogAnswer& answer)>;

PENDREL_API bool KVXGetFileName(QWidget* parent, const KVXFileDialogRequest& request, KVXFileDialogAnswer& answer);
// An empty handler brings the dialog back.
PENDREL_API void KVXSetFileDialogHandler(KVXFileDialogHandler handler);

// The filter in the toolkit's form: "Name (*.a *.b);;Other (*.c)". A name that
// already shows its patterns keeps them as they stand.
PENDREL_API QString KVXFileDialogFilterToQt(const CBasicString& filter);
