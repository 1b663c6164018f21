#pragma once

#include "DeviceDiscovery.h"
#include "DeviceDiscoveryListener.h"
#include "NetworkDevice.h"

#include <QList>
#include <QObject>
#include <QQmlListProperty>
#include <QtQml/qqmlregistration.h>

#include <functional>
#include <memory>

// The robots that multicast DNS finds on the local networks, as a list for QML.
// Discovery runs from construction to destruction; found and lost robots arrive on
// the discovery thread and are handed over to this object's thread, where the list
// and its devices are kept.
class NetworkDeviceManager : public QObject, public ostrel::infra::DeviceDiscoveryListener
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QQmlListProperty<NetworkDevice> devices READ devices NOTIFY deviceListUpdated FINAL)

public:
    // Builds the discovery engine for a listener; may return none.
    using DiscoveryFactory =
        std::function<std::unique_ptr<ostrel::infra::DeviceDiscovery>(ostrel::infra::DeviceDiscoveryListener *)>;

    explicit NetworkDeviceManager(QObject *parent = nullptr);
    // For tests and tools that bring their own engine (or none).
    explicit NetworkDeviceManager(const DiscoveryFactory &discovery, QObject *parent = nullptr);
    ~NetworkDeviceManager() override;

    QQmlListProperty<NetworkDevice> devices();
    const QList<NetworkDevice *> &deviceList() const { return m_devices; }

    // Browses for SSH servers: the question for "_ssh._tcp.local" records of type PTR.
    static ostrel::infra::BrowseQuery sshBrowseQuery();

    void deviceFound(ostrel::infra::NetworkDeviceInfo info) override;
    void deviceLost(ostrel::infra::NetworkDeviceInfo info) override;

signals:
    void deviceListUpdated();

private:
    void addOrUpdateDevice(const ostrel::infra::NetworkDeviceInfo &info);
    void removeOrUpdateDevice(const ostrel::infra::NetworkDeviceInfo &info);

    QList<NetworkDevice *> m_devices;
    std::unique_ptr<ostrel::infra::DeviceDiscovery> m_discovery;
};
