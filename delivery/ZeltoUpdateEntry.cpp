#include "ZeltoUpdateEntry.h"

#include "DigestChecks.h"
#include "FirmwareCipher.h"
#include "FirmwareFileManager.h"
#include "SemanticVersion.h"
#include "VersionControl.h"
#include "Zelto.h"

#include <QFile>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcZeltoUpdateEntry, "Delivery.ZeltoUpdateEntry")

namespace {

const QString kApplication = QStringLiteral("Application");
const QString kApplicationId = QStringLiteral("Application ID");
const QString kApplicationName = QStringLiteral("Application Name");

bool isLower(const QString &current, const QString &latest)
{
    return SemanticVersion::compare(SemanticVersion::parse(current), SemanticVersion::parse(latest));
}

// States in which an update is under way: version reports do not change them.
bool isUpdating(DeviceUpdateEntry::UpdateState state)
{
    return state == DeviceUpdateEntry::DownloadingFirmware || state == DeviceUpdateEntry::UploadingFirmware
           || state == DeviceUpdateEntry::Restarting;
}

} // namespace

QString ZeltoUpdateEntry::operatingSystemComponentOf(int extendedType)
{
    const bool tavrin = extendedType == 13 || (extendedType >= 18 && extendedType <= 22);
    return tavrin ? QStringLiteral("TavrinOS") : QStringLiteral("ZeltoOS");
}

ZeltoUpdateEntry::ZeltoUpdateEntry(QObject *parent, Zelto *board, bool restartPending, bool pageVisible,
                                   const FirmwareUpdateSettings &settings, const QString &resumedComponent)
    : DeviceUpdateEntry(parent, board, restartPending, pageVisible,
                        settings.versions ? settings.versions : VersionControl::instance())
    , m_board(board)
    , m_files(settings.files ? settings.files : FirmwareFileManager::instance())
    , m_restartLimit(settings.restartLimit)
    , m_resumedComponent(restartPending ? resumedComponent : QString())
{
    m_os.name = operatingSystemComponentOf(int(board->extendedDeviceType()));
    m_wireless.name = QString::fromLatin1(kWirelessComponent);
    takeLatestVersions();

    connect(board, &OstDevice::FirmwareStateReceived, this, &ZeltoUpdateEntry::zeltoOSFwReceived);
    connect(board, &Zelto::FirmwareWirelessReceived, this, &ZeltoUpdateEntry::zeltoWirelessFwReceived);
    connect(board, &Zelto::UpdateProgressChanged, this, &DeviceUpdateEntry::setUpdateProgress);
    connect(board, &Zelto::VersionAppChanged, this, &ZeltoUpdateEntry::zeltoAppReceived);
    connect(board, &Zelto::BuildIDChanged, this, &ZeltoUpdateEntry::zeltoBuildIDReceived);
    connect(board, &Zelto::NameAppChanged, this, &ZeltoUpdateEntry::zeltoNameAppReceived);
    connect(this, &ZeltoUpdateEntry::QueryZeltoSoftwareUpdate, board, &Zelto::openCloseUpdateService,
            Qt::QueuedConnection);
    connect(board, &Zelto::UpdateServiceOpenedClosed, this, &ZeltoUpdateEntry::setSoftwareUpdateChannel);

    m_restartTimer.setSingleShot(true);
    connect(&m_restartTimer, &QTimer::timeout, this, &ZeltoUpdateEntry::restartLimitReached);

    // A service the board has open already is taken as it is.
    if (board->updateService())
        setSoftwareUpdateChannel(board->updateService());
    else if (pageVisible)
        emit QueryZeltoSoftwareUpdate(true);
}

Zelto *ZeltoUpdateEntry::board() const
{
    return m_board.data();
}

void ZeltoUpdateEntry::takeLatestVersions()
{
    const QMap<QString, QString> latest = versions()->deviceComponentVersions(deviceTypeString(), latestFwVersion());
    m_os.latest = latest.value(m_os.name);
    m_wireless.latest = latest.value(m_wireless.name);
}

void ZeltoUpdateEntry::zeltoOSFwReceived(bool verified, QString version, int timeoutBootTime, int remainingTime)
{
    m_os.current = version;
    m_os.verified = version.isEmpty() ? true : verified;
    m_os.received = true;
    if (m_os.verified) {
        if (!isUpdating(updateState()))
            setUpdateProgress(-1.0f);
        m_os.updateNeeded = isLower(m_os.current, m_os.latest);
    } else if (timeoutBootTime > 0) {
        // The board checks its newly installed image within its boot time.
        const float checked = float(timeoutBootTime - remainingTime) / float(timeoutBootTime);
        setUpdateProgress(qBound(0.0f, checked, 1.0f));
    } else {
        setUpdateProgress(0.0f);
    }
    evaluateVersions();
}

