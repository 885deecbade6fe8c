#include "Quenzel/Shell/TabCtrlEx.h"

#include <QIcon>
#include <QPixmap>

#include "Pendrel/Image/KVXGdiIcon.h"
#include "Pendrel/Pendrel.h"
#include "Pendrel/Platform/KVXImageConversion.h"

#include "Pendrel/Dialogs/PageUpdate.h"
#include "Quenzel/App/QuenzelApp.h"
#include "Quenzel/Dictionary/DictionaryDlg.h"
#include "Quenzel/Shell/MainDlg.h"
#include "Quenzel/Shell/OptionsDialog.h"
#include "Quenzel/Shell/PageFonts.h"
#include "Quenzel/Shell/PageLanguage.h"
#include "Quenzel/Shell/PagePlugin.h"
#include "Quenzel/Shell/PageSettings.h"
#include "Quenzel/Shell/PageStatics.h"
#include "Quenzel/App/QuenzelApp.h"
#include "Quenzel/App/QuenzelServices.h"
#include "Quenzel/Tutor/TutorDlg.h"

namespace {
constexpr UINT kDictionaryTab = 31213;
constexpr UINT kTutorTab = 31212;
constexpr UINT kUpdateTab = 21005;
constexpr UINT kDictionaryIcon = 365;
constexpr UINT kTutorIcon = 364;
constexpr int kTabIconSize = 16;

QIcon TabIcon(UINT id) {
    const QPixmap picture = KVXTakeIconPicture(KVXLoadIcon(KVXGetInstance(), id, kTabIconSize, LOAD_ICON_DEFAULT_COLORS));
    return picture.isNull() ? QIcon() : QIcon(picture);
}
} // namespace

CTabCtrlEx::CTabCtrlEx(QWidget* parent) : CKVXTabCtrl(parent) {}

void CTabCtrlEx::AddMainPages(CMainDlg* owner) {
    SetNotify(owner, 1);
    const QuenzelServices& services = owner->Services();
    auto* dictionary = new CDictionaryDlg(services, owner, this);
    dictionary->Create(this);
    AddPage(dictionary, IDD_DICTIONARY_PAGE, QuenzelString(kDictionaryTab).GetString(), TabIcon(kDictionaryIcon));
    auto* tutor = new CTutorDlg(services, owner, this);
    tutor->Create(this);
    AddPage(tutor, IDD_TUTOR_PAGE, QuenzelString(kTutorTab).GetString(), TabIcon(kTutorIcon));
    setCurrentIndex(0);
    NotifyOwner();
}

CDictionaryDlg* CTabCtrlEx::GetDictionaryPage() const {
    return qobject_cast<CDictionaryDlg*>(FindPage(IDD_DICTIONARY_PAGE));
}

CTutorDlg* CTabCtrlEx::GetTutorPage() const { return qobject_cast<CTutorDlg*>(FindPage(IDD_TUTOR_PAGE)); }

void CTabCtrlEx::AddOptionPages(COptionsDialog* owner, QWidget* updateWindow) {
    SetNotify(owner, 0);
    const QuenzelServices& services = owner->Services();
    struct OptionPage {
        COptionsPage* page;
        UINT id;
        UINT text;
    };
    const OptionPage pages[] = {
        {new CPageStatics(services, owner, this), IDD_PAGE_STATICS, 30105},
        {new CPageSettings(services, owner, this), IDD_PAGE_SETTINGS, 21032},
        {new CPageLanguage(services, owner, this), IDD_PAGE_LANGUAGE, 30107},
        {new CPagePlugin(services, owner, this), IDD_PAGE_PLUGIN, 31375},
        {new CPageFonts(services, owner, this), IDD_PAGE_FONTS, 30108},
    };
    for (const OptionPage& page : pages) {
        page.page->Create(this);
        AddPage(page.page, page.id, QuenzelString(page.text).GetString(), QIcon());
    }
    auto* update = new CPageUpdate(updateWindow, this, services.framework);
    update->Create(this);
    AddPage(update, CPageUpdate::IDD, QuenzelString(kUpdateTab).GetString(), QIcon());
    setCurrentIndex(0);
}

CPageStatics* CTabCtrlEx::GetStaticsPage() const { return qobject_cast<CPageStatics*>(FindPage(IDD_PAGE_STATICS)); }

CPageSettings* CTabCtrlEx::GetSettingsPage() const {
    return qobject_cast<CPageSettings*>(FindPage(IDD_PAGE_SETTINGS));
}

CPageLanguage* CTabCtrlEx::GetLanguagePage() const {
    return qobject_cast<CPageLanguage*>(FindPage(IDD_PAGE_LANGUAGE));
}

CPagePlugin* CTabCtrlEx::GetPluginPage() const { return qobject_cast<CPagePlugin*>(FindPage(IDD_PAGE_PLUGIN)); }

CPageFonts* CTabCtrlEx::GetFontsPage() const { return qobject_cast<CPageFonts*>(FindPage(IDD_PAGE_FONTS)); }

CPageUpdate* CTabCtrlEx::GetUpdatePage() const { return qobject_cast<CPageUpdate*>(FindPage(CPageUpdate::IDD)); }
