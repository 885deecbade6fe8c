#pragma once
// The message box: a modal box with the text, an icon and buttons, chosen by
// MB_* flags (MB_OK, MB_OKCANCEL, MB_YESNO, MB_YESNOCANCEL; MB_ICONERROR,
// MB_ICONQUESTION, MB_ICONWARNING, MB_ICONINFORMATION). The result is the
// button pressed (IDOK, IDCANCEL, IDYES, IDNO); Escape and the close box
// give IDCANCEL, or IDNO for MB_YESNO and IDOK for MB_OK. A null caption is
// the application's name.
//
// Tests put a handler in place of the box, which answers instead.

#include <functional>

#include "Pendrel/PendrelApi.h"
#include "compat/WinUser.h"
#include "utility/BasicString.h"

using KVXMessageBoxHandler =
    std::function<int(QWidget* parent, const CBasicString& text, const CBasicString& caption, UINT flags)>;

PENDREL_API int KVXMessageBox(QWidget* parent, const wchar_t* text, const wchar_t* caption, UINT flags);
// An empty handler brings the box back.
PENDREL_API void KVXSetMessageBoxHandler(KVXMessageBoxHandler handler);
