#include <gtest/gtest.h>

#include <QDir>
#include <QPainter>
#include <QTest>

#include <atomic>
#include <memory>
#include <thread>

#include "DictionarySeed.h"
#include "RecordingDataBase.h"
#include "Pendrel/Controls/AdvertiseDialog.h"
#include "Pendrel/Controls/WinButton.h"
#include "Pendrel/Platform/KVXWindowMessages.h"
#include "Pendrel/Theme/WinTheme.h"
#include "Pendrel/Theme/WinThemeQStyle.h"
#include "Quenzel/Dictionary/DictionaryDlg.h"
#include "Quenzel/Dictionary/EditAutoSearch.h"
#include "Quenzel/Dictionary/WndAutoSearch.h"
#include "Quenzel/Shared/LanguageComboBox.h"
#include "Quenzel/Shared/MultilineListBox.h"
#include "Quenzel/Shell/MainDlg.h"
#include "Quenzel/Shell/tests/QuenzelAppFixture.h"

namespace {

class DictionaryDlgTest : public QuenzelAppFixture {
protected:
    void SetUp() override {
        QuenzelAppFixture::SetUp();
        m_main = std::make_unique<CMainDlg>(m_app.Services());
        ASSERT_TRUE(m_main->Create());
        m_page = m_main->GetDictionaryPage();
        ASSERT_NE(m_page, nullptr);
        m_first = m_page->GetFirstLanguage();
        m_second = m_page->GetSecondLanguage();
        ASSERT_GT(m_first, 0);
        SeedWords(m_app.GetDataBase(), m_first, m_second,
                  {{L"Baum", L"tree"}, {L"Haus", L"house"}, {L"Haus", L"home"}, {L"Hund", L"dog"}, {L"Zug", L"train"}});
    }
    void TearDown() override {
        // As in the program, the window goes before the database.
        m_main.reset();
        QuenzelAppFixture::TearDown();
    }

    void Search(const wchar_t* text) {
        m_page->GetSearchEdit()->setText(QString::fromWCharArray(text));
        m_page->GetButton(IDC_DICTIONARY_SEARCH)->click();
        ASSERT_TRUE(QTest::qWaitFor([this] { return !m_page->IsJobRunning(); }, 60000));
        QCoreApplication::processEvents();
    }
    std::vector<std::wstring> ShownWords() const {
        std::vector<std::wstring> words;
        const std::vector<GridRow> rows = m_page->GetShownRows();
        for (size_t i = 1; i < rows.size(); ++i) words.emplace_back(rows[i].word.m_text.GetString());
        return words;
    }
    // The button's command (Next and Previous are off before the first
    // word is shown).
    std::wstring StepTo(UINT button) {
        SendMessage(m_page, WM_COMMAND, button, 0);
        const std::vector<std::wstring> words = ShownWords();
        return words.size() == 1 ? words[0] : L"<" + std::to_wstring(words.size()) + L" rows>";
    }
    int64_t HistoryCount() {
        int64_t count = -1;
        m_app.GetDataBase()->GetHistoryCount(1, count, 0, 0);
        return count;
    }
    bool StepsEnabled() const {
        return m_page->GetButton(IDC_DICTIONARY_NEXT)->isEnabled() &&
               m_page->GetButton(IDC_DICTIONARY_PREVIOUS)->isEnabled();
    }

    std::unique_ptr<CMainDlg> m_main;
    CDictionaryDlg* m_page = nullptr;
    int m_first = 0;
    int m_second = 0;
};

// Stands for the user choosing another language pair while a search job
// runs: right after the first search call the worker makes, the current
// pair becomes another one. Calls of the user-interface thread are recorded
// as usual.
class CPairChangingDataBase : public CRecordingDataBase {
public:
    explicit CPairChangingDataBase(CAbstractDataBase& inner) : CRecordingDataBase(inner), m_inner(inner) {}

    // The pair the user chooses meanwhile; set before the job starts.
    void ChangeTo(LanguagePair pair) { m_changeTo = pair; }

    std::atomic<int> workerPairSets{0};

