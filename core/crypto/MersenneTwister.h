#pragma once

#include <array>
#include <cstdint>

// One MT19937 generator as the board firmware runs it: the standard regeneration
// and tempering, but its own seeding (each word is the previous one times 6069).
// A generator that was never seeded behaves as if seeded with 4357.
class MersenneTwister
{
public:
    static constexpr int kStateSize = 624;
    using State = std::array<std::uint32_t, kStateSize>;

    MersenneTwister() = default;
    // Restores a generator from its words and index, as a saved state holds them.
    MersenneTwister(const State &words, int index);

    void seed(std::uint32_t value);
    std::uint32_t next();

    const State &words() const { return m_words; }
    int index() const { return m_index; }

private:
    static constexpr std::uint32_t kDefaultSeed = 4357;

    void regenerate();

    State m_words{};
    // Above kStateSize: not seeded yet.
    int m_index = kStateSize + 1;
};
