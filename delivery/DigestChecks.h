#pragma once

#include <QByteArray>
#include <QString>

// SHA-256 checks of downloaded files. A digest is 32 bytes; it is given either as the
// raw bytes (appended to a file) or as a text of 64 hexadecimal characters (listed in
// the version information). None of these keeps state, so any thread may call them.

inline constexpr qsizetype kSha256Size = 32;

// Cuts the last 32 bytes off the file and returns them. A null array, with the file
// left as it was, when the file cannot be opened or is shorter than 32 bytes.
QByteArray takeAppendedSha256(const QByteArray &path);

// 0 when `expected` holds at least 32 bytes and begins with the SHA-256 of `data`,
// else -1. Bytes of `expected` beyond the 32nd are not looked at.
int verifySha256(const QByteArray &expected, const QByteArray &data);

// A text of exactly 64 characters is read as hexadecimal (other characters are
// skipped, so a malformed text yields too few bytes and fails); any other text is
// compared as it stands. Then verifySha256.
int verifySha256String(const QString &digestText, const QByteArray &data);
