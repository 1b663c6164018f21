#pragma once

#include "BoardChannel.h"
#include "BoardSettings.h"

#include <QByteArray>
#include <QHash>
#include <QList>

class QTimer;

// One link message the host sent, as the board received it.
struct HostLinkMessage
{
    BoardLinkType linkType = BoardLinkType::None;
    uint16_t type = 0;
    QByteArray message;
    bool reliable = true;
    qint64 atMs = 0;
};

// The board's side of the link protocol on channel 0: it answers the device
// information request with a heartbeat, sends heartbeats on every link the host has
// spoken on, accepts or refuses set-active requests, and answers version and key
// requests on the link (and path) they came by.
class BoardLinkProtocol : public BoardChannel
{
    Q_OBJECT

public:
    // Message types and sizes as the board knows them.
    enum MessageType : uint16_t { Heartbeat = 0, SetActive = 1, Version = 2, Keys = 3 };
    static constexpr int HeaderSize = 12;
    static constexpr int HeartbeatSize = 56;
    static constexpr int DeviceInfoRequestSize = 68;
    static constexpr int SetActiveSize = 48;
    static constexpr int KeysSize = 60;

    explicit BoardLinkProtocol(BoardSimulator *board);

    void handleMessage(BoardLink *link, const QByteArray &payload, bool reliable) override;
    void linkDetached(BoardLink *link) override;

    BoardLinkType activeLink() const { return m_activeLink; }
    // The host id from the last set-active request (32 bytes), empty before one.
    const QByteArray &hostId() const { return m_hostId; }
    const QList<HostLinkMessage> &hostMessages() const { return m_hostMessages; }
    int rejectedMessages() const { return m_rejected; }

    // The messages the board sends, built from the current settings.
    QByteArray heartbeat(BoardLinkType sentOn) const;
    QByteArray setActiveReply(uint16_t linkType, bool accepted) const;
    QByteArray versionReply() const;
    QByteArray keysReply() const;

    // Sends a heartbeat on every link the host has spoken on (what the timers do).
    void sendHeartbeats();

signals:
    void hostMessageReceived(HostLinkMessage message);
    void hostMessageRejected(QString reason);
    void activeLinkChanged(BoardLinkType linkType);

private:
    QByteArray header(uint16_t type, int size) const;
    static void seal(QByteArray &message);
    bool isValid(const QByteArray &payload, QString *reason) const;
    void startHeartbeats(BoardLink *link);
    void handleSetActive(BoardLink *link, const QByteArray &message, bool reliable);

    BoardLinkType m_activeLink = BoardLinkType::None;
    QByteArray m_hostId;
    QHash<BoardLink *, QTimer *> m_heartbeatTimers;
    QList<HostLinkMessage> m_hostMessages;
    int m_rejected = 0;
};
