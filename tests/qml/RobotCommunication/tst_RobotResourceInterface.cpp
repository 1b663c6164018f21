#include "RobotMapResourceInterface.h"
#include "RobotResourceInterface.h"
#include "RobotSession.h"

#include <QJSEngine>
#include <QLoggingCategory>
#include <QPointer>
#include <QRegularExpression>

#include <memory>

using namespace std::chrono_literals;
using Kind = RosBridgeRobot::Kind;

namespace {

const QString resourcePrefix = QStringLiteral("/autopilot/information_manager/resource/");
const QString pathPrefix = resourcePrefix + QStringLiteral("path");
const QUuid someId = QUuid::fromString(QStringLiteral("{6f1d2a3b-4c5d-4e6f-8a9b-0c1d2e3f4a5b}"));

QString showObject(const QJsonObject &object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

QString showInfos(const QList<RobotResourceInfo> &infos)
{
    QStringList shown;
    for (const RobotResourceInfo &info : infos)
        shown.append(QStringLiteral("%1 %2 %3 %4 %5")
                         .arg(info.name, showUuid(info.uuid), showUuid(info.group), QString::number(int(info.type)),
                              info.lastModified.isValid() ? info.lastModified.toString(Qt::ISODateWithMs)
                                                          : QStringLiteral("invalid")));
    return shown.join(QLatin1String("; "));
}

QJsonObject resource(const QString &name, const QJsonValue &group = QJsonValue::Null)
{
    return {{QStringLiteral("name"), name},
            {QStringLiteral("group_id"), group},
            {QStringLiteral("creation_date"), QStringLiteral("2026-03-04T05:06:07.089Z")},
            {QStringLiteral("waypoints"), QJsonArray{QJsonObject{{QStringLiteral("x"), 1.5}}, 2, "three"}},
            {QStringLiteral("settings"), QJsonObject{{QStringLiteral("speed"), 0.7}}}};
}

} // namespace

class tst_RobotResourceInterface : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void editsEveryKindInTheRobotsStore_data();
    void editsEveryKindInTheRobotsStore();
    void requestsOnTheWire_data();
    void requestsOnTheWire();
    void responses_data();
    void responses();
    void listEntries_data();
    void listEntries();
    void activeMap_data();
    void activeMap();
    void overlappingCallsSettleIndependently();
    void failuresBeforeAnyAnswer();
    void destroyedWhileACallIsPending();
    void promisesInJavaScript();
};

void tst_RobotResourceInterface::init()
{
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
}

void tst_RobotResourceInterface::editsEveryKindInTheRobotsStore_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("type");
    QTest::newRow("path") << int(Kind::Path) << int(RobotResourceType::Path);
    QTest::newRow("job") << int(Kind::Job) << int(RobotResourceType::Job);
    QTest::newRow("area") << int(Kind::Area) << int(RobotResourceType::Area);
    QTest::newRow("artifact") << int(Kind::Artifact) << int(RobotResourceType::Artifact);
    QTest::newRow("schedule") << int(Kind::Schedule) << int(RobotResourceType::Schedule);
    QTest::newRow("map") << int(Kind::Map) << int(RobotResourceType::Map);
}

