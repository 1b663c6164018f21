#include "BasicSlDataType.h"
#include "Interface.h"
#include "LogCapture.h"
#include "ParameterNode.h"
#include "SentRequests.h"
#include "TestBytes.h"

#include <QRegularExpression>
#include <QTest>

#include <cmath>

using namespace monitoring;
using namespace monitoring::protocol;

namespace {

template<typename T, uint8_t Id>
std::shared_ptr<IDataType> builtIn(uint16_t index)
{
    return std::make_shared<BasicSlDataType<T, Id>>(DataTypeIdentity{Id, index, "type", "type"});
}

// A parameter below a block, with the interface whose control channel it writes to.
struct Rig
{
    explicit Rig(bool modelParameter = false, std::shared_ptr<IDataType> type = builtIn<double, DoubleTypeId>(0),
                 ValueBuffer value = ValueBuffer(le64(std::bit_cast<uint64_t>(2.5)), 8, Dimensions(0, {1})))
    {
        if (modelParameter)
            node = std::make_unique<ModelParameterNode>(&interface, &root, 70, 1, type, value, "Kp");
        else
            node = std::make_unique<BlockParameterNode>(&interface, &root, 60, 0, type, value, "Gain");
        node->setChangeCallback([this] { ++changes; });
    }

    Interface interface {
        nullptr, nullptr
    };
    SentRequests sent{interface.controlChannel()};
    ModelNode root{&interface, nullptr, "root"};
    std::unique_ptr<ParameterNode> node;
    int changes = 0;
};

} // namespace

// A parameter's values: the shape of its elements, the writes the board has yet to
// confirm, what a write sends, and a parameter without elements.
class tst_ParameterNode : public QObject
{
    Q_OBJECT

private slots:
    void init() { QTest::failOnWarning(QRegularExpression(".*")); }

    void stridesFollowTheLayout_data()
    {
        QTest::addColumn<int>("layout");
        QTest::addColumn<QList<uint16_t>>("sizes");
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<int32_t>>("strides");

        QTest::newRow("scalar") << 0 << QList<uint16_t>{1} << 1 << QList<int32_t>{0};
        QTest::newRow("vector") << 1 << QList<uint16_t>{5} << 5 << QList<int32_t>{1};
        QTest::newRow("vector of two sizes") << 1 << QList<uint16_t>{1, 5} << 5 << QList<int32_t>{1, 0};
        QTest::newRow("row major") << 2 << QList<uint16_t>{3, 4} << 12 << QList<int32_t>{4, 1};
        QTest::newRow("column major") << 3 << QList<uint16_t>{3, 4} << 12 << QList<int32_t>{1, 3};
        QTest::newRow("n-dimensional") << 4 << QList<uint16_t>{3, 4} << 12 << QList<int32_t>{1, 3};
        QTest::newRow("unknown layout") << 7 << QList<uint16_t>{3, 4} << 12 << QList<int32_t>{0, 0};
        QTest::newRow("no elements") << 1 << QList<uint16_t>{0} << 0 << QList<int32_t>{1};
        // A matrix layout with one size reads the missing size as 1.
        QTest::newRow("row major, one size") << 2 << QList<uint16_t>{6} << 6 << QList<int32_t>{1};
        QTest::newRow("column major, one size") << 3 << QList<uint16_t>{6} << 6 << QList<int32_t>{1};
        QTest::newRow("largest") << 3 << QList<uint16_t>{65535, 65535} << std::numeric_limits<int32_t>::max()
                                 << QList<int32_t>{1, 65535};
    }

    void stridesFollowTheLayout()
    {
        QFETCH(int, layout);
        QFETCH(QList<uint16_t>, sizes);
        QFETCH(int, count);
        QFETCH(QList<int32_t>, strides);

        const Dimensions dimensions(uint8_t(layout), sizes);
        QCOMPARE(dimensions.count(), count);
        QCOMPARE(dimensions.strides(), strides);
        QCOMPARE(dimensions.sizes(), sizes);
    }

