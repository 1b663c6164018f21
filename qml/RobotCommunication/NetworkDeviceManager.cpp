#include "NetworkDeviceManager.h"

using ostrel::infra::AddressFamily;
using ostrel::infra::BrowseQuery;
using ostrel::infra::DeviceDiscovery;
using ostrel::infra::DeviceDiscoveryListener;
using ostrel::infra::NetworkDeviceInfo;

NetworkDeviceManager::NetworkDeviceManager(QObject *parent)
    : NetworkDeviceManager(
        [](DeviceDiscoveryListener *listener) { return std::make_unique<DeviceDiscovery>(listener, sshBrowseQuery()); },
        parent)
{
}

NetworkDeviceManager::NetworkDeviceManager(const DiscoveryFactory &discovery, QObject *parent)
    : QObject(parent)
{
    if (discovery)
        m_discovery = discovery(this);
    if (m_discovery)
        m_discovery->start();
}

NetworkDeviceManager::~NetworkDeviceManager()
{
    // The discovery thread is ended before anything it could call into goes away.
    m_discovery.reset();
}

BrowseQuery NetworkDeviceManager::sshBrowseQuery()
{
    return BrowseQuery{ostrel::infra::mdns::typePtr, "_ssh._tcp.local"};
}

QQmlListProperty<NetworkDevice> NetworkDeviceManager::devices()
{
    return QQmlListProperty<NetworkDevice>(this, &m_devices);
}

void NetworkDeviceManager::deviceFound(NetworkDeviceInfo info)
{
    QMetaObject::invokeMethod(
        this, [this, info = std::move(info)] { addOrUpdateDevice(info); }, Qt::QueuedConnection);
}

void NetworkDeviceManager::deviceLost(NetworkDeviceInfo info)
{
    QMetaObject::invokeMethod(
        this, [this, info = std::move(info)] { removeOrUpdateDevice(info); }, Qt::QueuedConnection);
}

void NetworkDeviceManager::addOrUpdateDevice(const NetworkDeviceInfo &info)
{
    for (NetworkDevice *device : std::as_const(m_devices)) {
        if (device->sameWithoutAddress(&info)) {
            device->setAddress(info.family, QString::fromStdString(info.address));
            return;
        }
    }
    m_devices.append(new NetworkDevice(info, this));
    emit deviceListUpdated();
}

void NetworkDeviceManager::removeOrUpdateDevice(const NetworkDeviceInfo &info)
{
    for (qsizetype i = 0; i < m_devices.size(); ++i) {
        NetworkDevice *device = m_devices.at(i);
        if (!device->matches(info))
            continue;
        // A robot that is still heard over its other address family stays listed:
        // discovery does not report that family again while it stays known.
        const QString otherAddress = info.family == AddressFamily::IPv4 ? device->addressv6() : device->addressv4();
        if (!otherAddress.isEmpty()) {
            device->setAddress(info.family, QString());
            return;
        }
        m_devices.removeAt(i);
        device->deleteLater();
        emit deviceListUpdated();
        return;
    }
}
