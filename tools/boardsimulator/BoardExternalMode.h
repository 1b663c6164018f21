#pragma once

#include "BoardChannel.h"

#include <QByteArray>
#include <QList>

// The board's external-mode channel 5, where the model on the board talks with
// Simulink's external-mode client. The simulator echoes every payload back, or
// plays a script: each payload from the host is answered with the next reply of
// the script, and once the script is used up nothing more is sent.
class BoardExternalMode : public BoardChannel
{
    Q_OBJECT

public:
    static constexpr uint16_t Number = 5;
    static constexpr qsizetype MaxPayload = 1018;

    explicit BoardExternalMode(BoardSimulator *board);

    void handleMessage(BoardLink *link, const QByteArray &payload, bool reliable) override;

    // Replaces echoing by the replies given; an empty script echoes again.
    void setScript(const QList<QByteArray> &replies);
    bool isEchoing() const { return !m_scripted; }
    // Sends bytes to the host unasked, in payloads of at most MaxPayload bytes.
    void sendToHost(BoardLink *link, const QByteArray &bytes);

    // Everything the host sent on the channel, joined.
    const QByteArray &received() const { return m_received; }
    int payloadsReceived() const { return m_payloads; }

private:
    bool m_scripted = false;
    QList<QByteArray> m_script;
    QByteArray m_received;
    int m_payloads = 0;
};
