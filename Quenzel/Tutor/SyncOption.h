#pragma once
// CSyncOption: asks for the synchronisation account (e-mail, password,
// whether to remember the password) and the direction, "To Local" (0) or
// "To Online" (1), before the tutor page synchronises. OK stores the account
// in the settings; Cancel stores nothing.

#include "Pendrel/Dialogs/KVXResizableDlg.h"
#include "Quenzel/App/QuenzelServices.h"

class CBasicHyperlinkCtrl;
class COptions;

constexpr UINT IDD_SYNC_OPTION = 549;
constexpr UINT IDC_SYNC_EMAIL = 3012;
constexpr UINT IDC_SYNC_PASSWORD = 11271;
constexpr UINT IDC_SYNC_REMEMBER = 11269;
constexpr UINT IDC_SYNC_TO_LOCAL = 11272;
constexpr UINT IDC_SYNC_TO_ONLINE = 11273;
constexpr UINT IDC_SYNC_SIGNUP = 11275;
constexpr UINT IDC_SYNC_LOST_PASSWORD = 11276;

class CSyncOption : public CKVXResizableDlg {
    Q_OBJECT

public:
    // options: the settings the account is read from and stored in (not
    // owned); null takes the application's.
    // The account fields show and keep services.options (may be null).
    explicit CSyncOption(const QuenzelServices& services, QWidget* parent = nullptr);

    // 0 "To Local", 1 "To Online"; read after OK.
    int m_direction = 0;

protected:
    BOOL OnInitDialog() override;
    void AddResizableControls() override;
    void OnOK() override;

private:
    void SetUpLink(CBasicHyperlinkCtrl* label, UINT id, int linkId, int line);

    QuenzelServices m_services;
    COptions* m_options;
    CBasicHyperlinkCtrl* m_signup;
    CBasicHyperlinkCtrl* m_lostPassword;
};
