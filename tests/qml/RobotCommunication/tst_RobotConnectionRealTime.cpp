// The robot connection's time limits with their real values, once: the keep-alive
// (a ping every 3000 ms, given up 15000 ms after the last pong) and the 10000 ms limit
// of a service call. Both run at the same time, so the test takes about 20 s.
#include "PeerSession.h"

#include <QElapsedTimer>
#include <QLoggingCategory>

#include <cmath>

using Behaviour = RosBridgePeerReply::Behaviour;

class tst_RobotConnectionRealTime : public QObject
{
    Q_OBJECT

private slots:
    void realTimeLimits()
    {
        QLoggingCategory::setFilterRules(QStringLiteral("RobotCommunication.*.debug=false"));
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));

        // The first ping goes out 3000 ms after the connection came up (a coarse timer
        // may fire up to 5 % early).
        QElapsedTimer pingClock;
        pingClock.start();
        PeerSession hanging;
        QVERIFY(hanging.start());
        PeerSession silent;
        QVERIFY(silent.start());
        silent.peer.setServiceReply(QStringLiteral("/silent"), RosBridgePeerReply::with(Behaviour::Silence));
        QCOMPARE(RosBridgeClient::defaultServiceCallTimeoutMs, 10000);
        QCOMPARE(silent.client.serviceCallTimeoutMs(), 10000);

        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^Service call .* timed out$")));
        QElapsedTimer callClock;
        callClock.start();
        QFuture<RosBridgeClient::ServiceCallResponse> call =
            silent.client.callService(QStringLiteral("/silent"), QJsonObject(), silent.client.serviceCallTimeoutMs());

        WebSocketClient *transport = hanging.client.webSocket();
        QTRY_VERIFY_WITH_TIMEOUT(!std::isinf(transport->connectionLatency()), 6000);
        QVERIFY2(pingClock.elapsed() >= 2850, qPrintable(QString::number(pingClock.elapsed())));
        hanging.peer.freezeConnections();
        QElapsedTimer silenceClock;
        silenceClock.start();

        QTRY_VERIFY_WITH_TIMEOUT(call.isFinished(), 15000);
        QVERIFY2(callClock.elapsed() >= 9500 && callClock.elapsed() < 13000,
                 qPrintable(QString::number(callClock.elapsed())));
        QCOMPARE(outcomeOf<RosBridgeClient::ServiceCallResponse>(call, showResponse),
                 QStringLiteral("ServiceCallTimeoutException: Service call timed out"));

        // The last pong came just before the freeze: the first tick more than 15000 ms
        // after it closes the connection, that is 15000 to 18000 ms later.
        QTest::ignoreMessage(QtWarningMsg, "Ping timeout");
        QTRY_COMPARE_WITH_TIMEOUT(transport->status(), RobotConnectionStatus::Closed, 25000);
        QVERIFY2(silenceClock.elapsed() >= 15000 - 3000 && silenceClock.elapsed() < 18000 + 2000,
                 qPrintable(QString::number(silenceClock.elapsed())));
    }
};

QTEST_GUILESS_MAIN(tst_RobotConnectionRealTime)

#include "tst_RobotConnectionRealTime.moc"
