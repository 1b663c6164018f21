#include "LocalTangentPlaneCoordinateConverter.h"
#include "RobotSession.h"
#include "RobotTelemetryInterface.h"
#include "UTMCoordinateConverter.h"

#include <QGeoCoordinate>
#include <QPointer>
#include <QRegularExpression>
#include <QSignalSpy>

#include <cmath>
#include <limits>
#include <memory>

using namespace std::chrono_literals;

namespace {

const QString prefix = QStringLiteral("/autopilot");
const QString poseTopic = prefix + QStringLiteral("/estimated_pose");
const QString coordinateTopic = prefix + QStringLiteral("/coordinate_system");
const QString statusTopic = prefix + QStringLiteral("/interface/system_status");

QString describe(const CoordinateConverter *converter)
{
    if (!converter)
        return QStringLiteral("null");
    if (auto *utm = qobject_cast<const UTMCoordinateConverter *>(converter))
        return QStringLiteral("utm %1 %2 %3 %4 %5")
            .arg(utm->zone())
            .arg(utm->north() ? "north" : "south")
            .arg(utm->offset().x, 0, 'g', 12)
            .arg(utm->offset().y, 0, 'g', 12)
            .arg(utm->offset().z, 0, 'g', 12);
    if (auto *ltp = qobject_cast<const LocalTangentPlaneCoordinateConverter *>(converter))
        return QStringLiteral("ltp %1 %2 %3")
            .arg(ltp->reference().latitude())
            .arg(ltp->reference().longitude())
            .arg(ltp->reference().altitude());
    return QStringLiteral("type %1").arg(int(converter->type()));
}

QJsonObject coordinateSystemMessage(const char *overrides)
{
    QJsonObject message{{QStringLiteral("type"), 2},           {QStringLiteral("map_name"), QStringLiteral("yard")},
                        {QStringLiteral("latitude"), 52.0},    {QStringLiteral("longitude"), 5.0},
                        {QStringLiteral("altitude"), 10.0},    {QStringLiteral("zone"), 31},
                        {QStringLiteral("north"), true},       {QStringLiteral("x_offset"), 600000.0},
                        {QStringLiteral("y_offset"), 5700000}, {QStringLiteral("z_offset"), 0.5}};
    const QJsonObject changes = jsonValue(overrides).toObject();
    for (auto it = changes.begin(); it != changes.end(); ++it) {
        if (it.value().isString() && it.value().toString() == QLatin1String("<absent>"))
            message.remove(it.key());
        else
            message.insert(it.key(), it.value());
    }
    return message;
}

const QString droppedOn = QStringLiteral("^Exception in callback for topic \"%1\" : %2$");

// A connected session with a telemetry interface that subscribed on connecting.
struct TelemetrySession : PeerSession
{
    std::unique_ptr<RobotTelemetryInterface> telemetry;

    bool begin()
    {
        telemetry = std::make_unique<RobotTelemetryInterface>(prefix, &client);
        return start() && QTest::qWaitFor([&] { return peer.subscribedTopics().size() == 3; });
    }
    // Publishes the messages on the topic, then one probe status message, and waits
    // until the probe has come: every message before it has come too.
    bool deliver(const QString &topic, const QJsonArray &messages)
    {
        for (const QJsonValue message : messages) {
            if (peer.publish(topic, message.toObject()) != 1)
                return false;
        }
        bool probed = false;
        RobotSubscription *probe = client.subscribe(statusTopic, QString(), nullptr);
        probe->onMessage([&](const QJsonObject &message) { probed = message.contains(QLatin1String("probe")); });
        peer.publish(statusTopic, {{QStringLiteral("probe"), true}});
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(droppedOn.arg(statusTopic, QStringLiteral(".*"))));
        const bool arrived = QTest::qWaitFor([&] { return probed; });
        delete probe;
        return arrived;
    }
};

} // namespace

class tst_RobotTelemetryInterface : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void followsTheRobotAndConvertsItsPose();
    void subscribesOnEachConnection();
    void odometry_data();
    void odometry();
    void notANumberCounts();
    void coordinateSystem_data();
    void coordinateSystem();
    void replacedConvertersGoLater();
    void systemStatus_data();
    void systemStatus();
    void destroyedWhileTelemetryArrives();
};

