#include "ProtocolRecords.h"
#include "TestBytes.h"

#include <QTest>
#include <QtEndian>

#include <functional>

using namespace monitoring::protocol;

// Reads bytes into a record and checks it; the bool tells whether the record's own
// bytes must equal the input (false when the input fills bytes the host ignores).
using RecordCheck = std::function<void(const QByteArray &bytes, bool writtenBack)>;
Q_DECLARE_METATYPE(RecordCheck)

namespace {

template<typename Record>
RecordCheck expect(Record expected)
{
    return [expected](const QByteArray &bytes, bool writtenBack) {
        QCOMPARE(bytes.size(), Record::Size);
        QVERIFY(Record::read(bytes) == expected);
        if (writtenBack)
            QCOMPARE(expected.toBytes().toHex(' '), bytes.toHex(' '));
        else
            QVERIFY(expected.toBytes() != bytes);
    };
}

} // namespace

// Every record of the monitoring protocol against its byte layout: read field by
// field from the bytes, and written back to the same bytes with 0 in the unused ones.
class tst_ProtocolRecords : public QObject
{
    Q_OBJECT

private slots:
    void recordsMatchTheirLayout_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("writtenBack");
        QTest::addColumn<RecordCheck>("check");

        QTest::newRow("monitor information") << hex("02000000 07000000") << true << expect(monitor_info_t{2, 7});

        signal_t matrix;
        matrix.referenceId = 1;
        matrix.blockPathIndex = 3;
        matrix.port = 2;
        matrix.defaultRate = 5;
        matrix.dataTypeIndex = 7;
        matrix.layoutKind = 3;
        matrix.dimensionCount = 2;
        matrix.dimensions = {2, 3};
        QTest::newRow("signal: a 2 x 3 matrix")
            << hex("0100 0000 0300 0000 02 000000 0500 0700 0000 03 02 0200 0300") << true << expect(matrix);
        QTest::newRow("signal: unused bytes are ignored")
            << hex("0100 0000 0300 0000 02 ffeedd 0500 0700 0000 03 02 0200 0300") << false << expect(matrix);

        signal_t every;
        every.referenceId = 0x0201;
        every.modelReference = 0x0403;
        every.blockPathIndex = 0x0605;
        every.nameIndex = 0x0807;
        every.port = 0x09;
        every.defaultRate = 0x0e0d;
        every.dataTypeIndex = 0x100f;
        every.fixedPointIndex = 0x1211;
        every.layoutKind = 0x13;
        every.dimensionCount = 0x14;
        every.dimensions = {0x1615, 0x1817};
        QTest::newRow("signal: every field")
            << hex("0102 0304 0506 0708 09 000000 0d0e 0f10 1112 13 14 1516 1718") << true << expect(every);

        param_t modelParameter;
        modelParameter.referenceId = 0x0102;
        modelParameter.modelReference = 0x0304;
        modelParameter.blockPathIndex = 0x0506;
        modelParameter.nameIndex = 0x0708;
        modelParameter.flags = param_t::ModelParameterFlag;
        modelParameter.dataTypeIndex = 0x0a0b;
        modelParameter.fixedPointIndex = 0x0c0d;
        modelParameter.layoutKind = 1;
        modelParameter.dimensionCount = 1;
        modelParameter.dimensions = {5, 0};
        QTest::newRow("parameter") << hex("0201 0403 0605 0807 02 00 0b0a 0d0c 01 01 0500 0000") << true
                                   << expect(modelParameter);

        state_t state;
        state.referenceId = 30;
        state.modelReference = 1;
        state.blockPathIndex = 2;
        state.nameIndex = 3;
        state.dataTypeIndex = 4;
        state.fixedPointIndex = 5;
        state.layoutKind = 1;
        state.dimensionCount = 1;
        state.dimensions = {4, 0};
        state.defaultRate = 1000;
        QTest::newRow("state") << hex("1e00 0100 0200 0300 0000 0400 0500 01 01 0400 0000 00000000 e803") << true
                               << expect(state);

