#include "FolderExchange.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>

namespace {

int renameExchange(const QByteArray &first, const QByteArray &second)
{
#if defined(RENAME_EXCHANGE)
    return ::renameat2(AT_FDCWD, first.constData(), AT_FDCWD, second.constData(), RENAME_EXCHANGE);
#else
    errno = ENOSYS;
    return -1;
#endif
}

bool renamePath(const QByteArray &from, const QByteArray &to)
{
    if (::rename(from.constData(), to.constData()) == 0)
        return true;
    qWarning() << "Could not rename" << from << "to" << to << ":" << std::strerror(errno);
    return false;
}

} // namespace

namespace halvora::platform {

bool exchangeFolders(const QString &first, const QString &second)
{
    const QByteArray firstPath = QFile::encodeName(first);
    const QByteArray secondPath = QFile::encodeName(second);
    if (!QFileInfo(second).isDir()) {
        qWarning() << "Cannot exchange" << first << "with" << second << ": the second is no folder";
        return false;
    }
    if (!QFileInfo::exists(first))
        return renamePath(secondPath, firstPath);
    if (renameExchange(firstPath, secondPath) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) {
        qWarning() << "Could not exchange" << first << "with" << second << ":" << std::strerror(errno);
        return false;
    }

    // This file system swaps in three steps.
    const QByteArray aside = firstPath + ".aside";
    if (QFileInfo::exists(QFile::decodeName(aside))) {
        qWarning() << "Cannot exchange" << first << "with" << second << ":" << aside << "is in the way";
        return false;
    }
    if (!renamePath(firstPath, aside))
        return false;
    if (!renamePath(secondPath, firstPath)) {
        renamePath(aside, firstPath);
        return false;
    }
    // Should this last step fail, the new folder is in place all the same and the old
    // one stays beside it under the aside name.
    renamePath(aside, secondPath);
    return true;
}

} // namespace halvora::platform
