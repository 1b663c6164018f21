#include "VersionInfoCipher.h"

#include "Aes256CbcDecryption.h"
#include "ScrambledKey.h"

#include <array>
#include <cstdint>

namespace {

constexpr std::array<std::uint8_t, 32> kStoredKey{0x5e, 0x1b, 0xc4, 0x72, 0x09, 0xd3, 0x8a, 0x46, 0xf1, 0x2c, 0x97,
                                                  0x60, 0x3d, 0xb8, 0x0e, 0x85, 0x4a, 0xe9, 0x13, 0x7c, 0xa6, 0x58,
                                                  0xcf, 0x21, 0x94, 0x3b, 0x6d, 0xf0, 0x87, 0x12, 0xdb, 0x4e};
constexpr std::uint32_t kKeySeedA = 0x6c3a91f5;
constexpr std::uint32_t kKeySeedB = 0x0b82d47e;
constexpr std::uint32_t kKeySeedC = 0xe419a62d;

constexpr std::array<std::uint8_t, 16> kStoredIv{0xa3, 0x07, 0x5f, 0xd2, 0x9c, 0x41, 0xbe, 0x68,
                                                 0x13, 0xf7, 0x2a, 0x85, 0xc0, 0x5d, 0x39, 0xe6};
constexpr std::uint32_t kIvSeedA = 0x2f6d1c93;
constexpr std::uint32_t kIvSeedB = 0x95e04ab1;
constexpr std::uint32_t kIvSeedC = 0x47b8f30e;

} // namespace

namespace VersionInfoCipher {

QByteArray key()
{
    return scrambledKey(kStoredKey, kKeySeedA, kKeySeedB, kKeySeedC);
}

QByteArray iv()
{
    return scrambledKey(kStoredIv, kIvSeedA, kIvSeedB, kIvSeedC);
}

QByteArray decrypt(const QByteArray &ciphertext)
{
    return decryptAes256Cbc(ciphertext, key(), iv());
}

} // namespace VersionInfoCipher
