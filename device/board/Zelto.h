#pragma once

#include "ControlChannel.h"
#include "ErrorChannel.h"
#include "Halvora.h"
#include "OstDevice.h"
#include "SoftwareUpdate.h"
#include "ZeltoOptions.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QUrl>

#include <array>
#include <cstdint>

class AbstractExternalMonitor;
class ExternalMode;
class FileControlChannel;
class QTimer;

// The meta-object code needs these types complete (property and signal types).
Q_MOC_INCLUDE("AbstractExternalMonitor.h")
Q_MOC_INCLUDE("FileControlChannel.h")

// The controller board as the rest of the program works with it. It owns the
// board's channel services: the control channel and the external-mode bridge from
// the start, the error channel once the board is connected, and the update service,
// the file service and the external monitor while the board reports them open. It
// turns the control channel's replies into properties, asks for the board's status
// once a second while connected, and posts the board's own messages and boot
// problems as notifications.
class Zelto : public OstDevice
{
    Q_OBJECT
    Q_PROPERTY(QString versionApp READ versionApp WRITE setVersionAppProperty NOTIFY VersionAppChanged)
    Q_PROPERTY(QString nameApp READ nameApp WRITE setNameApp NOTIFY NameAppChanged)
    Q_PROPERTY(QString versionESP READ versionESP WRITE setVersionESPProperty NOTIFY VersionESPChanged)
    Q_PROPERTY(bool isInFirmware READ isInFirmware NOTIFY RunModeChanged)
    Q_PROPERTY(bool isInRollback READ isInRollback NOTIFY RunModeChanged)
    Q_PROPERTY(bool hasRolledBack READ hasRolledBack NOTIFY RunModeChanged)
    Q_PROPERTY(bool isInCrashLoop READ isInCrashLoop NOTIFY RunModeChanged)
    Q_PROPERTY(bool isInFallback READ isInFallback NOTIFY RunModeChanged)
    Q_PROPERTY(bool ipAvailableProp READ ipAvailable WRITE setIpAvailable NOTIFY IpChanged)
    Q_PROPERTY(QString ipAddress READ ipAddress NOTIFY IpChanged)
    Q_PROPERTY(ControlChannel::AppStatus appStatus READ getAppRunningState WRITE setAppStatus NOTIFY AppStatusChanged)
    Q_PROPERTY(bool appRunning READ appRunning NOTIFY AppStatusChanged)
    Q_PROPERTY(bool appStateSafeForDownload READ appStateSafeForDownload NOTIFY AppStatusChanged)
    Q_PROPERTY(bool monitoringServiceRunning READ monitoringServiceRunning NOTIFY monitoringServiceRunningChanged)
    Q_PROPERTY(int rssi READ rssi WRITE setRssi NOTIFY RssiChanged)
    Q_PROPERTY(float updatePercentage READ updatePercentage WRITE updateUpdateProgress NOTIFY UpdateProgressChanged)
    Q_PROPERTY(AbstractExternalMonitor *externalMonitor READ externalMonitor NOTIFY MonitoringOpenedClosed)
    Q_PROPERTY(bool zeltoMscState READ getZeltoMscState NOTIFY MscStatusChanged)

public:
    // Takes over an identified pending device (its manager and transports); the
    // parent is the pending device's parent, the device factory.
    explicit Zelto(OstDevice *pending, const ZeltoOptions &settings = ZeltoOptions());
    ~Zelto() override;

    // The six version queries, in the order boards expect them.
    void queryVersions();

    QString versionApp() const { return m_versionApp; }
    QString nameApp() const { return m_nameApp; }
    QString versionESP() const { return m_versionESP; }
    bool isInFirmware() const { return m_isInFirmware; }
    bool isInRollback() const { return m_isInRollback; }
    bool hasRolledBack() const { return m_hasRolledBack; }
    bool isInCrashLoop() const { return m_isInCrashLoop; }
    bool isInFallback() const { return m_isInFallback; }
    bool ipAvailable() const { return m_ipAvailable; }
    QString ipAddress() const { return m_ipAddress; }
    bool appRunning() const { return m_appStatus == ControlChannel::Running; }
    bool appStateSafeForDownload() const
    {
        return m_appStatus != ControlChannel::Running && m_appStatus != ControlChannel::Stopping;
    }
    bool monitoringServiceRunning() const { return m_monitoringServiceRunning; }
    int rssi() const { return m_rssi; }
    float updatePercentage() const { return m_updatePercentage; }
    AbstractExternalMonitor *externalMonitor() const { return m_externalMonitor; }
    QByteArray buildID() const { return m_buildID; }
    QDateTime deviceDateTime() const { return m_deviceDateTime; }
    bool espVerified() const { return m_espVerified; }
    QString pendingFirmwareFile() const { return m_pendingFirmwareFile; }

    ExternalMode *externalMode() const { return m_externalMode; }
    SoftwareUpdate *updateService() const { return m_updateService; }
    ErrorChannel *errorChannel() const { return m_errorChannel; }
    FileControlChannel *fileControl() const { return m_fileControl; }
    QTimer *pollTimer() const { return m_pollTimer; }

public slots:
    const ControlChannel *getControlChannel() const { return m_controlChannel; }
    bool getZeltoMscState() const { return m_zeltoMscState; }
    void openCloseUpdateService(bool openService) const;
    void openCloseMonitoring(bool openService) const;
    void openCloseErrorChannel(bool openService) const;
    void openCloseFileControl(bool openService) const;

