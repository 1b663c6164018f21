#pragma once

#include "AppFile.h"
#include "ApplicationFolders.h"
#include "ControlChannel.h"
#include "QOlm.h"
#include "SoftwareUpdate.h"
#include "Zelto.h"

#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QSharedPointer>
#include <QSortFilterProxyModel>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

class OstDevice;
class QFileSystemWatcher;

// The binary list: every application file in the user's binaries folder, kept in
// step with the folder, shown to QML sorted and filtered (appBinaryList). Binaries
// arrive from the list screen (import, drag and drop), from "halvora:upload_app"
// links and from the file dialog. The manager follows the board the device factory
// selects, and moves upload images to that board's update service. Around each upload
// of a listed binary it keeps one prompt in the notification list that tells the user
// what stands in the way (no board, firmware not verified yet, application running)
// and asks before the board's model is replaced. Main thread only.
class AppBinaryManager : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool autoUploadState READ getAutoUploadState WRITE setAutoUpload NOTIFY AutoUploadStateChanged)
    Q_PROPERTY(QSortFilterProxyModel *appBinaryList READ getAppBinaryList NOTIFY AppBinaryListChanged)

public:
    enum UploadFlowState {
        Idle = 0,
        ConfirmShown = 1,           // the confirm prompt, then the upload's progress in it
        WaitingForDevice = 2,       // "Connect device to upload model"
        WaitingForVerification = 3, // the board's firmware is still being verified
        WaitingForStop = 4,         // the board's application is running
    };
    Q_ENUM(UploadFlowState)

    using AppFileList = qolm::QOlm<AppFile>;
    // Hands a folder to the desktop to show; true when it was handed over.
    using FolderOpener = std::function<bool(const QUrl &folder)>;

    explicit AppBinaryManager(QObject *parent = nullptr, ApplicationFolders &folders = ApplicationFolders::instance());
    ~AppBinaryManager() override;

    // The target-type index (appTargetTypeNames) of a board's extended device type.
    static qint32 targetTypeIndexOfBoard(int extendedDeviceType);
    // The number a binary's firmware number is compared with: the version's first two
    // "."-separated parts read as a decimal integer, 0 when they are no integer.
    static qint32 firmwareNumberOf(const QString &firmwareVersion);

    AppFileList *appFiles() { return &m_appFiles; }
    QString binariesFolder() const { return m_binariesDir.absolutePath(); }
    bool isReady() const { return m_ready; }
    bool isWatching() const { return m_watcher != nullptr; }
    UploadFlowState uploadFlowState() const { return m_uploadFlowState; }
    // The key of the current prompt in the notification list; 0 for none.
    int notificationKey() const { return m_notificationKey; }
    AppFile *pendingAppFile() const { return m_pendingAppFile; }
    Zelto *board() const { return m_board; }
    SoftwareUpdate *updateChannel() const { return m_updateChannel; }
    qint32 boardFirmwareNumber() const { return m_boardFirmwareNumber; }
    bool boardFirmwareVerified() const { return m_boardFirmwareVerified; }
    qint32 boardTargetTypeIndex() const { return m_boardTargetTypeIndex; }
    QByteArray boardBuildId() const { return m_boardBuildId; }

    // Replaces the desktop's file manager (QDesktopServices) for the binaries folder.
    void setFolderOpener(FolderOpener opener) { m_folderOpener = std::move(opener); }

    Q_INVOKABLE QString getBinaryNameByBuildID(const QByteArray &buildID) const;
    Q_INVOKABLE int openExplorerWindowBinaries();

signals:
    void FlashAppBinSignal(QSharedPointer<QBuffer> binData);
    void AutoUploadStateChanged(bool state);
    void AppBinaryListChanged();
    void UploadProgressUpdated(float progress);
    void UploadStateUpdated(SoftwareUpdate::UpdateState state);
    void ConnectedDeviceUpdated();
    void DeviceFirmwareVerified(bool verified);
    void DeviceVerifiedProgressUpdated(float progress);
    void DeviceSelected(bool selected);
    void FlashQueuedAppFile();
    void FlashQueuedApbFile(QSharedPointer<QBuffer> queuedBin);
    void QueryZeltoSoftwareUpdate(bool openService);

