#pragma once

#include <QByteArrayView>

#include <cstdint>

// CRC-32/MPEG-2 bit by bit (polynomial 0x04C11DB7, start 0xFFFFFFFF, no reflection,
// no final XOR): the tests' own reference, independent of the program's table-driven
// checksum. Its catalogue check value is 0x0376E6E7 for "123456789".
uint32_t referenceCrc32Mpeg2(QByteArrayView bytes);
