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
        end();
        return;
    }
    clearQueuedMark();
    startDownload();
}

void LogDownloadCommand::startDownload()
{
    // Connected before the request: a refusal reports back before downloadLog returns.
    connect(m_entry, &OstDeviceLogEntry::DownloadFinished, this, &LogDownloadCommand::onDownloadFinished);
    connect(m_entry, &QObject::destroyed, this, &LogDownloadCommand::end);
    m_entry->downloadLog();
}

void LogDownloadCommand::onDownloadFinished(bool)
{
    end();
}

void LogDownloadCommand::end()
{
    if (m_entry)
        disconnect(m_entry, nullptr, this, nullptr);
    finish();
}
