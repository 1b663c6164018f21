// The rosbridge client against the rosbridge peer running as a process of its own, on
// loopback: the round trip of a service call (goal: a median under 1 ms) and how many
// published topic messages the client takes in per second.

#include "RosBridgeClient.h"
#include "WebSocketClient.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFutureWatcher>
#include <QLoggingCategory>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>
#include "HalvoraTestPaths.h"

namespace {

constexpr int MessagesPerBurst = 20000;

struct Setup
{
    QTemporaryDir folder;
    QProcess peer;
    std::unique_ptr<RosBridgeClient> client;
    std::vector<double> roundTripsMs;
    double messagesPerSecond = 0;
};

Setup *setup = nullptr;

bool startPeer(Setup &s)
{
    const QString script = s.folder.filePath(QStringLiteral("robot.json"));
    QFile file(script);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(R"({"services": {"/interface/echo": {"values": {"success": true, "message": ""}}}})");
    file.close();
    s.peer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    s.peer.start(QStringLiteral(ROSBRIDGE_PEER),
                 {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--script"), script});
    QByteArray output;
    while (!output.contains('\n') && s.peer.waitForReadyRead(10000))
        output += s.peer.readAllStandardOutput();
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("ws://127\\.0\\.0\\.1:(\\d+)")).match(QString::fromUtf8(output));
    if (!match.hasMatch())
        return false;

    s.client = std::make_unique<RosBridgeClient>();
    QFuture<bool> attempt = s.client->connect(QStringLiteral("127.0.0.1"), quint16(match.captured(1).toUInt()));
    QEventLoop loop;
    QFutureWatcher<bool> watcher;
    QObject::connect(&watcher, &QFutureWatcher<bool>::finished, &loop, &QEventLoop::quit);
    watcher.setFuture(attempt);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    return attempt.isFinished() && attempt.result();
}

void RoundTripOfAServiceCall(benchmark::State &state)
{
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        QFuture<RosBridgeClient::ServiceCallResponse> call =
            setup->client->callService(QStringLiteral("/interface/echo"), QJsonObject(), 10000);
        while (!call.isFinished())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const double seconds = double(timer.nsecsElapsed()) / 1e9;
        if (call.resultCount() != 1) {
            state.SkipWithError("the call failed");
            return;
        }
        setup->roundTripsMs.push_back(seconds * 1e3);
        state.SetIterationTime(seconds);
    }
}
BENCHMARK(RoundTripOfAServiceCall)->UseManualTime()->Iterations(2000);

// The peer publishes a burst; the client reads and dispatches every message to a
// subscription with a callback.
void PublishedMessagesReceived(benchmark::State &state)
{
    std::unique_ptr<RobotSubscription> subscription(
        setup->client->subscribe(QStringLiteral("/stream"), QStringLiteral("nav_msgs/Odometry"), nullptr));
    qint64 received = 0;
    subscription->onMessage([&](const QJsonObject &) { ++received; });
    // The peer learns of the subscription before the first burst.
    QEventLoop settle;
    QTimer::singleShot(200, &settle, &QEventLoop::quit);
    settle.exec();

    const QByteArray burst =
        QByteArray("burst ") + QByteArray::number(MessagesPerBurst)
        + R"( /stream {"pose":{"pose":{"position":{"x":1.5,"y":-2,"z":0},"orientation":{"x":0,"y":0,"z":0.7,"w":0.7}}},"twist":{"twist":{"linear":{"x":0.5,"y":0,"z":0}}}})"
        + '\n';
    double seconds = 0;
    qint64 total = 0;
    for (auto _ : state) {
        received = 0;
        QElapsedTimer timer;
        timer.start();
        setup->peer.write(burst);
        while (received < MessagesPerBurst && timer.elapsed() < 30000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const double elapsed = double(timer.nsecsElapsed()) / 1e9;
        if (received < MessagesPerBurst) {
            state.SkipWithError("not every message arrived");
            return;
        }
        state.SetIterationTime(elapsed);
        seconds += elapsed;
        total += received;
        setup->peer.readAllStandardOutput();
    }
    state.SetItemsProcessed(total);
    setup->messagesPerSecond = seconds > 0 ? double(total) / seconds : 0;
}
BENCHMARK(PublishedMessagesReceived)->UseManualTime()->Iterations(5);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false\n*.info=false"));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    Setup s;
    setup = &s;
    if (!startPeer(s)) {
        std::fprintf(stderr, "the rosbridge peer did not come up\n");
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    if (!s.roundTripsMs.empty()) {
        std::vector<double> sorted = s.roundTripsMs;
        std::nth_element(sorted.begin(), sorted.begin() + qsizetype(sorted.size() / 2), sorted.end());
        std::printf("Median round trip of a service call over loopback: %.3f ms (goal: under 1 ms)\n",
                    sorted[sorted.size() / 2]);
    }
    if (s.messagesPerSecond > 0)
        std::printf("Published messages received: %.0f per second\n", s.messagesPerSecond);
    s.client.reset();
    s.peer.write("quit\n");
    if (!s.peer.waitForFinished(5000))
        s.peer.kill();
    return 0;
}
