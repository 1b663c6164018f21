// Firmware upload to the board simulator, running as a process of its own, over the
// Wi-Fi datalink with TLS on loopback: the update service's upload of a 4 MiB
// operating-system image until the board reports it finished, in MB/s (10^6 bytes
// per second). The board acknowledges every chunk before the next one goes. For
// comparison the same run measures the reliable channel's payload throughput of the
// link as the Wi-Fi link benchmark does (a burst of full frames, then a version
// request). Goal: the upload reaches at least 60% of the reliable channel's throughput.

#include "DatalinkCommChannel.h"
#include "DatalinkManager.h"
#include "NetworkBoard.h"
#include "PacketFrame.h"
#include "SoftwareUpdate.h"
#include "WifiDatalink.h"
#include "WifiTestCertificates.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLoggingCategory>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <memory>
#include "HalvoraTestPaths.h"

namespace {

constexpr qsizetype ImageSize = 4 * 1024 * 1024;
constexpr uint16_t VersionMessageType = 2;
constexpr int FramesPerTurn = 16;
constexpr int FramesPerBurst = 1024;
// A channel the board has no service on: it reads the frames and drops them.
constexpr DatalinkChannelId BulkChannel = 7;

struct Setup
{
    QTemporaryDir folder;
    WifiTestCertificates certificates;
    QProcess board;
    DatalinkManager manager;
    WifiDatalink *link = nullptr;
    std::unique_ptr<SoftwareUpdate> update;
    QByteArray image;
    double uploadMBps = 0;
    double reliableMBps = 0;
};

Setup *setup = nullptr;

// Runs the event loop until sender emits signal or ms have passed; true when it came.
template<typename Sender, typename Signal>
bool waitFor(Sender *sender, Signal signal, int ms = 10000)
{
    QEventLoop loop;
    bool emitted = false;
    QObject::connect(sender, signal, &loop, [&] {
        emitted = true;
        loop.quit();
    });
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    return emitted;
}

// A firmware image that names no version: the board keeps reporting its own.
QByteArray makeImage()
{
    QByteArray data(ImageSize, Qt::Uninitialized);
    for (qsizetype i = 0; i < data.size(); ++i)
        data[i] = char((i * 131) >> 3);
    return data;
}

bool startBoard(Setup &s)
{
    QString error;
    s.image = makeImage();
    if (!s.folder.isValid() || !s.certificates.create(s.folder.path(), &error)) {
        std::fprintf(stderr, "set-up failed: %s\n", qPrintable(error));
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
                   s.certificates.boardKeyFile(), "--restart-time", "0"});
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
    s.link = new WifiDatalink(nullptr, QHostAddress(QStringLiteral("127.0.0.2")), true, true, settings);
    s.manager.addDatalink(s.link);
    QTimer::singleShot(0, s.link, &WifiDatalink::initialise);
    if (!waitFor(&s.manager, &DatalinkManager::deviceInfoReceived))
        return false;
    QTimer::singleShot(0, &s.manager, [&s] { s.manager.setActiveDatalinkConnection(AbstractDataLink::WiFi); });
    if (!waitFor(&s.manager, &DatalinkManager::activeLinkTypeChanged)
        || s.manager.activeLinkType() != AbstractDataLink::WiFi)
        return false;
    s.update = std::make_unique<SoftwareUpdate>(nullptr, &s.manager);
    return true;
}

// Sends a version request over the stream and waits for the board's reply.
bool awaitVersionReply(Setup &s)
{
    QEventLoop loop;
    bool answered = false;
    const QMetaObject::Connection connection = QObject::connect(
        s.link, &AbstractDataLink::packetReceived, &loop, [&](DatalinkChannelId channel, const QByteArray &packet) {
            if (channel == 0 && packet.size() >= 6 && uint8_t(packet[4]) == VersionMessageType) {
                answered = true;
                loop.quit();
            }
        });
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    QByteArray request;
    DatalinkCommChannel::appendVersionRequest(request);
    s.link->sendPacket(0, true, PacketFrame::build(0, request).value());
    loop.exec();
    QObject::disconnect(connection);
    return answered;
}

void ReliablePayloadThroughput(benchmark::State &state)
{
    const QByteArray payload(PacketFrame::MaxPayloadSize, '\x5A');
    qint64 bytes = 0;
    double seconds = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < FramesPerBurst; ++i) {
            setup->manager.write(BulkChannel, true, payload);
            if (i % FramesPerTurn == FramesPerTurn - 1)
                QCoreApplication::processEvents();
        }
        if (!awaitVersionReply(*setup)) {
            state.SkipWithError("no version reply");
            return;
        }
        const double elapsed = double(timer.nsecsElapsed()) / 1e9;
        state.SetIterationTime(elapsed);
        seconds += elapsed;
        bytes += qint64(FramesPerBurst) * payload.size();
    }
    state.SetBytesProcessed(bytes);
    setup->reliableMBps = seconds > 0 ? double(bytes) / seconds / 1e6 : 0;
}
BENCHMARK(ReliablePayloadThroughput)->UseManualTime()->Iterations(40);

void FirmwareUploadThroughput(benchmark::State &state)
{
    qint64 bytes = 0;
    double seconds = 0;
    for (auto _ : state) {
        auto buffer = QSharedPointer<QBuffer>::create();
        buffer->setData(setup->image);
        SoftwareUpdate::UpdateState outcome = SoftwareUpdate::Started;
        QEventLoop loop;
        const QMetaObject::Connection connection = QObject::connect(
            setup->update.get(), &SoftwareUpdate::UpdateStateChanged, &loop, [&](SoftwareUpdate::UpdateState value) {
                if (value == SoftwareUpdate::UpdateFinished || value == SoftwareUpdate::UpdateError
                    || value == SoftwareUpdate::TimedOut) {
                    outcome = value;
                    loop.quit();
                }
            });
        QTimer::singleShot(120000, &loop, &QEventLoop::quit);
        QElapsedTimer timer;
        timer.start();
        setup->update->startUpdateFromMemory(buffer, SoftwareUpdate::BoardFirmware);
        loop.exec();
        QObject::disconnect(connection);
        if (outcome != SoftwareUpdate::UpdateFinished) {
            state.SkipWithError("the upload did not finish");
            return;
        }
        const double elapsed = double(timer.nsecsElapsed()) / 1e9;
        state.SetIterationTime(elapsed);
        seconds += elapsed;
        bytes += ImageSize;
    }
    state.SetBytesProcessed(bytes);
    setup->uploadMBps = seconds > 0 ? double(bytes) / seconds / 1e6 : 0;
}
BENCHMARK(FirmwareUploadThroughput)->UseManualTime()->Iterations(4);

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

    if (s.reliableMBps > 0)
        std::printf("Reliable payload throughput over TLS: %.1f MB/s\n", s.reliableMBps);
    if (s.uploadMBps > 0)
        std::printf("Firmware upload throughput over TLS: %.1f MB/s\n", s.uploadMBps);
    if (s.reliableMBps > 0 && s.uploadMBps > 0)
        std::printf("Upload / reliable channel: %.0f%% (goal: at least 60%%)\n", 100.0 * s.uploadMBps / s.reliableMBps);
    s.update.reset();
    s.board.kill();
    s.board.waitForFinished();
    return 0;
}
