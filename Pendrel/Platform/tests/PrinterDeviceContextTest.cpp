#include <gtest/gtest.h>

#include <QPainter>
#include <QPrinter>

#include "Pendrel/Platform/KVXPrinterDeviceContext.h"
#include "compat/WinUser.h"

namespace {

TEST(PrinterDeviceContext, CapabilitiesComeFromThePrinterBeforeTheDocumentStarts) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QStringLiteral("unused.pdf"));
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
    QPainter painter;
    CKVXPrinterDeviceContext dc(painter, printer);

    EXPECT_EQ(dc.GetDeviceCaps(LOGPIXELSX), 1200);
    EXPECT_EQ(dc.GetDeviceCaps(LOGPIXELSY), 1200);
    // The printable area: A4 less the margins (about 190 x 277 mm at 1200 dpi).
    const QRect printable = printer.pageLayout().paintRectPixels(1200);
    EXPECT_EQ(dc.GetDeviceCaps(HORZRES), printable.width());
    EXPECT_EQ(dc.GetDeviceCaps(VERTRES), printable.height());
    EXPECT_NEAR(dc.GetDeviceCaps(HORZRES), 190 / 25.4 * 1200, 20);
    EXPECT_NEAR(dc.GetDeviceCaps(VERTRES), 277 / 25.4 * 1200, 20);
    EXPECT_EQ(dc.GetDeviceCaps(12), 0);
    EXPECT_EQ(&dc.Printer(), &printer);
}

} // namespace
