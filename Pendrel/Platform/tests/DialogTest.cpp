#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <iterator>
#include <vector>

#include "Pendrel/Platform/KVXDialog.h"
#include "Pendrel/Platform/KVXDialogControls.h"
#include "Pendrel/Platform/KVXStaticText.h"
#include "Pendrel/Platform/KVXWindowMessages.h"
#include "utility/tests/ReportCapture.h"

namespace {

constexpr UINT kTemplateId = 9508;
constexpr DWORD kShown = WS_CHILD | WS_VISIBLE;

const KVXDialogControl kControls[] = {
    {2012, WC_STATIC, L"&Caption", 7, 7, 354, 8, kShown},
    {2010, WC_PROGRESS, L"", 7, 19, 354, 10, kShown},
    {2013, WC_STATIC, L"Vocabulary count:", 7, 35, 80, 8, WS_CHILD},
    {3000, WC_EDIT, L"word", 7, 50, 100, 14, kShown | WS_TABSTOP},
    {3001, WC_EDIT, L"", 120, 50, 100, 30, kShown | WS_TABSTOP | ES_MULTILINE},
    {3002, WC_LISTVIEW, L"", 230, 35, 130, 30, kShown | WS_TABSTOP},
    {3003, WC_BUTTON, L"&Hide Meanings", 7, 70, 80, 10, kShown | WS_TABSTOP | BS_AUTOCHECKBOX},
    {3004, WC_COMBOBOX, L"", 90, 70, 60, 50, kShown | WS_TABSTOP | CBS_DROPDOWNLIST},
    {3005, L"SomeOwnClass", L"", 160, 70, 40, 10, kShown},
    {3006, WC_BUTTON, L"Group", 205, 66, 40, 20, kShown | BS_GROUPBOX},
    {3007, WC_BUTTON, L"Off", 250, 71, 2, 14, kShown | WS_DISABLED},
    {IDOK, WC_BUTTON, L"OK", 257, 71, 50, 14, kShown | WS_TABSTOP | BS_DEFPUSHBUTTON},
    {IDCANCEL, WC_BUTTON, L"Cancel", 311, 71, 50, 14, kShown | WS_TABSTOP},
};
const KVXDialogTemplate kTemplate = {kTemplateId, L"Please wait...", WS_POPUP | WS_CAPTION, 368, 92, 8,
                                     L"DejaVu Sans", kControls, std::size(kControls)};
const CKVXDialogTemplateRegistration kRegistration(kTemplate);

class CTestDialog : public CKVXDialog {
public:
    explicit CTestDialog(UINT id = kTemplateId) : CKVXDialog(id) {}

