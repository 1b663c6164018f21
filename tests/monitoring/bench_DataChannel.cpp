// Decoding of monitoring data messages into samples: 16 scalar doubles streamed at
// 1 kHz, in the messages the simulated board sends for one second of its model (each
// message as full as one packet allows). Reported as samples per second and
// nanoseconds per sample, each sample handed to a sink that reads its value.

#include "BoardControlChannel.h"
#include "BoardFrame.h"
#include "BoardLink.h"
#include "BoardMonitoringControl.h"
#include "BoardMonitoringData.h"
#include "BoardSimulator.h"
#include "DataChannel.h"
#include "DatalinkManager.h"
#include "MonitoringModelFile.h"
#include "StreamSink.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QtEndian>

#include <cstring>

namespace {

constexpr int Streams = 16;

class SummingSink : public monitoring::StreamSink
{
public:
    void onActivationAck(uint16_t) override {}
    void onSample(uint16_t, std::span<const uint8_t> element, uint64_t timestamp) override
    {
        double value = 0;
        std::memcpy(&value, element.data(), sizeof value);
        sum += value;
        last = timestamp;
        ++count;
    }
    double sum = 0;
    uint64_t last = 0;
    int64_t count = 0;
};

QByteArray setSignal(uint16_t ref)
{
    QByteArray request(5 + 16, '\0');
    qToLittleEndian<int16_t>(15, request.data());
    qToLittleEndian<uint16_t>(uint16_t(request.size()), request.data() + 2);
    qToLittleEndian<uint16_t>(ref, request.data() + 5);
    qToLittleEndian<int32_t>(1000, request.data() + 9);
    qToLittleEndian<uint16_t>(8, request.data() + 13);
    request[17] = 1;
    return request;
}

// The data messages of one second of a model with 16 sines at 1 kHz.
QList<QByteArray> boardMessages()
{
    QByteArray json = R"({"types": [{"name": "double", "id": 0}], "signals": [)";
    for (int i = 1; i <= Streams; ++i)
        json += (i > 1 ? "," : "") + QByteArray(R"({"ref": )") + QByteArray::number(i)
                + R"(, "type": "double", "rate": 1000, "wave": {"kind": "sine", "amplitude": 1, "period": )"
                + QByteArray::number(100 + i) + "}}";
    QString error;
    const std::optional<MonitoringModel> model = MonitoringModelFile::parse(json + "]}", &error);
    if (!model)
        qFatal("%s", qPrintable(error));

    BoardSimulator board;
    auto &state = qobject_cast<BoardControlChannel *>(board.channel(1))->state();
    state.openServices[10] = true;
    state.appStatus = 3;
    qobject_cast<BoardMonitoringControl *>(board.channel(2))->setModel(*model);
    auto *data = qobject_cast<BoardMonitoringData *>(board.channel(3));
    data->setTicking(false);
    BoardLink *link = board.attachLink(BoardLinkType::USB);
    QList<QByteArray> messages;
    QObject::connect(&board, &BoardSimulator::frameSent,
                     [&](BoardLinkType, uint16_t channel, const QByteArray &frame, bool) {
                         if (channel == 3)
                             messages << frame.mid(6);
                     });
    for (uint16_t ref = 1; ref <= Streams; ++ref)
        link->receiveStream(BoardFrameCodec::encode(2, setSignal(ref)));
    data->produce(int64_t(1000) * 1000000);
    return messages;
}

void DecodeSamples_16x1kHz(benchmark::State &state)
{
    const QList<QByteArray> messages = boardMessages();
    DatalinkManager manager;
    monitoring::DataChannel channel(&manager, &manager);
    SummingSink sink;
    for (uint16_t ref = 1; ref <= Streams; ++ref)
        channel.registerStream(ref, 0, 8, false, &sink);
    for (auto _ : state) {
        for (const QByteArray &message : messages)
            emit manager.DataReady(3, message);
    }
    benchmark::DoNotOptimize(sink.sum);
    const auto perRound = double(sink.count) / double(state.iterations());
    if (perRound != Streams * 1000)
        state.SkipWithError("the board's messages did not hold 16 000 samples");
    state.counters["messages"] = double(messages.size());
    state.counters["samples_per_second"] = benchmark::Counter(double(sink.count), benchmark::Counter::kIsRate);
    // Seconds per sample, shown with its SI prefix ("85.2n" is 85.2 ns).
    state.counters["time_per_sample"] = benchmark::Counter(double(sink.count),
                                                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(DecodeSamples_16x1kHz)->Unit(benchmark::kMicrosecond);

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
