#include "BoardExternalMode.h"

BoardExternalMode::BoardExternalMode(BoardSimulator *board)
    : BoardChannel(board, Number)
{
}

void BoardExternalMode::setScript(const QList<QByteArray> &replies)
{
    m_script = replies;
    m_scripted = !replies.isEmpty();
}

void BoardExternalMode::handleMessage(BoardLink *link, const QByteArray &payload, bool)
{
    m_received.append(payload);
    ++m_payloads;
    if (!m_scripted)
        sendToHost(link, payload);
    else if (!m_script.isEmpty())
        sendToHost(link, m_script.takeFirst());
}

void BoardExternalMode::sendToHost(BoardLink *link, const QByteArray &bytes)
{
    for (qsizetype offset = 0; offset < bytes.size(); offset += MaxPayload)
        send(link, bytes.mid(offset, MaxPayload), true);
}
