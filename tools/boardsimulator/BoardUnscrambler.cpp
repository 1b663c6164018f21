#include "BoardUnscrambler.h"

#include <bit>
#include <cstddef>

void BoardUnscrambler::Generator::seed(uint32_t value)
{
    m_state[0] = value;
    for (std::size_t i = 1; i < m_state.size(); ++i)
        m_state[i] = m_state[i - 1] * 6069u;
    m_index = int(m_state.size());
}

uint32_t BoardUnscrambler::Generator::next()
{
    constexpr int n = 624;
    constexpr int m = 397;
    if (m_index > n)
        seed(4357u);
    if (m_index == n) {
        for (int i = 0; i < n; ++i) {
            const uint32_t y = (m_state[std::size_t(i)] & 0x80000000u)
                               | (m_state[std::size_t((i + 1) % n)] & 0x7FFFFFFFu);
            m_state[std::size_t(i)] = m_state[std::size_t((i + m) % n)] ^ (y >> 1) ^ ((y & 1u) * 0x9908B0DFu);
        }
        m_index = 0;
    }
    uint32_t y = m_state[std::size_t(m_index++)];
    y ^= y >> 11;
    y ^= (y << 7) & 0x9D2C5680u;
    y ^= (y << 15) & 0xEFC60000u;
    y ^= y >> 18;
    return y;
}

void BoardUnscrambler::seed(uint32_t value)
{
    m_values.seed(value);
    m_actions.seed(m_values.next());
}

void BoardUnscrambler::unscramble(unsigned char *bytes, uint32_t length)
{
    for (uint32_t offset = 0; offset + 4 <= length; offset += 4) {
        unsigned char *p = bytes + offset;
        uint32_t word = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
        const uint32_t r = m_values.next();
        switch (m_actions.next() & 3u) {
        case 0:
            word ^= r;
            break;
        case 1:
            word = std::rotr(word, int(r & 31u));
            break;
        case 2:
            word -= r;
            break;
        default:
            break;
        }
        for (int i = 0; i < 4; ++i)
            p[i] = (unsigned char)(word >> (8 * i));
    }
}
