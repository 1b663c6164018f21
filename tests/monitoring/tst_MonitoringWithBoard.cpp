#include "ActivationMap.h"
#include "BoardMonitoringControl.h"
#include "BoardMonitoringData.h"
#include "BoardRig.h"
#include "ControlChannel.h"
#include "DataChannel.h"
#include "MonCtrlChannel.h"
#include "MonitoringSetup.h"
#include "NetworkBoard.h"
#include "RecordingSink.h"
#include "WifiDatalink.h"
#include "WifiTestCertificates.h"

#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <bit>
#include <cmath>
#include <memory>
#include <numbers>

using namespace monitoring;
using namespace monitoring::protocol;
using namespace std::chrono_literals;

namespace {

double sine(int64_t step, double amplitude, int64_t period, double offset = 0)
{
    return offset + amplitude * std::sin(2 * std::numbers::pi * double(step % period) / double(period));
}

template<typename T>
T le(const QByteArray &bytes, qsizetype offset = 0)
{
    return qFromLittleEndian<T>(bytes.constData() + offset);
}

// The host's side of monitoring over a datalink manager: the control service that
// starts the application and opens the monitoring service, both monitoring channels,
// and the activation map through which the board's acknowledgements reach the sinks
// (what the monitoring interface does with them).
struct Host
{
    explicit Host(DatalinkManager *manager)
        : control(nullptr, 1, true, manager)
        , monitorControl(nullptr, manager)
        , data(nullptr, manager)
    {
        QObject::connect(&monitorControl, &MonCtrlChannel::referencesHandled,
                         [this](SimulinkDataTypes::VariableDataType kind, const QList<reference_set_t> &entries) {
                             if (kind == SimulinkDataTypes::ParameterData)
                                 return;
                             for (const reference_set_t &entry : entries) {
                                 if (StreamSink *sink = activations.find(entry.dataOffset, entry.referenceId))
                                     sink->onActivationAck(entry.dataOffset);
                             }
                         });
    }

    // True once the board's application runs and its monitoring service is open.
    bool openMonitoring()
    {
        QSignalSpy started(&control, &ControlChannel::StartStopAppReceived);
        QSignalSpy opened(&control, &ControlChannel::OpenCloseMonitoringServiceReceived);
        control.startStopApp(true);
        control.openCloseMonitoringService(true);
        return (!opened.isEmpty() || opened.wait(5000)) && started.size() == 1
               && started[0][1].value<ControlChannel::AppStatus>() == ControlChannel::Running
               && opened[0][0].value<ControlChannel::ResponseCode>() == ControlChannel::Success
               && opened[0][1].toBool();
    }

    // Enters the stream, registers it and asks the board for it, as a streamable node does.
    void subscribe(RecordingSink *sink, const signal_set_t &request, bool withOffset)
    {
        activations.registerPending(request.referenceId, request.dataOffset, sink);
        data.registerStream(request.referenceId, request.dataOffset, request.elementSize, withOffset, sink);
        monitorControl.setSignal(request);
    }

    // Asks the board to stop the stream; once it confirms, the stream leaves both tables.
    bool unsubscribe(RecordingSink *sink, signal_set_t request)
    {
        const qsizetype acknowledged = sink->acknowledged.size();
        request.rate = signal_set_t::StopRate;
        monitorControl.setSignal(request);
        if (!QTest::qWaitFor([&] { return sink->acknowledged.size() > acknowledged; }, 5000))
            return false;
        data.unregisterStream(request.referenceId, request.dataOffset);
        activations.remove(request.referenceId, request.dataOffset);
        return true;
    }

    ControlChannel control;
    MonCtrlChannel monitorControl;
    DataChannel data;
    ActivationMap activations;
};

// A board behind a datalink manager: in this process over a USB link, or on
// 127.0.0.2 behind TLS and encrypted datagrams.
struct Connection
{
    virtual ~Connection() = default;
    virtual BoardSimulator &board() = 0;
    virtual DatalinkManager &manager() = 0;

