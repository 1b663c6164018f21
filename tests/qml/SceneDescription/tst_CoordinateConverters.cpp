#include "LocalMap.h"
#include "LocalRelativeCoordinateConverter.h"
#include "LocalTangentPlaneCoordinateConverter.h"
#include "Location.h"
#include "MapContext.h"
#include "UTMCoordinateConverter.h"

#include "LogCapture.h"
#include "ProjChecks.h"
#include "SignalRecorder.h"

#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <functional>
#include <memory>

namespace {

// Agreement with PROJ, and what round trips must keep.
constexpr double millimetre = 0.001;

std::shared_ptr<LocalMap> makeMap(CoordinateConverter *global = nullptr, const Pose &pose = Pose())
{
    return std::shared_ptr<LocalMap>(new LocalMap(QStringLiteral("plan"), QImage(), QSizeF(10, 5), Coordinate(), global,
                                                  pose, QUuid::createUuid(), QUuid::createUuid(),
                                                  QDateTime::currentDateTime()),
                                     ostrel::QObjectDeleter());
}

Pose turnedAndMoved()
{
    Pose pose;
    pose.position = {120.5, -40.25, 3};
    pose.orientation = QQuaternion::fromAxisAndAngle(0, 0, 1, 30);
    return pose;
}

bool isNotANumber(const Coordinate &c)
{
    return std::isnan(c.x) && std::isnan(c.y) && std::isnan(c.z);
}

bool isNotANumber(const QVector3D &v)
{
    return std::isnan(v.x()) && std::isnan(v.y()) && std::isnan(v.z());
}

double distance(const Coordinate &a, const Coordinate &b)
{
    return std::hypot(a.x - b.x, a.y - b.y, a.z - b.z);
}

LogCapture::Filter warnings()
{
    return LogCapture::ofType(QtWarningMsg);
}

// A scene laid out around a location near Amsterdam, fine enough (zoom 19, one scene
// unit per pixel) that single precision keeps well under a millimetre there.
std::unique_ptr<MapContext> outdoorContext()
{
    auto context = std::make_unique<MapContext>();
    auto location = std::shared_ptr<Location>(new Location, ostrel::QObjectDeleter());
    location->setGeoCoordinate(QGeoCoordinate(52.0005, 5.0005, 4));
    context->setLocation(location);
    context->setZoomLevel(19);
    context->setTileSize(256);
    return context;
}

} // namespace

class tst_CoordinateConverters : public QObject
{
    Q_OBJECT

private slots:
    void utmAgreesWithProj_data();
    void utmAgreesWithProj();
    void utmInverseAgreesWithProj_data();
    void utmInverseAgreesWithProj();
    void localTangentPlaneAgreesWithProj_data();
    void localTangentPlaneAgreesWithProj();
    void localTangentPlaneInverseAgreesWithProj_data();
    void localTangentPlaneInverseAgreesWithProj();
    void roundTripsBetweenFrames_data();
    void roundTripsBetweenFrames();
    void pointsOutsideTheZoneAreReported_data();
    void pointsOutsideTheZoneAreReported();
    void impossibleConversionsGiveNoNumber_data();
    void impossibleConversionsGiveNoNumber();
    void missingContextOrFrame();
    void localRelativeDirectForms();
    void localRelativeThroughItsMap();
    void indoorContextKeepsTheLocalFrame();
    void framesPlacedInACycleEnd();
    void localRelativeReferenceChanges();
    void cloneSharesTheMap();
    void localTangentPlaneReference();
    void utmSettersSignalChangesOnly();
};

void tst_CoordinateConverters::utmAgreesWithProj_data()
{
    QTest::addColumn<ProjCheck>("check");
    const QList<ProjCheck> checks = projChecks(QStringLiteral("utm-forward"));
    QVERIFY(checks.size() > 10);
    for (const ProjCheck &check : checks)
        QTest::newRow(qPrintable(check.line)) << check;
}