    void setVersionFW(bool verified, QString versionNumber, int timeoutBootTime, int remainingTime);
    void setVersionApp(bool verified, QString version);
    void setExtendedVersionApp(bool verified, QString version);
    void setNameApp(QString appName);
    void setVersionESP(bool verified, QString versionNumber);
    void setImageDetails(ControlChannel::ResponseCode response, ControlChannel::ImageDetails details);
    void mscStatusReceived(ControlChannel::ResponseCode response, ControlChannel::MSCStatus status);
    void appStateReceived(ControlChannel::ResponseCode response, ControlChannel::AppStatus status);
    void apInfoReceived(ControlChannel::ResponseCode response, ControlChannel::WifiAPInfo apInfo);
    void wifiSettingsReceived(ControlChannel::ResponseCode response, ControlChannel::WifiSettings settings);
    void setCurrentIP(ControlChannel::ResponseCode response, ControlChannel::WifiIP status);
    void extModStateReceived(ControlChannel::ResponseCode response, bool isOpen);
    void extModServerStatusChanged(int port, bool started, bool client_connected);
    void currentBuildIDReceived(ControlChannel::ResponseCode response, QByteArray buildID);
    void dateTimeReceived(ControlChannel::ResponseCode response, ControlChannel::TimeDate dateTime);
    void pollZeltoState();
    void tempUploadFirmware(QUrl firmwareFile);
    void handleUpdateServiceOpenedClosed(ControlChannel::ResponseCode reponse, bool isOpen);
    void handleMonitoringServiceOpenedClosed(ControlChannel::ResponseCode reponse, bool isOpen);
    void handleErrorChannelServiceOpenedClosed(ControlChannel::ResponseCode reponse, bool isOpen);
    void handleFileControlOpenedClosed(ControlChannel::ResponseCode reponse, bool isOpen);
    ControlChannel::AppStatus getAppRunningState() const { return m_appStatus; }

    Q_INVOKABLE void setZeltoMscState(bool state);
    Q_INVOKABLE void wifiConnect(QString hostAddress);
    Q_INVOKABLE void toggleAppState();
    Q_INVOKABLE void startMonitoring();
    Q_INVOKABLE void deleteZelto();
    Q_INVOKABLE void restartToSerialDownloaderMode();
    Q_INVOKABLE void setActiveDatalinkUsb();
    Q_INVOKABLE void setActiveDatalinkWifi();
    Q_INVOKABLE void setActiveDatalinkBt();
    Q_INVOKABLE void setActiveDatalinkNone();

signals:
    void UpdateProgressChanged(float value);
    void UpdateServiceOpenedClosed(SoftwareUpdate *fileControl);
    void MonitoringOpenedClosed(AbstractExternalMonitor *fileControl);
    void ErrorChannelOpenedClosed(ErrorChannel *fileControl);
    void FileControlOpenedClosed(FileControlChannel *fileControl);
    void monitoringServiceRunningChanged();
    void FirmwareWirelessReceived(bool verified, QString version);
    void messageReceived(ErrorChannel::LogLevel level, QString msg);
    void VersionAppChanged(QString version);
    void NameAppChanged(QString applicationName);
    void VersionESPChanged(QString version);
    void RunModeChanged();
    void AppStatusChanged(ControlChannel::AppStatus status);
    void MscStatusChanged(bool mounted);
    void IpChanged();
    void IsConnectedSignal(Zelto *self, bool isConnected);
    void RssiChanged(int rssi);
    void BuildIDChanged(QByteArray buildID);

private slots:
    void updateUpdateProgress(float value);
    void updateUpdateState(SoftwareUpdate::UpdateState value);
    void appMessageReceived(ErrorChannel::LogLevel level, QString msg);
    void kernelMessageReceived(ErrorChannel::LogLevel level, QString msg);
    void pushMessageToNotifications(halvora::ErrorLevel level, QString msg);
    void deviceIsConnected(bool isConnected);

private:
    void connectControlChannel();
    void dropOnDemandServices();
    void resetExternalMonitor();
    void storeVersionApp(const QString &version);
    void postBootError();
    void abandonPendingFirmware(const QString &reason);
    void setVersionAppProperty(QString version);
    void setVersionESPProperty(QString version);
    void setIpAvailable(bool available);
    void setAppStatus(ControlChannel::AppStatus status) { m_appStatus = status; }
    void setRssi(int rssi);

    const ZeltoOptions m_settings;
    ControlChannel::AppStatus m_appStatus = ControlChannel::Unknown;
    bool m_zeltoMscState = false;
    QTimer *m_pollTimer = nullptr;
    QDateTime m_deviceDateTime;
    std::array<uint8_t, 16> m_wifiAddressRaw{};
    QString m_versionApp = QString::fromLatin1(UndefinedVersion);
    // Set while the board reports an extended application version, which then wins
    // over the short one.
    bool m_hasExtendedAppVersion = false;
    QString m_nameApp;
    QString m_versionESP = QString::fromLatin1(UndefinedVersion);
    bool m_isInFirmware = false;
    bool m_isInRollback = false;
    bool m_hasRolledBack = false;
    bool m_isInFallback = false;
    bool m_isInCrashLoop = false;
    bool m_espVerified = false;
    int m_rssi = 0;
    bool m_monitoringServiceRunning = false;
    QString m_ipAddress;
    float m_updatePercentage = 0;
    bool m_ipAvailable = false;
    QByteArray m_buildID;
    ControlChannel *m_controlChannel = nullptr;
    ExternalMode *m_externalMode = nullptr;
    SoftwareUpdate *m_updateService = nullptr;
    AbstractExternalMonitor *m_externalMonitor = nullptr;
    ErrorChannel *m_errorChannel = nullptr;
    FileControlChannel *m_fileControl = nullptr;
    QString m_pendingFirmwareFile;
};
