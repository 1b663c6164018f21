#include "BoardExternalMode.h"
#include "BoardRig.h"
#include "ExternalMode.h"
#include "TestBytes.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <memory>

namespace {

struct Status
{
    int port;
    bool started;
    bool clientConnected;
    friend bool operator==(const Status &, const Status &) = default;
};

QList<Status> statusesOf(const QSignalSpy &spy)
{
    QList<Status> statuses;
    for (const QList<QVariant> &arguments : spy)
        statuses.append({arguments[0].toInt(), arguments[1].toBool(), arguments[2].toBool()});
    return statuses;
}

// Reads from a client until it holds size bytes or nothing more comes.
QByteArray readFrom(QTcpSocket &client, qsizetype size)
{
    QByteArray received;
    (void)QTest::qWaitFor(
        [&] {
            received += client.readAll();
            return received.size() >= size;
        },
        5000);
    return received;
}

// The bridge on a manager without a link: board payloads are handed in, and what
// the bridge sends to the board is recorded.
struct Bridge
{
    DatalinkManager manager;
    std::unique_ptr<ExternalMode> bridge = std::make_unique<ExternalMode>(nullptr, &manager);
    QSignalSpy written{bridge.get(), &AbstractService::write};
    QSignalSpy status{bridge.get(), &ExternalMode::extModServerStatusChanged};

    // Starts on a free port chosen by the system.
    int start()
    {
        bridge->setPort(0);
        return bridge->startServer();
    }
    void fromBoard(const QByteArray &payload) { emit manager.DataReady(ExternalMode::Channel, payload); }
    QByteArray toBoard() const
    {
        QByteArray all;
        for (const QList<QVariant> &write : written)
            all += write[2].toByteArray();
        return all;
    }
    bool connectClient(QTcpSocket &client)
    {
        client.connectToHost(QHostAddress::LocalHost, quint16(bridge->serverPort()));
        return client.waitForConnected(3000) && QTest::qWaitFor([&] { return bridge->isClientConnected(); }, 3000);
    }
};

} // namespace

// The external-mode bridge: its results, where it listens, the bytes relayed both
// ways over real loopback sockets, clients that leave or are replaced, and a client
// talking through the bridge to the board simulator on the bridge's own port.
class tst_ExternalMode : public QObject
{
    Q_OBJECT

private slots:
    void startAndStopReportTheirResults()
    {
        Bridge b;
        QCOMPARE(b.bridge->startServer(), ExternalMode::NoPort);
        QCOMPARE(b.status.size(), 0);

        const int port = b.start();
        QVERIFY(port > 0);
        QCOMPARE(b.bridge->serverPort(), port);
        QCOMPARE(statusesOf(b.status), (QList<Status>{{port, true, false}}));
        QCOMPARE(b.bridge->startServer(), ExternalMode::AlreadyStarted);

        // The port is taken by the first bridge.
        DatalinkManager otherManager;
        ExternalMode other(nullptr, &otherManager);
        other.setPort(port);
        QCOMPARE(other.startServer(), ExternalMode::ListenFailed);
        QVERIFY(!other.isStarted());

        b.bridge->stopServer();
        QCOMPARE(statusesOf(b.status), (QList<Status>{{port, true, false}, {port, false, false}}));
        b.bridge->stopServer();
        QCOMPARE(b.status.size(), 2);

        // Stopped, the port is free again, and the bridge starts once more.
        QCOMPARE(other.startServer(), port);
        other.stopServer();
        b.bridge->setPort(port);
        QCOMPARE(b.bridge->startServer(), port);
    }

    void listensOnLoopbackUnlessAskedOtherwise()
    {
        Bridge b;
        QVERIFY(b.start() > 0);
        const QList<QString> addresses = b.bridge->listenAddresses();
        QVERIFY(addresses.contains("127.0.0.1"));
        for (const QString &address : addresses)
            QVERIFY2(QHostAddress(address).isLoopback(), qPrintable(address));
        b.bridge->stopServer();

        b.bridge->setListenOnAllInterfaces(true);
        QVERIFY(b.start() > 0);
        QCOMPARE(b.bridge->listenAddresses(), QList<QString>{QHostAddress(QHostAddress::Any).toString()});
    }

    void clientBytesReachTheBoardInOrder()
    {
        Bridge b;
        QVERIFY(b.start() > 0);
        QTcpSocket client;
        QVERIFY(b.connectClient(client));
        QCOMPARE(lastStatus(b), (Status{b.bridge->serverPort(), true, true}));

        const QByteArray bytes = randomBytes(3000, 1);
        client.write(bytes.left(1200));
        client.write(bytes.mid(1200));
        QTRY_COMPARE_WITH_TIMEOUT(b.toBoard().size(), bytes.size(), 5000);
        QVERIFY(b.toBoard() == bytes);
        for (const QList<QVariant> &write : b.written) {
            QCOMPARE(write[0].value<DatalinkChannelId>(), DatalinkChannelId(5));
            QCOMPARE(write[1].toBool(), true);
            QVERIFY(write[2].toByteArray().size() <= 1018);
        }
    }

