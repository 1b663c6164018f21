#include "BasicSlDataType.h"
#include "FixedPointDataType.h"

#include <QTest>

#include <cmath>
#include <limits>
#include <memory>

using namespace monitoring;

using DataType = std::shared_ptr<IDataType>;
Q_DECLARE_METATYPE(DataType)

namespace {

constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();
constexpr double infinity = std::numeric_limits<double>::infinity();

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

QByteArray bytesOfDouble(double value)
{
    QByteArray bytes(8, '\0');
    codec::store(value, reinterpret_cast<uint8_t *>(bytes.data()));
    return bytes;
}

template<typename T, uint8_t Id>
DataType builtIn()
{
    return std::make_shared<BasicSlDataType<T, Id>>(DataTypeIdentity{Id, 0, {}, {}});
}

template<typename T, uint8_t Id>
DataType complexBuiltIn()
{
    return std::make_shared<BasicComplexSlDataType<T, Id>>(DataTypeIdentity{Id, 0, {}, {}});
}

template<typename T>
FixedPointScaling<T> scaling(double slope, double bias, T rawMinimum, T rawMaximum)
{
    return {slope, bias, rawMinimum, rawMaximum};
}

template<typename T>
DataType fixedPoint(double slope, double bias, T rawMinimum = std::numeric_limits<T>::min(),
                    T rawMaximum = std::numeric_limits<T>::max())
{
    return std::make_shared<FixedPointDataType<T>>(DataTypeIdentity{}, scaling(slope, bias, rawMinimum, rawMaximum));
}

template<typename T>
DataType complexFixedPoint(double slope, double bias)
{
    return std::make_shared<ComplexFixedPointDataType<T>>(
        DataTypeIdentity{}, scaling(slope, bias, std::numeric_limits<T>::min(), std::numeric_limits<T>::max()));
}

// Signed 8-bit word, slope 0.5, bias 1.
DataType halfStep()
{
    return fixedPoint<int8_t>(0.5, 1);
}
// The board's slope 2^-4 × 1.6, which is 0.1 with the binary error of the division.
DataType tenthStep()
{
    return fixedPoint<uint8_t>(std::ldexp(1.6, -4), 0);
}

uint8_t *bytesOf(QByteArray &bytes)
{
    return reinterpret_cast<uint8_t *>(bytes.data());
}

MutableElementBytes element(QByteArray &bytes)
{
    return {bytesOf(bytes), std::size_t(bytes.size())};
}

// Equal values, NaN matching NaN, and the sign of a zero mattering.
bool sameDouble(double a, double b)
{
    return (std::isnan(a) && std::isnan(b)) || (a == b && std::signbit(a) == std::signbit(b));
}

} // namespace

