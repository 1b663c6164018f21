#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QIODevice>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

// The eight board kinds an application binary can be built for, by target-type index.
// Indices 0 ("Unknown") and 1 ("Zelto_Generic") fit every board.
inline const QStringList appTargetTypeNames = {QStringLiteral("Unknown"),
                                               QStringLiteral("Zelto_Generic"),
                                               QStringLiteral("Zelto_Development_Board"),
                                               QStringLiteral("Zelto_Exploration"),
                                               QStringLiteral("Zelto_Industrial"),
                                               QStringLiteral("Tavrin"),
                                               QStringLiteral("Zelto_Rugged"),
                                               QStringLiteral("Bexlin")};

// The name shown for a target-type index: the table's name with blanks for "_", and
// "Unknown" outside the table.
QString appTargetTypeDisplayName(qint32 index);

// The index of a board-type text (exact, case-sensitive), 0 when it names none.
qint32 appTargetTypeIndex(const QString &boardType);

// The header in front of the ELF image of an application file (".hapbf"). The
// program writes version 3 (660 bytes) and reads versions 1 (352 bytes) and 2
// (356 bytes) as well; a later version is read by its first 660 bytes, its image
// starting at its own header length. Integers are little-endian; texts are UTF-8,
// NUL-padded, and read up to their first NUL.
struct AppFileHeader
{
    static constexpr quint32 kCurrentVersion = 3;
    static constexpr quint32 kCurrentLength = 660;
    // A header length beyond this is refused before anything is read.
    static constexpr quint32 kMaximumLength = 64 * 1024;

    quint32 version = kCurrentVersion;
    quint32 length = kCurrentLength;
    QString baseVersion;
    qint32 firmwareNumber = 0;
    quint32 flags = 0;
    quint32 flagsLow = 0;
    QDateTime createDate; // local time
    QByteArray buildId;   // the stored bytes, NUL padding included
    qint32 targetTypeIndex = 0;
    std::array<QString, 4> tags;
    QString appVersion; // empty in versions 1 and 2
    QString appName;    // empty in versions 1 and 2

    // Reads the header from the start of the device and checks that the ELF magic
    // follows it. Nothing, with the reason in `error`, when the device holds no
    // application file.
    static std::optional<AppFileHeader> read(QIODevice &device, QString *error = nullptr);

    // The version-3 header of these fields (version and length are not looked at).
    QByteArray toBytes() const;

    // A tag as it is stored: its UTF-8 form cut to 32 bytes at a character boundary.
    static QString storableTag(const QString &tag);
};