void tst_RobotTelemetryInterface::init()
{
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
}

// The whole road: the robot's telemetry arrives, and its pose, in the UTM frame the
// robot reports, becomes a geographic position (cs2cs EPSG:32632 -> EPSG:4326 gives
// 47.853341946 N 9 E for 500000 E 5300000 N).
void tst_RobotTelemetryInterface::followsTheRobotAndConvertsItsPose()
{
    RobotSession session;
    session.robot.setTelemetryInterval(20ms);
    session.robot.setOdometry(RosBridgeRobot::odometryMessage(-100, 300000, 2, 0, 0, 0, 1, 0.5, 0.1));
    session.robot.setCoordinateSystem(coordinateSystemMessage(R"({"zone":32,"x_offset":500100,"y_offset":5000000})"));
    session.robot.setSystemStatus({{QStringLiteral("is_operational"), true},
                                   {QStringLiteral("behavior_status"), QStringLiteral("driving")},
                                   {QStringLiteral("position_accuracy_status"), QStringLiteral("orientation_ok")}});
    RobotTelemetryInterface telemetry(prefix, &session.client);
    QVERIFY(session.start());

    QTRY_VERIFY(telemetry.coordinateSystem() && telemetry.pose().position.x == -100);
    QCOMPARE(describe(telemetry.coordinateSystem()), QStringLiteral("utm 32 north 500100 5000000 0.5"));
    const PoseWithCovariance pose = telemetry.pose();
    QCOMPARE(pose.orientation, QQuaternion(0, 0, 0, 1));
    QCOMPARE(pose.covariance.size(), 36);
    QCOMPARE(telemetry.twist().linearVelocity, QVector3D(0.5f, 0, 0));
    QCOMPARE(telemetry.twist().angularVelocity, QVector3D(0, 0, 0.1f));
    const QGeoCoordinate geo = telemetry.coordinateSystem()->convertToGeo(pose.position);
    QVERIFY2(std::abs(geo.latitude() - 47.853341946) < 1e-8, qPrintable(QString::number(geo.latitude(), 'f', 10)));
    QVERIFY2(std::abs(geo.longitude() - 9.0) < 1e-8, qPrintable(QString::number(geo.longitude(), 'f', 10)));
    QCOMPARE(geo.altitude(), 2.5);
    QTRY_VERIFY(telemetry.operationalStatus());
    QCOMPARE(telemetry.behaviorStatus(), QStringLiteral("driving"));
    QCOMPARE(telemetry.positionAccuracy(), RobotMessages::PositionAccuracy::Orientation_ok);

    // A steady robot keeps QML quiet: repeated messages change nothing but the converter.
    QSignalSpy poses(&telemetry, &RobotTelemetryInterface::poseChanged);
    QSignalSpy statuses(&telemetry, &RobotTelemetryInterface::behaviorStatusChanged);
    QTest::qWait(100);
    QCOMPARE(poses.size(), 0);
    QCOMPARE(statuses.size(), 0);
    session.robot.setOdometry(RosBridgeRobot::odometryMessage(-90, 300000, 2, 0, 0, 0, 1, 0.5, 0.1));
    QTRY_COMPARE(poses.size(), 1);
}

