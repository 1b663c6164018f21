#pragma once

#include <QHash>

#include <cstdint>

namespace monitoring {

class StreamSink;

// Which sink asked for each stream the board has yet to acknowledge or to confirm
// stopped, so that the board's acknowledgement (data offset, reference id) reaches it.
// A sink enters a stream before it sends the request and leaves it when the board has
// confirmed the stop. Keys are those of protocol::streamKey; sinks are not owned.
class ActivationMap
{
public:
    // Enters the stream for sink, unless the stream is entered already (the first
    // sink keeps it).
    void registerPending(uint16_t referenceId, uint16_t dataOffset, StreamSink *sink);
    void remove(uint16_t referenceId, uint16_t dataOffset);
    // The sink of a stream, or null when none is entered.
    StreamSink *find(uint16_t dataOffset, uint16_t referenceId) const;
    void clear() { m_sinks.clear(); }
    bool isEmpty() const { return m_sinks.isEmpty(); }

private:
    QHash<uint32_t, StreamSink *> m_sinks;
};

} // namespace monitoring
