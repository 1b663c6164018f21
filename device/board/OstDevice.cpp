#include "OstDevice.h"

#include "DatalinkManager.h"

#include <QLoggingCategory>

#include <utility>

Q_LOGGING_CATEGORY(lcOstDevice, "Device.OstDevice")

OstDevice::OstDevice(QObject *parent, const LinkTimings &timings)
    : QObject(parent)
    , m_datalinkManager(new DatalinkManager(this, timings))
{
    connectManager();
}

OstDevice::OstDevice(OstDevice &pending)
    : QObject(pending.parent())
    , m_firmwareVerified(false)
    , m_isConnected(pending.m_isConnected)
    , m_deviceType(pending.m_deviceType)
    , m_extendedDeviceType(pending.m_extendedDeviceType)
    , m_versionFirmware(pending.m_versionFirmware)
    , m_serialNumber(pending.m_serialNumber)
{
    // The shell stops talking and listening: its listeners are cut, and so are the
    // manager's ties to it, or it would go on reacting until it is deleted.
    pending.disconnect();
    m_datalinkManager = std::exchange(pending.m_datalinkManager, nullptr);
    if (m_datalinkManager) {
        m_datalinkManager->disconnect(&pending);
        m_datalinkManager->setParent(this);
        connectManager();
    }
}

OstDevice::~OstDevice() = default;

OstDevice::DeviceType OstDevice::deviceTypeFromHeartbeat(dlComm::Type type)
{
    switch (type) {
    case 1:
        return Zelto;
    case 2:
        return Wendolix;
    default:
        return None;
    }
}

void OstDevice::connectManager()
{
    connect(m_datalinkManager, &DatalinkManager::deviceNotAvailable, this, &OstDevice::DeleteSelf);
    connect(m_datalinkManager, &DatalinkManager::DisconnectDatalinkSignal, this, &OstDevice::DeleteSelf);
    connect(m_datalinkManager, &DatalinkManager::deviceInfoReceived, this, &OstDevice::setDeviceInfo);
    connect(m_datalinkManager, &DatalinkManager::isConnected, this, &OstDevice::setIsConnected);
}

int OstDevice::addDatalink(AbstractDataLink *datalink)
{
    return m_datalinkManager ? m_datalinkManager->addDatalink(datalink) : -1;
}

AbstractDataLink *OstDevice::getDatalink(AbstractDataLink::LinkType type) const
{
    return m_datalinkManager ? m_datalinkManager->getDatalink(type) : nullptr;
}

void OstDevice::setActiveDatalink(AbstractDataLink::LinkType type)
{
    if (m_datalinkManager)
        m_datalinkManager->setActiveDatalinkConnection(type);
}

void OstDevice::setSerialNumber(QString serialNumber)
{
    m_serialNumber = serialNumber;
    emit SerialNumberChanged(m_serialNumber);
}

void OstDevice::addToAutoConnect()
{
    emit AddToAutoConnectSignal(this, getActiveDatalink());
}

AbstractDataLink::LinkType OstDevice::getActiveDatalink()
{
    return m_datalinkManager ? m_datalinkManager->activeLinkType() : AbstractDataLink::None;
}

void OstDevice::setDeviceFocussed()
{
    emit FocusOnThisDevice(this);
}

void OstDevice::deleteSelf()
{
    emit RequestDeleteSelf(this);
}

void OstDevice::setDeviceInfo(QString serialNumber, dlComm::Type type, AbstractDataLink::LinkType linkType,
                              int32_t extDevType)
{
    // A device is identified once; later reports of the same manager change nothing.
    if (m_deviceType != None)
        return;
    m_serialNumber = serialNumber;
    m_extendedDeviceType = extDevType;
    m_deviceType = deviceTypeFromHeartbeat(type);
    emit DeviceTypeUpdated(m_deviceType);
    emit ExtendedDeviceTypeUpdated(extendedDeviceType());
    emit SerialNumberChanged(m_serialNumber);
    emit DeviceInfoUpdated(this, m_deviceType, linkType);
}

void OstDevice::deviceNotAvailable()
{
    emit RequestDeleteSelf(this);
}

void OstDevice::setIsConnected(bool isConnected)
{
    if (isConnected == m_isConnected)
        return;
    m_isConnected = isConnected;
    emit IsConnectedChanged(m_isConnected);
    emit DeviceConnectStateUpdated(this, m_isConnected);
}

void OstDevice::DeleteSelf()
{
    emit RequestDeleteSelf(this);
}

void OstDevice::handleActiveLinkTypeChanged(AbstractDataLink::LinkType type)
{
    if (type == AbstractDataLink::WiFi)
        m_wifiPending = false;
}

void OstDevice::setName(const QString &name)
{
    if (name == m_name)
        return;
    m_name = name;
    emit NameChanged(m_name);
}

void OstDevice::setFirmwareState(bool verified, const QString &version)
{
    m_firmwareVerified = verified;
    m_versionFirmware = version;
    emit VersionFirmwareChanged(m_versionFirmware);
}
