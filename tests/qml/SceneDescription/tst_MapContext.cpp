#include "LocalMap.h"
#include "LocalRelativeCoordinateConverter.h"
#include "Location.h"
#include "MapContext.h"

#include "LogCapture.h"
#include "ProjChecks.h"
#include "SignalRecorder.h"

#include <QTest>

#include <cmath>
#include <numbers>

namespace {

constexpr double equatorialRadius = 6378137;

// Web-Mercator pixels of a millimetre on the equator at a zoom level.
double millimetreInPixels(int zoom)
{
    return 0.001 * 256 * std::ldexp(1.0, zoom) / (2 * std::numbers::pi * equatorialRadius);
}

std::shared_ptr<Location> locationAt(const QGeoCoordinate &centre)
{
    auto location = std::shared_ptr<Location>(new Location, ostrel::QObjectDeleter());
    location->setGeoCoordinate(centre);
    return location;
}

} // namespace

class tst_MapContext : public QObject
{
    Q_OBJECT

private slots:
    void newContext();
    void webMercatorAgreesWithProj_data();
    void webMercatorAgreesWithProj();
    void webMercatorInverseAgreesWithProj_data();
    void webMercatorInverseAgreesWithProj();
    void tileWidthFollowsTheEarthsRadius_data();
    void tileWidthFollowsTheEarthsRadius();
    void roundTrips_data();
    void roundTrips();
    void locationIsTheSceneOrigin();
    void zoomLevels_data();
    void zoomLevels();
    void tileSize();
    void indoorLocationThroughItsMap();
    void indoorLocationBeforeItsMapArrives();
    void onlyLocationsAreTaken();
};

void tst_MapContext::newContext()
{
    const MapContext context;
    QCOMPARE(context.zoomLevel(), 1);
    QCOMPARE(context.tileSize(), 100.0f);
    QCOMPARE(context.worldReferenceMercator(), Coordinate());
    QCOMPARE(context.locationType(), Location::Unknown);
    QCOMPARE(context.detectChanges(), false);
    QCOMPARE(context.locationForQml(), nullptr);
    QCOMPARE(context.toWebMercatorCoordinate(QGeoCoordinate(0, 0, 0)), (Coordinate{256, 256, 0}));
    QCOMPARE(context.toSceneCoordinate(QGeoCoordinate(0, 0, 0)), QVector3D(100, 0, 100));
    QCOMPARE(context.tileWidthAtLatitude(0), std::numbers::pi * equatorialRadius);
}

void tst_MapContext::webMercatorAgreesWithProj_data()
{
    QTest::addColumn<ProjCheck>("check");
    const QList<ProjCheck> checks = projChecks(QStringLiteral("webmercator-forward"));
    QVERIFY(checks.size() > 5);
    for (const ProjCheck &check : checks)
        QTest::newRow(qPrintable(check.line)) << check;
}

void tst_MapContext::webMercatorAgreesWithProj()
{
    QFETCH(ProjCheck, check);
    MapContext context;
    const int zoom = int(check.p(1));
    context.setZoomLevel(zoom);
    const Coordinate pixels = context.toWebMercatorCoordinate(QGeoCoordinate(check.in(1), check.in(2), 0));
    const double tolerance = millimetreInPixels(zoom);
    QVERIFY2(std::abs(pixels.x - check.out(1)) < tolerance, qPrintable(QString::number(pixels.x, 'f', 9)));
    QVERIFY2(std::abs(pixels.y - check.out(2)) < tolerance, qPrintable(QString::number(pixels.y, 'f', 9)));
    QCOMPARE(pixels.z, 0.0);
}

void tst_MapContext::webMercatorInverseAgreesWithProj_data()
{
    QTest::addColumn<ProjCheck>("check");
    const QList<ProjCheck> checks = projChecks(QStringLiteral("webmercator-inverse"));
    QVERIFY(checks.size() > 3);
    for (const ProjCheck &check : checks)
        QTest::newRow(qPrintable(check.line)) << check;
}

void tst_MapContext::webMercatorInverseAgreesWithProj()
{
    QFETCH(ProjCheck, check);
    MapContext context;
    context.setZoomLevel(int(check.p(1)));
    const QGeoCoordinate geo = context.fromWebMercatorCoordinate({check.in(1), check.in(2), 0});
    // Web Mercator stretches the ground by 1 / cos(latitude).
    const double error = groundDistance(geo.latitude(), geo.longitude(), check.out(1), check.out(2));
    QVERIFY2(error < 0.001 * std::cos(check.out(1) * std::numbers::pi / 180), qPrintable(QString::number(error)));
}

void tst_MapContext::tileWidthFollowsTheEarthsRadius_data()
{
    QTest::addColumn<ProjCheck>("check");
    const QList<ProjCheck> checks = projChecks(QStringLiteral("geocentric-radius"));
    QVERIFY(checks.size() > 3);
    for (const ProjCheck &check : checks)
        QTest::newRow(qPrintable(check.line)) << check;
}

