// The word editor on the offscreen platform: opened from the dictionary
// page, a word entered with its entries and saved, then found on the page;
// the type and relation controls; loading a picked word; the add-type
// dialog; screenshots of both windows.

#include <gtest/gtest.h>

#include <QApplication>
#include <QAbstractButton>
#include <QDir>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <string>

#include "Pendrel/Controls/BasicListCtrlEdit.h"
#include "Pendrel/Platform/KVXFileDialog.h"
#include "Pendrel/Platform/KVXMessageBox.h"
#include "Pendrel/Platform/KVXWindowMessages.h"
#include "Pendrel/Theme/WinTheme.h"
#include "Quenzel/Dictionary/AddTypeDialog.h"
#include "Quenzel/Dictionary/DictionaryDlg.h"
#include "Quenzel/Dictionary/DictionaryListBox.h"
#include "Quenzel/Dictionary/EditAutoSearch.h"
#include "Quenzel/Dictionary/EditDictionaryDlg.h"
#include "Quenzel/Dictionary/MeanTypeComboBox.h"
#include "Quenzel/Dictionary/RelationComboBox.h"
#include "Quenzel/Shared/LanguageComboBox.h"
#include "Quenzel/Shared/PronunciationDlg.h"
#include "Quenzel/Shell/MainDlg.h"
#include "Quenzel/Shell/tests/QuenzelAppFixture.h"
#include "testing/TempFolder.h"

namespace {

constexpr int kWait = 60000;
constexpr int kVerb = 2;
constexpr int kNoun = 3;

void SaveScreenshot(QWidget* window, const char* name) {
    const QString folder = KVX_SCREENSHOT_FOLDER;
    QDir().mkpath(folder);
    EXPECT_TRUE(window->grab().save(folder + "/" + name));
}

// An editor whose type questions are answered by the test.
class CAnsweredEditor : public CEditDictionaryDlg {
public:
    using CEditDictionaryDlg::CEditDictionaryDlg;
    CBasicString name, value;
    bool answer = true;
    CBasicString askedName;

protected:
    bool AskType(CBasicString& typeName, CBasicString& typeValue, bool) override {
        askedName = typeName;
        typeName = name;
        typeValue = value;
        return answer;
    }
};

class EditDictionaryDlgTest : public QuenzelAppFixture {
protected:
    void SetUp() override {
        QuenzelAppFixture::SetUp();
        m_app.GetOptions().SetLanguageNames(L"English", L"German");
        KVXSetMessageBoxHandler([this](QWidget*, const CBasicString& text, const CBasicString&, UINT) {
            messages.push_back(text.GetString());
            return IDOK;
        });
        // The owner-drawn buttons draw through the theme that the program's
        // start would make.
        m_theme.reset(CreateWinTheme());
        KVXSetCurrentWinTheme(m_theme.get());
    }
    void TearDown() override {
        KVXSetCurrentWinTheme(nullptr);
        m_theme.reset();
        KVXSetMessageBoxHandler({});
        QuenzelAppFixture::TearDown();
    }

    // Types the text into the meaning field and adds it as the kind.
    static void AddEntry(CEditDictionaryDlg& editor, int kind, const wchar_t* text, int typeId = 0) {
        CRelationComboBox* relation = editor.GetRelationCombo();
        relation->setCurrentIndex(relation->findData(kind));
        editor.OnRelationChanged();
        if (typeId) editor.GetTypeCombo()->setCurrentIndex(editor.GetTypeCombo()->FindType(typeId));
        editor.GetMeaningEdit()->setText(QString::fromWCharArray(text));
        editor.OnAddEntry();
    }
    std::vector<std::vector<std::wstring>> Meanings(const wchar_t* word) {
        CAbstractDataBase* db = m_app.GetDataBase();
        std::vector<std::vector<std::wstring>> rows;
        CAbstractRecordSet* found = db->Search(word, SEARCH_FIRST_LANGUAGE_PREFIX, 0, 0);
        WordKeyRecord key;
        if (found && !found->IsEOF()) found->GetInt64(0, key.id);
        db->ReleaseRecordSet(found);
        CAbstractRecordSet* set = db->QueryMeanings(key, kQueryAllOfWord);
        for (; set && !set->IsEOF(); set->MoveNext()) {
            CBasicString text;
            int type = 0;
            set->GetText(1, text);
            set->GetInt(4, type);
            rows.push_back({text.GetString(), std::to_wstring(type)});
        }
        db->ReleaseRecordSet(set);
        return rows;
    }

