#pragma once

#include <QByteArray>
#include <QObject>

// AES (FIPS-197) on whole byte arrays, with 128, 192 or 256-bit keys, CBC, CFB
// (128-bit segments) or OFB chaining and zero, PKCS#7 or 0x80 padding. The Wi-Fi
// datalink encrypts its datagrams with it.
//
// encode() pads and encrypts; decode() decrypts and leaves the padding in place, so
// the caller removes or tolerates it. Both return an empty array when the chaining
// mode is unknown, the IV is not 16 bytes or the key does not have the level's
// length; decode() in CBC mode also wants a whole number of blocks.
//
// An object keeps no state between calls; use it from one thread at a time.
class AesFileEncryption : public QObject
{
    Q_OBJECT

public:
    // Key size. Any other value counts as Aes128.
    enum KeyLevel {
        Aes128 = 0,
        Aes192 = 1,
        Aes256 = 2,
    };
    Q_ENUM(KeyLevel)

    // Chaining mode. Any other value makes encode() and decode() fail.
    enum ChainingMode {
        Cbc = 0,
        Cfb = 1,
        Ofb = 2,
    };
    Q_ENUM(ChainingMode)

    // Padding added by encode(). Any other value counts as ZeroPadding.
    enum Padding {
        ZeroPadding = 0,    // zero bytes up to the block; nothing when the block is full
        Pkcs7Padding = 1,   // n bytes of value n, a whole block when the input fills its last one
        Iso7816Padding = 2, // one 0x80 byte then zero bytes; nothing when the block is full
    };
    Q_ENUM(Padding)

    static constexpr int kBlockSize = 16;

    AesFileEncryption(int level, int mode, int padding);

    QByteArray encode(const QByteArray &plain, const QByteArray &key, const QByteArray &iv) const;
    QByteArray decode(const QByteArray &cipher, const QByteArray &key, const QByteArray &iv) const;

    int keyLength() const { return m_keyLength; }

private:
    QByteArray padded(const QByteArray &plain) const;
    bool acceptsKeyAndIv(const QByteArray &key, const QByteArray &iv) const;

    const int m_mode;
    const int m_padding;
    const int m_keyLength;
};
