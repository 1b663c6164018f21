#pragma once

#include <QByteArray>

#include <optional>

// The board's datagram cipher, AES-256-CBC through OpenSSL, written apart from the
// program's own AES so that each side checks the other. Every datagram starts from
// the same IV. The host pads with PKCS#7; the board pads with zero bytes.
namespace BoardCipher {

inline constexpr int BlockSize = 16;
inline constexpr int KeySize = 32;

// The frames in a datagram from the host, with the padding removed; nothing when the
// datagram is not whole blocks, the key or IV has the wrong size or the padding is
// not PKCS#7.
std::optional<QByteArray> decryptFromHost(const QByteArray &datagram, const QByteArray &key, const QByteArray &iv);

// A datagram for the host: the bytes padded with zero bytes to whole blocks and
// encrypted. Empty when the key or IV has the wrong size.
QByteArray encryptForHost(const QByteArray &plain, const QByteArray &key, const QByteArray &iv);

// The same cipher without padding of either kind, for tests that build datagrams.
QByteArray encryptBlocks(const QByteArray &blocks, const QByteArray &key, const QByteArray &iv);
QByteArray decryptBlocks(const QByteArray &blocks, const QByteArray &key, const QByteArray &iv);

} // namespace BoardCipher