    int SetLanguagePair(LanguagePair pair) override {
        if (!OnWorker()) return CRecordingDataBase::SetLanguagePair(pair);
        ++workerPairSets;
        const int result = m_inner.SetLanguagePair(pair);
        ChangePair();
        return result;
    }
    CAbstractRecordSet* SearchInPair(LanguagePair pair, const wchar_t* text, int kind, int reserved1,
                                     int reserved2) override {
        if (!OnWorker()) return CRecordingDataBase::SearchInPair(pair, text, kind, reserved1, reserved2);
        CAbstractRecordSet* set = m_inner.SearchInPair(pair, text, kind, reserved1, reserved2);
        ChangePair();
        return set;
    }
    CAbstractRecordSet* Search(const wchar_t* text, int kind, int reserved1, int reserved2) override {
        if (!OnWorker()) return CRecordingDataBase::Search(text, kind, reserved1, reserved2);
        CAbstractRecordSet* set = m_inner.Search(text, kind, reserved1, reserved2);
        ChangePair();
        return set;
    }

private:
    bool OnWorker() const { return std::this_thread::get_id() != m_uiThread; }
    void ChangePair() {
        if (!m_changed.exchange(true)) m_inner.SetLanguagePair(m_changeTo);
    }

    CAbstractDataBase& m_inner;
    LanguagePair m_changeTo;
    const std::thread::id m_uiThread = std::this_thread::get_id();
    std::atomic<bool> m_changed{false};
};

class DictionaryJobPairTest : public QuenzelAppFixture {
protected:
    void TearDown() override {
        m_main.reset();
        m_db.reset();
        QuenzelAppFixture::TearDown();
    }

    std::unique_ptr<CPairChangingDataBase> m_db;
    std::unique_ptr<CMainDlg> m_main;
};

} // namespace

TEST_F(DictionaryDlgTest, ASearchWithoutHitsShowsNothingLeavesTheStepsOffAndWritesNoHistory) {
    ASSERT_EQ(m_page->GetResultList()->GetRowCount(), 1);  // the heading
    EXPECT_FALSE(StepsEnabled());
    Search(L"Xylophon");
    EXPECT_TRUE(ShownWords().empty());
    EXPECT_FALSE(StepsEnabled());
    EXPECT_EQ(HistoryCount(), 0);
    EXPECT_TRUE(m_page->GetButton(IDC_DICTIONARY_SEARCH)->isEnabled());
    EXPECT_TRUE(m_page->GetSearchEdit()->isEnabled());
    // An empty field starts no search.
    m_page->GetSearchEdit()->clear();
    m_page->GetButton(IDC_DICTIONARY_SEARCH)->click();
    EXPECT_FALSE(m_page->IsJobRunning());
}

TEST_F(DictionaryDlgTest, ASearchShowsEveryMeaningAndARepeatedSearchWritesNoSecondRecord) {
    Search(L"ha");
    EXPECT_EQ(ShownWords(), (std::vector<std::wstring>{L"Haus", L"Haus"}));
    EXPECT_TRUE(StepsEnabled());
    EXPECT_EQ(HistoryCount(), 1);
    CAbstractRecordSet* set = m_app.GetDataBase()->QueryHistory(1, 1);
    ASSERT_NE(set, nullptr);
    CBasicString key, text;
    set->GetText(0, key);
    set->GetText(1, text);
    m_app.GetDataBase()->ReleaseRecordSet(set);
    EXPECT_STREQ(text.GetString(), L"ha");
    ASSERT_EQ(key.GetLength(), 15);
    EXPECT_EQ(key.GetString()[8], L'_');

    Search(L"ha");
    EXPECT_EQ(HistoryCount(), 1);
    Search(L"Zug");
    EXPECT_EQ(HistoryCount(), 2);
    const std::vector<std::wstring> history = m_page->GetSearchEdit()->GetHistoryTexts();
    EXPECT_EQ(history, (std::vector<std::wstring>{L"Zug", L"ha"}));
}

TEST_F(DictionaryDlgTest, NextAndPreviousWalkTheWordsAndWrapAtBothEnds) {
    EXPECT_EQ(StepTo(IDC_DICTIONARY_NEXT), L"Baum");
    EXPECT_TRUE(StepsEnabled());
    EXPECT_EQ(m_page->GetSearchEdit()->text(), QStringLiteral("Baum"));
    EXPECT_FALSE(m_page->GetSearchEdit()->GetPopup().isVisible());
    EXPECT_EQ(StepTo(IDC_DICTIONARY_NEXT), L"Haus");
    EXPECT_EQ(StepTo(IDC_DICTIONARY_NEXT), L"Hund");
    EXPECT_EQ(StepTo(IDC_DICTIONARY_NEXT), L"Zug");
    EXPECT_EQ(StepTo(IDC_DICTIONARY_NEXT), L"Baum");
    EXPECT_EQ(StepTo(IDC_DICTIONARY_PREVIOUS), L"Zug");
    EXPECT_EQ(StepTo(IDC_DICTIONARY_PREVIOUS), L"Hund");
    EXPECT_EQ(StepTo(IDC_DICTIONARY_NEXT), L"Zug");
    // A search moves the starting point to the word it showed.
    Search(L"Hu");
    EXPECT_EQ(StepTo(IDC_DICTIONARY_PREVIOUS), L"Haus");
}

