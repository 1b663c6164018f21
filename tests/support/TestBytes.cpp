#include "TestBytes.h"

#include <QRandomGenerator>
#include <QtEndian>

namespace {

template<typename T>
QByteArray littleEndian(T value)
{
    QByteArray bytes(qsizetype(sizeof(T)), '\0');
    qToLittleEndian<T>(value, bytes.data());
    return bytes;
}

} // namespace

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

QByteArray le16(uint16_t value)
{
    return littleEndian<quint16>(value);
}

QByteArray le32(uint32_t value)
{
    return littleEndian<quint32>(value);
}

QByteArray le64(uint64_t value)
{
    return littleEndian<quint64>(value);
}

QByteArray zeroFilled(const QByteArray &text, qsizetype size)
{
    return text + QByteArray(size - text.size(), '\0');
}

QByteArray pattern(qsizetype size, int seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char((i * 7 + seed) & 0xFF);
    return bytes;
}

QByteArray randomBytes(qsizetype size, quint32 seed)
{
    QRandomGenerator generator(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &byte : bytes)
        byte = char(generator.bounded(256));
    return bytes;
}
