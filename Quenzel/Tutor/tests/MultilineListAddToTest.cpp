#include <gtest/gtest.h>

#include <QDir>
#include <QMenu>

#include <string>
#include <vector>

#include "DataBase/AbstractDataBase.h"
#include "DataBase/DataBaseResult.h"
#include "Pendrel/Platform/KVXMessageBox.h"
#include "Quenzel/App/DataBaseCall.h"
#include "Quenzel/Dictionary/tests/FakeSoundPlayer.h"
#include "Quenzel/Shared/MultilineListBox.h"
#include "Quenzel/Shared/PronunciationDlg.h"
#include "Quenzel/Shared/VocabularyListCtrl.h"
#include "Quenzel/Shell/MainDlg.h"
#include "Quenzel/Shell/tests/DataFileCheck.h"
#include "Quenzel/Shell/tests/QuenzelAppFixture.h"
#include "Quenzel/Tutor/TutorDlg.h"
#include "testing/FullDisk.h"
#include "testing/RecordingLog.h"
#include "utility/LibraryLog.h"

namespace {

// The dictionary page's list box with the name of a new list given.
class NamedListBox : public CMultilineListBox {
public:
    using CMultilineListBox::CMultilineListBox;
    CBasicString newName = L"Fresh";

protected:
    bool AskNewListName(CBasicString& name) override {
        name = newName;
        return true;
    }
};

class MultilineListAddToTest : public QuenzelAppFixture {
protected:
    void SetUp() override {
        QuenzelAppFixture::SetUp();
        KVXSetMessageBoxHandler([this](QWidget*, const CBasicString& text, const CBasicString&, UINT flags) {
            m_messages.emplace_back(text.GetString());
            m_flags.push_back(flags);
            return IDOK;
        });
        const std::vector<LanguageRecord> languages = m_app.GetDataBase()->GetLanguages(0);
        ASSERT_GE(languages.size(), 2u);
        m_app.GetOptions().SetLanguageNames(languages[0].name.GetString(), languages[1].name.GetString());
        m_main = std::make_unique<CMainDlg>(m_app.Services());
        ASSERT_TRUE(m_main->Create());
        ASSERT_EQ(m_main->GetSelectedLanguages(&m_first, &m_second), 1);
        ASSERT_NE(m_first, m_second);
        CAbstractDataBase* db = m_app.GetDataBase();
        for (const wchar_t* text : {L"house", L"tree"}) {
            WordKeyRecord word;
            word.text = text;
            word.language = m_first;
            MeaningRecord meaning;
            meaning.text = CBasicString(text) + L"-m";
            meaning.language = m_second;
            ASSERT_EQ(db->AddMeaning(word, meaning, 0), DATABASE_OK);
            GridRow row;
            row.word.m_text = row.word.m_secondText = word.text;
            row.meaning.m_text = row.meaning.m_secondText = meaning.text;
            row.word.m_value = static_cast<ULONGLONG>(word.id);
            row.meaning.m_value = static_cast<ULONGLONG>(meaning.id);
            m_rows.push_back(row);
        }
        VocabularyListRecord list;
        list.name = L"Home";
        list.fromLanguage = m_first;
        list.toLanguage = m_second;
        ASSERT_GT(db->CreateVocabularyList(list), 0);
        VocabularyListRecord other = list;
        other.id = 0;
        other.name = L"Other pair";
        other.toLanguage = m_first;
        other.fromLanguage = m_second;
        ASSERT_GT(db->CreateVocabularyList(other), 0);
        m_main->GetTutorPage()->FillVocabularyLists();

        m_box = new NamedListBox(m_main->Services(), m_main.get(), m_main.get());
        m_box->resize(400, 200);
        m_box->LoadImages();
        m_box->SetMode(MULTILINE_MODE_DICTIONARY);
        m_box->SetLanguagePairWindow(m_main.get());
        m_box->AddHeadingRow(L"A", L"B");
        for (const GridRow& row : m_rows) m_box->AddRow(row);
    }
    void TearDown() override {
        m_main->DestroyWindow();
        m_main.reset();
        KVXSetMessageBoxHandler({});
        QuenzelAppFixture::TearDown();
    }

