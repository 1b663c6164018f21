// The path of a sample from the board's data message to a plot: decoding, the stream
// of the model node, the signal and its subscription, and the plot's live buffer with
// its four chart windows. 16 scalar doubles at 1 kHz, one message per millisecond.
// Reported as time per sample and heap allocations per sample; a second benchmark
// feeds the live buffers an hour of samples and reports the memory they keep.

#include "ActiveScalar.h"
#include "BasicSlDataType.h"
#include "DataChannel.h"
#include "Interface.h"
#include "MonitoringProtocol.h"
#include "SimulinkSignal.h"
#include "StreamableNode.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QtEndian>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

namespace {
std::atomic<int64_t> allocations{0};
}

void *operator new(std::size_t size)
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void *p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void *p) noexcept
{
    std::free(p);
}
void operator delete(void *p, std::size_t) noexcept
{
    std::free(p);
}

namespace {

using namespace monitoring;

constexpr int Signals = 16;
constexpr int MessagesPerSecond = 1000;
const QList<double> XRanges{1, 10, 100, 1000};
constexpr int Buckets = 1150; // a chart about as wide as a full-HD screen allows

// The model: 16 double signals (reference ids 1..16) whose plots subscribe element 0
// at 1 kHz, each into its own live buffer.
struct PlottedModel
{
    PlottedModel()
    {
        for (uint16_t ref = 1; ref <= Signals; ++ref) {
            auto type = std::make_shared<BasicSlDataType<double, DoubleTypeId>>(DataTypeIdentity{DoubleTypeId, 0,
                                                                                                 "double", "double"});
            nodes.push_back(std::make_unique<BasicStreamableNode>(IModelNode::Signal, SimulinkDataTypes::Signal,
                                                                  &interface, &root, ref, 0, type, Dimensions(0, {1}),
                                                                  MessagesPerSecond, "s", "1"));
            signalObjects.push_back(std::make_unique<SimulinkDataTypes::SimulinkSignal>(nullptr, nodes.back().get()));
            buffers.push_back(std::make_unique<ActiveScalar>(nullptr, 0, MessagesPerSecond, Buckets, XRanges));
            signalObjects.back()->subscribe(0, MessagesPerSecond, buffers.back().get());
            if (StreamSink *sink = interface.activations().find(0, ref))
                sink->onActivationAck(0);
        }
    }

    qsizetype kept() const
    {
        qsizetype sum = 0;
        for (const auto &buffer : buffers)
            sum += buffer->rawSampleCount();
        return sum;
    }

    Interface interface {
        nullptr, nullptr
    };
    ModelNode root{&interface, nullptr, "root"};
    std::vector<std::unique_ptr<StreamableNode>> nodes;
    std::vector<std::unique_ptr<SimulinkDataTypes::SimulinkSignal>> signalObjects;
    std::vector<std::unique_ptr<ActiveScalar>> buffers;
};

// One second of messages, each one record per signal; the base time is written
// before each message is handed over, so that times keep increasing.
std::vector<QByteArray> oneSecond()
{
    std::vector<QByteArray> messages;
    constexpr qsizetype RecordSize = 2 + 4 + 8;
    for (int m = 0; m < MessagesPerSecond; ++m) {
        QByteArray message(protocol::DataHeader::Size + Signals * RecordSize, '\0');
        qToLittleEndian<int16_t>(protocol::DataHeader::Samples, message.data() + protocol::DataHeader::Command);
        qToLittleEndian<uint16_t>(uint16_t(message.size()), message.data() + protocol::DataHeader::Length);
        for (int s = 0; s < Signals; ++s) {
            char *record = message.data() + protocol::DataHeader::Size + s * RecordSize;
            qToLittleEndian<uint16_t>(uint16_t(s + 1), record);
            const double value = std::sin(0.001 * m * (s + 1)) * 10 + s;
            qToLittleEndian<uint64_t>(std::bit_cast<uint64_t>(value), record + 6);
        }
        messages.push_back(message);
    }
    return messages;
}

void SamplePath_16x1kHz(benchmark::State &state)
{
    PlottedModel model;
    std::vector<QByteArray> messages = oneSecond();
    uint64_t time = 0;
    const auto feedSecond = [&] {
        for (QByteArray &message : messages) {
            time += 1'000'000;
            qToLittleEndian<uint64_t>(time, message.data() + protocol::DataHeader::BaseTime);
            model.interface.dataChannel()->parsePacket(message);
        }
    };
    // The first seconds fill the windows up to their steady size.
    for (int i = 0; i < 3; ++i)
        feedSecond();
    const qsizetype before = model.kept();
    const int64_t allocationsBefore = allocations.load();
    for (auto _ : state)
        feedSecond();
    const double samples = double(state.iterations()) * Signals * MessagesPerSecond;
    if (double(model.kept() - before) != samples)
        state.SkipWithError("not every sample reached its live buffer");
    state.counters["allocations_per_sample"] = double(allocations.load() - allocationsBefore) / samples;
    state.counters["time_per_sample"] = benchmark::Counter(samples,
                                                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(SamplePath_16x1kHz)->Unit(benchmark::kMillisecond);

// An hour of 16 x 1 kHz into the live buffers: what they keep stays within their
// stated capacity (the longest x range at the signal's rate).
void LiveBuffersAfterOneHour_16x1kHz(benchmark::State &state)
{
    for (auto _ : state) {
        std::vector<std::unique_ptr<ActiveScalar>> buffers;
        for (int s = 0; s < Signals; ++s)
            buffers.push_back(std::make_unique<ActiveScalar>(nullptr, 0, MessagesPerSecond, Buckets, XRanges));
        for (uint64_t ms = 1; ms <= 3600 * 1000; ++ms)
            for (int s = 0; s < Signals; ++s)
                buffers[size_t(s)]->addData({ms * 1'000'000, std::sin(0.001 * double(ms) * (s + 1))});
        double keptBytes = 0;
        double capacityBytes = 0;
        double windowPoints = 0;
        for (const auto &buffer : buffers) {
            keptBytes += double(buffer->rawSampleCount()) * sizeof(ActiveScalar::RawBufferData);
            capacityBytes += double(buffer->rawCapacity()) * sizeof(ActiveScalar::RawBufferData);
            for (int w = 0; w < buffer->windowCount(); ++w)
                windowPoints += double(buffer->points(w).size());
        }
        if (keptBytes > capacityBytes)
            state.SkipWithError("the live buffers keep more than their capacity");
        state.counters["raw_bytes_kept"] = keptBytes;
        state.counters["raw_bytes_capacity"] = capacityBytes;
        state.counters["window_bytes"] = windowPoints * sizeof(QPointF);
    }
}
BENCHMARK(LiveBuffersAfterOneHour_16x1kHz)->Unit(benchmark::kSecond)->Iterations(1);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
