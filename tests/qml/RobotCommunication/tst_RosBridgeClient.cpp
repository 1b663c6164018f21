#include "PeerSession.h"

#include <QJsonArray>
#include <QLoggingCategory>
#include <QPointer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>

#include <chrono>
#include <memory>
#include <thread>

using namespace std::chrono_literals;
using Behaviour = RosBridgePeerReply::Behaviour;

namespace {

// A response message of a test service: {"sum": number}.
struct Sum
{
    double sum = 0;
    static Sum fromJson(JsonContext &context, const QJsonValue &value)
    {
        return {::fromJson<double>(context, value.toObject().value(QLatin1String("sum")))};
    }
};

// A response that is a GenericResponse with more: its success flag is tested too.
struct SavedThing : RobotMessages::GenericResponse
{
    QUuid uuid;
    static SavedThing fromJson(JsonContext &context, const QJsonValue &value)
    {
        SavedThing thing;
        static_cast<RobotMessages::GenericResponse &>(thing) = GenericResponse::fromJson(context, value);
        thing.uuid = ::fromJson<QUuid>(context, value.toObject().value(QLatin1String("uuid")));
        return thing;
    }
};

// A request message that writes itself.
struct AddRequest
{
    double a = 0;
    double b = 0;
    QJsonObject toJson(JsonContext &) const { return {{QStringLiteral("a"), a}, {QStringLiteral("b"), b}}; }
};

constexpr int shortTimeoutMs = 200;
const QString service = QStringLiteral("/interface/test");

QJsonValue json(const char *text)
{
    return QJsonDocument::fromJson(QByteArray("[") + text + "]").array().first();
}

const QString timedOut = QStringLiteral(R"(^Service call QUuid\("\{[0-9a-f-]{36}\}"\) timed out$)");
const QString unknownCall = QStringLiteral(
    R"(^Received service response for unknown service call QUuid\("\{[0-9a-f-]{36}\}"\) for service "%1"$)");

} // namespace

class tst_RosBridgeClient : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void framesAreCompactWithSortedKeys();
    void responses_data();
    void responses();
    void typedRequestIsWritten();
    void unansweredCallTimesOut();
    void lateAnswerIsForAnUnknownCall();
    void answerTwiceFinishesOnce();
    void wrongIdLeavesTheCallToItsTimeLimit();
    void framesThatAreNotResponses_data();
    void framesThatAreNotResponses();
    void malformedResponseLeavesTheCallToItsTimeLimit_data();
    void malformedResponseLeavesTheCallToItsTimeLimit();
    void concurrentCallsAreMatchedById();
    void callWithoutConnection();
    void closeFailsEveryPendingCall();
    void callFromAnotherThreadWarns();
    void handlesOfOneTopicShareOneSubscription();
    void subscriptionBeforeConnectingIsSentOnConnect();
    void reconnectSubscribesAgain();
    void publishedMessageWithoutHandleIsStillEmitted();
    void destroyedClientCancelsItsCalls();
};

void tst_RosBridgeClient::initTestCase()
{
    QVERIFY(lcRosBridgeClient().isDebugEnabled());
    QLoggingCategory::setFilterRules(QStringLiteral("RobotCommunication.*.debug=false"));
}

void tst_RosBridgeClient::init()
{
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
}

