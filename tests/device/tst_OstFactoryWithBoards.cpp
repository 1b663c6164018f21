#include "BoardControlChannel.h"
#include "BoardErrorChannel.h"
#include "BoardExternalMode.h"
#include "BoardSimulator.h"
#include "ErrorHandler.h"
#include "ExternalMode.h"
#include "FakeUsbBackend.h"
#include "FileControlChannel.h"
#include "LinkTimings.h"
#include "NetworkBoard.h"
#include "OstFactory.h"
#include "SimulatedUsbBoard.h"
#include "UsbDiscovery.h"
#include "WifiTestCertificates.h"

#include <QPointer>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace std::chrono_literals;

namespace {

BoardSettings boardSettings(const QByteArray &serial)
{
    BoardSettings settings;
    settings.serialNumber = serial;
    settings.heartbeatInterval = 50ms;
    return settings;
}

BoardControlChannel *control(BoardSimulator &board)
{
    return static_cast<BoardControlChannel *>(board.channel(1));
}

// The board reports the address it listens on as its Wi-Fi address.
void reportAddress(NetworkBoard &board)
{
    control(board.simulator)->state().wifiAddress =
        BoardControlState::wifiAddressRecord(board.address().toIPv4Address());
}

QList<uint16_t> commandsReceived(BoardSimulator &board)
{
    QList<uint16_t> commands;
    for (const HostControlRequest &request : control(board)->requests())
        commands << request.command;
    return commands;
}

} // namespace

// The whole road, over loopback sockets and the fake USB bus: the factory connects to
// simulated boards on 127.0.0.2 and 127.0.0.3 over TLS and finds them on USB,
// identifies them, makes them board objects that read their versions and poll their
// status, starts and stops their applications, couples the USB and Wi-Fi links of one
// board, loses a board that falls silent and finds it again, and lets the user
// disconnect.
class tst_OstFactoryWithBoards : public QObject
{
    Q_OBJECT

    QTemporaryDir m_folder;
    WifiTestCertificates m_certificates;

    struct Rig
    {
        FakeUsbBackend bus;
        std::vector<std::unique_ptr<SimulatedUsbBoard>> usbBoards;
        std::vector<std::unique_ptr<NetworkBoard>> boards;
        std::unique_ptr<OstFactory> factory;
        WifiBoardSettings network;

        explicit Rig(const WifiTestCertificates &certificates)
            : network(NetworkBoard::networkSettings(certificates, true))
        {
        }

        // A board on its own loopback address; every board listens on the ports of the first.
        NetworkBoard *addBoard(const QByteArray &serial, const QString &address)
        {
            WifiBoardSettings settings = network;
            settings.address = QHostAddress(address);
            boards.push_back(std::make_unique<NetworkBoard>(boardSettings(serial), settings));
            NetworkBoard *board = boards.back().get();
            QString error;
            if (!board->transport.start(&error))
                qFatal("The simulated board cannot start: %s", qPrintable(error));
            network.streamPort = board->transport.streamPort();
            network.datagramPort = board->transport.datagramPort();
            reportAddress(*board);
            return board;
        }

        OstFactory &makeFactory(const WifiTestCertificates &certificates,
                                std::chrono::milliseconds heartbeatWatchdog = 600ms)
        {
            OstFactorySettings settings;
            settings.linkTimings.heartbeatInterval = 50ms;
            settings.linkTimings.heartbeatWatchdog = heartbeatWatchdog;
            settings.linkTimings.deviceInfoLimit = 1000ms;
            settings.board.statusPollInterval = 100ms;
            settings.board.externalModePort = 0;
            settings.board.wifiLink = boards.front()->linkSettings(certificates);
            settings.board.wifiLink.fallbackBoardAddress = QStringLiteral("127.0.0.9");
            settings.reconnectInterval = 100ms;
            settings.usbBackend = &bus;
            settings.usbTimings.discoveryStartDelay = 20ms;
            settings.usbTimings.discoveryInterval = 20ms;
            factory = std::make_unique<OstFactory>(nullptr, settings);
            return *factory;
        }

