#include "JsonException.h"
#include "LocalMap.h"
#include "LocalRelativeCoordinateConverter.h"
#include "Location.h"

#include "SignalRecorder.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>

#include <functional>
#include <memory>

namespace {

using Step = std::function<void(Location &, const std::shared_ptr<LocalMap> &)>;

QJsonObject parse(const QByteArray &text)
{
    return QJsonDocument::fromJson(text).object();
}

const QByteArray commonKeys = R"("id":"{6f1d2c3b-0a4e-4b5c-9d8e-7f6a5b4c3d2e}","group_id":null,"name":"Dock",)"
                              R"("creation_date":"2024-11-12T09:30:05.123Z")";

int redPixels(const QImage &image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor colour = image.pixelColor(x, y);
            if (colour.alpha() > 0 && colour.red() > 200 && colour.green() < 60 && colour.blue() < 60)
                ++count;
        }
    }
    return count;
}

} // namespace

class tst_Location : public QObject
{
    Q_OBJECT

private slots:
    void newLocation();
    void changes_data();
    void changes();
    void releasedMapsAreLetGo();
    void mapForQml();
    void readJson_data();
    void readJson();
    void malformedJsonChangesNothing_data();
    void malformedJsonChangesNothing();
    void writeJson();
    void previews();
};

void tst_Location::newLocation()
{
    const Location location;
    QCOMPARE(location.locationType(), Location::Unknown);
    QCOMPARE(location.name(), QStringLiteral("Location"));
    QCOMPARE(location.resourceType(), RobotResourceType::Location);
    QVERIFY(location.fullyResolved());
    QCOMPARE(location.resources(), QList<RobotResourceId>{location.resourceId()});
    QVERIFY(location.unresolvedResources().isEmpty());
    QVERIFY(!location.hasLocalMap() && !location.hasGeoCoordinate() && !location.isLocalMapResolved());
    QCOMPARE(location.localMapConverter(), nullptr);
}