// Subscribed on each change to Connected, given up on each change away from it; the
// values stay across the gap and the robot's next messages update them.
void tst_RobotTelemetryInterface::subscribesOnEachConnection()
{
    PeerSession session;
    QVERIFY(session.peer.listen() && session.reconnect());
    // Made on a client that is connected already: nothing until the next connection.
    RobotTelemetryInterface telemetry(prefix, &session.client);
    QTest::qWait(50);
    QVERIFY(session.peer.receivedFrames(QStringLiteral("subscribe")).isEmpty());

    session.peer.dropConnections();
    QTRY_COMPARE(session.client.connectionStatus(), RobotConnectionStatus::Closed);
    QVERIFY(session.reconnect());
    QTRY_COMPARE(session.peer.receivedFrames(QStringLiteral("subscribe")).size(), 3);
    const QList<QJsonObject> subscribes = session.peer.receivedFrames(QStringLiteral("subscribe"));
    QStringList sent;
    for (const QJsonObject &frame : subscribes)
        sent.append(QString::fromUtf8(QJsonDocument(frame).toJson(QJsonDocument::Compact)));
    QCOMPARE(
        sent,
        (QStringList{
            R"({"op":"subscribe","topic":"/autopilot/estimated_pose","type":"nav_msgs/msg/Odometry"})",
            R"({"op":"subscribe","topic":"/autopilot/coordinate_system","type":"autonomy_msgs/msg/CoordinateSystemInfo"})",
            R"({"op":"subscribe","topic":"/autopilot/interface/system_status","type":"autopilot_msgs/msg/SystemStatus"})"}));
    QTRY_COMPARE(session.peer.publish(statusTopic, {{QStringLiteral("is_operational"), true},
                                                    {QStringLiteral("behavior_status"), QStringLiteral("idle")},
                                                    {QStringLiteral("position_accuracy_status"), QStringLiteral("")}}),
                 1);
    QTRY_VERIFY(telemetry.operationalStatus());
    session.peer.publish(coordinateTopic, coordinateSystemMessage("{}"));
    QTRY_VERIFY(telemetry.coordinateSystem());
    const QList<RobotSubscription *> held = telemetry.findChildren<RobotSubscription *>();
    QCOMPARE(held.size(), 3);

    session.peer.dropConnections();
    QTRY_COMPARE(session.client.connectionStatus(), RobotConnectionStatus::Closed);
    QTRY_VERIFY(telemetry.findChildren<RobotSubscription *>().isEmpty());
    QVERIFY(telemetry.operationalStatus());
    QCOMPARE(telemetry.behaviorStatus(), QStringLiteral("idle"));
    QCOMPARE(describe(telemetry.coordinateSystem()), QStringLiteral("utm 31 north 600000 5700000 0.5"));

    session.peer.clearReceivedFrames();
    QVERIFY(session.reconnect());
    QTRY_COMPARE(session.peer.subscribedTopics(), (QStringList{coordinateTopic, poseTopic, statusTopic}));
    QCOMPARE(session.peer.receivedFrames(QStringLiteral("subscribe")).size(), 3);
    QSignalSpy behaviours(&telemetry, &RobotTelemetryInterface::behaviorStatusChanged);
    session.peer.publish(statusTopic, {{QStringLiteral("is_operational"), true},
                                       {QStringLiteral("behavior_status"), QStringLiteral("docking")},
                                       {QStringLiteral("position_accuracy_status"), QStringLiteral("")}});
    QTRY_COMPARE(behaviours.size(), 1);
    QCOMPARE(telemetry.findChildren<RobotSubscription *>().size(), 3);
}

