#pragma once
// The application's main window: the window that a print job disables
// while it runs and that a print preview's window stands in for while the
// preview is open. The application sets it; null when none is set or the
// window was deleted.

#include "Pendrel/PendrelApi.h"

class QWidget;

PENDREL_API QWidget* KVXGetMainWnd();
PENDREL_API void KVXSetMainWnd(QWidget* window);