public slots:
    void setAutoUpload(bool enabled);
    void removeAll();
    void uploadApbBinary(const QString &binPath);
    void uploadApbBinaryUrl(const QUrl &binPath);
    void pushElfBinaryFromFile(const QString &binPath);
    void pushElfBinaryFromUri(const QString &binPath, const QString &version, const QString &buildID,
                              const QString &boardType, quint32 flags = 0);
    void handleFolderChanged();
    void setDevice(const OstDevice *device);
    void setVisibility(bool isVisible);
    void setSortColumn(const QByteArray &column_name, Qt::SortOrder order);
    void setFilterQuery(const QString &filter_query);
    void importAppBinary(const QUrl &path);
    void setSoftwareUpdateChannel(SoftwareUpdate *softwareUpdateChannel);
    void updateChannelStateReceived(SoftwareUpdate::UpdateState value);
    void flashApp(AppFile *self, QSharedPointer<QBuffer> binData);
    void flashApbBinary(QSharedPointer<QBuffer> binData);
    void zeltoFirmwareVersionUpdated(bool verified, const QString &version, int timeoutBootTime = 0,
                                     int remainingTime = 0);
    void buildIDUpdated(const QByteArray &buildID);
    void zeltoAppRunStatusUpdated(ControlChannel::AppStatus runStatus);
    void popAppBinInstance(AppFile *self);
    void notificationDestroyed(QObject *self);
    bool getAutoUploadState() const { return m_autoUpload; }
    QSortFilterProxyModel *getAppBinaryList() { return &m_proxy; }

private:
    enum class Prompt { Connect, Verification, Running, Confirm };
    // What became of the upload of the file the current flow is about.
    enum class UploadOutcome { None, Running, Finished, Failed };

    static void registerQmlTypes();
    void scan();
    // Lists the file at path; 0, or -1 when it is not listed.
    int addFile(const QString &path, bool autoUpload, const QString &version, const QString &buildId,
                const QString &boardType, quint32 flags, bool selected);
    AppFile *listedFileAt(const QString &path) const;
    AppFile *listedFileWithBuildId(const QByteArray &buildId) const;
    // Deletes an unlisted file object once no prompt and no upload needs it any more.
    void releaseIfUnneeded(AppFile *file);
    bool isListed(const AppFile *file) const;
    void unlist(AppFile *file);
    void suspendWatching();
    void resumeWatching();

    void showPrompt(Prompt prompt, AppFile *file);
    // Takes the current prompt out of the notification list and deletes it, without
    // counting that as the end of the flow.
    void dismissPrompt();
    QString boardName() const;
    void announceCompletion();
    static void postWarning(const QString &title, const QString &message);
    static void postInfo(const QString &title, const QString &message);

    void dropUploadConnections();
    void dropQueuedFlashes();
    void dropServiceConnections();
    void dropBoardConnections();
    // The upload the state and progress connections report to is over.
    void uploadEnded(bool finished);

    QDir m_binariesDir;
    QDir m_binManagerDir;
    bool m_hasBinariesDir = false;
    const QStringList m_nameFilters{QStringLiteral("*.hapbf")};
    QFileSystemWatcher *m_watcher = nullptr;
    AppFileList m_appFiles{nullptr, {}, QByteArrayLiteral("fileName")};
    QSortFilterProxyModel m_proxy;
    bool m_autoUpload = true;
    bool m_ready = false;
    bool m_visible = false;
    FolderOpener m_folderOpener;

    QPointer<Zelto> m_board;
    QPointer<SoftwareUpdate> m_updateChannel;
    qint32 m_boardFirmwareNumber = -1;
    bool m_boardFirmwareVerified = false;
    qint32 m_boardTargetTypeIndex = 0;
    QByteArray m_boardBuildId;

    int m_notificationKey = 0;
    // The current prompt, only to recognise its end (it belongs to the notification list).
    const QObject *m_prompt = nullptr;
    QPointer<AppFile> m_pendingAppFile;
    UploadFlowState m_uploadFlowState = Idle;
    QSharedPointer<QBuffer> m_queuedImage;
    // The file whose upload the state and progress connections report to.
    QPointer<AppFile> m_uploadingFile;
    // The upload started from the current confirm prompt.
    UploadOutcome m_flowUpload = UploadOutcome::None;
    // Set when the confirm prompt went away while its upload was still running: the
    // board's answer decides whether the completion is announced.
    bool m_announceCompletion = false;
    QMetaObject::Connection m_stateConnection;
    QMetaObject::Connection m_progressConnection;
    QMetaObject::Connection m_queuedFlashConnection;
    QList<QMetaObject::Connection> m_serviceConnections;
};
