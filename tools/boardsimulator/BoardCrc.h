#pragma once

#include <QByteArrayView>

#include <cstdint>

// The board's checksum over its link messages: CRC-32/MPEG-2, worked bit by bit.
// Written apart from the program's table-driven one on purpose, so that a fault in
// either shows up as a disagreement.
uint32_t boardCrc32(QByteArrayView data, uint32_t start = 0xFFFFFFFFu);
