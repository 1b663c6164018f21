// The peer as a program: its script, its commands on standard input, and what a robot
// connection of the program sees of it.
#include "RobotJobInterface.h"
#include "RobotPathRecordingInterface.h"
#include "RobotResourceInterface.h"
#include "RosBridgeClient.h"
#include "WebSocketClient.h"

#include <QJsonDocument>
#include <QLoggingCategory>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include "HalvoraTestPaths.h"

namespace {

struct Sum
{
    double sum = 0;
    static Sum fromJson(JsonContext &context, const QJsonValue &value)
    {
        return {::fromJson<double>(context, value.toObject().value(QLatin1String("sum")))};
    }
};

// Starts the program with a script (and further options); returns its port, 0 when it
// did not come up.
quint16 startPeer(QProcess &process, const QString &scriptFile, const QStringList &options = {})
{
    process.start(QStringLiteral(ROSBRIDGE_PEER),
                  QStringList{QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--script"), scriptFile}
                      + options);
    QByteArray output;
    while (!output.contains('\n') && process.waitForReadyRead(10000))
        output += process.readAllStandardOutput();
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("^Listening on ws://127\\.0\\.0\\.1:(\\d+)\n"))
            .match(QString::fromUtf8(output));
    return match.hasMatch() ? quint16(match.captured(1).toUInt()) : 0;
}

QString command(QProcess &process, const QByteArray &line)
{
    process.write(line + '\n');
    QByteArray answer;
    while (!answer.contains('\n') && process.waitForReadyRead(5000))
        answer += process.readAllStandardOutput();
    return QString::fromUtf8(answer).trimmed();
}

QString writeScript(const QTemporaryDir &folder, const QByteArray &text)
{
    const QString path = folder.filePath(QStringLiteral("robot.json"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        return {};
    return path;
}

} // namespace

class tst_RosBridgePeerProgram : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLoggingCategory::setFilterRules(QStringLiteral("RobotCommunication.*.debug=false")); }
    void servesItsScript();
    void servesARobot();
    void unusableScriptIsRefused_data();
    void unusableScriptIsRefused();
};

void tst_RosBridgePeerProgram::servesItsScript()
{
    QTemporaryDir folder;
    const QString script = writeScript(folder, R"({
        "services": {"/add": {"values": {"sum": 5}},
                     "/refuse": {"result": false, "values": "not now"},
                     "/late": {"behaviour": "delay", "delayMs": 100, "values": [{"sum": 1}]}},
        "topics": {"/chatter": {"msg": {"data": "hello"}, "intervalMs": 20}}})");
    QVERIFY(!script.isEmpty());
    QProcess peer;
    const quint16 port = startPeer(peer, script);
    QVERIFY2(port != 0, peer.readAllStandardError().constData());

    RosBridgeClient client;
    QFuture<bool> attempt = client.connect(QStringLiteral("127.0.0.1"), port);
    QTRY_VERIFY(attempt.isFinished());
    QVERIFY(attempt.result());

    QFuture<Sum> add = client.callService<Sum>(QStringLiteral("/add"), QJsonObject(), 5000);
    QFuture<Sum> late = client.callService<Sum>(QStringLiteral("/late"), QJsonObject(), 5000);
    QFuture<Sum> refused = client.callService<Sum>(QStringLiteral("/refuse"), QJsonObject(), 5000);
    QTRY_VERIFY(add.isFinished() && late.isFinished() && refused.isFinished());
    QCOMPARE(add.result().sum, 5.0);
    QCOMPARE(late.result().sum, 1.0);
    try {
        refused.waitForFinished();
        QFAIL("the refused call succeeded");
    } catch (const ServiceCallFailedException &failed) {
        QCOMPARE(QString::fromUtf8(failed.what()), QStringLiteral("Service call failed: not now"));
    }

    std::unique_ptr<RobotSubscription> chatter(client.subscribe(QStringLiteral("/chatter"), QString(), nullptr));
    QSignalSpy chatterMessages(chatter.get(), &RobotSubscription::messageReceived);
    QTRY_VERIFY(chatterMessages.size() >= 2);
    QCOMPARE(chatterMessages.first().first().toJsonObject(),
             (QJsonObject{{QStringLiteral("data"), QStringLiteral("hello")}}));

    std::unique_ptr<RobotSubscription> news(client.subscribe(QStringLiteral("/news"), QString(), nullptr));
    QTest::qWait(100); // the peer has the subscription
    QSignalSpy newsMessages(news.get(), &RobotSubscription::messageReceived);
    QCOMPARE(command(peer, R"(publish /news {"n": 1})"), QStringLiteral("published to 1"));
    QCOMPARE(command(peer, R"(burst 3 /news {"n": 2})"), QStringLiteral("published 3 messages"));
    QTRY_COMPARE(newsMessages.size(), 4);
    QCOMPARE(command(peer, "publish /news [1]"), QStringLiteral("error: publish <topic> <JSON object>"));
    QCOMPARE(command(peer, "jump"), QStringLiteral("error: unknown command jump"));

    QCOMPARE(command(peer, "drop"), QStringLiteral("dropped"));
    QTRY_COMPARE(client.connectionStatus(), RobotConnectionStatus::Closed);
    QCOMPARE(command(peer, "quit"), QStringLiteral("bye"));
    QVERIFY(peer.waitForFinished(5000));
    QCOMPARE(peer.exitCode(), 0);
}

