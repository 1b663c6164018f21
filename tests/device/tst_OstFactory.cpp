#include "BoardControlChannel.h"
#include "BoardSimulator.h"
#include "DatalinkManager.h"
#include "FakeUsbBackend.h"
#include "OstFactory.h"
#include "SimulatorDataLink.h"

#include <QPointer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

#include <memory>

namespace {

// A loopback address on which no board listens; the factory's fallback in these tests.
const QString kNobodyThere = QStringLiteral("127.0.0.9");

quint16 closedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return server.serverPort();
}

OstFactorySettings factorySettings()
{
    OstFactorySettings settings;
    settings.linkTimings.heartbeatInterval = std::chrono::milliseconds(20);
    settings.linkTimings.heartbeatWatchdog = std::chrono::milliseconds(300);
    settings.linkTimings.deviceInfoLimit = std::chrono::milliseconds(300);
    settings.board.statusPollInterval = std::chrono::milliseconds(50);
    settings.board.externalModePort = 0;
    settings.board.wifiLink.fallbackBoardAddress = kNobodyThere;
    settings.board.wifiLink.streamPort = closedPort();
    settings.board.wifiLink.localDatagramPort = 0;
    settings.reconnectInterval = std::chrono::milliseconds(50);
    // An empty bus: the boards of these tests come by other transports.
    static FakeUsbBackend bus;
    settings.usbBackend = &bus;
    return settings;
}

BoardSettings boardSettings(const QByteArray &serial)
{
    BoardSettings settings;
    settings.serialNumber = serial;
    settings.heartbeatInterval = std::chrono::milliseconds(20);
    return settings;
}

// The factory's signals, as one line each, in the order they came.
struct FactoryLog
{
    QStringList lines;
    QObject context; // ends the connections with the log

    explicit FactoryLog(OstFactory &factory)
    {
        auto name = [](const OstDevice *dev) { return dev ? dev->serialNumber() : QStringLiteral("none"); };
        QObject::connect(&factory, &OstFactory::SelectedDeviceChanged, &context,
                         [this, name](const OstDevice *dev) { lines << "selected " + name(dev); });
        QObject::connect(&factory, &OstFactory::ActiveDeviceChanged, &context,
                         [this, name](const OstDevice *dev) { lines << "active " + name(dev); });
        QObject::connect(&factory, &OstFactory::DeviceListChanged, &context,
                         [this](const QList<Zelto *> &list) { lines << QString("list %1").arg(list.size()); });
        QObject::connect(&factory, &OstFactory::ostDeviceConnected, &context,
                         [this, name](const OstDevice *dev, bool connected) {
                             lines << QString("%1 %2").arg(name(dev), connected ? "connected" : "disconnected");
                         });
    }
    void clear() { lines.clear(); }
};

} // namespace

// The device factory with boards behind in-process transports: identification,
// adoption, coupling by serial number, auto-connect, selection, removal and the
// reconnection of lost Wi-Fi boards; and its connection attempts over real sockets
// to an address where nobody listens.
class tst_OstFactory : public QObject
{
    Q_OBJECT

    struct Rig
    {
        OstFactory factory{nullptr, factorySettings()};
        FactoryLog log{factory};
        std::vector<std::unique_ptr<BoardSimulator>> boards;