void tst_CoordinateConverters::utmAgreesWithProj()
{
    QFETCH(ProjCheck, check);
    const Coordinate offset{1000.25, -2000.5, 3};
    const UTMCoordinateConverter converter(offset, int(check.p(1)), check.p(2) == 1);
    const LogCapture log(warnings()); // points outside the zone say so; tested below
    const Coordinate utm = converter.convertFromGeo(QGeoCoordinate(check.in(1), check.in(2), 12.5));
    QVERIFY2(std::abs(utm.x + offset.x - check.out(1)) < millimetre,
             qPrintable(QString::number(utm.x + offset.x, 'f', 6)));
    QVERIFY2(std::abs(utm.y + offset.y - check.out(2)) < millimetre,
             qPrintable(QString::number(utm.y + offset.y, 'f', 6)));
    QCOMPARE(utm.z, 12.5 - offset.z);
}

void tst_CoordinateConverters::utmInverseAgreesWithProj_data()
{
    QTest::addColumn<ProjCheck>("check");
    const QList<ProjCheck> checks = projChecks(QStringLiteral("utm-inverse"));
    QVERIFY(checks.size() > 5);
    for (const ProjCheck &check : checks)
        QTest::newRow(qPrintable(check.line)) << check;
}

void tst_CoordinateConverters::utmInverseAgreesWithProj()
{
    QFETCH(ProjCheck, check);
    const Coordinate offset{-500, 250, 1};
    const UTMCoordinateConverter converter(offset, int(check.p(1)), check.p(2) == 1);
    const QGeoCoordinate geo = converter.convertToGeo({check.in(1) - offset.x, check.in(2) - offset.y, 7});
    QVERIFY(geo.isValid());
    const double error = groundDistance(geo.latitude(), geo.longitude(), check.out(1), check.out(2));
    QVERIFY2(error < millimetre, qPrintable(QString::number(error)));
    QCOMPARE(geo.altitude(), 8.0);
}

void tst_CoordinateConverters::localTangentPlaneAgreesWithProj_data()
{
    QTest::addColumn<ProjCheck>("check");
    QTest::addColumn<bool>("twoDimensionalReference");
    const QList<ProjCheck> checks = projChecks(QStringLiteral("enu-forward"));
    QVERIFY(checks.size() > 10);
    for (const ProjCheck &check : checks) {
        QTest::newRow(qPrintable(check.line)) << check << false;
        // A reference without altitude lies at altitude 0.
        if (check.p(3) == 0)
            QTest::newRow(qPrintable(check.line + QStringLiteral(" (2D reference)"))) << check << true;
    }
}

void tst_CoordinateConverters::localTangentPlaneAgreesWithProj()
{
    QFETCH(ProjCheck, check);
    QFETCH(bool, twoDimensionalReference);
    const QGeoCoordinate reference = twoDimensionalReference ? QGeoCoordinate(check.p(1), check.p(2))
                                                             : QGeoCoordinate(check.p(1), check.p(2), check.p(3));
    const LocalTangentPlaneCoordinateConverter fromConstructor(reference);
    LocalTangentPlaneCoordinateConverter fromSetter(QGeoCoordinate(10, 10, 10));
    fromSetter.setReference(reference);
    const Coordinate expected{check.out(1), check.out(2), check.out(3)};
    for (const LocalTangentPlaneCoordinateConverter *converter :
         {&fromConstructor, static_cast<const LocalTangentPlaneCoordinateConverter *>(&fromSetter)}) {
        const Coordinate enu = converter->convertFromGeo(QGeoCoordinate(check.in(1), check.in(2), check.in(3)));
        QVERIFY2(distance(enu, expected) < millimetre, qPrintable(QDebug::toString(enu)));
    }
}

