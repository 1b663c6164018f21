// Measures the conversion of a generated device log into a MAT-file: throughput in
// MB of log per second, the time of each stage, the peak memory against the log's
// size, and the time h5py takes to write the same arrays with the same settings.
//
// The log has 200 MB, or the size in MB that HALVORA_BENCH_LOG_MB gives, and is
// written to a private folder of its own in the temporary folder. Build it without sanitizers (scripts/benchmark
// does) for figures worth comparing.
#include "HlfFixture.h"
#include "LogConverter.h"
#include "LogFileReader.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include "HalvoraTestPaths.h"

namespace {

hlf::Signal signal(const std::string &name, std::uint16_t type, std::uint16_t sampleSize,
                   std::vector<std::uint16_t> dimensions = {1}, std::uint16_t flags = 0)
{
    hlf::Signal s;
    s.name = name;
    s.blockName = "bench/" + name;
    s.type = type;
    s.sampleSize = sampleSize;
    s.dimensions = std::move(dimensions);
    s.flags = flags;
    s.sampleTime = 0.001f;
    return s;
}

// Twenty signals of a typical controller log, all sampled in every record: time,
// measured values with sensor noise, set points, counters and flags.
hlf::Fixture benchLog()
{
    hlf::Fixture f;
    f.metadata = {{"logCounter", "42"},
                  {"Date", "2024-11-12"},
                  {"Time", "11:45:45"},
                  {"serial", "SN-0042"},
                  {"fileName", "bench"}};
    f.signalRecords.push_back(signal("time", 0, 8, {1}, 0x10));
    for (int i = 0; i < 6; ++i)
        f.signalRecords.push_back(signal("measured" + std::to_string(i), 0, 8));
    for (int i = 0; i < 4; ++i)
        f.signalRecords.push_back(signal("setpoint" + std::to_string(i), 1, 4));
    f.signalRecords.push_back(signal("acceleration", 1, 12, {3}));
    for (int i = 0; i < 3; ++i)
        f.signalRecords.push_back(signal("current" + std::to_string(i), 4, 2));
    f.signalRecords.push_back(signal("counter", 7, 4));
    f.signalRecords.push_back(signal("encoder", 6, 4));
    f.signalRecords.push_back(signal("mode", 3, 1));
    f.signalRecords.push_back(signal("enabled", 8, 1));
    f.signalRecords.push_back(signal("fault", 8, 1));
    return f;
}

void fillRecord(std::uint64_t r, std::uint8_t *p, QRandomGenerator &random)
{
    const double t = double(r) * 0.001;
    const auto put = [&p](const auto value) {
        std::memcpy(p, &value, sizeof value);
        p += sizeof value;
    };
    put(t);
    for (int i = 0; i < 6; ++i)
        put(std::sin(t * (i + 1)) * 10.0 + random.generateDouble() * 0.01);
    for (int i = 0; i < 4; ++i)
        put(float((r / 5000 + i) % 7));
    for (int i = 0; i < 3; ++i)
        put(float(std::cos(t + i) * 9.81 + random.generateDouble() * 0.05));
    for (int i = 0; i < 3; ++i)
        put(std::int16_t(std::sin(t * 3 + i) * 2000 + random.bounded(20)));
    put(std::uint32_t(r));
    put(std::int32_t(r * 7 % 100000));
    put(std::uint8_t(r / 20000 % 4));
    put(std::uint8_t(r / 3000 % 2));
    put(std::uint8_t(r % 100000 == 0));
}

// Processor time of this process, which a busy machine does not stretch the way it
// stretches the elapsed time.
double processorSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

std::uint64_t statusValueKb(const char *key)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0)
            return std::stoull(line.substr(std::strlen(key)));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const double sizeMb = qEnvironmentVariableIsSet("HALVORA_BENCH_LOG_MB")
                              ? qEnvironmentVariable("HALVORA_BENCH_LOG_MB").toDouble()
                              : 200;
    const QTemporaryDir temporary;
    if (!temporary.isValid()) {
        std::fprintf(stderr, "cannot make a temporary folder: %s\n", qPrintable(temporary.errorString()));
        return 1;
    }
    const QDir folder(temporary.path());
    const QString logPath = folder.filePath("bench_log.hlf");
    const QString matPath = folder.filePath("bench_log.hlf.mat");
    const QString h5pyPath = folder.filePath("bench_h5py.h5");

    {
        const hlf::Fixture fixture = benchLog();
        std::uint64_t recordLength = fixture.bitmapLength();
        for (const auto &s : fixture.signalRecords)
            recordLength += s.sampleSize;
        const auto records = std::uint64_t(sizeMb * 1e6) / recordLength;
        QRandomGenerator random(1);
        const auto built = fixture.buildUniform(records,
                                                [&](std::uint64_t r, std::uint8_t *p) { fillRecord(r, p, random); });
        QFile file(logPath);
        if (!file.open(QIODevice::WriteOnly) || file.write(built.bytes) != built.bytes.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(logPath));
            return 1;
        }
        std::printf("log: %llu records of %llu bytes, %.1f MB\n", (unsigned long long)records,
                    (unsigned long long)recordLength, double(built.bytes.size()) / 1e6);
    }
    const double logMb = double(QFileInfo(logPath).size()) / 1e6;

    // Peak memory from here on: reset the high-water mark after the generator's buffers.
    std::ofstream("/proc/self/clear_refs") << "5";
    const std::uint64_t baselineKb = statusValueKb("VmRSS:");

    QElapsedTimer timer;
    timer.start();
    const double processorStart = processorSeconds();
    double stageStart[4] = {-1, -1, -1, -1};
    double stageProcessor[4] = {-1, -1, -1, -1};
    {
        std::ifstream stream(logPath.toStdString(), std::ios::binary);
        const LogFileReader reader(stream);
        LogConverter::convertToMat(matPath.toStdString(), reader, [&](ConversionStage stage, float) {
            if (stageStart[int(stage)] < 0) {
                stageStart[int(stage)] = double(timer.nsecsElapsed()) / 1e9;
                stageProcessor[int(stage)] = processorSeconds() - processorStart;
            }
        });
    }
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    const double processor = processorSeconds() - processorStart;
    const std::uint64_t peakKb = statusValueKb("VmHWM:");

    std::printf("conversion: %.2f s, %.1f MB/s (goal: at least 50); processor time %.2f s, %.1f MB/s\n", seconds,
                logMb / seconds, processor, logMb / processor);
    std::printf("  stages: prepare %.2f s, read data %.2f s, build arrays %.2f s, write file %.2f s\n",
                stageStart[1] - stageStart[0], stageStart[2] - stageStart[1], stageStart[3] - stageStart[2],
                seconds - stageStart[3]);
    std::printf("  processor time: prepare %.2f s, read data %.2f s, build arrays %.2f s, write file %.2f s\n",
                stageProcessor[1] - stageProcessor[0], stageProcessor[2] - stageProcessor[1],
                stageProcessor[3] - stageProcessor[2], processor - stageProcessor[3]);
    std::printf("peak memory: %.1f MB (%.1f MB before the conversion), %.2f x the log (goal: at most 1.5)\n",
                double(peakKb) / 1e3, double(baselineKb) / 1e3, double(peakKb) / 1e3 / logMb);
    std::printf("MAT-file: %.1f MB\n", double(QFileInfo(matPath).size()) / 1e6);

    QProcess python;
    python.start("/usr/bin/python3", {HALVORA_TEST_DATA_DIR "/h5py_write_bench.py", matPath, h5pyPath});
    if (!python.waitForFinished(-1) || python.exitCode() != 0) {
        std::fprintf(stderr, "h5py failed: %s\n", python.readAllStandardError().constData());
        return 1;
    }
    const double h5pySeconds = python.readAllStandardOutput().trimmed().toDouble();
    std::printf("h5py writing the same arrays: %.2f s; conversion / h5py = %.2f (goal: at most 0.5)\n", h5pySeconds,
                seconds / h5pySeconds);

    return 0;
}
