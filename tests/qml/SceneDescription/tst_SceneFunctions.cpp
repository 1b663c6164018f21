#include "LocalMap.h"
#include "LocalRelativeCoordinateConverter.h"
#include "LocalTangentPlaneCoordinateConverter.h"
#include "OccupancyGridInfo.h"
#include "SceneFunctions.h"

#include "SignalRecorder.h"

#include <QPointer>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

class tst_SceneFunctions : public QObject
{
    Q_OBJECT

private slots:
    void emptyLocalMap();
    void localMapFromPicture();
    void mapsLiveWhileShared();
    void poses();
    void converters();
    void sceneIsOnePerEngine();
    void gridInformationSignalsChangesOnly_data();
    void gridInformationSignalsChangesOnly();
    void gridInformationLetsGoOfADeletedFrame();
};

void tst_SceneFunctions::emptyLocalMap()
{
    SceneFunctions scene;
    const std::unique_ptr<QmlSharedPointer> first(scene.createEmptyLocalMap(QSizeF(10, 5), Coordinate()));
    const std::unique_ptr<QmlSharedPointer> second(scene.createEmptyLocalMap(QSizeF(10, 5), Coordinate()));
    auto *map = qobject_cast<LocalMap *>(first->getObject());
    QVERIFY(map);
    auto *other = qobject_cast<LocalMap *>(second->getObject());
    QVERIFY(map->map().isNull());
    QVERIFY(map->name().isEmpty());
    QCOMPARE(map->globalCoordinateInfo(), nullptr);
    QCOMPARE(map->globalPose(), Pose());
    QCOMPARE(map->dimensions(), QSizeF(10, 5));
    QCOMPARE(map->distanceField().gridSize(), QSize(0, 0));
    QVERIFY(!map->isInsideMap({1, 1, 0}));
    QVERIFY(map->uuid() != other->uuid());
    QVERIFY(map->group() != other->group());
    QVERIFY(map->uuid() != map->group());
    QVERIFY(scene.nullImage().isNull());
}

void tst_SceneFunctions::localMapFromPicture()
{
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("plan.png"));
    QImage image(100, 50, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    for (int y = 0; y < 50; ++y) {
        for (int x = 0; x < 50; ++x)
            image.setPixelColor(x, y, Qt::darkGreen);
    }
    QVERIFY(image.save(file));

    SceneFunctions scene;
    auto *plane = new LocalTangentPlaneCoordinateConverter(QGeoCoordinate(52, 5, 0));
    Pose pose;
    pose.position = {1, 2, 3};
    const std::unique_ptr<QmlSharedPointer> holder(scene.createEmptyLocalMap(QSizeF(10, 5), Coordinate(), file,
                                                                             QStringLiteral("yard"), plane, pose));
    auto *map = qobject_cast<LocalMap *>(holder->getObject());
    QCOMPARE(map->map().size(), QSize(100, 50));
    QCOMPARE(map->name(), QStringLiteral("yard"));
    QCOMPARE(map->globalCoordinateInfo(), plane);
    QCOMPARE(plane->parent(), map);
    QCOMPARE(map->globalPose(), pose);
    QVERIFY(map->isInsideMap({2, 2, 0}));
    QVERIFY(!map->isInsideMap({7, 2, 0}));

    // A file that is not there gives a map without picture.
    const std::unique_ptr<QmlSharedPointer> missing(
        scene.createEmptyLocalMap(QSizeF(10, 5), Coordinate(), folder.filePath(QStringLiteral("none.png"))));
    QVERIFY(qobject_cast<LocalMap *>(missing->getObject())->map().isNull());
}

void tst_SceneFunctions::mapsLiveWhileShared()
{
    SceneFunctions scene;
    std::unique_ptr<QmlSharedPointer> holder(scene.createEmptyLocalMap(QSizeF(1, 1), Coordinate()));
    QPointer<QObject> map = holder->getObject();
    const std::unique_ptr<LocalRelativeCoordinateConverter> converter(
        scene.localRelativeCoordinateConverter(holder.get()));
    QCOMPARE(converter->mapId(), qobject_cast<LocalMap *>(map.data())->uuid());
    QCOMPARE(converter->fullyResolved(), true);
    holder.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(map);
    converter->setMapId(QUuid());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!map);
}

void tst_SceneFunctions::poses()
{
    const SceneFunctions scene;
    const Coordinate at = scene.coordinate(1, -2, 3.5);
    QCOMPARE(at, (Coordinate{1, -2, 3.5}));
    const QQuaternion turn(0.5f, 0.5f, -0.5f, 0.5f);

    QCOMPARE(scene.createPoseFromCoordinate(at).position, at);
    QCOMPARE(scene.createPoseFromCoordinate(at, turn).orientation, turn);
    const PoseWithTwist moving = scene.createPoseWithTwistFromCoordinate(at, turn);
    QCOMPARE(moving.position, at);
    QCOMPARE(moving.orientation, turn);
    QCOMPARE(moving.linear_velocity, QVector3D());
    QCOMPARE(moving.angular_velocity, QVector3D());
    // Without orientation a pose does not turn what it places.
    QCOMPARE(scene.createPoseFromCoordinate(at).orientation, QQuaternion());
    QCOMPARE(scene.createPoseWithTwistFromCoordinate(at).orientation, QQuaternion());
    LocalMap map;
    map.setGlobalPose(scene.createPoseFromCoordinate(at));
    QCOMPARE(map.localToGlobal({1, 1, 1}), (Coordinate{2, -1, 4.5}));
}

