// The board side of the log producer: attaching the board, its file service, the
// listing of "/log", downloads, removals, renames and the storage figures. Every
// request to the file service and every reply passes through a queued connection.
#include "OstDeviceLogProducer.h"

#include "ExtendedDeviceTypeName.h"
#include "ErrorHandler.h"
#include "LogFileNames.h"
#include "Zelto.h"

#include <QDateTime>
#include <QFileInfo>
#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcLogProducer)

namespace {

const QString BoardLogFolder = QStringLiteral("/log");
const QString LogSuffix = QStringLiteral(".hlf");
const QString PartSuffix = QStringLiteral(".part");
constexpr uint32_t StorageMounted = 2;

QString lastPathPart(const QString &path)
{
    return path.section(QLatin1Char('/'), -1);
}

} // namespace

void OstDeviceLogProducer::postWarning(const QString &message) const
{
    ErrorHandler::instance()->addMessage(halvora::ErrorLevel::Warning, AbstractNotification::HalvoraLab,
                                         tr("Downloading log file failed"), message, QStringLiteral("Log downloader"),
                                         QDateTime::currentDateTimeUtc());
}

void OstDeviceLogProducer::setDevice(Zelto *board, bool visible)
{
    if (board == m_board)
        return;
    disconnect(this, &OstDeviceLogProducer::QueryZeltoFileControl, nullptr, nullptr);
    if (m_board)
        disconnect(m_board, nullptr, this, nullptr);
    dropFileControlConnections();
    m_fileControl = nullptr;
    m_board = board;
    // What was under way with the previous board gets no reply any more. Its end may
    // start the next queued download at once, which must meet the new state.
    failPendingDownload();
    clearRemovalQueue();
    emit DeviceConnected(board != nullptr);
    if (board && m_valid) {
        const QString typeName = extendedDeviceTypeName(board->extendedDeviceType());
        if (!m_typeFile.exists() || readDeviceInfo(QLatin1String(DeviceTypeKey), QVariant()).toString() != typeName)
            writeDeviceInfo(QLatin1String(DeviceTypeKey), typeName);
    }
    emit DeviceTypeChanged();

    if (board) {
        connect(this, &OstDeviceLogProducer::QueryZeltoFileControl, board, &Zelto::openCloseFileControl,
                Qt::QueuedConnection);
        connect(board, &Zelto::FileControlOpenedClosed, this, &OstDeviceLogProducer::setFileControlChannel);
        m_visible = visible;
        if (visible)
            emit QueryZeltoFileControl(true);
        return;
    }

    // The board is gone: entries that were only on the board ask to be removed, and
    // their removals end in one list change.
    m_pendingRemovals = 0;
    for (OstDeviceLogEntry *entry : entries()) {
        entry->setDeviceFileInfo(std::nullopt);
        if (entry->removalRequested())
            ++m_pendingRemovals;
    }
    m_totalStorage = 0;
    m_freeStorage = 0;
    setCurrentDownload(nullptr);
    emit SizeInfoChanged();
}

void OstDeviceLogProducer::setVisibility(bool visible)
{
    m_visible = visible;
    // The file service is only ever asked to open, never to close.
    if (visible && !m_fileControl)
        emit QueryZeltoFileControl(true);
}

void OstDeviceLogProducer::setFileControlChannel(FileControlChannel *fileControlChannel)
{
    const bool otherChannel = fileControlChannel != m_fileControl;
    dropFileControlConnections();
    m_fileControl = fileControlChannel;
    if (fileControlChannel)
        connectFileControl();
    // Work in progress on another channel gets no reply any more.
    if (otherChannel) {
        failPendingDownload();
        clearRemovalQueue();
    }
    if (!fileControlChannel)
        return;
    emit QueryAvailableStorage();
    emit QueryZeltoLogList(BoardLogFolder);
}

// A second announcement of the same channel replaces the connections instead of
// adding to them, so every reply is handled once.
void OstDeviceLogProducer::connectFileControl()
{
    FileControlChannel *channel = m_fileControl;
    m_fileControlConnections
        << connect(this, &OstDeviceLogProducer::QueryZeltoLogList, channel, &FileControlChannel::listDir,
                   Qt::QueuedConnection)
        << connect(this, &OstDeviceLogProducer::QueryZeltoFileRename, channel, &FileControlChannel::renameFile,
                   Qt::QueuedConnection)
        << connect(this, &OstDeviceLogProducer::QueryAvailableStorage, channel,
                   &FileControlChannel::getAvailableStorage, Qt::QueuedConnection)
        << connect(channel, &FileControlChannel::ListDirReceived, this,
                   &OstDeviceLogProducer::handleOstDeviceLogDirListCompleted, Qt::QueuedConnection)
        << connect(channel, &FileControlChannel::DownloadFileReceived, this,
                   &OstDeviceLogProducer::handleOstDeviceDownloadLogCompleted, Qt::QueuedConnection)
        << connect(channel, &FileControlChannel::Progress, this, &OstDeviceLogProducer::handleDownloadProgressUpdate,
                   Qt::QueuedConnection)
        << connect(channel, &FileControlChannel::RemoveFileReceived, this,
                   &OstDeviceLogProducer::handleOstDeviceRemoveLogCompleted, Qt::QueuedConnection)
        << connect(channel, &FileControlChannel::RenameFileReceived, this,
                   &OstDeviceLogProducer::handleOstDeviceRenameLogCompleted, Qt::QueuedConnection)
        << connect(channel, &FileControlChannel::GetAvailableStorageReceived, this,
                   &OstDeviceLogProducer::handleOstDeviceAvailableStorageCompleted, Qt::QueuedConnection);
}

