#include "Quenzel/Tutor/TutorDlg.h"

#include <iterator>

#include "Pendrel/Platform/KVXDialogTemplate.h"

namespace {

const KVXDialogControl kControls[] = {
    {3011, WC_STATIC, L"", 0, 0, 10, 10, WS_CHILD},
};
const KVXDialogTemplate kTemplate = {IDD_TUTOR_PAGE, L"", WS_CHILD, 500, 260, 8, L"MS Shell Dlg",
                                     kControls, std::size(kControls)};
const CKVXDialogTemplateRegistration kTemplateRegistration(kTemplate);

} // namespace

CTutorDlg::CTutorDlg(CMainDlg* mainDlg, QWidget* parent) : CKVXResizableDlg(IDD_TUTOR_PAGE, parent), m_mainDlg(mainDlg) {}