class tst_SimulinkDataTypes : public QObject
{
    Q_OBJECT

private slots:
    // An element as received: its value as a double and as a 64-bit integer.
    void readsElement_data()
    {
        QTest::addColumn<DataType>("type");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<double>("value");
        QTest::addColumn<qint64>("integer");

        QTest::newRow("double") << builtIn<double, DoubleTypeId>() << hex("000000000000f8bf") << -1.5 << qint64(-1);
        QTest::newRow("double -0") << builtIn<double, DoubleTypeId>() << hex("0000000000000080") << -0.0 << qint64(0);
        QTest::newRow("double NaN") << builtIn<double, DoubleTypeId>() << hex("000000000000f87f") << notANumber
                                    << qint64(0);
        QTest::newRow("double +infinity saturates") << builtIn<double, DoubleTypeId>() << hex("000000000000f07f")
                                                    << infinity << std::numeric_limits<qint64>::max();
        QTest::newRow("double 1e300 saturates")
            << builtIn<double, DoubleTypeId>() << bytesOfDouble(1e300) << 1e300 << std::numeric_limits<qint64>::max();
        QTest::newRow("double -1e300 saturates")
            << builtIn<double, DoubleTypeId>() << bytesOfDouble(-1e300) << -1e300 << std::numeric_limits<qint64>::min();
        QTest::newRow("single 0.1") << builtIn<float, SingleTypeId>() << hex("cdcccc3d") << double(0.1f) << qint64(0);
        QTest::newRow("single -2.75") << builtIn<float, SingleTypeId>() << hex("000030c0") << -2.75 << qint64(-2);
        QTest::newRow("single -infinity")
            << builtIn<float, SingleTypeId>() << hex("000080ff") << -infinity << std::numeric_limits<qint64>::min();
        QTest::newRow("int8 -1") << builtIn<int8_t, Int8TypeId>() << hex("ff") << -1.0 << qint64(-1);
        QTest::newRow("uint8 255") << builtIn<uint8_t, UInt8TypeId>() << hex("ff") << 255.0 << qint64(255);
        QTest::newRow("int16 min") << builtIn<int16_t, Int16TypeId>() << hex("0080") << -32768.0 << qint64(-32768);
        QTest::newRow("uint16 max") << builtIn<uint16_t, UInt16TypeId>() << hex("ffff") << 65535.0 << qint64(65535);
        QTest::newRow("int32 min") << builtIn<int32_t, Int32TypeId>() << hex("00000080") << -2147483648.0
                                   << qint64(-2147483648LL);
        QTest::newRow("uint32 max") << builtIn<uint32_t, UInt32TypeId>() << hex("ffffffff") << 4294967295.0
                                    << qint64(4294967295LL);
        QTest::newRow("boolean byte 2 is kept") << builtIn<uint8_t, BooleanTypeId>() << hex("02") << 2.0 << qint64(2);
        QTest::newRow("complex int16 3+4i")
            << complexBuiltIn<int16_t, Int16TypeId>() << hex("0300 0400") << 5.0 << qint64(5);
        QTest::newRow("complex double magnitude")
            << complexBuiltIn<double, DoubleTypeId>() << hex("000000000000f8bf 0000000000000000") << 1.5 << qint64(1);
        QTest::newRow("complex double huge parts do not overflow")
            << complexBuiltIn<double, DoubleTypeId>() << hex("000000000000d07f 000000000000d07f")
            << std::hypot(std::ldexp(1.0, 1022), std::ldexp(1.0, 1022)) << std::numeric_limits<qint64>::max();
        QTest::newRow("fixed point raw 10") << halfStep() << hex("0a") << 6.0 << qint64(6);
        QTest::newRow("fixed point raw -128") << halfStep() << hex("80") << -63.0 << qint64(-63);
        QTest::newRow("fixed point unsigned 64-bit raw max")
            << fixedPoint<uint64_t>(1, 0) << hex("ffffffffffffffff") << 18446744073709551615.0
            << std::numeric_limits<qint64>::max();
        QTest::newRow("fixed point signed 64-bit raw min")
            << fixedPoint<int64_t>(1, 0) << hex("0000000000000080") << -9223372036854775808.0
            << std::numeric_limits<qint64>::min();
        QTest::newRow("complex fixed point 3+4i scaled")
            << complexFixedPoint<int16_t>(0.5, 0) << hex("0600 0800") << 5.0 << qint64(5);
    }

    void readsElement()
    {
        QFETCH(DataType, type);
        QFETCH(QByteArray, bytes);
        QFETCH(double, value);
        QFETCH(qint64, integer);

        QCOMPARE(int(bytes.size()), int(type->size()));
        QVERIFY2(sameDouble(type->toDouble(element(bytes)), value),
                 qPrintable(QString::number(type->toDouble(element(bytes)), 'g', 17)));
        QCOMPARE(qint64(type->toInt64(element(bytes))), integer);
    }

