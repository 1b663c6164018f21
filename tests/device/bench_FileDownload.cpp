// File download from the board simulator, running as a process of its own, over the
// Wi-Fi datalink with TLS on loopback: the file service's download into a file, in
// MB/s (10^6 bytes per second). For comparison the same run measures the reliable
// channel's payload throughput of the link as the Wi-Fi link benchmark does (a burst
// of full frames, then a version request). Goal: the download reaches at least 60%
// of the reliable channel's throughput.

#include "DatalinkCommChannel.h"
#include "DatalinkManager.h"
#include "FileControlChannel.h"
#include "NetworkBoard.h"
#include "PacketFrame.h"
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

constexpr qsizetype FileSize = 16 * 1024 * 1024;
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
    std::unique_ptr<FileControlChannel> files;
    double downloadMBps = 0;
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

bool makeBoardFiles(Setup &s)
{
    if (!s.folder.isValid() || !QDir(s.folder.path()).mkpath("board/logs"))
        return false;
    QFile file(s.folder.filePath("board/logs/big.hlf"));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray data(FileSize, Qt::Uninitialized);
    for (qsizetype i = 0; i < data.size(); ++i)
        data[i] = char((i * 131) >> 3);
    return file.write(data) == data.size();
}

bool startBoard(Setup &s)
{
    QString error;
    if (!makeBoardFiles(s) || !s.certificates.create(s.folder.path(), &error)) {
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
                   s.certificates.boardKeyFile(), "--files", s.folder.filePath("board")});
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
    s.files = std::make_unique<FileControlChannel>(nullptr, &s.manager);
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

void FileDownloadThroughput(benchmark::State &state)
{
    const QString output = setup->folder.filePath("download.hlf");
    qint64 bytes = 0;
    double seconds = 0;
    for (auto _ : state) {
        QFile::remove(output);
        FileControlChannel::ResponseCode response = FileControlChannel::Request;
        const QMetaObject::Connection connection =
            QObject::connect(setup->files.get(), &FileControlChannel::DownloadFileReceived,
                             [&response](FileControlChannel::ResponseCode code, const QString &) { response = code; });
        QElapsedTimer timer;
        timer.start();
        const bool started = setup->files->downloadFile("/logs/big.hlf", output) == 0;
        const bool done = started && waitFor(setup->files.get(), &FileControlChannel::DownloadFileReceived, 60000);
        QObject::disconnect(connection);
        if (!done || response != FileControlChannel::Success) {
            state.SkipWithError("the download failed");
            return;
        }
        const double elapsed = double(timer.nsecsElapsed()) / 1e9;
        state.SetIterationTime(elapsed);
        seconds += elapsed;
        bytes += FileSize;
    }
    if (QFileInfo(output).size() != FileSize)
        state.SkipWithError("the downloaded file has the wrong size");
    state.SetBytesProcessed(bytes);
    setup->downloadMBps = seconds > 0 ? double(bytes) / seconds / 1e6 : 0;
}
BENCHMARK(FileDownloadThroughput)->UseManualTime()->Iterations(8);

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
    if (s.downloadMBps > 0)
        std::printf("File download throughput over TLS: %.1f MB/s\n", s.downloadMBps);
    if (s.reliableMBps > 0 && s.downloadMBps > 0)
        std::printf("Download / reliable channel: %.0f%% (goal: at least 60%%)\n",
                    100.0 * s.downloadMBps / s.reliableMBps);
    s.files.reset();
    s.board.kill();
    s.board.waitForFinished();
    return 0;
}
