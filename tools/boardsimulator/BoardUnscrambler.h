#pragma once

#include <array>
#include <cstdint>

// The board's side of the word scrambler that application chunks travel under: two
// MT19937 generators with the firmware's seeding (each state word the previous one
// times 6069), A seeded with the seed from the seed reply and B with A's first
// output. For each little-endian word, A gives r and B's low two bits what was done:
// XOR with r, rotate left by r mod 32, add r, or nothing. The board undoes it.
// Written apart from the program's scrambler, so that the two check each other.
class BoardUnscrambler
{
public:
    void seed(uint32_t value);
    // Undoes the scrambling of length bytes (a whole number of words) in place.
    void unscramble(unsigned char *bytes, uint32_t length);

private:
    class Generator
    {
    public:
        void seed(uint32_t value);
        uint32_t next();

    private:
        std::array<uint32_t, 624> m_state{};
        int m_index = 625; // not seeded
    };

    Generator m_values;
    Generator m_actions;
};
