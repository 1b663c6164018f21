#include "BoardLinkProtocol.h"
#include "BoardSimulator.h"
#include "DatalinkCommChannel.h"
#include "DatalinkManager.h"
#include "LogCapture.h"
#include "SimulatorDataLink.h"

#include <QPointer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

// The manager and the link protocol against the board simulator, in process:
// identification, activation, heartbeats both ways, the watchdog, the datagram keys,
// and boards that fail (silent, refusing, corrupt, of an unsupported version).
// Board and host timers are short.
class tst_DatalinkManagerWithBoard : public QObject
{
    Q_OBJECT

    static LinkTimings hostTimings()
    {
        LinkTimings timings;
        timings.heartbeatInterval = std::chrono::milliseconds(20);
        timings.heartbeatWatchdog = std::chrono::milliseconds(300);
        timings.deviceInfoLimit = std::chrono::milliseconds(300);
        return timings;
    }

    static BoardSettings boardSettings()
    {
        BoardSettings settings;
        settings.serialNumber = "ZB-0815";
        settings.heartbeatInterval = std::chrono::milliseconds(20);
        return settings;
    }

    // The host heartbeats the board received, by the link they came over.
    static QList<BoardLinkType> hostHeartbeatLinks(const BoardSimulator &board)
    {
        QList<BoardLinkType> links;
        for (const HostLinkMessage &message : board.linkProtocol()->hostMessages())
            if (message.type == BoardLinkProtocol::Heartbeat && message.message.size() == 56)
                links << message.linkType;
        return links;
    }

    struct Rig
    {
        BoardSimulator board{boardSettings()};
        DatalinkManager manager{nullptr, hostTimings()};
        QSignalSpy info{&manager, &DatalinkManager::deviceInfoReceived};
        QSignalSpy notAvailable{&manager, &DatalinkManager::deviceNotAvailable};
        QSignalSpy connected{&manager, &DatalinkManager::isConnected};
        QSignalSpy disconnect{&manager, &DatalinkManager::DisconnectDatalinkSignal};

        QPointer<SimulatorDataLink> add(AbstractDataLink::LinkType type)
        {
            auto *link = new SimulatorDataLink(type, &board);
            manager.addDatalink(link); // USB starts reading here
            if (type == AbstractDataLink::WiFi)
                link->initialise();
            return link;
        }
        bool activate(AbstractDataLink::LinkType type)
        {
            QSignalSpy changed(&manager, &DatalinkManager::activeLinkTypeChanged);
            manager.setActiveDatalinkConnection(type);
            return changed.wait(2000) && manager.activeLinkType() == type;
        }
    };

private slots:
    void boardIsIdentifiedOverUsb()
    {
        Rig rig;
        rig.add(AbstractDataLink::USB);
        QVERIFY(rig.info.wait(2000));
        QCOMPARE(rig.info[0][0].toString(), QString("ZB-0815"));
        QCOMPARE(rig.info[0][1].value<dlComm::Type>(), dlComm::Type(1));
        QCOMPARE(rig.info[0][2].value<AbstractDataLink::LinkType>(), AbstractDataLink::USB);
        QCOMPARE(rig.info[0][3].value<int32_t>(), 12);
        QCOMPARE(rig.manager.datalinkVersion(), uint16_t(1));
        QTest::qWait(400);
        QCOMPARE(rig.info.count(), 1);
        QCOMPARE(rig.notAvailable.count(), 0);
    }

    void versionZeroBoardHasNoExtendedType()
    {
        Rig rig;
        rig.board.settings().datalinkVersion = 0;
        rig.add(AbstractDataLink::USB);
        QVERIFY(rig.info.wait(2000));
        QCOMPARE(rig.info[0][3].value<int32_t>(), -1);
    }

