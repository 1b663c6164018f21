#include "HlfFixture.h"

#include "LinkCrc.h"

#include <cstring>
#include <stdexcept>

namespace hlf {

namespace {
constexpr std::uint64_t kPage = 4096;
constexpr char kFiller = 0x01;
constexpr char kUnused = char(0xEE); // bit 0 clear: read as a record if the walk strayed here

void appendU16(QByteArray &bytes, std::uint16_t value)
{
    bytes.append(char(value & 0xFF)).append(char(value >> 8));
}
void appendU32(QByteArray &bytes, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes.append(char((value >> (8 * i)) & 0xFF));
}
void appendF32(QByteArray &bytes, float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, 4);
    appendU32(bytes, bits);
}
void appendCrc(QByteArray &bytes, qsizetype from)
{
    appendU32(bytes, crc(bytes, from, bytes.size() - from));
}
std::uint64_t nextBoundary(std::uint64_t position)
{
    return position - position % kPage + kPage;
}
} // namespace

std::uint32_t crc(const QByteArray &bytes, qsizetype from, qsizetype length)
{
    return computeCrc32(0xFFFFFFFFu, bytes.constData() + from, std::size_t(length));
}

void putU16(QByteArray &bytes, qsizetype offset, std::uint16_t value)
{
    bytes[offset] = char(value & 0xFF);
    bytes[offset + 1] = char(value >> 8);
}

void putU32(QByteArray &bytes, qsizetype offset, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = char((value >> (8 * i)) & 0xFF);
}

std::uint32_t u32At(const QByteArray &bytes, qsizetype offset)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | std::uint8_t(bytes[offset + i]);
    return value;
}

QByteArray Fixture::headerBytes(std::uint64_t dataSectionOffset) const
{
    QByteArray bytes;
    if (legacy) {
        bytes.append("L33T");
        appendU32(bytes, std::uint32_t(dataSectionOffset));
        return bytes;
    }
    bytes.append(char(version)).append("FLH");
    appendU32(bytes, std::uint32_t(dataSectionOffset));
    appendU32(bytes, 20 + std::uint32_t(metadataBytes().size())); // signal list follows the metadata
    appendU32(bytes, 20);
    appendCrc(bytes, 0);
    return bytes;
}

QByteArray Fixture::metadataBytes() const
{
    QByteArray bytes;
    if (legacy)
        return bytes;
    appendU16(bytes, std::uint16_t(metadata.size()));
    for (const auto &[key, value] : metadata) {
        appendU16(bytes, std::uint16_t(key.size()));
        bytes.append(key.data(), qsizetype(key.size()));
        appendU16(bytes, std::uint16_t(value.size()));
        bytes.append(value.data(), qsizetype(value.size()));
    }
    appendCrc(bytes, 0);
    return bytes;
}

QByteArray Fixture::signalListBytes() const
{
    QByteArray bytes;
    if (legacy)
        appendU32(bytes, std::uint32_t(signalRecords.size()));
    else
        appendU16(bytes, std::uint16_t(signalRecords.size()));
    for (const Signal &signal : signalRecords) {
        if (legacy)
            appendU16(bytes, 0xBEEF);
        appendU16(bytes, signal.type);
        appendU16(bytes, signal.flags);
        appendF32(bytes, signal.startT);
        appendF32(bytes, signal.stopT);
        appendF32(bytes, signal.stepT);
        appendF32(bytes, signal.sampleTime);
        appendU16(bytes, signal.sampleSize);
        bytes.append(char(signal.dimensions.size()));
        for (std::uint16_t dimension : signal.dimensions)
            appendU16(bytes, dimension);
        for (const std::string *text : {&signal.name, &signal.blockName, &signal.label}) {
            if (legacy) {
                bytes.append(text->data(), qsizetype(text->size())).append('\0');
            } else {
                appendU16(bytes, std::uint16_t(text->size()));
                bytes.append(text->data(), qsizetype(text->size()));
            }
        }
    }
    if (!legacy)
        appendCrc(bytes, 0);
    return bytes;
}

QByteArray Fixture::dataHeaderBytes(std::uint64_t dataSectionOffset, std::uint64_t start, std::uint64_t end) const
{
    const std::uint64_t base = legacy ? dataSectionOffset : 0;
    QByteArray bytes;
    appendU32(bytes, std::uint32_t(start - base));
    appendU32(bytes, std::uint32_t(end - base));
    appendU32(bytes, thirdOffset);
    appendCrc(bytes, 0);
    return bytes;
}

