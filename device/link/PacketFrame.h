#pragma once

#include "DatalinkTypes.h"

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

// The frame around every payload on the packet link, over USB and Wi-Fi alike:
// u16 magic 0xABCD, u16 channel, u16 total length (header included), the payload.
// All fields are little-endian; the frame itself carries no checksum.
namespace PacketFrame {

inline constexpr uint16_t Magic = 0xABCD;
inline constexpr qsizetype MagicOffset = 0;
inline constexpr qsizetype ChannelOffset = 2;
inline constexpr qsizetype TotalLengthOffset = 4;
inline constexpr qsizetype HeaderSize = 6;
inline constexpr qsizetype MaxFrameSize = 1024;
inline constexpr qsizetype MaxPayloadSize = MaxFrameSize - HeaderSize;

struct Header
{
    uint16_t magic = 0;
    DatalinkChannelId channel = 0;
    uint16_t totalLength = 0;

    // A header a receiver accepts: the magic, and a total length from 6 to 1024.
    bool isValid() const { return magic == Magic && totalLength >= HeaderSize && totalLength <= MaxFrameSize; }
};

// Reads the header from the first HeaderSize bytes at data.
Header readHeader(const char *data);

// The frame around payload on channel. A payload over MaxPayloadSize bytes would
// need a length the receivers reject (or, past 65529 bytes, one that wraps into a
// valid-looking value), so it is refused: nothing is returned and a warning logged.
std::optional<QByteArray> build(DatalinkChannelId channel, QByteArrayView payload);

} // namespace PacketFrame
