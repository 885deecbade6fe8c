#include "Keyboard/AboutDlg.h"

#include <QLabel>

#include <iterator>

#include "Keyboard/KeyboardResources.h"
#include "Pendrel/App/KVXApp.h"
#include "Pendrel/Controls/BasicHyperlinkCtrl.h"
#include "Pendrel/Core/LinkTable.h"
#include "Pendrel/Image/KVXGdiIcon.h"
#include "Pendrel/Pendrel.h"
#include "Pendrel/Platform/KVXImageConversion.h"
#include "Pendrel/Platform/KVXSysColors.h"
#include "utility/ErrorReport.h"

namespace {

const char kSourceFile[] = ".\\KeyboardDlg";
constexpr UINT kAboutLink = 22;
constexpr UINT IDC_ABOUT_COPYRIGHT = 11348;

const KVXDialogControl kControls[] = {
    {IDC_ABOUT_ICON, WC_STATIC, L"", 10, 10, 21, 20, WS_CHILD | WS_VISIBLE | SS_ICON},
    {IDC_ABOUT_TEXT, WC_STATIC, L"Ondrivel On-Screen Keyboard, Version 1.0", 40, 10, 190, 9,
     WS_CHILD | WS_VISIBLE | SS_NOPREFIX},
    {IDC_ABOUT_COPYRIGHT, WC_STATIC, L"Copyright (C) Morvane", 40, 22, 190, 9, WS_CHILD | WS_VISIBLE | SS_NOPREFIX},
    {IDC_ABOUT_LINK, WC_STATIC, L"Visit the Ondrivel web page", 40, 36, 190, 10, WS_CHILD | WS_VISIBLE},
    {IDOK, WC_BUTTON, L"OK", 180, 54, 50, 14, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON},
};
const KVXDialogTemplate kTemplate = {IDD_KEYBOARD_ABOUT, L"About Ondrivel", WS_POPUP | WS_CAPTION | WS_SYSMENU, 240, 76,
                                     8, L"MS Shell Dlg", kControls, std::size(kControls)};
const CKVXDialogTemplateRegistration kTemplateRegistration(kTemplate);

} // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : CKVXDialog(IDD_KEYBOARD_ABOUT, parent), m_link(new CBasicHyperlinkCtrl(this)) {
    m_link->hide();
}

BOOL CAboutDlg::OnInitDialog() {
    CKVXDialog::OnInitDialog();
    CKVXApp* app = KVXGetApp();
    const COLORREF background = app ? app->GetDlgBkColor() : GetSysColor(COLOR_BTNFACE);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, KVXToQColor(background));
    setPalette(colours);
    setAutoFillBackground(true);
    const QPixmap picture = app ? KVXTakeIconPicture(app->GetApplicationIcon(32)) : QPixmap();
    if (!picture.isNull()) {
        if (auto* label = GetDlgItem<QLabel>(IDC_ABOUT_ICON)) label->setPixmap(picture);
        setWindowIcon(QIcon(picture));
    }

    const CBasicString text = GetDlgItemText(IDC_ABOUT_LINK);
    SubclassDlgItem(IDC_ABOUT_LINK, m_link);
    const wchar_t* address = app && app->GetLinkTable() ? app->GetLinkTable()->GetLinkURL(kAboutLink) : nullptr;
    if (!address || !*address) {
        ReportAssertion(0, kSourceFile, 246);
        return FALSE;
    }
    CBasicString markup;
    markup.Format(L"<u> <a href= %s > %s </a></u>", address, text.GetString());
    m_link->SetWindowTextW(markup.GetString());
    m_link->SetTextColor(L"Blue");
    m_link->SetBkColor(background);
    return TRUE;
}
