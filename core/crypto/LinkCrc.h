#pragma once

#include <cstddef>
#include <cstdint>

// The link checksum: CRC-32/MPEG-2 (polynomial 0x04C11DB7, most significant bit
// first, no reflection, no final XOR). A fresh checksum starts with 0xFFFFFFFF; a
// checksum over several pieces passes each result on as the next start value.
// Pure and thread-safe.
uint32_t computeCrc32(uint32_t start, const void *data, std::size_t length);