void ZeltoUpdateEntry::zeltoWirelessFwReceived(bool verified, QString version)
{
    m_wireless.current = version;
    m_wireless.verified = version.isEmpty() ? true : verified;
    m_wireless.received = true;
    if (m_wireless.verified)
        m_wireless.updateNeeded = isLower(m_wireless.current, m_wireless.latest);
    evaluateVersions();
}

void ZeltoUpdateEntry::zeltoAppReceived(QString version)
{
    setComponentVersion(kApplication, version);
}

void ZeltoUpdateEntry::zeltoBuildIDReceived(QByteArray buildID)
{
    if (componentVersions().contains(kApplicationName))
        return;
    setComponentVersion(kApplicationId, QString::fromLatin1(buildID));
}

void ZeltoUpdateEntry::zeltoNameAppReceived(QString applicationName)
{
    if (applicationName.isEmpty())
        return;
    setComponentVersion(kApplicationName, applicationName);
    removeComponentVersion(kApplicationId);
}

void ZeltoUpdateEntry::evaluateVersions()
{
    // Reports that arrive while an update is under way are kept for later.
    if (isUpdating(updateState()))
        return;
    if (!m_os.verified || !m_wireless.verified) {
        changeUpdateState(VerifyingUpdate, true);
        return;
    }
    // Both components are needed to tell whether the board is up to date.
    if (!m_os.received || !m_wireless.received)
        return;

    const QMap<QString, QString> current{{m_os.name, m_os.current}, {m_wireless.name, m_wireless.current}};
    const QString deviceVersion = versions()->deviceVersionFromComponents(deviceTypeString(), current);
    setCurrentFwVersion(deviceVersion.isEmpty() ? QStringLiteral("Unknown version") : deviceVersion);
    qCDebug(lcZeltoUpdateEntry) << "Current version (Zelto + ESP):" << currentFwVersion();
    qCDebug(lcZeltoUpdateEntry) << "Latest version (Zelto + ESP):" << latestFwVersion();

    const Component *resumed = m_resumedComponent == m_os.name         ? &m_os
                               : m_resumedComponent == m_wireless.name ? &m_wireless
                                                                       : nullptr;
    m_resumedComponent.clear();
    if (isRestartPending() && resumed && resumed->updateNeeded) {
        // Uploading it again would go round for ever: the user decides.
        changeUpdateState(ErrorWhileUpdating, false);
        notifyUpdateFailed(
            QStringLiteral("The board still reports %1 %2 after the update").arg(resumed->name, resumed->current));
    } else if (!m_os.updateNeeded && !m_wireless.updateNeeded) {
        changeUpdateState(NoUpdateAvailable, true);
    } else if (isRestartPending()) {
        startUpdate();
    } else {
        changeUpdateState(UpdateAvailable, true);
    }
    for (auto it = current.cbegin(); it != current.cend(); ++it)
        setComponentVersion(it.key(), it.value());
}

void ZeltoUpdateEntry::setPageVisible(bool visible)
{
    storePageVisible(visible);
    if (visible && !m_service)
        emit QueryZeltoSoftwareUpdate(true);
    showUpdateNotification(!visible);
}

void ZeltoUpdateEntry::refresh()
{
    const QString latest = versions()->latestDeviceVersion(deviceTypeString());
    if (latest != latestFwVersion())
        setLatestFwVersion(latest);
    takeLatestVersions();
    for (Component *component : {&m_os, &m_wireless}) {
        component->current.clear();
        component->received = false;
    }
    if (m_board)
        m_board->queryVersions();
}

