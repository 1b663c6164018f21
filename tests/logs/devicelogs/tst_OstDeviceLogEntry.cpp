#include "BoardLogFiles.h"
#include "LogFileNames.h"
#include "MatDump.h"
#include "OstDeviceLogEntry.h"

#include <QDir>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

using DirEntry = OstDeviceLogEntry::DirEntry;

DirEntry boardFile(const QString &name, uint32_t size, uint16_t type = DirEntry::RegularFile)
{
    return DirEntry{QDateTime::currentDateTimeUtc(), type, size, name};
}

} // namespace

// One log of one board: its identity from its name or its header, where it exists,
// its local copy's validity, and the operations the log screen offers on it.
class tst_OstDeviceLogEntry : public QObject
{
    Q_OBJECT

    QTemporaryDir m_folder;

private slots:
    void nameRules_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("counter");
        QTest::addColumn<QDateTime>("date");
        QTest::addColumn<QString>("model");
        const QDateTime date(QDate(2024, 5, 6), QTime(7, 8, 9));
        QTest::newRow("board log") << "[7]x_2024-05-06_07-08-09.hlf" << 7 << date << "";
        QTest::newRow("six sections") << "A_B_C_D_E_F.hlf" << 0 << QDateTime() << "B C";
        QTest::newRow("model words") << "[12]run_drive_test_v2_2024-05-06_07-08-09.hlf" << 12 << date << "drive test";
        QTest::newRow("counter not a number") << "[x]a_2024-05-06_07-08-09.hlf" << 0 << date << "";
        QTest::newRow("brackets the wrong way") << "]3[a.hlf" << 0 << QDateTime() << "";
        QTest::newRow("short name") << "a.hlf" << 0 << QDateTime() << "";
    }
    void nameRules()
    {
        QFETCH(QString, name);
        QFETCH(int, counter);
        QFETCH(QDateTime, date);
        QFETCH(QString, model);
        QCOMPARE(logname::counter(name), counter);
        QCOMPARE(logname::creationDate(name), date);
        QCOMPARE(logname::modelName(name), model);
    }

    void sizeTexts_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << qint64(0) << "0B";
        QTest::newRow("1023") << qint64(1023) << "1023B";
        QTest::newRow("1024") << qint64(1024) << "1KiB";
        QTest::newRow("1536") << qint64(1536) << "1KiB";
        QTest::newRow("5 MiB and a byte") << (qint64(5) << 20) + 1 << "5MiB";
        QTest::newRow("2^30") << (qint64(1) << 30) << "1GiB";
        QTest::newRow("negative") << qint64(-5) << "0B";
    }
    void sizeTexts()
    {
        QFETCH(qint64, bytes);
        QFETCH(QString, text);
        QCOMPARE(logname::sizeText(bytes), text);
    }

    // Board serials and log names from boards and headers become folder and file names.
    void pathComponents_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("safe");
        QTest::newRow("serial") << "SN-0001" << true;
        QTest::newRow("dots inside") << "x..y.hlf" << true;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("dot") << "." << false;
        QTest::newRow("dot dot") << ".." << false;
        QTest::newRow("parent folder") << "../x.hlf" << false;
        QTest::newRow("sub folder") << "a/b.hlf" << false;
        QTest::newRow("backslash") << "..\\x.hlf" << false;
        QTest::newRow("drive") << "C:x.hlf" << false;
        QTest::newRow("control character") << QString("a\x01.hlf") << false;
        QTest::newRow("line feed") << QString("a\n.hlf") << false;
    }
    void pathComponents()
    {
        QFETCH(QString, name);
        QFETCH(bool, safe);
        QCOMPARE(logname::isSafeComponent(name), safe);
    }

    void boardEntry()
    {
        const QString name = "[7]x_2024-05-06_07-08-09.hlf";
        OstDeviceLogEntry entry(nullptr, "SN-0001", boardFile(name, 2048));
        QVERIFY(entry.isAccepted());
        QCOMPARE(entry.property("logCounter").toInt(), 7);
        QCOMPARE(entry.property("createDate").toDateTime(), QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9)));
        QCOMPARE(entry.property("fileSize").toString(), "2KiB");
        QCOMPARE(entry.property("fileSizeBytes").toInt(), 2048);
        QVERIFY(entry.property("hasOnOstDeviceLink").toBool());
        QVERIFY(!entry.property("hasLocalFile").toBool());
        QVERIFY(entry.property("isLocalFileValid").toBool());
        QCOMPARE(entry.property("fileName").toString(), name);
        QCOMPARE(entry.property("serialNumber").toString(), "SN-0001");
    }

    void boardEntriesThatAreRefused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<uint>("size");
        QTest::newRow("empty log") << "[1]a_2024-05-06_07-08-09.hlf" << 0u;
        QTest::newRow("leads out of the folder") << "../[1]a_2024-05-06_07-08-09.hlf" << 100u;
        QTest::newRow("backslashes") << "..\\..\\a.hlf" << 100u;
        QTest::newRow("control character") << QString("a\x07.hlf") << 100u;
    }
    void boardEntriesThatAreRefused()
    {
        QFETCH(QString, name);
        QFETCH(uint, size);
        OstDeviceLogEntry entry(nullptr, "SN-0001", boardFile(name, size));
        QVERIFY(!entry.isAccepted());
    }

    void localEntry_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("counter");
        QTest::addColumn<QString>("logFileName");
        QTest::newRow("its own board's log")
            << "good" << true << true << 42 << "[42]drive_test_2024-05-06_07-08-09.hlf";
        QTest::newRow("another board's log")
            << "other serial" << false << true << 42 << "[42]drive_test_2024-05-06_07-08-09.hlf";
        QTest::newRow("unreadable header") << "garbage" << true << false << 3 << "[3]junk_2024-01-02_03-04-05.hlf";
        QTest::newRow("header names a path") << "hostile name" << true << false << 0 << "renamed.hlf";
        QTest::newRow("empty file") << "empty" << true << true << 0 << "";
    }
    void localEntry()
    {
        QFETCH(QString, kind);
        QFETCH(bool, accepted);
        QFETCH(bool, valid);
        QFETCH(int, counter);
        QFETCH(QString, logFileName);
        QTemporaryDir folder;
        boardlogs::Log log;
        log.counter = 42;
        QString path;
        if (kind == "good") {
            path = boardlogs::write(folder.path(), log);
        } else if (kind == "other serial") {
            log.serial = "SN-9999";
            path = boardlogs::write(folder.path(), log);
        } else if (kind == "garbage") {
            path = boardlogs::writeGarbage(folder.path(), "[3]junk_2024-01-02_03-04-05.hlf");
        } else if (kind == "hostile name") {
            log.model = "../../escape";
            path = boardlogs::write(folder.path(), log, "renamed.hlf");
        } else {
            path = boardlogs::writeGarbage(folder.path(), "empty.hlf", 0);
        }
        OstDeviceLogEntry entry(nullptr, "SN-0001", path);
        QCOMPARE(entry.isAccepted(), accepted);
        QCOMPARE(entry.isLocalFileValid(), valid);
        QCOMPARE(entry.logCounter(), counter);
        QCOMPARE(entry.logFileName(), logFileName);
        QVERIFY(!entry.isOnDevice());
        if (kind == "good")
            QCOMPARE(entry.createDate(), log.date);
    }

    // A local copy that turns up for a board log: taken only when it is that log of
    // that board, and marked invalid when its size is not the board's.
    void attachLocalFile()
    {
        QTemporaryDir folder;
        boardlogs::Log log;
        const QString path = boardlogs::write(folder.path(), log);
        const qint64 size = QFileInfo(path).size();

        OstDeviceLogEntry matching(nullptr, log.serial, boardFile(log.name(), uint32_t(size)));
        QSignalSpy hasLocal(&matching, &OstDeviceLogEntry::HasLocalFileChanged);
        QVERIFY(matching.attachLocalFile(path));
        QCOMPARE(hasLocal.size(), 1);
        QVERIFY(hasLocal[0][0].toBool());
        QVERIFY(matching.isLocalFileValid());
        QCOMPARE(matching.localFilePath(), path);

        OstDeviceLogEntry resized(nullptr, log.serial, boardFile(log.name(), uint32_t(size + 10)));
        QVERIFY(resized.attachLocalFile(path));
        QVERIFY(!resized.isLocalFileValid());

        OstDeviceLogEntry otherLog(nullptr, log.serial, boardFile("[2]other_2024-05-06_07-08-09.hlf", 10));
        QVERIFY(!otherLog.attachLocalFile(path));
        OstDeviceLogEntry otherBoard(nullptr, "SN-0002", boardFile(log.name(), uint32_t(size)));
        QVERIFY(!otherBoard.attachLocalFile(path));
        QVERIFY(!otherBoard.attachLocalFile(folder.filePath("missing.hlf")));
    }

    void boardListingUpdates()
    {
        OstDeviceLogEntry entry(nullptr, "SN-0001", boardFile("[1]a_2024-05-06_07-08-09.hlf", 100));
        QSignalSpy remove(&entry, &OstDeviceLogEntry::RequestRemove);
        QSignalSpy onBoard(&entry, &OstDeviceLogEntry::IsOnOstDeviceChanged);
        QSignalSpy sizeChanged(&entry, &OstDeviceLogEntry::fileSizeChanged);

        entry.setDeviceFileInfo(boardFile("[1]a_2024-05-06_07-08-09.hlf", 300));
        QCOMPARE(sizeChanged.size(), 1);
        QCOMPARE(entry.size(), 300);

        // A listing during the log's download leaves the download's progress alone.
        entry.beginDownload();
        entry.setDownloadProgress(0.5f);
        entry.setDeviceFileInfo(boardFile("[1]a_2024-05-06_07-08-09.hlf", 300));
        QCOMPARE(entry.getDownloadProgress(), 0.5f);
        entry.finishDownload(false);
        QCOMPARE(entry.getDownloadProgress(), 0.0f);

        // Gone from the board and not here: it asks to be removed, once.
        entry.setDeviceFileInfo(std::nullopt);
        entry.setDeviceFileInfo(std::nullopt);
        QCOMPARE(remove.size(), 1);
        QVERIFY(entry.removalRequested());
        QCOMPARE(onBoard.size(), 1);
        QVERIFY(!entry.isOnDevice());
    }

    void removingCopies()
    {
        QTemporaryDir folder;
        boardlogs::Log log;
        const QString path = boardlogs::write(folder.path(), log);
        OstDeviceLogEntry both(nullptr, log.serial, boardFile(log.name(), uint32_t(QFileInfo(path).size())));
        QVERIFY(both.attachLocalFile(path));
        QSignalSpy hasLocal(&both, &OstDeviceLogEntry::HasLocalFileChanged);
        QSignalSpy remove(&both, &OstDeviceLogEntry::RequestRemove);
        QSignalSpy removeOnBoard(&both, &OstDeviceLogEntry::RemoveOnOstDevice);

        // The local copy goes to the trash; the board copy keeps the entry.
        both.removeLocalFile();
        QVERIFY(!QFile::exists(path));
        QCOMPARE(hasLocal.size(), 1);
        QVERIFY(!hasLocal[0][0].toBool());
        QVERIFY(remove.isEmpty());
        QCOMPARE(both.property("fileName").toString(), log.name());

        // The board copy counts as gone only once the board confirms it.
        both.removeFileOnDevice();
        QCOMPARE(removeOnBoard.size(), 1);
        QCOMPARE(removeOnBoard[0][0].toString(), "/log/" + log.name());
        QVERIFY(both.isOnDevice());
        QVERIFY(remove.isEmpty());

        const QString localPath = boardlogs::write(folder.path(), log);
        OstDeviceLogEntry localOnly(nullptr, log.serial, localPath);
        QSignalSpy localRemove(&localOnly, &OstDeviceLogEntry::RequestRemove);
        QSignalSpy localRemoveOnBoard(&localOnly, &OstDeviceLogEntry::RemoveOnOstDevice);
        localOnly.removeFileOnDevice();
        QVERIFY(localRemoveOnBoard.isEmpty());
        QVERIFY(localRemove.isEmpty());
        localOnly.removeLocalFile();
        QCOMPARE(localRemove.size(), 1);
        QVERIFY(!QFile::exists(localPath));
    }

    void renameThenConvert()
    {
        QTemporaryDir folder;
        boardlogs::Log log;
        OstDeviceLogEntry entry(nullptr, log.serial, boardlogs::write(folder.path(), log));
        QSignalSpy nameChanged(&entry, &OstDeviceLogEntry::FileNameChanged);

        QVERIFY(!entry.renameFile("../outside.hlf"));
        QVERIFY(!entry.renameFile("a/b.hlf"));
        QVERIFY(entry.renameFile("new.hlf"));
        QCOMPARE(nameChanged.size(), 1);
        QCOMPARE(entry.property("fileName").toString(), "new.hlf");
        QVERIFY(QFile::exists(folder.filePath("new.hlf")));
        QVERIFY(!QFile::exists(folder.filePath(log.name())));
        // The board copy keeps its name.
        QCOMPARE(entry.logFileName(), log.name());

        const QString output = folder.filePath("out.mat");
        entry.parseLog(QUrl::fromLocalFile(output).toString());
        QTRY_VERIFY(!entry.isConverting());
        const QJsonObject mat = matdump::read(output);
        QVERIFY(mat.contains("speed"));
    }

    // A second conversion while one runs would have two threads write one MAT-file.
    void oneConversionAtATime()
    {
        QTemporaryDir folder;
        boardlogs::Log log;
        log.records = 20000;
        OstDeviceLogEntry entry(nullptr, log.serial, boardlogs::write(folder.path(), log));
        QSignalSpy progress(&entry, &OstDeviceLogEntry::parseProgressChanged);
        const QString output = QUrl::fromLocalFile(folder.filePath("x.mat")).toString();

        entry.parseLog(output);
        QVERIFY(entry.isConverting());
        QTest::ignoreMessage(QtDebugMsg, "parsing is still in progress, wait for completion");
        entry.parseLog(output);
        QCOMPARE(entry.findChildren<QObject *>(QString(), Qt::FindDirectChildrenOnly).size(), 1);

        QTRY_VERIFY_WITH_TIMEOUT(!entry.isConverting(), 20000);
        QCOMPARE(progress.last()[0].toFloat(), 1.0f);
        QCOMPARE(entry.getParseProgress(), 0.0f);
        QVERIFY(QFile::exists(folder.filePath("x.mat")));
        // The converter goes with its conversion, and a new conversion may start.
        QTRY_COMPARE(entry.findChildren<QObject *>(QString(), Qt::FindDirectChildrenOnly).size(), 0);
        entry.parseLog(QUrl::fromLocalFile(folder.filePath("y.mat")).toString());
        QTRY_VERIFY_WITH_TIMEOUT(!entry.isConverting(), 20000);
        QVERIFY(QFile::exists(folder.filePath("y.mat")));
    }

    void noConversionWithoutLocalCopy()
    {
        OstDeviceLogEntry entry(nullptr, "SN-0001", boardFile("[1]a_2024-05-06_07-08-09.hlf", 100));
        entry.parseLog(QUrl::fromLocalFile(m_folder.filePath("never.mat")).toString());
        QVERIFY(!entry.isConverting());
        QVERIFY(entry.findChildren<QObject *>().isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_OstDeviceLogEntry)
#include "tst_OstDeviceLogEntry.moc"