void OstDeviceLogProducer::dropFileControlConnections()
{
    for (const QMetaObject::Connection &connection : std::as_const(m_fileControlConnections))
        disconnect(connection);
    m_fileControlConnections.clear();
}

void OstDeviceLogProducer::initOstDeviceLogs()
{
    emit QueryAvailableStorage();
    emit QueryZeltoLogList(BoardLogFolder);
}

void OstDeviceLogProducer::handleOstDeviceLogDirListCompleted(FileControlChannel::ResponseCode response,
                                                              QList<FileControlChannel::DirEntry> dirEntries)
{
    if (response != FileControlChannel::Success) {
        postWarning(tr("Downloading log file from device failed with an unknown error."));
        return;
    }
    QList<OstDeviceLogEntry *> seen;
    for (const DirEntry &dirEntry : std::as_const(dirEntries)) {
        if (dirEntry.type != DirEntry::RegularFile
            || dirEntry.name.section(QLatin1Char('.'), -1) != QLatin1String("hlf"))
            continue;
        if (!logname::isSafeComponent(dirEntry.name)) {
            qCWarning(lcLogProducer) << "Ignoring the board log" << dirEntry.name << ": not usable as a file name";
            continue;
        }
        OstDeviceLogEntry *entry = findEntry(dirEntry.name);
        if (entry)
            entry->setDeviceFileInfo(dirEntry);
        else
            entry = addDeviceEntry(dirEntry);
        if (entry)
            seen << entry;
    }
    for (OstDeviceLogEntry *entry : entries()) {
        if (entry->isOnDevice() && !seen.contains(entry))
            entry->setDeviceFileInfo(std::nullopt);
    }
    emit LogListChanged();
}

void OstDeviceLogProducer::startOstDeviceDownloadLog(QString filePath)
{
    const QString name = lastPathPart(filePath);
    OstDeviceLogEntry *entry = findEntry(name);
    if (!entry) {
        qCDebug(lcLogProducer) << "No log named" << name << "to download";
        return;
    }
    if (!m_board) {
        qCDebug(lcLogProducer) << "No board attached to download" << name << "from";
        entry->finishDownload(false);
        return;
    }
    if (!m_board->appStateSafeForDownload()) {
        postWarning(tr("Can't download log file while a model is running on the device. Please stop the model "
                       "before retrying."));
        entry->finishDownload(false);
        return;
    }
    const QString finalPath = m_folder.filePath(name);
    if (!logname::isSafeComponent(name) || QFileInfo::exists(finalPath)) {
        entry->finishDownload(false);
        return;
    }
    // The file service runs one download at a time and drops a second request
    // without a reply, which would leave its requester waiting for ever.
    if (!m_fileControl || m_pendingDownload) {
        qCDebug(lcLogProducer) << "Cannot download" << name
                               << (m_fileControl ? "while another download runs" : "without the file service");
        entry->finishDownload(false);
        return;
    }
    const QString partPath = finalPath + PartSuffix;
    QFile::remove(partPath); // left by a download that was cut off
    m_pendingDownload = PendingDownload{entry, partPath, finalPath};
    entry->beginDownload();
    emit QueryZeltoDownloadLog(BoardLogFolder + QLatin1Char('/') + name, partPath);
}

void OstDeviceLogProducer::sendDownloadRequest(QString filePath, QString localFilePath)
{
    if (!m_pendingDownload || m_pendingDownload->partPath != localFilePath)
        return; // ended before it could be sent
    if (!m_fileControl || m_fileControl->downloadFile(filePath, localFilePath) != 0) {
        qCDebug(lcLogProducer) << "The file service did not take the download of" << filePath;
        failPendingDownload();
    }
}

void OstDeviceLogProducer::handleDownloadProgressUpdate(float progress, QString fileName)
{
    QString name = lastPathPart(fileName);
    if (name.endsWith(PartSuffix))
        name.chop(PartSuffix.size());
    if (OstDeviceLogEntry *entry = findEntry(name)) {
        entry->setDownloadProgress(progress);
        setCurrentDownload(entry);
    }
}

void OstDeviceLogProducer::setCurrentDownload(OstDeviceLogEntry *entry)
{
    if (entry == m_currentDownload)
        return;
    disconnect(m_currentDownloadProgress);
    disconnect(m_currentDownloadDestroyed);
    m_currentDownload = entry;
    if (!entry) {
        emit CurrentDownloadProgressChanged();
        return;
    }
    m_currentDownloadProgress = connect(entry, &OstDeviceLogEntry::DownloadProgressChanged, this,
                                        &OstDeviceLogProducer::CurrentDownloadProgressChanged);
    m_currentDownloadDestroyed = connect(entry, &QObject::destroyed, this, [this] { setCurrentDownload(nullptr); });
}

