#include "BoardControlChannel.h"
#include "BoardUpdateService.h"
#include "DownloadStorage.h"
#include "ErrorHandler.h"
#include "FakeUsbBackend.h"
#include "FirmwareFileManager.h"
#include "HardwareUpdate.h"
#include "NetworkBoard.h"
#include "OstFactory.h"
#include "StoragePeer.h"
#include "VersionControl.h"
#include "WifiTestCertificates.h"
#include "support/FirmwareStorage.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace std::chrono_literals;

// The whole road over loopback sockets: a simulated Wi-Fi board with TLS, the
// storage peer serving the version information and encrypted firmware files, and the
// program's device factory and firmware update. The board takes its operating system,
// restarts, is found again over Wi-Fi, takes its Wi-Fi module firmware, restarts
// again and comes back reporting the new versions.
class tst_HardwareUpdateWithBoards : public QObject
{
    Q_OBJECT

    QTemporaryDir m_folder;
    WifiTestCertificates m_certificates;

private slots:
    void initTestCase()
    {
        QCoreApplication::setOrganizationName(QStringLiteral("Ostrel"));
        QCoreApplication::setApplicationName(QStringLiteral("Halvora Lab"));
        QVERIFY(m_folder.isValid());
        QString error;
        QVERIFY2(m_certificates.create(m_folder.path(), &error), qPrintable(error));
    }

    void boardUpdatedOverWifi()
    {
        const QString os = QStringLiteral("ZeltoOS"), wireless = QStringLiteral("ZeltoWireless");
        FirmwareStorage storage;
        const QByteArray osImage = storage.publish(os, QStringLiteral("1.3.0"));
        const QByteArray wirelessImage = storage.publish(wireless, QStringLiteral("2.1.0"));
        storage.addDeviceVersion(QStringLiteral("Zelto"), QStringLiteral("1.0"),
                                 {{os, QStringLiteral("1.2.0")}, {wireless, QStringLiteral("2.0.0")}});
        storage.addDeviceVersion(QStringLiteral("Zelto"), QStringLiteral("1.2"),
                                 {{os, QStringLiteral("1.3.0")}, {wireless, QStringLiteral("2.1.0")}});
        QVERIFY(storage.writeVersionInfo());
        StoragePeer peer(storage.root());
        QVERIFY(peer.start());
        qputenv(DownloadStorage::kBaseVariable, peer.baseUrl().toString().toUtf8());
        VersionControl versions;
        QSignalSpy loaded(&versions, &VersionControl::VersionControlUpdated);
        QCOMPARE(versions.refresh(), 0);
        QVERIFY(loaded.wait(20000));
        FirmwareFileManager files(&versions);

        BoardSettings settings;
        settings.serialNumber = "SN-WIFI";
        settings.extendedDeviceType = 0;
        settings.heartbeatInterval = 50ms;
        settings.restartAfterUpdate = 500ms;
        NetworkBoard board(settings, NetworkBoard::networkSettings(m_certificates, true));
        QString error;
        QVERIFY2(board.transport.start(&error), qPrintable(error));
        BoardControlState &state = static_cast<BoardControlChannel *>(board.simulator.channel(1))->state();
        state.firmwareVersion = "1.2.0";
        state.espVersion = "2.0.0";
        state.wifiAddress = BoardControlState::wifiAddressRecord(board.address().toIPv4Address());

        FakeUsbBackend bus;
        OstFactorySettings factorySettings;
        factorySettings.linkTimings.heartbeatInterval = 50ms;
        factorySettings.linkTimings.heartbeatWatchdog = 2000ms;
        factorySettings.linkTimings.deviceInfoLimit = 2000ms;
        factorySettings.board.statusPollInterval = 100ms;
        factorySettings.board.externalModePort = 0;
        factorySettings.board.wifiLink = board.linkSettings(m_certificates);
        factorySettings.board.wifiLink.fallbackBoardAddress = board.address().toString();
        factorySettings.reconnectInterval = 200ms;
        factorySettings.usbBackend = &bus;
        OstFactory factory(nullptr, factorySettings);
        HardwareUpdate updates(nullptr, FirmwareUpdateSettings{&versions, &files, 30s});
        connect(&factory, &OstFactory::ostDeviceConnected, &updates, &HardwareUpdate::ostDeviceConnected);
        connect(&factory, &OstFactory::ActiveDeviceChanged, &updates, &HardwareUpdate::setSelectedDevice);
        updates.setVisibility(true);
        ErrorHandler::instance()->clearNotifications();

        factory.insertNetworkOstDevice(board.address().toString());
        const auto entry = [&updates]() { return updates.entryFor(QStringLiteral("SN-WIFI")); };
        QTRY_VERIFY_WITH_TIMEOUT(entry() && entry()->updateState() == DeviceUpdateEntry::UpdateAvailable, 20000);
        QCOMPARE(entry()->currentFwVersion(), QStringLiteral("1.0"));
        QCOMPARE(updates.property("availableUpdates").toInt(), 1);

        QSignalSpy restarts(&board.simulator, &BoardSimulator::restarted);
        entry()->startUpdate();
        QTRY_VERIFY_WITH_TIMEOUT(
            restarts.size() == 2 && entry() && entry()->updateState() == DeviceUpdateEntry::NoUpdateAvailable, 90000);
        auto *service = static_cast<BoardUpdateService *>(board.simulator.channel(BoardUpdateService::Number));
        QCOMPARE(service->uploads().size(), 2);
        QCOMPARE(service->uploads().at(0).kind, 2u);
        QCOMPARE(service->uploads().at(0).image, osImage);
        QCOMPARE(service->uploads().at(1).kind, 4u);
        QCOMPARE(service->uploads().at(1).image, wirelessImage);
        QCOMPARE(entry()->currentFwVersion(), QStringLiteral("1.2"));
        QCOMPARE(entry()->componentVersions().value(os).toString(), QStringLiteral("1.3.0"));
        QCOMPARE(entry()->componentVersions().value(wireless).toString(), QStringLiteral("2.1.0"));
        QCOMPARE(updates.property("availableUpdates").toInt(), 0);
        QVERIFY(updates.updatingSerials().isEmpty());
        QCOMPARE(ErrorHandler::instance()->getNotificationCount(), 0u);
        qunsetenv(DownloadStorage::kBaseVariable);
    }
};

QTEST_MAIN(tst_HardwareUpdateWithBoards)
#include "tst_HardwareUpdateWithBoards.moc"
