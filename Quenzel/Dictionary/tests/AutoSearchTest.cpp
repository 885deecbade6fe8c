#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>

#include <iterator>
#include <tuple>
#include <vector>

#include "DictionarySeed.h"
#include "ManualAutoSearchClock.h"
#include "Pendrel/Platform/KVXDialog.h"
#include "Quenzel/Dictionary/EditAutoSearch.h"
#include "Quenzel/Shell/tests/QuenzelAppFixture.h"

namespace {

constexpr UINT kOwnerTemplate = 59541;
constexpr UINT kFieldId = 100;

const KVXDialogControl kControls[] = {
    {kFieldId, WC_EDIT, L"", 7, 7, 150, 13, WS_CHILD | WS_VISIBLE | WS_TABSTOP},
};
const KVXDialogTemplate kTemplate = {kOwnerTemplate, L"Owner", WS_POPUP | WS_CAPTION, 200, 150, 8, L"MS Shell Dlg",
                                     kControls, std::size(kControls)};
const CKVXDialogTemplateRegistration kRegistration(kTemplate);

// The owner dialog of a field: it records the messages the field sends.
class CRecordingDlg : public CKVXDialog {
public:
    struct Message {
        UINT message;
        WPARAM wParam;
        int64_t value;  // lParam, or the id it points to
    };
    CRecordingDlg() : CKVXDialog(kOwnerTemplate) {}
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_KVX_AUTOSEARCH_PICKED)
            m_messages.push_back({message, wParam, *reinterpret_cast<int64_t*>(lParam)});
        else if (message == WM_USER || message == WM_COMMAND)
            m_messages.push_back({message, wParam, static_cast<int64_t>(lParam)});
        return 0;
    }
    std::vector<Message> Picked(UINT message) const {
        std::vector<Message> found;
        for (const Message& m : m_messages)
            if (m.message == message) found.push_back(m);
        return found;
    }
    std::vector<Message> m_messages;
};

class AutoSearchTest : public QuenzelAppFixture {
protected:
    void SetUp() override {
        QuenzelAppFixture::SetUp();
        const std::vector<LanguageRecord> languages = m_app.GetDataBase()->GetLanguages(0);
        ASSERT_GE(languages.size(), 2u);
        m_first = languages[0].id;
        m_second = languages[1].id;
        m_app.GetDataBase()->SetLanguagePair({m_first, m_second});
        SeedWords(m_app.GetDataBase(), m_first, m_second,
                  {{L"Haus", L"house"}, {L"hallo", L"hello"}, {L"Hund", L"dog"}, {L"über", L"over"},
                   {L"Übung", L"exercise"}, {L"Baum", L"tree"}});
        m_field = new CEditAutoSearch;
        m_field->SetDataBase(m_app.GetDataBase());
        ASSERT_TRUE(m_owner.Create());
        ASSERT_TRUE(m_owner.SubclassDlgItem(kFieldId, m_field));
        m_field->Attach(kAutoSearchWordEditor, 1);
        m_field->GetPopup().SetClock(&m_clock);
        m_owner.show();
    }
    void TearDown() override {
        m_owner.DestroyWindow();
        QuenzelAppFixture::TearDown();
    }

    void Type(const QString& text) {
        m_field->setFocus();
        m_field->clear();
        // One key event per character, as a keyboard of any layout sends
        // it (the test library's own typing knows only ASCII).
        for (const QChar ch : text) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
            QApplication::sendEvent(m_field, &press);
            QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(ch));
            QApplication::sendEvent(m_field, &release);
        }
    }
    void Press(int key) { QTest::keyClick(m_field, static_cast<Qt::Key>(key)); }
    std::vector<std::wstring> Shown() {
        std::vector<std::wstring> texts;
        for (const CAutoSearchModel::Row& row : m_field->GetPopup().GetModel().GetRows()) texts.push_back(row.text);
        return texts;
    }

    int m_first = 0;
    int m_second = 0;
    CManualAutoSearchClock m_clock;
    CRecordingDlg m_owner;
    CEditAutoSearch* m_field = nullptr;
};

} // namespace

