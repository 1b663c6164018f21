#include "BoardLinkProtocol.h"
#include "BoardSimulator.h"
#include "DatalinkManager.h"
#include "FakeUsbBackend.h"
#include "SimulatedUsbBoard.h"
#include "USBDataLink.h"
#include "UsbDiscovery.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <thread>

using VendorProductList = QList<QPair<int, int>>;

namespace {

using namespace std::chrono_literals;

UsbTimings fastDiscovery(std::chrono::milliseconds startDelay = 20ms, std::chrono::milliseconds interval = 20ms)
{
    UsbTimings timings;
    timings.discoveryStartDelay = startDelay;
    timings.discoveryInterval = interval;
    timings.writeWait = 60s; // a link that forgot to give the wire back shows as a time-out
    return timings;
}

LinkTimings hostTimings()
{
    LinkTimings timings;
    timings.heartbeatInterval = 20ms;
    timings.heartbeatWatchdog = 600ms;
    timings.deviceInfoLimit = 600ms;
    return timings;
}

// The USB discovery on the fake bus with simulated boards plugged in. What the
// device factory does with an adopted datalink is played by a datalink manager per
// board, as a pending device holds one.
struct DiscoveryRig
{
    FakeUsbBackend bus;
    std::vector<std::unique_ptr<BoardSimulator>> boards;
    std::vector<std::unique_ptr<SimulatedUsbBoard>> usbBoards;
    std::unique_ptr<QObject> devices = std::make_unique<QObject>();
    QList<QPointer<DatalinkManager>> managers;
    QStringList serials; // what each manager's board reported
    QList<qint64> adoptedAtMs;
    QElapsedTimer clock;
    std::unique_ptr<UsbDiscovery> discovery;

    SimulatedUsbBoard *plugBoard(const QByteArray &serial)
    {
        BoardSettings settings;
        settings.serialNumber = serial;
        settings.heartbeatInterval = 20ms;
        boards.push_back(std::make_unique<BoardSimulator>(settings));
        usbBoards.push_back(std::make_unique<SimulatedUsbBoard>(bus, boards.back().get()));
        usbBoards.back()->plug();
        return usbBoards.back().get();
    }

    void start(const UsbTimings &timings = fastDiscovery())
    {
        clock.start();
        discovery = std::make_unique<UsbDiscovery>(bus, timings);
        QObject::connect(
            discovery.get(), &UsbDiscovery::usbDatalinkReady, devices.get(),
            [this](USBDataLink *datalink) {
                auto *manager = new DatalinkManager(devices.get(), hostTimings());
                const qsizetype index = managers.size();
                serials.append(QString());
                QObject::connect(manager, &DatalinkManager::deviceInfoReceived, devices.get(),
                                 [this, index](const QString &serial) { serials[index] = serial; });
                manager->addDatalink(datalink);
                managers.append(manager);
                adoptedAtMs.append(clock.elapsed());
            },
            Qt::DirectConnection);
    }

    // The identity the board reported to the manager adopted at index, once it did.
    QString identifiedSerial(int index, int timeoutMs = 3000)
    {
        static_cast<void>(QTest::qWaitFor([&] { return index < serials.size() && !serials[index].isEmpty(); },
                                          timeoutMs));
        return index < serials.size() ? serials[index] : QString();
    }

    bool activate(int index)
    {
        QSignalSpy changed(managers[index].data(), &DatalinkManager::activeLinkTypeChanged);
        managers[index]->setActiveDatalinkConnection(AbstractDataLink::USB);
        return changed.wait(3000) && managers[index]->activeLinkType() == AbstractDataLink::USB;
    }

    // Waits, without running the event loop (so nothing is adopted), until the
    // discovery thread has handed a board over.
    bool waitForHandOverWithoutAdopting()
    {
        QElapsedTimer waited;
        waited.start();
        while (bus.counters().open < 1 && waited.elapsed() < 5000)
            std::this_thread::sleep_for(5ms);
        std::this_thread::sleep_for(200ms); // time for rounds that must not happen
        return bus.counters().open >= 1;
    }

