#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QTimer>

#include "Pendrel/Platform/KVXFileDialog.h"
#include "Pendrel/Platform/KVXText.h"
#include "testing/TempFolder.h"

namespace {

TEST(FileDialog, FiltersInTheToolkitsForm) {
    struct Case {
        const wchar_t* filter;
        const char* expected;
    } cases[] = {
        {L"", ""},
        {L"Text|*.txt||", "Text (*.txt)"},
        {L"Lists|*.txt;*.csv|All files|*.*||", "Lists (*.txt *.csv);;All files (*.*)"},
        {L"Text files (*.txt)|*.txt|CSV (*.csv)|*.csv|", "Text files (*.txt);;CSV (*.csv)"},
        {L"Unclosed|*.png", "Unclosed (*.png)"},
        {L"Dangling name only", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(KVXFileDialogFilterToQt(CBasicString(c.filter)).toStdString(), c.expected) << KVXToQString(c.filter).toStdString();
}

TEST(FileDialog, HandlerAnswersInsteadOfTheDialog) {
    KVXFileDialogRequest seen;
    KVXSetFileDialogHandler([&](QWidget*, const KVXFileDialogRequest& request, KVXFileDialogAnswer& answer) {
        seen = request;
        answer.path = L"/tmp/list.csv";
        answer.filterIndex = 2;
        return true;
    });
    KVXFileDialogRequest request;
    request.save = true;
    request.filter = L"Text|*.txt|CSV|*.csv||";
    KVXFileDialogAnswer answer;
    EXPECT_TRUE(KVXGetFileName(nullptr, request, answer));
    EXPECT_TRUE(seen.save);
    EXPECT_EQ(KVXToQString(answer.path), QStringLiteral("/tmp/list.csv"));
    EXPECT_EQ(answer.filterIndex, 2);

    KVXSetFileDialogHandler([](QWidget*, const KVXFileDialogRequest&, KVXFileDialogAnswer&) { return false; });
    KVXFileDialogAnswer untouched;
    untouched.path = L"kept";
    EXPECT_FALSE(KVXGetFileName(nullptr, request, untouched));
    EXPECT_EQ(KVXToQString(untouched.path), QStringLiteral("kept"));
    KVXSetFileDialogHandler({});
}

TEST(FileDialog, RealDialogReturnsTheChosenFileAndFilter) {
    kvxtest::TempFolder folder;
    const QString dir = QString::fromStdString(folder.Path());
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->selectNameFilter(QStringLiteral("CSV (*.csv)"));
        dialog->selectFile(QDir(dir).filePath(QStringLiteral("words")));
        QMetaObject::invokeMethod(dialog, "accept");
    });
    KVXFileDialogRequest request;
    request.save = true;
    request.filter = L"Text|*.txt|CSV|*.csv||";
    request.defaultExtension = L"csv";
    request.initialPath = KVXFromQString(dir);
    KVXFileDialogAnswer answer;
    ASSERT_TRUE(KVXGetFileName(nullptr, request, answer));
    EXPECT_EQ(KVXToQString(answer.path), QDir(dir).filePath(QStringLiteral("words.csv")));
    EXPECT_EQ(answer.filterIndex, 2);
}

} // namespace
