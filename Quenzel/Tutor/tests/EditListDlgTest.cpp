// The list editor window and the list-name dialog offscreen over the
// database component.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "Pendrel/Controls/AdvertiseDialog.h"
#include "Pendrel/Platform/KVXWindowMessages.h"
#include "Quenzel/App/DataBaseCall.h"
#include "Quenzel/Shared/LanguageComboBox.h"
#include "Quenzel/Shared/MultilineListBox.h"
#include "Quenzel/Shared/VocabularyListCtrl.h"
#include "Quenzel/Shared/VocabularyListNameDlg.h"
#include "Quenzel/Shell/MainDlg.h"
#include "Quenzel/Shell/tests/DataFileCheck.h"
#include "Quenzel/Tutor/EditListDlg.h"
#include "Quenzel/Tutor/TutorDlg.h"
#include "Quenzel/Tutor/VocabularyListFile.h"
#include "TutorPageFixture.h"
#include "TutorTestData.h"
#include "testing/FullDisk.h"

using namespace tutortest;

namespace {

// An editor whose jobs stop after a number of rows, as a cancel in the
// progress dialog would.
class CStoppingEditListDlg : public CEditListDlg {
public:
    using CEditListDlg::CEditListDlg;
    int stopAfter = -1;  // -1: never

protected:
    ListFileProgress MakeJobProgress() override {
        ListFileProgress progress;
        auto asked = std::make_shared<int>(0);
        progress.isRunning = [this, asked] { return stopAfter < 0 || (*asked)++ < stopAfter; };
        return progress;
    }
};

using EditListDlgTest = TutorPageFixture;

} // namespace

TEST_F(EditListDlgTest, ACancelledImportKeepsTheRowsBeforeTheCancel) {
    MessageSink messages;
    std::string text;
    for (int i = 0; i < 10000; ++i) {
        const std::string number = std::to_string(i);
        text.append("w").append(number).append("\tm").append(number).append("\r\n");
    }
    const std::wstring path = kvxtest::Widen(m_data.WriteFile("Big list.txt", text));
    CStoppingEditListDlg editor(main->Services(), page, main.get());
    editor.stopAfter = 120;
    const VocabularyListRecord list = NewList();
    editor.SetList(&list, &list);
    editor.SetMode(LIST_EDIT_IMPORT);
    editor.SetImportFile(path.c_str());
    editor.SetSeparatorKind(LIST_FILE_TAB);
    ASSERT_TRUE(editor.Create());
    WaitForJob(editor);
    EXPECT_EQ(messages.texts, std::vector<std::wstring>{Text(31265, path.c_str())});
    ASSERT_EQ(RowCount(editor), 120);
    EXPECT_STREQ(editor.GetListBox()->GetRow(120)->word.m_text.GetString(), L"w119");
    EXPECT_EQ(editor.GetNameBox()->currentText(), QStringLiteral("Big list"));

    // Saving stores what was read and closes the import window.
    editor.stopAfter = -1;
    messages.texts.clear();
    editor.OnSave();
    WaitForJob(editor);
    EXPECT_EQ(messages.texts, std::vector<std::wstring>{Text(31031, path.c_str())});
    EXPECT_FALSE(editor.IsCreated());
    const auto lists = Lists(db);
    ASSERT_EQ(lists.size(), 1u);
    EXPECT_EQ(lists[0].name, L"Big list");
    EXPECT_EQ(ListPairs(db, lists[0].id).size(), 120u);
    int row = -1;
    EXPECT_EQ(page->FindListRow(lists[0].id, row), 1);
}

TEST_F(EditListDlgTest, ASaveOnAFullDiskKeepsTheEditorWithItsRows) {
    MessageSink messages;
    const std::wstring path = kvxtest::Widen(m_data.WriteFile("Two.txt", "house\tHaus\r\ntree\tBaum\r\n"));
    CEditListDlg editor(main->Services(), page, main.get());
    const VocabularyListRecord list = NewList();
    editor.SetList(&list, &list);
    editor.SetMode(LIST_EDIT_IMPORT);
    editor.SetImportFile(path.c_str());
    editor.SetSeparatorKind(LIST_FILE_TAB);
    ASSERT_TRUE(editor.Create());
    WaitForJob(editor);
    ASSERT_EQ(RowCount(editor), 2);
    {
        kvxtest::FullDisk full;
        ASSERT_TRUE(full.IsActive());
        editor.OnSave();
        WaitForJob(editor);
    }
    EXPECT_EQ(messages.texts, std::vector<std::wstring>{StorageFailureText().GetString()});
    EXPECT_TRUE(editor.IsCreated());
    EXPECT_EQ(RowCount(editor), 2);
    EXPECT_TRUE(editor.GetDlgItem(IDC_EDIT_LIST_SAVE)->isEnabled());
    EXPECT_TRUE(Lists(db).empty());
    EXPECT_TRUE(page->GetRowRecords().empty());
    EXPECT_EQ(quenzeltest::DataFileIntegrity(m_data.Sub("Quenzel.pkv")), "ok");

    // With room again the same rows are stored once.
    messages.texts.clear();
    editor.OnSave();
    WaitForJob(editor);
    EXPECT_EQ(messages.texts, std::vector<std::wstring>{Text(31031, path.c_str())});
    EXPECT_FALSE(editor.IsCreated());
    const auto lists = Lists(db);
    ASSERT_EQ(lists.size(), 1u);
    EXPECT_EQ(ListPairs(db, lists[0].id), (Pairs{{L"house", L"Haus"}, {L"tree", L"Baum"}}));
}