    // libusb's rules were kept and everything handed out came back.
    void verifyReleased()
    {
        QCOMPARE(bus.violations(), QStringList());
        QCOMPARE(bus.openHandles(), 0);
        QCOMPARE(bus.liveTransfers(), 0);
        QCOMPARE(bus.outstandingConfigDescriptors(), 0);
        QCOMPARE(bus.outstandingDeviceReferences(), 0);
    }
};

} // namespace

// Discovery of boards on the fake bus: rounds and hand-over, adoption and
// identification through the board simulator, boards that cannot be opened or
// claimed, an unplug in the middle of a transfer, the event thread, and shutdown
// in every state, including with no USB at all.
class tst_UsbDiscovery : public QObject
{
    Q_OBJECT

private slots:
    void busWithoutBoards_data()
    {
        QTest::addColumn<VendorProductList>("devices");
        QTest::newRow("no devices at all") << VendorProductList{};
        QTest::newRow("other vendor and other product") << VendorProductList{{0x1234, 0x828A}, {0x1FC9, 0x0001}};
    }

    void busWithoutBoards()
    {
        QFETCH(VendorProductList, devices);
        DiscoveryRig rig;
        QList<FakeUsbDevice *> plugged;
        for (const auto &[vendor, product] : devices) {
            FakeUsbDeviceDescription description = FakeUsbDeviceDescription::board();
            description.vendorId = uint16_t(vendor);
            description.productId = uint16_t(product);
            plugged << rig.bus.plug(description);
        }
        rig.start();
        QVERIFY(rig.discovery->isUsbAvailable());
        QTRY_VERIFY(rig.bus.counters().getDeviceList >= 5);
        QCOMPARE(rig.bus.counters().open, 0);
        QCOMPARE(rig.discovery->knownDeviceCount(), 0);
        QVERIFY(!rig.discovery->isEventThreadRunning());
        QVERIFY(rig.bus.eventThreads().isEmpty());

        QElapsedTimer clock;
        clock.start();
        rig.discovery.reset();
        QVERIFY(clock.elapsed() < 500);
        QCOMPARE(rig.bus.counters().init, 1);
        QCOMPARE(rig.bus.counters().exit, 1);
        rig.verifyReleased();
    }

    void libusbCannotBeInitialised()
    {
        DiscoveryRig rig;
        rig.bus.setInitError(LIBUSB_ERROR_OTHER);
        rig.plugBoard("USB-0001");
        QTest::ignoreMessage(QtWarningMsg, "Could not initialise USB driver.");
        rig.start();
        QVERIFY(!rig.discovery->isUsbAvailable());
        QTest::qWait(100);
        QCOMPARE(rig.bus.counters().getDeviceList, 0);
        QVERIFY(rig.managers.isEmpty());
        rig.discovery.reset();
        QCOMPARE(rig.bus.counters().exit, 0);
        rig.verifyReleased();
    }

    // On this machine libusb may or may not come up, and there is no board: either
    // way discovery starts, runs its rounds and stops promptly.
    void realLibusbStartsAndStops()
    {
        QElapsedTimer clock;
        clock.start();
        {
            UsbDiscovery discovery(LibusbBackend::instance(), fastDiscovery(10ms, 10ms));
            QTest::qWait(100);
            QCOMPARE(discovery.knownDeviceCount(), 0);
        }
        QVERIFY(clock.elapsed() < 2000);
    }

    void boardIsAdoptedAndIdentified()
    {
        DiscoveryRig rig;
        SimulatedUsbBoard *board = rig.plugBoard("USB-0042");
        rig.start();
        QTRY_COMPARE(rig.managers.size(), 1);
        QCOMPARE(rig.identifiedSerial(0), QString("USB-0042"));
        QVERIFY(rig.activate(0));
        QCOMPARE(rig.boards[0]->linkProtocol()->activeLink(), BoardLinkType::USB);

        FakeUsbDevice *device = board->device();
        QCOMPARE(device->openCount(), 1);
        QCOMPARE(device->claimedInterfaces(), QSet<int>{0});
        QCOMPARE(device->configurationSet(), 1);
        QCOMPARE(device->autoDetachRequests(), 1);
        QVERIFY(rig.discovery->isEventThreadRunning());
        QCOMPARE(rig.bus.eventThreads().size(), 1);

        // Heartbeats both ways keep the board for several watchdog periods.
        QSignalSpy disconnected(rig.managers[0].data(), &DatalinkManager::DisconnectDatalinkSignal);
        QTest::qWait(1500);
        QCOMPARE(disconnected.count(), 0);
        QCOMPARE(rig.discovery->knownDeviceCount(), 1);
        QCOMPARE(rig.bus.counters().open, 1); // a known board is not opened again
        rig.discovery.reset();
        rig.verifyReleased();
    }

