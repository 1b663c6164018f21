#include "LogDownloadCommand.h"

LogDownloadCommand::LogDownloadCommand(OstDeviceLogEntry *entry, QObject *parent)
    : LogCommand(parent)
    , m_entry(entry)
{
    if (m_entry)
        m_entry->setQueuedForDownload(true);
}

LogDownloadCommand::~LogDownloadCommand()
{
    clearQueuedMark();
}

void LogDownloadCommand::clearQueuedMark()
{
    if (m_entry && m_entry->getQueuedForDownload())
        m_entry->setQueuedForDownload(false);
}

void LogDownloadCommand::execute()
{
    if (!m_entry) {
        end(false);
        return;
    }
    clearQueuedMark();
    startDownload();
}

void LogDownloadCommand::startDownload()
{
    // Connected before the request: a refusal reports back before downloadLog returns.
    connect(m_entry, &OstDeviceLogEntry::DownloadFinished, this, &LogDownloadCommand::onDownloadFinished);
    connect(m_entry, &QObject::destroyed, this, [this] { end(false); });
    m_entry->downloadLog();
}

void LogDownloadCommand::onDownloadFinished(bool succeeded)
{
    end(succeeded);
}

void LogDownloadCommand::end(bool succeeded)
{
    if (m_entry)
        disconnect(m_entry, nullptr, this, nullptr);
    finish(succeeded);
}
