#pragma once

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <csignal>

// The built program started in the test's isolated environment and watched from
// outside, through its log file and its exit.
class RunningProgram
{
public:
    static QDir logFolder()
    {
        return QDir(qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Ostrel/Halvora Lab/ApplicationLogs"));
    }

    explicit RunningProgram(const QString &program) { m_process.setProgram(program); }
    ~RunningProgram()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }

    QProcess &process() { return m_process; }

    // Starts the program; its log is the one file that was not there before.
    bool start(const QStringList &arguments)
    {
        m_logsBefore = logFolder().entryList({QStringLiteral("*.log")}, QDir::Files);
        m_process.setArguments(arguments);
        m_process.start();
        return m_process.waitForStarted();
    }

    QStringList logLines()
    {
        if (m_logFile.isEmpty()) {
            for (const QString &name : logFolder().entryList({QStringLiteral("*.log")}, QDir::Files)) {
                if (!m_logsBefore.contains(name))
                    m_logFile = logFolder().filePath(name);
            }
        }
        QFile file(m_logFile);
        if (m_logFile.isEmpty() || !file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    // The index of the first log line that matches, once there is one; -1 when none
    // came before the time ran out or the program ended.
    qsizetype waitForLogLine(const QRegularExpression &pattern, int timeoutMs = 60000)
    {
        QElapsedTimer clock;
        clock.start();
        do {
            const QStringList lines = logLines();
            for (qsizetype i = 0; i < lines.size(); ++i) {
                if (pattern.match(lines.at(i)).hasMatch())
                    return i;
            }
            if (m_process.state() == QProcess::NotRunning)
                return -1;
            QTest::qWait(50);
        } while (clock.elapsed() < timeoutMs);
        return -1;
    }

    bool waitForMainWindow()
    {
        return waitForLogLine(QRegularExpression(QStringLiteral("\\] Main window loaded "))) >= 0;
    }

    // Ends it as the session would, and waits for it.
    bool terminate()
    {
        ::kill(pid_t(m_process.processId()), SIGTERM);
        return m_process.waitForFinished(60000);
    }

private:
    QProcess m_process;
    QStringList m_logsBefore;
    QString m_logFile;
};
