#pragma once

#include <QByteArray>
#include <QDir>
#include <QString>

#include <optional>

// The toolchain package as the maker publishes it: a ZIP archive of MATLAB files,
// encrypted with AES-256-CBC. The key and IV are built at run time by scrambling
// stored bytes with three seeds each; neither is stored whole.
//
// Nothing here keeps state; any thread may call it.
namespace ToolchainPackage {

// 32 bytes; empty if the scrambler refuses the stored bytes.
QByteArray key();
// 16 bytes; empty if the scrambler refuses the stored bytes.
QByteArray iv();

// The ZIP archive inside the package; a null array when it does not decrypt.
QByteArray decrypt(const QByteArray &package);

// The relative path inside the target folder for an entry name; nothing for a name
// that would leave the folder: absolute, with a drive, with ".." or with backslashes.
// "." and empty segments are dropped, so "./" gives an empty path (the folder
// itself); folder names keep their "/".
std::optional<QString> safeEntryPath(const QByteArray &entryName);

struct UnpackResult
{
    bool ok = false;
    // What went wrong, for the log; empty on success.
    QString error;
    int filesWritten = 0;
};

// Unpacks every entry of the archive into the target folder, which must exist and be
// empty, making the folders the entries lie in. Fails as a whole, at the first entry
// that cannot be unpacked whole: a name that would leave the folder, a symbolic link,
// an encrypted or damaged entry, or a file that cannot be written; an archive without
// a single file fails too. The folder may then hold a part, which the caller throws
// away.
UnpackResult unpack(const QByteArray &archive, const QDir &target);

} // namespace ToolchainPackage
