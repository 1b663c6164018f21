#include "IRobotResource.h"
#include "JsonException.h"
#include "RobotResourceId.h"
#include "RobotResourceInfo.h"

#include <QBuffer>
#include <QDataStream>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTest>
#include <QTimeZone>

namespace {

const QUuid someUuid = QUuid::fromString(QStringLiteral("{6f1d2a3b-4c5d-4e6f-8a9b-0c1d2e3f4a5b}"));
const QUuid otherUuid = QUuid::fromString(QStringLiteral("{0a1b2c3d-0000-4000-8000-00000000000f}"));

// The smallest resource: a path with nothing of its own.
class TestResource : public IRobotResource
{
    Q_OBJECT

public:
    TestResource()
        : IRobotResource(RobotResourceType::Path, QStringLiteral("path"), someUuid, otherUuid,
                         QDateTime(QDate(2024, 11, 12), QTime(9, 30, 5, 123), QTimeZone::utc()), nullptr)
    {
    }

    QList<std::pair<RobotResourceId, QObject *>> resolved;

    void resolveResource(const RobotResourceId &id, ostrel::shared_qptr<QObject> resource) override
    {
        resolved.append({id, resource.get()});
    }
};

RobotResourceId id(RobotResourceType::ResourceType type, const QUuid &uuid)
{
    RobotResourceId result;
    result.type = type;
    result.uuid = uuid;
    return result;
}

QJsonObject object(const char *text)
{
    return QJsonDocument::fromJson(text).object();
}

QString compact(const QJsonObject &json)
{
    return QString::fromUtf8(QJsonDocument(json).toJson(QJsonDocument::Compact));
}

} // namespace

class tst_RobotResourceModel : public QObject
{
    Q_OBJECT

private slots:
    void idStringForm_data();
    void idStringForm();
    void idFromString_data();
    void idFromString();
    void idOrdering();
    void idStreams();
    void resourceWritesItsJson();
    void resourceReadsJson_data();
    void resourceReadsJson();
    void badJsonChangesNothing_data();
    void badJsonChangesNothing();
    void sameValuesEmitNothing();
    void ownerProtocolOfAPlainResource();
    void resolveResourceIsReachableByName();
    void infoEquality();
};

void tst_RobotResourceModel::idStringForm_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QUuid>("uuid");
    QTest::addColumn<QString>("text");

    QTest::newRow("default") << int(RobotResourceId().type) << RobotResourceId().uuid
                             << "Path:00000000-0000-0000-0000-000000000000";
    QTest::newRow("map") << int(RobotResourceType::Map) << someUuid << "Map:6f1d2a3b-4c5d-4e6f-8a9b-0c1d2e3f4a5b";
    QTest::newRow("location") << int(RobotResourceType::Location) << otherUuid
                              << "Location:0a1b2c3d-0000-4000-8000-00000000000f";
    QTest::newRow("unknown") << -1 << someUuid << "Unknown:6f1d2a3b-4c5d-4e6f-8a9b-0c1d2e3f4a5b";
    QTest::newRow("no such kind") << 42 << someUuid << "Unknown:6f1d2a3b-4c5d-4e6f-8a9b-0c1d2e3f4a5b";
}

void tst_RobotResourceModel::idStringForm()
{
    QFETCH(int, type);
    QFETCH(QUuid, uuid);
    QFETCH(QString, text);
    QCOMPARE(id(RobotResourceType::ResourceType(type), uuid).toString(), text);
}

void tst_RobotResourceModel::idFromString_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("type");
    QTest::addColumn<QUuid>("uuid");

    const int path = RobotResourceType::Path;
    const int unknown = RobotResourceType::Unknown;
    QTest::newRow("map") << "Map:6f1d2a3b-4c5d-4e6f-8a9b-0c1d2e3f4a5b" << int(RobotResourceType::Map) << someUuid;
    QTest::newRow("braces") << "Job:{6f1d2a3b-4c5d-4e6f-8a9b-0c1d2e3f4a5b}" << int(RobotResourceType::Job) << someUuid;
    QTest::newRow("no colon") << "Map" << path << QUuid();
    QTest::newRow("three parts") << "Map:a:b" << path << QUuid();
    QTest::newRow("empty") << "" << path << QUuid();
    QTest::newRow("kind in lower case") << "map:6f1d2a3b-4c5d-4e6f-8a9b-0c1d2e3f4a5b" << unknown << someUuid;
    QTest::newRow("no uuid") << "Area:nothing" << int(RobotResourceType::Area) << QUuid();
    QTest::newRow("only a colon") << ":" << unknown << QUuid();
    QTest::newRow("printed unknown") << "Unknown:6f1d2a3b-4c5d-4e6f-8a9b-0c1d2e3f4a5b" << unknown << someUuid;
}

