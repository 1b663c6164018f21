#pragma once

#include <QByteArray>
#include <QtEndian>

#include <cstdint>

// The layout of the link-protocol messages on channel 0: a 12-byte header, then a
// body that depends on the message type. All fields are little-endian; the checksum
// covers every byte after itself.
namespace LinkMessage {

enum Type : uint16_t {
    Heartbeat = 0, // also the device-information request, which wraps a host heartbeat
    SetActiveDatalink = 1,
    DatalinkVersion = 2,
    DatagramKeys = 3,
};

struct Header
{
    static constexpr qsizetype Crc = 0;
    static constexpr qsizetype Type = 4;
    static constexpr qsizetype Size = 6;
    static constexpr qsizetype Flag = 8;
    static constexpr qsizetype Reserved = 9;
    static constexpr qsizetype Version = 10;
    static constexpr qsizetype Length = 12;
    static constexpr qsizetype CoveredFrom = 4; // the checksum covers bytes 4 to the end
};

struct HeartbeatBody
{
    static constexpr qsizetype DeviceType = 14;
    static constexpr qsizetype ActiveInterface = 17;
    static constexpr qsizetype Interface = 18;
    static constexpr qsizetype Identity = 20;
    static constexpr qsizetype IdentityLength = 32;
    static constexpr qsizetype ExtendedDeviceType = 52;
    static constexpr qsizetype Length = 56;
};

struct SetActiveBody
{
    static constexpr qsizetype HostId = 12;
    static constexpr qsizetype HostIdLength = 32;
    static constexpr qsizetype LinkType = 44;
    static constexpr qsizetype Accepted = 46; // one byte in the board's reply
    static constexpr qsizetype Length = 48;
};

struct KeysBody
{
    static constexpr qsizetype Key = 12;
    static constexpr qsizetype KeyLength = 32;
    static constexpr qsizetype Iv = 44;
    static constexpr qsizetype IvLength = 16;
    static constexpr qsizetype Length = 60;
};

// The datalink protocol versions this program reads.
inline constexpr uint16_t FirstVersion = 0;
inline constexpr uint16_t ExtendedTypeVersion = 1; // heartbeats carry the extended device type
inline constexpr uint16_t HostVersion = 1;         // written into the host heartbeat and version request

// The length a board message of a type needs for the fields that are read from it.
constexpr qsizetype requiredLength(uint16_t type)
{
    switch (type) {
    case Heartbeat:
        return HeartbeatBody::Length;
    case SetActiveDatalink:
        return SetActiveBody::Length;
    case DatagramKeys:
        return KeysBody::Length;
    default:
        return Header::Length;
    }
}

template<typename T>
T read(const QByteArray &message, qsizetype offset)
{
    return qFromLittleEndian<T>(message.constData() + offset);
}

template<typename T>
void write(QByteArray &message, qsizetype offset, T value)
{
    qToLittleEndian<T>(value, message.data() + offset);
}

} // namespace LinkMessage