    void activationStartsHeartbeatsBothWays()
    {
        Rig rig;
        rig.add(AbstractDataLink::USB);
        QVERIFY(rig.info.wait(2000));
        QVERIFY(rig.activate(AbstractDataLink::USB));
        QCOMPARE(rig.board.linkProtocol()->activeLink(), BoardLinkType::USB);
        QCOMPARE(rig.board.linkProtocol()->hostId(), rig.manager.commChannel()->hostId());
        QCOMPARE(rig.connected.count(), 1);
        QCOMPARE(rig.connected[0][0].toBool(), true);

        // Three watchdog periods: the board's heartbeats keep the link, the host's reach the board.
        QTest::qWait(900);
        QCOMPARE(rig.disconnect.count(), 0);
        QCOMPARE(rig.connected.count(), 1);
        QVERIFY(hostHeartbeatLinks(rig.board).count(BoardLinkType::USB) >= 10);
    }

    void silentBoardIsLostByTheWatchdog()
    {
        Rig rig;
        QPointer<SimulatorDataLink> usb = rig.add(AbstractDataLink::USB);
        QVERIFY(rig.info.wait(2000));
        QVERIFY(rig.activate(AbstractDataLink::USB));
        rig.board.settings().silent = true;
        QTest::ignoreMessage(QtDebugMsg, "Heartbeat Timeout");
        QVERIFY(rig.disconnect.wait(2000));
        QCOMPARE(rig.connected.count(), 2);
        QCOMPARE(rig.connected[1][0].toBool(), false);
        QVERIFY(!rig.manager.isDeviceInfoReported());
        QCOMPARE(rig.manager.getDatalink(AbstractDataLink::USB), nullptr);
        QTRY_VERIFY(usb.isNull());
        QTRY_VERIFY(rig.board.links().isEmpty());
    }

    void silentBoardIsNeverIdentified()
    {
        Rig rig;
        rig.board.settings().silent = true;
        rig.add(AbstractDataLink::USB);
        QVERIFY(rig.notAvailable.wait(2000));
        QCOMPARE(rig.info.count(), 0);
    }

    void refusedActivationLeavesTheLinkInactive()
    {
        Rig rig;
        rig.board.settings().refuseActivation = true;
        rig.add(AbstractDataLink::USB);
        QVERIFY(rig.info.wait(2000));
        QTest::ignoreMessage(QtDebugMsg, "Could not set active Datalink");
        QVERIFY(!rig.activate(AbstractDataLink::USB));
        QCOMPARE(rig.manager.activeLinkType(), AbstractDataLink::None);
        QCOMPARE(rig.connected.count(), 0);
        QCOMPARE(rig.board.linkProtocol()->activeLink(), BoardLinkType::None);
    }

    void boardReportingTheActiveLinkInactiveIsDisconnected()
    {
        Rig rig;
        rig.add(AbstractDataLink::USB);
        QVERIFY(rig.info.wait(2000));
        QVERIFY(rig.activate(AbstractDataLink::USB));
        rig.board.settings().reportActiveLinkInactive = true;
        QVERIFY(rig.disconnect.wait(2000));
    }

    void unsupportedVersionIsNeverIdentified()
    {
        Rig rig;
        rig.board.settings().datalinkVersion = 2;
        LogCapture unsupported([](QtMsgType type, const QMessageLogContext &, const QString &text) {
            return type == QtCriticalMsg && text.startsWith("[Unsupported device]");
        });
        rig.add(AbstractDataLink::USB);
        QVERIFY(rig.notAvailable.wait(2000));
        QTest::qWait(200); // the board keeps sending heartbeats meanwhile
        QCOMPARE(rig.info.count(), 0);
        QCOMPARE(rig.manager.datalinkVersion(), uint16_t(2));
        QCOMPARE(unsupported.lines().size(), 1);
    }

