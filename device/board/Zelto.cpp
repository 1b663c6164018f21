#include "Zelto.h"

#include "AbstractExternalMonitor.h"
#include "DatalinkCommChannel.h"
#include "DatalinkManager.h"
#include "ErrorHandler.h"
#include "ExternalMode.h"
#include "FileControlChannel.h"
#include "WifiDatalink.h"

#include <QHostAddress>
#include <QLoggingCategory>
#include <QTimer>

#include <algorithm>
#include <optional>
#include <utility>

Q_LOGGING_CATEGORY(lcZelto, "Device.Zelto")

namespace {

constexpr DatalinkChannelId ControlChannelNumber = 1;
constexpr DatalinkChannelId ErrorChannelNumber = 6;
// The board reports from this level of its own messages on.
constexpr int ErrorChannelLogLevel = 2;
// A board clock that is off by more than this is set to the computer's time.
constexpr qint64 MaxClockDriftSeconds = 5;

// The control-channel queries sent right after the immediate ones when a board
// connects; queued, so that they go out once the immediate queries have left.
constexpr const char *DeferredConnectQueries[] = {
    "getFwImageDetails", "getExtModStatus", "getMscState",       "getAppStatus",
    "getDate",           "getWifiSettings", "getCurrentBuildID",
};

// The boot-state bits of the first byte of the image details.
namespace BootState {
constexpr uint8_t InFirmware = 1 << 2;
constexpr uint8_t InRollback = 1 << 3;
constexpr uint8_t RolledBack = 1 << 4;
constexpr uint8_t InFallback = 1 << 5;
constexpr uint8_t InCrashLoop = 1 << 7;
} // namespace BootState

bool endsApplication(ControlChannel::AppStatus status)
{
    return status == ControlChannel::Stopped || status == ControlChannel::Crashed || status == ControlChannel::Killed
           || status == ControlChannel::Stopping;
}

QString notificationTitle(halvora::ErrorLevel level)
{
    switch (level) {
    case halvora::ErrorLevel::CriticalError:
        return QStringLiteral("Critical error received from Zelto");
    case halvora::ErrorLevel::Error:
        return QStringLiteral("Error received from Zelto");
    case halvora::ErrorLevel::Warning:
        return QStringLiteral("Warning received from Zelto");
    case halvora::ErrorLevel::Info:
        return QStringLiteral("Message received from Zelto");
    default:
        return QString();
    }
}

// A board message usually starts with a bracketed time stamp; the text is what follows it.
QString messageText(const QString &message)
{
    const qsizetype bracket = message.indexOf(QLatin1Char(']'));
    QString text = bracket < 0 ? message : message.mid(bracket + 1);
    if (text.startsWith(QLatin1Char(' ')))
        text.remove(0, 1);
    return text;
}

QDateTime boardClock(const ControlChannel::TimeDate &date)
{
    return QDateTime(QDate(date.year, date.month, date.day), QTime(date.hours, date.minutes, date.seconds),
                     Qt::LocalTime);
}

ControlChannel::TimeDate timeDateOf(const QDateTime &time)
{
    ControlChannel::TimeDate date;
    date.seconds = time.time().second();
    date.minutes = time.time().minute();
    date.hours = time.time().hour();
    date.day = time.date().day();
    date.month = time.date().month();
    date.year = time.date().year();
    date.weekDay = time.date().dayOfWeek();
    date.yearDay = time.date().dayOfYear();
    date.reserved = 0;
    return date;
}

template<typename Service>
void deleteService(Service *&service)
{
    if (service)
        std::exchange(service, nullptr)->deleteLater();
}

} // namespace

