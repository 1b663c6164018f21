#include "MtScrambler.h"

#include <bit>
#include <cstddef>

namespace {

enum class WordAction : std::uint32_t { Xor = 0, RotateLeft = 1, Add = 2, Keep = 3 };

std::uint32_t readLittleEndian(const unsigned char *p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

void writeLittleEndian(unsigned char *p, std::uint32_t word)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(word >> (8 * i));
}

} // namespace

int MtScrambler::seed(std::uint32_t value)
{
    if (m_mode != kScrambleMode)
        return kUnsupportedMode;
    m_generatorA.seed(value);
    m_generatorB.seed(m_generatorA.next());
    return 0;
}

int MtScrambler::scramble(void *buffer, std::uint32_t length, int mode)
{
    if (mode != kScrambleMode)
        return kUnsupportedMode;
    if (length % 4 != 0 || (buffer == nullptr && length != 0))
        return kInvalidArgument;

    // Words are read byte by byte, so the buffer's alignment does not matter, and the
    // index is wide enough for any length.
    auto *bytes = static_cast<unsigned char *>(buffer);
    for (std::size_t offset = 0; offset < length; offset += 4) {
        std::uint32_t word = readLittleEndian(bytes + offset);
        const std::uint32_t r = m_generatorA.next();
        switch (WordAction(m_generatorB.next() & 3u)) {
        case WordAction::Xor:
            word ^= r;
            break;
        case WordAction::RotateLeft:
            word = std::rotl(word, int(r & 31u));
            break;
        case WordAction::Add:
            word += r;
            break;
        case WordAction::Keep:
            break;
        }
        writeLittleEndian(bytes + offset, word);
    }
    return 0;
}

int MtScrambler::scrambleWithSeeds(void *buffer, int length, std::uint32_t seedA, std::uint32_t seedB,
                                   std::uint32_t seedC)
{
    if (length < 0)
        return kInvalidArgument;
    MtScrambler scrambler;
    scrambler.setMode(kScrambleMode);
    for (const std::uint32_t seedValue : {seedA, seedB, seedC}) {
        int result = scrambler.seed(seedValue);
        if (result >= 0)
            result = scrambler.scramble(buffer, std::uint32_t(length), kScrambleMode);
        if (result < 0)
            return result;
    }
    return 0;
}
