#include "PacketFrame.h"

#include <QLoggingCategory>
#include <QtEndian>

Q_LOGGING_CATEGORY(lcPacketFrame, "Device.PacketFrame")

namespace PacketFrame {

Header readHeader(const char *data)
{
    Header header;
    header.magic = qFromLittleEndian<quint16>(data + MagicOffset);
    header.channel = qFromLittleEndian<quint16>(data + ChannelOffset);
    header.totalLength = qFromLittleEndian<quint16>(data + TotalLengthOffset);
    return header;
}

std::optional<QByteArray> build(DatalinkChannelId channel, QByteArrayView payload)
{
    if (payload.size() > MaxPayloadSize) {
        qCWarning(lcPacketFrame) << "Refusing a payload of" << payload.size() << "bytes on channel" << channel
                                 << "(a frame holds at most" << MaxPayloadSize << "bytes)";
        return std::nullopt;
    }
    QByteArray frame(HeaderSize + payload.size(), Qt::Uninitialized);
    char *out = frame.data();
    qToLittleEndian<quint16>(Magic, out + MagicOffset);
    qToLittleEndian<quint16>(channel, out + ChannelOffset);
    qToLittleEndian<quint16>(quint16(frame.size()), out + TotalLengthOffset);
    if (!payload.isEmpty())
        memcpy(out + HeaderSize, payload.data(), size_t(payload.size()));
    return frame;
}

} // namespace PacketFrame