        datatype_t bus;
        bus.nameIndex = 12;
        bus.busElementCount = 3;
        bus.firstBusElement = 2;
        bus.dataSize = 15;
        bus.typeId = datatype_t::BusId;
        QTest::newRow("data type: bus") << hex("0000 0c00 0000 0300 0200 0f00 ff 00 00 00") << true << expect(bus);
        datatype_t enumeration;
        enumeration.nameIndex = 1;
        enumeration.dataSize = 16;
        enumeration.typeId = 0;
        enumeration.flags = datatype_t::ComplexFlag;
        enumeration.storageId = 6;
        QTest::newRow("data type: complex flag and storage")
            << hex("0000 0100 0000 0000 0000 1000 00 01 06 00") << true << expect(enumeration);

        struct_element_t element;
        element.nameIndex = 4;
        element.offset = 12;
        element.dataTypeIndex = 4;
        element.fixedPointIndex = 1;
        element.layoutKind = 3;
        element.dimensionCount = 2;
        element.dimensions = {3, 4};
        QTest::newRow("struct element") << hex("0000 0400 0c00 0400 0100 03 02 0300 0400") << true << expect(element);

        fxp_info_t scaling;
        scaling.wordLength = 16;
        scaling.exponent = -4;
        scaling.isSigned = 1;
        scaling.fraction = 0.1;
        scaling.bias = -1.5;
        QTest::newRow("fixed point") << hex("00000000 00 10 fc 01 9a9999999999b93f 000000000000f8bf") << true
                                     << expect(scaling);

        param_set_t write;
        write.referenceId = 9;
        write.dataTypeIndex = 5;
        write.elementIndex = 3;
        write.value[0] = 0x34;
        write.value[1] = 0x12;
        QTest::newRow("parameter write: element 3 of a uint16 block parameter")
            << hex("0900 0000 0500 0300 00 00 3412 0000000000000000000000000000") << true << expect(write);
        param_set_t modelWrite = write;
        modelWrite.memory = param_set_t::ModelParameterMemory;
        modelWrite.layoutKind = 1;
        QTest::newRow("parameter write: model memory")
            << hex("0900 0000 0500 0300 01 02 3412 0000000000000000000000000000") << true << expect(modelWrite);

        const signal_set_t stop{2, 1, signal_set_t::StopRate, 8, 16, 1};
        QTest::newRow("stream request: stop") << hex("0200 0100 ffffffff 0800 1000 01 00 0000") << true << expect(stop);
        const signal_set_t start{0x0102, 0, 1000, 16, 0x0304, 4};
        QTest::newRow("stream request: start")
            << hex("0201 0000 e8030000 1000 0403 04 00 0000") << true << expect(start);

        QTest::newRow("acknowledgement") << hex("0400 0700") << true << expect(reference_set_t{4, 7});
    }

    void recordsMatchTheirLayout()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, writtenBack);
        QFETCH(RecordCheck, check);
        check(bytes, writtenBack);
    }

    // The host keys a stream by data offset × 65536 + reference id, which is not the
    // acknowledgement's bytes read as one word.
    void acknowledgementKeyIsBuiltFromItsFields()
    {
        const QByteArray bytes = hex("0400 0700");
        const reference_set_t entry = reference_set_t::read(bytes);
        QCOMPARE(entry.key(), 4u * 65536u + 7u);
        QCOMPARE(entry.key(), streamKey(4, 7));
        QVERIFY(entry.key() != qFromLittleEndian<quint32>(bytes.constData()));
    }

    void listsAreWholeRecords()
    {
        const auto two = readList<reference_set_t>(hex("0400 0700 0800 0700"));
        QVERIFY(two);
        QCOMPARE(*two, (QList<reference_set_t>{{4, 7}, {8, 7}}));
        QCOMPARE(writeList(*two), hex("0400 0700 0800 0700"));
        QVERIFY(readList<reference_set_t>(QByteArray())->isEmpty());
        QVERIFY(!readList<reference_set_t>(hex("0400 0700 08")));
        QVERIFY(!readList<signal_t>(QByteArray(23, '\0')));
    }
};

QTEST_APPLESS_MAIN(tst_ProtocolRecords)
#include "tst_ProtocolRecords.moc"
