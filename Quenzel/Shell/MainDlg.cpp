#include "Quenzel/Shell/MainDlg.h"

#include <QContextMenuEvent>
#include <QFont>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QResizeEvent>
#include <QShortcut>

#include <iterator>

#include "Pendrel/App/KVXApp.h"
#include "Pendrel/Controls/KVXTabCtrl.h"
#include "Pendrel/Controls/WinButton.h"
#include "Pendrel/Image/KVXGdiIcon.h"
#include "Pendrel/Platform/KVXDialogTemplate.h"
#include "Pendrel/Platform/KVXImageConversion.h"
#include "Pendrel/Platform/KVXText.h"
#include "Quenzel/App/QuenzelApp.h"
#include "Quenzel/Dictionary/DictionaryDlg.h"
#include "Quenzel/Shared/HeaderBand.h"
#include "Quenzel/Shared/LanguageComboBox.h"
#include "Quenzel/Shell/AboutDlg.h"
#include "Quenzel/Shell/OptionsDialog.h"
#include "Quenzel/Shell/OptionsPage.h"
#include "Quenzel/App/FlagCache.h"
#include "Quenzel/App/Options.h"
#include "Quenzel/App/QuenzelApp.h"
#include "Quenzel/Shell/TabCtrlEx.h"
#include "Quenzel/Tutor/TutorDlg.h"
#include "utility/ErrorReport.h"

namespace {

const char kSourceFile[] = ".\\MainDlg";
constexpr UINT kAboutText = 30101;
constexpr UINT kOptionsIcon = 326;
constexpr int kOptionsIconSize = 24;
constexpr UINT kClosePng = 423;
constexpr int kMinimumWidth = 800;
constexpr int kMinimumHeight = 600;

const KVXDialogControl kControls[] = {
    {IDC_HEADER_TITLE, WC_STATIC, L"", 10, 8, 380, 12, WS_CHILD | WS_VISIBLE | SS_NOPREFIX},
    {IDC_HEADER_TEXT, WC_STATIC, L"", 10, 22, 380, 18, WS_CHILD | WS_VISIBLE | SS_NOPREFIX},
    {IDC_HEADER_LINE, WC_STATIC, L"", 0, 44, 533, 1, WS_CHILD | WS_VISIBLE | SS_ETCHEDHORZ},
    {IDC_TAB, WC_STATIC, L"", 7, 50, 519, 287, WS_CHILD},
    {IDC_FIRST_LANGUAGE, WC_COMBOBOX, L"", 7, 346, 120, 16, WS_CHILD | WS_VISIBLE | WS_TABSTOP},
    {IDC_TO_LABEL, WC_STATIC, L"To", 131, 349, 14, 10, WS_CHILD | WS_VISIBLE | SS_CENTER},
    {IDC_SECOND_LANGUAGE, WC_COMBOBOX, L"", 149, 346, 120, 16, WS_CHILD | WS_VISIBLE | WS_TABSTOP},
    {IDC_OPTIONS, WC_BUTTON, L"Options", 413, 345, 55, 18, WS_CHILD | WS_VISIBLE | WS_TABSTOP},
    {IDOK, WC_BUTTON, L"Close", 472, 345, 55, 18, WS_CHILD | WS_VISIBLE | WS_TABSTOP},
};
const KVXDialogTemplate kTemplate = {IDD_MAIN, L"Quenzel - Let's be a guru...",
                                     WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME,
                                     533, 369, 8, L"MS Shell Dlg", kControls, std::size(kControls)};
const CKVXDialogTemplateRegistration kTemplateRegistration(kTemplate);

struct HeaderTexts {
    UINT page, title, text;
};
const HeaderTexts kHeaders[] = {{IDD_DICTIONARY_PAGE, 31210, 31211}, {IDD_TUTOR_PAGE, 31176, 31177}};

void SetLabelText(QWidget* widget, const CBasicString& text) {
    if (auto* label = qobject_cast<QLabel*>(widget)) label->setText(QString::fromWCharArray(text.GetString()));
}

CBasicString LabelText(QWidget* widget) {
    auto* label = qobject_cast<QLabel*>(widget);
    return label ? CBasicString(label->text().toStdWString().c_str()) : CBasicString();
}

} // namespace

