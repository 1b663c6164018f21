#include "LocalMap.h"
#include "LocalRelativeCoordinateConverter.h"
#include "LocalTangentPlaneCoordinateConverter.h"

#include "SignalRecorder.h"

#include <QPointer>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <limits>

namespace {

constexpr float infinity = std::numeric_limits<float>::infinity();

// A picture from rows of text: '#' opaque, anything else transparent.
QImage picture(const QStringList &rows)
{
    QImage image(int(rows.first().size()), int(rows.size()), QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            image.setPixelColor(x, y, rows.at(y).at(x) == QLatin1Char('#') ? QColor(0, 0, 0, 255) : QColor(0, 0, 0, 0));
    }
    return image;
}

// 100 x 50 pixels whose left half is opaque.
QImage leftHalf()
{
    QImage image(100, 50, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    for (int y = 0; y < 50; ++y) {
        for (int x = 0; x < 50; ++x)
            image.setPixelColor(x, y, Qt::black);
    }
    return image;
}

QStringList distances(const MapDistanceField &field)
{
    QStringList rows;
    for (int row = 0; row < field.gridSize().height(); ++row) {
        QString text;
        for (int column = 0; column < field.gridSize().width(); ++column) {
            const float d = field.distance(column, row);
            text += std::isinf(d) ? QStringLiteral("i") : QString::number(d);
        }
        rows << text;
    }
    return rows;
}

bool near(const Coordinate &a, const Coordinate &b, double tolerance = 1e-5)
{
    return std::abs(a.x - b.x) < tolerance && std::abs(a.y - b.y) < tolerance && a.z == b.z;
}

LocalMap *halfMap(QObject *parent = nullptr)
{
    return new LocalMap(QStringLiteral("half"), leftHalf(), QSizeF(10, 5), Coordinate(), nullptr, Pose(),
                        QUuid::createUuid(), QUuid::createUuid(), QDateTime::currentDateTime(), parent);
}

} // namespace

class tst_LocalMap : public QObject
{
    Q_OBJECT

private slots:
    void distanceField_data();
    void distanceField();
    void distanceFieldCountsKingMoves();
    void opaqueMeansAlphaAbove128();
    void queries_data();
    void queries();
    void cellSizeFollowsPictureAndDimensionsInEitherOrder();
    void equalPictureChangesNothing();
    void unplaceablePositions_data();
    void unplaceablePositions();
    void placementByPose_data();
    void placementByPose();
    void globalConverterOwnership();
    void ownerOperationsReachTheGlobalConverter();
    void newMap();
};

void tst_LocalMap::distanceField_data()
{
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("centre") << QStringList{"...", ".#.", "..."} << QStringList{"111", "101", "111"};
    QTest::newRow("one row") << QStringList{"#...."} << QStringList{"01234"};
    QTest::newRow("two corners") << QStringList{"#...", "....", "...#"} << QStringList{"0122", "1111", "2210"};
    QTest::newRow("nothing opaque") << QStringList{"..", ".."} << QStringList{"ii", "ii"};
    QTest::newRow("all opaque") << QStringList{"##", "##"} << QStringList{"00", "00"};
}

void tst_LocalMap::distanceField()
{
    QFETCH(QStringList, rows);
    QFETCH(QStringList, expected);
    QCOMPARE(distances(MapDistanceField(picture(rows))), expected);
}

// A random picture against the plain definition: the king-move distance to the
// nearest opaque pixel.
void tst_LocalMap::distanceFieldCountsKingMoves()
{
    QRandomGenerator random(35);
    QStringList rows;
    for (int y = 0; y < 30; ++y) {
        QString row;
        for (int x = 0; x < 40; ++x)
            row += random.bounded(60) == 0 ? QLatin1Char('#') : QLatin1Char('.');
        rows << row;
    }
    const MapDistanceField field(picture(rows));
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 40; ++x) {
            float nearest = infinity;
            for (int v = 0; v < 30; ++v) {
                for (int u = 0; u < 40; ++u) {
                    if (rows.at(v).at(u) == QLatin1Char('#'))
                        nearest = std::min(nearest, float(std::max(std::abs(u - x), std::abs(v - y))));
                }
            }
            QCOMPARE(field.distance(x, y), nearest);
        }
    }
}

