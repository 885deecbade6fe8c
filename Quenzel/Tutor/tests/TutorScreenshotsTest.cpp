// Pictures of the tutor page, the list editor and the list-name dialog as
// they render offscreen, saved to the screenshot folder to be looked at.

#include <gtest/gtest.h>

#include <QDir>
#include <QLineEdit>
#include <QTest>

#include "Pendrel/App/KVXApp.h"
#include "Pendrel/Platform/KVXWindowMessages.h"
#include "Quenzel/Shared/LanguageComboBox.h"
#include "Quenzel/Shared/MultilineListBox.h"
#include "Quenzel/Shared/VocabularyListCtrl.h"
#include "Quenzel/Shared/VocabularyListNameDlg.h"
#include "Quenzel/Shell/MainDlg.h"
#include "Quenzel/Shell/TabCtrlEx.h"
#include "Quenzel/Shell/tests/QuenzelAppFixture.h"
#include "Quenzel/Tutor/EditListDlg.h"
#include "Quenzel/Tutor/TutorDlg.h"
#include "TutorTestData.h"

using namespace tutortest;

namespace {

void Save(QWidget& window, const char* name) {
    QDir().mkpath(QStringLiteral(KVX_SCREENSHOT_FOLDER));
    const QImage picture = window.grab().toImage();
    ASSERT_FALSE(picture.isNull());
    EXPECT_TRUE(picture.save(QStringLiteral(KVX_SCREENSHOT_FOLDER "/") + QLatin1String(name)));
}

using TutorScreenshots = QuenzelAppFixture;

} // namespace

TEST_F(TutorScreenshots, TutorPageEditorAndNameDialog) {
    MessageSink messages;
    CKVXApp framework;  // the window theme the buttons draw with
    auto main = std::make_unique<CMainDlg>(m_app.Services());
    ASSERT_TRUE(main->Create());
    CLanguageComboBox* second = main->GetSecondCombo();
    if (second->currentIndex() == main->GetFirstCombo()->currentIndex())
        second->setCurrentIndex(second->currentIndex() == 0 ? 1 : 0);
    int from = 0, to = 0;
    main->GetSelectedLanguages(&from, &to);
    CAbstractDataBase* db = m_app.GetDataBase();
    StoreList(db, L"Animals", from, to, {{L"dog", L"Hund"}, {L"cat", L"Katze"}});
    StoreList(db, L"Kitchen and household things", from, to, {{L"spoon", L"L\u00F6ffel"}});
    StoreList(db, L"Verbs", to, from, {});
    CTutorDlg* page = main->GetTutorPage();
    page->FillVocabularyLists();
    main->GetTabCtrl()->setCurrentIndex(1);
    main->resize(800, 600);
    main->show();
    page->GetListCtrl()->SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    QTest::qWait(50);
    Save(*main, "tutor-page.png");
    main->resize(1100, 760);
    QTest::qWait(50);
    Save(*main, "tutor-page-large.png");

    page->GetListCtrl()->ClearSelection();
    page->GetListCtrl()->SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    page->OnEditList();
    CEditListDlg* editor = page->GetEditListDlg();
    ASSERT_NE(editor, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return editor->GetJob() == EDIT_JOB_NONE && !editor->IsJobRunning(); }, 60000));
    EXPECT_EQ(editor->GetListBox()->GetRowCount(), 3);
    editor->OnAdd();
    EXPECT_EQ(editor->GetListBox()->GetRowCount(), 4);
    editor->resize(800, 600);
    QTest::qWait(50);
    Save(*editor, "list-editor.png");
    editor->DestroyWindow();

    CVocabularyListNameDlg name(main->Services(), main.get());
    ASSERT_TRUE(name.Create());
    name.GetDlgItem<QLineEdit>(IDC_LIST_NAME_EDIT)->setText(QStringLiteral("Holiday words"));
    QTest::qWait(50);
    Save(name, "list-name.png");
    name.DestroyWindow();
    main->DestroyWindow();
    main.reset();
}