void tst_SceneFunctions::converters()
{
    const SceneFunctions scene;
    const std::unique_ptr<LocalTangentPlaneCoordinateConverter> plane(
        scene.localTangentPlaneCoordinateConverter(QGeoCoordinate(52, 5)));
    QVERIFY(!plane->parent());
    QCOMPARE(plane->reference(), QGeoCoordinate(52, 5, 0));

    const std::unique_ptr<LocalRelativeCoordinateConverter> none(scene.localRelativeCoordinateConverter(nullptr));
    QCOMPARE(none->mapId(), QUuid());
    QVERIFY(!none->fullyResolved());
    QmlSharedPointer notAMap(std::make_shared<QObject>());
    const std::unique_ptr<LocalRelativeCoordinateConverter> other(scene.localRelativeCoordinateConverter(&notAMap));
    QCOMPARE(other->mapId(), QUuid());

    // A map whose own frame is not resolved yet.
    auto map = std::make_shared<LocalMap>();
    map->setGlobalCoordinateInfo(new LocalRelativeCoordinateConverter(QUuid::createUuid()));
    QmlSharedPointer holder(map);
    const std::unique_ptr<LocalRelativeCoordinateConverter> local(scene.localRelativeCoordinateConverter(&holder));
    QCOMPARE(local->mapId(), map->uuid());
    QCOMPARE(local->fullyResolved(), false);
}

void tst_SceneFunctions::sceneIsOnePerEngine()
{
    const auto scenes = [](QQmlEngine &engine) {
        engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
        QQmlComponent component(&engine);
        component.setData("import QtQml\nimport ostrel.SceneDescription\n"
                          "QtObject { property QtObject one: Scene; property QtObject two: Scene }",
                          QUrl());
        std::unique_ptr<QObject> object(component.create());
        return std::pair(object->property("one").value<QObject *>(), object->property("two").value<QObject *>());
    };
    QQmlEngine first;
    QQmlEngine second;
    const auto [firstOne, firstTwo] = scenes(first);
    const auto [secondOne, secondTwo] = scenes(second);
    QVERIFY(qobject_cast<SceneFunctions *>(firstOne));
    QCOMPARE(firstOne, firstTwo);
    QCOMPARE(secondOne, secondTwo);
    QVERIFY(firstOne != secondOne);
}

void tst_SceneFunctions::gridInformationSignalsChangesOnly_data()
{
    using Write = std::function<void(OccupancyGridInfo &)>;
    QTest::addColumn<Write>("write");
    QTest::addColumn<QStringList>("signalled");

    QTest::newRow("origin -0 over 0") << Write([](OccupancyGridInfo &g) {
        g.setOrigin({-0.0, 0, 0});
    }) << QStringList();
    QTest::newRow("origin") << Write([](OccupancyGridInfo &g) {
        g.setOrigin({0, 0, 1e-300});
    }) << QStringList{"originChanged"};
    QTest::newRow("world size in the 13th digit") << Write([](OccupancyGridInfo &g) {
        g.setMapWorldSize(QSizeF(12.345678901200, 5));
        g.setMapWorldSize(QSizeF(12.345678901201, 5));
    }) << QStringList{"mapWorldSizeChanged"};
    QTest::newRow("null uuid") << Write([](OccupancyGridInfo &g) { g.setUuid(QUuid()); }) << QStringList{"idChanged"};
    QTest::newRow("group") << Write([](OccupancyGridInfo &g) { g.setGroupId(QUuid::createUuid()); })
                           << QStringList{"groupIdChanged"};
    QTest::newRow("same name") << Write([](OccupancyGridInfo &g) { g.setName(QString()); }) << QStringList();
    QTest::newRow("name") << Write([](OccupancyGridInfo &g) { g.setName(QStringLiteral("hall")); })
                          << QStringList{"nameChanged"};
    QTest::newRow("same instant elsewhere")
        << Write([](OccupancyGridInfo &g) { g.setCreationDate(g.creationDate().toOffsetFromUtc(7200)); })
        << QStringList();
    QTest::newRow("identity pose") << Write([](OccupancyGridInfo &g) { g.setGlobalTransformation(Pose()); })
                                   << QStringList();
    QTest::newRow("same frame twice") << Write([](OccupancyGridInfo &g) {
        auto *frame = new LocalRelativeCoordinateConverter(QUuid(), &g);
        g.setGlobalReferenceFrame(frame);
        g.setGlobalReferenceFrame(frame);
    }) << QStringList{"globalReferenceFrameChanged"};
}

void tst_SceneFunctions::gridInformationSignalsChangesOnly()
{
    using Write = std::function<void(OccupancyGridInfo &)>;
    QFETCH(Write, write);
    QFETCH(QStringList, signalled);
    OccupancyGridInfo grid;
    QVERIFY(grid.uuid() != grid.groupId());
    QVERIFY(grid.mapData().isEmpty());
    QCOMPARE(grid.mapSize(), QSize(0, 0));
    SignalRecorder recorder(&grid);
    write(grid);
    QCOMPARE(recorder.lines, signalled);
}

void tst_SceneFunctions::gridInformationLetsGoOfADeletedFrame()
{
    OccupancyGridInfo grid;
    auto *frame = new LocalTangentPlaneCoordinateConverter(QGeoCoordinate(1, 2, 3));
    grid.setGlobalReferenceFrame(frame);
    QCOMPARE(frame->parent(), nullptr); // not owned
    SignalRecorder recorder(&grid);
    delete frame;
    QCOMPARE(grid.globalReferenceFrame(), nullptr);
    QCOMPARE(recorder.lines, QStringList{"globalReferenceFrameChanged"});
}

QTEST_MAIN(tst_SceneFunctions)
#include "tst_SceneFunctions.moc"
