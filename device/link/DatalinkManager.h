#pragma once

#include "AbstractDataLink.h"
#include "DatalinkTypes.h"
#include "LinkTimings.h"

#include <QByteArray>
#include <QObject>
#include <QString>

class DatalinkCommChannel;
class QTimer;

// The single door between one device's channel services and its transports: write
// is the only way out for a service payload, DataReady the only way in. It holds at
// most one USB and one Wi-Fi datalink, asks a board that comes up who it is, asks it
// to make a link the active one (the board's answer decides), keeps the heartbeat
// going and reports a board that is lost.
class DatalinkManager : public QObject
{
    Q_OBJECT
    Q_PROPERTY(AbstractDataLink::LinkType activeLinkType READ activeLinkType NOTIFY activeLinkTypeChanged)
    Q_PROPERTY(AbstractDataLink::DatalinkState usbLinkState READ usbLinkState NOTIFY usbLinkStateChanged)
    Q_PROPERTY(AbstractDataLink::DatalinkState wifiLinkState READ wifiLinkState NOTIFY wifiLinkStateChanged)
    Q_PROPERTY(AbstractDataLink::DatalinkState btLinkState READ btLinkState NOTIFY btLinkStateChanged)

public:
    // parent: the device object that owns this manager.
    explicit DatalinkManager(QObject *parent = nullptr, const LinkTimings &timings = LinkTimings());

    AbstractDataLink::LinkType activeLinkType() const { return m_activeLinkType; }
    AbstractDataLink::DatalinkState usbLinkState() const;
    AbstractDataLink::DatalinkState wifiLinkState() const;
    AbstractDataLink::DatalinkState btLinkState() const { return AbstractDataLink::NotAvailable; }

    DatalinkCommChannel *commChannel() const { return m_commChannel; }
    uint16_t datalinkVersion() const { return m_datalinkVersion; }
    bool isDeviceInfoReported() const { return m_deviceInfoReported; }

    // 32 random characters from the space to "}", drawn from a securely seeded generator.
    static QByteArray generateHostId();

public slots:
    // Adopts a datalink; -1 when one of its type is held already.
    int addDatalink(AbstractDataLink *datalink);
    AbstractDataLink *getDatalink(AbstractDataLink::LinkType type) const;
    int removeDatalink(AbstractDataLink::LinkType type);
    // Asks the board to make linkType the active link; only its answer changes it.
    void setActiveDatalinkConnection(AbstractDataLink::LinkType linkType);
    // Sends a service payload over the active link.
    void write(DatalinkChannelId channel, bool isReliable, QByteArray buffer);

signals:
    void DataReady(uint16_t channel, QByteArray packet);
    void activeLinkTypeChanged(AbstractDataLink::LinkType linkType);
    void deviceInfoReceived(QString serial, dlComm::Type type, AbstractDataLink::LinkType linktype, int32_t extDevType);
    void isConnected(bool connected);
    void deviceNotAvailable();
    void DisconnectDatalinkSignal();
    void wifiConnectionCompleted();
    void usbLinkStateChanged(AbstractDataLink::DatalinkState state);
    void wifiLinkStateChanged(AbstractDataLink::DatalinkState state);
    void btLinkStateChanged(AbstractDataLink::DatalinkState state);

private slots:
    void datalinkDeleted(QObject *obj);
    void writeToLink(DatalinkChannelId channel, bool isReliable, QByteArray buffer,
                     AbstractDataLink::LinkType linkType = AbstractDataLink::None);
    void handleDatalinkState(AbstractDataLink::LinkType type, AbstractDataLink::DatalinkState state);
    void handleDatalinkVersionReceived(uint16_t dlVersion);
    void handleHeartbeatReceived(QString serialNumber, dlComm::Type type, bool activeInterface,
                                 AbstractDataLink::LinkType linkType, int32_t extDevType);
    void handleSetActiveDatalinkReceived(AbstractDataLink::LinkType linkType, bool accepted);
    void handleHeartbeatWatchdogTimeout();
    void initDeviceTimeout();
    void onUnsupportedDeviceConnected(QString msg);

private:
    void connectDatalink(AbstractDataLink *datalink);
    void connectWifiKeyExchange(AbstractDataLink *wifiLink);
    void setWifiSelfTimeout(bool enabled);
    void discardDeviceInitTimer();
    void emitLinkState(AbstractDataLink::LinkType type, AbstractDataLink::DatalinkState state);

    DatalinkCommChannel *m_commChannel = nullptr;
    AbstractDataLink::LinkType m_activeLinkType = AbstractDataLink::None;
    AbstractDataLink::LinkType m_pendingLinkType = AbstractDataLink::None;
    AbstractDataLink *m_usbLink = nullptr;
    AbstractDataLink *m_wifiLink = nullptr;
    uint16_t m_datalinkVersion = 0;
    QTimer *m_deviceInitTimer = nullptr;
    bool m_deviceInfoReported = false;
    bool m_unsupportedDeviceReported = false;
    LinkTimings m_timings;
};
