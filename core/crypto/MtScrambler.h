#pragma once

#include "MersenneTwister.h"

#include <cstdint>

// The word scrambler shared with the board firmware. Two generators drive it: for
// each little-endian 32-bit word, A gives a value r and B picks what to do with it
// (XOR with r, rotate left by r mod 32, add r, or leave the word). The update service
// scrambles application chunks with it, and scrambleWithSeeds() turns stored bytes
// into the run-time keys that decryptAes256Cbc() is called with.
//
// Scrambling is not its own inverse: undoing it takes the same generator sequence
// with XOR, rotate right and subtract. One object belongs to one thread at a time.
class MtScrambler
{
public:
    // The only mode the firmware defines.
    static constexpr int kScrambleMode = 1;
    // Results, as the firmware reports them.
    static constexpr int kUnsupportedMode = -1;
    static constexpr int kInvalidArgument = -22;

    void setMode(int mode) { m_mode = mode; }
    int mode() const { return m_mode; }

    // Seeds generator A with value and generator B with A's first output.
    // 0, or kUnsupportedMode when the mode set is not kScrambleMode.
    int seed(std::uint32_t value);

    // Scrambles length bytes at buffer in place; any address is fine. Returns 0,
    // kUnsupportedMode when mode is not kScrambleMode, or kInvalidArgument when length
    // is not a whole number of words (the bytes are then left as they were).
    int scramble(void *buffer, std::uint32_t length, int mode);

    // Scrambles the buffer three times in place: seeded with seedA, then seedB, then
    // seedC. Stops at the first failure and returns its result, else 0.
    static int scrambleWithSeeds(void *buffer, int length, std::uint32_t seedA, std::uint32_t seedB,
                                 std::uint32_t seedC);

private:
    MersenneTwister m_generatorA;
    MersenneTwister m_generatorB;
    int m_mode = 0;
};