        // A board that reports no Wi-Fi address of its own.
        BoardSimulator *board(const QByteArray &serial)
        {
            boards.push_back(std::make_unique<BoardSimulator>(boardSettings(serial)));
            control(boards.back().get())->state().wifiAddress = BoardControlState::wifiAddressRecord(0);
            return boards.back().get();
        }
        static BoardControlChannel *control(BoardSimulator *board)
        {
            return static_cast<BoardControlChannel *>(board->channel(1));
        }
        QPointer<SimulatorDataLink> plug(BoardSimulator *board, AbstractDataLink::LinkType type)
        {
            auto *link = new SimulatorDataLink(type, board);
            factory.createPendingDevice(link);
            if (type == AbstractDataLink::WiFi)
                link->initialise();
            return link;
        }
        Zelto *boardNamed(const QString &serial) const
        {
            for (Zelto *board : factory.deviceList())
                if (board->serialNumber() == serial)
                    return board;
            return nullptr;
        }
        // Plugs a board in and waits until it is adopted and connected.
        QPointer<Zelto> connect(BoardSimulator *board, AbstractDataLink::LinkType type)
        {
            plug(board, type);
            const QString serial = QString::fromLatin1(board->settings().serialNumber);
            if (!QTest::qWaitFor([&] { return boardNamed(serial) && boardNamed(serial)->isConnected(); }, 3000))
                return nullptr;
            return boardNamed(serial);
        }
    };

private slots:
    void firstBoardIsAdoptedSelectedAndActivated()
    {
        Rig rig;
        auto *link = new SimulatorDataLink(AbstractDataLink::USB, rig.board("ZB-0001"));
        QPointer<OstDevice> pending = rig.factory.createPendingDevice(link);
        QCOMPARE(rig.factory.pendingDevices(), QList<OstDevice *>{pending.data()});
        QTRY_VERIFY(rig.log.lines.contains("active ZB-0001"));

        QCOMPARE(rig.log.lines,
                 (QStringList{"selected ZB-0001", "active none", "list 1", "ZB-0001 connected", "active ZB-0001"}));
        Zelto *board = rig.factory.deviceList().at(0);
        QCOMPARE(rig.factory.selectedDevice(), board);
        QCOMPARE(board->getActiveDatalink(), AbstractDataLink::USB);
        QCOMPARE(board->getDatalink(AbstractDataLink::USB), link);
        QVERIFY(rig.factory.pendingDevices().isEmpty());
        QTRY_VERIFY(!pending);
    }

    void laterBoardsAreNotSelected()
    {
        Rig rig;
        QPointer<Zelto> first = rig.connect(rig.board("ZB-0001"), AbstractDataLink::USB);
        QVERIFY(first);
        rig.log.clear();
        QPointer<Zelto> second = rig.connect(rig.board("ZB-0002"), AbstractDataLink::USB);
        QVERIFY(second);
        QCOMPARE(rig.factory.deviceList(), (QList<Zelto *>{first, second}));
        QCOMPARE(rig.factory.selectedDevice(), first.data());
        QCOMPARE(rig.log.lines, (QStringList{"list 2", "ZB-0002 connected"}));
    }

    void linksOfOneSerialNumberMakeOneBoard()
    {
        Rig rig;
        BoardSimulator *simulator = rig.board("ZB-0001");
        QPointer<Zelto> board = rig.connect(simulator, AbstractDataLink::USB);
        QVERIFY(board);
        QSignalSpy wifiEstablished(&rig.factory, &OstFactory::wifiConnectionEstablished);
        rig.log.clear();

        QPointer<SimulatorDataLink> wifi = rig.plug(simulator, AbstractDataLink::WiFi);
        QVERIFY(wifiEstablished.wait(3000));
        QCOMPARE(rig.factory.deviceList().size(), 1);
        QCOMPARE(board->getDatalink(AbstractDataLink::WiFi), wifi.data());
        QCOMPARE(wifi->parent(), board->getDatalinkManager());
        // The board kept the link it had.
        QCOMPARE(board->getActiveDatalink(), AbstractDataLink::USB);
        QTRY_VERIFY(rig.factory.pendingDevices().isEmpty());
        QCOMPARE(rig.log.lines, QStringList());

        // The board's Wi-Fi link can be made the active one.
        QSignalSpy active(board->getDatalinkManager(), &DatalinkManager::activeLinkTypeChanged);
        QMetaObject::invokeMethod(board, "setActiveDatalinkWifi");
        QVERIFY(active.wait(3000));
        QCOMPARE(board->getActiveDatalink(), AbstractDataLink::WiFi);
    }

