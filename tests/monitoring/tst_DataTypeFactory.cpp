#include "DataTypeFactory.h"

#include <QRegularExpression>
#include <QTest>

#include <cmath>

using namespace monitoring;
using namespace monitoring::protocol;

namespace {

datatype_t record(uint8_t typeId, uint16_t dataSize, bool complex = false, uint8_t storageId = 0)
{
    datatype_t r;
    r.typeId = typeId;
    r.dataSize = dataSize;
    r.flags = complex ? datatype_t::ComplexFlag : 0;
    r.storageId = storageId;
    return r;
}

fxp_info_t scaling(uint8_t wordLength, bool isSigned, int8_t exponent = 0, double fraction = 1, double bias = 0,
                   uint8_t scalingKind = 0)
{
    return {scalingKind, wordLength, exponent, uint8_t(isSigned ? 1 : 0), fraction, bias};
}

// The board's lists of a model that uses every family, and some records no host can
// serve. Record i is named "T<i>" and "S<i>" in the two name tables.
enum Record : uint16_t {
    Double,
    Int32,
    ComplexInt32,
    EnumInt16,
    EnumSingle,
    EnumUInt8,
    EnumUInt32,
    EnumEightBytes,
    Bus,
    Fixed2,
    Fixed1,
    Fixed4,
    Fixed8,
    ComplexFixed4,
    ComplexFixed3,
    UnknownId,
    UnnamedBoolean,
    ComplexUnknownId,
    ComplexEnum,
    Fixed3,
    RecordCount
};
enum Scaling : int32_t {
    NoScaling,
    Word12Unsigned,
    Word8Signed,
    Word16Signed,
    Word65,
    Word0,
    ScalingKind1,
    Word64Unsigned,
    Word32Signed,
    Word64Signed,
    ScalingCount
};

DataTypeFactory boardFactory()
{
    QList<datatype_t> types(RecordCount);
    types[Double] = record(0, 8);
    types[Int32] = record(6, 4);
    types[ComplexInt32] = record(6, 8, true);
    types[EnumInt16] = record(254, 2, false, 6);
    types[EnumSingle] = record(254, 4, false, 1);
    types[EnumUInt8] = record(254, 1, false, 3);
    types[EnumUInt32] = record(254, 4, false, 7);
    types[EnumEightBytes] = record(254, 8, false, 6);
    types[Bus] = record(255, 12);
    types[Fixed2] = record(5, 2);
    types[Fixed1] = record(3, 1);
    types[Fixed4] = record(6, 4);
    types[Fixed8] = record(9, 8);
    types[ComplexFixed4] = record(4, 4, true);
    types[ComplexFixed3] = record(4, 3, true);
    types[UnknownId] = record(9, 1);
    types[UnnamedBoolean] = record(8, 1);
    types[ComplexUnknownId] = record(9, 2, true);
    types[ComplexEnum] = record(254, 4, true, 6);
    types[Fixed3] = record(5, 3);
    QList<QByteArray> names, secondNames;
    for (int i = 0; i < RecordCount; ++i) {
        types[i].nameIndex = uint16_t(i);
        names.append(QByteArray("T" + QByteArray::number(i)));
        secondNames.append(QByteArray("S" + QByteArray::number(i)));
    }
    types[UnnamedBoolean].nameIndex = 99;

    QList<fxp_info_t> scalings(ScalingCount);
    scalings[Word12Unsigned] = scaling(12, false, -4, 1.0);
    scalings[Word8Signed] = scaling(8, true, -1, 1.0, 1.0);
    scalings[Word16Signed] = scaling(16, true);
    scalings[Word65] = scaling(65, false);
    scalings[Word0] = scaling(0, false);
    scalings[ScalingKind1] = scaling(8, true, 0, 1, 0, 1);
    scalings[Word64Unsigned] = scaling(64, false);
    scalings[Word32Signed] = scaling(32, true);
    scalings[Word64Signed] = scaling(64, true);

    DataTypeFactory factory;
    factory.setDataTypes(types);
    factory.setFixedPoints(scalings);
    factory.setStringTable(DataTypeNames, names);
    factory.setStringTable(DataTypeSecondNames, secondNames);
    return factory;
}

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

} // namespace