TEST_F(DictionaryDlgTest, ALanguageChangeStartsTheWalkAgainAndReloadsTheLastTenSearches) {
    for (int i = 0; i < 15; ++i) {
        HistoryRecord record;
        record.key.Format(L"20240101_0000%02d", i);
        record.text.Format(L"search%02d", i);
        ASSERT_EQ(m_app.GetDataBase()->AddHistoryEntry(record), 0);
    }
    EXPECT_EQ(StepTo(IDC_DICTIONARY_NEXT), L"Baum");
    EXPECT_EQ(StepTo(IDC_DICTIONARY_NEXT), L"Haus");
    ASSERT_EQ(m_page->RefreshLanguagePair(), 1);
    EXPECT_EQ(m_page->GetResultList()->GetRowCount(), 1);
    EXPECT_EQ(m_page->GetModel().GetDirection(), CDictionaryDlgModel::DIRECTION_NONE);
    const std::vector<std::wstring> history = m_page->GetSearchEdit()->GetHistoryTexts();
    ASSERT_EQ(history.size(), 10u);
    EXPECT_EQ(history.front(), L"search05");
    EXPECT_EQ(history.back(), L"search14");
    EXPECT_EQ(StepTo(IDC_DICTIONARY_NEXT), L"Baum");
}

TEST_F(DictionaryDlgTest, EnterInTheFieldSearchesAndTheHistoryButtonTogglesTheList) {
    CEditAutoSearch* field = m_page->GetSearchEdit();
    field->setFocus();
    field->setText(QStringLiteral("Baum"));
    QTest::keyClick(field, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([this] { return ShownWords().size() == 1 && !m_page->IsJobRunning(); }, 60000));
    EXPECT_EQ(ShownWords(), std::vector<std::wstring>{L"Baum"});

    m_page->GetButton(IDC_DICTIONARY_HISTORY)->click();
    EXPECT_TRUE(field->GetPopup().isVisible());
    EXPECT_EQ(field->GetPopup().GetModel().GetRowText(0), L"Baum");
    m_page->GetButton(IDC_DICTIONARY_HISTORY)->click();
    EXPECT_FALSE(field->GetPopup().isVisible());
}

TEST_F(DictionaryDlgTest, EditWordIsHiddenAndTheResultListShowsTheLanguagePair) {
    EXPECT_FALSE(m_page->GetButton(IDC_DICTIONARY_EDIT_WORD)->isVisible());
    ASSERT_GE(m_page->GetResultList()->GetRowCount(), 1);
    EXPECT_EQ(m_page->GetResultList()->GetMode(), 3);
    const GridRow& heading = *m_page->GetResultList()->GetRow(0);
    EXPECT_FALSE(heading.word.m_text.IsEmpty());
    EXPECT_FALSE(heading.meaning.m_text.IsEmpty());
}

TEST_F(DictionaryDlgTest, ThePageAndItsPopupRenderWithinTheMainWindow) {
    // The program's buttons draw through the window theme.
    CWinThemeQStyle theme;
    KVXSetCurrentWinTheme(&theme);
    struct ThemeReset {
        ~ThemeReset() { KVXSetCurrentWinTheme(nullptr); }
    } themeReset;
    m_main->show();
    Search(L"Haus");
    CEditAutoSearch* field = m_page->GetSearchEdit();
    field->setFocus();
    field->setText(QStringLiteral("H"));
    CWndAutoSearch& popup = field->GetPopup();
    ASSERT_TRUE(popup.isVisible());
    // The pop-up hangs under the field and inside the page.
    const QRect page(m_page->mapToGlobal(QPoint(0, 0)), m_page->size());
    EXPECT_TRUE(page.contains(popup.geometry()));
    for (UINT id : {IDC_DICTIONARY_SEARCH, IDC_DICTIONARY_NEXT, IDC_DICTIONARY_PREVIOUS, IDC_DICTIONARY_HISTORY}) {
        const QRect button = m_page->GetButton(id)->geometry();
        EXPECT_TRUE(m_page->rect().contains(button)) << id;
        EXPECT_TRUE(m_page->GetButton(id)->isVisible()) << id;
        EXPECT_FALSE(button.intersects(m_page->GetResultList()->geometry())) << id;
    }
#ifdef KVX_SCREENSHOT_FOLDER
    QDir().mkpath(QStringLiteral(KVX_SCREENSHOT_FOLDER));
    QImage shot = m_main->grab().toImage();
    QPainter painter(&shot);
    painter.drawPixmap(popup.geometry().topLeft() - m_main->mapToGlobal(QPoint(0, 0)), popup.grab());
    painter.end();
    shot.save(QStringLiteral(KVX_SCREENSHOT_FOLDER "/dictionary-page.png"));
    popup.grab().save(QStringLiteral(KVX_SCREENSHOT_FOLDER "/dictionary-popup.png"));
#endif
}