    int initCalls = 0;
    int destroyCalls = 0;
    std::vector<UINT> commands;
    std::vector<UINT> messages;
    int endInInit = 0;  // when not 0, OnInitDialog ends the dialog with it

protected:
    BOOL OnInitDialog() override {
        ++initCalls;
        if (endInInit) EndDialog(endInInit);
        return TRUE;
    }
    void OnCommand(UINT id) override {
        commands.push_back(id);
        CKVXDialog::OnCommand(id);
    }
    void OnDestroy() override { ++destroyCalls; }
    LRESULT WindowProc(UINT message, WPARAM, LPARAM) override {
        messages.push_back(message);
        return 5;
    }
};

// Runs the dialog modally while action runs once it shows.
INT_PTR RunModal(CTestDialog& dialog, const std::function<void()>& action) {
    QTimer::singleShot(0, &dialog, action);
    return dialog.DoModal();
}

TEST(DialogUnits, HorizontalAndVerticalUnitsRoundToTheNearestPixel) {
    struct Case {
        int units, x, y;
    } cases[] = {{0, 0, 0}, {1, 2, 2}, {2, 3, 3}, {3, 5, 5}, {4, 6, 7}, {8, 12, 13}, {92, 138, 150}, {-1, -2, -2}};
    for (const Case& c : cases) {
        EXPECT_EQ(KVXDialogUnitsToPixelsX(c.units), c.x) << c.units;
        EXPECT_EQ(KVXDialogUnitsToPixelsY(c.units), c.y) << c.units;
    }
    const RECT mapped = KVXMapDialogRect(RECT{7, 7, 361, 15});
    EXPECT_EQ(mapped.left, 11);
    EXPECT_EQ(mapped.top, 11);
    EXPECT_EQ(mapped.right, 542);
    EXPECT_EQ(mapped.bottom, 24);
}

TEST(Dialog, ATemplateBecomesWidgetsAtThePlacesItsDialogUnitsGive) {
    CTestDialog dialog;
    ASSERT_TRUE(dialog.Create());
    EXPECT_EQ(dialog.initCalls, 1);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Please wait..."));
    EXPECT_EQ(dialog.size(), QSize(552, 150));
    EXPECT_EQ(dialog.font().pixelSize(), 11);

    // Edges in pixels: x * 6 / 4 and y * 13 / 8, rounded.
    struct Place {
        UINT id;
        QRect rect;
    } places[] = {
        {2012, QRect(11, 11, 531, 13)},  {2010, QRect(11, 31, 531, 16)}, {3000, QRect(11, 81, 150, 23)},
        {3002, QRect(345, 57, 195, 49)}, {IDOK, QRect(386, 115, 75, 23)}, {IDCANCEL, QRect(467, 115, 75, 23)},
    };
    for (const Place& p : places) {
        QWidget* control = dialog.GetDlgItem(p.id);
        ASSERT_NE(control, nullptr) << p.id;
        EXPECT_EQ(control->geometry(), p.rect) << p.id;
        EXPECT_EQ(KVXGetDlgCtrlID(control), p.id);
        EXPECT_EQ(control->parentWidget(), &dialog);
    }

    EXPECT_NE(dialog.GetDlgItem<CKVXStaticText>(2012), nullptr);
    EXPECT_NE(dialog.GetDlgItem<QProgressBar>(2010), nullptr);
    EXPECT_NE(dialog.GetDlgItem<QLineEdit>(3000), nullptr);
    EXPECT_NE(dialog.GetDlgItem<QPlainTextEdit>(3001), nullptr);
    EXPECT_NE(dialog.GetDlgItem<QTreeWidget>(3002), nullptr);
    EXPECT_NE(dialog.GetDlgItem<QCheckBox>(3003), nullptr);
    ASSERT_NE(dialog.GetDlgItem<QComboBox>(3004), nullptr);
    EXPECT_FALSE(dialog.GetDlgItem<QComboBox>(3004)->isEditable());
    EXPECT_NE(dialog.GetDlgItem(3005), nullptr);
    EXPECT_NE(dialog.GetDlgItem<QGroupBox>(3006), nullptr);
    ASSERT_NE(dialog.GetDlgItem<QPushButton>(IDOK), nullptr);
    EXPECT_TRUE(dialog.GetDlgItem<QPushButton>(IDOK)->isDefault());
    EXPECT_FALSE(dialog.GetDlgItem<QPushButton>(IDCANCEL)->isDefault());
    EXPECT_EQ(dialog.GetDlgItem(4242), nullptr);

    EXPECT_TRUE(dialog.GetDlgItem(2012)->isVisible());
    EXPECT_TRUE(dialog.GetDlgItem(2013)->isHidden());
    EXPECT_FALSE(dialog.GetDlgItem(3007)->isEnabled());
    EXPECT_STREQ(dialog.GetDlgItemText(2012).GetString(), L"&Caption");
    EXPECT_STREQ(dialog.GetDlgItemText(3000).GetString(), L"word");
}

TEST(Dialog, EnterAndEscapeNeverCloseIt) {
    CTestDialog dialog;
    bool stayedOpen = true;
    const INT_PTR result = RunModal(dialog, [&] {
        for (UINT id : {3000u, 3001u, 3002u, 3003u}) {
            QWidget* control = dialog.GetDlgItem(id);
            control->setFocus();
            for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
                QTest::keyClick(control, key);
                stayedOpen = stayedOpen && dialog.isVisible();
            }
        }
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) QTest::keyClick(&dialog, key);
        stayedOpen = stayedOpen && dialog.isVisible();
        QTest::mouseClick(dialog.GetDlgItem(IDOK), Qt::LeftButton);
    });
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(dialog.commands, std::vector<UINT>{IDOK});
    EXPECT_EQ(dialog.destroyCalls, 1);
    EXPECT_FALSE(dialog.IsCreated());
}

TEST(Dialog, TheCloseBoxCancels) {
    CTestDialog dialog;
    EXPECT_EQ(RunModal(dialog, [&] { dialog.close(); }), IDCANCEL);
}

TEST(Dialog, AModalRunOutlastsHidingAndEndsWithEndDialog) {
    CTestDialog dialog;
    bool runningWhileHidden = false;
    const INT_PTR result = RunModal(dialog, [&] {
        // a main window hides while a window of its own works on
        dialog.hide();
        QTimer::singleShot(0, &dialog, [&] {
            runningWhileHidden = dialog.IsCreated();
            dialog.show();
            dialog.EndDialog(42);
        });
    });
    EXPECT_TRUE(runningWhileHidden);
    EXPECT_EQ(result, 42);
    EXPECT_EQ(dialog.destroyCalls, 1);
}

TEST(Dialog, ButtonClicksReachOnCommand) {
    CTestDialog dialog;
    ASSERT_TRUE(dialog.Create());
    QTest::mouseClick(dialog.GetDlgItem(3003), Qt::LeftButton);
    EXPECT_TRUE(dialog.GetDlgItem<QCheckBox>(3003)->isChecked());
    QTest::mouseClick(dialog.GetDlgItem(IDCANCEL), Qt::LeftButton);
    EXPECT_EQ(dialog.commands, (std::vector<UINT>{3003, IDCANCEL}));
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), IDCANCEL);
}

