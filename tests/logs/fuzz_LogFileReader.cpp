// Opens arbitrary bytes as a device log and walks every record, reading each sample
// as numbers. Only the reader's own failures may come out, and the walk must end.
// The checksums of all four checksummed parts of the current format (the header, the
// metadata, the signal list and the data header) are set right first, so that the
// fuzzer's changes behind them reach the readers of each part and the walk.

#include "FileFormatException.h"
#include "LinkCrc.h"
#include "LogConverter.h"
#include "LogFileLayout.h"
#include "LogFileReader.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <sstream>
#include <string>

namespace {

void require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

void putCrc(std::string &bytes, std::size_t from, std::size_t length)
{
    if (from + length + 4 > bytes.size())
        return;
    const std::uint32_t crc = computeCrc32(logfile::layout::kCrcStart, bytes.data() + from, length);
    for (int i = 0; i < 4; ++i)
        bytes[from + length + std::size_t(i)] = char((crc >> (8 * i)) & 0xFF);
}

std::uint32_t u32At(const std::string &bytes, std::size_t at)
{
    std::uint32_t value = 0;
    if (at + 4 <= bytes.size())
        std::memcpy(&value, bytes.data() + at, 4);
    return value;
}

// Walks a section as the reader does; the position of its checksum, or nothing when
// the bytes end first.
class SectionWalk
{
public:
    SectionWalk(const std::string &bytes, std::size_t start)
        : m_bytes(bytes)
        , m_at(start)
    {
    }

    bool skip(std::size_t length)
    {
        if (!m_ok || length > m_bytes.size() - std::min(m_at, m_bytes.size()))
            return m_ok = false;
        m_at += length;
        return true;
    }
    std::size_t u8()
    {
        const std::size_t at = m_at;
        return skip(1) ? std::uint8_t(m_bytes[at]) : 0;
    }
    std::size_t u16()
    {
        const std::size_t at = m_at;
        return skip(2) ? std::uint8_t(m_bytes[at]) | std::size_t(std::uint8_t(m_bytes[at + 1])) << 8 : 0;
    }
    // A u16 length and that many bytes.
    void countedText() { skip(u16()); }
    std::optional<std::size_t> end() const { return m_ok ? std::optional(m_at) : std::nullopt; }

private:
    const std::string &m_bytes;
    std::size_t m_at;
    bool m_ok = true;
};

std::optional<std::size_t> metadataEnd(const std::string &bytes, std::size_t start)
{
    SectionWalk walk(bytes, start);
    for (std::size_t count = walk.u16(); count > 0 && walk.end(); --count) {
        walk.countedText(); // key
        walk.countedText(); // value
    }
    return walk.end();
}

std::optional<std::size_t> signalListEnd(const std::string &bytes, std::size_t start)
{
    namespace f = logfile::layout::signal_record;
    SectionWalk walk(bytes, start);
    for (std::size_t count = walk.u16(); count > 0 && walk.end(); --count) {
        walk.skip(f::kDimensionCount);
        walk.skip(2 * walk.u8()); // the dimensions
        walk.countedText();       // name
        walk.countedText();       // block name
        walk.countedText();       // label
    }
    return walk.end();
}

void putSectionCrc(std::string &bytes, std::size_t start, std::optional<std::size_t> end)
{
    if (end)
        putCrc(bytes, start, *end - start);
}

void repairChecksums(std::string &bytes)
{
    namespace layout = logfile::layout;
    if (bytes.size() < layout::current_header::kSize || bytes.compare(1, 3, "FLH") != 0)
        return;
    putCrc(bytes, 0, layout::current_header::kCrc);
    const std::uint32_t metadataOffset = u32At(bytes, layout::current_header::kMetadataOffset);
    putSectionCrc(bytes, metadataOffset, metadataEnd(bytes, metadataOffset));
    const std::uint32_t signalListOffset = u32At(bytes, layout::current_header::kSignalListOffset);
    putSectionCrc(bytes, signalListOffset, signalListEnd(bytes, signalListOffset));
    putCrc(bytes, u32At(bytes, layout::current_header::kDataSectionOffset), layout::data_header::kCrc);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string bytes(reinterpret_cast<const char *>(data), size);
    repairChecksums(bytes);
    std::istringstream stream(bytes);
    try {
        const LogFileReader reader(stream);
        std::uint64_t steps = 0;
        for (auto it = reader.dataSection().begin(); it != reader.dataSection().end(); ++it) {
            require(++steps <= 2 * size + 2); // every step moves on by at least one byte
            for (const auto &entry : it->entries()) {
                require(entry.offset + entry.signal->sampleSize <= it->bytes().size());
                try {
                    LogConverter::sampleValues(entry);
                } catch (const TypeConversionError &) {
                } catch (const std::range_error &) {
                }
            }
        }
    } catch (const FileFormatException &) {
    } catch (const std::ios_base::failure &) {
    }
    return 0;
}
