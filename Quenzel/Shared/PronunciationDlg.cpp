#include "Quenzel/Shared/PronunciationDlg.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <iterator>

#include "DataBase/AbstractDataBase.h"
#include "DataBase/AbstractRecordSet.h"
#include "DataBase/DataBaseResult.h"
#include "Pendrel/Controls/WinButton.h"
#include "Pendrel/Platform/KVXDialogTemplate.h"
#include "Pendrel/Platform/KVXFileDialog.h"
#include "Pendrel/Platform/KVXSoundPlayer.h"
#include "Pendrel/Platform/KVXText.h"
#include "Quenzel/App/DataBaseCall.h"
#include "Quenzel/App/QuenzelApp.h"
#include "utility/AbstractLog.h"
#include "utility/ErrorReport.h"
#include "utility/FileUtility.h"
#include "utility/LibraryLog.h"
#include "utility/PathName.h"
#include "utility/StringTableRegistration.h"

namespace {

const char kSourceFile[] = ".\\PronunciationDlg";

const StringTableEntry kStrings[] = {
    {31139, L"Pronunciation File (*.mp3)|*.mp3|"},
    {31226, L"Pronunciation"},
};
const CStringTableRegistration kStringsRegistration(kStrings);

const KVXDialogControl kControls[] = {
    {IDC_PRONUNCIATION_LIST, WC_COMBOBOX, L"", 7, 7, 228, 14, WS_CHILD | WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWNLIST},
    {IDC_PRONUNCIATION_ADD, WC_BUTTON, L"Add", 7, 27, 54, 16, WS_CHILD | WS_VISIBLE | WS_TABSTOP},
    {IDC_PRONUNCIATION_REMOVE, WC_BUTTON, L"Remove", 65, 27, 54, 16, WS_CHILD | WS_VISIBLE | WS_TABSTOP},
    {IDC_PRONUNCIATION_PLAY, WC_BUTTON, L"Play", 123, 27, 54, 16, WS_CHILD | WS_VISIBLE | WS_TABSTOP},
    {IDC_PRONUNCIATION_EXPORT, WC_BUTTON, L"Export", 181, 27, 54, 16, WS_CHILD | WS_VISIBLE | WS_TABSTOP},
    {IDOK, WC_BUTTON, L"OK", 127, 54, 50, 14, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON},
    {IDCANCEL, WC_BUTTON, L"Cancel", 185, 54, 50, 14, WS_CHILD | WS_VISIBLE | WS_TABSTOP},
};
const KVXDialogTemplate kTemplate = {IDD_PRONUNCIATION, L"Add/Remove Pronunciation",
                                     WS_POPUP | WS_CAPTION | WS_SYSMENU, 242, 75, 8, L"MS Shell Dlg",
                                     kControls, std::size(kControls)};
const CKVXDialogTemplateRegistration kTemplateRegistration(kTemplate);

struct ButtonIcons {
    UINT id, normal, hot;
};
const ButtonIcons kButtonIcons[] = {{IDC_PRONUNCIATION_ADD, 300, 301},
                                    {IDC_PRONUNCIATION_REMOVE, 360, 361},
                                    {IDC_PRONUNCIATION_PLAY, 343, 343},
                                    {IDC_PRONUNCIATION_EXPORT, 321, 321}};
constexpr int kIconSize = 16;

CBasicString EntryText(const PronunciationRecord& sound) {
    CBasicString text;
    text.Format(L"%s %d", QuenzelString(31226).GetString(), sound.number);
    return text;
}

} // namespace

CPronunciationDlg::CPronunciationDlg(CAbstractDataBase* database, QWidget* parent, int64_t wordId, BOOL load,
                                     int side)
    : CKVXDialog(IDD_PRONUNCIATION, parent),
      m_database(database),
      m_wordId(wordId),
      m_side(side),
      m_load(load),
      m_add(new CWinButton(WinButtonPush, this)),
      m_remove(new CWinButton(WinButtonPush, this)),
      m_play(new CWinButton(WinButtonPush, this)),
      m_export(new CWinButton(WinButtonPush, this)) {
    for (CWinButton* button : {m_add, m_remove, m_play, m_export}) button->hide();
}

CPronunciationDlg::~CPronunciationDlg() {
    m_player.reset();
    if (!m_tempPath.IsEmpty()) QFile::remove(KVXToQString(m_tempPath));
}

QComboBox* CPronunciationDlg::GetList() const { return GetDlgItem<QComboBox>(IDC_PRONUNCIATION_LIST); }

