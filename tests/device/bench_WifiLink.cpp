// The Wi-Fi datalink over TLS on loopback against the board simulator running as a
// process of its own: the payload throughput of the reliable channel and the round
// trip of a small request (the link protocol's version request). Goals: at least
// 20 MB/s (10^6 bytes per second) and a median round trip under 2 ms.

#include "DatalinkCommChannel.h"
#include "NetworkBoard.h"
#include "PacketFrame.h"
#include "WifiDatalink.h"
#include "WifiTestCertificates.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLoggingCategory>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>
#include "HalvoraTestPaths.h"

namespace {

constexpr uint16_t VersionMessageType = 2;
// Services write a few frames per turn of the event loop; a burst is 1 MiB of
// payload written that way.
constexpr int FramesPerTurn = 16;
constexpr int FramesPerBurst = 1024;
// A channel the board has no service on: it reads the frames and drops them.
constexpr DatalinkChannelId BulkChannel = 7;

struct Setup
{
    QTemporaryDir folder;
    WifiTestCertificates certificates;
    QProcess board;
    std::unique_ptr<WifiDatalink> link;
    std::vector<double> roundTripsMs;
    double throughputMBps = 0;
};

Setup *setup = nullptr;

bool startBoard(Setup &s)
{
    QString error;
    if (!s.folder.isValid() || !s.certificates.create(s.folder.path(), &error)) {
        std::fprintf(stderr, "certificates: %s\n", qPrintable(error));
        return false;
    }
    const quint16 hostPort = NetworkBoard::freeDatagramPort();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_LOGGING_RULES", "*.debug=false");
    s.board.setProcessEnvironment(environment);
    s.board.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    s.board.start(QStringLiteral(BOARD_SIMULATOR),
                  {"--transport", "wifi", "--stream-port", "0", "--datagram-port", "0", "--host-datagram-port",
                   QString::number(hostPort), "--certificate", s.certificates.boardCertificateFile(), "--private-key",
                   s.certificates.boardKeyFile()});
    QByteArray output;
    while (!output.contains('\n') && s.board.waitForReadyRead(10000))
        output += s.board.readAllStandardOutput();
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("stream (\\d+) datagrams (\\d+)")).match(QString::fromLatin1(output));
    if (!match.hasMatch()) {
        std::fprintf(stderr, "the simulator did not start: %s\n", output.constData());
        return false;
    }

    WifiLinkSettings settings;
    settings.streamPort = quint16(match.captured(1).toUInt());
    settings.datagramPort = quint16(match.captured(2).toUInt());
    settings.localDatagramPort = hostPort;
    settings.certificateFolder = s.certificates.hostFolder();
    s.link = std::make_unique<WifiDatalink>(nullptr, QHostAddress(QStringLiteral("127.0.0.2")), true, true, settings);
    QEventLoop loop;
    QObject::connect(s.link.get(), &WifiDatalink::connectionSuccesful, &loop, &QEventLoop::quit);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    s.link->initialise();
    loop.exec();
    return s.link->state() == AbstractDataLink::Connected;
}

QByteArray versionRequestFrame()
{
    QByteArray request;
    DatalinkCommChannel::appendVersionRequest(request);
    return PacketFrame::build(0, request).value();
}

// Sends what is queued and waits for the board's version reply.
bool awaitVersionReply(WifiDatalink &link)
{
    QEventLoop loop;
    bool answered = false;
    const QMetaObject::Connection connection = QObject::connect(
        &link, &AbstractDataLink::packetReceived, &loop, [&](DatalinkChannelId channel, const QByteArray &packet) {
            if (channel == 0 && packet.size() >= 6 && uint8_t(packet[4]) == VersionMessageType) {
                answered = true;
                loop.quit();
            }
        });
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    link.sendPacket(0, true, versionRequestFrame());
    loop.exec();
    QObject::disconnect(connection);
    return answered;
}

void RoundTripOfAVersionRequest(benchmark::State &state)
{
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        if (!awaitVersionReply(*setup->link)) {
            state.SkipWithError("no version reply");
            return;
        }
        const double seconds = double(timer.nsecsElapsed()) / 1e9;
        setup->roundTripsMs.push_back(seconds * 1e3);
        state.SetIterationTime(seconds);
    }
}
BENCHMARK(RoundTripOfAVersionRequest)->UseManualTime()->Iterations(500);

// A burst of full frames, then a version request: its reply means the board has
// read everything before it.
void ReliablePayloadThroughput(benchmark::State &state)
{
    const QByteArray payload(PacketFrame::MaxPayloadSize, '\x5A');
    const QByteArray frame = PacketFrame::build(BulkChannel, payload).value();
    qint64 bytes = 0;
    double seconds = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < FramesPerBurst; ++i) {
            setup->link->sendPacket(BulkChannel, true, frame);
            if (i % FramesPerTurn == FramesPerTurn - 1)
                QCoreApplication::processEvents();
        }
        if (!awaitVersionReply(*setup->link)) {
            state.SkipWithError("no version reply");
            return;
        }
        const double elapsed = double(timer.nsecsElapsed()) / 1e9;
        state.SetIterationTime(elapsed);
        seconds += elapsed;
        bytes += qint64(FramesPerBurst) * payload.size();
    }
    state.SetBytesProcessed(bytes);
    setup->throughputMBps = seconds > 0 ? double(bytes) / seconds / 1e6 : 0;
}
BENCHMARK(ReliablePayloadThroughput)->UseManualTime()->Iterations(40);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false"));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    Setup s;
    setup = &s;
    if (!startBoard(s)) {
        std::fprintf(stderr, "the Wi-Fi link to the simulator did not come up\n");
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    if (!s.roundTripsMs.empty()) {
        std::vector<double> sorted = s.roundTripsMs;
        std::nth_element(sorted.begin(), sorted.begin() + qsizetype(sorted.size() / 2), sorted.end());
        std::printf("Median round trip of a version request over TLS: %.3f ms (goal: under 2 ms)\n",
                    sorted[sorted.size() / 2]);
    }
    if (s.throughputMBps > 0)
        std::printf("Reliable payload throughput over TLS: %.1f MB/s (goal: at least 20 MB/s)\n", s.throughputMBps);
    s.link.reset();
    s.board.kill();
    s.board.waitForFinished();
    return 0;
}
