#include <gtest/gtest.h>

#include <QBuffer>
#include <QDesktopServices>
#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <QTextDocument>

#include <string>

#include "Pendrel/App/KVXApp.h"
#include "Pendrel/Controls/KVXHtmlView.h"
#include "Pendrel/Pendrel.h"
#include "testing/LoopbackHttpServer.h"
#include "testing/TempFolder.h"
#include "utility/Posix/Modules.h"

namespace {

class LinkReceiver : public QObject {
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void Open(const QUrl& url) { opened.append(url); }
};

std::string PngBytes() {
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
}

// Web pages come through the real online-services library, loaded as the
// application object holds it.
class KVXHtmlViewWebTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_app.GetOnlineLibrary().Reset(LoadDynamicLibrary(kvxtest::Widen(KVX_REAL_SENDRIX).c_str()));
        ASSERT_TRUE(m_app.GetOnlineLibrary().IsLoaded());
        KVXSetApp(&m_app);
        QDesktopServices::setUrlHandler(QStringLiteral("http"), &m_links, "Open");
    }
    void TearDown() override {
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        KVXSetApp(nullptr);
        m_app.GetOnlineLibrary().Reset(nullptr);
    }

    CKVXApp m_app;
    LinkReceiver m_links;
};

TEST_F(KVXHtmlViewWebTest, FetchesPagesAndPicturesThroughTheLibrary) {
    kvxtest::LoopbackHttpServer server;
    server.Serve("/kvx/page.html", 200,
                 "<p>Web page</p><p><img src=\"pic.png\"></p><p><a href=\"next.html\">next page</a></p>");
    server.Serve("/kvx/pic.png", 200, PngBytes(), "image/png");
    server.Start();

    CKVXHtmlView view;
    view.resize(400, 300);
    view.show();
    QSignalSpy loaded(&view, &CKVXHtmlView::pageLoaded);
    QSignalSpy changed(view.document(), &QTextDocument::contentsChanged);
    const QUrl page(QString::fromStdString(server.Url("/kvx/page.html")));
    ASSERT_TRUE(view.Navigate(page.toString()));
    ASSERT_TRUE(loaded.wait(10000));
    EXPECT_EQ(loaded.at(0).at(1).toBool(), true);
    EXPECT_TRUE(view.toPlainText().contains(QStringLiteral("Web page")));

    // The picture arrives on its own and the page is laid out again with it.
    const QUrl picture(QString::fromStdString(server.Url("/kvx/pic.png")));
    while (!view.document()->resource(QTextDocument::ImageResource, picture).isValid() && changed.wait(10000)) {
    }
    EXPECT_TRUE(view.document()->resource(QTextDocument::ImageResource, picture).isValid());
    EXPECT_EQ(server.RequestedPaths(), (std::vector<std::string>{"/kvx/page.html", "/kvx/pic.png"}));

    // A link opens outside, resolved against the page.
    QTextCursor cursor = view.document()->find(QStringLiteral("next page"));
    ASSERT_FALSE(cursor.isNull());
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, view.cursorRect(cursor).center() - QPoint(8, 0));
    ASSERT_EQ(m_links.opened.size(), 1);
    EXPECT_EQ(m_links.opened[0], QUrl(QString::fromStdString(server.Url("/kvx/next.html"))));

    // A page the server does not have leaves the page shown.
    loaded.clear();
    ASSERT_TRUE(view.Navigate(QString::fromStdString(server.Url("/kvx/missing.html"))));
    ASSERT_TRUE(loaded.wait(10000));
    EXPECT_EQ(loaded.at(0).at(1).toBool(), false);
    EXPECT_TRUE(view.toPlainText().contains(QStringLiteral("Web page")));
}

} // namespace

#include "KVXHtmlViewTest.moc"
