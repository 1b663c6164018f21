#pragma once

#include "BoardCrc.h"

#include <QByteArray>
#include <QtEndian>

// Link messages as a board sends them, for feeding the program's link protocol.
// Sealed with the board simulator's own checksum, not the program's.
namespace BoardMessages {

inline void put16(QByteArray &m, int offset, uint16_t value)
{
    qToLittleEndian<quint16>(value, m.data() + offset);
}
inline void put32(QByteArray &m, int offset, uint32_t value)
{
    qToLittleEndian<quint32>(value, m.data() + offset);
}

// Writes the size field and the checksum for the message as it stands.
inline QByteArray sealed(QByteArray m)
{
    put16(m, 6, uint16_t(m.size()));
    put32(m, 0, boardCrc32(QByteArrayView(m).sliced(4)));
    return m;
}

inline QByteArray message(uint16_t type, uint16_t version, int size)
{
    QByteArray m(size, '\0');
    put16(m, 4, type);
    put16(m, 10, version);
    return sealed(m);
}

inline QByteArray heartbeat(uint16_t version, const QByteArray &serial, uint16_t deviceType, bool active,
                            uint16_t linkType, int32_t extendedType, int size = 56)
{
    QByteArray m = message(0, version, qMax(size, 56));
    put16(m, 14, deviceType);
    m[17] = char(active ? 1 : 0);
    put16(m, 18, linkType);
    m.replace(20, int(qMin<qsizetype>(serial.size(), 32)), serial.left(32));
    put32(m, 52, uint32_t(extendedType));
    return sealed(m.left(size));
}

inline QByteArray setActiveReply(uint16_t version, uint16_t linkType, bool accepted, int size = 48)
{
    QByteArray m = message(1, version, qMax(size, 48));
    put16(m, 44, linkType);
    m[46] = char(accepted ? 1 : 0);
    return sealed(m.left(size));
}

inline QByteArray keys(uint16_t version, const QByteArray &key, const QByteArray &iv, int size = 60)
{
    QByteArray m = message(3, version, qMax(size, 60));
    m.replace(12, 32, key);
    m.replace(44, 16, iv);
    return sealed(m.left(size));
}

} // namespace BoardMessages
