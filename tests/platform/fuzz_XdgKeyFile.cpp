// Reads arbitrary text as key files and Exec lines written by other programs. The
// reader must not fail, and what we write must read back as written, whatever the
// file around it holds.

#include "XdgKeyFile.h"

#include <QString>

#include <cstddef>
#include <cstdint>

namespace {

void require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString group = QStringLiteral("Default Applications");
    const QString key = QStringLiteral("x-scheme-handler/halvora");

    (void)xdg::keyFileValue(text, group, key);
    (void)xdg::splitExec(text);

    // Our line in their file reads back as ours.
    const QString written = xdg::withKeyFileValue(text, group, key, QStringLiteral("halvora-lab.desktop"));
    require(xdg::keyFileValue(written, group, key) == QStringLiteral("halvora-lab.desktop"));

    // Their text as a program path: quoted, escaped and read back unchanged.
    const QString entry = xdg::withKeyFileValue(QString(), QStringLiteral("Desktop Entry"), QStringLiteral("Exec"),
                                                xdg::execArgument(text) + QStringLiteral(" --uri %u"));
    const auto exec = xdg::keyFileValue(entry, QStringLiteral("Desktop Entry"), QStringLiteral("Exec"));
    require(exec.has_value());
    require(xdg::splitExec(*exec) == QStringList({text, QStringLiteral("--uri"), QStringLiteral("%u")}));
    return 0;
}
