#include "OstPacketRecombiner.h"

#include "PacketFrame.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcRecombiner, "Device.OstPacketRecombiner")

OstPacketRecombiner::OstPacketRecombiner(QObject *parent)
    : QObject(parent)
{
}

int OstPacketRecombiner::rawDataReady(const QByteArray &rawData)
{
    m_buffer.append(rawData);

    // Cut with a running offset and keep the rest once at the end, so a chunk of many
    // small frames costs one pass. The bytes are taken out of the member while frames
    // are emitted, since a receiver may feed or clear this recombiner.
    const QByteArray data = std::exchange(m_buffer, QByteArray());
    const quint64 clearCount = m_clearCount;
    qsizetype pos = 0;

    while (pos < data.size()) {
        const qsizetype available = data.size() - pos;
        if (data.at(pos) == '\0')
            return 0; // no frame starts with a zero byte: drop everything
        if (available < PacketFrame::HeaderSize)
            break;
        const PacketFrame::Header header = PacketFrame::readHeader(data.constData() + pos);
        if (!header.isValid()) {
            qCDebug(lcRecombiner) << "Corrupt OstPacket Header";
            return -1;
        }
        if (available < header.totalLength)
            break;
        emit packetReady(header.channel,
                         data.mid(pos + PacketFrame::HeaderSize, header.totalLength - PacketFrame::HeaderSize));
        pos += header.totalLength;
        if (m_clearCount != clearCount)
            return 0;
    }

    if (pos < data.size()) {
        // Bytes a receiver fed in the meantime came later in the stream than ours.
        QByteArray rest = pos == 0 ? data : data.mid(pos);
        rest.append(m_buffer);
        m_buffer = std::move(rest);
    }
    return 0;
}

void OstPacketRecombiner::clearBuffer()
{
    m_buffer.clear();
    ++m_clearCount;
}