void tst_CoordinateConverters::localTangentPlaneInverseAgreesWithProj_data()
{
    QTest::addColumn<ProjCheck>("check");
    const QList<ProjCheck> checks = projChecks(QStringLiteral("enu-inverse"));
    QVERIFY(checks.size() > 3);
    for (const ProjCheck &check : checks)
        QTest::newRow(qPrintable(check.line)) << check;
}

void tst_CoordinateConverters::localTangentPlaneInverseAgreesWithProj()
{
    QFETCH(ProjCheck, check);
    const LocalTangentPlaneCoordinateConverter converter(QGeoCoordinate(check.p(1), check.p(2), check.p(3)));
    const QGeoCoordinate geo = converter.convertToGeo({check.in(1), check.in(2), check.in(3)});
    const double error = groundDistance(geo.latitude(), geo.longitude(), check.out(1), check.out(2));
    QVERIFY2(error < millimetre, qPrintable(QString::number(error)));
    QVERIFY(std::abs(geo.altitude() - check.out(3)) < millimetre);
}

void tst_CoordinateConverters::roundTripsBetweenFrames_data()
{
    using Factory = std::function<CoordinateConverter *()>;
    QTest::addColumn<Factory>("makeFirst");
    QTest::addColumn<Factory>("makeSecond");
    QTest::addColumn<Coordinate>("point");

    const QList<std::pair<QString, Factory>> frames{
        {QStringLiteral("tangent plane"),
         [] { return new LocalTangentPlaneCoordinateConverter(QGeoCoordinate(52, 5, 10)); }},
        {QStringLiteral("UTM 31N"),
         [] {
             return new UTMCoordinateConverter({630000, 5760000, -2}, 31, true);
         }},
        {QStringLiteral("UTM 32N (outside)"),
         [] {
             return new UTMCoordinateConverter({0, 0, 0}, 32, true);
         }},
        {QStringLiteral("map on a tangent plane"),
         [] {
             return new LocalRelativeCoordinateConverter(
                 makeMap(new LocalTangentPlaneCoordinateConverter(QGeoCoordinate(52.001, 5.002, 0)), turnedAndMoved()));
         }},
        {QStringLiteral("map on UTM"),
         [] {
             return new LocalRelativeCoordinateConverter(
                 makeMap(new UTMCoordinateConverter({637000, 5762800, 0}, 31, true), turnedAndMoved()));
         }},
    };
    // A point of the first frame somewhere within a few hundred metres of the others.
    const QList<std::pair<QString, Coordinate>> points{
        {QStringLiteral("near"), {20, 35, 1.5}},
        {QStringLiteral("far"), {-250.75, 180.5, -12}},
    };
    for (const auto &[firstName, first] : frames) {
        for (const auto &[secondName, second] : frames) {
            for (const auto &[pointName, point] : points) {
                // The UTM frames have their origin far away; their point is relative to
                // the tangent plane's position in them.
                QTest::addRow("%s -> %s, %s", qPrintable(firstName), qPrintable(secondName), qPrintable(pointName))
                    << first << second << point;
            }
        }
    }
}

void tst_CoordinateConverters::roundTripsBetweenFrames()
{
    using Factory = std::function<CoordinateConverter *()>;
    QFETCH(Factory, makeFirst);
    QFETCH(Factory, makeSecond);
    QFETCH(Coordinate, point);
    const LogCapture log(warnings()); // the UTM 32 frame warns about its zone
    const std::unique_ptr<CoordinateConverter> first(makeFirst());
    const std::unique_ptr<CoordinateConverter> second(makeSecond());

    // Start from a point near the tangent plane's origin, in the first frame.
    const LocalTangentPlaneCoordinateConverter anchor(QGeoCoordinate(52, 5, 10));
    const Coordinate start = first->convertFromGeo(anchor.convertToGeo(point));
    QVERIFY(!std::isnan(start.x));

    // Through the globe.
    const Coordinate inSecond = second->convertFromGeo(first->convertToGeo(start));
    const Coordinate back = first->convertFromGeo(second->convertToGeo(inSecond));
    QVERIFY2(distance(back, start) < millimetre, qPrintable(QDebug::toString(back)));

    // Through the scene, which holds single precision.
    const auto context = outdoorContext();
    const Coordinate viaScene = second->fromCoordinateFrame(start, first.get(), context.get());
    QVERIFY2(distance(viaScene, inSecond) < millimetre, qPrintable(QDebug::toString(viaScene)));
    const Coordinate backViaScene = first->fromCoordinateFrame(viaScene, second.get(), context.get());
    QVERIFY2(distance(backViaScene, start) < millimetre, qPrintable(QDebug::toString(backViaScene)));
}

