#include "Quenzel/Dictionary/EditDictionaryDlg.h"

#include <QComboBox>
#include <QPainter>
#include <QResizeEvent>

#include <iterator>

#include "Pendrel/App/KVXApp.h"
#include "Pendrel/Controls/TransparentStaticCtrl.h"
#include "Pendrel/Controls/WinButton.h"
#include "Pendrel/Image/KVXGdiIcon.h"
#include "Pendrel/Platform/KVXDialogTemplate.h"
#include "Pendrel/Platform/KVXFileDialog.h"
#include "Pendrel/Platform/KVXFonts.h"
#include "Pendrel/Platform/KVXImageConversion.h"
#include "Pendrel/Platform/KVXMessageBox.h"
#include "Pendrel/Platform/KVXSysColors.h"
#include "Pendrel/Platform/KVXText.h"
#include "Pendrel/Platform/KVXWindowMessages.h"
#include "Quenzel/App/DataBaseCall.h"
#include "Quenzel/App/QuenzelApp.h"
#include "Quenzel/Dictionary/AddTypeDialog.h"
#include "Quenzel/Dictionary/DictionaryListBox.h"
#include "Quenzel/Dictionary/EditAutoSearch.h"
#include "Quenzel/Dictionary/MeanTypeComboBox.h"
#include "Quenzel/Dictionary/MeanTypes.h"
#include "Quenzel/Dictionary/RelationComboBox.h"
#include "Quenzel/App/DataBaseCall.h"
#include "Quenzel/App/FlagCache.h"
#include "Quenzel/App/Options.h"
#include "Quenzel/App/QuenzelApp.h"
#include "Quenzel/Shared/CurrentLanguagePair.h"
#include "Quenzel/Shared/HeaderBand.h"
#include "Quenzel/Shared/LanguageComboBox.h"
#include "Quenzel/Shared/PageHost.h"
#include "Quenzel/Shared/PronunciationDlg.h"
#include "utility/ErrorReport.h"
#include "utility/PathName.h"

