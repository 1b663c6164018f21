#include "LogFileReader.h"

#include "LittleEndian.h"
#include "LogFileLayout.h"

#include "LinkCrc.h"

#include <array>
#include <ios>

using namespace logfile;

namespace {

// Reads consecutive fields of one section and keeps the running checksum over them.
class SectionReader
{
public:
    explicit SectionReader(std::istream &stream)
        : m_stream(stream)
    {
    }

    void read(std::uint8_t *target, std::size_t length)
    {
        m_stream.read(reinterpret_cast<char *>(target), std::streamsize(length));
        m_crc = computeCrc32(m_crc, target, length);
    }

    template<std::size_t N>
    std::array<std::uint8_t, N> bytes()
    {
        std::array<std::uint8_t, N> field;
        read(field.data(), N);
        return field;
    }

    std::uint8_t u8() { return bytes<1>()[0]; }
    std::uint16_t u16() { return le::u16(bytes<2>().data()); }
    std::uint32_t u32() { return le::u32(bytes<4>().data()); }

    std::string text(std::size_t length)
    {
        std::string value(length, '\0');
        read(reinterpret_cast<std::uint8_t *>(value.data()), length);
        return value;
    }

    // Bytes up to and excluding a zero byte.
    std::string zeroTerminatedText()
    {
        std::string value;
        for (;;) {
            const std::uint8_t byte = u8();
            if (byte == 0)
                return value;
            if (value.size() == layout::signal_record::kMaxTextLength)
                throw FileFormatException("Malformed signal list");
            value.push_back(char(byte));
        }
    }

    std::uint32_t crc() const { return m_crc; }

    // The stored checksum that ends a section; not part of its own sum.
    void expectCrc(const char *message)
    {
        const std::uint32_t computed = m_crc;
        if (u32() != computed)
            throw FileFormatException(message);
    }

private:
    std::istream &m_stream;
    std::uint32_t m_crc = layout::kCrcStart;
};

SignalRecord readFixedPart(SectionReader &section)
{
    namespace f = layout::signal_record;
    const auto fixed = section.bytes<f::kFixedSize>();
    SignalRecord signal;
    signal.dataType = le::u16(&fixed[f::kDataType]);
    signal.flags = le::u16(&fixed[f::kFlags]);
    signal.startT = le::f32(&fixed[f::kStartT]);
    signal.stopT = le::f32(&fixed[f::kStopT]);
    signal.stepT = le::f32(&fixed[f::kStepT]);
    signal.sampleTime = le::f32(&fixed[f::kSampleTime]);
    signal.sampleSize = le::u16(&fixed[f::kSampleSize]);
    signal.dimensions.resize(fixed[f::kDimensionCount]);
    for (auto &dimension : signal.dimensions)
        dimension = section.u16();
    return signal;
}

} // namespace

LogFileReader::LogFileReader(std::istream &stream)
    : m_stream(stream)
{
    m_stream.exceptions(std::ios_base::eofbit | std::ios_base::failbit | std::ios_base::badbit);
    try {
        readHeader();
        m_stream.seekg(0, std::ios_base::end);
        m_fileSize = std::uint64_t(m_stream.tellg());
        if (!m_legacy)
            readMetadata();
        if (m_legacy)
            readLegacySignalList();
        else
            readSignalList();
        readDataSection();
    } catch (const std::ios_base::failure &) {
        if (m_stream.eof())
            throw FileFormatException("Unexpected end of file");
        throw FileFormatException("Error while reading file");
    }
}

