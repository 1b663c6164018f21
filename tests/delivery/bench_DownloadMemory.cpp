// Measured run: downloads a large body from the storage peer on loopback and prints
// how much the peak resident memory of the process grew meanwhile. The body streams
// through a small buffer, so the growth should stay far below the body's size.
// Under AddressSanitizer run it with ASAN_OPTIONS=quarantine_size_mb=1, or freed
// buffers held in quarantine count as resident.
//   bench_DownloadMemory [size in MiB, default 64]
#include "DownloadManager.h"
#include "StoragePeer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFutureWatcher>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

qint64 peakResidentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').constFirst().toLongLong();
    }
    return -1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const qint64 mebibytes = argc > 1 ? QByteArray(argv[1]).toLongLong() : 64;
    QTextStream out(stdout);

    QTemporaryDir storage;
    QTemporaryDir local;
    {
        QFile body(storage.filePath(QStringLiteral("halvora/large.bin")));
        QDir().mkpath(storage.filePath(QStringLiteral("halvora")));
        if (!body.open(QIODevice::WriteOnly))
            return 1;
        QByteArray block(1024 * 1024, Qt::Uninitialized);
        for (qint64 i = 0; i < mebibytes; ++i) {
            block.fill(char(i));
            body.write(block);
        }
    }

    StoragePeer peer(storage.path());
    if (!peer.start())
        return 1;
    DownloadManager manager;
    QFutureWatcher<DownloadResult> watcher;
    QObject::connect(&watcher, &QFutureWatcher<DownloadResult>::finished, &app, &QCoreApplication::quit);

    const qint64 before = peakResidentKiB();
    QElapsedTimer timer;
    timer.start();
    watcher.setFuture(manager.downloadToFile(QUrl(peer.baseUrl().toString() + QStringLiteral("halvora/large.bin")),
                                             local.filePath(QStringLiteral("large.bin"))));
    app.exec();
    const qint64 after = peakResidentKiB();

    const bool ok = !watcher.future().results().isEmpty() && watcher.future().results().constLast().success
                    && QFileInfo(local.filePath(QStringLiteral("large.bin"))).size() == mebibytes * 1024 * 1024;
    out << "body: " << mebibytes << " MiB, " << (ok ? "complete" : "FAILED") << ", " << timer.elapsed() << " ms\n"
        << "peak resident memory: " << before << " KiB before, " << after << " KiB after, growth " << (after - before)
        << " KiB\n";
    return ok ? 0 : 1;
}
