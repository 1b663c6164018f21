#include "FirmwareCipher.h"

#include "Aes256CbcDecryption.h"
#include "ScrambledKey.h"

#include <array>
#include <cstdint>

namespace {

constexpr std::array<std::uint8_t, 32> kStoredKey{0x3f, 0x91, 0x0c, 0xd8, 0x67, 0x2e, 0xb5, 0x4a, 0x18, 0xe3, 0x7d,
                                                  0xa0, 0x56, 0xcb, 0x29, 0x94, 0xf2, 0x0b, 0x6e, 0xd1, 0x38, 0x85,
                                                  0x4c, 0xbf, 0x13, 0x7a, 0xe6, 0x09, 0x5d, 0xc2, 0x31, 0xa8};
constexpr std::uint32_t kKeySeedA = 0x8d2f4b17;
constexpr std::uint32_t kKeySeedB = 0x31c6e905;
constexpr std::uint32_t kKeySeedC = 0xa74b02dc;

constexpr std::array<std::uint8_t, 16> kStoredIv{0x72, 0xd4, 0x19, 0xae, 0x05, 0x6b, 0xc8, 0x3e,
                                                 0x91, 0x27, 0xfa, 0x54, 0x0d, 0xb3, 0x68, 0xe1};
constexpr std::uint32_t kIvSeedA = 0x5be81d26;
constexpr std::uint32_t kIvSeedB = 0xc0937af4;
constexpr std::uint32_t kIvSeedC = 0x1e65b38b;

} // namespace

namespace FirmwareCipher {

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

} // namespace FirmwareCipher
