#include "MulticastDnsMessages.h"

#include <algorithm>

namespace ostrel::infra {

namespace {

std::uint16_t readU16(Datagram datagram, std::size_t offset)
{
    return std::uint16_t((datagram[offset] << 8) | datagram[offset + 1]);
}

std::uint32_t readU32(Datagram datagram, std::size_t offset)
{
    return (std::uint32_t(readU16(datagram, offset)) << 16) | readU16(datagram, offset + 2);
}

void writeU16(std::span<std::uint8_t> buffer, std::size_t offset, std::uint16_t value)
{
    buffer[offset] = std::uint8_t(value >> 8);
    buffer[offset + 1] = std::uint8_t(value & 0xFF);
}

// True when [offset, offset + length) lies inside the datagram.
bool fits(Datagram datagram, std::size_t offset, std::size_t length)
{
    return offset <= datagram.size() && length <= datagram.size() - offset;
}

constexpr std::uint8_t pointerMark = 0xC0;
constexpr std::uint16_t pointerTargetMask = 0x3FFF;

// Walks count records of one section. Returns true when every record was complete;
// stopped is set when the callback asked to end the walk.
bool walkRecords(DnsRecord record, SectionKind section, std::uint16_t count, std::size_t &position,
                 const RecordCallback &callback, std::size_t &completeRecords, bool &stopped)
{
    const Datagram datagram = record.datagram;
    record.section = section;
    bool allComplete = true;
    for (std::uint16_t i = 0; i < count; ++i) {
        record.nameOffset = position;
        skipName(datagram, position); // an invalid name leaves the position where it was
        record.nameLength = position - record.nameOffset;
        if (!fits(datagram, position, mdns::recordHeaderSize))
            return false;
        record.type = readU16(datagram, position);
        record.recordClass = readU16(datagram, position + 2);
        record.ttl = readU32(datagram, position + 4);
        record.dataLength = readU16(datagram, position + 8);
        position += mdns::recordHeaderSize;
        record.dataOffset = position;
        if (fits(datagram, position, record.dataLength)) {
            ++completeRecords;
            if (callback && callback(record) != 0) {
                stopped = true;
                return false;
            }
        } else {
            allComplete = false;
        }
        // Past the end when the data ran over: the next record then ends the section.
        position += record.dataLength;
    }
    return allComplete;
}

} // namespace

int buildQuery(std::span<const BrowseQuery> queries, std::span<std::uint8_t> buffer, std::uint16_t queryId,
               std::uint16_t questionClass)
{
    if (queries.empty() || queries.size() > 0xFFFF || buffer.size() < mdns::headerSize + 6 * queries.size())
        return -1;
    std::fill_n(buffer.begin(), mdns::headerSize, std::uint8_t(0));
    writeU16(buffer, mdns::idOffset, queryId);
    writeU16(buffer, mdns::questionCountOffset, std::uint16_t(queries.size()));

    std::size_t position = mdns::headerSize;
    for (const BrowseQuery &query : queries) {
        std::string_view name = query.name;
        if (!name.empty() && name.back() == '.')
            name.remove_suffix(1);
        while (!name.empty()) {
            const std::size_t dot = name.find('.');
            const std::string_view label = name.substr(0, dot);
            // An empty or over-long label would turn into an end mark or a pointer.
            if (label.empty() || label.size() > mdns::maxLabelLength)
                return -1;
            if (label.size() + 1 >= buffer.size() - position)
                return -1;
            buffer[position++] = std::uint8_t(label.size());
            std::copy(label.begin(), label.end(), buffer.begin() + std::ptrdiff_t(position));
            position += label.size();
            name = dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
            if (dot != std::string_view::npos && name.empty())
                return -1; // "a..b" or a second trailing dot
        }
        if (buffer.size() - position < 1 + 4)
            return -1;
        buffer[position++] = 0;
        writeU16(buffer, position, std::uint16_t(query.recordType));
        writeU16(buffer, position + 2, questionClass);
        position += 4;
    }
    return int(position);
}

NamePart nextNamePart(Datagram datagram, std::size_t position)
{
    NamePart part;
    if (position >= datagram.size())
        return part;
    std::size_t at = position;
    int hops = 0;
    while (datagram[at] >= pointerMark) {
        if (at + 1 >= datagram.size() || ++hops > mdns::maxPointerHops)
            return part;
        if (hops == 1)
            part.pointerEnd = at + 2;
        const std::size_t target = readU16(datagram, at) & pointerTargetMask;
        if (target >= datagram.size())
            return part;
        at = target;
        part.viaPointer = true;
    }
    const std::size_t length = datagram[at];
    if (length == 0) {
        part.valid = true;
        part.end = true;
        part.next = at + 1;
        return part;
    }
    if (!fits(datagram, at + 1, length))
        return part;
    part.valid = true;
    part.labelOffset = at + 1;
    part.labelLength = length;
    part.next = at + 1 + length;
    return part;
}

bool skipName(Datagram datagram, std::size_t &position)
{
    std::size_t at = position;
    for (int parts = 1; parts <= mdns::maxNameParts; ++parts) {
        const NamePart part = nextNamePart(datagram, at);
        if (!part.valid)
            return false;
        if (part.viaPointer) {
            position = part.pointerEnd;
            return true;
        }
        if (part.end) {
            position = part.next;
            return true;
        }
        at = part.next;
    }
    return false;
}

std::string_view readName(Datagram datagram, std::size_t &position, std::span<char> buffer)
{
    std::size_t at = position;
    std::size_t written = 0;
    std::size_t after = 0;
    bool afterKnown = false;
    // The same part limit as skipName: a label followed by a pointer back to itself
    // would otherwise go round until the buffer is full, or for ever once it is.
    for (int parts = 1; parts <= mdns::maxNameParts; ++parts) {
        const NamePart part = nextNamePart(datagram, at);
        if (!part.valid)
            return {};
        if (part.viaPointer && !afterKnown) {
            after = part.pointerEnd;
            afterKnown = true;
        }
        if (part.end) {
            position = afterKnown ? after : part.next;
            return {buffer.data(), written};
        }
        const std::size_t copied = std::min(part.labelLength, buffer.size() - written);
        std::copy_n(reinterpret_cast<const char *>(datagram.data() + part.labelOffset), copied,
                    buffer.begin() + std::ptrdiff_t(written));
        written += copied;
        if (written < buffer.size())
            buffer[written++] = '.';
        at = part.next;
    }
    return {};
}

std::size_t walkDatagram(Datagram datagram, int socket, const sockaddr *sender, socklen_t senderLength,
                         const RecordCallback &callback, int queryIdFilter)
{
    if (datagram.size() < mdns::headerSize)
        return 0;
    const std::uint16_t id = readU16(datagram, mdns::idOffset);
    if (queryIdFilter > 0 && id != queryIdFilter)
        return 0;
    const std::uint16_t questions = readU16(datagram, mdns::questionCountOffset);
    const std::uint16_t answers = readU16(datagram, mdns::answerCountOffset);
    const std::uint16_t authorities = readU16(datagram, mdns::authorityCountOffset);
    const std::uint16_t additionals = readU16(datagram, mdns::additionalCountOffset);

    std::size_t position = mdns::headerSize;
    for (std::uint16_t i = 0; i < questions; ++i) {
        if (!skipName(datagram, position))
            return 0;
        position += 4; // type and class
    }

    DnsRecord record;
    record.socket = socket;
    record.sender = sender;
    record.senderLength = senderLength;
    record.id = id;
    record.datagram = datagram;
    std::size_t complete = 0;
    bool stopped = false;
    if (walkRecords(record, SectionKind::Answer, answers, position, callback, complete, stopped)
        && walkRecords(record, SectionKind::Authority, authorities, position, callback, complete, stopped))
        walkRecords(record, SectionKind::Additional, additionals, position, callback, complete, stopped);
    return complete;
}

std::string_view decodePtrData(Datagram datagram, std::size_t dataOffset, std::size_t dataLength,
                               std::span<char> targetBuffer)
{
    if (!fits(datagram, dataOffset, dataLength) || dataLength < 2)
        return {};
    std::size_t position = dataOffset;
    return readName(datagram, position, targetBuffer);
}

SrvData decodeSrvData(Datagram datagram, std::size_t dataOffset, std::size_t dataLength, std::span<char> targetBuffer)
{
    SrvData srv;
    if (!fits(datagram, dataOffset, dataLength) || dataLength < 8)
        return srv;
    srv.priority = readU16(datagram, dataOffset);
    srv.weight = readU16(datagram, dataOffset + 2);
    srv.port = readU16(datagram, dataOffset + 4);
    std::size_t position = dataOffset + 6;
    srv.target = readName(datagram, position, targetBuffer);
    return srv;
}

std::size_t splitTxtStrings(Datagram datagram, std::size_t dataOffset, std::size_t dataLength,
                            std::span<TxtEntry> entries)
{
    if (dataOffset >= datagram.size())
        return 0;
    const std::size_t end = dataOffset + std::min(dataLength, datagram.size() - dataOffset);
    const std::size_t capacity = std::min(entries.size(), mdns::maxTxtEntries);
    const auto *text = reinterpret_cast<const char *>(datagram.data());
    std::size_t taken = 0;
    std::size_t position = dataOffset;
    while (position < end && taken < capacity) {
        const std::size_t length = datagram[position];
        if (length > end - position - 1)
            break;
        const std::string_view string(text + position + 1, length);
        position += length + 1;
        for (std::size_t k = 0; k < string.size(); ++k) {
            const char c = string[k];
            if (c == '=') {
                if (k > 0)
                    entries[taken++] = {string.substr(0, k), string.substr(k + 1)};
                break;
            }
            if (c < 0x20 || c > 0x7E)
                break;
        }
    }
    return taken;
}

} // namespace ostrel::infra