        // Plugs the board into the fake USB bus as well.
        SimulatedUsbBoard *plugUsb(NetworkBoard *board)
        {
            usbBoards.push_back(std::make_unique<SimulatedUsbBoard>(bus, &board->simulator));
            usbBoards.back()->plug();
            return usbBoards.back().get();
        }

        Zelto *boardNamed(const QString &serial) const
        {
            for (Zelto *board : factory->deviceList())
                if (board->serialNumber() == serial)
                    return board;
            return nullptr;
        }
        QPointer<Zelto> waitConnected(const QString &serial) const
        {
            if (!QTest::qWaitFor([&] { return boardNamed(serial) && boardNamed(serial)->isConnected(); }, 10000))
                return nullptr;
            return boardNamed(serial);
        }
    };

private slots:
    void initTestCase()
    {
        QVERIFY(m_folder.isValid());
        QString error;
        QVERIFY2(m_certificates.create(m_folder.path(), &error), qPrintable(error));
    }

    void roadFromConnectionToDisconnection()
    {
        Rig rig(m_certificates);
        NetworkBoard *simulated = rig.addBoard("ZW-0001", "127.0.0.2");
        OstFactory &factory = rig.makeFactory(m_certificates);
        QSignalSpy connected(&factory, &OstFactory::ostDeviceConnected);
        QSignalSpy active(&factory, &OstFactory::ActiveDeviceChanged);
        QSignalSpy established(&factory, &OstFactory::wifiConnectionEstablished);

        factory.insertNetworkOstDevice("127.0.0.2");
        QVERIFY(factory.connectionAttempt());
        QPointer<Zelto> board = rig.waitConnected("ZW-0001");
        QVERIFY(board);
        QVERIFY(!factory.connectionAttempt());
        QCOMPARE(established.count(), 1);
        QCOMPARE(connected.count(), 1);
        QCOMPARE(connected[0][0].value<const OstDevice *>(), board.data());
        QVERIFY(connected[0][1].toBool());
        QCOMPARE(active.last()[0].value<const OstDevice *>(), board.data());
        QCOMPARE(factory.selectedDevice(), board.data());
        QCOMPARE(board->getActiveDatalink(), AbstractDataLink::WiFi);

        // What the board reports becomes the board object's properties.
        const BoardControlState &state = control(simulated->simulator)->state();
        QTRY_COMPARE(board->getFirmwareVersion(), QString::fromLatin1(state.firmwareVersion));
        QTRY_COMPARE(board->versionESP(), QString::fromLatin1(state.espVersion));
        QTRY_COMPARE(board->versionApp(), QString::fromLatin1(state.extendedAppVersion));
        QTRY_COMPARE(board->nameApp(), QString::fromLatin1(state.appName));
        QTRY_COMPARE(board->buildID(), state.buildId);
        QTRY_COMPARE(board->ipAddress(), QString("127.0.0.2"));
        QTRY_COMPARE(board->name(), QString("SimBoard"));
        QTRY_COMPARE(board->getAppRunningState(), ControlChannel::Stopped);
        QTRY_COMPARE(board->rssi(), -61);
        QVERIFY(board->errorChannel());
        QCOMPARE(simulated->simulator.channel(6)
                     ? static_cast<BoardErrorChannel *>(simulated->simulator.channel(6))->logLevel()
                     : 0,
                 uint8_t(2));

        // The status is polled: starting and stopping the application shows.
        QMetaObject::invokeMethod(board, "toggleAppState");
        QTRY_VERIFY(board->appRunning());
        QVERIFY(!board->appStateSafeForDownload());
        QMetaObject::invokeMethod(board, "toggleAppState");
        QTRY_COMPARE(board->getAppRunningState(), ControlChannel::Stopped);
        control(simulated->simulator)->state().appStatus = ControlChannel::Running; // started on the board itself
        QTRY_VERIFY(board->appRunning());

        // A message of the board reaches the notifications.
        ErrorHandler::instance()->clearNotifications();
        static_cast<BoardErrorChannel *>(simulated->simulator.channel(6))->pushMessage(4, 0, "[7.5] Motor stalled");
        QTRY_COMPARE(ErrorHandler::instance()->getNotificationCount(), quint32(1));
        QCOMPARE(ErrorHandler::instance()->getNotificationList().at(0)->getMessage(), QString("Motor stalled"));

        // The user disconnects; the board drops the link and is not looked for again.
        QMetaObject::invokeMethod(board, "deleteZelto");
        QTRY_VERIFY(commandsReceived(simulated->simulator).contains(ControlChannel::DisconnectDevice));
        simulated->transport.closeConnections();
        QTRY_VERIFY(!board);
        QCOMPARE(connected.count(), 2);
        QVERIFY(!connected[1][1].toBool());
        QCOMPARE(active.last()[0].value<const OstDevice *>(), nullptr);
        QVERIFY(factory.deviceList().isEmpty());
        QTest::qWait(300);
        QVERIFY(!factory.connectionAttempt());
        QVERIFY(factory.deviceList().isEmpty());
    }

