#include "ElfImage.h"

#include <gelf.h>
#include <libelf.h>

#include <memory>

namespace {

bool libelfReady()
{
    static const bool ready = elf_version(EV_CURRENT) != EV_NONE;
    return ready;
}

struct ElfEnd
{
    void operator()(Elf *elf) const { elf_end(elf); }
};
using ElfHandle = std::unique_ptr<Elf, ElfEnd>;

QString libelfError()
{
    return QString::fromUtf8(elf_errmsg(-1));
}

bool runsPast(uint64_t offset, uint64_t length, uint64_t end)
{
    return offset > end || length > end - offset;
}

} // namespace

bool ElfImage::fail(QString *error, const QString &reason)
{
    if (error)
        *error = reason;
    return false;
}

bool ElfImage::load(const QByteArray &bytes, QString *error)
{
    *this = ElfImage();
    if (!libelfReady())
        return fail(error, QStringLiteral("libelf cannot be used: %1").arg(libelfError()));
    if (bytes.size() > kMaximumFileSize)
        return fail(error, QStringLiteral("the ELF image is larger than %1 bytes").arg(kMaximumFileSize));

    // libelf wants writable memory that outlives its handle; it stays in m_bytes.
    m_bytes = bytes;
    m_bytes.detach();
    bool read = false;
    {
        const ElfHandle elf(elf_memory(m_bytes.data(), std::size_t(m_bytes.size())));
        read = readHeaders(elf.get(), error);
    }
    if (!read)
        *this = ElfImage();
    m_loaded = read;
    return read;
}

bool ElfImage::readHeaders(Elf *elf, QString *error)
{
    if (!elf || elf_kind(elf) != ELF_K_ELF)
        return fail(error, QStringLiteral("no ELF image: %1").arg(elf ? QStringLiteral("wrong magic") : libelfError()));

    GElf_Ehdr header;
    if (!gelf_getehdr(elf, &header))
        return fail(error, QStringLiteral("the ELF header cannot be read: %1").arg(libelfError()));
    m_fileHeaderSize = gelf_fsize(elf, ELF_T_EHDR, 1, EV_CURRENT);
    const auto end = uint64_t(m_bytes.size());

    std::size_t segmentCount = 0;
    if (elf_getphdrnum(elf, &segmentCount) != 0)
        return fail(error, QStringLiteral("the program headers cannot be read: %1").arg(libelfError()));
    m_segments.reserve(qsizetype(segmentCount));
    for (std::size_t i = 0; i < segmentCount; ++i) {
        GElf_Phdr entry;
        if (!gelf_getphdr(elf, int(i), &entry))
            return fail(error, QStringLiteral("program header %1 cannot be read: %2").arg(i).arg(libelfError()));
        if (runsPast(entry.p_offset, entry.p_filesz, end))
            return fail(error,
                        QStringLiteral("segment %1 (offset %2, file size %3) runs past the end of the image (%4 bytes)")
                            .arg(i)
                            .arg(entry.p_offset)
                            .arg(entry.p_filesz)
                            .arg(end));
        m_segments.append({entry.p_type, entry.p_offset, entry.p_vaddr, entry.p_filesz, entry.p_memsz});
    }

    // libelf shows a section header table that runs past the end as no sections at
    // all; a section such as ".appinfo" must not go missing that way.
    std::size_t sectionCount = 0;
    if (elf_getshdrnum(elf, &sectionCount) != 0)
        return fail(error, QStringLiteral("the section headers cannot be read: %1").arg(libelfError()));
    if ((header.e_shnum != 0 && sectionCount != header.e_shnum)
        || runsPast(header.e_shoff, uint64_t(sectionCount) * header.e_shentsize, end))
        return fail(error, QStringLiteral("the section headers (%1 at offset %2) run past the end of the image")
                               .arg(header.e_shnum)
                               .arg(header.e_shoff));

    std::size_t namesIndex = 0;
    if (elf_getshdrstrndx(elf, &namesIndex) != 0)
        return fail(error, QStringLiteral("the section names cannot be found: %1").arg(libelfError()));
    for (Elf_Scn *section = elf_nextscn(elf, nullptr); section; section = elf_nextscn(elf, section)) {
        GElf_Shdr entry;
        if (!gelf_getshdr(section, &entry))
            return fail(error, QStringLiteral("a section header cannot be read: %1").arg(libelfError()));
        const char *name = elf_strptr(elf, namesIndex, entry.sh_name);
        if (!name)
            return fail(error, QStringLiteral("the name of section %1 cannot be read: %2")
                                   .arg(elf_ndxscn(section))
                                   .arg(libelfError()));
        m_sections.append({QByteArray(name), entry.sh_type, entry.sh_addr, entry.sh_offset, entry.sh_size});
    }
    return true;
}

std::optional<ElfSection> ElfImage::section(QByteArrayView name) const
{
    for (const ElfSection &section : m_sections) {
        if (section.name == name)
            return section;
    }
    return std::nullopt;
}

QByteArrayView ElfImage::segmentBytes(const ElfSegment &segment, uint64_t skip) const
{
    if (skip >= segment.fileSize || runsPast(segment.offset, segment.fileSize, uint64_t(m_bytes.size())))
        return {};
    return QByteArrayView(m_bytes).sliced(qsizetype(segment.offset + skip), qsizetype(segment.fileSize - skip));
}
