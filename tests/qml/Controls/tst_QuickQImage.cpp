#include "ImagePlacement.h"
#include "QuickQImage.h"

#include <QPainter>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

// A 200 x 100 picture, red in its left half and blue in its right half.
QImage redBlueImage()
{
    QImage image(200, 100, QImage::Format_ARGB32);
    QPainter painter(&image);
    painter.fillRect(0, 0, 100, 100, Qt::red);
    painter.fillRect(100, 0, 100, 100, Qt::blue);
    return image;
}

// A window with a white background holding one image item of 100 x 100 at its top-left.
struct ImageWindow
{
    ImageWindow()
    {
        window.setColor(Qt::white);
        window.resize(300, 200);
        item = new QuickQImage(window.contentItem());
        item->setSize(QSizeF(100, 100));
        window.show();
    }

    QColor pixel(int x, int y) { return window.grabWindow().pixelColor(x, y); }

    QQuickWindow window;
    QuickQImage *item = nullptr;
};

} // namespace

class tst_QuickQImage : public QObject
{
    Q_OBJECT

private slots:
    void placement_data()
    {
        QTest::addColumn<int>("fillMode");
        QTest::addColumn<QSizeF>("itemSize");
        QTest::addColumn<QRectF>("target");
        QTest::addColumn<QRectF>("source");

        const QRectF whole(0, 0, 200, 100);
        QTest::newRow("stretch") << 0 << QSizeF(100, 100) << QRectF(0, 0, 100, 100) << whole;
        QTest::newRow("fit, item taller") << 1 << QSizeF(100, 100) << QRectF(0, 25, 100, 50) << whole;
        QTest::newRow("fit, item wider") << 1 << QSizeF(400, 100) << QRectF(100, 0, 200, 100) << whole;
        QTest::newRow("fit, same aspect") << 1 << QSizeF(100, 50) << QRectF(0, 0, 100, 50) << whole;
        QTest::newRow("pad, item smaller") << 3 << QSizeF(100, 100) << QRectF(0, 0, 100, 100) << QRectF(0, 0, 100, 100);
        QTest::newRow("pad, item larger") << 3 << QSizeF(300, 300) << whole << whole;
        // Crop covers the item from its top-left corner and cuts off the rest of the
        // image instead of drawing it past the item's edges.
        QTest::newRow("crop, item taller") << 2 << QSizeF(100, 100) << QRectF(0, 0, 100, 100) << QRectF(0, 0, 100, 100);
        QTest::newRow("crop, item wider") << 2 << QSizeF(400, 100) << QRectF(0, 0, 400, 100) << QRectF(0, 0, 200, 50);
        QTest::newRow("crop, same aspect") << 2 << QSizeF(100, 50) << QRectF(0, 0, 100, 50) << whole;
        QTest::newRow("crop, empty item") << 2 << QSizeF(0, 0) << QRectF(0, 0, 0, 0) << QRectF();
    }

    void placement()
    {
        QFETCH(int, fillMode);
        QFETCH(QSizeF, itemSize);
        QFETCH(QRectF, target);
        QFETCH(QRectF, source);
        const auto placed = ImagePlacement::place(fillMode, itemSize, QSize(200, 100));
        QVERIFY(placed);
        QCOMPARE(placed->target, target);
        QCOMPARE(placed->source, source);
    }

    void noPlacementForUnknownModesOrEmptyImages()
    {
        QVERIFY(!ImagePlacement::place(4, QSizeF(100, 100), QSize(200, 100)));
        QVERIFY(!ImagePlacement::place(-1, QSizeF(100, 100), QSize(200, 100)));
        QVERIFY(!ImagePlacement::place(0, QSizeF(100, 100), QSize()));
    }

    // The implicit size follows the image; an equal image changes nothing.
    void imageAndImplicitSize()
    {
        QuickQImage item;
        QSignalSpy imageChanged(&item, &QuickQImage::imageChanged);
        QCOMPARE(item.implicitWidth(), 0.0);
        QVERIFY(!(item.flags() & QQuickItem::ItemHasContents));

        const QImage image = redBlueImage();
        item.setImage(image);
        QCOMPARE(imageChanged.count(), 1);
        QCOMPARE(item.implicitWidth(), 200.0);
        QCOMPARE(item.implicitHeight(), 100.0);
        QVERIFY(item.flags() & QQuickItem::ItemHasContents);

        item.setImage(image.copy());
        QCOMPARE(imageChanged.count(), 1);

        item.setImage(QImage());
        QCOMPARE(imageChanged.count(), 2);
        QCOMPARE(item.implicitWidth(), 0.0);
        QCOMPARE(item.implicitHeight(), 0.0);
        QVERIFY(!(item.flags() & QQuickItem::ItemHasContents));
    }

