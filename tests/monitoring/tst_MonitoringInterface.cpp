#include "BoardMonitoringControl.h"
#include "MonitoredBoard.h"
#include "DataChannel.h"
#include "Interface.h"
#include "LogCapture.h"
#include "ModelBuilder.h"
#include "MonCtrlChannel.h"
#include "ParameterNode.h"
#include "SignalSink.h"
#include "SimulinkParameter.h"
#include "SimulinkSignal.h"
#include "StreamableNode.h"
#include "StructNode.h"
#include "TestBytes.h"

#include <QPointer>
#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <numbers>

using namespace monitoring;
using namespace monitoring::protocol;
using SimulinkDataTypes::SimulinkParameter;
using SimulinkDataTypes::SimulinkSignal;
using SimulinkDataTypes::SimulinkVariable;

namespace {

// A description of a few records for the model building: string tables, data types
// and lists are filled in by each case.
struct Description
{
    DataTypeFactory types;
    ModelDescription description;
    BuiltModel model;

    Description()
    {
        datatype_t real;
        real.dataSize = 8;
        real.typeId = 0;
        datatype_t int16;
        int16.dataSize = 2;
        int16.typeId = 4;
        types.setDataTypes({real, int16});
        types.setFixedPoints({fxp_info_t()});
    }

    void build() { ModelBuilder(nullptr, description, types, model).build(); }

    QByteArrayList paths() const
    {
        QByteArrayList list;
        for (const IModelNode *node : model.variables)
            list << node->fullPath();
        return list;
    }
};

signal_t signalRecord(uint16_t reference, uint16_t path, uint16_t name, uint8_t port, uint16_t model = 0)
{
    signal_t s;
    s.referenceId = reference;
    s.modelReference = model;
    s.blockPathIndex = path;
    s.nameIndex = name;
    s.port = port;
    s.defaultRate = 100;
    s.dimensionCount = 1;
    s.dimensions = {1, 0};
    return s;
}

param_t parameterRecord(uint16_t reference, uint16_t name, uint16_t type, uint8_t dimensionCount = 1)
{
    param_t p;
    p.referenceId = reference;
    p.nameIndex = name;
    p.dataTypeIndex = type;
    p.dimensionCount = dimensionCount;
    p.dimensions = {1, 1};
    return p;
}

} // namespace

