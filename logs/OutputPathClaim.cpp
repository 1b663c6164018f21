#include "OutputPathClaim.h"

#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QSet>

#include <stdexcept>

namespace {
QMutex claimsMutex;
QSet<QString> &claims()
{
    static QSet<QString> set;
    return set;
}
} // namespace

QString OutputPathClaim::normalised(const QString &path)
{
    const QFileInfo info(path);
    // The folder may be reached through links; the file itself may not exist yet.
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    const QString base = folder.isEmpty() ? info.absolutePath() : folder;
    return QDir::cleanPath(base + QLatin1Char('/') + info.fileName());
}

OutputPathClaim::OutputPathClaim(const QString &path)
    : m_path(normalised(path))
{
    QMutexLocker lock(&claimsMutex);
    if (claims().contains(m_path))
        throw std::runtime_error("Another conversion is writing " + m_path.toStdString());
    claims().insert(m_path);
}

OutputPathClaim::~OutputPathClaim()
{
    QMutexLocker lock(&claimsMutex);
    claims().remove(m_path);
}
