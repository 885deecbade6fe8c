// The word list control offscreen: its three modes, marking, editing and
// sorting. Messages to the owner are recorded by a stand-in window.

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QWidget>

#include <vector>

#include "Pendrel/Controls/BasicListCtrlHdr.h"
#include "Pendrel/Platform/KVXMessageBox.h"
#include "Pendrel/Platform/KVXWnd.h"
#include "Quenzel/App/QuenzelApp.h"
#include "Quenzel/Shell/WordListCtrl.h"
#include "testing/TempFolder.h"
#include "utility/tests/ReportCapture.h"

namespace {

// Records the messages the list sends its owner.
class RecordingOwner : public CKVXWnd<QWidget> {
public:
    struct Message {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_WORDLIST_MARKED || message == WM_WORDLIST_EDITED) messages.push_back({message, wParam, lParam});
        return 0;
    }
    std::vector<Message> messages;
};

GridRow Word(const wchar_t* word, const wchar_t* meaning) {
    GridRow row;
    row.word.m_text = row.word.m_secondText = word;
    row.meaning.m_text = row.meaning.m_secondText = meaning;
    return row;
}

class WordListCtrlTest : public ReportCapture {
protected:
    void SetUp() override {
        ReportCapture::SetUp();
        KVXSetMessageBoxHandler([this](QWidget*, const CBasicString& text, const CBasicString&, UINT) {
            m_boxes.emplace_back(text.GetString());
            return IDOK;
        });
    }
    void TearDown() override {
        KVXSetMessageBoxHandler({});
        ReportCapture::TearDown();
    }
    // A list of the mode, made and filled with the rows.
    std::unique_ptr<CWordListCtrl> Make(int mode, const std::vector<GridRow>& rows) {
        auto list = std::make_unique<CWordListCtrl>(&m_owner);
        list->SetMode(mode);
        list->resize(600, 300);
        EXPECT_TRUE(list->Create(WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_EDITLABELS, RECT{0, 0, 600, 300}, nullptr, 1));
        for (const GridRow& row : rows) list->AddRow(row);
        return list;
    }
    static std::vector<std::wstring> Column(CWordListCtrl& list, int column) {
        std::vector<std::wstring> texts;
        for (int i = 0; i < list.GetItemCount(); ++i) texts.emplace_back(list.GetItemText(i, column).GetString());
        return texts;
    }
    RecordingOwner m_owner;
    std::vector<std::wstring> m_boxes;
};

TEST_F(WordListCtrlTest, EachModeHasItsColumnsTextsAndEditableCells) {
    GridRow picture = Word(L"w", L"m");
    picture.third.m_value = 42;
    picture.third.m_text = L"Apple";
    picture.secondText = L"/pictures/apple.png";
    struct Case {
        int mode;
        std::vector<std::wstring> titles;
        std::vector<std::wstring> texts;
        std::vector<bool> editable;
    } cases[] = {
        {WORDLIST_PLAIN, {L"Word", L"Mean"}, {L"w", L"m"}, {true, true}},
        {WORDLIST_MARKING, {L"Word", L"Mean"}, {L"w", L"m"}, {true, true}},
        {WORDLIST_PICTURES, {L"ID", L"Name", L"Picture Path"}, {L"42", L"Apple", L"/pictures/apple.png"},
         {false, true, true}},
    };
    for (const Case& c : cases) {
        auto list = Make(c.mode, {picture});
        ASSERT_EQ(list->GetColumnCount(), static_cast<int>(c.titles.size())) << c.mode;
        for (size_t i = 0; i < c.titles.size(); ++i) {
            wchar_t title[64] = {};
            LVCOLUMNW column{};
            column.mask = LVCF_TEXT;
            column.pszText = title;
            column.cchTextMax = 64;
            ASSERT_TRUE(list->GetColumn(static_cast<int>(i), &column));
            EXPECT_EQ(std::wstring(title), c.titles[i]) << c.mode;
            EXPECT_EQ(list->GetItemText(0, static_cast<int>(i)).GetString(), c.texts[i]) << c.mode;
            EXPECT_EQ(list->EnableEdit(0, static_cast<int>(i)) != FALSE, c.editable[i]) << c.mode << " " << i;
        }
    }
    EXPECT_TRUE(AssertionLines().empty());
}

TEST_F(WordListCtrlTest, RowsSortByWordOrMeaningWithoutRegardToCase) {
    auto list = Make(WORDLIST_PLAIN, {Word(L"banana", L"Zebra"), Word(L"Apple", L"yak"), Word(L"cherry", L"Xylo")});
    list->SortArrays(0, TRUE);
    EXPECT_EQ(Column(*list, 0), (std::vector<std::wstring>{L"Apple", L"banana", L"cherry"}));
    list->SortArrays(1, TRUE);
    EXPECT_EQ(Column(*list, 1), (std::vector<std::wstring>{L"Xylo", L"yak", L"Zebra"}));
    list->SortArrays(0, FALSE);
    EXPECT_EQ(Column(*list, 0), (std::vector<std::wstring>{L"cherry", L"banana", L"Apple"}));
    EXPECT_EQ(CWordListCtrl::CompareRows(Word(L"a", L"1"), Word(L"b", L"2"), 2, true), 0);
}

