// Reads arbitrary bytes as the toolchain's ZIP archive, as the installer would after
// decryption: every entry is listed, named inside the folder or refused, and read
// whole into nowhere. Nothing may crash, and no name that is taken may leave the
// folder.

#include "ToolchainPackage.h"
#include "ZipArchive.h"

#include <QFile>
#include <QString>

#include <cstddef>
#include <cstdint>

namespace {

void require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

QFile &nowhere()
{
    static QFile file(QStringLiteral("/dev/null"));
    if (!file.isOpen())
        file.open(QIODevice::WriteOnly);
    return file;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto archive = ZipArchive::openBuffer(data, qint64(size), ZipArchive::OpenMode::ReadOnly);
    if (!archive)
        return 0;
    for (const ZipEntry &entry : archive->listEntries()) {
        if (const std::optional<QString> path = ToolchainPackage::safeEntryPath(entry.name)) {
            require(!path->startsWith(QLatin1Char('/')));
            require(!path->split(QLatin1Char('/')).contains(QStringLiteral("..")));
            require(!path->contains(QLatin1Char('\\')));
        }
        // Large entries are left out, so that a small input cannot keep the run busy.
        if (entry.size <= 1 << 20)
            (void)archive->readEntryToStream(entry, nowhere());
    }
    return 0;
}
