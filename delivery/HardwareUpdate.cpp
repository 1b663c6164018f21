#include "HardwareUpdate.h"

#include "FirmwareFileManager.h"
#include "OstDevice.h"
#include "VersionControl.h"
#include "Zelto.h"
#include "ZeltoUpdateEntry.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcHardwareUpdate, "Delivery.HardwareUpdate")

namespace {

// The extended device types of controller boards that have published firmware.
bool hasPublishedFirmware(int extendedType)
{
    if (extendedType < 0 || extendedType > 22)
        return false;
    return extendedType != 11 && extendedType != 12 && extendedType != 14 && extendedType != 17;
}

} // namespace

HardwareUpdate::HardwareUpdate(QObject *parent, const FirmwareUpdateSettings &settings)
    : QObject(parent)
    , m_settings(settings)
{
    qRegisterMetaType<DeviceUpdateEntryList>("DeviceUpdateEntryList");
    if (!m_settings.versions)
        m_settings.versions = VersionControl::instance();
    if (!m_settings.files)
        m_settings.files = FirmwareFileManager::instance();
    // Entries made before the version information arrived learn the latest versions.
    connect(m_settings.versions, &VersionControl::VersionControlUpdated, this, &HardwareUpdate::refreshEntries);
}

HardwareUpdate::~HardwareUpdate()
{
    // The entries go first, while this object can still hear from them.
    for (DeviceUpdateEntry *entry : findChildren<DeviceUpdateEntry *>(Qt::FindDirectChildrenOnly)) {
        disconnect(entry, nullptr, this, nullptr);
        delete entry;
    }
}

void HardwareUpdate::setDeviceList(const QList<DeviceUpdateEntry *> &list)
{
    if (list == m_deviceList)
        return;
    m_deviceList = list;
    emit DeviceListChanged();
}

void HardwareUpdate::setSelectedEntry(DeviceUpdateEntry *entry)
{
    if (entry == m_selectedDevice)
        return;
    m_selectedDevice = entry;
    emit SelectedDeviceChanged();
}

DeviceUpdateEntry *HardwareUpdate::entryFor(const QString &serial) const
{
    for (DeviceUpdateEntry *entry : m_deviceList)
        if (entry->serial() == serial)
            return entry;
    return nullptr;
}

void HardwareUpdate::ostDeviceConnected(const OstDevice *device, bool isConnected)
{
    if (!device)
        return;
    const QString serial = device->serialNumber();
    if (!isConnected) {
        if (DeviceUpdateEntry *entry = entryFor(serial))
            entry->deviceDisconnected();
        return;
    }

    switch (device->deviceType()) {
    case OstDevice::None:
        qCDebug(lcHardwareUpdate) << "Unkown type could not be added to the Hardware Updater";
        emit DeviceListChanged();
        return;
    case OstDevice::Wendolix:
        qCDebug(lcHardwareUpdate) << "Wendolix device is not yet supported by the Hardware Updater";
        emit DeviceListChanged();
        return;
    case OstDevice::Zelto:
        break;
    }

    for (auto it = m_deviceList.crbegin(); it != m_deviceList.crend(); ++it)
        if ((*it)->serial() == serial) {
            removeEntry(*it);
            break;
        }

    const int extendedType = int(device->extendedDeviceType());
    auto *board = qobject_cast<Zelto *>(const_cast<OstDevice *>(device));
    if (!hasPublishedFirmware(extendedType) || !board) {
        qCDebug(lcHardwareUpdate).nospace() << "Unknown device type: " << extendedType;
        emit DeviceListChanged();
        return;
    }

    const bool restartPending = m_updatingSerials.contains(serial);
    const QString resumed = m_restartingComponents.take(serial);
    auto *entry = new ZeltoUpdateEntry(this, board, restartPending, m_visible || restartPending, m_settings,
                                       restartPending ? resumed : QString());
    connect(entry, &DeviceUpdateEntry::setGlobalUpdatesCounter, this, &HardwareUpdate::addAvailableUpdates);
    m_deviceList.append(entry);
    connect(entry, &DeviceUpdateEntry::SetUpdateStateSignal, this, [this, entry](bool state, QString updating) {
        // The board's next entry checks that the component it restarts from is current.
        if (state)
            m_restartingComponents.insert(updating, static_cast<ZeltoUpdateEntry *>(entry)->uploadedComponent());
        setUpdateState(state, updating);
    });
    connect(entry, &DeviceUpdateEntry::RequestDelete, this, &HardwareUpdate::deleteEntry);
    setUpdateState(false, serial);
    emit DeviceListChanged();
    // The board may have been made the active one before its entry existed.
    if (serial == m_selectedSerial)
        setSelectedEntry(entry);
}

void HardwareUpdate::removeEntry(DeviceUpdateEntry *entry)
{
    if (!m_deviceList.removeOne(entry))
        return;
    entry->deleteLater();
    emit DeviceListChanged();
    if (entry == m_selectedDevice) {
        m_selectedDevice = nullptr;
        emit SelectedDeviceChanged();
    }
}

void HardwareUpdate::deleteEntry(DeviceUpdateEntry *entry)
{
    removeEntry(entry);
}

void HardwareUpdate::setSelectedDevice(const OstDevice *device)
{
    m_selectedSerial = device ? device->serialNumber() : QString();
    if (!device) {
        m_selectedDevice = nullptr;
        emit SelectedDeviceChanged();
        return;
    }
    if (DeviceUpdateEntry *entry = entryFor(device->serialNumber())) {
        m_selectedDevice = entry;
        emit SelectedDeviceChanged();
    }
}

void HardwareUpdate::setVisibility(bool isVisible)
{
    m_visible = isVisible;
    for (DeviceUpdateEntry *entry : std::as_const(m_deviceList))
        entry->setPageVisible(isVisible);
}

void HardwareUpdate::refresh()
{
    m_settings.versions->refresh();
    refreshEntries();
}

void HardwareUpdate::refreshEntries()
{
    for (DeviceUpdateEntry *entry : std::as_const(m_deviceList))
        entry->refresh();
}

void HardwareUpdate::addAvailableUpdates(int updatesAvailable)
{
    m_availableUpdates += updatesAvailable;
    emit AvailableUpdatesChanged();
}

void HardwareUpdate::setUpdateState(bool state, QString serial)
{
    if (state) {
        if (!m_updatingSerials.contains(serial))
            m_updatingSerials.append(serial);
        return;
    }
    m_updatingSerials.removeOne(serial);
    if (!m_updatingSerials.contains(serial))
        m_restartingComponents.remove(serial);
}
