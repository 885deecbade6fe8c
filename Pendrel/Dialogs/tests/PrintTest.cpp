#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QPainter>
#include <QPointer>
#include <QPrintPreviewWidget>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTimer>
#include <QToolBar>

#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "Pendrel/Dialogs/KVXResizableDlg.h"
#include "Pendrel/Dialogs/PrintDialog.h"
#include "Pendrel/Dialogs/VirtualFrameWnd.h"
#include "Pendrel/Dialogs/VirtualPreview.h"
#include "Pendrel/Pendrel.h"
#include "Pendrel/Platform/KVXMainWindow.h"
#include "Pendrel/Platform/KVXMessageBox.h"
#include "Pendrel/Platform/KVXPrinterDeviceContext.h"
#include "Pendrel/Platform/KVXText.h"
#include "Pendrel/Platform/KVXWindowMessages.h"
#include "PdfReadBack.h"
#include "testing/TempFolder.h"
#include "utility/tests/ReportCapture.h"

namespace {

constexpr UINT kTemplateId = 9602;
constexpr DWORD kShown = WS_CHILD | WS_VISIBLE;

const KVXDialogControl kControls[] = {
    {ID_FILE_PRINT_PREVIEW, WC_BUTTON, L"Preview", 7, 7, 50, 14, kShown | WS_TABSTOP},
    {ID_FILE_PRINT, WC_BUTTON, L"Print", 62, 7, 50, 14, kShown | WS_TABSTOP},
};
// The caption is longer than a document name may be.
const wchar_t kCaption[] = L"Vocabulary list of the week for printing";
const KVXDialogTemplate kTemplate = {kTemplateId, kCaption, WS_POPUP | WS_CAPTION | WS_THICKFRAME, 160, 60, 8,
                                     L"DejaVu Sans", kControls, std::size(kControls)};
const CKVXDialogTemplateRegistration kRegistration(kTemplate);

// A dialog of three pages that records the printing calls and prints
// "Page n" on each page.
class CPrintingDlg : public CKVXResizableDlg {
public:
    CPrintingDlg() : CKVXResizableDlg(kTemplateId) {}

    std::vector<std::string> calls;
    std::vector<UINT> printed;
    bool refusePrepare = false;
    bool offerPreview = true;
    UINT stopAt = 0;             // OnPrepareDC clears the continue flag at this page
    bool mainEnabledInPrint = true;
    RECT drawRect{};
    SIZE printable{};

    BOOL OnPreparePrinting(CPrintInfo* info) override {
        calls.push_back(info->m_preview ? "prepare preview" : "prepare");
        if (refusePrepare) return FALSE;
        info->SetMaxPage(3);
        return CKVXResizableDlg::OnPreparePrinting(info);
    }
    void OnBeginPrinting(CKVXPrinterDeviceContext* dc, CPrintInfo*) override {
        calls.push_back("begin");
        printable = SIZE{dc->GetDeviceCaps(HORZRES), dc->GetDeviceCaps(VERTRES)};
    }
    void OnPrepareDC(CKVXPrinterDeviceContext*, CPrintInfo* info) override {
        calls.push_back("dc " + std::to_string(info->m_currentPage));
        if (info->m_currentPage == stopAt) info->m_continuePrinting = FALSE;
    }
    void OnPrint(CKVXPrinterDeviceContext* dc, CPrintInfo* info) override {
        calls.push_back("print " + std::to_string(info->m_currentPage));
        printed.push_back(info->m_currentPage);
        if (QWidget* main = KVXGetMainWnd()) mainEnabledInPrint = main->isEnabled();
        drawRect = info->m_drawRect;
        QPainter& painter = dc->Painter();
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(dc->GetDeviceCaps(LOGPIXELSY) / 2);
        painter.setFont(font);
        painter.drawText(CKVXRect(info->m_drawRect).ToQRect(), Qt::AlignCenter,
                         QStringLiteral("Page %1").arg(info->m_currentPage));
    }
    void OnEndPrinting(CKVXPrinterDeviceContext*, CPrintInfo*) override { calls.push_back("end"); }
    QWidget* GetCurrentVisibleWnd() override { return offerPreview ? this : nullptr; }
};

CVirtualFrameWnd* FindPreviewFrame() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* frame = qobject_cast<CVirtualFrameWnd*>(widget); frame && frame->isVisible()) return frame;
    return nullptr;
}

