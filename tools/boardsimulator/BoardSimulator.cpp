#include "BoardSimulator.h"

#include "BoardControlChannel.h"
#include "BoardCrc.h"
#include "BoardErrorChannel.h"
#include "BoardExternalMode.h"
#include "BoardFileService.h"
#include "BoardFrame.h"
#include "BoardLink.h"
#include "BoardLinkProtocol.h"
#include "BoardMonitoringControl.h"
#include "BoardMonitoringData.h"
#include "BoardUpdateService.h"

#include <QLoggingCategory>
#include <QTimer>

Q_LOGGING_CATEGORY(lcBoardSimulator, "BoardSimulator")

BoardSimulator::BoardSimulator(const BoardSettings &settings, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
{
    m_clock.start();
    m_linkProtocol = new BoardLinkProtocol(this);
    addChannel(m_linkProtocol);
    addChannel(new BoardControlChannel(this));
    addChannel(new BoardErrorChannel(this));
    addChannel(new BoardUpdateService(this));
    addChannel(new BoardExternalMode(this));
    addChannel(new BoardFileService(this));
    auto *monitoringData = new BoardMonitoringData(this);
    addChannel(monitoringData);
    addChannel(new BoardMonitoringControl(this, monitoringData));
}

BoardLink *BoardSimulator::attachLink(BoardLinkType type)
{
    auto *link = new BoardLink(this, type);
    m_links.append(link);
    for (BoardChannel *channel : std::as_const(m_channels))
        channel->linkAttached(link);
    emit linkAttached(link);
    return link;
}

void BoardSimulator::detachLink(BoardLink *link)
{
    if (!m_links.removeOne(link))
        return;
    for (BoardChannel *channel : std::as_const(m_channels))
        channel->linkDetached(link);
    emit linkDetached(link);
    link->deleteLater();
}

void BoardSimulator::addChannel(BoardChannel *channel)
{
    if (BoardChannel *previous = m_channels.value(channel->number()); previous && previous != channel)
        previous->deleteLater();
    channel->setParent(this);
    m_channels.insert(channel->number(), channel);
}

void BoardSimulator::restart(std::chrono::milliseconds downtime)
{
    qCDebug(lcBoardSimulator) << "Restarting for" << downtime.count() << "ms";
    m_restarting = true;
    emit restarting();
    for (BoardLink *link : QList<BoardLink *>(m_links))
        detachLink(link);
    QTimer::singleShot(downtime, this, [this] {
        m_restarting = false;
        emit restarted();
    });
}

void BoardSimulator::handleFrame(BoardLink *link, const BoardFrame &frame, bool reliable)
{
    if (m_restarting)
        return;
    emit frameReceived(link->type(), frame.channel, frame.payload, reliable);
    if (BoardChannel *handler = m_channels.value(frame.channel))
        handler->handleMessage(link, frame.payload, reliable);
    else
        qCDebug(lcBoardSimulator) << "No service on channel" << frame.channel;
}

QByteArray BoardSimulator::corruptPayload(uint16_t channel, QByteArray payload) const
{
    if (channel != 0 || payload.size() < 12)
        return payload;
    switch (m_settings.corruption) {
    case FrameCorruption::WrongChecksum:
        payload[0] = char(payload[0] ^ 0x01);
        break;
    case FrameCorruption::TruncatedMessage: {
        // Cut to less than the type needs, keeping size and checksum consistent so
        // that only the length shows the fault.
        payload.truncate(qMax<qsizetype>(12, payload.size() / 2));
        payload[6] = char(payload.size() & 0xFF);
        payload[7] = char(payload.size() >> 8);
        const uint32_t crc = boardCrc32(QByteArrayView(payload).sliced(4));
        for (int i = 0; i < 4; ++i)
            payload[i] = char((crc >> (8 * i)) & 0xFF);
        break;
    }
    default:
        break;
    }
    return payload;
}

void BoardSimulator::send(BoardLink *link, uint16_t channel, const QByteArray &payload, bool reliable)
{
    if (m_settings.silent || m_restarting || !m_links.contains(link))
        return;
    QByteArray frame = BoardFrameCodec::encode(channel, corruptPayload(channel, payload));
    if (m_settings.corruption == FrameCorruption::WrongMagic) {
        frame[0] = char(0xAB);
        frame[1] = char(0xCD);
    } else if (m_settings.corruption == FrameCorruption::OversizeLength) {
        frame[4] = char(1025 & 0xFF);
        frame[5] = char(1025 >> 8);
    }
    emit frameSent(link->type(), channel, frame, reliable);
    emit link->sendToHost(frame, reliable);
}