    std::vector<std::wstring> messages;
    std::unique_ptr<CAbstractWinTheme> m_theme;
};

} // namespace

TEST_F(EditDictionaryDlgTest, WordWithTwoMeaningsAndASynonymIsSavedAndFoundOnThePage) {
    CMainDlg main(m_app.Services());
    ASSERT_TRUE(main.Create());
    main.show();
    CDictionaryDlg* page = main.GetDictionaryPage();
    ASSERT_NE(page, nullptr);

    SendMessage(page, WM_COMMAND, IDC_DICTIONARY_EDIT_WORD, 0);
    auto* editor = qobject_cast<CEditDictionaryDlg*>(page->GetWordEditor());
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->IsCreated());
    EXPECT_TRUE(editor->isVisible());
    EXPECT_FALSE(main.isVisible());
    EXPECT_EQ(editor->windowTitle(), QString("Word View"));
    EXPECT_STREQ(editor->GetFirstCombo()->GetItemText(editor->GetFirstCombo()->currentIndex()).GetString(),
                 L"English");
    EXPECT_STREQ(editor->GetSecondCombo()->GetItemText(editor->GetSecondCombo()->currentIndex()).GetString(),
                 L"German");
    // The database's own types, as the type combo shows them.
    ASSERT_EQ(editor->GetTypeCombo()->count(), 4);
    EXPECT_STREQ(editor->GetTypeCombo()->GetItemText(2).GetString(), L"Noun (n.)");

    editor->GetWordEdit()->setText("river");
    AddEntry(*editor, kEntryMeaning, L"Fluss", kNoun);
    AddEntry(*editor, kEntryMeaning, L"fließen", kVerb);
    AddEntry(*editor, kEntrySynonym, L"Strom");
    // A second "fluss" of the same kind is refused.
    AddEntry(*editor, kEntryMeaning, L"FLUSS", kNoun);
    CDictionaryListBox* list = editor->GetEntryList();
    ASSERT_EQ(list->count(), 3);
    editor->GetMeaningEdit()->setText("A long meaning that does not fit into one line of the entry list, so that "
                                      "its row grows to show all of its words without cutting any of them off");
    AddEntry(*editor, kEntryMeaning, editor->GetMeaningEdit()->text().toStdWString().c_str(), kNoun);
    ASSERT_EQ(list->count(), 4);
    EXPECT_EQ(list->MeasureItem(0), 30);
    EXPECT_GT(list->MeasureItem(3), 30);
    list->setCurrentRow(2, QItemSelectionModel::ClearAndSelect);
    QApplication::processEvents();
    SaveScreenshot(editor, "word-editor.png");
    list->setCurrentRow(3, QItemSelectionModel::ClearAndSelect);
    editor->OnRemoveEntry();
    ASSERT_EQ(list->count(), 3);

    editor->OnSave();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(list->count(), 0);
    EXPECT_TRUE(editor->GetWordEdit()->text().isEmpty());
    const auto meanings = Meanings(L"river");
    EXPECT_EQ(meanings, (std::vector<std::vector<std::wstring>>{{L"fließen", std::to_wstring(kVerb)},
                                                                 {L"Fluss", std::to_wstring(kNoun)}}));

    // Closing the editor brings the main window back.
    qobject_cast<QAbstractButton*>(editor->GetDlgItem(IDCANCEL))->click();
    EXPECT_FALSE(editor->isVisible());
    EXPECT_TRUE(main.isVisible());

    page->GetSearchEdit()->setText("river");
    SendMessage(page, WM_COMMAND, IDC_DICTIONARY_SEARCH, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !page->IsJobRunning() && page->GetShownRows().size() > 2; }, kWait));
    std::vector<std::wstring> shown;
    for (size_t i = 1; i < page->GetShownRows().size(); ++i)
        shown.push_back(std::wstring(page->GetShownRows()[i].word.m_text.GetString()) + L" = " +
                        page->GetShownRows()[i].meaning.m_text.GetString());
    EXPECT_NE(std::find(shown.begin(), shown.end(), L"river = Fluss"), shown.end());
    EXPECT_NE(std::find(shown.begin(), shown.end(), L"river = fließen"), shown.end());

    // Edit Word again shows the editor anew, empty.
    SendMessage(page, WM_COMMAND, IDC_DICTIONARY_EDIT_WORD, 0);
    EXPECT_TRUE(editor->IsCreated());
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->GetEntryList()->count(), 0);
    editor->DestroyWindow();
    main.DestroyWindow();
}