namespace {

const char kSourceFile[] = ".\\EditDictionaryDlg";
constexpr int kMinimumWidth = 800;
constexpr int kMinimumHeight = 600;
constexpr int kIconSize = 24;
constexpr UINT kToolTipIcon = 316;
constexpr UINT kSaveFailed = 31380;
constexpr UINT kMeaningKept = 31381;
constexpr UINT kFileFilter = 31217;

constexpr UINT IDC_TITLE = 3006;
constexpr UINT IDC_DESCRIPTION = 11126;
constexpr UINT IDC_HEADER_SEPARATOR = 11111;
constexpr UINT IDC_FILE_LABEL = 11219;
constexpr UINT IDC_NAME_LABEL = 11118;
constexpr UINT IDC_WORD_LABEL = 11220;
constexpr UINT IDC_RELATION_LABEL = 11221;
constexpr UINT IDC_BOTTOM_SEPARATOR = 11222;
constexpr UINT IDC_TYPE_LABEL = 11235;
constexpr UINT IDC_SEPARATOR_DICTIONARY = 11216;
constexpr UINT IDC_SEPARATOR_WORD = 11191;
constexpr UINT IDC_SEPARATOR_ENTRY = 11190;

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kTab = WS_CHILD | WS_VISIBLE | WS_TABSTOP;

const KVXDialogControl kControls[] = {
    {IDC_TITLE, WC_STATIC, L"", 10, 6, 420, 12, kChild | SS_NOPREFIX},
    {IDC_DESCRIPTION, WC_STATIC, L"", 10, 20, 420, 18, kChild | SS_NOPREFIX},
    {IDC_HEADER_SEPARATOR, WC_STATIC, L"", 0, 42, 559, 1, kChild | SS_ETCHEDHORZ},
    {IDC_FILE_LABEL, WC_STATIC, L"File:", 7, 53, 30, 9, kChild},
    {IDC_EDITOR_FILE, WC_EDIT, L"", 40, 51, 226, 13, kTab | ES_READONLY | WS_DISABLED},
    {IDC_NAME_LABEL, WC_STATIC, L"Name:", 272, 53, 26, 9, kChild},
    {IDC_EDITOR_NAME, WC_EDIT, L"", 300, 51, 124, 13, kTab | ES_READONLY | WS_DISABLED},
    {IDC_EDITOR_OPEN, WC_BUTTON, L"Open", 430, 48, 60, 19, kTab | WS_DISABLED},
    {IDC_EDITOR_CREATE, WC_BUTTON, L"Create", 494, 48, 58, 19, kTab | WS_DISABLED},
    {IDC_SEPARATOR_DICTIONARY, WC_STATIC, L"", 7, 72, 545, 1, kChild | SS_ETCHEDHORZ},
    {IDC_WORD_LABEL, WC_STATIC, L"Word:", 7, 83, 40, 9, kChild},
    {IDC_EDITOR_WORD, WC_EDIT, L"", 52, 80, 308, 15, kTab},
    {IDC_EDITOR_SEARCH, WC_BUTTON, L"Search", 366, 78, 60, 19, kTab},
    {IDC_EDITOR_DELETE_WORD, WC_BUTTON, L"Delete", 430, 78, 60, 19, kTab},
    {IDC_EDITOR_WORD_SOUND, WC_BUTTON, L"Sound", 494, 78, 58, 19, kTab},
    {IDC_SEPARATOR_WORD, WC_STATIC, L"", 7, 103, 545, 1, kChild | SS_ETCHEDHORZ},
    {IDC_RELATION_LABEL, WC_STATIC, L"Relation:", 7, 113, 42, 9, kChild},
    {IDC_EDITOR_RELATION, WC_COMBOBOX, L"", 52, 110, 96, 14, kTab | CBS_DROPDOWNLIST},
    {IDC_TYPE_LABEL, WC_STATIC, L"Type:", 158, 113, 24, 9, kChild},
    {IDC_EDITOR_TYPE, WC_COMBOBOX, L"", 184, 110, 130, 14, kTab | CBS_DROPDOWNLIST},
    {IDC_EDITOR_ADD_TYPE, WC_BUTTON, L"Add Type", 320, 109, 60, 19, kTab},
    {IDC_EDITOR_EDIT_TYPE, WC_BUTTON, L"Edit Type", 384, 109, 60, 19, kTab},
    {IDC_EDITOR_MEANING_LABEL, WC_STATIC, L"Meaning:", 7, 137, 44, 9, kChild},
    {IDC_EDITOR_MEANING, WC_EDIT, L"", 52, 134, 308, 15, kTab},
    {IDC_EDITOR_ADD_ENTRY, WC_BUTTON, L"Add", 366, 132, 60, 19, kTab},
    {IDC_EDITOR_REMOVE_ENTRY, WC_BUTTON, L"Remove", 430, 132, 60, 19, kTab},
    {IDC_EDITOR_ENTRY_SOUND, WC_BUTTON, L"Sound", 494, 132, 58, 19, kTab},
    {IDC_SEPARATOR_ENTRY, WC_STATIC, L"", 7, 157, 545, 1, kChild | SS_ETCHEDHORZ},
    {IDC_EDITOR_LIST, L"DictionaryListBox", L"", 7, 163, 545, 174, kTab | WS_BORDER | WS_VSCROLL},
    {IDC_BOTTOM_SEPARATOR, WC_STATIC, L"", 7, 342, 545, 1, kChild | SS_ETCHEDHORZ},
    {IDC_FIRST_LANGUAGE, WC_COMBOBOX, L"", 7, 350, 120, 16, kTab},
    {IDC_TO_LABEL, WC_STATIC, L"To", 131, 353, 14, 10, kChild | SS_CENTER},
    {IDC_SECOND_LANGUAGE, WC_COMBOBOX, L"", 149, 350, 120, 16, kTab},
    {IDC_EDITOR_SAVE, WC_BUTTON, L"Save", 434, 348, 58, 19, kTab},
    {IDCANCEL, WC_BUTTON, L"Cancel", 496, 348, 56, 19, kTab},
};
const KVXDialogTemplate kTemplate = {IDD_EDIT_DICTIONARY, L"Word View",
                                     WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME,
                                     559, 372, 8, L"MS Shell Dlg", kControls, std::size(kControls)};
const CKVXDialogTemplateRegistration kTemplateRegistration(kTemplate);

struct ButtonInfo {
    UINT id, normal, hot, tip;
};
const ButtonInfo kButtons[] = {
    {IDC_EDITOR_OPEN, 346, 347, 0},           {IDC_EDITOR_CREATE, 344, 345, 0},
    {IDC_EDITOR_SEARCH, 306, 307, 31335},     {IDC_EDITOR_DELETE_WORD, 302, 303, 31336},
    {IDC_EDITOR_WORD_SOUND, 343, 343, 31344}, {IDC_EDITOR_ADD_TYPE, 300, 301, 31339},
    {IDC_EDITOR_EDIT_TYPE, 304, 305, 31340},  {IDC_EDITOR_ADD_ENTRY, 300, 301, 31342},
    {IDC_EDITOR_REMOVE_ENTRY, 360, 361, 31343}, {IDC_EDITOR_ENTRY_SOUND, 343, 343, 31345},
    {IDC_EDITOR_SAVE, 321, 322, 31346},       {IDCANCEL, 337, 337, 31315},
};

struct TipInfo {
    UINT id, tip;
};
const TipInfo kTips[] = {{IDC_EDITOR_NAME, 31334},     {IDC_EDITOR_WORD, 31282},     {IDC_EDITOR_RELATION, 31337},
                         {IDC_EDITOR_TYPE, 31338},     {IDC_EDITOR_MEANING, 31341},  {IDC_FIRST_LANGUAGE, 31285},
                         {IDC_SECOND_LANGUAGE, 31286}};

const UINT kRelations[] = {kEntryMeaning, kEntrySynonym, kEntryAntonym, kEntryAcronym};

} // namespace

