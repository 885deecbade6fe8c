#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <string>

#include "Pendrel/Controls/KVXHTMLCtrl.h"
#include "Pendrel/Controls/KVXHtmlView.h"
#include "Pendrel/Dialogs/EULADlg.h"
#include "testing/TempFolder.h"

namespace {

class LinkReceiver : public QObject {
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void Open(const QUrl& url) { opened.append(url); }
};

QAbstractButton* Button(CEULADlg& dialog, UINT id) { return dialog.GetDlgItem<QAbstractButton>(id); }

TEST(EULADlgTest, NeverSmallerThan800By600AndStretchesTheTextArea) {
    CEULADlg dialog;
    ASSERT_TRUE(dialog.Create());
    QWidget* separator = dialog.GetDlgItem(3000);
    QWidget* placeholder = dialog.GetDlgItem(12000);
    ASSERT_TRUE(separator && placeholder && Button(dialog, IDOK) && Button(dialog, IDCANCEL));
    EXPECT_GE(dialog.width(), 800);
    EXPECT_GE(dialog.height(), 600);
    EXPECT_EQ(dialog.GetHtmlCtrl()->geometry(), placeholder->geometry());

    const QSize start = dialog.size();
    const QRect separatorStart = separator->geometry();
    const QRect placeholderStart = placeholder->geometry();
    const QRect acceptStart = Button(dialog, IDOK)->geometry();
    const QRect cancelStart = Button(dialog, IDCANCEL)->geometry();

    dialog.resize(1200, 900);
    const int dx = 1200 - start.width();
    const int dy = 900 - start.height();
    EXPECT_EQ(separator->geometry(), separatorStart.adjusted(0, 0, dx, 0));
    EXPECT_EQ(placeholder->geometry(), placeholderStart.adjusted(0, 0, dx, dy));
    EXPECT_EQ(Button(dialog, IDOK)->geometry(), acceptStart.translated(dx, dy));
    EXPECT_EQ(Button(dialog, IDCANCEL)->geometry(), cancelStart.translated(dx, dy));
    EXPECT_EQ(dialog.GetHtmlCtrl()->geometry(), placeholder->geometry());
    // The buttons keep their distance from the lower right corner.
    EXPECT_EQ(dialog.width() - Button(dialog, IDCANCEL)->geometry().right(),
              start.width() - cancelStart.right());

    dialog.resize(300, 200);
    EXPECT_EQ(dialog.size(), QSize(800, 600));
    EXPECT_GE(placeholder->width(), 1);
    dialog.DestroyWindow();
}

// Runs the dialog modally while steps act on it; its result.
INT_PTR RunModal(CEULADlg& dialog, const std::function<void()>& steps) {
    QTimer::singleShot(0, [&] { steps(); });
    return dialog.DoModal();
}

TEST(EULADlgTest, EnterAndEscapeKeepItOpenOnlyAcceptAccepts) {
    CEULADlg dialog;
    bool stillOpen = false;
    INT_PTR result = RunModal(dialog, [&] {
        QAbstractButton* accept = Button(dialog, IDOK);
        accept->setFocus();
        for (QWidget* target : {static_cast<QWidget*>(accept), static_cast<QWidget*>(&dialog),
                                static_cast<QWidget*>(dialog.GetHtmlCtrl()->GetView())})
            for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) QTest::keyClick(target, key);
        stillOpen = dialog.isVisible();
        accept->click();
    });
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(result, IDOK);

    EXPECT_EQ(RunModal(dialog, [&] { Button(dialog, IDCANCEL)->click(); }), IDCANCEL);
    EXPECT_EQ(RunModal(dialog, [&] { dialog.close(); }), IDCANCEL);
}

TEST(EULADlgTest, ShowsTheAgreementPageFromTheResources) {
    CEULADlg dialog;
    ASSERT_TRUE(dialog.Create());
    CKVXHtmlView* view = dialog.GetHtmlCtrl()->GetView();
    EXPECT_TRUE(view->isVisible());
    const QString text = view->toPlainText();
    EXPECT_TRUE(text.startsWith(QStringLiteral("End User License Agreement"))) << text.left(80).toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("By pressing \"Accept\" you agree")));
    const std::wstring url = dialog.GetHtmlCtrl()->GetCurrentURL().GetString();
    EXPECT_EQ(url.rfind(L"res://", 0), 0u);
    EXPECT_EQ(url.substr(url.size() - 4), L"/151");

    // A screenshot for a look at the dialog.
    std::filesystem::create_directories(KVX_SCREENSHOT_FOLDER);
    dialog.grab().save(QStringLiteral(KVX_SCREENSHOT_FOLDER "/agreement.png"));
    dialog.DestroyWindow();
}

TEST(KVXHtmlViewTest, RunsNoScriptsAndOpensLinksOutside) {
    kvxtest::TempFolder folder;
    const std::string page = folder.WriteFile(
        "page.html",
        "<html><head><script>document.write('INJECTED');</script></head><body onload=\"alert('x')\">"
        "<p>Plain text</p><script>document.title='changed'</script>"
        "<a href=\"https://example.org/terms\">terms</a></body></html>");
    LinkReceiver receiver;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &receiver, "Open");
    {
        CKVXHtmlView view;
        ASSERT_TRUE(view.Navigate(QString::fromStdString(page)));
        const QString text = view.toPlainText();
        EXPECT_TRUE(text.contains(QStringLiteral("Plain text")));
        EXPECT_FALSE(text.contains(QStringLiteral("INJECTED")));
        EXPECT_FALSE(text.contains(QStringLiteral("document.")));
        EXPECT_FALSE(text.contains(QStringLiteral("alert")));

        // A click on the link opens it outside and leaves the page.
        view.resize(400, 200);
        view.show();
        QTextCursor cursor = view.document()->find(QStringLiteral("terms"));
        ASSERT_FALSE(cursor.isNull());
        const QRect place = view.cursorRect(cursor);
        QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, place.center() - QPoint(4, 0));
        ASSERT_EQ(receiver.opened.size(), 1);
        EXPECT_EQ(receiver.opened[0], QUrl(QStringLiteral("https://example.org/terms")));
        EXPECT_TRUE(view.toPlainText().contains(QStringLiteral("Plain text")));

        EXPECT_FALSE(view.Navigate(QString()));
        EXPECT_FALSE(view.Navigate(QStringLiteral("res://nowhere/99999")));
        EXPECT_FALSE(view.Navigate(QString::fromStdString(folder.Sub("missing.html"))));
        // Web pages need the online-services library, which is not loaded.
        EXPECT_FALSE(view.Navigate(QStringLiteral("http://127.0.0.1:1/")));
    }
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
}

} // namespace

#include "EULADlgTest.moc"