void tst_RobotResourceModel::idFromString()
{
    QFETCH(QString, text);
    QFETCH(int, type);
    QFETCH(QUuid, uuid);
    const RobotResourceId parsed = RobotResourceId::fromString(text);
    QCOMPARE(int(parsed.type), type);
    QCOMPARE(parsed.uuid, uuid);
}

void tst_RobotResourceModel::idOrdering()
{
    QVERIFY(id(RobotResourceType::Path, someUuid) < id(RobotResourceType::Job, someUuid));
    QVERIFY(!(id(RobotResourceType::Job, someUuid) < id(RobotResourceType::Path, someUuid)));
    QVERIFY(id(RobotResourceType::Unknown, someUuid) < id(RobotResourceType::Path, QUuid()));
    QVERIFY(id(RobotResourceType::Map, otherUuid) < id(RobotResourceType::Map, someUuid));
    QVERIFY(!(id(RobotResourceType::Map, someUuid) < id(RobotResourceType::Map, someUuid)));
    QCOMPARE(id(RobotResourceType::Map, someUuid), id(RobotResourceType::Map, someUuid));
    QVERIFY(id(RobotResourceType::Map, someUuid) != id(RobotResourceType::Area, someUuid));
}

void tst_RobotResourceModel::idStreams()
{
    const QList<RobotResourceId> ids{id(RobotResourceType::Map, someUuid), RobotResourceId(),
                                     id(RobotResourceType::ResourceType(42), otherUuid)};
    QByteArray bytes;
    {
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out << ids;
    }
    QDataStream in(bytes);
    QList<RobotResourceId> read;
    in >> read;
    QCOMPARE(in.status(), QDataStream::Ok);
    // A kind without a name comes back as Unknown, as its string form says.
    QCOMPARE(read, (QList<RobotResourceId>{ids[0], ids[1], id(RobotResourceType::Unknown, otherUuid)}));

    // The string form is what the stream holds.
    QDataStream check(bytes);
    qint32 count = 0;
    QString first;
    check >> count >> first;
    QCOMPARE(count, 3);
    QCOMPARE(first, QStringLiteral("Map:6f1d2a3b-4c5d-4e6f-8a9b-0c1d2e3f4a5b"));

    QString debugText;
    QDebug(&debugText) << id(RobotResourceType::Area, someUuid);
    QCOMPARE(debugText, QStringLiteral("\"Area:6f1d2a3b-4c5d-4e6f-8a9b-0c1d2e3f4a5b\" "));
}

void tst_RobotResourceModel::resourceWritesItsJson()
{
    TestResource resource;
    QJsonObject json{{QStringLiteral("points"), 3}};
    resource.toJson(JsonContext(), json);
    QCOMPARE(compact(json),
             QStringLiteral(R"({"creation_date":"2024-11-12T09:30:05.123Z",)"
                            R"("group_id":"{0a1b2c3d-0000-4000-8000-00000000000f}",)"
                            R"("id":"{6f1d2a3b-4c5d-4e6f-8a9b-0c1d2e3f4a5b}","name":"path","points":3})"));
}