// Set, get, update, list and remove through the interface the connection makes for
// the kind, against the robot's store of that kind only.
void tst_RobotResourceInterface::editsEveryKindInTheRobotsStore()
{
    QFETCH(int, kind);
    QFETCH(int, type);
    RobotSession session;
    QVERIFY(session.start());
    const auto resourceType = RobotResourceType::ResourceType(type);
    const QString prefix = session.robot.store(Kind(kind)).prefix();
    std::unique_ptr<IRobotResourceInterface> interface;
    if (resourceType == RobotResourceType::Map)
        interface = std::make_unique<RobotMapResourceInterface>(prefix, &session.client);
    else
        interface = std::make_unique<RobotResourceInterface>(prefix, resourceType, &session.client);

    const QUuid group = QUuid::createUuid();
    const QJsonObject first = resource(QStringLiteral("first"), showUuid(group));
    QFuture<QUuid> set = interface->setResourceCpp(first);
    QVERIFY(QTest::qWaitFor([&] { return set.isFinished(); }));
    const QUuid id = set.result();
    QVERIFY(!id.isNull());
    QVERIFY(session.robot.store(Kind(kind)).contains(id));
    for (Kind other : {Kind::Path, Kind::Job, Kind::Area, Kind::Artifact, Kind::Schedule, Kind::Map}) {
        if (other != Kind(kind))
            QVERIFY(session.robot.store(other).resources().isEmpty());
    }

    QJsonObject stored = first;
    stored.insert(QStringLiteral("id"), showUuid(id));
    QCOMPARE(settle<QJsonObject>(interface->getResourceCpp(id), showObject),
             QStringLiteral("ok ") + showObject(stored));

    QJsonObject renamed = stored;
    renamed.insert(QStringLiteral("name"), QStringLiteral("renamed"));
    QCOMPARE(settle<QUuid>(interface->updateResourceCpp(renamed), showUuid), QStringLiteral("ok ") + showUuid(id));
    QCOMPARE(session.robot.store(Kind(kind)).resource(id).value(QLatin1String("name")).toString(),
             QStringLiteral("renamed"));

    const QUuid otherId = session.robot.store(Kind(kind)).insert(resource(QStringLiteral("second")));
    const QString expectedAll = QStringLiteral("ok renamed %1 %2 %5 2026-03-04T05:06:07.089Z; second %3 %4 %5 "
                                               "2026-03-04T05:06:07.089Z")
                                    .arg(showUuid(id), showUuid(group), showUuid(otherId), showUuid(QUuid()))
                                    .arg(type);
    QCOMPARE(settle<QList<RobotResourceInfo>>(interface->listResourcesCpp(QUuid()), showInfos), expectedAll);
    QCOMPARE(settle<QList<RobotResourceInfo>>(interface->listResourcesCpp(group), showInfos),
             expectedAll.section(QLatin1String("; "), 0, 0));

    QCOMPARE(settle(interface->removeResourceCpp(id)), QStringLiteral("ok"));
    QVERIFY(!session.robot.store(Kind(kind)).contains(id));
    QCOMPARE(settle<QJsonObject>(interface->getResourceCpp(id), showObject),
             QStringLiteral("ServiceCallFailedException: No resource %1").arg(showUuid(id)));
    QCOMPARE(settle(interface->removeResourceCpp(id)),
             QStringLiteral("ServiceCallFailedException: No resource %1").arg(showUuid(id)));
    QCOMPARE(settle<QUuid>(interface->updateResourceCpp(renamed), showUuid),
             QStringLiteral("ServiceCallFailedException: No resource %1 to update").arg(showUuid(id)));
}

void tst_RobotResourceInterface::requestsOnTheWire_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("service");
    QTest::addColumn<QString>("args");

    QTest::newRow("list all") << "list"
                              << "list"
                              << "{}";
    QTest::newRow("list the null group") << "list null"
                                         << "list"
                                         << "{}";
    QTest::newRow("list a group") << "list group"
                                  << "list"
                                  << R"({"group":"{6f1d2a3b-4c5d-4e6f-8a9b-0c1d2e3f4a5b}"})";
    QTest::newRow("get") << "get"
                         << "get"
                         << R"({"uuid":"{6f1d2a3b-4c5d-4e6f-8a9b-0c1d2e3f4a5b}"})";
    QTest::newRow("remove") << "remove"
                            << "delete"
                            << R"({"uuid":"{6f1d2a3b-4c5d-4e6f-8a9b-0c1d2e3f4a5b}"})";
    QTest::newRow("get the null uuid") << "get null"
                                       << "get"
                                       << R"({"uuid":"{00000000-0000-0000-0000-000000000000}"})";
}

