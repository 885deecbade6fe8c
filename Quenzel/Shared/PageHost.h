#pragma once
// CPageHost: the window that holds the pages, as the pages and the dialogs
// they open see it: the language pair of its two combos, its message boxes
// and the page of the vocabulary lists. The main dialog (Shell/MainDlg.h)
// is the host; the pages know it only through this class, so that they sit
// below the shell that makes them.

#include "Pendrel/Dialogs/KVXResizableDlg.h"

class CLanguageComboBox;
class CVocabularyListsPage;

// The language pair's controls, in the main window and in the word editor.
constexpr UINT IDC_FIRST_LANGUAGE = 11007;
constexpr UINT IDC_SECOND_LANGUAGE = 11008;
constexpr UINT IDC_TO_LABEL = 11116;

class CPageHost : public CKVXResizableDlg {
    Q_OBJECT

public:
    using CKVXResizableDlg::CKVXResizableDlg;

    // The language ids of both combos: 1, or 0 when a combo has no
    // selection.
    virtual int GetSelectedLanguages(int* first, int* second) = 0;
    virtual int ShowMessageBox(const wchar_t* text, UINT type, QWidget* owner = nullptr) = 0;
    virtual CLanguageComboBox* GetFirstCombo() const = 0;
    virtual CLanguageComboBox* GetSecondCombo() const = 0;
    // The page of the vocabulary lists; null before it is made.
    virtual CVocabularyListsPage* GetVocabularyListsPage() const = 0;
};