    // The lists of that name in the data file.
    int StoredLists(const wchar_t* name) {
        CAbstractDataBase* db = m_app.GetDataBase();
        CAbstractRecordSet* set = db->QueryVocabularyLists(LIST_QUERY_ALL, name);
        const int count = set ? static_cast<int>(set->GetCount()) : -1;
        db->ReleaseRecordSet(set);
        return count;
    }
    const VocabularyListRecord* TutorList(const wchar_t* name) {
        for (const VocabularyListRecord* list : m_main->GetTutorPage()->GetRowRecords())
            if (list->name.Compare(name) == 0) return list;
        return nullptr;
    }

    std::unique_ptr<CMainDlg> m_main;
    NamedListBox* m_box = nullptr;
    int m_first = 0, m_second = 0;
    std::vector<GridRow> m_rows;
    std::vector<std::wstring> m_messages;
    std::vector<UINT> m_flags;
};

} // namespace

TEST_F(MultilineListAddToTest, AddToOffersTheListsOfThePairAndAnExistingEntryGivesExists) {
    m_box->SetCurrentCell(1, 0);
    QMenu menu;
    m_box->BuildContextMenu(menu);
    ASSERT_EQ(menu.actions().size(), 1);
    QMenu* addTo = menu.actions().front()->menu();
    ASSERT_NE(addTo, nullptr);
    QStringList names;
    for (QAction* action : addTo->actions())
        if (!action->isSeparator()) names << action->text();
    EXPECT_EQ(names, (QStringList{"New Vocabulary List", "Home"}));

    m_box->OnMenuCommand(IDC_MULTILINE_FIRST_LIST);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0], L"(Home) has been updated successfully.");
    EXPECT_EQ(m_flags[0], static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
    ASSERT_NE(TutorList(L"Home"), nullptr);
    EXPECT_EQ(TutorList(L"Home")->wordCount, 1);

    int added = -1;
    VocabularyListRecord home;
    home.Copy(*TutorList(L"Home"));
    EXPECT_EQ(m_box->StoreSelectedRows(home, false, added), DATABASE_EXISTS);
    EXPECT_EQ(added, 0);
    m_box->OnMenuCommand(IDC_MULTILINE_FIRST_LIST);
    ASSERT_EQ(m_messages.size(), 2u);
    EXPECT_EQ(m_messages[1], L"Word (house) and its Meaning (house-m) already exists in (Home) vocabulary list.");
    EXPECT_EQ(TutorList(L"Home")->wordCount, 1);

#ifdef KVX_SCREENSHOT_FOLDER
    GridRow linked = m_rows[1];
    linked.linkId = 5;  // in a list: blue
    m_box->AddRow(linked);
    GridRow known = m_rows[1];
    known.statusCount = 3;  // learnt before: the known colour
    m_box->AddRow(known);
    m_box->RecalcHeights();
    QDir().mkpath(QStringLiteral(KVX_SCREENSHOT_FOLDER));
    m_box->grab().save(QStringLiteral(KVX_SCREENSHOT_FOLDER "/multiline-list-dictionary.png"));
#endif
}

TEST_F(MultilineListAddToTest, ANewListCountsOnlyTheRowsItTook) {
    // The same entry twice: the list takes it once.
    m_box->AddRow(m_rows[0]);
    m_box->selectionModel()->select(m_box->model()->index(1, 0), QItemSelectionModel::Select);
    m_box->selectionModel()->select(m_box->model()->index(3, 0), QItemSelectionModel::Select);
    m_box->OnMenuCommand(IDC_MULTILINE_NEW_LIST);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0], L"Vocabulary list (Fresh) has been created successfully.");
    const VocabularyListRecord* fresh = TutorList(L"Fresh");
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(fresh->wordCount, 1);
    EXPECT_EQ(fresh->fromLanguage, m_first);
    EXPECT_EQ(fresh->toLanguage, m_second);
}

