#include "AppBinTools.h"

#include "ElfImage.h"
#include "ElfLoading.h"
#include "LinkCrc.h"
#include "UploadImageLayout.h"

#include <QDebug>
#include <QtEndian>

#include <elf.h>

#include <algorithm>

namespace {

namespace layout = upload_image;

std::optional<QByteArray> refuse(QString *error, const QString &reason)
{
    if (error)
        *error = reason;
    return std::nullopt;
}

void putU32(QByteArray &image, qsizetype at, quint32 value)
{
    qToLittleEndian(value, image.data() + at);
}

quint32 crcOf(const QByteArray &image, qsizetype from, qsizetype length)
{
    return computeCrc32(layout::kCrcStart, image.constData() + from, std::size_t(length));
}

// The bytes cut from the front of the first segment: the address of ".appinfo".
std::optional<uint64_t> appInfoCut(const ElfImage &elf, QString *error)
{
    const std::optional<ElfSection> appInfo = elf.section(".appinfo");
    if (!appInfo)
        return 0;
    if (appInfo->type != SHT_NOBITS
        && (appInfo->offset > uint64_t(elf.size()) || appInfo->size > uint64_t(elf.size()) - appInfo->offset)) {
        refuse(error, QStringLiteral("the section .appinfo (offset %1, size %2) runs past the end of the image")
                          .arg(appInfo->offset)
                          .arg(appInfo->size));
        return std::nullopt;
    }
    const ElfSegment &first = elf.segments().first();
    if (appInfo->address > first.fileSize || appInfo->address > first.memorySize) {
        refuse(error, QStringLiteral("the .appinfo address 0x%1 cuts more than the first segment holds "
                                     "(file size %2, memory size %3)")
                          .arg(appInfo->address, 0, 16)
                          .arg(first.fileSize)
                          .arg(first.memorySize));
        return std::nullopt;
    }
    return appInfo->address;
}

bool segmentsUsable(const ElfImage &elf, QString *error)
{
    const QList<ElfSegment> &segments = elf.segments();
    if (std::none_of(segments.begin(), segments.end(), [](const ElfSegment &s) { return s.type == PT_LOAD; })) {
        refuse(error, QStringLiteral("the image has no loadable segment"));
        return false;
    }
    // A board image never loads the ELF file header; a segment that does is damaged.
    for (qsizetype i = 0; i < segments.size(); ++i) {
        if (segments[i].fileSize > 0 && segments[i].offset < elf.fileHeaderSize()) {
            refuse(error, QStringLiteral("segment %1 overlaps the ELF file header").arg(i));
            return false;
        }
    }
    return true;
}

} // namespace

AppBinTools::AppBinTools(QObject *parent)
    : QObject(parent)
{
}

std::optional<QByteArray> AppBinTools::buildUploadImage(const ElfImage &elf, const QString &baseVersion, quint32 flags,
                                                        QString *error)
{
    if (!elf.isLoaded())
        return refuse(error, QStringLiteral("no ELF image is loaded"));
    if (!segmentsUsable(elf, error))
        return std::nullopt;
    const std::optional<uint64_t> cut = appInfoCut(elf, error);
    if (!cut)
        return std::nullopt;

    const QList<ElfSegment> &segments = elf.segments();
    qDebug() << "Number of segments: " << segments.size();
    const auto memorySize = [&](qsizetype i) { return segments[i].memorySize - (i == 0 ? *cut : 0); };
    const qint64 tableSize = layout::kRecordSize * qint64(segments.size());
    qint64 imageSize = layout::kHeaderSize + tableSize;
    for (qsizetype i = 0; i < segments.size() && imageSize <= layout::kMaximumSize; ++i)
        imageSize += qint64(std::min<uint64_t>(memorySize(i), layout::kMaximumSize + 1));
    if (imageSize > layout::kMaximumSize)
        return refuse(error,
                      QStringLiteral("the upload image would be larger than %1 bytes").arg(layout::kMaximumSize));

    QByteArray image(imageSize, '\0');
    qsizetype dataOffset = layout::kHeaderSize + tableSize;
    for (qsizetype i = 0; i < segments.size(); ++i) {
        const qsizetype size = qsizetype(memorySize(i));
        const QByteArrayView bytes = elf.segmentBytes(segments[i], i == 0 ? *cut : 0);
        std::copy_n(bytes.data(), std::min(bytes.size(), size), image.data() + dataOffset);
        const qsizetype record = layout::kHeaderSize + layout::kRecordSize * i;
        const uint64_t address = segments[i].virtualAddress + (i == 0 ? *cut : 0);
        putU32(image, record + layout::record::kDataOffset, quint32(dataOffset));
        putU32(image, record + layout::record::kVirtualAddress, quint32(address));
        putU32(image, record + layout::record::kMemorySize, quint32(size));
        putU32(image, record + layout::record::kDataCrc, crcOf(image, dataOffset, size));
        dataOffset += size;
    }

    putU32(image, layout::header::kFormat, layout::kFormat);
    const QByteArray version = baseVersion.toUtf8().left(layout::header::kBaseVersionSize);
    std::copy(version.begin(), version.end(), image.begin() + layout::header::kBaseVersion);
    putU32(image, layout::header::kFlags, flags);
    putU32(image, layout::header::kAppInfoCut, quint32(*cut));
    putU32(image, layout::header::kSegmentCount, quint32(segments.size()));
    putU32(image, layout::header::kTableCrc, crcOf(image, layout::kHeaderSize, tableSize));
    return image;
}

QSharedPointer<QBuffer> AppBinTools::prepareBinary(const QString &path, const QString &baseVersion, quint32 flags,
                                                   qint32 headerLength)
{
    ElfImage elf;
    if (loadElfFromFileOrArchive(elf, path, headerLength) != 0)
        return {};
    QString error;
    const std::optional<QByteArray> image = buildUploadImage(elf, baseVersion, flags, &error);
    if (!image) {
        qWarning() << "No upload image can be built from" << path << ":" << error;
        return {};
    }
    auto buffer = QSharedPointer<QBuffer>::create();
    buffer->open(QIODevice::ReadWrite);
    buffer->write(*image);
    return buffer;
}
