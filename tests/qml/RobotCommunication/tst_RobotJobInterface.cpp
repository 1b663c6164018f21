#include "RobotJobInterface.h"
#include "RobotSession.h"

#include <QJSEngine>
#include <QRegularExpression>

using namespace std::chrono_literals;
using Kind = RosBridgeRobot::Kind;

namespace {

const QString jobPrefix = QStringLiteral("/autopilot/information_manager/action/job");
const QString startService = jobPrefix + QStringLiteral("/start");
const QString stopService = jobPrefix + QStringLiteral("/stop");

QString compact(const QJsonObject &object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

} // namespace

class tst_RobotJobInterface : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void startsAndStopsAStoredJob();
    void requestsOnTheWire();
    void responses_data();
    void responses();
    void callsAreIndependent();
    void promisesInJavaScript();
};

void tst_RobotJobInterface::init()
{
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
}

void tst_RobotJobInterface::startsAndStopsAStoredJob()
{
    RobotSession session;
    QVERIFY(session.start());
    const QUuid job = session.robot.store(Kind::Job).insert({{QStringLiteral("name"), QStringLiteral("mow")}});
    RobotJobInterface jobs(jobPrefix, &session.client);

    QCOMPARE(settle(jobs.stopJobCpp()), QStringLiteral("ServiceCallFailedException: No job is running"));
    QCOMPARE(settle(jobs.startJobCpp(job)), QStringLiteral("ok"));
    QCOMPARE(session.robot.runningJob(), job);
    QCOMPARE(settle(jobs.stopJobCpp()), QStringLiteral("ok"));
    QVERIFY(session.robot.runningJob().isNull());

    const QUuid unknown = QUuid::createUuid();
    QCOMPARE(settle(jobs.startJobCpp(unknown)),
             QStringLiteral("ServiceCallFailedException: No job %1").arg(unknown.toString(QUuid::WithBraces)));
    QVERIFY(session.robot.runningJob().isNull());
}

void tst_RobotJobInterface::requestsOnTheWire()
{
    RobotSession session;
    QVERIFY(session.start());
    RobotJobInterface jobs(jobPrefix, &session.client);

    QCOMPARE(settle(jobs.startJobCpp(QUuid::fromString(QStringLiteral("{6F1D2A3B-4C5D-4E6F-8A9B-0C1D2E3F4A5B}")))),
             QStringLiteral("ServiceCallFailedException: No job {6f1d2a3b-4c5d-4e6f-8a9b-0c1d2e3f4a5b}"));
    QCOMPARE(compact(lastArgsOf(session.peer, startService)),
             QStringLiteral(R"({"uuid":"{6f1d2a3b-4c5d-4e6f-8a9b-0c1d2e3f4a5b}"})"));
    settle(jobs.startJobCpp(QUuid()));
    QCOMPARE(compact(lastArgsOf(session.peer, startService)),
             QStringLiteral(R"({"uuid":"{00000000-0000-0000-0000-000000000000}"})"));
    settle(jobs.stopJobCpp());
    QCOMPARE(compact(lastArgsOf(session.peer, stopService)), QStringLiteral("{}"));
}

void tst_RobotJobInterface::responses_data()
{
    QTest::addColumn<bool>("result");
    QTest::addColumn<QJsonValue>("values");
    QTest::addColumn<QString>("outcome");

    const QString several =
        QStringLiteral("ServiceCallMoreThanOneResponseException: Service call received more than one response");
    const QString undefined = QStringLiteral("JsonUndefinedException: Missing expected json value");
    QTest::newRow("success") << true << jsonValue(R"({"result":{"success":true,"message":""}})") << "ok";
    QTest::newRow("failure") << true << jsonValue(R"({"result":{"success":false,"message":"battery low"}})")
                             << "ServiceCallFailedException: battery low";
    QTest::newRow("failure without message") << true << jsonValue(R"({"result":{"success":false,"message":""}})")
                                             << "ServiceCallFailedException: Service call failed";
    // Read before the flag is looked at.
    QTest::newRow("failure without message key") << true << jsonValue(R"({"result":{"success":false}})") << undefined;
    QTest::newRow("result not an object") << true << jsonValue(R"({"result":true})") << undefined;
    QTest::newRow("flag at the top level") << true << jsonValue(R"({"success":true,"message":""})") << undefined;
    QTest::newRow("two values") << true << jsonValue(R"([{"result":{"success":true,"message":""}},
                                                 {"result":{"success":true,"message":""}}])")
                                << several;
    QTest::newRow("no values") << true << jsonValue("[]") << several;
    QTest::newRow("result flag false") << false << jsonValue(R"({"result":{"success":true,"message":"x"}})")
                                       << "ServiceCallFailedException: Service call failed";
}