Built Fixture::build() const
{
    Built built;
    const QByteArray meta = metadataBytes();
    const QByteArray list = signalListBytes();
    const std::uint64_t headerSize = legacy ? 8 : 20;
    built.metadataOffset = legacy ? 0 : headerSize;
    built.signalListOffset = headerSize + std::uint64_t(meta.size());
    built.dataSectionOffset = built.signalListOffset + std::uint64_t(list.size());
    built.dataStart = built.dataSectionOffset + 16;
    built.start = built.dataStart + startOffset;

    const bool bounded = regionSize > 0;
    const std::uint64_t regionEnd = bounded ? built.dataStart + regionSize : UINT64_MAX;
    QByteArray region(qsizetype(bounded ? regionSize : startOffset), kUnused);
    const auto at = [&](std::uint64_t position) -> qsizetype { return qsizetype(position - built.dataStart); };
    const auto fill = [&](std::uint64_t from, std::uint64_t to, char value) {
        if (at(to) > region.size())
            region.resize(at(to), kUnused);
        for (std::uint64_t p = from; p < to; ++p)
            region[at(p)] = value;
    };

    std::uint64_t position = built.start;
    std::uint64_t consumed = 0;
    bool wrapped = false;
    const auto skipToBoundary = [&] {
        const std::uint64_t boundary = nextBoundary(position);
        fill(position, std::min(boundary, regionEnd), kFiller);
        consumed += boundary - position;
        position = boundary;
    };
    const auto wrapIfAtEnd = [&] {
        if (position >= regionEnd) {
            position = built.dataStart;
            wrapped = true;
        }
    };

    for (const Record &record : records) {
        QByteArray bytes(qsizetype(bitmapLength()), '\0');
        for (const auto &[index, sample] : record.samples) {
            const int bit = index + 1;
            bytes[bit / 8] = char(bytes[bit / 8] | (1 << (bit % 8)));
        }
        if (record.strayBits)
            bytes[bytes.size() - 1] = char(bytes[bytes.size() - 1] | 0x80);
        for (const auto &[index, sample] : record.samples)
            bytes.append(sample);

        if (record.fillerBefore) {
            skipToBoundary();
            wrapIfAtEnd();
        }
        if (position + std::uint64_t(bytes.size()) > std::min(nextBoundary(position), regionEnd)) {
            skipToBoundary();
            wrapIfAtEnd();
        }
        if (wrapped && position + std::uint64_t(bytes.size()) > built.start)
            throw std::logic_error("the records do not fit into the region");
        built.recordPositions.push_back(position);
        built.consumedBefore.push_back(consumed);
        fill(position, position + std::uint64_t(bytes.size()), 0);
        std::copy(bytes.begin(), bytes.end(), region.begin() + at(position));
        position += std::uint64_t(bytes.size());
        consumed += std::uint64_t(bytes.size());
        wrapIfAtEnd();
    }
    built.end = position;
    built.consumedAtEnd = consumed;

    built.bytes = headerBytes(built.dataSectionOffset) + meta + list
                  + dataHeaderBytes(built.dataSectionOffset, built.start, built.end) + region;
    return built;
}

Built Fixture::buildUniform(std::uint64_t count,
                            const std::function<void(std::uint64_t record, std::uint8_t *samples)> &fill) const
{
    Built built;
    const QByteArray meta = metadataBytes();
    const QByteArray list = signalListBytes();
    const std::uint64_t headerSize = legacy ? 8 : 20;
    built.metadataOffset = legacy ? 0 : headerSize;
    built.signalListOffset = headerSize + std::uint64_t(meta.size());
    built.dataSectionOffset = built.signalListOffset + std::uint64_t(list.size());
    built.dataStart = built.dataSectionOffset + 16;
    built.start = built.dataStart + startOffset;

    std::uint64_t samplesLength = 0;
    for (const Signal &signal : signalRecords)
        samplesLength += signal.sampleSize;
    const std::uint64_t length = bitmapLength() + samplesLength;
    if (length > kPage)
        throw std::logic_error("records longer than a page");
    QByteArray bitmap(qsizetype(bitmapLength()), '\0');
    for (std::size_t bit = 1; bit <= signalRecords.size(); ++bit)
        bitmap[qsizetype(bit / 8)] = char(bitmap[qsizetype(bit / 8)] | (1 << (bit % 8)));

    // Lay the records out first, then write them into a buffer of the final size.
    std::uint64_t end = built.start;
    for (std::uint64_t r = 0; r < count; ++r) {
        if (end + length > nextBoundary(end))
            end = nextBoundary(end);
        end += length;
    }
    built.end = end;
    built.consumedAtEnd = end - built.start;

    const QByteArray head = headerBytes(built.dataSectionOffset) + meta + list
                            + dataHeaderBytes(built.dataSectionOffset, built.start, built.end);
    built.bytes = QByteArray(qsizetype(end), kUnused);
    std::copy(head.begin(), head.end(), built.bytes.begin());
    auto *bytes = reinterpret_cast<std::uint8_t *>(built.bytes.data());
    std::uint64_t position = built.start;
    for (std::uint64_t r = 0; r < count; ++r) {
        if (position + length > nextBoundary(position)) {
            std::memset(bytes + position, kFiller, nextBoundary(position) - position);
            position = nextBoundary(position);
        }
        std::memcpy(bytes + position, bitmap.constData(), std::size_t(bitmap.size()));
        fill(r, bytes + position + bitmap.size());
        position += length;
    }
    return built;
}

} // namespace hlf
