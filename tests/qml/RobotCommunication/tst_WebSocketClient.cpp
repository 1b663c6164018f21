#include "RosBridgePeer.h"
#include "WebSocketClient.h"

#include <QFutureWatcher>
#include <QLoggingCategory>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <chrono>
#include <cmath>

using namespace std::chrono_literals;

namespace {

// Accepts TCP connections and never answers: a WebSocket handshake to it stays open.
class MuteListener : public QTcpServer
{
public:
    MuteListener() { listen(QHostAddress::LocalHost); }
    int accepted() const { return m_accepted; }

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto *socket = new QTcpSocket(this);
        socket->setSocketDescriptor(descriptor);
        ++m_accepted;
    }

private:
    int m_accepted = 0;
};

// A port on loopback where nobody listens.
quint16 closedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return server.serverPort();
}

const QString loopback = QStringLiteral("127.0.0.1");

} // namespace

class tst_WebSocketClient : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void connectsAndPassesFrames();
    void secondCallForTheSameAddressSharesTheAttempt();
    void otherAddressReplacesTheAttempt();
    void failedAttemptYieldsFalse();
    void connectWhileConnectedReopens();
    void disconnectDuringHandshakeEndsTheAttempt();
    void keepAliveMeasuresLatencyAndEndsSilentConnection();
    void peerThatNeverAnsweredIsNotTimedOut();
    void latencyFromPong();
    void droppedConnectionIsClosed();
    void sendingWhileClosedWarns();
};

void tst_WebSocketClient::initTestCase()
{
    QVERIFY(lcWebSocketClient().isDebugEnabled());
    QLoggingCategory::setFilterRules(QStringLiteral("RobotCommunication.*.debug=false"));
}

void tst_WebSocketClient::init()
{
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
}

void tst_WebSocketClient::connectsAndPassesFrames()
{
    RosBridgePeer peer;
    QVERIFY(peer.listen());
    WebSocketClient client;
    QCOMPARE(client.status(), RobotConnectionStatus::Closed);
    QVERIFY(std::isinf(client.connectionLatency()));
    // status and isConnected share their notify signal.
    const QMetaObject *meta = client.metaObject();
    QCOMPARE(meta->property(meta->indexOfProperty("isConnected")).notifySignal(),
             meta->property(meta->indexOfProperty("status")).notifySignal());

    QSignalSpy statusChanges(&client, &WebSocketClient::statusChanged);
    QList<RobotConnectionStatus::Status> seen;
    connect(&client, &WebSocketClient::statusChanged, this, [&] { seen << client.status(); });
    QFuture<bool> attempt = client.connect(loopback, peer.port());
    QTRY_VERIFY(attempt.isFinished());
    QVERIFY(attempt.result());
    QCOMPARE(attempt.progressText(), QStringLiteral("Connected"));
    QCOMPARE(attempt.progressValue(), 100);
    QCOMPARE(seen, (QList<RobotConnectionStatus::Status>{RobotConnectionStatus::Connecting,
                                                         RobotConnectionStatus::Connected}));
    QVERIFY(client.isConnected());
    QTRY_COMPARE(peer.connectionCount(), 1);

    // Text both ways; a frame of non-ASCII characters goes out whole (no warning).
    const QString text = QStringLiteral("{\"op\":\"x\",\"t\":\"\u00e9\u4e2d\U0001F600\"}");
    client.sendTextMessage(text);
    QTRY_COMPARE(peer.receivedFrames().size(), 1);
    QCOMPARE(peer.receivedFrames().first().text, text);
    QSignalSpy messages(&client, &WebSocketClient::messageReceived);
    peer.sendToAll(QStringLiteral("\u00fcber"));
    QTRY_COMPARE(messages.size(), 1);
    QCOMPARE(messages.first().first().toString(), QStringLiteral("\u00fcber"));

    client.disconnect();
    QTRY_COMPARE(client.status(), RobotConnectionStatus::Closed);
    QVERIFY(!client.isConnected());
    QTRY_COMPARE(peer.connectionCount(), 0);
}