TEST_F(AutoSearchTest, TypingShowsTheWordsThatBeginWithTheTextWhateverTheirCase) {
    Type("h");
    EXPECT_TRUE(m_field->GetPopup().isVisible());
    EXPECT_EQ(Shown(), (std::vector<std::wstring>{L"Haus", L"Hund", L"hallo"}));
    Type("Ü");
    EXPECT_EQ(Shown(), (std::vector<std::wstring>{L"Übung", L"über"}));
    Type("ü");
    EXPECT_EQ(Shown(), (std::vector<std::wstring>{L"Übung", L"über"}));
    Type("q");
    EXPECT_FALSE(m_field->GetPopup().isVisible());
    // Every change tells the owner, with the field's id.
    const auto changes = m_owner.Picked(WM_USER);
    ASSERT_FALSE(changes.empty());
    EXPECT_EQ(changes.back().wParam, kAutoSearchTextChanged);
    EXPECT_EQ(changes.back().value, static_cast<int64_t>(kFieldId));
}

TEST_F(AutoSearchTest, AnEmptyFieldShowsTheHistory) {
    m_field->AddHistoryItem(L"Baum", 7);
    m_field->AddHistoryItem(L"Haus", 8);
    Type("B");
    m_field->clear();
    EXPECT_TRUE(m_field->IsHistoryShown());
    EXPECT_TRUE(m_field->GetPopup().isVisible());
    EXPECT_EQ(Shown(), (std::vector<std::wstring>{L"Baum", L"Haus"}));
    m_field->ShowHistory(0);
    EXPECT_FALSE(m_field->GetPopup().isVisible());
}

TEST_F(AutoSearchTest, EnterHandsOverTheChosenWordAndNothingWithoutAChoice) {
    Type("h");
    Press(Qt::Key_Return);
    EXPECT_FALSE(m_field->GetPopup().isVisible());
    EXPECT_TRUE(m_owner.Picked(WM_KVX_AUTOSEARCH_PICKED).empty());

    Type("h");
    Press(Qt::Key_Down);
    Press(Qt::Key_Down);
    EXPECT_EQ(m_field->text(), QStringLiteral("Hund"));
    Press(Qt::Key_Return);
    const auto picked = m_owner.Picked(WM_KVX_AUTOSEARCH_PICKED);
    ASSERT_EQ(picked.size(), 1u);
    EXPECT_EQ(picked[0].wParam, 1u);
    EXPECT_EQ(picked[0].value, m_field->GetPopup().GetModel().GetRowId(1));
    EXPECT_NE(picked[0].value, 0);
}

TEST_F(AutoSearchTest, FieldKeysStopAtTheEdgesAndLeaveTheTextAloneOnHomeAndEnd) {
    Type("h");
    CWndAutoSearch& popup = m_field->GetPopup();
    Press(Qt::Key_Up);
    EXPECT_EQ(popup.GetModel().GetSelection(), 2);
    EXPECT_EQ(m_field->text(), QStringLiteral("hallo"));
    Press(Qt::Key_Down);
    EXPECT_EQ(popup.GetModel().GetSelection(), 2);
    Press(Qt::Key_Home);
    EXPECT_EQ(popup.GetModel().GetSelection(), 0);
    EXPECT_EQ(m_field->text(), QStringLiteral("hallo"));
    Press(Qt::Key_Up);
    EXPECT_EQ(popup.GetModel().GetSelection(), 0);
    EXPECT_EQ(m_field->text(), QStringLiteral("Haus"));
    Press(Qt::Key_Escape);
    EXPECT_FALSE(popup.isVisible());
}

TEST_F(AutoSearchTest, AClickPicksTheRowAndThePopupClosesHalfASecondLater) {
    Type("h");
    CWndAutoSearch& popup = m_field->GetPopup();
    const int rowHeight = popup.GetRowHeight();
    QTest::mouseClick(&popup, Qt::LeftButton, Qt::NoModifier, QPoint(10, 1 + rowHeight + rowHeight / 2));
    EXPECT_EQ(m_field->text(), QStringLiteral("Hund"));
    const auto picked = m_owner.Picked(WM_KVX_AUTOSEARCH_PICKED);
    ASSERT_EQ(picked.size(), 1u);
    EXPECT_EQ(picked[0].value, popup.GetModel().GetRowId(1));
    m_clock.Advance(CWndAutoSearch::kClickPauseMilliseconds - 1);
    EXPECT_TRUE(popup.isVisible());
    m_clock.Advance(1);
    EXPECT_FALSE(popup.isVisible());
}

