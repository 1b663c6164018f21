#pragma once

#include <cstdint>
#include <span>

namespace monitoring {

// What asked the board to stream elements of one variable: it is told when the board
// acknowledges a stream and is handed each sample the data channel decodes for it.
// The data channel and the activation map point to sinks without owning them.
class StreamSink
{
public:
    virtual ~StreamSink() = default;

    // The board acknowledged the stream of the element at dataOffset.
    virtual void onActivationAck(uint16_t dataOffset) = 0;
    // One sample of the element at dataOffset (0 for a stream without offsets): its
    // bytes in the encoding of the element's data type, valid during the call only,
    // and its time in nanoseconds.
    virtual void onSample(uint16_t dataOffset, std::span<const uint8_t> element, uint64_t timestamp) = 0;

protected:
    StreamSink() = default;
    StreamSink(const StreamSink &) = default;
    StreamSink &operator=(const StreamSink &) = default;
};

} // namespace monitoring