    BoardMonitoringControl *boardMonitoring()
    {
        return qobject_cast<BoardMonitoringControl *>(board().channel(BoardMonitoringControl::Number));
    }
    BoardMonitoringData *boardData()
    {
        return qobject_cast<BoardMonitoringData *>(board().channel(BoardMonitoringData::Number));
    }
};

struct InProcess : Connection
{
    BoardRig rig;
    BoardSimulator &board() override { return rig.board; }
    DatalinkManager &manager() override { return rig.manager; }
    bool connect() { return rig.connect(); }
};

struct OverLoopback : Connection
{
    explicit OverLoopback(const WifiTestCertificates &certificates)
        : network(BoardRig::boardSettings(), NetworkBoard::networkSettings(certificates, true))
        , host(nullptr, BoardRig::hostTimings())
        , m_certificates(certificates)
    {
    }

    BoardSimulator &board() override { return network.simulator; }
    DatalinkManager &manager() override { return host; }

    bool connect()
    {
        QString error;
        if (!network.transport.start(&error))
            return false;
        QSignalSpy info(&host, &DatalinkManager::deviceInfoReceived);
        link = new WifiDatalink(nullptr, network.address(), true, true, network.linkSettings(m_certificates));
        host.addDatalink(link);
        link->initialise();
        if (!info.wait(10000))
            return false;
        QSignalSpy active(&host, &DatalinkManager::activeLinkTypeChanged);
        host.setActiveDatalinkConnection(AbstractDataLink::WiFi);
        // Samples come as datagrams, which need the board's key.
        return active.wait(5000) && QTest::qWaitFor([this] { return link && !link->isProbing(); }, 5000);
    }

    NetworkBoard network;
    DatalinkManager host;
    QPointer<WifiDatalink> link;
    const WifiTestCertificates &m_certificates;
};

} // namespace

// Monitoring between the program's channels and the simulated board, in this process
// and over loopback sockets: the whole set-up, streams whose samples are exactly the
// board's waveforms, a stop, and a parameter written and read back.
class tst_MonitoringWithBoard : public QObject
{
    Q_OBJECT

    QTemporaryDir m_folder;
    WifiTestCertificates m_certificates;

    std::unique_ptr<Connection> connectBoard()
    {
        QFETCH(bool, loopback);
        if (loopback) {
            auto connection = std::make_unique<OverLoopback>(m_certificates);
            if (!connection->connect())
                return nullptr;
            return connection;
        }
        auto connection = std::make_unique<InProcess>();
        if (!connection->connect())
            return nullptr;
        return connection;
    }