Zelto::Zelto(OstDevice *pending, const ZeltoOptions &settings)
    : OstDevice(*pending)
    , m_settings(settings)
{
    DatalinkManager *manager = getDatalinkManager();
    m_controlChannel = new ControlChannel(this, ControlChannelNumber, true, manager);
    m_externalMode = new ExternalMode(this, manager);
    m_externalMode->setPort(m_settings.externalModePort);

    connect(this, &OstDevice::IsConnectedChanged, this, &Zelto::deviceIsConnected);
    connectControlChannel();
    connect(m_externalMode, &ExternalMode::extModServerStatusChanged, this, &Zelto::extModServerStatusChanged);

    m_pollTimer = new QTimer(this);
    connect(m_pollTimer, &QTimer::timeout, this, &Zelto::pollZeltoState);
}

Zelto::~Zelto()
{
    // Listeners that saw the board connect hear that it is gone; they must not keep
    // the pointer.
    if (isConnected())
        emit IsConnectedSignal(this, false);
    m_pollTimer->stop();
    m_controlChannel->disconnectDevice();
    // The bridge's port is free again at once, for the next board. The services go
    // with the board, as its children.
    m_externalMode->stopServer();
}

void Zelto::connectControlChannel()
{
    ControlChannel *control = m_controlChannel;
    connect(control, &ControlChannel::GetMscStateReceived, this, &Zelto::mscStatusReceived);
    connect(control, &ControlChannel::MscInsertReceived, this, &Zelto::mscStatusReceived);
    connect(control, &ControlChannel::MscEjectReceived, this, &Zelto::mscStatusReceived);
    connect(control, &ControlChannel::StartStopAppReceived, this, &Zelto::appStateReceived);
    connect(control, &ControlChannel::GetAppStatusReceived, this, &Zelto::appStateReceived);
    connect(control, &ControlChannel::GetExtModStatusReceived, this, &Zelto::extModStateReceived);
    connect(control, &ControlChannel::GetCurrentBuildIDReceived, this, &Zelto::currentBuildIDReceived);
    connect(control, &ControlChannel::GetFwVersionReceived, this, &Zelto::setVersionFW);
    connect(control, &ControlChannel::GetAppVersionReceived, this, &Zelto::setVersionApp);
    connect(control, &ControlChannel::GetExtendedAppVersionReceived, this, &Zelto::setExtendedVersionApp);
    connect(control, &ControlChannel::GetAppNameReceived, this, &Zelto::setNameApp);
    connect(control, &ControlChannel::GetESPVersionReceived, this, &Zelto::setVersionESP);
    connect(control, &ControlChannel::GetFwImageDetailsReceived, this, &Zelto::setImageDetails);
    connect(control, &ControlChannel::GetDateReceived, this, &Zelto::dateTimeReceived);
    connect(control, &ControlChannel::GetWifiIPReceived, this, &Zelto::setCurrentIP);
    connect(control, &ControlChannel::GetWifiAPInfoReceived, this, &Zelto::apInfoReceived);
    connect(control, &ControlChannel::GetWifiSettingsReceived, this, &Zelto::wifiSettingsReceived);
    connect(control, &ControlChannel::OpenCloseUpdateServiceReceived, this, &Zelto::handleUpdateServiceOpenedClosed);
    connect(control, &ControlChannel::OpenCloseMonitoringServiceReceived, this,
            &Zelto::handleMonitoringServiceOpenedClosed);
    connect(control, &ControlChannel::OpenCloseErrorChannelServiceReceived, this,
            &Zelto::handleErrorChannelServiceOpenedClosed);
    connect(control, &ControlChannel::OpenCloseFileControlServiceReceived, this, &Zelto::handleFileControlOpenedClosed);
}

void Zelto::queryVersions()
{
    m_controlChannel->getFirmwareVersion();
    m_controlChannel->getESPVersion();
    m_controlChannel->getAppVersion();
    m_controlChannel->getExtendedAppVersion();
    m_controlChannel->getAppName();
    m_controlChannel->getCurrentBuildID();
}