void tst_RobotResourceModel::resourceReadsJson_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QUuid>("uuid");
    QTest::addColumn<QUuid>("group");
    QTest::addColumn<QDateTime>("creationDate");
    QTest::addColumn<QString>("writtenBack"); // the object toJson makes of it
    QTest::addColumn<QStringList>("signalsEmitted");

    const QDateTime utcTime(QDate(2024, 1, 2), QTime(3, 4, 5, 6), QTimeZone::utc());
    QTest::newRow("date without zone is UTC")
        << QByteArray(
               R"({"id":"6f1d2a3b-4c5d-4e6f-8a9b-0c1d2e3f4a5b","group_id":"{0a1b2c3d-0000-4000-8000-00000000000f}",)"
               R"("name":"path","creation_date":"2024-01-02T03:04:05.006"})")
        << someUuid << otherUuid << utcTime
        << R"({"creation_date":"2024-01-02T03:04:05.006Z","group_id":"{0a1b2c3d-0000-4000-8000-00000000000f}",)"
           R"("id":"{6f1d2a3b-4c5d-4e6f-8a9b-0c1d2e3f4a5b}","name":"path"})"
        << QStringList{"creationDateChanged"};
    QTest::newRow("date with offset is converted")
        << QByteArray(
               R"({"id":"{6f1d2a3b-4c5d-4e6f-8a9b-0c1d2e3f4a5b}","group_id":"0a1b2c3d-0000-4000-8000-00000000000f",)"
               R"("name":"renamed","creation_date":"2024-01-02T05:04:05.006+02:00"})")
        << someUuid << otherUuid << utcTime
        << R"({"creation_date":"2024-01-02T03:04:05.006Z","group_id":"{0a1b2c3d-0000-4000-8000-00000000000f}",)"
           R"("id":"{6f1d2a3b-4c5d-4e6f-8a9b-0c1d2e3f4a5b}","name":"renamed"})"
        << QStringList{"creationDateChanged", "nameChanged"};
    QTest::newRow("null group stays null")
        << QByteArray(R"({"id":"{0a1b2c3d-0000-4000-8000-00000000000f}","group_id":null,"name":"path",)"
                      R"("creation_date":"2024-11-12T09:30:05.123Z"})")
        << otherUuid << QUuid() << QDateTime(QDate(2024, 11, 12), QTime(9, 30, 5, 123), QTimeZone::utc())
        << R"({"creation_date":"2024-11-12T09:30:05.123Z","group_id":null,)"
           R"("id":"{0a1b2c3d-0000-4000-8000-00000000000f}","name":"path"})"
        << QStringList{"uuidChanged", "groupChanged"};
    QTest::newRow("zero uuids and a date that does not parse")
        << QByteArray(R"({"id":"","group_id":"{00000000-0000-0000-0000-000000000000}","name":"path",)"
                      R"("creation_date":"yesterday"})")
        << QUuid() << QUuid() << QDateTime()
        << R"({"creation_date":"","group_id":null,"id":"{00000000-0000-0000-0000-000000000000}","name":"path"})"
        << QStringList{"uuidChanged", "groupChanged", "creationDateChanged"};
}

void tst_RobotResourceModel::resourceReadsJson()
{
    QFETCH(QByteArray, json);
    QFETCH(QUuid, uuid);
    QFETCH(QUuid, group);
    QFETCH(QDateTime, creationDate);
    QFETCH(QString, writtenBack);
    QFETCH(QStringList, signalsEmitted);

    TestResource resource;
    QStringList emitted;
    const auto record = [&emitted](const char *name) {
        return [&emitted, name] { emitted << QString::fromLatin1(name); };
    };
    connect(&resource, &IRobotResource::uuidChanged, this, record("uuidChanged"));
    connect(&resource, &IRobotResource::groupChanged, this, record("groupChanged"));
    connect(&resource, &IRobotResource::creationDateChanged, this, record("creationDateChanged"));
    connect(&resource, &IRobotResource::nameChanged, this, record("nameChanged"));
    resource.fromJson(JsonContext(), QJsonDocument::fromJson(json).object());
    QCOMPARE(emitted, signalsEmitted);
    QCOMPARE(resource.uuid(), uuid);
    QCOMPARE(resource.group(), group);
    QCOMPARE(resource.creationDate(), creationDate);
    QJsonObject written;
    resource.toJson(JsonContext(), written);
    QCOMPARE(compact(written), writtenBack);

    // Reading the same again changes nothing, the null group included.
    emitted.clear();
    resource.fromJson(JsonContext(), QJsonDocument::fromJson(json).object());
    QCOMPARE(emitted, QStringList());
}

void tst_RobotResourceModel::badJsonChangesNothing_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("exception");

    const QString missing = QStringLiteral("JsonUndefinedException: Missing expected json value");
    QTest::newRow("no id") << QByteArray(R"({"group_id":null,"name":"n","creation_date":""})") << missing;
    QTest::newRow("id not a UUID") << QByteArray(R"({"id":"{0}","group_id":null,"name":"n","creation_date":""})")
                                   << "JsonInvalidTypeException: Could not parse JSON value as type \"UUID\"";
    QTest::newRow("no group") << QByteArray(R"({"id":"","name":"n","creation_date":""})") << missing;
    QTest::newRow("group a number")
        << QByteArray(R"({"id":"","group_id":1,"name":"n","creation_date":""})")
        << "JsonInvalidTypeException: Invalid type \"number\" for json value. Expected \"string\"";
    QTest::newRow("no date") << QByteArray(R"({"id":"","group_id":null,"name":"n"})") << missing;
    QTest::newRow("date a number")
        << QByteArray(R"({"id":"","group_id":null,"name":"n","creation_date":5})")
        << "JsonInvalidTypeException: Invalid type \"number\" for json value. Expected \"string\"";
    QTest::newRow("no name") << QByteArray(R"({"id":"","group_id":null,"creation_date":""})") << missing;
    QTest::newRow("name null") << QByteArray(R"({"id":"","group_id":null,"name":null,"creation_date":""})")
                               << "JsonInvalidTypeException: Invalid type \"null\" for json value. Expected \"string\"";
}

