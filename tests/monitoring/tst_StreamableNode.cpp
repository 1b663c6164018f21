#include "BasicSlDataType.h"
#include "DataChannel.h"
#include "Interface.h"
#include "LogCapture.h"
#include "SentRequests.h"
#include "StreamableNode.h"
#include "StructNode.h"
#include "TestBytes.h"

#include <QRegularExpression>
#include <QTest>

using namespace monitoring;
using namespace monitoring::protocol;

namespace {

template<typename T, uint8_t Id>
std::shared_ptr<IDataType> builtIn()
{
    return std::make_shared<BasicSlDataType<T, Id>>(DataTypeIdentity{Id, 0, "type", "type"});
}

// A data message of one sample record: reference id, time offset 0, the data offset
// when given, then the value.
QByteArray sampleMessage(uint16_t referenceId, std::optional<uint16_t> dataOffset, const QByteArray &value,
                         uint64_t baseTime = 1000)
{
    QByteArray records = le16(referenceId) + le32(0);
    if (dataOffset)
        records += le16(*dataOffset);
    records += value;
    return le16(1) + le16(uint16_t(DataHeader::Size + records.size())) + le64(baseTime) + records;
}

QByteArray doubleBytes(double value)
{
    return le64(std::bit_cast<uint64_t>(value));
}

// A node of the interface with the requests it sends, the acknowledgements and samples
// it hands on ("ack <handle> <element offset> <rate>", "sample <handle> <value>").
struct Rig
{
    Rig()
    {
        setNode(std::make_unique<BasicStreamableNode>(IModelNode::Signal, SimulinkDataTypes::Signal, &interface, &root,
                                                      7, 2, builtIn<double, DoubleTypeId>(), Dimensions(0, {1}), 250,
                                                      "sine", "1"));
    }

    void setNode(std::unique_ptr<StreamableNode> streamable)
    {
        node = std::move(streamable);
        node->setSampleCallback([this](int32_t handle, double value, uint64_t) {
            events << QStringLiteral("sample %1 %2").arg(handle).arg(value);
        });
        node->setAckCallback([this](int32_t handle, uint16_t offset, int32_t rate) {
            events << QStringLiteral("ack %1 %2 %3").arg(handle).arg(offset).arg(rate);
        });
    }

    // The board's acknowledgement, as the interface routes it.
    void acknowledge(uint16_t key)
    {
        if (StreamSink *sink = interface.activations().find(key, node->referenceId()))
            sink->onActivationAck(key);
        else
            events << QStringLiteral("unrouted %1").arg(key);
    }

    void receive(std::optional<uint16_t> dataOffset, double value)
    {
        interface.dataChannel()->parsePacket(sampleMessage(node->referenceId(), dataOffset, doubleBytes(value)));
    }

    // The requests sent so far as "<data offset> <rate>".
    QStringList requests() const
    {
        QStringList lines;
        for (const signal_set_t &r : sent.signalRequests())
            lines << QStringLiteral("%1 %2").arg(r.dataOffset).arg(r.rate);
        return lines;
    }

    Interface interface {
        nullptr, nullptr
    };
    SentRequests sent{interface.controlChannel()};
    ModelNode root{&interface, nullptr, "root"};
    std::unique_ptr<StreamableNode> node;
    QStringList events;
};

} // namespace

// Streaming the elements of a variable: the requests a node sends for its
// subscribers, the acknowledgements that make them active, the samples they then
// receive, and cancellations, also when subscribers come and go before the board
// answers.
class tst_StreamableNode : public QObject
{
    Q_OBJECT

private slots:
    void init() { QTest::failOnWarning(QRegularExpression(".*")); }

    void subscribersOfARequestedElementShareItsRequest()
    {
        Rig rig;
        rig.node->subscribe(1, 0, 100);
        rig.node->subscribe(2, 0, 200);
        QCOMPARE(rig.requests(), QStringList{"0 100"});
        const signal_set_t request = rig.sent.signalRequests().at(0);
        QCOMPARE(request.referenceId, uint16_t(7));
        QCOMPARE(request.modelReference, uint16_t(2));
        QCOMPARE(request.elementSize, uint16_t(8));
        QCOMPARE(request.variableKind, uint8_t(SimulinkDataTypes::Signal));

        rig.receive(std::nullopt, 1.0); // before the acknowledgement: nobody listens
        rig.acknowledge(0);
        rig.receive(std::nullopt, 2.5);
        QCOMPARE(rig.events, (QStringList{"ack 1 0 100", "ack 2 0 200", "sample 1 2.5", "sample 2 2.5"}));
        QVERIFY(rig.node->isActive(1));
        QCOMPARE(rig.node->pendingCount(), 0);

        // An active element does not count as requested: a further subscriber asks again.
        rig.node->subscribe(3, 0, -1);
        QCOMPARE(rig.requests(), (QStringList{"0 100", "0 250"}));
    }

