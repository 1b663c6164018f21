#pragma once

#include <QDateTime>
#include <QFile>
#include <QMutex>
#include <QObject>
#include <QString>

#include <atomic>
#include <deque>

class QThread;

// Writes every message of the program, one line each, to the console (or the
// debugger output) and to the run's log file, on a thread of its own.
class LoggingHandler : public QObject
{
    Q_OBJECT

public:
    // Makes the logging object, opens the run's log file and moves it to the thread.
    static LoggingHandler *create(QThread *thread);

    // The Qt message handler: tags the message and queues it to the logging thread.
    // Fatal messages are written before it returns, since the process ends right after,
    // and after every line queued before them.
    static void messageHandler(QtMsgType type, const QMessageLogContext &context, const QString &msg);

    // Installs messageHandler for the given logging object.
    static void install(LoggingHandler *handler);

    // Lets the logging thread write every line queued so far, stops it and writes any
    // later line (shutdown messages included) directly from the caller's thread.
    static void stop(QThread *thread);

    static QString levelPrefix(QtMsgType type);
    // One line of the log: "[" seconds "]" tag " " text "\n".
    static QString formatLine(qint64 elapsedMs, const QString &tag, const QString &text);

    QString fileName() const { return m_file.fileName(); }

    Q_INVOKABLE void log_message(const QString &type, const QString &msg);

private:
    struct QueuedLine
    {
        QString tag;
        QString text;
    };

    LoggingHandler();
    void openLogFile();
    void enqueue(const QString &tag, const QString &text);
    // Writes the lines queued so far, in the order they came.
    Q_INVOKABLE void writeQueued();
    Q_INVOKABLE void finish();

    const QDateTime m_startTime;
    const bool m_debuggerAttached;
    QRecursiveMutex m_writeMutex; // held while writing; a fatal line takes it to write the queue first
    QMutex m_queueMutex;
    std::deque<QueuedLine> m_queue;
    QFile m_file;

    static std::atomic<LoggingHandler *> s_instance;
    static std::atomic<bool> s_threaded;
};