void tst_RobotJobInterface::responses()
{
    QFETCH(bool, result);
    QFETCH(QJsonValue, values);
    QFETCH(QString, outcome);
    PeerSession session;
    QVERIFY(session.start());
    session.peer.setServiceReply(startService, RosBridgePeerReply::answer(values, result));
    session.peer.setServiceReply(stopService, RosBridgePeerReply::answer(values, result));
    RobotJobInterface jobs(jobPrefix, &session.client);
    QCOMPARE(settle(jobs.startJobCpp(QUuid::createUuid())), outcome);
    QCOMPARE(settle(jobs.stopJobCpp()), outcome);
}

void tst_RobotJobInterface::callsAreIndependent()
{
    PeerSession session;
    QVERIFY(session.start());
    session.peer.setServiceHandler(startService, [](const QJsonObject &args) {
        const bool first = args.value(QLatin1String("uuid")).toString().startsWith(QLatin1String("{00000000"));
        RosBridgePeerReply reply = RosBridgePeerReply::answer(QJsonObject{
            {QStringLiteral("result"),
             QJsonObject{{QStringLiteral("success"), !first},
                         {QStringLiteral("message"), first ? QStringLiteral("first refused") : QString()}}}});
        reply.behaviour = RosBridgePeerReply::Behaviour::Delay;
        reply.delay = first ? 200ms : 0ms;
        return reply;
    });
    RobotJobInterface jobs(jobPrefix, &session.client);
    QFuture<void> first = jobs.startJobCpp(QUuid());
    QFuture<void> second = jobs.startJobCpp(QUuid::createUuid());
    QCOMPARE(settle(second), QStringLiteral("ok"));
    QVERIFY(!first.isFinished());
    QCOMPARE(settle(first), QStringLiteral("ServiceCallFailedException: first refused"));
    QCOMPARE(session.peer.receivedFrames(QStringLiteral("call_service")).size(), 2);
}

// The invokables go through the virtual operations, so an override changes what QML
// gets.
void tst_RobotJobInterface::promisesInJavaScript()
{
    struct RefusingJobs : RobotJobInterface
    {
        using RobotJobInterface::RobotJobInterface;
        QFuture<void> stopJobCpp() override
        {
            QPromise<void> promise;
            promise.start();
            promise.setException(ServiceCallFailedException(QStringLiteral("not here")));
            promise.finish();
            return promise.future();
        }
    };

    RobotSession session;
    QVERIFY(session.start());
    const QUuid job = session.robot.store(Kind::Job).insert({{QStringLiteral("name"), QStringLiteral("mow")}});
    QJSEngine engine;
    RefusingJobs jobs(jobPrefix, &session.client);
    QJSEngine::setObjectOwnership(&jobs, QJSEngine::CppOwnership);
    engine.globalObject().setProperty(QStringLiteral("jobs"), engine.newQObject(&jobs));
    engine.globalObject().setProperty(QStringLiteral("job"), job.toString());
    const QJSValue run = engine.evaluate(QStringLiteral(R"(
        var log = [];
        jobs.startJob(job).then(function (value) { log.push("started " + value); });
        jobs.stopJob().catch(function (error) { log.push("stop failed: " + error.message); });
    )"));
    QVERIFY2(!run.isError(), qPrintable(run.toString()));
    QTRY_COMPARE(engine.globalObject().property(QStringLiteral("log")).property(QStringLiteral("length")).toInt(), 2);
    QStringList log = engine.globalObject().property(QStringLiteral("log")).toVariant().toStringList();
    log.sort();
    QCOMPARE(log, (QStringList{QStringLiteral("started undefined"), QStringLiteral("stop failed: not here")}));
    QCOMPARE(session.robot.runningJob(), job);
    QCOMPARE(session.peer.receivedFrames(QStringLiteral("call_service")).size(), 1);
}

QTEST_MAIN(tst_RobotJobInterface)
#include "tst_RobotJobInterface.moc"
