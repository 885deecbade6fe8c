#include "Quenzel/Tutor/Model/WordUse.h"

#include "utility/ErrorReport.h"

namespace {

const char kSourceFile[] = ".\\TutorDlg";

// Column 0 of the first row of a search: true when there was a row.
bool FirstCount(CAbstractDataBase* database, const wchar_t* text, int kind, int& count) {
    CAbstractRecordSet* set = database->Search(text, kind, 0, 0);
    const bool found = set && !set->IsEOF();
    if (found) set->GetInt(0, count);
    database->ReleaseRecordSet(set);
    return found;
}

} // namespace

int LookupWordUse(CAbstractDataBase* database, const WordKeyRecord& word, int& textHits, int& idUses) {
    textHits = 0;
    idUses = 0;
    if (!database || word.id <= 0) {
        ReportAssertion(0, kSourceFile, 1612);
        return -1;
    }
    CBasicString id;
    id.Format(L"%I64d", static_cast<long long>(word.id));
    const bool uses = FirstCount(database, id.GetString(), SEARCH_WORD_USES, idUses);
    const bool hits = FirstCount(database, word.text.GetString(), SEARCH_TEXT_EXISTS, textHits);
    return uses || hits ? 0 : DATABASE_NO_ROW;
}
