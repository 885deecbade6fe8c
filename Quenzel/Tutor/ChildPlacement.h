#pragma once
// Where the windows that the tutor page opens (the list editor, the
// learning view, the quiz) appear: each kind keeps its own placement in the
// settings; a kind that has none yet takes the main window's place.

#include "Quenzel/App/Options.h"

class QWidget;

// Moves window to the placement of kind saved in settings (may be null), or
// over mainWindow.
void ApplyChildPlacement(QWidget* window, int kind, QWidget* mainWindow, const COptions* settings);
// Stores the window's place in settings (may be null) as the placement of
// kind and gives the main window that place (the main window comes back
// where the child was).
void StoreChildPlacement(QWidget* window, int kind, QWidget* mainWindow, COptions* settings);