void tst_LocalMap::opaqueMeansAlphaAbove128()
{
    QImage image(3, 1, QImage::Format_ARGB32);
    image.setPixelColor(0, 0, QColor(10, 20, 30, 128));
    image.setPixelColor(1, 0, QColor(10, 20, 30, 129));
    image.setPixelColor(2, 0, QColor(10, 20, 30, 0));
    QCOMPARE(distances(MapDistanceField(image)), QStringList{"101"});
    // Premultiplied and without alpha channel.
    QCOMPARE(distances(MapDistanceField(image.convertToFormat(QImage::Format_ARGB32_Premultiplied))),
             QStringList{"101"});
    QCOMPARE(distances(MapDistanceField(image.convertToFormat(QImage::Format_RGB32))), QStringList{"000"});
}

void tst_LocalMap::queries_data()
{
    QTest::addColumn<Coordinate>("position");
    QTest::addColumn<bool>("inside");
    QTest::addColumn<double>("distance");
    QTest::addColumn<Coordinate>("closest");

    // Left half opaque, 10 m x 5 m, 0.1 m per pixel, origin at the bottom-left.
    QTest::newRow("centre of the top-left cell")
        << Coordinate{0.05, 4.95, 7} << true << 0.0 << Coordinate{0.05, 4.95, 7};
    QTest::newRow("on the map") << Coordinate{2, 2, 0} << true << std::hypot(0.05, 0.05) << Coordinate{2.05, 1.95, 0};
    // Ties go up and left: the walk runs diagonally to the edge.
    QTest::newRow("right half") << Coordinate{7, 2, 0} << false << std::hypot(2.05, 2.05) << Coordinate{4.95, 4.05, 0};
    QTest::newRow("beyond the right edge, top row")
        << Coordinate{12, 4.95, -1} << false << 7.05 << Coordinate{4.95, 4.95, -1};
    QTest::newRow("below the picture") << Coordinate{1, -3, 0} << false << std::hypot(0.05, 3.05)
                                       << Coordinate{1.05, 0.05, 0};
}

void tst_LocalMap::queries()
{
    QFETCH(Coordinate, position);
    QFETCH(bool, inside);
    QFETCH(double, distance);
    QFETCH(Coordinate, closest);
    // The same picture placed elsewhere answers the same, shifted.
    const Coordinate origin{-3.5, 100, 2};
    for (const Coordinate &shift : {Coordinate(), origin}) {
        LocalMap map(QStringLiteral("half"), leftHalf(), QSizeF(10, 5), shift, nullptr, Pose(), QUuid::createUuid(),
                     QUuid::createUuid(), QDateTime::currentDateTime());
        const Coordinate at = position.add({shift.x, shift.y, 0});
        QCOMPARE(map.isInsideMap(at), inside);
        QVERIFY2(std::abs(map.getDistanceToMap(at) - distance) < 1e-4,
                 qPrintable(QString::number(map.getDistanceToMap(at))));
        const Coordinate point = map.getClosestPointOnMap(at);
        QVERIFY2(near(point, closest.add({shift.x, shift.y, 0}), 1e-4), qPrintable(QDebug::toString(point)));
    }
}

void tst_LocalMap::cellSizeFollowsPictureAndDimensionsInEitherOrder()
{
    const std::unique_ptr<LocalMap> constructed(halfMap());
    LocalMap pictureFirst;
    pictureFirst.setMap(leftHalf());
    pictureFirst.setDimensions(QSizeF(10, 5));
    LocalMap dimensionsFirst;
    dimensionsFirst.setDimensions(QSizeF(10, 5));
    dimensionsFirst.setMap(leftHalf());
    for (const LocalMap *map : {&pictureFirst, &dimensionsFirst}) {
        QCOMPARE(map->cellSize(), QSizeF(0.1, 0.1));
        for (const Coordinate &position : {Coordinate{2, 2, 0}, Coordinate{7, 2, 0}, Coordinate{-1, 9, 0}}) {
            QCOMPARE(map->isInsideMap(position), constructed->isInsideMap(position));
            QCOMPARE(map->getDistanceToMap(position), constructed->getDistanceToMap(position));
            QCOMPARE(map->getClosestPointOnMap(position), constructed->getClosestPointOnMap(position));
        }
    }
    // Doubling the dimensions doubles the cells.
    pictureFirst.setDimensions(QSizeF(20, 10));
    QCOMPARE(pictureFirst.cellSize(), QSizeF(0.2, 0.2));
    QVERIFY(pictureFirst.isInsideMap({9.9, 9.9, 0}));
}

