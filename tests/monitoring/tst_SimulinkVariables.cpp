#include "BasicSlDataType.h"
#include "Interface.h"
#include "MonitoredBoard.h"
#include "ParameterNode.h"
#include "SentRequests.h"
#include "SimulinkParameter.h"
#include "SimulinkSignal.h"
#include "SimulinkVariableFilterProxyModel.h"
#include "SimulinkVariableModel.h"
#include "StreamableNode.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <limits>

using namespace monitoring;
using SimulinkDataTypes::SimulinkParameter;
using SimulinkDataTypes::SimulinkSignal;
using SimulinkDataTypes::SimulinkVariable;

namespace {

std::shared_ptr<IDataType> real()
{
    return std::make_shared<BasicSlDataType<double, DoubleTypeId>>(DataTypeIdentity{DoubleTypeId, 0, "real", "real"});
}

// A signal node below a block of a small tree, with the interface whose channels it
// uses.
struct SignalRig
{
    explicit SignalRig(Dimensions dimensions = Dimensions(0, {1}), QByteArray block = "Block",
                       int32_t typeCode = IModelNode::Signal,
                       SimulinkDataTypes::VariableType kind = SimulinkDataTypes::Signal)
    {
        IModelNode *parent = IModelNode::insertAtPath(&root, "root",
                                                      std::make_unique<BlockNode>(&interface, nullptr, block));
        node = static_cast<StreamableNode *>(
            IModelNode::addChild(parent, std::make_unique<BasicStreamableNode>(typeCode, kind, &interface, parent, 5, 0,
                                                                               real(), dimensions, 100, "out", "1")));
        signal = std::make_unique<SimulinkSignal>(nullptr, node);
    }

    Interface interface {
        nullptr, nullptr
    };
    SentRequests sent{interface.controlChannel()};
    ModelNode root{&interface, nullptr, "root"};
    StreamableNode *node = nullptr;
    std::unique_ptr<SimulinkSignal> signal;
};

} // namespace

// What QML and the plots see of the monitored model's variables: element offsets,
// value classes, shared subscriptions, highlighted variables, and the list models with
// their filters over the fixture model.
class tst_SimulinkVariables : public QObject
{
    Q_OBJECT

private slots:
    void elementOffsetsFollowTheShape_data()
    {
        QTest::addColumn<int>("layout");
        QTest::addColumn<QList<uint16_t>>("sizes");
        QTest::addColumn<QList<int>>("index");
        QTest::addColumn<int>("offset");

        QTest::newRow("scalar") << 0 << QList<uint16_t>{1} << QList<int>{0, 0} << 0;
        // A vector is shown as one row: the column picks the element.
        QTest::newRow("vector of 5, column 3") << 1 << QList<uint16_t>{5} << QList<int>{0, 3} << 24;
        QTest::newRow("vector of 5, column 4") << 1 << QList<uint16_t>{5} << QList<int>{0, 4} << 32;
        QTest::newRow("column major 3 x 4, (2, 1)") << 3 << QList<uint16_t>{3, 4} << QList<int>{2, 1} << 8 * (2 + 3);
        QTest::newRow("row major 3 x 4, (2, 1)") << 2 << QList<uint16_t>{3, 4} << QList<int>{2, 1} << 8 * (2 * 4 + 1);
        QTest::newRow("n-dimensional 3 x 4, (1, 2)") << 4 << QList<uint16_t>{3, 4} << QList<int>{1, 2} << 8 * (1 + 6);
        QTest::newRow("missing entries count as 0") << 3 << QList<uint16_t>{3, 4} << QList<int>{2} << 16;
    }

    void elementOffsetsFollowTheShape()
    {
        QFETCH(int, layout);
        QFETCH(QList<uint16_t>, sizes);
        QFETCH(QList<int>, index);
        QFETCH(int, offset);

        SignalRig rig(Dimensions(uint8_t(layout), sizes));
        QCOMPARE(rig.signal->elementOffset(index), uint16_t(offset));
    }

    void shapeGivesRowsAndColumns_data()
    {
        QTest::addColumn<QList<uint16_t>>("sizes");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("columns");

        QTest::newRow("scalar") << QList<uint16_t>{1} << 1 << 1;
        QTest::newRow("vector") << QList<uint16_t>{5} << 1 << 5;
        QTest::newRow("matrix") << QList<uint16_t>{3, 4} << 3 << 4;
    }

    void shapeGivesRowsAndColumns()
    {
        QFETCH(QList<uint16_t>, sizes);
        QFETCH(int, rows);
        QFETCH(int, columns);

        SignalRig rig(Dimensions(3, sizes));
        QCOMPARE(rig.signal->rows(), rows);
        QCOMPARE(rig.signal->columns(), columns);
    }

