#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

// Finding an ELF image in a Unix `ar` archive: the global header "!<arch>\n", then
// members, each a 60-byte header (its data size a decimal text of 10 characters at
// offset 48, the header ending in "`\n") followed by its data, padded to an even
// length. The first of the leading members whose data starts with the ELF magic is
// the image; the archive's symbol table, which GNU ar puts first, never does.
namespace ArArchive {

inline constexpr QByteArrayView kGlobalHeader = "!<arch>\n";
inline constexpr qsizetype kMemberHeaderSize = 60;
inline constexpr qsizetype kMemberSizeOffset = 48;
inline constexpr qsizetype kMemberSizeLength = 10;
inline constexpr qsizetype kMemberEndOffset = 58;
inline constexpr QByteArrayView kMemberEnd = "`\n";
// The image is looked for among this many members at the front of the archive.
inline constexpr int kMembersExamined = 6;

bool looksLikeArchive(QByteArrayView bytes);

// The data of the first examined member that starts with the ELF magic; nothing,
// with the reason in `error`, when there is none or a member header is damaged.
std::optional<QByteArrayView> findElfMember(QByteArrayView archive, QString *error = nullptr);

} // namespace ArArchive
