#pragma once

#include "DatalinkTypes.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <atomic>

// One transport to one board. It takes whole frames to send and hands out the
// payloads it receives; its owner (the datalink manager) reads the type and the
// state and follows the state through datalinkStateSignal.
class AbstractDataLink : public QObject
{
    Q_OBJECT

public:
    enum LinkType : uint16_t {
        None = 0,
        USB = 1,
        WiFi = 2,
        Bluetooth = 3, // reserved: no Bluetooth datalink exists
        NrOfLinkTypes = 4,
    };
    Q_ENUM(LinkType)

    enum DatalinkState {
        NotAvailable = 0,
        Created = 1,
        Connected = 2,
        Invalid = 3,
    };
    Q_ENUM(DatalinkState)

    AbstractDataLink(LinkType linkType, QObject *parent = nullptr);

    LinkType linkType() const { return m_linkType; }
    // Where the board is reached on this transport (its network address, its USB
    // port), the same every time the board is reached there; empty when the
    // transport cannot tell.
    virtual QString boardLocation() const { return QString(); }
    // May be read from any thread; transports change it from their I/O threads.
    DatalinkState state() const { return m_state.load(); }

    static const char *linkTypeName(LinkType linkType);

public slots:
    // Sends one whole packet frame.
    virtual void sendPacket(DatalinkChannelId channel, bool isReliable, QByteArray packet) = 0;
    // Tells the transport which link the board now uses.
    virtual void activeLinkTypeChanged(AbstractDataLink::LinkType linkType) = 0;

signals:
    void datalinkStateSignal(AbstractDataLink::LinkType linkType, AbstractDataLink::DatalinkState state);
    void packetReceived(DatalinkChannelId channel, QByteArray packet);

protected:
    // Stores the state and reports it, also when it did not change.
    void setState(DatalinkState state);

private:
    const LinkType m_linkType;
    std::atomic<DatalinkState> m_state{Created};
};
