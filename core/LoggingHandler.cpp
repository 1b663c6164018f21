#include "LoggingHandler.h"

#include "ApplicationFolders.h"
#include "DebuggerPresence.h"

#include <QMetaObject>
#include <QMutexLocker>
#include <QThread>

#include <cstdio>

std::atomic<LoggingHandler *> LoggingHandler::s_instance{nullptr};
std::atomic<bool> LoggingHandler::s_threaded{false};

LoggingHandler::LoggingHandler()
    : m_startTime(QDateTime::currentDateTime())
    , m_debuggerAttached(halvora::platform::isDebuggerAttached())
    , m_file(this)
{
    openLogFile();
}

LoggingHandler *LoggingHandler::create(QThread *thread)
{
    auto *handler = new LoggingHandler(); // lives until the process ends, as its handler may be called until then
    handler->moveToThread(thread);
    return handler;
}

// One file per run, named after the start time. A second run started in the same
// second gets a numbered name instead of truncating the first run's log.
void LoggingHandler::openLogFile()
{
    const std::optional<QDir> folder = ApplicationFolders::instance().subFolder(ApplicationFolders::AppDataFolder,
                                                                                "ApplicationLogs");
    if (!folder) {
        std::fputs("Halvora Lab: no folder for the log file; logging to the console only\n", stderr);
        return;
    }
    const QString stem = m_startTime.toString(QStringLiteral("yyyyMMdd-hhmmss"));
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString name = attempt == 0 ? stem + QStringLiteral(".log")
                                          : QStringLiteral("%1-%2.log").arg(stem).arg(attempt);
        m_file.setFileName(folder->absoluteFilePath(name));
        if (m_file.open(QIODevice::WriteOnly | QIODevice::Text | QIODevice::NewOnly))
            return;
        if (!m_file.exists())
            break; // not a name clash: the folder refuses the file
    }
    std::fprintf(stderr, "Halvora Lab: cannot open the log file %s\n", qPrintable(m_file.fileName()));
}

QString LoggingHandler::levelPrefix(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
        return QStringLiteral("[DBG]");
    case QtWarningMsg:
        return QStringLiteral("[WRN]");
    case QtCriticalMsg:
        return QStringLiteral("[CRT]");
    case QtFatalMsg:
        return QStringLiteral("[FTL]");
    case QtInfoMsg:
        return QStringLiteral("[INF]");
    }
    return QStringLiteral("[DBG]");
}

QString LoggingHandler::formatLine(qint64 elapsedMs, const QString &tag, const QString &text)
{
    const QString seconds = QString::number(double(elapsedMs) / 1000.0, 'f', 3).leftJustified(8, QLatin1Char(' '));
    return QLatin1Char('[') + seconds + QLatin1Char(']') + tag + QLatin1Char(' ') + text + QLatin1Char('\n');
}

void LoggingHandler::log_message(const QString &type, const QString &msg)
{
    QMutexLocker lock(&m_writeMutex);
    const qint64 elapsed = m_startTime.msecsTo(QDateTime::currentDateTime());
    const QByteArray line = formatLine(elapsed, type, msg).toLocal8Bit();
    // Without a debugger window on Linux, the debugger output is the standard error.
    FILE *console = (!m_debuggerAttached && type == QLatin1String("[INF]")) ? stdout : stderr;
    std::fwrite(line.constData(), 1, size_t(line.size()), console);
    std::fflush(console);
    if (m_file.isOpen()) {
        m_file.write(line);
        m_file.flush();
    }
}

void LoggingHandler::enqueue(const QString &tag, const QString &text)
{
    bool wasEmpty = false;
    {
        QMutexLocker lock(&m_queueMutex);
        wasEmpty = m_queue.empty();
        m_queue.push_back({tag, text});
    }
    // One wake-up for a burst of lines: the thread writes all that are queued.
    if (wasEmpty)
        QMetaObject::invokeMethod(this, "writeQueued", Qt::QueuedConnection);
}

void LoggingHandler::writeQueued()
{
    QMutexLocker writing(&m_writeMutex);
    std::deque<QueuedLine> lines;
    {
        QMutexLocker lock(&m_queueMutex);
        lines.swap(m_queue);
    }
    for (const QueuedLine &line : lines)
        log_message(line.tag, line.text);
}

void LoggingHandler::messageHandler(QtMsgType type, const QMessageLogContext &, const QString &msg)
{
    LoggingHandler *handler = s_instance.load();
    if (!handler) {
        std::fprintf(stderr, "%s %s\n", qPrintable(levelPrefix(type)), qPrintable(msg));
        return;
    }
    const QString tag = levelPrefix(type);
    if (type == QtFatalMsg || !s_threaded.load()) {
        // Written here and now, after the lines queued before it: those explain a
        // fatal line, and after shutdown no thread is left to write them.
        QMutexLocker writing(&handler->m_writeMutex);
        handler->writeQueued();
        handler->log_message(tag, msg);
        return;
    }
    handler->enqueue(tag, msg);
}

void LoggingHandler::install(LoggingHandler *handler)
{
    s_instance.store(handler);
    s_threaded.store(handler && handler->thread() != QThread::currentThread() && handler->thread()->isRunning());
    qInstallMessageHandler(&LoggingHandler::messageHandler);
}

void LoggingHandler::finish()
{
    writeQueued();
    QThread::currentThread()->quit();
}

void LoggingHandler::stop(QThread *thread)
{
    LoggingHandler *handler = s_instance.load();
    if (handler && thread->isRunning()) {
        // From here on lines are written directly; "finish" is queued behind every
        // message posted so far, so those are all written before the thread ends.
        s_threaded.store(false);
        QMetaObject::invokeMethod(handler, "finish", Qt::QueuedConnection);
        thread->wait();
    } else {
        thread->quit();
        thread->wait();
    }
}
