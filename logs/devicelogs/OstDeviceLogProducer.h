#pragma once

#include "FileControlChannel.h"
#include "OstDeviceLogEntry.h"
#include "QOlm.h"
#include "Zelto.h"

#include <QDir>
#include <QFile>
#include <QItemSelection>
#include <QModelIndexList>
#include <QObject>
#include <QPointer>
#include <QSortFilterProxyModel>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

// The logs of one board serial number: the serial's folder inside "LogData" with
// the downloaded or imported logs and ".deviceType.json" (the board's type name),
// and one entry per log, whether the log lies on the board, here, or both. QML sees
// the entries through a sorted and filtered list.
//
// While its board is attached it opens the board's file service, lists the board's
// "/log" folder into the entries, downloads one log at a time into its folder,
// removes logs on the board one after the other and reads the board's storage
// figures. A download is written to "<name>.part" and renamed when it is complete,
// so a download cut off never leaves a partial log under the log's name.
class OstDeviceLogProducer : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QSortFilterProxyModel *ostDeviceLogEntryList READ sortedList NOTIFY LogListChanged)
    Q_PROPERTY(QString serialNumber READ serialNumber CONSTANT)
    Q_PROPERTY(quint64 totalStorageSize READ totalStorageSize NOTIFY SizeInfoChanged)
    Q_PROPERTY(float usedStorage READ usedStorage NOTIFY SizeInfoChanged)
    Q_PROPERTY(bool deviceIsConnected READ deviceIsConnected NOTIFY DeviceConnected)
    Q_PROPERTY(QString deviceType READ deviceType NOTIFY DeviceTypeChanged)
    Q_PROPERTY(float currentDownloadProgress READ currentDownloadProgress NOTIFY CurrentDownloadProgressChanged)
    Q_PROPERTY(bool deletingOnDevice READ deletingOnDevice NOTIFY deletingOnDeviceChanged)

public:
    using DirEntry = FileControlChannel::DirEntry;
    using EntryList = qolm::QOlm<OstDeviceLogEntry>;

    static constexpr const char *DeviceTypeKey = "extended_device_type";

    OstDeviceLogProducer(QObject *parent, const QString &serialNumber);
    ~OstDeviceLogProducer() override;

    // False when the serial cannot name a folder or the folder cannot be made; such
    // a producer has no lists and is not used.
    bool isValid() const { return m_valid; }
    QString serialNumber() const { return m_serialNumber; }
    QDir folder() const { return m_folder; }
    EntryList *entryList() const { return m_entries; }
    // The listed entries in list order (by log counter).
    QList<OstDeviceLogEntry *> entries() const;
    QSortFilterProxyModel *sortedList() const { return m_sorted; }
    Zelto *device() const { return m_board; }
    FileControlChannel *fileControl() const { return m_fileControl; }

    quint64 totalStorageSize() const { return m_totalStorage / 1000; }
    float usedStorage() const;
    bool deviceIsConnected() const { return m_board != nullptr; }
    QString deviceType() const;
    float currentDownloadProgress() const;
    bool deletingOnDevice() const { return !m_removalQueue.isEmpty(); }

    // The entry that holds the file now, or nothing when the file was not taken.
    OstDeviceLogEntry *addLocalLogFile(const QString &path);
    OstDeviceLogEntry *findEntry(const QString &logFileName) const;
    OstDeviceLogEntry *addDeviceEntry(const DirEntry &entry);
    OstDeviceLogEntry *addLocalEntry(const QString &path);

    QVariant readDeviceInfo(const QString &key, const QVariant &defaultValue) const;
    bool writeDeviceInfo(const QString &key, const QVariant &value);

    void setDevice(Zelto *board, bool visible);
    void setVisibility(bool visible);
    void setCurrentDownload(OstDeviceLogEntry *entry);

public slots:
    void removeAllLocalLogs();
    void removeAllZeltoLogs();
    void removeSelectedZeltoLogs(QModelIndexList selection);
    void initOstDeviceLogs();
    void initLocalLogs();
    void setSortColumn(QByteArray columnName, Qt::SortOrder order);
    void setFilterQuery(QString filterQuery);
    QItemSelection getAllLogsSelection();
    QItemSelection getRangeLogsSelection(int A, int B);
    void QueryZeltoFileRemove(QString filePath);

signals:
    void RequestRemove(OstDeviceLogProducer *self);
    void LogListChanged();
    void SizeInfoChanged();
    void DeviceConnected(bool connected);
    void DeviceTypeChanged();
    void deletingOnDeviceChanged();
    void QueryZeltoFileControl(bool openService);
    void QueryZeltoLogList(QString filePath);
    void QueryZeltoDownloadLog(QString filePath, QString localFilePath);
    void QueryZeltoFileRename(QString filePath, QString newFileName);
    void QueryAvailableStorage();
    void CurrentDownloadProgressChanged();

private slots:
    void removeLog(OstDeviceLogEntry *self);
    void setFileControlChannel(FileControlChannel *fileControlChannel);
    void startOstDeviceDownloadLog(QString filePath);
    void handleDownloadProgressUpdate(float progress, QString fileName);
    void handleOstDeviceLogDirListCompleted(FileControlChannel::ResponseCode response,
                                            QList<FileControlChannel::DirEntry> dirEntries);
    void handleOstDeviceDownloadLogCompleted(FileControlChannel::ResponseCode response, QString outputFilePath);
    void handleOstDeviceRemoveLogCompleted(FileControlChannel::ResponseCode response, QString logPath);
    void handleOstDeviceRenameLogCompleted(FileControlChannel::ResponseCode response, QString logPath);
    void handleOstDeviceAvailableStorageCompleted(FileControlChannel::ResponseCode response, qulonglong totalSize,
                                                  qulonglong freeSize,
                                                  filectrlpayload::AvailableStorage::FSStatus status);
    void sendDownloadRequest(QString filePath, QString localFilePath);

private:
    // The download the producer asked the board for, from the request to its end.
    struct PendingDownload
    {
        QPointer<OstDeviceLogEntry> entry;
        QString partPath;  // what the file service writes
        QString finalPath; // the log's name in the folder, once complete
    };

    static void registerQmlTypes();
    QStringList localLogFiles() const;
    OstDeviceLogEntry *listEntry(OstDeviceLogEntry *entry);
    void connectFileControl();
    void dropFileControlConnections();
    void failPendingDownload();
    void clearRemovalQueue();
    void postWarning(const QString &message) const;

    OstDeviceLogEntry *m_currentDownload = nullptr; // reset when it is destroyed
    QMetaObject::Connection m_currentDownloadProgress;
    QMetaObject::Connection m_currentDownloadDestroyed;
    bool m_valid = false;
    QString m_serialNumber;
    QDir m_folder;
    QFile m_typeFile;
    EntryList *m_entries = nullptr;
    QSortFilterProxyModel *m_sorted = nullptr;
    QPointer<Zelto> m_board;
    QPointer<FileControlChannel> m_fileControl;
    bool m_visible = false;
    int m_pendingRemovals = 0;
    quint64 m_totalStorage = 0;
    quint64 m_freeStorage = 0;
    QList<QMetaObject::Connection> m_fileControlConnections;
    QStringList m_removalQueue;
    std::optional<PendingDownload> m_pendingDownload;
};
