// Reads arbitrary bytes the ways the program reads application files and ELF images:
// as an application file (header, then the image behind it), as an ELF image or `ar`
// archive on its own, and behind a valid header (so that mutated ELF images, the
// seeds, reach the image builder through the header reader too). Whatever the bytes,
// an upload image that comes out must have the size its own table gives.

#include "AppBinTools.h"
#include "AppFileHeader.h"
#include "ElfImage.h"
#include "ElfLoading.h"
#include "UploadImageLayout.h"

#include <QBuffer>
#include <QtEndian>

#include <cstddef>
#include <cstdint>

namespace {

// The image builder's debug line would drown the fuzzer's own output.
void dropMessage(QtMsgType, const QMessageLogContext &, const QString &) {}

void require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

void checkImage(const QByteArray &image)
{
    namespace layout = upload_image;
    require(image.size() >= layout::kHeaderSize && image.size() <= layout::kMaximumSize);
    const quint32 count = qFromLittleEndian<quint32>(image.constData() + layout::header::kSegmentCount);
    qint64 end = layout::kHeaderSize + qint64(count) * layout::kRecordSize;
    for (quint32 i = 0; i < count; ++i) {
        const char *record = image.constData() + layout::kHeaderSize + i * layout::kRecordSize;
        require(qFromLittleEndian<quint32>(record + layout::record::kDataOffset) == end);
        end += qFromLittleEndian<quint32>(record + layout::record::kMemorySize);
    }
    require(end == image.size());
}

void buildFrom(const QByteArray &bytes)
{
    ElfImage elf;
    if (!loadElfFromImageOrArchive(elf, bytes))
        return;
    if (const std::optional<QByteArray> image = AppBinTools::buildUploadImage(elf, QStringLiteral("1.2.3"), 0))
        checkImage(*image);
}

void readApplicationFile(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    const std::optional<AppFileHeader> header = AppFileHeader::read(buffer);
    if (!header)
        return;
    require(header->length >= 352 && header->length + 4 <= quint64(bytes.size()));
    buildFrom(bytes.sliced(header->length));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QtMessageHandler previous = qInstallMessageHandler(dropMessage);
    Q_UNUSED(previous);
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    readApplicationFile(bytes);
    buildFrom(bytes);
    static const QByteArray header = AppFileHeader().toBytes();
    readApplicationFile(header + bytes);
    return 0;
}