void tst_CoordinateConverters::pointsOutsideTheZoneAreReported_data()
{
    QTest::addColumn<int>("zone");
    QTest::addColumn<bool>("north");
    QTest::addColumn<QGeoCoordinate>("point");
    QTest::addColumn<bool>("warned");

    QTest::newRow("inside") << 31 << true << QGeoCoordinate(52, 5, 0) << false;
    QTest::newRow("next zone east") << 31 << true << QGeoCoordinate(52, 7, 0) << true;
    QTest::newRow("southern point, northern zone") << 31 << true << QGeoCoordinate(-1, 3, 0) << true;
    QTest::newRow("northern point, southern zone") << 31 << false << QGeoCoordinate(1, 3, 0) << true;
    QTest::newRow("southern, inside") << 33 << false << QGeoCoordinate(-33.9, 15, 0) << false;
}

void tst_CoordinateConverters::pointsOutsideTheZoneAreReported()
{
    QFETCH(int, zone);
    QFETCH(bool, north);
    QFETCH(QGeoCoordinate, point);
    QFETCH(bool, warned);
    const UTMCoordinateConverter converter({0, 0, 0}, zone, north);
    const LogCapture log(warnings());
    const Coordinate utm = converter.convertFromGeo(point);
    const QString warning =
        QStringLiteral("Coordinate %1 does not fall into the current UTM zone").arg(QDebug::toString(point));
    QCOMPARE(log.count(warning), warned ? 1 : 0);
    QCOMPARE(log.lines().size(), warned ? 1 : 0);
    // Converted all the same, and back to where it was.
    const QGeoCoordinate back = converter.convertToGeo(utm);
    QVERIFY(groundDistance(back.latitude(), back.longitude(), point.latitude(), point.longitude()) < millimetre);
}