TEST_F(EditListDlgTest, AnImportWithoutPairsSaysSoAndStoresNothing) {
    struct Case {
        const char* name;
        std::string bytes;
        int kind;
    };
    const Case cases[] = {
        {"empty.txt", "", LIST_FILE_TAB},
        {"binary.txt", std::string("\x00\x01\x02\xff\xfe\x00\x10", 7), LIST_FILE_TAB},
        {"open quote.csv", "\"house,Haus\r\ntree,Baum\r\n", LIST_FILE_COMMA},
    };
    for (const Case& c : cases) {
        MessageSink messages;
        const std::wstring path = kvxtest::Widen(m_data.WriteFile(c.name, c.bytes));
        CEditListDlg editor(main->Services(), page, main.get());
        const VocabularyListRecord list = NewList();
        editor.SetList(&list, &list);
        editor.SetMode(LIST_EDIT_IMPORT);
        editor.SetImportFile(path.c_str());
        editor.SetSeparatorKind(c.kind);
        ASSERT_TRUE(editor.Create());
        WaitForJob(editor);
        EXPECT_EQ(messages.texts, std::vector<std::wstring>{Text(31991, path.c_str())}) << c.name;
        EXPECT_FALSE(editor.IsCreated()) << c.name;
        EXPECT_TRUE(Lists(db).empty()) << c.name;
    }
}

TEST_F(EditListDlgTest, CreateAddsTypedRowsAndClosingWithChangesAsks) {
    MessageSink messages(IDYES);
    CEditListDlg editor(main->Services(), page, main.get());
    const VocabularyListRecord list = NewList();
    editor.SetList(&list, &list);
    editor.SetMode(LIST_EDIT_CREATE);
    ASSERT_TRUE(editor.Create());
    EXPECT_EQ(editor.GetDlgItemText(IDC_EDIT_LIST_TITLE).Compare(L"Create a new vocabulary list."), 0);

    // A blank name is refused.
    editor.OnAdd();
    TypeCell(editor, 0, 0, L"house");
    TypeCell(editor, 0, 1, L"Haus");
    editor.OnAdd();  // left with its placeholder texts
    editor.GetNameBox()->setEditText(QStringLiteral("   "));
    editor.OnSave();
    EXPECT_EQ(messages.Last(), Text(31106));
    EXPECT_EQ(editor.GetJob(), EDIT_JOB_NONE);

    // Close with changes: Yes saves, then closes.
    editor.GetNameBox()->setEditText(QStringLiteral("Home"));
    messages.texts.clear();
    editor.OnClose();
    WaitForJob(editor);
    EXPECT_EQ(messages.texts, (std::vector<std::wstring>{Text(31353, L"Home"), Text(31132, L"Home")}));
    EXPECT_FALSE(editor.IsCreated());
    EXPECT_TRUE(main->isVisible());
    const auto lists = Lists(db);
    ASSERT_EQ(lists.size(), 1u);
    EXPECT_EQ(ListPairs(db, lists[0].id), (Pairs{{L"house", L"Haus"}}));
    ASSERT_EQ(page->GetRowRecords().size(), 1u);
    EXPECT_STREQ(page->GetRowRecords()[0]->name.GetString(), L"Home");
}