void tst_Location::changes_data()
{
    QTest::addColumn<Step>("setUp");
    QTest::addColumn<Step>("change");
    QTest::addColumn<QStringList>("signalled");
    QTest::addColumn<Location::LocationType>("type");
    QTest::addColumn<bool>("resolved");

    const Step nothing = [](Location &, const std::shared_ptr<LocalMap> &) {};
    const Step centre = [](Location &l, const std::shared_ptr<LocalMap> &) {
        l.setGeoCoordinate(QGeoCoordinate(52, 5));
    };
    const Step mapId = [](Location &l, const std::shared_ptr<LocalMap> &m) { l.setLocalMapId(m->uuid()); };
    const Step mapObject = [](Location &l, const std::shared_ptr<LocalMap> &m) { l.setLocalMap(m); };
    const QStringList mapSignals{"localMapIdChanged", "localMapChanged", "previewImageChanged"};
    const QString resolvedChanged = QStringLiteral("fullyResolvedChanged");
    const QString typeChanged = QStringLiteral("locationTypeChanged");

    QTest::newRow("first centre") << nothing << centre
                                  << QStringList{"geoCoordinateChanged", "previewImageChanged", typeChanged}
                                  << Location::Outdoor << true;
    QTest::newRow("the same centre") << centre << centre << QStringList() << Location::Outdoor << true;
    QTest::newRow("another centre")
        << centre
        << Step([](Location &l, const std::shared_ptr<LocalMap> &) { l.setGeoCoordinate(QGeoCoordinate(53, 6, 1)); })
        << QStringList{"geoCoordinateChanged", "previewImageChanged"} << Location::Outdoor << true;
    QTest::newRow("map id") << nothing << mapId << mapSignals + QStringList{resolvedChanged, typeChanged}
                            << Location::Indoor << false;
    QTest::newRow("map id, with centre") << centre << mapId << mapSignals + QStringList{resolvedChanged, typeChanged}
                                         << Location::Twilight << false;
    QTest::newRow("the same map id") << mapId << mapId << QStringList() << Location::Indoor << false;
    QTest::newRow("map resolved") << mapId << Step([](Location &l, const std::shared_ptr<LocalMap> &m) {
        l.resolveResource({RobotResourceType::Map, m->uuid()}, m);
    }) << mapSignals + QStringList{resolvedChanged}
                                  << Location::Indoor << true;
    QTest::newRow("resolved with another kind") << mapId << Step([](Location &l, const std::shared_ptr<LocalMap> &m) {
        l.resolveResource({RobotResourceType::Path, m->uuid()}, m);
    }) << QStringList() << Location::Indoor << false;
    QTest::newRow("resolved with another id") << mapId << Step([](Location &l, const std::shared_ptr<LocalMap> &) {
        l.resolveResource({RobotResourceType::Map, QUuid::createUuid()}, std::make_shared<LocalMap>());
    }) << QStringList() << Location::Indoor << false;
    QTest::newRow("resolved with something not a map")
        << mapId << Step([](Location &l, const std::shared_ptr<LocalMap> &m) {
               l.resolveResource({RobotResourceType::Map, m->uuid()}, std::make_shared<QObject>());
           })
        << QStringList() << Location::Indoor << false;
    QTest::newRow("map id renamed while held")
        << mapObject << Step([](Location &l, const std::shared_ptr<LocalMap> &m) {
               l.updateResourceId({RobotResourceType::Map, m->uuid()}, {RobotResourceType::Map, QUuid::createUuid()});
           })
        << mapSignals + QStringList{resolvedChanged} << Location::Indoor << false;
    QTest::newRow("another kind renamed") << mapObject << Step([](Location &l, const std::shared_ptr<LocalMap> &m) {
        l.updateResourceId({RobotResourceType::Path, m->uuid()}, {RobotResourceType::Map, QUuid::createUuid()});
    }) << QStringList() << Location::Indoor
                                          << true;
    QTest::newRow("map cleared") << mapObject
                                 << Step([](Location &l, const std::shared_ptr<LocalMap> &) { l.setLocalMap(nullptr); })
                                 << mapSignals + QStringList{typeChanged} << Location::Unknown << true;
    QTest::newRow("no map cleared")
        << nothing << Step([](Location &l, const std::shared_ptr<LocalMap> &) { l.setLocalMap(nullptr); })
        << QStringList() << Location::Unknown << true;
    QTest::newRow("the same map again") << mapObject << mapObject << QStringList() << Location::Indoor << true;
}

void tst_Location::changes()
{
    QFETCH(Step, setUp);
    QFETCH(Step, change);
    QFETCH(QStringList, signalled);
    QFETCH(Location::LocationType, type);
    QFETCH(bool, resolved);

    const auto map = std::make_shared<LocalMap>();
    Location location;
    setUp(location, map);
    SignalRecorder recorder(&location);
    change(location, map);
    QCOMPARE(recorder.lines, signalled);
    QCOMPARE(location.locationType(), type);
    QCOMPARE(location.fullyResolved(), resolved);
    QCOMPARE(location.isLocalMapResolved(), location.localMapConverter() != nullptr);
    QCOMPARE(location.unresolvedResources().isEmpty(), resolved);
    if (location.isLocalMapResolved())
        QCOMPARE(location.localMapConverter()->map(), location.localMap());
}

void tst_Location::releasedMapsAreLetGo()
{
    auto first = std::make_shared<LocalMap>();
    Location location;
    location.setLocalMap(first);
    QCOMPARE(location.localMapConverter()->parent(), &location);
    location.setLocalMap(std::make_shared<LocalMap>());
    location.setLocalMapId(QUuid::createUuid());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    // Neither the location nor a converter of its own holds the first map any more.
    QCOMPARE(first.use_count(), 1);
    QCOMPARE(location.findChildren<LocalRelativeCoordinateConverter *>().size(), 0);

    // Nor does it listen to it.
    QSignalSpy resolvedChanged(&location, &IRobotResourceOwner::fullyResolvedChanged);
    first->setGlobalCoordinateInfo(new LocalRelativeCoordinateConverter(QUuid::createUuid()));
    QCOMPARE(resolvedChanged.count(), 0);
}

