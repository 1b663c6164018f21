#include "LogCommandQueue.h"

#include "LogDownloadAndParseCommand.h"
#include "LogDownloadCommand.h"

#include <QLoggingCategory>
#include <QQmlEngine>

#include <utility>

Q_LOGGING_CATEGORY(lcLogCommandQueue, "Logs.LogCommandQueue")

LogCommandQueue::LogCommandQueue(QObject *parent)
    : QObject(parent)
{
}

// The commands have no parent: they go with the queue. The running download itself
// goes on at its producer.
LogCommandQueue::~LogCommandQueue()
{
    qDeleteAll(m_waiting);
    if (m_current) {
        disconnect(m_current, nullptr, this, nullptr);
        delete m_current;
    }
}

bool LogCommandQueue::isScheduled(OstDeviceLogEntry *entry) const
{
    for (LogCommand *command : m_waiting) {
        if (command->entry() == entry)
            return true;
    }
    return false;
}

void LogCommandQueue::scheduleDownload(OstDeviceLogEntry *entry)
{
    if (!entry || isScheduled(entry))
        return;
    m_waiting.append(new LogDownloadCommand(entry));
    startNextCommand();
}

void LogCommandQueue::scheduleDownloadAndParse(OstDeviceLogEntry *entry, QUrl url)
{
    if (!entry || isScheduled(entry))
        return;
    const QString folder = url.isLocalFile() ? url.toLocalFile() : url.scheme().isEmpty() ? url.path() : QString();
    if (folder.isEmpty()) {
        qCWarning(lcLogCommandQueue) << "Not a folder on this computer:" << url;
        return;
    }
    const QString output = folder + QLatin1Char('/') + entry->getLocalFileName() + QStringLiteral(".mat");
    m_waiting.append(new LogDownloadAndParseCommand(entry, QUrl::fromLocalFile(output)));
    startNextCommand();
}

void LogCommandQueue::scheduleCommand(LogCommand *command)
{
    if (!command)
        return;
    // A command made in QML must not be collected while it waits here.
    QQmlEngine::setObjectOwnership(command, QQmlEngine::CppOwnership);
    m_waiting.append(command);
    startNextCommand();
}

bool LogCommandQueue::unschedule(OstDeviceLogEntry *entry)
{
    for (LogCommand *command : std::as_const(m_waiting)) {
        if (command->entry() == entry)
            return unschedule(command);
    }
    return false;
}

bool LogCommandQueue::unschedule(LogCommand *command)
{
    qCDebug(lcLogCommandQueue) << "unschedule()" << m_waiting.size();
    if (!m_waiting.removeOne(command))
        return false;
    delete command; // not running, so not inside a call of its own; its entry is unmarked at once
    return true;
}

void LogCommandQueue::clearSchedule()
{
    const QList<LogCommand *> waiting = std::exchange(m_waiting, {});
    qDeleteAll(waiting);
}

void LogCommandQueue::startNextCommand()
{
    if (m_current)
        return;
    if (m_waiting.isEmpty()) {
        m_failedInLastRun = std::exchange(m_failedInRun, 0);
        emit queueComplete();
        return;
    }
    m_current = m_waiting.takeFirst();
    connect(m_current, &LogCommand::complete, this, &LogCommandQueue::commandComplete);
    m_current->execute();
}

void LogCommandQueue::commandComplete()
{
    // Only the running command's signal counts; called directly, it ends the running one.
    if (!m_current || (sender() && sender() != m_current))
        return;
    disconnect(m_current, nullptr, this, nullptr);
    if (m_current->hasFailed())
        ++m_failedInRun;
    m_current->deleteLater();
    m_current = nullptr;
    startNextCommand();
}
