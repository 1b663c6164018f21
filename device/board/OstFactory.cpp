#include "OstFactory.h"

#include "DatalinkManager.h"
#include "LibusbBackend.h"
#include "USBDataLink.h"
#include "UsbDiscovery.h"

#include <QHostAddress>
#include <QLoggingCategory>
#include <QUrl>

Q_LOGGING_CATEGORY(lcOstFactory, "Device.OstFactory")

OstFactory::OstFactory(QObject *parent, const OstFactorySettings &settings)
    : QObject(parent)
    , m_settings(settings)
{
    m_reconnectTimer.setSingleShot(true);
    connect(&m_reconnectTimer, &QTimer::timeout, this, &OstFactory::handleReconnectTimerTimeOut);

    // Boards on USB are found by the discovery's own thread; each is handed over
    // here once its interface is claimed. Without libusb there are none.
    m_usbDiscovery = new UsbDiscovery(m_settings.usbBackend ? *m_settings.usbBackend : LibusbBackend::instance(),
                                      m_settings.usbTimings, this);
    connect(
        m_usbDiscovery, &UsbDiscovery::usbDatalinkReady, this,
        [this](USBDataLink *datalink) { createPendingDevice(datalink); }, Qt::DirectConnection);
}

OstFactory::~OstFactory()
{
    m_reconnectTimer.stop();
    disconnectAttempt();
    // Those who follow the selected board drop it before the boards go.
    if (m_selectedDevice) {
        m_selectedDevice = nullptr;
        emit SelectedDeviceChanged(nullptr);
        emit ActiveDeviceChanged(nullptr);
    }
    // The boards go first, while the USB event thread still delivers the end of
    // their transfers and the discovery releases each board; then the discovery.
    const QList<OstDevice *> boards = std::exchange(m_devices, {});
    m_deviceList.clear();
    qDeleteAll(boards);
    qDeleteAll(std::exchange(m_pendingDevices, {}));
    delete std::exchange(m_usbDiscovery, nullptr);
}

void OstFactory::setConnectionAttempt(bool attempt)
{
    if (attempt == m_connectionAttempt)
        return;
    m_connectionAttempt = attempt;
    emit ConnectionAttemptChanged(m_connectionAttempt);
}

void OstFactory::setConnectionAttemptAddress(const QString &address)
{
    if (address == m_connectionAttemptAddress)
        return;
    m_connectionAttemptAddress = address;
    emit ConnectionAttemptAddressChanged();
}

OstDevice *OstFactory::createPendingDevice(AbstractDataLink *datalink)
{
    auto *pending = new OstDevice(this, m_settings.linkTimings);
    connect(pending, &OstDevice::DeviceInfoUpdated, this, &OstFactory::ostDeviceConnectedCallback,
            Qt::ConnectionType(Qt::DirectConnection | Qt::UniqueConnection));
    connect(pending, &OstDevice::RequestDeleteSelf, this, &OstFactory::removeDevice,
            Qt::ConnectionType(Qt::DirectConnection | Qt::UniqueConnection));
    pending->addDatalink(datalink);
    if (datalink->linkType() == AbstractDataLink::WiFi)
        pending->setWifiPending(true);
    m_pendingDevices.append(pending);
    return pending;
}

void OstFactory::promoteToWIFIOstDevice(WifiDatalink *datalink)
{
    createPendingDevice(datalink);
}

void OstFactory::ostDeviceConnectedCallback(OstDevice *pending, OstDevice::DeviceType type,
                                            AbstractDataLink::LinkType linkType)
{
    const QString serial = pending->serialNumber();
    qCDebug(lcOstFactory) << "Device found:" << serial;

    if (AbstractDataLink *datalink = pending->getDatalink(linkType)) {
        OstDevice *known = nullptr;
        for (OstDevice *device : std::as_const(m_devices)) {
            if (device->serialNumber() == serial) {
                known = device;
                break;
            }
        }
        if (known) {
            if (known->addDatalink(datalink) < 0)
                qCWarning(lcOstFactory) << "The board" << serial << "has a" << AbstractDataLink::linkTypeName(linkType)
                                        << "link already; the new one is dropped";
            else
                qCDebug(lcOstFactory) << "Coupled";
            if (takeAutoConnect(serial, linkType) && known->getActiveDatalink() == AbstractDataLink::None)
                known->setActiveDatalink(linkType);
        } else if (type == OstDevice::Zelto) {
            Zelto *board = adopt(pending);
            if (takeAutoConnect(serial, linkType))
                board->setActiveDatalink(linkType);
            emit DeviceListChanged(m_deviceList);
        }
    }

    if (removeFromPending(pending)) {
        pending->deleteLater();
        qCDebug(lcOstFactory) << "removed from pending";
    }
    if (linkType == AbstractDataLink::WiFi)
        emit wifiConnectionEstablished();
}

