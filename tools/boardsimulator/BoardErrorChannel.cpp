#include "BoardErrorChannel.h"

#include "BoardSimulator.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcBoardErrorChannel, "BoardSimulator.ErrorChannel")

namespace {
constexpr uint8_t kSetLevel = 0;
constexpr uint8_t kGetLevel = 1;
} // namespace

BoardErrorChannel::BoardErrorChannel(BoardSimulator *board)
    : BoardChannel(board, 6)
{
}

QByteArray BoardErrorChannel::packet(uint8_t level, uint8_t flags, const QByteArray &text)
{
    QByteArray bytes(4, '\0');
    bytes[0] = char(level);
    bytes[1] = char(flags);
    bytes[2] = char(text.size() & 0xFF);
    bytes[3] = char((text.size() >> 8) & 0xFF);
    return bytes + text;
}

void BoardErrorChannel::handleMessage(BoardLink *link, const QByteArray &payload, bool)
{
    m_requests.append(payload);
    emit requestReceived(payload);
    if (payload.size() != RequestSize) {
        qCWarning(lcBoardErrorChannel) << "Malformed error channel request" << payload.toHex();
        return;
    }
    const auto type = uint8_t(payload[0]);
    if (type == kSetLevel)
        m_logLevel = uint8_t(payload[4]);
    else if (type != kGetLevel)
        return;
    if (silent)
        return;
    QByteArray reply = packet(m_logLevel, LevelReply, QByteArray());
    if (wrongSize)
        reply[2] = char(1);
    send(link, reply, true);
}

void BoardErrorChannel::pushMessage(uint8_t level, uint8_t flags, const QByteArray &text)
{
    pushRaw(packet(level, flags, text));
}

void BoardErrorChannel::pushRaw(const QByteArray &bytes)
{
    for (BoardLink *link : board()->links())
        send(link, bytes, true);
}
