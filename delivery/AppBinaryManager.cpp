#include "AppBinaryManager.h"

#include "ElfLoading.h"
#include "ErrorHandler.h"
#include "ExtendedDeviceTypeName.h"
#include "NotificationMsgProgressButton.h"
#include "UploadImageLayout.h"
#include "Zelto.h"

#include <QDateTime>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHash>
#include <QLoggingCategory>
#include <QQmlEngine>

#include <mutex>

Q_LOGGING_CATEGORY(lcAppBinaryManager, "Delivery.AppBinaryManager")

namespace {

const QString kOrigin = QStringLiteral("Binary list");

bool isFinalState(SoftwareUpdate::UpdateState state)
{
    switch (state) {
    case SoftwareUpdate::UpdateFinished:
    case SoftwareUpdate::TimedOut:
    case SoftwareUpdate::UpdateError:
    case SoftwareUpdate::AppStillRunning: // the board refused the upload: it is over as well
        return true;
    default:
        return false;
    }
}

// A build ID as it names a build: the header keeps it NUL-padded to its field, a link
// hands it over bare.
QByteArray significantBytes(const QByteArray &buildId)
{
    qsizetype end = buildId.size();
    while (end > 0 && buildId.at(end - 1) == '\0')
        --end;
    return buildId.left(end);
}

bool isStartingOrRunning(ControlChannel::AppStatus status)
{
    return status == ControlChannel::Running || status == ControlChannel::Stopping || status == ControlChannel::Loading;
}

} // namespace

AppBinaryManager::AppBinaryManager(QObject *parent, ApplicationFolders &folders)
    : QObject(parent)
    , m_folderOpener([](const QUrl &folder) { return QDesktopServices::openUrl(folder); })
{
    registerQmlTypes();
    const std::optional<QDir> binaries = folders.subFolder(ApplicationFolders::HomeFolder, "AppBinaries");
    const std::optional<QDir> binManager = folders.subFolder(ApplicationFolders::AppDataFolder, "BinManager");
    m_hasBinariesDir = binaries.has_value();
    if (binaries)
        m_binariesDir = *binaries;
    if (binManager)
        m_binManagerDir = *binManager;

    m_proxy.setSourceModel(&m_appFiles);
    m_proxy.setSortRole(m_appFiles.roleForName("createDate"));
    m_proxy.sort(0, Qt::DescendingOrder);
    m_proxy.setFilterCaseSensitivity(Qt::CaseInsensitive);

    if (!binaries || !binManager) {
        qCWarning(lcAppBinaryManager) << "No folder for the application binaries; the binary list stays empty";
        return;
    }
    scan();
    m_ready = true;
    m_watcher = new QFileSystemWatcher({m_binariesDir.absolutePath()}, this);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, &AppBinaryManager::handleFolderChanged);
}

AppBinaryManager::~AppBinaryManager()
{
    // The files hold references to the board values below, and the prompt reports its
    // end here: both go while this object is still whole.
    dismissPrompt();
    m_appFiles.clear();
    const QList<AppFile *> files = findChildren<AppFile *>(Qt::FindDirectChildrenOnly);
    qDeleteAll(files);
}

void AppBinaryManager::registerQmlTypes()
{
    static std::once_flag registered;
    std::call_once(registered, [] {
        qmlRegisterUncreatableType<AppFile>("com.ostrel", 1, 0, "AppFile",
                                            QStringLiteral("An entry of the binary list"));
        qmlRegisterUncreatableType<AppBinaryManager>("com.ostrel", 1, 0, "AppBinaryManager",
                                                     QStringLiteral("The binary list is binManager"));
    });
}

qint32 AppBinaryManager::targetTypeIndexOfBoard(int extendedDeviceType)
{
    if (extendedDeviceType >= ostdevice::NoShield && extendedDeviceType <= ostdevice::ShieldX9)
        return 3; // Zelto_Exploration
    switch (extendedDeviceType) {
    case ostdevice::Industrial:
        return 4;
    case ostdevice::EVK:
        return 1; // Zelto_Generic
    case ostdevice::ZeltoDevboard:
        return 2;
    case ostdevice::Tavrin:
    case ostdevice::Tavrin_v1_3:
    case ostdevice::Tavrin_v1_2:
    case ostdevice::Tavrin_v1_2_1:
    case ostdevice::Tavrin_v1_4:
    case ostdevice::Kiro_v1_0:
        return 5;
    case ostdevice::Rugged:
        return 6;
    case ostdevice::Bexlin:
        return 7;
    default:
        return 0; // Unknown: every binary fits
    }
}

