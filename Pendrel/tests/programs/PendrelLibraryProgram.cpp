// A program that links libPendrel.so as the system's programs do, and uses
// the library's resources through it: a picture, an icon and the string
// tables in the program's order. Exits with 0 when all of it works.

#include <cstdio>
#include <cwchar>

#include "Pendrel/Image/KVXImage.h"
#include "Pendrel/Pendrel.h"
#include "utility/StringTableRegistration.h"

namespace {

const StringTableEntry kProgramStrings[] = {{5, L"from the program"}};
const CStringTableRegistration kProgramStringsRegistration(kProgramStrings);
const StringTableEntry kPendrelStrings[] = {{5, L"from Pendrel"}, {6, L"only in Pendrel"}};

int g_failures = 0;

void Check(bool condition, const char* what) {
    std::printf("%s: %s\n", condition ? "ok" : "FAILED", what);
    if (!condition) ++g_failures;
}

bool Same(const CBasicString& text, const wchar_t* expected) {
    return std::wcscmp(text.GetString(), expected) == 0;
}

} // namespace

int main() {
    Check(KVXGetInstance() != nullptr && KVXGetInstance() != GetCurrentModuleHandle(),
          "the library is a module of its own");

    CKVXImage logo;
    const BOOL loaded = KVXLoadPng(KVXGetInstance(), 424, logo);
    if (!loaded) std::printf("  %s\n", logo.GetLastError());
    Check(loaded && logo.GetWidth() == 64 && logo.GetHeight() == 64, "PNG 424 loads from the library's resources");

    HICON icon = KVXLoadIcon(KVXGetInstance(), 366, 16, LOAD_ICON_DEFAULT_COLORS);
    CKVXImage iconImage;
    Check(icon && iconImage.CreateFromHICON(icon) && iconImage.GetWidth() == 16, "icon 366 loads at 16 pixels");
    delete icon;

    RegisterStringTable(KVXGetInstance(), kPendrelStrings, 2);
    Check(Same(KVXLoadString(5), L"from the program"), "the program's string table comes first");
    Check(Same(KVXLoadString(6), L"only in Pendrel"), "then Pendrel's");
    Check(KVXLoadString(7).IsEmpty(), "a missing string is empty");
    UnregisterStringTable(KVXGetInstance(), kPendrelStrings);

    return g_failures == 0 ? 0 : 1;
}