    void autoConnect_data()
    {
        QTest::addColumn<bool>("autoConnect");
        QTest::addColumn<bool>("remembered");
        QTest::addColumn<QList<bool>>("activated"); // for each identification in turn
        QTest::newRow("on: every identified link") << true << false << QList<bool>{true, true};
        QTest::newRow("off: none") << false << false << QList<bool>{false, false};
        QTest::newRow("off: a remembered link, once") << false << true << QList<bool>{true, false};
    }
    void autoConnect()
    {
        QFETCH(bool, autoConnect);
        QFETCH(bool, remembered);
        QFETCH(QList<bool>, activated);
        Rig rig;
        BoardSimulator *simulator = rig.board("ZB-0001");
        QSignalSpy stateChanged(&rig.factory, &OstFactory::AutoConnectStateChanged);
        if (remembered) {
            // The board asks for its active link to be remembered, as an update does
            // before the board restarts.
            QPointer<Zelto> board = rig.connect(simulator, AbstractDataLink::USB);
            QVERIFY(board);
            board->addToAutoConnect();
            QMetaObject::invokeMethod(board, "setActiveDatalinkNone");
            QTRY_VERIFY(!board);
        }
        rig.factory.autoConnectUpdated(autoConnect);
        QCOMPARE(rig.factory.property("autoConnectState").toBool(), autoConnect);
        QCOMPARE(stateChanged.count(), autoConnect ? 0 : 1);

        for (bool expected : activated) {
            rig.plug(simulator, AbstractDataLink::USB);
            QTRY_VERIFY(rig.boardNamed("ZB-0001"));
            QPointer<Zelto> board = rig.boardNamed("ZB-0001");
            QTest::qWait(100);
            QCOMPARE(board->getActiveDatalink(), expected ? AbstractDataLink::USB : AbstractDataLink::None);
            QCOMPARE(board->isConnected(), expected);
            QMetaObject::invokeMethod(board, "setActiveDatalinkNone");
            QTRY_VERIFY(!board);
        }
    }

    void boardsThatAreNotAdopted_data()
    {
        QTest::addColumn<int>("deviceType");
        QTest::addColumn<bool>("silent");
        QTest::newRow("second device model") << 2 << false;
        QTest::newRow("unknown device type") << 9 << false;
        QTest::newRow("board that never answers") << 1 << true;
    }
    void boardsThatAreNotAdopted()
    {
        QFETCH(int, deviceType);
        QFETCH(bool, silent);
        Rig rig;
        BoardSimulator *simulator = rig.board("WX-0001");
        simulator->settings().deviceType = uint16_t(deviceType);
        simulator->settings().silent = silent;
        QPointer<SimulatorDataLink> link = rig.plug(simulator, AbstractDataLink::USB);
        QPointer<OstDevice> pending = rig.factory.pendingDevices().at(0);
        QTRY_VERIFY(!pending);
        QTRY_VERIFY(!link);
        QVERIFY(rig.factory.deviceList().isEmpty());
        QVERIFY(rig.factory.pendingDevices().isEmpty());
        QVERIFY(!rig.factory.connectionAttempt());
    }

    void lostBoardIsRemovedThenDestroyed()
    {
        Rig rig;
        BoardSimulator *simulator = rig.board("ZB-0001");
        QPointer<Zelto> board = rig.connect(simulator, AbstractDataLink::USB);
        QVERIFY(board);
        QPointer<AbstractDataLink> link = board->getDatalink(AbstractDataLink::USB);
        rig.log.clear();

        simulator->settings().silent = true;
        QTRY_VERIFY_WITH_TIMEOUT(!board, 3000);
        QCOMPARE(rig.log.lines, (QStringList{"selected none", "active none", "list 0", "ZB-0001 disconnected"}));
        QVERIFY(!link);
        QTRY_VERIFY(simulator->links().isEmpty());
        QCOMPARE(rig.factory.selectedDevice(), nullptr);

        // It comes back as a new board.
        simulator->settings().silent = false;
        QPointer<Zelto> again = rig.connect(simulator, AbstractDataLink::USB);
        QVERIFY(again);
        QCOMPARE(rig.factory.selectedDevice(), again.data());
    }

