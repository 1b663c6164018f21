#include "LinkCrc.h"

#include <array>

namespace {

constexpr uint32_t kPolynomial = 0x04C11DB7u;
constexpr int kSlices = 8;

using CrcTables = std::array<std::array<uint32_t, 256>, kSlices>;

// tables[0][i] is the register after shifting byte i (in the top 8 bits) through
// 8 steps of the polynomial; tables[k][i] is the same byte followed by k zero bytes,
// so eight bytes can be folded in with eight independent lookups.
constexpr CrcTables makeTables()
{
    CrcTables tables{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t crc = i << 24;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x80000000u) ? (crc << 1) ^ kPolynomial : crc << 1;
        tables[0][i] = crc;
    }
    for (int k = 1; k < kSlices; ++k) {
        for (uint32_t i = 0; i < 256; ++i) {
            const uint32_t previous = tables[k - 1][i];
            tables[k][i] = (previous << 8) ^ tables[0][previous >> 24];
        }
    }
    return tables;
}

constexpr CrcTables kTables = makeTables();
static_assert(kTables[0][1] == kPolynomial);

inline uint32_t bigEndianWord(const unsigned char *p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

} // namespace

uint32_t computeCrc32(uint32_t start, const void *data, std::size_t length)
{
    const auto *bytes = static_cast<const unsigned char *>(data);
    uint32_t crc = start;

    while (length >= kSlices) {
        const uint32_t high = crc ^ bigEndianWord(bytes);
        crc = kTables[7][high >> 24] ^ kTables[6][(high >> 16) & 0xFF] ^ kTables[5][(high >> 8) & 0xFF]
              ^ kTables[4][high & 0xFF] ^ kTables[3][bytes[4]] ^ kTables[2][bytes[5]] ^ kTables[1][bytes[6]]
              ^ kTables[0][bytes[7]];
        bytes += kSlices;
        length -= kSlices;
    }
    while (length-- > 0)
        crc = (crc << 8) ^ kTables[0][((crc >> 24) ^ *bytes++) & 0xFF];
    return crc;
}
