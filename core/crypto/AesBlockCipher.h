#pragma once

#include <array>
#include <cstdint>
#include <span>

// One AES key (FIPS-197) expanded once, encrypting and decrypting single 16-byte
// blocks. The state is read and written column by column, as the standard does.
class AesBlockCipher
{
public:
    static constexpr int kBlockSize = 16;
    using Block = std::array<std::uint8_t, kBlockSize>;

    // The key must hold 16, 24 or 32 bytes; the caller checks its length.
    explicit AesBlockCipher(std::span<const std::uint8_t> key);

    Block encrypt(const Block &in) const;
    Block decrypt(const Block &in) const;

private:
    void addRoundKey(Block &state, int round) const;

    int m_rounds = 0;
    // (rounds + 1) round keys of 16 bytes each; 15 for AES-256.
    std::array<std::uint8_t, 15 * kBlockSize> m_roundKeys{};
};
