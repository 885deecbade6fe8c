#include "Pendrel/Controls/KVXHtmlView.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QPointer>
#include <QTextDocument>
#include <QThreadPool>

#include <string>

#include "Pendrel/App/KVXApp.h"
#include "Pendrel/Pendrel.h"
#include "Pendrel/Platform/KVXResources.h"
#include "Pendrel/Platform/KVXText.h"
#include "compat/WinTypes.h"
#include "utility/AbstractFile.h"
#include "utility/Posix/Modules.h"

namespace {

typedef CAbstractFile* (*CreateHttpFileFunction)(const wchar_t*, CAbstractLog*);
typedef void (*DeleteHttpFileFunction)(CAbstractFile*);

constexpr DWORD kReadBlock = 4096;
// A page or picture larger than this is not shown.
constexpr qsizetype kMaxBody = 16 * 1024 * 1024;

bool IsWeb(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

// Fetches the address through the online-services library: the body, or
// false. Runs on a worker thread; module holds a reference of its own to
// the library, given back by the caller.
bool FetchThroughLibrary(HMODULE module, const QUrl& url, QByteArray& body) {
    auto create = reinterpret_cast<CreateHttpFileFunction>(GetLibraryFunction(module, "CreateHttpFile"));
    auto destroy = reinterpret_cast<DeleteHttpFileFunction>(GetLibraryFunction(module, "DeleteHttpFile"));
    if (!create || !destroy) return false;
    const std::wstring address = url.toString(QUrl::FullyEncoded).toStdWString();
    CAbstractFile* file = create(address.c_str(), nullptr);
    if (!file) return false;
    bool ok = file->Open(address.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL) >= 0;
    char block[kReadBlock];
    while (ok) {
        DWORD done = 0;
        if (file->Read(block, sizeof(block), &done) < 0 || body.size() + qsizetype(done) > kMaxBody) ok = false;
        else if (done == 0) break;
        else body.append(block, qsizetype(done));
    }
    destroy(file);
    return ok;
}

// The online-services library of the registered application object; null
// while it is not loaded.
HMODULE LoadedLibrary() {
    CKVXApp* app = KVXGetApp();
    return app ? app->GetOnlineLibrary().GetModule() : nullptr;
}

} // namespace

CKVXHtmlView::CKVXHtmlView(QWidget* parent) : QTextBrowser(parent) {
    setOpenLinks(false);
    setOpenExternalLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, &CKVXHtmlView::OpenLink);
}

CKVXHtmlView::~CKVXHtmlView() = default;

QUrl CKVXHtmlView::LocalResourceUrl(const QString& address) {
    static const QLatin1String kPrefix("res://");
    if (!address.startsWith(kPrefix, Qt::CaseInsensitive)) return QUrl();
    const int slash = address.lastIndexOf(QLatin1Char('/'));
    bool number = false;
    const UINT id = address.mid(slash + 1).toUInt(&number);
    if (slash < int(kPrefix.size()) || !number) return QUrl();
    const QString path = KVXResourcePath(KVXGetInstance(), id, KVX_RESOURCE_HTML);
    if (path.isEmpty() || !QFileInfo::exists(path)) return QUrl();
    return QUrl(QLatin1String("qrc") + path);
}

bool CKVXHtmlView::Navigate(const QString& address) {
    m_address = address;
    ++m_generation;
    if (address.isEmpty()) return false;
    QUrl url = LocalResourceUrl(address);
    if (url.isEmpty()) {
        if (address.startsWith(QLatin1String(":/"))) url = QUrl(QLatin1String("qrc") + address);
        else if (address.startsWith(QLatin1Char('/'))) url = QUrl::fromLocalFile(address);
        else url = QUrl(address);
    }
    if (IsWeb(url)) {
        if (!LoadedLibrary()) return false;
        Fetch(url, true, m_generation);
        return true;
    }
    const QString scheme = url.scheme().toLower();
    if (scheme != QLatin1String("qrc") && scheme != QLatin1String("file")) return false;
    if (scheme == QLatin1String("qrc") && !QFileInfo::exists(QLatin1Char(':') + url.path())) return false;
    if (scheme == QLatin1String("file") && !QFileInfo::exists(url.toLocalFile())) return false;
    m_webResources.clear();
    m_pageHtml.clear();
    m_pageBase.clear();
    setSource(url, QTextDocument::HtmlResource);
    return true;
}

void CKVXHtmlView::Fetch(const QUrl& url, bool page, quint64 generation) {
    HMODULE loaded = LoadedLibrary();
    if (!loaded) return;
    // The worker keeps the library loaded while it runs, whatever the
    // application object does meanwhile.
    HMODULE module = LoadDynamicLibrary(GetModulePath(loaded).GetString());
    if (!module) return;
    QPointer<CKVXHtmlView> view(this);
    QThreadPool::globalInstance()->start([view, module, url, page, generation] {
        QByteArray body;
        const bool ok = FetchThroughLibrary(module, url, body);
        FreeDynamicLibrary(module);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [view, url, page, generation, ok, body] {
                if (view) view->OnFetched(url, page, generation, ok, body);
            },
            Qt::QueuedConnection);
    });
}

void CKVXHtmlView::OnFetched(const QUrl& url, bool page, quint64 generation, bool ok, const QByteArray& body) {
    if (generation != m_generation) return;  // another page was asked for meanwhile
    if (page) {
        if (ok) {
            m_webResources.clear();
            document()->clear();
            m_pageHtml = QString::fromUtf8(body);
            m_pageBase = url;
            setHtml(m_pageHtml);
        }
        emit pageLoaded(m_address, ok);
        return;
    }
    if (!ok || body.isEmpty()) return;
    m_webResources[url] = body;
    document()->addResource(QTextDocument::ImageResource, url, body);
    // Lay the page out again with the picture.
    setHtml(m_pageHtml);
}

QVariant CKVXHtmlView::loadResource(int type, const QUrl& name) {
    const QUrl url = m_pageBase.isEmpty() ? name : m_pageBase.resolved(name);
    if (IsWeb(url)) {
        if (type != QTextDocument::ImageResource) return QVariant();
        auto found = m_webResources.find(url);
        if (found != m_webResources.end()) return found->second.isEmpty() ? QVariant() : QVariant(found->second);
        m_webResources[url] = QByteArray();
        Fetch(url, false, m_generation);
        return QVariant();
    }
    return QTextBrowser::loadResource(type, name);
}

void CKVXHtmlView::OpenLink(const QUrl& link) {
    const QUrl url = m_pageBase.isEmpty() ? source().resolved(link) : m_pageBase.resolved(link);
    QDesktopServices::openUrl(url);
}
