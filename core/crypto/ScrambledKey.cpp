#include "ScrambledKey.h"

#include "MtScrambler.h"

QByteArray scrambledKey(std::span<const std::uint8_t> stored, std::uint32_t seedA, std::uint32_t seedB,
                        std::uint32_t seedC)
{
    QByteArray bytes(reinterpret_cast<const char *>(stored.data()), qsizetype(stored.size()));
    if (MtScrambler::scrambleWithSeeds(bytes.data(), int(bytes.size()), seedA, seedB, seedC) != 0)
        return {};
    return bytes;
}
