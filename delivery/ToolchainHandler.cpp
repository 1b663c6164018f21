#include "ToolchainHandler.h"

#include "ApplicationFolders.h"
#include "DigestChecks.h"
#include "DownloadManager.h"
#include "DownloadStorage.h"
#include "FolderExchange.h"
#include "SemanticVersion.h"
#include "ToolchainPackage.h"
#include "VersionControl.h"

#include <QDebug>
#include <QDir>
#include <QFile>

#include <chrono>
#include <utility>

ToolchainHandler::ToolchainHandler(QObject *parent)
    : ToolchainHandler(parent, Settings())
{
}

ToolchainHandler::ToolchainHandler(QObject *parent, Settings settings)
    : QObject(parent)
    , m_matlabHelper(std::make_unique<MatlabHelper>(std::move(settings.matlab)))
    , m_versions(settings.versions ? settings.versions : VersionControl::instance())
{
    if (const auto folder = ApplicationFolders::instance().subFolder(ApplicationFolders::ProgramDataFolder,
                                                                     kFolderName))
        m_toolchainFolder = folder->absolutePath();
    if (m_toolchainFolder.isEmpty())
        qWarning() << "No folder for the MATLAB toolchain: it cannot be installed";
    connect(m_versions, &VersionControl::VersionControlUpdated, this, &ToolchainHandler::queryToolchainVersion,
            Qt::QueuedConnection);
    connect(&m_downloadWatcher, &QFutureWatcher<DownloadResult>::finished, this,
            &ToolchainHandler::handleDownloadsReady);
    connect(&m_downloadWatcher, &QFutureWatcher<DownloadResult>::resultReadyAt, this,
            &ToolchainHandler::handleDownloadError);
}

ToolchainHandler::~ToolchainHandler()
{
    stop();
}