class tst_DataTypeFactory : public QObject
{
    Q_OBJECT

private slots:
    // The type built for a record: its id, width, kind and range, and its names.
    void createsTypeOfRecord_data()
    {
        QTest::addColumn<int>("dataTypeIndex");
        QTest::addColumn<int>("fixedPointIndex");
        QTest::addColumn<int>("typeId");
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("complex");
        QTest::addColumn<bool>("integer");
        QTest::addColumn<double>("minDouble");
        QTest::addColumn<double>("maxDouble");

        QTest::newRow("double") << int(Double) << 0 << 0 << 8 << false << false << -std::numeric_limits<double>::max()
                                << std::numeric_limits<double>::max();
        QTest::newRow("int32") << int(Int32) << 0 << 6 << 4 << false << true << -2147483648.0 << 2147483647.0;
        QTest::newRow("complex int32") << int(ComplexInt32) << 0 << 6 << 8 << true << true << -2147483648.0
                                       << 2147483647.0;
        QTest::newRow("enumeration, signed storage, two bytes")
            << int(EnumInt16) << 0 << 4 << 2 << false << true << -32768.0 << 32767.0;
        QTest::newRow("enumeration, unsigned storage, one byte")
            << int(EnumUInt8) << 0 << 3 << 1 << false << true << 0.0 << 255.0;
        QTest::newRow("enumeration, unsigned storage, four bytes")
            << int(EnumUInt32) << 0 << 7 << 4 << false << true << 0.0 << 4294967295.0;
        QTest::newRow("fixed point, 12-bit unsigned word, slope 2^-4")
            << int(Fixed2) << int(Word12Unsigned) << 5 << 2 << false << false << 0.0 << 4095 * 0.0625;
        QTest::newRow("fixed point, 8-bit word in 16-bit storage")
            << int(Fixed2) << int(Word8Signed) << 5 << 2 << false << false << -63.0 << 64.5;
        QTest::newRow("fixed point, 8-bit word in 8-bit storage")
            << int(Fixed1) << int(Word8Signed) << 3 << 1 << false << false << -63.0 << 64.5;
        QTest::newRow("fixed point, 32-bit signed word")
            << int(Fixed4) << int(Word32Signed) << 6 << 4 << false << false << -2147483648.0 << 2147483647.0;
        QTest::newRow("fixed point, 64-bit unsigned word")
            << int(Fixed8) << int(Word64Unsigned) << 9 << 8 << false << false << 0.0 << 18446744073709551615.0;
        QTest::newRow("fixed point, 64-bit signed word") << int(Fixed8) << int(Word64Signed) << 9 << 8 << false << false
                                                         << -9223372036854775808.0 << 9223372036854775807.0;
        QTest::newRow("complex fixed point, 16-bit parts")
            << int(ComplexFixed4) << int(Word8Signed) << 4 << 4 << true << false << -63.0 << 64.5;
    }

    void createsTypeOfRecord()
    {
        QFETCH(int, dataTypeIndex);
        QFETCH(int, fixedPointIndex);
        QFETCH(int, typeId);
        QFETCH(int, size);
        QFETCH(bool, complex);
        QFETCH(bool, integer);
        QFETCH(double, minDouble);
        QFETCH(double, maxDouble);

        QTest::failOnWarning(QRegularExpression(".*"));
        const DataTypeFactory factory = boardFactory();
        const auto type = factory.createDataType(uint16_t(dataTypeIndex), fixedPointIndex);
        QVERIFY(type);
        QCOMPARE(int(type->typeId()), typeId);
        QCOMPARE(int(type->dataTypeIndex()), dataTypeIndex);
        QCOMPARE(type->name(), QByteArray("T" + QByteArray::number(dataTypeIndex)));
        QCOMPARE(type->secondName(), QByteArray("S" + QByteArray::number(dataTypeIndex)));
        QCOMPARE(int(type->size()), size);
        QCOMPARE(type->isComplex(), complex);
        QCOMPARE(type->isInteger(), integer);
        QCOMPARE(type->minDouble(), minDouble);
        QCOMPARE(type->maxDouble(), maxDouble);

        // Equal requests give equal but separate objects.
        const auto again = factory.createDataType(uint16_t(dataTypeIndex), fixedPointIndex);
        QVERIFY(again && again != type);
    }