void tst_Location::mapForQml()
{
    Location location;
    QCOMPARE(location.localMapForQml(), nullptr);
    const auto map = std::make_shared<LocalMap>();
    QmlSharedPointer holder(map);
    location.setLocalMapFromQml(&holder);
    QCOMPARE(location.localMap(), map);
    const std::unique_ptr<QmlSharedPointer> first(location.localMapForQml());
    const std::unique_ptr<QmlSharedPointer> second(location.localMapForQml());
    QVERIFY(first.get() != second.get());
    QCOMPARE(first->sharedObject(), second->sharedObject());
    QCOMPARE(first->sharedObject(), map);

    QmlSharedPointer notAMap(std::make_shared<Location>());
    location.setLocalMapFromQml(&notAMap);
    QCOMPARE(location.localMap(), nullptr);
    QVERIFY(!location.hasLocalMap());
}

void tst_Location::readJson_data()
{
    QTest::addColumn<QByteArray>("keys");
    QTest::addColumn<QGeoCoordinate>("centre");
    QTest::addColumn<QUuid>("mapId");
    QTest::addColumn<Location::LocationType>("type");

    const QUuid map(QStringLiteral("{0b1d2c3b-0a4e-4b5c-9d8e-7f6a5b4c3d2f}"));
    QTest::newRow("nothing more") << QByteArray() << QGeoCoordinate() << QUuid() << Location::Unknown;
    QTest::newRow("centre")
        << QByteArray(R"(,"world_location":{"center":{"latitude":52.1,"longitude":5.2,"altitude":3}})")
        << QGeoCoordinate(52.1, 5.2, 3) << QUuid() << Location::Outdoor;
    QTest::newRow("empty world location")
        << QByteArray(R"(,"world_location":{})") << QGeoCoordinate(0, 0, 0) << QUuid() << Location::Outdoor;
    QTest::newRow("centre with text") << QByteArray(R"(,"world_location":{"center":{"latitude":"52","longitude":5}})")
                                      << QGeoCoordinate(0, 5, 0) << QUuid() << Location::Outdoor;
    QTest::newRow("world location not an object")
        << QByteArray(R"(,"world_location":[1,2])") << QGeoCoordinate() << QUuid() << Location::Unknown;
    QTest::newRow("map") << QByteArray(R"(,"local_maps":["{0b1d2c3b-0a4e-4b5c-9d8e-7f6a5b4c3d2f}","rest"])")
                         << QGeoCoordinate() << map << Location::Indoor;
    QTest::newRow("no maps") << QByteArray(R"(,"local_maps":[])") << QGeoCoordinate() << QUuid() << Location::Unknown;
    QTest::newRow("both") << QByteArray(R"(,"world_location":{"center":{"latitude":-1,"longitude":2,"altitude":0}},)"
                                        R"("local_maps":["0b1d2c3b-0a4e-4b5c-9d8e-7f6a5b4c3d2f"])")
                          << QGeoCoordinate(-1, 2, 0) << map << Location::Twilight;
}

void tst_Location::readJson()
{
    QFETCH(QByteArray, keys);
    QFETCH(QGeoCoordinate, centre);
    QFETCH(QUuid, mapId);
    QFETCH(Location::LocationType, type);
    Location location;
    location.fromJson(JsonContext(), parse("{" + commonKeys + keys + "}"));
    QCOMPARE(location.name(), QStringLiteral("Dock"));
    QCOMPARE(location.geoCoordinate(), centre);
    QCOMPARE(location.localMapId(), mapId);
    QCOMPARE(location.locationType(), type);
}

void tst_Location::malformedJsonChangesNothing_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("error");

    const QByteArray centre = R"("world_location":{"center":{"latitude":52.1,"longitude":5.2,"altitude":3}})";
    QTest::newRow("map id no uuid") << QByteArray("{" + commonKeys + "," + centre + R"(,"local_maps":["nope"]})")
                                    << QStringLiteral("Could not parse JSON value as type \"UUID\"");
    QTest::newRow("map id a number") << QByteArray("{" + commonKeys + "," + centre + R"(,"local_maps":[5]})")
                                     << QStringLiteral("Invalid type \"number\" for json value. Expected \"string\"");
    QTest::newRow("no name") << QByteArray("{" + centre + R"(,"id":"","group_id":null,"creation_date":""})")
                             << QStringLiteral("Missing expected json value");
}

