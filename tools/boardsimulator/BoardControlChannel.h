#pragma once

#include "BoardChannel.h"
#include "BoardControlState.h"

#include <QByteArray>
#include <QList>

// One control message the host sent, as the board received it.
struct HostControlRequest
{
    uint16_t command = 0;
    QByteArray payload;
};

// The board's command service on channel 1. Each request is answered with the same
// command, response 2 and the record asked for, from its state; requests that set
// something change the state. Start and stop change the application's status; the
// factory setters check their records. Faults per command make a reply fail.
class BoardControlChannel : public BoardChannel
{
    Q_OBJECT

public:
    enum Response : uint8_t { Success = 2, NoData = 3, Error = 4 };

    static constexpr int HeaderSize = 5;
    static constexpr uint32_t Marker = 0x0013BA38;
    static constexpr uint32_t FuseKeyMarker = 0xBB40E64D;

    explicit BoardControlChannel(BoardSimulator *board);

    BoardControlState &state() { return m_state; }
    const BoardControlState &state() const { return m_state; }
    const QList<HostControlRequest> &requests() const { return m_requests; }
    int rejectedMessages() const { return m_rejected; }

    void handleMessage(BoardLink *link, const QByteArray &payload, bool reliable) override;

    // A control message built by the board's rules, for replies and for tests.
    static QByteArray message(uint16_t command, uint8_t response, const QByteArray &payload = QByteArray());
    // Sends a reply the host did not ask for, on every link, without faults.
    void sendUnsolicited(uint16_t command, uint8_t response, const QByteArray &payload);

signals:
    void requestReceived(uint16_t command, QByteArray payload);

private:
    struct Reply
    {
        uint8_t response = Success;
        QByteArray payload;
        bool send = true;
    };
    static Reply accepted() { return {Success, QByteArray(), true}; }
    static Reply refused() { return {Error, QByteArray(), true}; }

    Reply answer(uint16_t command, const QByteArray &payload);
    Reply answerFactory(uint16_t command, const QByteArray &payload);
    Reply answerWifi(uint16_t command, const QByteArray &payload);
    Reply answerApplication(uint16_t command, const QByteArray &payload);
    void reply(BoardLink *link, uint16_t command, Reply reply);

    BoardControlState m_state;
    QList<HostControlRequest> m_requests;
    int m_rejected = 0;
};
