#include "Quenzel/Dictionary/DictionaryDlg.h"

#include <iterator>

#include "Pendrel/Platform/KVXDialogTemplate.h"
#include "Quenzel/Shell/MainDlg.h"
#include "Quenzel/Shell/QuenzelApp.h"

namespace {

const KVXDialogControl kControls[] = {
    {3011, WC_STATIC, L"", 0, 0, 10, 10, WS_CHILD},
};
const KVXDialogTemplate kTemplate = {IDD_DICTIONARY_PAGE, L"", WS_CHILD, 500, 260, 8, L"MS Shell Dlg",
                                     kControls, std::size(kControls)};
const CKVXDialogTemplateRegistration kTemplateRegistration(kTemplate);

} // namespace

CDictionaryDlg::CDictionaryDlg(CMainDlg* mainDlg, QWidget* parent)
    : CKVXResizableDlg(IDD_DICTIONARY_PAGE, parent), m_mainDlg(mainDlg) {}

BOOL CDictionaryDlg::OnInitDialog() {
    const BOOL result = CKVXResizableDlg::OnInitDialog();
    RefreshLanguagePair();
    return result;
}

int CDictionaryDlg::RefreshLanguagePair() {
    CQuenzelApp* app = QuenzelGetApp();
    if (!app || !app->GetDataBase()) return 0;
    if (m_mainDlg) m_mainDlg->GetSelectedLanguages(&m_firstLanguage, &m_secondLanguage);
    return 1;
}