// The monitoring interface against the simulated board: the set-up sequence, the
// fixture model as a tree and a list of variables, streams and parameter writes
// through the variables, and the model building's handling of records it cannot use.
class tst_MonitoringInterface : public QObject
{
    Q_OBJECT

private slots:
    void fixtureModelBecomesTheTree()
    {
        MonitoredBoard board;
        QVERIFY(board.open());
        QSignalSpy variablesChanged(board.interface.get(), &Interface::simulinkVariablesChanged);
        QSignalSpy initializedChanged(board.interface.get(), &Interface::initializedChanged);
        QVERIFY(board.startInterface());
        QCOMPARE(variablesChanged.size(), 1);
        QCOMPARE(initializedChanged.size(), 1);

        // One request at a time, in the host's order.
        QList<int16_t> requested;
        for (const HostMonitoringRequest &request : board.board()->requests())
            requested << request.command;
        QList<int16_t> order{1};
        order += QList<int16_t>(15, 12);
        order += {5, 6, 7, 8, 9, 10, 11, 11, 17, 18, 19, 20};
        QCOMPARE(requested, order);

        QStringList variables;
        for (const SimulinkVariable *v : board.interface->simulinkVariables())
            variables
                << QStringLiteral("%1 | %2 | %3 | %4").arg(v->path(), v->name(), v->type()).arg(v->variableType());
        const QStringList expected{
            "root/Sine Wave/1 | sine | signal | 1",
            "root/Ramp/1 | ramp | signal | 1",
            "root/Constant/1 | level | signal | 1",
            "root/Faulty Sensor/1 | nan bursts | signal | 1",
            "root/Saturation/1 | inf bursts | signal | 1",
            "root/Vectorize/1 | vector | signal | 1",
            "root/Image/1 | pixels | signal | 1",
            // The bus contributes its leaves, the nested bus's first.
            "root/Vehicle/1/wheel/speed | speed | signal | 7",
            "root/Vehicle/1/wheel/slip | slip | signal | 7",
            "root/Vehicle/1/gear | gear | signal | 7",
            "root/Vehicle/1/valid | valid | signal | 7",
            "root/Gain Fixed/1 | fixed | signal | 1",
            "root/Gear Selector/1 | gear | signal | 1",
            "root/Impedance/1 | impedance | signal | 1",
            "root/Sensors/Temp//Pressure/1 | pressure | signal | 1",
            // Three signals of one block and port, told apart by suffixes.
            "root/Demux/1####0 | split | signal | 1",
            "root/Demux/1####1 | split | signal | 1",
            "root/Demux/1####2 | split | signal | 1",
            "root/Free Running/1 | counter | signal | 1",
            "root/Switch/2 | Port 2 | signal | 1",
            "root/HalvoraHighlightedItems/Error/1 | error | signal | 1",
            "root/Controller/PI/Integrator/1 | integral | signal | 1",
            "root/Gain/Gain | Gain | parameter | 2",
            "root/Lookup/Table | Table | parameter | 2",
            "root/Empty/Unused | Unused | parameter | 2",
            "root/Sensors/Temp//Pressure/Offset | Offset | parameter | 2",
            "root/Gain Fixed/Gain | Gain | parameter | 2",
            "root/Kp | Kp | parameter | 3",
            "root/Limits | Limits | parameter | 3",
            "root/Controller/Ki | Ki | parameter | 3",
            "root/Controller/PI/Integrator/DSTATE | DSTATE | state | 4",
            "root/In1/1 | setpoint | signal | 5",
            "root/Out1/1 | command | signal | 6",
        };
        QCOMPARE(variables, expected);

        // The tree's nodes of every kind.
        IModelNode *root = board.interface->root();
        const auto typeAt = [root](QByteArrayView path) {
            const IModelNode *node = IModelNode::findDescendant(root, path);
            return node ? node->typeCode() : -1;
        };
        QCOMPARE(typeAt("root"), IModelNode::Model);
        QCOMPARE(typeAt("root/Controller"), IModelNode::Model);
        QCOMPARE(typeAt("root/Controller/PI"), IModelNode::Subsystem);
        QCOMPARE(typeAt("root/Controller/PI/Integrator"), IModelNode::Block);
        QCOMPARE(typeAt("root/Sensors"), IModelNode::Subsystem);
        QCOMPARE(typeAt("root/Sensors/Temp//Pressure"), IModelNode::Block);
        QCOMPARE(IModelNode::findDescendant(root, "root/Sensors/Temp//Pressure")->name(), QByteArray("Temp/Pressure"));
        QCOMPARE(typeAt("root/Vehicle/1"), IModelNode::BusSignal);
        QCOMPARE(typeAt("root/Vehicle/1/wheel"), IModelNode::BusSignal);
        QCOMPARE(typeAt("root/Vehicle/1/wheel/slip"), IModelNode::BusElement);
        QCOMPARE(typeAt("root/In1/1"), IModelNode::RootInput);
        QCOMPARE(typeAt("root/Out1/1"), IModelNode::RootOutput);
        QCOMPARE(
            static_cast<StreamableNode *>(IModelNode::findDescendant(root, "root/Vehicle/1/gear"))->elementOffset(),
            uint16_t(12));
        QCOMPARE(board.interface->nodeAt(8)->typeCode(), IModelNode::BusSignal);
        QCOMPARE(board.interface->nodeAt(62)->fullPath(), QByteArray("root/Empty/Unused"));
        QCOMPARE(board.interface->nodeAt(41), nullptr);

        const auto *unnamed = board.variable<SimulinkSignal>("root/Switch/2");
        QVERIFY(unnamed->generatedName());
        QVERIFY(!board.variable<SimulinkSignal>("root/Sine Wave/1")->generatedName());
        QVERIFY(board.variable<SimulinkSignal>("root/HalvoraHighlightedItems/Error/1")->impSignal());
        QVERIFY(!board.variable<SimulinkSignal>("root/Sine Wave/1")->impSignal());
        const auto *pixels = board.variable<SimulinkSignal>("root/Image/1");
        QCOMPARE(pixels->rows(), 3);
        QCOMPARE(pixels->columns(), 4);
        QCOMPARE(pixels->parentPath(), QString("root/Image"));
        QCOMPARE(board.variable<SimulinkSignal>("root/Vectorize/1")->columns(), 5);
        QCOMPARE(board.variable<SimulinkSignal>("root/Sine Wave/1")->odr(), uint16_t(1000));

        // The parameters hold the board's values; one without elements reads NaN.
        QCOMPARE(board.variable<SimulinkParameter>("root/Gain/Gain")->currentValue(), 2.5);
        QCOMPARE(board.variable<SimulinkParameter>("root/Sensors/Temp//Pressure/Offset")->currentValue(), -12.0);
        QCOMPARE(board.variable<SimulinkParameter>("root/Gain Fixed/Gain")->currentValue(), 15 * 0.1);
        QCOMPARE(board.variable<SimulinkParameter>("root/Kp")->currentValue(), 12.0);
        QCOMPARE(board.variable<SimulinkParameter>("root/Controller/Ki")->currentValue(), 0.75);
        QVERIFY(std::isnan(board.variable<SimulinkParameter>("root/Empty/Unused")->currentValue()));
    }

