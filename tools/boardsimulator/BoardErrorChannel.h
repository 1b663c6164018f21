#pragma once

#include "BoardChannel.h"

#include <QByteArray>
#include <QList>

// The board's message service on channel 6: it answers the host's log-level
// requests with a level reply, and pushes the board's text messages, with whatever
// flags a test asks for.
class BoardErrorChannel : public BoardChannel
{
    Q_OBJECT

public:
    enum Flag : uint8_t {
        Kernel = 0x01,
        LevelReply = 0x02,
        Part = 0x04,
        LastPart = 0x08,
        Overflow = 0x10,
    };
    static constexpr int RequestSize = 8;

    explicit BoardErrorChannel(BoardSimulator *board);

    uint8_t logLevel() const { return m_logLevel; }
    const QList<QByteArray> &requests() const { return m_requests; }

    // Failure modes of the level reply.
    bool silent = false;    // no level reply
    bool wrongSize = false; // the reply declares one text byte more than it carries

    void handleMessage(BoardLink *link, const QByteArray &payload, bool reliable) override;

    // A packet as the board builds it: level, flags, text length, text.
    static QByteArray packet(uint8_t level, uint8_t flags, const QByteArray &text);
    // Sends a message on every link.
    void pushMessage(uint8_t level, uint8_t flags, const QByteArray &text);
    // Sends any bytes as one packet on every link.
    void pushRaw(const QByteArray &packet);

signals:
    void requestReceived(QByteArray request);

private:
    uint8_t m_logLevel = 0;
    QList<QByteArray> m_requests;
};