void tst_RosBridgeClient::framesAreCompactWithSortedKeys()
{
    PeerSession session;
    QVERIFY(session.start());
    session.peer.setServiceReply(service, RosBridgePeerReply::answer(json(R"({"sum":3})")));

    QFuture<RosBridgeClient::ServiceCallResponse> call = session.client.callService(
        service, QJsonObject{{QStringLiteral("zeta"), 1}, {QStringLiteral("alpha"), "x"}}, 5000);
    std::unique_ptr<RobotSubscription> typed(session.client.subscribe(QStringLiteral("/odom"),
                                                                      QStringLiteral("nav_msgs/Odometry"), nullptr));
    std::unique_ptr<RobotSubscription> untyped(session.client.subscribe(QStringLiteral("/status"), QString(), nullptr));
    session.client.unsubscribe(QStringLiteral("/other"));
    QTRY_COMPARE(session.peer.receivedFrames().size(), 4);
    QTRY_VERIFY(call.isFinished());

    const QList<RosBridgePeer::ReceivedFrame> frames = session.peer.receivedFrames();
    QRegularExpression callFrame(QStringLiteral(
        R"(^\{"args":\{"alpha":"x","zeta":1\},"id":"\{[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}\}","op":"call_service","service":"/interface/test"\}$)"));
    QVERIFY2(callFrame.match(frames[0].text).hasMatch(), qPrintable(frames[0].text));
    QCOMPARE(frames[1].text, QStringLiteral(R"({"op":"subscribe","topic":"/odom","type":"nav_msgs/Odometry"})"));
    QCOMPARE(frames[2].text, QStringLiteral(R"({"op":"subscribe","topic":"/status"})"));
    QCOMPARE(frames[3].text, QStringLiteral(R"({"op":"unsubscribe","topic":"/other"})"));
}

void tst_RosBridgeClient::responses_data()
{
    QTest::addColumn<bool>("result");
    QTest::addColumn<QJsonValue>("values");
    QTest::addColumn<QString>("raw");
    QTest::addColumn<QString>("asSum");
    QTest::addColumn<QString>("asGeneric");
    QTest::addColumn<QString>("asDerived");

    const QString notGeneric = QStringLiteral("JsonUndefinedException: Missing expected json value");
    const QString several =
        QStringLiteral("ServiceCallMoreThanOneResponseException: Service call received more than one response");
    const QString failed = QStringLiteral("ServiceCallFailedException: Service call failed");
    const QJsonValue absent(QJsonValue::Undefined);

    QTest::newRow("object") << true << json(R"({"sum":3})") << R"(ok true [{"sum":3}])"
                            << "ok 3" << notGeneric << notGeneric;
    QTest::newRow("array of one") << true << json(R"([{"sum":4}])") << R"(ok true [{"sum":4}])"
                                  << "ok 4" << notGeneric << notGeneric;
    QTest::newRow("array of two") << true << json(R"([{"sum":4},{"sum":5}])") << R"(ok true [{"sum":4},{"sum":5}])"
                                  << several << several << several;
    QTest::newRow("no values") << true << absent << "ok true []" << several << several << several;
    QTest::newRow("failure text") << false << json(R"("no such map")")
                                  << "ServiceCallFailedException: Service call failed: no such map"
                                  << "ServiceCallFailedException: Service call failed: no such map"
                                  << "ServiceCallFailedException: Service call failed: no such map"
                                  << "ServiceCallFailedException: Service call failed: no such map";
    const QString stringValues = QStringLiteral(
        "JsonInvalidTypeException: Invalid type \"string\" for json value \"values\". Expected \"array\"");
    QTest::newRow("text with success") << true << json(R"("fine")") << stringValues << stringValues << stringValues
                                       << stringValues;
    const QString numberValues = QStringLiteral(
        "JsonInvalidTypeException: Invalid type \"number\" for json value \"values\". Expected \"array\"");
    QTest::newRow("number") << true << json("7") << numberValues << numberValues << numberValues << numberValues;
    QTest::newRow("null")
        << false << json("null")
        << "JsonInvalidTypeException: Invalid type \"null\" for json value \"values\". Expected \"array\""
        << "JsonInvalidTypeException: Invalid type \"null\" for json value \"values\". Expected \"array\""
        << "JsonInvalidTypeException: Invalid type \"null\" for json value \"values\". Expected \"array\""
        << "JsonInvalidTypeException: Invalid type \"null\" for json value \"values\". Expected \"array\"";
    QTest::newRow("object without success")
        << false << json(R"({"sum":3})") << R"(ok false [{"sum":3}])" << failed << failed << failed;
    QTest::newRow("generic failure") << true << json(R"({"success":false,"message":"busy","uuid":""})")
                                     << R"(ok true [{"message":"busy","success":false,"uuid":""}])"
                                     << "JsonUndefinedException: Missing expected json value"
                                     << "ServiceCallFailedException: busy"
                                     << "ServiceCallFailedException: busy";
    QTest::newRow("generic failure without message")
        << true << json(R"({"success":false,"message":"","uuid":""})")
        << R"(ok true [{"message":"","success":false,"uuid":""}])" << notGeneric << failed << failed;
    QTest::newRow("generic success")
        << true << json(R"({"success":true,"message":"saved","uuid":"{6f1d2a3b-4c5d-4e6f-8a9b-0c1d2e3f4a5b}"})")
        << R"(ok true [{"message":"saved","success":true,"uuid":"{6f1d2a3b-4c5d-4e6f-8a9b-0c1d2e3f4a5b}"}])"
        << notGeneric << "ok true saved"
        << "ok 6f1d2a3b-4c5d-4e6f-8a9b-0c1d2e3f4a5b";
    QTest::newRow("generic with a mistyped flag")
        << true << json(R"({"success":"yes","message":""})") << R"(ok true [{"message":"","success":"yes"}])"
        << notGeneric << "JsonInvalidTypeException: Invalid type \"string\" for json value. Expected \"boolean\""
        << "JsonInvalidTypeException: Invalid type \"string\" for json value. Expected \"boolean\"";
    QTest::newRow("derived message that does not read")
        << true << json(R"({"success":true,"message":"","uuid":"{0}"})")
        << R"(ok true [{"message":"","success":true,"uuid":"{0}"}])" << notGeneric << "ok true "
        << "JsonInvalidTypeException: Could not parse JSON value as type \"UUID\"";
}

