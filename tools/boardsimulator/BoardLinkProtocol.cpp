#include "BoardLinkProtocol.h"

#include "BoardCrc.h"
#include "BoardLink.h"
#include "BoardSimulator.h"

#include <QLoggingCategory>
#include <QTimer>

Q_LOGGING_CATEGORY(lcBoardLinkProtocol, "BoardSimulator.LinkProtocol")

namespace {

uint16_t u16At(const QByteArray &bytes, int offset)
{
    return uint16_t(uint8_t(bytes[offset]) | (uint8_t(bytes[offset + 1]) << 8));
}

uint32_t u32At(const QByteArray &bytes, int offset)
{
    return uint32_t(u16At(bytes, offset)) | (uint32_t(u16At(bytes, offset + 2)) << 16);
}

void setU16(QByteArray &bytes, int offset, uint16_t value)
{
    bytes[offset] = char(value & 0xFF);
    bytes[offset + 1] = char(value >> 8);
}

void setU32(QByteArray &bytes, int offset, uint32_t value)
{
    setU16(bytes, offset, uint16_t(value & 0xFFFF));
    setU16(bytes, offset + 2, uint16_t(value >> 16));
}

} // namespace

BoardLinkProtocol::BoardLinkProtocol(BoardSimulator *board)
    : BoardChannel(board, 0)
{
}

QByteArray BoardLinkProtocol::header(uint16_t type, int size) const
{
    QByteArray message(size, '\0');
    setU16(message, 4, type);
    setU16(message, 6, uint16_t(size));
    setU16(message, 10, board()->settings().datalinkVersion);
    return message;
}

void BoardLinkProtocol::seal(QByteArray &message)
{
    setU32(message, 0, boardCrc32(QByteArrayView(message).sliced(4)));
}

QByteArray BoardLinkProtocol::heartbeat(BoardLinkType sentOn) const
{
    const BoardSettings &settings = board()->settings();
    QByteArray message = header(Heartbeat, HeartbeatSize);
    setU16(message, 14, settings.deviceType);
    // Before any link is active the board names the link it speaks on, as not
    // active; afterwards it names the active one.
    const bool anyActive = m_activeLink != BoardLinkType::None;
    message[17] = char(anyActive && !settings.reportActiveLinkInactive ? 1 : 0);
    setU16(message, 18, uint16_t(anyActive ? m_activeLink : sentOn));
    const QByteArray serial = settings.serialNumber.left(31);
    message.replace(20, int(serial.size()), serial);
    setU32(message, 52, uint32_t(settings.extendedDeviceType));
    seal(message);
    return message;
}

QByteArray BoardLinkProtocol::setActiveReply(uint16_t linkType, bool accepted) const
{
    QByteArray message = header(SetActive, SetActiveSize);
    setU16(message, 44, linkType);
    message[46] = char(accepted ? 1 : 0);
    seal(message);
    return message;
}

QByteArray BoardLinkProtocol::versionReply() const
{
    QByteArray message = header(Version, HeaderSize);
    seal(message);
    return message;
}

QByteArray BoardLinkProtocol::keysReply() const
{
    const BoardSettings &settings = board()->settings();
    QByteArray message = header(Keys, KeysSize);
    message.replace(12, 32, settings.datagramKey.leftJustified(32, '\0', true));
    message.replace(44, 16, settings.datagramIv.leftJustified(16, '\0', true));
    seal(message);
    return message;
}

bool BoardLinkProtocol::isValid(const QByteArray &payload, QString *reason) const
{
    if (payload.size() < HeaderSize) {
        *reason = QStringLiteral("shorter than the header");
        return false;
    }
    if (u16At(payload, 6) != payload.size()) {
        *reason = QStringLiteral("size field %1 for %2 bytes").arg(u16At(payload, 6)).arg(payload.size());
        return false;
    }
    if (u32At(payload, 0) != boardCrc32(QByteArrayView(payload).sliced(4))) {
        *reason = QStringLiteral("wrong checksum");
        return false;
    }
    const uint16_t type = u16At(payload, 4);
    const int needed = type == Heartbeat ? HeartbeatSize : type == SetActive ? SetActiveSize : HeaderSize;
    if (payload.size() < needed) {
        *reason = QStringLiteral("type %1 with only %2 bytes").arg(type).arg(payload.size());
        return false;
    }
    return true;
}

void BoardLinkProtocol::handleMessage(BoardLink *link, const QByteArray &payload, bool reliable)
{
    QString reason;
    if (!isValid(payload, &reason)) {
        ++m_rejected;
        qCDebug(lcBoardLinkProtocol) << "Rejected a host message:" << reason;
        emit hostMessageRejected(reason);
        return;
    }

    const HostLinkMessage received{link->type(), u16At(payload, 4), payload, reliable, board()->elapsedMs()};
    m_hostMessages.append(received);
    emit hostMessageReceived(received);
    startHeartbeats(link);

    switch (received.type) {
    case Heartbeat:
        if (payload.size() >= DeviceInfoRequestSize)
            send(link, heartbeat(link->type()), reliable);
        break;
    case SetActive:
        handleSetActive(link, payload, reliable);
        break;
    case Version:
        send(link, versionReply(), reliable);
        break;
    case Keys:
        send(link, keysReply(), reliable);
        break;
    default:
        break;
    }
}

void BoardLinkProtocol::handleSetActive(BoardLink *link, const QByteArray &message, bool reliable)
{
    m_hostId = message.mid(12, 32);
    const uint16_t requested = u16At(message, 44);

    bool known = requested == uint16_t(BoardLinkType::None);
    for (BoardLink *candidate : board()->links())
        known = known || uint16_t(candidate->type()) == requested;

    const bool accepted = known && !board()->settings().refuseActivation;
    if (accepted && BoardLinkType(requested) != m_activeLink) {
        m_activeLink = BoardLinkType(requested);
        emit activeLinkChanged(m_activeLink);
    }
    send(link, setActiveReply(requested, accepted), reliable);
}

void BoardLinkProtocol::startHeartbeats(BoardLink *link)
{
    if (m_heartbeatTimers.contains(link))
        return;
    auto *timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [this, link] { send(link, heartbeat(link->type()), true); });
    timer->start(board()->settings().heartbeatInterval);
    m_heartbeatTimers.insert(link, timer);
}

void BoardLinkProtocol::sendHeartbeats()
{
    for (auto it = m_heartbeatTimers.cbegin(); it != m_heartbeatTimers.cend(); ++it)
        send(it.key(), heartbeat(it.key()->type()), true);
}

void BoardLinkProtocol::linkDetached(BoardLink *link)
{
    if (QTimer *timer = m_heartbeatTimers.take(link)) {
        timer->stop();
        timer->deleteLater();
    }
    if (m_activeLink == link->type()) {
        bool stillThere = false;
        for (BoardLink *other : board()->links())
            stillThere = stillThere || other->type() == link->type();
        if (!stillThere) {
            m_activeLink = BoardLinkType::None;
            emit activeLinkChanged(m_activeLink);
        }
    }
}