    void elementsStreamIntoTheirSubscriptions()
    {
        MonitoredBoard board;
        QVERIFY(board.open());
        QVERIFY(board.startInterface());

        auto *sine = board.variable<SimulinkSignal>("root/Sine Wave/1");
        auto *vector = board.variable<SimulinkSignal>("root/Vectorize/1");
        auto *gear = board.variable<SimulinkSignal>("root/Vehicle/1/gear");
        Samples sineSamples(sine->elementOffset({0, 0}));
        // Element 3 of the 1 × 5 vector: its own offset, not the first element's.
        Samples vectorSamples(vector->elementOffset({0, 3}));
        QCOMPARE(vectorSamples.offset, uint16_t(12));
        Samples gearSamples(gear->elementOffset({0, 0}));
        const int sineHandle = sine->subscribe(sineSamples.offset, sine->odr(), &sineSamples);
        vector->subscribe(vectorSamples.offset, vector->odr(), &vectorSamples);
        gear->subscribe(gearSamples.offset, gear->odr(), &gearSamples);
        QTRY_VERIFY_WITH_TIMEOUT(sineSamples.received.size() >= 100 && vectorSamples.received.size() >= 50
                                     && gearSamples.received.size() >= 20,
                                 10000);

        const auto step = [](uint64_t timestamp) { return int64_t(timestamp / 1000000); };
        for (const auto &[timestamp, value] : std::as_const(sineSamples.received))
            QCOMPARE(value, std::sin(2 * std::numbers::pi * double(step(timestamp) % 1000) / 1000));
        for (const auto &[timestamp, value] : std::as_const(vectorSamples.received))
            QCOMPARE(value, double(float(0.5 * double(step(timestamp) % 200) + 30)));
        for (const auto &[timestamp, value] : std::as_const(gearSamples.received)) {
            const double wave = 20 + 10 * std::sin(2 * std::numbers::pi * double(step(timestamp) % 2000) / 2000);
            QCOMPARE(value, std::nearbyint(wave + 2));
        }

        // Stopped: nothing more arrives once the board confirmed it.
        sine->unsubscribe(sineHandle);
        QTRY_VERIFY(!board.interface->activations().find(0, 1));
        const qsizetype sines = sineSamples.received.size();
        const qsizetype vectors = vectorSamples.received.size();
        QTRY_VERIFY_WITH_TIMEOUT(vectorSamples.received.size() > vectors + 20, 5000);
        QCOMPARE(sineSamples.received.size(), sines);
    }

    void parameterWritesAreReadBack_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<double>("written");
        QTest::addColumn<double>("readBack");

