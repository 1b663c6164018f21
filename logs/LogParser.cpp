#include "LogParser.h"

#include "LogParseWorker.h"

#include "ErrorHandler.h"

#include <QDateTime>
#include <QThread>

LogParser::LogParser(QObject *parent)
    : QObject(parent)
    , m_cancelled(std::make_shared<std::atomic_bool>(false))
    , m_worker(new LogParseWorker(m_cancelled)) // deleted by the thread's end
    , m_thread(new QThread(this))
{
    m_worker->moveToThread(m_thread);
    connect(this, &LogParser::parseLogWorker, m_worker, &LogParseWorker::parseLog);
    connect(m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    // Reports are queued without blocking the worker: a parser being destroyed while
    // the worker reports can then wait for its thread without a deadlock.
    connect(m_worker, &LogParseWorker::progressChanged, this, &LogParser::progressCallback, Qt::QueuedConnection);
    connect(m_worker, &LogParseWorker::conversionFinished, this, &LogParser::conversionFinished, Qt::QueuedConnection);
    connect(this, &LogParser::conversionFinished, this,
            [this](const QUrl &fileUrl, const QUrl &, bool succeeded, const QString &message) {
                postFailure(fileUrl, succeeded, message);
            });
    m_thread->start(QThread::InheritPriority);
}

LogParser::~LogParser()
{
    *m_cancelled = true;
    m_thread->quit();
    m_thread->wait();
}

void LogParser::setProgress(float progress)
{
    if (progress == m_progress)
        return;
    m_progress = progress;
    emit progressChanged(m_progress);
}

bool LogParser::parseLog(const QUrl &fileUrl, const QUrl &outputLocation)
{
    emit parseLogWorker(fileUrl, outputLocation);
    return false;
}

// Failures would otherwise only reach the program's log, and the user would see no
// MAT-file without knowing why.
void LogParser::postFailure(const QUrl &fileUrl, bool succeeded, const QString &message)
{
    if (succeeded)
        return;
    ErrorHandler::instance()->addMessage(halvora::ErrorLevel::Warning, AbstractNotification::HalvoraLab,
                                         tr("Converting log file failed"),
                                         tr("%1 could not be converted: %2").arg(fileUrl.fileName(), message),
                                         QStringLiteral("Log downloader"), QDateTime::currentDateTimeUtc());
}

void LogParser::progressCallback(ConversionStage, float progress)
{
    m_progress = progress;
    emit progressChanged(m_progress);
}