TEST_F(EditListDlgTest, TheAdvertisementStripFollowsTheSettingAtEachOpening) {
    MessageSink messages(IDNO);
    CEditListDlg editor(main->Services(), page, main.get());
    const VocabularyListRecord list = NewList();
    editor.SetList(&list, &list);
    editor.SetMode(LIST_EDIT_CREATE);
    QWidget* rows = nullptr;
    const QWidget* strip = nullptr;
    const auto open = [&] {
        ASSERT_TRUE(editor.Create());
        rows = editor.GetListBox();
        strip = editor.GetDlgItem(IDC_EDIT_LIST_AD);
        ASSERT_NE(strip, nullptr);
    };

    m_app.GetOptions().SetAdvertisement(1);
    open();
    auto* panel = editor.findChild<CAdvertiseDialog*>();
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->geometry(), strip->geometry());
    EXPECT_GT(rows->y(), panel->geometry().bottom());
    const int bottom = rows->geometry().bottom();
    editor.OnClose();

    // Without it the list grows up into the strip; with it again, the list
    // is back under the panel and never under it.
    m_app.GetOptions().SetAdvertisement(0);
    open();
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(rows->y(), strip->y());
    EXPECT_EQ(rows->geometry().bottom(), bottom);
    editor.OnClose();
    m_app.GetOptions().SetAdvertisement(1);
    open();
    EXPECT_TRUE(panel->isVisible());
    EXPECT_GT(rows->y(), panel->geometry().bottom());
    EXPECT_EQ(rows->geometry().bottom(), bottom);
    editor.OnClose();
}

TEST_F(EditListDlgTest, EditLoadsTheListAndACaseChangeIsNotStored) {
    MessageSink messages(IDNO);
    const int64_t id = StoreList(db, L"Words", from, to, {{L"house", L"Haus"}, {L"tree", L"Baum"}});
    page->FillVocabularyLists();
    CEditListDlg editor(main->Services(), page, main.get());
    VocabularyListRecord list = NewList();
    list.id = id;
    list.name = L"Words";
    editor.SetList(&list, &list);
    editor.SetMode(LIST_EDIT_EDIT);
    ASSERT_TRUE(editor.Create());
    WaitForJob(editor);
    ASSERT_EQ(RowCount(editor), 2);
    EXPECT_FALSE(editor.GetDlgItem(IDC_EDIT_LIST_WORDS)->isEnabled());
    TypeCell(editor, 0, 0, L"HOUSE");
    TypeCell(editor, 1, 1, L"Baeume");
    editor.OnSave();
    WaitForJob(editor);
    EXPECT_EQ(messages.Last(), Text(31107, L"Words"));
    EXPECT_EQ(ListPairs(db, id), (Pairs{{L"house", L"Haus"}, {L"tree", L"Baeume"}}));
    EXPECT_TRUE(editor.IsCreated()) << "an edit stays open after its save";
    // Nothing changed since: Close closes without asking.
    messages.texts.clear();
    editor.OnClose();
    EXPECT_TRUE(messages.texts.empty());
    EXPECT_FALSE(editor.IsCreated());
}

TEST_F(EditListDlgTest, TheNameDialogTrimsAndRefusesABlankName) {
    MessageSink messages;
    CVocabularyListNameDlg dialog(main->Services(), main.get());
    ASSERT_TRUE(dialog.Create());
    auto* edit = dialog.GetDlgItem<QLineEdit>(IDC_LIST_NAME_EDIT);
    ASSERT_NE(edit, nullptr);
    edit->setText(QStringLiteral("   \t "));
    dialog.GetDlgItem<QPushButton>(IDOK)->click();
    EXPECT_EQ(messages.texts, std::vector<std::wstring>{Text(31106)});
    EXPECT_TRUE(dialog.isVisible());
    edit->setText(QStringLiteral("  Verbs  "));
    dialog.GetDlgItem<QPushButton>(IDOK)->click();
    EXPECT_STREQ(dialog.GetListName().GetString(), L"Verbs");
    EXPECT_EQ(messages.texts.size(), 1u);
    struct Case {
        const wchar_t* text;
        bool ok;
        const wchar_t* name;
    };
    for (const Case& c : {Case{L" a b ", true, L"a b"}, Case{L"", false, L""}, Case{L"\u00DC", true, L"\u00DC"}}) {
        CBasicString name = c.text;
        EXPECT_EQ(CVocabularyListNameDlg::CheckListName(name), c.ok);
        EXPECT_STREQ(name.GetString(), c.name);
    }
}

