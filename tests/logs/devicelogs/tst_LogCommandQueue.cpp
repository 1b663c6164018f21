#include "BoardLogFiles.h"
#include "LogCommandQueue.h"
#include "LogDownloadCommand.h"
#include "MatDump.h"
#include "OstDeviceLogEntry.h"

#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// Stands in for the producer: takes the entries' download requests and ends each
// download when the test says so, or refuses every request at once.
struct Boards
{
    QTemporaryDir folder;
    QObject owner;
    QList<OstDeviceLogEntry *> requests;
    bool refuseAll = false;

    OstDeviceLogEntry *boardLog(int counter)
    {
        boardlogs::Log log;
        log.counter = counter;
        const qint64 size = log.bytes().size();
        auto *entry = new OstDeviceLogEntry(&owner, log.serial,
                                            OstDeviceLogEntry::DirEntry{QDateTime::currentDateTimeUtc(), 8,
                                                                        uint32_t(size), log.name()});
        QObject::connect(entry, &OstDeviceLogEntry::DownloadFromOstDevice, &owner, [this, entry] {
            requests << entry;
            if (refuseAll) {
                entry->finishDownload(false);
                return;
            }
            entry->beginDownload();
        });
        return entry;
    }

    // The download's data arrives and the local copy is attached, as the producer does.
    void succeed(OstDeviceLogEntry *entry)
    {
        boardlogs::Log log;
        log.counter = entry->logCounter();
        entry->setDownloadProgress(1.0f);
        QVERIFY(entry->attachLocalFile(boardlogs::write(folder.path(), log)));
        entry->finishDownload(true);
    }
};

bool queued(const OstDeviceLogEntry *entry)
{
    return entry->property("queuedForDownload").toBool();
}

} // namespace

// Downloads and conversions of board logs, one at a time: when a command ends, what
// becomes of waiting commands whose log goes away, and that a conversion runs once.
class tst_LogCommandQueue : public QObject
{
    Q_OBJECT

private slots:
    void downloadsRunOneAtATime()
    {
        Boards boards;
        LogCommandQueue queue;
        QSignalSpy complete(&queue, &LogCommandQueue::queueComplete);
        OstDeviceLogEntry *a = boards.boardLog(1), *b = boards.boardLog(2), *c = boards.boardLog(3);

        queue.scheduleDownload(a);
        queue.scheduleDownload(b);
        queue.scheduleDownload(c);
        queue.scheduleDownload(c); // waits already
        QCOMPARE(boards.requests, (QList<OstDeviceLogEntry *>{a}));
        QVERIFY(!queued(a) && queued(b) && queued(c));
        QCOMPARE(queue.waitingCommands().size(), 2);

        // Progress alone, even a reset to 0 by a listing, does not end a download.
        a->setDownloadProgress(0.4f);
        a->setDeviceFileInfo(OstDeviceLogEntry::DirEntry{{}, 8, uint32_t(a->size()), a->logFileName()});
        a->setDownloadProgress(0.0f);
        QCOMPARE(boards.requests.size(), 1);

        boards.succeed(a);
        QCOMPARE(boards.requests, (QList<OstDeviceLogEntry *>{a, b}));
        boards.succeed(b);
        QVERIFY(complete.isEmpty());
        boards.succeed(c);
        QCOMPARE(boards.requests, (QList<OstDeviceLogEntry *>{a, b, c}));
        QCOMPARE(complete.size(), 1);
        QVERIFY(!queue.currentCommand());
        QVERIFY(a->hasLocalFile() && b->hasLocalFile() && c->hasLocalFile());
    }

    void refusedDownloadsEndAtOnce()
    {
        Boards boards;
        boards.refuseAll = true;
        LogCommandQueue queue;
        QSignalSpy complete(&queue, &LogCommandQueue::queueComplete);
        OstDeviceLogEntry *a = boards.boardLog(1), *b = boards.boardLog(2);
        queue.scheduleDownload(a);
        queue.scheduleDownload(b);
        QCOMPARE(boards.requests, (QList<OstDeviceLogEntry *>{a, b}));
        QCOMPARE(complete.size(), 2); // after each, nothing was left
        QVERIFY(!queue.currentCommand());
        QCOMPARE(a->getDownloadProgress(), 0.0f);
    }

    // When the queue runs empty it tells how many of its downloads brought nothing, so
    // that the screen never reports failed downloads as done; the next run counts anew.
    void failedDownloadsOfARun_data()
    {
        QTest::addColumn<QStringList>("outcomes");
        QTest::addColumn<int>("failed");
        QTest::newRow("all downloaded") << QStringList{"ok", "ok"} << 0;
        QTest::newRow("one of three fails") << QStringList{"ok", "fails", "ok"} << 1;
        QTest::newRow("every one fails") << QStringList{"fails", "fails"} << 2;
        QTest::newRow("log gone while downloading") << QStringList{"gone", "ok"} << 1;
        QTest::newRow("refused") << QStringList{"refused"} << 1;
    }
    void failedDownloadsOfARun()
    {
        QFETCH(QStringList, outcomes);
        QFETCH(int, failed);
        Boards boards;
        LogCommandQueue queue;
        QSignalSpy complete(&queue, &LogCommandQueue::queueComplete);
        int failedAtCompletion = -1;
        connect(&queue, &LogCommandQueue::queueComplete, this,
                [&] { failedAtCompletion = queue.property("failedDownloads").toInt(); });

        boards.refuseAll = outcomes == QStringList{"refused"};
        for (int counter = 1; counter <= outcomes.size(); ++counter)
            queue.scheduleDownload(boards.boardLog(counter));
        for (const QString &outcome : std::as_const(outcomes)) {
            if (outcome == "refused")
                break;
            QVERIFY(queue.currentCommand());
            OstDeviceLogEntry *running = queue.currentCommand()->entry();
            if (outcome == "ok")
                boards.succeed(running);
            else if (outcome == "fails")
                running->finishDownload(false);
            else
                delete running;
        }
        QCOMPARE(complete.size(), 1);
        QCOMPARE(failedAtCompletion, failed);
        QCOMPARE(queue.failedDownloads(), failed);

        boards.refuseAll = false;
        OstDeviceLogEntry *next = boards.boardLog(outcomes.size() + 1);
        queue.scheduleDownload(next);
        boards.succeed(next);
        QCOMPARE(complete.size(), 2);
        QCOMPARE(failedAtCompletion, 0);
    }