CEditDictionaryDlg::CEditDictionaryDlg(const QuenzelServices& services, CPageHost* mainDlg, QWidget* parent)
    : CKVXResizableDlg(IDD_EDIT_DICTIONARY, parent),
      CWorkerThread(1),
      m_services(services),
      m_mainDlg(mainDlg),
      m_list(new CDictionaryListBox(this)),
      m_model(m_list->Entries()),
      m_wordEdit(new CEditAutoSearch(this)),
      m_meaningEdit(new CEditAutoSearch(this)),
      m_relation(new CRelationComboBox(this)),
      m_type(new CMeanTypeComboBox(this)),
      m_first(new CLanguageComboBox(this)),
      m_second(new CLanguageComboBox(this)),
      m_title(new CTransparentStaticCtrl(this)),
      m_description(new CTransparentStaticCtrl(this)),
      m_meaningLabel(new CTransparentStaticCtrl(this)) {
    for (QWidget* widget : std::initializer_list<QWidget*>{m_list, m_wordEdit, m_meaningEdit, m_relation, m_type,
                                                          m_first, m_second, m_title, m_description, m_meaningLabel})
        widget->hide();
    for (size_t i = 0; i < std::size(kButtons); ++i) {
        auto* button = new CWinButton(WinButtonPush, this);
        button->hide();
        m_buttons.push_back(button);
    }
}

CEditDictionaryDlg::~CEditDictionaryDlg() {
    // The search job fills the word field: it ends before the window goes.
    WaitForJob();
}

void CEditDictionaryDlg::setVisible(bool visible) {
    if (visible && !IsCreated()) {
        Create(nullptr);
        return;
    }
    CKVXResizableDlg::setVisible(visible);
}