void OstDeviceLogProducer::handleOstDeviceDownloadLogCompleted(FileControlChannel::ResponseCode response,
                                                               QString outputFilePath)
{
    if (!m_pendingDownload
        || (!outputFilePath.isEmpty()
            && QFileInfo(outputFilePath).absoluteFilePath()
                   != QFileInfo(m_pendingDownload->partPath).absoluteFilePath())) {
        qCDebug(lcLogProducer) << "A download reply for no download of this producer:" << outputFilePath;
        return;
    }
    const PendingDownload download = *std::exchange(m_pendingDownload, std::nullopt);
    if (response == FileControlChannel::Success) {
        const bool renamed = !QFileInfo::exists(download.finalPath)
                             && QFile::rename(download.partPath, download.finalPath);
        if (renamed && addLocalLogFile(download.finalPath)) {
            setCurrentDownload(nullptr);
            if (download.entry)
                download.entry->finishDownload(download.entry->hasLocalFile());
            return;
        }
    } else {
        qCDebug(lcLogProducer) << "Could not download log file from device";
    }
    QFile::remove(download.partPath);
    postWarning(tr("There is something wrong with the log file. You can find the file at ") + download.finalPath
                + tr(", but you cannot export it to Matlab."));
    setCurrentDownload(nullptr);
    if (download.entry)
        download.entry->finishDownload(false);
}

// The download ends without a reply: its partial file goes, its entry is told.
void OstDeviceLogProducer::failPendingDownload()
{
    if (!m_pendingDownload)
        return;
    const PendingDownload download = *std::exchange(m_pendingDownload, std::nullopt);
    QFile::remove(download.partPath);
    setCurrentDownload(nullptr);
    if (download.entry)
        download.entry->finishDownload(false);
}

void OstDeviceLogProducer::QueryZeltoFileRemove(QString filePath)
{
    if (!m_fileControl) {
        qCDebug(lcLogProducer) << "No file service to remove" << filePath << "with";
        return;
    }
    if (m_removalQueue.contains(filePath))
        return;
    m_removalQueue << filePath;
    if (m_removalQueue.size() == 1) {
        emit deletingOnDeviceChanged();
        m_fileControl->removeFile(filePath);
    }
}

void OstDeviceLogProducer::handleOstDeviceRemoveLogCompleted(FileControlChannel::ResponseCode response, QString logPath)
{
    if (m_removalQueue.isEmpty())
        return;
    const QString requested = m_removalQueue.first();
    if (response == FileControlChannel::Success) {
        OstDeviceLogEntry *entry = findEntry(lastPathPart(logPath.isEmpty() ? requested : logPath));
        if (entry)
            entry->setDeviceFileInfo(std::nullopt);
        m_removalQueue.removeFirst();
        if (!m_removalQueue.isEmpty() && m_fileControl) {
            m_fileControl->removeFile(m_removalQueue.first());
            return;
        }
        m_removalQueue.clear();
    } else {
        qCDebug(lcLogProducer) << "Could not remove log file on device";
        postWarning(tr("Could not remove %1 from the device.").arg(lastPathPart(requested)));
        m_removalQueue.clear();
    }
    emit deletingOnDeviceChanged();
}

void OstDeviceLogProducer::clearRemovalQueue()
{
    if (m_removalQueue.isEmpty())
        return;
    m_removalQueue.clear();
    emit deletingOnDeviceChanged();
}

void OstDeviceLogProducer::removeAllZeltoLogs()
{
    for (OstDeviceLogEntry *entry : entries())
        entry->removeFileOnDevice();
}

void OstDeviceLogProducer::removeSelectedZeltoLogs(QModelIndexList selection)
{
    for (const QModelIndex &index : std::as_const(selection)) {
        auto *entry = qobject_cast<OstDeviceLogEntry *>(index.data(Qt::UserRole).value<QObject *>());
        if (entry && entry->isOnDevice())
            entry->removeFileOnDevice();
    }
}

void OstDeviceLogProducer::handleOstDeviceRenameLogCompleted(FileControlChannel::ResponseCode response, QString logPath)
{
    if (response == FileControlChannel::Success) {
        if (findEntry(lastPathPart(logPath)))
            qCDebug(lcLogProducer) << "File on device renamed";
    } else {
        qCDebug(lcLogProducer) << "Could not rename log file on device";
    }
}

void OstDeviceLogProducer::handleOstDeviceAvailableStorageCompleted(FileControlChannel::ResponseCode response,
                                                                    qulonglong totalSize, qulonglong freeSize,
                                                                    filectrlpayload::AvailableStorage::FSStatus status)
{
    if (response != FileControlChannel::Success || uint32_t(status) != StorageMounted) {
        qCDebug(lcLogProducer) << "Could not initialise device storage info";
        return;
    }
    m_totalStorage = totalSize;
    m_freeStorage = freeSize;
    emit SizeInfoChanged();
}
