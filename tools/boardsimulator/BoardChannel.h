#pragma once

#include <QByteArray>
#include <QObject>

#include <cstdint>

class BoardLink;
class BoardSimulator;

// One channel of the board's packet link: it takes the host's messages on its
// channel number and answers through the board, which applies the failure modes.
class BoardChannel : public QObject
{
    Q_OBJECT

public:
    BoardChannel(BoardSimulator *board, uint16_t number);

    uint16_t number() const { return m_number; }
    BoardSimulator *board() const { return m_board; }

    virtual void handleMessage(BoardLink *link, const QByteArray &payload, bool reliable) = 0;
    virtual void linkAttached(BoardLink *) {}
    virtual void linkDetached(BoardLink *) {}

protected:
    void send(BoardLink *link, const QByteArray &payload, bool reliable);

private:
    BoardSimulator *m_board;
    const uint16_t m_number;
};
