#pragma once

#include <QByteArray>
#include <QString>

class ElfImage;

// The magic at the start of every ELF image: 0x7F "E" "L" "F".
inline constexpr char kElfMagic[] = "\x7F"
                                    "ELF";

// True when the file can be opened for reading and its first 4 bytes are the ELF magic.
bool isElfFile(const QString &path);

// Loads the ELF image that starts `offset` bytes into the file, behind the header of an
// application file for example. When the bytes there are no ELF image but a Unix `ar`
// archive, the image is the first of its members that is one (see ArArchive.h).
// 0 on success, else -1 with the reason logged.
int loadElfFromFileOrArchive(ElfImage &elf, const QString &path, qint64 offset);

// The same for bytes in memory that start where the image or archive starts.
bool loadElfFromImageOrArchive(ElfImage &elf, const QByteArray &bytes, QString *error = nullptr);