void tst_CoordinateConverters::impossibleConversionsGiveNoNumber_data()
{
    using Conversion = std::function<bool()>; // true: the result says "no number"
    QTest::addColumn<Conversion>("conversion");

    const auto utmFromGeo = [](int zone, bool north, QGeoCoordinate g) {
        return Conversion([=] { return isNotANumber(UTMCoordinateConverter({}, zone, north).convertFromGeo(g)); });
    };
    const auto utmToGeo = [](int zone, bool north, Coordinate c) {
        return Conversion([=] { return !UTMCoordinateConverter({}, zone, north).convertToGeo(c).isValid(); });
    };
    QTest::newRow("UTM from latitude 95") << utmFromGeo(31, true, QGeoCoordinate(95, 3, 0));
    QTest::newRow("UTM from latitude NaN") << utmFromGeo(31, true, QGeoCoordinate());
    QTest::newRow("UTM from longitude NaN") << utmFromGeo(31, true, QGeoCoordinate(52, qQNaN(), 0));
    QTest::newRow("UTM from longitude infinite") << utmFromGeo(31, true, QGeoCoordinate(52, qInf(), 0));
    QTest::newRow("tangent plane from longitude NaN") << Conversion([] {
        return isNotANumber(LocalTangentPlaneCoordinateConverter(QGeoCoordinate(52, 5, 0))
                                .convertFromGeo(QGeoCoordinate(52, qQNaN(), 0)));
    });
    QTest::newRow("UTM zone 61") << utmFromGeo(61, true, QGeoCoordinate(52, 5, 0));
    QTest::newRow("UTM zone 0") << utmFromGeo(0, true, QGeoCoordinate(52, 5, 0));
    QTest::newRow("UTM zone -5") << utmFromGeo(-5, true, QGeoCoordinate(52, 5, 0));
    QTest::newRow("UTM far outside its zone") << utmFromGeo(31, true, QGeoCoordinate(52, 100, 0));
    QTest::newRow("UTM to geo, zone 99") << utmToGeo(99, true, {500000, 5000000, 0});
    QTest::newRow("UTM to geo, northing beyond the pole") << utmToGeo(31, true, {500000, 20000000, 0});
    QTest::newRow("UTM to geo, easting far out") << utmToGeo(31, true, {5000000, 5000000, 0});
    QTest::newRow("UTM to geo, NaN") << utmToGeo(31, true, CoordinateConverter::notANumberCoordinate());
    QTest::newRow("tangent plane from latitude 95") << Conversion([] {
        return isNotANumber(
            LocalTangentPlaneCoordinateConverter(QGeoCoordinate(52, 5, 0)).convertFromGeo(QGeoCoordinate(95, 5, 0)));
    });
    QTest::newRow("tangent plane on latitude 95") << Conversion([] {
        return isNotANumber(
            LocalTangentPlaneCoordinateConverter(QGeoCoordinate(95, 5, 0)).convertFromGeo(QGeoCoordinate(52, 5, 0)));
    });
    QTest::newRow("UTM into the scene, zone 0") << Conversion([] {
        const auto context = outdoorContext();
        return isNotANumber(UTMCoordinateConverter({}, 0, true).convertToScene({1, 2, 3}, context.get()));
    });
}

void tst_CoordinateConverters::impossibleConversionsGiveNoNumber()
{
    using Conversion = std::function<bool()>;
    QFETCH(Conversion, conversion);
    const LogCapture log(warnings());
    bool noNumber = false;
    try {
        noNumber = conversion();
    } catch (...) {
        QFAIL("an exception left the converter");
    }
    QVERIFY(noNumber);
    QVERIFY(!log.lines().isEmpty());
}

void tst_CoordinateConverters::missingContextOrFrame()
{
    const LogCapture log(warnings());
    const LocalTangentPlaneCoordinateConverter plane(QGeoCoordinate(52, 5, 0));
    const UTMCoordinateConverter utm({}, 31, true);
    QVERIFY(isNotANumber(plane.convertToScene({1, 2, 3}, nullptr)));
    QVERIFY(isNotANumber(plane.convertFromScene({1, 2, 3}, nullptr)));
    QVERIFY(isNotANumber(utm.convertToScene({1, 2, 3}, nullptr)));
    QVERIFY(isNotANumber(utm.convertFromScene({1, 2, 3}, nullptr)));
    QVERIFY(isNotANumber(plane.fromCoordinateFrame({1, 2, 3}, nullptr, nullptr)));
    QCOMPARE(log.lines().size(), 5);

    // Without context a local frame has no indoor location to look at; its map's
    // global frame then has no scene.
    const LocalRelativeCoordinateConverter onPlane(
        makeMap(new LocalTangentPlaneCoordinateConverter(QGeoCoordinate(52, 5, 0))));
    QVERIFY(isNotANumber(onPlane.convertToScene({1, 2, 3}, nullptr)));
    const LocalRelativeCoordinateConverter alone(makeMap());
    QCOMPARE(alone.convertToScene({1, 2, 3}, nullptr), QVector3D(10, 30, -20));
}

