#include "BoardMessages.h"
#include "DatalinkCommChannel.h"
#include "DatalinkManager.h"
#include "ErrorHandler.h"
#include "LogCapture.h"
#include "RecordingDataLink.h"

#include <QPointer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

// The manager against datalinks that a test drives by hand: identification,
// activation and the routes of every message, the Wi-Fi key exchange, and the ways
// a board is lost (as one table). Timers are injected in milliseconds.
class tst_DatalinkManager : public QObject
{
    Q_OBJECT

    static LinkTimings shortTimings()
    {
        LinkTimings timings;
        timings.heartbeatInterval = std::chrono::milliseconds(25);
        timings.heartbeatWatchdog = std::chrono::milliseconds(400);
        timings.deviceInfoLimit = std::chrono::milliseconds(150);
        return timings;
    }

    // The link messages a datalink was given, as (type, size) of each frame's payload.
    static QStringList linkMessages(const RecordingDataLink &link)
    {
        QStringList messages;
        for (const RecordingDataLink::Sent &sent : link.sent) {
            const QByteArray payload = sent.frame.mid(6);
            if (sent.channel == 0 && payload.size() >= 12)
                messages << QStringLiteral("%1/%2")
                                .arg(qFromLittleEndian<quint16>(payload.constData() + 4))
                                .arg(payload.size());
            else
                messages << QStringLiteral("ch%1 %2").arg(sent.channel).arg(QString(payload.toHex()));
        }
        return messages;
    }

    static QByteArray boardHeartbeat(AbstractDataLink::LinkType link, bool active = true,
                                     const QByteArray &serial = "SN-7", uint16_t version = 1)
    {
        return BoardMessages::heartbeat(version, serial, 1, active, link, 12);
    }

    // A manager with one datalink that has come up and been identified over it.
    struct Identified
    {
        DatalinkManager manager{nullptr, shortTimings()};
        QPointer<RecordingDataLink> link;

        explicit Identified(AbstractDataLink::LinkType type)
        {
            link = new RecordingDataLink(type);
            manager.addDatalink(link);
            if (type == AbstractDataLink::WiFi)
                link->reportState(AbstractDataLink::Connected);
            QTest::qWait(1);
            link->receive(0, boardHeartbeat(type, false));
            QTest::qWait(1);
            link->sent.clear();
        }

        void activate(AbstractDataLink::LinkType type)
        {
            manager.setActiveDatalinkConnection(type);
            link->receive(0, BoardMessages::setActiveReply(1, type, true));
            QTest::qWait(1);
        }
    };

private slots:
    void adoptsOneDatalinkOfEachType()
    {
        DatalinkManager manager;
        QSignalSpy usbState(&manager, &DatalinkManager::usbLinkStateChanged);
        auto *usb = new RecordingDataLink(AbstractDataLink::USB);
        auto *wifi = new RecordingDataLink(AbstractDataLink::WiFi);
        RecordingDataLink secondUsb(AbstractDataLink::USB);
        RecordingDataLink bluetooth(AbstractDataLink::Bluetooth);

        QCOMPARE(manager.addDatalink(usb), 0);
        QCOMPARE(usb->parent(), &manager);
        QCOMPARE(usb->startReadingCalls, 1);
        QCOMPARE(usbState.count(), 1);
        QCOMPARE(manager.addDatalink(wifi), 0);
        QCOMPARE(manager.addDatalink(&secondUsb), -1);
        QCOMPARE(secondUsb.parent(), nullptr);
        QCOMPARE(manager.addDatalink(&bluetooth), 0);
        QCOMPARE(manager.getDatalink(AbstractDataLink::USB), usb);
        QCOMPARE(manager.getDatalink(AbstractDataLink::WiFi), wifi);
        QCOMPARE(manager.getDatalink(AbstractDataLink::Bluetooth), nullptr);
        QCOMPARE(manager.usbLinkState(), AbstractDataLink::Connected);
        QCOMPARE(manager.wifiLinkState(), AbstractDataLink::Created);
        QCOMPARE(manager.btLinkState(), AbstractDataLink::NotAvailable);

        delete wifi;
        QCOMPARE(manager.getDatalink(AbstractDataLink::WiFi), nullptr);
        QCOMPARE(manager.wifiLinkState(), AbstractDataLink::NotAvailable);
    }