    void aCancellationStopsTheElementForEveryone()
    {
        Rig rig;
        rig.node->subscribe(1, 0, 100);
        rig.acknowledge(0);
        rig.node->unsubscribe(1);
        QCOMPARE(rig.requests(), (QStringList{"0 100", "0 -1"}));
        rig.receive(std::nullopt, 1.0); // still active until the board confirms
        rig.acknowledge(0);
        QVERIFY(!rig.node->isActive(1));
        rig.receive(std::nullopt, 2.0);
        rig.acknowledge(0);
        QCOMPARE(rig.events, (QStringList{"ack 1 0 100", "sample 1 1", "ack 1 0 -1", "unrouted 0"}));
        QVERIFY(rig.interface.activations().isEmpty());
    }

    void unknownAcknowledgementsAreLoggedAndIgnored()
    {
        Rig rig;
        LogCapture log(LogCapture::ofType(QtWarningMsg));
        rig.node->onActivationAck(0);
        QCOMPARE(log.lines(), QStringList{"Received acknowledge for non pending streaming activation."});
        QVERIFY(rig.events.isEmpty());
        QVERIFY(rig.sent.messages.isEmpty());
    }

    // The state machine of one element, driven by a script: "s<handle>[:<rate>]"
    // subscribes, "u<handle>" unsubscribes, "a" acknowledges and "v<value>" receives a
    // sample. The requests and what reached the callbacks are compared.
    void subscriptionsFollowTheBoardsAnswers_data()
    {
        QTest::addColumn<QStringList>("script");
        QTest::addColumn<QStringList>("requests");
        QTest::addColumn<QStringList>("events");

        QTest::newRow("default rate") << QStringList{"s1:-1", "a", "v1"} << QStringList{"0 250"}
                                      << QStringList{"ack 1 0 250", "sample 1 1"};
        // The same element again while its cancellation is under way: once the board
        // has stopped the stream, it is asked for anew, and samples flow.
        QTest::newRow("resubscribed while cancelling")
            << QStringList{"s1:100", "a", "u1", "s2:100", "a", "v1", "a", "v2"} << QStringList{"0 100", "0 -1", "0 100"}
            << QStringList{"ack 1 0 100", "ack 1 0 -1", "ack 2 0 100", "sample 2 2"};
        QTest::newRow("two join the queued request")
            << QStringList{"s1:100", "a", "u1", "s2:100", "s3:50", "a", "a", "v4"}
            << QStringList{"0 100", "0 -1", "0 100"}
            << QStringList{"ack 1 0 100", "ack 1 0 -1", "ack 2 0 100", "ack 3 0 50", "sample 2 4", "sample 3 4"};
        QTest::newRow("queued one leaves before it is sent")
            << QStringList{"s1:100", "a", "u1", "s2:100", "u2", "a", "v1"} << QStringList{"0 100", "0 -1"}
            << QStringList{"ack 1 0 100", "ack 1 0 -1"};
        // Unsubscribed before the board acknowledged: the stream is stopped once it has
        // begun, and the handle never becomes active.
        QTest::newRow("left while requested")
            << QStringList{"s1:100", "u1", "a", "v1", "a", "v2"} << QStringList{"0 100", "0 -1"} << QStringList{};
        QTest::newRow("one of two left while requested")
            << QStringList{"s1:100", "s2:100", "u1", "a", "v3"} << QStringList{"0 100"}
            << QStringList{"ack 2 0 100", "sample 2 3"};
    }

    void subscriptionsFollowTheBoardsAnswers()
    {
        QFETCH(QStringList, script);
        QFETCH(QStringList, requests);
        QFETCH(QStringList, events);

        Rig rig;
        for (const QString &step : script) {
            const QStringList parts = step.mid(1).split(':');
            if (step.startsWith('s'))
                rig.node->subscribe(parts[0].toInt(), 0, parts.value(1, "-1").toInt());
            else if (step.startsWith('u'))
                rig.node->unsubscribe(parts[0].toInt());
            else if (step.startsWith('a'))
                rig.acknowledge(0);
            else
                rig.receive(std::nullopt, parts[0].toDouble());
        }
        QCOMPARE(rig.requests(), requests);
        QCOMPARE(rig.events, events);
    }

