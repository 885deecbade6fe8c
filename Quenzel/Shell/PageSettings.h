#pragma once
// CPageSettings: the options page with the program's switches: "Display
// advertisement".

#include "Quenzel/Shell/OptionsPage.h"

constexpr UINT IDD_PAGE_SETTINGS = 532;
constexpr UINT IDC_SETTINGS_ADVERTISEMENT = 3015;

class CPageSettings : public COptionsPage {
    Q_OBJECT

public:
    CPageSettings(const QuenzelServices& services, COptionsDialog* options, QWidget* parent);

    // Stores the switch in the settings and opens or closes the
    // advertisement window to match it.
    void Apply();

protected:
    BOOL OnInitDialog() override;
};
