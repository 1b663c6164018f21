#include "BoardMessages.h"
#include "DatalinkCommChannel.h"
#include "DatalinkManager.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

using Messages = QList<QByteArray>;

// The link protocol against the byte-exact messages a board and this program
// exchange, the receive rules as one table of message sequences and the events they
// produce, and the heartbeat and watchdog timers (short, injected).
class tst_DatalinkCommChannel : public QObject
{
    Q_OBJECT

    static QByteArray hex(const char *text) { return QByteArray::fromHex(text); }
    static QByteArray hostId() { return QByteArray(31, 'A') + 'A'; } // the 32nd byte is always replaced by 0

    static LinkTimings shortTimings()
    {
        LinkTimings timings;
        timings.heartbeatInterval = std::chrono::milliseconds(20);
        timings.heartbeatWatchdog = std::chrono::milliseconds(150);
        return timings;
    }

    // Every signal of the channel as one line of text, in the order emitted.
    struct EventLog
    {
        QStringList events;
        explicit EventLog(DatalinkCommChannel &channel)
        {
            connect(&channel, &DatalinkCommChannel::DatalinkVersionReceived, &channel,
                    [this](uint16_t v) { events << QStringLiteral("version %1").arg(v); });
            connect(&channel, &DatalinkCommChannel::HeartbeatReceived, &channel,
                    [this](const QString &serial, dlComm::Type type, bool active, AbstractDataLink::LinkType link,
                           int32_t ext) {
                        events << QStringLiteral("heartbeat %1 %2 %3 %4 %5")
                                      .arg(serial)
                                      .arg(type)
                                      .arg(active ? "true" : "false")
                                      .arg(AbstractDataLink::linkTypeName(link))
                                      .arg(ext);
                    });
            connect(&channel, &DatalinkCommChannel::SetActiveDatalinkReceived, &channel,
                    [this](AbstractDataLink::LinkType link, bool accepted) {
                        events << QStringLiteral("set-active %1 %2")
                                      .arg(AbstractDataLink::linkTypeName(link), accepted ? "true" : "false");
                    });
            connect(&channel, &DatalinkCommChannel::UdpAESKeysReceived, &channel,
                    [this](const QByteArray &key, const QByteArray &iv) {
                        events << QStringLiteral("keys %1 %2").arg(QString(key.toHex()), QString(iv.toHex()));
                    });
            connect(&channel, &DatalinkCommChannel::unsupportedDeviceConnected, &channel,
                    [this](const QString &msg) { events << QStringLiteral("unsupported %1").arg(msg); });
        }
    };

    static QByteArray key() { return hex("000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F"); }
    static QByteArray iv() { return hex("000102030405060708090A0B0C0D0E0F"); }

private slots:
    void messagesAreByteExact_data()
    {
        QTest::addColumn<QString>("request");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<int>("linkType"); // -1: over the active link (Write)

        const QByteArray heartbeat = hex("77179645 0000 3800 00 00 0100 0000 0000 00 01 0000") + QByteArray(31, 'A')
                                     + hex("00 FFFFFFFF");
        QTest::newRow("host heartbeat") << "heartbeat" << heartbeat << -1;
        QTest::newRow("device information request over USB")
            << "deviceInfoUsb" << hex("0723EF26 0000 4400 00 00 0000") + heartbeat << int(AbstractDataLink::USB);
        QTest::newRow("set active Wi-Fi while none is active")
            << "setActiveWifi" << hex("2EB24243 0100 3000 00 00 0000") + QByteArray(31, 'A') + hex("00 0200 0000")
            << int(AbstractDataLink::WiFi);
        QTest::newRow("datagram key request")
            << "keys" << hex("27800630 0300 0C00 00 00 0000") << int(AbstractDataLink::WiFi);
    }
    void messagesAreByteExact()
    {
        QFETCH(QString, request);
        QFETCH(QByteArray, expected);
        QFETCH(int, linkType);

        DatalinkCommChannel channel(hostId());
        QSignalSpy write(&channel, &DatalinkCommChannel::Write);
        QSignalSpy direct(&channel, &DatalinkCommChannel::WriteDirect);
        if (request == "heartbeat")
            channel.startHeartbeat();
        else if (request == "deviceInfoUsb")
            channel.requestDeviceInfo(AbstractDataLink::USB);
        else if (request == "setActiveWifi")
            channel.setInterface(AbstractDataLink::WiFi, true);
        else if (request == "keys")
            channel.getAesKey();

        const QSignalSpy &used = linkType == -1 ? write : direct;
        QCOMPARE(write.count() + direct.count(), 1);
        QCOMPARE(used.count(), 1);
        QCOMPARE(used.at(0).at(0).value<DatalinkChannelId>(), DatalinkChannelId(0));
        QCOMPARE(used.at(0).at(1).toBool(), true);
        QCOMPARE(used.at(0).at(2).toByteArray().toHex(' '), expected.toHex(' '));
        if (linkType != -1)
            QCOMPARE(int(used.at(0).at(3).value<AbstractDataLink::LinkType>()), linkType);
    }

