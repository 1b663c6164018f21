// Opens arbitrary bytes as a device log and walks every record, reading each sample
// as numbers. Only the reader's own failures may come out, and the walk must end.
// The header's and the data header's checksums are set right first, so that the
// fuzzer's changes to the offsets behind them reach the walk.

#include "FileFormatException.h"
#include "LinkCrc.h"
#include "LogConverter.h"
#include "LogFileLayout.h"
#include "LogFileReader.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
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

void repairChecksums(std::string &bytes)
{
    namespace layout = logfile::layout;
    if (bytes.size() < layout::current_header::kSize || bytes.compare(1, 3, "FLH") != 0)
        return;
    putCrc(bytes, 0, layout::current_header::kCrc);
    std::uint32_t dataOffset;
    std::memcpy(&dataOffset, bytes.data() + layout::current_header::kDataSectionOffset, 4);
    putCrc(bytes, dataOffset, layout::data_header::kCrc);
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