qint32 AppBinaryManager::firmwareNumberOf(const QString &firmwareVersion)
{
    return firmwareVersion.section(QLatin1Char('.'), 0, 1).toInt();
}

// --- the list --------------------------------------------------------------------

void AppBinaryManager::scan()
{
    const QFileInfoList entries =
        m_binariesDir.entryInfoList(m_nameFilters, QDir::Files | QDir::Readable | QDir::Writable, QDir::Unsorted);
    QHash<QString, qint64> present;
    for (const QFileInfo &entry : entries)
        present.insert(entry.absoluteFilePath(), entry.size());

    // Files that are still there as they were stay listed (with their selection and
    // upload progress); the others leave, and what is new is read.
    for (int row = m_appFiles.count() - 1; row >= 0; --row) {
        AppFile *file = m_appFiles.at(row);
        const auto it = present.constFind(file->filePath());
        if (it != present.cend() && it.value() == file->getFileSizeBytes())
            present.remove(file->filePath());
        else
            unlist(file);
    }
    for (const QFileInfo &entry : entries) {
        if (!present.contains(entry.absoluteFilePath()))
            continue;
        // Read as a bare ELF image it would be imported into a new file of the folder,
        // which the next scan would find again, and so on without end.
        if (isElfFile(entry.absoluteFilePath())) {
            qCDebug(lcAppBinaryManager) << "An ELF image is no application file; not listed:" << entry.fileName();
            continue;
        }
        addFile(entry.absoluteFilePath(), false, QString(), QString(), QString(), 0, false);
    }
    emit AppBinaryListChanged();
}

void AppBinaryManager::handleFolderChanged()
{
    qCDebug(lcAppBinaryManager) << "folder changed binaries";
    const bool wasReady = m_ready;
    m_ready = false;
    scan();
    m_ready = wasReady;
    emit AppBinaryListChanged();
    emit ConnectedDeviceUpdated();
}

int AppBinaryManager::addFile(const QString &path, bool autoUpload, const QString &version, const QString &buildId,
                              const QString &boardType, quint32 flags, bool selected)
{
    if (!m_hasBinariesDir) {
        // Without the folder there is nowhere to keep the binary.
        postWarning(tr("Importing binary failed"), tr("Could not add the binary into the binary list."));
        return -1;
    }
    auto *file = new AppFile(this, path, version, buildId, boardType, flags, m_binariesDir.absolutePath(),
                             m_boardFirmwareNumber, m_boardTargetTypeIndex, m_boardBuildId, selected);
    if (!file->isValid()) {
        qCDebug(lcAppBinaryManager) << "File is not a valid app elf file" << path;
        delete file;
        return -1;
    }
    // A file of the folder imported once more is the listed entry itself, not a
    // duplicate of it: it is only selected.
    if (AppFile *listed = listedFileAt(file->filePath())) {
        delete file;
        if (selected)
            listed->setSelected(true);
        return -1;
    }
    // Binaries without a build ID cannot be told apart by it.
    if (m_ready && listedFileWithBuildId(file->buildId())) {
        postWarning(tr("Importing binary failed"),
                    tr("Could not add the binary into the binary list. This binary is already added to the binary "
                       "list"));
        file->deleteAppFile();
        delete file;
        return -1;
    }

    connect(file, &AppFile::FlashAppBinSignal, this, &AppBinaryManager::flashApp, Qt::DirectConnection);
    connect(file, &AppFile::RequestDelete, this, &AppBinaryManager::popAppBinInstance, Qt::DirectConnection);
    connect(this, &AppBinaryManager::ConnectedDeviceUpdated, file, &AppFile::connectedDeviceUpdated,
            Qt::QueuedConnection);
    m_appFiles.append(file);
    file->connectedDeviceUpdated();

    if (m_ready) {
        if (!m_board) {
            showPrompt(Prompt::Connect, file);
        } else if (!m_boardFirmwareVerified) {
            showPrompt(Prompt::Verification, file);
        } else if (autoUpload) {
            if (m_board->getAppRunningState() == ControlChannel::Running)
                showPrompt(Prompt::Running, file);
            else
                file->flashAppFile();
        }
    }
    return 0;
}

