#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QPixmap>

#include "Pendrel/Platform/KVXMemDC.h"
#include "testing/TempFolder.h"
#include "utility/tests/ReportCapture.h"

namespace {

const QRgb kBlue = qRgb(0, 0, 255);
const QRgb kRed = qRgb(255, 0, 0);
const QRgb kWhite = qRgb(255, 255, 255);

QImage Blue() {
    QImage image(100, 50, QImage::Format_RGB32);
    image.fill(kBlue);
    return image;
}

TEST(MemDC, DrawingReachesTheTargetInOneStepAtTheEnd) {
    struct Case {
        BOOL copyBackground;
        QRgb expectedAround;  // a pixel of the rectangle not drawn on
    };
    for (const Case& c : {Case{TRUE, kBlue}, Case{FALSE, kWhite}}) {
        QImage target = Blue();
        QPainter painter(&target);
        {
            const RECT rect{10, 10, 60, 40};
            CKVXMemDC dc(&painter, &rect, c.copyBackground, FALSE);
            ASSERT_TRUE(dc.IsMemory());
            EXPECT_EQ(dc.GetRect(), QRect(10, 10, 50, 30));
            dc->fillRect(20, 20, 10, 10, kRed);  // the target's coordinates
            EXPECT_EQ(dc.GetImage().pixel(10, 10), kRed);
            EXPECT_EQ(target.pixel(25, 25), kBlue);  // nothing on the target yet
        }
        painter.end();
        EXPECT_EQ(target.pixel(25, 25), kRed);
        EXPECT_EQ(target.pixel(12, 12), c.expectedAround);
        EXPECT_EQ(target.pixel(5, 5), kBlue);  // outside the rectangle
        EXPECT_EQ(target.pixel(60, 40), kBlue);
    }
}

TEST(MemDC, FlushWithoutCopyLeavesTheTarget) {
    QImage target = Blue();
    QPainter painter(&target);
    {
        CKVXMemDC dc(&painter);
        EXPECT_EQ(dc.GetRect(), target.rect());  // no clip: the whole target
        dc->fillRect(0, 0, 100, 50, kRed);
        dc.Flush(FALSE);
    }
    painter.end();
    EXPECT_EQ(target.pixel(50, 25), kBlue);
}

TEST(MemDC, WithoutARectangleTheBufferCoversTheClipAndCanBeMonochrome) {
    QPixmap pixmap(100, 50);
    pixmap.fill(Qt::blue);
    QPainter painter(&pixmap);
    painter.setClipRect(30, 5, 20, 10);
    {
        CKVXMemDC dc(&painter, nullptr, TRUE, TRUE);
        EXPECT_EQ(dc.GetRect(), QRect(30, 5, 20, 10));
        EXPECT_EQ(dc.GetImage().depth(), 1);
        dc->fillRect(30, 5, 10, 10, Qt::black);
        dc->fillRect(40, 5, 10, 10, Qt::white);
    }
    painter.end();
    const QImage result = pixmap.toImage();
    EXPECT_EQ(result.pixel(35, 10), qRgb(0, 0, 0));
    EXPECT_EQ(result.pixel(45, 10), kWhite);
    EXPECT_EQ(result.pixel(10, 10), kBlue);
}

TEST(MemDC, OnAPrinterDrawingGoesStraightThereAndThePrinterStaysUsable) {
    kvxtest::TempFolder folder;
    const QString path = QString::fromStdString(folder.Path() + "/page.pdf");
    QPdfWriter writer(path);
    QPainter painter(&writer);
    ASSERT_TRUE(painter.isActive());
    {
        CKVXMemDC dc(&painter);
        EXPECT_FALSE(dc.IsMemory());
        EXPECT_EQ(&dc.Painter(), &painter);
        EXPECT_TRUE(dc.GetImage().isNull());
        dc->drawText(100, 100, QStringLiteral("first"));
    }
    EXPECT_TRUE(painter.isActive());
    painter.drawText(100, 300, QStringLiteral("second"));
    EXPECT_TRUE(writer.newPage());
    EXPECT_TRUE(painter.end());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("/Count 2"));
}

class MemDCReports : public ReportCapture {};

TEST_F(MemDCReports, AnInactiveTargetIsReportedAndNothingIsDrawn) {
    QPainter idle;
    {
        CKVXMemDC dc(&idle);
        dc->fillRect(0, 0, 1, 1, kRed);
    }
    EXPECT_EQ(AssertionLines(), std::vector<int>{25});
}

} // namespace