void ToolchainHandler::stop(const std::function<void()> &releaseBlockedDeliveries)
{
    m_stopping = true;
    disconnect(&m_downloadWatcher, nullptr, this, nullptr);
    while (m_workerRunning) {
        if (releaseBlockedDeliveries)
            releaseBlockedDeliveries();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (m_worker.joinable())
        m_worker.join();
}

QString ToolchainHandler::toolchainFolderPath() const
{
    return m_toolchainFolder;
}

// Beside the copy, on the same file system, so that it can take the copy's place in
// one step.
QString ToolchainHandler::stagingFolderPath() const
{
    return toolchainFolderPath() + QStringLiteral(".staging");
}

bool ToolchainHandler::isDownloading() const
{
    std::lock_guard lock(m_pendingLock);
    return m_downloading;
}

void ToolchainHandler::queryToolchainVersion()
{
    const bool wasEmpty = m_latestVersion.isEmpty();
    m_latestVersion = m_versions->latestComponentVersion(QLatin1String(kComponent)).toUtf8();
    if (wasEmpty != m_latestVersion.isEmpty())
        emit VersionInfoAvailable();
}

QByteArray ToolchainHandler::localVersion() const
{
    QFile file(toolchainFolderPath() + QLatin1Char('/') + QLatin1String(kVersionFileName));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// A copy is current when it is not older than the latest published toolchain. With
// the version information not at hand (offline), any whole copy is used.
bool ToolchainHandler::isLocalToolchainCurrent(const QByteArray &latest) const
{
    const QByteArray local = localVersion();
    if (local.isEmpty())
        return false;
    if (latest.isEmpty())
        return true;
    return !SemanticVersion::compare(SemanticVersion::parse(QString::fromUtf8(local)),
                                     SemanticVersion::parse(QString::fromUtf8(latest)));
}

void ToolchainHandler::installToolchain(const QByteArray &matlabVersion)
{
    request(matlabVersion, false);
}

void ToolchainHandler::uninstallToolchain(const QByteArray &matlabVersion)
{
    request(matlabVersion, true);
}

void ToolchainHandler::installInAllMatlabs()
{
    const QList<QByteArray> versions = m_matlabHelper->installations().keys();
    for (const QByteArray &version : versions)
        request(version, false);
}

void ToolchainHandler::handleInstallUri(const QByteArray &version, const QByteArray &msg, int progress, int flags,
                                        bool isUninstall)
{
    m_matlabHelper->completeInstallation(version, progress, flags, isUninstall);
    emit InstallProgressUpdated(QString::fromUtf8(version), QString::fromUtf8(msg), progress, flags > 0);
    emit InstalledToolchainsChanged();
}

void ToolchainHandler::request(const QByteArray &matlabVersion, bool isUninstall)
{
    if (m_toolchainFolder.isEmpty()) {
        reportProgress(Emitter::MainThread, matlabVersion, QLatin1String(kFailedText), 100, true);
        return;
    }
    if (m_latestVersion.isEmpty())
        queryToolchainVersion();
    bool current = false;
    bool startDownload = false;
    {
        std::lock_guard lock(m_pendingLock);
        current = isLocalToolchainCurrent(m_latestVersion);
        if (!current) {
            m_pendingInstallations.insert(matlabVersion, isUninstall);
            startDownload = !m_downloading;
            m_downloading = true;
        }
    }
    if (current) {
        startInMatlab(matlabVersion, isUninstall, localVersion(), Emitter::MainThread);
        return;
    }
    reportProgress(Emitter::MainThread, matlabVersion, QLatin1String(kDownloadingText), 0, false);
    if (startDownload)
        downloadToolchain();
}

void ToolchainHandler::startInMatlab(const QByteArray &matlabVersion, bool isUninstall,
                                     const QByteArray &toolchainVersion, Emitter emitter)
{
    const QByteArray folder = QFile::encodeName(toolchainFolderPath());
    if (isUninstall)
        m_matlabHelper->uninstallToolchain(matlabVersion, folder);
    else
        m_matlabHelper->installToolchain(matlabVersion, folder, toolchainVersion);
    reportProgress(emitter, matlabVersion, QLatin1String(kStartingText), 0, false);
}

void ToolchainHandler::reportProgress(Emitter emitter, const QByteArray &version, const QString &msg, int progress,
                                      bool isError)
{
    if (emitter == Emitter::MainThread)
        emit InstallProgressUpdated(QString::fromUtf8(version), msg, progress, isError);
    else if (!m_stopping)
        emit InstallProgressUpdatedFromThread(QString::fromUtf8(version), msg, progress, isError);
}

void ToolchainHandler::downloadToolchain()
{
    m_downloadFailed = false;
    const QString version = m_versions->latestComponentVersion(QLatin1String(kComponent));
    const ComponentFile listed = m_versions->componentFile(QLatin1String(kComponent), version);
    m_downloadingPackage = {version.toUtf8(), listed.file, listed.sha256};
    if (version.isEmpty() || listed.file.isEmpty()) {
        qDebug() << "Download new toolchain failed: the version information lists no toolchain package";
        // Answered later, like any download, never from inside the request.
        QMetaObject::invokeMethod(
            this, [this] { failDownload(Emitter::MainThread); }, Qt::QueuedConnection);
        return;
    }
    qDebug() << "Downloading toolchain" << version << "from" << listed.file;
    m_downloadWatcher.setFuture(DownloadManager::instance()->downloadToFile(DownloadStorage::fileUrl(listed.file),
                                                                            toolchainFolderPath() + QLatin1Char('/')
                                                                                + QLatin1String(kPackageFileName)));
}

void ToolchainHandler::handleDownloadError(int index)
{
    const DownloadResult result = m_downloadWatcher.resultAt(index);
    if (result.success)
        return;
    qDebug() << "Download new toolchain failed" << result.pathOrError;
    m_downloadFailed = true;
}

void ToolchainHandler::handleDownloadsReady()
{
    bool succeeded = false;
    for (const DownloadResult &result : m_downloadWatcher.future().results())
        succeeded = succeeded || result.success;
    if (m_downloadFailed || !succeeded) {
        failDownload(Emitter::MainThread);
        return;
    }
    if (m_stopping)
        return;
    // The previous worker ended when it cleared the downloading flag.
    if (m_worker.joinable())
        m_worker.join();
    m_workerRunning = true;
    m_worker = std::thread([this, package = m_downloadingPackage] {
        processDownloadedToolchain(package);
        m_workerRunning = false;
    });
}

void ToolchainHandler::failDownload(Emitter emitter)
{
    QMap<QByteArray, bool> requests;
    {
        std::lock_guard lock(m_pendingLock);
        requests = std::exchange(m_pendingInstallations, {});
        m_downloading = false;
    }
    emit DownloadFailed();
    for (auto it = requests.cbegin(); it != requests.cend(); ++it)
        reportProgress(emitter, it.key(), QLatin1String(kFailedText), 100, true);
}

// Worker thread.
void ToolchainHandler::processDownloadedToolchain(const Package &package)
{
    const QByteArray archive = readToolchainData(package);
    if (archive.isEmpty()) {
        qDebug() << "Could not decrypt toolchain installation file.";
        failDownload(Emitter::Worker);
        return;
    }
    if (m_stopping || !unpackIntoStaging(archive, package)) {
        failDownload(Emitter::Worker);
        return;
    }
    bool swapped = false;
    QMap<QByteArray, bool> requests;
    {
        std::lock_guard lock(m_pendingLock);
        swapped = !m_stopping && halvora::platform::exchangeFolders(toolchainFolderPath(), stagingFolderPath());
        if (swapped)
            requests = std::exchange(m_pendingInstallations, {});
    }
    // Now the old copy, or the new one that could not take its place.
    QDir(stagingFolderPath()).removeRecursively();
    if (!swapped) {
        failDownload(Emitter::Worker);
        return;
    }
    qDebug() << "Toolchain" << package.version << "unpacked";
    emit DownloadCompleted();
    for (auto it = requests.cbegin(); it != requests.cend() && !m_stopping; ++it)
        startInMatlab(it.key(), it.value(), package.version, Emitter::Worker);
    std::lock_guard lock(m_pendingLock);
    m_downloading = false;
}

// Worker thread. The package is checked against the digest listed when its download
// started, and removed whatever the outcome.
QByteArray ToolchainHandler::readToolchainData(const Package &package) const
{
    QFile file(toolchainFolderPath() + QLatin1Char('/') + QLatin1String(kPackageFileName));
    if (!file.exists())
        return {};
    QByteArray content;
    if (file.open(QIODevice::ReadOnly))
        content = file.readAll();
    file.close();
    file.remove();
    if (content.isEmpty() || verifySha256String(package.sha256, content) != 0)
        return {};
    return ToolchainPackage::decrypt(content);
}

// Worker thread. The "version" file is written last, so a copy with one is whole.
bool ToolchainHandler::unpackIntoStaging(const QByteArray &archive, const Package &package)
{
    QDir staging(stagingFolderPath());
    if (staging.exists() && !staging.removeRecursively()) {
        qWarning() << "Could not clear the folder" << staging.path() << "for unpacking the toolchain";
        return false;
    }
    if (!QDir().mkpath(staging.path())) {
        qWarning() << "Could not make the folder" << staging.path() << "for unpacking the toolchain";
        return false;
    }
    const ToolchainPackage::UnpackResult result = ToolchainPackage::unpack(archive, staging);
    bool written = false;
    if (result.ok) {
        QFile version(staging.filePath(QLatin1String(kVersionFileName)));
        written = version.open(QIODevice::WriteOnly | QIODevice::Truncate)
                  && version.write(package.version) == package.version.size() && version.flush();
        if (!written)
            qWarning() << "Could not write the toolchain's version file:" << version.errorString();
    } else {
        qDebug() << "Could not unzip the toolchain installer" << result.error;
    }
    if (!written)
        staging.removeRecursively();
    return written;
}
