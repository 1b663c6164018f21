#pragma once

#include "BoardSettings.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QMap>
#include <QObject>

#include <chrono>

class BoardChannel;
class BoardLink;
class BoardLinkProtocol;
struct BoardFrame;

// The meta-object code needs these types complete (property and signal types).
Q_MOC_INCLUDE("BoardLink.h")

// A controller board as the host sees it over its packet link. It answers each
// channel through a BoardChannel; the link protocol on channel 0 is always there,
// other channels are added as they are needed. Transports attach links to it.
class BoardSimulator : public QObject
{
    Q_OBJECT

public:
    explicit BoardSimulator(const BoardSettings &settings = BoardSettings(), QObject *parent = nullptr);

    BoardSettings &settings() { return m_settings; }
    const BoardSettings &settings() const { return m_settings; }

    // A new connection of the given kind; the board owns it until detachLink.
    BoardLink *attachLink(BoardLinkType type);
    void detachLink(BoardLink *link);
    const QList<BoardLink *> &links() const { return m_links; }

    // Takes over a channel (it is parented to the board); replaces one of the same number.
    void addChannel(BoardChannel *channel);
    BoardChannel *channel(uint16_t number) const { return m_channels.value(number); }
    BoardLinkProtocol *linkProtocol() const { return m_linkProtocol; }

    // Frames a payload and sends it over link, unless the board is silent; applies
    // the frame corruption that is switched on.
    void send(BoardLink *link, uint16_t channel, const QByteArray &payload, bool reliable);
    // Called by the links with each frame the host sent.
    void handleFrame(BoardLink *link, const BoardFrame &frame, bool reliable);

    // Restarts as a board does: every link drops, and for the downtime the board
    // hears and sends nothing; then its transports take connections again.
    void restart(std::chrono::milliseconds downtime);
    bool isRestarting() const { return m_restarting; }

    // Milliseconds since the board was made, for the records of what the host sent.
    qint64 elapsedMs() const { return m_clock.elapsed(); }

signals:
    void frameReceived(BoardLinkType linkType, uint16_t channel, QByteArray payload, bool reliable);
    void frameSent(BoardLinkType linkType, uint16_t channel, QByteArray frame, bool reliable);
    void linkAttached(BoardLink *link);
    void linkDetached(BoardLink *link);
    void restarting();
    void restarted();

private:
    QByteArray corruptPayload(uint16_t channel, QByteArray payload) const;

    BoardSettings m_settings;
    QList<BoardLink *> m_links;
    QMap<uint16_t, BoardChannel *> m_channels;
    BoardLinkProtocol *m_linkProtocol = nullptr;
    QElapsedTimer m_clock;
    bool m_restarting = false;
};