BOOL CPronunciationDlg::OnInitDialog() {
    CKVXDialog::OnInitDialog();
    CWinButton* buttons[] = {m_add, m_remove, m_play, m_export};
    for (size_t i = 0; i < std::size(kButtonIcons); ++i) {
        const CBasicString caption = GetDlgItemText(kButtonIcons[i].id);
        SubclassDlgItem(kButtonIcons[i].id, buttons[i]);
        buttons[i]->SetButtonText(caption.GetString());
        buttons[i]->SetIcon(kButtonIcons[i].normal, kButtonIcons[i].hot, kIconSize);
    }
    if (m_load) {
        if (QComboBox* list = GetList()) list->clear();
        LoadPronunciations(m_wordId, m_side);
    }
    if (GetCurrentSounds()) FillList(0);
    if (QComboBox* list = GetList(); list && list->count() > 0) list->setCurrentIndex(0);
    return TRUE;
}

void CPronunciationDlg::OnCommand(UINT id) {
    switch (id) {
    case IDC_PRONUNCIATION_ADD:
        OnAdd();
        break;
    case IDC_PRONUNCIATION_REMOVE:
        OnRemove();
        break;
    case IDC_PRONUNCIATION_PLAY:
        OnPlay();
        break;
    case IDC_PRONUNCIATION_EXPORT:
        OnExport();
        break;
    default:
        CKVXDialog::OnCommand(id);
        break;
    }
}

int CPronunciationDlg::LoadPronunciations(int64_t wordId, int side) {
    if (m_loading) return FALSE;
    CAbstractDataBase* database = m_database;
    if (!database) return FALSE;
    m_loading = true;
    m_sounds.clear();
    std::vector<PronunciationRecord> sounds;
    if (CAbstractRecordSet* set = database->QueryPronunciations(wordId, side)) {
        while (!set->IsEOF()) {
            PronunciationRecord sound;
            ReportAssertion(set->GetInt64(0, sound.id) == DATABASE_OK, kSourceFile, __LINE__);
            ReportAssertion(set->GetInt64(1, sound.ownerId) == DATABASE_OK, kSourceFile, __LINE__);
            DWORD size = 0;
            int read = set->GetBlob(2, nullptr, size);
            if (read == DATABASE_OK && size > 0) {
                sound.sound.resize(size);
                read = set->GetBlob(2, sound.sound.data(), size);
                sound.sound.resize(read == DATABASE_OK ? size : 0);
            }
            ReportAssertion(read == DATABASE_OK, kSourceFile, __LINE__);
            ReportAssertion(set->GetInt(3, sound.number) == DATABASE_OK, kSourceFile, __LINE__);
            ReportAssertion(set->GetInt(4, sound.side) == DATABASE_OK, kSourceFile, __LINE__);
            sounds.push_back(std::move(sound));
            set->MoveNext();
        }
        database->ReleaseRecordSet(set);
    }
    const bool found = !sounds.empty();
    if (found) m_sounds[m_currentIndex < 0 ? 0 : m_currentIndex] = std::move(sounds);
    m_wordId = wordId;
    m_side = side;
    m_loading = false;
    return found ? TRUE : FALSE;
}

std::vector<PronunciationRecord>* CPronunciationDlg::GetCurrentSounds() {
    auto found = m_sounds.find(m_currentIndex < 0 ? 0 : m_currentIndex);
    return found == m_sounds.end() ? nullptr : &found->second;
}

std::vector<PronunciationRecord>& CPronunciationDlg::CurrentSoundsForAdding() {
    return m_sounds[m_currentIndex < 0 ? 0 : m_currentIndex];
}

void CPronunciationDlg::FillList(size_t from) {
    QComboBox* list = GetList();
    const std::vector<PronunciationRecord>* sounds = GetCurrentSounds();
    if (!list || !sounds) return;
    ReportAssertion(from <= sounds->size(), kSourceFile, __LINE__);
    for (size_t position = from; position < sounds->size(); ++position) {
        const PronunciationRecord& sound = (*sounds)[position];
        if (sound.removed) continue;
        list->addItem(KVXToQString(EntryText(sound)), static_cast<qulonglong>(position));
        list->setCurrentIndex(list->count() - 1);
    }
}

int CPronunciationDlg::SelectedPosition() const {
    QComboBox* list = GetList();
    if (!list || list->currentIndex() < 0) return -1;
    return static_cast<int>(list->currentData().toULongLong());
}

void CPronunciationDlg::OnAdd() {
    KVXFileDialogRequest request;
    request.defaultExtension = L"mp3";
    request.filter = QuenzelString(31139);
    KVXFileDialogAnswer answer;
    if (!KVXGetFileName(this, request, answer)) return;
    std::vector<PronunciationRecord>& sounds = CurrentSoundsForAdding();
    PronunciationRecord sound;
    sound.sourcePath = answer.path;
    sound.isNew = 1;
    int number = 0;
    for (const PronunciationRecord& other : sounds) number = std::max(number, other.number);
    sound.number = number + 1;
    sounds.push_back(sound);
    FillList(sounds.size() - 1);
}

void CPronunciationDlg::OnRemove() {
    QComboBox* list = GetList();
    std::vector<PronunciationRecord>* sounds = GetCurrentSounds();
    const int position = SelectedPosition();
    if (!list || !sounds || position < 0 || position >= static_cast<int>(sounds->size())) return;
    PronunciationRecord& sound = (*sounds)[static_cast<size_t>(position)];
    sound.removed = 1;
    sound.isNew = 0;
    const int entry = list->currentIndex();
    list->removeItem(entry);
    list->setCurrentIndex(std::min(entry, list->count() - 1));
}