    void corruptFramesAreDropped_data()
    {
        QTest::addColumn<int>("corruption");
        QTest::addColumn<QString>("logged");
        QTest::addColumn<bool>("corruptHeaders");
        QTest::newRow("wrong magic") << int(FrameCorruption::WrongMagic) << "Corrupt OstPacket Header" << true;
        QTest::newRow("length out of range")
            << int(FrameCorruption::OversizeLength) << "Corrupt OstPacket Header" << true;
        QTest::newRow("wrong checksum") << int(FrameCorruption::WrongChecksum) << "wrong checksum" << false;
        QTest::newRow("message shorter than its type")
            << int(FrameCorruption::TruncatedMessage) << "Dropping a link message of type 0 with 28 bytes" << false;
    }
    void corruptFramesAreDropped()
    {
        QFETCH(int, corruption);
        QFETCH(QString, logged);
        QFETCH(bool, corruptHeaders);
        Rig rig;
        rig.board.settings().corruption = FrameCorruption(corruption);
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QRegularExpression::escape(logged)));
        QPointer<SimulatorDataLink> usb = rig.add(AbstractDataLink::USB);
        QVERIFY(rig.notAvailable.wait(2000));
        QCOMPARE(rig.info.count(), 0);
        QCOMPARE(usb->corruptHeaders() > 0, corruptHeaders);

        // The same board, mended, is identified over the same link.
        rig.board.settings().corruption = FrameCorruption::None;
        usb->startReading();
        QVERIFY(rig.info.wait(2000));
    }

    void wifiLinkFetchesTheDatagramKeys()
    {
        Rig rig;
        QPointer<SimulatorDataLink> wifi = rig.add(AbstractDataLink::WiFi);
        QVERIFY(rig.info.wait(2000));
        QCOMPARE(rig.info[0][2].value<AbstractDataLink::LinkType>(), AbstractDataLink::WiFi);
        QSignalSpy completed(&rig.manager, &DatalinkManager::wifiConnectionCompleted);
        QVERIFY(rig.activate(AbstractDataLink::WiFi));
        QCOMPARE(completed.count(), 1);
        QCOMPARE(wifi->selfTimeoutEnabled(), false);
        QTRY_COMPARE(wifi->aesKey(), rig.board.settings().datagramKey);
        QCOMPARE(wifi->aesIv(), rig.board.settings().datagramIv);
    }

    void heartbeatsFollowTheActiveLink()
    {
        Rig rig;
        rig.add(AbstractDataLink::USB);
        QVERIFY(rig.info.wait(2000));
        rig.add(AbstractDataLink::WiFi);
        QVERIFY(rig.activate(AbstractDataLink::USB));
        QTest::qWait(200);
        QVERIFY(!hostHeartbeatLinks(rig.board).contains(BoardLinkType::WiFi));

        // The switch is asked for over the active link, and heartbeats move with it.
        QVERIFY(rig.activate(AbstractDataLink::WiFi));
        const HostLinkMessage request = [&] {
            for (const HostLinkMessage &m : rig.board.linkProtocol()->hostMessages())
                if (m.type == BoardLinkProtocol::SetActive && m.message.at(44) == 2)
                    return m;
            return HostLinkMessage();
        }();
        QCOMPARE(request.linkType, BoardLinkType::USB);
        const qsizetype before = hostHeartbeatLinks(rig.board).size();
        QTest::qWait(200);
        const QList<BoardLinkType> after = hostHeartbeatLinks(rig.board).mid(before);
        QVERIFY(after.size() >= 3);
        QVERIFY(!after.contains(BoardLinkType::USB));
        QCOMPARE(rig.disconnect.count(), 0);
    }

    void failedTransportLosesTheBoard()
    {
        Rig rig;
        QPointer<SimulatorDataLink> usb = rig.add(AbstractDataLink::USB);
        QVERIFY(rig.info.wait(2000));
        QVERIFY(rig.activate(AbstractDataLink::USB));
        usb->invalidate();
        QVERIFY(rig.disconnect.wait(2000));
        QTRY_VERIFY(usb.isNull());
        QCOMPARE(rig.manager.usbLinkState(), AbstractDataLink::NotAvailable);
    }
};

QTEST_GUILESS_MAIN(tst_DatalinkManagerWithBoard)
#include "tst_DatalinkManagerWithBoard.moc"
