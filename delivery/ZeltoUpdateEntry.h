#pragma once

#include "DeviceUpdateEntry.h"
#include "FirmwareUpdateSettings.h"

#include <QMap>
#include <QPointer>
#include <QSet>
#include <QTimer>

#include <atomic>
#include <utility>

class FirmwareFileManager;
class Zelto;

// The firmware of a controller board: its operating system and the firmware of its
// Wi-Fi module. The entry compares the versions the board reports with the latest
// published ones and, on request, fetches the files of the components that are out of
// date, checks and decrypts them and uploads one through the board's update service,
// the operating system first. The board then restarts; the entry made for it when it
// comes back continues with the next component and finally checks the versions the
// board reports.
class ZeltoUpdateEntry : public DeviceUpdateEntry
{
    Q_OBJECT

public:
    static constexpr char kWirelessComponent[] = "ZeltoWireless";

    // `resumedComponent`: the component uploaded before the restart the board comes
    // back from (with restartPending), which it must now report up to date.
    ZeltoUpdateEntry(QObject *parent, Zelto *board, bool restartPending, bool pageVisible,
                     const FirmwareUpdateSettings &settings, const QString &resumedComponent = QString());

    // "TavrinOS" for the boards that run it, else "ZeltoOS".
    static QString operatingSystemComponentOf(int extendedType);

    Zelto *board() const;
    QString operatingSystemComponent() const { return m_os.name; }
    SoftwareUpdate *updateService() const { return m_service.data(); }
    // The component of the upload in progress, or of the last one that finished.
    QString uploadedComponent() const { return m_uploadedComponent; }

    void deviceDisconnected() override;

public slots:
    void setPageVisible(bool visible) override;
    void refresh() override;

signals:
    void QueryZeltoSoftwareUpdate(bool openService);

protected:
    void beginUpdate() override;
    void firmwareFileReady(const QString &firmware, const QString &version, const QString &filePath) override;

private slots:
    void zeltoOSFwReceived(bool verified, QString version, int timeoutBootTime, int remainingTime);
    void zeltoWirelessFwReceived(bool verified, QString version);
    void zeltoAppReceived(QString version);
    void zeltoBuildIDReceived(QByteArray buildID);
    void zeltoNameAppReceived(QString applicationName);
    void setSoftwareUpdateChannel(SoftwareUpdate *softwareUpdateChannel);
    void updateChannelStateReceived(SoftwareUpdate::UpdateState value);
    void firmwareDownloadReady(QString firmware, QString version, QString filePath);

private:
    struct Component
    {
        QString name;
        QString current;
        bool received = false;
        QString latest;
        bool updateNeeded = false;
        bool verified = true;
    };
    struct CollectedFile
    {
        QString component;
        QString version;
        QString path;
    };

    void takeLatestVersions();
    void evaluateVersions();
    void downloadFirmware(const QString &component, const QString &version);
    void uploadFirmware(const QString &component, const QString &version, const QString &path,
                        SoftwareUpdate::UpdateCommand command);
    void failLoading(const QString &path);
    void forgetCollectedFiles();
    void stopListeningForFiles();
    void restartLimitReached();

    QPointer<Zelto> m_board;
    FirmwareFileManager *m_files;
    const std::chrono::milliseconds m_restartLimit;
    Component m_os;
    Component m_wireless;
    bool m_startRequested = false;
    std::atomic<int> m_filesMissing{0};
    QMap<QString, CollectedFile> m_collectedFiles;
    // The firmware files asked for and not answered yet: (component, version).
    QSet<std::pair<QString, QString>> m_requestedFiles;
    QPointer<SoftwareUpdate> m_service;
    QString m_uploadedComponent;
    QString m_resumedComponent;
    QTimer m_restartTimer;
};
