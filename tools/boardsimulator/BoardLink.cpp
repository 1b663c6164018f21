#include "BoardLink.h"

#include "BoardSimulator.h"

BoardLink::BoardLink(BoardSimulator *board, BoardLinkType type)
    : QObject(board)
    , m_board(board)
    , m_type(type)
{
}

void BoardLink::receiveStream(const QByteArray &bytes)
{
    dispatch(m_stream.feed(bytes), true);
}

void BoardLink::receiveDatagram(const QByteArray &datagram)
{
    BoardFrameReader reader;
    dispatch(reader.feed(datagram), false);
    m_datagramSkipped += reader.skippedBytes() + reader.pendingBytes();
}

void BoardLink::dispatch(const QList<BoardFrame> &frames, bool reliable)
{
    for (const BoardFrame &frame : frames) {
        // A channel may detach this link while it handles a frame.
        if (!m_board->links().contains(this))
            return;
        m_board->handleFrame(this, frame, reliable);
    }
}
