#include "VersionControl.h"

#include "ApplicationFolders.h"
#include "DigestChecks.h"
#include "DownloadManager.h"
#include "DownloadStorage.h"
#include "VersionInfoCipher.h"

#include <QDebug>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

VersionControl::VersionControl(QObject *parent)
    : QObject(parent)
    , m_versionFolder(ApplicationFolders::instance().subFolder(ApplicationFolders::AppDataFolder, "Version"))
{
    connect(&m_downloadWatcher, &QFutureWatcher<DownloadResult>::finished, this, &VersionControl::handleDownloadsReady);
    connect(&m_downloadWatcher, &QFutureWatcher<DownloadResult>::resultReadyAt, this,
            &VersionControl::handleDownloadError);
}

VersionControl *VersionControl::instance()
{
    // Deliberately never destroyed: other threads may query it until the process ends.
    static VersionControl *const versionControl = new VersionControl();
    return versionControl;
}

QString VersionControl::versionFilePath() const
{
    return m_versionFolder ? m_versionFolder->filePath(QString::fromLatin1(kFileName)) : QString();
}

int VersionControl::setApplicationVersion(SemanticVersion version)
{
    // Kept also without a folder: a later refresh compares the published version with it.
    m_runningVersion = version;
    if (!m_versionFolder)
        return -1;
    return refresh();
}

int VersionControl::refresh()
{
    if (m_pendingDownloads != 0)
        return -1;
    // The folder may have become available since start-up.
    if (!m_versionFolder)
        m_versionFolder = ApplicationFolders::instance().subFolder(ApplicationFolders::AppDataFolder, "Version");
    if (!m_versionFolder) {
        qWarning() << "No folder for the version information; it is not downloaded";
        return -1;
    }
    ++m_pendingDownloads;
    m_downloadWatcher.setFuture(DownloadManager::instance()->downloadToFile(
        DownloadStorage::fileUrl(QString::fromLatin1(kFileName)), versionFilePath()));
    return 0;
}

void VersionControl::handleDownloadError(int index)
{
    const DownloadResult result = m_downloadWatcher.resultAt(index);
    if (!result.success)
        qDebug() << result.pathOrError;
}

// A failed download still leads to a load: the file of an earlier download is still
// there, whole, and may be all there is without network.
void VersionControl::handleDownloadsReady()
{
    if (--m_pendingDownloads == 0)
        loadVersionInfo();
}

QByteArray VersionControl::readVersionFile() const
{
    QFile file(versionFilePath());
    if (!m_versionFolder || !file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray content = file.readAll();
    if (content.size() < kSha256Size)
        return {};
    const QByteArray ciphertext = content.left(content.size() - kSha256Size);
    if (verifySha256(content.right(kSha256Size), ciphertext) != 0)
        return {};
    return ciphertext;
}

int VersionControl::loadVersionInfo()
{
    const QByteArray ciphertext = readVersionFile();
    if (ciphertext.isEmpty()) {
        qDebug() << "Could not load block info";
        emit VersionControlUpdated();
        return -1;
    }
    const QByteArray plaintext = VersionInfoCipher::decrypt(ciphertext);
    if (plaintext.isNull()) {
        qDebug() << "Could not decrypt the version information";
        emit VersionControlUpdated();
        return -1;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(plaintext, &parseError);
    if (!document.isObject() || document.object().isEmpty()) {
        qDebug() << "The version information is no JSON document:" << parseError.errorString();
        emit VersionControlUpdated();
        return -1;
    }

    const QJsonObject root = document.object();
    const int format = root.value(QLatin1String("Version")).toInt();
    if (format == kDocumentFormat) {
        VersionTables tables = VersionTables::fromJson(root);
        QWriteLocker lock(&m_tablesLock);
        m_tables = std::move(tables);
    } else {
        qDebug() << "The version information has an unknown format:" << format;
    }
    checkForApplicationUpdate();
    emit VersionControlUpdated();
    return format == kDocumentFormat ? 0 : -1;
}

void VersionControl::checkForApplicationUpdate()
{
    const SemanticVersion latest =
        SemanticVersion::parse(latestComponentVersion(QString::fromLatin1(kApplicationComponent)));
    if (SemanticVersion::compare(m_runningVersion, latest)) {
        m_updateAvailable = true;
        emit halvoraUpdateAvailable();
    }
}

bool VersionControl::getHalvoraUpdateStatus() const
{
    return m_updateAvailable;
}

QString VersionControl::latestDeviceVersion(const QString &device) const
{
    QReadLocker lock(&m_tablesLock);
    return m_tables.devices.value(device).latestVersion;
}

QMap<QString, QString> VersionControl::deviceComponentVersions(const QString &device,
                                                               const QString &deviceVersion) const
{
    QReadLocker lock(&m_tablesLock);
    return m_tables.devices.value(device).versions.value(deviceVersion);
}

QString VersionControl::deviceVersionFromComponents(const QString &device,
                                                    const QMap<QString, QString> &componentVersions) const
{
    QReadLocker lock(&m_tablesLock);
    const auto entry = m_tables.devices.constFind(device);
    if (entry == m_tables.devices.cend())
        return {};
    for (auto version = entry->versions.cbegin(); version != entry->versions.cend(); ++version) {
        bool matches = true;
        for (auto listed = version->cbegin(); listed != version->cend() && matches; ++listed) {
            const auto given = componentVersions.constFind(listed.key());
            matches = given != componentVersions.cend() && *given == listed.value();
        }
        if (matches)
            return version.key();
    }
    return {};
}

QString VersionControl::latestComponentVersion(const QString &component) const
{
    QReadLocker lock(&m_tablesLock);
    return m_tables.components.value(component).latestVersion;
}

ComponentFile VersionControl::componentFile(const QString &component, const QString &version) const
{
    QReadLocker lock(&m_tablesLock);
    return m_tables.components.value(component).versions.value(version);
}
