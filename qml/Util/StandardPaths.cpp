#include "StandardPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

StandardPaths::StandardPaths(QObject *parent)
    : QObject(parent)
{
}

void StandardPaths::setGroup(const QString &group)
{
    if (group == m_group)
        return;
    m_group = group;
    emit groupChanged();
}

// Plain concatenation with "/": base, the group (whose folder is then created) and
// the file name. The file itself is never created.
QString StandardPaths::pathIn(const QString &base, Grouping grouping, const QString &fileName) const
{
    QString path = base;
    if (grouping == Grouping::WithGroup) {
        if (!m_group.isEmpty())
            path += QLatin1Char('/') + m_group;
        QDir().mkpath(path); // a folder that cannot be made shows when the file is used
    }
    if (!fileName.isEmpty())
        path += QLatin1Char('/') + fileName;
    return path;
}

QString StandardPaths::getHiddenUserDataPath(const QString &fileName) const
{
    return pathIn(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation), Grouping::WithGroup, fileName);
}

QString StandardPaths::getUserDataPath(const QString &fileName) const
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (QStandardPaths::isTestModeEnabled())
        base += QStringLiteral("/qttest");
    if (const QString organisation = QCoreApplication::organizationName(); !organisation.isEmpty())
        base += QLatin1Char('/') + organisation;
    if (const QString application = QCoreApplication::applicationName(); !application.isEmpty())
        base += QLatin1Char('/') + application;
    return pathIn(base, Grouping::WithGroup, fileName);
}

QString StandardPaths::getConfigPath(const QString &fileName) const
{
    return pathIn(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation), Grouping::WithGroup, fileName);
}

QString StandardPaths::getCachePath(const QString &fileName) const
{
    return pathIn(QStandardPaths::writableLocation(QStandardPaths::CacheLocation), Grouping::WithGroup, fileName);
}

QString StandardPaths::getTempPath(const QString &fileName) const
{
    return pathIn(QStandardPaths::writableLocation(QStandardPaths::TempLocation), Grouping::WithoutGroup, fileName);
}

QString StandardPaths::getDownloadsPath(const QString &fileName) const
{
    return pathIn(QStandardPaths::writableLocation(QStandardPaths::DownloadLocation), Grouping::WithoutGroup, fileName);
}

QString StandardPaths::getResourcePath(const QString &fileName) const
{
    return pathIn(QCoreApplication::applicationDirPath() + QStringLiteral("/resources"), Grouping::WithoutGroup,
                  fileName);
}

QString StandardPaths::getApplicationPath() const
{
    return QCoreApplication::applicationDirPath();
}

StandardPaths *StandardPaths::subGroup(const QString &subGroup, QObject *parent) const
{
    auto *paths = new StandardPaths(parent);
    paths->setGroup(m_group.isEmpty() ? subGroup : m_group + QLatin1Char('/') + subGroup);
    return paths;
}
