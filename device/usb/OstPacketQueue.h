#pragma once

#include "DatalinkTypes.h"

#include <QByteArray>
#include <QObject>
#include <QSemaphore>

#include <deque>
#include <mutex>
#include <optional>

// The frames waiting for a USB datalink's writer thread, in the order they were
// sent. The semaphore counts the queued frames, so the writer sleeps while there
// is nothing to send.
class OstPacketQueue : public QObject
{
    Q_OBJECT

public:
    struct Entry
    {
        QByteArray frame;
        bool isReliable = false;
        DatalinkChannelId channel = 0;
    };

    explicit OstPacketQueue(QObject *parent = nullptr);
    // Wakes a writer that still waits, then drops what is left.
    ~OstPacketQueue() override;

    void push(Entry entry);
    // Waits for a frame; empty when woken without one (see wake()).
    std::optional<Entry> waitAndTake();
    // Drops every queued frame.
    void clear();
    // Wakes a waiting writer without a frame.
    void wake(int times = 1);
    qsizetype size() const;

private:
    mutable std::mutex m_lock;
    std::deque<Entry> m_entries;
    QSemaphore m_queued{0};
};