// UUIDs go out braced and in lower case whatever form the caller had; a list of no
// group sends no group.
void tst_RobotResourceInterface::requestsOnTheWire()
{
    QFETCH(QString, operation);
    QFETCH(QString, service);
    QFETCH(QString, args);
    RobotSession session;
    QVERIFY(session.start());
    RobotResourceInterface interface(pathPrefix, RobotResourceType::Path, &session.client);
    const QUuid upperCase = QUuid::fromString(QStringLiteral("6F1D2A3B-4C5D-4E6F-8A9B-0C1D2E3F4A5B"));
    QCOMPARE(upperCase, someId);

    if (operation == QLatin1String("list"))
        interface.listResourcesCpp(QUuid());
    else if (operation == QLatin1String("list null"))
        interface.listResourcesCpp(QUuid::fromString(QStringLiteral("{00000000-0000-0000-0000-000000000000}")));
    else if (operation == QLatin1String("list group"))
        interface.listResourcesCpp(upperCase);
    else if (operation == QLatin1String("get"))
        interface.getResourceCpp(upperCase);
    else if (operation == QLatin1String("get null"))
        interface.getResourceCpp(QUuid());
    else if (operation == QLatin1String("remove"))
        interface.removeResourceCpp(upperCase);
    QTRY_COMPARE(session.peer.receivedFrames(QStringLiteral("call_service")).size(), 1);
    QCOMPARE(showObject(lastArgsOf(session.peer, pathPrefix + QLatin1Char('/') + service)), args);
}