void tst_WebSocketClient::secondCallForTheSameAddressSharesTheAttempt()
{
    MuteListener mute;
    WebSocketClient client;
    QFuture<bool> first = client.connect(loopback, mute.serverPort());
    QFuture<bool> second = client.connect(loopback, mute.serverPort());
    QTRY_COMPARE(mute.accepted(), 1);
    QTest::qWait(100);
    QCOMPARE(mute.accepted(), 1);
    QVERIFY(first.isRunning());
    QVERIFY(second.isRunning());
    QCOMPARE(client.status(), RobotConnectionStatus::Connecting);

    // One attempt behind both: ending it ends both.
    client.disconnect();
    QTRY_VERIFY(first.isFinished());
    QVERIFY(second.isFinished());
}

void tst_WebSocketClient::otherAddressReplacesTheAttempt()
{
    MuteListener mute;
    RosBridgePeer peer;
    QVERIFY(peer.listen());
    WebSocketClient client;
    QFuture<bool> first = client.connect(loopback, mute.serverPort());
    QTRY_COMPARE(mute.accepted(), 1);

    QFuture<bool> second = client.connect(loopback, peer.port());
    // The first attempt is over at once (cancelled, or failed), never successful.
    QVERIFY(first.isFinished());
    QVERIFY(first.isCanceled() || (first.resultCount() == 1 && !first.result()));
    QTRY_VERIFY(second.isFinished());
    QVERIFY(second.result());
    QVERIFY(client.isConnected());
    QTRY_COMPARE(peer.connectionCount(), 1);
}

void tst_WebSocketClient::failedAttemptYieldsFalse()
{
    WebSocketClient client;
    const quint16 port = closedPort();
    QFuture<bool> attempt = client.connect(loopback, port);
    QTRY_VERIFY(attempt.isFinished());
    QCOMPARE(attempt.result(), false);
    QCOMPARE(attempt.progressText(), QStringLiteral("Disconnected"));
    QCOMPARE(client.status(), RobotConnectionStatus::Closed);

    // The failed attempt is not shared: the same address gets a new one.
    QFuture<bool> again = client.connect(loopback, port);
    QVERIFY(again.isRunning());
    QTRY_VERIFY(again.isFinished());
    QCOMPARE(again.result(), false);
}

void tst_WebSocketClient::connectWhileConnectedReopens()
{
    RosBridgePeer peer;
    QVERIFY(peer.listen());
    WebSocketClient client;
    QSignalSpy accepted(&peer, &RosBridgePeer::clientConnected);
    QFuture<bool> first = client.connect(loopback, peer.port());
    QTRY_VERIFY(first.isFinished());
    QVERIFY(first.result());
    QMetaObject::invokeMethod(&client, "onPong", Q_ARG(qulonglong, 7), Q_ARG(QByteArray, {}));
    QCOMPARE(client.connectionLatency(), 0.007f);

    QFuture<bool> second = client.connect(loopback, peer.port());
    // The old connection's liveness does not carry over.
    QVERIFY(std::isinf(client.connectionLatency()));
    QTRY_VERIFY(second.isFinished());
    QVERIFY(second.result());
    QVERIFY(client.isConnected());
    QCOMPARE(accepted.size(), 2);
    QTRY_COMPARE(peer.connectionCount(), 1);
}

// A handshake that is closed while it runs must end its attempt, or a later connect to
// the same address would share a dead one.
void tst_WebSocketClient::disconnectDuringHandshakeEndsTheAttempt()
{
    MuteListener mute;
    WebSocketClient client;
    QFuture<bool> attempt = client.connect(loopback, mute.serverPort());
    QTRY_COMPARE(mute.accepted(), 1);
    client.disconnect();
    QTRY_VERIFY(attempt.isFinished());
    QVERIFY(attempt.isCanceled() || !attempt.result());
    QTRY_COMPARE(client.status(), RobotConnectionStatus::Closed);

    QFuture<bool> again = client.connect(loopback, mute.serverPort());
    QVERIFY(again.isRunning());
    QTRY_COMPARE(mute.accepted(), 2);
    client.disconnect();
    QTRY_VERIFY(again.isFinished());
}

