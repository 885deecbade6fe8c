#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QKeyEvent>
#include <QTabBar>
#include <QTest>
#include <QTimer>

#include "Pendrel/Platform/KVXMessageBox.h"
#include "Quenzel/App/QuenzelApp.h"
#include "Quenzel/Dictionary/DictionaryDlg.h"
#include "Quenzel/Shared/LanguageComboBox.h"
#include "Quenzel/Shell/MainDlg.h"
#include "Quenzel/Shell/TabCtrlEx.h"
#include "QuenzelAppFixture.h"

namespace {

using MainDlgTest = QuenzelAppFixture;

void PressKey(QWidget* target, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(target, &release);
}

} // namespace

TEST_F(MainDlgTest, TheCombosListTheLanguagesLaterOnesFirstAndAStaleNameSelectsTheFirst) {
    const std::vector<LanguageRecord> languages = m_app.GetDataBase()->GetLanguages(0);
    ASSERT_GE(languages.size(), 2u);
    m_app.GetOptions().SetLanguageNames(L"No Such Language", languages.front().name.GetString());
    CMainDlg dialog(m_app.Services());
    ASSERT_TRUE(dialog.Create());
    CLanguageComboBox* first = dialog.GetFirstCombo();
    CLanguageComboBox* second = dialog.GetSecondCombo();
    ASSERT_EQ(first->count(), static_cast<int>(languages.size()));
    EXPECT_STREQ(first->GetItemText(0).GetString(), languages.back().name.GetString());
    EXPECT_EQ(first->GetItemData(0), languages.back().id);
    EXPECT_EQ(first->currentIndex(), 0);
    EXPECT_EQ(second->currentIndex(), second->count() - 1);
    int a = 0, b = 0;
    ASSERT_EQ(dialog.GetSelectedLanguages(&a, &b), 1);
    EXPECT_EQ(a, languages.back().id);
    EXPECT_EQ(b, languages.front().id);
    EXPECT_TRUE(first->GetItemText(first->count()).IsEmpty());
    dialog.DestroyWindow();
}

TEST_F(MainDlgTest, EnterAndEscapeDoNotCloseTheMainWindow) {
    CMainDlg dialog(m_app.Services());
    ASSERT_TRUE(dialog.Create());
    dialog.show();
    for (QWidget* target : {static_cast<QWidget*>(dialog.GetFirstCombo()), static_cast<QWidget*>(&dialog)}) {
        PressKey(target, Qt::Key_Return);
        PressKey(target, Qt::Key_Enter);
        PressKey(target, Qt::Key_Escape);
    }
    QApplication::processEvents();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(dialog.IsCreated());
    dialog.DestroyWindow();
}

TEST_F(MainDlgTest, PagesChangeTheHeaderAndAPairChangeReachesTheDictionaryPage) {
    CMainDlg dialog(m_app.Services());
    ASSERT_TRUE(dialog.Create());
    dialog.show();
    ASSERT_NE(dialog.GetDictionaryPage(), nullptr);
    ASSERT_NE(dialog.GetTutorPage(), nullptr);
    EXPECT_STREQ(dialog.GetHeaderTitle().GetString(), L"Translate a word or phrase.");
    CTabCtrlEx* tab = dialog.GetTabCtrl();
    EXPECT_EQ(tab->tabText(0), QStringLiteral("Dictionary"));
    EXPECT_EQ(tab->tabText(1), QStringLiteral("Tutor"));

    CLanguageComboBox* first = dialog.GetFirstCombo();
    ASSERT_GE(first->count(), 2);
    const int other = first->currentIndex() == 0 ? 1 : 0;
    first->setCurrentIndex(other);
    emit first->activated(other);
    EXPECT_EQ(dialog.GetDictionaryPage()->GetFirstLanguage(), first->GetItemData(other));

    tab->SetActiveTab(1);
    EXPECT_STREQ(dialog.GetHeaderTitle().GetString(), L"Select a vocabulary list and memorize easily and quickly.");
    // While the tutor page is shown a pair change refreshes nothing at once.
    first->setCurrentIndex(1 - other);
    emit first->activated(1 - other);
    EXPECT_EQ(dialog.GetDictionaryPage()->GetFirstLanguage(), first->GetItemData(other));
    // Shown again, the dictionary page has the new pair.
    tab->SetActiveTab(0);
    EXPECT_STREQ(dialog.GetHeaderTitle().GetString(), L"Translate a word or phrase.");
    EXPECT_EQ(dialog.GetDictionaryPage()->GetFirstLanguage(), first->GetItemData(1 - other));

    // Closing stores the pair shown.
    dialog.DestroyWindow();
    CBasicString from, to;
    m_app.GetOptions().GetLanguageNames(&from, &to);
    EXPECT_STREQ(from.GetString(), first->GetItemText(1 - other).GetString());
}

TEST_F(MainDlgTest, TheWindowCannotShrinkBelow800By600) {
    CMainDlg dialog(m_app.Services());
    ASSERT_TRUE(dialog.Create());
    dialog.show();
    dialog.resize(300, 200);
    QApplication::processEvents();
    EXPECT_GE(dialog.width(), 800);
    EXPECT_GE(dialog.height(), 600);
    dialog.DestroyWindow();
}

// The window runs modally as in the program. Return in an open language list
// takes the highlighted language and Escape keeps the old one; either key
// closes only the list, and the window runs on.
TEST_F(MainDlgTest, ReturnAndEscapeInAnOpenLanguageListCloseOnlyTheList) {
    CMainDlg dialog(m_app.Services());
    bool checked = false;
    QTimer::singleShot(0, &dialog, [&] {
        for (CLanguageComboBox* combo : {dialog.GetFirstCombo(), dialog.GetSecondCombo()}) {
            for (int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
                const int before = combo->currentIndex();
                const int wanted = before == 0 ? 1 : before - 1;
                combo->setFocus();
                combo->showPopup();
                QAbstractItemView* list = combo->view();
                ASSERT_TRUE(QTest::qWaitFor([&] { return list->isVisible(); }, 5000));
                list->setCurrentIndex(combo->model()->index(wanted, 0));
                QTest::keyClick(list, static_cast<Qt::Key>(key));
                QApplication::processEvents();
                EXPECT_FALSE(list->isVisible()) << key;
                EXPECT_EQ(combo->currentIndex(), key == Qt::Key_Escape ? before : wanted) << key;
                // What reaches the window after the list closed.
                QTest::keyClick(combo, static_cast<Qt::Key>(key));
                QApplication::processEvents();
                EXPECT_TRUE(dialog.isVisible()) << key;
                EXPECT_EQ(dialog.result(), 0) << "the window was ended by key " << key;
            }
        }
        checked = true;
        dialog.DestroyWindow();
    });
    dialog.DoModal();
    EXPECT_TRUE(checked);
}
