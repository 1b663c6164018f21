#include "ApplicationFolders.h"

#include <QDebug>
#include <QMutexLocker>
#include <QStandardPaths>

namespace {

const QString kHalvoraFolderName = QStringLiteral("HalvoraStudio");
const QString kMakerFolderPath = QStringLiteral("Ostrel/HalvoraStudio");

QString firstProgramDataLocation(const QStringList &locations)
{
    for (const QString &location : locations) {
        if (location.contains(QLatin1String("ProgramData")))
            return location;
    }
    return {};
}

} // namespace

ApplicationFolders::Locations ApplicationFolders::Locations::standard()
{
    return Locations{
        [] { return QStandardPaths::writableLocation(QStandardPaths::HomeLocation); },
        [] { return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation); },
        [] { return QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation); },
        [] { return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation); },
    };
}

ApplicationFolders::ApplicationFolders(Locations locations)
    : m_locations(std::move(locations))
{
    m_folders.fill(QDir(QString()));
}

ApplicationFolders &ApplicationFolders::instance()
{
    static ApplicationFolders folders;
    return folders;
}

bool ApplicationFolders::isInitialised(FolderKind kind) const
{
    QMutexLocker lock(&m_mutex);
    return m_initialised.at(kind);
}

QDir ApplicationFolders::folder(FolderKind kind)
{
    QMutexLocker lock(&m_mutex);
    if (!m_initialised.at(kind))
        m_folders.at(kind) = makeFolder(kind);
    return m_folders.at(kind);
}

QDir ApplicationFolders::makeFolder(FolderKind kind)
{
    QDir value = m_folders.at(kind);
    switch (kind) {
    case HomeFolder: {
        const QString home = m_locations.home();
        if (home.isEmpty()) {
            qWarning() << "No home location available";
            return value;
        }
        value = QDir(home);
        if (value.mkpath(kHalvoraFolderName) && value.cd(kHalvoraFolderName))
            m_initialised[kind] = true;
        else
            qWarning() << "Could not initialise Halvora Lab folder" << value.filePath(kHalvoraFolderName);
        return value;
    }
    case AppDataFolder: {
        QString path = m_locations.appData();
        path.replace(QLatin1String("Roaming/Ostrel/Halvora"), QLatin1String("Roaming/Ostrel/HalvoraStudio"));
        if (path.isEmpty()) {
            qWarning() << "Could not initialise AppData: no application-data location";
            return value;
        }
        value = QDir(path);
        if (value.mkpath(QStringLiteral(".")))
            m_initialised[kind] = true;
        else
            qWarning() << "Could not initialise AppData" << path;
        return value;
    }
    case ProgramDataFolder:
        return makeProgramDataFolder(true);
    case ProgramDataRoot:
        return makeProgramDataFolder(false);
    }
    return value;
}

// The machine-wide folder is the generic configuration location named "ProgramData".
// Linux desktops have none, so the per-user generic data folder takes its place.
QDir ApplicationFolders::makeProgramDataFolder(bool create)
{
    const FolderKind kind = create ? ProgramDataFolder : ProgramDataRoot;
    QString root = firstProgramDataLocation(m_locations.genericConfig());
    if (root.isEmpty()) {
        root = m_locations.genericData();
        if (root.isEmpty()) {
            qWarning() << "Could not initialise ProgramData: no machine-wide or per-user data location";
            return m_folders.at(kind);
        }
        qInfo() << "No machine-wide ProgramData folder; using the per-user folder" << root;
    }
    QDir value(root);
    if (!create) {
        m_initialised[kind] = true;
        return value;
    }
    if (value.mkpath(kMakerFolderPath) && value.cd(kMakerFolderPath))
        m_initialised[kind] = true;
    else
        qWarning() << "Could not initialise ProgramData" << value.filePath(kMakerFolderPath);
    return value;
}

bool ApplicationFolders::isSafeSubFolderName(const QString &name)
{
    if (name.isEmpty() || name.contains(QLatin1Char('\\')) || name.startsWith(QLatin1Char('/'))
        || QDir::isAbsolutePath(name) || name.contains(QLatin1Char(':')) || name.contains(QChar(0)))
        return false;
    const QStringList segments = name.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (segments.isEmpty())
        return false;
    for (const QString &segment : segments) {
        if (segment == QLatin1String("..") || segment == QLatin1String("."))
            return false;
    }
    return true;
}

std::optional<QDir> ApplicationFolders::subFolder(FolderKind kind, const QByteArray &name)
{
    const QString folderName = QString::fromUtf8(name);
    if (!isSafeSubFolderName(folderName)) {
        qWarning() << "Refused application sub-folder name" << folderName;
        return std::nullopt;
    }
    QDir dir = folder(kind);
    if (!isInitialised(kind)) {
        qWarning() << "Could not initialise AppData folder" << folderName << ": its base folder is missing";
        return std::nullopt;
    }
    // Made on every call, so a folder deleted while the program runs comes back.
    if (!dir.mkpath(folderName) || !dir.cd(folderName)) {
        qWarning() << "Could not initialise AppData folder" << dir.filePath(folderName);
        return std::nullopt;
    }
    return dir;
}