    // The scaling of a fixed-point record reaches the values: slope 2^e × fraction, bias.
    void scalesFixedPointValues()
    {
        const DataTypeFactory factory = boardFactory();
        const auto type = factory.createDataType(Fixed2, Word12Unsigned);
        QVERIFY(type);
        QByteArray bytes(2, '\0');
        auto *data = reinterpret_cast<uint8_t *>(bytes.data());
        type->fromDouble(1.5, {data, 2});
        QCOMPARE(bytes, hex("1800"));
        type->fromDouble(1e6, {data, 2});
        QCOMPARE(bytes, hex("ff0f"));

        const auto signedType = factory.createDataType(Fixed2, Word8Signed);
        QVERIFY(signedType);
        signedType->fromDouble(-1000, {data, 2});
        QCOMPARE(bytes, hex("80ff"));
        QCOMPARE(signedType->toDouble({data, 2}), -63.0);
    }

    // Records the host cannot serve give no type, with the warning that names why (or
    // none for an enumeration with scaling or a complex one).
    void refusesUnservableRecords_data()
    {
        QTest::addColumn<int>("dataTypeIndex");
        QTest::addColumn<int>("fixedPointIndex");
        QTest::addColumn<QString>("warning");

        QTest::newRow("data-type index past the list") << int(RecordCount) << 0 << "Unkown data type index";
        QTest::newRow("negative fixed-point index") << int(Double) << -1 << "Unknown fixed point index";
        QTest::newRow("fixed-point index past the list")
            << int(Double) << int(ScalingCount) << "Unknown fixed point index";
        QTest::newRow("enumeration stored as single")
            << int(EnumSingle) << 0 << "Unsupported enum datatype: 1(size: 4)";
        QTest::newRow("enumeration eight bytes wide")
            << int(EnumEightBytes) << 0 << "Unsupported enum datatype: 6(size: 8)";
        QTest::newRow("enumeration with scaling") << int(EnumInt16) << int(Word8Signed) << QString();
        QTest::newRow("complex enumeration") << int(ComplexEnum) << 0 << QString();
        QTest::newRow("bus") << int(Bus) << 0 << "Unsupported datatype: 255";
        QTest::newRow("unknown id") << int(UnknownId) << 0 << "Unsupported datatype: 9";
        QTest::newRow("complex unknown id") << int(ComplexUnknownId) << 0 << "Unsupported complex datatype: 9";
        QTest::newRow("16-bit word in one byte")
            << int(Fixed1) << int(Word16Signed) << "Unsupported fixed type width: 16 Signed: 1 DataSize: 1";
        QTest::newRow("65-bit word") << int(Fixed8) << int(Word65)
                                     << "Unsupported fixed type width: 65 Signed: 0 DataSize: 8";
        QTest::newRow("empty word") << int(Fixed2) << int(Word0)
                                    << "Unsupported fixed type width: 0 Signed: 0 DataSize: 2";
        QTest::newRow("fixed point three bytes wide")
            << int(Fixed3) << int(Word8Signed) << "Unsupported fixed type width: 8 Signed: 1 DataSize: 3";
        QTest::newRow("complex fixed point of odd size")
            << int(ComplexFixed3) << int(Word8Signed)
            << "Unsupported complex fixed type width: 8 Signed: 1 DataSize: 3";
        QTest::newRow("complex 65-bit word")
            << int(ComplexInt32) << int(Word65) << "Unsupported complex fixed type width: 65 Signed: 0 DataSize: 8";
        QTest::newRow("scaling kind 1") << int(Fixed2) << int(ScalingKind1) << "Unsupported fixed point scaling type";
        QTest::newRow("complex, scaling kind 1")
            << int(ComplexFixed4) << int(ScalingKind1) << "Unsupported complex fixed point scaling type";
    }