// Every form of values, through the raw call and the typed calls: each ends in the
// response or in the exception the robot stack promises, never in a crash.
void tst_RosBridgeClient::responses()
{
    QFETCH(bool, result);
    QFETCH(QJsonValue, values);
    QFETCH(QString, raw);
    QFETCH(QString, asSum);
    QFETCH(QString, asGeneric);
    QFETCH(QString, asDerived);

    PeerSession session;
    QVERIFY(session.start());
    session.peer.setServiceReply(service, RosBridgePeerReply::answer(values, result));

    RosBridgeClient &client = session.client;
    QFuture<RosBridgeClient::ServiceCallResponse> rawCall = client.callService(service, QJsonObject(), 5000);
    QFuture<Sum> sumCall = client.callService<Sum>(service, QJsonObject(), 5000);
    QFuture<RobotMessages::GenericResponse> genericCall =
        client.callService<RobotMessages::GenericResponse>(service, QJsonObject(), 5000);
    QFuture<SavedThing> derivedCall = client.callService<SavedThing>(service, QJsonObject(), 5000);
    QTRY_VERIFY(rawCall.isFinished() && sumCall.isFinished() && genericCall.isFinished() && derivedCall.isFinished());

    QCOMPARE(outcomeOf<RosBridgeClient::ServiceCallResponse>(rawCall, showResponse), raw);
    QCOMPARE(outcomeOf<Sum>(sumCall, [](const Sum &s) { return QString::number(s.sum); }), asSum);
    QCOMPARE(outcomeOf<RobotMessages::GenericResponse>(genericCall,
                                                       [](const RobotMessages::GenericResponse &g) {
                                                           return QStringLiteral("%1 %2").arg(
                                                               g.success ? "true" : "false", g.message);
                                                       }),
             asGeneric);
    QCOMPARE(outcomeOf<SavedThing>(derivedCall,
                                   [](const SavedThing &t) { return t.uuid.toString(QUuid::WithoutBraces); }),
             asDerived);
}

void tst_RosBridgeClient::typedRequestIsWritten()
{
    PeerSession session;
    QVERIFY(session.start());
    session.peer.setServiceHandler(service, [](const QJsonObject &args) {
        return RosBridgePeerReply::answer(QJsonObject{
            {QStringLiteral("sum"),
             args.value(QLatin1String("a")).toDouble() + args.value(QLatin1String("b")).toDouble()}});
    });
    QFuture<Sum> call = session.client.callService<Sum>(service, AddRequest{1.5, 2}, 5000);
    QTRY_VERIFY(call.isFinished());
    QCOMPARE(call.result().sum, 3.5);
}

