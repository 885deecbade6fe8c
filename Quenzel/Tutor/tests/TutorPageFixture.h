#pragma once
// The main window over a fresh database with two different languages as
// its pair, and its tutor page: the fixture of the tests that drive the
// page and the list editor.

#include <QTest>

#include <memory>

#include "Pendrel/Platform/KVXWindowMessages.h"
#include "Quenzel/Shared/LanguageComboBox.h"
#include "Quenzel/Shared/MultilineListBox.h"
#include "Quenzel/Shared/VocabularyListCtrl.h"
#include "Quenzel/Shell/MainDlg.h"
#include "Quenzel/Shell/tests/QuenzelAppFixture.h"
#include "Quenzel/Tutor/EditListDlg.h"
#include "Quenzel/Tutor/TutorDlg.h"

class TutorPageFixture : public QuenzelAppFixture {
protected:
    void SetUp() override {
        QuenzelAppFixture::SetUp();
        db = m_app.GetDataBase();
        main = std::make_unique<CMainDlg>(m_app.Services());
        ASSERT_TRUE(main->Create());
        main->show();
        CLanguageComboBox* second = main->GetSecondCombo();
        if (second->currentIndex() == main->GetFirstCombo()->currentIndex())
            second->setCurrentIndex(second->currentIndex() == 0 ? 1 : 0);
        main->GetSelectedLanguages(&from, &to);
        ASSERT_NE(from, to);
        page = main->GetTutorPage();
        ASSERT_NE(page, nullptr);
    }
    void TearDown() override {
        main->DestroyWindow();
        // The page and its windows go while the database is still there.
        main.reset();
        QuenzelAppFixture::TearDown();
    }

    // Until the job has ended and its end message was handled.
    static void WaitForJob(CTutorDlg& tutor) {
        ASSERT_TRUE(QTest::qWaitFor([&] { return tutor.GetJob() == TUTOR_JOB_NONE && !tutor.IsJobRunning(); }, 60000));
        QCoreApplication::processEvents();
    }
    static void WaitForJob(CEditListDlg& editor) {
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return editor.GetJob() == EDIT_JOB_NONE && !editor.IsJobRunning(); }, 60000));
        QCoreApplication::processEvents();
    }
    // An edit of a cell as the list box makes it (its rows start below the
    // heading row).
    static void TypeCell(CEditListDlg& editor, int row, int column, const wchar_t* text) {
        ASSERT_TRUE(editor.GetListBox()->GetRows().ChangeRow(
            row + 1, [&](GridRow& target) { (column == 0 ? target.word : target.meaning).m_text = text; }));
        editor.GetListBox()->SetModified(TRUE);
        SendMessage(&editor, WM_MULTILINE_CHANGED, 0, 1);
    }
    static int RowCount(CEditListDlg& editor) { return editor.GetListBox()->GetRowCount() - 1; }
    void Select(std::initializer_list<int> rows) {
        page->GetListCtrl()->ClearSelection();
        for (int row : rows) page->GetListCtrl()->SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
    }
    VocabularyListRecord NewList() const {
        VocabularyListRecord list;
        list.fromLanguage = from;
        list.toLanguage = to;
        return list;
    }

    CAbstractDataBase* db = nullptr;
    std::unique_ptr<CMainDlg> main;
    CTutorDlg* page = nullptr;
    int from = 0, to = 0;
};