void tst_MapContext::tileWidthFollowsTheEarthsRadius()
{
    QFETCH(ProjCheck, check);
    MapContext context;
    const double latitude = check.in(1);
    const double circle = 2 * std::numbers::pi * check.out(1) * std::cos(latitude * std::numbers::pi / 180);
    for (int zoom : {0, 1, 12}) {
        context.setZoomLevel(zoom);
        QVERIFY(std::abs(context.tileWidthAtLatitude(latitude) * std::ldexp(1.0, zoom) - circle) < 0.001);
    }
}

void tst_MapContext::roundTrips_data()
{
    QTest::addColumn<int>("zoom");
    QTest::addColumn<QGeoCoordinate>("point");
    QTest::newRow("equator") << 1 << QGeoCoordinate(0, 0, 0);
    QTest::newRow("Amsterdam, high") << 18 << QGeoCoordinate(52.37, 4.89, 350);
    QTest::newRow("south, below sea") << 12 << QGeoCoordinate(-33.9, 151.2, -20);
    QTest::newRow("near the antimeridian") << 5 << QGeoCoordinate(10, 179.99, 3);
    QTest::newRow("zoom 0") << 0 << QGeoCoordinate(-60, -45, 1000);
    QTest::newRow("zoom 30") << 30 << QGeoCoordinate(45, 7, 1);
}

void tst_MapContext::roundTrips()
{
    QFETCH(int, zoom);
    QFETCH(QGeoCoordinate, point);
    MapContext context;
    context.setZoomLevel(zoom);
    const QGeoCoordinate back = context.fromWebMercatorCoordinate(context.toWebMercatorCoordinate(point));
    QVERIFY(groundDistance(back.latitude(), back.longitude(), point.latitude(), point.longitude()) < 1e-6);
    QVERIFY(std::abs(back.altitude() - point.altitude()) < 1e-6);

    // Around a location near the point, the scene keeps single precision well.
    context.setLocation(locationAt(point.atDistanceAndAzimuth(200, 30)));
    const QGeoCoordinate viaScene = context.fromSceneCoordinate(context.toSceneCoordinate(point));
    QVERIFY(groundDistance(viaScene.latitude(), viaScene.longitude(), point.latitude(), point.longitude()) < 0.05);
    QVERIFY(std::abs(viaScene.altitude() - point.altitude()) < 0.05);
}

void tst_MapContext::locationIsTheSceneOrigin()
{
    MapContext context;
    SignalRecorder recorder(&context);
    const auto location = locationAt(QGeoCoordinate(52, 5, 0));
    context.setLocation(location);
    QCOMPARE(recorder.lines, (QStringList{"locationChanged", "contextChanged", "worldReferenceMercatorChanged",
                                          "locationTypeChanged"}));
    QCOMPARE(context.worldReferenceMercator(), context.toWebMercatorCoordinate(QGeoCoordinate(52, 5, 0)));
    QCOMPARE(context.toSceneCoordinate(QGeoCoordinate(52, 5, 0)), QVector3D(0, 0, 0));
    QCOMPARE(context.locationType(), Location::Outdoor);

    recorder.lines.clear();
    context.setLocation(location);
    QVERIFY(recorder.lines.isEmpty());

    // Moving the centre moves the origin only.
    location->setGeoCoordinate(QGeoCoordinate(52.1, 5, 0));
    QCOMPARE(recorder.lines, QStringList{"worldReferenceMercatorChanged"});
    QCOMPARE(context.toSceneCoordinate(QGeoCoordinate(52.1, 5, 0)), QVector3D(0, 0, 0));
    // East is +x, north is -z, up is +y.
    const QVector3D northEastUp = context.toSceneCoordinate(QGeoCoordinate(52.1001, 5.0001, 10));
    QVERIFY(northEastUp.x() > 0 && northEastUp.z() < 0 && northEastUp.y() > 0);

    // The context shares the location and lets go of it.
    recorder.lines.clear();
    context.setLocation(locationAt(QGeoCoordinate()));
    QCOMPARE(context.worldReferenceMercator(), Coordinate());
    QCOMPARE(context.locationType(), Location::Unknown);
    location->setGeoCoordinate(QGeoCoordinate(1, 1, 0));
    QCOMPARE(recorder.lines.count(QStringLiteral("worldReferenceMercatorChanged")), 1);
    QCOMPARE(location.use_count(), 1);
}

