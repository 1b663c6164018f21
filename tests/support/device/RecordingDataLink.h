#pragma once

#include "AbstractDataLink.h"

#include <QByteArray>
#include <QList>

// A datalink that records what it is asked to send and lets a test play its
// transport: set the state, hand in received payloads. It offers the hooks the
// manager uses on the real transports (startReading, the Wi-Fi key exchange and
// self time-out).
class RecordingDataLink : public AbstractDataLink
{
    Q_OBJECT
    Q_PROPERTY(bool selfTimeoutEnabled MEMBER selfTimeoutEnabled)

public:
    struct Sent
    {
        DatalinkChannelId channel;
        bool isReliable;
        QByteArray frame;
    };

    explicit RecordingDataLink(LinkType type, QObject *parent = nullptr)
        : AbstractDataLink(type, parent)
    {
    }

    void reportState(DatalinkState state) { setState(state); }
    void receive(DatalinkChannelId channel, const QByteArray &payload) { emit packetReceived(channel, payload); }

    QList<Sent> sent;
    QList<LinkType> activeLinkTypes;
    int startReadingCalls = 0;
    bool selfTimeoutEnabled = true;
    QByteArray aesKey;
    QByteArray aesIv;

public slots:
    void sendPacket(DatalinkChannelId channel, bool isReliable, QByteArray packet) override
    {
        sent.append({channel, isReliable, packet});
    }
    void activeLinkTypeChanged(AbstractDataLink::LinkType linkType) override
    {
        activeLinkTypes.append(linkType);
        if (this->linkType() == WiFi && linkType == WiFi)
            emit requestAesKeys();
    }
    void startReading()
    {
        ++startReadingCalls;
        setState(Connected);
    }
    void setAesKeys(QByteArray key, QByteArray iv)
    {
        aesKey = key;
        aesIv = iv;
    }

signals:
    void requestAesKeys();
};
