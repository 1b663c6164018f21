#include "AesBlockCipher.h"

#include <cassert>

namespace {

using Byte = std::uint8_t;

constexpr Byte xtime(Byte x)
{
    return Byte((x << 1) ^ ((x & 0x80) ? 0x1b : 0x00));
}

constexpr Byte multiply(Byte a, Byte b)
{
    Byte product = 0;
    while (b) {
        if (b & 1)
            product ^= a;
        a = xtime(a);
        b >>= 1;
    }
    return product;
}

constexpr Byte rotateLeft(Byte x, int n)
{
    return Byte((x << n) | (x >> (8 - n)));
}

// The S-box is built from its definition (multiplicative inverse in GF(2^8), then the
// affine transform) so no hand-typed table can hold a wrong entry.
constexpr std::array<Byte, 256> makeSBox()
{
    std::array<Byte, 256> box{};
    for (int i = 0; i < 256; ++i) {
        Byte inverse = 0;
        if (i != 0) {
            // a^254 is the inverse of a in GF(2^8).
            Byte power = Byte(i);
            Byte result = 1;
            for (int e = 254; e > 0; e >>= 1) {
                if (e & 1)
                    result = multiply(result, power);
                power = multiply(power, power);
            }
            inverse = result;
        }
        box[i] = Byte(inverse ^ rotateLeft(inverse, 1) ^ rotateLeft(inverse, 2) ^ rotateLeft(inverse, 3)
                      ^ rotateLeft(inverse, 4) ^ 0x63);
    }
    return box;
}

constexpr std::array<Byte, 256> makeInverseSBox(const std::array<Byte, 256> &box)
{
    std::array<Byte, 256> inverse{};
    for (int i = 0; i < 256; ++i)
        inverse[box[i]] = Byte(i);
    return inverse;
}

constexpr std::array<Byte, 256> kSBox = makeSBox();
constexpr std::array<Byte, 256> kInverseSBox = makeInverseSBox(kSBox);
constexpr std::array<Byte, 11> kRoundConstants = {0x00, 0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80, 0x1b, 0x36};

static_assert(kSBox[0x00] == 0x63 && kSBox[0x01] == 0x7c && kSBox[0x53] == 0xed && kSBox[0xff] == 0x16);
static_assert(kInverseSBox[0x63] == 0x00 && kInverseSBox[0x16] == 0xff);

void subBytes(AesBlockCipher::Block &s)
{
    for (Byte &b : s)
        b = kSBox[b];
}

void inverseSubBytes(AesBlockCipher::Block &s)
{
    for (Byte &b : s)
        b = kInverseSBox[b];
}

// Byte (row r, column c) sits at index r + 4c.
void shiftRows(AesBlockCipher::Block &s)
{
    const AesBlockCipher::Block in = s;
    for (int r = 1; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            s[r + 4 * c] = in[r + 4 * ((c + r) % 4)];
}

void inverseShiftRows(AesBlockCipher::Block &s)
{
    const AesBlockCipher::Block in = s;
    for (int r = 1; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            s[r + 4 * ((c + r) % 4)] = in[r + 4 * c];
}

void mixColumns(AesBlockCipher::Block &s)
{
    for (int c = 0; c < 4; ++c) {
        Byte *col = &s[4 * c];
        const Byte a0 = col[0], a1 = col[1], a2 = col[2], a3 = col[3];
        col[0] = Byte(xtime(a0) ^ (xtime(a1) ^ a1) ^ a2 ^ a3);
        col[1] = Byte(a0 ^ xtime(a1) ^ (xtime(a2) ^ a2) ^ a3);
        col[2] = Byte(a0 ^ a1 ^ xtime(a2) ^ (xtime(a3) ^ a3));
        col[3] = Byte((xtime(a0) ^ a0) ^ a1 ^ a2 ^ xtime(a3));
    }
}

void inverseMixColumns(AesBlockCipher::Block &s)
{
    for (int c = 0; c < 4; ++c) {
        Byte *col = &s[4 * c];
        const Byte a0 = col[0], a1 = col[1], a2 = col[2], a3 = col[3];
        col[0] = Byte(multiply(a0, 14) ^ multiply(a1, 11) ^ multiply(a2, 13) ^ multiply(a3, 9));
        col[1] = Byte(multiply(a0, 9) ^ multiply(a1, 14) ^ multiply(a2, 11) ^ multiply(a3, 13));
        col[2] = Byte(multiply(a0, 13) ^ multiply(a1, 9) ^ multiply(a2, 14) ^ multiply(a3, 11));
        col[3] = Byte(multiply(a0, 11) ^ multiply(a1, 13) ^ multiply(a2, 9) ^ multiply(a3, 14));
    }
}

} // namespace

AesBlockCipher::AesBlockCipher(std::span<const std::uint8_t> key)
{
    const int keyWords = int(key.size() / 4);
    assert(keyWords == 4 || keyWords == 6 || keyWords == 8);
    m_rounds = keyWords + 6;
    const int totalWords = 4 * (m_rounds + 1);

    // The round keys as bytes: word i occupies bytes 4i .. 4i+3.
    Byte *w = m_roundKeys.data();
    for (int i = 0; i < 4 * keyWords; ++i)
        w[i] = key[i];
    for (int i = keyWords; i < totalWords; ++i) {
        Byte temp[4] = {w[4 * (i - 1)], w[4 * (i - 1) + 1], w[4 * (i - 1) + 2], w[4 * (i - 1) + 3]};
        if (i % keyWords == 0) {
            const Byte first = temp[0];
            temp[0] = Byte(kSBox[temp[1]] ^ kRoundConstants[i / keyWords]);
            temp[1] = kSBox[temp[2]];
            temp[2] = kSBox[temp[3]];
            temp[3] = kSBox[first];
        } else if (keyWords > 6 && i % keyWords == 4) {
            for (Byte &b : temp)
                b = kSBox[b];
        }
        for (int j = 0; j < 4; ++j)
            w[4 * i + j] = Byte(w[4 * (i - keyWords) + j] ^ temp[j]);
    }
}

void AesBlockCipher::addRoundKey(Block &state, int round) const
{
    for (int i = 0; i < kBlockSize; ++i)
        state[i] ^= m_roundKeys[round * kBlockSize + i];
}

AesBlockCipher::Block AesBlockCipher::encrypt(const Block &in) const
{
    Block state = in;
    addRoundKey(state, 0);
    for (int round = 1; round < m_rounds; ++round) {
        subBytes(state);
        shiftRows(state);
        mixColumns(state);
        addRoundKey(state, round);
    }
    subBytes(state);
    shiftRows(state);
    addRoundKey(state, m_rounds);
    return state;
}

AesBlockCipher::Block AesBlockCipher::decrypt(const Block &in) const
{
    Block state = in;
    addRoundKey(state, m_rounds);
    for (int round = m_rounds - 1; round > 0; --round) {
        inverseShiftRows(state);
        inverseSubBytes(state);
        addRoundKey(state, round);
        inverseMixColumns(state);
    }
    inverseShiftRows(state);
    inverseSubBytes(state);
    addRoundKey(state, 0);
    return state;
}
