#include "BoardLogFiles.h"
#include "ErrorHandler.h"
#include "LogBoardRig.h"
#include "LogCommandQueue.h"
#include "OstDeviceLogEntry.h"

#include <QSignalSpy>
#include <QTest>

#include <cmath>

namespace {

QStringList names(const OstDeviceLogProducer *producer)
{
    QStringList listed;
    for (const OstDeviceLogEntry *entry : producer->entries())
        listed << entry->logFileName();
    return listed;
}

boardlogs::Log boardLog(const QByteArray &serial, int counter, int records = 20)
{
    boardlogs::Log log;
    log.serial = QString::fromLatin1(serial);
    log.counter = counter;
    log.records = records;
    return log;
}

// The texts of the notifications posted so far.
QStringList notifications()
{
    QStringList texts;
    for (const AbstractNotification *notification : ErrorHandler::instance()->getNotificationList())
        texts << notification->getMessage();
    return texts;
}

using FileEntry = FileControlChannel::DirEntry;

} // namespace

// The logs of a board attached to its producer, against simulated boards: the
// listing of the board's "/log", downloads into the producer's folder, removals on
// the board one at a time, the storage figures, and what is left when the board
// leaves.
class tst_BoardLogTransfer : public QObject
{
    Q_OBJECT

private slots:
    void init() { LogBoardRig::freshLogData(); }

    void listingKeepsBoardLogsOnly()
    {
        LogBoardRig rig;
        BoardSimulator *board = rig.board("SN-0001");
        const QString folder = LogBoardRig::logFolder(board);
        const boardlogs::Log log = boardLog("SN-0001", 1);
        boardlogs::write(folder, log);
        boardlogs::write(folder, boardLog("SN-0001", 2), "b.HLF");
        QDir(folder).mkdir("c.hlf");
        boardlogs::writeGarbage(folder, "d.hlf", 0);
        boardlogs::writeGarbage(folder, "..\\..\\escape.hlf");
        boardlogs::writeGarbage(folder, "bell\a.hlf");

        OstDeviceLogProducer *producer = rig.connectAndList(board);
        QVERIFY(producer);
        QCOMPARE(names(producer), QStringList{log.name()});
        QVERIFY(producer->entries()[0]->isOnDevice());
        QCOMPARE(producer->totalStorageSize(), 1000u);
        QCOMPARE(producer->usedStorage(), 0.75f);
        QCOMPARE(producer->deviceType(), "Zelto Development board");

        // Names with folders in them, as a board could send them.
        const QList<FileEntry> hostile{{{}, 8, 100, "../../escape.hlf"},
                                       {{}, 8, 100, "sub/x.hlf"},
                                       {{}, 8, 100, "/abs.hlf"},
                                       {{}, 8, 100, log.name()}};
        QMetaObject::invokeMethod(producer, "handleOstDeviceLogDirListCompleted",
                                  Q_ARG(FileControlChannel::ResponseCode, FileControlChannel::Success),
                                  Q_ARG(QList<FileControlChannel::DirEntry>, hostile));
        QCOMPARE(names(producer), QStringList{log.name()});

        // Gone from the board: a log that is only there leaves the list.
        QFile::remove(folder + "/" + log.name());
        QSignalSpy changed(producer, &OstDeviceLogProducer::LogListChanged);
        QVERIFY(LogBoardRig::relist(producer));
        QTRY_COMPARE(names(producer), QStringList());
    }

    void storageFigures_data()
    {
        QTest::addColumn<uint>("status");
        QTest::addColumn<bool>("taken");
        QTest::newRow("mounted") << 2u << true;
        QTest::newRow("other status") << 0u << false;
    }
    void storageFigures()
    {
        QFETCH(uint, status);
        QFETCH(bool, taken);
        LogBoardRig rig;
        BoardSimulator *board = rig.board("SN-0001");
        LogBoardRig::files(board)->setStorage({2000000, 500000, status});
        OstDeviceLogProducer *producer = rig.connectAndList(board);
        QVERIFY(producer);
        QCOMPARE(producer->totalStorageSize(), taken ? 2000u : 0u);
        QCOMPARE(std::isnan(producer->usedStorage()), !taken);
    }