void Zelto::deviceIsConnected(bool isConnected)
{
    if (isConnected) {
        openCloseErrorChannel(true);
        queryVersions();
        for (const char *query : DeferredConnectQueries)
            QMetaObject::invokeMethod(m_controlChannel, query, Qt::QueuedConnection);
        m_pollTimer->start(m_settings.statusPollInterval);
        emit IsConnectedSignal(this, true);
        return;
    }

    resetExternalMonitor();
    m_appStatus = ControlChannel::Unknown;
    emit AppStatusChanged(m_appStatus);
    m_pollTimer->stop();
    m_externalMode->stopServer();
    // A firmware file chosen for this connection is not uploaded over a later one.
    m_pendingFirmwareFile.clear();
    emit IsConnectedSignal(this, false);
    dropOnDemandServices();
}

void Zelto::dropOnDemandServices()
{
    const bool hadUpdate = m_updateService, hadMonitor = m_externalMonitor, hadErrorChannel = m_errorChannel,
               hadFileControl = m_fileControl;
    deleteService(m_updateService);
    deleteService(m_externalMonitor);
    deleteService(m_errorChannel);
    deleteService(m_fileControl);
    // Those who took a service hear that it is gone.
    if (hadUpdate)
        emit UpdateServiceOpenedClosed(nullptr);
    if (hadMonitor)
        emit MonitoringOpenedClosed(nullptr);
    if (hadErrorChannel)
        emit ErrorChannelOpenedClosed(nullptr);
    if (hadFileControl)
        emit FileControlOpenedClosed(nullptr);
}

void Zelto::resetExternalMonitor()
{
    if (m_externalMonitor)
        m_externalMonitor->reset();
}

void Zelto::pollZeltoState()
{
    m_controlChannel->getMscState();
    m_controlChannel->getAppStatus();
    m_controlChannel->getWifiIP();
    m_controlChannel->getWifiAPInfo();
    // The bridge follows the board's external mode: a model started after the board
    // connected gets its bridge, and a bridge stopped when its client left listens
    // again.
    m_controlChannel->getExtModStatus();
    // The versions start as "Undefined", so they are asked for every second until
    // the board reports both its firmware and its Wi-Fi module verified.
    if ((!firmwareVerified() && !getFirmwareVersion().isEmpty()) || (!m_espVerified && !m_versionESP.isEmpty()))
        queryVersions();
    if (m_buildID.isEmpty())
        m_controlChannel->getCurrentBuildID();
}

void Zelto::openCloseUpdateService(bool openService) const
{
    m_controlChannel->openCloseUpdateService(openService);
}

void Zelto::openCloseMonitoring(bool openService) const
{
    m_controlChannel->openCloseMonitoringService(openService);
}

void Zelto::openCloseErrorChannel(bool openService) const
{
    m_controlChannel->openCloseErrorChannelService(openService);
}

void Zelto::openCloseFileControl(bool openService) const
{
    m_controlChannel->openCloseFileControlService(openService);
}

void Zelto::setVersionFW(bool verified, QString versionNumber, int timeoutBootTime, int remainingTime)
{
    setFirmwareState(verified, versionNumber);
    emit FirmwareStateReceived(verified, versionNumber, timeoutBootTime, remainingTime);
}

void Zelto::setVersionApp(bool, QString version)
{
    // The short version stands only for a board without an extended one.
    if (!m_hasExtendedAppVersion)
        storeVersionApp(version);
}

void Zelto::setExtendedVersionApp(bool, QString version)
{
    m_hasExtendedAppVersion = !version.isEmpty();
    if (m_hasExtendedAppVersion)
        storeVersionApp(version);
}

void Zelto::storeVersionApp(const QString &version)
{
    if (version == m_versionApp)
        return;
    m_versionApp = version;
    emit VersionAppChanged(m_versionApp);
}

void Zelto::setVersionAppProperty(QString version)
{
    storeVersionApp(version);
}

void Zelto::setNameApp(QString appName)
{
    m_nameApp = appName;
    emit NameAppChanged(m_nameApp);
}

