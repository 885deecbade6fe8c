// The main program's string table.
#include "utility/StringTableRegistration.h"

namespace {

const StringTableEntry kStrings[] = {
    {30101, L"&About Quenzel..."},
    {31081, L"To"},
    {31082, L"List Name"},
    {31088, L"From"},
    {31157, L"Word Count"},
    {31176, L"Select a vocabulary list and memorize easily and quickly."},
    {31177, L"Pick a list, learn its words, then test yourself in a quiz."},
    {31185, L"Database DLL cannot be initialized. System error (%d) %s"},
    {31210, L"Translate a word or phrase."},
    {31211, L"Type a word, search the dictionary and edit its meanings."},
    {31212, L"Tutor"},
    {31213, L"Dictionary"},
    {31285, L"[H]Word Language[D]Select the language of the words."},
    {31286, L"[H]Meaning Language[D]Select the language of the meanings."},
    {31288, L"[H]Options[D]Change fonts, colours, languages and other settings."},
    {31289, L"[H]Close[D]Closes the program."},
    {31319, L"[H]E-mail[D]The e-mail address of your online account."},
    {31320, L"[H]Password[D]The password of your online account."},
    {31321, L"[H]Remember password[D]Keep the password for the next synchronisation."},
    {31322, L"[H]Signup[D]Create an online account."},
    {31323, L"[H]Lost password[D]Get a new password for your account."},
    {31324, L"[H]To Local[D]Copy the lists of your online account to this computer."},
    {31325, L"[H]To Online[D]Copy the lists of this computer to your online account."},
    {57344, L"Quenzel"},
};
const CStringTableRegistration kStringsRegistration(kStrings);

} // namespace