    void valueBuffersCompareEveryPart()
    {
        const QByteArray bytes = hex("0102030405060708");
        const ValueBuffer vector(bytes, 2, Dimensions(1, {4}));
        QCOMPARE(vector, ValueBuffer(bytes + "tail", 2, Dimensions(1, {4})));
        QVERIFY(!(vector == ValueBuffer(bytes, 2, Dimensions(4, {4}))));
        QVERIFY(!(vector == ValueBuffer(bytes, 4, Dimensions(1, {2}))));
        QVERIFY(!(vector == ValueBuffer(hex("0102030405060709"), 2, Dimensions(1, {4}))));
        QCOMPARE(vector.element(3).size(), size_t(2));
        QCOMPARE(vector.element(3)[1], uint8_t(8));
        QVERIFY(vector.element(4).empty());
        QVERIFY(vector.element(-1).empty());
        // Bytes a short image lacks read as 0.
        QCOMPARE(ValueBuffer(hex("01"), 2, Dimensions(1, {2})).bytes(), hex("01000000"));

        ValueBuffer moved(vector);
        ValueBuffer target(std::move(moved));
        QCOMPARE(target, vector);
        QCOMPARE(moved, ValueBuffer()); // NOLINT: the moved-from state is defined
        QCOMPARE(moved.count(), 0);
    }

    void writesStayPendingUntilConfirmed()
    {
        Rig rig;
        rig.node->setValue(0, 4.0);
        rig.node->setValue(0, 5.0);
        QCOMPARE(rig.node->pendingWrites(), (QList<int32_t>{0, 0}));
        QVERIFY(!rig.node->inSync());
        QCOMPARE(rig.node->valueAsDouble(0), 2.5); // the board's value until it confirms
        QCOMPARE(rig.changes, 2);

        rig.node->confirmWrite(0);
        QCOMPARE(rig.node->pendingWrites(), (QList<int32_t>{0}));
        QVERIFY(!rig.node->inSync());
        QCOMPARE(rig.node->valueAsDouble(0), 5.0);
        rig.node->confirmWrite(0);
        QVERIFY(rig.node->inSync());
        QCOMPARE(rig.changes, 4);
        // Every confirmation reads the block parameters' memory again, also one that
        // was not pending.
        rig.node->confirmWrite(3);
        QCOMPARE(rig.sent.rawDataRequests(),
                 (QList<int>{BlockParameterMemory, BlockParameterMemory, BlockParameterMemory}));
        QCOMPARE(rig.node->initialValue().bytes(), le64(std::bit_cast<uint64_t>(2.5)));
    }

    void theBoardsValueSettlesPendingWrites_data()
    {
        QTest::addColumn<double>("reported");
        QTest::addColumn<int>("changes"); // after the write's own

        QTest::newRow("changed") << 7.0 << 1;
        // The same value: the callback hears of the flag coming back only.
        QTest::newRow("unchanged") << 2.5 << 1;
    }

    void theBoardsValueSettlesPendingWrites()
    {
        QFETCH(double, reported);
        QFETCH(int, changes);

        Rig rig;
        rig.node->setValue(0, 4.0);
        rig.changes = 0;
        rig.node->updateValue(ValueBuffer(le64(std::bit_cast<uint64_t>(reported)), 8, Dimensions(0, {1})));
        QVERIFY(rig.node->pendingWrites().isEmpty());
        QVERIFY(rig.node->inSync());
        QCOMPARE(rig.node->valueAsDouble(0), reported);
        QCOMPARE(rig.node->localValue(), rig.node->deviceValue());
        QCOMPARE(rig.changes, changes);

        // In sync already and unchanged: nothing to tell.
        rig.node->updateValue(ValueBuffer(le64(std::bit_cast<uint64_t>(reported)), 8, Dimensions(0, {1})));
        QCOMPARE(rig.changes, changes);
    }