void tst_WebSocketClient::keepAliveMeasuresLatencyAndEndsSilentConnection()
{
    RosBridgePeer peer;
    QVERIFY(peer.listen());
    WebSocketClient client;
    client.setKeepAlive(50ms, 400ms);
    QSignalSpy latencyChanges(&client, &WebSocketClient::connectionLatencyChanged);
    QFuture<bool> attempt = client.connect(loopback, peer.port());
    QTRY_VERIFY(attempt.isFinished());
    QVERIFY(attempt.result());

    // Pongs come back and measure the latency.
    QTRY_VERIFY(!std::isinf(client.connectionLatency()));
    QVERIFY(client.connectionLatency() >= 0);
    QVERIFY(latencyChanges.size() >= 1);

    // A robot that hangs answers nothing: the client closes the connection itself.
    QTest::ignoreMessage(QtWarningMsg, "Ping timeout");
    QElapsedTimer silence;
    silence.start();
    peer.freezeConnections();
    QTRY_COMPARE_WITH_TIMEOUT(client.status(), RobotConnectionStatus::Closed, 5000);
    // The last pong came at most one interval before the freeze.
    QVERIFY2(silence.elapsed() >= 400 - 50 - 20, qPrintable(QString::number(silence.elapsed())));
    QVERIFY(std::isinf(client.connectionLatency()));
}

void tst_WebSocketClient::peerThatNeverAnsweredIsNotTimedOut()
{
    RosBridgePeer peer;
    QVERIFY(peer.listen());
    WebSocketClient client;
    QFuture<bool> attempt = client.connect(loopback, peer.port());
    QTRY_VERIFY(attempt.isFinished());
    QTRY_COMPARE(peer.connectionCount(), 1);

    // Frozen before the first ping: no pong ever arrives.
    peer.freezeConnections();
    client.setKeepAlive(20ms, 100ms);
    QTest::qWait(500);
    QCOMPARE(client.status(), RobotConnectionStatus::Connected);
    QVERIFY(std::isinf(client.connectionLatency()));
}

void tst_WebSocketClient::latencyFromPong()
{
    WebSocketClient client;
    QSignalSpy latencyChanges(&client, &WebSocketClient::connectionLatencyChanged);
    QMetaObject::invokeMethod(&client, "onPong", Q_ARG(qulonglong, 120), Q_ARG(QByteArray, "x"));
    QCOMPARE(client.connectionLatency(), 0.12f);
    QCOMPARE(latencyChanges.size(), 1);
    QMetaObject::invokeMethod(&client, "onPong", Q_ARG(qulonglong, 120), Q_ARG(QByteArray, {}));
    QCOMPARE(latencyChanges.size(), 1);
    QMetaObject::invokeMethod(&client, "onPong", Q_ARG(qulonglong, 0), Q_ARG(QByteArray, {}));
    QCOMPARE(client.connectionLatency(), 0.0f);
    QCOMPARE(latencyChanges.size(), 2);
}

void tst_WebSocketClient::droppedConnectionIsClosed()
{
    RosBridgePeer peer;
    QVERIFY(peer.listen());
    WebSocketClient client;
    client.setKeepAlive(20ms, 100ms);
    QFuture<bool> attempt = client.connect(loopback, peer.port());
    QTRY_VERIFY(attempt.isFinished());
    QTRY_VERIFY(!std::isinf(client.connectionLatency()));

    peer.dropConnections();
    QTRY_COMPARE(client.status(), RobotConnectionStatus::Closed);
    QVERIFY(std::isinf(client.connectionLatency()));
    // Reconnecting starts afresh.
    QFuture<bool> again = client.connect(loopback, peer.port());
    QTRY_VERIFY(again.isFinished());
    QVERIFY(again.result());
}

void tst_WebSocketClient::sendingWhileClosedWarns()
{
    WebSocketClient client;
    QTest::ignoreMessage(QtWarningMsg, "Not all data was transmitted");
    client.sendTextMessage(QStringLiteral("{}"));
    QTest::ignoreMessage(QtWarningMsg, "Not all data was transmitted");
    client.sendBinaryMessage(QByteArray("\x01\x02", 2));
}

QTEST_GUILESS_MAIN(tst_WebSocketClient)

#include "tst_WebSocketClient.moc"