    void fileServiceOpensWhenTheScreenShows()
    {
        LogBoardRig rig(false);
        BoardSimulator *board = rig.board("SN-0001");
        boardlogs::write(LogBoardRig::logFolder(board), boardLog("SN-0001", 1));
        QPointer<Zelto> zelto = rig.connect(board);
        QVERIFY(zelto);
        OstDeviceLogProducer *producer = rig.producer("SN-0001");
        QVERIFY(producer && producer->deviceIsConnected());
        QTest::qWait(200);
        QVERIFY(!zelto->fileControl());
        QVERIFY(producer->entries().isEmpty());

        rig.downloader.setVisibility(true);
        QTRY_COMPARE(producer->entries().size(), 1);
    }

    void download()
    {
        LogBoardRig rig;
        BoardSimulator *board = rig.board("SN-0001");
        LogBoardRig::files(board)->setDownloadChunk(100);
        const boardlogs::Log log = boardLog("SN-0001", 1);
        boardlogs::write(LogBoardRig::logFolder(board), log);
        OstDeviceLogProducer *producer = rig.connectAndList(board);
        QVERIFY(producer);
        OstDeviceLogEntry *entry = producer->findEntry(log.name());
        QSignalSpy progress(entry, &OstDeviceLogEntry::DownloadProgressChanged);
        QSignalSpy current(producer, &OstDeviceLogProducer::CurrentDownloadProgressChanged);
        QSignalSpy finished(entry, &OstDeviceLogEntry::DownloadFinished);

        entry->downloadLog();
        QVERIFY(finished.wait(5000));
        QCOMPARE(finished[0][0].toBool(), true);
        QVERIFY(progress.size() > 3);
        QCOMPARE(progress.last()[0].toFloat(), 1.0f);
        QVERIFY(current.size() > 3);
        QCOMPARE(producer->currentDownloadProgress(), 0.0f);
        QVERIFY(entry->hasLocalFile() && entry->isOnDevice() && entry->isLocalFileValid());
        QCOMPARE(entry->localFilePath(), producer->folder().filePath(log.name()));
        QCOMPARE(QDir(producer->folder()).entryList({"*.hlf*"}), QStringList{log.name()});
        QFile copy(entry->localFilePath());
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(), log.bytes());