void Zelto::setVersionESP(bool verified, QString versionNumber)
{
    m_espVerified = verified;
    m_versionESP = versionNumber;
    emit VersionESPChanged(m_versionESP);
    emit FirmwareWirelessReceived(m_espVerified, m_versionESP);
}

void Zelto::setVersionESPProperty(QString version)
{
    if (version == m_versionESP)
        return;
    m_versionESP = version;
    emit VersionESPChanged(m_versionESP);
}

void Zelto::setImageDetails(ControlChannel::ResponseCode response, ControlChannel::ImageDetails details)
{
    if (response != ControlChannel::Success)
        return;
    const uint8_t state = details.bytes[0];
    m_isInFirmware = state & BootState::InFirmware;
    m_isInRollback = state & BootState::InRollback;
    m_hasRolledBack = state & BootState::RolledBack;
    m_isInFallback = state & BootState::InFallback;
    m_isInCrashLoop = state & BootState::InCrashLoop;
    emit RunModeChanged();
    postBootError();
}

void Zelto::postBootError()
{
    QString message;
    if (m_isInFallback)
        message = tr("Zelto has started in fallback mode. This mode is only activated when an unrecoverable crash "
                     "has occurred. The fallback mode can be used to recover the latest firmware. All other "
                     "functionalities are disabled.");
    else if (m_isInCrashLoop)
        message = tr("Zelto has disabled the running of the model due to a crash loop. Try uploading a new model.");
    else if (m_isInRollback || m_hasRolledBack)
        message = tr("The Zelto has been rolled back to the previously installed firmware due to malfunctioning "
                     "firmware. Retry updating the firmware again.");
    if (message.isEmpty())
        return;
    ErrorHandler::instance()->addMessage(halvora::ErrorLevel::Error, AbstractNotification::Device,
                                         tr("Zelto boot error"), message, serialNumber(),
                                         QDateTime::currentDateTimeUtc());
}

void Zelto::mscStatusReceived(ControlChannel::ResponseCode response, ControlChannel::MSCStatus status)
{
    if (response == ControlChannel::Error) {
        qCDebug(lcZelto) << "Error receiving msc state";
        return;
    }
    const bool mounted = status == ControlChannel::AlreadyMounted;
    if (mounted == m_zeltoMscState)
        return;
    m_zeltoMscState = mounted;
    emit MscStatusChanged(m_zeltoMscState);
}

void Zelto::appStateReceived(ControlChannel::ResponseCode response, ControlChannel::AppStatus status)
{
    if (response == ControlChannel::Error) {
        qCDebug(lcZelto) << "Error receiving app state";
        return;
    }
    if (status == m_appStatus)
        return;
    if (endsApplication(status)) {
        openCloseMonitoring(false);
        resetExternalMonitor();
    }
    m_appStatus = status;
    emit AppStatusChanged(m_appStatus);
}

void Zelto::apInfoReceived(ControlChannel::ResponseCode response, ControlChannel::WifiAPInfo apInfo)
{
    if (response != ControlChannel::Success)
        return;
    setRssi(int8_t(apInfo.bytes[ControlChannel::WifiAPInfo::Rssi]));
}

void Zelto::setRssi(int rssi)
{
    if (rssi == m_rssi)
        return;
    m_rssi = rssi;
    emit RssiChanged(m_rssi);
}

void Zelto::wifiSettingsReceived(ControlChannel::ResponseCode response, ControlChannel::WifiSettings settings)
{
    if (response != ControlChannel::Success)
        return;
    constexpr qsizetype NameLength = ControlChannel::WifiSettings::StationSsid
                                     - ControlChannel::WifiSettings::BoardName;
    const char *name = settings.bytes.data() + ControlChannel::WifiSettings::BoardName;
    setName(QString::fromUtf8(name, qstrnlen(name, NameLength)));
}