void tst_LocalMap::equalPictureChangesNothing()
{
    const std::unique_ptr<LocalMap> map(halfMap());
    SignalRecorder recorder(map.get());
    map->setMap(leftHalf());
    map->setDimensions(QSizeF(10, 5));
    map->setLocalOrigin(Coordinate{-0.0, 0, 0});
    map->setGlobalPose(Pose());
    QVERIFY(recorder.lines.isEmpty());
    map->setMap(picture({"#"}));
    map->setDimensions(QSizeF(1, 1));
    map->setLocalOrigin({1, 0, 0});
    QCOMPARE(recorder.lines, (QStringList{"mapChanged", "dimensionsChanged", "localOriginChanged"}));
    QVERIFY(map->isInsideMap({1.5, 0.5, 0}));
}

void tst_LocalMap::unplaceablePositions_data()
{
    QTest::addColumn<QImage>("image");
    QTest::addColumn<QSizeF>("dimensions");
    QTest::addColumn<Coordinate>("position");

    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    constexpr double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("no picture") << QImage() << QSizeF(10, 5) << Coordinate{1, 1, 0};
    QTest::newRow("no picture, no size") << QImage() << QSizeF(0, 0) << Coordinate{0, 0, 0};
    QTest::newRow("NaN position") << leftHalf() << QSizeF(10, 5) << Coordinate{nan, 1, 0};
    QTest::newRow("infinite position") << leftHalf() << QSizeF(10, 5) << Coordinate{1, -inf, 0};
    QTest::newRow("huge position") << leftHalf() << QSizeF(10, 5) << Coordinate{1e300, 1e300, 0};
    QTest::newRow("picture without size") << leftHalf() << QSizeF(0, 0) << Coordinate{0, 0, 0};
    QTest::newRow("picture, NaN size") << leftHalf() << QSizeF(nan, 5) << Coordinate{1, 1, 0};
}

void tst_LocalMap::unplaceablePositions()
{
    QFETCH(QImage, image);
    QFETCH(QSizeF, dimensions);
    QFETCH(Coordinate, position);
    const LocalMap map(QString(), image, dimensions, Coordinate(), nullptr, Pose(), QUuid::createUuid(),
                       QUuid::createUuid(), QDateTime::currentDateTime());
    QVERIFY(!map.isInsideMap(position));
    const float distance = map.getDistanceToMap(position);
    const Coordinate closest = map.getClosestPointOnMap(position);
    // Either there is no answer, or a point on the picture.
    if (std::isinf(distance)) {
        QVERIFY(std::isnan(closest.x) && std::isnan(closest.y));
    } else {
        QVERIFY(closest.x >= 0 && closest.x <= 10 && closest.y >= 0 && closest.y <= 5);
    }
    QCOMPARE(closest.z, position.z);
}

void tst_LocalMap::placementByPose_data()
{
    QTest::addColumn<Pose>("pose");
    QTest::addColumn<Coordinate>("local");
    QTest::addColumn<Coordinate>("global");

    Pose quarterTurn;
    quarterTurn.position = {5, 6, 7};
    quarterTurn.orientation = QQuaternion::fromAxisAndAngle(0, 0, 1, 90);
    QTest::newRow("quarter turn about z") << quarterTurn << Coordinate{1, 0, 0} << Coordinate{5, 7, 7};
    Pose aboutX;
    aboutX.orientation = QQuaternion::fromAxisAndAngle(1, 0, 0, 90);
    QTest::newRow("quarter turn about x") << aboutX << Coordinate{0, 1, 0} << Coordinate{0, 0, 1};
    Pose moved;
    moved.position = {-1, -2, -3};
    QTest::newRow("moved only") << moved << Coordinate{1, 1, 1} << Coordinate{0, -1, -2};
    // The orientation is used as it is: a quaternion of length 2 scales by 4.
    Pose doubled;
    doubled.orientation = QQuaternion(2, 0, 0, 0);
    QTest::newRow("quaternion of length 2") << doubled << Coordinate{1, 2, 3} << Coordinate{4, 8, 12};
}