CMainDlg::CMainDlg(const QuenzelServices& services, QWidget* parent)
    : CPageHost(IDD_MAIN, parent),
      m_services(services),
      m_first(new CLanguageComboBox(this)),
      m_second(new CLanguageComboBox(this)),
      m_tab(new CTabCtrlEx(this)) {
    m_first->hide();
    m_second->hide();
    m_tab->hide();
    // F1 in any window of the program opens the help.
    auto* help = new QShortcut(QKeySequence::HelpContents, this);
    help->setContext(Qt::ApplicationShortcut);
    connect(help, &QShortcut::activated, this, [this] { OnCommand(ID_HELP); });
}

CMainDlg::~CMainDlg() = default;

BOOL CMainDlg::OnInitDialog() {
    const BOOL result = CKVXResizableDlg::OnInitDialog();
    m_services.SetWindowIcon(this);

    SubclassDlgItem(IDC_FIRST_LANGUAGE, m_first);
    SubclassDlgItem(IDC_SECOND_LANGUAGE, m_second);
    connect(m_first, &QComboBox::activated, this, [this](int) { OnLanguageChanged(); });
    connect(m_second, &QComboBox::activated, this, [this](int) { OnLanguageChanged(); });

    if (auto* title = GetDlgItem<QLabel>(IDC_HEADER_TITLE)) {
        QFont font = title->font();
        font.setBold(true);
        if (font.pixelSize() > 0)
            font.setPixelSize(font.pixelSize() * 5 / 4);
        else if (font.pointSizeF() > 0)
            font.setPointSizeF(font.pointSizeF() * 1.25);
        title->setFont(font);
    }
    for (UINT id : {IDC_HEADER_TITLE, IDC_HEADER_TEXT})
        if (auto* label = GetDlgItem<QLabel>(id)) {
            label->setWordWrap(true);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        }

    FillLanguages();

    // A fresh key has no fonts yet: the dialog's own font becomes all three.
    if (m_services.options) {
        COptions& options = *m_services.options;
        LOGFONTW normal{};
        options.GetNormalFont(normal);
        if (normal.lfFaceName[0] == L'\0') {
            LOGFONTW own{};
            const QFont font = this->font();
            const std::wstring family = font.family().toStdWString();
            family.copy(own.lfFaceName, LF_FACESIZE - 1);
            own.lfHeight = -std::max(1, font.pixelSize() > 0 ? font.pixelSize() : font.pointSize() * 4 / 3);
            own.lfWeight = font.bold() ? 700 : 400;
            options.SetNormalFont(own);
            options.SetLeftFont(own);
            options.SetRightFont(own);
        }
    }

    AttachWinButton(this, IDC_OPTIONS, kOptionsIcon, kOptionsIcon, kOptionsIconSize);
    if (CWinButton* close = AttachWinButton(this, IDOK, 0, 0, 0)) close->SetPNG(kClosePng);

    SubclassDlgItem(IDC_TAB, m_tab);
    m_tab->show();
    m_tab->AddMainPages(this);
    m_dictionary = m_tab->GetDictionaryPage();
    m_tutor = m_tab->GetTutorPage();

    AddResizableControls();

    m_toolTip.AddTool(m_first, QuenzelString(31285));
    m_toolTip.AddTool(m_second, QuenzelString(31286));
    if (QWidget* options = GetDlgItem(IDC_OPTIONS)) m_toolTip.AddTool(options, QuenzelString(31288));
    if (QWidget* close = GetDlgItem(IDOK)) m_toolTip.AddTool(close, QuenzelString(31289));

    if (m_services.framework && m_services.options && m_services.options->GetAdvertisement())
        m_services.framework->CreateAdvertiseWnd(QuenzelAppTitle().GetString(), {L"Word", L"Tutor"}, 12);
    return result;
}

