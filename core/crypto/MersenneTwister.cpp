#include "MersenneTwister.h"

namespace {
constexpr int kMiddleOffset = 397;
constexpr std::uint32_t kMatrix = 0x9908B0DFu;
constexpr std::uint32_t kUpperBit = 0x80000000u;
constexpr std::uint32_t kLowerBits = 0x7FFFFFFFu;
constexpr std::uint32_t kSeedMultiplier = 6069u;
} // namespace

MersenneTwister::MersenneTwister(const State &words, int index)
    : m_words(words)
    , m_index(index)
{
}

void MersenneTwister::seed(std::uint32_t value)
{
    m_words[0] = value;
    for (int i = 1; i < kStateSize; ++i)
        m_words[i] = m_words[i - 1] * kSeedMultiplier; // wraps modulo 2^32
    m_index = kStateSize;
}

void MersenneTwister::regenerate()
{
    for (int i = 0; i < kStateSize; ++i) {
        const std::uint32_t y = (m_words[i] & kUpperBit) | (m_words[(i + 1) % kStateSize] & kLowerBits);
        m_words[i] = m_words[(i + kMiddleOffset) % kStateSize] ^ (y >> 1) ^ ((y & 1u) ? kMatrix : 0u);
    }
    m_index = 0;
}

std::uint32_t MersenneTwister::next()
{
    if (m_index >= kStateSize || m_index < 0) {
        if (m_index > kStateSize || m_index < 0)
            seed(kDefaultSeed);
        regenerate();
    }
    std::uint32_t y = m_words[m_index++];
    y ^= y >> 11;
    y ^= (y << 7) & 0x9D2C5680u;
    y ^= (y << 15) & 0xEFC60000u;
    y ^= y >> 18;
    return y;
}
