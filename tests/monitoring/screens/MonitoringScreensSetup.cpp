// The runner of the monitoring screens' QML tests: the program's board object and
// device factory, connected over loopback to a simulated board that runs the fixture
// model, so the screens are tested against what the board really sends.
#include "BoardControlChannel.h"
#include "BoardMonitoringControl.h"
#include "ExternalMonitor.h"
#include "FakeUsbBackend.h"
#include "NetworkBoard.h"
#include "OstFactory.h"
#include "MonitoringProtocol.h"
#include "ProtocolRecords.h"
#include "SimulinkDataTypes.h"
#include "SimulinkParameter.h"
#include "SimulinkSignal.h"
#include "SimulinkVariableFilterProxyModel.h"
#include "Zelto.h"
#include "plotContainer.h"

#include <QApplication>
#include <QQmlContext>
#include <QQmlEngine>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtQuickTest>

#include <cstring>
#include <memory>
#include "HalvoraTestPaths.h"

using namespace std::chrono_literals;

// What a test asks of the simulated board, and of the parts of the monitor that QML
// does not see.
class SimulatedBoard : public QObject
{
    Q_OBJECT

public:
    SimulatedBoard(QObject *parent, QString *error)
        : QObject(parent)
    {
        if (!m_folder.isValid() || !m_certificates.create(m_folder.path(), error))
            return;
        m_board = std::make_unique<NetworkBoard>(BoardSettings{}, NetworkBoard::networkSettings(m_certificates, true));
        if (!m_board->transport.start(error))
            return;
        BoardControlState &state = control()->state();
        state.wifiAddress = BoardControlState::wifiAddressRecord(m_board->address().toIPv4Address());

        OstFactorySettings settings;
        settings.linkTimings.heartbeatInterval = 50ms;
        settings.linkTimings.deviceInfoLimit = 1000ms;
        settings.board.statusPollInterval = 100ms;
        settings.board.externalModePort = 0;
        settings.board.wifiLink = m_board->linkSettings(m_certificates);
        settings.board.makeExternalMonitor = [](QObject *owner, DatalinkManager *router, const QByteArray *buildID) {
            return new ExternalMonitor(owner, router, buildID);
        };
        settings.usbBackend = &m_bus;
        m_factory = std::make_unique<OstFactory>(nullptr, settings);
        m_factory->insertNetworkOstDevice(m_board->address().toString());
    }

    ~SimulatedBoard() override
    {
        // The host's side goes before the board it talks to.
        m_factory.reset();
        m_board.reset();
    }

    bool isReady() const { return m_factory != nullptr; }
    OstFactory *factory() const { return m_factory.get(); }

    // The board's application runs or stops; the board reports it at its next poll.
    Q_INVOKABLE void setApplicationRunning(bool running)
    {
        control()->state().appStatus = running ? ControlChannel::Running : ControlChannel::Stopped;
    }

    // The board refuses to open its monitoring service, or opens it again; and how
    // often the host asked it to open the service.
    Q_INVOKABLE void refuseMonitoring(bool refuse)
    {
        if (refuse)
            control()->state().faults.insert(OpenCloseMonitoring, ControlReplyFault{BoardControlChannel::Error});
        else
            control()->state().faults.remove(OpenCloseMonitoring);
    }
    Q_INVOKABLE int monitoringRequests() const
    {
        int count = 0;
        for (const HostControlRequest &request : control()->requests())
            count += request.command == OpenCloseMonitoring && request.payload.endsWith(char(1));
        return count;
    }

    // A real-valued block parameter as the board holds it in its memory; NaN when the
    // board has no such parameter.
    Q_INVOKABLE double blockParameter(const QString &block, const QString &name) const
    {
        for (const MonitoringModel::Variable &parameter : monitoring()->model().blockParameters) {
            if (parameter.blockPath == block.toUtf8() && parameter.name == name.toUtf8()
                && parameter.value.size() >= qsizetype(sizeof(double)))
                return qFromLittleEndian<double>(parameter.value.constData());
        }
        return qQNaN();
    }