BOOL CEditDictionaryDlg::OnInitDialog() {
    const BOOL result = CKVXResizableDlg::OnInitDialog();
    CAbstractDataBase* database = m_services.database;
    m_model.SetDataBase(database);
    m_wordEdit->SetDataBase(database);
    m_meaningEdit->SetDataBase(database);
    m_services.SetWindowIcon(this);

    for (size_t i = 0; i < std::size(kButtons); ++i) {
        CWinButton* button = m_buttons[i];
        const CBasicString caption = GetDlgItemText(kButtons[i].id);
        SubclassDlgItem(kButtons[i].id, button);
        button->SetButtonText(caption.GetString());
        button->SetIcon(kButtons[i].normal, kButtons[i].hot, kIconSize);
    }
    SubclassDlgItem(IDC_TITLE, m_title);
    SubclassDlgItem(IDC_DESCRIPTION, m_description);
    SubclassDlgItem(IDC_EDITOR_MEANING_LABEL, m_meaningLabel);
    m_title->SetTextOptions(1);
    m_title->SetTextFormat(DT_WORDBREAK);
    m_description->SetTextFormat(DT_WORDBREAK);
    m_title->setText(QString::fromWCharArray(QuenzelString(31207).GetString()));
    m_description->setText(QString::fromWCharArray(QuenzelString(31208).GetString()));
    m_title->SetCustomFont(1);

    SubclassDlgItem(IDC_FIRST_LANGUAGE, m_first);
    SubclassDlgItem(IDC_SECOND_LANGUAGE, m_second);
    SubclassDlgItem(IDC_EDITOR_RELATION, m_relation);
    SubclassDlgItem(IDC_EDITOR_TYPE, m_type);
    SubclassDlgItem(IDC_EDITOR_LIST, m_list);
    SubclassDlgItem(IDC_EDITOR_WORD, m_wordEdit);
    SubclassDlgItem(IDC_EDITOR_MEANING, m_meaningEdit);
    connect(m_first, &QComboBox::activated, this, [this](int) { OnLanguageChanged(); });
    connect(m_second, &QComboBox::activated, this, [this](int) { OnLanguageChanged(); });
    connect(m_relation, &QComboBox::activated, this, [this](int) { OnRelationChanged(); });
    connect(m_type, &QComboBox::activated, this, [this](int) { OnTypeChanged(); });

    FillLanguages();

    m_relation->clear();
    for (UINT kind : kRelations)
        m_relation->InsertItem(m_relation->count(), QuenzelString(kind).GetString(), static_cast<int>(kind));
    m_relation->setCurrentIndex(0);
    OnRelationChanged();

    LoadTypes();
    m_list->Init(m_services.options);

    if (const COptions* options = m_services.options) {
        LOGFONTW font{};
        options->GetLeftFont(font);
        if (font.lfFaceName[0] != L'\0') m_wordEdit->setFont(KVXFontFromLogFont(font));
        options->GetRightFont(font);
        if (font.lfFaceName[0] != L'\0') m_meaningEdit->setFont(KVXFontFromLogFont(font));
    }

    // The store keeps what the user adds across openings; it writes nothing
    // itself, the save does.
    m_soundStore = std::make_unique<CPronunciationDlg>(m_services.database, this, 0, FALSE, kPronunciationWord);
    m_soundStore->SetListCtrl(3);
    m_wordSoundsReadFor = 0;

    for (UINT id : {IDC_EDITOR_FILE, IDC_EDITOR_NAME, IDC_EDITOR_CREATE, IDC_EDITOR_OPEN})
        if (QWidget* control = GetDlgItem(id)) control->setEnabled(false);

    if (database) AddDictionaryFromPath(database->GetDictionaryPath());

    AddResizableControls();
    for (size_t i = 0; i < std::size(kButtons); ++i)
        if (kButtons[i].tip) m_toolTip.AddTool(m_buttons[i], QuenzelString(kButtons[i].tip), kToolTipIcon);
    for (const TipInfo& tip : kTips)
        if (QWidget* control = GetDlgItem(tip.id)) m_toolTip.AddTool(control, QuenzelString(tip.tip), kToolTipIcon);
    m_running = 0;
    if (database) SetHostLanguagePair(m_mainDlg, database);

    m_wordEdit->Attach(kAutoSearchWordEditor, 1);
    m_meaningEdit->Attach(kAutoSearchWordEditor, 0);
    EnableEditingControls(1);

    QPalette background = palette();
    background.setColor(QPalette::Window, KVXToQColor(m_services.DlgBkColor()));
    setPalette(background);
    setAutoFillBackground(true);
    m_wordEdit->setFocus();
    return result;
}

void CEditDictionaryDlg::AddResizableControls() {
    m_resizableCtrls.clear();
    const struct {
        UINT id;
        DWORD flags;
    } anchors[] = {
        {IDC_EDITOR_FILE, 256},          {IDC_EDITOR_NAME, 256},          {IDC_EDITOR_OPEN, 6},
        {IDC_EDITOR_CREATE, 6},          {IDC_EDITOR_WORD, 256},          {IDC_EDITOR_SEARCH, 6},
        {IDC_EDITOR_DELETE_WORD, 6},     {IDC_EDITOR_WORD_SOUND, 6},      {IDC_EDITOR_MEANING, 256},
        {IDC_EDITOR_ADD_ENTRY, 6},       {IDC_EDITOR_REMOVE_ENTRY, 6},    {IDC_EDITOR_ENTRY_SOUND, 6},
        {IDC_EDITOR_LIST, 768},          {IDC_FIRST_LANGUAGE, 9},         {IDC_SECOND_LANGUAGE, 9},
        {IDC_TO_LABEL, 9},               {IDC_EDITOR_SAVE, 12},           {IDCANCEL, 12},
        {IDC_SEPARATOR_DICTIONARY, 256}, {IDC_SEPARATOR_WORD, 256},       {IDC_SEPARATOR_ENTRY, 256},
        {IDC_HEADER_SEPARATOR, 256},     {IDC_BOTTOM_SEPARATOR, RESIZE_STRETCH_WIDTH | RESIZE_ANCHOR_BOTTOM},
    };
    for (const auto& anchor : anchors)
        m_resizableCtrls.emplace_back(static_cast<WORD>(anchor.id), 0, anchor.flags);
    CKVXResizableDlg::AddResizableControls();
}