    // The bridge follows the board's external mode while the board stays connected:
    // a model started later gets its bridge, and a bridge that stopped when its client
    // left listens again on the next poll.
    void bridgeFollowsTheExternalModeOfAConnectedBoard()
    {
        Rig rig(m_certificates);
        NetworkBoard *simulated = rig.addBoard("ZW-0001", "127.0.0.2");
        OstFactory &factory = rig.makeFactory(m_certificates);
        factory.insertNetworkOstDevice("127.0.0.2");
        QPointer<Zelto> board = rig.waitConnected("ZW-0001");
        QVERIFY(board);
        ExternalMode *bridge = board->externalMode();
        QTest::qWait(300);
        QVERIFY(!bridge->isStarted());

        control(simulated->simulator)->state().externalModeOpen = true; // the model starts
        QTRY_VERIFY(bridge->isStarted());
        // The board and the bridge answer from this thread's event loop.
        const auto echoes = [bridge] {
            QTcpSocket client;
            client.connectToHost(QHostAddress::LocalHost, quint16(bridge->serverPort()));
            if (!QTest::qWaitFor([&] { return client.state() == QAbstractSocket::ConnectedState; }, 5000))
                return false;
            client.write("ping");
            return QTest::qWaitFor([&] { return client.bytesAvailable() >= 4; }, 5000) && client.readAll() == "ping";
        };
        QVERIFY(echoes()); // the simulated model echoes

        // The client has left: the next bytes of the model cannot be written, and the
        // bridge stops until the next poll finds the model still running.
        QTRY_VERIFY(!bridge->isClientConnected());
        QSignalSpy status(bridge, &ExternalMode::extModServerStatusChanged);
        auto *model = static_cast<BoardExternalMode *>(simulated->simulator.channel(BoardExternalMode::Number));
        model->sendToHost(simulated->simulator.links().constFirst(), "late");
        QTRY_VERIFY(status.size() >= 2);
        QCOMPARE(status[0][1].toBool(), false);
        QCOMPARE(status[1][1].toBool(), true);
        QTRY_VERIFY(bridge->isStarted());
        QVERIFY(echoes());

        control(simulated->simulator)->state().externalModeOpen = false; // the model ends
        QTRY_VERIFY(!bridge->isStarted());
    }

