// Download of a 20 MB board log by the log downloader, from the board simulator
// running as a process of its own, over the Wi-Fi datalink with TLS on loopback: from
// the log entry's download request to its local copy, in MB/s (10^6 bytes per
// second). For comparison the same run measures the reliable channel's payload
// throughput of the same link (a burst of full frames, then a version request).
// Goal: the log download reaches at least 60% of the link's rate.

#include "BoardLogFiles.h"
#include "DatalinkCommChannel.h"
#include "DatalinkManager.h"
#include "FakeUsbBackend.h"
#include "LogDownloader.h"
#include "NetworkBoard.h"
#include "OstFactory.h"
#include "PacketFrame.h"
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

using namespace std::chrono_literals;

namespace {

constexpr int LogRecords = 1200 * 1000; // about 20 MB
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
    FakeUsbBackend bus;
    std::unique_ptr<OstFactory> factory;
    std::unique_ptr<LogDownloader> downloader;
    Zelto *zelto = nullptr;
    OstDeviceLogEntry *entry = nullptr;
    QString localCopy;
    qint64 logSize = 0;
    double downloadMBps = 0;
    double reliableMBps = 0;
};

Setup *setup = nullptr;

bool waitUntil(const std::function<bool()> &condition, int ms = 20000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

bool startBoard(Setup &s)
{
    QString error;
    boardlogs::Log log;
    log.serial = QStringLiteral("SN-BENCH");
    log.records = LogRecords;
    const QString path = boardlogs::write(s.folder.filePath("board/log"), log);
    s.logSize = QFileInfo(path).size();
    if (!s.certificates.create(s.folder.path(), &error)) {
        std::fprintf(stderr, "set-up failed: %s\n", qPrintable(error));
        return false;
    }
    const quint16 hostPort = NetworkBoard::freeDatagramPort();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_LOGGING_RULES", "*.debug=false");
    s.board.setProcessEnvironment(environment);
    s.board.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    s.board.start(QStringLiteral(BOARD_SIMULATOR),
                  {"--transport", "wifi", "--serial", "SN-BENCH", "--stream-port", "0", "--datagram-port", "0",
                   "--host-datagram-port", QString::number(hostPort), "--certificate",
                   s.certificates.boardCertificateFile(), "--private-key", s.certificates.boardKeyFile(), "--files",
                   s.folder.filePath("board")});
    QByteArray output;
    while (!output.contains('\n') && s.board.waitForReadyRead(10000))
        output += s.board.readAllStandardOutput();
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("stream (\\d+) datagrams (\\d+)")).match(QString::fromLatin1(output));
    if (!match.hasMatch()) {
        std::fprintf(stderr, "the simulator did not start: %s\n", output.constData());
        return false;
    }

    OstFactorySettings settings;
    settings.board.externalModePort = 0;
    settings.board.wifiLink.streamPort = quint16(match.captured(1).toUInt());
    settings.board.wifiLink.datagramPort = quint16(match.captured(2).toUInt());
    settings.board.wifiLink.localDatagramPort = hostPort;
    settings.board.wifiLink.certificateFolder = s.certificates.hostFolder();
    settings.board.wifiLink.fallbackBoardAddress = QStringLiteral("127.0.0.9");
    settings.usbBackend = &s.bus;
    s.factory = std::make_unique<OstFactory>(nullptr, settings);
    s.downloader = std::make_unique<LogDownloader>();
    QObject::connect(s.factory.get(), &OstFactory::ostDeviceConnected, s.downloader.get(),
                     &LogDownloader::ostDeviceConnected);
    s.downloader->setVisibility(true);
    s.factory->insertNetworkOstDevice(QStringLiteral("127.0.0.2"));
    if (!waitUntil([&s] {
            return s.downloader->producerList()->count() == 1
                   && s.downloader->producerList()->at(0)->entries().size() == 1;
        })) {
        std::fprintf(stderr, "the board's log was not listed\n");
        return false;
    }
    OstDeviceLogProducer *producer = s.downloader->producerList()->at(0);
    s.zelto = producer->device();
    s.entry = producer->entries().at(0);
    s.localCopy = producer->folder().filePath(log.name());
    return true;
}

// Sends a version request over the stream and waits for the board's reply.
bool awaitVersionReply(Setup &s)
{
    AbstractDataLink *link = s.zelto->getDatalink(AbstractDataLink::WiFi);
    bool answered = false;
    const QMetaObject::Connection connection = QObject::connect(
        link, &AbstractDataLink::packetReceived, [&](DatalinkChannelId channel, const QByteArray &packet) {
            answered = answered || (channel == 0 && packet.size() >= 6 && uint8_t(packet[4]) == VersionMessageType);
        });
    QByteArray request;
    DatalinkCommChannel::appendVersionRequest(request);
    link->sendPacket(0, true, PacketFrame::build(0, request).value());
    waitUntil([&answered] { return answered; }, 10000);
    QObject::disconnect(connection);
    return answered;
}

void ReliablePayloadThroughput(benchmark::State &state)
{
    const QByteArray payload(PacketFrame::MaxPayloadSize, '\x5A');
    DatalinkManager *manager = setup->zelto->getDatalinkManager();
    qint64 bytes = 0;
    double seconds = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < FramesPerBurst; ++i) {
            manager->write(BulkChannel, true, payload);
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

void LogDownloadThroughput(benchmark::State &state)
{
    qint64 bytes = 0;
    double seconds = 0;
    for (auto _ : state) {
        QFile::remove(setup->localCopy);
        bool finished = false;
        bool succeeded = false;
        const QMetaObject::Connection connection = QObject::connect(setup->entry, &OstDeviceLogEntry::DownloadFinished,
                                                                    [&](bool ok) {
                                                                        finished = true;
                                                                        succeeded = ok;
                                                                    });
        QElapsedTimer timer;
        timer.start();
        setup->entry->downloadLog();
        waitUntil([&finished] { return finished; }, 120000);
        QObject::disconnect(connection);
        if (!succeeded) {
            state.SkipWithError("the download failed");
            return;
        }
        const double elapsed = double(timer.nsecsElapsed()) / 1e9;
        state.SetIterationTime(elapsed);
        seconds += elapsed;
        bytes += setup->logSize;
    }
    if (QFileInfo(setup->localCopy).size() != setup->logSize)
        state.SkipWithError("the local copy has the wrong size");
    state.SetBytesProcessed(bytes);
    setup->downloadMBps = seconds > 0 ? double(bytes) / seconds / 1e6 : 0;
}
BENCHMARK(LogDownloadThroughput)->UseManualTime()->Iterations(5);

} // namespace

int main(int argc, char **argv)
{
    // The log downloader keeps its logs below the home folder: a throw-away one here.
    QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath("data")));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath("config")));
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false"));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    Setup s;
    setup = &s;
    if (!startBoard(s)) {
        std::fprintf(stderr, "the board's log could not be reached\n");
        return 1;
    }
    std::printf("Log of %.1f MB\n", double(s.logSize) / 1e6);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    if (s.reliableMBps > 0)
        std::printf("Reliable payload throughput over TLS: %.1f MB/s\n", s.reliableMBps);
    if (s.downloadMBps > 0)
        std::printf("Log download throughput over TLS: %.1f MB/s\n", s.downloadMBps);
    if (s.reliableMBps > 0 && s.downloadMBps > 0)
        std::printf("Log download / reliable channel: %.0f%% (goal: at least 60%%)\n",
                    100.0 * s.downloadMBps / s.reliableMBps);
    s.downloader.reset();
    s.factory.reset();
    s.board.kill();
    s.board.waitForFinished();
    return 0;
}
