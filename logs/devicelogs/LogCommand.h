#pragma once

#include <QObject>

class OstDeviceLogEntry;

// One queued operation on a log. A command completes exactly once, by emitting
// complete; the queue then disposes of it and starts the next one.
class LogCommand : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Whether the command completed without doing its work (a download refused,
    // failed or cut off, or its log gone).
    bool hasFailed() const { return m_failed; }

public slots:
    virtual void execute() = 0;
    // The log the command works on; null once that log is gone.
    virtual OstDeviceLogEntry *entry() = 0;

signals:
    void complete();

protected:
    bool isComplete() const { return m_complete; }
    // Emits complete the first time only.
    void finish(bool succeeded = true);

private:
    bool m_complete = false;
    bool m_failed = false;
};