    // The classes the legend shows, whatever numbers the C library gives them.
    void samplesAreClassified()
    {
        SignalRig rig;
        Samples samples(0);
        const int handle = rig.signal->subscribe(0, 100, &samples);
        rig.node->onActivationAck(0);
        QSignalSpy changes(rig.signal.get(), &SimulinkSignal::valueClassChanged);
        QList<int> classes;
        for (const double value :
             {std::numeric_limits<double>::quiet_NaN(), 1.0, 2.0, 0.0, -0.0, std::numeric_limits<double>::infinity(),
              std::numeric_limits<double>::denorm_min()}) {
            rig.node->onSample(0, std::span(reinterpret_cast<const uint8_t *>(&value), sizeof value), 1);
            classes << rig.signal->valueClass();
        }
        QCOMPARE(classes, (QList<int>{2, -1, -1, 0, 0, 1, -2}));
        QCOMPARE(changes.size(), 5);
        QCOMPARE(samples.received.size(), 7);
        rig.signal->unsubscribe(handle);
    }

    void anElementStreamsWhileAnySubscriptionWatchesIt()
    {
        SignalRig rig(Dimensions(1, {4}));
        Samples first(8);
        Samples second(8);
        Samples other(16);
        const int a = rig.signal->subscribe(8, 100, &first);
        rig.node->onActivationAck(8);
        const int b = rig.signal->subscribe(8, 100, &second);
        rig.node->onActivationAck(8);
        const int c = rig.signal->subscribe(16, 100, &other);
        rig.node->onActivationAck(16);
        QCOMPARE(rig.signal->subscriptionCount(), 3);

        rig.signal->unsubscribe(a);
        rig.signal->unsubscribe(a); // stale: nothing
        rig.signal->unsubscribe(-1);
        QCOMPARE(rig.sent.signalRequests().size(), 3);
        rig.signal->unsubscribe(b);
        QCOMPARE(rig.sent.signalRequests().size(), 4);
        QCOMPARE(rig.sent.signalRequests().last().rate, -1);
        QCOMPARE(rig.sent.signalRequests().last().dataOffset, uint16_t(8));
        rig.signal->unsubscribe(c);
        QCOMPARE(rig.sent.signalRequests().last().dataOffset, uint16_t(16));

        // A sample for a handle that left reaches nobody.
        rig.signal->onValue(a, 1.0, 1);
        QVERIFY(first.received.isEmpty());
    }

    void highlightedVariablesAreFoundByTheirPath_data()
    {
        QTest::addColumn<QByteArray>("block");
        QTest::addColumn<bool>("highlighted");

        QTest::newRow("as written") << QByteArray("HalvoraHighlightedItems") << true;
        QTest::newRow("lower case") << QByteArray("halvorahighlighteditems") << true;
        QTest::newRow("inside a name") << QByteArray("myHALVORAhighlightedITEMSblock") << true;
        QTest::newRow("not there") << QByteArray("Highlighted") << false;
    }

    void highlightedVariablesAreFoundByTheirPath()
    {
        QFETCH(QByteArray, block);
        QFETCH(bool, highlighted);

        SignalRig rig(Dimensions(0, {1}), block);
        QCOMPARE(rig.signal->impSignal(), highlighted);
        QCOMPARE(rig.signal->path(), QString::fromUtf8("root/" + block + "/1"));
        QCOMPARE(rig.signal->parentPath(), QString::fromUtf8("root/" + block));
    }

    void aNameAloneDoesNotHighlight()
    {
        Interface interface(nullptr, nullptr);
        ModelNode root(&interface, nullptr, "root");
        IModelNode *node = IModelNode::addChild(
            &root,
            std::make_unique<BasicStreamableNode>(IModelNode::Signal, SimulinkDataTypes::Signal, &interface, &root, 1,
                                                  0, real(), Dimensions(0, {1}), 100, "HalvoraHighlightedItems", "1"));
        SimulinkSignal signal(nullptr, static_cast<StreamableNode *>(node));
        QVERIFY(!signal.impSignal());
    }

    void typeCodesGiveTypeTexts_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("kind");

