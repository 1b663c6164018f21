#include "BoardChannel.h"

#include "BoardSimulator.h"

BoardChannel::BoardChannel(BoardSimulator *board, uint16_t number)
    : QObject(board)
    , m_board(board)
    , m_number(number)
{
}

void BoardChannel::send(BoardLink *link, const QByteArray &payload, bool reliable)
{
    m_board->send(link, m_number, payload, reliable);
}
