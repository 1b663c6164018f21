#pragma once

#include "BoardFrame.h"
#include "BoardSettings.h"

#include <QByteArray>
#include <QObject>

class BoardSimulator;

// One connection between the board and the host, as a transport offers it: a
// reliable byte stream (USB bulk transfers, the TCP stream) and, on Wi-Fi, datagrams.
// Transports feed what the host sent into the receive slots and carry sendToHost back.
class BoardLink : public QObject
{
    Q_OBJECT

public:
    BoardLink(BoardSimulator *board, BoardLinkType type);

    BoardLinkType type() const { return m_type; }
    BoardSimulator *board() const { return m_board; }
    qsizetype skippedBytes() const { return m_stream.skippedBytes() + m_datagramSkipped; }

public slots:
    void receiveStream(const QByteArray &bytes);
    // One datagram holds whole frames; nothing carries over to the next one.
    void receiveDatagram(const QByteArray &datagram);

signals:
    void sendToHost(QByteArray bytes, bool reliable);

private:
    void dispatch(const QList<BoardFrame> &frames, bool reliable);

    BoardSimulator *m_board;
    const BoardLinkType m_type;
    BoardFrameReader m_stream;
    qsizetype m_datagramSkipped = 0;
};
