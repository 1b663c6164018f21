#pragma once

#include <QList>
#include <QObject>
#include <QUrl>

class LogCommand;
class OstDeviceLogEntry;

// Runs log commands (downloads, downloads with conversion) one at a time, in the
// order they were scheduled, and announces when none is left. A QML type: the log
// screen makes its own queue.
class LogCommandQueue : public QObject
{
    Q_OBJECT
    // Of the commands that ran until the queue last became empty (queueComplete), those
    // that did not bring their log: a download refused, failed or cut off, or its log
    // gone.
    Q_PROPERTY(int failedDownloads READ failedDownloads)

public:
    explicit LogCommandQueue(QObject *parent = nullptr);
    ~LogCommandQueue() override;

    LogCommand *currentCommand() const { return m_current; }
    int failedDownloads() const { return m_failedInLastRun; }
    QList<LogCommand *> waitingCommands() const { return m_waiting; }

signals:
    void queueComplete();

public slots:
    void commandComplete();

public:
    // A log that waits already is not scheduled a second time.
    Q_INVOKABLE void scheduleDownload(OstDeviceLogEntry *entry);
    // The MAT-file goes into the folder at url, named after the log with ".mat" appended.
    Q_INVOKABLE void scheduleDownloadAndParse(OstDeviceLogEntry *entry, QUrl url);
    // The queue takes the command over.
    Q_INVOKABLE void scheduleCommand(LogCommand *command);
    // Only a waiting command can be taken back, never the running one.
    Q_INVOKABLE bool unschedule(OstDeviceLogEntry *entry);
    Q_INVOKABLE bool unschedule(LogCommand *command);
    Q_INVOKABLE void clearSchedule();

private:
    bool isScheduled(OstDeviceLogEntry *entry) const;
    void startNextCommand();

    QList<LogCommand *> m_waiting;
    LogCommand *m_current = nullptr;
    int m_failedInRun = 0;
    int m_failedInLastRun = 0;
};