QAction* ToolBarAction(CVirtualPreview& preview, const char* text) {
    for (QAction* action : preview.ToolBar()->actions())
        if (action->text() == QLatin1String(text)) return action;
    ADD_FAILURE() << "no toolbar button " << text;
    return nullptr;
}

std::vector<std::string> PrintCalls(const std::vector<UINT>& pages) {
    std::vector<std::string> calls = {"prepare", "begin"};
    for (UINT page : pages) {
        const std::string n = std::to_string(page);
        calls.insert(calls.end(), {"dc " + n, "dc " + n, "print " + n});
    }
    calls.push_back("end");
    return calls;
}

class PrintTest : public ReportCapture {
protected:
    void SetUp() override {
        ReportCapture::SetUp();
        KVXSetPrintDialogHandler([this](QWidget*, QPrinter& printer, CPrintInfo& info) -> BOOL {
            ++m_printDialogs;
            m_maxPageShown = info.GetMaxPage();
            m_offeredFormat = printer.outputFormat();
            m_offeredFile = printer.outputFileName();
            if (m_cancel) return FALSE;
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(QString::fromStdString(m_pdf));
            info.SetFromPage(m_from);
            info.SetToPage(m_to);
            return TRUE;
        });
        KVXSetMessageBoxHandler([this](QWidget*, const CBasicString& text, const CBasicString&, UINT flags) {
            m_messages.emplace_back(text.GetString());
            m_messageFlags = flags;
            return IDOK;
        });
        KVXSetMainWnd(&m_mainWindow);
    }
    void TearDown() override {
        KVXSetMainWnd(nullptr);
        KVXSetMessageBoxHandler({});
        KVXSetPrintDialogHandler({});
        ReportCapture::TearDown();
    }

    std::string Pdf() const { return kvxtest::TempFolder::ReadFile(m_pdf); }

    kvxtest::TempFolder m_folder;
    std::string m_pdf = m_folder.Sub("printed.pdf");
    UINT m_from = 0;  // all pages
    UINT m_to = 0;
    bool m_cancel = false;
    int m_printDialogs = 0;
    UINT m_maxPageShown = 0;
    QPrinter::OutputFormat m_offeredFormat = QPrinter::NativeFormat;
    QString m_offeredFile;
    std::vector<std::wstring> m_messages;
    UINT m_messageFlags = 0;
    QWidget m_mainWindow;
};

TEST_F(PrintTest, PrintButtonPrintsThePagesInOrderToPdf) {
    CPrintingDlg dialog;
    ASSERT_TRUE(dialog.Create());
    dialog.GetDlgItem<QPushButton>(ID_FILE_PRINT)->click();

    EXPECT_EQ(m_printDialogs, 1);
    EXPECT_EQ(m_maxPageShown, 3u);
    // Without a printer the print dialog is offered a PDF file named after
    // the document.
    if (QPrinterInfo::availablePrinters().isEmpty()) {
        EXPECT_EQ(m_offeredFormat, QPrinter::PdfFormat);
        EXPECT_TRUE(m_offeredFile.endsWith(QStringLiteral("/Vocabulary list of the week for.pdf")))
            << m_offeredFile.toStdString();
    }
    EXPECT_EQ(dialog.calls, PrintCalls({1, 2, 3}));
    const std::string pdf = Pdf();
    EXPECT_EQ(kvxdialogtest::PdfPageCount(pdf), 3);
    // The document is named after the window title, cut to 31 characters.
    EXPECT_EQ(kvxdialogtest::PdfTitle(pdf), "Vocabulary list of the week for");
    // The main window is disabled while the pages print, enabled afterwards.
    EXPECT_FALSE(dialog.mainEnabledInPrint);
    EXPECT_TRUE(m_mainWindow.isEnabled());
    // Each page is drawn into the printable area.
    EXPECT_GT(dialog.printable.cx, 0);
    EXPECT_EQ(CKVXRect(dialog.drawRect).ToQRect(), QRect(0, 0, dialog.printable.cx, dialog.printable.cy));
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(PrintTest, ChosenRangesAreClampedAndMayRunBackwards) {
    struct RangeCase {
        UINT from, to;
        std::vector<UINT> pages;
    };
    const RangeCase cases[] = {
        {3, 1, {3, 2, 1}},
        {2, 9, {2, 3}},
        {9, 2, {3, 2}},
        {2, 2, {2}},
    };
    CPrintingDlg dialog;
    ASSERT_TRUE(dialog.Create());
    for (const RangeCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.from) + " to " + std::to_string(c.to));
        m_from = c.from;
        m_to = c.to;
        dialog.calls.clear();
        dialog.printed.clear();
        std::filesystem::remove(m_pdf);
        SendMessage(&dialog, WM_COMMAND, ID_FILE_PRINT, 0);
        EXPECT_EQ(dialog.printed, c.pages);
        EXPECT_EQ(dialog.calls, PrintCalls(c.pages));
        EXPECT_EQ(kvxdialogtest::PdfPageCount(Pdf()), static_cast<int>(c.pages.size()));
    }
}