TEST_F(EditDictionaryDlgTest, PickedWordIsLoadedAndRelationChoiceEnablesTheTypeControls) {
    CMainDlg main(m_app.Services());
    ASSERT_TRUE(main.Create());
    CEditDictionaryDlg editor(main.Services(), &main);
    ASSERT_TRUE(editor.Create());
    editor.GetWordEdit()->setText("house");
    AddEntry(editor, kEntryMeaning, L"Haus", kNoun);
    AddEntry(editor, kEntryAntonym, L"Hütte");
    EXPECT_FALSE(editor.GetTypeCombo()->isEnabled());
    EXPECT_FALSE(editor.GetDlgItem(IDC_EDITOR_ADD_TYPE)->isEnabled());
    EXPECT_STREQ(editor.GetDlgItemText(IDC_EDITOR_MEANING_LABEL).GetString(), L"Antonym:");
    AddEntry(editor, kEntryMeaning, L"Gebäude", kVerb);
    EXPECT_TRUE(editor.GetTypeCombo()->isEnabled());
    EXPECT_TRUE(editor.GetDlgItem(IDC_EDITOR_EDIT_TYPE)->isEnabled());
    editor.OnSave();
    ASSERT_EQ(editor.GetEntryList()->count(), 0);

    // The word field picks "house": its entries come back, none marked.
    CAbstractRecordSet* set = m_app.GetDataBase()->Search(L"house", SEARCH_FIRST_LANGUAGE_PREFIX, 0, 0);
    int64_t id = 0;
    ASSERT_NE(set, nullptr);
    set->GetInt64(0, id);
    m_app.GetDataBase()->ReleaseRecordSet(set);
    editor.GetWordEdit()->setText("house");
    SendMessage(&editor, WM_USER + 210, 0, reinterpret_cast<LPARAM>(&id));  // the meaning side loads nothing
    EXPECT_EQ(editor.GetEntryList()->count(), 0);
    SendMessage(&editor, WM_USER + 210, 1, reinterpret_cast<LPARAM>(&id));
    ASSERT_EQ(editor.GetEntryList()->count(), 3);
    CDictionaryEntryList& entries = editor.GetEntryList()->Entries();
    EXPECT_STREQ(entries.GetItemText(0).GetString(), L"Gebäude");
    EXPECT_STREQ(entries.GetItemText(2).GetString(), L"Hütte");
    EXPECT_EQ(entries.GetItem(0)->GetFlags() & ENTRY_FLAG_NEW, 0u);
    // The type combo shows the type of the last meaning read.
    EXPECT_EQ(editor.GetTypeCombo()->GetCurrentTypeId(), kNoun);

    // Choosing a type gives it to the selected meaning only.
    editor.GetEntryList()->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
    editor.GetTypeCombo()->setCurrentIndex(editor.GetTypeCombo()->FindType(1));
    editor.OnTypeChanged();
    EXPECT_EQ(entries.GetLastDictionary()->Meanings().Find(L"Gebäude")->type, 1);
    EXPECT_EQ(entries.GetLastDictionary()->Meanings().Find(L"Haus")->type, kNoun);
    EXPECT_TRUE(entries.GetItem(0)->HasFlag(ENTRY_FLAG_CHANGED));
    editor.DestroyWindow();
    main.DestroyWindow();
}