    void identifiesTheBoardOverTheLinkThatCameUp()
    {
        DatalinkManager manager(nullptr, shortTimings());
        QSignalSpy info(&manager, &DatalinkManager::deviceInfoReceived);
        QSignalSpy notAvailable(&manager, &DatalinkManager::deviceNotAvailable);
        auto *usb = new RecordingDataLink(AbstractDataLink::USB);
        manager.addDatalink(usb);
        QVERIFY(usb->sent.isEmpty()); // the state change is handled from the event queue
        QTRY_COMPARE(usb->sent.size(), 1);
        QCOMPARE(usb->sent[0].frame.left(6).toHex(), QByteArray("cdab00004a00"));
        QCOMPARE(usb->sent[0].frame.mid(6 + 12), manager.commChannel()->heartbeat());

        usb->receive(0, boardHeartbeat(AbstractDataLink::USB, false, "SN-42"));
        usb->receive(0, boardHeartbeat(AbstractDataLink::USB, false, "SN-42"));
        QTRY_COMPARE(info.count(), 1);
        QTest::qWait(300);
        QCOMPARE(info.count(), 1);
        QCOMPARE(info[0][0].toString(), QString("SN-42"));
        QCOMPARE(info[0][1].value<dlComm::Type>(), dlComm::Type(1));
        QCOMPARE(info[0][2].value<AbstractDataLink::LinkType>(), AbstractDataLink::USB);
        QCOMPARE(info[0][3].value<int32_t>(), 12);
        QCOMPARE(notAvailable.count(), 0);
    }

    void boardThatDoesNotAnswerIsNotAvailable()
    {
        DatalinkManager manager(nullptr, shortTimings());
        QSignalSpy notAvailable(&manager, &DatalinkManager::deviceNotAvailable);
        manager.addDatalink(new RecordingDataLink(AbstractDataLink::USB));
        QVERIFY(notAvailable.wait(2000));
        QCOMPARE(notAvailable.count(), 1);
    }

    void wifiComingUpAsksTwiceAndReportsOnce()
    {
        DatalinkManager manager(nullptr, shortTimings());
        QSignalSpy info(&manager, &DatalinkManager::deviceInfoReceived);
        QSignalSpy notAvailable(&manager, &DatalinkManager::deviceNotAvailable);
        auto *wifi = new RecordingDataLink(AbstractDataLink::WiFi);
        manager.addDatalink(wifi);
        wifi->reportState(AbstractDataLink::Connected);
        QCOMPARE(wifi->sent.size(), 1); // the direct subscription asks at once
        QTRY_COMPARE(wifi->sent.size(), 2);
        QCOMPARE(linkMessages(*wifi), (QStringList{"0/68", "0/68"}));
        wifi->receive(0, boardHeartbeat(AbstractDataLink::WiFi, false));
        QTRY_COMPARE(info.count(), 1);
        QCOMPARE(info[0][2].value<AbstractDataLink::LinkType>(), AbstractDataLink::WiFi);
        QTest::qWait(300);
        QCOMPARE(notAvailable.count(), 0);
    }

