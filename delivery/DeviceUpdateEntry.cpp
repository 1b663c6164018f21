#include "DeviceUpdateEntry.h"

#include "ErrorHandler.h"
#include "NotificationMsgProgress.h"
#include "VersionControl.h"

#include <QDateTime>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcDeviceUpdateEntry, "Delivery.DeviceUpdateEntry")

namespace {

const QString kOrigin = QStringLiteral("Device updater");

} // namespace

QString DeviceUpdateEntry::progressTextOf(UpdateState state)
{
    switch (state) {
    case NoUpdateAvailable:
        return QStringLiteral("Device up-to-date");
    case UpdateAvailable:
        return QStringLiteral("New update available");
    case RestartAfterUpload:
    case Restarting:
        return QStringLiteral("Restarting");
    case DownloadingFirmware:
        return QStringLiteral("Downloading firmware data");
    case UploadingFirmware:
        return QStringLiteral("Uploading firmware");
    case VerifyingUpdate:
        return QStringLiteral("Verifying firmware");
    case ErrorWhileUpdating:
        return QStringLiteral("Update failed");
    }
    return QString();
}

QString DeviceUpdateEntry::deviceTypeStringOf(OstDevice::DeviceType type, int extendedType)
{
    if (type == OstDevice::Wendolix)
        return QStringLiteral("Wendolix");
    if (type != OstDevice::Zelto)
        return QString();
    if ((extendedType >= 0 && extendedType <= 10) || extendedType == 15)
        return QStringLiteral("Zelto");
    if (extendedType == 13 || (extendedType >= 18 && extendedType <= 21))
        return QStringLiteral("Tavrin");
    if (extendedType == 16)
        return QStringLiteral("Bexlin");
    if (extendedType == 22)
        return QStringLiteral("Kiro");
    return QString();
}

DeviceUpdateEntry::DeviceUpdateEntry(QObject *parent, const OstDevice *device, bool restartPending, bool pageVisible,
                                     VersionControl *versions)
    : QObject(parent)
    , m_versions(versions)
    , m_deviceType(device->deviceType())
    , m_extendedDeviceType(device->extendedDeviceType())
    , m_deviceTypeString(deviceTypeStringOf(device->deviceType(), int(device->extendedDeviceType())))
    , m_serial(device->serialNumber())
    , m_latestFwVersion(versions->latestDeviceVersion(m_deviceTypeString))
    , m_restartPending(restartPending)
    , m_pageVisible(pageVisible)
    , m_updateState(restartPending ? RestartAfterUpload : NoUpdateAvailable)
    , m_progressText(progressTextOf(NoUpdateAvailable))
{
    qRegisterMetaType<DeviceUpdateEntry::UpdateState>("UpdateState");
    qRegisterMetaType<DeviceUpdateEntry::UpdateState>("DeviceUpdateEntry::UpdateState");
}

DeviceUpdateEntry::~DeviceUpdateEntry()
{
    if (m_updateAvailable) {
        m_updateAvailable = false;
        emit UpdatedAvailableChanged(false);
        emit setGlobalUpdatesCounter(-1);
    }
    removeNotification();
}

void DeviceUpdateEntry::deviceDisconnected()
{
    if (m_updateState != Restarting)
        emit RequestDelete(this);
}

void DeviceUpdateEntry::forceDelete()
{
    emit RequestDelete(this);
}

void DeviceUpdateEntry::startUpdate()
{
    beginUpdate();
}

void DeviceUpdateEntry::setUpdateProgress(float updatePercentage)
{
    m_updateProgress = updatePercentage;
    emit UpdateProgressChanged(m_updateProgress);
}

void DeviceUpdateEntry::setProgressText(const QString &text)
{
    m_progressText = text;
    emit ProgressTextChanged(m_progressText);
}

