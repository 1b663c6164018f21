#pragma once

#include "LogCommand.h"
#include "OstDeviceLogEntry.h"

#include <QPointer>

// Downloads one log from its board. It completes when the producer reports the end
// of that download, successful or not, or when the log goes away meanwhile; a
// refused download completes it at once.
class LogDownloadCommand : public LogCommand
{
    Q_OBJECT

public:
    // Marks the entry as queued for download until the command runs or goes.
    explicit LogDownloadCommand(OstDeviceLogEntry *entry, QObject *parent = nullptr);
    ~LogDownloadCommand() override;

    void execute() override;
    OstDeviceLogEntry *entry() override { return m_entry; }

protected slots:
    virtual void onDownloadFinished(bool succeeded);

protected:
    void clearQueuedMark();
    // Asks the entry's producer for the download; the end comes with onDownloadFinished.
    void startDownload();
    // Completes and lets go of the entry's signals.
    void end(bool succeeded = true);

    QPointer<OstDeviceLogEntry> m_entry;
};
