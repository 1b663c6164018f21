#include "ZipArchive.h"

#include <QIODevice>

#include <zip.h>

#include <cstdio>
#include <sys/stat.h>
#include <vector>

namespace {

enum ReadError {
    CannotOpenEntry = -1,
    CannotReadEntry = -2,
    CannotWriteOutput = -3,
    SizeMismatch = -4,
    BadChunkSize = -5,
};

bool madeFromSymbolicLink(zip_t *archive, zip_uint64_t index)
{
    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(archive, index, 0, &system, &attributes) != 0)
        return false;
    return system == ZIP_OPSYS_UNIX && ((attributes >> 16) & S_IFMT) == S_IFLNK;
}

} // namespace

ZipArchive::ZipArchive(zip *archive)
    : m_archive(archive)
{
}

ZipArchive::~ZipArchive()
{
    zip_discard(m_archive);
}

std::unique_ptr<ZipArchive> ZipArchive::openBuffer(const void *data, qint64 size, OpenMode mode)
{
    Q_UNUSED(mode); // Only reading is offered.
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *source = size >= 0 ? zip_source_buffer_create(data, zip_uint64_t(size), 0, &error) : nullptr;
    zip_t *archive = source ? zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error) : nullptr;
    if (!archive) {
        std::fprintf(stderr, "can't open zip from source: %s\n", zip_error_strerror(&error));
        if (source)
            zip_source_free(source);
        zip_error_fini(&error);
        return nullptr;
    }
    zip_error_fini(&error);
    return std::unique_ptr<ZipArchive>(new ZipArchive(archive));
}

qint64 ZipArchive::entryCount() const
{
    return qint64(zip_get_num_entries(m_archive, 0));
}

QList<ZipEntry> ZipArchive::listEntries() const
{
    QList<ZipEntry> entries;
    const zip_int64_t count = zip_get_num_entries(m_archive, 0);
    for (zip_int64_t index = 0; index < count; ++index) {
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(m_archive, zip_uint64_t(index), 0, &stat) != 0 || !(stat.valid & ZIP_STAT_NAME))
            continue;
        ZipEntry entry;
        entry.name = QByteArray(stat.name);
        entry.index = stat.index;
        entry.modificationTime = stat.mtime;
        entry.compressionMethod = stat.comp_method;
        entry.encryptionMethod = stat.encryption_method;
        entry.size = stat.size;
        entry.compressedSize = stat.comp_size;
        entry.crc = stat.crc;
        entry.isSymbolicLink = madeFromSymbolicLink(m_archive, stat.index);
        entries.append(entry);
    }
    return entries;
}

int ZipArchive::readEntryToStream(const ZipEntry &entry, QIODevice &output, qint64 chunkSize) const
{
    if (chunkSize <= 0)
        return BadChunkSize;
    zip_file_t *file = zip_fopen_index(m_archive, entry.index, 0);
    if (!file)
        return CannotOpenEntry;
    std::vector<char> buffer(std::size_t(qMin<quint64>(quint64(chunkSize), qMax<quint64>(entry.size, 1))));
    quint64 total = 0;
    int result = 0;
    for (;;) {
        const zip_int64_t read = zip_fread(file, buffer.data(), buffer.size());
        if (read < 0) {
            result = CannotReadEntry;
            break;
        }
        if (read == 0)
            break;
        total += quint64(read);
        if (total > entry.size) {
            result = SizeMismatch;
            break;
        }
        if (output.write(buffer.data(), read) != read) {
            result = CannotWriteOutput;
            break;
        }
    }
    zip_fclose(file);
    if (result == 0 && total != entry.size)
        result = SizeMismatch;
    return result;
}
