#pragma once
// Resources of the modules: the pictures, icons, bitmaps and HTML pages of a
// module are files compiled in with Qt's resource system, below
// ":/kvx/<folder>/", in one subfolder per kind:
//
//   kind (type)   file
//   "PNG"         png/<id>.png
//   "ICON"        icon/<id>.ico
//   "BITMAP"      bitmap/<id>.bmp
//   "HTML"        html/<id>.html
//
// (a resource with a name instead of a number uses the name for <id>). A
// module makes its folder known under its own handle with one
// registration object at namespace scope:
//
//   const CKVXResourceRegistration kResources("pendrel");
//
// KVXFindResource hands out the bytes of a resource as the image library's
// resource record; the record and its bytes stay valid while the process
// runs. Lookups are safe from any thread.

#include <QString>

#include "Pendrel/PendrelApi.h"
#include "compat/WinTypes.h"
#include "utility/StringTable.h"

#define KVX_RESOURCE_PNG L"PNG"
#define KVX_RESOURCE_ICON L"ICON"
#define KVX_RESOURCE_BITMAP L"BITMAP"
#define KVX_RESOURCE_HTML L"HTML"

PENDREL_API void KVXRegisterResourceModule(HINSTANCE module, const char* folder);
PENDREL_API void KVXUnregisterResourceModule(HINSTANCE module);

// The Qt resource path of a resource (":/kvx/pendrel/png/424.png"), whether
// it exists or not; empty for a module without resources or a kind not in
// the table.
PENDREL_API QString KVXResourcePath(HINSTANCE module, UINT id, const wchar_t* type);
PENDREL_API QString KVXResourcePath(HINSTANCE module, const wchar_t* name, const wchar_t* type);

// The resource's bytes; null when it does not exist.
PENDREL_API HRSRC KVXFindResource(HINSTANCE module, UINT id, const wchar_t* type);
PENDREL_API HRSRC KVXFindResource(HINSTANCE module, const wchar_t* name, const wchar_t* type);

class CKVXResourceRegistration {
public:
    explicit CKVXResourceRegistration(const char* folder) : m_module(GetCurrentModuleHandle()) {
        KVXRegisterResourceModule(m_module, folder);
    }
    ~CKVXResourceRegistration() { KVXUnregisterResourceModule(m_module); }
    CKVXResourceRegistration(const CKVXResourceRegistration&) = delete;
    CKVXResourceRegistration& operator=(const CKVXResourceRegistration&) = delete;

private:
    HINSTANCE m_module;
};