void tst_RobotResourceInterface::responses_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QJsonValue>("values");
    QTest::addColumn<QString>("outcome");

    const QString ok = QStringLiteral(R"("result":{"success":true,"message":""})");
    const QString several =
        QStringLiteral("ServiceCallMoreThanOneResponseException: Service call received more than one response");
    const QString failed = QStringLiteral("ServiceCallFailedException: Service call failed");
    const QString undefined = QStringLiteral("JsonUndefinedException: Missing expected json value");

    // get
    QTest::newRow("get") << "get" << true << jsonValue(R"({"json":"{\"a\":[1,{\"b\":null}]}",)" + ok.toUtf8() + "}")
                         << R"(ok {"a":[1,{"b":null}]})";
    QTest::newRow("get failure with message")
        << "get" << true << jsonValue(R"({"json":"","result":{"success":false,"message":"no such path"}})")
        << "ServiceCallFailedException: no such path";
    QTest::newRow("get failure without message")
        << "get" << true << jsonValue(R"({"json":"","result":{"success":false,"message":""}})") << failed;
    QTest::newRow("get failure with garbage json")
        << "get" << true << jsonValue(R"({"json":"{oops","result":{"success":false,"message":"busy"}})")
        << "ServiceCallFailedException: busy";
    QTest::newRow("get result flag false")
        << "get" << false << jsonValue(R"({"json":"{}","result":{"success":true,"message":"x"}})") << failed;
    QTest::newRow("get no values") << "get" << true << jsonValue("[]") << several;
    QTest::newRow("get two values")
        << "get" << true << jsonValue(R"([{"json":"{}",)" + ok.toUtf8() + R"(},{"json":"{}",)" + ok.toUtf8() + "}]")
        << several;
    QTest::newRow("get without result") << "get" << true << jsonValue(R"({"json":"{}"})") << undefined;
    // A robot that says it succeeded but sends no resource has not sent an empty one.
    QTest::newRow("get success with an array")
        << "get" << true << jsonValue(R"({"json":"[1,2]",)" + ok.toUtf8() + "}")
        << R"(JsonInvalidTypeException: Invalid type "array" for json value "json". Expected "object")";
    QTest::newRow("get success with garbage")
        << "get" << true << jsonValue(R"({"json":"{\"a\":",)" + ok.toUtf8() + "}")
        << R"(JsonInvalidTypeException: Could not parse JSON value as type "JSON object text")";
    QTest::newRow("get success without json") << "get" << true << jsonValue("{" + ok.toUtf8() + "}") << undefined;
    QTest::newRow("get success with a number")
        << "get" << true << jsonValue(R"({"json":5,)" + ok.toUtf8() + "}")
        << R"(JsonInvalidTypeException: Invalid type "number" for json value "json". Expected "string")";

    // set and update read the same answer
    for (const char *operation : {"set", "update"}) {
        const QString op = QString::fromLatin1(operation);
        QTest::addRow("%s", operation)
            << op << true << jsonValue(R"({"uuid":"{6F1D2A3B-4C5D-4E6F-8A9B-0C1D2E3F4A5B}",)" + ok.toUtf8() + "}")
            << "ok {6f1d2a3b-4c5d-4e6f-8a9b-0c1d2e3f4a5b}";
        QTest::addRow("%s failure", operation)
            << op << true << jsonValue(R"({"uuid":"","result":{"success":false,"message":"full"}})")
            << "ServiceCallFailedException: full";
        // The answer is read before its flag is looked at.
        QTest::addRow("%s failure without uuid", operation)
            << op << true << jsonValue(R"({"result":{"success":false,"message":"full"}})") << undefined;
        QTest::addRow("%s uuid that is none", operation)
            << op << true << jsonValue(R"({"uuid":"path-7",)" + ok.toUtf8() + "}")
            << R"(JsonInvalidTypeException: Could not parse JSON value as type "UUID")";
        QTest::addRow("%s empty uuid", operation) << op << true << jsonValue(R"({"uuid":"",)" + ok.toUtf8() + "}")
                                                  << "ok {00000000-0000-0000-0000-000000000000}";
    }

    // remove
    QTest::newRow("remove") << "remove" << true << jsonValue("{" + ok.toUtf8() + "}") << "ok";
    QTest::newRow("remove failure") << "remove" << true
                                    << jsonValue(R"({"result":{"success":false,"message":"in use"}})")
                                    << "ServiceCallFailedException: in use";
    QTest::newRow("remove mistyped success")
        << "remove" << true << jsonValue(R"({"result":{"success":"true","message":""}})")
        << R"(JsonInvalidTypeException: Invalid type "string" for json value. Expected "boolean")";

    // list
    QTest::newRow("list empty") << "list" << true << jsonValue(R"({"json":"[]",)" + ok.toUtf8() + "}") << "ok ";
    QTest::newRow("list failure with garbage json")
        << "list" << true << jsonValue(R"({"json":"nope","result":{"success":false,"message":"later"}})")
        << "ServiceCallFailedException: later";
    QTest::newRow("list success without json") << "list" << true << jsonValue("{" + ok.toUtf8() + "}") << undefined;
    QTest::newRow("list success with an object")
        << "list" << true << jsonValue(R"({"json":"{}",)" + ok.toUtf8() + "}")
        << R"(JsonInvalidTypeException: Invalid type "object" for json value "json". Expected "array")";
    QTest::newRow("list success with garbage")
        << "list" << true << jsonValue(R"({"json":"[{",)" + ok.toUtf8() + "}")
        << R"(JsonInvalidTypeException: Could not parse JSON value as type "JSON array text")";
    QTest::newRow("list success with a string")
        << "list" << true << jsonValue(R"({"json":["a"],)" + ok.toUtf8() + "}")
        << R"(JsonInvalidTypeException: Invalid type "array" for json value "json". Expected "string")";
}

// Each operation's answers, scripted: the result, the robot's failure, or the
// exception that says what was wrong with the answer.
void tst_RobotResourceInterface::responses()
{
    QFETCH(QString, operation);
    QFETCH(bool, result);
    QFETCH(QJsonValue, values);
    QFETCH(QString, outcome);

    PeerSession session;
    QVERIFY(session.peer.listen() && session.reconnect());
    const RosBridgePeerReply reply = RosBridgePeerReply::answer(values, result);
    for (const char *service : {"get", "set", "update", "delete", "list"})
        session.peer.setServiceReply(pathPrefix + QLatin1Char('/') + QLatin1String(service), reply);
    RobotResourceInterface interface(pathPrefix, RobotResourceType::Path, &session.client);

    QString actual;
    if (operation == QLatin1String("get"))
        actual = settle<QJsonObject>(interface.getResourceCpp(someId), showObject);
    else if (operation == QLatin1String("set"))
        actual = settle<QUuid>(interface.setResourceCpp(resource(QStringLiteral("a"))), showUuid);
    else if (operation == QLatin1String("update"))
        actual = settle<QUuid>(interface.updateResourceCpp(resource(QStringLiteral("a"))), showUuid);
    else if (operation == QLatin1String("remove"))
        actual = settle(interface.removeResourceCpp(someId));
    else if (operation == QLatin1String("list"))
        actual = settle<QList<RobotResourceInfo>>(interface.listResourcesCpp(QUuid()), showInfos);
    QCOMPARE(actual, outcome);
}

void tst_RobotResourceInterface::listEntries_data()
{
    QTest::addColumn<QString>("entries");
    QTest::addColumn<QString>("outcome");

    QTest::newRow("null group") << R"([{"name":"a","id":"{6f1d2a3b-4c5d-4e6f-8a9b-0c1d2e3f4a5b}","group_id":null,
                                      "creation_date":"2026-01-02T03:04:05.678Z"}])"
                                << "ok a {6f1d2a3b-4c5d-4e6f-8a9b-0c1d2e3f4a5b} "
                                   "{00000000-0000-0000-0000-000000000000} 0 2026-01-02T03:04:05.678Z";
    // A date without a zone is read as the resource itself reads it: UTC.
    QTest::newRow("date without zone")
        << R"([{"name":"a","id":"{6f1d2a3b-4c5d-4e6f-8a9b-0c1d2e3f4a5b}","group_id":"",
               "creation_date":"2026-01-02T03:04:05.678"}])"
        << "ok a {6f1d2a3b-4c5d-4e6f-8a9b-0c1d2e3f4a5b} {00000000-0000-0000-0000-000000000000} 0 "
           "2026-01-02T03:04:05.678Z";
    QTest::newRow("date with offset")
        << R"([{"name":"a","id":"{6f1d2a3b-4c5d-4e6f-8a9b-0c1d2e3f4a5b}","group_id":null,
               "creation_date":"2026-01-02T03:04:05.678+02:00"}])"
        << "ok a {6f1d2a3b-4c5d-4e6f-8a9b-0c1d2e3f4a5b} {00000000-0000-0000-0000-000000000000} 0 "
           "2026-01-02T03:04:05.678+02:00";
    QTest::newRow("no date") << R"([{"name":"a","id":"","group_id":null,"creation_date":"yesterday"}])"
                             << "ok a {00000000-0000-0000-0000-000000000000} "
                                "{00000000-0000-0000-0000-000000000000} 0 invalid";
    QTest::newRow("in order")
        << R"([{"name":"b","id":"","group_id":null,"creation_date":""},
               {"name":"a","id":"","group_id":"{6f1d2a3b-4c5d-4e6f-8a9b-0c1d2e3f4a5b}","creation_date":""}])"
        << "ok b {00000000-0000-0000-0000-000000000000} {00000000-0000-0000-0000-000000000000} 0 invalid; "
           "a {00000000-0000-0000-0000-000000000000} {6f1d2a3b-4c5d-4e6f-8a9b-0c1d2e3f4a5b} 0 invalid";
    // One bad entry fails the whole list.
    QTest::newRow("entry without group")
        << R"([{"name":"b","id":"","group_id":null,"creation_date":""},{"name":"a","id":"","creation_date":""}])"
        << "JsonUndefinedException: Missing expected json value";
    QTest::newRow("entry without date") << R"([{"name":"a","id":"","group_id":null}])"
                                        << "JsonUndefinedException: Missing expected json value";
    QTest::newRow("numeric date")
        << R"([{"name":"a","id":"","group_id":null,"creation_date":5}])"
        << R"(JsonInvalidTypeException: Invalid type "number" for json value. Expected "string")";
    QTest::newRow("entry that is no object") << R"([7])"
                                             << "JsonUndefinedException: Missing expected json value";
}

