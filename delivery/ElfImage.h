#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <cstdint>
#include <optional>

struct Elf;

// One program header of an ELF image, widened to 64 bits whatever the image's class.
struct ElfSegment
{
    uint32_t type = 0;
    uint64_t offset = 0; // of its file bytes, from the start of the image
    uint64_t virtualAddress = 0;
    uint64_t fileSize = 0;
    uint64_t memorySize = 0;
};

// One section header, with its name.
struct ElfSection
{
    QByteArray name;
    uint32_t type = 0;
    uint64_t address = 0;
    uint64_t offset = 0;
    uint64_t size = 0;
};

// An ELF image (32 or 64-bit, either byte order) read from memory through libelf.
// Loading copies what the program needs, the headers in plain structures and the
// image's bytes, and checks every size and offset it takes from the image: a
// segment whose file bytes run past the end makes the image unreadable, so
// segmentBytes() never reads outside it.
class ElfImage
{
public:
    // Bytes of ELF files above this are refused before anything is read.
    static constexpr qint64 kMaximumFileSize = 256 * 1024 * 1024;

    // Reads the image that fills `bytes`. False, with the reason in `error`, when the
    // bytes are no ELF image or its headers do not hold together; the object is then empty.
    bool load(const QByteArray &bytes, QString *error = nullptr);

    bool isLoaded() const { return m_loaded; }
    qint64 size() const { return m_bytes.size(); }
    // The size of the ELF file header at the start of the image.
    uint64_t fileHeaderSize() const { return m_fileHeaderSize; }
    const QList<ElfSegment> &segments() const { return m_segments; }
    const QList<ElfSection> &sections() const { return m_sections; }

    // The first section whose name is exactly `name`.
    std::optional<ElfSection> section(QByteArrayView name) const;

    // The segment's file bytes, `skip` bytes in from its start (at most its file size).
    QByteArrayView segmentBytes(const ElfSegment &segment, uint64_t skip = 0) const;

private:
    // Takes the headers in; false with the reason when they do not hold together.
    bool readHeaders(Elf *elf, QString *error);
    static bool fail(QString *error, const QString &reason);

    bool m_loaded = false;
    QByteArray m_bytes;
    uint64_t m_fileHeaderSize = 0;
    QList<ElfSegment> m_segments;
    QList<ElfSection> m_sections;
};