void Zelto::setCurrentIP(ControlChannel::ResponseCode response, ControlChannel::WifiIP status)
{
    // Neither "no data" nor an error says that the board has no address.
    if (response == ControlChannel::NoData || response == ControlChannel::Error)
        return;
    using Record = ControlChannel::WifiIP;
    const auto address = status.bytes.begin() + Record::Address;
    const qsizetype counting = status.bytes[Record::FullAddress] ? 16 : 4;
    if (std::equal(address, address + counting, m_wifiAddressRaw.begin()))
        return;
    std::copy(address, address + 16, m_wifiAddressRaw.begin());

    if (std::all_of(address, address + 4, [](uint8_t byte) { return byte == 0; })) {
        m_ipAvailable = false;
        m_ipAddress.clear();
        emit IpChanged();
        return;
    }
    m_ipAvailable = true;
    if (status.bytes[Record::IsIPv6]) {
        m_ipAddress = QHostAddress(m_wifiAddressRaw.data()).toString();
    } else {
        const quint32 v4 = quint32(address[0]) << 24 | quint32(address[1]) << 16 | quint32(address[2]) << 8
                           | quint32(address[3]);
        m_ipAddress = QHostAddress(v4).toString();
    }
    emit IpChanged();
}

void Zelto::setIpAvailable(bool available)
{
    if (available == m_ipAvailable)
        return;
    m_ipAvailable = available;
    emit IpChanged();
}

void Zelto::extModStateReceived(ControlChannel::ResponseCode response, bool isOpen)
{
    if (response == ControlChannel::Error) {
        qCDebug(lcZelto) << "Error receiving external mode status";
        return;
    }
    if (!isOpen) {
        m_externalMode->stopServer();
        return;
    }
    const int result = m_externalMode->startServer();
    if (result < 0 && result != ExternalMode::AlreadyStarted)
        qCWarning(lcZelto) << "The external-mode bridge cannot listen on port" << m_externalMode->port() << ":"
                           << result;
}

void Zelto::extModServerStatusChanged(int port, bool started, bool client_connected)
{
    qCDebug(lcZelto) << "External mode server state: port =" << port << ", started =" << started
                     << ", client_connected =" << client_connected;
}

void Zelto::currentBuildIDReceived(ControlChannel::ResponseCode response, QByteArray buildID)
{
    if (response != ControlChannel::Success)
        return;
    m_buildID = buildID;
    emit BuildIDChanged(m_buildID);
}

void Zelto::dateTimeReceived(ControlChannel::ResponseCode response, ControlChannel::TimeDate dateTime)
{
    m_deviceDateTime = boardClock(dateTime);
    const QDateTime now = QDateTime::currentDateTime();
    // A board whose clock holds no valid date at all is set as well; an error reply,
    // which carries no date, is not a reason to.
    const bool unset = !m_deviceDateTime.isValid() && response == ControlChannel::Success;
    const bool drifted = m_deviceDateTime.isValid() && qAbs(m_deviceDateTime.secsTo(now)) > MaxClockDriftSeconds;
    if (!unset && !drifted)
        return;
    m_controlChannel->setDate(timeDateOf(now));
    qCDebug(lcZelto) << "Time updated on device side.";
}

void Zelto::tempUploadFirmware(QUrl firmwareFile)
{
    if (m_updateService) {
        m_updateService->startUpdateFromFile(firmwareFile, SoftwareUpdate::NoUpdate);
        return;
    }
    // Remembered only while the board can answer; a file kept for a board that is
    // away would start uploading whenever the service is opened later.
    if (!isConnected()) {
        qCWarning(lcZelto) << "The firmware file is not uploaded: the board" << serialNumber() << "is not connected";
        return;
    }
    m_pendingFirmwareFile = firmwareFile.toString();
    openCloseUpdateService(true);
}