TEST_F(WordListCtrlTest, ClicksMarkTheSelectedRowsAndUncoverHiddenMeanings) {
    GridRow hidden = Word(L"c", L"3");
    hidden.SetMeaningHidden(true);
    auto list = Make(WORDLIST_MARKING, {Word(L"a", L"1"), Word(L"b", L"2"), hidden});
    list->SetCounters(3, 0);

    // A click on a hidden meaning uncovers it and marks nothing.
    list->SelectItem(2);
    list->ClickCell(2, 1);
    EXPECT_FALSE(list->GetRow(2)->IsMeaningHidden());
    EXPECT_FALSE(list->GetRow(2)->IsStatusA());
    EXPECT_TRUE(m_owner.messages.empty());

    // A click on an unmarked row marks the selection known.
    list->SetItemState(-1, 0, LVIS_SELECTED);
    list->SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    list->SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
    list->ClickCell(1, 0);
    EXPECT_TRUE(list->GetRow(0)->IsStatusA());
    EXPECT_TRUE(list->GetRow(1)->IsStatusA());
    EXPECT_EQ(list->GetRow(1)->statusChanged, 1);
    EXPECT_EQ(list->GetKnownCount(), 2);
    EXPECT_EQ(list->GetUnknownCount(), 1);
    ASSERT_EQ(m_owner.messages.size(), 1u);
    EXPECT_EQ(m_owner.messages[0].message, WM_WORDLIST_MARKED);
    EXPECT_EQ(m_owner.messages[0].wParam, 1u);

    // A click on a known row marks the selection unknown.
    list->SetItemState(-1, 0, LVIS_SELECTED);
    list->SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    list->ClickCell(0, 0);
    EXPECT_TRUE(list->GetRow(0)->IsStatusB());
    EXPECT_EQ(list->GetKnownCount(), 1);
    EXPECT_EQ(list->GetUnknownCount(), 2);

    // No selection: a failed check, nothing marked.
    list->SetItemState(-1, 0, LVIS_SELECTED);
    list->ClickCell(2, 0);
    EXPECT_EQ(AssertionLines(), std::vector<int>{742});
    EXPECT_EQ(list->GetKnownCount(), 1);
    EXPECT_EQ(list->GetRow(99), nullptr);
    EXPECT_EQ(AssertionLines(), (std::vector<int>{742, 319}));
}

TEST_F(WordListCtrlTest, EditsTellTheOwnerWhetherTheTextDiffersFromTheLoadedOne) {
    auto list = Make(WORDLIST_PLAIN, {Word(L"house", L"Haus")});
    list->ItemEdited(0, 1, L"HAUS");
    list->ItemEdited(0, 1, L"Heim");
    list->ItemEdited(0, 0, L"home");
    EXPECT_STREQ(list->GetRow(0)->meaning.m_text.GetString(), L"Heim");
    EXPECT_STREQ(list->GetRow(0)->meaning.m_secondText.GetString(), L"Haus");
    EXPECT_STREQ(list->GetRow(0)->word.m_text.GetString(), L"home");
    ASSERT_EQ(m_owner.messages.size(), 3u);
    EXPECT_EQ(m_owner.messages[0].lParam, 0);
    EXPECT_EQ(m_owner.messages[1].lParam, 1);
    EXPECT_EQ(m_owner.messages[2].lParam, 1);
}

TEST_F(WordListCtrlTest, APicturePathTakesOnlyAPngPicture) {
    kvxtest::TempFolder folder;
    const std::string png = folder.Sub("apple.png");
    QImage apple(20, 20, QImage::Format_ARGB32);
    apple.fill(Qt::red);
    ASSERT_TRUE(apple.save(QString::fromStdString(png), "PNG"));
    const std::string fake = folder.Sub("pear.png");
    {
        QFile file(QString::fromStdString(fake));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("not a picture");
    }
    GridRow row;
    row.third.m_text = row.third.m_secondText = L"Apple";
    auto list = Make(WORDLIST_PICTURES, {row});

    list->ItemEdited(0, 2, QString::fromStdString(fake).toStdWString().c_str());
    EXPECT_EQ(list->GetRow(0)->imageIndex, -1);
    EXPECT_EQ(m_boxes, std::vector<std::wstring>{L"Please provide a valid picture file in PNG format."});
    EXPECT_TRUE(m_owner.messages.empty());

    const std::wstring path = QString::fromStdString(png).toStdWString();
    list->ItemEdited(0, 2, path.c_str());
    EXPECT_EQ(list->GetRow(0)->imageIndex, 0);
    EXPECT_EQ(std::wstring(list->GetRow(0)->secondText.GetString()), path);
    ASSERT_EQ(m_owner.messages.size(), 1u);
    EXPECT_EQ(m_owner.messages[0].lParam, 1);

    // An empty path changes nothing and says nothing.
    list->ItemEdited(0, 2, L"");
    EXPECT_EQ(m_boxes.size(), 1u);
    EXPECT_EQ(list->GetRow(0)->imageIndex, 0);
}

TEST_F(WordListCtrlTest, RowHeightsFollowTheFontsOfTheMode) {
    struct Case {
        int mode;
        LONG normal, left, right;
        int height;
    } cases[] = {
        {WORDLIST_PLAIN, -12, -20, -9, 32},
        {WORDLIST_MARKING, -12, -20, -9, 48},
        {WORDLIST_PICTURES, -12, -20, -9, 48},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CWordListCtrl::RowHeight(c.mode, c.normal, c.left, c.right), c.height) << c.mode;
}

} // namespace
