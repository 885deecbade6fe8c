#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>

#include <string>
#include <vector>

#include "DataBase/AbstractDataBase.h"
#include "DataBase/AbstractRecordSet.h"
#include "DataBase/DataBaseResult.h"
#include "FakeSoundPlayer.h"
#include "Pendrel/Platform/KVXFileDialog.h"
#include "Pendrel/Platform/KVXMessageBox.h"
#include "Pendrel/Theme/WinTheme.h"
#include "Quenzel/App/DataBaseCall.h"
#include "Quenzel/Shared/PronunciationDlg.h"
#include "Quenzel/Shell/tests/QuenzelAppFixture.h"
#include "testing/FullDisk.h"
#include "testing/RecordingLog.h"
#include "utility/LibraryLog.h"

namespace {

struct StoredSound {
    int64_t id;
    int number;
    std::string bytes;
};

class PronunciationDlgTest : public QuenzelAppFixture {
protected:
    void SetUp() override {
        QuenzelAppFixture::SetUp();
        m_log.SetLogFilePath(m_data.WSub("Quenzel.log"));
        SetLibraryLog(&m_log);
        m_db = m_app.GetDataBase();
        WordKeyRecord word;
        word.text = L"house";
        word.language = m_db->GetLanguages(0).front().id;
        ASSERT_EQ(m_db->AddWord(word), DATABASE_OK);
        m_wordId = word.id;
        m_short = m_files.WriteFile("short.mp3", "ID3-short");
        m_long = m_files.WriteFile("long.mp3", "ID3-a-much-longer-sound");
    }
    void TearDown() override {
        KVXSetFileDialogHandler({});
        SetLibraryLog(nullptr);
        QuenzelAppFixture::TearDown();
    }

    // The file dialog answers with these paths, one a call.
    void AnswerFileDialog(std::vector<std::string> paths) {
        m_answers = std::move(paths);
        KVXSetFileDialogHandler([this](QWidget*, const KVXFileDialogRequest& request, KVXFileDialogAnswer& answer) {
            m_requests.push_back(request);
            if (m_answers.empty()) return false;
            answer.path = QString::fromStdString(m_answers.front()).toStdWString().c_str();
            m_answers.erase(m_answers.begin());
            return true;
        });
    }

    std::vector<StoredSound> Stored(int side = 1) {
        std::vector<StoredSound> sounds;
        CAbstractRecordSet* set = m_db->QueryPronunciations(m_wordId, side);
        for (; set && !set->IsEOF(); set->MoveNext()) {
            StoredSound sound{};
            set->GetInt64(0, sound.id);
            set->GetInt(3, sound.number);
            DWORD size = 0;
            set->GetBlob(2, nullptr, size);
            sound.bytes.resize(size);
            set->GetBlob(2, reinterpret_cast<BYTE*>(sound.bytes.data()), size);
            sounds.push_back(sound);
        }
        m_db->ReleaseRecordSet(set);
        return sounds;
    }

    void Press(CPronunciationDlg& dialog, UINT id) { dialog.GetDlgItem<QAbstractButton>(id)->click(); }

    std::string TempSound() const { return m_data.Sub("Quenzel.mp3"); }

    kvxtest::TempFolder m_files;
    kvxtest::RecordingLog m_log;
    FakeSoundPlayerScope m_player;
    CAbstractDataBase* m_db = nullptr;
    int64_t m_wordId = 0;
    std::string m_short, m_long;
    std::vector<std::string> m_answers;
    std::vector<KVXFileDialogRequest> m_requests;
};


} // namespace

TEST_F(PronunciationDlgTest, AWordWithoutSoundsShowsAnEmptyListAndPlaysNothing) {
    CPronunciationDlg dialog(m_app.GetDataBase(), nullptr, m_wordId, TRUE, 1);
    ASSERT_TRUE(dialog.Create());
    EXPECT_EQ(dialog.GetList()->count(), 0);
    EXPECT_EQ(dialog.GetCurrentSounds(), nullptr);
    EXPECT_EQ(dialog.OnPlay(), 0);
    EXPECT_TRUE(m_player.record.plays.empty());
    dialog.DestroyWindow();
}

