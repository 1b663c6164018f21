#pragma once

#include <cstddef>
#include <cstdint>

// Byte layout of the device log files ("*.hlf"). All integers are little-endian and
// every offset stored in a file is an absolute byte position from its start.
namespace logfile::layout {

// Bytes 0..3 read as a u32: the current format carries its version in the low byte.
inline constexpr std::uint32_t kCurrentMagic = 0x484C4600u;
inline constexpr std::uint32_t kCurrentMagicMask = 0xFFFFFF00u;
inline constexpr std::uint32_t kLegacyMagic = 0x5433334Cu; // "L33T"
inline constexpr int kLegacyVersion = 2;

inline constexpr std::uint32_t kCrcStart = 0xFFFFFFFFu;

namespace current_header {
inline constexpr std::size_t kVersion = 0;
inline constexpr std::size_t kDataSectionOffset = 4;
inline constexpr std::size_t kSignalListOffset = 8;
inline constexpr std::size_t kMetadataOffset = 12;
inline constexpr std::size_t kCrc = 16; // over bytes 0..15
inline constexpr std::size_t kSize = 20;
} // namespace current_header

namespace legacy_header {
inline constexpr std::size_t kDataSectionOffset = 4;
inline constexpr std::size_t kSize = 8;
} // namespace legacy_header

// The fixed part of a signal record; the dimensions and the texts follow it.
namespace signal_record {
inline constexpr std::size_t kDataType = 0;
inline constexpr std::size_t kFlags = 2;
inline constexpr std::size_t kStartT = 4;
inline constexpr std::size_t kStopT = 8;
inline constexpr std::size_t kStepT = 12;
inline constexpr std::size_t kSampleTime = 16;
inline constexpr std::size_t kSampleSize = 20;
inline constexpr std::size_t kDimensionCount = 22;
inline constexpr std::size_t kFixedSize = 23;
// The legacy list puts an uninterpreted u16 before each record.
inline constexpr std::size_t kLegacyPrefixSize = 2;
// Texts of the legacy list end at a zero byte; none is longer than a current one can be.
inline constexpr std::size_t kMaxTextLength = 0xFFFF;
} // namespace signal_record

inline constexpr std::uint16_t kFlagComplex = 0x0002;
inline constexpr std::uint16_t kFlagTime = 0x0010;

namespace data_header {
inline constexpr std::size_t kStart = 0;
inline constexpr std::size_t kEnd = 4;
inline constexpr std::size_t kThird = 8;
inline constexpr std::size_t kCrc = 12; // over bytes 0..11
inline constexpr std::size_t kSize = 16;
} // namespace data_header

// The data region is a circular buffer of pages aligned on absolute file offsets.
inline constexpr std::size_t kPageSize = 4096;
// Bit 0 of a record's first byte marks filler up to the next page boundary.
inline constexpr std::uint8_t kFillerBit = 0x01;

// Presence bitmap of n + 1 bits: bit 0 filler, bit i + 1 signal i.
constexpr std::size_t bitmapLength(std::size_t signalCount)
{
    return (signalCount + 8) / 8;
}

} // namespace logfile::layout