AppFile *AppBinaryManager::listedFileAt(const QString &path) const
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    for (int row = 0; row < m_appFiles.count(); ++row) {
        AppFile *listed = m_appFiles.at(row);
        if (listed->filePath() == path
            || (!canonical.isEmpty() && QFileInfo(listed->filePath()).canonicalFilePath() == canonical))
            return listed;
    }
    return nullptr;
}

AppFile *AppBinaryManager::listedFileWithBuildId(const QByteArray &buildId) const
{
    const QByteArray wanted = significantBytes(buildId);
    if (wanted.isEmpty())
        return nullptr;
    for (int row = 0; row < m_appFiles.count(); ++row) {
        if (significantBytes(m_appFiles.at(row)->buildId()) == wanted)
            return m_appFiles.at(row);
    }
    return nullptr;
}

bool AppBinaryManager::isListed(const AppFile *file) const
{
    for (int row = 0; row < m_appFiles.count(); ++row) {
        if (m_appFiles.at(row) == file)
            return true;
    }
    return false;
}

void AppBinaryManager::unlist(AppFile *file)
{
    if (isListed(file))
        m_appFiles.remove(file);
    releaseIfUnneeded(file);
}

void AppBinaryManager::releaseIfUnneeded(AppFile *file)
{
    if (!file || isListed(file) || file == m_pendingAppFile || file == m_uploadingFile)
        return;
    file->deleteLater();
}

void AppBinaryManager::popAppBinInstance(AppFile *self)
{
    unlist(self);
    emit AppBinaryListChanged();
}

void AppBinaryManager::suspendWatching()
{
    if (m_watcher)
        m_watcher->removePath(m_binariesDir.absolutePath());
}

void AppBinaryManager::resumeWatching()
{
    if (m_watcher)
        m_watcher->addPath(m_binariesDir.absolutePath());
}

void AppBinaryManager::importAppBinary(const QUrl &path)
{
    if (!path.isLocalFile()) {
        qCDebug(lcAppBinaryManager) << "Only local files are imported, not" << path;
        return;
    }
    suspendWatching();
    addFile(path.toLocalFile(), false, QString(), QString(), QString(), 0, true);
    resumeWatching();
}

void AppBinaryManager::pushElfBinaryFromFile(const QString &binPath)
{
    addFile(binPath, m_autoUpload, QString(), QString(), QString(), 0, false);
    emit AppBinaryListChanged();
}

void AppBinaryManager::pushElfBinaryFromUri(const QString &binPath, const QString &version, const QString &buildID,
                                            const QString &boardType, quint32 flags)
{
    addFile(binPath, m_autoUpload, version, buildID, boardType, flags, false);
    emit AppBinaryListChanged();
}

void AppBinaryManager::removeAll()
{
    suspendWatching();
    for (int row = 0; row < m_appFiles.count(); ++row)
        m_appFiles.at(row)->deleteWithoutNotify();
    handleFolderChanged();
    resumeWatching();
}

void AppBinaryManager::setSortColumn(const QByteArray &column_name, Qt::SortOrder order)
{
    const int role = m_appFiles.roleForName(column_name);
    m_proxy.setSortRole(role < 0 ? Qt::DisplayRole : role);
    m_proxy.sort(0, order);
}

void AppBinaryManager::setFilterQuery(const QString &filter_query)
{
    m_proxy.setFilterWildcard(filter_query);
}

QString AppBinaryManager::getBinaryNameByBuildID(const QByteArray &buildID) const
{
    const AppFile *file = listedFileWithBuildId(buildID);
    return file ? file->getApplicationName() : QString();
}

int AppBinaryManager::openExplorerWindowBinaries()
{
    if (!m_hasBinariesDir || !m_folderOpener)
        return 0;
    return m_folderOpener(QUrl::fromLocalFile(m_binariesDir.absolutePath())) ? 1 : 0;
}

