#include "Coordinate.h"
#include "Pose.h"
#include "PoseWithCovariance.h"
#include "PoseWithTwist.h"
#include "Twist.h"
#include "TwistWithCovariance.h"

#include <QBuffer>
#include <QDataStream>
#include <QDebug>
#include <QMetaProperty>
#include <QTest>

#include <cmath>
#include <limits>

namespace {

QStringList propertyNames(const QMetaObject &meta)
{
    QStringList names;
    for (int i = 0; i < meta.propertyCount(); ++i)
        names << QString::fromLatin1(meta.property(i).name());
    return names;
}

bool same(double a, double b)
{
    return (std::isnan(a) && std::isnan(b)) || a == b;
}

constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();

} // namespace

class tst_GeometryValues : public QObject
{
    Q_OBJECT

private slots:
    void normalizing_data();
    void normalizing();
    void lengthsDoNotOverflow();
    void arithmeticLeavesTheValueAlone();
    void equalityIsExactAndReachesVariants();
    void propertiesAsDeclared_data();
    void propertiesAsDeclared();
    void propertiesReadAndWriteThroughTheMetaObject();
    void coordinateStreamsRoundTrip_data();
    void coordinateStreamsRoundTrip();
    void coordinateDebugForm();
    void interpolation();
};

void tst_GeometryValues::normalizing_data()
{
    QTest::addColumn<Coordinate>("value");
    QTest::addColumn<Coordinate>("normalizedInPlace");
    QTest::addColumn<Coordinate>("normalizedCopy");

    QTest::newRow("zero") << Coordinate{0, 0, 0} << Coordinate{0, 0, 0} << Coordinate{0, 0, 0};
    QTest::newRow("almost zero") << Coordinate{1e-13, 0, 0} << Coordinate{1e-13, 0, 0} << Coordinate{0, 0, 0};
    QTest::newRow("almost unit") << Coordinate{1 + 1e-13, 0, 0} << Coordinate{1 + 1e-13, 0, 0}
                                 << Coordinate{1 + 1e-13, 0, 0};
    QTest::newRow("unit") << Coordinate{0, -1, 0} << Coordinate{0, -1, 0} << Coordinate{0, -1, 0};
    QTest::newRow("3-4-0") << Coordinate{3, 4, 0} << Coordinate{0.6, 0.8, 0} << Coordinate{0.6, 0.8, 0};
    QTest::newRow("just beyond the tolerance") << Coordinate{2e-12, 0, 0} << Coordinate{1, 0, 0} << Coordinate{1, 0, 0};
    QTest::newRow("huge") << Coordinate{0, -1e300, 0} << Coordinate{0, -1, 0} << Coordinate{0, -1, 0};
    QTest::newRow("not a number") << Coordinate{notANumber, 1, 0} << Coordinate{notANumber, notANumber, notANumber}
                                  << Coordinate{notANumber, notANumber, notANumber};
}

void tst_GeometryValues::normalizing()
{
    QFETCH(Coordinate, value);
    QFETCH(Coordinate, normalizedInPlace);
    QFETCH(Coordinate, normalizedCopy);

    const Coordinate copy = value.normalized();
    QVERIFY2(same(copy.x, normalizedCopy.x) && same(copy.y, normalizedCopy.y) && same(copy.z, normalizedCopy.z),
             qPrintable(QDebug::toString(copy)));
    Coordinate inPlace = value;
    inPlace.normalize();
    QVERIFY2(same(inPlace.x, normalizedInPlace.x) && same(inPlace.y, normalizedInPlace.y)
                 && same(inPlace.z, normalizedInPlace.z),
             qPrintable(QDebug::toString(inPlace)));
}

void tst_GeometryValues::lengthsDoNotOverflow()
{
    const Coordinate far{1e200, 0, 0};
    QCOMPARE(far.distanceToPoint(Coordinate{-1e200, 0, 0}), 2e200);
    QCOMPARE((Coordinate{3e200, 4e200, 0}).length(), 5e200);
    QCOMPARE((Coordinate{1, 2, 2}).length(), 3.0);
    QCOMPARE((Coordinate{1, 2, 2}).lengthSquared(), 9.0);
    QCOMPARE((Coordinate{0.1, 0.2, 0.3}).lengthSquared(), 0.1 * 0.1 + 0.2 * 0.2 + 0.3 * 0.3);
}