        QTest::newRow("block") << 2 << "block" << 0;
        QTest::newRow("signal") << 3 << "signal" << 1;
        QTest::newRow("block parameter") << 4 << "parameter" << 2;
        QTest::newRow("state") << 5 << "state" << 4;
        QTest::newRow("model parameter") << 6 << "parameter" << 3;
        QTest::newRow("root input") << 7 << "signal" << 5;
        QTest::newRow("root output") << 8 << "signal" << 6;
        QTest::newRow("bus") << 10 << "struct" << 0;
        QTest::newRow("bus element") << 12 << "signal" << 7;
        QTest::newRow("beyond") << 13 << "unknown" << 0;
        QTest::newRow("negative") << -1 << "unknown" << 0;
    }

    void typeCodesGiveTypeTexts()
    {
        QFETCH(int, code);
        QFETCH(QString, text);
        QFETCH(int, kind);

        QCOMPARE(SimulinkVariable::typeText(code), text);
        QCOMPARE(int(SimulinkVariable::variableTypeOf(code)), kind);
    }

    void listModelsShowOneKindEach()
    {
        MonitoredBoard board;
        QVERIFY(board.open());
        // Made before the model exists: empty until the first list.
        SimulinkVariableModel model(nullptr, board.interface.get(), SimulinkDataTypes::Signal);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(model.rowCount(), 0);
        QVERIFY(board.startInterface());
        QCOMPARE(model.rowCount(), 24); // states are in no list
        QCOMPARE(model.data(model.index(0), Qt::DisplayRole).toString(), QString("root/Sine Wave/1/sine"));
        QCOMPARE(model.data(model.index(0), SimulinkVariableModel::ParentPathRole).toString(),
                 QString("root/Sine Wave"));
        QCOMPARE(model.data(model.index(23), SimulinkVariableModel::VariableRole).value<SimulinkVariable *>()->path(),
                 QString("root/Out1/1"));
        QVERIFY(!model.data(model.index(0), Qt::UserRole + 2).isValid());
        QCOMPARE(model.roleNames().value(Qt::UserRole), QByteArray("simulinkVariable"));

        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        QVERIFY(!model.setVariableType(SimulinkDataTypes::Signal));
        QCOMPARE(resets.size(), 0);
        QVERIFY(model.setVariableType(SimulinkDataTypes::BlockParameter));
        QCOMPARE(resets.size(), 1);
        QCOMPARE(model.rowCount(), 5);
        QVERIFY(model.setVariableType(SimulinkDataTypes::ModelParameter));
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(model.data(model.index(2), Qt::DisplayRole).toString(), QString("root/Controller/Ki/Ki"));
        QVERIFY(model.setVariableType(SimulinkDataTypes::State));
        QCOMPARE(model.rowCount(), 0);

        // Dropped with the model: no row shows a variable that is going.
        model.setVariableType(SimulinkDataTypes::Signal);
        board.interface->reset();
        QCOMPARE(model.rowCount(), 0);
        QVERIFY(!model.data(model.index(0), Qt::DisplayRole).isValid());
    }

    void filtersKeepTheChosenView_data()
    {
        QTest::addColumn<QString>("view");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("rows");

        QTest::newRow("highlighted") << "important"
                                     << "" << QStringList{"root/HalvoraHighlightedItems/Error/1/error"};
        QTest::newRow("labelled, the unnamed port left out") << "normal"
                                                             << "switch" << QStringList{};
        QTest::newRow("all, the unnamed port shown") << "allSignals"
                                                     << "switch" << QStringList{"root/Switch/2/Port 2"};
        QTest::newRow("unknown view text is all") << "whatever"
                                                  << "PORT 2" << QStringList{"root/Switch/2/Port 2"};
        // The text matches anywhere and ignores case.
        QTest::newRow("lower-case text") << "allSignals"
                                         << "sine wave" << QStringList{"root/Sine Wave/1/sine"};
        QTest::newRow("wildcard within a component") << "normal"
                                                     << "de*x/1####1" << QStringList{"root/Demux/1####1/split"};
        QTest::newRow("highlighted and text") << "important"
                                              << "sine" << QStringList{};
    }

    void filtersKeepTheChosenView()
    {
        QFETCH(QString, view);
        QFETCH(QString, text);
        QFETCH(QStringList, rows);

        MonitoredBoard board;
        QVERIFY(board.open());
        QVERIFY(board.startInterface());
        SimulinkVariableModel model(nullptr, board.interface.get(), SimulinkDataTypes::Signal);
        SimulinkVariableFilterProxyModel proxy;
        proxy.setFilterCaseSensitivity(Qt::CaseInsensitive);
        proxy.setSourceModel(&model);
        proxy.setFilterType(view);
        proxy.setFilterWildcard(text);
        QStringList shown;
        for (int row = 0; row < proxy.rowCount(); ++row)
            shown << proxy.data(proxy.index(row, 0)).toString();
        QCOMPARE(shown, rows);
    }
};

QTEST_GUILESS_MAIN(tst_SimulinkVariables)
#include "tst_SimulinkVariables.moc"