void ZeltoUpdateEntry::setSoftwareUpdateChannel(SoftwareUpdate *softwareUpdateChannel)
{
    if (m_service == softwareUpdateChannel && !m_startRequested)
        return;
    if (m_service && m_service != softwareUpdateChannel) {
        disconnect(this, &DeviceUpdateEntry::UploadFw, m_service, nullptr);
        disconnect(m_service, nullptr, this, nullptr);
    }
    if (m_service != softwareUpdateChannel) {
        m_service = softwareUpdateChannel;
        if (m_service) {
            connect(this, &DeviceUpdateEntry::UploadFw, m_service, &SoftwareUpdate::startUpdateFromMemory,
                    Qt::QueuedConnection);
            connect(m_service, &SoftwareUpdate::UpdateStateChanged, this,
                    &ZeltoUpdateEntry::updateChannelStateReceived);
        }
    }
    if (!m_startRequested)
        return;
    // The update the user asked for goes on once, with the service it waited for.
    m_startRequested = false;
    if (m_service)
        beginUpdate();
    else
        notifyUpdateFailed(QStringLiteral("Could not upload firmware to Zelto"));
}

void ZeltoUpdateEntry::beginUpdate()
{
    if (!m_service) {
        if (!m_board)
            return;
        m_startRequested = true;
        m_board->openCloseUpdateService(true);
        return;
    }
    const UpdateState state = updateState();
    if (state != UpdateAvailable && state != RestartAfterUpload && state != VerifyingUpdate
        && state != ErrorWhileUpdating)
        return;
    if (m_filesMissing != 0)
        return;
    const int needed = int(m_os.updateNeeded) + int(m_wireless.updateNeeded);
    if (needed == 0) {
        // Nothing to fetch: the board's versions decide the state again.
        evaluateVersions();
        return;
    }
    changeUpdateState(DownloadingFirmware, true);
    m_filesMissing = needed;
    for (const Component *component : {&m_os, &m_wireless})
        if (component->updateNeeded)
            downloadFirmware(component->name, component->latest);
}

void ZeltoUpdateEntry::downloadFirmware(const QString &component, const QString &version)
{
    changeUpdateState(DownloadingFirmware, true);
    m_requestedFiles.insert({component, version});
    const auto connection = Qt::ConnectionType(Qt::QueuedConnection | Qt::UniqueConnection);
    connect(m_files, &FirmwareFileManager::FirmwareAvailable, this, &ZeltoUpdateEntry::firmwareDownloadReady,
            connection);
    connect(m_files, &FirmwareFileManager::FirmwareNotAvailable, this, &ZeltoUpdateEntry::firmwareDownloadReady,
            connection);
    const QString path = m_files->getFirmware(component, version);
    if (!path.isEmpty())
        QMetaObject::invokeMethod(
            this, [=, this] { firmwareDownloadReady(component, version, path); }, Qt::QueuedConnection);
}

void ZeltoUpdateEntry::firmwareDownloadReady(QString firmware, QString version, QString filePath)
{
    const std::pair<QString, QString> answer{firmware, version};
    if (!m_requestedFiles.contains(answer)) {
        // The files are fetched one version of a component at a time: when another
        // version of a component asked for here has ended, this one is asked for again.
        const QSet<std::pair<QString, QString>> requested = m_requestedFiles;
        for (const std::pair<QString, QString> &request : requested)
            if (request.first == firmware) {
                const QString component = request.first;
                const QString wanted = request.second;
                const QString path = m_files->getFirmware(component, wanted);
                if (!path.isEmpty())
                    QMetaObject::invokeMethod(
                        this, [=, this] { firmwareDownloadReady(component, wanted, path); }, Qt::QueuedConnection);
            }
        return;
    }
    m_requestedFiles.remove(answer);
    if (m_requestedFiles.isEmpty())
        stopListeningForFiles();
    firmwareFileReady(firmware, version, filePath);
}

void ZeltoUpdateEntry::stopListeningForFiles()
{
    disconnect(m_files, &FirmwareFileManager::FirmwareAvailable, this, &ZeltoUpdateEntry::firmwareDownloadReady);
    disconnect(m_files, &FirmwareFileManager::FirmwareNotAvailable, this, &ZeltoUpdateEntry::firmwareDownloadReady);
}

void ZeltoUpdateEntry::forgetCollectedFiles()
{
    m_collectedFiles.clear();
    m_requestedFiles.clear();
    m_filesMissing = 0;
    stopListeningForFiles();
}

