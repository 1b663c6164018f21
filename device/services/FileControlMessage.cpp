#include "FileControlMessage.h"

#include <QtEndian>

namespace filectrlpayload {

namespace {

template<typename T>
void append(QByteArray &out, T value)
{
    char bytes[sizeof(T)];
    qToLittleEndian<T>(value, bytes);
    out.append(bytes, qsizetype(sizeof(T)));
}

std::optional<QString> readName(ByteReader &reader)
{
    const std::optional<uint16_t> length = reader.read<uint16_t>();
    if (!length)
        return std::nullopt;
    const std::optional<QByteArrayView> bytes = reader.take(*length);
    if (!bytes)
        return std::nullopt;
    return QString::fromUtf8(*bytes);
}

} // namespace

MessageHeader MessageHeader::read(const char *data)
{
    MessageHeader header;
    header.length = qFromLittleEndian<uint32_t>(data + Length);
    header.command = qFromLittleEndian<uint16_t>(data + Command);
    header.response = uint8_t(data[Response]);
    return header;
}

QByteArray buildMessage(uint16_t command, uint8_t response, QByteArrayView payload)
{
    QByteArray message;
    message.reserve(MessageHeader::Size + payload.size());
    append<uint32_t>(message, uint32_t(MessageHeader::Size + payload.size()));
    append<uint16_t>(message, command);
    message.append(char(response));
    message.append(payload.data(), payload.size());
    return message;
}

void appendTerminated(QByteArray &out, const QString &text)
{
    out.append(text.toUtf8());
    out.append('\0');
}

bool appendCounted(QByteArray &out, const QString &text, bool terminated)
{
    if (text.size() > 0xFFFF)
        return false;
    append<uint16_t>(out, uint16_t(text.size()));
    out.append(text.toUtf8());
    if (terminated)
        out.append('\0');
    return true;
}

std::optional<FileHeader> FileHeader::read(ByteReader &reader)
{
    FileHeader header;
    const std::optional<int64_t> time = reader.read<int64_t>();
    const std::optional<uint32_t> size = reader.read<uint32_t>();
    if (!time || !size)
        return std::nullopt;
    std::optional<QString> name = readName(reader);
    if (!name)
        return std::nullopt;
    header.time = *time;
    header.size = *size;
    header.name = std::move(*name);
    return header;
}

std::optional<ListingEntry> ListingEntry::read(ByteReader &reader)
{
    ListingEntry entry;
    const std::optional<int64_t> time = reader.read<int64_t>();
    const std::optional<int32_t> size = reader.read<int32_t>();
    const std::optional<int16_t> type = reader.read<int16_t>();
    if (!time || !size || !type)
        return std::nullopt;
    std::optional<QString> name = readName(reader);
    if (!name)
        return std::nullopt;
    entry.time = *time;
    entry.size = *size;
    entry.type = *type;
    entry.name = std::move(*name);
    return entry;
}

AvailableStorage AvailableStorage::read(QByteArrayView payload)
{
    AvailableStorage storage;
    if (payload.size() < Size)
        return storage;
    ByteReader reader(payload);
    storage.totalSize = reader.read<uint64_t>().value_or(0);
    storage.freeSize = reader.read<uint64_t>().value_or(0);
    storage.status = FSStatus(reader.read<uint32_t>().value_or(0));
    return storage;
}

} // namespace filectrlpayload
