#include "DatalinkCommChannel.h"

#include "LinkCrc.h"
#include "LinkMessage.h"

#include <QLoggingCategory>
#include <QTimer>

Q_LOGGING_CATEGORY(lcCommChannel, "Device.DatalinkCommChannel")

using namespace LinkMessage;

namespace {
constexpr DatalinkChannelId kLinkChannel = 0;
constexpr int32_t kNoExtendedType = -1;
} // namespace

DatalinkCommChannel::DatalinkCommChannel(const QByteArray &hostId, QObject *parent, const LinkTimings &timings)
    : QObject(parent)
    , m_hostId(HostIdLength, '\0')
    , m_heartbeatTimer(new QTimer(this))
    , m_timings(timings)
{
    memcpy(m_hostId.data(), hostId.constData(), size_t(qMin(hostId.size(), HostIdLength - 1)));
    connect(m_heartbeatTimer, &QTimer::timeout, this, &DatalinkCommChannel::generateHeartbeat);
    m_heartbeat = buildHeartbeat();
}

QByteArray DatalinkCommChannel::buildHeartbeat() const
{
    QByteArray message(HeartbeatBody::Length, '\0');
    write<uint16_t>(message, HeartbeatBody::DeviceType, 0);
    message[HeartbeatBody::ActiveInterface] = 1;
    write<uint16_t>(message, HeartbeatBody::Interface, AbstractDataLink::None);
    memcpy(message.data() + HeartbeatBody::Identity, m_hostId.constData(), HostIdLength);
    write<int32_t>(message, HeartbeatBody::ExtendedDeviceType, kNoExtendedType);
    write<uint16_t>(message, Header::Type, Heartbeat);
    write<uint16_t>(message, Header::Size, uint16_t(message.size()));
    write<uint16_t>(message, Header::Version, HostVersion);
    write<uint32_t>(message, Header::Crc, getCRC(message));
    return message;
}

uint32_t DatalinkCommChannel::getCRC(const QByteArray &message)
{
    return computeCrc32(0xFFFFFFFFu, message.constData() + Header::CoveredFrom,
                        size_t(message.size() - Header::CoveredFrom));
}

void DatalinkCommChannel::sealMessage(QByteArray &message)
{
    write<uint16_t>(message, Header::Size, uint16_t(message.size()));
    write<uint32_t>(message, Header::Crc, getCRC(message));
}

void DatalinkCommChannel::sendMessage(uint16_t type, uint8_t flag, const QByteArray &payload,
                                      AbstractDataLink::LinkType linkType)
{
    QByteArray message(Header::Length, '\0');
    message.append(payload);
    write<uint16_t>(message, Header::Type, type);
    message[Header::Flag] = char(flag);
    sealMessage(message);

    if (linkType != AbstractDataLink::None)
        emit WriteDirect(kLinkChannel, m_isReliable, message, linkType);
    else
        emit Write(kLinkChannel, m_isReliable, message);
}

void DatalinkCommChannel::appendVersionRequest(QByteArray &buffer)
{
    QByteArray request(Header::Length, '\0');
    write<uint16_t>(request, Header::Type, DatalinkVersion);
    write<uint16_t>(request, Header::Version, HostVersion);
    sealMessage(request);
    buffer.append(request);
}

void DatalinkCommChannel::generateHeartbeat()
{
    emit Write(kLinkChannel, true, m_heartbeat);
}

void DatalinkCommChannel::requestDeviceInfo(AbstractDataLink::LinkType linkType)
{
    sendMessage(Heartbeat, 0, m_heartbeat, linkType);
}

void DatalinkCommChannel::setInterface(AbstractDataLink::LinkType newLinkType, bool noActiveConnection)
{
    QByteArray body(SetActiveBody::Length - Header::Length, '\0');
    memcpy(body.data(), m_hostId.constData(), HostIdLength);
    qToLittleEndian<uint16_t>(newLinkType, body.data() + (SetActiveBody::LinkType - Header::Length));
    sendMessage(SetActiveDatalink, 0, body, noActiveConnection ? newLinkType : AbstractDataLink::None);
}

void DatalinkCommChannel::getAesKey()
{
    sendMessage(DatagramKeys, 0, QByteArray(), AbstractDataLink::WiFi);
}

