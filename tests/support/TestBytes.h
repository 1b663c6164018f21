#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <cstdint>

// Bytes for test fixtures: little-endian numbers as a board writes them, hexadecimal
// text, and filler that shows where each byte came from.

QByteArray hex(const char *text);
QByteArray le16(uint16_t value);
QByteArray le32(uint32_t value);
QByteArray le64(uint64_t value);

// The text followed by zeros up to size, as in a fixed-size text field.
QByteArray zeroFilled(const QByteArray &text, qsizetype size);

// Byte i is (i * 7 + seed) & 0xFF: every byte differs from its neighbours.
QByteArray pattern(qsizetype size, int seed = 0);

// The same bytes for the same seed, on every run.
QByteArray randomBytes(qsizetype size, quint32 seed);