void LogFileReader::readHeader()
{
    const auto start = m_stream.tellg();
    SectionReader probe(m_stream);
    const std::uint32_t magic = probe.u32();
    m_stream.seekg(start);

    if (magic == layout::kLegacyMagic) {
        namespace h = layout::legacy_header;
        SectionReader header(m_stream);
        const auto bytes = header.bytes<h::kSize>();
        m_legacy = true;
        m_version = layout::kLegacyVersion;
        m_dataSectionOffset = le::u32(&bytes[h::kDataSectionOffset]);
        m_signalListOffset = std::uint64_t(m_stream.tellg());
        m_metadataOffset = 0;
        return;
    }
    if ((magic & layout::kCurrentMagicMask) != layout::kCurrentMagic)
        throw UnknownMagic("Unknown log file format");

    namespace h = layout::current_header;
    SectionReader header(m_stream);
    std::array<std::uint8_t, h::kSize> bytes;
    header.read(bytes.data(), h::kCrc);
    header.expectCrc("Fileheader CRC mismatch");
    m_version = bytes[h::kVersion];
    m_dataSectionOffset = le::u32(&bytes[h::kDataSectionOffset]);
    m_signalListOffset = le::u32(&bytes[h::kSignalListOffset]);
    m_metadataOffset = le::u32(&bytes[h::kMetadataOffset]);
}

// Sections must start inside the file; streams disagree on what a seek past the end
// does, so it is refused here as the truncation it is.
void LogFileReader::seekTo(std::uint64_t offset)
{
    if (offset > m_fileSize)
        throw FileFormatException("Unexpected end of file");
    m_stream.seekg(std::streamoff(offset));
}

void LogFileReader::readMetadata()
{
    seekTo(m_metadataOffset);
    SectionReader section(m_stream);
    Metadata metadata;
    const std::uint16_t count = section.u16();
    for (std::uint16_t i = 0; i < count; ++i) {
        std::string key = section.text(section.u16());
        std::string value = section.text(section.u16());
        metadata.insert_or_assign(std::move(key), std::move(value));
    }
    section.expectCrc("Metadata CRC error");
    m_metadata = std::move(metadata);
}

void LogFileReader::readSignalList()
{
    seekTo(m_signalListOffset);
    SectionReader section(m_stream);
    auto signalList = std::make_shared<SignalList>();
    const std::uint16_t count = section.u16();
    signalList->reserve(count);
    for (std::uint16_t i = 0; i < count; ++i) {
        SignalRecord signal = readFixedPart(section);
        signal.name = section.text(section.u16());
        signal.blockName = section.text(section.u16());
        signal.label = section.text(section.u16());
        signal.index = i;
        signalList->push_back(std::move(signal));
    }
    section.expectCrc("Metadata CRC error");
    m_signals = std::move(signalList);
}

void LogFileReader::readLegacySignalList()
{
    seekTo(m_signalListOffset);
    SectionReader section(m_stream);
    auto signalList = std::make_shared<SignalList>();
    const auto count = std::uint16_t(section.u32() & 0xFFFFu);
    signalList->reserve(count);
    for (std::uint16_t i = 0; i < count; ++i) {
        section.bytes<layout::signal_record::kLegacyPrefixSize>();
        SignalRecord signal = readFixedPart(section);
        signal.name = section.zeroTerminatedText();
        signal.blockName = section.zeroTerminatedText();
        signal.label = section.zeroTerminatedText();
        signal.index = i;
        signalList->push_back(std::move(signal));
    }
    m_signals = std::move(signalList);
}

void LogFileReader::readDataSection()
{
    namespace h = layout::data_header;
    seekTo(m_dataSectionOffset);
    SectionReader section(m_stream);
    std::array<std::uint8_t, h::kSize> bytes;
    section.read(bytes.data(), h::kCrc);
    const std::uint64_t dataStart = m_dataSectionOffset + h::kSize;
    std::uint64_t start = le::u32(&bytes[h::kStart]);
    std::uint64_t end = le::u32(&bytes[h::kEnd]);
    std::uint32_t third = le::u32(&bytes[h::kThird]);
    if (m_legacy) {
        section.bytes<4>(); // a checksum the legacy format never kept up to date
        start += m_dataSectionOffset;
        end += m_dataSectionOffset;
        third += std::uint32_t(m_dataSectionOffset);
    } else {
        section.expectCrc("Data header CRC failed");
    }

    // The walk trusts these positions: past the end of the file the file was cut short,
    // before the data start they would point into the headers.
    if (start > m_fileSize || end > m_fileSize)
        throw FileFormatException("Unexpected end of file");
    if (start < dataStart || end < dataStart)
        throw FileFormatException("Data section offsets out of range");
    m_dataSection.emplace(m_stream, dataStart, start, end, third, m_signals, m_fileSize);
}