TEST_F(EditDictionaryDlgTest, EntryIsRenamedInPlaceUnlessItsKindHasTheText) {
    CMainDlg main(m_app.Services());
    ASSERT_TRUE(main.Create());
    CEditDictionaryDlg editor(main.Services(), &main);
    ASSERT_TRUE(editor.Create());
    editor.show();
    AddEntry(editor, kEntryMeaning, L"Haus", kNoun);
    AddEntry(editor, kEntryMeaning, L"Heim", kNoun);
    CDictionaryListBox* list = editor.GetEntryList();
    ASSERT_TRUE(list->EditItem(1));
    ASSERT_NE(list->GetEditor(), nullptr);
    list->GetEditor()->setPlainText("haus");
    list->EndEdit();
    EXPECT_STREQ(list->Entries().GetItemText(1).GetString(), L"Heim");
    ASSERT_TRUE(list->EditItem(1));
    list->GetEditor()->setPlainText("Zuhause");
    QApplication::processEvents();
    SaveScreenshot(&editor, "word-editor-in-place.png");
    list->EndEdit();
    EXPECT_STREQ(list->Entries().GetItemText(1).GetString(), L"Zuhause");
    // Still new: the save adds it.
    EXPECT_TRUE(list->Entries().GetItem(1)->HasFlag(ENTRY_FLAG_NEW));
    // Type-ahead.
    QTest::keyClick(list, Qt::Key_Z);
    EXPECT_EQ(list->currentRow(), 1);
    QTest::keyClick(list, Qt::Key_H);
    EXPECT_EQ(list->currentRow(), 0);
    editor.DestroyWindow();
    main.DestroyWindow();
}

TEST_F(EditDictionaryDlgTest, TypesAreAddedAndEditedInPlace) {
    CMainDlg main(m_app.Services());
    ASSERT_TRUE(main.Create());
    CAnsweredEditor editor(main.Services(), &main);
    ASSERT_TRUE(editor.Create());
    CMeanTypeComboBox* types = editor.GetTypeCombo();
    editor.name = L"Adverb";
    editor.value = L"adv.";
    editor.OnAddType();
    ASSERT_EQ(types->count(), 5);
    EXPECT_STREQ(types->GetItemText(4).GetString(), L"Adverb (adv.)");
    const int adverb = types->GetType(4)->id;
    EXPECT_GT(adverb, 4);

    // Edit the second entry: it changes where it stands.
    types->setCurrentIndex(1);
    editor.name = L"Verb";
    editor.value = L"vb.";
    editor.OnEditType();
    EXPECT_STREQ(editor.askedName.GetString(), L"Verb");
    EXPECT_STREQ(types->GetItemText(1).GetString(), L"Verb (vb.)");
    EXPECT_EQ(types->GetType(1)->id, kVerb);
    // A cancelled question changes nothing.
    editor.answer = false;
    editor.name = L"Nothing";
    editor.OnEditType();
    EXPECT_STREQ(types->GetItemText(1).GetString(), L"Verb (vb.)");
    editor.DestroyWindow();

    // The database has the changes.
    CEditDictionaryDlg again(main.Services(), &main);
    ASSERT_TRUE(again.Create());
    ASSERT_EQ(again.GetTypeCombo()->count(), 5);
    EXPECT_STREQ(again.GetTypeCombo()->GetItemText(1).GetString(), L"Verb (vb.)");
    EXPECT_EQ(again.GetTypeCombo()->FindType(adverb), 4);
    again.DestroyWindow();
    main.DestroyWindow();
}

