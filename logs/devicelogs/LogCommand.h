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

public slots:
    virtual void execute() = 0;
    // The log the command works on; null once that log is gone.
    virtual OstDeviceLogEntry *entry() = 0;

signals:
    void complete();

protected:
    bool isComplete() const { return m_complete; }
    // Emits complete the first time only.
    void finish();

private:
    bool m_complete = false;
};
