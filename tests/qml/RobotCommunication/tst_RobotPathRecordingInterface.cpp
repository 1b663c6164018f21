#include "RobotPathRecordingInterface.h"
#include "RobotSession.h"
#include "RobotSubscription.h"

#include <QJSEngine>
#include <QRegularExpression>
#include <QSignalSpy>

#include <memory>

using namespace std::chrono_literals;
using Kind = RosBridgeRobot::Kind;

namespace {

const QString prefix = QStringLiteral("/autopilot");
const QString recordService = prefix + QStringLiteral("/interface/record_path");
const QString saveService = prefix + QStringLiteral("/interface/save_path");
const QString abortService = prefix + QStringLiteral("/interface/abort_record_path");
const QString planTopic = prefix + QStringLiteral("/plan");

QString compact(const QJsonObject &object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

QString showPath(const QList<Pose> &poses)
{
    QStringList shown;
    for (const Pose &pose : poses)
        shown.append(QStringLiteral("(%1 %2 %3 / %4 %5 %6 %7)")
                         .arg(pose.position.x)
                         .arg(pose.position.y)
                         .arg(pose.position.z)
                         .arg(pose.orientation.scalar())
                         .arg(pose.orientation.x())
                         .arg(pose.orientation.y())
                         .arg(pose.orientation.z()));
    return shown.join(QLatin1Char(' '));
}

// A recording interface held by a JavaScript engine, as QML holds it, with its
// promises' outcomes collected in "log".
struct Recorder
{
    QJSEngine engine;
    RobotPathRecordingInterface *interface;
    QJSValue object;

    explicit Recorder(RosBridgeClient *client)
        : interface(new RobotPathRecordingInterface(prefix, client))
    {
        QJSEngine::setObjectOwnership(interface, QJSEngine::CppOwnership);
        object = engine.newQObject(interface);
        engine.globalObject().setProperty(QStringLiteral("recorder"), object);
        engine.evaluate(QStringLiteral("var log = [];"));
    }
    ~Recorder() { delete interface; }

    // Runs the invokable call (JavaScript text) and logs how its promise settles.
    void call(const QString &call)
    {
        const QJSValue result = engine.evaluate(QStringLiteral("%1.then(function (value) { log.push('ok ' + value); },"
                                                               " function (error) { log.push(error.message); })")
                                                    .arg(call));
        QVERIFY2(!result.isError(), qPrintable(result.toString()));
    }
    // The outcome of the promise number index (0 for the first).
    QString outcome(int index)
    {
        const QJSValue log = engine.globalObject().property(QStringLiteral("log"));
        if (!QTest::qWaitFor([&] { return log.property(QStringLiteral("length")).toInt() > index; }, 10000))
            return QStringLiteral("running");
        return log.property(quint32(index)).toString();
    }
};

QJsonObject planWith(const QJsonArray &poses)
{
    return {{QStringLiteral("header"), QJsonObject()}, {QStringLiteral("poses"), poses}};
}

QJsonObject stamped(double x, double y)
{
    return {{QStringLiteral("pose"),
             QJsonObject{{QStringLiteral("position"),
                          QJsonObject{{QStringLiteral("x"), x}, {QStringLiteral("y"), y}, {QStringLiteral("z"), 0}}},
                         {QStringLiteral("orientation"), QJsonObject{{QStringLiteral("x"), 0},
                                                                     {QStringLiteral("y"), 0},
                                                                     {QStringLiteral("z"), 0.6},
                                                                     {QStringLiteral("w"), 0.8}}}}}};
}

const QString dropped = QStringLiteral("^Exception in callback for topic \"/autopilot/plan\" : .*");

} // namespace

class tst_RobotPathRecordingInterface : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void recordsAndSavesAPath();
    void recordsAndAborts();
    void requestsOnTheWire();
    void planMessages_data();
    void planMessages();
    void afterSaveThePathStays_data();
    void afterSaveThePathStays();
    void secondStartWatchesOnce();
    void saveResponses_data();
    void saveResponses();
    void destroyedWhilePlanMessagesArrive();
};

void tst_RobotPathRecordingInterface::init()
{
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
}