Zelto *OstFactory::adopt(OstDevice *pending)
{
    auto *board = new Zelto(pending, m_settings.board);
    m_devices.append(board);
    m_deviceList.append(board);
    connect(board, &OstDevice::FocusOnThisDevice, this, &OstFactory::setSelectedDevice);
    connect(board, &OstDevice::DeviceConnectStateUpdated, this, &OstFactory::deviceConnectionChanged);
    connect(board, &OstDevice::RequestDeleteSelf, this, &OstFactory::removeDevice, Qt::UniqueConnection);
    connect(board, &Zelto::IsConnectedSignal, this, &OstFactory::ostDeviceConnected, Qt::UniqueConnection);
    connect(this, &OstFactory::TempUploadFirmware, board, [board](QString fw) { board->tempUploadFirmware(QUrl(fw)); });
    connect(board, &OstDevice::AddToAutoConnectSignal, this, &OstFactory::addToAutoConnect, Qt::DirectConnection);
    if (m_deviceList.size() == 1)
        emit board->FocusOnThisDevice(board);
    return board;
}

bool OstFactory::removeFromPending(OstDevice *device)
{
    if (!m_pendingDevices.isEmpty())
        qCDebug(lcOstFactory) << "Pending devices:" << m_pendingDevices;
    return m_pendingDevices.removeOne(device);
}

void OstFactory::addToAutoConnect(OstDevice *device, AbstractDataLink::LinkType linkType)
{
    if (!m_autoConnectTable.contains(device->serialNumber()))
        m_autoConnectTable.insert(device->serialNumber(), linkType);
}

bool OstFactory::takeAutoConnect(const QString &serial, AbstractDataLink::LinkType linkType)
{
    const AbstractDataLink::LinkType remembered = m_autoConnectTable.value(serial, AbstractDataLink::None);
    if (linkType != remembered)
        return m_autoConnectState;
    m_autoConnectTable.remove(serial);
    return true;
}

void OstFactory::autoConnectUpdated(bool checked)
{
    if (checked == m_autoConnectState)
        return;
    m_autoConnectState = checked;
    emit AutoConnectStateChanged(m_autoConnectState);
}

void OstFactory::setSelectedDevice(OstDevice *device)
{
    if (device == m_selectedDevice)
        return;
    // Only a board of the list can be selected: anything else may be gone already.
    if (device && !m_devices.contains(device)) {
        qCWarning(lcOstFactory) << "Not a board of the device list:" << device;
        return;
    }
    if (m_connectionAttempt)
        cancelConnectionAttempt();
    m_selectedDevice = device;
    emit SelectedDeviceChanged(m_selectedDevice);
    emitActiveDevice();
}

void OstFactory::deviceConnectionChanged(OstDevice *dev, bool isConnected)
{
    if (isConnected)
        qCInfo(lcOstFactory).noquote().nospace() << "Board " << dev->serialNumber() << " connected over "
                                                 << AbstractDataLink::linkTypeName(dev->getActiveDatalink());
    else
        qCInfo(lcOstFactory).noquote().nospace() << "Board " << dev->serialNumber() << " disconnected";
    if (dev == m_selectedDevice)
        emitActiveDevice();
}

void OstFactory::emitActiveDevice()
{
    emit ActiveDeviceChanged(m_selectedDevice && m_selectedDevice->isConnected() ? m_selectedDevice : nullptr);
}

void OstFactory::removeDevice(OstDevice *dev)
{
    // A device asks more than once (its link drops, then its board is not
    // available); it is removed the first time.
    if (!m_devices.contains(dev) && !m_pendingDevices.contains(dev))
        return;
    if (m_deviceList.size() > 1)
        qCDebug(lcOstFactory) << " More than 1 dev";

    if (dev == m_selectedDevice) {
        if (m_connectionAttempt)
            cancelConnectionAttempt();
        m_selectedDevice = nullptr;
        emit SelectedDeviceChanged(nullptr);
        emit ActiveDeviceChanged(nullptr);
    }

    const QString address = reconnectAddress(dev);
    m_devices.removeOne(dev);
    m_deviceList.removeIf([dev](const Zelto *board) { return board == dev; });
    emit DeviceListChanged(m_deviceList);
    removeFromPending(dev);
    // Everybody has been told; the device goes with its transports, timers and ports.
    dev->deleteLater();

    if (address.isEmpty() || m_attempt || m_connectionAttempt || m_selectedDevice)
        return;
    const QString used = dev->isWifiPending() ? m_connectionAttemptAddress : address;
    if (used.isEmpty())
        return;
    qCDebug(lcOstFactory) << "Reconnect with" << used;
    insertNetworkOstDevice(used);
}

