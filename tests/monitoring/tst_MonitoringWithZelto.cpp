#include "BoardControlChannel.h"
#include "BoardMonitoringControl.h"
#include "ExternalMonitor.h"
#include "FakeUsbBackend.h"
#include "NetworkBoard.h"
#include "OstFactory.h"
#include "SimulinkParameter.h"
#include "SimulinkSignal.h"
#include "SimulinkVariableModel.h"
#include "WifiTestCertificates.h"
#include "Zelto.h"
#include "plotContainer.h"

#include <QPointer>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace std::chrono_literals;
using SimulinkDataTypes::SimulinkParameter;
using SimulinkDataTypes::SimulinkSignal;

namespace {

const QString Group = QStringLiteral("Monitoring_Signal_Selections");

BoardControlChannel *control(BoardSimulator &board)
{
    return static_cast<BoardControlChannel *>(board.channel(1));
}

template<typename T>
T *variable(ExternalMonitor *monitor, const QString &path)
{
    for (SimulinkDataTypes::SimulinkVariable *v : monitor->simulinkVariables()) {
        if (v->path() == path)
            return qobject_cast<T *>(v);
    }
    return nullptr;
}

} // namespace

// The program's board object with its external monitor, against the simulated board
// behind loopback sockets: the model is built when the board's application runs, the
// stored selection comes back and streams, a parameter written from its QML object is
// read back, and the application stopping and starting again drops and rebuilds it all.
class tst_MonitoringWithZelto : public QObject
{
    Q_OBJECT

    QTemporaryDir m_folder;
    WifiTestCertificates m_certificates;

private slots:
    void initTestCase()
    {
        QVERIFY(m_folder.isValid());
        QString error;
        QVERIFY2(m_certificates.create(m_folder.path(), &error), qPrintable(error));
    }

    void monitoringFollowsTheBoardsApplication()
    {
        NetworkBoard simulated(BoardSettings{}, NetworkBoard::networkSettings(m_certificates, true));
        QString error;
        QVERIFY2(simulated.transport.start(&error), qPrintable(error));
        BoardControlState &state = control(simulated.simulator)->state();
        state.wifiAddress = BoardControlState::wifiAddressRecord(simulated.address().toIPv4Address());

        QSettings settings(m_folder.filePath("selection.ini"), QSettings::IniFormat);
        settings.clear();
        settings.setValue(Group + "/lastMonitoredBuildID", state.buildId);
        settings.setValue(Group + "/SigPath1-2", "root/Sine Wave/1");
        settings.setValue(Group + "/ElementIndex1-2", QPointF(0, 0));
        settings.setValue(Group + "/SigPath3-0", "root/Vehicle/1/gear");
        settings.setValue(Group + "/ElementIndex3-0", QPointF(0, 0));

        FakeUsbBackend bus;
        OstFactorySettings factorySettings;
        factorySettings.linkTimings.heartbeatInterval = 50ms;
        factorySettings.linkTimings.deviceInfoLimit = 1000ms;
        factorySettings.board.statusPollInterval = 100ms;
        factorySettings.board.externalModePort = 0;
        factorySettings.board.wifiLink = simulated.linkSettings(m_certificates);
        factorySettings.board.makeExternalMonitor = [&settings](QObject *parent, DatalinkManager *router,
                                                                const QByteArray *buildID) {
            return new ExternalMonitor(parent, router, buildID, &settings);
        };
        factorySettings.usbBackend = &bus;
        OstFactory factory(nullptr, factorySettings);
        factory.insertNetworkOstDevice(simulated.address().toString());
        QVERIFY(QTest::qWaitFor(
            [&] { return !factory.deviceList().isEmpty() && factory.deviceList()[0]->isConnected(); }, 10000));
        QPointer<Zelto> board = factory.deviceList()[0];
        QTRY_COMPARE_WITH_TIMEOUT(board->buildID(), state.buildId, 5000);

        const auto monitoringStarts = [&]() -> ExternalMonitor * {
            state.appStatus = ControlChannel::Running;
            if (!QTest::qWaitFor([&] { return board->appRunning(); }, 5000))
                return nullptr;
            board->startMonitoring();
            ExternalMonitor *monitor = nullptr;
            const bool ready = QTest::qWaitFor(
                [&] {
                    monitor = qobject_cast<ExternalMonitor *>(board->externalMonitor());
                    return monitor && monitor->initialized();
                },
                10000);
            return ready ? monitor : nullptr;
        };

        for (int run = 0; run < 2; ++run) {
            QPointer<ExternalMonitor> monitor = monitoringStarts();
            QVERIFY(monitor);
            QVERIFY(board->monitoringServiceRunning());
            QCOMPARE(monitor->simulinkVariables().size(), 33);
            QCOMPARE(monitor->variableModel()->rowCount(), 24);

            // The stored slots, restored and streaming.
            QCOMPARE(monitor->plotContainers().size(), 4);
            QPointer<SimulinkSignal> sine = monitor->plotContainers()[1]->signalAt(2);
            QVERIFY(sine);
            QCOMPARE(sine->path(), QString("root/Sine Wave/1"));
            QCOMPARE(monitor->plotContainers()[3]->signalAt(0)->path(), QString("root/Vehicle/1/gear"));
            QTRY_VERIFY_WITH_TIMEOUT(monitor->plotContainers()[1]->sampleCount(2) > 20
                                         && monitor->plotContainers()[3]->sampleCount(0) > 5,
                                     10000);
            const double gear = monitor->plotContainers()[3]->getLatestValue(0);
            QVERIFY2(gear >= 12 && gear <= 32, qPrintable(QString::number(gear))); // 20 ± 10, + 2

            // A parameter written through its QML object comes back from the board.
            auto *gain = variable<SimulinkParameter>(monitor, "root/Gain/Gain");
            QVERIFY(gain);
            const double written = 4.75 + run;
            gain->setValue(QStringLiteral("0"), written);
            QTRY_VERIFY_WITH_TIMEOUT(gain->sync() && gain->currentValue() == written, 5000);

            // The application stops: the board drops the model, closes the service and
            // deletes the monitor; nothing keeps a freed node.
            QPointer<plotContainer> container = monitor->plotContainers()[1];
            state.appStatus = ControlChannel::Stopped;
            QTRY_VERIFY_WITH_TIMEOUT(!monitor && !sine && !container, 5000);
            QVERIFY(!board->monitoringServiceRunning());
            QVERIFY(!board->externalMonitor());
        }

        // Another build: its monitor clears the selection of the one before and
        // restores nothing.
        board->currentBuildIDReceived(ControlChannel::Success, "other-build");
        QPointer<ExternalMonitor> monitor = monitoringStarts();
        QVERIFY(monitor);
        QCOMPARE(monitor->buildID(), QByteArray("other-build"));
        for (plotContainer *container : monitor->plotContainers()) {
            for (int slot = 0; slot < plotContainer::SlotCount; ++slot)
                QVERIFY(!container->signalAt(slot));
        }
        settings.sync();
        QCOMPARE(settings.value(Group + "/lastMonitoredBuildID").toByteArray(), QByteArray("other-build"));
        QVERIFY(!settings.contains(Group + "/SigPath1-2"));
    }
};

QTEST_GUILESS_MAIN(tst_MonitoringWithZelto)
#include "tst_MonitoringWithZelto.moc"
