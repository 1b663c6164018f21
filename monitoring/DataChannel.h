#pragma once

#include "AbstractService.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>

#include <cstdint>
#include <vector>

namespace monitoring {

class StreamSink;

// The host end of the monitoring data channel (channel 3, unreliable): it decodes
// the board's sample messages and hands each sample to the sink that registered its
// stream. Sample records carry no length, so the registry of streams tells the
// decoder how each one is laid out; a record it cannot place ends the decoding of its
// message. Lost or damaged messages are normal here and are dropped quietly.
class DataChannel : public AbstractService
{
    Q_OBJECT

public:
    static constexpr DatalinkChannelId Channel = 3;

    DataChannel(QObject *parent, DatalinkManager *manager);

    // Registers the stream of the element at dataOffset of a variable, unless it is
    // registered already (the first registration is kept). withOffset: the board sends
    // the data offset in the records of this reference id. valueSize: 1 to 16 bytes.
    void registerStream(uint16_t referenceId, uint16_t dataOffset, uint16_t valueSize, bool withOffset,
                        StreamSink *sink);
    void unregisterStream(uint16_t referenceId, uint16_t dataOffset);
    void clearStreams();
    // Decodes one whole message.
    void parsePacket(QByteArrayView message);

protected slots:
    void dataReady(QByteArray packet) override;
    void start() override {}
    void pause() override {}
    void initialize() override {}

private:
    enum Mode : uint8_t {
        NoStream = 0,
        WithoutOffset = 1,
        WithOffset = 2,
    };

    struct Stream
    {
        uint16_t valueSize = 0;
        StreamSink *sink = nullptr;
    };

    // Takes one message from the start of bytes when it is there; false when more
    // bytes are needed.
    bool takeMessage(QByteArrayView bytes);

    QByteArray m_buffer;
    std::vector<uint8_t> m_modes;         // by reference id
    std::vector<uint16_t> m_streamsPerId; // registered streams, by reference id
    QHash<uint32_t, Stream> m_streams;    // by protocol::streamKey
};

} // namespace monitoring