void tst_RosBridgeClient::unansweredCallTimesOut()
{
    PeerSession session;
    QVERIFY(session.start());
    session.peer.setServiceReply(service, RosBridgePeerReply::with(Behaviour::Silence));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(timedOut));
    QElapsedTimer clock;
    clock.start();
    QFuture<Sum> call = session.client.callService<Sum>(service, QJsonObject(), shortTimeoutMs);
    QTRY_VERIFY(call.isFinished());
    QVERIFY(clock.elapsed() >= shortTimeoutMs * 95 / 100); // a coarse timer may fire up to 5 % early
    QCOMPARE(outcomeOf<Sum>(call, [](const Sum &) { return QString(); }),
             QStringLiteral("ServiceCallTimeoutException: Service call timed out"));
}

void tst_RosBridgeClient::lateAnswerIsForAnUnknownCall()
{
    PeerSession session;
    QVERIFY(session.start());
    RosBridgePeerReply late = RosBridgePeerReply::with(Behaviour::Delay, json(R"({"sum":1})"));
    late.delay = 400ms;
    session.peer.setServiceReply(service, late);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(timedOut));
    QFuture<RosBridgeClient::ServiceCallResponse> call = session.client.callService(service, QJsonObject(), 100);
    QTRY_VERIFY(call.isFinished());
    QCOMPARE(outcomeOf<RosBridgeClient::ServiceCallResponse>(call, showResponse),
             QStringLiteral("ServiceCallTimeoutException: Service call timed out"));

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(unknownCall.arg(service)));
    QSignalSpy frames(session.client.webSocket(), &WebSocketClient::messageReceived);
    QTRY_COMPARE(frames.size(), 1);
}

void tst_RosBridgeClient::answerTwiceFinishesOnce()
{
    PeerSession session;
    QVERIFY(session.start());
    session.peer.setServiceReply(service, RosBridgePeerReply::with(Behaviour::Twice, json(R"({"sum":2})")));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(unknownCall.arg(service)));
    QSignalSpy frames(session.client.webSocket(), &WebSocketClient::messageReceived);
    QFuture<Sum> call = session.client.callService<Sum>(service, QJsonObject(), 5000);
    QTRY_COMPARE(frames.size(), 2);
    QVERIFY(call.isFinished());
    QCOMPARE(call.result().sum, 2.0);
    QCOMPARE(call.resultCount(), 1);
}

void tst_RosBridgeClient::wrongIdLeavesTheCallToItsTimeLimit()
{
    PeerSession session;
    QVERIFY(session.start());
    session.peer.setServiceReply(service, RosBridgePeerReply::with(Behaviour::WrongId, json(R"({"sum":2})")));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(unknownCall.arg(service)));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(timedOut));
    QFuture<Sum> call = session.client.callService<Sum>(service, QJsonObject(), shortTimeoutMs);
    QTRY_VERIFY(call.isFinished());
    QCOMPARE(outcomeOf<Sum>(call, [](const Sum &) { return QString(); }),
             QStringLiteral("ServiceCallTimeoutException: Service call timed out"));
}

void tst_RosBridgeClient::framesThatAreNotResponses_data()
{
    QTest::addColumn<int>("behaviour");
    QTest::addColumn<QString>("warning");

    QTest::newRow("not JSON") << int(Behaviour::NonJson)
                              << "Failed to parse received message: Received message is not a valid JSON object";
    QTest::newRow("unknown op") << int(Behaviour::UnknownOp) << "Received unknown message type \"no_such_op\"";
}