TEST_F(PrintTest, CancelOrAClearedContinueFlagEndsTheJob) {
    CPrintingDlg dialog;
    ASSERT_TRUE(dialog.Create());
    m_cancel = true;
    SendMessage(&dialog, WM_COMMAND, ID_FILE_PRINT, 0);
    EXPECT_EQ(dialog.calls, std::vector<std::string>{"prepare"});
    EXPECT_FALSE(std::filesystem::exists(m_pdf));

    m_cancel = false;
    dialog.calls.clear();
    dialog.stopAt = 2;
    SendMessage(&dialog, WM_COMMAND, ID_FILE_PRINT, 0);
    EXPECT_EQ(dialog.printed, std::vector<UINT>{1});
    EXPECT_EQ(dialog.calls, (std::vector<std::string>{"prepare", "begin", "dc 1", "dc 1", "print 1", "dc 2", "end"}));
    EXPECT_EQ(kvxdialogtest::PdfPageCount(Pdf()), 1);
}

TEST_F(PrintTest, QtsPrintDialogOffersTheDocumentsPages) {
    KVXSetPrintDialogHandler({});
    CPrintingDlg dialog;
    ASSERT_TRUE(dialog.Create());
    int minPage = 0, maxPage = 0;
    bool shown = false;
    QTimer::singleShot(0, &dialog, [&] {
        auto* printDialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
        if (!printDialog) return;
        shown = true;
        minPage = printDialog->minPage();
        maxPage = printDialog->maxPage();
        printDialog->reject();
    });
    SendMessage(&dialog, WM_COMMAND, ID_FILE_PRINT, 0);
    EXPECT_TRUE(shown);
    EXPECT_EQ(minPage, 1);
    EXPECT_EQ(maxPage, 3);
    EXPECT_EQ(dialog.calls, std::vector<std::string>{"prepare"});
}

TEST_F(PrintTest, DocumentThatCannotStartIsReported) {
    CPrintingDlg dialog;
    ASSERT_TRUE(dialog.Create());
    m_pdf = m_folder.Sub("missing/folder/printed.pdf");
    SendMessage(&dialog, WM_COMMAND, ID_FILE_PRINT, 0);
    EXPECT_EQ(dialog.calls, (std::vector<std::string>{"prepare", "begin", "end"}));
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0], KVXLoadString(61702).GetString());
    EXPECT_FALSE(m_messages[0].empty());
    EXPECT_EQ(m_messageFlags & MB_ICONMASK, MB_ICONERROR);
    EXPECT_TRUE(m_mainWindow.isEnabled());
}

TEST_F(PrintTest, PreviewPagesThroughAndClosingBringsTheDialogBack) {
    CPrintingDlg dialog;
    ASSERT_TRUE(dialog.Create());
    QSignalSpy lastWindowClosed(qApp, &QGuiApplication::lastWindowClosed);
    dialog.GetDlgItem<QPushButton>(ID_FILE_PRINT_PREVIEW)->click();

    QPointer<CVirtualFrameWnd> frame = FindPreviewFrame();
    ASSERT_TRUE(frame);
    EXPECT_TRUE(frame->windowState() & Qt::WindowMaximized);
    // As large as the screen's work area even where nothing maximizes it.
    EXPECT_GE(frame->width(), dialog.screen()->availableGeometry().width() / 2);
    EXPECT_GE(frame->height(), dialog.screen()->availableGeometry().height() / 2);
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Print Preview"));
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(dialog.IsInPreviewMode());
    EXPECT_EQ(KVXGetMainWnd(), frame.data());
    EXPECT_EQ(m_printDialogs, 0);  // a preview asks for no printer

    CVirtualPreview* preview = frame->GetPreview();
    ASSERT_NE(preview, nullptr);
    preview->PreviewWidget()->updatePreview();
    EXPECT_EQ(preview->PreviewWidget()->pageCount(), 3);
    EXPECT_EQ(preview->GetCurrentPage(), 1);
    QAction* next = ToolBarAction(*preview, "Next Page");
    QAction* prev = ToolBarAction(*preview, "Prev Page");
    ASSERT_TRUE(next && prev);
    EXPECT_FALSE(prev->isEnabled());
    next->trigger();
    next->trigger();
    EXPECT_EQ(preview->GetCurrentPage(), 3);
    EXPECT_FALSE(next->isEnabled());
    prev->trigger();
    EXPECT_EQ(preview->GetCurrentPage(), 2);

    frame->close();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(dialog.IsInPreviewMode());
    EXPECT_EQ(KVXGetMainWnd(), &m_mainWindow);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(frame);
    EXPECT_EQ(lastWindowClosed.count(), 0);

    // The next preview starts afresh.
    SendMessage(&dialog, WM_COMMAND, ID_FILE_PRINT_PREVIEW, 0);
    ASSERT_TRUE(FindPreviewFrame());
    ToolBarAction(*FindPreviewFrame()->GetPreview(), "Close")->trigger();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(lastWindowClosed.count(), 0);
}

