#include "Pendrel/Pendrel.h"

#include <sys/auxv.h>

#include <atomic>

#include "Pendrel/App/KVXApp.h"
#include "Pendrel/Image/KVXImage.h"
#include "Pendrel/Platform/KVXImageList.h"
#include "Pendrel/Platform/KVXResourceImages.h"
#include "Pendrel/Platform/KVXResources.h"
#include "Pendrel/Platform/KVXSystemImageList.h"
#include "utility/AbstractLog.h"
#include "utility/ErrorReport.h"
#include "utility/LibraryLog.h"
#include "utility/StringTable.h"

namespace {

const char kSourceFile[] = ".\\Pendrel";
const wchar_t kSourceFileWide[] = L".\\Pendrel";
constexpr int kLineIconByName = 122;
constexpr int kLineIcon = 147;
constexpr int kLinePngMissing = 160;
constexpr int kLinePngDecode = 167;
constexpr int kLineBitmap = 180;

// The library's entry: its resources are known from its start on.
const CKVXResourceRegistration kPendrelResources("pendrel");

std::atomic<CKVXApp*> g_app{nullptr};

UINT IconFlags(int size, LOAD_ICON_TYPE type) {
    if (size < 1) return LR_DEFAULTCOLOR;
    switch (type) {
    case LOAD_ICON_VGA_COLORS: return LR_VGACOLOR;
    case LOAD_ICON_MONOCHROME: return LR_MONOCHROME;
    default: return LR_DEFAULTCOLOR;
    }
}

HICON LoadIconResource(HRSRC resource, int size, LOAD_ICON_TYPE type, int line) {
    HICON icon = resource ? KVXCreateIconFromResource(resource, size, IconFlags(size, type)) : nullptr;
    ReportAssertion(icon != nullptr, kSourceFile, line);
    return icon;
}

// The program's own module: the one that holds its entry point.
HINSTANCE ProgramModule() {
    return GetModuleHandleFromAddress(reinterpret_cast<const void*>(getauxval(AT_ENTRY)));
}

} // namespace

HINSTANCE KVXGetInstance() {
    return GetCurrentModuleHandle();
}

void KVXSetApp(CKVXApp* app) {
    g_app.store(app);
}

CKVXApp* KVXGetApp() {
    return g_app.load();
}

CAbstractWinTheme* KVXGetTheme() {
    CKVXApp* app = g_app.load();
    return app ? app->GetTheme() : nullptr;
}

BOOL KVXLoadPng(HINSTANCE instance, UINT id, CKVXImage& image) {
    HRSRC resource = KVXFindResource(instance, id, KVX_RESOURCE_PNG);
    ReportAssertion(resource != nullptr, kSourceFile, kLinePngMissing);
    if (!resource) return FALSE;
    if (!image.LoadResource(resource, CKVXImage::ImageTypePng, instance)) {
        if (CAbstractLog* log = GetLibraryLog())
            log->WriteSourceMessage(CBasicString(image.GetLastError()).GetString(), kSourceFileWide, kLinePngDecode);
        return FALSE;
    }
    return TRUE;
}

HICON KVXLoadIcon(HINSTANCE instance, UINT id, int size, LOAD_ICON_TYPE type) {
    return LoadIconResource(KVXFindResource(instance, id, KVX_RESOURCE_ICON), size, type, kLineIcon);
}

HICON KVXLoadIcon(HINSTANCE instance, const wchar_t* name, int size, LOAD_ICON_TYPE type) {
    if (!name) return nullptr;
    return LoadIconResource(KVXFindResource(instance, name, KVX_RESOURCE_ICON), size, type, kLineIconByName);
}

void KVXLoadBitmap(HINSTANCE instance, HBITMAP& bitmap, UINT id) {
    bitmap = KVXCreateBitmapFromResource(KVXFindResource(instance, id, KVX_RESOURCE_BITMAP));
    ReportAssertion(bitmap != nullptr, kSourceFile, kLineBitmap);
}

BOOL KVXGetSystemIconImageList(UINT flags, CKVXImageList& list) {
    if (HIMAGELIST system = KVXGetSystemImageList(flags)) list.Attach(system);
    return TRUE;
}

void KVXDetachImageList(CKVXImageList& list) {
    if (list.GetSafeHandle()) list.Detach();
}

CBasicString KVXLoadString(UINT id) {
    const wchar_t* text = FindModuleString(ProgramModule(), id);
    if (!text || !*text) text = FindModuleString(KVXGetInstance(), id);
    return CBasicString(text && *text ? text : L"");
}
