#pragma once
// Icons and bitmaps made from the bytes of icon and bitmap resources
// (KVXResources.h), as the system's icon and bitmap loaders make them.
//
// An icon file holds pictures of several sizes: the one of the asked size
// is taken, else the smallest larger one, else the largest, and scaled to
// size x size. A size below 1 asks for the system's icon size (32). With
// LR_VGACOLOR every colour becomes the nearest of the 16 VGA colours, with
// LR_MONOCHROME black or white (and each pixel opaque or transparent).
// The caller owns the result and frees it with delete.

#include "Pendrel/Image/KVXGdiBitmap.h"
#include "Pendrel/Image/KVXGdiIcon.h"
#include "Pendrel/PendrelApi.h"
#include "compat/WinUser.h"

// The system's icon size.
#define KVX_SYSTEM_ICON_SIZE 32

// Null when the resource is null or holds no icon picture.
PENDREL_API HICON KVXCreateIconFromResource(HRSRC resource, int size, UINT flags);
// Null when the resource is null or holds no bitmap file.
PENDREL_API HBITMAP KVXCreateBitmapFromResource(HRSRC resource);