// What the peer sends instead of an answer is logged and dropped; the call ends by its
// time limit and the client goes on working.
void tst_RosBridgeClient::framesThatAreNotResponses()
{
    QFETCH(int, behaviour);
    QFETCH(QString, warning);

    PeerSession session;
    QVERIFY(session.start());
    session.peer.setServiceReply(service, RosBridgePeerReply::with(Behaviour(behaviour)));
    session.peer.setServiceReply(QStringLiteral("/fine"), RosBridgePeerReply::answer(json(R"({"sum":9})")));
    QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(timedOut));
    QFuture<Sum> call = session.client.callService<Sum>(service, QJsonObject(), shortTimeoutMs);
    QTRY_VERIFY(call.isFinished());
    QCOMPARE(outcomeOf<Sum>(call, [](const Sum &) { return QString(); }),
             QStringLiteral("ServiceCallTimeoutException: Service call timed out"));

    QFuture<Sum> next = session.client.callService<Sum>(QStringLiteral("/fine"), QJsonObject(), 5000);
    QTRY_VERIFY(next.isFinished());
    QCOMPARE(next.result().sum, 9.0);
}

void tst_RosBridgeClient::malformedResponseLeavesTheCallToItsTimeLimit_data()
{
    QTest::addColumn<QString>("frame"); // @ID@ stands for the call's id
    QTest::addColumn<QString>("warning");

    QTest::newRow("id no UUID") << R"({"op":"service_response","id":"call:1","result":true,"service":"s","values":{}})"
                                << "Failed to parse service response: Could not parse JSON value as type \"UUID\"";
    QTest::newRow("id missing") << R"({"op":"service_response","result":true,"service":"s","values":{}})"
                                << "Failed to parse service response: Missing expected json value";
    QTest::newRow("result missing") << R"({"op":"service_response","id":"@ID@","service":"s","values":{}})"
                                    << "Failed to parse service response: Missing expected json value";
    QTest::newRow("result a string")
        << R"({"op":"service_response","id":"@ID@","result":"true","service":"s","values":{}})"
        << "Failed to parse service response: Invalid type \"string\" for json value. Expected \"boolean\"";
    QTest::newRow("service a number") << R"({"op":"service_response","id":"@ID@","result":true,"service":5})"
                                      << "Failed to parse service response: Invalid type \"number\" for json value. "
                                         "Expected \"string\"";
    QTest::newRow("no op") << R"({"id":"@ID@","result":true,"service":"s"})"
                           << "Failed to parse received message: Missing expected json value";
    QTest::newRow("op a number") << R"({"op":1,"id":"@ID@"})"
                                 << "Failed to parse received message: Invalid type \"number\" for json value. "
                                    "Expected \"string\"";
    QTest::newRow("an array") << R"([{"op":"service_response","id":"@ID@","result":true,"service":"s"}])"
                              << "Failed to parse received message: Received message is not a valid JSON object";
    QTest::newRow("publish without msg") << R"({"op":"publish","topic":"/t"})"
                                         << "Failed to parse topic message: Invalid type \"undefined\" for json value "
                                            "\"msg\". Expected \"object\"";
    QTest::newRow("publish with an array") << R"({"op":"publish","topic":"/t","msg":[1]})"
                                           << "Failed to parse topic message: Invalid type \"array\" for json value "
                                              "\"msg\". Expected \"object\"";
    QTest::newRow("publish without topic") << R"({"op":"publish","msg":{}})"
                                           << "Failed to parse topic message: Missing expected json value";
}

void tst_RosBridgeClient::malformedResponseLeavesTheCallToItsTimeLimit()
{
    QFETCH(QString, frame);
    QFETCH(QString, warning);

    PeerSession session;
    QVERIFY(session.start());
    session.peer.setServiceReply(service, RosBridgePeerReply::with(Behaviour::Silence));
    QSignalSpy published(&session.client, &RosBridgeClient::messageReceived);
    QFuture<RosBridgeClient::ServiceCallResponse> call = session.client.callService(service, QJsonObject(),
                                                                                    shortTimeoutMs);
    QTRY_VERIFY(!session.lastCallId().isEmpty());

    QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(timedOut));
    session.peer.sendToAll(QString(frame).replace(QStringLiteral("@ID@"), session.lastCallId()));
    QTRY_VERIFY(call.isFinished());
    QCOMPARE(outcomeOf<RosBridgeClient::ServiceCallResponse>(call, showResponse),
             QStringLiteral("ServiceCallTimeoutException: Service call timed out"));
    QCOMPARE(published.size(), 0);
}

