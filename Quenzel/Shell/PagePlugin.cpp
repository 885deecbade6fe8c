#include "Quenzel/Shell/PagePlugin.h"

#include <iterator>

#include "DataBase/AbstractDataBase.h"
#include "Quenzel/App/DataBaseCall.h"
#include "Quenzel/App/QuenzelApp.h"
#include "Quenzel/Shell/PluginListCtrl.h"
#include "utility/ErrorReport.h"

namespace {

const char kSourceFile[] = ".\\PagePlugin";

const KVXDialogControl kControls[] = {
    {IDC_PLUGIN_LIST, WC_LISTVIEW, L"", 7, 10, 306, 166, WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER},
};
const KVXDialogTemplate kTemplate = {IDD_PAGE_PLUGIN, L"", WS_CHILD, 320, 186, 8, L"MS Shell Dlg",
                                     kControls, std::size(kControls)};
const CKVXDialogTemplateRegistration kTemplateRegistration(kTemplate);

} // namespace

CPagePlugin::CPagePlugin(const QuenzelServices& services, COptionsDialog* options, QWidget* parent)
    : COptionsPage(IDD_PAGE_PLUGIN, services, options, parent) {}

BOOL CPagePlugin::OnInitDialog() {
    const BOOL result = COptionsPage::OnInitDialog();
    m_modified = 0;
    if (!m_list) {
        m_list = new CPluginListCtrl(this, this);
        SubclassDlgItem(IDC_PLUGIN_LIST, m_list);
        m_list->InitializeListCtrl();
        CAbstractDataBase* database = m_services.database;
        ReportAssertion(database != nullptr, kSourceFile, 94);
        if (database)
            for (const PluginEntry& entry : database->GetPlugins()) m_list->AddEntry(entry);
    }
    return result;
}

BOOL CPagePlugin::Apply() {
    if (!m_modified) return TRUE;
    CAbstractDataBase* database = m_services.database;
    if (!database || !m_list) {
        ReportAssertion(0, kSourceFile, 71);
        return TRUE;
    }
    const std::vector<PluginEntry> entries = m_list->GetEntries();
    if (CallDataBase([&] { return database->SetPlugins(entries); }) != DATABASE_OK) {
        ReportAssertion(0, kSourceFile, __LINE__);
        ShowStorageFailure(this);
        return FALSE;
    }
    return TRUE;
}