void Zelto::handleUpdateServiceOpenedClosed(ControlChannel::ResponseCode reponse, bool isOpen)
{
    if (reponse == ControlChannel::Success && !isOpen) {
        deleteService(m_updateService);
    } else if (reponse == ControlChannel::Success && isOpen && !m_updateService) {
        m_updateService = new SoftwareUpdate(this, getDatalinkManager());
        m_updateService->initialize();
        connect(m_updateService, &SoftwareUpdate::UpdateProgressChanged, this, &Zelto::updateUpdateProgress);
        connect(m_updateService, &SoftwareUpdate::SetVersionESPReceived, this, &Zelto::setVersionESP);
        // The current link is remembered for the reconnection after the update.
        connect(m_updateService, &SoftwareUpdate::AddToAutoConnect, this, &OstDevice::addToAutoConnect,
                Qt::DirectConnection);
    }
    if (!m_pendingFirmwareFile.isEmpty()) {
        if (m_updateService && reponse == ControlChannel::Success && isOpen)
            m_updateService->startUpdateFromFile(QUrl(std::exchange(m_pendingFirmwareFile, QString())),
                                                 SoftwareUpdate::NoUpdate);
        else
            abandonPendingFirmware(tr("The board did not open its update service."));
    }
    emit UpdateServiceOpenedClosed(m_updateService);
}

void Zelto::abandonPendingFirmware(const QString &reason)
{
    const QString file = QUrl(std::exchange(m_pendingFirmwareFile, QString())).fileName();
    ErrorHandler::instance()->addMessage(halvora::ErrorLevel::Warning, AbstractNotification::Device,
                                         tr("Firmware upload not started"),
                                         tr("The firmware file %1 was not uploaded. %2").arg(file, reason),
                                         serialNumber(), QDateTime::currentDateTimeUtc());
}

void Zelto::handleMonitoringServiceOpenedClosed(ControlChannel::ResponseCode reponse, bool isOpen)
{
    if (reponse == ControlChannel::Success && isOpen) {
        if (!m_externalMonitor && m_settings.makeExternalMonitor) {
            m_externalMonitor = m_settings.makeExternalMonitor(this, getDatalinkManager(), &m_buildID);
            if (m_externalMonitor)
                connect(this, &Zelto::BuildIDChanged, m_externalMonitor, &AbstractExternalMonitor::setCurrentBuildID);
        }
        if (m_externalMonitor)
            m_externalMonitor->start();
    } else if (reponse == ControlChannel::Success) {
        deleteService(m_externalMonitor);
    }
    emit MonitoringOpenedClosed(m_externalMonitor);
    // Only an answer that succeeded says whether the service runs; a refusal that
    // carries the open flag would keep the screens from asking again.
    if (reponse == ControlChannel::Success)
        m_monitoringServiceRunning = isOpen;
    emit monitoringServiceRunningChanged();
}

void Zelto::handleErrorChannelServiceOpenedClosed(ControlChannel::ResponseCode reponse, bool isOpen)
{
    if (reponse == ControlChannel::Success && !isOpen) {
        deleteService(m_errorChannel);
    } else if (reponse == ControlChannel::Success && isOpen && !m_errorChannel) {
        m_errorChannel = new ErrorChannel(this, ErrorChannelNumber, true, getDatalinkManager());
        connect(m_errorChannel, &ErrorChannel::kernelMessageReceived, this, &Zelto::kernelMessageReceived);
        connect(m_errorChannel, &ErrorChannel::messageReceived, this, &Zelto::appMessageReceived);
        connect(m_errorChannel, &ErrorChannel::kernelMessageReceived, this, &Zelto::messageReceived);
        connect(m_errorChannel, &ErrorChannel::messageReceived, this, &Zelto::messageReceived);
        m_errorChannel->setLogLevel(ErrorChannelLogLevel);
    }
    emit ErrorChannelOpenedClosed(m_errorChannel);
}

void Zelto::handleFileControlOpenedClosed(ControlChannel::ResponseCode reponse, bool isOpen)
{
    if (reponse == ControlChannel::Success && !isOpen)
        deleteService(m_fileControl);
    else if (reponse == ControlChannel::Success && isOpen && !m_fileControl)
        m_fileControl = new FileControlChannel(this, getDatalinkManager());
    emit FileControlOpenedClosed(m_fileControl);
}

