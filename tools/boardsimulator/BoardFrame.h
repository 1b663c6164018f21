#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <cstdint>

// One frame of the packet link as the board sees it.
struct BoardFrame
{
    uint16_t channel = 0;
    QByteArray payload;
};

// The board's own frame codec: CD AB, channel, total length (little-endian), payload.
namespace BoardFrameCodec {

inline constexpr int HeaderSize = 6;
inline constexpr int MaxFrameSize = 1024;

QByteArray encode(uint16_t channel, QByteArrayView payload);

} // namespace BoardFrameCodec

// Reassembles the frames the host sends. Unlike the host, the board looks for the
// next frame start after bytes it cannot read, and counts what it skipped.
class BoardFrameReader
{
public:
    QList<BoardFrame> feed(QByteArrayView bytes);
    void clear() { m_pending.clear(); }
    qsizetype skippedBytes() const { return m_skipped; }
    qsizetype pendingBytes() const { return m_pending.size(); }

private:
    QByteArray m_pending;
    qsizetype m_skipped = 0;
};