    // A double written into an element: clamped into the type's range, then truncated
    // (integers), rounded (single, fixed point) or stored as it is (double).
    void writesDouble_data()
    {
        QTest::addColumn<DataType>("type");
        QTest::addColumn<double>("value");
        QTest::addColumn<QByteArray>("bytes");

        QTest::newRow("uint8 300 clamps") << builtIn<uint8_t, UInt8TypeId>() << 300.0 << hex("ff");
        QTest::newRow("uint8 -1 clamps") << builtIn<uint8_t, UInt8TypeId>() << -1.0 << hex("00");
        QTest::newRow("int8 -2.7 truncates") << builtIn<int8_t, Int8TypeId>() << -2.7 << hex("fe");
        QTest::newRow("int8 2.7 truncates") << builtIn<int8_t, Int8TypeId>() << 2.7 << hex("02");
        QTest::newRow("int16 -infinity clamps") << builtIn<int16_t, Int16TypeId>() << -infinity << hex("0080");
        QTest::newRow("int16 NaN writes 0") << builtIn<int16_t, Int16TypeId>() << notANumber << hex("0000");
        QTest::newRow("uint16 +infinity clamps") << builtIn<uint16_t, UInt16TypeId>() << infinity << hex("ffff");
        QTest::newRow("int32 -1e12 clamps") << builtIn<int32_t, Int32TypeId>() << -1e12 << hex("00000080");
        QTest::newRow("uint32 5e9 clamps") << builtIn<uint32_t, UInt32TypeId>() << 5e9 << hex("ffffffff");
        QTest::newRow("uint32 2^64 clamps")
            << builtIn<uint32_t, UInt32TypeId>() << 18446744073709551616.0 << hex("ffffffff");
        QTest::newRow("uint32 NaN writes 0") << builtIn<uint32_t, UInt32TypeId>() << notANumber << hex("00000000");
        QTest::newRow("boolean 0.9 truncates") << builtIn<uint8_t, BooleanTypeId>() << 0.9 << hex("00");
        QTest::newRow("boolean 5 clamps") << builtIn<uint8_t, BooleanTypeId>() << 5.0 << hex("01");
        QTest::newRow("boolean -3 clamps") << builtIn<uint8_t, BooleanTypeId>() << -3.0 << hex("00");
        QTest::newRow("single rounds to nearest") << builtIn<float, SingleTypeId>() << 0.1 << hex("cdcccc3d");
        QTest::newRow("single 1e39 clamps") << builtIn<float, SingleTypeId>() << 1e39 << hex("ffff7f7f");
        QTest::newRow("single -infinity clamps") << builtIn<float, SingleTypeId>() << -infinity << hex("ffff7fff");
        QTest::newRow("single NaN stays NaN") << builtIn<float, SingleTypeId>() << notANumber << hex("0000c07f");
        QTest::newRow("double stored as is") << builtIn<double, DoubleTypeId>() << 0.1 << hex("9a9999999999b93f");
        QTest::newRow("double NaN stays NaN")
            << builtIn<double, DoubleTypeId>() << notANumber << hex("000000000000f87f");
        QTest::newRow("fixed point 6.2") << halfStep() << 6.2 << hex("0a");
        QTest::newRow("fixed point -100 clamps") << halfStep() << -100.0 << hex("80");
        QTest::newRow("fixed point 1000 clamps") << halfStep() << 1000.0 << hex("7f");
        QTest::newRow("fixed point NaN") << halfStep() << notANumber << hex("00");
        QTest::newRow("fixed point +infinity") << halfStep() << infinity << hex("00");
        QTest::newRow("fixed point -infinity") << halfStep() << -infinity << hex("00");
        QTest::newRow("fixed point zero slope") << fixedPoint<int8_t>(0, 0) << 1.0 << hex("00");
        QTest::newRow("fixed point 0.3 at slope 0.1") << tenthStep() << 0.3 << hex("03");
        QTest::newRow("fixed point 0.6 at slope 0.1") << tenthStep() << 0.6 << hex("06");
        QTest::newRow("fixed point 0.7 at slope 0.1") << tenthStep() << 0.7 << hex("07");
        QTest::newRow("fixed point 12-bit word clamps") << fixedPoint<uint16_t>(1, 0, 0, 4095) << 5000.0 << hex("ff0f");
        QTest::newRow("fixed point unsigned 64-bit above range")
            << fixedPoint<uint64_t>(1, 0) << 1e30 << hex("ffffffffffffffff");
        QTest::newRow("fixed point unsigned 64-bit at 2^64")
            << fixedPoint<uint64_t>(1, 0) << 18446744073709551616.0 << hex("ffffffffffffffff");
        QTest::newRow("fixed point unsigned 64-bit below range")
            << fixedPoint<uint64_t>(1, 0) << -5.0 << hex("0000000000000000");
        QTest::newRow("fixed point signed 64-bit at 2^63")
            << fixedPoint<int64_t>(1, 0) << 9223372036854775808.0 << hex("ffffffffffffff7f");
        QTest::newRow("fixed point signed 64-bit below range")
            << fixedPoint<int64_t>(1, 0) << -1e30 << hex("0000000000000080");
    }

