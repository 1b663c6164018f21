#pragma once

#include "AbstractDataLink.h"
#include "OstDevice.h"
#include "OstFactorySettings.h"
#include "WifiDatalink.h"
#include "Zelto.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

class UsbDiscovery;

// The program's single source of devices. Every new transport (a USB board found on
// the bus, a Wi-Fi connection attempt that succeeded) becomes a pending device; once
// the board on it has named itself, its transport is either coupled to the known
// board with the same serial number or the pending device becomes a new board object,
// whose link may be made active at once (auto-connect). The factory keeps the list of
// boards and the selected one, and tells the rest of the program which board is
// selected, which is active (selected and connected), and when boards connect,
// disconnect or go away. A board that goes away is destroyed once everybody has been
// told, releasing its transports and its ports.
class OstFactory : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QList<Zelto *> _deviceList READ deviceList NOTIFY DeviceListChanged)
    Q_PROPERTY(OstDevice *selectedDevice READ selectedDevice WRITE setSelectedDevice NOTIFY SelectedDeviceChanged)
    Q_PROPERTY(bool autoConnectState READ getAutoConnectState NOTIFY AutoConnectStateChanged)
    Q_PROPERTY(bool connectionAttempt READ connectionAttempt WRITE setConnectionAttempt NOTIFY ConnectionAttemptChanged)
    Q_PROPERTY(QString connectionAttemptAddress READ connectionAttemptAddress WRITE setConnectionAttemptAddress NOTIFY
                   ConnectionAttemptAddressChanged)

public:
    explicit OstFactory(QObject *parent = nullptr, const OstFactorySettings &settings = OstFactorySettings());
    ~OstFactory() override;

    const QList<Zelto *> &deviceList() const { return m_deviceList; }
    OstDevice *selectedDevice() const { return m_selectedDevice; }
    bool connectionAttempt() const { return m_connectionAttempt; }
    void setConnectionAttempt(bool attempt);
    QString connectionAttemptAddress() const { return m_connectionAttemptAddress; }
    void setConnectionAttemptAddress(const QString &address);
    const QList<OstDevice *> &pendingDevices() const { return m_pendingDevices; }
    WifiDatalink *attempt() const { return m_attempt; }
    bool isReconnectWaiting() const { return m_reconnectTimer.isActive(); }
    const OstFactorySettings &settings() const { return m_settings; }
    UsbDiscovery *usbDiscovery() const { return m_usbDiscovery; }

    // A new transport becomes a pending device, whose manager asks the board who it is.
    OstDevice *createPendingDevice(AbstractDataLink *datalink);

public slots:
    void removeDevice(OstDevice *dev);
    void setSelectedDevice(OstDevice *device);
    void ostDeviceConnectedCallback(OstDevice *ostDevice, OstDevice::DeviceType type,
                                    AbstractDataLink::LinkType linkType);
    void connectionAttemptCompleted();
    void connectionAttemptFailed();
    void connectionAttemptStateChanged(AbstractDataLink::LinkType type, AbstractDataLink::DatalinkState state);

    // Connects to a board at this address (IPv4 or IPv6) over Wi-Fi, and keeps
    // trying until it succeeds or is cancelled. Text that is no address is refused.
    Q_INVOKABLE void insertNetworkOstDevice(QString hostAdress);
    Q_INVOKABLE void cancelConnectionAttempt();
    Q_INVOKABLE void autoConnectUpdated(bool checked);

signals:
    void DeviceListChanged(QList<Zelto *> list);
    void SelectedDeviceChanged(const OstDevice *dev);
    // The selected board while it is connected, else null.
    void ActiveDeviceChanged(const OstDevice *dev);
    void AutoConnectStateChanged(bool state);
    void ostDeviceConnected(const OstDevice *dev, bool isConnected);
    void wifiConnectionEstablished();
    void TempUploadFirmware(QString fw);
    void ConnectionAttemptChanged(bool state);
    void ConnectionAttemptAddressChanged();

private slots:
    void deviceConnectionChanged(OstDevice *dev, bool isConnected);
    void addToAutoConnect(OstDevice *device, AbstractDataLink::LinkType linkType);
    bool getAutoConnectState() const { return m_autoConnectState; }
    void promoteToWIFIOstDevice(WifiDatalink *datalink);
    void handleReconnectTimerTimeOut();

private:
    Zelto *adopt(OstDevice *pending);
    void disconnectAttempt();
    void dropAttempt();
    bool removeFromPending(OstDevice *device);
    bool takeAutoConnect(const QString &serial, AbstractDataLink::LinkType linkType);
    QString reconnectAddress(OstDevice *dev) const;
    void emitActiveDevice();

    const OstFactorySettings m_settings;
    UsbDiscovery *m_usbDiscovery = nullptr;
    QList<Zelto *> m_deviceList;
    OstDevice *m_selectedDevice = nullptr;
    QPointer<WifiDatalink> m_attempt;
    QTimer m_reconnectTimer;
    bool m_connectionAttempt = false;
    QString m_connectionAttemptAddress;
    QList<OstDevice *> m_devices;
    QList<OstDevice *> m_pendingDevices;
    QHash<QString, AbstractDataLink::LinkType> m_autoConnectTable;
    bool m_autoConnectState = true;
};