        QTest::newRow("double block parameter") << "root/Gain/Gain" << 7.25 << 7.25;
        QTest::newRow("int16 model parameter") << "root/Kp" << -300.7 << -300.0;
        // A fixed-point value rounds to the nearest step of 0.1, not down.
        QTest::newRow("fixed point at slope 0.1") << "root/Gain Fixed/Gain" << 0.3 << 3 * 0.1;
        QTest::newRow("name with a /") << "root/Sensors/Temp//Pressure/Offset" << 40000.0 << 32767.0;
        QTest::newRow("referenced model") << "root/Controller/Ki" << 1.5 << 1.5;
    }

    void parameterWritesAreReadBack()
    {
        QFETCH(QString, path);
        QFETCH(double, written);
        QFETCH(double, readBack);

        MonitoredBoard board;
        QVERIFY(board.open());
        QVERIFY(board.startInterface());
        auto *parameter = board.variable<SimulinkParameter>(path);
        QVERIFY(parameter);
        QSignalSpy values(parameter, &SimulinkParameter::currentDataChanged);
        parameter->setValue(QStringLiteral("0"), written);
        QVERIFY(!parameter->sync());
        QTRY_VERIFY_WITH_TIMEOUT(parameter->sync() && parameter->currentValue() == readBack, 5000);
        QCOMPARE(values.last().at(0).toDouble(), readBack);
        const QList<SimulinkVariable *> before = board.interface->simulinkVariables();
        // The refresh changed the value in place: the same variables, no new ones.
        QCOMPARE(board.interface->simulinkVariables(), before);
    }

    void aZeroElementParameterIsNeverWritten()
    {
        MonitoredBoard board;
        QVERIFY(board.open());
        QVERIFY(board.startInterface());
        auto *unused = board.variable<SimulinkParameter>("root/Empty/Unused");
        LogCapture log(LogCapture::ofType(QtWarningMsg));
        const qsizetype requests = board.board()->requests().size();
        unused->setValue(QStringLiteral("0"), 1.0);
        QCOMPARE(log.countStartingWith("Refusing to write element 0"), 1);
        QVERIFY(unused->sync());
        QTest::qWait(50);
        QCOMPARE(board.board()->requests().size(), requests);
    }

    // After a reset the variables are detached first: what still holds them reads
    // their texts, and nothing reaches the freed tree (run under ASan).
    void resetDetachesTheVariables()
    {
        MonitoredBoard board;
        QVERIFY(board.open());
        QVERIFY(board.startInterface());
        QPointer<SimulinkSignal> sine = board.variable<SimulinkSignal>("root/Sine Wave/1");
        QPointer<SimulinkParameter> gain = board.variable<SimulinkParameter>("root/Gain/Gain");
        Samples samples(0);
        const int handle = sine->subscribe(0, 1000, &samples);
        QTRY_VERIFY_WITH_TIMEOUT(samples.received.size() > 5, 5000);

        QSignalSpy dropped(board.interface.get(), &Interface::simulinkVariablesDropped);
        board.interface->reset();
        QCOMPARE(dropped.size(), 1);
        QVERIFY(board.interface->simulinkVariables().isEmpty());
        QVERIFY(!board.interface->root());
        QVERIFY(board.interface->isInitialized()); // the state stays until the next start
        QVERIFY(sine && gain);
        QCOMPARE(sine->path(), QString("root/Sine Wave/1"));
        QVERIFY(std::isnan(gain->currentValue()));
        gain->setValue(QStringLiteral("0"), 3.0);
        sine->unsubscribe(handle);
        QCOMPARE(sine->subscribe(0, 1000, &samples), -1);
        // The board streams on; its samples reach nobody.
        const qsizetype received = samples.received.size();
        QTest::qWait(100);
        QCOMPARE(samples.received.size(), received);
        QTRY_VERIFY(!sine && !gain);

        // Started again, the model comes back whole.
        QVERIFY(board.startInterface());
        QCOMPARE(board.interface->simulinkVariables().size(), 33);
    }

    void repliesOutOfOrderAreIgnored()
    {
        MonitoredBoard board;
        QVERIFY(board.open());
        board.board()->faults().silent.insert(Strings); // the set-up stops at the first table
        board.interface->start();
        QTRY_COMPARE(board.interface->state(), Interface::ReadingStrings);

        LogCapture log(LogCapture::ofType(QtWarningMsg));
        MonCtrlChannel *channel = board.interface->controlChannel();
        emit channel->stringsReceived(3, {"x"});
        emit channel->infoReceived(monitor_info_t{2, 0});
        emit channel->signalsReceived({});
        emit channel->rawDataReceived(BlockParameterMemory, QByteArray(4, '\0'));
        QCOMPARE(log.lines(), (QStringList{"Unexpected strings received", "Unexpected monitor info received",
                                           "Unexpected signals received", "Unexpected raw data packet received"}));
        QCOMPARE(board.interface->state(), Interface::ReadingStrings);
    }

    void aCommunicationErrorStopsTheInterface()
    {
        MonitoredBoard board;
        QVERIFY(board.open());
        QVERIFY(board.startInterface());
        QSignalSpy initialized(board.interface.get(), &Interface::initializedChanged);
        LogCapture log(LogCapture::ofType(QtWarningMsg));
        emit board.interface->controlChannel()->communicationError(Signals, ErrorType(-22));
        QCOMPARE(log.lines(), QStringList{"Communication error Monitor Control cmd: 5 error -22"});
        QCOMPARE(board.interface->state(), Interface::Idle);
        QCOMPARE(initialized.size(), 1);
        QVERIFY(board.interface->simulinkVariables().isEmpty());
        QVERIFY(!board.interface->root());
    }

    void acknowledgementsWithoutARequestAreWarned()
    {
        MonitoredBoard board;
        QVERIFY(board.open());
        QVERIFY(board.startInterface());
        LogCapture log(LogCapture::ofType(QtWarningMsg));
        emit board.interface->controlChannel()->referencesHandled(SimulinkDataTypes::ParameterData, {{0, 1}});
        emit board.interface->controlChannel()->referencesHandled(SimulinkDataTypes::HandledReferences,
                                                                  {{0, 1}, {8, 6}});
        QCOMPARE(log.lines(), (QStringList{"Received unexpected references handled callback ref: 1 data offset: 0",
                                           "Received unexpected references handled callback ref: 6 data offset: 8"}));
        // Kinds of raw data the interface does not keep change nothing.
        emit board.interface->controlChannel()->rawDataReceived(5, QByteArray(4, '\0'));
        QCOMPARE(log.lines().last(), QString("Unexpected raw data packet type received"));
    }

    // The model references (string table 11: entry 0, then pairs of a parent in
    // hexadecimal and a path) become the model paths and the model nodes.
    void modelReferencesBecomeModelNodes_data()
    {
        QTest::addColumn<QByteArrayList>("table");
        QTest::addColumn<QByteArrayList>("modelPaths");
        QTest::addColumn<int>("warnings");

        QTest::newRow("nested") << QByteArrayList{"X", "0", "top", "0", "top/sub/ref"}
                                << QByteArrayList{"root", "root/sub/ref"} << 0;
        QTest::newRow("a / in the name") << QByteArrayList{"X", "0", "top", "0", "top/a//b"}
                                         << QByteArrayList{"root", "root/a//b"} << 0;
        QTest::newRow("a child of a reference") << QByteArrayList{"X", "0", "top", "0", "top/A", "1", "a/B"}
                                                << QByteArrayList{"root", "root/A", "root/A/B"} << 0;
        QTest::newRow("only entry 0") << QByteArrayList{"X"} << QByteArrayList{"root"} << 0;
        QTest::newRow("two strings") << QByteArrayList{"X", "0"} << QByteArrayList{"root"} << 0;
        QTest::newRow("empty") << QByteArrayList{} << QByteArrayList{"root"} << 0;
        // A parent that is not an earlier model is taken as the root; the entry stays,
        // so later indexes keep their models.
        QTest::newRow("forward parent") << QByteArrayList{"X", "0", "top", "2", "top/A", "0", "top/B"}
                                        << QByteArrayList{"root", "root/A", "root/B"} << 1;
        QTest::newRow("parent not hexadecimal")
            << QByteArrayList{"X", "0", "top", "zz", "top/A"} << QByteArrayList{"root", "root/A"} << 1;
        QTest::newRow("own parent") << QByteArrayList{"X", "0", "top", "1", "top/A"} << QByteArrayList{"root", "root/A"}
                                    << 1;
    }

    void modelReferencesBecomeModelNodes()
    {
        QFETCH(QByteArrayList, table);
        QFETCH(QByteArrayList, modelPaths);
        QFETCH(int, warnings);

        Description d;
        d.types.setStringTable(ModelReferences, table);
        LogCapture log("Monitoring.Interface");
        d.build();
        QCOMPARE(log.countStartingWith("Invalid parent"), warnings);
        QCOMPARE(d.model.modelPaths, modelPaths);
        for (const QByteArray &path : std::as_const(modelPaths)) {
            const IModelNode *node = IModelNode::findDescendant(d.model.root.get(), path);
            QVERIFY2(node, path.constData());
            QCOMPARE(node->typeCode(), IModelNode::Model);
        }
        if (modelPaths.size() > 1 && table.last() == "top/a//b")
            QCOMPARE(d.model.root->children().front()->name(), QByteArray("a/b"));
    }

    void recordsThatCannotBeRepresentedAreSkipped()
    {
        Description d;
        d.types.setStringTable(SignalBlockPaths, {"mdl/Gain", "mdl/Bus"});
        d.types.setStringTable(SignalNames, {"out", ""});
        signal_t flat = signalRecord(1, 0, 0, 1);
        signal_t threeDimensions = signalRecord(2, 0, 0, 2);
        threeDimensions.dimensionCount = 3;
        signal_t foreignModel = signalRecord(3, 0, 0, 3, 4);
        signal_t unknownType = signalRecord(4, 0, 0, 4);
        unknownType.dataTypeIndex = 9;
        signal_t unnamed = signalRecord(5, 0, 1, 3);
        d.description.signalList = {flat, threeDimensions, foreignModel, unknownType, unnamed};
        LogCapture log("Monitoring.Interface");
        d.build();
        QCOMPARE(d.paths(), (QByteArrayList{"root/Gain/1", "root/Gain/3"}));
        QCOMPARE(d.model.variables[1]->name(), QByteArray("Port 3"));
        QVERIFY(d.model.variables[1]->hasGeneratedName());
        QCOMPARE(log.lines(),
                 (QStringList{"Invalid dimension size 3 for signal", "Invalid model reference 4 for signal",
                              "Could not get datatype 9 for signal out"}));
    }

    // The parameter memory is sliced in list order; where it can no longer be sliced,
    // the list stops.
    void parameterMemoryIsSlicedInOrder_data()
    {
        QTest::addColumn<QList<param_t>>("records");
        QTest::addColumn<QByteArray>("memory");
        QTest::addColumn<QByteArrayList>("loaded"); // name=value
        QTest::addColumn<QStringList>("warnings");

        const QByteArray three = le16(1) + le16(2) + le16(3);
        QTest::newRow("image too short")
            << QList<param_t>{parameterRecord(1, 0, 1), parameterRecord(2, 1, 1), parameterRecord(3, 2, 1)}
            << three.first(4) << QByteArrayList{"a=1", "b=2"}
            << QStringList{"Raw data is not enough to initialize all the block parameters"};
        QTest::newRow("no dimensions skip one element")
            << QList<param_t>{parameterRecord(1, 0, 1, 0), parameterRecord(2, 1, 1)} << three << QByteArrayList{"b=2"}
            << QStringList{"Invalid dimension size 0 for block parameter"};
        // More dimensions than a value can have: its size is unknown, the rest unreadable.
        QTest::newRow("three dimensions stop the list")
            << QList<param_t>{parameterRecord(1, 0, 1), parameterRecord(2, 1, 1, 3), parameterRecord(3, 2, 1)} << three
            << QByteArrayList{"a=1"}
            << QStringList{"Invalid dimension size 3 for block parameter", "Not all block parameters are loaded"};
        QTest::newRow("unknown type of known size")
            << QList<param_t>{[] {
                                  param_t p = parameterRecord(1, 0, 1);
                                  p.fixedPointIndex = 5;
                                  return p;
                              }(),
                              parameterRecord(2, 1, 1)}
            << three << QByteArrayList{"b=2"} << QStringList{"Could not get datatype 1"};
        QTest::newRow("unknown size stops")
            << QList<param_t>{parameterRecord(1, 0, 7), parameterRecord(2, 1, 1)} << three << QByteArrayList{}
            << QStringList{"Could not get datatype 7", "Skipped block parameter data size not known: Not all "
                                                       "block parameters are loaded"};
        QTest::newRow("no elements take no bytes") << QList<param_t>{[] {
                                                                         param_t p = parameterRecord(1, 0, 1);
                                                                         p.dimensions = {0, 0};
                                                                         return p;
                                                                     }(),
                                                                     parameterRecord(2, 1, 1)}
                                                   << three << QByteArrayList{"a=nan", "b=1"} << QStringList{};
    }

    void parameterMemoryIsSlicedInOrder()
    {
        QFETCH(QList<param_t>, records);
        QFETCH(QByteArray, memory);
        QFETCH(QByteArrayList, loaded);
        QFETCH(QStringList, warnings);

        Description d;
        d.types.setStringTable(BlockParameterBlockPaths, {"mdl/Block"});
        d.types.setStringTable(BlockParameterNames, {"a", "b", "c"});
        d.description.blockParameters = records;
        d.description.blockParameterMemory = memory;
        LogCapture log("Monitoring.Interface");
        d.build();
        QByteArrayList values;
        for (const IModelNode *node : d.model.variables)
            values << node->name() + '='
                          + QByteArray::number(static_cast<const ParameterNode *>(node)->valueAsDouble(0));
        QCOMPARE(values, loaded);
        QCOMPARE(log.lines(), warnings);
    }

    // A new memory reaches every parameter, also those whose names hold a "/" or had
    // to be told apart by a suffix.
    void refreshedMemoryReachesEveryParameter()
    {
        Description d;
        d.types.setStringTable(BlockParameterBlockPaths, {"mdl/Block"});
        d.types.setStringTable(BlockParameterNames, {"a//b", "same", "same"});
        d.description.blockParameters = {parameterRecord(1, 0, 1), parameterRecord(2, 1, 1), parameterRecord(3, 2, 1)};
        d.description.blockParameterMemory = le16(1) + le16(2) + le16(3);
        d.build();
        QCOMPARE(d.paths(), (QByteArrayList{"root/Block/a//b", "root/Block/same####0", "root/Block/same####1"}));

        d.description.blockParameterMemory = le16(10) + le16(20) + le16(30);
        ModelBuilder(nullptr, d.description, d.types, d.model).loadBlockParameters(ModelBuilder::Mode::Refresh);
        QList<double> values;
        for (const IModelNode *node : d.model.variables)
            values << static_cast<const ParameterNode *>(node)->valueAsDouble(0);
        QCOMPARE(values, (QList<double>{10, 20, 30}));
        QCOMPARE(d.model.variables.size(), size_t(3));
    }

    void busesOfOnlyScalarsAreBuilt()
    {
        Description d;
        datatype_t real;
        real.dataSize = 8;
        datatype_t bus;
        bus.typeId = datatype_t::BusId;
        bus.busElementCount = 2;
        bus.firstBusElement = 0;
        bus.dataSize = 16;
        // A bus that holds itself would never end.
        datatype_t loop;
        loop.typeId = datatype_t::BusId;
        loop.busElementCount = 1;
        loop.firstBusElement = 2;
        d.types.setDataTypes({real, bus, loop});
        d.types.setStringTable(SignalBlockPaths, {"mdl/Bus"});
        d.types.setStringTable(SignalNames, {"bus"});
        d.types.setStringTable(BusElementNames, {"x", "y", "again"});
        struct_element_t x;
        x.nameIndex = 0;
        x.dimensionCount = 1;
        x.dimensions = {1, 0};
        struct_element_t y = x;
        y.nameIndex = 1;
        y.offset = 8;
        struct_element_t again = x;
        again.nameIndex = 2;
        again.dataTypeIndex = 2;
        d.description.structElements = {x, y, again};
        signal_t scalar = signalRecord(1, 0, 0, 1);
        scalar.dataTypeIndex = 1;
        signal_t vectorOfBuses = signalRecord(2, 0, 0, 2);
        vectorOfBuses.dataTypeIndex = 1;
        vectorOfBuses.dimensions = {4, 0};
        signal_t looping = signalRecord(3, 0, 0, 3);
        looping.dataTypeIndex = 2;
        d.description.signalList = {scalar, vectorOfBuses, looping};
        LogCapture log("Monitoring.Interface");
        d.build();
        QCOMPARE(d.paths(), (QByteArrayList{"root/Bus/1/x", "root/Bus/1/y"}));
        QCOMPARE(d.model.nodeTable[1]->typeCode(), IModelNode::BusSignal);
        QCOMPARE(d.model.nodeTable[2], nullptr);
        QCOMPARE(log.lines(), (QStringList{"Only Scalar busses are supported", "Bus again contains itself; left out"}));
    }
};

QTEST_GUILESS_MAIN(tst_MonitoringInterface)
#include "tst_MonitoringInterface.moc"
