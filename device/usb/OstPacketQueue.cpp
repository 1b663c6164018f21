#include "OstPacketQueue.h"

OstPacketQueue::OstPacketQueue(QObject *parent)
    : QObject(parent)
{
}

OstPacketQueue::~OstPacketQueue()
{
    m_queued.release();
    clear();
}

void OstPacketQueue::push(Entry entry)
{
    {
        std::lock_guard lock(m_lock);
        m_entries.push_back(std::move(entry));
    }
    m_queued.release();
}

std::optional<OstPacketQueue::Entry> OstPacketQueue::waitAndTake()
{
    m_queued.acquire();
    std::lock_guard lock(m_lock);
    if (m_entries.empty())
        return std::nullopt;
    Entry entry = std::move(m_entries.front());
    m_entries.pop_front();
    return entry;
}

void OstPacketQueue::clear()
{
    std::lock_guard lock(m_lock);
    m_entries.clear();
}

void OstPacketQueue::wake(int times)
{
    m_queued.release(times);
}

qsizetype OstPacketQueue::size() const
{
    std::lock_guard lock(m_lock);
    return qsizetype(m_entries.size());
}