// Words typed into the cells of a row not stored yet are a change: Save
// comes back for a meaning typed after a save that left the row out for
// want of one, and the row is stored.
TEST_F(EditListDlgTest, TypingIntoANewRowIsAChangeToSave) {
    MessageSink messages(IDYES);
    CEditListDlg editor(main->Services(), page, main.get());
    const VocabularyListRecord list = NewList();
    editor.SetList(&list, &list);
    editor.SetMode(LIST_EDIT_CREATE);
    ASSERT_TRUE(editor.Create());
    CMultilineListBox* box = editor.GetListBox();
    auto type = [&](int row, int column, const QString& text) {
        ASSERT_TRUE(box->StartEdit(row + 1, column));
        QTest::keyClick(box->GetEditor(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(box->GetEditor(), text);
        QTest::keyClick(box->GetEditor(), Qt::Key_Return);
        ASSERT_TRUE(QTest::qWaitFor([&] { return box->GetEditor() == nullptr; }, 5000));
    };
    auto* save = editor.GetDlgItem<QPushButton>(IDC_EDIT_LIST_SAVE);
    ASSERT_NE(save, nullptr);

    editor.OnAdd();
    type(0, 0, QStringLiteral("Zug"));
    editor.GetNameBox()->setEditText(QStringLiteral("Travel"));
    save->click();
    WaitForJob(editor);
    EXPECT_EQ(messages.Last(), Text(31132, L"Travel"));
    EXPECT_FALSE(save->isEnabled());
    const auto lists = Lists(db);
    ASSERT_EQ(lists.size(), 1u);
    EXPECT_TRUE(ListPairs(db, lists[0].id).empty());

    type(0, 1, QStringLiteral("train"));
    EXPECT_TRUE(save->isEnabled());
    save->click();
    WaitForJob(editor);
    EXPECT_EQ(ListPairs(db, lists[0].id), (Pairs{{L"Zug", L"train"}}));
    editor.DestroyWindow();
}

TEST_F(EditListDlgTest, AnImportWithAnOverlongLineSaysWhichLine) {
    MessageSink messages;
    const std::string text = "a\tb\r\nc\t" + std::string(static_cast<size_t>(kMaxImportLineBytes), 'm') + "\r\n";
    const std::wstring path = kvxtest::Widen(m_data.WriteFile("Long line.txt", text));
    CStoppingEditListDlg editor(main->Services(), page, main.get());
    const VocabularyListRecord list = NewList();
    editor.SetList(&list, &list);
    editor.SetMode(LIST_EDIT_IMPORT);
    editor.SetImportFile(path.c_str());
    editor.SetSeparatorKind(LIST_FILE_TAB);
    ASSERT_TRUE(editor.Create());
    WaitForJob(editor);
    CBasicString expected;
    expected.Format(QuenzelString(31890).GetString(), 2, path.c_str(), static_cast<int>(kMaxImportLineBytes));
    EXPECT_EQ(messages.texts, std::vector<std::wstring>{expected.GetString()});
    EXPECT_EQ(RowCount(editor), 0);
}

// The tutor page keeps a closed editor for the next list: closing lets the
// rows and the window-system window go, and the next opening shows only the
// next list's rows, with the texts as the file gave them.
TEST_F(EditListDlgTest, AClosedEditorFreesItsRowsAndOpensAgainForTheNextList) {
    MessageSink messages;
    CEditListDlg editor(main->Services(), page, main.get());
    auto import = [&](const char* name, const std::string& bytes) {
        const std::wstring path = kvxtest::Widen(m_data.WriteFile(name, bytes));
        const VocabularyListRecord list = NewList();
        editor.SetList(&list, &list);
        editor.SetMode(LIST_EDIT_IMPORT);
        editor.SetImportFile(path.c_str());
        editor.SetSeparatorKind(LIST_FILE_TAB);
        ASSERT_TRUE(editor.Create());
        WaitForJob(editor);
    };
    auto shown = [&] {
        Pairs pairs;
        CMultilineListBox* box = editor.GetListBox();
        for (int row = 1; row < box->GetRowCount(); ++row) {
            GridRow copy;
            EXPECT_TRUE(box->GetRows().CopyRow(row, copy));
            EXPECT_STREQ(copy.word.m_secondText.GetString(), copy.word.m_text.GetString());
            EXPECT_STREQ(copy.meaning.m_secondText.GetString(), copy.meaning.m_text.GetString());
            EXPECT_EQ(box->model()->index(row, 0).data().toString().toStdWString(), copy.word.m_text.GetString());
            pairs.emplace_back(copy.word.m_text.GetString(), copy.meaning.m_text.GetString());
        }
        return pairs;
    };

    import("First.txt", "Haus\thouse\r\nBaum\ttree\r\n");
    EXPECT_EQ(shown(), (Pairs{{L"Haus", L"house"}, {L"Baum", L"tree"}}));
    editor.DestroyWindow();
    EXPECT_FALSE(editor.IsCreated());
    EXPECT_EQ(editor.GetListBox()->GetRowCount(), 1);  // the heading row
    EXPECT_TRUE(editor.GetModel().Rows().empty());
    EXPECT_EQ(editor.windowHandle(), nullptr);

    import("Second.txt", "Zug\ttrain\r\n");
    EXPECT_TRUE(editor.isVisible());
    EXPECT_NE(editor.windowHandle(), nullptr);
    EXPECT_EQ(shown(), (Pairs{{L"Zug", L"train"}}));
    EXPECT_TRUE(messages.texts.empty());
    editor.DestroyWindow();
}
