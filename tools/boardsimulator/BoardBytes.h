#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>

// Little-endian fields as the board's channel services read and write them.
namespace BoardBytes {

template<typename T>
T read(QByteArrayView bytes, qsizetype offset)
{
    T value = 0;
    for (qsizetype i = qsizetype(sizeof(T)) - 1; i >= 0; --i)
        value = T((uint64_t(value) << 8) | uint8_t(bytes[offset + i]));
    return value;
}

template<typename T>
void append(QByteArray &bytes, T value)
{
    for (qsizetype i = 0; i < qsizetype(sizeof(T)); ++i)
        bytes.append(char((uint64_t(value) >> (8 * i)) & 0xFF));
}

} // namespace BoardBytes