TEST_F(AutoSearchTest, MoreThanEightRowsShowEightWithAScrollBarThatScrollsRowByRow) {
    CWndAutoSearch& popup = m_field->GetPopup();
    CAutoSearchModel& model = popup.GetModel();
    for (int i = 0; i < 12; ++i) model.AddSuggestion(L"row" + std::to_wstring(10 + i), i + 1);
    ASSERT_EQ(popup.ShowFiltered(-1, L"row"), 0);
    EXPECT_EQ(popup.height(), 8 * popup.GetRowHeight() + 2);
    EXPECT_EQ(popup.width(), m_field->width());
    EXPECT_EQ(popup.geometry().topLeft(), m_field->mapToGlobal(QPoint(0, m_field->height())));
    EXPECT_TRUE(popup.GetScrollBar()->isVisible());
    EXPECT_EQ(model.GetRowsPerPage(), 8);

    // End moves the list one row per 10 ms, never at once.
    popup.MoveSelection(CAutoSearchModel::KEY_END);
    EXPECT_EQ(model.GetSelection(), 11);
    EXPECT_EQ(model.GetFirstVisible(), 1);
    m_clock.Advance(CWndAutoSearch::kScrollStepMilliseconds);
    EXPECT_EQ(model.GetFirstVisible(), 2);
    m_clock.Advance(10 * CWndAutoSearch::kScrollStepMilliseconds);
    EXPECT_EQ(model.GetFirstVisible(), 4);
    EXPECT_EQ(popup.GetScrollBar()->value(), 4);
#ifdef KVX_SCREENSHOT_FOLDER
    QDir().mkpath(QStringLiteral(KVX_SCREENSHOT_FOLDER));
    popup.grab().save(QStringLiteral(KVX_SCREENSHOT_FOLDER "/autosearch-popup-scroll.png"));
#endif

    model.ClearSuggestions();
    for (int i = 0; i < 3; ++i) model.AddSuggestion(L"few" + std::to_wstring(i), i + 1);
    popup.ShowFiltered(-1, L"few");
    EXPECT_EQ(popup.height(), 3 * popup.GetRowHeight() + 2);
    EXPECT_FALSE(popup.GetScrollBar()->isVisible());
}

TEST_F(AutoSearchTest, MovingOrResizingTheOwnerClosesThePopupAtTheNextWatch) {
    CWndAutoSearch& popup = m_field->GetPopup();
    Type("h");
    ASSERT_TRUE(popup.isVisible());
    m_clock.Advance(CWndAutoSearch::kOwnerWatchMilliseconds * 3);
    EXPECT_TRUE(popup.isVisible());
    m_owner.move(m_owner.pos() + QPoint(40, 30));
    m_clock.Advance(CWndAutoSearch::kOwnerWatchMilliseconds);
    EXPECT_FALSE(popup.isVisible());
    EXPECT_EQ(m_clock.GetTimerCount(), 0u);

    Type("h");
    ASSERT_TRUE(popup.isVisible());
    m_owner.setFixedSize(m_owner.size() + QSize(20, 0));
    m_clock.Advance(CWndAutoSearch::kOwnerWatchMilliseconds);
    EXPECT_FALSE(popup.isVisible());
}

TEST_F(AutoSearchTest, ThePopupNeverTakesTheFocusFromTheField) {
    CWndAutoSearch& popup = m_field->GetPopup();
    EXPECT_TRUE(popup.windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
    EXPECT_TRUE(popup.testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_EQ(popup.focusPolicy(), Qt::NoFocus);
    m_owner.activateWindow();
    Type("h");
    QApplication::processEvents();
    EXPECT_TRUE(popup.isVisible());
    EXPECT_EQ(QApplication::focusWidget(), m_field);
}

TEST_F(AutoSearchTest, InAComboBoxTheArrowsMoveThroughTheSuggestionsNotTheItems) {
    QComboBox combo;
    combo.setEditable(true);
    combo.addItems({QStringLiteral("one"), QStringLiteral("two")});
    auto* field = new CEditAutoSearch;
    field->SetDataBase(m_app.GetDataBase());
    combo.setLineEdit(field);
    field->Attach(kAutoSearchWordEditor, 0);
    EXPECT_EQ(field->GetKind(), CEditAutoSearch::KIND_COMBOBOX);
    field->GetPopup().SetClock(&m_clock);
    combo.show();
    field->setText(QStringLiteral("ho"));  // second-language texts: "house"
    ASSERT_TRUE(field->GetPopup().isVisible());
    QTest::keyClick(&combo, Qt::Key_Down);
    EXPECT_EQ(field->text(), QStringLiteral("house"));
    EXPECT_EQ(combo.currentIndex(), 0);
    EXPECT_EQ(field->GetPopup().GetModel().GetSelection(), 0);
}
