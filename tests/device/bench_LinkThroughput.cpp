// Throughput of the receive path of the packet link: the link checksum and the
// recombiner, each over 1 KiB frames, reported in MB/s (10^6 bytes per second).

#include "LinkCrc.h"
#include "OstPacketRecombiner.h"
#include "PacketFrame.h"

#include <benchmark/benchmark.h>

#include <QByteArray>

#include <cstdio>

namespace {

constexpr qsizetype kFrameSize = 1024;

QByteArray frames(int count)
{
    QByteArray stream;
    QByteArray payload(PacketFrame::MaxPayloadSize, Qt::Uninitialized);
    for (qsizetype i = 0; i < payload.size(); ++i)
        payload[i] = char(i * 31 + 7);
    for (int i = 0; i < count; ++i)
        stream += PacketFrame::build(uint16_t(i % 10), payload).value();
    return stream;
}

void Crc32_1KiB(benchmark::State &state)
{
    const QByteArray frame = frames(1);
    uint32_t crc = 0xFFFFFFFFu;
    for (auto _ : state) {
        crc = computeCrc32(0xFFFFFFFFu, frame.constData(), size_t(frame.size()));
        benchmark::DoNotOptimize(crc);
    }
    state.SetBytesProcessed(state.iterations() * kFrameSize);
}
BENCHMARK(Crc32_1KiB);

// Frames of 1 KiB arrive in reads of the given size, as a stream socket or USB
// delivers them; a receiver takes every payload.
void Recombiner_1KiBFrames(benchmark::State &state)
{
    const QByteArray stream = frames(64);
    const qsizetype readSize = state.range(0);
    OstPacketRecombiner recombiner;
    qsizetype received = 0;
    QObject::connect(&recombiner, &OstPacketRecombiner::packetReady,
                     [&received](uint16_t, const QByteArray &payload) { received += payload.size(); });
    for (auto _ : state) {
        for (qsizetype pos = 0; pos < stream.size(); pos += readSize)
            recombiner.rawDataReady(stream.mid(pos, readSize));
    }
    benchmark::DoNotOptimize(received);
    state.SetBytesProcessed(state.iterations() * stream.size());
}
BENCHMARK(Recombiner_1KiBFrames)->Arg(kFrameSize)->Arg(4096)->Arg(64 * 1024);

// Prints each result as MB/s after the usual table.
class MegabytesReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            const auto it = run.counters.find("bytes_per_second");
            if (it != run.counters.end())
                m_lines.push_back(run.benchmark_name() + ": " + std::to_string(int(it->second.value / 1e6)) + " MB/s");
        }
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        for (const std::string &line : m_lines)
            std::printf("%s\n", line.c_str());
    }

private:
    std::vector<std::string> m_lines;
};

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    MegabytesReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