TEST_F(PrintTest, PreviewPrintAsksTheDialogToPrintAndCloses) {
    CPrintingDlg dialog;
    ASSERT_TRUE(dialog.Create());
    SendMessage(&dialog, WM_COMMAND, ID_FILE_PRINT_PREVIEW, 0);
    CVirtualFrameWnd* frame = FindPreviewFrame();
    ASSERT_TRUE(frame);
    dialog.calls.clear();
    ToolBarAction(*frame->GetPreview(), "Print...")->trigger();

    // The preview is closed; the print command waits in the queue.
    EXPECT_FALSE(FindPreviewFrame());
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(dialog.calls.empty());
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(dialog.calls, PrintCalls({1, 2, 3}));
    EXPECT_EQ(kvxdialogtest::PdfPageCount(Pdf()), 3);
}

TEST_F(PrintTest, RefusedPreviewsLeaveTheDialogAsItWas) {
    CPrintingDlg noWindow;
    noWindow.offerPreview = false;
    ASSERT_TRUE(noWindow.Create());
    SendMessage(&noWindow, WM_COMMAND, ID_FILE_PRINT_PREVIEW, 0);
    EXPECT_EQ(AssertionLines(), std::vector<int>{124});
    EXPECT_FALSE(FindPreviewFrame());
    EXPECT_TRUE(noWindow.isVisible());
    EXPECT_TRUE(noWindow.calls.empty());

    CPrintingDlg refusing;
    refusing.refusePrepare = true;
    ASSERT_TRUE(refusing.Create());
    SendMessage(&refusing, WM_COMMAND, ID_FILE_PRINT_PREVIEW, 0);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0], KVXLoadString(61705).GetString());
    EXPECT_FALSE(FindPreviewFrame());
    EXPECT_TRUE(refusing.isVisible());
    EXPECT_FALSE(refusing.IsInPreviewMode());
    EXPECT_EQ(KVXGetMainWnd(), &m_mainWindow);
}

TEST_F(PrintTest, DialogDestroyedDuringPreviewClosesIt) {
    auto* dialog = new CPrintingDlg;
    ASSERT_TRUE(dialog->Create());
    SendMessage(dialog, WM_COMMAND, ID_FILE_PRINT_PREVIEW, 0);
    QPointer<CVirtualFrameWnd> frame = FindPreviewFrame();
    ASSERT_TRUE(frame);
    frame->GetPreview()->PreviewWidget()->updatePreview();
    delete dialog;

    EXPECT_EQ(KVXGetMainWnd(), &m_mainWindow);
    EXPECT_FALSE(FindPreviewFrame());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(frame);

    // Destroying the window (not the object) does the same, and the dialog
    // stays hidden.
    CPrintingDlg second;
    ASSERT_TRUE(second.Create());
    SendMessage(&second, WM_COMMAND, ID_FILE_PRINT_PREVIEW, 0);
    ASSERT_TRUE(FindPreviewFrame());
    second.DestroyWindow();
    EXPECT_FALSE(FindPreviewFrame());
    EXPECT_FALSE(second.isVisible());
    EXPECT_FALSE(second.IsInPreviewMode());
    EXPECT_EQ(KVXGetMainWnd(), &m_mainWindow);
}

} // namespace