void tst_RobotResourceInterface::listEntries()
{
    QFETCH(QString, entries);
    QFETCH(QString, outcome);
    PeerSession session;
    QVERIFY(session.peer.listen() && session.reconnect());
    const QString compactEntries =
        QString::fromUtf8(QJsonDocument::fromJson(entries.toUtf8()).toJson(QJsonDocument::Compact));
    QVERIFY(!compactEntries.isEmpty());
    session.peer.setServiceReply(pathPrefix + QStringLiteral("/list"),
                                 RosBridgePeerReply::answer(QJsonObject{
                                     {QStringLiteral("json"), compactEntries},
                                     {QStringLiteral("result"), QJsonObject{{QStringLiteral("success"), true},
                                                                            {QStringLiteral("message"), QString()}}}}));
    RobotResourceInterface interface(pathPrefix, RobotResourceType::Path, &session.client);
    QCOMPARE(settle<QList<RobotResourceInfo>>(interface.listResourcesCpp(QUuid()), showInfos), outcome);
}

void tst_RobotResourceInterface::activeMap_data()
{
    QTest::addColumn<QJsonValue>("values");
    QTest::addColumn<QString>("outcome");

    QTest::newRow("active")
        << jsonValue(R"({"success":true,"message":"","uuid":"{6f1d2a3b-4c5d-4e6f-8a9b-0c1d2e3f4a5b}"})")
        << "ok {6f1d2a3b-4c5d-4e6f-8a9b-0c1d2e3f4a5b}";
    QTest::newRow("empty uuid") << jsonValue(R"({"success":true,"message":"","uuid":""})")
                                << "ok {00000000-0000-0000-0000-000000000000}";
    QTest::newRow("failure") << jsonValue(R"({"success":false,"message":"no map","uuid":""})")
                             << "ServiceCallFailedException: no map";
    QTest::newRow("failure without message") << jsonValue(R"({"success":false,"message":"","uuid":""})")
                                             << "ServiceCallFailedException: Service call failed";
    QTest::newRow("failure without uuid") << jsonValue(R"({"success":false,"message":"no map"})")
                                          << "JsonUndefinedException: Missing expected json value";
    QTest::newRow("success as text")
        << jsonValue(R"({"success":"true","message":"","uuid":""})")
        << R"(JsonInvalidTypeException: Invalid type "string" for json value. Expected "boolean")";
    QTest::newRow("nested under result") << jsonValue(R"({"result":{"success":true,"message":"","uuid":""}})")
                                         << "JsonUndefinedException: Missing expected json value";
}

