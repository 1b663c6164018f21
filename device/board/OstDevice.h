#pragma once

#include "AbstractDataLink.h"
#include "DatalinkTypes.h"
#include "ExtendedDeviceType.h"
#include "LinkTimings.h"

#include <QObject>
#include <QString>

#include <cstdint>

class DatalinkManager;

// The meta-object code needs these types complete (property and signal types).
Q_MOC_INCLUDE("DatalinkManager.h")

// One device as the program knows it: who it is (type, variant, serial number),
// whether a link to it is active, its firmware version, and the datalink manager
// through which everything reaches it.
//
// The device factory makes a bare OstDevice for every new transport (a pending
// device). Once the board on it has named itself, a board object is made from it:
// the board object takes over the pending device's manager and transports, and the
// pending device is left empty.
class OstDevice : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString versionFirmware READ getFirmwareVersion NOTIFY VersionFirmwareChanged)
    Q_PROPERTY(DatalinkManager *datalinkManager READ getDatalinkManager CONSTANT)
    Q_PROPERTY(QString serialNumber READ serialNumber NOTIFY SerialNumberChanged)
    Q_PROPERTY(QString name READ name NOTIFY NameChanged)
    Q_PROPERTY(DeviceType deviceType READ deviceType NOTIFY DeviceTypeUpdated)
    Q_PROPERTY(
        ostdevice::ExtendedDeviceType extendedDeviceType READ extendedDeviceType NOTIFY ExtendedDeviceTypeUpdated FINAL)
    Q_PROPERTY(bool isConnected READ isConnected WRITE setIsConnected NOTIFY IsConnectedChanged)
    Q_PROPERTY(bool firmwareVerified READ firmwareVerified NOTIFY FirmwareStateReceived)

public:
    // The device type a board names in its heartbeat.
    enum DeviceType {
        None = 0,
        Zelto = 1,
        Wendolix = 2,
    };
    Q_ENUM(DeviceType)

    enum ConnectionStatus {
        NotConnected = 0,
        Pending = 1,
        Connected = 2,
    };
    Q_ENUM(ConnectionStatus)

    static constexpr const char *UnidentifiedSerial = "Identifying...";
    static constexpr const char *UndefinedVersion = "Undefined";

    // A pending device with a manager of its own; parent: the device factory.
    explicit OstDevice(QObject *parent, const LinkTimings &timings = LinkTimings());
    ~OstDevice() override;

    static DeviceType deviceTypeFromHeartbeat(dlComm::Type type);

    // The manager's addDatalink; -1 when the device has no manager (any more).
    int addDatalink(AbstractDataLink *datalink);
    AbstractDataLink *getDatalink(AbstractDataLink::LinkType type) const;
    // Asks the board to make this link the active one.
    void setActiveDatalink(AbstractDataLink::LinkType type);

    QString serialNumber() const { return m_serialNumber; }
    QString name() const { return m_name; }
    DeviceType deviceType() const { return m_deviceType; }
    ostdevice::ExtendedDeviceType extendedDeviceType() const
    {
        return ostdevice::ExtendedDeviceType(m_extendedDeviceType);
    }
    bool isConnected() const { return m_isConnected; }
    bool firmwareVerified() const { return m_firmwareVerified; }
    bool isWifiPending() const { return m_wifiPending; }
    void setWifiPending(bool pending) { m_wifiPending = pending; }
    bool isReconnectAllowed() const { return m_reconnectAllowed; }

public slots:
    QString getFirmwareVersion() const { return m_versionFirmware; }
    void setSerialNumber(QString serialNumber);
    // Asks the factory to remember the current active link for the next identification.
    void addToAutoConnect();
    AbstractDataLink::LinkType getActiveDatalink();
    DatalinkManager *getDatalinkManager() const { return m_datalinkManager; }

signals:
    void DeviceInfoUpdated(OstDevice *self, OstDevice::DeviceType type, AbstractDataLink::LinkType linkType);
    void DeviceTypeUpdated(OstDevice::DeviceType type);
    void ExtendedDeviceTypeUpdated(ostdevice::ExtendedDeviceType type);
    void SerialNumberChanged(QString serialNumber);
    void NameChanged(QString name);
    void IsConnectedChanged(bool isConnected);
    void RequestDeleteSelf(OstDevice *self);
    void RemoveUsbHandle(QString SerialNumber); // declared; nothing emits it
    void VersionFirmwareChanged(QString version);
    void FirmwareStateReceived(bool verified, QString version, int timeoutBootTime, int remainingTime);
    void AddToAutoConnectSignal(OstDevice *self, AbstractDataLink::LinkType linkType);
    void FocusOnThisDevice(OstDevice *self);
    void DeviceConnectStateUpdated(OstDevice *self, bool isConnected);

protected slots:
    void setDeviceFocussed();
    void deleteSelf();

private slots:
    void setDeviceInfo(QString serialNumber, dlComm::Type type, AbstractDataLink::LinkType linkType,
                       int32_t extDevType);
    void deviceNotAvailable();
    void setIsConnected(bool isConnected);
    void DeleteSelf();
    void handleActiveLinkTypeChanged(AbstractDataLink::LinkType type);

protected:
    // Takes over an identified pending device: its identity, its manager and with it
    // the manager's transports. Every tie of the pending device to its manager and to
    // its listeners is cut, so the empty shell reacts to nothing any more.
    explicit OstDevice(OstDevice &pending);

    void setName(const QString &name);
    // Stores both and announces the version.
    void setFirmwareState(bool verified, const QString &version);
    // The user disconnected the board: a lost link is not reconnected.
    void forbidReconnect() { m_reconnectAllowed = false; }

private:
    void connectManager();

    bool m_wifiPending = false;
    bool m_reconnectAllowed = true;
    bool m_firmwareVerified = false;
    bool m_isConnected = false;
    DeviceType m_deviceType = None;
    int32_t m_extendedDeviceType = ostdevice::ReadError;
    QString m_versionFirmware = QString::fromLatin1(UndefinedVersion);
    QString m_serialNumber = QString::fromLatin1(UnidentifiedSerial);
    QString m_name;
    DatalinkManager *m_datalinkManager = nullptr;
};
