// The peer's own behaviour, seen from plain WebSocket clients: per-connection topics,
// publishing to subscribers only, the answer to services it does not know, and the
// record of received frames.
#include "RosBridgePeer.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>
#include <QWebSocket>

#include <memory>

namespace {

std::unique_ptr<QWebSocket> openClient(const RosBridgePeer &peer)
{
    auto socket = std::make_unique<QWebSocket>();
    socket->open(peer.url());
    if (!QTest::qWaitFor([&] { return socket->state() == QAbstractSocket::ConnectedState; }))
        return nullptr;
    return socket;
}

QJsonObject parse(const QString &text)
{
    return QJsonDocument::fromJson(text.toUtf8()).object();
}

} // namespace

class tst_RosBridgePeer : public QObject
{
    Q_OBJECT

private slots:
    void topicsBelongToTheirConnection();
    void unknownServiceIsAnsweredAsMissing();
    void recordsEveryFrame();
};

void tst_RosBridgePeer::topicsBelongToTheirConnection()
{
    RosBridgePeer peer;
    QVERIFY(peer.listen());
    QCOMPARE(peer.url().toString(), QStringLiteral("ws://127.0.0.1:%1").arg(peer.port()));
    auto first = openClient(peer);
    auto second = openClient(peer);
    QVERIFY(first && second);
    QTRY_COMPARE(peer.connectionCount(), 2);

    first->sendTextMessage(QStringLiteral(R"({"op":"subscribe","topic":"/a","type":"std_msgs/String","id":"s1"})"));
    second->sendTextMessage(QStringLiteral(R"({"op":"subscribe","topic":"/b"})"));
    QTRY_COMPARE(peer.subscribedTopics(), (QStringList{QStringLiteral("/a"), QStringLiteral("/b")}));

    QSignalSpy toFirst(first.get(), &QWebSocket::textMessageReceived);
    QSignalSpy toSecond(second.get(), &QWebSocket::textMessageReceived);
    QCOMPARE(peer.publish(QStringLiteral("/a"), QJsonObject{{QStringLiteral("data"), QStringLiteral("x")}}), 1);
    QTRY_COMPARE(toFirst.size(), 1);
    QCOMPARE(parse(toFirst.first().first().toString()),
             parse(QStringLiteral(R"({"op":"publish","topic":"/a","msg":{"data":"x"}})")));
    QTest::qWait(50);
    QCOMPARE(toSecond.size(), 0);

    second->sendTextMessage(QStringLiteral(R"({"op":"unsubscribe","topic":"/b"})"));
    QTRY_COMPARE(peer.subscribedTopics(), QStringList{QStringLiteral("/a")});
    QCOMPARE(peer.publish(QStringLiteral("/b"), QJsonObject()), 0);

    // A connection that goes takes its topics along.
    first->close();
    QTRY_COMPARE(peer.connectionCount(), 1);
    QCOMPARE(peer.subscribedTopics(), QStringList());
}

void tst_RosBridgePeer::unknownServiceIsAnsweredAsMissing()
{
    RosBridgePeer peer;
    QVERIFY(peer.listen());
    auto client = openClient(peer);
    QVERIFY(client);
    QSignalSpy answers(client.get(), &QWebSocket::textMessageReceived);
    client->sendTextMessage(QStringLiteral(R"({"op":"call_service","service":"/nowhere","args":{},"id":"call:7"})"));
    QTRY_COMPARE(answers.size(), 1);
    QCOMPARE(parse(answers.first().first().toString()),
             parse(QStringLiteral(R"({"op":"service_response","service":"/nowhere","result":false,)"
                                  R"("id":"call:7","values":"Service /nowhere does not exist"})")));

    // An answer script may leave out the values and the id a call came without.
    peer.setServiceReply(QStringLiteral("/bare"), RosBridgePeerReply());
    client->sendTextMessage(QStringLiteral(R"({"op":"call_service","service":"/bare"})"));
    QTRY_COMPARE(answers.size(), 2);
    QCOMPARE(parse(answers.last().first().toString()),
             parse(QStringLiteral(R"({"op":"service_response","service":"/bare","result":true})")));
}

void tst_RosBridgePeer::recordsEveryFrame()
{
    RosBridgePeer peer;
    QVERIFY(peer.listen());
    auto first = openClient(peer);
    auto second = openClient(peer);
    QVERIFY(first && second);
    first->sendTextMessage(QStringLiteral("not JSON"));
    QTRY_COMPARE(peer.receivedFrames().size(), 1);
    second->sendTextMessage(QStringLiteral(R"({"op":"advertise","topic":"/x"})"));
    QTRY_COMPARE(peer.receivedFrames().size(), 2);
    QCOMPARE(peer.receivedFrames().at(0).text, QStringLiteral("not JSON"));
    QCOMPARE(peer.receivedFrames().at(0).connection, 0);
    QCOMPARE(peer.receivedFrames().at(1).connection, 1);
    QCOMPARE(peer.receivedFrames(QString()).size(), 1);
    QCOMPARE(peer.receivedFrames(QStringLiteral("advertise")).size(), 1);
    QCOMPARE(peer.receivedFrames(QStringLiteral("subscribe")).size(), 0);
}

QTEST_GUILESS_MAIN(tst_RosBridgePeer)

#include "tst_RosBridgePeer.moc"
