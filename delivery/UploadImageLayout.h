#pragma once

#include <QtGlobal>

// The upload image a board takes in place of an ELF file. Every integer is a
// little-endian u32, and every checksum the link checksum (computeCrc32) started
// with 0xFFFFFFFF.
//
//   header         kHeaderSize bytes
//   segment table  one kRecordSize record per program header, in table order
//   segment data   each segment's file bytes, zero-padded or cut to its memory size
namespace upload_image {

inline constexpr quint32 kCrcStart = 0xFFFFFFFFu;
inline constexpr quint32 kFormat = 1;

namespace header {
inline constexpr qsizetype kFormat = 0;
inline constexpr qsizetype kBaseVersion = 4; // UTF-8, first 16 bytes, zero-padded
inline constexpr qsizetype kBaseVersionSize = 16;
inline constexpr qsizetype kFlags = 20;
inline constexpr qsizetype kAppInfoCut = 24;
inline constexpr qsizetype kReserved = 28; // 16 zero bytes
inline constexpr qsizetype kSegmentCount = 44;
inline constexpr qsizetype kTableCrc = 48; // over the whole segment table
} // namespace header
inline constexpr qsizetype kHeaderSize = 52;

namespace record {
inline constexpr qsizetype kDataOffset = 0;     // from the start of the image
inline constexpr qsizetype kVirtualAddress = 4; // low 32 bits
inline constexpr qsizetype kMemorySize = 8;
inline constexpr qsizetype kDataCrc = 12; // over the data as placed in the image
} // namespace record
inline constexpr qsizetype kRecordSize = 16;

// Larger images are refused: no board holds that much, and sizes from a damaged ELF
// file must not turn into huge allocations.
inline constexpr qint64 kMaximumSize = 64 * 1024 * 1024;

} // namespace upload_image