    void selection()
    {
        Rig rig;
        QPointer<Zelto> first = rig.connect(rig.board("ZB-0001"), AbstractDataLink::USB);
        QPointer<Zelto> second = rig.connect(rig.board("ZB-0002"), AbstractDataLink::USB);
        QVERIFY(first && second);
        rig.log.clear();

        rig.factory.setSelectedDevice(second);
        rig.factory.setSelectedDevice(second);
        QCOMPARE(rig.log.lines, (QStringList{"selected ZB-0002", "active ZB-0002"}));

        // Written from QML, the selection tells everyone as well.
        rig.log.clear();
        QVERIFY(rig.factory.setProperty("selectedDevice", QVariant::fromValue<OstDevice *>(first)));
        QCOMPARE(rig.log.lines, (QStringList{"selected ZB-0001", "active ZB-0001"}));

        // Only boards of the list can be selected.
        rig.log.clear();
        OstDevice stranger(nullptr);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Not a board of the device list"));
        rig.factory.setSelectedDevice(&stranger);
        QCOMPARE(rig.factory.selectedDevice(), first.data());

        // A board that is not selected changes its connection silently.
        emit second->getDatalinkManager()->isConnected(false);
        QCOMPARE(rig.log.lines, (QStringList{"ZB-0002 disconnected"}));
        rig.factory.setSelectedDevice(second);
        QCOMPARE(rig.log.lines.mid(1), (QStringList{"selected ZB-0002", "active none"}));

        rig.log.clear();
        rig.factory.setSelectedDevice(nullptr);
        QCOMPARE(rig.log.lines, (QStringList{"selected none", "active none"}));
    }

