#pragma once
// CPagePlugin: the options page that lists the search plug-ins ("plugin*.so"
// in the program's folder) and lets the user enable or disable each. Save
// hands the list to the database component; the settings write the flags
// at their next save.

#include "Quenzel/Shell/OptionsPage.h"

class CPluginListCtrl;

constexpr UINT IDD_PAGE_PLUGIN = 552;
constexpr UINT IDC_PLUGIN_LIST = 11374;

class CPagePlugin : public COptionsPage {
    Q_OBJECT

public:
    CPagePlugin(const QuenzelServices& services, COptionsDialog* options, QWidget* parent);

    CPluginListCtrl* GetList() const { return m_list; }
    // Only when modified: the rows' entries, in row order, to SetPlugins.
    // FALSE when the component did not take the flags (the message was shown).
    BOOL Apply();

protected:
    BOOL OnInitDialog() override;

private:
    CPluginListCtrl* m_list = nullptr;
};
