#pragma once

#include "AbstractDataLink.h"
#include "DatalinkTypes.h"
#include "LinkTimings.h"

#include <QByteArray>
#include <QObject>
#include <QString>

class QTimer;

// The link protocol on channel 0: heartbeats both ways with a watchdog on the
// board's, the device-information request, the choice of the active link and the
// datagram keys. It hands its messages to the datalink manager through Write (over
// the active link) and WriteDirect (over a named link).
class DatalinkCommChannel : public QObject
{
    Q_OBJECT

public:
    static constexpr qsizetype HostIdLength = 32;

    // hostId: the identity of this program towards the board; its first 31 bytes are
    // used and the 32nd is always zero.
    explicit DatalinkCommChannel(const QByteArray &hostId, QObject *parent = nullptr,
                                 const LinkTimings &timings = LinkTimings());

    // Builds a message of header and payload (version 0) and emits it over linkType,
    // or over the active link when linkType is None.
    void sendMessage(uint16_t type, uint8_t flag, const QByteArray &payload, AbstractDataLink::LinkType linkType);
    // Appends the 12-byte datalink version request; the Wi-Fi datalink probes its
    // datagram path with it.
    static void appendVersionRequest(QByteArray &buffer);

    const QByteArray &hostId() const { return m_hostId; }
    // The complete host heartbeat message, built once.
    const QByteArray &heartbeat() const { return m_heartbeat; }
    // -1 until the first valid message arrived, then that message's version.
    int32_t datalinkVersion() const { return m_datalinkVersion; }
    bool isWatchdogRunning() const;

public slots:
    void dataReady(uint16_t channel, QByteArray packet);
    // Sends a heartbeat now and then every interval, and (re)starts the watchdog.
    void startHeartbeat();
    // Ends the watchdog; the heartbeat itself keeps going out.
    void stopHeartbeat();
    // Gives a running watchdog this long until the next board heartbeat.
    void restartWatchdog(std::chrono::milliseconds interval);
    void requestDeviceInfo(AbstractDataLink::LinkType linkType);
    void setInterface(AbstractDataLink::LinkType newLinkType, bool noActiveConnection = false);
    void getAesKey();

signals:
    void Write(DatalinkChannelId channel, bool isReliable, QByteArray packet);
    void WriteDirect(DatalinkChannelId channel, bool isReliable, QByteArray packet,
                     AbstractDataLink::LinkType linkType);
    void DatalinkVersionReceived(uint16_t dlVersion);
    void HeartbeatReceived(QString serialNumber, dlComm::Type type, bool activeInterface,
                           AbstractDataLink::LinkType linkType, int32_t extDevType);
    void SetActiveDatalinkReceived(AbstractDataLink::LinkType linkType, bool accepted);
    void UdpAESKeysReceived(QByteArray key, QByteArray iv);
    void HeartbeatWatchdogTimeout();
    void unsupportedDeviceConnected(QString msg);

private slots:
    void generateHeartbeat();
    void missedHeartBeat();

private:
    static uint32_t getCRC(const QByteArray &message);
    static void sealMessage(QByteArray &message);
    // Checks channel, size, checksum and the length the type needs; logs and returns
    // false for a message that must be dropped.
    bool isAcceptable(uint16_t channel, const QByteArray &packet) const;
    void handleHeartbeat(const QByteArray &packet);
    QByteArray buildHeartbeat() const;

    const bool m_isReliable = true;
    QByteArray m_hostId;
    int32_t m_datalinkVersion = -1;
    QByteArray m_heartbeat;
    QTimer *m_watchdog = nullptr;
    QTimer *m_heartbeatTimer = nullptr;
    LinkTimings m_timings;
};