TEST_F(EditDictionaryDlgTest, AddTypeDialogTakesTrimmedTexts) {
    CAddTypeDialog dialog;
    dialog.SetName(L"Noun");
    dialog.SetValue(L"n.");
    ASSERT_TRUE(dialog.Create());
    EXPECT_STREQ(dialog.GetDlgItemText(IDC_TYPE_NAME).GetString(), L"Noun");
    dialog.SetDlgItemText(IDC_TYPE_NAME, L"  Pronoun \t");
    dialog.SetDlgItemText(IDC_TYPE_VALUE, L" pron. ");
    QApplication::processEvents();
    SaveScreenshot(&dialog, "add-type.png");
    qobject_cast<QAbstractButton*>(dialog.GetDlgItem(IDOK))->click();
    EXPECT_STREQ(dialog.GetName().GetString(), L"Pronoun");
    EXPECT_STREQ(dialog.GetValue().GetString(), L"pron.");
    dialog.DestroyWindow();
}

TEST_F(EditDictionaryDlgTest, SoundsAddedInThePronunciationDialogAreSavedWithTheirEntry) {
    kvxtest::TempFolder files;
    const std::string mp3 = files.WriteFile("river.mp3", std::string("ID3 sound bytes"));
    KVXSetFileDialogHandler([&](QWidget*, const KVXFileDialogRequest&, KVXFileDialogAnswer& answer) {
        answer.path = kvxtest::Widen(mp3).c_str();
        return true;
    });
    CMainDlg main(m_app.Services());
    ASSERT_TRUE(main.Create());
    CEditDictionaryDlg editor(main.Services(), &main);
    ASSERT_TRUE(editor.Create());
    editor.GetWordEdit()->setText("river");
    AddEntry(editor, kEntryMeaning, L"Bach", kNoun);
    AddEntry(editor, kEntryMeaning, L"Fluss", kNoun);
    // The user adds a sound to "Fluss" and closes the dialog; then opens it
    // again and finds the sound there.
    int shown = -1;
    auto addOne = [&] {
        auto* dialog = qobject_cast<CPronunciationDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        shown = dialog->GetList() ? dialog->GetList()->count() : -1;
        dialog->OnAdd();
        dialog->EndDialog(IDOK);
    };
    QTimer::singleShot(0, &editor, addOne);
    editor.OnPronunciation(2);
    EXPECT_EQ(shown, 0);
    QTimer::singleShot(0, &editor, addOne);
    editor.OnPronunciation(2);
    EXPECT_EQ(shown, 1);
    // "Bach" goes; "Fluss" keeps its two sounds.
    editor.GetEntryList()->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
    editor.OnRemoveEntry();
    editor.OnSave();
    ASSERT_TRUE(messages.empty());

    CAbstractDataBase* db = m_app.GetDataBase();
    CAbstractRecordSet* found = db->Search(L"river", SEARCH_FIRST_LANGUAGE_PREFIX, 0, 0);
    int64_t wordId = 0;
    ASSERT_NE(found, nullptr);
    found->GetInt64(0, wordId);
    db->ReleaseRecordSet(found);
    editor.GetWordEdit()->setText("river");
    editor.OnLoadWord(wordId);
    ASSERT_EQ(editor.GetEntryList()->count(), 1);
    const int64_t meaningId = editor.GetEntryList()->Entries().GetLastDictionary()->Meanings().Find(L"Fluss")->id;
    CAbstractRecordSet* sounds = db->QueryPronunciations(meaningId, kPronunciationMeaning);
    ASSERT_NE(sounds, nullptr);
    EXPECT_EQ(sounds->GetCount(), 2);
    db->ReleaseRecordSet(sounds);
    // Opened again, the dialog shows the stored sounds.
    QTimer::singleShot(0, &editor, [&] {
        auto* dialog = qobject_cast<CPronunciationDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        shown = dialog->GetList() ? dialog->GetList()->count() : -1;
        dialog->EndDialog(IDCANCEL);
    });
    editor.OnPronunciation(1);
    EXPECT_EQ(shown, 2);
    KVXSetFileDialogHandler({});
    editor.DestroyWindow();
    main.DestroyWindow();
}
