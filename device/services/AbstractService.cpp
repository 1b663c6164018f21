#include "AbstractService.h"

#include "DatalinkManager.h"

AbstractService::AbstractService(QObject *parent, DatalinkChannelId channel, bool isReliable, DatalinkManager *manager)
    : QObject(parent)
    , m_channel(channel)
    , m_isReliable(isReliable)
{
    if (!manager)
        return;
    connect(this, &AbstractService::write, manager, &DatalinkManager::write);
    connect(manager, &DatalinkManager::DataReady, this, &AbstractService::packetReady);
}

void AbstractService::packetReady(uint16_t channel, QByteArray packet)
{
    if (channel == m_channel)
        dataReady(packet);
}

void AbstractService::sendPayload(const QByteArray &payload)
{
    emit write(m_channel, m_isReliable, payload);
}