void Zelto::updateUpdateProgress(float value)
{
    m_updatePercentage = value;
    emit UpdateProgressChanged(m_updatePercentage);
}

void Zelto::updateUpdateState(SoftwareUpdate::UpdateState value)
{
    DatalinkCommChannel *link = getDatalinkManager() ? getDatalinkManager()->commChannel() : nullptr;
    if (!link)
        return;
    switch (value) {
    case SoftwareUpdate::Started:
        link->restartWatchdog(std::chrono::milliseconds(10000));
        break;
    case SoftwareUpdate::UpdateFinished:
    case SoftwareUpdate::TimedOut:
    case SoftwareUpdate::UpdateError:
        link->restartWatchdog(std::chrono::milliseconds(15000));
        break;
    default:
        break;
    }
}

namespace {

// The notification level of a board message; the lower levels stay in the log.
std::optional<halvora::ErrorLevel> notificationLevel(ErrorChannel::LogLevel level)
{
    switch (level) {
    case 3:
        return halvora::ErrorLevel::Warning;
    case 4:
        return halvora::ErrorLevel::Error;
    case 5:
        return halvora::ErrorLevel::CriticalError;
    default:
        return std::nullopt;
    }
}

} // namespace

void Zelto::appMessageReceived(ErrorChannel::LogLevel level, QString msg)
{
    if (const auto notification = notificationLevel(level))
        pushMessageToNotifications(*notification, msg);
}

// Kernel messages reach the user from the error level up.
void Zelto::kernelMessageReceived(ErrorChannel::LogLevel level, QString msg)
{
    const auto notification = notificationLevel(level);
    if (notification && *notification != halvora::ErrorLevel::Warning)
        pushMessageToNotifications(*notification, msg);
}

void Zelto::pushMessageToNotifications(halvora::ErrorLevel level, QString msg)
{
    ErrorHandler::instance()->addMessage(level, AbstractNotification::Device, notificationTitle(level),
                                         messageText(msg), serialNumber(), QDateTime::currentDateTimeUtc());
}

void Zelto::setZeltoMscState(bool state)
{
    if (state)
        m_controlChannel->mscInsert();
    else
        m_controlChannel->mscEject();
}

void Zelto::wifiConnect(QString hostAddress)
{
    const QHostAddress address(hostAddress);
    if (address.isNull()) {
        qCWarning(lcZelto) << "Not a board address:" << hostAddress;
        return;
    }
    auto *datalink = new WifiDatalink(this, address, true, true, m_settings.wifiLink);
    // A board has one Wi-Fi link at a time; a second one would run unowned.
    if (addDatalink(datalink) < 0) {
        qCWarning(lcZelto) << "The board" << serialNumber() << "has a Wi-Fi link already";
        delete datalink;
        return;
    }
    datalink->initialise();
}

void Zelto::toggleAppState()
{
    m_controlChannel->startStopApp(m_appStatus != ControlChannel::Running);
}

void Zelto::startMonitoring()
{
    openCloseMonitoring(true);
}

void Zelto::deleteZelto()
{
    if (!m_controlChannel)
        return;
    forbidReconnect();
    m_controlChannel->disconnectDevice();
}

void Zelto::restartToSerialDownloaderMode()
{
    m_controlChannel->goToSerialDownloaderMode();
}

void Zelto::setActiveDatalinkUsb()
{
    setActiveDatalink(AbstractDataLink::USB);
}

void Zelto::setActiveDatalinkWifi()
{
    setActiveDatalink(AbstractDataLink::WiFi);
}

void Zelto::setActiveDatalinkBt()
{
    setActiveDatalink(AbstractDataLink::Bluetooth);
}

void Zelto::setActiveDatalinkNone()
{
    setActiveDatalink(AbstractDataLink::None);
    emit RequestDeleteSelf(this);
}
