// A program that links libPendrel.so as the system's programs do, and uses
// the library's resources through it: a picture, an icon and the string
// tables in the program's order, and writes a log through the library's log
// classes. Exits with 0 when all of it works.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <fstream>
#include <iterator>
#include <string>

#include "Pendrel/Core/BasicLog.h"
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

    {
        // The program runs in the folder of LogDef.ini.
        char folder[] = "/tmp/kvx-library-program-XXXXXX";
        if (mkdtemp(folder)) {
            std::string narrowPath = std::string(folder) + "/run.log";
            std::wstring logPath(narrowPath.begin(), narrowPath.end());
            CBasicLog log;
            Check(log.Init(L"LogDef.ini", logPath.c_str(), 1, nullptr) == 0, "the log starts through the library");
            Check(log.WriteMessage(L"written from the program", LOG_ICON_TYPE(0)) >= 0, "an entry is written");
            std::ifstream file(narrowPath, std::ios::binary);
            std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
            const char needle[] = "w\0r\0i\0t\0t\0e\0n\0";
            Check(bytes.size() > 2 && bytes.find(std::string(needle, sizeof(needle) - 1)) != std::string::npos,
                  "the entry stands in the log file");
        }
        std::string cleanup = std::string("rm -rf ") + folder;
        if (std::system(cleanup.c_str()) != 0) std::printf("  could not remove %s\n", folder);
    }

    return g_failures == 0 ? 0 : 1;
}
