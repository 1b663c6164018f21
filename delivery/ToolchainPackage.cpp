#include "ToolchainPackage.h"

#include "Aes256CbcDecryption.h"
#include "ScrambledKey.h"
#include "ZipArchive.h"

#include <QFile>
#include <QRegularExpression>

#include <array>
#include <cstdint>

namespace {

constexpr std::array<std::uint8_t, 32> kStoredKey{0x3c, 0x91, 0x0a, 0xe7, 0x58, 0x2d, 0xb4, 0x6f, 0x17, 0xc2, 0x8e,
                                                  0x45, 0xf9, 0x30, 0x6b, 0xd6, 0x21, 0x7a, 0xe3, 0x0c, 0x95, 0x4f,
                                                  0xb8, 0x62, 0x1d, 0xa0, 0x5e, 0xc7, 0x39, 0x84, 0xfb, 0x16};
constexpr std::uint32_t kKeySeedA = 0x51e2a7c3;
constexpr std::uint32_t kKeySeedB = 0x9d04b86f;
constexpr std::uint32_t kKeySeedC = 0x27f3c15a;

constexpr std::array<std::uint8_t, 16> kStoredIv{0xd4, 0x6a, 0x13, 0x8f, 0x2e, 0xb1, 0x57, 0xc9,
                                                 0x04, 0x7d, 0xe6, 0x38, 0x9b, 0x50, 0xa2, 0x1f};
constexpr std::uint32_t kIvSeedA = 0x83b9d20e;
constexpr std::uint32_t kIvSeedB = 0x16c5f47a;
constexpr std::uint32_t kIvSeedC = 0xe07a3b91;

ToolchainPackage::UnpackResult failed(const QString &error, int filesWritten)
{
    return {false, error, filesWritten};
}

QString quoted(const QByteArray &name)
{
    return QLatin1Char('"') + QString::fromUtf8(name) + QLatin1Char('"');
}

} // namespace

namespace ToolchainPackage {

QByteArray key()
{
    return scrambledKey(kStoredKey, kKeySeedA, kKeySeedB, kKeySeedC);
}

QByteArray iv()
{
    return scrambledKey(kStoredIv, kIvSeedA, kIvSeedB, kIvSeedC);
}

QByteArray decrypt(const QByteArray &package)
{
    return decryptAes256Cbc(package, key(), iv());
}

std::optional<QString> safeEntryPath(const QByteArray &entryName)
{
    static const QRegularExpression drive(QStringLiteral("^[A-Za-z]:"));
    const QString name = QString::fromUtf8(entryName);
    if (name.isEmpty() || name.startsWith(QLatin1Char('/')) || name.contains(QLatin1Char('\\'))
        || name.contains(QChar(0)) || drive.match(name).hasMatch())
        return std::nullopt;
    QStringList kept;
    for (const QString &segment : name.split(QLatin1Char('/'))) {
        if (segment == QLatin1String(".."))
            return std::nullopt;
        if (!segment.isEmpty() && segment != QLatin1String("."))
            kept.append(segment);
    }
    QString path = kept.join(QLatin1Char('/'));
    if (!path.isEmpty() && name.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path;
}

UnpackResult unpack(const QByteArray &archiveBytes, const QDir &target)
{
    const std::unique_ptr<ZipArchive> archive = ZipArchive::openBuffer(archiveBytes.constData(), archiveBytes.size(),
                                                                       ZipArchive::OpenMode::ReadOnly);
    if (!archive)
        return failed(QStringLiteral("the package holds no ZIP archive"), 0);
    const QList<ZipEntry> entries = archive->listEntries();
    if (entries.size() != archive->entryCount())
        return failed(QStringLiteral("the archive's directory cannot be read whole"), 0);

    int written = 0;
    for (const ZipEntry &entry : entries) {
        const std::optional<QString> safePath = safeEntryPath(entry.name);
        if (!safePath)
            return failed(QStringLiteral("the entry %1 would leave the folder").arg(quoted(entry.name)), written);
        if (entry.isSymbolicLink)
            return failed(QStringLiteral("the entry %1 is a symbolic link").arg(quoted(entry.name)), written);
        const QString &path = *safePath;
        if (entry.isFolder()) {
            if (path.isEmpty())
                continue; // The target folder itself.
            if (!target.mkpath(path))
                return failed(QStringLiteral("the folder %1 cannot be made").arg(quoted(entry.name)), written);
            continue;
        }
        if (path.isEmpty())
            return failed(QStringLiteral("the entry %1 has no file name").arg(quoted(entry.name)), written);
        const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
        if (slash > 0 && !target.mkpath(path.left(slash)))
            return failed(QStringLiteral("the folder of %1 cannot be made").arg(quoted(entry.name)), written);
        QFile file(target.filePath(path));
        // A name that is there already (a second entry of that name, or a folder) is
        // refused rather than overwritten.
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return failed(QStringLiteral("%1 cannot be written: %2").arg(quoted(entry.name), file.errorString()),
                          written);
        const int result = archive->readEntryToStream(entry, file);
        file.close();
        if (result != 0 || file.error() != QFileDevice::NoError)
            return failed(QStringLiteral("%1 cannot be unpacked whole (%2)").arg(quoted(entry.name)).arg(result),
                          written);
        ++written;
    }
    if (written == 0)
        return failed(QStringLiteral("the archive holds no files"), 0);
    return {true, QString(), written};
}

} // namespace ToolchainPackage
