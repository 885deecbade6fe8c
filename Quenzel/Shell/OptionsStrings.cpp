// The texts of the options dialog and its pages.
#include "utility/StringTableRegistration.h"

namespace {

const StringTableEntry kStrings[] = {
    {11099, L"Please select a language to continue."},
    {21005, L"Update"},
    {21032, L"Settings"},
    {30105, L"Statics"},
    {30107, L"Language"},
    {30108, L"Fonts"},
    {30116, L"PNG File (*.png)|*.png|"},
    {31147, L"Name"},
    {31149, L"Enter your language..."},
    {31159, L"Please provide a valid picture file in PNG format."},
    {31178, L"Right To Left Reading Order"},
    {31179, L"Yes"},
    {31180, L"No"},
    {31181, L"A vocabulary list for this language is present. Please remove all the vocabulary lists for (%s) "
            L"language to continue."},
    {31182, L"Are you sure to delete (%s) language."},
    {31183, L"Are you sure to delete (%d) languages."},
    {31371, L"Language Code"},
    {31372, L"Enter code for this language."},
    {31375, L"Plugins"},
    {31376, L"Plugin Name"},
    {31377, L"Enable/Disable"},
};
const CStringTableRegistration kStringsRegistration(kStrings);

} // namespace