void tst_LocalMap::placementByPose()
{
    QFETCH(Pose, pose);
    QFETCH(Coordinate, local);
    QFETCH(Coordinate, global);
    LocalMap map;
    map.setGlobalPose(pose);
    const Coordinate placed = map.localToGlobal(local);
    QVERIFY2(placed.distanceToPoint(global) < 1e-6, qPrintable(QDebug::toString(placed)));
    if (pose.orientation.length() == 1.0f)
        QVERIFY(map.globalToLocal(placed).distanceToPoint(local) < 1e-6);
}

void tst_LocalMap::globalConverterOwnership()
{
    LocalMap map;
    QSignalSpy changed(&map, &LocalMap::globalCoordinateInfoChanged);

    QPointer<CoordinateConverter> adopted = new LocalTangentPlaneCoordinateConverter(QGeoCoordinate(52, 5, 0));
    map.setGlobalCoordinateInfo(adopted);
    QCOMPARE(adopted->parent(), &map);
    map.setGlobalCoordinateInfo(adopted);
    QCOMPARE(changed.count(), 1);

    QObject owner;
    QPointer<CoordinateConverter> owned = new LocalTangentPlaneCoordinateConverter(QGeoCoordinate(1, 2, 0), &owner);
    map.setGlobalCoordinateInfo(owned);
    QCOMPARE(owned->parent(), &owner);
    QCOMPARE(changed.count(), 2);
    // The replaced converter stays the map's child and can be set again.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(adopted);
    QCOMPARE(adopted->parent(), &map);
    map.setGlobalCoordinateInfo(adopted);
    map.setGlobalCoordinateInfo(owned);
    QCOMPARE(changed.count(), 4);

    // Deleted by its owner: the map no longer points at it.
    delete owned;
    QCOMPARE(changed.count(), 5);
    QCOMPARE(map.globalCoordinateInfo(), nullptr);
    QCOMPARE(map.resources().size(), 1);
}

void tst_LocalMap::ownerOperationsReachTheGlobalConverter()
{
    LocalMap map;
    QSignalSpy resolvedChanged(&map, &IRobotResourceOwner::fullyResolvedChanged);
    const QUuid other = QUuid::createUuid();
    auto *global = new LocalRelativeCoordinateConverter(other);
    map.setGlobalCoordinateInfo(global);
    QCOMPARE(resolvedChanged.count(), 1);
    QVERIFY(!map.fullyResolved());
    QCOMPARE(map.resources(),
             (QList<RobotResourceId>{{RobotResourceType::Map, map.uuid()}, {RobotResourceType::Map, other}}));
    QCOMPARE(map.unresolvedResources(), (QList<RobotResourceId>{{RobotResourceType::Map, other}}));

    auto otherMap = std::make_shared<LocalMap>();
    map.updateResourceId({RobotResourceType::Map, other}, {RobotResourceType::Map, otherMap->uuid()});
    QCOMPARE(global->mapId(), otherMap->uuid());
    map.resolveResource({RobotResourceType::Map, otherMap->uuid()}, otherMap);
    QVERIFY(map.fullyResolved());
    QCOMPARE(resolvedChanged.count(), 3); // the converter's changes come through
    QVERIFY(map.unresolvedResources().isEmpty());
}

void tst_LocalMap::newMap()
{
    LocalMap map;
    QCOMPARE(map.resourceType(), RobotResourceType::Map);
    QVERIFY(map.name().isEmpty());
    QVERIFY(map.uuid() != map.group());
    QVERIFY(map.map().isNull());
    QCOMPARE(map.dimensions(), QSizeF(0, 0));
    QCOMPARE(map.globalPose(), Pose());
    QCOMPARE(map.source(), nullptr);
    QCOMPARE(map.distanceField().gridSize(), QSize(0, 0));
    QVERIFY(map.fullyResolved());
    QVERIFY(!map.isInsideMap({0, 0, 0}));
}

QTEST_MAIN(tst_LocalMap)
#include "tst_LocalMap.moc"
