#pragma once

#include "DatalinkTypes.h"

#include <QByteArray>
#include <QObject>

// Cuts the bytes a datalink receives (a stream, or a run of datagrams) back into
// packet frames and hands out each payload with its channel, in stream order.
class OstPacketRecombiner : public QObject
{
    Q_OBJECT

public:
    explicit OstPacketRecombiner(QObject *parent = nullptr);

    // The bytes received so far that do not yet form a whole frame.
    const QByteArray &buffer() const { return m_buffer; }

public slots:
    // Feeds received bytes and emits packetReady for every whole frame. Returns -1
    // when the last header examined was corrupt (the whole buffer is then dropped),
    // else 0. A buffer that begins with a zero byte holds no frame start and is
    // dropped silently.
    int rawDataReady(const QByteArray &rawData);
    void clearBuffer();

signals:
    void packetReady(uint16_t channel, QByteArray packet);

private:
    QByteArray m_buffer;
    // Bumped by clearBuffer, so that a clear from a receiver of packetReady also
    // ends the frames still pending in the chunk being cut.
    quint64 m_clearCount = 0;
};