    void takingBackWaitingDownloads()
    {
        Boards boards;
        LogCommandQueue queue;
        QSignalSpy complete(&queue, &LogCommandQueue::queueComplete);
        OstDeviceLogEntry *a = boards.boardLog(1), *b = boards.boardLog(2), *c = boards.boardLog(3);
        queue.scheduleDownload(a);
        queue.scheduleDownload(b);
        queue.scheduleDownload(c);

        QVERIFY(queue.unschedule(b));
        QVERIFY(!queued(b));
        QVERIFY(!queue.unschedule(a)); // running
        QVERIFY(!queue.unschedule(b)); // not waiting any more

        queue.clearSchedule();
        QVERIFY(!queued(c));
        QCOMPARE(queue.currentCommand()->entry(), a);
        boards.succeed(a);
        QCOMPARE(boards.requests, (QList<OstDeviceLogEntry *>{a}));
        QCOMPARE(complete.size(), 1);
    }

    // A board that leaves takes its board-only logs along, also those the queue holds.
    void logsThatGoAwayWhileQueued()
    {
        Boards boards;
        LogCommandQueue queue;
        QSignalSpy complete(&queue, &LogCommandQueue::queueComplete);
        OstDeviceLogEntry *a = boards.boardLog(1), *b = boards.boardLog(2), *c = boards.boardLog(3);
        OstDeviceLogEntry *d = boards.boardLog(4);
        queue.scheduleDownload(a);
        queue.scheduleDownload(b);
        queue.scheduleDownload(c);
        queue.scheduleDownload(d);

        delete b;
        boards.requests.clear();
        boards.succeed(a);
        QCOMPARE(boards.requests, (QList<OstDeviceLogEntry *>{c}));

        // The running one goes: the queue moves on.
        delete c;
        QCOMPARE(boards.requests.last(), d);
        boards.succeed(d);
        QCOMPARE(complete.size(), 1);

        // A command without a log ends at once.
        queue.scheduleCommand(new LogDownloadCommand(nullptr));
        QCOMPARE(complete.size(), 2);
    }

    void queueGoesWithItsCommands()
    {
        Boards boards;
        OstDeviceLogEntry *a = boards.boardLog(1), *b = boards.boardLog(2);
        {
            LogCommandQueue queue;
            queue.scheduleDownload(a);
            queue.scheduleDownload(b);
            QVERIFY(queued(b));
        }
        QVERIFY(!queued(b));
        // The running download is the producer's; its end reaches nobody.
        boards.succeed(a);
    }

    // The MAT-file is named after the log, in the folder chosen, and written once.
    void convertingALocalCopy()
    {
        Boards boards;
        QTemporaryDir output;
        OstDeviceLogEntry *a = boards.boardLog(1);
        OstDeviceLogEntry *b = boards.boardLog(2);
        LogCommandQueue queue;
        QSignalSpy complete(&queue, &LogCommandQueue::queueComplete);

        queue.scheduleDownload(a);
        queue.scheduleDownloadAndParse(b, QUrl::fromLocalFile(output.path()));
        // The waiting command's log gets its copy another way: nothing converts yet.
        boards.succeed(b);
        QVERIFY(!b->isConverting());

        boards.succeed(a);
        QCOMPARE(boards.requests, (QList<OstDeviceLogEntry *>{a})); // b had its copy: no download
        QCOMPARE(complete.size(), 1);
        QVERIFY(b->isConverting());
        QTRY_VERIFY_WITH_TIMEOUT(!b->isConverting(), 20000);
        const QString mat = output.filePath(b->logFileName() + ".mat");
        QVERIFY(QFile::exists(mat));
        QVERIFY(matdump::read(mat).contains("speed"));
        QCOMPARE(QDir(output.path()).entryList(QDir::Files), QStringList{b->logFileName() + ".mat"});
    }

    void downloadingThenConverting_data()
    {
        QTest::addColumn<bool>("downloaded");
        QTest::newRow("download succeeds") << true;
        QTest::newRow("download fails") << false;
    }
    void downloadingThenConverting()
    {
        QFETCH(bool, downloaded);
        Boards boards;
        QTemporaryDir output;
        OstDeviceLogEntry *a = boards.boardLog(1);
        LogCommandQueue queue;
        queue.scheduleDownloadAndParse(a, QUrl::fromLocalFile(output.path()));
        QCOMPARE(boards.requests, (QList<OstDeviceLogEntry *>{a}));
        if (downloaded)
            boards.succeed(a);
        else
            a->finishDownload(false);
        QVERIFY(!queue.currentCommand());
        QCOMPARE(a->isConverting(), downloaded);
        QTRY_VERIFY_WITH_TIMEOUT(!a->isConverting(), 20000);
        QCOMPARE(QFile::exists(output.filePath(a->logFileName() + ".mat")), downloaded);
    }
};

QTEST_GUILESS_MAIN(tst_LogCommandQueue)
#include "tst_LogCommandQueue.moc"