void tst_CoordinateConverters::localRelativeDirectForms()
{
    const LogCapture log(lcLocalRelativeCoordinateConverter().categoryName());
    const auto context = outdoorContext();

    const LocalRelativeCoordinateConverter unresolved(QUuid::createUuid());
    QCOMPARE(unresolved.convertToScene({1, 2, 3}, context.get()), QVector3D(10, 30, -20));
    QCOMPARE(log.lines(), QStringList{QStringLiteral(
                              "Local map definition is either missing or incomplete (convertToScene): scene coordinate "
                              "is assumed to be the same as local coordinate, in different axis orientation")});
    QCOMPARE(unresolved.convertFromScene({10, 30, -20}, context.get()), (Coordinate{1, 2, 3}));
    QCOMPARE(log.lines().size(), 2);
    QVERIFY(log.lines().last().contains(QStringLiteral("(convertFromScene)")));

    const LocalRelativeCoordinateConverter withoutGlobal(makeMap());
    QCOMPARE(withoutGlobal.convertToScene({1, 2, 3}, context.get()), QVector3D(10, 30, -20));
    QCOMPARE(withoutGlobal.convertFromScene({10, 30, -20}, context.get()), (Coordinate{1, 2, 3}));
    QCOMPARE(log.lines().size(), 2);
    const QGeoCoordinate geo = withoutGlobal.convertToGeo({1, 2, 3});
    QCOMPARE(geo, QGeoCoordinate(-3, 1, 2));
    QCOMPARE(log.lines().last(),
             QStringLiteral("Local map does not have global reference (or the reference is not available) "
                            "(convertToGeo): no logical conversion possible, converting directly, taking into account "
                            "different axes orientations"));
    QCOMPARE(withoutGlobal.convertFromGeo(geo), (Coordinate{1, 2, 3}));
    QVERIFY(log.lines().last().contains(QStringLiteral("(convertFromGeo)")));
}

void tst_CoordinateConverters::localRelativeThroughItsMap()
{
    const auto context = outdoorContext();
    auto *plane = new LocalTangentPlaneCoordinateConverter(QGeoCoordinate(52, 5, 10));
    const auto map = makeMap(plane, turnedAndMoved());
    const LocalRelativeCoordinateConverter local(map);
    const Coordinate point{3, 4, 5};
    const LogCapture log(lcLocalRelativeCoordinateConverter().categoryName());
    QCOMPARE(local.convertToGeo(point), plane->convertToGeo(map->localToGlobal(point)));
    QCOMPARE(local.convertToScene(point, context.get()),
             plane->convertToScene(map->localToGlobal(point), context.get()));
    QVERIFY(log.lines().isEmpty());

    // A map placed on another map's frame: the globe is out of reach, the scene is not.
    const auto outer = makeMap(plane->clone(), turnedAndMoved());
    const LocalRelativeCoordinateConverter nested(makeMap(new LocalRelativeCoordinateConverter(outer)));
    QCOMPARE(nested.convertToGeo(point), QGeoCoordinate(-5, 3, 4));
    QCOMPARE(log.lines().size(), 1);
    QCOMPARE(nested.convertToScene(point, context.get()),
             plane->convertToScene(outer->localToGlobal(point), context.get()));
    QCOMPARE(log.lines().size(), 1);
}

void tst_CoordinateConverters::indoorContextKeepsTheLocalFrame()
{
    MapContext context;
    auto location = std::shared_ptr<Location>(new Location, ostrel::QObjectDeleter());
    location->setLocalMapId(QUuid::createUuid());
    context.setLocation(location);
    QCOMPARE(context.locationType(), Location::Indoor);

    const LocalRelativeCoordinateConverter local(
        makeMap(new LocalTangentPlaneCoordinateConverter(QGeoCoordinate(52, 5, 10)), turnedAndMoved()));
    const LogCapture log(lcLocalRelativeCoordinateConverter().categoryName());
    QCOMPARE(local.convertToScene({1, 2, 3}, &context), QVector3D(10, 30, -20));
    QCOMPARE(local.convertFromScene({10, 30, -20}, &context), (Coordinate{1, 2, 3}));
    QVERIFY(log.lines().isEmpty());
}