TEST_F(PronunciationDlgTest, AddedSoundsAreStoredOnOkAndPlayEachReplacesTheFileWhole) {
    {
        CPronunciationDlg dialog(m_app.GetDataBase(), nullptr, m_wordId, TRUE, 1);
        ASSERT_TRUE(dialog.Create());
        AnswerFileDialog({m_long, m_short});
        Press(dialog, IDC_PRONUNCIATION_ADD);
        Press(dialog, IDC_PRONUNCIATION_ADD);
        ASSERT_EQ(m_requests.size(), 2u);
        EXPECT_FALSE(m_requests[0].save);
        EXPECT_STREQ(m_requests[0].filter.GetString(), L"Pronunciation File (*.mp3)|*.mp3|");
        EXPECT_EQ(dialog.GetList()->count(), 2);
        EXPECT_EQ(dialog.GetList()->currentIndex(), 1);

        // A new sound plays from a copy of its file beside the log.
        dialog.GetList()->setCurrentIndex(0);
        EXPECT_EQ(dialog.OnPlay(), 1);
        ASSERT_EQ(m_player.record.plays.size(), 1u);
        EXPECT_EQ(m_player.record.plays[0].path, QString::fromStdString(TempSound()).toStdWString());
        EXPECT_EQ(m_player.record.plays[0].bytes.toStdString(), "ID3-a-much-longer-sound");
        EXPECT_TRUE(Stored().empty());  // nothing is written before OK

        Press(dialog, IDOK);
    }
    const std::vector<StoredSound> stored = Stored();
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored[0].bytes, "ID3-a-much-longer-sound");
    EXPECT_EQ(stored[1].bytes, "ID3-short");
    EXPECT_TRUE(Stored(0).empty());  // the word's side only

    // Loaded again: the long sound, then the short one over the same file.
    CPronunciationDlg dialog(m_app.GetDataBase(), nullptr, m_wordId, TRUE, 1);
    ASSERT_TRUE(dialog.Create());
    ASSERT_EQ(dialog.GetList()->count(), 2);
    EXPECT_EQ(dialog.GetList()->itemText(0), QStringLiteral("Pronunciation %1").arg(stored[0].number));
    EXPECT_EQ(dialog.GetList()->currentIndex(), 0);
    EXPECT_EQ(dialog.OnPlay(), 1);
    dialog.GetList()->setCurrentIndex(1);
    EXPECT_EQ(dialog.OnPlay(), 1);
    ASSERT_EQ(m_player.record.plays.size(), 3u);
    EXPECT_EQ(m_player.record.plays[2].bytes.toStdString(), "ID3-short");
    EXPECT_EQ(kvxtest::TempFolder::ReadFile(TempSound()), "ID3-short");

    // Cancel writes nothing.
    Press(dialog, IDC_PRONUNCIATION_REMOVE);
    Press(dialog, IDCANCEL);
    EXPECT_EQ(Stored().size(), 2u);
}

TEST_F(PronunciationDlgTest, RemovedSoundsAreDeletedOnOkAndOneAddedAndRemovedIsNeverStored) {
    PronunciationRecord kept;
    kept.ownerId = m_wordId;
    kept.side = 1;
    kept.sound = {'o', 'l', 'd'};
    ASSERT_EQ(m_db->SavePronunciation(kept, nullptr), DATABASE_OK);
    PronunciationRecord gone = kept;
    gone.id = 0;
    gone.sound = {'g', 'o', 'n', 'e'};
    ASSERT_EQ(m_db->SavePronunciation(gone, nullptr), DATABASE_OK);

    CPronunciationDlg dialog(m_app.GetDataBase(), nullptr, m_wordId, TRUE, 1);
    ASSERT_TRUE(dialog.Create());
    ASSERT_EQ(dialog.GetList()->count(), 2);
    dialog.GetList()->setCurrentIndex(1);
    Press(dialog, IDC_PRONUNCIATION_REMOVE);
    EXPECT_EQ(dialog.GetList()->count(), 1);
    EXPECT_EQ(dialog.GetList()->currentIndex(), 0);

    AnswerFileDialog({m_short});
    Press(dialog, IDC_PRONUNCIATION_ADD);
    ASSERT_EQ(dialog.GetList()->count(), 2);
    Press(dialog, IDC_PRONUNCIATION_REMOVE);  // the new one, selected after adding
    EXPECT_EQ(dialog.GetList()->count(), 1);
    Press(dialog, IDOK);

    const std::vector<StoredSound> stored = Stored();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].id, kept.id);
    ASSERT_NE(dialog.GetCurrentSounds(), nullptr);
    EXPECT_EQ(dialog.GetCurrentSounds()->size(), 1u);  // the removed ones are gone from the store
}

TEST_F(PronunciationDlgTest, ExportWritesTheStoredBytesOrCopiesANewSoundsFile) {
    PronunciationRecord stored;
    stored.ownerId = m_wordId;
    stored.side = 1;
    stored.sound = {'s', 't', 'o', 'r', 'e', 'd'};
    ASSERT_EQ(m_db->SavePronunciation(stored, nullptr), DATABASE_OK);
    const std::string target = m_files.WriteFile("export.mp3", "an older and longer file in the way");

    CPronunciationDlg dialog(m_app.GetDataBase(), nullptr, m_wordId, TRUE, 1);
    ASSERT_TRUE(dialog.Create());
    AnswerFileDialog({target});
    Press(dialog, IDC_PRONUNCIATION_EXPORT);
    ASSERT_EQ(m_requests.size(), 1u);
    EXPECT_TRUE(m_requests[0].save);
    EXPECT_EQ(kvxtest::TempFolder::ReadFile(target), "stored");

    AnswerFileDialog({m_long, target});
    Press(dialog, IDC_PRONUNCIATION_ADD);
    Press(dialog, IDC_PRONUNCIATION_EXPORT);
    EXPECT_EQ(kvxtest::TempFolder::ReadFile(target), "ID3-a-much-longer-sound");
    dialog.DestroyWindow();
}