    void lostWifiBoardIsLookedForAgain_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<QString>("reported"); // the board's Wi-Fi address
        QTest::addColumn<QString>("lookedForAt");
        QTest::newRow("lost Wi-Fi board") << "wifi"
                                          << "127.0.0.7"
                                          << "127.0.0.7";
        QTest::newRow("lost Wi-Fi board without an address") << "wifi"
                                                             << "0.0.0.0" << kNobodyThere;
        QTest::newRow("disconnected by the user") << "user"
                                                  << "127.0.0.7"
                                                  << "";
        QTest::newRow("another board selected") << "other selected"
                                                << "127.0.0.7"
                                                << "";
        QTest::newRow("lost USB board") << "usb"
                                        << "127.0.0.7"
                                        << "";
    }
    void lostWifiBoardIsLookedForAgain()
    {
        QFETCH(QString, situation);
        QFETCH(QString, reported);
        QFETCH(QString, lookedForAt);
        Rig rig;
        if (situation == "other selected")
            QVERIFY(rig.connect(rig.board("ZB-0002"), AbstractDataLink::USB));
        BoardSimulator *simulator = rig.board("ZB-0001");
        Rig::control(simulator)->state().wifiAddress =
            BoardControlState::wifiAddressRecord(QHostAddress(reported).toIPv4Address());
        QPointer<Zelto> board = rig.connect(simulator,
                                            situation == "usb" ? AbstractDataLink::USB : AbstractDataLink::WiFi);
        QVERIFY(board);
        // The board has been polled for its address.
        const auto addressAsked = [&] {
            for (const HostControlRequest &request : Rig::control(simulator)->requests())
                if (request.command == ControlChannel::GetWifiIP)
                    return true;
            return false;
        };
        QTRY_VERIFY(addressAsked());
        QTRY_COMPARE(board->ipAddress(), reported == "0.0.0.0" ? QString() : reported);
        if (situation == "user")
            QMetaObject::invokeMethod(board, "deleteZelto");

        simulator->settings().silent = true;
        QTRY_VERIFY_WITH_TIMEOUT(!board, 3000);
        QCOMPARE(rig.factory.connectionAttempt(), !lookedForAt.isEmpty());
        QCOMPARE(rig.factory.connectionAttemptAddress(), lookedForAt);
    }

    void attemptToNobodyIsRetriedUntilCancelled()
    {
        Rig rig;
        QSignalSpy attempting(&rig.factory, &OstFactory::ConnectionAttemptChanged);
        rig.factory.insertNetworkOstDevice(kNobodyThere);
        QVERIFY(rig.factory.connectionAttempt());
        QVERIFY(rig.factory.attempt());
        QCOMPARE(rig.factory.connectionAttemptAddress(), kNobodyThere);

        // Each failure is followed by a wait and a new attempt.
        QTRY_VERIFY_WITH_TIMEOUT(attempting.count() >= 5, 5000);
        for (int i = 0; i < attempting.count(); ++i)
            QCOMPARE(attempting[i][0].toBool(), i % 2 == 0);

        rig.factory.cancelConnectionAttempt();
        QVERIFY(!rig.factory.connectionAttempt());
        QVERIFY(!rig.factory.attempt());
        QVERIFY(!rig.factory.isReconnectWaiting());
        attempting.clear();
        QTest::qWait(300);
        QCOMPARE(attempting.count(), 0);
        QTRY_COMPARE(rig.factory.findChildren<WifiDatalink *>().size(), 0);
    }

    void secondAttemptWhileOneRunsIsIgnored()
    {
        Rig rig;
        rig.factory.insertNetworkOstDevice(kNobodyThere);
        QPointer<WifiDatalink> attempt = rig.factory.attempt();
        QTest::ignoreMessage(QtDebugMsg, "could not attempt new connection, connection attempt is still active");
        rig.factory.insertNetworkOstDevice("127.0.0.8");
        QCOMPARE(rig.factory.attempt(), attempt.data());
        QCOMPARE(rig.factory.connectionAttemptAddress(), kNobodyThere);
    }

    void textThatIsNoAddressIsRefused_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << "";
        QTest::newRow("blanks") << "   ";
        QTest::newRow("host name") << "bench-board.local";
        QTest::newRow("five numbers") << "127.0.0.2.1";
        QTest::newRow("octet out of range") << "127.0.0.300";
        QTest::newRow("address with a port") << "127.0.0.2:40000";
        QTest::newRow("URL") << "tls://127.0.0.2";
    }
    void textThatIsNoAddressIsRefused()
    {
        QFETCH(QString, text);
        Rig rig;
        QSignalSpy attempting(&rig.factory, &OstFactory::ConnectionAttemptChanged);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Not a board address"));
        rig.factory.insertNetworkOstDevice(text);
        QVERIFY(!rig.factory.attempt());
        QVERIFY(!rig.factory.connectionAttempt());
        QCOMPARE(attempting.count(), 0);
        QCOMPARE(rig.factory.findChildren<WifiDatalink *>().size(), 0);
    }

    void selectingABoardEndsTheAttempt()
    {
        Rig rig;
        rig.factory.insertNetworkOstDevice(kNobodyThere);
        QVERIFY(rig.factory.connectionAttempt());
        QPointer<Zelto> board = rig.connect(rig.board("ZB-0001"), AbstractDataLink::USB);
        QVERIFY(board);
        QCOMPARE(rig.factory.selectedDevice(), board.data());
        QVERIFY(!rig.factory.connectionAttempt());
        QVERIFY(!rig.factory.attempt());
        QVERIFY(!rig.factory.isReconnectWaiting());
    }

    void firmwareFileReachesEveryBoard()
    {
        Rig rig;
        QPointer<Zelto> first = rig.connect(rig.board("ZB-0001"), AbstractDataLink::USB);
        QPointer<Zelto> second = rig.connect(rig.board("ZB-0002"), AbstractDataLink::USB);
        QVERIFY(first && second);
        emit rig.factory.TempUploadFirmware("/firmware/zelto-2.5.0.fwb");
        QCOMPARE(first->pendingFirmwareFile(), QString("/firmware/zelto-2.5.0.fwb"));
        QCOMPARE(second->pendingFirmwareFile(), QString("/firmware/zelto-2.5.0.fwb"));
    }

    void destroyingTheFactoryTellsAndReleasesEverything()
    {
        auto rig = std::make_unique<Rig>();
        BoardSimulator *simulator = rig->board("ZB-0001");
        QPointer<Zelto> board = rig->connect(simulator, AbstractDataLink::USB);
        QVERIFY(board);
        rig->plug(rig->board("ZB-0002"), AbstractDataLink::USB);
        QStringList lines;
        connect(&rig->factory, &OstFactory::ActiveDeviceChanged, this,
                [&lines](const OstDevice *dev) { lines << (dev ? "active board" : "active none"); });
        connect(&rig->factory, &OstFactory::ostDeviceConnected, this, [&lines](const OstDevice *dev, bool connected) {
            lines << dev->serialNumber() + (connected ? " connected" : " disconnected");
        });
        rig.reset();
        QCOMPARE(lines, (QStringList{"active none", "ZB-0001 disconnected"}));
    }
};

QTEST_MAIN(tst_OstFactory)
#include "tst_OstFactory.moc"
