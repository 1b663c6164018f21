// The byte layouts of the control channel's fixed records.

#include "ControlChannel.h"

#include <QtEndian>

#include <algorithm>

namespace {

int32_t readInt32(QByteArrayView bytes, qsizetype offset)
{
    return qFromLittleEndian<qint32>(bytes.data() + offset);
}

uint32_t readUInt32(QByteArrayView bytes, qsizetype offset)
{
    return qFromLittleEndian<quint32>(bytes.data() + offset);
}

} // namespace

ControlChannel::TimeDate ControlChannel::TimeDate::read(QByteArrayView bytes)
{
    TimeDate date;
    int32_t *fields[] = {&date.seconds, &date.minutes, &date.hours,   &date.day,     &date.month,
                         &date.year,    &date.weekDay, &date.yearDay, &date.reserved};
    for (qsizetype i = 0; i < qsizetype(std::size(fields)); ++i)
        *fields[i] = readInt32(bytes, 4 * i);
    return date;
}

QByteArray ControlChannel::TimeDate::toBytes() const
{
    QByteArray bytes(Size, '\0');
    const int32_t fields[] = {seconds, minutes, hours, day, month, year, weekDay, yearDay, reserved};
    for (qsizetype i = 0; i < qsizetype(std::size(fields)); ++i)
        qToLittleEndian<qint32>(fields[i], bytes.data() + 4 * i);
    return bytes;
}

QString ControlChannel::BoardInfo2::serialNumber() const
{
    const qsizetype length = std::min<qsizetype>(serialLength, MaxSerialLength);
    return QString::fromLatin1(serial.data(), length);
}

ControlChannel::BoardInfo2 ControlChannel::BoardInfo2::read(QByteArrayView bytes)
{
    BoardInfo2 info;
    info.crc = readUInt32(bytes, Crc);
    info.marker = readUInt32(bytes, Marker);
    info.deviceType = readInt32(bytes, DeviceType);
    info.serialLength = readUInt32(bytes, SerialLength);
    std::copy_n(bytes.data() + Serial, MaxSerialLength, info.serial.begin());
    return info;
}

QByteArray ControlChannel::BoardInfo2::toBytes() const
{
    QByteArray bytes(Size, '\0');
    qToLittleEndian<quint32>(crc, bytes.data() + Crc);
    qToLittleEndian<quint32>(marker, bytes.data() + Marker);
    qToLittleEndian<qint32>(deviceType, bytes.data() + DeviceType);
    qToLittleEndian<quint32>(serialLength, bytes.data() + SerialLength);
    std::copy(serial.begin(), serial.end(), bytes.begin() + Serial);
    return bytes;
}

uint32_t ControlChannel::ImageDetails::bootState() const
{
    return qFromLittleEndian<quint32>(bytes.data());
}

ControlChannel::WifiState ControlChannel::WifiState::read(QByteArrayView bytes)
{
    return {uint8_t(bytes[0]), uint8_t(bytes[1]), uint8_t(bytes[2])};
}

QByteArray ControlChannel::WifiState::toBytes() const
{
    QByteArray bytes(Size, '\0');
    bytes[0] = char(wifiEnabled);
    bytes[1] = char(accessPointEnabled);
    bytes[2] = char(stationEnabled);
    return bytes;
}