    void versionRequestIsAppended()
    {
        QByteArray buffer("prefix");
        DatalinkCommChannel::appendVersionRequest(buffer);
        QCOMPARE(buffer.toHex(' '), (QByteArray("prefix") + hex("319DBEB9 0200 0C00 00 00 0100")).toHex(' '));
    }

    void requestsChooseTheirLink_data()
    {
        QTest::addColumn<QString>("request");
        QTest::addColumn<int>("linkType"); // -1: Write over the active link
        QTest::newRow("device info over a named link") << "info USB" << int(AbstractDataLink::USB);
        QTest::newRow("device info over the active link") << "info None" << -1;
        QTest::newRow("set active with no active connection") << "set WiFi true" << int(AbstractDataLink::WiFi);
        QTest::newRow("set active over the active link") << "set WiFi false" << -1;
        QTest::newRow("set none") << "set None false" << -1;
        QTest::newRow("key request always over Wi-Fi") << "keys" << int(AbstractDataLink::WiFi);
    }
    void requestsChooseTheirLink()
    {
        QFETCH(QString, request);
        QFETCH(int, linkType);
        DatalinkCommChannel channel(hostId());
        QSignalSpy write(&channel, &DatalinkCommChannel::Write);
        QSignalSpy direct(&channel, &DatalinkCommChannel::WriteDirect);
        const QStringList words = request.split(' ');
        const auto type = AbstractDataLink::LinkType(words.size() > 1 && words[1] == "USB"    ? AbstractDataLink::USB
                                                     : words.size() > 1 && words[1] == "WiFi" ? AbstractDataLink::WiFi
                                                                                              : AbstractDataLink::None);
        if (words[0] == "info")
            channel.requestDeviceInfo(type);
        else if (words[0] == "set")
            channel.setInterface(type, words[2] == "true");
        else
            channel.getAesKey();
        QCOMPARE(write.count(), linkType == -1 ? 1 : 0);
        QCOMPARE(direct.count(), linkType == -1 ? 0 : 1);
        if (linkType != -1)
            QCOMPARE(int(direct.at(0).at(3).value<AbstractDataLink::LinkType>()), linkType);
    }

