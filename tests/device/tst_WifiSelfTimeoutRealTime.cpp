#include "BoardSimulator.h"
#include "NetworkBoard.h"
#include "WifiDatalink.h"
#include "WifiTestCertificates.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// The Wi-Fi datalink's self time-out with the values boards are built for: 5000 ms
// of silence after the last read, 10000 ms while the TLS handshake does not finish.
class tst_WifiSelfTimeoutRealTime : public QObject
{
    Q_OBJECT

    QTemporaryDir m_folder;
    WifiTestCertificates m_certificates;

private slots:
    void initTestCase()
    {
        QVERIFY(m_folder.isValid());
        QString error;
        QVERIFY2(m_certificates.create(m_folder.path(), &error), qPrintable(error));
    }

    void selfTimeout_data()
    {
        QTest::addColumn<bool>("stallHandshake");
        QTest::addColumn<int>("expectedMs");
        QTest::newRow("silence after a read") << false << 5000;
        QTest::newRow("stalled handshake") << true << 10000;
    }
    void selfTimeout()
    {
        QFETCH(bool, stallHandshake);
        QFETCH(int, expectedMs);
        NetworkBoard board(BoardSettings(), NetworkBoard::networkSettings(m_certificates, true));
        board.transport.settings().stallHandshake = stallHandshake;
        QString error;
        QVERIFY2(board.transport.start(&error), qPrintable(error));
        WifiLinkSettings settings = board.linkSettings(m_certificates);
        QCOMPARE(settings.selfTimeout, std::chrono::milliseconds(5000));
        WifiDatalink link(nullptr, board.address(), true, true, settings);
        QSignalSpy states(&link, &AbstractDataLink::datalinkStateSignal);
        QSignalSpy packets(&link, &AbstractDataLink::packetReceived);
        QSignalSpy accepted(&board.transport, &WifiBoardTransport::connectionAccepted);
        QElapsedTimer silence;
        link.initialise();
        if (stallHandshake) {
            QVERIFY(accepted.wait(5000));
            silence.start();
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(!board.simulator.links().isEmpty(), 10000);
            board.simulator.send(board.simulator.links().first(), 7, "the last frame", true);
            QVERIFY(packets.wait(5000));
            silence.start();
            states.clear();
        }
        QTRY_VERIFY_WITH_TIMEOUT(!states.isEmpty(), expectedMs + 5000);
        const qint64 elapsed = silence.elapsed();
        QCOMPARE(states[0][1].value<AbstractDataLink::DatalinkState>(), AbstractDataLink::Invalid);
        // A coarse timer may fire up to 5 % early.
        QVERIFY2(elapsed >= expectedMs * 95 / 100 - 50, qPrintable(QString::number(elapsed)));
        QVERIFY2(elapsed <= expectedMs + 2500, qPrintable(QString::number(elapsed)));
    }
};

QTEST_MAIN(tst_WifiSelfTimeoutRealTime)
#include "tst_WifiSelfTimeoutRealTime.moc"