void tst_GeometryValues::arithmeticLeavesTheValueAlone()
{
    const Coordinate a{1, 2, 3};
    const Coordinate b{0.5, -1, 4};
    QCOMPARE(a.add(b), (Coordinate{1.5, 1, 7}));
    QCOMPARE(a.minus(b), (Coordinate{0.5, 3, -1}));
    QCOMPARE(a.times(-2), (Coordinate{-2, -4, -6}));
    QCOMPARE(a, (Coordinate{1, 2, 3}));
}

void tst_GeometryValues::equalityIsExactAndReachesVariants()
{
    QVERIFY((Coordinate{0.1 + 0.2, 0, 0}) != (Coordinate{0.3, 0, 0}));
    QCOMPARE(QVariant::fromValue(Coordinate{0.1 + 0.2, 0, 0}) == QVariant::fromValue(Coordinate{0.3, 0, 0}), false);
    QCOMPARE(QVariant::fromValue(Coordinate{1, 2, 3}) == QVariant::fromValue(Coordinate{1, 2, 3}), true);

    const Pose pose;
    QCOMPARE(pose.orientation, QQuaternion(1, 0, 0, 0));
    QCOMPARE(pose, Pose());
    Pose turned;
    turned.orientation = QQuaternion(0, 0, 0, 1);
    QVERIFY(turned != pose);
    QCOMPARE(QVariant::fromValue(turned) == QVariant::fromValue(pose), false);

    PoseWithCovariance a;
    a.covariance = {1, 2};
    PoseWithCovariance b = a;
    QCOMPARE(a, b);
    QCOMPARE(QVariant::fromValue(a) == QVariant::fromValue(b), true);
    b.covariance << 0;
    QVERIFY(a != b);
    QCOMPARE(QVariant::fromValue(a) == QVariant::fromValue(b), false);

    Twist twist;
    twist.angular_velocity = QVector3D(0, 0, 1);
    QVERIFY(twist != Twist());
    QCOMPARE(QVariant::fromValue(twist) == QVariant::fromValue(Twist()), false);
    TwistWithCovariance withCovariance;
    withCovariance.covariance = {0};
    QVERIFY(withCovariance != TwistWithCovariance());
    PoseWithTwist moving;
    moving.linear_velocity = QVector3D(1, 0, 0);
    QVERIFY(moving != PoseWithTwist());
    moving.linear_velocity = QVector3D();
    QCOMPARE(QVariant::fromValue(moving) == QVariant::fromValue(PoseWithTwist()), true);
}

void tst_GeometryValues::propertiesAsDeclared_data()
{
    QTest::addColumn<QMetaType>("type");
    QTest::addColumn<QStringList>("properties");

    QTest::newRow("Coordinate") << QMetaType::fromType<Coordinate>() << QStringList{"x", "y", "z"};
    QTest::newRow("Pose") << QMetaType::fromType<Pose>() << QStringList{"position", "orientation"};
    QTest::newRow("PoseWithCovariance") << QMetaType::fromType<PoseWithCovariance>()
                                        << QStringList{"position", "orientation", "covariance"};
    QTest::newRow("Twist") << QMetaType::fromType<Twist>() << QStringList{"linear_velocity", "angular_velocity"};
    QTest::newRow("TwistWithCovariance") << QMetaType::fromType<TwistWithCovariance>()
                                         << QStringList{"linearVelocity", "angularVelocity", "covariance"};
    QTest::newRow("PoseWithTwist") << QMetaType::fromType<PoseWithTwist>()
                                   << QStringList{"position", "orientation", "linear_velocity", "angular_velocity"};
}

