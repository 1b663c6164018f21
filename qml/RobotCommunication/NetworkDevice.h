#pragma once

#include "NetworkDeviceInfo.h"

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

// One robot found on the network: its identity, its IPv4 and IPv6 addresses and its
// SSH port. Created and updated by NetworkDeviceManager only.
class NetworkDevice : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Access only through manager")
    Q_PROPERTY(QString serial READ serial NOTIFY serialUpdated FINAL)
    Q_PROPERTY(QString servicename READ servicename NOTIFY servicenameUpdated FINAL)
    Q_PROPERTY(QString devicetype READ devicetype NOTIFY devicetypeUpdated FINAL)
    Q_PROPERTY(QString hostname READ hostname NOTIFY hostnameUpdated FINAL)
    Q_PROPERTY(QString addressv4 READ addressv4 NOTIFY addressV4Updated FINAL)
    Q_PROPERTY(QString addressv6 READ addressv6 NOTIFY addressV6Updated FINAL)
    Q_PROPERTY(uint port READ port NOTIFY portUpdated FINAL)

public:
    NetworkDevice(const ostrel::infra::NetworkDeviceInfo &info, QObject *parent);

    QString serial() const { return m_serial; }
    QString servicename() const { return m_servicename; }
    QString devicetype() const { return m_devicetype; }
    QString hostname() const { return m_hostname; }
    QString addressv4() const { return m_addressv4; }
    QString addressv6() const { return m_addressv6; }
    uint port() const { return m_port; }

    // Opens a console window running ssh to the robot (the IPv6 address when it has
    // one), as username when one is given.
    Q_INVOKABLE void launchSSH(const QString &username);

    // The same robot, whatever address the record came from.
    Q_INVOKABLE bool sameWithoutAddress(const ostrel::infra::NetworkDeviceInfo *info) const;
    // The same robot at the same address of the record's family.
    bool matches(const ostrel::infra::NetworkDeviceInfo &info) const;

    // The manager keeps the addresses up to date; each setter emits its signal.
    void setAddress(ostrel::infra::AddressFamily family, const QString &address);

signals:
    void serialUpdated();
    void servicenameUpdated();
    void devicetypeUpdated();
    void hostnameUpdated();
    void addressV4Updated();
    void addressV6Updated();
    void portUpdated();

private:
    QString m_serial;
    QString m_servicename;
    QString m_devicetype;
    QString m_hostname;
    QString m_addressv4;
    QString m_addressv6;
    uint m_port = 0;
};
