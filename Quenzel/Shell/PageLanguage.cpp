#include "Quenzel/Shell/PageLanguage.h"

#include <iterator>

#include "DataBase/AbstractDataBase.h"
#include "Pendrel/Controls/WinButton.h"
#include "Pendrel/Platform/KVXFileDialog.h"
#include "Quenzel/App/DataBaseCall.h"
#include "Quenzel/App/QuenzelApp.h"
#include "Quenzel/Shell/LanguageListCtrl.h"
#include "Quenzel/App/FlagCache.h"
#include "Quenzel/App/QuenzelApp.h"
#include "utility/ErrorReport.h"

namespace {

const char kSourceFile[] = ".\\PageLanguage";

constexpr UINT kNewName = 31149;
constexpr UINT kNewCode = 31372;
constexpr UINT kSelectLanguage = 11099;
constexpr UINT kDeleteOne = 31182;
constexpr UINT kDeleteMany = 31183;
constexpr UINT kLanguageInUse = 31181;
constexpr UINT kPngFilter = 30116;
constexpr UINT kNotAPicture = 31159;

const KVXDialogControl kControls[] = {
    {IDC_PAGE_LABEL, WC_STATIC, L"Add/Remove a language", 7, 8, 200, 10, WS_CHILD | WS_VISIBLE},
    {IDC_LANGUAGE_LIST, WC_LISTVIEW, L"", 7, 22, 306, 136, WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER},
    {IDC_LANGUAGE_ADD, WC_BUTTON, L"Add", 7, 164, 60, 16, WS_CHILD | WS_TABSTOP | WS_DISABLED},
    {IDC_LANGUAGE_REMOVE, WC_BUTTON, L"Remove", 185, 164, 60, 16, WS_CHILD | WS_VISIBLE | WS_TABSTOP},
    {IDC_LANGUAGE_ICON, WC_BUTTON, L"Change Icon", 249, 164, 64, 16, WS_CHILD | WS_VISIBLE | WS_TABSTOP},
};
const KVXDialogTemplate kTemplate = {IDD_PAGE_LANGUAGE, L"", WS_CHILD, 320, 186, 8, L"MS Shell Dlg",
                                     kControls, std::size(kControls)};
const CKVXDialogTemplateRegistration kTemplateRegistration(kTemplate);

struct ButtonIcons {
    UINT id, icon, hot;
};
const ButtonIcons kButtons[] = {{IDC_LANGUAGE_ADD, 300, 301}, {IDC_LANGUAGE_REMOVE, 302, 303},
                                {IDC_LANGUAGE_ICON, 318, 318}};

} // namespace

CPageLanguage::CPageLanguage(const QuenzelServices& services, COptionsDialog* options, QWidget* parent)
    : COptionsPage(IDD_PAGE_LANGUAGE, services, options, parent) {}

BOOL CPageLanguage::OnInitDialog() {
    const BOOL result = COptionsPage::OnInitDialog();
    for (const ButtonIcons& button : kButtons) AttachWinButton(this, button.id, button.icon, button.hot, 16);
    if (m_services.database)
        m_model.Load(m_services.database->GetLanguages(0),
                     m_services.flags ? m_services.flags->GetImages() : std::map<int, QImage>());
    if (!m_list) {
        m_list = new CLanguageListCtrl(this, &m_model, this);
        SubclassDlgItem(IDC_LANGUAGE_LIST, m_list);
        m_list->InitializeListCtrl();
    } else {
        m_list->Reload();
    }
    ReportAssertion(m_list != nullptr, kSourceFile, 101);
    return result;
}

void CPageLanguage::OnCommand(UINT id) {
    switch (id) {
    case IDC_LANGUAGE_ADD: OnAdd(); break;
    case IDC_LANGUAGE_REMOVE: OnRemove(); break;
    case IDC_LANGUAGE_ICON: OnChangeIcon(); break;
    default: COptionsPage::OnCommand(id); break;
    }
}

void CPageLanguage::OnAdd() {
    m_model.AddRow(QuenzelString(kNewName).GetString(), QuenzelString(kNewCode).GetString());
    m_list->Reload();
    m_modified = 1;
}

void CPageLanguage::OnRemove() {
    const std::vector<int> selected = m_list->GetSelectedRows();
    if (selected.empty()) {
        QuenzelMessageBox(this, QuenzelString(kSelectLanguage).GetString(), MB_OK | MB_ICONINFORMATION);
        return;
    }
    std::vector<GridRow*> rows;
    for (int row : selected) rows.push_back(static_cast<GridRow*>(m_list->GetItem(row)));
    CBasicString question;
    if (rows.size() == 1)
        question.Format(QuenzelString(kDeleteOne).GetString(), rows.front()->third.m_text.GetString());
    else
        question.Format(QuenzelString(kDeleteMany).GetString(), static_cast<int>(rows.size()));
    if (QuenzelMessageBox(this, question.GetString(), MB_YESNO | MB_ICONQUESTION) == IDNO) return;

    if (!m_services.database) return;
    CBasicString blockedBy;
    const int removed = m_model.Remove(rows, *m_services.database, blockedBy);
    if (removed > 0) {
        m_list->Reload();
        m_modified = 1;
    }
    if (!blockedBy.IsEmpty()) {
        CBasicString text;
        text.Format(QuenzelString(kLanguageInUse).GetString(), blockedBy.GetString());
        QuenzelMessageBox(this, text.GetString(), MB_OK | MB_ICONINFORMATION);
    }
}

void CPageLanguage::OnChangeIcon() {
    const int row = m_list->GetFirstSelectedRow();
    if (row < 0) return;
    KVXFileDialogRequest request;
    request.defaultExtension = L"png";
    request.filter = QuenzelString(kPngFilter);
    KVXFileDialogAnswer answer;
    if (!KVXGetFileName(this, request, answer)) return;
    const QImage image = CLanguageListModel::LoadFlagFile(answer.path.GetString());
    if (!m_list->SetImage(row, answer.path.GetString(), image))
        QuenzelMessageBox(this, QuenzelString(kNotAPicture).GetString(), MB_OK | MB_ICONINFORMATION);
}

BOOL CPageLanguage::Apply() {
    if (!m_modified) return TRUE;
    if (!m_services.database) return TRUE;
    const bool stored = m_model.Apply(*m_services.database);
    if (m_services.flags) m_services.flags->Fill(m_services.database->GetLanguages(0));
    if (!stored) {
        ShowStorageFailure(this);
        return FALSE;
    }
    m_modified = 0;
    return TRUE;
}
