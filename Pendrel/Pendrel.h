#pragma once
// Pendrel's module functions: the library's own module handle, the
// registered application object, and the loaders of the resources that
// Pendrel carries for both programs (PNG pictures, icons, bitmaps, the
// system's file-icon lists), the string-table look-up and the UTF-8 text
// conversion.
//
// Loading the library registers its resources (KVXResources.h, folder
// "pendrel"); its module handle is the handle every resource load passes.
// Missing resources are reported through non-fatal assertions (source
// ".\Pendrel") and a null or FALSE result; callers carry on without them.

#include "Pendrel/Core/TextConversion.h"
#include "Pendrel/Image/KVXGdiBitmap.h"
#include "Pendrel/Image/KVXGdiIcon.h"
#include "Pendrel/PendrelApi.h"
#include "compat/WinTypes.h"
#include "utility/BasicString.h"

class CAbstractWinTheme;
class CKVXApp;
class CKVXImage;
class CKVXImageList;

// The colours of a loaded icon.
enum LOAD_ICON_TYPE {
    LOAD_ICON_DEFAULT_COLORS = 0,
    LOAD_ICON_VGA_COLORS = 1,
    LOAD_ICON_MONOCHROME = 2
};

// Pendrel's module handle.
PENDREL_API HINSTANCE KVXGetInstance();

// The program's application object (not owned); KVXSetApp(nullptr) at exit.
PENDREL_API void KVXSetApp(CKVXApp* app);
PENDREL_API CKVXApp* KVXGetApp();
// The registered application object's window theme; null while none is
// registered.
PENDREL_API CAbstractWinTheme* KVXGetTheme();

// Decodes PNG resource id of the module into the image. FALSE when the
// resource is missing (the image stays as it was) or does not decode (its
// error text goes to Pendrel's log).
PENDREL_API BOOL KVXLoadPng(HINSTANCE instance, UINT id, CKVXImage& image);

// Icon resource id of the module at size x size pixels with the colours of
// the type; a size below 1 loads the system's icon size with the icon's own
// colours. The caller owns the icon (delete). Null when it is missing.
PENDREL_API HICON KVXLoadIcon(HINSTANCE instance, UINT id, int size, LOAD_ICON_TYPE type);
// The same by resource name; a null name gives null without a report.
PENDREL_API HICON KVXLoadIcon(HINSTANCE instance, const wchar_t* name, int size, LOAD_ICON_TYPE type);

// Bitmap resource id of the module into bitmap (null when it is missing);
// what bitmap held before is not freed. The caller owns the bitmap.
PENDREL_API void KVXLoadBitmap(HINSTANCE instance, HBITMAP& bitmap, UINT id);

// Attaches the system's small (SHGFI_SMALLICON in flags) or large file-icon
// list to the image list; always TRUE.
PENDREL_API BOOL KVXGetSystemIconImageList(UINT flags, CKVXImageList& list);
// Detaches the list held, so that a shared system list is never destroyed
// with the object.
PENDREL_API void KVXDetachImageList(CKVXImageList& list);

// The text of string id: the program's string tables first, then
// Pendrel's; empty when neither holds it.
PENDREL_API CBasicString KVXLoadString(UINT id);