    void writesDouble()
    {
        QFETCH(DataType, type);
        QFETCH(double, value);
        QFETCH(QByteArray, bytes);

        QByteArray written(type->size(), '\x5a');
        type->fromDouble(value, element(written));
        QCOMPARE(written.toHex(' '), bytes.toHex(' '));
    }

    // A 64-bit integer written into an element: integers keep its low-order bytes,
    // floating types round to nearest, fixed point goes through the double.
    void writesInt64_data()
    {
        QTest::addColumn<DataType>("type");
        QTest::addColumn<qint64>("value");
        QTest::addColumn<QByteArray>("bytes");

        QTest::newRow("uint8 300 wraps") << builtIn<uint8_t, UInt8TypeId>() << qint64(300) << hex("2c");
        QTest::newRow("uint16 -1 wraps") << builtIn<uint16_t, UInt16TypeId>() << qint64(-1) << hex("ffff");
        QTest::newRow("int32 2^31 wraps") << builtIn<int32_t, Int32TypeId>() << qint64(2147483648LL) << hex("00000080");
        QTest::newRow("boolean 5") << builtIn<uint8_t, BooleanTypeId>() << qint64(5) << hex("05");
        QTest::newRow("single 2^24+1 rounds") << builtIn<float, SingleTypeId>() << qint64(16777217) << hex("0000804b");
        QTest::newRow("double 2^53+1 rounds")
            << builtIn<double, DoubleTypeId>() << qint64(9007199254740993LL) << hex("0000000000004043");
        QTest::newRow("fixed point 6") << halfStep() << qint64(6) << hex("0a");
        QTest::newRow("fixed point int64 max") << halfStep() << std::numeric_limits<qint64>::max() << hex("7f");
    }

    void writesInt64()
    {
        QFETCH(DataType, type);
        QFETCH(qint64, value);
        QFETCH(QByteArray, bytes);

        QByteArray written(type->size(), '\x5a');
        type->fromInt64(value, element(written));
        QCOMPARE(written.toHex(' '), bytes.toHex(' '));
    }

