#include "RobotConnection.h"
#include "RobotJobInterface.h"
#include "RobotMapResourceInterface.h"
#include "RobotPathRecordingInterface.h"
#include "RobotResourceInterface.h"
#include "RobotSession.h"
#include "RobotTelemetryInterface.h"

#include <QPointer>
#include <QSignalSpy>
#include <QTcpServer>

namespace {

// The statuses a connection went through, as its signal reported them.
struct StatusLog
{
    explicit StatusLog(RobotConnection &connection)
    {
        QObject::connect(&connection, &IRobotConnection::connectionStatusChanged, &connection,
                         [this, &connection] { statuses << connection.status(); });
    }
    QList<RobotConnectionStatus::Status> statuses;
};

bool connectTo(RobotConnection &connection, const QUrl &url)
{
    QFuture<bool> attempt = connection.connectCpp(url);
    return QTest::qWaitFor([&] { return attempt.isFinished(); }, 10000) && attempt.resultCount() == 1
           && attempt.result();
}

const QString poseTopic = QStringLiteral("/autopilot/estimated_pose");
const QStringList telemetryTopics{QStringLiteral("/autopilot/coordinate_system"), poseTopic,
                                  QStringLiteral("/autopilot/interface/system_status")};

} // namespace

class tst_RobotConnection : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLoggingCategory::setFilterRules(QStringLiteral("RobotCommunication.*.debug=false")); }

    // Before any attempt: closed, and every interface there, as a child of the connection.
    void freshConnection()
    {
        RobotConnection connection;
        QCOMPARE(connection.status(), RobotConnectionStatus::Closed);
        QCOMPARE(connection.location(), QStringLiteral("robot/1"));
        const QList<QObject *> interfaces{connection.pathResourceInterface(),
                                          connection.jobResourceInterface(),
                                          connection.areaResourceInterface(),
                                          connection.artifactResourceInterface(),
                                          connection.scheduleResourceInterface(),
                                          connection.mapResourceInterface(),
                                          connection.jobInterface(),
                                          connection.pathRecordingInterface(),
                                          connection.telemetryInterface()};
        for (QObject *interface : interfaces) {
            QVERIFY(interface);
            QCOMPARE(interface->parent(), &connection);
        }
        QCOMPARE(QSet<QObject *>(interfaces.begin(), interfaces.end()).size(), 9);
        QCOMPARE(connection.client()->parent(), &connection);
    }

    void resourceInterfaceByKind_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("interface");
        QTest::newRow("path") << int(RobotResourceType::Path) << "path";
        QTest::newRow("job") << int(RobotResourceType::Job) << "job";
        QTest::newRow("area") << int(RobotResourceType::Area) << "area";
        QTest::newRow("artifact") << int(RobotResourceType::Artifact) << "artifact";
        QTest::newRow("schedule") << int(RobotResourceType::Schedule) << "schedule";
        QTest::newRow("map") << int(RobotResourceType::Map) << "map";
        QTest::newRow("location") << int(RobotResourceType::Location) << "none";
        QTest::newRow("unknown") << int(RobotResourceType::Unknown) << "none";
        QTest::newRow("out of range") << 42 << "none";
    }
    void resourceInterfaceByKind()
    {
        QFETCH(int, kind);
        QFETCH(QString, interface);
        RobotConnection connection;
        const QHash<QString, IRobotResourceInterface *> byName{{"path", connection.pathResourceInterface()},
                                                               {"job", connection.jobResourceInterface()},
                                                               {"area", connection.areaResourceInterface()},
                                                               {"artifact", connection.artifactResourceInterface()},
                                                               {"schedule", connection.scheduleResourceInterface()},
                                                               {"map", connection.mapResourceInterface()},
                                                               {"none", nullptr}};
        QCOMPARE(connection.resourceInterface(RobotResourceType::ResourceType(kind)), byName.value(interface));
    }

    // The host and port come from the URL; its scheme and path are not used.
    void urlGivesHostAndPort_data()
    {
        QTest::addColumn<QString>("url");
        QTest::newRow("ws with a path") << "ws://127.0.0.1:%1/some/path?x=1";
        QTest::newRow("another scheme") << "http://127.0.0.1:%1";
        QTest::newRow("no scheme") << "//127.0.0.1:%1";
    }
    void urlGivesHostAndPort()
    {
        QFETCH(QString, url);
        RobotSession session;
        QVERIFY(session.peer.listen());
        RobotConnection connection;
        QVERIFY(connectTo(connection, QUrl(url.arg(session.peer.port()))));
        QCOMPARE(connection.status(), RobotConnectionStatus::Connected);
        QTRY_COMPARE(session.peer.connectionCount(), 1);
    }

    // Without a port the robot's own, 9090.
    void defaultPort()
    {
        RosBridgePeer peer;
        if (!peer.listen(QHostAddress::LocalHost, RobotConnection::defaultPort))
            QSKIP("port 9090 is taken on this machine (run the test in a network namespace of its own)");
        RobotConnection connection;
        QVERIFY(connectTo(connection, QUrl(QStringLiteral("ws://127.0.0.1"))));
        QTRY_COMPARE(peer.connectionCount(), 1);
    }

    // Every status change of the transport reaches the connection's signal, and a
    // connection can be opened again after it closed.
    void statusFollowsTheTransport()
    {
        RobotSession session;
        QVERIFY(session.peer.listen());
        RobotConnection connection;
        StatusLog log(connection);
        const QUrl url = session.peer.url();

        QVERIFY(connectTo(connection, url));
        QCOMPARE(log.statuses, (QList{RobotConnectionStatus::Connecting, RobotConnectionStatus::Connected}));

        log.statuses.clear();
        connection.disconnect();
        QTRY_COMPARE(connection.status(), RobotConnectionStatus::Closed);
        QCOMPARE(log.statuses.last(), RobotConnectionStatus::Closed);
        QTRY_COMPARE(session.peer.connectionCount(), 0);

        QVERIFY(connectTo(connection, url));
        QCOMPARE(connection.status(), RobotConnectionStatus::Connected);
    }

    void failedAttempt()
    {
        // A port nobody listens on.
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        QUrl url(QStringLiteral("ws://127.0.0.1"));
        url.setPort(probe.serverPort());
        probe.close();
        RobotConnection connection;
        QFuture<bool> attempt = connection.connectCpp(url);
        QTRY_VERIFY_WITH_TIMEOUT(attempt.isFinished(), 10000);
        QCOMPARE(attempt.result(), false);
        QCOMPARE(connection.status(), RobotConnectionStatus::Closed);
    }

    // The robot drops the connection: the status says so, the interfaces fail their
    // calls, and after connecting again the telemetry topics are subscribed anew and
    // the pose comes in again.
    void droppedAndReconnected()
    {
        RobotSession session;
        QVERIFY(session.peer.listen());
        session.robot.setTelemetryInterval(std::chrono::milliseconds(50));
        session.robot.setOdometry(RosBridgeRobot::odometryMessage(1, 2, 0));
        session.client.setParent(nullptr);
        RobotConnection connection(&session.client, nullptr);
        const QUrl url = session.peer.url();
        QVERIFY(connectTo(connection, url));
        QTRY_COMPARE(session.peer.subscribedTopics(), telemetryTopics);
        RobotTelemetryInterface *telemetry = connection.telemetryInterface();
        QTRY_COMPARE(telemetry->pose().position.x, 1.0);

        StatusLog log(connection);
        session.peer.dropConnections();
        QTRY_COMPARE(connection.status(), RobotConnectionStatus::Closed);
        QVERIFY(log.statuses.contains(RobotConnectionStatus::Closed));
        QCOMPARE(settle(connection.jobInterface()->stopJobCpp()),
                 QStringLiteral("RobotNotConnectedException: Robot is not connected"));

        session.peer.clearReceivedFrames();
        session.robot.setOdometry(RosBridgeRobot::odometryMessage(7, 8, 0));
        QVERIFY(connectTo(connection, url));
        QTRY_COMPARE(session.peer.subscribedTopics(), telemetryTopics);
        QTRY_COMPARE(telemetry->pose().position.x, 7.0);
        // Each topic once on the new connection, not once per connection made.
        QStringList subscribed;
        for (const QJsonObject &frame : session.peer.receivedFrames(QStringLiteral("subscribe")))
            subscribed << frame.value(QLatin1String("topic")).toString();
        subscribed.sort();
        QCOMPARE(subscribed, telemetryTopics);
    }

    // A connection that goes while connected takes its interfaces and its own client
    // with it; nothing calls back into them afterwards.
    void destroyedWhileConnected()
    {
        RobotSession session;
        QVERIFY(session.peer.listen());
        session.robot.setTelemetryInterval(std::chrono::milliseconds(20));
        auto *connection = new RobotConnection();
        QPointer<QObject> telemetry = connection->telemetryInterface();
        QPointer<QObject> client = connection->client();
        QVERIFY(connectTo(*connection, session.peer.url()));
        QTRY_COMPARE(session.peer.subscribedTopics(), telemetryTopics);
        delete connection;
        QVERIFY(!telemetry && !client);
        QTRY_COMPARE(session.peer.connectionCount(), 0);
        QTest::qWait(100); // telemetry keeps being published meanwhile
    }
};

QTEST_MAIN(tst_RobotConnection)
#include "tst_RobotConnection.moc"