void CEditDictionaryDlg::OnGetMinMaxInfo(MINMAXINFO* info) {
    info->ptMinTrackSize.x = kMinimumWidth;
    info->ptMinTrackSize.y = kMinimumHeight;
    CKVXResizableDlg::OnGetMinMaxInfo(info);
}

void CEditDictionaryDlg::FillLanguages() {
    if (!m_services.database) return;
    const std::vector<LanguageRecord> languages = m_services.database->GetLanguages(0);
    if (m_services.flags) m_services.flags->Fill(languages);
    for (CLanguageComboBox* combo : {m_first, m_second}) {
        combo->clear();
        combo->SetImageCache(m_services.flags ? &m_services.flags->GetImages() : nullptr);
        for (const LanguageRecord& language : languages)
            combo->InsertItem(combo->count(), language.name.GetString(), language.id);
    }
    CBasicString first, second;
    if (m_mainDlg) {
        first = m_mainDlg->GetFirstCombo()->GetItemText(m_mainDlg->GetFirstCombo()->currentIndex());
        second = m_mainDlg->GetSecondCombo()->GetItemText(m_mainDlg->GetSecondCombo()->currentIndex());
    }
    m_first->SelectName(first.GetString());
    m_second->SelectName(second.GetString());
}

void CEditDictionaryDlg::LoadTypes() {
    m_type->RemoveAll();
    if (!m_services.database) return;
    std::vector<MeanTypeRecord> types;
    try {
        types = CMeanTypes::Load(*m_services.database);
    } catch (DATABASE_RESULT) {
        ReportAssertion(0, kSourceFile, __LINE__);
    }
    for (const MeanTypeRecord& type : types) m_type->InsertType(m_type->count(), type);
    if (m_type->count() > 0) m_type->setCurrentIndex(0);
}

LanguageRecord CEditDictionaryDlg::SelectedLanguage(const CLanguageComboBox* combo) const {
    LanguageRecord language;
    const int index = combo->currentIndex();
    if (index < 0) return language;
    language.id = combo->GetItemData(index);
    language.name = combo->GetItemText(index);
    return language;
}

void CEditDictionaryDlg::AddDictionaryFromPath(const CBasicString& path) {
    if (path.IsEmpty()) {
        ReportAssertion(0, kSourceFile, __LINE__);
        return;
    }
    auto* dictionary = new CDictionaryDataItem(path, GetFileTitleFromPath(path.GetString()));
    SetDlgItemText(IDC_EDITOR_FILE, dictionary->GetPath().GetString());
    SetDlgItemText(IDC_EDITOR_NAME, dictionary->GetDisplayName().GetString());
    const LanguageRecord first = SelectedLanguage(m_first);
    const LanguageRecord second = SelectedLanguage(m_second);
    dictionary->SetFirstLanguage(first.id, first.name);
    dictionary->SetSecondLanguage(second.id, second.name);
    m_list->AddDictionary(dictionary);
}

void CEditDictionaryDlg::OnCreateDictionary() {
    KVXFileDialogRequest request;
    request.save = true;
    request.filter = QuenzelString(kFileFilter);
    request.defaultExtension = L"ozt";
    CBasicString name = m_first->GetItemText(m_first->currentIndex());
    name += L" - ";
    name += m_second->GetItemText(m_second->currentIndex());
    request.initialPath = name;
    KVXFileDialogAnswer answer;
    if (!KVXGetFileName(this, request, answer)) return;
    auto* dictionary = new CDictionaryDataItem(answer.path, name);
    SetDlgItemText(IDC_EDITOR_FILE, dictionary->GetPath().GetString());
    SetDlgItemText(IDC_EDITOR_NAME, dictionary->GetDisplayName().GetString());
    const LanguageRecord first = SelectedLanguage(m_first);
    const LanguageRecord second = SelectedLanguage(m_second);
    dictionary->SetFirstLanguage(first.id, first.name);
    dictionary->SetSecondLanguage(second.id, second.name);
    m_list->AddDictionary(dictionary);
    EnableEditingControls(1);
}

void CEditDictionaryDlg::OnOpenDictionary() {
    KVXFileDialogRequest request;
    request.filter = QuenzelString(kFileFilter);
    request.defaultExtension = L"ozt";
    KVXFileDialogAnswer answer;
    if (KVXGetFileName(this, request, answer)) EnableEditingControls(1);
}