    static void transports()
    {
        QTest::addColumn<bool>("loopback");
        QTest::newRow("in process") << false;
        QTest::newRow("over loopback") << true;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_folder.isValid());
        QString error;
        QVERIFY2(m_certificates.create(m_folder.path(), &error), qPrintable(error));
    }

    void setUpDescribesTheModel_data() { transports(); }
    void setUpDescribesTheModel()
    {
        const std::unique_ptr<Connection> connection = connectBoard();
        QVERIFY(connection);
        Host host(&connection->manager());
        QVERIFY(host.openMonitoring());

        MonitoringSetup setup(&host.monitorControl);
        setup.start();
        QTRY_VERIFY_WITH_TIMEOUT(setup.done || !setup.error.isEmpty(), 10000);
        QVERIFY2(setup.error.isEmpty(), qPrintable(setup.error));

        QList<int16_t> requested;
        for (const HostMonitoringRequest &request : connection->boardMonitoring()->requests())
            requested << request.command;
        QList<int16_t> order{1};
        order += QList<int16_t>(15, 12);
        order += {5, 6, 7, 8, 9, 10, 11, 11, 17, 18, 19, 20};
        QCOMPARE(requested, order);

        QCOMPARE(setup.info.version, 2u);
        QCOMPARE(setup.strings[ModelReferences],
                 (QList<QByteArray>{"Fixture", "0", "Fixture", "0", "Fixture/Controller"}));
        QCOMPARE(setup.signalList.size(), qsizetype(19));
        QCOMPARE(setup.states.size(), qsizetype(1));
        QCOMPARE(setup.inputs.size(), qsizetype(1));
        QCOMPARE(setup.outputs.size(), qsizetype(1));
        QVERIFY(setup.activeSignals.isEmpty());

        // The signal whose block has a "/" in its name, as its table holds it.
        const signal_t &pressure = setup.signalList.at(11);
        QCOMPARE(pressure.referenceId, uint16_t(12));
        QCOMPARE(setup.strings[SignalBlockPaths].value(pressure.blockPathIndex),
                 QByteArray("Fixture/Sensors/Temp//Pressure"));
        QCOMPARE(setup.strings[SignalNames].value(pressure.nameIndex), QByteArray("pressure"));
        const signal_t &unnamed = setup.signalList.at(16);
        QCOMPARE(setup.strings[SignalNames].value(unnamed.nameIndex), QByteArray(""));
        QCOMPARE(unnamed.port, uint8_t(2));

        // The column-major uint8 matrix and the nested bus.
        const signal_t &pixels = setup.signalList.at(6);
        QCOMPARE(pixels.layoutKind, uint8_t(3));
        QCOMPARE(pixels.dimensionCount, uint8_t(2));
        QCOMPARE(pixels.dimensions, (std::array<uint16_t, 2>{3, 4}));
        QCOMPARE(setup.dataTypes.at(pixels.dataTypeIndex).typeId, uint8_t(3));
        const datatype_t &vehicle = setup.dataTypes.at(setup.signalList.at(7).dataTypeIndex);
        QCOMPARE(vehicle.typeId, datatype_t::BusId);
        QCOMPARE(vehicle.dataSize, uint16_t(15));
        QCOMPARE(vehicle.busElementCount, uint16_t(3));
        const struct_element_t &wheel = setup.structElements.at(vehicle.firstBusElement);
        QCOMPARE(setup.strings[BusElementNames].value(wheel.nameIndex), QByteArray("wheel"));
        QCOMPARE(setup.dataTypes.at(wheel.dataTypeIndex).typeId, datatype_t::BusId);
        const struct_element_t &gear = setup.structElements.at(vehicle.firstBusElement + 1);
        QCOMPARE(gear.offset, uint16_t(12));

        // Fixed point: record 0 stands for none.
        QCOMPARE(setup.scalings.size(), qsizetype(2));
        QCOMPARE(setup.scalings[0].wordLength, uint8_t(0));
        QCOMPARE(setup.scalings[1].fraction, 0.1);
        QCOMPARE(setup.signalList.at(8).fixedPointIndex, uint16_t(1));

        // The memories: the values of the parameters in list order, the zero-element one
        // taking no bytes.
        QCOMPARE(setup.blockParameters.size(), qsizetype(5));
        QCOMPARE(setup.blockMemory.size(), qsizetype(8 + 32 + 0 + 2 + 2));
        QCOMPARE(std::bit_cast<double>(le<quint64>(setup.blockMemory)), 2.5);
        QCOMPARE(le<int16_t>(setup.blockMemory, 40), int16_t(-12));
        QCOMPARE(le<int16_t>(setup.blockMemory, 42), int16_t(15)); // 1.5 at a slope of 0.1
        QCOMPARE(setup.modelParameters.size(), qsizetype(3));
        QVERIFY(setup.modelParameters.at(0).isModelParameter());
        QCOMPARE(le<int16_t>(setup.modelMemory), int16_t(12));
        QCOMPARE(setup.modelMemory.size(), qsizetype(2 + 16 + 8));
    }

    // Subscribed elements arrive with the board's exact values and timestamps, until
    // the board confirms that their streams stopped.
    void streamsExactSamples_data() { transports(); }
    void streamsExactSamples()
    {
        const std::unique_ptr<Connection> connection = connectBoard();
        QVERIFY(connection);
        Host host(&connection->manager());
        QVERIFY(host.openMonitoring());

        RecordingSink sineSink(QStringLiteral("sine"));
        RecordingSink vectorSink(QStringLiteral("vector"));
        RecordingSink busSink(QStringLiteral("bus"));
        const signal_set_t sineRequest{1, 0, 1000, 8, 0, 1};
        const signal_set_t vectorRequest{6, 0, 500, 4, 12, 1}; // element 3 of 5 singles
        const signal_set_t busRequest{8, 0, 0, 2, 12, 1};      // the int16 gear inside the bus
        host.subscribe(&sineSink, sineRequest, false);
        host.subscribe(&vectorSink, vectorRequest, true);
        host.subscribe(&busSink, busRequest, true);
        QTRY_VERIFY_WITH_TIMEOUT(sineSink.acknowledged == QList<uint16_t>{0}
                                     && vectorSink.acknowledged == QList<uint16_t>{12}
                                     && busSink.acknowledged == QList<uint16_t>{12},
                                 5000);
        QTRY_VERIFY_WITH_TIMEOUT(
            sineSink.samples.size() >= 200 && vectorSink.samples.size() >= 100 && busSink.samples.size() >= 200, 10000);

        // Each value follows from its timestamp (a step of 1 ms); a stream's steps rise
        // by its decimation. Samples may be lost on the way, never changed.
        const auto check = [](const RecordingSink &sink, int64_t decimation, uint16_t offset,
                              const std::function<QByteArray(int64_t)> &expected) {
            uint64_t previous = 0;
            for (const RecordingSink::Sample &sample : sink.samples) {
                QCOMPARE(sample.dataOffset, offset);
                QCOMPARE(sample.timestamp % 1000000, uint64_t(0));
                QVERIFY(sample.timestamp > previous);
                const auto step = int64_t(sample.timestamp / 1000000);
                QCOMPARE(step % decimation, int64_t(0));
                QCOMPARE(sample.value.toHex(), expected(step).toHex());
                previous = sample.timestamp;
            }
        };
        check(sineSink, 1, 0, [](int64_t s) {
            QByteArray bytes(8, '\0');
            qToLittleEndian<quint64>(std::bit_cast<quint64>(sine(s, 1, 1000)), bytes.data());
            return bytes;
        });
        if (QTest::currentTestFailed())
            return;
        check(vectorSink, 2, 12, [](int64_t s) {
            QByteArray bytes(4, '\0');
            qToLittleEndian<quint32>(std::bit_cast<quint32>(float(0.5 * double(s % 200) + 30)), bytes.data());
            return bytes;
        });
        if (QTest::currentTestFailed())
            return;
        check(busSink, 1, 12, [](int64_t s) {
            QByteArray bytes(2, '\0');
            qToLittleEndian<int16_t>(int16_t(std::nearbyint(sine(s, 10, 2000, 20) + 2)), bytes.data());
            return bytes;
        });
        if (QTest::currentTestFailed())
            return;

        // In process nothing is lost: the steps follow each other, unless the event loop
        // stalled for longer than the board catches up (1000 steps).
        QFETCH(bool, loopback);
        if (!loopback) {
            for (qsizetype i = 1; i < sineSink.samples.size(); ++i) {
                const uint64_t gap = sineSink.samples[i].timestamp - sineSink.samples[i - 1].timestamp;
                QVERIFY2(gap == 1000000 || gap > 1000 * 1000000, qPrintable(QString::number(gap)));
            }
        }

        QVERIFY(host.unsubscribe(&sineSink, sineRequest));
        QCOMPARE(sineSink.acknowledged, (QList<uint16_t>{0, 0}));
        QList<uint16_t> streamed;
        for (const BoardMonitoringData::Stream &stream : connection->boardData()->streams())
            streamed << stream.referenceId;
        QCOMPARE(streamed, (QList<uint16_t>{6, 8}));
        const qsizetype sines = sineSink.samples.size();
        const qsizetype gears = busSink.samples.size();
        QTRY_VERIFY_WITH_TIMEOUT(busSink.samples.size() > gears + 50, 5000);
        QCOMPARE(sineSink.samples.size(), sines);
    }

    // A parameter element written by the host reaches the board's memory; the board
    // announces it, and the memory read again holds it.
    void parameterWriteIsReadBack_data() { transports(); }
    void parameterWriteIsReadBack()
    {
        const std::unique_ptr<Connection> connection = connectBoard();
        QVERIFY(connection);
        Host host(&connection->manager());
        QVERIFY(host.openMonitoring());
        QSignalSpy handled(&host.monitorControl, &MonCtrlChannel::referencesHandled);
        QSignalSpy updated(&host.monitorControl, &MonCtrlChannel::updateParametersReceived);
        QSignalSpy memory(&host.monitorControl, &MonCtrlChannel::rawDataReceived);
        QSignalSpy errors(&host.monitorControl, &MonCtrlChannel::communicationError);

        // Element 2 of the lookup table (reference 61, 4 doubles, data type 0).
        param_set_t write;
        write.referenceId = 61;
        write.dataTypeIndex = 0;
        write.elementIndex = 2;
        write.layoutKind = 1;
        qToLittleEndian<quint64>(std::bit_cast<quint64>(0.625), write.value.data());
        host.monitorControl.setParameter(write);
        QTRY_COMPARE_WITH_TIMEOUT(updated.size(), 1, 5000);
        QCOMPARE(handled.size(), 1);
        QCOMPARE(handled[0][0].value<SimulinkDataTypes::VariableDataType>(), SimulinkDataTypes::ParameterData);
        const auto entries = updated[0][0].value<QList<reference_set_t>>();
        QCOMPARE(entries, (QList<reference_set_t>{{2, 61}}));

        host.monitorControl.requestRawData(BlockParameterMemory);
        QTRY_COMPARE_WITH_TIMEOUT(memory.size(), 1, 5000);
        const QByteArray image = memory[0][1].toByteArray();
        QCOMPARE(memory[0][0].value<rawdata_type_t>(), BlockParameterMemory);
        // The table starts after the 8 bytes of the gain.
        QCOMPARE(std::bit_cast<double>(le<quint64>(image, 8 + 2 * 8)), 0.625);
        QCOMPARE(std::bit_cast<double>(le<quint64>(image, 8 + 1 * 8)), 0.25);

        // Kp, an int16 model parameter, in the model memory.
        param_set_t kp;
        kp.referenceId = 70;
        kp.dataTypeIndex = 4;
        kp.memory = param_set_t::ModelParameterMemory;
        kp.value[0] = 0xF0;
        kp.value[1] = 0xFF;
        host.monitorControl.setParameter(kp);
        QTRY_COMPARE_WITH_TIMEOUT(updated.size(), 2, 5000);
        host.monitorControl.requestRawData(ModelParameterMemory);
        QTRY_COMPARE_WITH_TIMEOUT(memory.size(), 2, 5000);
        QCOMPARE(le<int16_t>(memory[1][1].toByteArray()), int16_t(-16));
        QVERIFY(errors.isEmpty());

        // A write the board refuses comes back as a communication error.
        write.elementIndex = 4;
        host.monitorControl.setParameter(write);
        QTRY_COMPARE_WITH_TIMEOUT(errors.size(), 1, 5000);
        QCOMPARE(errors[0][0].value<CommandType>(), SetParameter);
        QCOMPARE(errors[0][1].value<ErrorType>(), ErrorType(-22));
    }
};

QTEST_GUILESS_MAIN(tst_MonitoringWithBoard)
#include "tst_MonitoringWithBoard.moc"