        // There is a copy already: nothing is asked of the board.
        const int downloads = LogBoardRig::requestsOf(board, BoardFileService::Download);
        entry->downloadLog();
        QCOMPARE(finished.size(), 2);
        QCOMPARE(finished[1][0].toBool(), false);
        QTest::qWait(100);
        QCOMPARE(LogBoardRig::requestsOf(board, BoardFileService::Download), downloads);
    }

    void noDownloadWhileAModelRuns()
    {
        LogBoardRig rig;
        BoardSimulator *board = rig.board("SN-0001");
        const boardlogs::Log log = boardLog("SN-0001", 1);
        boardlogs::write(LogBoardRig::logFolder(board), log);
        OstDeviceLogProducer *producer = rig.connectAndList(board);
        QVERIFY(producer);
        LogBoardRig::control(board)->state().appStatus = ControlChannel::Running;
        QTRY_COMPARE(producer->device()->getAppRunningState(), ControlChannel::Running);

        OstDeviceLogEntry *entry = producer->findEntry(log.name());
        QSignalSpy finished(entry, &OstDeviceLogEntry::DownloadFinished);
        entry->downloadLog();
        QCOMPARE(finished.size(), 1);
        QCOMPARE(entry->getDownloadProgress(), 0.0f);
        QVERIFY(notifications().contains("Can't download log file while a model is running on the device. Please "
                                         "stop the model before retrying."));
        QTest::qWait(100);
        QCOMPARE(LogBoardRig::requestsOf(board, BoardFileService::Download), 0);
        QVERIFY(!entry->hasLocalFile());
    }

    // A board that leaves in the middle of a download leaves no partial log behind,
    // and the log can be downloaded once it is back.
    void downloadCutOffThenRetried()
    {
        LogBoardRig rig;
        BoardSimulator *board = rig.board("SN-0001");
        const boardlogs::Log log = boardLog("SN-0001", 1, 2000);
        boardlogs::write(LogBoardRig::logFolder(board), log);
        OstDeviceLogProducer *producer = rig.connectAndList(board);
        QVERIFY(producer);
        // A local copy keeps the entry when the board goes.
        boardlogs::write(producer->folder().path(), boardLog("SN-0001", 7));
        producer->initLocalLogs();
        QCOMPARE(producer->entries().size(), 2);

        LogBoardRig::files(board)->setDownloadChunk(1000);
        LogBoardRig::files(board)->setFault(BoardFileService::Fault::StopMidway);
        OstDeviceLogEntry *entry = producer->findEntry(log.name());
        QPointer<OstDeviceLogEntry> watched = entry;
        QSignalSpy finished(entry, &OstDeviceLogEntry::DownloadFinished);
        entry->downloadLog();
        QTRY_VERIFY(entry->getDownloadProgress() > 0);
        QVERIFY(QFile::exists(producer->folder().filePath(log.name() + ".part")));

        QVERIFY(rig.unplug(board));
        QCOMPARE(finished.size(), 1);
        QCOMPARE(finished[0][0].toBool(), false);
        QTRY_VERIFY(!watched); // it was only on the board
        QCOMPARE(producer->entries().size(), 1);
        QCOMPARE(producer->currentDownloadProgress(), 0.0f);
        QVERIFY(!producer->deviceIsConnected());
        QCOMPARE(QDir(producer->folder()).entryList({"*.hlf*"}), QStringList{boardLog("SN-0001", 7).name()});

        LogBoardRig::files(board)->setFault(BoardFileService::Fault::None);
        QCOMPARE(rig.connectAndList(board), producer);
        entry = producer->findEntry(log.name());
        QVERIFY(entry);
        QSignalSpy again(entry, &OstDeviceLogEntry::DownloadFinished);
        entry->downloadLog();
        QVERIFY(again.wait(5000));
        QCOMPARE(again[0][0].toBool(), true);
        QVERIFY(entry->hasLocalFile() && entry->isLocalFileValid());
    }

    // Every download waits its turn; one that fails does not hold up the rest.
    void queueOfDownloadsWithOneFailing()
    {
        LogBoardRig rig;
        BoardSimulator *board = rig.board("SN-0001");
        const QString folder = LogBoardRig::logFolder(board);
        const QList<boardlogs::Log> logs{boardLog("SN-0001", 1), boardLog("SN-0001", 2), boardLog("SN-0001", 3)};
        for (const boardlogs::Log &log : logs)
            boardlogs::write(folder, log);
        OstDeviceLogProducer *producer = rig.connectAndList(board);
        QVERIFY(producer);
        QCOMPARE(producer->entries().size(), 3);
        // The second log vanishes from the board before its turn.
        QFile::remove(folder + "/" + logs[1].name());

        LogCommandQueue queue;
        QSignalSpy complete(&queue, &LogCommandQueue::queueComplete);
        for (OstDeviceLogEntry *entry : producer->entries())
            queue.scheduleDownload(entry);
        QVERIFY(complete.wait(10000));
        QCOMPARE(complete.size(), 1);
        QVERIFY(producer->findEntry(logs[0].name())->hasLocalFile());
        QVERIFY(!producer->findEntry(logs[1].name())->hasLocalFile());
        QVERIFY(producer->findEntry(logs[2].name())->hasLocalFile());
        QCOMPARE(LogBoardRig::requestsOf(board, BoardFileService::Download), 3);
        QVERIFY(notifications().contains("There is something wrong with the log file. You can find the file at "
                                         + producer->folder().filePath(logs[1].name())
                                         + ", but you cannot export it to Matlab."));
        QCOMPARE(QDir(producer->folder()).entryList({"*.part"}), QStringList());
    }

    // The downloads that wait when the board leaves end at once: the queue never
    // waits for a board that is gone.
    void queuedDownloadsWhenTheBoardLeaves()
    {
        LogBoardRig rig;
        BoardSimulator *board = rig.board("SN-0001");
        for (int counter = 1; counter <= 3; ++counter)
            boardlogs::write(LogBoardRig::logFolder(board), boardLog("SN-0001", counter, 2000));
        OstDeviceLogProducer *producer = rig.connectAndList(board);
        QVERIFY(producer);
        // A local log keeps the producer when the board goes.
        const boardlogs::Log local = boardLog("SN-0001", 9);
        boardlogs::write(producer->folder().path(), local);
        producer->initLocalLogs();
        LogBoardRig::files(board)->setDownloadChunk(1000);
        LogBoardRig::files(board)->setFault(BoardFileService::Fault::StopMidway);

        LogCommandQueue queue;
        QSignalSpy complete(&queue, &LogCommandQueue::queueComplete);
        for (OstDeviceLogEntry *entry : producer->entries())
            if (entry->isOnDevice())
                queue.scheduleDownload(entry);
        QTRY_VERIFY(producer->currentDownloadProgress() > 0);
        QVERIFY(rig.unplug(board));
        QTRY_COMPARE(complete.size(), 1);
        QVERIFY(!queue.currentCommand());
        QCOMPARE(LogBoardRig::requestsOf(board, BoardFileService::Download), 1);
        QTRY_COMPARE(producer->entries().size(), 1);
        QCOMPARE(QDir(producer->folder()).entryList({"*.part", "*.hlf"}), QStringList{local.name()});
    }

    void removalsOneAtATime()
    {
        LogBoardRig rig;
        BoardSimulator *board = rig.board("SN-0001");
        const QString folder = LogBoardRig::logFolder(board);
        for (int counter = 1; counter <= 3; ++counter)
            boardlogs::write(folder, boardLog("SN-0001", counter));
        OstDeviceLogProducer *producer = rig.connectAndList(board);
        QVERIFY(producer);
        QSignalSpy deleting(producer, &OstDeviceLogProducer::deletingOnDeviceChanged);

        producer->removeAllZeltoLogs();
        QVERIFY(producer->deletingOnDevice());
        QCOMPARE(deleting.size(), 1);
        // Shown on the board until the board confirms.
        QCOMPARE(producer->entries().size(), 3);
        QTRY_VERIFY(!producer->deletingOnDevice());
        QCOMPARE(deleting.size(), 2);
        QCOMPARE(LogBoardRig::requestsOf(board, BoardFileService::RemoveFile), 3);
        QTRY_COMPARE(producer->entries().size(), 0);
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList());
    }

    // The log screen hands over the rows it has selected in the sorted list.
    void removingSelectedLogs()
    {
        LogBoardRig rig;
        BoardSimulator *board = rig.board("SN-0001");
        const QString folder = LogBoardRig::logFolder(board);
        for (int counter = 1; counter <= 3; ++counter) {
            boardlogs::Log log = boardLog("SN-0001", counter);
            log.date = log.date.addDays(counter);
            boardlogs::write(folder, log);
        }
        OstDeviceLogProducer *producer = rig.connectAndList(board);
        QVERIFY(producer);
        // Newest first: rows 0 and 1 are the logs counted 3 and 2.
        producer->removeSelectedZeltoLogs(producer->getRangeLogsSelection(0, 1).indexes());
        QTRY_COMPARE(producer->entries().size(), 1);
        QCOMPARE(producer->entries()[0]->logCounter(), 1);
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{producer->entries()[0]->logFileName()});
    }

    void failedRemovalEmptiesTheQueue()
    {
        LogBoardRig rig;
        BoardSimulator *board = rig.board("SN-0001");
        const QString folder = LogBoardRig::logFolder(board);
        for (int counter = 1; counter <= 3; ++counter)
            boardlogs::write(folder, boardLog("SN-0001", counter));
        OstDeviceLogProducer *producer = rig.connectAndList(board);
        QVERIFY(producer);
        LogBoardRig::files(board)->setFault(BoardFileService::Fault::ErrorResponse);

        producer->removeAllZeltoLogs();
        QTRY_VERIFY(!producer->deletingOnDevice());
        QCOMPARE(LogBoardRig::requestsOf(board, BoardFileService::RemoveFile), 1);
        QCOMPARE(producer->entries().size(), 3);
        for (const OstDeviceLogEntry *entry : producer->entries())
            QVERIFY(entry->isOnDevice());
        QVERIFY(notifications().contains("Could not remove " + producer->entries()[0]->logFileName()
                                         + " from the device."));

        // The next removal is sent again.
        LogBoardRig::files(board)->setFault(BoardFileService::Fault::None);
        producer->entries()[0]->removeFileOnDevice();
        QTRY_COMPARE(producer->entries().size(), 2);
    }

    void boardLeavesDuringRemovals()
    {
        LogBoardRig rig;
        BoardSimulator *board = rig.board("SN-0001");
        for (int counter = 1; counter <= 3; ++counter)
            boardlogs::write(LogBoardRig::logFolder(board), boardLog("SN-0001", counter));
        QPointer<OstDeviceLogProducer> producer = rig.connectAndList(board);
        QVERIFY(producer);
        boardlogs::write(producer->folder().path(), boardLog("SN-0001", 9)); // keeps the producer
        producer->initLocalLogs();
        LogBoardRig::files(board)->setFault(BoardFileService::Fault::Silent);
        producer->removeAllZeltoLogs();
        QVERIFY(producer->deletingOnDevice());

        QVERIFY(rig.unplug(board));
        QVERIFY(!producer->deletingOnDevice());
    }

    // The board's replies are handled once also when the board announces its file
    // service a second time.
    void secondAnnouncementOfTheFileService()
    {
        LogBoardRig rig;
        BoardSimulator *board = rig.board("SN-0001");
        boardlogs::write(LogBoardRig::logFolder(board), boardLog("SN-0001", 1));
        boardlogs::write(LogBoardRig::logFolder(board), boardLog("SN-0001", 2));
        OstDeviceLogProducer *producer = rig.connectAndList(board);
        QVERIFY(producer);
        Zelto *zelto = producer->device();
        emit zelto->FileControlOpenedClosed(zelto->fileControl());

        producer->removeAllZeltoLogs();
        QTRY_VERIFY(!producer->deletingOnDevice());
        QTRY_COMPARE(producer->entries().size(), 0);
        QCOMPARE(LogBoardRig::requestsOf(board, BoardFileService::RemoveFile), 2);
    }

    void boardLeaves()
    {
        LogBoardRig rig;
        BoardSimulator *board = rig.board("SN-0001");
        for (int counter = 1; counter <= 5; ++counter)
            boardlogs::write(LogBoardRig::logFolder(board), boardLog("SN-0001", counter));
        OstDeviceLogProducer *producer = rig.connectAndList(board);
        QVERIFY(producer);
        for (int counter = 10; counter <= 11; ++counter)
            boardlogs::write(producer->folder().path(), boardLog("SN-0001", counter));
        producer->initLocalLogs();
        QCOMPARE(producer->entries().size(), 7);
        QList<qsizetype> listedAtChange;
        connect(producer, &OstDeviceLogProducer::LogListChanged, this,
                [&] { listedAtChange << producer->entries().size(); });

        QVERIFY(rig.unplug(board));
        QTRY_COMPARE(producer->entries().size(), 2);
        QTest::qWait(50);
        // The refresh when the selection clears, then one change for the five removals.
        QCOMPARE(listedAtChange, (QList<qsizetype>{7, 2}));
        QCOMPARE(producer->totalStorageSize(), 0u);
        QVERIFY(std::isnan(producer->usedStorage()));
        QCOMPARE(producer->deviceType(), "Zelto Development board"); // from its folder now
    }
};

QTEST_MAIN(tst_BoardLogTransfer)
#include "tst_BoardLogTransfer.moc"
