#include "BoardCipher.h"

#include <openssl/evp.h>

#include <memory>

namespace {

// Runs AES-256-CBC without padding over whole blocks.
QByteArray runCipher(const QByteArray &input, const QByteArray &key, const QByteArray &iv, bool encrypt)
{
    using namespace BoardCipher;
    if (key.size() != KeySize || iv.size() != BlockSize || input.size() % BlockSize != 0)
        return {};
    if (input.isEmpty())
        return {};
    const std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> context(EVP_CIPHER_CTX_new(),
                                                                                  &EVP_CIPHER_CTX_free);
    if (!context
        || EVP_CipherInit_ex(context.get(), EVP_aes_256_cbc(), nullptr,
                             reinterpret_cast<const unsigned char *>(key.constData()),
                             reinterpret_cast<const unsigned char *>(iv.constData()), encrypt ? 1 : 0)
               != 1
        || EVP_CIPHER_CTX_set_padding(context.get(), 0) != 1)
        return {};
    QByteArray output(input.size(), Qt::Uninitialized);
    int length = 0;
    int finalLength = 0;
    if (EVP_CipherUpdate(context.get(), reinterpret_cast<unsigned char *>(output.data()), &length,
                         reinterpret_cast<const unsigned char *>(input.constData()), int(input.size()))
            != 1
        || EVP_CipherFinal_ex(context.get(), reinterpret_cast<unsigned char *>(output.data()) + length, &finalLength)
               != 1)
        return {};
    output.truncate(length + finalLength);
    return output;
}

} // namespace

namespace BoardCipher {

QByteArray encryptBlocks(const QByteArray &blocks, const QByteArray &key, const QByteArray &iv)
{
    return runCipher(blocks, key, iv, true);
}

QByteArray decryptBlocks(const QByteArray &blocks, const QByteArray &key, const QByteArray &iv)
{
    return runCipher(blocks, key, iv, false);
}

std::optional<QByteArray> decryptFromHost(const QByteArray &datagram, const QByteArray &key, const QByteArray &iv)
{
    QByteArray plain = decryptBlocks(datagram, key, iv);
    if (plain.isEmpty())
        return std::nullopt;
    const int padding = uint8_t(plain.back());
    if (padding < 1 || padding > BlockSize)
        return std::nullopt;
    for (qsizetype i = plain.size() - padding; i < plain.size(); ++i)
        if (uint8_t(plain[i]) != padding)
            return std::nullopt;
    plain.chop(padding);
    return plain;
}

QByteArray encryptForHost(const QByteArray &plain, const QByteArray &key, const QByteArray &iv)
{
    QByteArray padded = plain;
    if (const qsizetype rest = padded.size() % BlockSize)
        padded.append(BlockSize - rest, '\0');
    return encryptBlocks(padded, key, iv);
}

} // namespace BoardCipher