    void writesGoOverTheActiveLinkOnly()
    {
        Identified board(AbstractDataLink::USB);
        board.manager.write(1, true, "AB");
        QVERIFY(board.link->sent.isEmpty());

        QSignalSpy changed(&board.manager, &DatalinkManager::activeLinkTypeChanged);
        QSignalSpy connected(&board.manager, &DatalinkManager::isConnected);
        board.manager.setActiveDatalinkConnection(AbstractDataLink::USB);
        // The first heartbeat has no active link to go over; the request goes straight to USB.
        QCOMPARE(linkMessages(*board.link), QStringList{"1/48"});
        QCOMPARE(board.link->sent[0].frame.mid(6 + 44, 2).toHex(), QByteArray("0100"));
        QCOMPARE(board.manager.activeLinkType(), AbstractDataLink::None);
        board.manager.write(1, true, "AB");
        QCOMPARE(board.link->sent.size(), 1);

        board.link->receive(0, BoardMessages::setActiveReply(1, AbstractDataLink::USB, true));
        QTRY_COMPARE(changed.count(), 1);
        QCOMPARE(board.manager.activeLinkType(), AbstractDataLink::USB);
        QCOMPARE(connected.count(), 1);
        QCOMPARE(connected[0][0].toBool(), true);
        QCOMPARE(board.link->activeLinkTypes, QList<AbstractDataLink::LinkType>{AbstractDataLink::USB});

        board.link->sent.clear();
        board.manager.write(1, true, "AB");
        QCOMPARE(board.link->sent.size(), 1);
        QCOMPARE(board.link->sent[0].frame.toHex(), QByteArray("cdab010008004142"));
        QCOMPARE(board.link->sent[0].isReliable, true);
        QTRY_VERIFY(linkMessages(*board.link).count("0/56") >= 3); // heartbeats now reach the board
    }

    void repeatedActivationRequestsAreSentAgain()
    {
        Identified board(AbstractDataLink::USB);
        board.manager.setActiveDatalinkConnection(AbstractDataLink::USB);
        board.manager.setActiveDatalinkConnection(AbstractDataLink::USB);
        QCOMPARE(linkMessages(*board.link), (QStringList{"1/48", "1/48"}));
    }

    void oversizePayloadIsNotSent()
    {
        Identified board(AbstractDataLink::USB);
        board.activate(AbstractDataLink::USB);
        board.link->sent.clear();
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Refusing a payload of 1019 bytes on channel 4"));
        board.manager.write(4, true, QByteArray(1019, 'x'));
        board.manager.write(4, true, QByteArray(1018, 'x'));
        QCOMPARE(board.link->sent.size(), 1);
        QCOMPARE(board.link->sent[0].frame.size(), 1024);
    }

    void refusedActivationChangesNothing()
    {
        Identified board(AbstractDataLink::USB);
        QSignalSpy changed(&board.manager, &DatalinkManager::activeLinkTypeChanged);
        QSignalSpy connected(&board.manager, &DatalinkManager::isConnected);
        board.manager.setActiveDatalinkConnection(AbstractDataLink::USB);
        QTest::ignoreMessage(QtDebugMsg, "Could not set active Datalink");
        board.link->receive(0, BoardMessages::setActiveReply(1, AbstractDataLink::USB, false));
        QTest::qWait(20);
        QCOMPARE(changed.count(), 0);
        QCOMPARE(connected.count(), 0);
        QCOMPARE(board.manager.activeLinkType(), AbstractDataLink::None);
    }

    void acceptedNoneEndsTheConnection()
    {
        Identified board(AbstractDataLink::USB);
        board.activate(AbstractDataLink::USB);
        QSignalSpy connected(&board.manager, &DatalinkManager::isConnected);
        board.link->sent.clear();
        board.manager.setActiveDatalinkConnection(AbstractDataLink::None);
        QCOMPARE(linkMessages(*board.link), QStringList{"1/48"}); // over the still active link
        QVERIFY(!board.manager.commChannel()->isWatchdogRunning());
        board.link->receive(0, BoardMessages::setActiveReply(1, AbstractDataLink::None, true));
        QTRY_COMPARE(connected.count(), 1);
        QCOMPARE(connected[0][0].toBool(), false);
        QCOMPARE(board.manager.activeLinkType(), AbstractDataLink::None);
    }

