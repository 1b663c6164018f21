#pragma once

#include "TestFiles.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// Fixtures are made and checked with independent tools (openssl, sha256sum), never
// with the program's own crypto code.
namespace ExternalTools {

struct Run
{
    int exitCode = -1;
    QByteArray output;
    QByteArray errors;
    bool ok() const { return exitCode == 0; }
};

Run run(const QString &program, const QStringList &arguments, const QByteArray &input = {});

// The lower-case hexadecimal SHA-256 of a file, by sha256sum.
QString sha256sumHex(const QString &path);
QString sha256sumHex(const QByteArray &data);

// `openssl enc -aes-256-cbc -K <key> -iv <iv>` (PKCS#7 padding) of the bytes.
QByteArray opensslEncrypt(const QByteArray &plain, const QByteArray &key, const QByteArray &iv);

// The bytes followed by their raw SHA-256, as `openssl dgst -sha256 -binary` gives it.
QByteArray withOpensslDigest(const QByteArray &data);

// Whole files, from the shared test kit.
using ::readFile;
using ::writeFile;

} // namespace ExternalTools
