#pragma once
// CPageSettings: the Settings page of the keyboard's options window, with
// the checks "Display advertisement" and "Display all corresponding
// characters on individual keys", on the framework's tab-page colour.

#include "Pendrel/Platform/KVXDialog.h"

class COptions;

class CPageSettings : public CKVXDialog {
    Q_OBJECT

public:
    CPageSettings(const COptions& options, QWidget* parent = nullptr);

    bool IsAdvertisementChecked() const;
    bool IsDisplayAllCharsChecked() const;

protected:
    BOOL OnInitDialog() override;

private:
    const COptions& m_options;
};
