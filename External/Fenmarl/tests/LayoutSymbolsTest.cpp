// Which layouts the XKB data offers, read from its symbols files.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "Layouts.h"
#include "testing/TempFolder.h"

namespace {

TEST(FenmarlLayoutSymbols, ALayoutIsOfferedWhenItsFileHasItsVariant)
{
    kvxtest::TempFolder user, system;
    std::filesystem::create_directories(user.Sub("symbols"));
    std::filesystem::create_directories(system.Sub("symbols"));
    system.WriteFile("symbols/de",
                     "default partial alphanumeric_keys\nxkb_symbols \"basic\" { };\n"
                     "partial alphanumeric_keys\nxkb_symbols  \"dsb_qwertz\" { };\n"
                     "xkb_symbols\t\"nodeadkeys\" { };\n");
    system.WriteFile("symbols/fr", "xkb_symbols \"basic\" { };\nxkb_symbols \"oss\" { };\n");
    // a file in an earlier folder hides the system's file of that name
    user.WriteFile("symbols/fr", "xkb_symbols \"basic\" { };\n");
    const std::vector<std::string> folders{user.Path(), system.Path()};

    struct Case {
        const char* layout;
        const char* variant;
        bool offered;
    } const cases[] = {
        {"de", "", true},            // the default: any section
        {"de", "nodeadkeys", true},  // a tab after the keyword
        {"de", "dsb_qwertz", true},  // two spaces
        {"de", "dsb", false},        // a name that only begins another
        {"de", "basic2", false},
        {"fr", "", true},
        {"fr", "oss", false},  // only in the hidden file
        {"xx", "", false},     // no such file
    };
    std::map<std::string, std::string> files;
    for (const Case& c : cases) {
        const fenmarl::LayoutEntry entry{1, 8200, c.layout, c.variant};
        EXPECT_EQ(fenmarl::HasSymbols(entry, folders, files), c.offered) << c.layout << "(" << c.variant << ")";
    }
    // no folder: nothing
    std::map<std::string, std::string> none;
    EXPECT_FALSE(fenmarl::HasSymbols({1, 8200, "de", ""}, {}, none));
}

}  // namespace