// The whole road: the robot records where it drives, the plan grows in
// recordingProgressPath, and the saved recording is a path in the robot's store.
void tst_RobotPathRecordingInterface::recordsAndSavesAPath()
{
    RobotSession session;
    QVERIFY(session.start());
    session.robot.setTelemetryInterval(20ms);
    session.robot.setOdometry(RosBridgeRobot::odometryMessage(1, 2, 0));
    Recorder recorder(&session.client);
    QSignalSpy changes(recorder.interface, &RobotPathRecordingInterface::recordingProgressPathChanged);

    recorder.call(QStringLiteral("recorder.startRecording()"));
    QCOMPARE(recorder.outcome(0), QStringLiteral("ok undefined"));
    QVERIFY(session.robot.isRecording());
    QTRY_VERIFY(recorder.interface->recordingProgressPath().size() >= 1);
    QCOMPARE(showPath(recorder.interface->recordingProgressPath().mid(0, 1)), QStringLiteral("(1 2 0 / 1 0 0 0)"));
    session.robot.setOdometry(RosBridgeRobot::odometryMessage(5, 6, 0, 0, 0, 0, 1));
    QTRY_VERIFY(showPath(recorder.interface->recordingProgressPath()).endsWith(QLatin1String("(5 6 0 / 0 0 0 1)")));
    QVERIFY(changes.size() >= 2);

    recorder.call(QStringLiteral("recorder.saveRecording('lawn edge')"));
    const QString saved = recorder.outcome(1);
    QVERIFY2(saved.startsWith(QLatin1String("ok {")), qPrintable(saved));
    const QUuid id = QUuid::fromString(saved.mid(3));
    QVERIFY(!session.robot.isRecording());
    const QJsonObject path = session.robot.store(Kind::Path).resource(id);
    QCOMPARE(path.value(QLatin1String("name")).toString(), QStringLiteral("lawn edge"));
    QVERIFY(path.value(QLatin1String("poses")).toArray().size() >= recorder.interface->recordingProgressPath().size());
    // The plan topic is given up once nothing watches it.
    QTRY_COMPARE(session.peer.receivedFrames(QStringLiteral("unsubscribe")).size(), 1);

    recorder.call(QStringLiteral("recorder.saveRecording('again')"));
    QCOMPARE(recorder.outcome(2), QStringLiteral("No recording is running"));
}

void tst_RobotPathRecordingInterface::recordsAndAborts()
{
    RobotSession session;
    QVERIFY(session.start());
    Recorder recorder(&session.client);
    recorder.call(QStringLiteral("recorder.startRecording(false)"));
    QCOMPARE(recorder.outcome(0), QStringLiteral("ok undefined"));
    recorder.call(QStringLiteral("recorder.startRecording(false)"));
    QCOMPARE(recorder.outcome(1), QStringLiteral("A recording is running"));
    recorder.call(QStringLiteral("recorder.startRecording(true)"));
    QCOMPARE(recorder.outcome(2), QStringLiteral("ok undefined"));
    recorder.call(QStringLiteral("recorder.abortRecording()"));
    QCOMPARE(recorder.outcome(3), QStringLiteral("ok undefined"));
    QVERIFY(!session.robot.isRecording());
    QVERIFY(session.robot.store(Kind::Path).resources().isEmpty());
    recorder.call(QStringLiteral("recorder.abortRecording()"));
    QCOMPARE(recorder.outcome(4), QStringLiteral("No recording is running"));
}