QString OstFactory::reconnectAddress(OstDevice *dev) const
{
    const bool lostWifiBoard = dev->getActiveDatalink() == AbstractDataLink::WiFi && dev->isReconnectAllowed();
    if (!lostWifiBoard && !dev->isWifiPending())
        return QString();
    QString address;
    if (auto *board = qobject_cast<Zelto *>(dev))
        address = board->ipAddress();
    if (dev->isWifiPending())
        qCDebug(lcOstFactory) << "device lost wifi connection before protocol connection was completed";
    if (address.isEmpty() || address.contains(QLatin1String("0.0.0.0")))
        address = m_settings.board.wifiLink.fallbackBoardAddress;
    return address;
}

void OstFactory::insertNetworkOstDevice(QString hostAdress)
{
    if (m_attempt) {
        qCDebug(lcOstFactory) << "could not attempt new connection, connection attempt is still active";
        return;
    }
    const QHostAddress address(hostAdress.trimmed());
    if (address.isNull()) {
        qCWarning(lcOstFactory) << "Not a board address, no connection attempted:" << hostAdress;
        if (!m_reconnectTimer.isActive())
            setConnectionAttempt(false);
        return;
    }
    auto *datalink = new WifiDatalink(this, address, true, true, m_settings.board.wifiLink);
    setConnectionAttemptAddress(hostAdress.trimmed());
    m_attempt = datalink;
    setConnectionAttempt(true);
    connect(datalink, &WifiDatalink::aboutToBeDeleted, this, &OstFactory::connectionAttemptFailed);
    connect(datalink, &WifiDatalink::connectionSuccesful, this, &OstFactory::connectionAttemptCompleted);
    connect(datalink, &AbstractDataLink::datalinkStateSignal, this, &OstFactory::connectionAttemptStateChanged);
    datalink->initialise();
}

void OstFactory::connectionAttemptStateChanged(AbstractDataLink::LinkType, AbstractDataLink::DatalinkState state)
{
    qCDebug(lcOstFactory) << "connection state changed";
    if (state == AbstractDataLink::Invalid) {
        qCDebug(lcOstFactory) << "state invalid";
        connectionAttemptFailed();
    }
}

void OstFactory::connectionAttemptCompleted()
{
    qCDebug(lcOstFactory) << "connection succeeded";
    if (m_attempt) {
        qCDebug(lcOstFactory) << "promoting to ostdevice from wifi";
        WifiDatalink *datalink = m_attempt;
        disconnectAttempt();
        m_attempt = nullptr;
        promoteToWIFIOstDevice(datalink);
        // Reported to the new device's manager, which then asks the board who it is.
        datalink->connected();
    }
    setConnectionAttempt(false);
}

void OstFactory::connectionAttemptFailed()
{
    qCDebug(lcOstFactory) << "connection attempt failed";
    dropAttempt();
    setConnectionAttempt(false);
    if (m_reconnectTimer.isActive())
        return;
    qCDebug(lcOstFactory) << "retrying to connect with: " << m_connectionAttemptAddress;
    m_reconnectTimer.start(m_settings.reconnectInterval);
    setConnectionAttempt(true);
}

void OstFactory::handleReconnectTimerTimeOut()
{
    m_reconnectTimer.stop();
    insertNetworkOstDevice(m_connectionAttemptAddress);
}

void OstFactory::disconnectAttempt()
{
    if (!m_attempt)
        return;
    disconnect(m_attempt, &WifiDatalink::aboutToBeDeleted, this, &OstFactory::connectionAttemptFailed);
    disconnect(m_attempt, &WifiDatalink::connectionSuccesful, this, &OstFactory::connectionAttemptCompleted);
    disconnect(m_attempt, &AbstractDataLink::datalinkStateSignal, this, &OstFactory::connectionAttemptStateChanged);
}

// Cuts the attempt's ties and deletes its datalink while nobody else has taken it.
void OstFactory::dropAttempt()
{
    disconnectAttempt();
    if (m_attempt && m_attempt->parent() == this)
        m_attempt->deleteLater();
    m_attempt = nullptr;
}

void OstFactory::cancelConnectionAttempt()
{
    qCDebug(lcOstFactory) << "cancel connection command Ostfactory";
    if (!m_attempt) {
        qCDebug(lcOstFactory) << "stopped reconnect Timer";
        m_reconnectTimer.stop();
        setConnectionAttempt(false);
        return;
    }
    if (m_attempt->parent() == this) {
        dropAttempt();
        setConnectionAttempt(false);
        qCDebug(lcOstFactory) << "cancelling attempt from ostfactory";
        return;
    }
    // The datalink belongs to a device already: it is ended, and its failure must not
    // start a new attempt.
    disconnectAttempt();
    std::exchange(m_attempt, nullptr)->invalidate();
    setConnectionAttempt(false);
    qCDebug(lcOstFactory) << "cancelling attempt by ostdevice through invalidation";
}