    // The set-signal requests the board received for a reference id, "+" for each
    // start and "-" for each stop, and how many samples a chart's slot holds.
    Q_INVOKABLE QString streamRequests(int referenceId) const
    {
        QString requests;
        for (const HostMonitoringRequest &request : monitoring()->requests()) {
            if (request.command != monitoring::protocol::SetSignal)
                continue;
            const auto record = monitoring::protocol::signal_set_t::read(request.payload);
            if (record.referenceId == referenceId)
                requests += record.rate < 0 ? '-' : '+';
        }
        return requests;
    }
    Q_INVOKABLE int sampleCount(QObject *container, int slot) const
    {
        const auto *plot = qobject_cast<plotContainer *>(container);
        return plot ? int(plot->sampleCount(slot)) : -1;
    }
    Q_INVOKABLE QString slotSignalPath(QObject *container, int slot) const
    {
        const auto *plot = qobject_cast<plotContainer *>(container);
        const SimulinkDataTypes::SimulinkSignal *signal = plot ? plot->signalAt(slot) : nullptr;
        return signal ? signal->path() : QString();
    }

private:
    static constexpr uint16_t OpenCloseMonitoring = 10;

    BoardControlChannel *control() const { return static_cast<BoardControlChannel *>(m_board->simulator.channel(1)); }
    BoardMonitoringControl *monitoring() const
    {
        return qobject_cast<BoardMonitoringControl *>(m_board->simulator.channel(BoardMonitoringControl::Number));
    }

    QTemporaryDir m_folder;
    WifiTestCertificates m_certificates;
    FakeUsbBackend m_bus;
    std::unique_ptr<NetworkBoard> m_board;
    std::unique_ptr<OstFactory> m_factory;
};

class MonitoringScreensSetup : public QObject
{
    Q_OBJECT

public slots:
    void qmlEngineAvailable(QQmlEngine *engine)
    {
        engine->addImportPath(QStringLiteral("qrc:/qt/qml"));
        engine->addImportPath(QStringLiteral(HALVORA_QML_IMPORT_DIR));

        static bool registered = false;
        if (!registered) {
            registered = true;
            const char *uri = "com.ostrel";
            qmlRegisterUncreatableType<Zelto>(uri, 1, 0, "Zelto", QString());
            qmlRegisterUncreatableType<OstDevice>(uri, 1, 0, "OstDevice", QString());
            qmlRegisterUncreatableMetaObject(SimulinkDataTypes::staticMetaObject, uri, 1, 0, "SimulinkDataTypes",
                                             QString());
            qmlRegisterAnonymousType<ExternalMonitor>(uri, 1);
            qmlRegisterAnonymousType<plotContainer>(uri, 1);
            qmlRegisterAnonymousType<SimulinkDataTypes::SimulinkVariable>(uri, 1);
            qmlRegisterAnonymousType<SimulinkDataTypes::SimulinkSignal>(uri, 1);
            qmlRegisterAnonymousType<SimulinkDataTypes::SimulinkParameter>(uri, 1);
            qmlRegisterAnonymousType<SimulinkVariableFilterProxyModel>(uri, 1);
        }

        // A board of its own for each test file.
        QString error;
        auto *board = new SimulatedBoard(engine, &error);
        if (!board->isReady())
            qFatal("The simulated board did not start: %s", qPrintable(error));
        engine->rootContext()->setContextProperty(QStringLiteral("simulatedBoard"), board);
        engine->rootContext()->setContextProperty(QStringLiteral("ostFactory"), board->factory());
    }
};

// Charts need the widgets application, as in the program.
int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Halvora Lab"));
    QApplication::setOrganizationName(QStringLiteral("Ostrel"));
    QTEST_SET_MAIN_SOURCE_PATH
    MonitoringScreensSetup setup;
    return quick_test_main_with_setup(argc, argv, "monitoring_screens", QUICK_TEST_SOURCE_DIR, &setup);
}

#include "MonitoringScreensSetup.moc"