// With --robot the program keeps a robot's resources, runs its jobs and publishes its
// telemetry; the script still overrides single services.
void tst_RosBridgePeerProgram::servesARobot()
{
    QTemporaryDir folder;
    const QString script = writeScript(
        folder,
        R"({"services": {"/autopilot/interface/record_path": {"values": {"success": false, "message": "flat tyre"}}}})");
    QProcess peer;
    const quint16 port = startPeer(peer, script, {QStringLiteral("--robot")});
    QVERIFY2(port != 0, peer.readAllStandardError().constData());
    RosBridgeClient client;
    QFuture<bool> attempt = client.connect(QStringLiteral("127.0.0.1"), port);
    QTRY_VERIFY(attempt.isFinished());
    QVERIFY(attempt.result());

    RobotResourceInterface jobs(QStringLiteral("/autopilot/information_manager/resource/job"), RobotResourceType::Job,
                                &client);
    QFuture<QUuid> stored = jobs.setResourceCpp({{QStringLiteral("name"), QStringLiteral("mow the lawn")}});
    QTRY_VERIFY(stored.isFinished());
    QFuture<QList<RobotResourceInfo>> listed = jobs.listResourcesCpp(QUuid());
    QTRY_VERIFY(listed.isFinished());
    QCOMPARE(listed.result().size(), 1);
    QCOMPARE(listed.result().first().uuid, stored.result());
    QCOMPARE(listed.result().first().name, QStringLiteral("mow the lawn"));

    RobotJobInterface actions(QStringLiteral("/autopilot/information_manager/action/job"), &client);
    QFuture<void> started = actions.startJobCpp(stored.result());
    QTRY_VERIFY(started.isFinished());
    started.waitForFinished(); // throws when the robot refused

    RobotPathRecordingInterface recording(QStringLiteral("/autopilot"), &client);
    QFuture<void> record = recording.startRecordingCpp(false);
    QTRY_VERIFY(record.isFinished());
    try {
        record.waitForFinished();
        QFAIL("the scripted refusal was not used");
    } catch (const ServiceCallFailedException &failed) {
        QCOMPARE(QString::fromUtf8(failed.what()), QStringLiteral("flat tyre"));
    }

    std::unique_ptr<RobotSubscription> status(client.subscribe(QStringLiteral("/autopilot/interface/system_status"),
                                                               QString(), nullptr));
    QSignalSpy statuses(status.get(), &RobotSubscription::messageReceived);
    QTRY_VERIFY(statuses.size() >= 2);
    QCOMPARE(statuses.first().first().toJsonObject().value(QLatin1String("is_operational")), QJsonValue(true));

    QCOMPARE(command(peer, "quit"), QStringLiteral("bye"));
    QVERIFY(peer.waitForFinished(5000));
    QCOMPARE(peer.exitCode(), 0);
}

void tst_RosBridgePeerProgram::unusableScriptIsRefused_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QString>("reason");

    QTest::newRow("not JSON") << QByteArray("services:") << "is not usable";
    QTest::newRow("unknown behaviour") << QByteArray(R"({"services":{"/s":{"behaviour":"shout"}}})")
                                       << "service /s: unknown behaviour shout";
    QTest::newRow("result not a flag") << QByteArray(R"({"services":{"/s":{"result":"yes"}}})")
                                       << "service /s: \"result\" must be true or false";
    QTest::newRow("negative delay") << QByteArray(R"({"services":{"/s":{"behaviour":"delay","delayMs":-1}}})")
                                    << "service /s: \"delayMs\" must be a number of milliseconds";
    QTest::newRow("reply not an object") << QByteArray(R"({"services":{"/s":true}})")
                                         << "service /s: the reply must be an object";
    QTest::newRow("topic without message")
        << QByteArray(R"({"topics":{"/t":{"intervalMs":10}}})") << "topic /t: needs an object \"msg\"";
    QTest::newRow("topic without interval")
        << QByteArray(R"({"topics":{"/t":{"msg":{}}}})") << "topic /t: needs an object \"msg\"";
}

void tst_RosBridgePeerProgram::unusableScriptIsRefused()
{
    QFETCH(QByteArray, script);
    QFETCH(QString, reason);

    QTemporaryDir folder;
    QProcess peer;
    peer.start(QStringLiteral(ROSBRIDGE_PEER), {QStringLiteral("--port"), QStringLiteral("0"),
                                                QStringLiteral("--script"), writeScript(folder, script)});
    QVERIFY(peer.waitForFinished(10000));
    QCOMPARE(peer.exitCode(), 2);
    const QString error = QString::fromUtf8(peer.readAllStandardError());
    QVERIFY2(error.contains(reason), qPrintable(error));
    QCOMPARE(peer.readAllStandardOutput(), QByteArray());
}

QTEST_GUILESS_MAIN(tst_RosBridgePeerProgram)

#include "tst_RosBridgePeerProgram.moc"
