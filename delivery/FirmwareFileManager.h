#pragma once

#include "DownloadResult.h"

#include <QDir>
#include <QFutureWatcher>
#include <QMap>
#include <QObject>
#include <QString>

#include <optional>

class VersionControl;

// Keeps the firmware files of the component versions that the firmware update asks
// for, in the "UpdateData" application-data folder, under the last path element of
// the file the version information lists. A file already there is handed out at
// once; any other is downloaded and announced by a signal. Files stay for good.
//
// Checking and decrypting the files is the firmware update's own work. A download
// only ever puts a complete file under its final name, so a file found here is
// whole; it may still fail that check.
//
// Main thread only.
class FirmwareFileManager : public QObject
{
    Q_OBJECT

public:
    explicit FirmwareFileManager(VersionControl *versions, QObject *parent = nullptr);

    // The process-wide object, made by the first caller and never destroyed.
    static FirmwareFileManager *instance();

    // The absolute path of the local file when it is there. Otherwise an empty text,
    // and the outcome arrives later through FirmwareAvailable or FirmwareNotAvailable,
    // once per download. While a component's download runs, further calls for that
    // component return an empty text and share the outcome of the running one (for
    // the version it was started with).
    QString getFirmware(const QString &component, const QString &version);

signals:
    void FirmwareAvailable(QString firmware, QString version, QString filePath);
    void FirmwareNotAvailable(QString firmware, QString version, QString filePath = QString());

private:
    using Watcher = QFutureWatcher<DownloadResult>;

    std::optional<QDir> firmwareFolder();
    void announceNotAvailableLater(const QString &component, const QString &version);
    void onDownloadResult(Watcher *watcher, int index, const QString &component, const QString &version);
    void onDownloadFinished(Watcher *watcher, const QString &component, const QString &version,
                            const QString &localPath);
    bool release(const QString &component, Watcher *watcher);

    VersionControl *m_versions;
    // Component name -> the watcher of its running download (a child of this object).
    QMap<QString, Watcher *> m_activeDownloads;
};
