#include "Quenzel/Dictionary/Model/DictionaryListboxItem.h"

#include "Quenzel/Dictionary/Model/DictionaryDataItem.h"

DWORD EntryKindFlag(int kind) {
    switch (kind) {
    case kEntryMeaning: return ENTRY_FLAG_MEANING;
    case kEntrySynonym: return ENTRY_FLAG_SYNONYM;
    case kEntryAntonym: return ENTRY_FLAG_ANTONYM;
    case kEntryAcronym: return ENTRY_FLAG_ACRONYM;
    default: return 0;
    }
}