void tst_RobotTelemetryInterface::odometry_data()
{
    QTest::addColumn<QJsonArray>("messages");
    QTest::addColumn<int>("poseSignals");
    QTest::addColumn<int>("twistSignals");
    QTest::addColumn<QString>("dropped"); // the warning's text, when the last message is dropped

    const QJsonObject still = RosBridgeRobot::odometryMessage(0, 0, 0);
    QJsonObject emptyCovariances = still;
    QJsonObject pose = still.value(QLatin1String("pose")).toObject();
    pose.insert(QStringLiteral("covariance"), QJsonArray());
    emptyCovariances.insert(QStringLiteral("pose"), pose);
    QJsonObject twist = still.value(QLatin1String("twist")).toObject();
    twist.insert(QStringLiteral("covariance"), QJsonArray());
    emptyCovariances.insert(QStringLiteral("twist"), twist);
    const QJsonObject moving = RosBridgeRobot::odometryMessage(1, 2, 3, 1, 0, 0, 0, 0.5);
    const QJsonObject turning = RosBridgeRobot::odometryMessage(1, 2, 3, 1, 0, 0, 0, 0.5, 0.2);

    QTest::newRow("the initial values") << QJsonArray{emptyCovariances} << 0 << 0 << "";
    QTest::newRow("covariances arrive") << QJsonArray{still} << 1 << 1 << "";
    QTest::newRow("the same twice") << QJsonArray{moving, moving} << 1 << 1 << "";
    QTest::newRow("twist only") << QJsonArray{moving, turning} << 1 << 2 << "";
    QJsonObject shortCovariance = moving;
    pose = moving.value(QLatin1String("pose")).toObject();
    pose.insert(QStringLiteral("covariance"), QJsonArray{1, 0, 0, 1});
    shortCovariance.insert(QStringLiteral("pose"), pose);
    QTest::newRow("four covariances") << QJsonArray{moving, shortCovariance} << 2 << 1 << "";
    QJsonObject textCovariance = turning;
    pose.insert(QStringLiteral("covariance"), QJsonArray{1, "0"});
    textCovariance.insert(QStringLiteral("pose"), pose);
    QTest::newRow("text in a covariance")
        << QJsonArray{moving, textCovariance} << 1 << 1 << R"(Invalid type "string" for json value. Expected "number")";
    QJsonObject noPosition = turning;
    QJsonObject innerPose = turning.value(QLatin1String("pose")).toObject();
    QJsonObject bare = innerPose.value(QLatin1String("pose")).toObject();
    bare.remove(QStringLiteral("position"));
    innerPose.insert(QStringLiteral("pose"), bare);
    noPosition.insert(QStringLiteral("pose"), innerPose);
    QTest::newRow("no position") << QJsonArray{moving, noPosition} << 1 << 1 << "Missing expected json value";
    QJsonObject velocityAsNumber = turning;
    twist = turning.value(QLatin1String("twist")).toObject();
    twist.insert(QStringLiteral("twist"), QJsonObject{{QStringLiteral("linear"), 1}, {QStringLiteral("angular"), 2}});
    velocityAsNumber.insert(QStringLiteral("twist"), twist);
    QTest::newRow("velocity as a number")
        << QJsonArray{moving, velocityAsNumber} << 1 << 1 << R"(Could not parse JSON value as type "position")";
}

void tst_RobotTelemetryInterface::odometry()
{
    QFETCH(QJsonArray, messages);
    QFETCH(int, poseSignals);
    QFETCH(int, twistSignals);
    QFETCH(QString, dropped);
    TelemetrySession session;
    QVERIFY(session.begin());
    QSignalSpy poses(session.telemetry.get(), &RobotTelemetryInterface::poseChanged);
    QSignalSpy twists(session.telemetry.get(), &RobotTelemetryInterface::twistChanged);
    if (!dropped.isEmpty())
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(droppedOn.arg(poseTopic, QRegularExpression::escape(dropped))));
    QVERIFY(session.deliver(poseTopic, messages));
    QCOMPARE(poses.size(), poseSignals);
    QCOMPARE(twists.size(), twistSignals);
}

// JSON has no NaN, but the handler may be given one: a NaN position or twist
// covariance is a change every time; the same NaN bytes in the pose covariance are not.
void tst_RobotTelemetryInterface::notANumberCounts()
{
    PeerSession session;
    RobotTelemetryInterface telemetry(prefix, &session.client);
    QSignalSpy poses(&telemetry, &RobotTelemetryInterface::poseChanged);
    QSignalSpy twists(&telemetry, &RobotTelemetryInterface::twistChanged);
    const double nan = std::numeric_limits<double>::quiet_NaN();

    RobotMessages::Odometry message;
    message.pose.covariance = {nan, 1};
    telemetry.onOdometry(message);
    QCOMPARE(poses.size(), 1);
    message.pose.covariance = {nan, 1}; // new storage, same bytes
    telemetry.onOdometry(message);
    QCOMPARE(poses.size(), 1);
    message.pose.position.x = nan;
    telemetry.onOdometry(message);
    telemetry.onOdometry(message);
    QCOMPARE(poses.size(), 3);
    QCOMPARE(twists.size(), 0);
    message.twist.covariance = {0, nan};
    telemetry.onOdometry(message);
    telemetry.onOdometry(message);
    QCOMPARE(twists.size(), 2);
}