void AppBinaryManager::setVisibility(bool isVisible)
{
    m_visible = isVisible;
    if (isVisible && !m_updateChannel)
        emit QueryZeltoSoftwareUpdate(true);
}

void AppBinaryManager::setAutoUpload(bool enabled)
{
    m_autoUpload = enabled;
    emit AutoUploadStateChanged(enabled);
}

// --- the board ------------------------------------------------------------------

void AppBinaryManager::dropBoardConnections()
{
    if (m_board) {
        disconnect(m_board, nullptr, this, nullptr);
        disconnect(this, nullptr, m_board, nullptr);
    }
}

void AppBinaryManager::dropServiceConnections()
{
    for (const QMetaObject::Connection &connection : std::as_const(m_serviceConnections))
        disconnect(connection);
    m_serviceConnections.clear();
}

void AppBinaryManager::setDevice(const OstDevice *device)
{
    // The factory hands its boards out read-only; the manager drives the board's
    // update service and application.
    auto *board = device && device->deviceType() == OstDevice::Zelto
                      ? qobject_cast<Zelto *>(const_cast<OstDevice *>(device))
                      : nullptr;
    if (!device || board != m_board) {
        // The service of another board must not take this board's uploads.
        dropServiceConnections();
        m_updateChannel = nullptr;
    }
    dropBoardConnections();

    if (!device) {
        m_board = nullptr;
        m_boardFirmwareNumber = -1;
        m_boardFirmwareVerified = false;
        m_boardTargetTypeIndex = 0;
        m_boardBuildId.clear();
        emit UploadStateUpdated(SoftwareUpdate::UpdateError);
        emit UploadProgressUpdated(0.0f);
        // Nothing waits for the service of a board that is gone.
        uploadEnded(false);
        dropQueuedFlashes();
        m_queuedImage.reset();
        emit DeviceSelected(false);
    } else if (board) {
        m_board = board;
        m_boardBuildId = board->buildID();
        m_boardFirmwareVerified = board->firmwareVerified();
        m_boardTargetTypeIndex = targetTypeIndexOfBoard(board->extendedDeviceType());
        connect(board, &OstDevice::FirmwareStateReceived, this, &AppBinaryManager::zeltoFirmwareVersionUpdated,
                Qt::QueuedConnection);
        connect(board, &Zelto::BuildIDChanged, this, &AppBinaryManager::buildIDUpdated, Qt::QueuedConnection);
        connect(this, &AppBinaryManager::QueryZeltoSoftwareUpdate, board, &Zelto::openCloseUpdateService,
                Qt::QueuedConnection);
        connect(board, &Zelto::UpdateServiceOpenedClosed, this, &AppBinaryManager::setSoftwareUpdateChannel);
        if (m_visible)
            emit QueryZeltoSoftwareUpdate(true);
        const QString firmware = board->getFirmwareVersion();
        if (firmware.isEmpty() || !firmware.contains(QLatin1String(OstDevice::UndefinedVersion)))
            zeltoFirmwareVersionUpdated(board->firmwareVerified(), firmware, 0, 0);
        else
            board->queryVersions();
        emit DeviceSelected(true);
        if (m_uploadFlowState == WaitingForDevice)
            showPrompt(Prompt::Confirm, m_pendingAppFile);
    }
    emit ConnectedDeviceUpdated();
}

void AppBinaryManager::zeltoFirmwareVersionUpdated(bool verified, const QString &version, int timeoutBootTime,
                                                   int remainingTime)
{
    m_boardFirmwareNumber = firmwareNumberOf(version);
    emit ConnectedDeviceUpdated();
    emit DeviceFirmwareVerified(verified);
    if (verified) {
        if (verified != m_boardFirmwareVerified || timeoutBootTime == 0 || remainingTime == 0) {
            emit DeviceVerifiedProgressUpdated(1.0f);
            if (m_uploadFlowState == WaitingForVerification)
                showPrompt(Prompt::Confirm, m_pendingAppFile);
        }
    } else {
        const float progress = timeoutBootTime == 0 || remainingTime == 0
                                   ? 1.0f
                                   : float(timeoutBootTime - remainingTime) / float(timeoutBootTime);
        qCDebug(lcAppBinaryManager) << "Firmware verification" << progress;
        emit DeviceVerifiedProgressUpdated(progress);
    }
    m_boardFirmwareVerified = verified;
}