TEST_F(PronunciationDlgTest, SoundsAreKeptPerEntryAndAnOwnerValueKeepsOkFromWriting) {
    CPronunciationDlg dialog(m_app.GetDataBase(), nullptr, m_wordId, FALSE, 1);
    dialog.SetListCtrl(3);
    ASSERT_TRUE(dialog.Create());
    AnswerFileDialog({m_short, m_long});
    dialog.SetCurrentIndex(4);  // entries are sparse: 4 is looked up by its key
    dialog.OnAdd();
    dialog.SetCurrentIndex(0);
    EXPECT_EQ(dialog.GetCurrentSounds(), nullptr);
    dialog.OnAdd();
    dialog.SetCurrentIndex(4);
    ASSERT_NE(dialog.GetCurrentSounds(), nullptr);
    EXPECT_EQ(dialog.GetCurrentSounds()->size(), 1u);
    EXPECT_STREQ(dialog.GetCurrentSounds()->front().sourcePath.GetString(),
                 QString::fromStdString(m_short).toStdWString().c_str());
    Press(dialog, IDOK);
    EXPECT_TRUE(Stored().empty());
}

TEST_F(PronunciationDlgTest, APlayerThatFailsMakesPlayAnswerZero) {
    PronunciationRecord stored;
    stored.ownerId = m_wordId;
    stored.side = 0;
    stored.sound = {'x'};
    ASSERT_EQ(m_db->SavePronunciation(stored, nullptr), DATABASE_OK);
    m_player.record.result = 0;
    CPronunciationDlg dialog(m_app.GetDataBase(), nullptr, m_wordId, TRUE, 0);
    ASSERT_TRUE(dialog.Create());
    EXPECT_EQ(dialog.OnPlay(), 0);
    EXPECT_EQ(m_player.record.plays.size(), 1u);

    // Without a log there is no place for the file: nothing plays.
    SetLibraryLog(nullptr);
    EXPECT_EQ(dialog.OnPlay(), 0);
    EXPECT_EQ(m_player.record.plays.size(), 1u);
#ifdef KVX_SCREENSHOT_FOLDER
    // The owner-drawn buttons draw with the window theme the application
    // object would set.
    std::unique_ptr<CAbstractWinTheme> theme(CreateWinTheme());
    KVXSetCurrentWinTheme(theme.get());
    QDir().mkpath(QStringLiteral(KVX_SCREENSHOT_FOLDER));
    dialog.grab().save(QStringLiteral(KVX_SCREENSHOT_FOLDER "/pronunciation-dialog.png"));
    KVXSetCurrentWinTheme(nullptr);
#endif
    dialog.DestroyWindow();
}

TEST_F(PronunciationDlgTest, OkOnAFullDiskKeepsTheDialogAndItsSoundsToStoreAgain) {
    PronunciationRecord gone;
    gone.ownerId = m_wordId;
    gone.side = 1;
    gone.sound = {'g', 'o', 'n', 'e'};
    ASSERT_EQ(m_db->SavePronunciation(gone, nullptr), DATABASE_OK);
    std::vector<std::wstring> messages;
    KVXSetMessageBoxHandler([&](QWidget*, const CBasicString& text, const CBasicString&, UINT) {
        messages.emplace_back(text.GetString());
        return IDOK;
    });

    CPronunciationDlg dialog(m_app.GetDataBase(), nullptr, m_wordId, TRUE, 1);
    ASSERT_TRUE(dialog.Create());
    dialog.show();
    Press(dialog, IDC_PRONUNCIATION_REMOVE);
    AnswerFileDialog({m_short});
    Press(dialog, IDC_PRONUNCIATION_ADD);
    {
        kvxtest::FullDisk full;
        ASSERT_TRUE(full.IsActive());
        Press(dialog, IDOK);
    }
    EXPECT_EQ(messages, std::vector<std::wstring>{StorageFailureText().GetString()});
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.GetList()->count(), 1);
    // Nothing was stored, nothing was forgotten: OK again stores both changes.
    ASSERT_EQ(Stored().size(), 1u);
    EXPECT_EQ(Stored()[0].bytes, "gone");
    Press(dialog, IDOK);
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_FALSE(dialog.isVisible());
    const std::vector<StoredSound> stored = Stored();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].bytes, "ID3-short");
    KVXSetMessageBoxHandler({});
}
