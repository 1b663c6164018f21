#pragma once

#include <QByteArray>

#include <cstdint>
#include <span>

// The run-time form of a key or IV that the program keeps only in its stored form:
// the stored bytes scrambled by MtScrambler::scrambleWithSeeds() with the three
// seeds. Empty when the scrambler refuses them (a length that is not a whole number
// of 32-bit words), so that a decryption with it fails instead of using a wrong key.
QByteArray scrambledKey(std::span<const std::uint8_t> stored, std::uint32_t seedA, std::uint32_t seedB,
                        std::uint32_t seedC);