void CEditDictionaryDlg::EnableEditingControls(int on) {
    const bool enable = on != 0;
    for (UINT id : {IDC_EDITOR_ADD_ENTRY, IDC_EDITOR_REMOVE_ENTRY, IDC_EDITOR_SAVE, IDC_EDITOR_WORD_SOUND,
                    IDC_EDITOR_ENTRY_SOUND, IDC_EDITOR_DELETE_WORD, IDC_EDITOR_MEANING_LABEL, IDC_EDITOR_RELATION,
                    IDC_EDITOR_LIST, IDC_EDITOR_MEANING, IDC_EDITOR_WORD, IDC_FILE_LABEL, IDC_NAME_LABEL,
                    IDC_WORD_LABEL, IDC_RELATION_LABEL, IDC_BOTTOM_SEPARATOR, IDC_SEPARATOR_WORD,
                    IDC_SEPARATOR_ENTRY})
        if (QWidget* control = GetDlgItem(id)) control->setEnabled(enable);
    const bool types = enable && m_relation->GetCurrentData() == static_cast<int>(kEntryMeaning);
    for (UINT id : {IDC_EDITOR_TYPE, IDC_TYPE_LABEL, IDC_EDITOR_ADD_TYPE, IDC_EDITOR_EDIT_TYPE})
        if (QWidget* control = GetDlgItem(id)) control->setEnabled(types);
}

void CEditDictionaryDlg::OnRelationChanged() {
    const int kind = m_relation->GetCurrentData();
    CBasicString caption = kind ? QuenzelString(static_cast<UINT>(kind)) : CBasicString();
    caption += L":";
    m_meaningLabel->setText(QString::fromWCharArray(caption.GetString()));
    m_meaningLabel->update();
    const bool types = kind == static_cast<int>(kEntryMeaning) && m_relation->isEnabled();
    for (UINT id : {IDC_EDITOR_TYPE, IDC_TYPE_LABEL, IDC_EDITOR_ADD_TYPE, IDC_EDITOR_EDIT_TYPE})
        if (QWidget* control = GetDlgItem(id)) control->setEnabled(types);
}

void CEditDictionaryDlg::OnLanguageChanged() {
    CAbstractDataBase* database = m_model.GetDataBase();
    if (m_first->currentIndex() < 0 || m_second->currentIndex() < 0) {
        ReportAssertion(0, kSourceFile, __LINE__);
        return;
    }
    SetCurrentLanguagePair(database, {m_first->GetItemData(m_first->currentIndex()),
                                      m_second->GetItemData(m_second->currentIndex())});
}

void CEditDictionaryDlg::OnTypeChanged() {
    const int typeId = m_type->GetCurrentTypeId();
    if (typeId > 0) m_list->SetMeaningType(typeId);
}

CBasicString CEditDictionaryDlg::WordText() const { return KVXFromQString(m_wordEdit->text()); }

void CEditDictionaryDlg::SetEditText(CEditAutoSearch* edit, const CBasicString& text) {
    const QSignalBlocker blocker(edit);
    edit->setText(QString::fromWCharArray(text.GetString()));
}

void CEditDictionaryDlg::OnAddEntry() {
    const CBasicString text = KVXFromQString(m_meaningEdit->text());
    if (text.IsEmpty()) return;
    const int kind = m_relation->GetCurrentData();
    if (!IsEntryKind(kind)) {
        ReportAssertion(0, kSourceFile, __LINE__);
        return;
    }
    const LanguageRecord second = SelectedLanguage(m_second);
    const int index = m_model.AddEntry(kind, text, second.id, m_type->GetCurrentTypeId());
    if (index >= 0) m_list->SyncRows();
    if (index == 0) m_list->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
}

void CEditDictionaryDlg::OnRemoveEntry() { m_list->RemoveSelected(); }

void CEditDictionaryDlg::OnSave() {
    m_list->EndEdit();
    const WordSaveResult result = m_model.Save(WordText(), SelectedLanguage(m_first), SelectedLanguage(m_second));
    m_list->SyncRows();
    if (result.outcome == WordSaveResult::kFailed) {
        CBasicString text;
        text.Format(QuenzelString(kSaveFailed).GetString(), result.code);
        QuenzelMessageBox(this, text.GetString(), MB_OK | MB_ICONERROR);
        return;
    }
    if (result.keptMeanings > 0) QuenzelMessageBox(this, QuenzelString(kMeaningKept).GetString(), MB_OK | MB_ICONINFORMATION);
    if (result.outcome == WordSaveResult::kSaved) {
        if (m_soundStore) m_soundStore->ClearSounds();
        m_wordSoundsReadFor = 0;
        SetEditText(m_wordEdit, CBasicString());
        SetEditText(m_meaningEdit, CBasicString());
    }
}

