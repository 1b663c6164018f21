#include "Aes256CbcDecryption.h"

#include <openssl/evp.h>

#include <algorithm>
#include <memory>

namespace {

constexpr int kKeyLength = 32;
constexpr int kIvLength = 16;
constexpr int kBlockSize = 16;
// OpenSSL counts in int; large inputs go through in slices of this size.
constexpr qsizetype kSliceLength = qsizetype(1) << 26;

struct CipherContextFree
{
    void operator()(EVP_CIPHER_CTX *context) const { EVP_CIPHER_CTX_free(context); }
};

} // namespace

QByteArray decryptAes256Cbc(const QByteArray &data, const QByteArray &key, const QByteArray &iv)
{
    if (iv.size() != kIvLength || key.size() != kKeyLength)
        return {};

    const std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree> context(EVP_CIPHER_CTX_new());
    if (!context)
        return {};
    if (EVP_DecryptInit_ex(context.get(), EVP_aes_256_cbc(), nullptr,
                           reinterpret_cast<const unsigned char *>(key.constData()),
                           reinterpret_cast<const unsigned char *>(iv.constData()))
        != 1)
        return {};

    // OpenSSL may write up to one block more than it is given on each update.
    QByteArray out(data.size() + kBlockSize, Qt::Uninitialized);
    auto *output = reinterpret_cast<unsigned char *>(out.data());
    const auto *input = reinterpret_cast<const unsigned char *>(data.constData());
    qsizetype written = 0;
    for (qsizetype offset = 0; offset < data.size(); offset += kSliceLength) {
        const int sliceLength = int(std::min(kSliceLength, data.size() - offset));
        int sliceWritten = 0;
        if (EVP_DecryptUpdate(context.get(), output + written, &sliceWritten, input + offset, sliceLength) != 1)
            return {};
        written += sliceWritten;
    }
    int finalWritten = 0;
    if (EVP_DecryptFinal_ex(context.get(), output + written, &finalWritten) != 1)
        return {};
    written += finalWritten;

    out.truncate(written);
    if (out.isNull())
        out = QByteArray("", 0);
    return out;
}
