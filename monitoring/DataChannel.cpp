#include "DataChannel.h"

#include "MonitoringProtocol.h"
#include "StreamSink.h"

#include <QLoggingCategory>
#include <QtEndian>

Q_LOGGING_CATEGORY(lcDataChannel, "Monitoring.DataChannel")

namespace monitoring {

using namespace protocol;

namespace {

// The fields of a sample record, each read only when that many bytes are left.
struct SampleRecord
{
    static constexpr qsizetype ReferenceId = 2;
    static constexpr qsizetype TimeOffset = 4;
    static constexpr qsizetype DataOffset = 2;
};

constexpr qsizetype CommandAndLength = 4;

} // namespace

DataChannel::DataChannel(QObject *parent, DatalinkManager *manager)
    : AbstractService(parent, Channel, false, manager)
{
}

void DataChannel::registerStream(uint16_t referenceId, uint16_t dataOffset, uint16_t valueSize, bool withOffset,
                                 StreamSink *sink)
{
    if (valueSize == 0 || valueSize > MaxElementSize || !sink) {
        qCWarning(lcDataChannel) << "Refusing a stream of reference" << referenceId << "with values of" << valueSize
                                 << "bytes";
        return;
    }
    const uint32_t key = streamKey(dataOffset, referenceId);
    if (m_streams.contains(key))
        return;
    m_streams.insert(key, Stream{valueSize, sink});
    if (m_modes.size() <= referenceId) {
        m_modes.resize(size_t(referenceId) + 1, NoStream);
        m_streamsPerId.resize(size_t(referenceId) + 1, 0);
    }
    m_modes[referenceId] = withOffset ? WithOffset : WithoutOffset;
    ++m_streamsPerId[referenceId];
}

void DataChannel::unregisterStream(uint16_t referenceId, uint16_t dataOffset)
{
    if (!m_streams.remove(streamKey(dataOffset, referenceId)))
        return;
    if (--m_streamsPerId[referenceId] == 0)
        m_modes[referenceId] = NoStream;
}

void DataChannel::clearStreams()
{
    m_modes.clear();
    m_streamsPerId.clear();
    m_streams.clear();
}

void DataChannel::dataReady(QByteArray packet)
{
    if (m_buffer.isEmpty()) {
        // The usual case, a message in a packet of its own, is decoded in place.
        if (!takeMessage(packet))
            m_buffer = packet;
        return;
    }
    m_buffer.append(packet);
    if (takeMessage(m_buffer))
        m_buffer.clear();
}

bool DataChannel::takeMessage(QByteArrayView bytes)
{
    if (bytes.size() < CommandAndLength) {
        qCDebug(lcDataChannel) << "eMonitor: Uncomplete package received. ";
        return true;
    }
    const int16_t command = qFromLittleEndian<int16_t>(bytes.data() + DataHeader::Command);
    const qsizetype length = qFromLittleEndian<uint16_t>(bytes.data() + DataHeader::Length);
    if (command >= 2) {
        qCDebug(lcDataChannel) << "eMonitor: unsupported command received";
        return true;
    }
    if (length < 5) {
        qCDebug(lcDataChannel) << "eMonitor: Uncomplete package received. ";
        return true;
    }
    if (bytes.size() < length)
        return false;
    parsePacket(bytes.first(length));
    return true;
}

void DataChannel::parsePacket(QByteArrayView message)
{
    if (message.size() < DataHeader::Size
        || qFromLittleEndian<int16_t>(message.data() + DataHeader::Command) != DataHeader::Samples)
        return;
    // Unsigned, so that a board's nonsense wraps instead of overflowing.
    const uint64_t baseTime = qFromLittleEndian<uint64_t>(message.data() + DataHeader::BaseTime);
    const auto *bytes = reinterpret_cast<const uint8_t *>(message.data());
    const qsizetype end = message.size();
    qsizetype pos = DataHeader::Size;
    while (end - pos >= SampleRecord::ReferenceId + SampleRecord::TimeOffset) {
        const uint16_t referenceId = qFromLittleEndian<uint16_t>(bytes + pos);
        const int32_t timeOffset = qFromLittleEndian<int32_t>(bytes + pos + SampleRecord::ReferenceId);
        pos += SampleRecord::ReferenceId + SampleRecord::TimeOffset;
        // A record of no registered stream has no known length: nothing after it can
        // be placed, so the rest of the message is dropped.
        const uint8_t mode = referenceId < m_modes.size() ? m_modes[referenceId] : uint8_t(NoStream);
        if (mode == NoStream)
            return;
        uint16_t dataOffset = 0;
        if (mode == WithOffset) {
            if (end - pos < SampleRecord::DataOffset)
                return;
            dataOffset = qFromLittleEndian<uint16_t>(bytes + pos);
            pos += SampleRecord::DataOffset;
        }
        const auto found = m_streams.constFind(streamKey(dataOffset, referenceId));
        if (found == m_streams.cend() || end - pos < found->valueSize)
            return;
        // A copy: the sink may change the registry while it takes the sample.
        const Stream stream = *found;
        const uint64_t timestamp = baseTime + uint64_t(int64_t(timeOffset));
        stream.sink->onSample(dataOffset, std::span<const uint8_t>(bytes + pos, stream.valueSize), timestamp);
        pos += stream.valueSize;
    }
}

} // namespace monitoring
