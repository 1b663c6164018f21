#pragma once

#include "LogDownloadCommand.h"

#include <QUrl>

// Downloads one log when there is no local copy yet, then converts the local copy
// into a MAT-file. The command completes before the conversion starts, so the next
// command runs while the log is converted.
class LogDownloadAndParseCommand : public LogDownloadCommand
{
    Q_OBJECT

public:
    LogDownloadAndParseCommand(OstDeviceLogEntry *entry, const QUrl &outputFile, QObject *parent = nullptr);

    void execute() override;
    QUrl outputFile() const { return m_outputFile; }

protected slots:
    void onDownloadFinished(bool succeeded) override;

private:
    void convert();

    QUrl m_outputFile;
};
