#include "Quenzel/Shell/TabCtrlEx.h"

#include <QIcon>

#include "Quenzel/Dictionary/DictionaryDlg.h"
#include "Quenzel/Shell/MainDlg.h"
#include "Quenzel/Shell/QuenzelApp.h"
#include "Quenzel/Tutor/TutorDlg.h"

namespace {
constexpr UINT kDictionaryTab = 31213;
constexpr UINT kTutorTab = 31212;
} // namespace

CTabCtrlEx::CTabCtrlEx(QWidget* parent) : CKVXTabCtrl(parent) {}

void CTabCtrlEx::AddMainPages(CMainDlg* owner) {
    SetNotify(owner, 1);
    auto* dictionary = new CDictionaryDlg(owner, this);
    dictionary->Create(this);
    AddPage(dictionary, IDD_DICTIONARY_PAGE, QuenzelString(kDictionaryTab).GetString(), QIcon());
    auto* tutor = new CTutorDlg(owner, this);
    tutor->Create(this);
    AddPage(tutor, IDD_TUTOR_PAGE, QuenzelString(kTutorTab).GetString(), QIcon());
    setCurrentIndex(0);
    NotifyOwner();
}

CDictionaryDlg* CTabCtrlEx::GetDictionaryPage() const {
    return qobject_cast<CDictionaryDlg*>(FindPage(IDD_DICTIONARY_PAGE));
}

CTutorDlg* CTabCtrlEx::GetTutorPage() const { return qobject_cast<CTutorDlg*>(FindPage(IDD_TUTOR_PAGE)); }
