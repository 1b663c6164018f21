#include "ArArchive.h"

#include "ElfLoading.h"

namespace ArArchive {

namespace {

bool fail(QString *error, const QString &reason)
{
    if (error)
        *error = reason;
    return false;
}

// The member's data size: decimal digits, then blanks up to the field's end.
std::optional<qsizetype> memberSize(QByteArrayView header)
{
    const QByteArrayView field = header.sliced(kMemberSizeOffset, kMemberSizeLength);
    qsizetype size = 0;
    qsizetype digits = 0;
    for (; digits < field.size() && field[digits] >= '0' && field[digits] <= '9'; ++digits)
        size = size * 10 + (field[digits] - '0'); // ten digits stay far below qsizetype's range
    if (digits == 0)
        return std::nullopt;
    for (qsizetype i = digits; i < field.size(); ++i) {
        if (field[i] != ' ')
            return std::nullopt;
    }
    return size;
}

} // namespace

bool looksLikeArchive(QByteArrayView bytes)
{
    return bytes.startsWith(kGlobalHeader);
}

std::optional<QByteArrayView> findElfMember(QByteArrayView archive, QString *error)
{
    if (!looksLikeArchive(archive)) {
        fail(error, QStringLiteral("no ar archive"));
        return std::nullopt;
    }
    qsizetype position = kGlobalHeader.size();
    for (int member = 0; member < kMembersExamined && position < archive.size(); ++member) {
        if (archive.size() - position < kMemberHeaderSize) {
            fail(error, QStringLiteral("ar member %1 has a cut header").arg(member));
            return std::nullopt;
        }
        const QByteArrayView header = archive.sliced(position, kMemberHeaderSize);
        const std::optional<qsizetype> size = memberSize(header);
        if (!header.sliced(kMemberEndOffset).startsWith(kMemberEnd) || !size) {
            fail(error, QStringLiteral("ar member %1 has a damaged header").arg(member));
            return std::nullopt;
        }
        position += kMemberHeaderSize;
        if (*size > archive.size() - position) {
            fail(error,
                 QStringLiteral("ar member %1 (%2 bytes) runs past the end of the archive").arg(member).arg(*size));
            return std::nullopt;
        }
        const QByteArrayView data = archive.sliced(position, *size);
        if (data.startsWith(QByteArrayView(kElfMagic)))
            return data;
        position += *size + (*size % 2);
    }
    fail(error, QStringLiteral("no ELF image among the first %1 members of the ar archive").arg(kMembersExamined));
    return std::nullopt;
}

} // namespace ArArchive