    void wifiActivationFetchesTheDatagramKeys()
    {
        Identified board(AbstractDataLink::WiFi);
        QSignalSpy completed(&board.manager, &DatalinkManager::wifiConnectionCompleted);
        board.manager.setActiveDatalinkConnection(AbstractDataLink::WiFi);
        QCOMPARE(board.link->selfTimeoutEnabled, false);
        board.link->sent.clear();
        board.link->receive(0, BoardMessages::setActiveReply(1, AbstractDataLink::WiFi, true));
        QTRY_COMPARE(completed.count(), 1);
        // Becoming active makes the Wi-Fi link ask for its keys, straight over Wi-Fi.
        QCOMPARE(linkMessages(*board.link).first(), QString("3/12"));

        const QByteArray key = QByteArray::fromHex("00112233445566778899AABBCCDDEEFF00112233445566778899AABBCCDDEEFF");
        const QByteArray iv = QByteArray::fromHex("0F0E0D0C0B0A09080706050403020100");
        board.link->receive(0, BoardMessages::keys(1, key, iv));
        QTRY_COMPARE(board.link->aesKey, key);
        QCOMPARE(board.link->aesIv, iv);

        board.manager.setActiveDatalinkConnection(AbstractDataLink::USB);
        QCOMPARE(board.link->selfTimeoutEnabled, true);
    }

    void handedOnDatalinkLeavesItsFormerManager()
    {
        DatalinkManager pending(nullptr, shortTimings());
        DatalinkManager adopting(nullptr, shortTimings());
        QSignalSpy pendingData(&pending, &DatalinkManager::DataReady);
        QSignalSpy adoptingData(&adopting, &DatalinkManager::DataReady);
        auto *usb = new RecordingDataLink(AbstractDataLink::USB);
        pending.addDatalink(usb);
        adopting.addDatalink(usb);
        usb->receive(5, "payload");
        QCOMPARE(pendingData.count(), 0);
        QCOMPARE(adoptingData.count(), 1);
    }

    void boardLoss_data()
    {
        QTest::addColumn<QString>("event");
        QTest::addColumn<int>("disconnects");
        QTest::addColumn<int>("notConnected");
        QTest::addColumn<int>("notAvailable");
        QTest::addColumn<bool>("usbHeld");
        QTest::addColumn<bool>("infoReported");

        QTest::newRow("heartbeat watchdog") << "watchdog" << 1 << 1 << 0 << false << false;
        QTest::newRow("active link invalid") << "invalid active" << 1 << 0 << 0 << false << true;
        QTest::newRow("other link invalid") << "invalid other" << 0 << 0 << 0 << false << true;
        QTest::newRow("board reports the active link as not active") << "inactive flag" << 1 << 0 << 0 << true << true;
        // The second report finds the link gone: with no transport left the board is lost.
        QTest::newRow("last link invalid twice") << "invalid twice" << 2 << 1 << 1 << false << true;
    }
    void boardLoss()
    {
        QFETCH(QString, event);
        QFETCH(int, disconnects);
        QFETCH(int, notConnected);
        QFETCH(int, notAvailable);
        QFETCH(bool, usbHeld);
        QFETCH(bool, infoReported);

        Identified board(AbstractDataLink::USB);
        auto *wifi = new RecordingDataLink(AbstractDataLink::WiFi);
        board.manager.addDatalink(wifi);
        board.activate(event == "invalid other" ? AbstractDataLink::WiFi : AbstractDataLink::USB);

        QSignalSpy disconnect(&board.manager, &DatalinkManager::DisconnectDatalinkSignal);
        QSignalSpy connected(&board.manager, &DatalinkManager::isConnected);
        QSignalSpy unavailable(&board.manager, &DatalinkManager::deviceNotAvailable);
        if (event == "watchdog") {
            QTest::ignoreMessage(QtDebugMsg, "Heartbeat Timeout");
            QVERIFY(disconnect.wait(2000));
        } else if (event == "invalid active" || event == "invalid other") {
            board.link->reportState(AbstractDataLink::Invalid);
        } else if (event == "inactive flag") {
            board.link->receive(0, boardHeartbeat(AbstractDataLink::USB, false));
        } else if (event == "invalid twice") {
            delete wifi;
            // A transport that fails reports it, and reports it again as it goes.
            board.link->reportState(AbstractDataLink::Invalid);
            board.link->reportState(AbstractDataLink::Invalid);
        }
        QTest::qWait(50);
        QCOMPARE(disconnect.count(), disconnects);
        QCOMPARE(connected.count(), notConnected);
        for (const QList<QVariant> &args : connected)
            QCOMPARE(args.at(0).toBool(), false);
        QCOMPARE(unavailable.count(), notAvailable);
        QCOMPARE(board.manager.getDatalink(AbstractDataLink::USB) != nullptr, usbHeld);
        QCOMPARE(board.manager.isDeviceInfoReported(), infoReported);
    }