// Every value is read before the first one is taken: a bad one leaves the resource as
// it was, and nothing is emitted.
void tst_RobotResourceModel::badJsonChangesNothing()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, exception);

    TestResource resource;
    QJsonObject before;
    resource.toJson(JsonContext(), before);
    QSignalSpy uuidChanges(&resource, &IRobotResource::uuidChanged);
    QSignalSpy groupChanges(&resource, &IRobotResource::groupChanged);
    QSignalSpy dateChanges(&resource, &IRobotResource::creationDateChanged);
    QSignalSpy nameChanges(&resource, &IRobotResource::nameChanged);
    try {
        resource.fromJson(JsonContext(), object(json.constData()));
        QFAIL("no exception");
    } catch (const JsonUndefinedException &e) {
        QCOMPARE(QStringLiteral("JsonUndefinedException: ") + QString::fromUtf8(e.what()), exception);
    } catch (const JsonInvalidTypeException &e) {
        QCOMPARE(QStringLiteral("JsonInvalidTypeException: ") + QString::fromUtf8(e.what()), exception);
    }
    QJsonObject after;
    resource.toJson(JsonContext(), after);
    QCOMPARE(after, before);
    QCOMPARE(uuidChanges.size() + groupChanges.size() + dateChanges.size() + nameChanges.size(), 0);
}

void tst_RobotResourceModel::sameValuesEmitNothing()
{
    TestResource resource;
    QSignalSpy nameChanges(&resource, &IRobotResource::nameChanged);
    resource.setName(QStringLiteral("path"));
    QCOMPARE(nameChanges.size(), 0);
    resource.setProperty("name", QStringLiteral("other"));
    QCOMPARE(nameChanges.size(), 1);
    QCOMPARE(resource.name(), QStringLiteral("other"));

    QJsonObject json;
    resource.toJson(JsonContext(), json);
    QSignalSpy any(&resource, &IRobotResource::uuidChanged);
    resource.fromJson(JsonContext(), json);
    QCOMPARE(any.size(), 0);
    QCOMPARE(nameChanges.size(), 1);
}

void tst_RobotResourceModel::ownerProtocolOfAPlainResource()
{
    TestResource resource;
    const RobotResourceId own = id(RobotResourceType::Path, someUuid);
    QCOMPARE(resource.resourceId(), own);
    QCOMPARE(resource.resources(), QList<RobotResourceId>{own});
    QCOMPARE(resource.unresolvedResources(), QList<RobotResourceId>());
    QVERIFY(resource.fullyResolved());
    QCOMPARE(resource.property("fullyResolved").toBool(), true);
    QCOMPARE(resource.property("resolved").toBool(), true);
    QCOMPARE(resource.property("resourceType").toInt(), int(RobotResourceType::Path));
    QCOMPARE(resource.property("creation_date").toDateTime(), resource.creationDate());
}

// The slot's parameter is spelled as the alias: a queued call by name must find the type.
void tst_RobotResourceModel::resolveResourceIsReachableByName()
{
    TestResource resource;
    auto map = std::shared_ptr<QObject>(new QObject, ostrel::QObjectDeleter());
    const RobotResourceId mapId = id(RobotResourceType::Map, otherUuid);
    QVERIFY(QMetaType::fromName("ostrel::shared_qptr<QObject>").isValid());
    QVERIFY(QMetaObject::invokeMethod(&resource, "resolveResource", Qt::QueuedConnection, Q_ARG(RobotResourceId, mapId),
                                      Q_ARG(ostrel::shared_qptr<QObject>, map)));
    QTRY_COMPARE(resource.resolved.size(), 1);
    QCOMPARE(resource.resolved.first().first, mapId);
    QCOMPARE(resource.resolved.first().second, map.get());
}

void tst_RobotResourceModel::infoEquality()
{
    RobotResourceInfo a;
    QCOMPARE(int(a.type), int(RobotResourceType::Path));
    QVERIFY(!a.lastModified.isValid());
    RobotResourceInfo b = a;
    QCOMPARE(a, b);
    b.lastModified = QDateTime(QDate(2024, 1, 1), QTime(0, 0), QTimeZone::utc());
    QVERIFY(a != b);
    b = a;
    b.group = someUuid;
    QVERIFY(a != b);
}

QTEST_GUILESS_MAIN(tst_RobotResourceModel)

#include "tst_RobotResourceModel.moc"