TEST_F(MultilineListAddToTest, ANewListThatTakesNoRowLeavesNoListBehind) {
    // Only the heading row selected: no row for the list to take, so the
    // list fails and is not kept.
    m_box->clearSelection();
    m_box->selectionModel()->setCurrentIndex(m_box->model()->index(0, 0), QItemSelectionModel::NoUpdate);
    m_box->OnMenuCommand(IDC_MULTILINE_NEW_LIST);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0], L"Failed to create (Fresh) vocabulary list.");
    EXPECT_EQ(StoredLists(L"Fresh"), 0);
    EXPECT_EQ(TutorList(L"Fresh"), nullptr);

    // On a full disk: the storage message, and no list either; nor does
    // Add to store anything.
    m_box->clearSelection();
    m_box->selectionModel()->select(m_box->model()->index(1, 0), QItemSelectionModel::Select);
    {
        kvxtest::FullDisk full;
        ASSERT_TRUE(full.IsActive());
        m_box->OnMenuCommand(IDC_MULTILINE_NEW_LIST);
        m_box->OnMenuCommand(IDC_MULTILINE_FIRST_LIST);
    }
    ASSERT_EQ(m_messages.size(), 3u);
    EXPECT_EQ(m_messages[1], StorageFailureText().GetString());
    EXPECT_EQ(m_messages[2], StorageFailureText().GetString());
    EXPECT_EQ(m_flags[2], static_cast<UINT>(MB_OK | MB_ICONERROR));
    EXPECT_EQ(StoredLists(L"Fresh"), 0);
    EXPECT_EQ(TutorList(L"Home")->wordCount, 0);
    EXPECT_EQ(quenzeltest::DataFileIntegrity(m_data.Sub("Quenzel.pkv")), "ok");

    // With room again the same command makes the list with its row.
    m_box->OnMenuCommand(IDC_MULTILINE_NEW_LIST);
    EXPECT_EQ(m_messages.back(), L"Vocabulary list (Fresh) has been created successfully.");
    EXPECT_EQ(StoredLists(L"Fresh"), 1);
    ASSERT_NE(TutorList(L"Fresh"), nullptr);
    EXPECT_EQ(TutorList(L"Fresh")->wordCount, 1);
}

TEST_F(MultilineListAddToTest, TheMenuPlaysTheSoundsOfTheCellsWordOrMeaning) {
    CAbstractDataBase* db = m_app.GetDataBase();
    PronunciationRecord sound;
    sound.ownerId = static_cast<int64_t>(m_rows[0].meaning.m_value);
    sound.side = 0;
    sound.sound = {'m', 'p', '3'};
    ASSERT_EQ(db->SavePronunciation(sound, nullptr), DATABASE_OK);
    kvxtest::RecordingLog log;
    log.SetLogFilePath(m_data.WSub("Quenzel.log"));
    SetLibraryLog(&log);
    FakeSoundPlayerScope player;

    auto texts = [this] {
        QMenu menu;
        m_box->BuildContextMenu(menu);
        QStringList result;
        for (QAction* action : menu.actions())
            if (!action->isSeparator()) result << action->text();
        return result;
    };
    m_box->SetCurrentCell(1, 0);  // the word has no sound
    EXPECT_EQ(texts(), QStringList{"Add to"});
    m_box->SetCurrentCell(1, 1);  // its meaning has one
    EXPECT_EQ(texts(), (QStringList{QStringLiteral("Pronunciation %1").arg(sound.number), "Add to"}));
    m_box->OnMenuCommand(IDC_MULTILINE_FIRST_SOUND);
    ASSERT_EQ(player.record.plays.size(), 1u);
    EXPECT_EQ(player.record.plays[0].bytes, QByteArray("mp3"));
    SetLibraryLog(nullptr);
}
