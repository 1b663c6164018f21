#pragma once

#include "FileControlChannel.h"

#include <QDateTime>
#include <QFile>
#include <QObject>
#include <QString>
#include <QUrl>

#include <array>
#include <optional>

class LogParser;

// One log of one board: a file in the board's "/log" folder, a local copy in the
// producer's folder, or both. Its identity (counter, date, the log's file name on
// the board) comes from the log's name or from the header of the local copy. It
// carries the progress of its download and of its conversion into a MAT-file and
// offers QML the operations on one log. Made and listed by its producer.
class OstDeviceLogEntry : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int logCounter READ logCounter CONSTANT)
    Q_PROPERTY(QString fileName READ getLocalFileName NOTIFY FileNameChanged)
    Q_PROPERTY(QString modelName READ getModelName NOTIFY FileNameChanged)
    Q_PROPERTY(bool hasOnOstDeviceLink READ isOnDevice NOTIFY IsOnOstDeviceChanged)
    Q_PROPERTY(bool hasLocalFile READ hasLocalFile NOTIFY HasLocalFileChanged)
    Q_PROPERTY(bool isLocalFileValid READ isLocalFileValid NOTIFY validLocalFileChanged)
    Q_PROPERTY(QString fileSize READ getFileSize NOTIFY fileSizeChanged)
    Q_PROPERTY(int fileSizeBytes READ getFileSizeBytes NOTIFY fileSizeChanged)
    Q_PROPERTY(QDateTime createDate READ createDate CONSTANT)
    Q_PROPERTY(QString serialNumber READ serialNumber CONSTANT)
    Q_PROPERTY(bool selected READ selected WRITE setSelected NOTIFY selectedChanged)
    Q_PROPERTY(bool queuedForDownload READ getQueuedForDownload NOTIFY queuedForDownloadChanged)
    Q_PROPERTY(float downloadProgress READ getDownloadProgress NOTIFY DownloadProgressChanged)
    Q_PROPERTY(float parseProgress READ getParseProgress NOTIFY parseProgressChanged)
    Q_PROPERTY(QString tag1 READ getTag1 WRITE setTag1 NOTIFY Tag1Changed)
    Q_PROPERTY(QString tag2 READ getTag2 WRITE setTag2 NOTIFY Tag2Changed)
    Q_PROPERTY(QString tag3 READ getTag3 WRITE setTag3 NOTIFY Tag3Changed)
    Q_PROPERTY(QString tag4 READ getTag4 WRITE setTag4 NOTIFY Tag4Changed)

public:
    using DirEntry = FileControlChannel::DirEntry;

    // A log in the board's listing; accepted when it has data and a name that may
    // become a local file name.
    OstDeviceLogEntry(QObject *parent, const QString &serialNumber, const DirEntry &entry);
    // A local file; accepted unless its header names another board.
    OstDeviceLogEntry(QObject *parent, const QString &serialNumber, const QString &path);

    bool isAccepted() const { return m_accepted; }
    int logCounter() const { return m_logCounter; }
    // The log's name on the board; the key by which the producer finds the entry.
    QString logFileName() const { return m_logFileName; }
    bool isOnDevice() const { return m_onDevice; }
    bool hasLocalFile() const;
    bool isLocalFileValid() const { return m_localFileValid; }
    QString localFilePath() const { return m_localFile.fileName(); }
    QUrl localFileAddress() const { return m_localFileAddress; }
    qint64 size() const { return m_size; }
    QDateTime createDate() const { return m_createDate; }
    QString serialNumber() const { return m_serialNumber; }
    bool selected() const { return m_selected; }
    void setSelected(bool selected);
    bool removalRequested() const { return m_removalRequested; }
    bool isConverting() const { return m_converter != nullptr; }

    // A local file turned up for this log: takes it unless its header names another
    // log or another board.
    bool attachLocalFile(const QString &path);
    // What the board's listing says of this log now; nothing when it is gone.
    void setDeviceFileInfo(const std::optional<DirEntry> &entry);
    void setDownloadProgress(float progress);
    // The queued download commands mark the entry while they wait.
    void setQueuedForDownload(bool queued);

    // Set by the producer from its request to the end of the download, which it
    // reports through finishDownload. A listing in between leaves the progress alone.
    bool isDownloading() const { return m_downloading; }
    void beginDownload() { m_downloading = true; }
    void finishDownload(bool succeeded);

public slots:
    void removeLocalFile();
    void removeFileOnDevice();
    bool renameFile(QString newName);
    void parseLog(QString outputFilePath);
    void downloadLog();
    QString getLocalFileName() const;
    bool getQueuedForDownload() const { return m_queuedForDownload; }
    float getDownloadProgress() const { return m_downloadProgress; }
    float getParseProgress() const { return m_parseProgress; }

signals:
    void RequestRemove(OstDeviceLogEntry *self);
    void DownloadFromOstDevice(QString filePath);
    void RemoveOnOstDevice(QString filePath);
    void RenameOnOstDevice(QString filePath, QString newFileName); // the producer forwards it; nothing emits it yet
    void FileNameChanged(QString fileName);
    void IsOnOstDeviceChanged(bool onDevice);
    void HasLocalFileChanged(bool hasLocalFile);
    void validLocalFileChanged(bool valid);
    void queuedForDownloadChanged(bool queued);
    void DownloadProgressChanged(float progress);
    void parseProgressChanged(float progress);
    void Tag1Changed(QString tag);
    void Tag2Changed(QString tag);
    void Tag3Changed(QString tag);
    void Tag4Changed(QString tag);
    void selectedChanged(bool selected);
    void fileSizeChanged();
    // The end of a download the producer started for this log: the local copy is
    // there (true), or the download was refused, failed or cut off (false).
    void DownloadFinished(bool succeeded);

private slots:
    QString getFileSize() const;
    int getFileSizeBytes() const { return int(m_size); }
    void setParseProgress(float progress);
    QString getModelName() const;
    QString getTag1() const { return m_tags[0]; }
    QString getTag2() const { return m_tags[1]; }
    QString getTag3() const { return m_tags[2]; }
    QString getTag4() const { return m_tags[3]; }
    void setTag1(QString tag);
    void setTag2(QString tag);
    void setTag3(QString tag);
    void setTag4(QString tag);

private:
    void takeIdentityFromName(const QString &name);
    void requestRemoval();
    void markLocalFileInvalid();
    void conversionFinished();

    bool m_accepted = false;
    QString m_serialNumber;
    int m_logCounter = 0;
    QString m_logFileName;
    bool m_onDevice = false;
    QFile m_localFile;
    QString m_localFileName;
    QUrl m_localFileAddress;
    bool m_localFileValid = true;
    qint64 m_size = 0;
    QDateTime m_createDate;
    bool m_queuedForDownload = false;
    bool m_downloading = false;
    float m_downloadProgress = 0;
    float m_parseProgress = 0;
    LogParser *m_converter = nullptr; // the running conversion's, a child of the entry
    bool m_selected = false;
    bool m_removalRequested = false;
    std::array<QString, 4> m_tags;
};
