#pragma once
// CPronunciationDlg ("Add/Remove Pronunciation"): the recorded sounds of a
// word or meaning. It lists them, plays one, imports new ones from ".mp3"
// files, exports one to a file and removes one; OK writes the additions and
// removals to the database. The word editor keeps one as a store of sounds
// per entry index (SetCurrentIndex) and writes them itself when it saves
// (SetListCtrl with a non-zero value, so that OK writes nothing).
//
// Sounds are held per entry index; an index without sounds has no vector.
// A sound to play is written to a file beside the log file (the log's title
// with ".mp3"), which each play replaces, and played through the sound
// player (Pendrel/Platform/KVXSoundPlayer.h).

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "DataBase/DataBaseRecords.h"
#include "Pendrel/Platform/KVXDialog.h"
#include "compat/WinTypes.h"
#include "utility/BasicString.h"

class CAbstractDataBase;

class CKVXSoundPlayer;
class CWinButton;
class QComboBox;

constexpr UINT IDD_PRONUNCIATION = 544;
constexpr UINT IDC_PRONUNCIATION_ADD = 11101;
constexpr UINT IDC_PRONUNCIATION_REMOVE = 11102;
constexpr UINT IDC_PRONUNCIATION_PLAY = 11138;
constexpr UINT IDC_PRONUNCIATION_EXPORT = 11076;
constexpr UINT IDC_PRONUNCIATION_LIST = 11225;

class CPronunciationDlg : public CKVXDialog {
    Q_OBJECT

public:
    // side: 1 the word itself, 0 a meaning. With load set, the start reads
    // the sounds of wordId and side from database (not owned; may be null).
    CPronunciationDlg(CAbstractDataBase* database, QWidget* parent, int64_t wordId, BOOL load, int side);
    ~CPronunciationDlg() override;

    // Reads the sounds of the owner and side into the current index; TRUE
    // when there were any. Ignored while a load runs.
    int LoadPronunciations(int64_t wordId, int side);
    void SetCurrentIndex(int index) { m_currentIndex = index; }
    int GetCurrentIndex() const { return m_currentIndex; }
    // The sounds of the current index (an index below 0 is taken as 0);
    // null when it has none.
    std::vector<PronunciationRecord>* GetCurrentSounds();
    void ClearSounds() { m_sounds.clear(); }
    // The sounds of an index, given by an owner that keeps them itself.
    void SetSounds(int index, std::vector<PronunciationRecord> sounds) { m_sounds[index] = std::move(sounds); }
    // A non-zero value: OK writes nothing, the owner stores the sounds.
    void SetListCtrl(INT_PTR value) { m_listCtrl = value; }
    INT_PTR GetListCtrl() const { return m_listCtrl; }

    // Writes the sound (its bytes, or for a new sound a copy of its source
    // file) to the path, replacing what the path held; 1 on success.
    int SaveSoundToFile(const PronunciationRecord* sound, const wchar_t* path);
    // Plays the sound at the position of the current index's vector; 1 when
    // it plays.
    int PlaySound(size_t position);
    // The file a sound is written to for playing; empty without a log.
    CBasicString GetTempSoundPath() const;

    // The actions of the buttons, also for callers without the window.
    void OnAdd();
    void OnRemove();
    int OnPlay();
    void OnExport();

    QComboBox* GetList() const;

protected:
    BOOL OnInitDialog() override;
    void OnCommand(UINT id) override;
    void OnOK() override;

private:
    void FillList(size_t from);
    // The vector position of the selected entry; -1 when none.
    int SelectedPosition() const;
    std::vector<PronunciationRecord>& CurrentSoundsForAdding();

    CAbstractDataBase* m_database;
    int64_t m_wordId;
    int m_side;
    BOOL m_load;
    bool m_loading = false;
    INT_PTR m_listCtrl = 0;
    int m_currentIndex = 0;
    std::map<int, std::vector<PronunciationRecord>> m_sounds;
    std::unique_ptr<CKVXSoundPlayer> m_player;
    CBasicString m_tempPath;
    CWinButton* m_add;
    CWinButton* m_remove;
    CWinButton* m_play;
    CWinButton* m_export;
};