void tst_RobotPathRecordingInterface::requestsOnTheWire()
{
    RobotSession session;
    QVERIFY(session.start());
    RobotPathRecordingInterface recording(prefix, &session.client);

    // Without a subscription held, abort still calls the robot.
    QCOMPARE(settle(recording.abortRecordingCpp()),
             QStringLiteral("ServiceCallFailedException: No recording is running"));
    QCOMPARE(compact(lastArgsOf(session.peer, abortService)), QStringLiteral("{}"));
    QCOMPARE(settle(recording.startRecordingCpp(false)), QStringLiteral("ok"));
    QCOMPARE(compact(lastArgsOf(session.peer, recordService)), QStringLiteral(R"({"override":false})"));
    QCOMPARE(settle(recording.startRecordingCpp(true)), QStringLiteral("ok"));
    QCOMPARE(compact(lastArgsOf(session.peer, recordService)), QStringLiteral(R"({"override":true})"));
    const QString saved = settle<QUuid>(recording.saveRecordingCpp(QString()), showUuid);
    QVERIFY2(saved.startsWith(QLatin1String("ok {")), qPrintable(saved));
    QCOMPARE(compact(lastArgsOf(session.peer, saveService)), QStringLiteral(R"({"name":""})"));
    // The operations themselves never subscribe: only the invokables watch the plan.
    QVERIFY(session.peer.receivedFrames(QStringLiteral("subscribe")).isEmpty());
}

void tst_RobotPathRecordingInterface::planMessages_data()
{
    QTest::addColumn<QJsonArray>("messages");
    QTest::addColumn<int>("signalCount");
    QTest::addColumn<int>("dropped");
    QTest::addColumn<QString>("path");

    const QJsonObject one = planWith({stamped(1, 2)});
    QTest::newRow("one pose") << QJsonArray{one} << 1 << 0 << "(1 2 0 / 0.8 0 0 0.6)";
    QTest::newRow("twice the same") << QJsonArray{one, one} << 2 << 0 << "(1 2 0 / 0.8 0 0 0.6)";
    QTest::newRow("two poses") << QJsonArray{planWith({stamped(1, 2), stamped(3, 4)})} << 1 << 0
                               << "(1 2 0 / 0.8 0 0 0.6) (3 4 0 / 0.8 0 0 0.6)";
    QTest::newRow("no poses") << QJsonArray{one, QJsonObject{{QStringLiteral("header"), QJsonObject()}}} << 2 << 0
                              << "";
    QTest::newRow("poses not a list") << QJsonArray{one, QJsonObject{{QStringLiteral("poses"), 4}}} << 2 << 0 << "";
    QJsonObject noOrientation = stamped(5, 6);
    QJsonObject inner = noOrientation.value(QLatin1String("pose")).toObject();
    inner.remove(QStringLiteral("orientation"));
    noOrientation.insert(QStringLiteral("pose"), inner);
    QTest::newRow("pose without orientation")
        << QJsonArray{one, planWith({stamped(7, 8), noOrientation})} << 1 << 1 << "(1 2 0 / 0.8 0 0 0.6)";
    QTest::newRow("element without pose")
        << QJsonArray{one, planWith({QJsonObject()})} << 1 << 1 << "(1 2 0 / 0.8 0 0 0.6)";
    QJsonObject textPosition = stamped(5, 6);
    inner = textPosition.value(QLatin1String("pose")).toObject();
    inner.insert(QStringLiteral("position"), QStringLiteral("here"));
    textPosition.insert(QStringLiteral("pose"), inner);
    QTest::newRow("position as text") << QJsonArray{one, planWith({textPosition})} << 1 << 1 << "(1 2 0 / 0.8 0 0 0.6)";
}

// Every plan message replaces the path and signals, whatever it holds; one that does
// not read leaves the path as it was.
void tst_RobotPathRecordingInterface::planMessages()
{
    QFETCH(QJsonArray, messages);
    QFETCH(int, signalCount);
    QFETCH(int, dropped);
    QFETCH(QString, path);

    PeerSession session;
    QVERIFY(session.start());
    session.peer.setServiceReply(recordService,
                                 RosBridgePeerReply::answer(jsonValue(R"({"success":true,"message":""})")));
    Recorder recorder(&session.client);
    QStringList seen; // the path at each signal
    QObject::connect(recorder.interface, &RobotPathRecordingInterface::recordingProgressPathChanged, recorder.interface,
                     [&] { seen.append(showPath(recorder.interface->recordingProgressPath())); });
    recorder.call(QStringLiteral("recorder.startRecording()"));
    QCOMPARE(recorder.outcome(0), QStringLiteral("ok undefined"));
    QTRY_COMPARE(session.peer.subscribedTopics(), QStringList{planTopic});
    QVERIFY(recorder.interface->recordingProgressPath().isEmpty());
    QVERIFY(seen.isEmpty());

    for (int i = 0; i < dropped; ++i)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(::dropped));
    for (const QJsonValue message : messages)
        QCOMPARE(session.peer.publish(planTopic, message.toObject()), 1);
    // A last message that reads: once it is in, every message before it is too.
    QCOMPARE(session.peer.publish(planTopic, planWith({stamped(9, 9)})), 1);
    QTRY_COMPARE(seen.size(), signalCount + 1);
    QCOMPARE(seen.at(signalCount - 1), path);
}

