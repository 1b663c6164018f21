#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

// Version information files as the maker publishes them: the JSON document encrypted
// by `openssl enc` with the program's run-time key and IV, followed by the SHA-256 of
// the ciphertext from `openssl dgst`.
namespace VersionInfoFixture {

// A document with two Zelto versions (1.0: ZeltoOS 1.0.0; 1.1: ZeltoOS 1.1.0 and
// ZeltoWireless 2.0.0), a Tavrin version that lists nothing, firmware files for
// ZeltoOS and ZeltoWireless, one block, and HalvoraStudio at `applicationVersion`.
QJsonObject document(const QString &applicationVersion = QStringLiteral("1.0.0"));

QByteArray encrypt(const QByteArray &plain);
QByteArray encrypt(const QJsonObject &document);
// encrypt() followed by the digest.
QByteArray file(const QByteArray &plain);
QByteArray file(const QJsonObject &document);

} // namespace VersionInfoFixture
