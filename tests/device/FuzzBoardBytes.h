#pragma once

// What a fuzz harness sends as a board over a transport, made from the fuzzer's
// bytes. The input is a run of records: a control byte, a length (u16,
// little-endian, cut to what is left) and that many bytes. A record either goes out
// as it is, or becomes one packet frame on a channel its control byte picks, with the
// length fields and the checksum that the receivers check made to fit, so that most
// inputs get past those checks and reach the readers behind them.

#include "LinkCrc.h"
#include "LinkMessage.h"
#include "PacketFrame.h"

#include <QByteArray>
#include <QList>
#include <QtEndian>

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace fuzzboard {

enum Control : uint8_t {
    Framed = 0x01,    // the bytes are the payload of one frame
    FixFields = 0x02, // the payload's own length fields and checksum are made to fit
    // Bits 2 to 4 pick the frame's channel (see channel()); bits 5 to 7 are the harness's.
    ChannelShift = 2,
    HarnessShift = 5,
};

struct Record
{
    uint8_t control = 0;
    QByteArray bytes;

    uint8_t harnessBits() const { return uint8_t(control >> HarnessShift); }
};

inline QList<Record> records(const uint8_t *data, size_t size)
{
    QList<Record> list;
    size_t pos = 0;
    while (pos + 3 <= size) {
        const uint8_t control = data[pos];
        const size_t length = std::min<size_t>(size_t(data[pos + 1]) | size_t(data[pos + 2]) << 8, size - pos - 3);
        pos += 3;
        list.append({control, QByteArray(reinterpret_cast<const char *>(data + pos), qsizetype(length))});
        pos += length;
    }
    return list;
}

// Every channel a board speaks on: link protocol, control, monitoring (2 and 3),
// update, external mode, error and file service.
inline uint16_t channel(uint8_t control)
{
    constexpr uint16_t channels[8] = {0, 1, 2, 3, 4, 5, 6, 9};
    return channels[(control >> ChannelShift) & 7];
}

inline void fixFields(uint16_t channel, QByteArray &payload)
{
    const auto put16 = [&payload](qsizetype at, qsizetype value) {
        if (payload.size() >= at + 2)
            qToLittleEndian<quint16>(quint16(value), payload.data() + at);
    };
    const auto put32 = [&payload](qsizetype at, qsizetype value) {
        if (payload.size() >= at + 4)
            qToLittleEndian<quint32>(quint32(value), payload.data() + at);
    };
    switch (channel) {
    case 0: // link message: size, then the checksum over everything behind it
        put16(LinkMessage::Header::Size, payload.size());
        if (payload.size() >= LinkMessage::Header::CoveredFrom + 4)
            put32(LinkMessage::Header::Crc,
                  qsizetype(computeCrc32(0xFFFFFFFFu, payload.constData() + LinkMessage::Header::CoveredFrom,
                                         size_t(payload.size() - LinkMessage::Header::CoveredFrom))));
        break;
    case 1: // control reply: its length
        put16(0, payload.size());
        break;
    case 4: // update message: magic and the length of what follows its header
        put32(0, qsizetype(0xDDCCBBAAu));
        put32(8, payload.size() - 12);
        break;
    case 6: // board message: the length of its text
        put16(2, payload.size() - 4);
        break;
    case 9: // file-service message: its whole length
        put32(0, payload.size());
        break;
    default:
        break;
    }
}

// The bytes the board sends for a record.
inline QByteArray boardBytes(const Record &record)
{
    if (!(record.control & Framed))
        return record.bytes;
    QByteArray payload = record.bytes.left(PacketFrame::MaxPayloadSize);
    const uint16_t onChannel = channel(record.control);
    if (record.control & FixFields)
        fixFields(onChannel, payload);
    return PacketFrame::build(onChannel, payload).value_or(QByteArray());
}

} // namespace fuzzboard