void tst_RobotResourceInterface::activeMap()
{
    QFETCH(QJsonValue, values);
    QFETCH(QString, outcome);
    PeerSession session;
    QVERIFY(session.peer.listen() && session.reconnect());
    const QString service = resourcePrefix + QStringLiteral("map/get_active_id");
    session.peer.setServiceReply(service, RosBridgePeerReply::answer(values));
    RobotMapResourceInterface maps(resourcePrefix + QStringLiteral("map"), &session.client);
    QCOMPARE(settle<QUuid>(maps.getActiveIdCpp(), showUuid), outcome);
    QCOMPARE(lastArgsOf(session.peer, service), QJsonObject());
}

void tst_RobotResourceInterface::overlappingCallsSettleIndependently()
{
    RobotSession session;
    QVERIFY(session.start());
    RobotResourceInterface interface(pathPrefix, RobotResourceType::Path, &session.client);
    const QUuid a = session.robot.store(Kind::Path).insert(resource(QStringLiteral("a")));
    const QUuid b = session.robot.store(Kind::Path).insert(resource(QStringLiteral("b")));

    // The first answer comes last.
    session.peer.setServiceHandler(pathPrefix + QStringLiteral("/get"), [&](const QJsonObject &args) {
        const QUuid id = QUuid::fromString(args.value(QLatin1String("uuid")).toString());
        RosBridgePeerReply reply = RosBridgePeerReply::answer(QJsonObject{
            {QStringLiteral("json"), showObject(session.robot.store(Kind::Path).resource(id))},
            {QStringLiteral("result"),
             QJsonObject{{QStringLiteral("success"), true}, {QStringLiteral("message"), QString()}}}});
        reply.behaviour = RosBridgePeerReply::Behaviour::Delay;
        reply.delay = id == a ? 300ms : 10ms;
        return reply;
    });
    QFuture<QJsonObject> first = interface.getResourceCpp(a);
    QFuture<QJsonObject> second = interface.getResourceCpp(b);
    QTRY_VERIFY(second.isFinished());
    QVERIFY(!first.isFinished());
    QTRY_VERIFY(first.isFinished());
    QCOMPARE(first.result().value(QLatin1String("name")).toString(), QStringLiteral("a"));
    QCOMPARE(second.result().value(QLatin1String("name")).toString(), QStringLiteral("b"));
}

void tst_RobotResourceInterface::failuresBeforeAnyAnswer()
{
    PeerSession session;
    QVERIFY(session.peer.listen());
    RobotResourceInterface interface(pathPrefix, RobotResourceType::Path, &session.client);
    QCOMPARE(settle<QJsonObject>(interface.getResourceCpp(someId), showObject),
             QStringLiteral("RobotNotConnectedException: Robot is not connected"));

    QVERIFY(session.reconnect());
    session.client.setServiceCallTimeoutMs(100);
    session.peer.setServiceReply(pathPrefix + QStringLiteral("/list"),
                                 RosBridgePeerReply::with(RosBridgePeerReply::Behaviour::Silence));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^Service call .* timed out$")));
    QCOMPARE(settle<QList<RobotResourceInfo>>(interface.listResourcesCpp(QUuid()), showInfos),
             QStringLiteral("ServiceCallTimeoutException: Service call timed out"));

    session.client.setServiceCallTimeoutMs(5000);
    QFuture<QUuid> pending = interface.setResourceCpp(resource(QStringLiteral("a")));
    session.peer.setServiceReply(pathPrefix + QStringLiteral("/set"),
                                 RosBridgePeerReply::with(RosBridgePeerReply::Behaviour::Silence));
    QTRY_COMPARE(session.peer.receivedFrames(QStringLiteral("call_service")).size(), 2);
    session.peer.dropConnections();
    QCOMPARE(settle<QUuid>(pending, showUuid), QStringLiteral("RobotNotConnectedException: Robot is not connected"));
}