    void settersSignalOnlyChanges()
    {
        QuickQImage item;
        QSignalSpy fillModeChanged(&item, &QuickQImage::fillModeChanged);
        QSignalSpy smoothChanged(&item, &QuickQImage::smoothChanged);
        QCOMPARE(item.fillMode(), QuickQImage::Stretch);
        QVERIFY(item.smooth());
        item.setFillMode(QuickQImage::Stretch);
        item.setSmooth(true);
        QCOMPARE(fillModeChanged.count(), 0);
        QCOMPARE(smoothChanged.count(), 0);
        item.setFillMode(QuickQImage::Pad);
        item.setSmooth(false);
        QCOMPARE(fillModeChanged.count(), 1);
        QCOMPARE(smoothChanged.count(), 1);
    }

    void drawing_data()
    {
        QTest::addColumn<int>("fillMode");
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<QColor>("expected");

        QTest::newRow("stretch, left") << 0 << QPoint(25, 50) << QColor(Qt::red);
        QTest::newRow("stretch, right") << 0 << QPoint(75, 50) << QColor(Qt::blue);
        QTest::newRow("fit, above the image") << 1 << QPoint(50, 10) << QColor(Qt::white);
        QTest::newRow("fit, left") << 1 << QPoint(25, 50) << QColor(Qt::red);
        QTest::newRow("fit, right") << 1 << QPoint(75, 50) << QColor(Qt::blue);
        QTest::newRow("fit, below the image") << 1 << QPoint(50, 90) << QColor(Qt::white);
        QTest::newRow("pad, the left half unscaled") << 3 << QPoint(95, 95) << QColor(Qt::red);
        QTest::newRow("pad, nothing beside the item") << 3 << QPoint(150, 50) << QColor(Qt::white);
        QTest::newRow("crop, the left half scaled") << 2 << QPoint(95, 95) << QColor(Qt::red);
        QTest::newRow("crop, nothing beside the item") << 2 << QPoint(150, 50) << QColor(Qt::white);
        QTest::newRow("unknown mode draws nothing") << 9 << QPoint(25, 50) << QColor(Qt::white);
    }

    void drawing()
    {
        QFETCH(int, fillMode);
        QFETCH(QPoint, at);
        QFETCH(QColor, expected);
        ImageWindow shown;
        shown.item->setFillMode(QuickQImage::FillMode(fillMode));
        shown.item->setImage(redBlueImage());
        QCOMPARE(shown.pixel(at.x(), at.y()), expected);
    }

    // Taking the image away takes the picture away; a new image shows without more ado.
    void nullImageDrawsNothing()
    {
        ImageWindow shown;
        shown.item->setImage(redBlueImage());
        QCOMPARE(shown.pixel(25, 50), QColor(Qt::red));
        shown.item->setImage(QImage());
        QCOMPARE(shown.pixel(25, 50), QColor(Qt::white));
        shown.item->setImage(redBlueImage());
        QCOMPARE(shown.pixel(75, 50), QColor(Qt::blue));
    }

    // A fill mode set later is drawn with the texture it has.
    void fillModeChangeRedraws()
    {
        ImageWindow shown;
        shown.item->setImage(redBlueImage());
        QCOMPARE(shown.pixel(40, 10), QColor(Qt::red));
        shown.item->setFillMode(QuickQImage::PreserveAspectFit);
        QCOMPARE(shown.pixel(40, 10), QColor(Qt::white));
        QCOMPARE(shown.pixel(40, 50), QColor(Qt::red));
        // A value outside the modes leaves the picture where it was.
        shown.item->setFillMode(QuickQImage::FillMode(7));
        QCOMPARE(shown.pixel(40, 10), QColor(Qt::white));
        QCOMPARE(shown.pixel(40, 50), QColor(Qt::red));
    }

    // Two pixels stretched over the item: nearest-neighbour sampling keeps a hard edge,
    // linear sampling blends the two in the middle.
    void smoothChoosesTheSampling()
    {
        QImage twoPixels(2, 1, QImage::Format_ARGB32);
        twoPixels.setPixelColor(0, 0, Qt::black);
        twoPixels.setPixelColor(1, 0, Qt::white);

        ImageWindow shown;
        shown.item->setImage(twoPixels);
        shown.item->setSmooth(false);
        QCOMPARE(shown.pixel(40, 50), QColor(Qt::black));
        QCOMPARE(shown.pixel(60, 50), QColor(Qt::white));

        shown.item->setSmooth(true);
        const QColor middle = shown.pixel(50, 50);
        QVERIFY2(middle.red() > 40 && middle.red() < 215, qPrintable(middle.name()));
    }
};

QTEST_MAIN(tst_QuickQImage)
#include "tst_QuickQImage.moc"
