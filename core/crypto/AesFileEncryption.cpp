#include "AesFileEncryption.h"

#include "AesBlockCipher.h"

#include <algorithm>
#include <cstring>

namespace {

using Block = AesBlockCipher::Block;

int keyLengthOf(int level)
{
    switch (level) {
    case AesFileEncryption::Aes192:
        return 24;
    case AesFileEncryption::Aes256:
        return 32;
    default:
        return 16;
    }
}

AesBlockCipher makeCipher(const QByteArray &key)
{
    return AesBlockCipher({reinterpret_cast<const std::uint8_t *>(key.constData()), std::size_t(key.size())});
}

// The (up to) 16 bytes at offset of data, zero-filled past its end.
Block blockAt(const QByteArray &data, qsizetype offset)
{
    Block block{};
    const qsizetype length = std::min<qsizetype>(AesBlockCipher::kBlockSize, data.size() - offset);
    std::memcpy(block.data(), data.constData() + offset, std::size_t(length));
    return block;
}

Block xorBlocks(const Block &a, const Block &b)
{
    Block out;
    for (int i = 0; i < AesBlockCipher::kBlockSize; ++i)
        out[i] = std::uint8_t(a[i] ^ b[i]);
    return out;
}

// Writes the first length bytes of block to out at offset.
void put(QByteArray &out, qsizetype offset, const Block &block, qsizetype length)
{
    std::memcpy(out.data() + offset, block.data(), std::size_t(length));
}

} // namespace

AesFileEncryption::AesFileEncryption(int level, int mode, int padding)
    : m_mode(mode)
    , m_padding((padding >= ZeroPadding && padding <= Iso7816Padding) ? padding : ZeroPadding)
    , m_keyLength(keyLengthOf(level))
{
}

bool AesFileEncryption::acceptsKeyAndIv(const QByteArray &key, const QByteArray &iv) const
{
    // A key of another length would make the key expansion read past its end.
    return (m_mode == Cbc || m_mode == Cfb || m_mode == Ofb) && iv.size() == kBlockSize && key.size() == m_keyLength;
}

QByteArray AesFileEncryption::padded(const QByteArray &plain) const
{
    qsizetype n = (kBlockSize - plain.size() % kBlockSize) % kBlockSize;
    QByteArray out = plain;
    switch (m_padding) {
    case Pkcs7Padding:
        if (n == 0)
            n = kBlockSize;
        out.append(n, char(n));
        break;
    case Iso7816Padding:
        if (n > 0) {
            out.append(char(0x80));
            out.append(n - 1, '\0');
        }
        break;
    default:
        out.append(n, '\0');
        break;
    }
    return out;
}

QByteArray AesFileEncryption::encode(const QByteArray &plain, const QByteArray &key, const QByteArray &iv) const
{
    if (!acceptsKeyAndIv(key, iv))
        return {};
    const AesBlockCipher cipher = makeCipher(key);
    const QByteArray input = padded(plain);
    QByteArray out(input.size(), Qt::Uninitialized);

    Block chain = blockAt(iv, 0);
    for (qsizetype offset = 0; offset < input.size(); offset += kBlockSize) {
        const Block block = blockAt(input, offset);
        Block result;
        switch (m_mode) {
        case Cbc:
            result = cipher.encrypt(xorBlocks(block, chain));
            chain = result;
            break;
        case Cfb:
            result = xorBlocks(block, cipher.encrypt(chain));
            chain = result;
            break;
        default: // Ofb
            chain = cipher.encrypt(chain);
            result = xorBlocks(block, chain);
            break;
        }
        put(out, offset, result, kBlockSize);
    }
    return out;
}

QByteArray AesFileEncryption::decode(const QByteArray &cipherText, const QByteArray &key, const QByteArray &iv) const
{
    if (!acceptsKeyAndIv(key, iv))
        return {};
    // CBC has no defined result for a partial block; refuse rather than guess.
    if (m_mode == Cbc && cipherText.size() % kBlockSize != 0)
        return {};
    const AesBlockCipher cipher = makeCipher(key);
    QByteArray out(cipherText.size(), Qt::Uninitialized);

    Block chain = blockAt(iv, 0);
    for (qsizetype offset = 0; offset < cipherText.size(); offset += kBlockSize) {
        const qsizetype length = std::min<qsizetype>(kBlockSize, cipherText.size() - offset);
        const Block block = blockAt(cipherText, offset);
        Block result;
        switch (m_mode) {
        case Cbc:
            result = xorBlocks(cipher.decrypt(block), chain);
            chain = block;
            break;
        case Cfb:
            result = xorBlocks(block, cipher.encrypt(chain));
            chain = block;
            break;
        default: // Ofb
            chain = cipher.encrypt(chain);
            result = xorBlocks(block, chain);
            break;
        }
        put(out, offset, result, length);
    }
    return out;
}