void CMainDlg::AddResizableControls() {
    m_resizableCtrls.clear();
    m_resizableCtrls.emplace_back(IDC_OPTIONS, 0, RESIZE_ANCHOR_RIGHT | RESIZE_ANCHOR_BOTTOM);
    m_resizableCtrls.emplace_back(IDOK, 0, RESIZE_ANCHOR_RIGHT | RESIZE_ANCHOR_BOTTOM);
    m_resizableCtrls.emplace_back(IDC_FIRST_LANGUAGE, 0, RESIZE_KEEP_LEFT | RESIZE_ANCHOR_BOTTOM);
    m_resizableCtrls.emplace_back(IDC_SECOND_LANGUAGE, 0, RESIZE_KEEP_LEFT | RESIZE_ANCHOR_BOTTOM);
    m_resizableCtrls.emplace_back(IDC_TO_LABEL, 0, RESIZE_KEEP_LEFT | RESIZE_ANCHOR_BOTTOM);
    m_resizableCtrls.emplace_back(IDC_TAB, 0, RESIZE_STRETCH_WIDTH | RESIZE_STRETCH_HEIGHT);
    m_resizableCtrls.emplace_back(IDC_HEADER_LINE, 0, RESIZE_KEEP_TOP | RESIZE_STRETCH_WIDTH);
    CKVXResizableDlg::AddResizableControls();
}

void CMainDlg::OnGetMinMaxInfo(MINMAXINFO* info) {
    info->ptMinTrackSize.x = kMinimumWidth;
    info->ptMinTrackSize.y = kMinimumHeight;
    CKVXResizableDlg::OnGetMinMaxInfo(info);
}

void CMainDlg::FillLanguages() {
    if (!m_services.database) return;
    const std::vector<LanguageRecord> languages = m_services.database->GetLanguages(0);
    if (m_services.flags) m_services.flags->Fill(languages);
    for (CLanguageComboBox* combo : {m_first, m_second}) {
        combo->clear();
        combo->SetImageCache(m_services.flags ? &m_services.flags->GetImages() : nullptr);
        for (const LanguageRecord& language : languages) combo->InsertItem(0, language.name.GetString(), language.id);
    }
    CBasicString from, to;
    if (m_services.options) m_services.options->GetLanguageNames(&from, &to);
    m_first->SelectName(from.GetString());
    m_second->SelectName(to.GetString());
}

CVocabularyListsPage* CMainDlg::GetVocabularyListsPage() const { return m_tutor; }

int CMainDlg::GetSelectedLanguages(int* first, int* second) {
    if (!first || !second) return 0;
    const int a = m_first->currentIndex();
    const int b = m_second->currentIndex();
    if (a < 0) return 0;
    if (b < 0) {
        ReportAssertion(0, kSourceFile, 519);
        return 0;
    }
    *first = m_first->GetItemData(a);
    *second = m_second->GetItemData(b);
    return 1;
}

int CMainDlg::ShowMessageBox(const wchar_t* text, UINT type, QWidget* owner) {
    return QuenzelMessageBox(owner ? owner : this, text, type);
}

CBasicString CMainDlg::GetHeaderTitle() const { return LabelText(GetDlgItem(IDC_HEADER_TITLE)); }

CBasicString CMainDlg::GetHeaderText() const { return LabelText(GetDlgItem(IDC_HEADER_TEXT)); }

LRESULT CMainDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == KVX_WM_TAB_PAGE_CHANGED) {
        OnPageChanged(static_cast<UINT>(wParam));
        return 0;
    }
    if (message == WM_QUENZEL_OPTIONS_SAVED) {
        OnOptionsSaved(wParam != 0);
        return 0;
    }
    return CKVXResizableDlg::WindowProc(message, wParam, lParam);
}