void tst_CoordinateConverters::framesPlacedInACycleEnd()
{
    const auto context = outdoorContext();
    const auto first = makeMap();
    const auto second = makeMap();
    first->setGlobalCoordinateInfo(new LocalRelativeCoordinateConverter(second));
    second->setGlobalCoordinateInfo(new LocalRelativeCoordinateConverter(first));
    const LocalRelativeCoordinateConverter local(first);

    const LogCapture log(lcLocalRelativeCoordinateConverter().categoryName());
    QCOMPARE(local.convertToScene({1, 2, 3}, context.get()), QVector3D(10, 30, -20));
    QCOMPARE(local.convertFromScene({10, 30, -20}, context.get()), (Coordinate{1, 2, 3}));
    QCOMPARE(log.countStartingWith(QStringLiteral("Local maps are placed in each other in a cycle")), 2);

    // Break the cycle, so that both maps can go.
    first->setGlobalCoordinateInfo(nullptr);
}

void tst_CoordinateConverters::localRelativeReferenceChanges()
{
    const auto map = makeMap(new LocalRelativeCoordinateConverter(QUuid::createUuid()));
    LocalRelativeCoordinateConverter converter(map);
    SignalRecorder recorder(&converter);
    const QStringList three{QStringLiteral("mapChanged"), QStringLiteral("mapIdChanged"),
                            QStringLiteral("fullyResolvedChanged")};
    const QUuid a = map->uuid();
    const QUuid b = QUuid::createUuid();
    // The map names the unresolved map of its own global frame.
    QCOMPARE(converter.unresolvedResources(), map->unresolvedResources());
    QVERIFY(!converter.fullyResolved());

    converter.resolveResource({RobotResourceType::Map, a}, makeMap());
    QVERIFY(recorder.lines.isEmpty()); // resolved already
    converter.setMapId(a);
    QVERIFY(recorder.lines.isEmpty());

    converter.updateResourceId({RobotResourceType::Path, a}, {RobotResourceType::Map, b});
    QVERIFY(recorder.lines.isEmpty());
    converter.updateResourceId({RobotResourceType::Map, a}, {RobotResourceType::Path, b});
    QCOMPARE(recorder.lines, three);
    QCOMPARE(converter.mapId(), b);
    QVERIFY(!converter.map());
    QCOMPARE(converter.resources(), (QList<RobotResourceId>{{RobotResourceType::Map, b}}));
    QCOMPARE(converter.unresolvedResources(), (QList<RobotResourceId>{{RobotResourceType::Map, b}}));

    // Only a local map of the named id resolves it.
    recorder.lines.clear();
    converter.resolveResource({RobotResourceType::Map, b}, std::shared_ptr<QObject>(new QObject));
    converter.resolveResource({RobotResourceType::Map, b}, nullptr);
    converter.resolveResource({RobotResourceType::Path, b}, makeMap());
    QVERIFY(recorder.lines.isEmpty());
    const auto plain = makeMap();
    converter.resolveResource({RobotResourceType::Map, b}, plain);
    QCOMPARE(recorder.lines, three);
    QCOMPARE(converter.map(), plain);
    QCOMPARE(converter.mapId(), plain->uuid());
    QVERIFY(converter.fullyResolved());

    recorder.lines.clear();
    converter.setMap(nullptr);
    QCOMPARE(recorder.lines, three);
    QCOMPARE(converter.mapId(), QUuid());
    converter.setMap(nullptr);
    QCOMPARE(recorder.lines, three);
    QCOMPARE(converter.unresolvedResources(), (QList<RobotResourceId>{{RobotResourceType::Map, QUuid()}}));

    recorder.lines.clear();
    converter.setMapFromQml(nullptr);
    QVERIFY(recorder.lines.isEmpty());
    QmlSharedPointer holder(plain);
    converter.setMapFromQml(&holder);
    QCOMPARE(converter.map(), plain);
    QmlSharedPointer notAMap(std::make_shared<QObject>());
    converter.setMapFromQml(&notAMap);
    QVERIFY(!converter.map());
}