void tst_RosBridgeClient::concurrentCallsAreMatchedById()
{
    PeerSession session;
    QVERIFY(session.start());
    // Each call is answered after the delay it asks for, with its own number.
    session.peer.setServiceHandler(service, [](const QJsonObject &args) {
        RosBridgePeerReply reply = RosBridgePeerReply::with(
            Behaviour::Delay, QJsonObject{{QStringLiteral("sum"), args.value(QLatin1String("n"))}});
        reply.delay = std::chrono::milliseconds(args.value(QLatin1String("delay")).toInt());
        return reply;
    });
    QList<int> finishOrder;
    QFuture<Sum> slow =
        session.client
            .callService<Sum>(service, QJsonObject{{QStringLiteral("n"), 1}, {QStringLiteral("delay"), 150}}, 5000)
            .then([&](const Sum &s) {
                finishOrder << 1;
                return s;
            });
    QFuture<Sum> fast = session.client
                            .callService<Sum>(service,
                                              QJsonObject{{QStringLiteral("n"), 2}, {QStringLiteral("delay"), 0}}, 5000)
                            .then([&](const Sum &s) {
                                finishOrder << 2;
                                return s;
                            });
    QTRY_VERIFY(slow.isFinished() && fast.isFinished());
    QCOMPARE(slow.result().sum, 1.0);
    QCOMPARE(fast.result().sum, 2.0);
    QCOMPARE(finishOrder, (QList<int>{2, 1}));

    const QList<QJsonObject> calls = session.peer.receivedFrames(QStringLiteral("call_service"));
    QCOMPARE(calls.size(), 2);
    QVERIFY(calls[0].value(QLatin1String("id")) != calls[1].value(QLatin1String("id")));
}

void tst_RosBridgeClient::callWithoutConnection()
{
    RosBridgeClient closed;
    QCOMPARE(closed.connectionStatus(), RobotConnectionStatus::Closed);
    QFuture<Sum> call = closed.callService<Sum>(service, QJsonObject(), 5000);
    QVERIFY(call.isFinished());
    QCOMPARE(outcomeOf<Sum>(call, [](const Sum &) { return QString(); }),
             QStringLiteral("RobotNotConnectedException: Robot is not connected"));

    // While the connection is still being made, too; nothing is sent.
    QTcpServer mute;
    QVERIFY(mute.listen(QHostAddress::LocalHost));
    RosBridgeClient connecting;
    QFuture<bool> attempt = connecting.connect(QStringLiteral("127.0.0.1"), mute.serverPort());
    QCOMPARE(connecting.connectionStatus(), RobotConnectionStatus::Connecting);
    QFuture<RosBridgeClient::ServiceCallResponse> raw = connecting.callService(service, QJsonObject(), 5000);
    QVERIFY(raw.isFinished());
    QCOMPARE(outcomeOf<RosBridgeClient::ServiceCallResponse>(raw, showResponse),
             QStringLiteral("RobotNotConnectedException: Robot is not connected"));
    connecting.disconnect();
    QTRY_VERIFY(attempt.isFinished());
}

void tst_RosBridgeClient::closeFailsEveryPendingCall()
{
    PeerSession session;
    QVERIFY(session.start());
    session.peer.setServiceReply(service, RosBridgePeerReply::with(Behaviour::Silence));
    QList<QFuture<Sum>> calls;
    for (int i = 0; i < 3; ++i)
        calls << session.client.callService<Sum>(service, QJsonObject(), 300);
    QTRY_COMPARE(session.peer.receivedFrames(QStringLiteral("call_service")).size(), 3);

    QSignalSpy statusChanges(&session.client, &RosBridgeClient::connectionStatusChanged);
    session.peer.dropConnections();
    QTRY_COMPARE(session.client.connectionStatus(), RobotConnectionStatus::Closed);
    QVERIFY(statusChanges.size() >= 1);
    for (const QFuture<Sum> &call : std::as_const(calls)) {
        QVERIFY(call.isFinished());
        QCOMPARE(outcomeOf<Sum>(call, [](const Sum &) { return QString(); }),
                 QStringLiteral("RobotNotConnectedException: Robot is not connected"));
    }
    // Their time limits are gone with them: no time-out is reported later.
    QTest::qWait(500);
}