void CMainDlg::OnPageChanged(UINT pageId) {
    CBasicString title, text;
    bool known = false;
    for (const HeaderTexts& header : kHeaders) {
        if (header.page != pageId) continue;
        title = QuenzelString(header.title);
        text = QuenzelString(header.text);
        known = true;
    }
    ReportAssertion(known, kSourceFile, 358);
    if (pageId == IDD_DICTIONARY_PAGE) RefreshDictionaryPair();
    SetLabelText(GetDlgItem(IDC_HEADER_TITLE), title);
    SetLabelText(GetDlgItem(IDC_HEADER_TEXT), text);
    update();
}

void CMainDlg::OnLanguageChanged() {
    // The tutor page reads the pair when it next needs it. The dictionary
    // page takes it at once when shown, else when it is shown next.
    m_dictionaryPairStale = true;
    if (m_dictionary && m_dictionary->isVisible()) RefreshDictionaryPair();
}

void CMainDlg::RefreshDictionaryPair() {
    if (!m_dictionary || !m_dictionaryPairStale) return;
    m_dictionaryPairStale = false;
    m_dictionary->RefreshLanguagePair();
}

void CMainDlg::OnCommand(UINT id) {
    if (id == IDC_OPTIONS) {
        OnOptions();
        return;
    }
    if (id == IDM_ABOUTBOX) {
        OnAbout();
        return;
    }
    if (id == ID_HELP) {
        if (m_services.help) m_services.help(this);
        return;
    }
    CKVXResizableDlg::OnCommand(id);
}

void CMainDlg::OnAbout() {
    m_aboutDlg.reset();
    m_aboutDlg = std::make_unique<CAboutDlg>(this);
    m_aboutDlg->setWindowModality(Qt::WindowModal);
    m_aboutDlg->Create();
    m_aboutDlg->raise();
}

QMenu* CMainDlg::CreateHeaderMenu(const QPoint& position) {
    const QWidget* line = GetDlgItem(IDC_HEADER_LINE);
    if (!line || position.y() >= line->y()) return nullptr;
    auto* menu = new QMenu(this);
    const CBasicString about = QuenzelString(kAboutText);
    if (!about.IsEmpty())
        menu->addAction(KVXToQString(about), this, [this] { OnCommand(IDM_ABOUTBOX); });
    QAction* help = menu->addAction(QStringLiteral("&Help"), this, [this] { OnCommand(ID_HELP); });
    help->setShortcut(QKeySequence::HelpContents);
    return menu;
}

void CMainDlg::contextMenuEvent(QContextMenuEvent* event) {
    std::unique_ptr<QMenu> menu(CreateHeaderMenu(event->pos()));
    if (!menu) {
        CKVXResizableDlg::contextMenuEvent(event);
        return;
    }
    menu->exec(event->globalPos());
}

void CMainDlg::OnOptions() {
    COptionsDialog dialog(m_services, this, this);
    dialog.DoModal();
}

void CMainDlg::OnOptionsSaved(bool languagesChanged) {
    if (languagesChanged) {
        FillLanguages();
        if (m_tutor && m_tutor->IsCreated()) m_tutor->RefreshLists();
        if (m_dictionary && m_dictionary->IsCreated()) m_dictionary->RefreshLanguagePair();
    }
    // Fonts and colours show at the pages' next painting.
    if (m_dictionary) m_dictionary->update();
    if (m_tutor) m_tutor->update();
    update();
}

void CMainDlg::OnDestroy() {
    if (m_services.options) {
        m_services.options->SetLanguageNames(m_first->GetItemText(m_first->currentIndex()).GetString(),
                                           m_second->GetItemText(m_second->currentIndex()).GetString());
    }
    CKVXResizableDlg::OnDestroy();
}

void CMainDlg::paintEvent(QPaintEvent* event) {
    CKVXResizableDlg::paintEvent(event);
    QuenzelPaintHeaderBand(this, GetDlgItem(IDC_HEADER_LINE), m_services.logo);
}

void CMainDlg::resizeEvent(QResizeEvent* event) {
    CKVXResizableDlg::resizeEvent(event);
    update();
}