void tst_CoordinateConverters::cloneSharesTheMap()
{
    const auto map = makeMap();
    const LocalRelativeCoordinateConverter first(map);
    const std::unique_ptr<CoordinateConverter> copy(first.clone());
    auto *second = qobject_cast<LocalRelativeCoordinateConverter *>(copy.get());
    QVERIFY(second);
    QVERIFY(!second->parent());
    QCOMPARE(second->map(), map);
    QCOMPARE(map.use_count(), 3);
    second->setMapId(QUuid::createUuid());
    QCOMPARE(first.map(), map);

    const UTMCoordinateConverter utm({1, 2, 3}, 33, false);
    const std::unique_ptr<CoordinateConverter> utmCopy(utm.clone());
    auto *utmSecond = qobject_cast<UTMCoordinateConverter *>(utmCopy.get());
    QVERIFY(utmSecond);
    QCOMPARE(utmSecond->offset(), (Coordinate{1, 2, 3}));
    QCOMPARE(utmSecond->zone(), 33);
    QCOMPARE(utmSecond->north(), false);

    const LocalTangentPlaneCoordinateConverter plane(QGeoCoordinate(-33.9, 18.4, 7));
    const std::unique_ptr<CoordinateConverter> planeCopy(plane.clone());
    QCOMPARE(planeCopy->type(), CoordinateConverter::local_tangent_plane);
    QCOMPARE(qobject_cast<LocalTangentPlaneCoordinateConverter *>(planeCopy.get())->reference(), plane.reference());
}

void tst_CoordinateConverters::localTangentPlaneReference()
{
    LocalTangentPlaneCoordinateConverter plane(QGeoCoordinate(52, 5));
    QCOMPARE(plane.reference(), QGeoCoordinate(52, 5, 0));
    QCOMPARE(plane.reference().type(), QGeoCoordinate::Coordinate3D);
    QSignalSpy changed(&plane, &LocalTangentPlaneCoordinateConverter::referenceChanged);
    plane.setReference(QGeoCoordinate(52, 5));
    plane.setReference(QGeoCoordinate(52, 5, 0));
    QCOMPARE(changed.count(), 0);

    plane.setReference(QGeoCoordinate(52, 6, 10));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(plane.convertFromGeo(QGeoCoordinate(52, 6, 10)), (Coordinate{0, 0, 0}));
    // A new reference without altitude: at altitude 0, not undefined.
    plane.setReference(QGeoCoordinate(52, 5));
    QCOMPARE(changed.count(), 2);
    QCOMPARE(plane.reference(), QGeoCoordinate(52, 5, 0));
    const Coordinate up = plane.convertFromGeo(QGeoCoordinate(52, 5, 20));
    QVERIFY(std::abs(up.z - 20) < millimetre);
}

void tst_CoordinateConverters::utmSettersSignalChangesOnly()
{
    UTMCoordinateConverter utm({1, 2, 3}, 31, true);
    SignalRecorder recorder(&utm);
    utm.setOffset({1, 2, 3});
    utm.setZone(31);
    utm.setNorth(true);
    QVERIFY(recorder.lines.isEmpty());
    utm.setOffset({1, 2, 3.5});
    utm.setZone(32);
    utm.setNorth(false);
    QCOMPARE(recorder.lines, (QStringList{"offsetChanged", "zoneChanged", "northChanged"}));
    // A zone that does not exist is kept, and refused when converting.
    const LogCapture log(warnings());
    utm.setZone(0);
    QVERIFY(!utm.convertToGeo({500000, 0, 0}).isValid());
    QCOMPARE(log.lines().size(), 1);
    utm.setZone(33);
    QVERIFY(utm.convertToGeo({500000, 9000000, 0}).isValid());
}

QTEST_GUILESS_MAIN(tst_CoordinateConverters)
#include "tst_CoordinateConverters.moc"
