#pragma once

#include <QByteArray>
#include <QList>
#include <QtGlobal>

#include <ctime>
#include <memory>

class QIODevice;
struct zip;

// One entry of a ZIP archive, as its central directory describes it.
struct ZipEntry
{
    // UTF-8; folders end in "/".
    QByteArray name;
    quint64 index = 0;
    std::time_t modificationTime = 0;
    quint16 compressionMethod = 0;
    quint16 encryptionMethod = 0;
    quint64 size = 0;
    quint64 compressedSize = 0;
    quint32 crc = 0;
    // Made on a Unix system from a symbolic link: its content is the link's target.
    bool isSymbolicLink = false;

    bool isFolder() const { return name.endsWith('/'); }
};

// A ZIP archive held in memory, read through libzip.
class ZipArchive
{
public:
    static constexpr qint64 kChunkSize = 0x80000;

    enum class OpenMode { ReadOnly };

    // The bytes must stay in place while the archive is open. Nothing, with
    // "can't open zip from source: <reason>" on standard error, when they are no ZIP
    // archive libzip can read.
    static std::unique_ptr<ZipArchive> openBuffer(const void *data, qint64 size, OpenMode mode);
    ~ZipArchive();

    ZipArchive(const ZipArchive &) = delete;
    ZipArchive &operator=(const ZipArchive &) = delete;

    // Every entry, folders included, in the archive's order. Entries libzip cannot
    // describe are left out.
    QList<ZipEntry> listEntries() const;
    // The number of entries the archive declares.
    qint64 entryCount() const;

    // Writes the entry's uncompressed bytes to the stream, in pieces of at most
    // chunkSize. 0 when the whole entry, as long as its recorded size and with a
    // matching CRC, went out; else a negative code and the stream holds a part.
    int readEntryToStream(const ZipEntry &entry, QIODevice &output, qint64 chunkSize = kChunkSize) const;

private:
    explicit ZipArchive(zip *archive);
    zip *m_archive;
};
