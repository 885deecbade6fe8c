// The tutor's flows end to end, as a user drives them from the main window:
// create a list, import one, edit it, export it, delete the lists. Each
// step is checked in the database and in the exported file.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QTest>

#include "Pendrel/Platform/KVXWindowMessages.h"
#include "Quenzel/Shared/LanguageComboBox.h"
#include "Quenzel/Shared/MultilineListBox.h"
#include "Quenzel/Shared/VocabularyListCtrl.h"
#include "Quenzel/Shell/MainDlg.h"
#include "Quenzel/Tutor/EditListDlg.h"
#include "Quenzel/Tutor/TutorDlg.h"
#include "TutorPageFixture.h"
#include "TutorTestData.h"

using namespace tutortest;

namespace {

class TutorFlowsTest : public TutorPageFixture {
protected:
    void SelectList(const wchar_t* name) {
        page->GetListCtrl()->ClearSelection();
        const auto rows = page->GetRowRecords();
        for (int row = 0; row < static_cast<int>(rows.size()); ++row)
            if (rows[static_cast<size_t>(row)]->name.Compare(name) == 0)
                page->GetListCtrl()->SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
    }
    int64_t IdOf(const std::wstring& name) {
        for (const StoredList& list : Lists(db))
            if (list.name == name) return list.id;
        return 0;
    }
    void Type(int row, int column, const wchar_t* text) { TypeCell(*page->GetEditListDlg(), row, column, text); }
    void WaitForEditor() { WaitForJob(*page->GetEditListDlg()); }
    void WaitForPage() { WaitForJob(*page); }
};

} // namespace

TEST_F(TutorFlowsTest, CreateImportEditExportDelete) {
    MessageSink messages(IDYES);
    FileAnswer file(L"");

    // Create a list in the editor.
    page->OnCreateList();
    CEditListDlg* editor = page->GetEditListDlg();
    ASSERT_NE(editor, nullptr);
    EXPECT_FALSE(main->isVisible());
    editor->OnAdd();
    Type(0, 0, L"house");
    Type(0, 1, L"Haus");
    editor->OnAdd();
    Type(1, 0, L"garden");
    Type(1, 1, L"Garten");
    editor->GetNameBox()->setEditText(QStringLiteral("Home"));
    editor->OnSave();
    WaitForEditor();
    EXPECT_EQ(messages.Last(), Text(31132, L"Home"));
    const int64_t home = IdOf(L"Home");
    ASSERT_GT(home, 0);
    EXPECT_EQ(ListPairs(db, home), (Pairs{{L"house", L"Haus"}, {L"garden", L"Garten"}}));
    editor->OnClose();
    EXPECT_FALSE(editor->IsCreated());
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(page->GetRowRecords().size(), 1u);

    // Import a comma file into a new list named after the file.
    const std::string imported = m_data.WriteFile(
        "Kitchen.csv", "\xEF\xBB\xBF" "spoon,L\xC3\xB6" "ffel\r\n\"knife, sharp\",Messer\r\nfork,Gabel\r\n");
    file.Set(kvxtest::Widen(imported));
    page->OnImportList();
    WaitForEditor();
    ASSERT_EQ(RowCount(*editor), 3);
    editor->OnSave();
    WaitForEditor();
    EXPECT_EQ(messages.Last(), Text(31031, kvxtest::Widen(imported).c_str()));
    EXPECT_FALSE(editor->IsCreated()) << "an import closes after its save";
    const int64_t kitchen = IdOf(L"Kitchen");
    ASSERT_GT(kitchen, 0);
    EXPECT_EQ(ListPairs(db, kitchen),
              (Pairs{{L"spoon", L"L\u00F6ffel"}, {L"knife, sharp", L"Messer"}, {L"fork", L"Gabel"}}));
    EXPECT_EQ(page->GetRowRecords().size(), 2u);

    // Edit it: change a meaning, remove a row, add one.
    SelectList(L"Kitchen");
    page->OnEditList();
    WaitForEditor();
    ASSERT_TRUE(editor->IsCreated());
    ASSERT_EQ(RowCount(*editor), 3);
    Type(2, 1, L"die Gabel");
    editor->GetListBox()->SetCurrentCell(1, 0);
    editor->OnRemove();
    editor->OnAdd();
    Type(2, 0, L"cup");
    Type(2, 1, L"Tasse");
    editor->OnSave();
    WaitForEditor();
    EXPECT_EQ(messages.Last(), Text(31107, L"Kitchen"));
    EXPECT_EQ(ListPairs(db, kitchen),
              (Pairs{{L"knife, sharp", L"Messer"}, {L"fork", L"die Gabel"}, {L"cup", L"Tasse"}}));
    editor->OnClose();
    int row = -1;
    ASSERT_EQ(page->FindListRow(kitchen, row), 1);
    EXPECT_EQ(page->GetRowRecords()[static_cast<size_t>(row)]->wordCount, 3);

    // Export it, over an older and longer file.
    const std::string exported = m_data.WriteFile("kitchen-out.csv", std::string(1000, '#'));
    file.Set(kvxtest::Widen(exported));
    SelectList(L"Kitchen");
    page->OnExportList();
    WaitForPage();
    EXPECT_EQ(messages.Last(), Text(31144, kvxtest::Widen(exported).c_str()));
    EXPECT_EQ(kvxtest::TempFolder::ReadFile(exported),
              "\"knife, sharp\",Messer\r\nfork,die Gabel\r\ncup,Tasse\r\n");

    // Delete both lists.
    page->GetListCtrl()->SelectAll();
    page->OnDeleteLists();
    EXPECT_EQ(messages.Last(), Text(31134, 2));
    EXPECT_TRUE(Lists(db).empty());
    EXPECT_TRUE(page->GetRowRecords().empty());
    EXPECT_TRUE(ListPairs(db, kitchen).empty());
}

