#include "BoardLinkProtocol.h"
#include "BoardSimulator.h"
#include "DatalinkManager.h"
#include "LogCapture.h"
#include "NetworkBoard.h"
#include "WifiDatalink.h"
#include "WifiTestCertificates.h"

#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace std::chrono_literals;

// The road from the datalink manager through the Wi-Fi datalink to the simulated
// board on 127.0.0.2: identification, activation, the datagram keys and the probe,
// over TLS with encrypted datagrams and over plain TCP with plain ones.
class tst_WifiDatalinkWithManager : public QObject
{
    Q_OBJECT

    QTemporaryDir m_folder;
    WifiTestCertificates m_certificates;

    static LinkTimings hostTimings()
    {
        LinkTimings timings;
        timings.heartbeatInterval = 50ms;
        timings.heartbeatWatchdog = 1000ms;
        timings.deviceInfoLimit = 3000ms;
        return timings;
    }

    static BoardSettings boardSettings()
    {
        BoardSettings settings;
        settings.serialNumber = "ZW-0042";
        settings.heartbeatInterval = 50ms;
        return settings;
    }

    // The messages the board received of one type, over the stream or as datagrams.
    static int hostMessages(const BoardSimulator &board, uint16_t type, bool reliable)
    {
        int count = 0;
        for (const HostLinkMessage &message : board.linkProtocol()->hostMessages())
            count += message.type == type && message.reliable == reliable && message.linkType == BoardLinkType::WiFi;
        return count;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_folder.isValid());
        QString error;
        QVERIFY2(m_certificates.create(m_folder.path(), &error), qPrintable(error));
    }

    void connectsIdentifiesAndActivates_data()
    {
        QTest::addColumn<bool>("tls");
        QTest::newRow("TLS, encrypted datagrams") << true;
        QTest::newRow("plain TCP, plain datagrams") << false;
    }
    void connectsIdentifiesAndActivates()
    {
        QFETCH(bool, tls);
        NetworkBoard board(boardSettings(), NetworkBoard::networkSettings(m_certificates, tls));
        QString error;
        QVERIFY2(board.transport.start(&error), qPrintable(error));

        DatalinkManager manager(nullptr, hostTimings());
        QSignalSpy info(&manager, &DatalinkManager::deviceInfoReceived);
        QSignalSpy completed(&manager, &DatalinkManager::wifiConnectionCompleted);
        QSignalSpy connected(&manager, &DatalinkManager::isConnected);
        QSignalSpy disconnect(&manager, &DatalinkManager::DisconnectDatalinkSignal);
        QSignalSpy notAvailable(&manager, &DatalinkManager::deviceNotAvailable);

        WifiLinkSettings settings = board.linkSettings(m_certificates);
        settings.selfTimeout = 500ms;
        settings.probeInterval = 50ms;
        QPointer<WifiDatalink> link = new WifiDatalink(nullptr, board.address(), tls, tls, settings);
        QSignalSpy successes(link.data(), &WifiDatalink::connectionSuccesful);
        QCOMPARE(manager.addDatalink(link), 0);
        link->initialise();

        QVERIFY(info.wait(10000));
        QCOMPARE(info[0][0].toString(), QString("ZW-0042"));
        QCOMPARE(info[0][2].value<AbstractDataLink::LinkType>(), AbstractDataLink::WiFi);
        QCOMPARE(successes.count(), tls ? 1 : 0);

        // Not yet active, the link lives on the board's heartbeats (its self time-out
        // is a tenth of this wait).
        QTest::qWait(1200);
        QCOMPARE(manager.getDatalink(AbstractDataLink::WiFi), link.data());
        QCOMPARE(manager.wifiLinkState(), AbstractDataLink::Connected);
        QCOMPARE(info.count(), 1);

        QSignalSpy active(&manager, &DatalinkManager::activeLinkTypeChanged);
        manager.setActiveDatalinkConnection(AbstractDataLink::WiFi);
        QVERIFY(active.wait(5000));
        QCOMPARE(manager.activeLinkType(), AbstractDataLink::WiFi);
        QCOMPARE(board.simulator.linkProtocol()->activeLink(), BoardLinkType::WiFi);
        QCOMPARE(completed.count(), 1);
        QCOMPARE(connected.count(), 1);
        QCOMPARE(connected[0][0].toBool(), true);
        QVERIFY(!link->selfTimeoutEnabled());

        // The key request goes over the stream; the probe then goes out as a datagram
        // (under the board's key when encrypted) and the board's answer ends it.
        QTRY_COMPARE_WITH_TIMEOUT(hostMessages(board.simulator, BoardLinkProtocol::Keys, true), 1, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(hostMessages(board.simulator, BoardLinkProtocol::Version, false) >= 1, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!link->isProbing(), 5000);

        // The heartbeats keep the active link past the watchdog.
        QTest::qWait(1500);
        QCOMPARE(disconnect.count(), 0);
        QCOMPARE(notAvailable.count(), 0);
        QCOMPARE(manager.getDatalink(AbstractDataLink::WiFi), link.data());
        QCOMPARE(connected.count(), 1);
    }

    // A board that stays silent over a link that is not active: the link's self
    // time-out drops it from the manager.
    void silentBoardIsDroppedBySelfTimeout()
    {
        BoardSettings silent = boardSettings();
        silent.silent = true;
        NetworkBoard board(silent, NetworkBoard::networkSettings(m_certificates, true));
        QString error;
        QVERIFY2(board.transport.start(&error), qPrintable(error));

        DatalinkManager manager(nullptr, hostTimings());
        QSignalSpy linkStates(&manager, &DatalinkManager::wifiLinkStateChanged);
        WifiLinkSettings settings = board.linkSettings(m_certificates);
        settings.selfTimeout = 200ms;
        QPointer<WifiDatalink> link = new WifiDatalink(nullptr, board.address(), true, true, settings);
        manager.addDatalink(link);
        LogCapture log("Device.WifiDatalink");
        link->initialise();

        QTRY_VERIFY_WITH_TIMEOUT(link.isNull(), 10000);
        QCOMPARE(manager.getDatalink(AbstractDataLink::WiFi), nullptr);
        QVERIFY(linkStates.contains(QList<QVariant>{QVariant::fromValue(AbstractDataLink::Invalid)}));
        QCOMPARE(log.count("[WifiDatalink] self timeOut for wifi, connection is set to Invalid"), 1);
        QCOMPARE(log.count("Destruct  Wi-Fi datalink"), 1);
        QCOMPARE(log.count("Wi-Fi datalink destructed"), 1);
        QTRY_VERIFY_WITH_TIMEOUT(board.transport.connections().isEmpty(), 5000);
    }
};

QTEST_MAIN(tst_WifiDatalinkWithManager)
#include "tst_WifiDatalinkWithManager.moc"
