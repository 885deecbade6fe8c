#pragma once
// COptionsDialog: the keyboard's options window, a tab control with the
// Settings page and the framework's update page over "Save" and
// "Cancel". Save stores both checks; when "display all characters"
// changed, the keyboard rewrites its key captions. The values reach the
// registry when the program ends. Cancel stores nothing; Enter and Escape
// close nothing.

#include <functional>

#include "Pendrel/Platform/KVXDialog.h"

class COptions;
class CKVXTabCtrl;
class CPageSettings;

class COptionsDialog : public CKVXDialog {
    Q_OBJECT

public:
    COptionsDialog(COptions& options, QWidget* parent = nullptr);
    ~COptionsDialog() override;

    // Called by Save when "display all characters" changed.
    void SetDisplayAllCharsChanged(std::function<void()> changed) { m_displayAllCharsChanged = std::move(changed); }
    CKVXTabCtrl* GetTabCtrl() const { return m_tab; }
    CPageSettings* GetSettingsPage() const;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;

private:
    COptions& m_options;
    CKVXTabCtrl* m_tab;
    std::function<void()> m_displayAllCharsChanged;
};