TEST(Dialog, EndingInOnInitDialogNeverShowsIt) {
    CTestDialog dialog;
    dialog.endInInit = 77;
    EXPECT_EQ(dialog.DoModal(), 77);
    EXPECT_EQ(dialog.initCalls, 1);
    EXPECT_EQ(dialog.destroyCalls, 1);
}

TEST(Dialog, AFailedCreationMakesNoWindow) {
    class CRefusingDialog : public CTestDialog {
    protected:
        int OnCreate() override { return -1; }
    };
    CRefusingDialog dialog;
    EXPECT_FALSE(dialog.Create());
    EXPECT_EQ(dialog.DoModal(), -1);
    EXPECT_FALSE(dialog.IsCreated());
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.initCalls, 0);
}

TEST(Dialog, ASubclassedControlTakesTheTemplateControlsPlace) {
    CTestDialog dialog;
    ASSERT_TRUE(dialog.Create());
    QWidget* old = dialog.GetDlgItem(IDCANCEL);
    const QRect place = old->geometry();
    QPointer<QWidget> watch(old);
    auto* own = new QPushButton;
    ASSERT_TRUE(dialog.SubclassDlgItem(IDCANCEL, own));
    EXPECT_TRUE(watch.isNull());
    EXPECT_EQ(dialog.GetDlgItem(IDCANCEL), own);
    EXPECT_EQ(own->parentWidget(), &dialog);
    EXPECT_EQ(own->geometry(), place);
    EXPECT_EQ(own->text(), QStringLiteral("Cancel"));
    EXPECT_EQ(KVXGetDlgCtrlID(own), static_cast<UINT>(IDCANCEL));
    EXPECT_TRUE(own->isVisible());
    EXPECT_TRUE(dialog.SubclassDlgItem(IDCANCEL, own));
    EXPECT_FALSE(dialog.SubclassDlgItem(4242, new QPushButton(&dialog)));

    QTest::mouseClick(own, Qt::LeftButton);
    EXPECT_EQ(dialog.commands, std::vector<UINT>{IDCANCEL});

    // A destroyed dialog is made again with the same controls.
    EXPECT_TRUE(dialog.DestroyWindow());
    EXPECT_FALSE(dialog.DestroyWindow());
    ASSERT_TRUE(dialog.Create());
    EXPECT_FALSE(dialog.Create());
    EXPECT_EQ(dialog.initCalls, 2);
    EXPECT_EQ(dialog.GetDlgItem(IDCANCEL), own);
}

TEST(Dialog, OnlyACreatedDialogTakesMessages) {
    CTestDialog dialog;
    EXPECT_FALSE(IsWindow(&dialog));
    EXPECT_EQ(SendMessage(&dialog, WM_USER + 201, 0, 0), 0);
    ASSERT_TRUE(dialog.Create());
    EXPECT_TRUE(IsWindow(&dialog));
    EXPECT_EQ(SendMessage(&dialog, WM_USER + 201, 0, 0), 5);
    ASSERT_TRUE(PostMessage(&dialog, WM_USER + 202, 0, 0));
    dialog.DestroyWindow();
    QCoreApplication::sendPostedEvents(&dialog);
    EXPECT_EQ(dialog.messages, std::vector<UINT>{WM_USER + 201});
    EXPECT_EQ(dialog.destroyCalls, 1);
}

TEST(Dialog, WindowTextsFollowTheirControls) {
    CTestDialog dialog;
    ASSERT_TRUE(dialog.Create());
    dialog.SetDlgItemText(3001, L"one\r\ntwo");
    EXPECT_EQ(dialog.GetDlgItem<QPlainTextEdit>(3001)->toPlainText(), QStringLiteral("one\ntwo"));
    EXPECT_STREQ(dialog.GetDlgItemText(3001).GetString(), L"one\r\ntwo");
    dialog.SetDlgItemText(3006, L"Title");
    EXPECT_EQ(dialog.GetDlgItem<QGroupBox>(3006)->title(), QStringLiteral("Title"));
    dialog.SetDlgItemText(3005, L"kept");
    EXPECT_STREQ(dialog.GetDlgItemText(3005).GetString(), L"kept");
    KVXSetWindowText(&dialog, L"Caption");
    EXPECT_STREQ(KVXGetWindowText(&dialog).GetString(), L"Caption");
}

class DialogReports : public ReportCapture {};

TEST_F(DialogReports, ADialogWithoutTemplateIsNotMade) {
    CTestDialog dialog(1);
    EXPECT_EQ(dialog.DoModal(), -1);
    EXPECT_FALSE(dialog.Create());
    EXPECT_EQ(dialog.initCalls, 0);
    EXPECT_EQ(AssertionLines().size(), 2u);
}

} // namespace