void CEditDictionaryDlg::OnSearchWord() {
    if (IsJobRunning()) return;
    m_searchText = WordText();
    const LanguageRecord first = SelectedLanguage(m_first);
    const LanguageRecord second = SelectedLanguage(m_second);
    m_searchFirst = first.id;
    m_searchSecond = second.id;
    if (m_searchText.IsEmpty()) {
        ReportAssertion(0, kSourceFile, __LINE__);
        return;
    }
    m_wordEdit->GetPopup().hide();
    m_wordEdit->ClearSuggestions();
    Start();
}

DWORD CEditDictionaryDlg::RunInstance() {
    m_running = 1;
    SendMessage(this, WM_USER + 201, 0, 0);
    RunWordSearch();
    SendMessage(this, WM_USER + 202, 0, 0);
    m_running = 0;
    return 0;
}

void CEditDictionaryDlg::RunWordSearch() {
    CAbstractDataBase* database = m_model.GetDataBase();
    if (!database) return;
    CAbstractRecordSet* set =
        database->SearchInPair({m_searchFirst, m_searchSecond}, m_searchText.GetString(), SEARCH_WORD, 0, 0);
    if (!set) {
        ReportAssertion(0, kSourceFile, __LINE__);
        return;
    }
    for (; m_running && !set->IsEOF(); set->MoveNext()) {
        int64_t id = 0;
        if (set->GetInt64(0, id) != DATABASE_OK) {
            ReportAssertion(0, kSourceFile, __LINE__);
            continue;
        }
        CBasicString text;
        set->GetText(1, text);
        m_wordEdit->AddHistoryItem(text.GetString(), id);
    }
    database->ReleaseRecordSet(set);
}

void CEditDictionaryDlg::OnLoadWord(int64_t wordId) {
    if (wordId <= 0) return;
    m_list->EndEdit();
    m_wordSoundsReadFor = 0;
    const int type = m_model.LoadWord(wordId, WordText(), SelectedLanguage(m_first).id);
    m_list->SyncRows();
    if (m_list->count() > 0) m_list->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
    const int index = m_type->FindType(type);
    if (index >= 0) m_type->setCurrentIndex(index);
}

void CEditDictionaryDlg::OnPronunciation(int index) {
    if (index == 0) {
        std::vector<PronunciationRecord>& sounds = m_model.WordSounds();
        const int64_t wordId = m_model.GetLoadedWordId();
        if (wordId > 0 && m_wordSoundsReadFor != wordId) {
            // The stored sounds come first; what was added before stays.
            std::vector<PronunciationRecord> stored = ReadStoredSounds(0, wordId, kPronunciationWord);
            stored.insert(stored.end(), sounds.begin(), sounds.end());
            sounds = std::move(stored);
            m_wordSoundsReadFor = wordId;
        }
        EditSounds(0, sounds);
        return;
    }
    const int row = index - 1;
    std::vector<PronunciationRecord>* sounds = m_model.EntrySounds(row);
    CDictionaryListboxItem* item = m_list->Entries().GetItem(row);
    if (!sounds || !item) return;
    if (!item->AreSoundsLoaded()) {
        item->SetSoundsLoaded();
        int64_t ownerId = 0;
        int side = kPronunciationMeaning;
        if (m_model.SoundOwner(*item, ownerId, side) && ownerId > 0) {
            std::vector<PronunciationRecord> stored = ReadStoredSounds(item->GetSoundIndex(), ownerId, side);
            stored.insert(stored.end(), sounds->begin(), sounds->end());
            *sounds = std::move(stored);
        }
    }
    EditSounds(item->GetSoundIndex(), *sounds);
}

std::vector<PronunciationRecord> CEditDictionaryDlg::ReadStoredSounds(int soundIndex, int64_t ownerId, int side) {
    std::vector<PronunciationRecord> stored;
    if (!m_soundStore) return stored;
    m_soundStore->SetCurrentIndex(soundIndex);
    if (m_soundStore->LoadPronunciations(ownerId, side))
        if (std::vector<PronunciationRecord>* read = m_soundStore->GetCurrentSounds()) stored = *read;
    return stored;
}

void CEditDictionaryDlg::EditSounds(int soundIndex, std::vector<PronunciationRecord>& sounds) {
    if (!m_soundStore) return;
    // The editor keeps the sounds; the store shows those of one index.
    m_soundStore->SetCurrentIndex(soundIndex);
    m_soundStore->SetSounds(soundIndex, sounds);
    // The store is shown again and again: its list starts empty each time.
    if (QComboBox* list = m_soundStore->GetList()) list->clear();
    m_soundStore->DoModal();
    std::vector<PronunciationRecord>* edited = m_soundStore->GetCurrentSounds();
    if (edited)
        sounds = *edited;
    else
        sounds.clear();
}

