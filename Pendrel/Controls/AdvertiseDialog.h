#pragma once
// CAdvertiseDialog: the advertisement panel that the learning view, the
// quiz, the list editor, the dictionary page and the keyboard window keep in
// a strip of their window (template 500, a child page). It first shows
// Pendrel's local banner page (HTML resource 150); once the host hands it
// its items (NavigateURL) it shows the maker's page for the first item a
// minute later and the page for the next item every half hour after that
// (CAdvertisementRotation, Core/AdvertisementRotation.h).
//
// The local page is a banner of five linked pictures shown one at a time:
// while it shows, the panel moves on to the next picture every ten seconds
// (the page's five paragraphs).
//
// Before each page the address is tried on the panel's worker (the
// application's PingServer); the page is shown only when the server
// answers, else the panel keeps what it shows and tries the next item at
// the next turn. The window never waits for the server.
//
// The host creates it (Create(host)), moves it over a placeholder and shows
// it. Enter and Escape stay inside the panel.

#include <functional>
#include <vector>

#include "Pendrel/App/WorkerThread.h"
#include "Pendrel/Controls/KVXHTMLCtrl.h"
#include "Pendrel/Core/AdvertisementRotation.h"
#include "Pendrel/Core/LinkTable.h"
#include "Pendrel/PendrelApi.h"
#include "utility/BasicString.h"

class PENDREL_API CAdvertiseDialog : public CKVXHTMLCtrl, public CWorkerThread {
    Q_OBJECT

public:
    static constexpr UINT IDD = 500;
    static constexpr UINT kLocalPage = 150;
    static constexpr UINT_PTR kRefreshTimer = 1;
    static constexpr UINT_PTR kBannerTimer = 2;
    static constexpr UINT kBannerInterval = 10000;
    static constexpr int kBannerSlides = 5;
    static constexpr UINT WM_REFRESH_ADVERTISEMENT = WM_USER + 207;

    // Tries an address: 1 when the server answers. Runs on the worker.
    using ReachabilityTest = std::function<int(const CBasicString& address)>;

    explicit CAdvertiseDialog(QWidget* parent = nullptr);
    ~CAdvertiseDialog() override;

    // The items of the pages to come, and the link of their base address
    // (the base address itself stays the one read when the panel was made):
    // the rotation starts again with the first item, a minute from now.
    void NavigateURL(const std::vector<CBasicString>& items, KVXLinkID link);
    // Tries the address of these items and shows it when the server answers.
    void DoAdvertisement(const std::vector<CBasicString>& items);

    const CAdvertisementRotation& GetRotation() const { return m_rotation; }
    KVXLinkID GetLinkId() const { return m_linkId; }
    // The period of the running refresh timer in milliseconds; 0 when none
    // runs.
    UINT GetTimerInterval() const { return m_timerInterval; }
    // The banner's picture shown, 1 to 5; 0 once a web page shows.
    int GetBannerSlide() const { return m_bannerSlide; }
    // The period of the banner's timer; 0 when it does not run.
    UINT GetBannerInterval() const { return m_bannerInterval; }
    // In place of the application's PingServer (tests); empty brings it
    // back.
    void SetReachabilityTest(ReachabilityTest test) { m_reachability = std::move(test); }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnTimer(UINT_PTR id) override;

signals:
    // A reachability test ended; reached tells whether the page was shown.
    void advertisementTried(const QString& address, bool reached);

protected:
    BOOL OnInitDialog() override;
    void OnDestroy() override;
    LRESULT OnRefreshAdvertisement(WPARAM wParam, LPARAM lParam);
    // The worker: one reachability test.
    DWORD RunInstance() override;

private:
    void StartTimer(UINT interval);
    void StopTimer();
    void StartBanner();
    void StopBanner();
    void ShowNextSlide();
    void ScrollToSlide();
    void OnTried(const CBasicString& address, int reached);

    CAdvertisementRotation m_rotation;
    UINT m_timerInterval = 0;
    int m_bannerSlide = 0;
    UINT m_bannerInterval = 0;
    KVXLinkID m_linkId = 11;
    ReachabilityTest m_reachability;
    // The address the worker tries and the test it uses, set before it
    // starts.
    CBasicString m_tryAddress;
    ReachabilityTest m_tryTest;
};
