#pragma once
// The system's shared file-icon lists, made from the desktop's file icons
// the first time they are asked for (on the user-interface thread, with the
// application object made). Each holds, in this order, the icons of a
// computer, the desktop, the trash, the network, a drive, a folder and a
// file, at 16 x 16 (SHGFI_SMALLICON) or 32 x 32 pixels. The lists are
// shared: an image list that holds one never frees it.

#include "Pendrel/PendrelApi.h"
#include "Pendrel/Platform/KVXImageList.h"

enum KVXSystemIcon {
    KVX_SYSTEM_ICON_COMPUTER,
    KVX_SYSTEM_ICON_DESKTOP,
    KVX_SYSTEM_ICON_TRASH,
    KVX_SYSTEM_ICON_NETWORK,
    KVX_SYSTEM_ICON_DRIVE,
    KVX_SYSTEM_ICON_FOLDER,
    KVX_SYSTEM_ICON_FILE
};

// flags: SHGFI_SMALLICON or SHGFI_LARGEICON (other bits are ignored).
PENDREL_API HIMAGELIST KVXGetSystemImageList(UINT flags);