// Saving or aborting gives the plan up: messages after it change nothing, and the path
// keeps its last poses until the next start.
void tst_RobotPathRecordingInterface::afterSaveThePathStays_data()
{
    QTest::addColumn<QString>("finish");
    QTest::newRow("save") << "recorder.saveRecording('a')";
    QTest::newRow("abort") << "recorder.abortRecording()";
}

void tst_RobotPathRecordingInterface::afterSaveThePathStays()
{
    QFETCH(QString, finish);
    PeerSession session;
    QVERIFY(session.start());
    const RosBridgePeerReply success = RosBridgePeerReply::answer(
        jsonValue(R"({"success":true,"message":"","uuid":"{6f1d2a3b-4c5d-4e6f-8a9b-0c1d2e3f4a5b}"})"));
    for (const QString &service : {recordService, saveService, abortService})
        session.peer.setServiceReply(service, success);
    Recorder recorder(&session.client);
    recorder.call(QStringLiteral("recorder.startRecording()"));
    QCOMPARE(recorder.outcome(0), QStringLiteral("ok undefined"));
    QTRY_COMPARE(session.peer.publish(planTopic, planWith({stamped(1, 2)})), 1);
    QTRY_COMPARE(recorder.interface->recordingProgressPath().size(), 1);

    QSignalSpy changes(recorder.interface, &RobotPathRecordingInterface::recordingProgressPathChanged);
    recorder.call(finish);
    // Sent before the robot hears of the save: it arrives, and changes nothing.
    session.peer.publish(planTopic, planWith({stamped(3, 4), stamped(5, 6)}));
    QVERIFY(recorder.outcome(1).startsWith(QLatin1String("ok ")));
    QTRY_VERIFY(session.peer.subscribedTopics().isEmpty());
    QCOMPARE(session.peer.publish(planTopic, planWith({stamped(3, 4)})), 0);
    QTest::qWait(50);
    QCOMPARE(changes.size(), 0);
    QCOMPARE(showPath(recorder.interface->recordingProgressPath()), QStringLiteral("(1 2 0 / 0.8 0 0 0.6)"));

    recorder.call(QStringLiteral("recorder.startRecording()"));
    QVERIFY(recorder.interface->recordingProgressPath().isEmpty());
    QCOMPARE(changes.size(), 0);
}

// A start while the plan is still watched watches it once: each message changes the
// path once.
void tst_RobotPathRecordingInterface::secondStartWatchesOnce()
{
    PeerSession session;
    QVERIFY(session.start());
    session.peer.setServiceReply(recordService,
                                 RosBridgePeerReply::answer(jsonValue(R"({"success":true,"message":""})")));
    Recorder recorder(&session.client);
    recorder.call(QStringLiteral("recorder.startRecording()"));
    recorder.call(QStringLiteral("recorder.startRecording(true)"));
    QCOMPARE(recorder.outcome(1), QStringLiteral("ok undefined"));
    QTRY_COMPARE(session.peer.subscribedTopics(), QStringList{planTopic});
    QSignalSpy changes(recorder.interface, &RobotPathRecordingInterface::recordingProgressPathChanged);
    QCOMPARE(session.peer.publish(planTopic, planWith({stamped(1, 2)})), 1);
    QTRY_COMPARE(changes.size(), 1);
    QCOMPARE(session.peer.publish(planTopic, planWith({stamped(1, 2)})), 1);
    QTRY_COMPARE(changes.size(), 2);
    QTest::qWait(50);
    QCOMPARE(changes.size(), 2);
    // The topic was subscribed once and never given up in between.
    QCOMPARE(session.peer.receivedFrames(QStringLiteral("subscribe")).size(), 1);
    QCOMPARE(session.peer.receivedFrames(QStringLiteral("unsubscribe")).size(), 0);
}