    void boardsAreTakenOneRoundAtATime()
    {
        DiscoveryRig rig;
        rig.plugBoard("USB-A");
        rig.plugBoard("USB-B");
        rig.start(fastDiscovery(200ms, 150ms));
        QTRY_COMPARE_WITH_TIMEOUT(rig.managers.size(), 2, 5000);
        // The start delay and one interval before the first, one interval more for the second.
        QVERIFY2(rig.adoptedAtMs[0] >= 340, qPrintable(QString::number(rig.adoptedAtMs[0])));
        QVERIFY2(rig.adoptedAtMs[1] - rig.adoptedAtMs[0] >= 140,
                 qPrintable(QString::number(rig.adoptedAtMs[1] - rig.adoptedAtMs[0])));
        QCOMPARE(rig.identifiedSerial(0), QString("USB-A"));
        QCOMPARE(rig.identifiedSerial(1), QString("USB-B"));
        QCOMPARE(rig.bus.eventThreads().size(), 1);
        rig.discovery.reset();
        rig.verifyReleased();
    }

    // The discovery thread opens nothing more until the owner has adopted the board
    // it handed over.
    void handOverWaitsForAdoption()
    {
        DiscoveryRig rig;
        rig.plugBoard("USB-A");
        rig.plugBoard("USB-B");
        rig.start();
        QVERIFY(rig.waitForHandOverWithoutAdopting());
        QCOMPARE(rig.bus.counters().open, 1);
        QCOMPARE(rig.discovery->knownDeviceCount(), 1);
        QVERIFY(rig.managers.isEmpty());
        QTRY_COMPARE(rig.managers.size(), 2);
        QCOMPARE(rig.bus.counters().open, 2);
        rig.discovery.reset();
        rig.verifyReleased();
    }