void tst_RosBridgeClient::callFromAnotherThreadWarns()
{
    RosBridgeClient client;
    QTest::ignoreMessage(QtWarningMsg, "Service calls must be made from the same thread as the RosBridgeClient object");
    QFuture<RosBridgeClient::ServiceCallResponse> call;
    std::thread([&] { call = client.callService(service, QJsonObject(), 100); }).join();
    QCOMPARE(outcomeOf<RosBridgeClient::ServiceCallResponse>(call, showResponse),
             QStringLiteral("RobotNotConnectedException: Robot is not connected"));
}

void tst_RosBridgeClient::handlesOfOneTopicShareOneSubscription()
{
    PeerSession session;
    QVERIFY(session.start());
    const QString topic = QStringLiteral("/odom");
    auto first = std::make_unique<QObject>();
    auto *a = session.client.subscribe(topic, QStringLiteral("nav_msgs/Odometry"), first.get());
    auto *b = session.client.subscribe(topic, QStringLiteral("nav_msgs/Odometry"), nullptr);
    std::unique_ptr<RobotSubscription> other(session.client.subscribe(QStringLiteral("/status"), QString(), nullptr));
    QVERIFY(a != b);
    QCOMPARE(a->parent(), first.get());
    QCOMPARE(a->topic(), topic);
    QTRY_COMPARE(session.peer.subscribedTopics(), (QStringList{topic, QStringLiteral("/status")}));
    QCOMPARE(session.peer.receivedFrames(QStringLiteral("subscribe")).size(), 2);

    QSignalSpy toA(a, &RobotSubscription::messageReceived);
    QSignalSpy toB(b, &RobotSubscription::messageReceived);
    QSignalSpy toOther(other.get(), &RobotSubscription::messageReceived);
    QCOMPARE(session.peer.publish(topic, QJsonObject{{QStringLiteral("x"), 1}}), 1);
    QTRY_COMPARE(toA.size(), 1);
    QTRY_COMPARE(toB.size(), 1);
    QCOMPARE(toA.first().first().toJsonObject(), (QJsonObject{{QStringLiteral("x"), 1}}));
    QCOMPARE(toOther.size(), 0);

    // The topic stays subscribed while one handle is left.
    first.reset();
    QTest::qWait(50);
    QCOMPARE(session.peer.receivedFrames(QStringLiteral("unsubscribe")).size(), 0);
    delete b;
    QTRY_COMPARE(session.peer.receivedFrames(QStringLiteral("unsubscribe")).size(), 1);
    QCOMPARE(session.peer.receivedFrames(QStringLiteral("unsubscribe")).first(),
             (QJsonObject{{QStringLiteral("op"), QStringLiteral("unsubscribe")}, {QStringLiteral("topic"), topic}}));
    QTRY_COMPARE(session.peer.subscribedTopics(), QStringList{QStringLiteral("/status")});

    // Subscribing anew asks the robot again.
    std::unique_ptr<RobotSubscription> again(session.client.subscribe(topic, QString(), nullptr));
    QTRY_COMPARE(session.peer.receivedFrames(QStringLiteral("subscribe")).size(), 3);
}

