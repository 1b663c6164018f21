#include "ActivationMap.h"

#include "MonitoringProtocol.h"

namespace monitoring {

void ActivationMap::registerPending(uint16_t referenceId, uint16_t dataOffset, StreamSink *sink)
{
    const uint32_t key = protocol::streamKey(dataOffset, referenceId);
    if (!m_sinks.contains(key))
        m_sinks.insert(key, sink);
}

void ActivationMap::remove(uint16_t referenceId, uint16_t dataOffset)
{
    m_sinks.remove(protocol::streamKey(dataOffset, referenceId));
}

StreamSink *ActivationMap::find(uint16_t dataOffset, uint16_t referenceId) const
{
    return m_sinks.value(protocol::streamKey(dataOffset, referenceId), nullptr);
}

} // namespace monitoring
