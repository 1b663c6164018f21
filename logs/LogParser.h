#pragma once

#include "ConversionStage.h"

#include <QObject>
#include <QUrl>

#include <atomic>
#include <memory>

class LogParseWorker;
class QThread;

// Converts log files into MAT-files on a worker thread of its own and publishes the
// overall progress (0..1) of the running conversion. Requests run one after the
// other. Every request ends with the progress at 1 and with conversionFinished,
// which tells success from failure; a failure is also posted to the notification list.
class LogParser : public QObject
{
    Q_OBJECT
    Q_PROPERTY(float progress READ progress WRITE setProgress NOTIFY progressChanged)

public:
    enum Status { Open = 0, Started = 1, Failed = 2, NeedsUserInput = 3 };
    Q_ENUM(Status)

    explicit LogParser(QObject *parent = nullptr);
    // Stops a running conversion at its next progress report (its partial output is
    // removed) and drops the waiting requests before the thread ends.
    ~LogParser() override;

    float progress() const { return m_progress; }
    void setProgress(float progress);

    // Queues the conversion; always returns false. The end is seen through the
    // progress reaching 1 and through conversionFinished.
    Q_INVOKABLE bool parseLog(const QUrl &fileUrl, const QUrl &outputLocation);

signals:
    void progressChanged(float progress);
    void parseLogWorker(const QUrl &fileUrl, const QUrl &outputLocation);
    // The outcome of one request; the message says what went wrong.
    void conversionFinished(const QUrl &fileUrl, const QUrl &outputLocation, bool succeeded, const QString &message);

public slots:
    void progressCallback(ConversionStage stage, float progress);

private:
    void postFailure(const QUrl &fileUrl, bool succeeded, const QString &message);

    float m_progress = 0;
    std::shared_ptr<std::atomic_bool> m_cancelled;
    LogParseWorker *m_worker;
    QThread *m_thread;
};
