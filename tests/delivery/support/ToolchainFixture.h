#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

// Toolchain packages and MATLAB installations for the tests, made with independent
// tools: archives by the zip command and by Python's zipfile, encryption by the
// openssl command, digests by sha256sum.
namespace ToolchainFixture {

// An archive made by `zip -r` of these files (relative path -> content); zip writes an
// entry for every folder as well. Extra zip options (such as -P) come first.
QByteArray zipWithCli(const QMap<QString, QByteArray> &files, const QStringList &options = {});

struct Entry
{
    QString name;
    QByteArray content;
    bool symbolicLink = false;
};
// An archive made by Python's zipfile with the entries as they stand, hostile names
// included.
QByteArray zipWithPython(const QList<Entry> &entries);

// The package as published: the archive encrypted with the toolchain's key and IV.
QByteArray encrypt(const QByteArray &archive);

// The version information document with the toolchain's latest version listed under
// this path and digest (hexadecimal).
QJsonObject versionDocument(const QString &version, const QString &file, const QString &sha256);

// MATLAB releases whose program is the fake matlab script of the test data.
struct Installations
{
    // <root>/<release>/bin/matlab for each release.
    static bool make(const QString &root, const QStringList &releases);
};

// The lines the fake matlab wrote to its log: release|arguments|working folder.
QStringList matlabRuns(const QString &logPath);

} // namespace ToolchainFixture
