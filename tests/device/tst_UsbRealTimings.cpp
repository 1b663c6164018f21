#include "BoardSimulator.h"
#include "DatalinkManager.h"
#include "FakeUsbBackend.h"
#include "SimulatedUsbBoard.h"
#include "USBDataLink.h"
#include "UsbDiscovery.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>

// The USB timers at the values boards are built for, once: a board present at
// start is opened after the start delay and one round, and a board that stops
// taking data loses its link after the writer's full wait.
class tst_UsbRealTimings : public QObject
{
    Q_OBJECT

private slots:
    void discoveryPaceAndWriteWait()
    {
        FakeUsbBackend bus;
        BoardSimulator board;
        SimulatedUsbBoard usbBoard(bus, &board);
        usbBoard.plug();
        QObject devices;
        QPointer<DatalinkManager> manager;
        QElapsedTimer clock;
        qint64 adoptedAt = -1;

        clock.start();
        UsbDiscovery discovery(bus);
        connect(
            &discovery, &UsbDiscovery::usbDatalinkReady, &devices,
            [&](USBDataLink *datalink) {
                adoptedAt = clock.elapsed();
                manager = new DatalinkManager(&devices);
                manager->addDatalink(datalink);
            },
            Qt::DirectConnection);
        QTRY_VERIFY_WITH_TIMEOUT(manager, 6000);
        QVERIFY2(adoptedAt >= 2950 && adoptedAt < 4500, qPrintable(QString::number(adoptedAt)));

        QSignalSpy active(manager.data(), &DatalinkManager::activeLinkTypeChanged);
        QTRY_VERIFY_WITH_TIMEOUT(manager->isDeviceInfoReported(), 5000);
        manager->setActiveDatalinkConnection(AbstractDataLink::USB);
        QVERIFY(active.wait(5000));

        QSignalSpy usbState(manager.data(), &DatalinkManager::usbLinkStateChanged);
        clock.restart();
        usbBoard.device()->setReading(false);
        QTRY_VERIFY_WITH_TIMEOUT(usbState.contains(QVariantList{QVariant::fromValue(AbstractDataLink::Invalid)}),
                                 10000);
        // One heartbeat sticks, the next waits 5000 ms for it.
        QVERIFY2(clock.elapsed() >= 5000 && clock.elapsed() < 7500, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(bus.counters().cancel >= 1);
        QCOMPARE(bus.violations(), QStringList());
    }
};

QTEST_GUILESS_MAIN(tst_UsbRealTimings)
#include "tst_UsbRealTimings.moc"