    void refusesUnservableRecords()
    {
        QFETCH(int, dataTypeIndex);
        QFETCH(int, fixedPointIndex);
        QFETCH(QString, warning);

        const DataTypeFactory factory = boardFactory();
        if (!warning.isEmpty())
            QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
        QTest::failOnWarning(QRegularExpression(".*"));
        QVERIFY(!factory.createDataType(uint16_t(dataTypeIndex), fixedPointIndex));
    }

    void refusesEveryTypeWithoutFixedPointList()
    {
        DataTypeFactory factory = boardFactory();
        factory.setFixedPoints({});
        QTest::ignoreMessage(QtWarningMsg, "Unknown fixed point index");
        QVERIFY(!factory.createDataType(Double, 0));
        QVERIFY(!factory.isBusType(Bus, 0));
    }

    // A name outside the tables leaves the names empty but still gives the type.
    void buildsTypeWithMissingName()
    {
        const DataTypeFactory factory = boardFactory();
        QTest::ignoreMessage(QtWarningMsg, "Tried to access invalid string index 99 for type 12");
        QTest::ignoreMessage(QtWarningMsg, "Tried to access invalid string index 99 for type 13");
        const auto type = factory.createDataType(UnnamedBoolean, 0);
        QVERIFY(type);
        QCOMPARE(int(type->typeId()), 8);
        QVERIFY(type->name().isEmpty());
        QVERIFY(type->secondName().isEmpty());
    }

    void looksUpStrings_data()
    {
        QTest::addColumn<int>("table");
        QTest::addColumn<int>("index");
        QTest::addColumn<QByteArray>("entry");
        QTest::addColumn<QString>("warning");

        QTest::newRow("first entry") << int(DataTypeNames) << 0 << QByteArray("T0") << QString();
        QTest::newRow("last entry") << int(DataTypeSecondNames) << RecordCount - 1
                                    << QByteArray("S" + QByteArray::number(RecordCount - 1)) << QString();
        QTest::newRow("negative index") << int(DataTypeNames) << -1 << QByteArray()
                                        << "Tried to access invalid string index -1 for type 12";
        QTest::newRow("index past the table")
            << int(DataTypeNames) << int(RecordCount) << QByteArray()
            << QString("Tried to access invalid string index %1 for type 12").arg(int(RecordCount));
        QTest::newRow("table not received")
            << int(BusElementNames) << 0 << QByteArray() << "Tried to access invalid string index 0 for type 14";
    }

    void looksUpStrings()
    {
        QFETCH(int, table);
        QFETCH(int, index);
        QFETCH(QByteArray, entry);
        QFETCH(QString, warning);

        const DataTypeFactory factory = boardFactory();
        if (!warning.isEmpty())
            QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
        QTest::failOnWarning(QRegularExpression(".*"));
        const QByteArrayView view = factory.stringAt(string_type_t(table), index);
        QCOMPARE(view.toByteArray(), entry);
    }

    void recognisesBuses_data()
    {
        QTest::addColumn<int>("dataTypeIndex");
        QTest::addColumn<int>("fixedPointIndex");
        QTest::addColumn<bool>("bus");

        QTest::newRow("bus") << int(Bus) << 0 << true;
        QTest::newRow("bus with scaling") << int(Bus) << 1 << false;
        QTest::newRow("bus with negative scaling index") << int(Bus) << -1 << false;
        QTest::newRow("not a bus") << int(Int32) << 0 << false;
        QTest::newRow("index past the list") << int(RecordCount) << 0 << false;
    }

    void recognisesBuses()
    {
        QFETCH(int, dataTypeIndex);
        QFETCH(int, fixedPointIndex);
        QFETCH(bool, bus);

        QTest::failOnWarning(QRegularExpression(".*"));
        QCOMPARE(boardFactory().isBusType(uint16_t(dataTypeIndex), fixedPointIndex), bus);
    }
};

QTEST_APPLESS_MAIN(tst_DataTypeFactory)
#include "tst_DataTypeFactory.moc"
