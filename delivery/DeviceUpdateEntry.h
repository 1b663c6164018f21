#pragma once

#include "ExtendedDeviceType.h"
#include "OstDevice.h"
#include "SoftwareUpdate.h"

#include <QBuffer>
#include <QObject>
#include <QSharedPointer>
#include <QString>
#include <QVariantMap>

class VersionControl;

// The firmware state of one connected device, as the device updates screen shows it:
// its current and latest firmware version, whether an update is available, and an
// update in progress with its state, progress and progress text. While the screen is
// hidden, a running update shows itself as a progress notification instead.
//
// Each kind of device has its own entry class, which knows how to read the device's
// versions and carry out its update.
class DeviceUpdateEntry : public QObject
{
    Q_OBJECT
    Q_PROPERTY(OstDevice::DeviceType deviceType READ deviceType CONSTANT)
    Q_PROPERTY(ostdevice::ExtendedDeviceType extendedDeviceType READ extendedDeviceType CONSTANT)
    Q_PROPERTY(QString deviceTypeString READ deviceTypeString CONSTANT)
    Q_PROPERTY(QString serial READ serial CONSTANT)
    Q_PROPERTY(QString currentFwVersion READ currentFwVersion NOTIFY CurrentFirmwareChanged)
    Q_PROPERTY(QString latestFwVersion READ latestFwVersion NOTIFY LatestFirmwareChanged)
    Q_PROPERTY(QVariantMap componentVersions READ componentVersions NOTIFY componentVersionsChanged)
    Q_PROPERTY(bool updateAvailable READ updateAvailable NOTIFY UpdatedAvailableChanged)
    Q_PROPERTY(float updateProgress READ updateProgress NOTIFY UpdateProgressChanged)
    Q_PROPERTY(QString progressText READ progressText NOTIFY ProgressTextChanged)
    Q_PROPERTY(bool deleteButtonVisible READ deleteButtonVisible NOTIFY UpdateStateChanged)
    Q_PROPERTY(UpdateState updateState READ updateState NOTIFY UpdateStateChanged)

public:
    enum UpdateState {
        NoUpdateAvailable = 0,
        UpdateAvailable = 1,
        RestartAfterUpload = 2,
        DownloadingFirmware = 3,
        UploadingFirmware = 4,
        VerifyingUpdate = 5,
        ErrorWhileUpdating = 6,
        Restarting = 7,
    };
    Q_ENUM(UpdateState)

    static QString progressTextOf(UpdateState state);
    // The device name the version information lists this kind of device under; empty
    // for kinds it does not list.
    static QString deviceTypeStringOf(OstDevice::DeviceType type, int extendedType);

    ~DeviceUpdateEntry() override;

    OstDevice::DeviceType deviceType() const { return m_deviceType; }
    ostdevice::ExtendedDeviceType extendedDeviceType() const { return m_extendedDeviceType; }
    QString deviceTypeString() const { return m_deviceTypeString; }
    QString serial() const { return m_serial; }
    QString currentFwVersion() const { return m_currentFwVersion; }
    QString latestFwVersion() const { return m_latestFwVersion; }
    QVariantMap componentVersions() const { return m_componentVersions; }
    bool updateAvailable() const { return m_updateAvailable; }
    float updateProgress() const { return m_updateProgress; }
    QString progressText() const { return m_progressText; }
    bool deleteButtonVisible() const { return m_updateState == Restarting; }
    UpdateState updateState() const { return m_updateState; }
    bool isRestartPending() const { return m_restartPending; }
    bool isUploading() const { return m_uploading; }
    bool isPageVisible() const { return m_pageVisible; }
    // The key of the entry's progress notification in the error handler; 0 when none.
    int notificationKey() const { return m_notificationKey; }

    // The device went away. An entry whose device restarts after an upload stays
    // and waits for it; any other asks to be deleted.
    virtual void deviceDisconnected();

    Q_INVOKABLE void forceDelete();

public slots:
    virtual void setPageVisible(bool visible) = 0;
    virtual void refresh() = 0;
    virtual void startUpdate();
    void setUpdateProgress(float updatePercentage);

signals:
    void CurrentFirmwareChanged(QString version);
    void LatestFirmwareChanged(QString version);
    void componentVersionsChanged();
    void UpdatedAvailableChanged(bool available);
    void UpdateProgressChanged(float progress);
    void ProgressTextChanged(QString text);
    void UpdateStateChanged(DeviceUpdateEntry::UpdateState state);
    void UploadFw(QSharedPointer<QBuffer> binary, SoftwareUpdate::UpdateCommand cmd);
    void setGlobalUpdatesCounter(int updatesAvailable);
    void SetUpdateStateSignal(bool state, QString serial);
    void RequestDelete(DeviceUpdateEntry *self);

protected:
    DeviceUpdateEntry(QObject *parent, const OstDevice *device, bool restartPending, bool pageVisible,
                      VersionControl *versions);

    virtual void beginUpdate() = 0;
    virtual void firmwareFileReady(const QString &firmware, const QString &version, const QString &filePath) = 0;

    void changeUpdateState(UpdateState state, bool keepNotification);
    void setCurrentFwVersion(const QString &version);
    void setLatestFwVersion(const QString &version);
    void setComponentVersion(const QString &component, const QString &version);
    void removeComponentVersion(const QString &component);
    void showUpdateNotification(bool show);
    void removeNotification();
    // Posts an error notification about a failed update, in place of the progress one.
    void notifyUpdateFailed(const QString &message);

    VersionControl *versions() const { return m_versions; }
    void setUploading(bool uploading) { m_uploading = uploading; }
    void setRestartPending(bool pending) { m_restartPending = pending; }
    void storePageVisible(bool visible) { m_pageVisible = visible; }

private:
    void setProgressText(const QString &text);

    VersionControl *m_versions;
    const OstDevice::DeviceType m_deviceType;
    const ostdevice::ExtendedDeviceType m_extendedDeviceType;
    const QString m_deviceTypeString;
    const QString m_serial;
    QString m_currentFwVersion;
    QString m_latestFwVersion;
    QVariantMap m_componentVersions;
    bool m_updateAvailable = false;
    bool m_restartPending = false;
    bool m_uploading = false;
    bool m_pageVisible = false;
    int m_notificationKey = 0;
    UpdateState m_updateState = NoUpdateAvailable;
    float m_updateProgress = 0.0f;
    QString m_progressText;
};
