#include "DigestChecks.h"

#include <QCryptographicHash>
#include <QFile>

QByteArray takeAppendedSha256(const QByteArray &path)
{
    QFile file(QString::fromUtf8(path));
    if (!file.open(QIODevice::ReadWrite))
        return {};
    const qint64 position = file.size() - kSha256Size;
    if (position < 0 || !file.seek(position))
        return {};
    const QByteArray digest = file.read(kSha256Size);
    if (digest.size() != kSha256Size || !file.resize(position))
        return {};
    return digest;
}

int verifySha256(const QByteArray &expected, const QByteArray &data)
{
    if (expected.size() < kSha256Size)
        return -1;
    const QByteArray actual = QCryptographicHash::hash(data, QCryptographicHash::Sha256);
    return expected.startsWith(actual) ? 0 : -1;
}

int verifySha256String(const QString &digestText, const QByteArray &data)
{
    const QByteArray text = digestText.toLocal8Bit();
    const QByteArray expected = digestText.size() == 2 * kSha256Size ? QByteArray::fromHex(text) : text;
    return verifySha256(expected, data);
}