void DeviceUpdateEntry::changeUpdateState(UpdateState state, bool keepNotification)
{
    if (state == m_updateState)
        return;
    m_updateState = state;
    emit UpdateStateChanged(m_updateState);
    setProgressText(progressTextOf(state));

    switch (state) {
    case NoUpdateAvailable:
        if (m_updateAvailable) {
            m_updateAvailable = false;
            emit UpdatedAvailableChanged(false);
            emit setGlobalUpdatesCounter(-1);
        }
        emit SetUpdateStateSignal(false, m_serial);
        m_restartPending = false;
        setUpdateProgress(-1.0f);
        break;
    case UpdateAvailable:
        if (!m_updateAvailable) {
            m_updateAvailable = true;
            emit UpdatedAvailableChanged(true);
            emit setGlobalUpdatesCounter(1);
        }
        m_restartPending = false;
        setUpdateProgress(-1.0f);
        break;
    case ErrorWhileUpdating:
        emit SetUpdateStateSignal(false, m_serial);
        // A failed update is started again only by the user.
        m_restartPending = false;
        m_uploading = false;
        setUpdateProgress(-1.0f);
        break;
    case Restarting:
        if (m_uploading)
            emit SetUpdateStateSignal(true, m_serial);
        m_uploading = false;
        break;
    default:
        break;
    }
    if (!keepNotification)
        removeNotification();
}

void DeviceUpdateEntry::setCurrentFwVersion(const QString &version)
{
    m_currentFwVersion = version;
    emit CurrentFirmwareChanged(m_currentFwVersion);
}

void DeviceUpdateEntry::setLatestFwVersion(const QString &version)
{
    m_latestFwVersion = version;
    emit LatestFirmwareChanged(m_latestFwVersion);
}

void DeviceUpdateEntry::setComponentVersion(const QString &component, const QString &version)
{
    m_componentVersions.insert(component, version);
    emit componentVersionsChanged();
}

void DeviceUpdateEntry::removeComponentVersion(const QString &component)
{
    if (m_componentVersions.remove(component) > 0)
        emit componentVersionsChanged();
}

void DeviceUpdateEntry::removeNotification()
{
    if (m_notificationKey == 0)
        return;
    const int key = std::exchange(m_notificationKey, 0);
    if (AbstractNotification *notification = ErrorHandler::instance()->takeNotification(key)) {
        disconnect(notification, nullptr, this, nullptr);
        notification->deleteSelf();
    }
}

void DeviceUpdateEntry::showUpdateNotification(bool show)
{
    removeNotification();
    if (!show || !(m_uploading || m_restartPending))
        return;
    auto *notification = new NotificationMsgProgress(this, halvora::ErrorLevel::Error, AbstractNotification::HalvoraLab,
                                                     m_progressText, QString(), kOrigin,
                                                     QDateTime::currentDateTimeUtc());
    connect(this, &DeviceUpdateEntry::UpdateProgressChanged, notification, &NotificationMsgProgress::updateProgress);
    connect(this, &DeviceUpdateEntry::ProgressTextChanged, notification, &AbstractNotification::changeTitleTextSlot);
    // The user may clear it; the entry then forgets its key.
    connect(notification, &QObject::destroyed, this, [this] {
        if (m_notificationKey != 0 && !ErrorHandler::instance()->notification(m_notificationKey))
            m_notificationKey = 0;
    });
    notification->enableProgress(true);
    notification->updateProgress(qMax(0.0f, m_updateProgress));
    const int key = ErrorHandler::instance()->addNotification(notification);
    m_notificationKey = key > 0 ? key : 0;
}

void DeviceUpdateEntry::notifyUpdateFailed(const QString &message)
{
    removeNotification();
    qCDebug(lcDeviceUpdateEntry) << "Firmware update of" << m_serial << "failed:" << message;
    ErrorHandler::instance()->addMessage(halvora::ErrorLevel::Error, AbstractNotification::HalvoraLab,
                                         QStringLiteral("Firmware update failed"), message, kOrigin,
                                         QDateTime::currentDateTimeUtc());
}