void tst_MapContext::zoomLevels_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("expected");
    QTest::addColumn<QStringList>("signalled");

    const QStringList changed{"zoomLevelChanged", "contextChanged", "worldReferenceMercatorChanged"};
    QTest::newRow("the same") << 1 << 1 << QStringList();
    QTest::newRow("0") << 0 << 0 << changed;
    QTest::newRow("18") << 18 << 18 << changed;
    QTest::newRow("30") << 30 << 30 << changed;
    QTest::newRow("31") << 31 << 1 << QStringList();
    QTest::newRow("-1") << -1 << 1 << QStringList();
    QTest::newRow("huge") << 1000000 << 1 << QStringList();
}

void tst_MapContext::zoomLevels()
{
    QFETCH(int, level);
    QFETCH(int, expected);
    QFETCH(QStringList, signalled);
    MapContext context;
    context.setLocation(locationAt(QGeoCoordinate(52, 5, 0)));
    SignalRecorder recorder(&context);
    const LogCapture log(LogCapture::ofType(QtWarningMsg));
    context.setZoomLevel(level);
    QCOMPARE(context.zoomLevel(), expected);
    QCOMPARE(recorder.lines, signalled);
    QCOMPARE(log.lines().size(), level == expected ? 0 : 1);
    QCOMPARE(context.worldReferenceMercator(), context.toWebMercatorCoordinate(QGeoCoordinate(52, 5, 0)));
}

void tst_MapContext::tileSize()
{
    MapContext context;
    context.setLocation(locationAt(QGeoCoordinate(52, 5, 0)));
    const Coordinate reference = context.worldReferenceMercator();
    SignalRecorder recorder(&context);
    context.setTileSize(100);
    QVERIFY(recorder.lines.isEmpty());
    context.setTileSize(256);
    QCOMPARE(recorder.lines, (QStringList{"tileSizeChanged", "contextChanged"}));
    QCOMPARE(context.worldReferenceMercator(), reference);
    const QVector3D east = context.toSceneCoordinate(QGeoCoordinate(52, 5.001, 0));
    context.setTileSize(512);
    QCOMPARE(context.toSceneCoordinate(QGeoCoordinate(52, 5.001, 0)), east * 2);
}

void tst_MapContext::indoorLocationThroughItsMap()
{
    auto map = std::make_shared<LocalMap>();
    auto location = std::shared_ptr<Location>(new Location, ostrel::QObjectDeleter());
    location->setLocalMap(map);
    MapContext context;
    context.setLocation(location);
    context.setZoomLevel(12);
    context.setTileSize(33);
    QCOMPARE(context.locationType(), Location::Indoor);

    const LogCapture log(lcLocalRelativeCoordinateConverter().categoryName());
    // The map has no global frame: its converter takes geography directly.
    const QGeoCoordinate geo(-3, 1, 2);
    QCOMPARE(context.toSceneCoordinate(geo), QVector3D(10, 30, -20));
    QCOMPARE(context.fromSceneCoordinate(QVector3D(10, 30, -20)), geo);
    QCOMPARE(log.lines().size(), 2);
}

void tst_MapContext::indoorLocationBeforeItsMapArrives()
{
    auto location = std::shared_ptr<Location>(new Location, ostrel::QObjectDeleter());
    location->setLocalMapId(QUuid::createUuid());
    MapContext context;
    context.setLocation(location);
    const LogCapture log(LogCapture::ofType(QtWarningMsg));
    QCOMPARE(context.toSceneCoordinate(QGeoCoordinate(-3, 1, 2)), QVector3D(10, 30, -20));
    QCOMPARE(context.fromSceneCoordinate(QVector3D(10, 30, -20)), QGeoCoordinate(-3, 1, 2));
    QCOMPARE(log.lines().size(), 2);

    // The map arrives: the context goes through it.
    SignalRecorder recorder(&context);
    location->setLocalMap(std::make_shared<LocalMap>());
    QVERIFY(location->localMapConverter());
    QVERIFY(!recorder.lines.contains(QStringLiteral("locationTypeChanged")));
    QCOMPARE(context.toSceneCoordinate(QGeoCoordinate(-3, 1, 2)), QVector3D(10, 30, -20));
}

void tst_MapContext::onlyLocationsAreTaken()
{
    MapContext context;
    QmlSharedPointer location(locationAt(QGeoCoordinate(52, 5, 0)));
    context.setLocationFromQml(&location);
    QCOMPARE(context.location(), location.sharedObject());
    const std::unique_ptr<QmlSharedPointer> read(context.locationForQml());
    QCOMPARE(read->sharedObject(), location.sharedObject());

    QmlSharedPointer notALocation(std::make_shared<LocalMap>());
    context.setLocationFromQml(&notALocation);
    QCOMPARE(context.location(), nullptr);
    context.setLocationFromQml(&location);
    context.setLocationFromQml(nullptr);
    QCOMPARE(context.location(), nullptr);
    QCOMPARE(context.worldReferenceMercator(), Coordinate());
}

QTEST_GUILESS_MAIN(tst_MapContext)
#include "tst_MapContext.moc"
