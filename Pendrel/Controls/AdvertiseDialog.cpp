#include "Pendrel/Controls/AdvertiseDialog.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>

#include "Pendrel/App/KVXApp.h"
#include "Pendrel/App/KVXWindowWork.h"
#include "Pendrel/Controls/KVXHtmlView.h"
#include "Pendrel/Pendrel.h"
#include "Pendrel/Platform/KVXDialogTemplate.h"
#include "Pendrel/Platform/KVXText.h"
#include "Pendrel/Platform/KVXWindowMessages.h"
#include "utility/ErrorReport.h"

namespace {

const char kSourceFile[] = ".\\AdvertiseView";
constexpr int kLineNoLinkTable = 478;
constexpr int kLineNoBaseAddress = 486;
constexpr int kLineNoBrowser = 537;

const KVXDialogTemplate kTemplate = {CAdvertiseDialog::IDD, L"", WS_CHILD | WS_VISIBLE, 312, 37, 8, L"MS Shell Dlg",
                                     nullptr, 0};
const CKVXDialogTemplateRegistration kTemplateRegistration(kTemplate);

} // namespace

CAdvertiseDialog::CAdvertiseDialog(QWidget* parent) : CKVXHTMLCtrl(IDD, kLocalPage, parent) {
    GetView()->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    GetView()->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The banner's pictures fill the strip edge to edge.
    GetView()->document()->setDocumentMargin(0);
}

CAdvertiseDialog::~CAdvertiseDialog() {
    WaitForJob();
}

BOOL CAdvertiseDialog::OnInitDialog() {
    // The local page shows whatever follows.
    const BOOL result = CKVXHTMLCtrl::OnInitDialog();
    StartBanner();
    CKVXApp* app = KVXGetApp();
    if (!app || !app->GetLinkTable()) {
        ReportAssertion(0, kSourceFile, kLineNoLinkTable);
        return FALSE;
    }
    m_rotation.SetBaseAddress(app->GetLinkTable()->GetLinkURL(m_linkId));
    if (m_rotation.GetBaseAddress().IsEmpty()) {
        ReportAssertion(0, kSourceFile, kLineNoBaseAddress);
        return FALSE;
    }
    return result;
}

void CAdvertiseDialog::OnDestroy() {
    StopTimer();
    StopBanner();
    CKVXHTMLCtrl::OnDestroy();
}

void CAdvertiseDialog::NavigateURL(const std::vector<CBasicString>& items, KVXLinkID link) {
    m_linkId = link;
    StopTimer();
    StartTimer(m_rotation.SetItems(items));
}

void CAdvertiseDialog::OnTimer(UINT_PTR id) {
    if (id == kBannerTimer) ShowNextSlide();
    else PostMessage(this, WM_REFRESH_ADVERTISEMENT, 0, 0);
}

LRESULT CAdvertiseDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_REFRESH_ADVERTISEMENT) return OnRefreshAdvertisement(wParam, lParam);
    return CKVXHTMLCtrl::WindowProc(message, wParam, lParam);
}

LRESULT CAdvertiseDialog::OnRefreshAdvertisement(WPARAM, LPARAM) {
    StopTimer();
    DoAdvertisement(m_rotation.NextItems());
    StartTimer(CAdvertisementRotation::kRefreshInterval);
    return 1;
}

void CAdvertiseDialog::DoAdvertisement(const std::vector<CBasicString>& items) {
    const CBasicString address = CAdvertisementRotation::BuildAddress(m_rotation.GetBaseAddress(), items);
    if (!GetView()) {
        ReportAssertion(0, kSourceFile, kLineNoBrowser);
        return;
    }
    ReachabilityTest test = m_reachability;
    if (!test) {
        CKVXApp* app = KVXGetApp();
        if (!app) return;
        test = [app](const CBasicString& url) { return app->PingServer(url.GetString()); };
    }
    // A test still waiting for its server keeps this turn's page.
    if (IsJobRunning()) return;
    m_tryAddress = address;
    m_tryTest = std::move(test);
    Start(FALSE, 0);
}

DWORD CAdvertiseDialog::RunInstance() {
    const CBasicString address = m_tryAddress;
    const int reached = m_tryTest(address);
    KVXPostWindowWork(this, [this, address, reached] { OnTried(address, reached); });
    return 0;
}

void CAdvertiseDialog::OnTried(const CBasicString& address, int reached) {
    if (reached) {
        StopBanner();
        CKVXHTMLCtrl::NavigateURL(address.GetString());
    }
    emit advertisementTried(KVXToQString(address), reached != 0);
}

void CAdvertiseDialog::StartTimer(UINT interval) {
    if (SetTimer(kRefreshTimer, interval)) m_timerInterval = interval;
}

void CAdvertiseDialog::StopTimer() {
    KillTimer(kRefreshTimer);
    m_timerInterval = 0;
}

void CAdvertiseDialog::StartBanner() {
    m_bannerSlide = 1;
    ScrollToSlide();
    if (SetTimer(kBannerTimer, kBannerInterval)) m_bannerInterval = kBannerInterval;
}

void CAdvertiseDialog::StopBanner() {
    KillTimer(kBannerTimer);
    m_bannerInterval = 0;
    m_bannerSlide = 0;
}

void CAdvertiseDialog::ShowNextSlide() {
    if (!m_bannerSlide) return;
    m_bannerSlide = m_bannerSlide % kBannerSlides + 1;
    ScrollToSlide();
}

void CAdvertiseDialog::ScrollToSlide() {
    // Each slide is one paragraph of the page; only the current one is
    // shown, so a panel taller than one picture never shows part of the next.
    QTextDocument* page = GetView()->document();
    if (!page->findBlockByNumber(m_bannerSlide - 1).isValid()) return;
    for (QTextBlock block = page->begin(); block.isValid(); block = block.next())
        block.setVisible(block.blockNumber() == m_bannerSlide - 1);
    page->markContentsDirty(0, page->characterCount());
    GetView()->verticalScrollBar()->setValue(0);
}