void tst_Location::malformedJsonChangesNothing()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, error);
    Location location;
    const QUuid id = location.uuid();
    SignalRecorder recorder(&location);
    try {
        location.fromJson(JsonContext(), parse(json));
        QFAIL("read malformed JSON");
    } catch (const JsonException &exception) {
        QCOMPARE(QString::fromUtf8(exception.what()), error);
    }
    QVERIFY(recorder.lines.isEmpty());
    QCOMPARE(location.uuid(), id);
    QCOMPARE(location.name(), QStringLiteral("Location"));
    QVERIFY(!location.geoCoordinate().isValid());
}

void tst_Location::writeJson()
{
    Location location;
    QJsonObject json;
    location.toJson(JsonContext(), json);
    QVERIFY(!json.contains(QStringLiteral("world_location")));
    QVERIFY(!json.contains(QStringLiteral("local_maps")));
    QCOMPARE(json.value(QStringLiteral("name")).toString(), QStringLiteral("Location"));

    location.setGeoCoordinate(QGeoCoordinate(52.5, -3.25));
    const QUuid map = QUuid::createUuid();
    location.setLocalMapId(map);
    location.toJson(JsonContext(), json);
    QCOMPARE(json.value(QStringLiteral("world_location")).toObject(),
             parse(R"({"center":{"latitude":52.5,"longitude":-3.25,"altitude":0}})"));
    QCOMPARE(json.value(QStringLiteral("local_maps")).toArray(), QJsonArray{map.toString()});

    Location read;
    read.fromJson(JsonContext(), json);
    QCOMPARE(read.uuid(), location.uuid());
    QCOMPARE(read.geoCoordinate(), QGeoCoordinate(52.5, -3.25, 0));
    QCOMPARE(read.localMapId(), map);
}

void tst_Location::previews()
{
    Location location;
    const QImage unknown = location.previewImage();
    QCOMPARE(unknown.size(), QSize(512, 512));
    QCOMPARE(unknown.pixelColor(0, 0).alpha(), 0);
    QCOMPARE(unknown.pixelColor(511, 511).alpha(), 0);
    QVERIFY(redPixels(unknown) > 50);

    location.setGeoCoordinate(QGeoCoordinate(52, 5));
    const QImage outdoor = location.previewImage();
    QVERIFY(outdoor != unknown);
    QVERIFY(redPixels(outdoor) > redPixels(unknown)); // a longer caption

    // A held map without centre is its own picture.
    QImage plan(40, 20, QImage::Format_ARGB32);
    plan.fill(Qt::blue);
    auto map = std::make_shared<LocalMap>();
    map->setMap(plan);
    location.setGeoCoordinate(QGeoCoordinate());
    location.setLocalMap(map);
    QCOMPARE(location.previewImage(), plan);

    // With a centre as well: the picture scaled into the middle, under the caption.
    location.setGeoCoordinate(QGeoCoordinate(52, 5));
    const QImage twilight = location.previewImage();
    QCOMPARE(twilight.size(), QSize(512, 512));
    QCOMPARE(twilight.pixelColor(256, 140), QColor(Qt::blue));
    QCOMPARE(twilight.pixelColor(256, 100).alpha(), 0); // above the scaled picture
    QVERIFY(redPixels(twilight) > 50);

    // Not held: the caption alone.
    location.setLocalMapId(QUuid::createUuid());
    location.setGeoCoordinate(QGeoCoordinate());
    const QImage indoor = location.previewImage();
    QCOMPARE(indoor.pixelColor(256, 140).alpha() == 0 || indoor.pixelColor(256, 140).red() > 200, true);
    QVERIFY(redPixels(indoor) > 50);
}

QTEST_MAIN(tst_Location)
#include "tst_Location.moc"