void tst_RobotTelemetryInterface::coordinateSystem_data()
{
    QTest::addColumn<QJsonArray>("messages");
    QTest::addColumn<int>("signalCount");
    QTest::addColumn<QString>("converter");
    QTest::addColumn<QString>("dropped");

    const QString invalidNumber = QStringLiteral(R"(Invalid type "number" for json value. Expected "number")");
    QTest::newRow("utm") << QJsonArray{coordinateSystemMessage("{}")} << 1 << "utm 31 north 600000 5700000 0.5"
                         << "";
    QTest::newRow("utm twice") << QJsonArray{coordinateSystemMessage("{}"), coordinateSystemMessage("{}")} << 2
                               << "utm 31 north 600000 5700000 0.5"
                               << "";
    QTest::newRow("local tangent plane") << QJsonArray{coordinateSystemMessage(R"({"type":1})")} << 1 << "ltp 52 5 10"
                                         << "";
    QTest::newRow("local relative") << QJsonArray{coordinateSystemMessage(R"({"type":0,"zone":0})")} << 1 << "type 0"
                                    << "";
    QTest::newRow("fractional type") << QJsonArray{coordinateSystemMessage(R"({"type":1.5})")} << 1 << "type 0"
                                     << "";
    QTest::newRow("unknown after utm") << QJsonArray{coordinateSystemMessage("{}"),
                                                     coordinateSystemMessage(R"({"type":3})"),
                                                     coordinateSystemMessage(R"({"type":3})")}
                                       << 2 << "null"
                                       << "";
    QTest::newRow("type beyond the known") << QJsonArray{coordinateSystemMessage(R"({"type":7})")} << 0 << "null"
                                           << "";
    QTest::newRow("type as text") << QJsonArray{coordinateSystemMessage(R"({"type":"1"})")} << 0 << "null"
                                  << R"(Invalid type "string" for json value. Expected "number")";
    QTest::newRow("no map name") << QJsonArray{coordinateSystemMessage(R"({"map_name":"<absent>"})")} << 0 << "null"
                                 << "Missing expected json value";
    QTest::newRow("utm without latitude")
        << QJsonArray{coordinateSystemMessage(R"({"latitude":"<absent>"})")} << 0 << "null"
        << "Missing expected json value";
    QTest::newRow("zone 127") << QJsonArray{coordinateSystemMessage(R"({"type":1,"zone":127})")} << 1 << "ltp 52 5 10"
                              << "";
    QTest::newRow("zone -128") << QJsonArray{coordinateSystemMessage(R"({"type":0,"zone":-128})")} << 1 << "type 0"
                               << "";
    QTest::newRow("zone 128") << QJsonArray{coordinateSystemMessage(R"({"type":1,"zone":128})")} << 0 << "null"
                              << invalidNumber;
    QTest::newRow("zone as text") << QJsonArray{coordinateSystemMessage(R"({"zone":"31"})")} << 0 << "null"
                                  << "Invalid type for json value.";
    // A UTM system must name a zone that exists: 0 would be the polar projection.
    QTest::newRow("utm zone 61") << QJsonArray{coordinateSystemMessage(R"({"zone":61})")} << 0 << "null"
                                 << R"(Could not parse JSON value as type "UTM zone")";
    QTest::newRow("utm zone 0") << QJsonArray{coordinateSystemMessage(R"({"zone":0})")} << 0 << "null"
                                << R"(Could not parse JSON value as type "UTM zone")";
    QTest::newRow("utm zone 60 south") << QJsonArray{coordinateSystemMessage(R"({"zone":60,"north":false})")} << 1
                                       << "utm 60 south 600000 5700000 0.5"
                                       << "";
}

void tst_RobotTelemetryInterface::coordinateSystem()
{
    QFETCH(QJsonArray, messages);
    QFETCH(int, signalCount);
    QFETCH(QString, converter);
    QFETCH(QString, dropped);
    TelemetrySession session;
    QVERIFY(session.begin());
    QSignalSpy changes(session.telemetry.get(), &RobotTelemetryInterface::coordinateSystemChanged);
    if (!dropped.isEmpty())
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(droppedOn.arg(coordinateTopic, QRegularExpression::escape(dropped))));
    QVERIFY(session.deliver(coordinateTopic, messages));
    QCOMPARE(changes.size(), signalCount);
    QCOMPARE(describe(session.telemetry->coordinateSystem()), converter);
}

