#include "BoardFrame.h"

namespace {

uint16_t u16At(const QByteArray &bytes, qsizetype offset)
{
    return uint16_t(uint8_t(bytes[offset]) | (uint8_t(bytes[offset + 1]) << 8));
}

void putU16(QByteArray &bytes, uint16_t value)
{
    bytes.append(char(value & 0xFF));
    bytes.append(char(value >> 8));
}

} // namespace

namespace BoardFrameCodec {

QByteArray encode(uint16_t channel, QByteArrayView payload)
{
    QByteArray frame;
    frame.reserve(HeaderSize + payload.size());
    frame.append(char(0xCD));
    frame.append(char(0xAB));
    putU16(frame, channel);
    putU16(frame, uint16_t(HeaderSize + payload.size()));
    frame.append(payload.data(), payload.size());
    return frame;
}

} // namespace BoardFrameCodec

QList<BoardFrame> BoardFrameReader::feed(QByteArrayView bytes)
{
    m_pending.append(bytes.data(), bytes.size());
    QList<BoardFrame> frames;
    qsizetype pos = 0;
    while (m_pending.size() - pos >= BoardFrameCodec::HeaderSize) {
        const bool magic = uint8_t(m_pending[pos]) == 0xCD && uint8_t(m_pending[pos + 1]) == 0xAB;
        const uint16_t length = u16At(m_pending, pos + 4);
        if (!magic || length < BoardFrameCodec::HeaderSize || length > BoardFrameCodec::MaxFrameSize) {
            ++pos;
            ++m_skipped;
            continue;
        }
        if (m_pending.size() - pos < length)
            break;
        frames.append({u16At(m_pending, pos + 2),
                       m_pending.mid(pos + BoardFrameCodec::HeaderSize, length - BoardFrameCodec::HeaderSize)});
        pos += length;
    }
    m_pending.remove(0, pos);
    return frames;
}
