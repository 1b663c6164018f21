#pragma once

#include "ConversionStage.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QUrl>

#include <atomic>
#include <memory>

// Converts log files into MAT-files on the log parser's worker thread, one request
// after the other.
class LogParseWorker : public QObject
{
    Q_OBJECT

public:
    // Once the flag is set, the running conversion stops at its next progress report
    // and waiting requests are skipped.
    explicit LogParseWorker(std::shared_ptr<std::atomic_bool> cancelled);

    const QByteArray &fileBeingParsed() const { return m_fileBeingParsed; }

signals:
    // The overall progress 0..1 of the running conversion.
    void progressChanged(ConversionStage stage, float progress);
    // Every request ends with this, also when it was refused.
    void conversionFinished(const QUrl &fileUrl, const QUrl &outputLocation, bool succeeded, const QString &message);

public slots:
    void parseLog(const QUrl &fileUrl, const QUrl &outputLocation);

private:
    void finish(const QUrl &fileUrl, const QUrl &outputLocation, bool succeeded, const QString &message);

    std::shared_ptr<std::atomic_bool> m_cancelled;
    QByteArray m_fileBeingParsed;
};
