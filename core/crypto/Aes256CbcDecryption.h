#pragma once

#include <QByteArray>

// Decrypts AES-256-CBC data with PKCS#7 padding (the form of the version information,
// the toolchain package and the firmware files) through OpenSSL and returns the
// plaintext without its padding.
//
// Returns a null array when the key is not 32 bytes, the IV not 16 bytes, or the
// data does not decrypt: a length that is not a whole number of blocks, empty data,
// or a last block without valid padding (what a wrong key usually gives). A valid
// padding is no proof of the right key, so callers keep checking the digest of what
// they decrypt. Safe to call from any thread.
QByteArray decryptAes256Cbc(const QByteArray &data, const QByteArray &key, const QByteArray &iv);