    void removedActiveLinkKeepsItsTypeAndDropsWrites()
    {
        Identified board(AbstractDataLink::USB);
        board.activate(AbstractDataLink::USB);
        board.manager.removeDatalink(AbstractDataLink::USB);
        QCOMPARE(board.manager.activeLinkType(), AbstractDataLink::USB);
        QTRY_VERIFY(board.link.isNull());
        board.manager.write(1, true, "AB"); // nowhere to go, and no crash
    }

    void identityIsReportedAgainAfterAWatchdogTimeout()
    {
        DatalinkManager manager(nullptr, shortTimings());
        QSignalSpy info(&manager, &DatalinkManager::deviceInfoReceived);
        auto *usb = new RecordingDataLink(AbstractDataLink::USB);
        auto *wifi = new RecordingDataLink(AbstractDataLink::WiFi);
        manager.addDatalink(usb);
        manager.addDatalink(wifi);
        usb->receive(0, boardHeartbeat(AbstractDataLink::USB, false));
        QTRY_COMPARE(info.count(), 1);
        manager.setActiveDatalinkConnection(AbstractDataLink::USB);
        usb->receive(0, BoardMessages::setActiveReply(1, AbstractDataLink::USB, true));
        QTRY_COMPARE(manager.activeLinkType(), AbstractDataLink::USB);

        QSignalSpy timeout(manager.commChannel(), &DatalinkCommChannel::HeartbeatWatchdogTimeout);
        QTest::ignoreMessage(QtDebugMsg, "Heartbeat Timeout");
        QVERIFY(timeout.wait(2000));
        wifi->receive(0, boardHeartbeat(AbstractDataLink::WiFi, true));
        QTRY_COMPARE(info.count(), 2);
    }

    void unsupportedBoardIsReportedOnce()
    {
        DatalinkManager manager(nullptr, shortTimings());
        QSignalSpy info(&manager, &DatalinkManager::deviceInfoReceived);
        auto *usb = new RecordingDataLink(AbstractDataLink::USB);
        manager.addDatalink(usb);
        LogCapture criticals(LogCapture::ofType(QtCriticalMsg));
        for (int i = 0; i < 3; ++i)
            usb->receive(0, boardHeartbeat(AbstractDataLink::USB, false, "SN-9", 2));
        QTest::qWait(50);
        // Each notification built writes its text as a critical line: one line, one post.
        QCOMPARE(criticals.lines(),
                 QStringList{"[Unsupported device] Unsupported device connected: Invalid datalink version.\n\n"
                             "Please update your Halvora Lab to the latest version."});
        const NotificationList listed = ErrorHandler::instance()->getNotificationList();
        QCOMPARE(listed.size(), 1);
        QCOMPARE(listed[0]->getLevel(), halvora::ErrorLevel::Error);
        QCOMPARE(listed[0]->getSource(), AbstractNotification::HalvoraLab);
        QCOMPARE(listed[0]->getTitle(), QString("Unsupported device"));
        QCOMPARE(listed[0]->getMessage(), QString("Unsupported device connected: Invalid datalink version.\n\n"
                                                  "Please update your Halvora Lab to the latest version."));
        QCOMPARE(listed[0]->getOrigin(), QString());
        QCOMPARE(info.count(), 0);
        QCOMPARE(manager.datalinkVersion(), uint16_t(2));
    }
};

QTEST_GUILESS_MAIN(tst_DatalinkManager)
#include "tst_DatalinkManager.moc"