// A call may outlive the interface that made it: its answer then finishes the future
// and touches nothing of the interface (the sanitizers watch).
void tst_RobotResourceInterface::destroyedWhileACallIsPending()
{
    RobotSession session;
    QVERIFY(session.start());
    const QUuid id = session.robot.store(Kind::Job).insert(resource(QStringLiteral("a")));
    RosBridgePeerReply slow = session.peer.replyFor(resourcePrefix + QStringLiteral("job/list"), {});
    slow.behaviour = RosBridgePeerReply::Behaviour::Delay;
    slow.delay = 100ms;
    session.peer.setServiceReply(resourcePrefix + QStringLiteral("job/list"), slow);

    auto *interface = new RobotResourceInterface(resourcePrefix + QStringLiteral("job"), RobotResourceType::Job,
                                                 &session.client);
    QFuture<QList<RobotResourceInfo>> list = interface->listResourcesCpp(QUuid());
    auto *maps = new RobotMapResourceInterface(resourcePrefix + QStringLiteral("map"), &session.client);
    QFuture<QUuid> active = maps->getActiveIdCpp();
    delete interface;
    delete maps;
    QTRY_VERIFY(list.isFinished() && active.isFinished());
    QCOMPARE(list.result().size(), 1);
    QCOMPARE(list.result().first().uuid, id);
    QCOMPARE(list.result().first().type, RobotResourceType::Job);
    QCOMPARE(outcomeOf<QUuid>(active, showUuid), QStringLiteral("ServiceCallFailedException: No map is active"));
}

// What QML gets: promises that resolve with the values or reject with the texts.
void tst_RobotResourceInterface::promisesInJavaScript()
{
    RobotSession session;
    QVERIFY(session.start());
    const QUuid id = session.robot.store(Kind::Map).insert(resource(QStringLiteral("hall")));
    session.robot.setActiveMap(id);

    QJSEngine engine;
    auto *maps = new RobotMapResourceInterface(resourcePrefix + QStringLiteral("map"), &session.client);
    QJSEngine::setObjectOwnership(maps, QJSEngine::CppOwnership);
    std::unique_ptr<RobotMapResourceInterface> owner(maps);
    engine.globalObject().setProperty(QStringLiteral("maps"), engine.newQObject(maps));
    engine.globalObject().setProperty(QStringLiteral("id"), showUuid(id));
    const QJSValue run = engine.evaluate(QStringLiteral(R"(
        var log = [];
        maps.getActiveId().then(function (active) { log.push("active " + (active == id)); });
        maps.getResource(id).then(function (map) { log.push("map " + map.name + " " + map.settings.speed); });
        maps.listResources().then(function (list) { log.push("listed " + list.length + " " + list[0].name); });
        maps.removeResource("{00000000-0000-0000-0000-000000000001}")
            .catch(function (error) { log.push("removal failed: " + error.message); });
    )"));
    QVERIFY2(!run.isError(), qPrintable(run.toString()));
    QTRY_COMPARE(engine.globalObject().property(QStringLiteral("log")).property(QStringLiteral("length")).toInt(), 4);
    QStringList log = engine.globalObject().property(QStringLiteral("log")).toVariant().toStringList();
    log.sort();
    QCOMPARE(log, (QStringList{QStringLiteral("active true"), QStringLiteral("listed 1 hall"),
                               QStringLiteral("map hall 0.7"),
                               QStringLiteral("removal failed: No resource {00000000-0000-0000-0000-000000000001}")}));
}

QTEST_MAIN(tst_RobotResourceInterface)
#include "tst_RobotResourceInterface.moc"