bool CEditDictionaryDlg::AskType(CBasicString& name, CBasicString& value, bool adding) {
    CAddTypeDialog dialog(m_services.DlgBkColor(), this);
    if (!adding) {
        dialog.SetName(name);
        dialog.SetValue(value);
    }
    if (dialog.DoModal() != IDOK) return false;
    name = dialog.GetName();
    value = dialog.GetValue();
    return true;
}

void CEditDictionaryDlg::OnAddType() {
    CAbstractDataBase* database = m_model.GetDataBase();
    CBasicString name, value;
    if (!database || !AskType(name, value, true)) return;
    MeanTypeRecord type;
    type.name = name;
    type.value = value;
    const int code = CallDataBase([&] { return database->AddMeanType(type); });
    if (code != DATABASE_OK) {
        ReportAssertion(0, kSourceFile, __LINE__);
        return;
    }
    m_type->InsertType(m_type->count(), type);
}

void CEditDictionaryDlg::OnEditType() {
    CAbstractDataBase* database = m_model.GetDataBase();
    const int index = m_type->currentIndex();
    MeanTypeRecord* type = m_type->GetType(index);
    if (!database || !type) {
        ReportAssertion(0, kSourceFile, __LINE__);
        return;
    }
    CBasicString name = type->name, value = type->value;
    if (!AskType(name, value, false)) return;
    MeanTypeRecord changed = *type;
    changed.name = name;
    changed.value = value;
    const int code = CallDataBase([&] { return database->UpdateMeanType(changed); });
    if (code != DATABASE_OK) {
        ReportAssertion(0, kSourceFile, __LINE__);
        return;
    }
    *type = changed;
    m_type->SetItemText(index, CMeanTypes::EntryText(changed));
    m_type->update();
}

void CEditDictionaryDlg::OnCommand(UINT id) {
    switch (id) {
    case IDC_EDITOR_EDIT_TYPE: OnEditType(); break;
    case IDC_EDITOR_ADD_TYPE: OnAddType(); break;
    case IDC_EDITOR_SAVE: OnSave(); break;
    case IDC_EDITOR_ADD_ENTRY: OnAddEntry(); break;
    case IDC_EDITOR_REMOVE_ENTRY: OnRemoveEntry(); break;
    case IDC_EDITOR_OPEN: OnOpenDictionary(); break;
    case IDC_EDITOR_CREATE: OnCreateDictionary(); break;
    case IDC_EDITOR_WORD_SOUND: OnPronunciation(0); break;
    case IDC_EDITOR_ENTRY_SOUND: OnPronunciation(m_list->currentRow() + 1); break;
    case IDC_EDITOR_SEARCH: OnSearchWord(); break;
    case IDOK:
    case IDCANCEL: DestroyWindow(); break;
    default: CKVXResizableDlg::OnCommand(id); break;
    }
}

LRESULT CEditDictionaryDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_USER + 201:
        if (QWidget* search = GetDlgItem(IDC_EDITOR_SEARCH)) search->setEnabled(false);
        return 0;
    case WM_USER + 202:
        if (QWidget* search = GetDlgItem(IDC_EDITOR_SEARCH)) search->setEnabled(true);
        return 0;
    case WM_KVX_AUTOSEARCH_PICKED:
        if (wParam && lParam) OnLoadWord(*reinterpret_cast<const int64_t*>(lParam));
        return 0;
    default: return CKVXResizableDlg::WindowProc(message, wParam, lParam);
    }
}

void CEditDictionaryDlg::OnDestroy() {
    WaitForJob();
    m_list->EndEdit();
    CKVXResizableDlg::OnDestroy();
    m_list->DeleteAll();
    m_model.Reset();
    m_soundStore.reset();
    if (m_mainDlg) {
        // The main window comes back where the editor stood, at its own size.
        m_mainDlg->move(frameGeometry().topLeft());
        m_mainDlg->show();
        m_mainDlg->raise();
        m_mainDlg->activateWindow();
    }
}

void CEditDictionaryDlg::paintEvent(QPaintEvent* event) {
    CKVXResizableDlg::paintEvent(event);
    QuenzelPaintHeaderBand(this, GetDlgItem(IDC_HEADER_SEPARATOR), m_services.logo);
}

void CEditDictionaryDlg::resizeEvent(QResizeEvent* event) {
    CKVXResizableDlg::resizeEvent(event);
    m_list->viewport()->update();
    update();
}
