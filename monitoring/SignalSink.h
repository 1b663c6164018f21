#pragma once

#include <cstdint>

namespace SimulinkDataTypes {

// What receives the samples of one subscribed element of a signal (a plot's live
// buffer): it knows which element it was made for and takes each sample with its
// time in nanoseconds.
class SignalSink
{
public:
    virtual ~SignalSink() = default;
    virtual uint16_t elementOffset() const = 0;
    virtual void addSample(uint64_t timestamp, double value) = 0;

protected:
    SignalSink() = default;
    SignalSink(const SignalSink &) = default;
    SignalSink &operator=(const SignalSink &) = default;
};

} // namespace SimulinkDataTypes