void AppBinaryManager::buildIDUpdated(const QByteArray &buildID)
{
    m_boardBuildId = buildID;
    emit ConnectedDeviceUpdated();
}

void AppBinaryManager::zeltoAppRunStatusUpdated(ControlChannel::AppStatus runStatus)
{
    if (m_notificationKey <= 0 || !m_board
        || !qobject_cast<NotificationMsgProgressButton *>(ErrorHandler::instance()->notification(m_notificationKey)))
        return;
    if (m_uploadFlowState == WaitingForStop) {
        if (!isStartingOrRunning(runStatus))
            showPrompt(Prompt::Confirm, m_pendingAppFile);
    } else if (isStartingOrRunning(runStatus)) {
        showPrompt(Prompt::Running, m_pendingAppFile);
    }
}

// --- uploads --------------------------------------------------------------------

void AppBinaryManager::setSoftwareUpdateChannel(SoftwareUpdate *softwareUpdateChannel)
{
    // Every hand-over connects afresh: the same service may be handed over again.
    dropServiceConnections();
    m_updateChannel = softwareUpdateChannel;
    if (!softwareUpdateChannel)
        return; // waiting uploads go on waiting for a service
    m_serviceConnections << connect(this, &AppBinaryManager::FlashAppBinSignal, softwareUpdateChannel,
                                    &SoftwareUpdate::startSimBuild, Qt::QueuedConnection)
                         << connect(softwareUpdateChannel, &SoftwareUpdate::UpdateStateChanged, this,
                                    &AppBinaryManager::updateChannelStateReceived)
                         << connect(softwareUpdateChannel, &SoftwareUpdate::UpdateProgressChanged, this,
                                    &AppBinaryManager::UploadProgressUpdated, Qt::DirectConnection);
    emit FlashQueuedAppFile();
    emit FlashQueuedApbFile(m_queuedImage);
}

void AppBinaryManager::updateChannelStateReceived(SoftwareUpdate::UpdateState value)
{
    // The progress comes first: the file takes it only while its upload runs.
    if (value == SoftwareUpdate::UpdateFinished)
        emit UploadProgressUpdated(1.0f);
    emit UploadStateUpdated(value);
    if (isFinalState(value)) {
        uploadEnded(value == SoftwareUpdate::UpdateFinished);
        dropQueuedFlashes();
    }
}

void AppBinaryManager::dropUploadConnections()
{
    disconnect(m_stateConnection);
    disconnect(m_progressConnection);
}

void AppBinaryManager::dropQueuedFlashes()
{
    disconnect(m_queuedFlashConnection);
}

void AppBinaryManager::uploadEnded(bool finished)
{
    dropUploadConnections();
    if (m_flowUpload == UploadOutcome::Running)
        m_flowUpload = finished ? UploadOutcome::Finished : UploadOutcome::Failed;
    if (std::exchange(m_announceCompletion, false) && finished && m_board)
        announceCompletion();
    AppFile *file = std::exchange(m_uploadingFile, nullptr);
    releaseIfUnneeded(file);
}

void AppBinaryManager::flashApp(AppFile *self, QSharedPointer<QBuffer> binData)
{
    dropUploadConnections();
    m_queuedImage.reset();
    if (!self)
        return;
    if (!m_board) {
        showPrompt(Prompt::Connect, self);
        return;
    }
    if (!m_boardFirmwareVerified) {
        showPrompt(Prompt::Verification, self);
        return;
    }
    if (m_board->getAppRunningState() == ControlChannel::Running) {
        showPrompt(Prompt::Running, self);
        return;
    }
    if (m_updateChannel) {
        m_stateConnection = connect(this, &AppBinaryManager::UploadStateUpdated, self, &AppFile::uploadStateUpdated);
        m_progressConnection = connect(this, &AppBinaryManager::UploadProgressUpdated, self,
                                       &AppFile::uploadProgressUpdated, Qt::DirectConnection);
        AppFile *previous = std::exchange(m_uploadingFile, self);
        if (previous != self)
            releaseIfUnneeded(previous);
        if (self == m_pendingAppFile && m_uploadFlowState == ConfirmShown && m_notificationKey > 0)
            m_flowUpload = UploadOutcome::Running;
        emit FlashAppBinSignal(binData);
        return;
    }
    // The image is built afresh once the service is there.
    emit QueryZeltoSoftwareUpdate(true);
    dropQueuedFlashes();
    m_queuedFlashConnection = connect(this, &AppBinaryManager::FlashQueuedAppFile, self, &AppFile::flashAppFile,
                                      Qt::ConnectionType(Qt::QueuedConnection | Qt::SingleShotConnection));
}