// Each type is known by its own name, with its properties in the declared order; the
// velocity names of Twist and TwistWithCovariance differ on purpose.
void tst_GeometryValues::propertiesAsDeclared()
{
    QFETCH(QMetaType, type);
    QFETCH(QStringList, properties);
    QCOMPARE(QString::fromLatin1(type.name()), QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(type.metaObject());
    QCOMPARE(propertyNames(*type.metaObject()), properties);
}

void tst_GeometryValues::propertiesReadAndWriteThroughTheMetaObject()
{
    PoseWithCovariance pose;
    const QMetaObject &meta = PoseWithCovariance::staticMetaObject;
    QVERIFY(
        meta.property(meta.indexOfProperty("position")).writeOnGadget(&pose, QVariant::fromValue(Coordinate{1, 2, 3})));
    QVERIFY(meta.property(meta.indexOfProperty("covariance"))
                .writeOnGadget(&pose, QVariant::fromValue(QList<double>{0.5})));
    QCOMPARE(pose.position, (Coordinate{1, 2, 3}));
    QCOMPARE(pose.covariance, QList<double>{0.5});
    QCOMPARE(meta.property(meta.indexOfProperty("orientation")).readOnGadget(&pose).value<QQuaternion>(),
             QQuaternion());

    Coordinate c;
    QVERIFY(Coordinate::staticMetaObject.property(Coordinate::staticMetaObject.indexOfProperty("y"))
                .writeOnGadget(&c, 4.5));
    QCOMPARE(c, (Coordinate{0, 4.5, 0}));
    // The invokables are reachable through the meta-object too (as QML calls them).
    double length = 0;
    const Coordinate three{0, 3, 4};
    QVERIFY(Coordinate::staticMetaObject.method(Coordinate::staticMetaObject.indexOfMethod("length()"))
                .invokeOnGadget(const_cast<Coordinate *>(&three), Q_RETURN_ARG(double, length)));
    QCOMPARE(length, 5.0);
}

void tst_GeometryValues::coordinateStreamsRoundTrip_data()
{
    QTest::addColumn<int>("byteOrder");
    QTest::addColumn<int>("precision");
    QTest::addColumn<Coordinate>("expected");
    const Coordinate value{0.1, -2.5e300, 3};
    QTest::newRow("big endian, double") << int(QDataStream::BigEndian) << int(QDataStream::DoublePrecision) << value;
    QTest::newRow("little endian, double")
        << int(QDataStream::LittleEndian) << int(QDataStream::DoublePrecision) << value;
    QTest::newRow("single precision") << int(QDataStream::BigEndian) << int(QDataStream::SinglePrecision)
                                      << Coordinate{double(0.1f), -std::numeric_limits<double>::infinity(), 3};
}

void tst_GeometryValues::coordinateStreamsRoundTrip()
{
    QFETCH(int, byteOrder);
    QFETCH(int, precision);
    QFETCH(Coordinate, expected);

    QByteArray bytes;
    {
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out.setByteOrder(QDataStream::ByteOrder(byteOrder));
        out.setFloatingPointPrecision(QDataStream::FloatingPointPrecision(precision));
        out << Coordinate{0.1, -2.5e300, 3};
    }
    QCOMPARE(bytes.size(), precision == QDataStream::DoublePrecision ? 24 : 12);
    QDataStream in(bytes);
    in.setByteOrder(QDataStream::ByteOrder(byteOrder));
    in.setFloatingPointPrecision(QDataStream::FloatingPointPrecision(precision));
    Coordinate read;
    in >> read;
    QCOMPARE(in.status(), QDataStream::Ok);
    QCOMPARE(read, expected);
}

void tst_GeometryValues::coordinateDebugForm()
{
    QString text;
    QDebug(&text) << Coordinate{1, 2.5, -3} << "after";
    QCOMPARE(text, QStringLiteral("Coordinate(1, 2.5, -3) after "));
}

void tst_GeometryValues::interpolation()
{
    Pose from;
    from.position = {0, 0, 0};
    Pose to;
    to.position = {10, -4, 2};
    to.orientation = QQuaternion::fromAxisAndAngle(0, 0, 1, 90);

    const Pose start = from.interpolate(to, 0);
    QCOMPARE(start.position, from.position);
    QVERIFY(qFuzzyCompare(start.orientation, from.orientation));
    const Pose middle = from.interpolate(to, 0.5);
    QCOMPARE(middle.position, (Coordinate{5, -2, 1}));
    QVERIFY(qFuzzyCompare(middle.orientation, QQuaternion::fromAxisAndAngle(0, 0, 1, 45)));
    const Pose end = from.interpolate(to, 1);
    QCOMPARE(end.position, to.position);
    QVERIFY(qFuzzyCompare(end.orientation, to.orientation));

    // The derived poses interpolate their pose part.
    PoseWithTwist moving;
    moving.position = {2, 2, 2};
    const Pose half = static_cast<const Pose &>(moving).interpolate(to, 0.5);
    QCOMPARE(half.position, (Coordinate{6, -1, 2}));
}

QTEST_GUILESS_MAIN(tst_GeometryValues)

#include "tst_GeometryValues.moc"