    void boardBytesReachTheClientUnchanged()
    {
        Bridge b;
        QVERIFY(b.start() > 0);
        QTcpSocket client;
        QVERIFY(b.connectClient(client));
        const QByteArray payload = randomBytes(50, 2);
        b.fromBoard(payload);
        QCOMPARE(readFrom(client, 50), payload);
    }

    void boardPayloadAfterTheClientLeftStopsTheServer()
    {
        Bridge b;
        const int port = b.start();
        QTcpSocket client;
        QVERIFY(b.connectClient(client));
        client.disconnectFromHost();
        QTRY_VERIFY_WITH_TIMEOUT(!b.bridge->isClientConnected(), 3000);
        QCOMPARE(lastStatus(b), (Status{port, true, false}));
        b.fromBoard("late");
        QVERIFY(!b.bridge->isStarted());
        QCOMPARE(lastStatus(b), (Status{port, false, false}));
    }

    void secondClientTakesThePlaceOfTheFirst()
    {
        Bridge b;
        const int port = b.start();
        QTcpSocket first;
        QVERIFY(b.connectClient(first));
        QTcpSocket second;
        second.connectToHost(QHostAddress::LocalHost, quint16(port));
        QVERIFY(second.waitForConnected(3000));

        // The first connection is closed; the status tells of the second.
        QTRY_COMPARE_WITH_TIMEOUT(first.state(), QAbstractSocket::UnconnectedState, 3000);
        QCOMPARE(lastStatus(b), (Status{port, true, true}));
        QVERIFY(b.bridge->isClientConnected());

        b.fromBoard("to the second");
        QCOMPARE(readFrom(second, 13), QByteArray("to the second"));
        second.write("from the second");
        QTRY_COMPARE_WITH_TIMEOUT(b.toBoard(), QByteArray("from the second"), 3000);
        QVERIFY(first.readAll().isEmpty());
        QTest::qWait(50);
        QVERIFY(b.bridge->isClientConnected());
        QVERIFY(b.bridge->isStarted());
    }

    void destructionStopsTheServer()
    {
        Bridge b;
        const int port = b.start();
        QTcpSocket client;
        QVERIFY(b.connectClient(client));
        b.bridge.reset();
        QCOMPARE(lastStatus(b), (Status{port, false, false}));
        QTRY_COMPARE_WITH_TIMEOUT(client.state(), QAbstractSocket::UnconnectedState, 3000);
        QTcpServer again;
        QVERIFY(again.listen(QHostAddress::LocalHost, quint16(port)));
    }

    // The board object's port, so this test holds a lock on it.
    void clientTalksToTheBoardThroughTheBridge()
    {
        BoardRig rig;
        QVERIFY(rig.connect());
        ExternalMode bridge(nullptr, &rig.manager);
        bridge.setPort(ExternalMode::DefaultPort);
        QCOMPARE(bridge.startServer(), 17725);
        QTcpSocket client;
        client.connectToHost(QHostAddress::LocalHost, 17725);
        QVERIFY(client.waitForConnected(3000));

        // The simulator echoes: what comes back is what went out, in order.
        const QByteArray bytes = randomBytes(20000, 3);
        for (qsizetype offset = 0; offset < bytes.size(); offset += 2500)
            client.write(bytes.mid(offset, 2500));
        const QByteArray echoed = readFrom(client, bytes.size());
        QCOMPARE(echoed.size(), bytes.size());
        QVERIFY(echoed == bytes);
        BoardExternalMode *board = rig.channel<BoardExternalMode>();
        QVERIFY(board->received() == bytes);

        // A scripted board answers each payload with its next reply.
        board->setScript({"first reply", QByteArray(3000, 's')});
        client.write("q1");
        QCOMPARE(readFrom(client, 11), QByteArray("first reply"));
        QTRY_VERIFY_WITH_TIMEOUT(board->received().endsWith("q1"), 3000);
        client.write("q2");
        QCOMPARE(readFrom(client, 3000), QByteArray(3000, 's'));
    }

private:
    static Status lastStatus(const Bridge &b)
    {
        const QList<Status> statuses = statusesOf(b.status);
        return statuses.isEmpty() ? Status{-2, false, false} : statuses.last();
    }
};

QTEST_GUILESS_MAIN(tst_ExternalMode)
#include "tst_ExternalMode.moc"