void AppBinaryManager::flashApbBinary(QSharedPointer<QBuffer> binData)
{
    dropUploadConnections();
    const QString refused = tr("Could not upload .apb binary file");
    if (!m_board) {
        dismissPrompt();
        m_uploadFlowState = Idle;
        postWarning(refused, tr("No device connected. Connect a supported device and try again."));
        return;
    }
    if (!m_boardFirmwareVerified) {
        postWarning(refused, tr("Can't upload a model to the %1. Wait until the verification process is completed "
                                "before uploading the model.")
                                 .arg(boardName()));
        return;
    }
    if (m_board->getAppRunningState() == ControlChannel::Running) {
        postWarning(refused, tr("The application is still running. Stop the application and retry again"));
        return;
    }
    if (m_updateChannel) {
        emit FlashAppBinSignal(binData);
        m_queuedImage.reset();
        return;
    }
    m_queuedImage = binData;
    emit QueryZeltoSoftwareUpdate(true);
    dropQueuedFlashes();
    m_queuedFlashConnection = connect(this, &AppBinaryManager::FlashQueuedApbFile, this,
                                      &AppBinaryManager::flashApbBinary,
                                      Qt::ConnectionType(Qt::QueuedConnection | Qt::SingleShotConnection));
}

void AppBinaryManager::uploadApbBinary(const QString &binPath)
{
    QFile file(binPath);
    const QString name = QFileInfo(binPath).fileName();
    if (!file.exists()) {
        qCCritical(lcAppBinaryManager).noquote() << "Error: " << name << " > No such file";
        return;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        qCCritical(lcAppBinaryManager).noquote() << "Error: Could not open" << name;
        return;
    }
    if (file.size() > upload_image::kMaximumSize) {
        qCCritical(lcAppBinaryManager).noquote() << "Error:" << name << "is too large for an upload image";
        return;
    }
    auto image = QSharedPointer<QBuffer>::create();
    image->setData(file.readAll());
    image->open(QIODevice::ReadWrite);
    flashApbBinary(image);
}

void AppBinaryManager::uploadApbBinaryUrl(const QUrl &binPath)
{
    uploadApbBinary(binPath.toLocalFile());
}

// --- prompts --------------------------------------------------------------------

QString AppBinaryManager::boardName() const
{
    return extendedDeviceTypeName(m_board ? int(m_board->extendedDeviceType()) : int(ostdevice::ReadError));
}

void AppBinaryManager::postWarning(const QString &title, const QString &message)
{
    ErrorHandler::instance()->addMessage(halvora::ErrorLevel::Warning, AbstractNotification::HalvoraLab, title, message,
                                         kOrigin, QDateTime::currentDateTimeUtc());
}

void AppBinaryManager::postInfo(const QString &title, const QString &message)
{
    ErrorHandler::instance()->addMessage(halvora::ErrorLevel::Info, AbstractNotification::HalvoraLab, title, message,
                                         kOrigin, QDateTime::currentDateTimeUtc());
}

void AppBinaryManager::announceCompletion()
{
    postInfo(tr("Uploading new model completed"),
             tr("The uploading process is finished. The %1 will restart and load the new model.").arg(boardName()));
}

void AppBinaryManager::dismissPrompt()
{
    if (m_notificationKey > 0) {
        if (AbstractNotification *prompt = ErrorHandler::instance()->takeNotification(m_notificationKey)) {
            // Its end is no end of the flow.
            disconnect(prompt, &QObject::destroyed, nullptr, nullptr);
            prompt->deleteSelf();
        }
    }
    m_notificationKey = 0;
    m_prompt = nullptr;
}

