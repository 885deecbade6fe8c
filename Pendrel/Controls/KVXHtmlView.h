#pragma once
// CKVXHtmlView: the view of the framework's HTML panels (the agreement
// text, the advertisement pages), a QTextBrowser that never runs scripts.
//
// - "res://<module path>/<id>" is HTML resource <id> of Pendrel (its
//   pictures and links resolve inside Pendrel's resources); "qrc:" and
//   ":/" addresses are Qt resources; other addresses without a scheme, and
//   "file:" ones, are local files.
// - "http:" and "https:" pages and their pictures are fetched through the
//   online-services library's HTTP file (its proxies and its verified TLS),
//   on a worker thread; the page shows when it has arrived. Without the
//   library loaded (KVXGetApp()->GetOnlineLibrary()) nothing is fetched and the
//   view keeps its page.
// - A clicked link opens outside the view, through QDesktopServices (the
//   user's browser; tests install a handler with setUrlHandler).

#include <QTextBrowser>
#include <QUrl>

#include <map>

#include "Pendrel/PendrelApi.h"

class PENDREL_API CKVXHtmlView : public QTextBrowser {
    Q_OBJECT

public:
    explicit CKVXHtmlView(QWidget* parent = nullptr);
    ~CKVXHtmlView() override;

    // Shows the address; false when it cannot be shown at all (an empty
    // address, a missing resource, a web page without the library).
    bool Navigate(const QString& address);
    // The address last navigated to.
    QString CurrentAddress() const { return m_address; }

    // The Qt resource or file address of a "res://" address; empty when the
    // address is none.
    static QUrl LocalResourceUrl(const QString& address);

signals:
    // A web page arrived (ok) or could not be fetched.
    void pageLoaded(const QString& address, bool ok);

protected:
    QVariant loadResource(int type, const QUrl& name) override;

private:
    void Fetch(const QUrl& url, bool page, quint64 generation);
    void OnFetched(const QUrl& url, bool page, quint64 generation, bool ok, const QByteArray& body);
    void OpenLink(const QUrl& link);

    QString m_address;
    // The web page shown (empty for a local one).
    QString m_pageHtml;
    QUrl m_pageBase;
    quint64 m_generation = 0;
    // Pictures of the web page shown, by address; an empty entry is one
    // being fetched or one that failed.
    std::map<QUrl, QByteArray> m_webResources;
};