// A topic subscribed before there is a connection is asked for once there is one.
void tst_RosBridgeClient::subscriptionBeforeConnectingIsSentOnConnect()
{
    PeerSession session;
    QVERIFY(session.peer.listen());
    std::unique_ptr<RobotSubscription> early(session.client.subscribe(QStringLiteral("/odom"),
                                                                      QStringLiteral("nav_msgs/Odometry"), nullptr));
    QFuture<bool> attempt = session.client.connect(QStringLiteral("127.0.0.1"), session.peer.port());
    // Subscribed while the connection is being made: sent once it is up, not before.
    std::unique_ptr<RobotSubscription> duringHandshake(session.client.subscribe(QStringLiteral("/status"), QString(),
                                                                                nullptr));
    QTRY_VERIFY(attempt.isFinished());
    QTRY_COMPARE(session.peer.subscribedTopics(), (QStringList{QStringLiteral("/odom"), QStringLiteral("/status")}));
    QCOMPARE(session.peer.receivedFrames(QStringLiteral("subscribe")).size(), 2);

    QSignalSpy messages(early.get(), &RobotSubscription::messageReceived);
    QCOMPARE(session.peer.publish(QStringLiteral("/odom"), QJsonObject{{QStringLiteral("seq"), 1}}), 1);
    QTRY_COMPARE(messages.size(), 1);
}

// A new connection is asked for every topic that still has a handle, and only for those.
void tst_RosBridgeClient::reconnectSubscribesAgain()
{
    PeerSession session;
    QVERIFY(session.start());
    std::unique_ptr<RobotSubscription> kept(session.client.subscribe(QStringLiteral("/odom"),
                                                                     QStringLiteral("nav_msgs/Odometry"), nullptr));
    std::unique_ptr<RobotSubscription> dropped(session.client.subscribe(QStringLiteral("/status"), QString(), nullptr));
    QTRY_COMPARE(session.peer.subscribedTopics().size(), 2);

    session.peer.dropConnections();
    QTRY_COMPARE(session.client.connectionStatus(), RobotConnectionStatus::Closed);
    dropped.reset(); // gone while there is no connection: nothing to send
    QTest::qWait(20);
    session.peer.clearReceivedFrames();

    QVERIFY(session.reconnect());
    QTRY_COMPARE(session.peer.subscribedTopics(), QStringList{QStringLiteral("/odom")});
    const QList<QJsonObject> frames = session.peer.receivedFrames(QString());
    QCOMPARE(frames.size(), 1);
    QCOMPARE(frames.first(), (QJsonObject{{QStringLiteral("op"), QStringLiteral("subscribe")},
                                          {QStringLiteral("topic"), QStringLiteral("/odom")},
                                          {QStringLiteral("type"), QStringLiteral("nav_msgs/Odometry")}}));

    QSignalSpy messages(kept.get(), &RobotSubscription::messageReceived);
    QCOMPARE(session.peer.publish(QStringLiteral("/odom"), QJsonObject{{QStringLiteral("seq"), 2}}), 1);
    QTRY_COMPARE(messages.size(), 1);
}

void tst_RosBridgeClient::publishedMessageWithoutHandleIsStillEmitted()
{
    PeerSession session;
    QVERIFY(session.start());
    QSignalSpy messages(&session.client, &RosBridgeClient::messageReceived);
    session.peer.sendToAll(QStringLiteral(R"({"op":"publish","topic":"/nobody","msg":{"a":[1,2]}})"));
    QTRY_COMPARE(messages.size(), 1);
    QCOMPARE(messages.first().at(0).toString(), QStringLiteral("/nobody"));
    QCOMPARE(messages.first().at(1).toJsonObject(), json(R"({"a":[1,2]})").toObject());
}

void tst_RosBridgeClient::destroyedClientCancelsItsCalls()
{
    RosBridgePeer peer;
    QVERIFY(peer.listen());
    peer.setServiceReply(service, RosBridgePeerReply::with(Behaviour::Silence));
    QFuture<Sum> call;
    {
        RosBridgeClient client;
        QFuture<bool> attempt = client.connect(QStringLiteral("127.0.0.1"), peer.port());
        QTRY_VERIFY(attempt.isFinished());
        call = client.callService<Sum>(service, QJsonObject(), 5000);
    }
    QVERIFY(call.isFinished());
    QVERIFY(call.isCanceled());
    QTest::qWait(20);
}

QTEST_GUILESS_MAIN(tst_RosBridgeClient)

#include "tst_RosBridgeClient.moc"