void AppBinaryManager::showPrompt(Prompt prompt, AppFile *file)
{
    dismissPrompt();
    m_flowUpload = UploadOutcome::None;
    AppFile *previous = std::exchange(m_pendingAppFile, file);
    if (previous != file)
        releaseIfUnneeded(previous);
    if (!file) {
        m_uploadFlowState = Idle;
        return;
    }

    QString title;
    QString message;
    QString button = tr("Upload");
    switch (prompt) {
    case Prompt::Connect:
        title = tr("Connect device to upload model");
        message = tr("A model is available for uploading. Connect a supported device to upload this model.");
        break;
    case Prompt::Verification:
        title = tr("%1 firmware not verified").arg(boardName());
        message = tr("Can't upload a model to the %1. Wait until the verification process is completed before "
                     "uploading the model.")
                      .arg(boardName());
        break;
    case Prompt::Running:
        title = tr("Application still running");
        message = tr("The application is still running. Stop the application and retry again");
        button = tr("Stop app");
        break;
    case Prompt::Confirm:
        title = tr("Upload model to %1").arg(boardName());
        message = tr("The previous uploaded model will be replaced by the new model.");
        break;
    }

    auto *notification = new NotificationMsgProgressButton(this, halvora::ErrorLevel::Info,
                                                           AbstractNotification::HalvoraLab, title, message, button,
                                                           kOrigin, QDateTime::currentDateTimeUtc());
    connect(file, &QObject::destroyed, notification, &AbstractNotification::deleteSelf);
    connect(notification, &QObject::destroyed, this, &AppBinaryManager::notificationDestroyed);
    notification->deleteOnProgressComplete(true);
    connect(file, &AppFile::UploadProgressChanged, notification, &NotificationMsgProgressButton::updateProgress,
            Qt::QueuedConnection);

    switch (prompt) {
    case Prompt::Connect:
        connect(notification, &NotificationMsgProgressButton::FireButton, file, &AppFile::flashAppFile,
                Qt::QueuedConnection);
        connect(this, &AppBinaryManager::DeviceSelected, notification, &NotificationMsgProgressButton::enableButton);
        notification->enableButton(false);
        m_uploadFlowState = WaitingForDevice;
        break;
    case Prompt::Verification:
        connect(this, &AppBinaryManager::DeviceFirmwareVerified, notification,
                &NotificationMsgProgressButton::enableButton);
        connect(this, &AppBinaryManager::DeviceVerifiedProgressUpdated, notification,
                &NotificationMsgProgressButton::updateProgress, Qt::QueuedConnection);
        notification->enableButton(false);
        notification->enableProgress(true);
        m_uploadFlowState = WaitingForVerification;
        break;
    case Prompt::Running:
        if (m_board) {
            connect(m_board, &Zelto::AppStatusChanged, this, &AppBinaryManager::zeltoAppRunStatusUpdated,
                    Qt::UniqueConnection);
            connect(notification, &NotificationMsgProgressButton::FireButton, m_board, &Zelto::toggleAppState);
        }
        notification->enableButton(true);
        notification->setModal(true);
        notification->setExpanded(true);
        m_uploadFlowState = WaitingForStop;
        break;
    case Prompt::Confirm:
        connect(notification, &NotificationMsgProgressButton::FireButton, file, &AppFile::flashAppFile,
                Qt::QueuedConnection);
        notification->enableButton(true);
        notification->enableProgress(true);
        m_uploadFlowState = ConfirmShown;
        break;
    }
    m_prompt = notification;
    m_notificationKey = ErrorHandler::instance()->addNotification(notification);
}

void AppBinaryManager::notificationDestroyed(QObject *self)
{
    // Only the end of the current prompt counts.
    if (self != m_prompt)
        return;
    m_prompt = nullptr;
    m_notificationKey = 0;
    if (m_uploadFlowState == ConfirmShown && m_board) {
        // The prompt goes at the end of its upload, or when the user closes it; only
        // an upload the board accepted is announced as completed.
        if (m_flowUpload == UploadOutcome::Finished)
            announceCompletion();
        else if (m_flowUpload == UploadOutcome::Running)
            m_announceCompletion = true;
    }
    m_uploadFlowState = Idle;
    m_flowUpload = UploadOutcome::None;
    AppFile *file = std::exchange(m_pendingAppFile, nullptr);
    releaseIfUnneeded(file);
}
