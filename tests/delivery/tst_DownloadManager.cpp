#include "DownloadManager.h"

#include "StoragePeer.h"
#include "support/ExternalTools.h"
#include "support/TestTls.h"

#include <QFutureWatcher>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

using namespace std::chrono_literals;

namespace {

// What a download left in the target's place.
enum class FileAfter { NewBody, OldBody, Empty, Absent };

// "*" in an expected result list stands for the network layer's own error text.
const QString kAnyNetworkError = QStringLiteral("*");
const QString kCouldNotWrite = QStringLiteral("Could not write to file");
const QString kSuccess = QStringLiteral("success");

QByteArray bodyOfSize(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 131 + (i >> 12)) & 0xFF);
    return bytes;
}

} // namespace

Q_DECLARE_METATYPE(FileAfter)

// Downloads against the storage peer on loopback, over HTTP and HTTPS, with every
// failure the peer can show. Each download is checked for its whole result sequence,
// the single finish, and what the target file holds afterwards.
class tst_DownloadManager : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_storageDir;
    QTemporaryDir m_localDir;
    std::unique_ptr<StoragePeer> m_http;
    std::unique_ptr<StoragePeer> m_https;
    TestTls m_tls;
    const QByteArray m_oldBody = QByteArray(20000, 'o');
    const QByteArray m_body = bodyOfSize(12345);

    struct Outcome
    {
        QList<DownloadResult> results;
        int finishedCount = 0;
    };

    // Runs one download to the end and returns everything its future delivered.
    static Outcome download(DownloadManager &manager, const QUrl &url, const QString &path)
    {
        QFutureWatcher<DownloadResult> watcher;
        QSignalSpy finished(&watcher, &QFutureWatcher<DownloadResult>::finished);
        watcher.setFuture(manager.downloadToFile(url, path));
        Outcome outcome;
        if (!finished.wait(20000) && finished.isEmpty())
            return outcome;
        // A second finish would arrive with the first; give it the chance.
        QTest::qWait(20);
        outcome.finishedCount = int(finished.size());
        outcome.results = watcher.future().results();
        return outcome;
    }

    static QStringList describe(const QList<DownloadResult> &results)
    {
        QStringList texts;
        for (const DownloadResult &result : results)
            texts.append(result.success ? kSuccess : result.pathOrError);
        return texts;
    }

    static bool matches(const QStringList &actual, const QStringList &expected)
    {
        if (actual.size() != expected.size())
            return false;
        for (qsizetype i = 0; i < actual.size(); ++i) {
            if (expected.at(i) == kAnyNetworkError) {
                if (actual.at(i).isEmpty() || actual.at(i) == kCouldNotWrite || actual.at(i) == kSuccess)
                    return false;
            } else if (actual.at(i) != expected.at(i)) {
                return false;
            }
        }
        return true;
    }

    QString localPath(const QString &name) const { return m_localDir.filePath(name); }

    // Nothing but the target itself may remain: no temporary files beside it.
    void verifyNoLeftovers(const QString &target)
    {
        const QStringList entries = QDir(QFileInfo(target).absolutePath()).entryList(QDir::Files | QDir::Hidden);
        for (const QString &entry : entries)
            QVERIFY2(entry == QFileInfo(target).fileName(), qPrintable(QStringLiteral("left behind: ") + entry));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_storageDir.isValid());
        QVERIFY(m_localDir.isValid());
        QVERIFY(ExternalTools::writeFile(m_storageDir.filePath(QStringLiteral("halvora/firmware.bin")), m_body));
        QVERIFY(ExternalTools::writeFile(m_storageDir.filePath(QStringLiteral("halvora/notice.xml")),
                                         "<?xml version=\"1.0\"?><Notice><Code>Kept</Code></Notice>"));
        QVERIFY(ExternalTools::writeFile(m_storageDir.filePath(QStringLiteral("halvora/error-as-file.xml")),
                                         "<?xml version=\"1.0\"?><Error><Code>ServerBusy</Code></Error>"));

        m_http = std::make_unique<StoragePeer>(m_storageDir.path());
        QVERIFY(m_http->start());
        QVERIFY(m_tls.create(m_storageDir.filePath(QStringLiteral("tls"))));
        m_tls.trustForClients();
        m_https = std::make_unique<StoragePeer>(m_storageDir.path());
        m_https->setTlsConfiguration(m_tls.serverConfiguration());
        QVERIFY(m_https->start());
        m_http->setSlowPace(700, 5ms);
        m_https->setSlowPace(700, 5ms);
    }

    void routes_data()
    {
        QTest::addColumn<bool>("tls");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("blob");
        QTest::addColumn<bool>("oldFile");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("contentType");
        QTest::addColumn<FileAfter>("fileAfter");
        QTest::addColumn<QString>("storageCode");

        const QString octets = QStringLiteral("application/octet-stream");
        const QString firmware = QStringLiteral("firmware.bin");
        const QString missing = QStringLiteral("missing.bin");
        const QStringList success{kSuccess};
        const QStringList refused{kCouldNotWrite, kAnyNetworkError};
        const QStringList networkError{kAnyNetworkError};

        QTest::newRow("new file") << false << "" << firmware << false << success << octets << FileAfter::NewBody << "";
        QTest::newRow("over a longer old file, no old tail")
            << false << "" << firmware << true << success << octets << FileAfter::NewBody << "";
        QTest::newRow("no content type") << false << "notype" << firmware << true << success << "" << FileAfter::NewBody
                                         << "";
        QTest::newRow("empty body replaces the old file")
            << false << "empty" << firmware << true << success << octets << FileAfter::Empty << "";
        QTest::newRow("slow body in many pieces")
            << false << "slow" << firmware << true << success << octets << FileAfter::NewBody << "";
        QTest::newRow("XML body of another kind is data")
            << false << ""
            << "notice.xml" << false << success << octets << FileAfter::NewBody << "";
        QTest::newRow("storage error document, old file kept")
            << false << "" << missing << true << refused << "" << FileAfter::OldBody << "BlobNotFound";
        QTest::newRow("storage error document, nothing written")
            << false << "" << missing << false << refused << "" << FileAfter::Absent << "BlobNotFound";
        QTest::newRow("error document split over many reads")
            << false << "slow" << missing << true << refused << "" << FileAfter::OldBody << "BlobNotFound";
        QTest::newRow("error document served with status 200")
            << false << ""
            << "error-as-file.xml" << true << refused << "" << FileAfter::OldBody << "ServerBusy";
        QTest::newRow("HTML error page is not written")
            << false << "html500" << firmware << true << networkError << "" << FileAfter::OldBody << "";
        QTest::newRow("HTML error page, nothing written")
            << false << "html500" << firmware << false << networkError << "" << FileAfter::Absent << "";
        QTest::newRow("body cut half way, old file kept")
            << false << "cut" << firmware << true << networkError << "" << FileAfter::OldBody << "";
        QTest::newRow("body cut half way, nothing written")
            << false << "cut" << firmware << false << networkError << "" << FileAfter::Absent << "";
        QTest::newRow("https new file") << true << "" << firmware << true << success << octets << FileAfter::NewBody
                                        << "";
        QTest::newRow("https storage error document")
            << true << "" << missing << true << refused << "" << FileAfter::OldBody << "BlobNotFound";
        QTest::newRow("https body cut half way")
            << true << "cut" << firmware << true << networkError << "" << FileAfter::OldBody << "";
        QTest::newRow("https slow body") << true << "slow" << firmware << false << success << octets
                                         << FileAfter::NewBody << "";
    }
    void routes()
    {
        QFETCH(bool, tls);
        QFETCH(QString, fault);
        QFETCH(QString, blob);
        QFETCH(bool, oldFile);
        QFETCH(QStringList, expected);
        QFETCH(QString, contentType);
        QFETCH(FileAfter, fileAfter);
        QFETCH(QString, storageCode);

        StoragePeer &peer = tls ? *m_https : *m_http;
        const QUrl base = fault.isEmpty() ? peer.baseUrl() : peer.faultUrl(fault);
        const QUrl url(base.toString() + QStringLiteral("halvora/") + blob);
        const QString target = localPath(QStringLiteral("target-%1").arg(QTest::currentDataTag()).replace(' ', '_'));
        QFile::remove(target);
        if (oldFile)
            QVERIFY(ExternalTools::writeFile(target, m_oldBody));
        if (!storageCode.isEmpty())
            QTest::ignoreMessage(
                QtDebugMsg,
                qPrintable(QStringLiteral("Error occured while downloading from Azure: \"%1\"").arg(storageCode)));

        DownloadManager manager;
        const Outcome outcome = download(manager, url, target);

        QCOMPARE(outcome.finishedCount, 1);
        const QStringList actual = describe(outcome.results);
        QVERIFY2(matches(actual, expected), qPrintable(actual.join(QStringLiteral(" | "))));
        if (outcome.results.constLast().success) {
            QCOMPARE(outcome.results.constLast().pathOrError, target);
            QCOMPARE(outcome.results.constLast().contentType, contentType);
        }
        for (const DownloadResult &result : outcome.results) {
            if (!result.success)
                QVERIFY(result.contentType.isEmpty());
        }

        switch (fileAfter) {
        case FileAfter::NewBody:
            QCOMPARE(ExternalTools::sha256sumHex(target),
                     ExternalTools::sha256sumHex(m_storageDir.filePath(QStringLiteral("halvora/") + blob)));
            break;
        case FileAfter::OldBody:
            QCOMPARE(ExternalTools::readFile(target), m_oldBody);
            break;
        case FileAfter::Empty:
            QVERIFY(QFileInfo(target).isFile());
            QCOMPARE(QFileInfo(target).size(), 0);
            break;
        case FileAfter::Absent:
            QVERIFY(!QFileInfo::exists(target));
            break;
        }
        QFile::remove(target);
        verifyNoLeftovers(target);
    }

    void unwritableDestinationSendsNoRequest()
    {
        m_http->clearRequests();
        DownloadManager manager;
        const Outcome outcome = download(manager, QUrl(m_http->baseUrl().toString() + "halvora/firmware.bin"),
                                         localPath(QStringLiteral("no/such/folder/firmware.bin")));
        QCOMPARE(outcome.finishedCount, 1);
        QCOMPARE(describe(outcome.results), QStringList{QStringLiteral("Could not open output file")});
        QTest::qWait(50);
        QVERIFY(m_http->requests().isEmpty());
        QVERIFY(!QFileInfo::exists(localPath(QStringLiteral("no"))));
    }

    void unreachableStorage()
    {
        // A port that was just free on loopback: the connection is refused.
        quint16 port = 0;
        {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost));
            port = probe.serverPort();
        }
        const QString target = localPath(QStringLiteral("unreachable.bin"));
        QVERIFY(ExternalTools::writeFile(target, m_oldBody));
        DownloadManager manager;
        const Outcome outcome =
            download(manager, QUrl(QStringLiteral("http://127.0.0.1:%1/halvora/firmware.bin").arg(port)), target);
        QCOMPARE(outcome.finishedCount, 1);
        QVERIFY(matches(describe(outcome.results), {kAnyNetworkError}));
        QCOMPARE(ExternalTools::readFile(target), m_oldBody);
        QFile::remove(target);
        verifyNoLeftovers(target);
    }

    // A connection that goes silent ends in a failure once the transfer limit passes,
    // instead of holding the download open for ever.
    void stalledTransferEnds()
    {
        const QString target = localPath(QStringLiteral("stalled.bin"));
        QVERIFY(ExternalTools::writeFile(target, m_oldBody));
        DownloadManager manager;
        manager.setTransferTimeout(300ms);
        const Outcome outcome = download(
            manager, QUrl(m_http->faultUrl(QStringLiteral("stall")).toString() + "halvora/firmware.bin"), target);
        QCOMPARE(outcome.finishedCount, 1);
        QVERIFY(matches(describe(outcome.results), {kAnyNetworkError}));
        QCOMPARE(ExternalTools::readFile(target), m_oldBody);
        QFile::remove(target);
        verifyNoLeftovers(target);
    }

    // The disk refuses the body part way (a file-size limit stands in for a full disk):
    // the transfer is aborted and the old file is kept.
    void writeFailureAbortsAndKeepsOldFile()
    {
        const QByteArray large = bodyOfSize(2 * 1024 * 1024);
        QVERIFY(ExternalTools::writeFile(m_storageDir.filePath(QStringLiteral("halvora/large.bin")), large));
        const QString target = localPath(QStringLiteral("limited.bin"));
        QVERIFY(ExternalTools::writeFile(target, m_oldBody));

        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved;
        limited.rlim_cur = 256 * 1024;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
        DownloadManager manager;
        const Outcome outcome = download(manager, QUrl(m_http->baseUrl().toString() + "halvora/large.bin"), target);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);

        QCOMPARE(outcome.finishedCount, 1);
        const QStringList actual = describe(outcome.results);
        QVERIFY2(matches(actual, {kCouldNotWrite, kAnyNetworkError}), qPrintable(actual.join(" | ")));
        QCOMPARE(ExternalTools::readFile(target), m_oldBody);
        QFile::remove(target);
        verifyNoLeftovers(target);
    }

    void largeBodyArrivesWhole()
    {
        const QString source = m_storageDir.filePath(QStringLiteral("halvora/eight-mib.bin"));
        QVERIFY(ExternalTools::writeFile(source, bodyOfSize(8 * 1024 * 1024 + 7)));
        const QString target = localPath(QStringLiteral("eight-mib.bin"));
        DownloadManager manager;
        const Outcome outcome = download(manager, QUrl(m_https->baseUrl().toString() + "halvora/eight-mib.bin"),
                                         target);
        QCOMPARE(describe(outcome.results), QStringList{kSuccess});
        QCOMPARE(ExternalTools::sha256sumHex(target), ExternalTools::sha256sumHex(source));
        QFile::remove(target);
        QFile::remove(source);
    }

    void progressReachesTheBodySize()
    {
        const QString target = localPath(QStringLiteral("progress.bin"));
        DownloadManager manager;
        QFutureWatcher<DownloadResult> watcher;
        QSignalSpy finished(&watcher, &QFutureWatcher<DownloadResult>::finished);
        QSignalSpy progress(&watcher, &QFutureWatcher<DownloadResult>::progressValueChanged);
        watcher.setFuture(manager.downloadToFile(
            QUrl(m_http->faultUrl(QStringLiteral("slow")).toString() + "halvora/firmware.bin"), target));
        QVERIFY(finished.wait(20000));
        QVERIFY(progress.size() > 1);
        QCOMPARE(watcher.progressMaximum(), int(m_body.size()));
        QCOMPARE(watcher.progressValue(), int(m_body.size()));
        int previous = -1;
        for (const QList<QVariant> &arguments : progress) {
            QVERIFY(arguments.at(0).toInt() > previous);
            previous = arguments.at(0).toInt();
        }
        QFile::remove(target);
    }

    // The reply may report the same count again, or even a smaller one: the future's
    // progress still only ever rises, and its end is reported once.
    void progressNeverRepeatsOrGoesBack()
    {
        const QString target = localPath(QStringLiteral("repeated.bin"));
        DownloadManager manager;
        manager.setTransferTimeout(1000ms);
        QFutureWatcher<DownloadResult> watcher;
        QSignalSpy finished(&watcher, &QFutureWatcher<DownloadResult>::finished);
        QSignalSpy progress(&watcher, &QFutureWatcher<DownloadResult>::progressValueChanged);
        watcher.setFuture(manager.downloadToFile(
            QUrl(m_http->faultUrl(QStringLiteral("stall")).toString() + "halvora/firmware.bin"), target));
        // The storage sends one piece and falls silent; the reply then reports for itself.
        QTRY_VERIFY(!progress.isEmpty());
        auto *reply = manager.findChild<QNetworkReply *>();
        QVERIFY(reply);
        const qint64 total = m_body.size();
        const qint64 first = progress.constLast().at(0).toLongLong();
        for (const qint64 received : {first, first, first + 10, first + 5, total, total, total - 1, total}) {
            emit reply->downloadProgress(received, total);
            QTest::qWait(50); // beyond the future's pace of progress reports
        }
        QVERIFY(finished.wait(20000));
        QList<int> values;
        for (const QList<QVariant> &arguments : progress)
            values << arguments.at(0).toInt();
        for (qsizetype i = 1; i < values.size(); ++i)
            QVERIFY2(values[i] > values[i - 1], qPrintable(QDebug::toString(values)));
        QCOMPARE(values.constLast(), int(total));
        QFile::remove(target);
    }

    // Downloads run side by side, each into its own file.
    void concurrentDownloadsStayApart()
    {
        DownloadManager manager;
        QFutureWatcher<DownloadResult> good;
        QFutureWatcher<DownloadResult> bad;
        QSignalSpy goodFinished(&good, &QFutureWatcher<DownloadResult>::finished);
        QSignalSpy badFinished(&bad, &QFutureWatcher<DownloadResult>::finished);
        QTest::ignoreMessage(QtDebugMsg, "Error occured while downloading from Azure: \"BlobNotFound\"");
        good.setFuture(manager.downloadToFile(
            QUrl(m_http->faultUrl(QStringLiteral("slow")).toString() + "halvora/firmware.bin"), localPath("a.bin")));
        bad.setFuture(manager.downloadToFile(QUrl(m_https->baseUrl().toString() + "halvora/missing.bin"),
                                             localPath("b.bin")));
        QVERIFY(goodFinished.wait(20000) || !goodFinished.isEmpty());
        QVERIFY(!badFinished.isEmpty() || badFinished.wait(20000));
        QCOMPARE(describe(good.future().results()), QStringList{kSuccess});
        QVERIFY(!bad.future().results().constFirst().success);
        QCOMPARE(ExternalTools::readFile(localPath("a.bin")), m_body);
        QVERIFY(!QFileInfo::exists(localPath("b.bin")));
        QFile::remove(localPath("a.bin"));
    }
};

QTEST_GUILESS_MAIN(tst_DownloadManager)
#include "tst_DownloadManager.moc"