void ZeltoUpdateEntry::firmwareFileReady(const QString &firmware, const QString &version, const QString &filePath)
{
    if (filePath.isEmpty()) {
        notifyUpdateFailed(QStringLiteral("Firmware file could not be download"));
        forgetCollectedFiles();
        changeUpdateState(UpdateAvailable, false);
        return;
    }
    if (--m_filesMissing < 0) {
        m_filesMissing = 0;
        return;
    }
    m_collectedFiles.insert(firmware, {firmware, version, filePath});
    if (m_filesMissing != 0)
        return;

    // One component per pass, the operating system first; the other follows once the
    // board is back from its restart.
    const Component &next = m_os.updateNeeded ? m_os : m_wireless;
    const auto command = m_os.updateNeeded ? SoftwareUpdate::BoardFirmware : SoftwareUpdate::WifiModuleFirmware;
    const auto collected = m_collectedFiles.constFind(next.name);
    if (!next.updateNeeded || collected == m_collectedFiles.cend()) {
        changeUpdateState(ErrorWhileUpdating, false);
        notifyUpdateFailed(QStringLiteral("Could not upload firmware to Zelto"));
        forgetCollectedFiles();
        return;
    }
    const CollectedFile file = *collected;
    uploadFirmware(file.component, file.version, file.path, command);
}

void ZeltoUpdateEntry::uploadFirmware(const QString &component, const QString &version, const QString &path,
                                      SoftwareUpdate::UpdateCommand command)
{
    QFile file(path);
    QByteArray content;
    const bool readable = file.open(QIODevice::ReadOnly);
    if (readable)
        content = file.readAll();
    file.close();
    const ComponentFile listed = versions()->componentFile(component, version);
    if (!readable || verifySha256String(listed.sha256, content) != 0) {
        qCWarning(lcZeltoUpdateEntry) << "The firmware file" << path << "does not match its published digest";
        failLoading(path);
        return;
    }
    const QByteArray image = FirmwareCipher::decrypt(content);
    if (image.isEmpty()) {
        qCWarning(lcZeltoUpdateEntry) << "The firmware file" << path << "does not decrypt";
        failLoading(path);
        return;
    }
    if (!m_service) {
        changeUpdateState(ErrorWhileUpdating, false);
        notifyUpdateFailed(QStringLiteral("Could not upload firmware to Zelto"));
        forgetCollectedFiles();
        return;
    }
    auto buffer = QSharedPointer<QBuffer>::create();
    buffer->open(QIODevice::ReadWrite);
    buffer->write(image);
    setUploading(true);
    m_uploadedComponent = component;
    changeUpdateState(UploadingFirmware, true);
    emit UploadFw(buffer, command);
}

// Nothing is uploaded from a file that fails its checks, and the file goes, so that
// the next attempt fetches it again.
void ZeltoUpdateEntry::failLoading(const QString &path)
{
    if (QFile::exists(path) && !QFile::remove(path))
        qCWarning(lcZeltoUpdateEntry) << "Cannot remove the bad firmware file" << path;
    forgetCollectedFiles();
    changeUpdateState(ErrorWhileUpdating, false);
    notifyUpdateFailed(QStringLiteral("Could not load firmware"));
}

void ZeltoUpdateEntry::updateChannelStateReceived(SoftwareUpdate::UpdateState value)
{
    // The service also carries uploads that are not this entry's (application
    // binaries, a firmware file chosen by hand).
    if (!isUploading() || updateState() != UploadingFirmware)
        return;
    switch (value) {
    case SoftwareUpdate::TimedOut:
    case SoftwareUpdate::UpdateError:
        changeUpdateState(ErrorWhileUpdating, false);
        notifyUpdateFailed(QStringLiteral("Could not upload firmware to Zelto"));
        forgetCollectedFiles();
        evaluateVersions();
        break;
    case SoftwareUpdate::AppStillRunning:
        // The update service has told the user to stop the application.
        changeUpdateState(ErrorWhileUpdating, false);
        forgetCollectedFiles();
        evaluateVersions();
        break;
    case SoftwareUpdate::UpdateFinished:
        changeUpdateState(Restarting, true);
        m_restartTimer.start(m_restartLimit);
        break;
    default:
        break;
    }
}

void ZeltoUpdateEntry::deviceDisconnected()
{
    const UpdateState state = updateState();
    if (state == DownloadingFirmware || state == UploadingFirmware)
        notifyUpdateFailed(QStringLiteral("The connection to the board was lost during the firmware update"));
    DeviceUpdateEntry::deviceDisconnected();
}

void ZeltoUpdateEntry::restartLimitReached()
{
    if (updateState() != Restarting)
        return;
    changeUpdateState(ErrorWhileUpdating, false);
    notifyUpdateFailed(QStringLiteral("The board did not come back after the firmware update"));
    if (!m_board || !m_board->isConnected())
        emit RequestDelete(this);
}