    // Both parts of a complex element written and read back; the scalar writes leave
    // a complex element as it was.
    void writesComplexParts_data()
    {
        QTest::addColumn<DataType>("type");
        QTest::addColumn<double>("real");
        QTest::addColumn<double>("imag");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<double>("realRead");
        QTest::addColumn<double>("imagRead");

        QTest::newRow("int16 3+4i") << complexBuiltIn<int16_t, Int16TypeId>() << 3.0 << 4.0 << hex("0300 0400") << 3.0
                                    << 4.0;
        QTest::newRow("int8 parts truncate")
            << complexBuiltIn<int8_t, Int8TypeId>() << -2.7 << 2.7 << hex("fe 02") << -2.0 << 2.0;
        QTest::newRow("uint8 parts wrap, unclamped")
            << complexBuiltIn<uint8_t, UInt8TypeId>() << 300.0 << -1.0 << hex("2c ff") << 44.0 << 255.0;
        QTest::newRow("int8 parts beyond 32 bits saturate, NaN is 0")
            << complexBuiltIn<int8_t, Int8TypeId>() << 1e20 << notANumber << hex("ff 00") << -1.0 << 0.0;
        QTest::newRow("uint32 parts go through 64 bits") << complexBuiltIn<uint32_t, UInt32TypeId>() << -1.0 << 5e9
                                                         << hex("ffffffff 00f2052a") << 4294967295.0 << 705032704.0;
        QTest::newRow("boolean parts are unclamped bytes")
            << complexBuiltIn<uint8_t, BooleanTypeId>() << 2.0 << 0.0 << hex("02 00") << 2.0 << 0.0;
        QTest::newRow("single parts round, overflow to infinity")
            << complexBuiltIn<float, SingleTypeId>() << 1e39 << 0.5 << hex("0000807f 0000003f") << infinity << 0.5;
        QTest::newRow("double parts") << complexBuiltIn<double, DoubleTypeId>() << -0.0 << notANumber
                                      << hex("0000000000000080 000000000000f87f") << -0.0 << notANumber;
        QTest::newRow("fixed point parts round and clamp")
            << complexFixedPoint<int8_t>(0.5, 1) << 6.2 << 1000.0 << hex("0a 7f") << 6.0 << 64.5;
        QTest::newRow("fixed point NaN part")
            << complexFixedPoint<uint16_t>(0.25, 0) << notANumber << 1.0 << hex("0000 0400") << 0.0 << 1.0;
    }

    void writesComplexParts()
    {
        QFETCH(DataType, type);
        QFETCH(double, real);
        QFETCH(double, imag);
        QFETCH(QByteArray, bytes);
        QFETCH(double, realRead);
        QFETCH(double, imagRead);

        auto complexType = std::dynamic_pointer_cast<IComplexDataType>(type);
        QVERIFY(complexType);
        QVERIFY(type->isComplex());
        QCOMPARE(int(bytes.size()), int(type->size()));

        QByteArray written(type->size(), '\x5a');
        complexType->fromComplexDouble(real, imag, element(written));
        QCOMPARE(written.toHex(' '), bytes.toHex(' '));
        QVERIFY(sameDouble(complexType->realToDouble(element(written)), realRead));
        QVERIFY(sameDouble(complexType->imagToDouble(element(written)), imagRead));

        const QByteArray before = written;
        type->fromDouble(7.0, element(written));
        type->fromInt64(7, element(written));
        QCOMPARE(written, before);
    }

    void complexInt64Parts()
    {
        auto type = std::make_shared<BasicComplexSlDataType<uint16_t, UInt16TypeId>>(DataTypeIdentity{});
        QByteArray bytes(4, '\0');
        type->fromComplexInt64(-1, 65537, element(bytes));
        QCOMPARE(bytes, hex("ffff 0100"));
        QCOMPARE(qint64(type->realToInt64(element(bytes))), qint64(65535));
        QCOMPARE(qint64(type->imagToInt64(element(bytes))), qint64(1));

        auto fixed = std::make_shared<ComplexFixedPointDataType<int8_t>>(DataTypeIdentity{},
                                                                         scaling<int8_t>(0.5, 1, -128, 127));
        QByteArray fixedBytes(2, '\0');
        fixed->fromComplexInt64(6, -1000, element(fixedBytes));
        QCOMPARE(fixedBytes, hex("0a 80"));
        QCOMPARE(qint64(fixed->realToInt64(element(fixedBytes))), qint64(6));
        QCOMPARE(qint64(fixed->imagToInt64(element(fixedBytes))), qint64(-63));
    }