// Every message brings a new converter; the one it replaces stays for QML until the
// event loop has run, then goes, and the last one goes with the interface.
void tst_RobotTelemetryInterface::replacedConvertersGoLater()
{
    PeerSession session;
    auto telemetry = std::make_unique<RobotTelemetryInterface>(prefix, &session.client);
    RobotMessages::OldCoordinateSystemInfo info;
    info.type = RobotMessages::OldCoordinateSystemInfo::Utm;
    info.zone = 31;
    telemetry->onCoordinateSystemInfo(info);
    const QPointer<CoordinateConverter> first = telemetry->coordinateSystem();
    telemetry->onCoordinateSystemInfo(info);
    const QPointer<CoordinateConverter> second = telemetry->coordinateSystem();
    QVERIFY(first && second && first != second);
    QCOMPARE(describe(first), describe(second));
    QTRY_VERIFY(!first);
    QVERIFY(second);
    telemetry.reset();
    QVERIFY(!second);
}

void tst_RobotTelemetryInterface::systemStatus_data()
{
    QTest::addColumn<QJsonArray>("messages");
    QTest::addColumn<int>("accuracy");
    QTest::addColumn<QString>("changes");

    const auto status = [](bool operational, const char *behaviour, const char *accuracy) {
        return QJsonObject{{QStringLiteral("is_operational"), operational},
                           {QStringLiteral("behavior_status"), QString::fromUtf8(behaviour)},
                           {QStringLiteral("position_accuracy_status"), QString::fromUtf8(accuracy)}};
    };
    QTest::newRow("as at start") << QJsonArray{status(false, "", "unknown")} << 0 << "";
    QTest::newRow("all change") << QJsonArray{status(true, "mowing", "position_ok")} << 2
                                << "operational behaviour accuracy";
    QTest::newRow("the same twice")
        << QJsonArray{status(true, "mowing", "inaccurate"), status(true, "mowing", "inaccurate")} << 1
        << "operational behaviour accuracy";
    QTest::newRow("orientation ok") << QJsonArray{status(false, "", "orientation_ok")} << 3 << "accuracy";
    QTest::newRow("capitalised already") << QJsonArray{status(false, "", "Inaccurate")} << 1 << "accuracy";
    QTest::newRow("upper case") << QJsonArray{status(false, "", "POSITION_OK")} << -1 << "accuracy";
    QTest::newRow("empty") << QJsonArray{status(false, "", "")} << -1 << "accuracy";
    QTest::newRow("scoped") << QJsonArray{status(false, "", "PositionAccuracyEnum::Inaccurate")} << -1 << "accuracy";
    QTest::newRow("behaviour only") << QJsonArray{status(false, "docking", "unknown")} << 0 << "behaviour";
}

void tst_RobotTelemetryInterface::systemStatus()
{
    QFETCH(QJsonArray, messages);
    QFETCH(int, accuracy);
    QFETCH(QString, changes);
    TelemetrySession session;
    QVERIFY(session.begin());
    QStringList seen;
    RobotTelemetryInterface *telemetry = session.telemetry.get();
    connect(telemetry, &RobotTelemetryInterface::operationalStatusChanged, this,
            [&] { seen.append(QStringLiteral("operational")); });
    connect(telemetry, &RobotTelemetryInterface::behaviorStatusChanged, this,
            [&] { seen.append(QStringLiteral("behaviour")); });
    connect(telemetry, &RobotTelemetryInterface::positionAccuracyChanged, this,
            [&] { seen.append(QStringLiteral("accuracy")); });
    QVERIFY(session.deliver(statusTopic, messages));
    QCOMPARE(seen.join(QLatin1Char(' ')), changes);
    QCOMPARE(int(telemetry->positionAccuracy()), accuracy);
}

// The interface goes while the robot publishes fast: nothing reaches it afterwards
// (the sanitizers watch), and its topics are given up.
void tst_RobotTelemetryInterface::destroyedWhileTelemetryArrives()
{
    RobotSession session;
    session.robot.setTelemetryInterval(1ms);
    auto telemetry = std::make_unique<RobotTelemetryInterface>(prefix, &session.client);
    QVERIFY(session.start());
    QTRY_VERIFY(telemetry->coordinateSystem());
    telemetry.reset();
    QTest::qWait(50);
    QTRY_VERIFY(session.peer.subscribedTopics().isEmpty());
    QCOMPARE(session.client.connectionStatus(), RobotConnectionStatus::Connected);
}

QTEST_MAIN(tst_RobotTelemetryInterface)
#include "tst_RobotTelemetryInterface.moc"
