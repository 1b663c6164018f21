#pragma once

#include <QByteArray>

// The key and IV of the published firmware files. Neither is stored whole: each is
// built at run time by scrambling stored bytes with three seeds.
namespace FirmwareCipher {

// 32 bytes; empty if the scrambler refuses the stored bytes.
QByteArray key();
// 16 bytes; empty if the scrambler refuses the stored bytes.
QByteArray iv();

// The firmware image inside a file's ciphertext; a null array when it does not
// decrypt (a wrong key, a cut file, bad padding).
QByteArray decrypt(const QByteArray &ciphertext);

} // namespace FirmwareCipher