    // Size, kind and range that callers size buffers and clamp inputs by.
    void describesItself_data()
    {
        QTest::addColumn<DataType>("type");
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("integer");
        QTest::addColumn<bool>("complex");
        QTest::addColumn<double>("minDouble");
        QTest::addColumn<double>("maxDouble");
        QTest::addColumn<qint64>("minInt64");
        QTest::addColumn<qint64>("maxInt64");

        constexpr double dblMax = std::numeric_limits<double>::max();
        constexpr double fltMax = std::numeric_limits<float>::max();
        constexpr qint64 i64Min = std::numeric_limits<qint64>::min();
        constexpr qint64 i64Max = std::numeric_limits<qint64>::max();
        QTest::newRow("double") << builtIn<double, DoubleTypeId>() << 8 << false << false << -dblMax << dblMax << i64Min
                                << i64Max;
        QTest::newRow("single") << builtIn<float, SingleTypeId>() << 4 << false << false << -double(fltMax)
                                << double(fltMax) << i64Min << i64Max;
        QTest::newRow("int8") << builtIn<int8_t, Int8TypeId>() << 1 << true << false << -128.0 << 127.0 << qint64(-128)
                              << qint64(127);
        QTest::newRow("uint8") << builtIn<uint8_t, UInt8TypeId>() << 1 << true << false << 0.0 << 255.0 << qint64(0)
                               << qint64(255);
        QTest::newRow("int16") << builtIn<int16_t, Int16TypeId>() << 2 << true << false << -32768.0 << 32767.0
                               << qint64(-32768) << qint64(32767);
        QTest::newRow("uint16") << builtIn<uint16_t, UInt16TypeId>() << 2 << true << false << 0.0 << 65535.0
                                << qint64(0) << qint64(65535);
        QTest::newRow("int32") << builtIn<int32_t, Int32TypeId>() << 4 << true << false << -2147483648.0 << 2147483647.0
                               << qint64(-2147483648LL) << qint64(2147483647);
        QTest::newRow("uint32") << builtIn<uint32_t, UInt32TypeId>() << 4 << true << false << 0.0 << 4294967295.0
                                << qint64(0) << qint64(4294967295LL);
        QTest::newRow("boolean") << builtIn<uint8_t, BooleanTypeId>() << 1 << true << false << 0.0 << 1.0 << qint64(0)
                                 << qint64(1);
        QTest::newRow("complex double") << complexBuiltIn<double, DoubleTypeId>() << 16 << false << true << -dblMax
                                        << dblMax << i64Min << i64Max;
        QTest::newRow("complex uint16") << complexBuiltIn<uint16_t, UInt16TypeId>() << 4 << true << true << 0.0
                                        << 65535.0 << qint64(0) << qint64(65535);
        QTest::newRow("fixed point int8")
            << halfStep() << 1 << false << false << -63.0 << 64.5 << qint64(-63) << qint64(64);
        QTest::newRow("fixed point 12-bit word") << fixedPoint<uint16_t>(0.0625, 0, 0, 4095) << 2 << false << false
                                                 << 0.0 << 255.9375 << qint64(0) << qint64(255);
        QTest::newRow("fixed point uint64") << fixedPoint<uint64_t>(1, 0) << 8 << false << false << 0.0
                                            << 18446744073709551615.0 << qint64(0) << i64Max;
        QTest::newRow("complex fixed point int32")
            << complexFixedPoint<int32_t>(2, -1) << 8 << false << true << -4294967297.0 << 4294967293.0
            << qint64(-4294967297LL) << qint64(4294967293LL);
    }

    void describesItself()
    {
        QFETCH(DataType, type);
        QFETCH(int, size);
        QFETCH(bool, integer);
        QFETCH(bool, complex);
        QFETCH(double, minDouble);
        QFETCH(double, maxDouble);
        QFETCH(qint64, minInt64);
        QFETCH(qint64, maxInt64);

        QCOMPARE(int(type->size()), size);
        QCOMPARE(type->isInteger(), integer);
        QCOMPARE(type->isComplex(), complex);
        QCOMPARE(type->minDouble(), minDouble);
        QCOMPARE(type->maxDouble(), maxDouble);
        QCOMPARE(qint64(type->minInt64()), minInt64);
        QCOMPARE(qint64(type->maxInt64()), maxInt64);
    }