    void aWriteSendsTheEncodedElement_data()
    {
        QTest::addColumn<bool>("modelParameter");
        QTest::addColumn<double>("value");
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("local");

        // reference, model reference, data type index, element, layout, memory, 16 value bytes
        QTest::newRow("uint8 block parameter saturates")
            << false << 300.0 << hex("3c00 0000 0300 0100 01 00 ff000000000000000000000000000000") << hex("07ff0909");
        QTest::newRow("uint8 model parameter")
            << true << 4.6 << hex("4600 0100 0300 0100 01 02 04000000000000000000000000000000") << hex("07040909");
    }

    void aWriteSendsTheEncodedElement()
    {
        QFETCH(bool, modelParameter);
        QFETCH(double, value);
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, local);

        Rig rig(modelParameter, builtIn<uint8_t, UInt8TypeId>(3), ValueBuffer(hex("07090909"), 1, Dimensions(1, {4})));
        rig.node->setValue(1, value);
        QCOMPARE(rig.sent.messages.size(), 1);
        QCOMPARE(rig.sent.messages[0].command, int16_t(SetParameter));
        QCOMPARE(rig.sent.messages[0].payload, request);
        QCOMPARE(rig.node->localValue().bytes(), local);
        QCOMPARE(rig.node->deviceValue().bytes(), hex("07090909"));

        rig.node->confirmWrite(1);
        QCOMPARE(rig.node->deviceValue().bytes(), local);
        QCOMPARE(rig.sent.rawDataRequests(),
                 (QList<int>{modelParameter ? ModelParameterMemory : BlockParameterMemory}));
    }

    void elementsOutsideTheParameterAreRefused_data()
    {
        QTest::addColumn<QList<uint16_t>>("sizes");
        QTest::addColumn<int>("index");

        QTest::newRow("no elements, element 0") << QList<uint16_t>{0} << 0;
        QTest::newRow("two elements, element 2") << QList<uint16_t>{2} << 2;
        QTest::newRow("two elements, last index") << QList<uint16_t>{2} << 65535;
    }

    void elementsOutsideTheParameterAreRefused()
    {
        QFETCH(QList<uint16_t>, sizes);
        QFETCH(int, index);

        Rig rig(false, builtIn<double, DoubleTypeId>(0), ValueBuffer(pattern(16), 8, Dimensions(1, sizes)));
        QVERIFY(std::isnan(rig.node->valueAsDouble(index)));
        QVERIFY(std::isnan(rig.node->valueAsDouble(-1)));

        LogCapture log(LogCapture::ofType(QtWarningMsg));
        const QByteArray before = rig.node->localValue().bytes();
        rig.node->setValue(uint16_t(index), 1.0);
        QCOMPARE(log.countStartingWith("Refusing to write element"), 1);
        QVERIFY(rig.sent.messages.isEmpty());
        QVERIFY(rig.node->pendingWrites().isEmpty());
        QVERIFY(rig.node->inSync());
        QCOMPARE(rig.node->localValue().bytes(), before);
        QCOMPARE(rig.changes, 0);

        // A confirmation of it changes no value, though the memory is read again.
        rig.node->confirmWrite(index);
        QCOMPARE(rig.node->deviceValue().bytes(), before);
        QCOMPARE(rig.sent.rawDataRequests(), (QList<int>{BlockParameterMemory}));
    }

    void nodeKindsAnswerTheirCodes()
    {
        Rig block;
        QCOMPARE(block.node->typeCode(), IModelNode::BlockParameter);
        QCOMPARE(block.node->variableType(), SimulinkDataTypes::BlockParameter);
        QVERIFY(block.node->isParameter());
        QVERIFY(!block.node->isStreamable());
        QVERIFY(!block.node->isStruct());
        QCOMPARE(block.node->pathName(), QByteArray("Gain"));
        Rig model(true);
        QCOMPARE(model.node->typeCode(), IModelNode::ModelParameter);
        QCOMPARE(model.node->variableType(), SimulinkDataTypes::ModelParameter);
        QCOMPARE(model.node->referenceId(), uint16_t(70));
        QCOMPARE(model.node->modelReference(), uint16_t(1));
    }
};

QTEST_GUILESS_MAIN(tst_ParameterNode)
#include "tst_ParameterNode.moc"