    void failuresAreRetriedNextRound_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("message");
        QTest::newRow("device list unreadable") << "list"
                                                << "USB discover error,  LIBUSB_ERROR_IO";
        QTest::newRow("open refused") << "open"
                                      << "error opening device:  -3";
        QTest::newRow("claim refused") << "claim"
                                       << "usb_claim_interface error -6";
        QTest::newRow("configuration unreadable") << "config"
                                                  << "unable to find Datalink interface number";
    }

    void failuresAreRetriedNextRound()
    {
        QFETCH(QString, failure);
        QFETCH(QString, message);
        DiscoveryRig rig;
        SimulatedUsbBoard *board = rig.plugBoard("USB-R");
        if (failure == QLatin1String("list"))
            rig.bus.failDeviceList(LIBUSB_ERROR_IO, 1000);
        if (failure == QLatin1String("open"))
            board->device()->setOpenError(LIBUSB_ERROR_ACCESS);
        if (failure == QLatin1String("claim"))
            board->device()->setClaimError(LIBUSB_ERROR_BUSY);
        if (failure == QLatin1String("config"))
            rig.bus.setConfigDescriptorError(LIBUSB_ERROR_IO);
        QTest::ignoreMessage(QtDebugMsg, qPrintable(message));
        rig.start();
        QTRY_VERIFY(rig.bus.counters().getDeviceList >= 4);
        if (failure != QLatin1String("list"))
            QTRY_VERIFY(rig.bus.counters().open >= 3);
        QVERIFY(rig.managers.isEmpty());
        rig.bus.failDeviceList(0, 0);
        board->device()->setOpenError(0);
        board->device()->setClaimError(0);
        rig.bus.setConfigDescriptorError(0);
        QTRY_COMPARE(rig.managers.size(), 1);
        QCOMPARE(rig.identifiedSerial(0), QString("USB-R"));
        // Every failed attempt was undone before the next round tried again.
        QCOMPARE(board->device()->closeCount(), board->device()->openCount() - 1);
        QCOMPARE(rig.bus.openHandles(), 1);
        rig.discovery.reset();
        rig.verifyReleased();
    }

    // The board goes while a packet is on the wire: the link fails, the manager
    // drops it, the board is released and the event thread ends with it; plugged in
    // again, the board is found and identified anew.
    void unplugInTheMiddleOfATransfer()
    {
        DiscoveryRig rig;
        SimulatedUsbBoard *board = rig.plugBoard("USB-U");
        rig.start();
        QTRY_COMPARE(rig.managers.size(), 1);
        QCOMPARE(rig.identifiedSerial(0), QString("USB-U"));
        QVERIFY(rig.activate(0));
        QSignalSpy connected(rig.managers[0].data(), &DatalinkManager::isConnected);
        QSignalSpy notAvailable(rig.managers[0].data(), &DatalinkManager::deviceNotAvailable);

        board->device()->setSwallowingOut(true); // the next heartbeat stays on the wire
        QTRY_COMPARE(rig.bus.transfersInFlight(), 2);
        FakeUsbDevice *first = board->device();
        board->unplug();

        QTRY_COMPARE(rig.discovery->knownDeviceCount(), 0);
        QVERIFY(!rig.discovery->isEventThreadRunning());
        QTRY_VERIFY(notAvailable.count() >= 1);
        QVERIFY(!connected.isEmpty());
        QCOMPARE(connected.last().first().toBool(), false);
        QCOMPARE(first->closeCount(), 1);
        QCOMPARE(rig.bus.liveTransfers(), 0);
        QCOMPARE(rig.bus.violations(), QStringList());

        board->plug();
        QTRY_COMPARE(rig.managers.size(), 2);
        QCOMPARE(rig.identifiedSerial(1), QString("USB-U"));
        QVERIFY(rig.activate(1));
        QVERIFY(rig.discovery->isEventThreadRunning());
        rig.discovery.reset();
        rig.verifyReleased();
    }

    // Shutdown with boards in every state returns promptly, releases each board and
    // libusb once, and keeps libusb's rules.
    void shutdown_data()
    {
        QTest::addColumn<QString>("state");
        QTest::newRow("board active") << "active";
        QTest::newRow("devices released before discovery") << "devices first";
        QTest::newRow("writer waiting on a stuck packet") << "stuck";
        QTest::newRow("board handed over, not yet adopted") << "hand-over";
        QTest::newRow("two boards") << "two";
    }

    void shutdown()
    {
        QFETCH(QString, state);
        DiscoveryRig rig;
        SimulatedUsbBoard *board = rig.plugBoard("USB-S");
        if (state == QLatin1String("two"))
            rig.plugBoard("USB-T");
        rig.start();
        if (state == QLatin1String("hand-over")) {
            QVERIFY(rig.waitForHandOverWithoutAdopting());
            QCOMPARE(rig.discovery->knownDeviceCount(), 1);
        } else {
            QTRY_COMPARE(rig.managers.size(), state == QLatin1String("two") ? 2 : 1);
            QVERIFY(!rig.identifiedSerial(0).isEmpty());
            QVERIFY(rig.activate(0));
        }
        if (state == QLatin1String("stuck")) {
            board->device()->setSwallowingOut(true);
            QTRY_COMPARE(rig.bus.transfersInFlight(), 2);
            QTest::qWait(50); // further heartbeats queue behind the stuck one
        }

        QElapsedTimer clock;
        clock.start();
        if (state == QLatin1String("devices first"))
            rig.devices.reset();
        rig.discovery.reset();
        QVERIFY2(clock.elapsed() < 1500, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(rig.managers.isEmpty() || !rig.managers[0] || !rig.managers[0]->getDatalink(AbstractDataLink::USB));
        QCOMPARE(rig.bus.counters().exit, 1);
        rig.verifyReleased();
    }
};

QTEST_GUILESS_MAIN(tst_UsbDiscovery)
#include "tst_UsbDiscovery.moc"