    // Every raw value of a 16-bit word read as a double and written back gives the same
    // raw value, whatever the binary error of the slope.
    void fixedPointRoundTripsEveryRawValue_data()
    {
        QTest::addColumn<double>("slope");
        QTest::addColumn<double>("bias");

        QTest::newRow("slope 0.1") << std::ldexp(1.6, -4) << 0.0;
        QTest::newRow("slope 0.01, bias -3.3") << 0.01 << -3.3;
        QTest::newRow("slope 2^-10, bias 0.7") << std::ldexp(1.0, -10) << 0.7;
        QTest::newRow("slope 3.3, bias 1e4") << 3.3 << 1e4;
    }

    void fixedPointRoundTripsEveryRawValue()
    {
        QFETCH(double, slope);
        QFETCH(double, bias);

        const DataType type = fixedPoint<int16_t>(slope, bias);
        QByteArray raw(2, '\0');
        QByteArray written(2, '\0');
        for (int value = -32768; value <= 32767; ++value) {
            codec::store(int16_t(value), bytesOf(raw));
            type->fromDouble(type->toDouble(element(raw)), element(written));
            if (written != raw)
                QFAIL(qPrintable(QStringLiteral("raw %1 came back as %2").arg(value).arg(written.toHex())));
        }
    }

    // Every value of the integer types and a sweep of singles survive a read and write.
    void builtInRoundTrips_data()
    {
        QTest::addColumn<DataType>("type");
        QTest::newRow("int8") << builtIn<int8_t, Int8TypeId>();
        QTest::newRow("uint8") << builtIn<uint8_t, UInt8TypeId>();
        QTest::newRow("int16") << builtIn<int16_t, Int16TypeId>();
        QTest::newRow("uint16") << builtIn<uint16_t, UInt16TypeId>();
        QTest::newRow("int32") << builtIn<int32_t, Int32TypeId>();
        QTest::newRow("uint32") << builtIn<uint32_t, UInt32TypeId>();
        QTest::newRow("single") << builtIn<float, SingleTypeId>();
        QTest::newRow("double") << builtIn<double, DoubleTypeId>();
    }

    void builtInRoundTrips()
    {
        QFETCH(DataType, type);

        // Bit patterns spread over the whole width: all of them for 8 and 16 bits.
        const int size = type->size();
        const uint64_t patterns = size <= 2 ? (uint64_t(1) << (8 * size)) : 100000;
        QByteArray bytes(size, '\0');
        QByteArray viaDouble(size, '\0');
        QByteArray viaInt64(size, '\0');
        uint64_t pattern = 0x9e3779b97f4a7c15;
        for (uint64_t n = 0; n < patterns; ++n) {
            pattern = size <= 2 ? n : pattern * 6364136223846793005ULL + 1442695040888963407ULL;
            std::memcpy(bytes.data(), &pattern, size);
            const double value = type->toDouble(element(bytes));
            if (!std::isfinite(value)) // infinities clamp to the largest finite value
                continue;
            type->fromDouble(value, element(viaDouble));
            if (viaDouble != bytes)
                QFAIL(qPrintable(QStringLiteral("%1 came back as %2").arg(bytes.toHex(), viaDouble.toHex())));
            if (type->isInteger()) {
                type->fromInt64(type->toInt64(element(bytes)), element(viaInt64));
                if (viaInt64 != bytes)
                    QFAIL(qPrintable(QStringLiteral("%1 came back as %2").arg(bytes.toHex(), viaInt64.toHex())));
            }
        }
    }

    void keepsIdentity()
    {
        const BasicSlDataType<int16_t, Int16TypeId> type(DataTypeIdentity{Int16TypeId, 7, "Gain_T", "int16"});
        QCOMPARE(type.typeId(), uint8_t(Int16TypeId));
        QCOMPARE(type.dataTypeIndex(), uint16_t(7));
        QCOMPARE(type.name(), QByteArray("Gain_T"));
        QCOMPARE(type.secondName(), QByteArray("int16"));
    }
};

QTEST_APPLESS_MAIN(tst_SimulinkDataTypes)
#include "tst_SimulinkDataTypes.moc"