CBasicString CPronunciationDlg::GetTempSoundPath() const {
    CAbstractLog* log = GetLibraryLog();
    if (!log) return CBasicString();
    const wchar_t* logPath = log->GetLogFilePath();
    const CBasicString path = logPath ? logPath : L"";
    const int slash = std::max(path.ReverseFind(L'/'), path.ReverseFind(L'\\'));
    ReportAssertion(slash >= 0, kSourceFile, __LINE__);
    if (slash < 0) return CBasicString();
    CBasicString result = path.Left(slash + 1);
    result += GetFileTitleFromPath(path.GetString());
    result += L".mp3";
    return result;
}

int CPronunciationDlg::SaveSoundToFile(const PronunciationRecord* sound, const wchar_t* path) {
    const bool valid = sound && path && *path;
    ReportAssertion(valid, kSourceFile, __LINE__);
    if (!valid) return 0;
    if (!sound->sound.empty()) {
        // Through a temporary file and a rename: the file is replaced whole,
        // never left holding the tail of a longer sound.
        QSaveFile file(KVXToQString(path));
        if (!file.open(QIODevice::WriteOnly)) {
            ReportAssertion(FALSE, kSourceFile, __LINE__);
            return 0;
        }
        const qint64 size = static_cast<qint64>(sound->sound.size());
        const bool written = file.write(reinterpret_cast<const char*>(sound->sound.data()), size) == size;
        ReportAssertion(written, kSourceFile, __LINE__);
        if (!written) {
            file.cancelWriting();
            return 0;
        }
        return file.commit() ? 1 : 0;
    }
    if (!sound->sourcePath.IsEmpty() && QFileInfo::exists(KVXToQString(sound->sourcePath))) {
        QFile::remove(KVXToQString(path));
        return CopyFileByPath(sound->sourcePath.GetString(), path);
    }
    return 0;
}

int CPronunciationDlg::PlaySound(size_t position) {
    std::vector<PronunciationRecord>* sounds = GetCurrentSounds();
    if (!sounds || position >= sounds->size()) return 0;
    const CBasicString path = GetTempSoundPath();
    if (path.IsEmpty()) return 0;
    if (m_player) m_player->Stop();
    if (!SaveSoundToFile(&(*sounds)[position], path.GetString())) return 0;
    m_tempPath = path;
    if (!m_player) m_player = KVXCreateSoundPlayer();
    return m_player->Play(path.GetString());
}

int CPronunciationDlg::OnPlay() {
    const int position = SelectedPosition();
    if (position < 0) return 0;
    return PlaySound(static_cast<size_t>(position));
}

void CPronunciationDlg::OnExport() {
    std::vector<PronunciationRecord>* sounds = GetCurrentSounds();
    const int position = SelectedPosition();
    if (!sounds || position < 0 || position >= static_cast<int>(sounds->size())) return;
    KVXFileDialogRequest request;
    request.save = true;
    request.defaultExtension = L"mp3";
    request.filter = QuenzelString(31139);
    KVXFileDialogAnswer answer;
    if (!KVXGetFileName(this, request, answer)) return;
    SaveSoundToFile(&(*sounds)[static_cast<size_t>(position)], answer.path.GetString());
}

void CPronunciationDlg::OnOK() {
    CAbstractDataBase* database = m_database;
    std::vector<PronunciationRecord>* sounds = GetCurrentSounds();
    if (!m_loading && m_listCtrl == 0 && database && sounds) {
        // Each sound is stored on its own; one the file does not take stays
        // as it is, and the dialog stays open to try again.
        bool failed = false;
        for (PronunciationRecord& sound : *sounds) {
            if (sound.removed) {
                // A sound added and removed again was never stored.
                if (sound.id == 0) continue;
                const int deleted = CallDataBase([&] { return database->DeletePronunciation(sound.id); });
                if (deleted != DATABASE_OK && deleted != DATABASE_NO_ROW) {
                    failed = true;
                    break;
                }
                sound.id = 0;
            } else if (sound.isNew) {
                sound.side = m_side;
                sound.ownerId = m_wordId;
                if (CallDataBase([&] { return database->SavePronunciation(sound, sound.sourcePath.GetString()); }) !=
                    DATABASE_OK) {
                    failed = true;
                    break;
                }
                sound.isNew = 0;
            }
        }
        sounds->erase(std::remove_if(sounds->begin(), sounds->end(),
                                     [](const PronunciationRecord& sound) { return sound.removed && sound.id == 0; }),
                      sounds->end());
        if (failed) {
            ReportAssertion(0, kSourceFile, __LINE__);
            ShowStorageFailure(this);
            return;
        }
    }
    CKVXDialog::OnOK();
}