void DatalinkCommChannel::startHeartbeat()
{
    generateHeartbeat();
    m_heartbeatTimer->start(m_timings.heartbeatInterval);

    stopHeartbeat();
    m_watchdog = new QTimer(this);
    m_watchdog->setSingleShot(true);
    // A coarse timer may fire up to 5% early; a link must not be dropped before its time.
    m_watchdog->setTimerType(Qt::PreciseTimer);
    connect(m_watchdog, &QTimer::timeout, this, &DatalinkCommChannel::missedHeartBeat);
    m_watchdog->start(m_timings.heartbeatWatchdog);
}

void DatalinkCommChannel::stopHeartbeat()
{
    if (!m_watchdog)
        return;
    // Deferred: this may run while the watchdog is emitting its own timeout.
    m_watchdog->stop();
    m_watchdog->disconnect(this);
    m_watchdog->deleteLater();
    m_watchdog = nullptr;
}

void DatalinkCommChannel::restartWatchdog(std::chrono::milliseconds interval)
{
    if (m_watchdog)
        m_watchdog->start(interval);
}

bool DatalinkCommChannel::isWatchdogRunning() const
{
    return m_watchdog && m_watchdog->isActive();
}

void DatalinkCommChannel::missedHeartBeat()
{
    emit HeartbeatWatchdogTimeout();
}

bool DatalinkCommChannel::isAcceptable(uint16_t channel, const QByteArray &packet) const
{
    if (channel != kLinkChannel)
        return false;
    if (packet.size() < Header::Length) {
        qCDebug(lcCommChannel) << "Dropping a link message shorter than its header:" << packet.size() << "bytes";
        return false;
    }
    const uint16_t size = read<uint16_t>(packet, Header::Size);
    if (size != packet.size()) {
        qCDebug(lcCommChannel) << "Dropping a link message whose size field" << size << "disagrees with its length"
                               << packet.size();
        return false;
    }
    if (read<uint32_t>(packet, Header::Crc) != getCRC(packet)) {
        qCDebug(lcCommChannel) << "Dropping a link message with a wrong checksum";
        return false;
    }
    const uint16_t type = read<uint16_t>(packet, Header::Type);
    if (packet.size() < requiredLength(type)) {
        qCDebug(lcCommChannel) << "Dropping a link message of type" << type << "with" << packet.size()
                               << "bytes; it needs" << requiredLength(type);
        return false;
    }
    return true;
}

void DatalinkCommChannel::dataReady(uint16_t channel, QByteArray packet)
{
    if (!isAcceptable(channel, packet))
        return;

    if (m_datalinkVersion == -1) {
        const uint16_t version = read<uint16_t>(packet, Header::Version);
        m_datalinkVersion = version;
        emit DatalinkVersionReceived(version);
    }

    switch (read<uint16_t>(packet, Header::Type)) {
    case Heartbeat:
        handleHeartbeat(packet);
        break;
    case SetActiveDatalink:
        emit SetActiveDatalinkReceived(AbstractDataLink::LinkType(read<uint16_t>(packet, SetActiveBody::LinkType)),
                                       packet.at(SetActiveBody::Accepted) != 0);
        break;
    case DatagramKeys:
        emit UdpAESKeysReceived(packet.mid(KeysBody::Key, KeysBody::KeyLength),
                                packet.mid(KeysBody::Iv, KeysBody::IvLength));
        break;
    default:
        break;
    }
}

void DatalinkCommChannel::handleHeartbeat(const QByteArray &packet)
{
    int32_t extendedType = kNoExtendedType;
    if (m_datalinkVersion == ExtendedTypeVersion) {
        extendedType = read<int32_t>(packet, HeartbeatBody::ExtendedDeviceType);
    } else if (m_datalinkVersion != FirstVersion) {
        emit unsupportedDeviceConnected(tr("Invalid datalink version."));
        return;
    }

    // The serial number ends at its first zero byte, at the latest with the field.
    const char *identity = packet.constData() + HeartbeatBody::Identity;
    const qsizetype identityLength = qstrnlen(identity, HeartbeatBody::IdentityLength);
    emit HeartbeatReceived(QString::fromUtf8(identity, identityLength),
                           read<uint16_t>(packet, HeartbeatBody::DeviceType),
                           packet.at(HeartbeatBody::ActiveInterface) != 0,
                           AbstractDataLink::LinkType(read<uint16_t>(packet, HeartbeatBody::Interface)), extendedType);
    if (m_watchdog)
        m_watchdog->start(m_timings.heartbeatWatchdog);
}
