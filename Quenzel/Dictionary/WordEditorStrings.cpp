// The texts of the word editor, its entry list and its meaning types.
#include "utility/StringTableRegistration.h"

namespace {

const StringTableEntry kStrings[] = {
    {31187, L"Meaning"},
    {31194, L"None"},
    {31201, L"Synonym"},
    {31202, L"Antonym"},
    {31203, L"Acronym"},
    {31207, L"Define word and its meanings."},
    {31208, L"Type a word, add its meanings, synonyms, antonyms and acronyms, then save them to the dictionary."},
    {31217, L"Quenzel File (*.pkv)|*.pkv|"},
    {31257, L"Manual"},
    {31258, L"Verb"},
    {31259, L"v."},
    {31260, L"Noun"},
    {31261, L"n."},
    {31262, L"Adjective"},
    {31263, L"a."},
    {31282, L"[H]Edit Word[D]Adds a new word to the dictionary or edit an existing one."},
    {31315, L"[H]Close[D]Closes the dialog to go back to the main window."},
    {31334, L"[H]Dictionary Name[D]The name of the dictionary you edit."},
    {31335, L"[H]Search Word[D]Searches the dictionary for words that begin with the text."},
    {31336, L"[H]Delete Word[D]Deletes the word from the dictionary."},
    {31337, L"[H]Relation[D]Relation of this word with other words."},
    {31338, L"[H]Type[D]The type of the meaning, such as verb or noun."},
    {31339, L"[H]Add Type[D]Adds a new meaning type."},
    {31340, L"[H]Edit Type[D]Changes the name or the short form of the selected meaning type."},
    {31341, L"[H]Meaning[D]Type a meaning, synonym, antonym or acronym of the word."},
    {31342, L"[H]Add[D]Adds the text to the list as the chosen relation."},
    {31343, L"[H]Remove[D]Removes the selected entries from the list."},
    {31344, L"[H]Pronunciation[D]Adds or removes pronunciations of the word."},
    {31345, L"[H]Pronunciation[D]Adds or removes pronunciations of the selected entry."},
    {31346, L"[H]Save[D]Save the current modifications to the dictionary."},
    {31380, L"The word could not be saved (%d). What was not stored stays in the list, so you can save it again."},
    {31381, L"A removed meaning stays in the dictionary because a vocabulary list uses it."},
};
const CStringTableRegistration kStringsRegistration(kStrings);

} // namespace