TEST_F(DictionaryDlgTest, TheAdvertisementPanelSitsOnItsPlaceAndWithoutItTheListTakesThePlace) {
    const QWidget* place = m_page->GetDlgItem(IDC_DICTIONARY_AD_PLACE);
    ASSERT_NE(place, nullptr);
    ASSERT_TRUE(m_app.GetOptions().GetAdvertisement());
    ASSERT_NE(m_page->GetAdvertisementPanel(), nullptr);
    EXPECT_EQ(m_page->GetAdvertisementPanel()->geometry(), place->geometry());
    EXPECT_GT(m_page->GetResultList()->y(), place->geometry().bottom());
    m_main->resize(m_main->size() + QSize(120, 80));
    EXPECT_EQ(m_page->GetAdvertisementPanel()->geometry(), place->geometry());

    m_main.reset();
    m_app.GetOptions().SetAdvertisement(0);
    m_main = std::make_unique<CMainDlg>(m_app.Services());
    ASSERT_TRUE(m_main->Create());
    CDictionaryDlg* page = m_main->GetDictionaryPage();
    EXPECT_EQ(page->GetAdvertisementPanel(), nullptr);
    EXPECT_EQ(page->GetResultList()->y(), page->GetDlgItem(IDC_DICTIONARY_AD_PLACE)->y());
}

TEST_F(DictionaryJobPairTest, ASearchJobKeepsThePairItStartedWithAndNeverSetsOne) {
    CAbstractDataBase* inner = m_app.GetDataBase();
    m_db = std::make_unique<CPairChangingDataBase>(*inner);
    QuenzelServices services = m_app.Services();
    services.database = m_db.get();
    m_main = std::make_unique<CMainDlg>(services);
    ASSERT_TRUE(m_main->Create());
    CLanguageComboBox* second = m_main->GetSecondCombo();
    if (second->currentIndex() == m_main->GetFirstCombo()->currentIndex())
        second->setCurrentIndex(second->currentIndex() == 0 ? 1 : 0);
    LanguagePair pair;
    ASSERT_TRUE(m_main->GetSelectedLanguages(&pair.first, &pair.second));
    ASSERT_NE(pair.first, pair.second);
    SeedWords(inner, pair.first, pair.second, {{L"Haus", L"house"}, {L"Haus", L"home"}, {L"Hund", L"dog"}});
    // Meanwhile the pair turns round: no word of the second language begins
    // with "ha".
    m_db->ChangeTo({pair.second, pair.first});
    CDictionaryDlg* page = m_main->GetDictionaryPage();
    ASSERT_NE(page, nullptr);

    page->GetSearchEdit()->setText(QStringLiteral("ha"));
    page->GetButton(IDC_DICTIONARY_SEARCH)->click();
    ASSERT_TRUE(QTest::qWaitFor([page] { return !page->IsJobRunning(); }, 60000));
    QCoreApplication::processEvents();

    std::vector<std::wstring> words;
    const std::vector<GridRow> rows = page->GetShownRows();
    for (size_t i = 1; i < rows.size(); ++i) words.emplace_back(rows[i].word.m_text.GetString());
    EXPECT_EQ(words, (std::vector<std::wstring>{L"Haus", L"Haus"}));
    EXPECT_EQ(m_db->workerPairSets.load(), 0);
    // The pair chosen meanwhile stays the current one: the meanings "home"
    // and "house" are of the pair the search started with only.
    auto meanings = [inner](CAbstractRecordSet* set) {
        int count = 0;
        for (; set && !set->IsEOF(); set->MoveNext()) ++count;
        inner->ReleaseRecordSet(set);
        return count;
    };
    EXPECT_EQ(meanings(inner->SearchInPair(pair, L"ho", SEARCH_SECOND_LANGUAGE_PREFIX, 0, 0)), 2);
    EXPECT_EQ(meanings(inner->Search(L"ho", SEARCH_SECOND_LANGUAGE_PREFIX, 0, 0)), 0);
}
