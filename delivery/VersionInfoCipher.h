#pragma once

#include <QByteArray>

// The key and IV of "versionInfo.data". Neither is stored whole: each is built at run
// time by scrambling stored bytes with three seeds.
namespace VersionInfoCipher {

// 32 bytes; empty if the scrambler refuses the stored bytes.
QByteArray key();
// 16 bytes; empty if the scrambler refuses the stored bytes.
QByteArray iv();

// The JSON document inside the file's ciphertext; a null array when it does not
// decrypt.
QByteArray decrypt(const QByteArray &ciphertext);

} // namespace VersionInfoCipher