    void receiveRules_data()
    {
        using namespace BoardMessages;
        QTest::addColumn<int>("channelNumber");
        QTest::addColumn<Messages>("messages");
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<QString>("dropReason"); // the debug line of a dropped message, if any

        const QByteArray sim = "SIM0001";
        QTest::newRow("board heartbeat, version 1")
            << 0
            << Messages{hex("A303A224 0000 3800 00 00 0100 0000 0100 00 01 0100 53494D30303031") + QByteArray(25, '\0')
                        + hex("0C000000")}
            << QStringList{"version 1", "heartbeat SIM0001 1 true USB 12"} << QString();
        QTest::newRow("version 0 ignores the extended type")
            << 0 << Messages{heartbeat(0, sim, 2, false, 2, 0x7A7A7A7A)}
            << QStringList{"version 0", "heartbeat SIM0001 2 false WiFi -1"} << QString();
        QTest::newRow("the first valid message fixes the version")
            << 0 << Messages{setActiveReply(0, 1, true), heartbeat(1, sim, 1, true, 1, 12)}
            << QStringList{"version 0", "set-active USB true", "heartbeat SIM0001 1 true USB -1"} << QString();
        QTest::newRow("unsupported version")
            << 0 << Messages{heartbeat(2, sim, 1, true, 1, 12), heartbeat(2, sim, 1, true, 1, 12)}
            << QStringList{"version 2", "unsupported Invalid datalink version.",
                           "unsupported Invalid datalink version."}
            << QString();
        QTest::newRow("set-active reply")
            << 0 << Messages{hex("FACA21D5 0100 3000 00 00 0100") + QByteArray(32, '\0') + hex("0200 0100")}
            << QStringList{"version 1", "set-active WiFi true"} << QString();
        QTest::newRow("refused set-active reply") << 0 << Messages{setActiveReply(1, 1, false)}
                                                  << QStringList{"version 1", "set-active USB false"} << QString();
        QTest::newRow("datagram keys") << 0 << Messages{hex("BDBEAD90 0300 3C00 00 00 0100") + key() + iv()}
                                       << QStringList{"version 1", "keys " + key().toHex() + " " + iv().toHex()}
                                       << QString();
        QTest::newRow("version reply only fixes the version")
            << 0 << Messages{message(2, 1, 12)} << QStringList{"version 1"} << QString();
        QTest::newRow("unknown type only fixes the version")
            << 0 << Messages{message(7, 0, 20)} << QStringList{"version 0"} << QString();
        QTest::newRow("identity without a zero byte ends with its field")
            << 0 << Messages{heartbeat(1, QByteArray(32, 'S'), 1, true, 1, 5)}
            << QStringList{"version 1", "heartbeat " + QString(32, 'S') + " 1 true USB 5"} << QString();
        QTest::newRow("a longer heartbeat is read")
            << 0 << Messages{heartbeat(1, sim, 1, true, 1, 3, 64)}
            << QStringList{"version 1", "heartbeat SIM0001 1 true USB 3"} << QString();
        QTest::newRow("another channel") << 1 << Messages{heartbeat(1, sim, 1, true, 1, 12)} << QStringList()
                                         << QString();
        QTest::newRow("shorter than the header")
            << 0 << Messages{message(0, 1, 12).left(11)} << QStringList() << "shorter than its header";
        QTest::newRow("size field disagrees")
            << 0 << Messages{heartbeat(1, sim, 1, true, 1, 12) + "x"} << QStringList() << "size field";
        QTest::newRow("wrong checksum") << 0 << Messages{[] {
            QByteArray m = BoardMessages::heartbeat(1, "SIM0001", 1, true, 1, 12);
            m[30] = 'X';
            return m;
        }()} << QStringList() << "wrong checksum";
        QTest::newRow("heartbeat shorter than its fields")
            << 0 << Messages{heartbeat(1, sim, 1, true, 1, 12, 40)} << QStringList() << "type 0 with 40 bytes";
        QTest::newRow("set-active reply without its flag")
            << 0 << Messages{setActiveReply(1, 1, true, 46)} << QStringList() << "type 1 with 46 bytes";
        QTest::newRow("keys cut short") << 0 << Messages{keys(1, key(), iv(), 59)} << QStringList()
                                        << "type 3 with 59 bytes";
    }
    void receiveRules()
    {
        QFETCH(int, channelNumber);
        QFETCH(Messages, messages);
        QFETCH(QStringList, events);
        QFETCH(QString, dropReason);

        DatalinkCommChannel channel(hostId());
        EventLog log(channel);
        if (!dropReason.isEmpty())
            QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QRegularExpression::escape(dropReason)));
        for (const QByteArray &message : messages)
            channel.dataReady(uint16_t(channelNumber), message);
        QCOMPARE(log.events, events);
    }

    void heartbeatGoesOutAtOnceAndEveryInterval()
    {
        DatalinkCommChannel channel(hostId(), nullptr, shortTimings());
        QSignalSpy write(&channel, &DatalinkCommChannel::Write);
        channel.startHeartbeat();
        QCOMPARE(write.count(), 1);
        QTRY_VERIFY(write.count() >= 4);
        for (const QList<QVariant> &args : write)
            QCOMPARE(args.at(2).toByteArray(), channel.heartbeat());
    }

    void watchdogFiresOnceWithoutHeartbeats()
    {
        DatalinkCommChannel channel(hostId(), nullptr, shortTimings());
        QSignalSpy timeout(&channel, &DatalinkCommChannel::HeartbeatWatchdogTimeout);
        channel.startHeartbeat();
        QVERIFY(timeout.wait(2000));
        QTest::qWait(400);
        QCOMPARE(timeout.count(), 1);
    }

    void onlyValidHeartbeatsFeedTheWatchdog_data()
    {
        QTest::addColumn<bool>("validChecksum");
        QTest::newRow("valid heartbeats keep the board") << true;
        QTest::newRow("heartbeats with a wrong checksum do not") << false;
    }
    void onlyValidHeartbeatsFeedTheWatchdog()
    {
        QFETCH(bool, validChecksum);
        DatalinkCommChannel channel(hostId(), nullptr, shortTimings());
        QSignalSpy timeout(&channel, &DatalinkCommChannel::HeartbeatWatchdogTimeout);
        QByteArray heartbeat = BoardMessages::heartbeat(1, "SIM0001", 1, true, 1, 12);
        if (!validChecksum)
            heartbeat[0] = char(heartbeat[0] ^ 0x40);
        if (!validChecksum)
            QTest::ignoreMessage(QtDebugMsg, QRegularExpression("wrong checksum"));
        channel.startHeartbeat();
        // Feed one heartbeat every 30 ms for 3 watchdog periods.
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 450) {
            if (validChecksum || timeout.isEmpty())
                channel.dataReady(0, heartbeat);
            QTest::qWait(30);
        }
        QCOMPARE(timeout.count(), validChecksum ? 0 : 1);
    }

    void stopHeartbeatEndsOnlyTheWatchdog()
    {
        DatalinkCommChannel channel(hostId(), nullptr, shortTimings());
        QSignalSpy write(&channel, &DatalinkCommChannel::Write);
        QSignalSpy timeout(&channel, &DatalinkCommChannel::HeartbeatWatchdogTimeout);
        channel.startHeartbeat();
        channel.stopHeartbeat();
        QVERIFY(!channel.isWatchdogRunning());
        QTest::qWait(400);
        QCOMPARE(timeout.count(), 0);
        QVERIFY(write.count() >= 5);
    }

    void startHeartbeatAgainReplacesTheWatchdog()
    {
        DatalinkCommChannel channel(hostId(), nullptr, shortTimings());
        QSignalSpy timeout(&channel, &DatalinkCommChannel::HeartbeatWatchdogTimeout);
        channel.startHeartbeat();
        QTest::qWait(100);
        channel.startHeartbeat();
        QVERIFY(timeout.wait(2000));
        QTest::qWait(300);
        QCOMPARE(timeout.count(), 1);
    }

    void hostIds()
    {
        const QByteArray first = DatalinkManager::generateHostId();
        QCOMPARE(first.size(), 32);
        for (const char c : first)
            QVERIFY2(c >= 0x20 && c <= 0x7D, qPrintable(first.toHex()));
        QVERIFY(first != DatalinkManager::generateHostId());

        DatalinkCommChannel channel(first);
        QCOMPARE(channel.hostId().left(31), first.left(31));
        QCOMPARE(channel.hostId().at(31), '\0');
        QCOMPARE(channel.heartbeat().mid(20, 32), channel.hostId());
    }
};

QTEST_GUILESS_MAIN(tst_DatalinkCommChannel)
#include "tst_DatalinkCommChannel.moc"
