#pragma once

#include "DatalinkTypes.h"

#include <QByteArray>
#include <QObject>

#include <cstdint>

class DatalinkManager;

// The base of every protocol endpoint on a board's packet link except the link
// protocol itself. A service owns one channel number: it sends its payloads through
// write, and of all the payloads its datalink manager receives it is handed only
// those of its own channel, in dataReady. The two connections made at construction
// are its only tie to the manager.
//
// A payload travels in a single frame, so it must not exceed
// PacketFrame::MaxPayloadSize (1018 bytes); a service with more to send splits it.
class AbstractService : public QObject
{
    Q_OBJECT

public:
    // parent: the board object that created the service. manager may be null for a
    // service that is not attached to a board (nothing is then sent or received).
    AbstractService(QObject *parent, DatalinkChannelId channel, bool isReliable, DatalinkManager *manager);

    DatalinkChannelId channel() const { return m_channel; }
    bool isReliable() const { return m_isReliable; }

signals:
    void write(DatalinkChannelId channel, bool isReliable, QByteArray packet);
    void finished();

protected slots:
    // The channel filter: every payload of the board passes here.
    void packetReady(uint16_t channel, QByteArray packet);

    // One whole payload of this service's channel.
    virtual void dataReady(QByteArray packet) = 0;
    virtual void start() = 0;
    virtual void pause() = 0;
    virtual void initialize() = 0;

protected:
    // Emits write with this service's channel and reliability.
    void sendPayload(const QByteArray &payload);

private:
    const DatalinkChannelId m_channel;
    const bool m_isReliable;
};
