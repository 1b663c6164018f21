#include "ElfLoading.h"

#include "ArArchive.h"
#include "ElfImage.h"

#include <QDebug>
#include <QFile>

bool isElfFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(4) == QByteArrayView(kElfMagic);
}

bool loadElfFromImageOrArchive(ElfImage &elf, const QByteArray &bytes, QString *error)
{
    if (bytes.startsWith(QByteArrayView(kElfMagic)) || !ArArchive::looksLikeArchive(bytes))
        return elf.load(bytes, error);
    const std::optional<QByteArrayView> member = ArArchive::findElfMember(bytes, error);
    return member && elf.load(member->toByteArray(), error);
}

int loadElfFromFileOrArchive(ElfImage &elf, const QString &path, qint64 offset)
{
    const auto refuse = [&](const QString &reason) {
        qWarning() << "The ELF image in" << path << "cannot be loaded:" << reason;
        return -1;
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refuse(file.errorString());
    const qint64 size = file.size();
    if (offset < 0 || offset > size)
        return refuse(QStringLiteral("the image would start at %1, but the file holds %2 bytes").arg(offset).arg(size));
    if (size - offset > ElfImage::kMaximumFileSize)
        return refuse(QStringLiteral("the image is larger than %1 bytes").arg(ElfImage::kMaximumFileSize));
    if (!file.seek(offset))
        return refuse(file.errorString());
    const QByteArray bytes = file.read(size - offset);
    if (bytes.size() != size - offset)
        return refuse(QStringLiteral("the file could not be read whole: %1").arg(file.errorString()));
    QString error;
    if (!loadElfFromImageOrArchive(elf, bytes, &error))
        return refuse(error);
    return 0;
}
