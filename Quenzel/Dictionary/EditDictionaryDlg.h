#pragma once
// CEditDictionaryDlg: the word editor "Word View", a modeless top-level
// window in which the user enters a word of the first language, finds it in
// the dictionary, edits its meanings (each with a type), synonyms, antonyms,
// acronyms and the sounds of the word and of its entries, and saves all of
// it in one step. The dictionary page makes it and hides the main window
// while it is open; closing it shows the main window again where the editor
// stood.
//
// The work with the database is CWordEditorModel's; the entries are shown
// by the entry list (CDictionaryListBox). The word search runs on the
// editor's worker and fills the word field's suggestions; picking one loads
// the word (WM_USER+210).

#include <memory>
#include <vector>

#include "Pendrel/App/WorkerThread.h"
#include "Pendrel/Dialogs/KVXResizableDlg.h"
#include "Quenzel/App/QuenzelServices.h"
#include "Quenzel/Dictionary/Model/WordEditorModel.h"

class CPageHost;
class CPronunciationDlg;
class CEditAutoSearch;
class CDictionaryListBox;
class CLanguageComboBox;
class CMeanTypeComboBox;
class CRelationComboBox;
class CTransparentStaticCtrl;
class CWinButton;

constexpr UINT IDD_EDIT_DICTIONARY = 541;
constexpr UINT IDC_EDITOR_FILE = 11214;
constexpr UINT IDC_EDITOR_NAME = 11218;
constexpr UINT IDC_EDITOR_OPEN = 11215;
constexpr UINT IDC_EDITOR_CREATE = 11013;
constexpr UINT IDC_EDITOR_WORD = 11002;
constexpr UINT IDC_EDITOR_SEARCH = 11255;
constexpr UINT IDC_EDITOR_DELETE_WORD = 11193;
constexpr UINT IDC_EDITOR_WORD_SOUND = 11209;
constexpr UINT IDC_EDITOR_RELATION = 11200;
constexpr UINT IDC_EDITOR_TYPE = 11201;
constexpr UINT IDC_EDITOR_ADD_TYPE = 11195;
constexpr UINT IDC_EDITOR_EDIT_TYPE = 11197;
constexpr UINT IDC_EDITOR_MEANING_LABEL = 11189;
constexpr UINT IDC_EDITOR_MEANING = 11192;
constexpr UINT IDC_EDITOR_ADD_ENTRY = 11101;
constexpr UINT IDC_EDITOR_REMOVE_ENTRY = 11102;
constexpr UINT IDC_EDITOR_ENTRY_SOUND = 11256;
constexpr UINT IDC_EDITOR_LIST = 11188;
constexpr UINT IDC_EDITOR_SAVE = 11076;

class CEditDictionaryDlg : public CKVXResizableDlg, public CWorkerThread {
    Q_OBJECT

public:
    explicit CEditDictionaryDlg(const QuenzelServices& services, CPageHost* mainDlg, QWidget* parent = nullptr);
    ~CEditDictionaryDlg() override;

    // Showing the window creates it from its template when it is not
    // created (the dictionary page shows it).
    void setVisible(bool visible) override;

    CWordEditorModel& GetModel() { return m_model; }
    CDictionaryListBox* GetEntryList() const { return m_list; }
    CEditAutoSearch* GetWordEdit() const { return m_wordEdit; }
    CEditAutoSearch* GetMeaningEdit() const { return m_meaningEdit; }
    CRelationComboBox* GetRelationCombo() const { return m_relation; }
    CMeanTypeComboBox* GetTypeCombo() const { return m_type; }
    CLanguageComboBox* GetFirstCombo() const { return m_first; }
    CLanguageComboBox* GetSecondCombo() const { return m_second; }

    // The user's actions, also for tests.
    void OnAddEntry();
    void OnRemoveEntry();
    void OnSave();
    void OnSearchWord();
    void OnAddType();
    void OnEditType();
    void OnRelationChanged();
    void OnTypeChanged();
    void OnLanguageChanged();
    // Loads the word of the id (WM_USER+210 with a non-zero flag).
    void OnLoadWord(int64_t wordId);
    // Shows the pronunciation dialog for the word (index 0) or for the
    // entry list's row index - 1.
    void OnPronunciation(int index);
    void EnableEditingControls(int on);

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    BOOL OnInitDialog() override;
    void AddResizableControls() override;
    void OnGetMinMaxInfo(MINMAXINFO* info) override;
    void OnCommand(UINT id) override;
    void OnDestroy() override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    DWORD RunInstance() override;

    // Runs the add-type dialog with the texts; false when cancelled.
    virtual bool AskType(CBasicString& name, CBasicString& value, bool adding);
    // Shows the sounds in the pronunciation store, modally; the sounds come
    // back changed. soundIndex is the entry's place in the store (0 the
    // word).
    virtual void EditSounds(int soundIndex, std::vector<PronunciationRecord>& sounds);
    // Reads the stored sounds of the owner through the store (none for an
    // owner not stored yet).
    std::vector<PronunciationRecord> ReadStoredSounds(int soundIndex, int64_t ownerId, int side);
    CPronunciationDlg* GetSoundStore() const { return m_soundStore.get(); }

private:
    void FillLanguages();
    void LoadTypes();
    void AddDictionaryFromPath(const CBasicString& path);
    void OnCreateDictionary();
    void OnOpenDictionary();
    void RunWordSearch();
    LanguageRecord SelectedLanguage(const CLanguageComboBox* combo) const;
    CBasicString WordText() const;
    void SetEditText(CEditAutoSearch* edit, const CBasicString& text);

    QuenzelServices m_services;
    CPageHost* m_mainDlg;
    CDictionaryListBox* m_list;
    CWordEditorModel m_model;
    CEditAutoSearch* m_wordEdit;
    CEditAutoSearch* m_meaningEdit;
    CRelationComboBox* m_relation;
    CMeanTypeComboBox* m_type;
    CLanguageComboBox* m_first;
    CLanguageComboBox* m_second;
    CTransparentStaticCtrl* m_title;
    CTransparentStaticCtrl* m_description;
    CTransparentStaticCtrl* m_meaningLabel;
    std::vector<CWinButton*> m_buttons;
    // The text the running search looks for.
    CBasicString m_searchText;
    int m_searchFirst = 0;
    int m_searchSecond = 0;
    // The sounds of the word and of every entry, shown one index at a time.
    std::unique_ptr<CPronunciationDlg> m_soundStore;
    // The word whose stored sounds were read into the word's sounds.
    int64_t m_wordSoundsReadFor = 0;
};