    // A board that sends a flood of distinct warnings: the program keeps up with it,
    // so the link stays up, and the notifications stay at the list's capacity.
    void floodOfBoardMessagesKeepsTheLinkUp()
    {
        Rig rig(m_certificates);
        NetworkBoard *simulated = rig.addBoard("ZW-0001", "127.0.0.2");
        // The program's own watchdog.
        OstFactory &factory = rig.makeFactory(m_certificates, LinkTimings().heartbeatWatchdog);
        factory.insertNetworkOstDevice("127.0.0.2");
        QPointer<Zelto> board = rig.waitConnected("ZW-0001");
        QVERIFY(board);
        QTRY_VERIFY(board->errorChannel());
        QSignalSpy connection(&factory, &OstFactory::ostDeviceConnected);
        ErrorHandler *notifications = ErrorHandler::instance();
        notifications->clearNotifications();

        // The warnings (and the link's debug lines) stay out of the test's output.
        static QtMessageHandler previous = nullptr;
        previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &context, const QString &text) {
            if (type != QtDebugMsg && !text.startsWith("[Warning received from Zelto]"))
                previous(type, context, text);
        });
        const auto restore = qScopeGuard([] { qInstallMessageHandler(previous); });

        // The board sends in bursts, each once the program has shown the one before, so
        // that the heartbeats get through between them; all the program keeps of the
        // messages stays within the list's capacity.
        constexpr int Flood = 100000;
        constexpr int Burst = 2000;
        auto *messages = static_cast<BoardErrorChannel *>(simulated->simulator.channel(6));
        const auto text = [](int i) { return QStringLiteral("Wheel %1 slips").arg(i); };
        const auto shown = [&](int i) {
            const NotificationList listed = notifications->getNotificationList();
            return !listed.isEmpty() && listed.constLast()->getMessage() == text(i);
        };
        for (int sent = 0; sent < Flood && board; sent += Burst) {
            for (int i = sent; i < sent + Burst; ++i)
                messages->pushMessage(3, 0, "[1.0] " + text(i).toUtf8());
            QVERIFY(QTest::qWaitFor([&] { return shown(sent + Burst - 1) || !board; }, 60000));
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QVERIFY(notifications->children().size() <= ErrorHandler::Capacity);
        }

        QVERIFY(board);
        QVERIFY(board->isConnected());
        QCOMPARE(connection.count(), 0);
        QCOMPARE(notifications->getNotificationCount(), quint32(ErrorHandler::Capacity));
    }

    void twoBoardsAtOnce()
    {
        Rig rig(m_certificates);
        NetworkBoard *first = rig.addBoard("ZW-0001", "127.0.0.2");
        NetworkBoard *second = rig.addBoard("ZW-0002", "127.0.0.3");
        OstFactory &factory = rig.makeFactory(m_certificates);

        factory.insertNetworkOstDevice("127.0.0.2");
        QPointer<Zelto> one = rig.waitConnected("ZW-0001");
        QVERIFY(one);
        factory.insertNetworkOstDevice("127.0.0.3");
        QPointer<Zelto> two = rig.waitConnected("ZW-0002");
        QVERIFY(two);
        QCOMPARE(factory.deviceList().size(), 2);
        QCOMPARE(factory.selectedDevice(), one.data());
        QTRY_COMPARE(one->ipAddress(), QString("127.0.0.2"));
        QTRY_COMPARE(two->ipAddress(), QString("127.0.0.3"));

        // Each board object speaks to its own board.
        QMetaObject::invokeMethod(two, "toggleAppState");
        QTRY_VERIFY(two->appRunning());
        QTest::qWait(300);
        QVERIFY(!one->appRunning());
        QCOMPARE(control(first->simulator)->state().appStatus, uint8_t(ControlChannel::Stopped));
        QCOMPARE(control(second->simulator)->state().appStatus, uint8_t(ControlChannel::Running));

        // The selection moves to the second board.
        QSignalSpy active(&factory, &OstFactory::ActiveDeviceChanged);
        factory.setSelectedDevice(two);
        QCOMPARE(active.count(), 1);
        QCOMPARE(active[0][0].value<const OstDevice *>(), two.data());
    }

    void boardThatFallsSilentIsLostAndFoundAgain()
    {
        Rig rig(m_certificates);
        NetworkBoard *simulated = rig.addBoard("ZW-0001", "127.0.0.2");
        OstFactory &factory = rig.makeFactory(m_certificates);
        QSignalSpy connected(&factory, &OstFactory::ostDeviceConnected);
        factory.insertNetworkOstDevice("127.0.0.2");
        QPointer<Zelto> board = rig.waitConnected("ZW-0001");
        QVERIFY(board);
        QTRY_COMPARE(board->ipAddress(), QString("127.0.0.2"));

        simulated->simulator.settings().silent = true;
        QTRY_VERIFY_WITH_TIMEOUT(!board, 5000);
        QCOMPARE(connected.count(), 2);
        QVERIFY(!connected[1][1].toBool());
        // Looked for again at the address the board reported.
        QCOMPARE(factory.connectionAttemptAddress(), QString("127.0.0.2"));
        QTest::qWait(1500); // attempts that reach a silent board find no one to identify
        QVERIFY(factory.deviceList().isEmpty());

        simulated->simulator.settings().silent = false;
        QPointer<Zelto> again = rig.waitConnected("ZW-0001");
        QVERIFY(again);
        QCOMPARE(factory.selectedDevice(), again.data());
        QVERIFY(!factory.connectionAttempt());
    }

    void usbBoardIsFoundUsedAndReleased()
    {
        Rig rig(m_certificates);
        NetworkBoard *simulated = rig.addBoard("ZU-0001", "127.0.0.2");
        SimulatedUsbBoard *usb = rig.plugUsb(simulated);
        OstFactory &factory = rig.makeFactory(m_certificates);
        QPointer<Zelto> board = rig.waitConnected("ZU-0001");
        QVERIFY(board);
        QCOMPARE(board->getActiveDatalink(), AbstractDataLink::USB);
        QCOMPARE(factory.selectedDevice(), board.data());
        QTRY_COMPARE(board->getFirmwareVersion(), QString("1.4.2"));
        QMetaObject::invokeMethod(board, "toggleAppState");
        QTRY_VERIFY(board->appRunning());

        // Unplugged: the board goes, and its USB device is released.
        usb->unplug();
        QTRY_VERIFY_WITH_TIMEOUT(!board, 5000);
        QTRY_COMPARE(factory.usbDiscovery()->knownDeviceCount(), 0);
        QCOMPARE(rig.bus.openHandles(), 0);
        QVERIFY(!factory.connectionAttempt());

        // Plugged in again, it is found again.
        usb->plug();
        QPointer<Zelto> again = rig.waitConnected("ZU-0001");
        QVERIFY(again);
        QVERIFY(rig.bus.violations().isEmpty());
    }

    void usbAndWifiLinksOfOneBoardAreCoupled()
    {
        Rig rig(m_certificates);
        NetworkBoard *simulated = rig.addBoard("ZU-0001", "127.0.0.2");
        SimulatedUsbBoard *usb = rig.plugUsb(simulated);
        OstFactory &factory = rig.makeFactory(m_certificates);
        QPointer<Zelto> board = rig.waitConnected("ZU-0001");
        QVERIFY(board);
        QSignalSpy list(&factory, &OstFactory::DeviceListChanged);
        QSignalSpy established(&factory, &OstFactory::wifiConnectionEstablished);

        factory.insertNetworkOstDevice("127.0.0.2");
        QVERIFY(established.wait(10000));
        QCOMPARE(factory.deviceList(), QList<Zelto *>{board.data()});
        QCOMPARE(list.count(), 0);
        QVERIFY(board->getDatalink(AbstractDataLink::WiFi));
        QCOMPARE(board->getActiveDatalink(), AbstractDataLink::USB);
        QTRY_VERIFY(factory.pendingDevices().isEmpty());

        // The board moves to its Wi-Fi link and keeps working when USB goes.
        QMetaObject::invokeMethod(board, "setActiveDatalinkWifi");
        QTRY_COMPARE(board->getActiveDatalink(), AbstractDataLink::WiFi);
        usb->unplug();
        QTRY_COMPARE(factory.usbDiscovery()->knownDeviceCount(), 0);
        QVERIFY(board);
        QVERIFY(board->isConnected());
        QCOMPARE(board->getDatalink(AbstractDataLink::USB), nullptr);
        QMetaObject::invokeMethod(board, "toggleAppState");
        QTRY_VERIFY(board->appRunning());
    }

    // A board of a datalink version the program does not speak is never identified:
    // its pending device goes after the identification limit and the board is found
    // again, over and over. The user hears about it once.
    void unsupportedBoardIsReportedOnce_data()
    {
        QTest::addColumn<bool>("usb");
        QTest::newRow("Wi-Fi") << false;
        QTest::newRow("USB") << true;
    }
    void unsupportedBoardIsReportedOnce()
    {
        QFETCH(bool, usb);
        Rig rig(m_certificates);
        NetworkBoard *simulated = rig.addBoard("ZX-0001", "127.0.0.4");
        simulated->simulator.settings().datalinkVersion = 2;
        if (usb)
            rig.plugUsb(simulated);
        QSignalSpy wifiLinks(&simulated->simulator, &BoardSimulator::linkAttached);
        OstFactory &factory = rig.makeFactory(m_certificates);
        static int reports = 0;
        reports = 0;
        static QtMessageHandler previous = nullptr;
        previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &context, const QString &text) {
            if (type == QtCriticalMsg && text.startsWith("[Unsupported device]"))
                ++reports;
            else
                previous(type, context, text);
        });
        const auto restore = qScopeGuard([] { qInstallMessageHandler(previous); });
        if (!usb)
            factory.insertNetworkOstDevice("127.0.0.4");

        const auto rounds = [&] { return usb ? rig.bus.counters().open : int(wifiLinks.size()); };
        QTRY_COMPARE_WITH_TIMEOUT(reports, 1, 10000);
        ErrorHandler::instance()->clearNotifications();
        const int first = rounds();
        QTRY_VERIFY_WITH_TIMEOUT(rounds() >= first + 2, 15000);
        QTest::qWait(200);
        QCOMPARE(reports, 1);
        QCOMPARE(ErrorHandler::instance()->getNotificationCount(), quint32(0));
        QVERIFY(factory.deviceList().isEmpty());
    }

    // When the program closes, every connected board hears that the host leaves
    // before its link closes.
    void closingTellsTheBoardsBeforeTheLinksClose()
    {
        Rig rig(m_certificates);
        NetworkBoard *overWifi = rig.addBoard("ZW-0001", "127.0.0.2");
        NetworkBoard *overUsb = rig.addBoard("ZU-0001", "127.0.0.3");
        rig.plugUsb(overUsb);
        OstFactory &factory = rig.makeFactory(m_certificates);
        factory.insertNetworkOstDevice("127.0.0.2");
        QVERIFY(rig.waitConnected("ZW-0001"));
        QVERIFY(rig.waitConnected("ZU-0001"));
        QTRY_VERIFY(rig.boardNamed("ZW-0001")->getFirmwareVersion() != "Undefined");

        rig.factory.reset();
        for (NetworkBoard *board : {overWifi, overUsb})
            QTRY_VERIFY2(commandsReceived(board->simulator).contains(ControlChannel::DisconnectDevice),
                         board == overWifi ? "over Wi-Fi" : "over USB");
    }

    void destroyingTheFactoryReleasesItsUsbBoards()
    {
        Rig rig(m_certificates);
        rig.plugUsb(rig.addBoard("ZU-0001", "127.0.0.2"));
        rig.plugUsb(rig.addBoard("ZU-0002", "127.0.0.3"));
        rig.makeFactory(m_certificates);
        QVERIFY(rig.waitConnected("ZU-0001"));
        QVERIFY(rig.waitConnected("ZU-0002"));
        QVERIFY(rig.bus.openHandles() == 2);
        rig.factory.reset();
        QCOMPARE(rig.bus.openHandles(), 0);
        QCOMPARE(rig.bus.liveTransfers(), 0);
        QCOMPARE(rig.bus.counters().exit, 1);
        QVERIFY2(rig.bus.violations().isEmpty(), qPrintable(rig.bus.violations().join('\n')));
    }
};

QTEST_MAIN(tst_OstFactoryWithBoards)
#include "tst_OstFactoryWithBoards.moc"