    void elementsOfABusUseTheirPlaceInTheOutermostBus()
    {
        Rig rig;
        auto outer = std::make_unique<StructNode>(IModelNode::BusSignal, &rig.interface, &rig.root, 8, 0, 0,
                                                  Dimensions(0, {1}), 100, "vehicle", "1");
        auto inner = std::make_unique<StructNode>(IModelNode::BusSignal, &rig.interface, outer.get(), 8, 0, 16,
                                                  Dimensions(0, {1}), 100, "wheel", "wheel");
        auto *innerBus = static_cast<StructNode *>(IModelNode::addChild(outer.get(), std::move(inner)));
        auto *element = static_cast<StructElementNode *>(IModelNode::addChild(
            innerBus, std::make_unique<StructElementNode>(&rig.interface, innerBus, 8, builtIn<double, DoubleTypeId>(),
                                                          Dimensions(1, {2}), "speed")));
        QCOMPARE(outer->busOffset(), uint16_t(0));
        QCOMPARE(innerBus->busOffset(), uint16_t(16));
        QCOMPARE(element->elementOffset(), uint16_t(24));
        QCOMPARE(element->referenceId(), uint16_t(8));
        QCOMPARE(element->defaultRate(), uint16_t(100));
        QCOMPARE(element->typeCode(), IModelNode::BusElement);
        QCOMPARE(element->variableType(), SimulinkDataTypes::Signal);
        QCOMPARE(element->fullPath(), QByteArray("root/1/wheel/speed"));
        QVERIFY(outer->isStruct() && !outer->isStreamable());

        QStringList events;
        element->setSampleCallback([&](int32_t h, double v, uint64_t) {
            events << QStringLiteral("sample %1 %2").arg(h).arg(v);
        });
        element->setAckCallback([&](int32_t h, uint16_t o, int32_t r) {
            events << QStringLiteral("ack %1 %2 %3").arg(h).arg(o).arg(r);
        });
        element->subscribe(5, 4, -1);
        QCOMPARE(rig.sent.signalRequests().at(0).dataOffset, uint16_t(28));
        QCOMPARE(rig.sent.signalRequests().at(0).rate, 100);
        rig.interface.activations().find(28, 8)->onActivationAck(28);
        rig.interface.dataChannel()->parsePacket(sampleMessage(8, 28, doubleBytes(-3)));
        QCOMPARE(events, (QStringList{"ack 5 4 100", "sample 5 -3"}));
        element->unsubscribe(5);
        rig.interface.activations().find(28, 8)->onActivationAck(28);
        outer.reset();
    }

    // Whether the board's samples of the stream carry the data offset: for elements
    // other than the first, for variables that are not scalars, and for bus elements.
    void samplesCarryTheOffsetWhenTheBoardSendsIt_data()
    {
        QTest::addColumn<int>("layout");
        QTest::addColumn<int>("memoryOffset");
        QTest::addColumn<bool>("withOffset");

        QTest::newRow("scalar") << 0 << 0 << false;
        QTest::newRow("vector, first element") << 1 << 0 << true;
        QTest::newRow("scalar layout, offset 8") << 0 << 8 << true;
        QTest::newRow("matrix, offset 16") << 3 << 16 << true;
    }

    void samplesCarryTheOffsetWhenTheBoardSendsIt()
    {
        QFETCH(int, layout);
        QFETCH(int, memoryOffset);
        QFETCH(bool, withOffset);

        Rig rig;
        rig.setNode(std::make_unique<BasicStreamableNode>(IModelNode::BlockState, SimulinkDataTypes::State,
                                                          &rig.interface, &rig.root, 30, 1,
                                                          builtIn<double, DoubleTypeId>(),
                                                          Dimensions(uint8_t(layout), {4}), 1000, "DSTATE", "DSTATE"));
        rig.node->subscribe(1, uint16_t(memoryOffset), 10);
        QCOMPARE(rig.sent.signalRequests().at(0).variableKind, uint8_t(SimulinkDataTypes::State));
        rig.acknowledge(uint16_t(memoryOffset));
        rig.receive(withOffset ? std::optional<uint16_t>(uint16_t(memoryOffset)) : std::nullopt, 6.0);
        QCOMPARE(rig.events, (QStringList{QStringLiteral("ack 1 %1 10").arg(memoryOffset), "sample 1 6"}));
    }

    void aNodeThatGoesTakesItsStreamsAlong()
    {
        Rig rig;
        rig.node->subscribe(1, 0, 100);
        rig.node->subscribe(2, 8, 100);
        rig.acknowledge(0);
        QVERIFY(!rig.interface.activations().isEmpty());
        rig.node.reset();
        QVERIFY(rig.interface.activations().isEmpty());
        // The data channel no longer knows the streams: nothing reaches a freed node.
        rig.interface.dataChannel()->parsePacket(sampleMessage(7, std::nullopt, doubleBytes(1)));
    }
};

QTEST_GUILESS_MAIN(tst_StreamableNode)
#include "tst_StreamableNode.moc"
