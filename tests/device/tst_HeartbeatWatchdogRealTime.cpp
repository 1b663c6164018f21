#include "BoardSimulator.h"
#include "DatalinkManager.h"
#include "SimulatorDataLink.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

// The one test with the real link timers: a board that stops talking is given up
// 15 seconds after its last heartbeat, not earlier and not much later.
class tst_HeartbeatWatchdogRealTime : public QObject
{
    Q_OBJECT

private slots:
    void silentBoardIsLostAfterFifteenSeconds()
    {
        const LinkTimings defaults;
        QCOMPARE(defaults.heartbeatInterval.count(), 1000);
        QCOMPARE(defaults.heartbeatWatchdog.count(), 15000);
        QCOMPARE(defaults.deviceInfoLimit.count(), 3000);

        BoardSimulator board; // heartbeats every 1000 ms
        DatalinkManager manager;
        QSignalSpy info(&manager, &DatalinkManager::deviceInfoReceived);
        QSignalSpy changed(&manager, &DatalinkManager::activeLinkTypeChanged);
        QSignalSpy disconnect(&manager, &DatalinkManager::DisconnectDatalinkSignal);
        manager.addDatalink(new SimulatorDataLink(AbstractDataLink::USB, &board));
        QVERIFY(info.wait(5000));
        manager.setActiveDatalinkConnection(AbstractDataLink::USB);
        QVERIFY(changed.wait(5000));

        // Let a few board heartbeats arrive, then stop the board right after one.
        QSignalSpy sent(&board, &BoardSimulator::frameSent);
        QTRY_VERIFY_WITH_TIMEOUT(sent.count() >= 3, 5000);
        sent.clear();
        QVERIFY(sent.wait(2000));
        board.settings().silent = true;
        QElapsedTimer silence;
        silence.start();

        QTest::ignoreMessage(QtDebugMsg, "Heartbeat Timeout");
        QTRY_VERIFY_WITH_TIMEOUT(!disconnect.isEmpty(), 20000);
        QVERIFY2(silence.elapsed() >= 14500, qPrintable(QString::number(silence.elapsed())));
        QVERIFY2(silence.elapsed() <= 17000, qPrintable(QString::number(silence.elapsed())));
    }
};

QTEST_GUILESS_MAIN(tst_HeartbeatWatchdogRealTime)
#include "tst_HeartbeatWatchdogRealTime.moc"