// The same flow by the buttons themselves: each click acts once. The file
// dialog comes once per import, Add adds one row, and the editor of an
// import closes after its save with the main window back.
TEST_F(TutorFlowsTest, EachButtonClickActsOnce) {
    MessageSink messages(IDYES);
    FileAnswer file(L"");
    auto click = [](QWidget* owner, UINT id) {
        auto* button = qobject_cast<QAbstractButton*>(static_cast<CKVXDialog*>(owner)->GetDlgItem(id));
        ASSERT_NE(button, nullptr) << id;
        ASSERT_TRUE(button->isEnabled()) << id;
        button->click();
    };

    click(page, IDC_TUTOR_IMPORT);
    EXPECT_EQ(file.requests.size(), 1u);
    EXPECT_EQ(page->GetEditListDlg(), nullptr);

    click(page, IDC_TUTOR_EXPORT);
    EXPECT_EQ(messages.texts, std::vector<std::wstring>{Text(31079)});

    click(page, IDC_TUTOR_CREATE);
    CEditListDlg* editor = page->GetEditListDlg();
    ASSERT_NE(editor, nullptr);
    ASSERT_TRUE(editor->IsCreated());
    const int before = RowCount(*editor);
    click(editor, IDC_EDIT_LIST_ADD);
    EXPECT_EQ(RowCount(*editor), before + 1);
    messages.SetAnswer(IDNO);
    click(editor, IDCANCEL);
    messages.SetAnswer(IDYES);
    EXPECT_FALSE(editor->IsCreated());
    EXPECT_TRUE(main->isVisible());

    const std::string imported = m_data.WriteFile("Garden.csv", "rose,Rose\r\ntree,Baum\r\n");
    file.Set(kvxtest::Widen(imported));
    file.requests.clear();
    click(page, IDC_TUTOR_IMPORT);
    EXPECT_EQ(file.requests.size(), 1u);
    ASSERT_TRUE(editor->IsCreated());
    WaitForEditor();
    ASSERT_EQ(RowCount(*editor), 2);
    messages.texts.clear();
    click(editor, IDC_EDIT_LIST_SAVE);
    WaitForEditor();
    EXPECT_EQ(messages.texts, std::vector<std::wstring>{Text(31031, kvxtest::Widen(imported).c_str())});
    EXPECT_FALSE(editor->IsCreated());
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(ListPairs(db, IdOf(L"Garden")), (Pairs{{L"rose", L"Rose"}, {L"tree", L"Baum"}}));
    EXPECT_EQ(Lists(db).size(), 1u);
}
