#include "FirmwareFileManager.h"

#include "ApplicationFolders.h"
#include "DownloadManager.h"
#include "DownloadStorage.h"
#include "VersionControl.h"

#include <QDebug>
#include <QFileInfo>

namespace {

// The local name of a listed file: the text after its last "/". Names that would
// leave the folder or name the folder itself are refused.
QString localFileName(const QString &listedPath)
{
    const QString name = listedPath.mid(listedPath.lastIndexOf(QLatin1Char('/')) + 1);
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") || name.contains(QLatin1Char('\\'))
        || name.contains(QChar(0)))
        return {};
    return name;
}

} // namespace

FirmwareFileManager::FirmwareFileManager(VersionControl *versions, QObject *parent)
    : QObject(parent)
    , m_versions(versions)
{
}

FirmwareFileManager *FirmwareFileManager::instance()
{
    // Deliberately never destroyed, like the version information it reads.
    static FirmwareFileManager *const manager = new FirmwareFileManager(VersionControl::instance());
    return manager;
}

// Asked for on every request, so a folder removed while the program runs comes back.
std::optional<QDir> FirmwareFileManager::firmwareFolder()
{
    return ApplicationFolders::instance().subFolder(ApplicationFolders::AppDataFolder, "UpdateData");
}

QString FirmwareFileManager::getFirmware(const QString &component, const QString &version)
{
    const ComponentFile listed = m_versions->componentFile(component, version);
    const QString name = localFileName(listed.file);
    if (name.isEmpty()) {
        qDebug() << "No firmware file listed for" << component << version;
        announceNotAvailableLater(component, version);
        return {};
    }
    const std::optional<QDir> folder = firmwareFolder();
    if (!folder) {
        qWarning() << "No folder for firmware files; cannot fetch" << component << version;
        announceNotAvailableLater(component, version);
        return {};
    }
    const QString localPath = folder->absoluteFilePath(name);
    if (QFileInfo(localPath).isFile())
        return localPath;
    if (m_activeDownloads.contains(component))
        return {};

    auto *watcher = new Watcher(this);
    m_activeDownloads.insert(component, watcher);
    connect(watcher, &Watcher::resultReadyAt, this,
            [=, this](int index) { onDownloadResult(watcher, index, component, version); });
    connect(watcher, &Watcher::finished, this,
            [=, this] { onDownloadFinished(watcher, component, version, localPath); });
    watcher->setFuture(DownloadManager::instance()->downloadToFile(DownloadStorage::fileUrl(listed.file), localPath));
    return {};
}

// The caller learns every outcome the same way: later, through a signal.
void FirmwareFileManager::announceNotAvailableLater(const QString &component, const QString &version)
{
    QMetaObject::invokeMethod(
        this, [=, this] { emit FirmwareNotAvailable(component, version, QString()); }, Qt::QueuedConnection);
}

// Takes the watcher out of the running downloads; false when it was no longer there.
// It is deleted only after the signal being handled has returned.
bool FirmwareFileManager::release(const QString &component, Watcher *watcher)
{
    const auto entry = m_activeDownloads.constFind(component);
    if (entry == m_activeDownloads.cend() || *entry != watcher)
        return false;
    m_activeDownloads.erase(entry);
    watcher->deleteLater();
    return true;
}

void FirmwareFileManager::onDownloadResult(Watcher *watcher, int index, const QString &component,
                                           const QString &version)
{
    if (watcher->resultAt(index).success)
        return;
    qDebug() << "Error while trying to download a file";
    // A download can report several failures; it is announced once.
    if (release(component, watcher))
        emit FirmwareNotAvailable(component, version, QString());
}

void FirmwareFileManager::onDownloadFinished(Watcher *watcher, const QString &component, const QString &version,
                                             const QString &localPath)
{
    if (!release(component, watcher))
        return;
    const QList<DownloadResult> results = watcher->future().results();
    if (!results.isEmpty() && results.constLast().success)
        emit FirmwareAvailable(component, version, localPath);
    else
        emit FirmwareNotAvailable(component, version, QString());
}
