#include "LogDownloadAndParseCommand.h"

LogDownloadAndParseCommand::LogDownloadAndParseCommand(OstDeviceLogEntry *entry, const QUrl &outputFile,
                                                       QObject *parent)
    : LogDownloadCommand(entry, parent)
    , m_outputFile(outputFile)
{
}

void LogDownloadAndParseCommand::execute()
{
    if (!m_entry) {
        end(false);
        return;
    }
    clearQueuedMark();
    if (m_entry->hasLocalFile()) {
        end();
        convert();
        return;
    }
    startDownload();
}

void LogDownloadAndParseCommand::onDownloadFinished(bool succeeded)
{
    end(succeeded);
    if (succeeded)
        convert();
}

void LogDownloadAndParseCommand::convert()
{
    // Completing may already have started the next command, which may have removed
    // this log.
    if (m_entry && m_entry->hasLocalFile())
        m_entry->parseLog(m_outputFile.toString());
}