void tst_RobotPathRecordingInterface::saveResponses_data()
{
    QTest::addColumn<QString>("service");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QJsonValue>("values");
    QTest::addColumn<QString>("outcome");

    QTest::newRow("saved")
        << saveService << true
        << jsonValue(R"({"uuid":"{6f1d2a3b-4c5d-4e6f-8a9b-0c1d2e3f4a5b}","success":true,"message":""})")
        << "ok {6f1d2a3b-4c5d-4e6f-8a9b-0c1d2e3f4a5b}";
    QTest::newRow("refused") << saveService << true
                             << jsonValue(R"({"uuid":"","success":false,"message":"name taken"})") << "name taken";
    QTest::newRow("refused without message")
        << saveService << true << jsonValue(R"({"uuid":"","success":false,"message":""})") << "Service call failed";
    // Read before the flag: a failure without a uuid is malformed, not refused.
    QTest::newRow("refused without uuid")
        << saveService << true << jsonValue(R"({"success":false,"message":"name taken"})")
        << "Missing expected json value";
    QTest::newRow("uuid that is none") << saveService << true
                                       << jsonValue(R"({"uuid":"lawn","success":true,"message":""})")
                                       << R"(Could not parse JSON value as type "UUID")";
    QTest::newRow("start refused") << recordService << true << jsonValue(R"({"success":false,"message":"moving"})")
                                   << "moving";
    QTest::newRow("start result flag false")
        << recordService << false << jsonValue(R"({"success":true,"message":""})") << "Service call failed";
    QTest::newRow("abort without values")
        << abortService << true << jsonValue("[]") << "Service call received more than one response";
    QTest::newRow("abort mistyped message") << abortService << true << jsonValue(R"({"success":true,"message":1})")
                                            << R"(Invalid type "number" for json value. Expected "string")";
}

void tst_RobotPathRecordingInterface::saveResponses()
{
    QFETCH(QString, service);
    QFETCH(bool, result);
    QFETCH(QJsonValue, values);
    QFETCH(QString, outcome);
    PeerSession session;
    QVERIFY(session.start());
    session.peer.setServiceReply(service, RosBridgePeerReply::answer(values, result));
    Recorder recorder(&session.client);
    if (service == recordService)
        recorder.call(QStringLiteral("recorder.startRecording()"));
    else if (service == saveService)
        recorder.call(QStringLiteral("recorder.saveRecording('lawn')"));
    else
        recorder.call(QStringLiteral("recorder.abortRecording()"));
    QCOMPARE(recorder.outcome(0), outcome);
}

// The interface goes while the robot publishes its plan and a save is pending: nothing
// reaches the destroyed interface (the sanitizers watch), and the client goes on.
void tst_RobotPathRecordingInterface::destroyedWhilePlanMessagesArrive()
{
    RobotSession session;
    QVERIFY(session.start());
    session.robot.setTelemetryInterval(1ms);
    auto recorder = std::make_unique<Recorder>(&session.client);
    recorder->call(QStringLiteral("recorder.startRecording()"));
    QCOMPARE(recorder->outcome(0), QStringLiteral("ok undefined"));
    QTRY_VERIFY(recorder->interface->recordingProgressPath().size() > 2);
    QFuture<QUuid> save = recorder->interface->saveRecordingCpp(QStringLiteral("kept"));
    recorder.reset();
    QCOMPARE(settle<QUuid>(save, showUuid).left(4), QStringLiteral("ok {"));
    QTest::qWait(50);
    QTRY_VERIFY(session.peer.subscribedTopics().isEmpty());
    QCOMPARE(session.client.connectionStatus(), RobotConnectionStatus::Connected);
}

QTEST_MAIN(tst_RobotPathRecordingInterface)
#include "tst_RobotPathRecordingInterface.moc"
