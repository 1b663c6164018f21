#include "BoardLogFiles.h"
#include "OstDeviceLogProducer.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

QDir logData()
{
    return QDir(QDir::homePath() + QStringLiteral("/HalvoraStudio/LogData"));
}

QString serialFolder(const QString &serial)
{
    return logData().filePath(serial);
}

boardlogs::Log log(int counter, int day = 6, int records = 20)
{
    boardlogs::Log made;
    made.counter = counter;
    made.date = QDateTime(QDate(2024, 5, day), QTime(7, 8, 9));
    made.records = records;
    return made;
}

QList<int> counters(const OstDeviceLogProducer &producer)
{
    QList<int> listed;
    for (const OstDeviceLogEntry *entry : producer.entries())
        listed << entry->logCounter();
    return listed;
}

// The sorted list's rows as the value of one role of each row's entry.
QVariantList column(const OstDeviceLogProducer &producer, const char *property)
{
    QVariantList values;
    const QSortFilterProxyModel *sorted = producer.sortedList();
    for (int row = 0; row < sorted->rowCount(); ++row)
        values << sorted->index(row, 0).data(Qt::UserRole).value<QObject *>()->property(property);
    return values;
}

} // namespace

// The local side of the logs of one board serial: its folder, the logs found there
// or imported, the order, sorting, filtering and selections the log screen uses,
// and the board's type name remembered in the folder.
class tst_OstDeviceLogProducer : public QObject
{
    Q_OBJECT

private slots:
    void init() { logData().removeRecursively(); }

    void entriesInCounterOrder()
    {
        for (int counter : {5, 2, 9})
            boardlogs::write(serialFolder("SN-0001"), log(counter));
        OstDeviceLogProducer producer(nullptr, "SN-0001");
        QVERIFY(producer.isValid());
        QCOMPARE(counters(producer), (QList<int>{2, 5, 9}));

        QTemporaryDir elsewhere;
        OstDeviceLogEntry *second = producer.addLocalLogFile(boardlogs::write(elsewhere.path(), log(5, 20)));
        QVERIFY(second);
        QCOMPARE(counters(producer), (QList<int>{2, 5, 5, 9}));
        QCOMPARE(producer.entries()[2], second);
    }

    void sortingAndFiltering()
    {
        // Newer logs are smaller here, so date and size order differ.
        for (int counter = 1; counter <= 5; ++counter)
            boardlogs::write(serialFolder("SN-0001"), log(counter, counter, 1000 * ((counter * 3) % 5 + 1)));
        OstDeviceLogProducer producer(nullptr, "SN-0001");
        QCOMPARE(column(producer, "logCounter"), (QVariantList{5, 4, 3, 2, 1}));

        producer.setSortColumn("fileSizeBytes", Qt::AscendingOrder);
        QVariantList sizes = column(producer, "fileSizeBytes");
        QCOMPARE(sizes.size(), 5);
        for (int row = 1; row < sizes.size(); ++row)
            QVERIFY(sizes[row - 1].toInt() < sizes[row].toInt());

        producer.setSortColumn("noSuchColumn", Qt::AscendingOrder);
        QCOMPARE(column(producer, "logCounter"), (QVariantList{1, 2, 3, 4, 5}));

        producer.setFilterQuery("*2024-05-02*");
        QCOMPARE(column(producer, "logCounter"), (QVariantList{2}));
        producer.setFilterQuery("*DRIVE*");
        QCOMPARE(producer.sortedList()->rowCount(), 5);
    }

    void rangeSelections_data()
    {
        QTest::addColumn<int>("a");
        QTest::addColumn<int>("b");
        QTest::addColumn<QList<int>>("rows");
        QTest::newRow("backwards") << 7 << 3 << QList<int>{3, 4};
        QTest::newRow("from before the start") << -2 << 1 << QList<int>{0, 1};
        QTest::newRow("one row") << 2 << 2 << QList<int>{2};
        QTest::newRow("all") << 0 << 4 << QList<int>{0, 1, 2, 3, 4};
        QTest::newRow("beyond the end") << 9 << 12 << QList<int>{};
    }
    void rangeSelections()
    {
        QFETCH(int, a);
        QFETCH(int, b);
        QFETCH(QList<int>, rows);
        for (int counter = 1; counter <= 5; ++counter)
            boardlogs::write(serialFolder("SN-0001"), log(counter));
        OstDeviceLogProducer producer(nullptr, "SN-0001");
        QList<int> selected;
        for (const QModelIndex &index : producer.getRangeLogsSelection(a, b).indexes())
            selected << index.row();
        QCOMPARE(selected, rows);
        QCOMPARE(producer.getAllLogsSelection().indexes().size(), 5);
    }

    void importing()
    {
        QTemporaryDir elsewhere;
        const QString source = boardlogs::write(elsewhere.path(), log(3), "x.hlf");
        OstDeviceLogProducer producer(nullptr, "SN-0001");

        OstDeviceLogEntry *entry = producer.addLocalLogFile(source);
        QVERIFY(entry);
        QCOMPARE(entry->localFilePath(), serialFolder("SN-0001") + "/x.hlf");
        QCOMPARE(entry->logFileName(), log(3).name());
        QCOMPARE(producer.entries().size(), 1);
        // A second time the copy finds the first one there.
        QVERIFY(!producer.addLocalLogFile(source));
        QCOMPARE(producer.entries().size(), 1);

        // Another board's log: the copy made for it goes again, the original stays.
        boardlogs::Log foreign = log(4);
        foreign.serial = "SN-0002";
        const QString foreignSource = boardlogs::write(elsewhere.path(), foreign, "y.hlf");
        QVERIFY(!producer.addLocalLogFile(foreignSource));
        QVERIFY(QFile::exists(foreignSource));
        QVERIFY(!QFile::exists(serialFolder("SN-0001") + "/y.hlf"));
        QVERIFY(!producer.addLocalLogFile(elsewhere.filePath("missing.hlf")));
    }

    // A file the user keeps in the folder is never thrown away by a rescan, even
    // when it does not fit the log of its name.
    void rescanKeepsTheUsersFiles()
    {
        OstDeviceLogProducer producer(nullptr, "SN-0001");
        const boardlogs::Log boardOnly = log(6);
        QVERIFY(producer.addDeviceEntry({{}, 8, 100, boardOnly.name()}));
        boardlogs::Log foreign = boardOnly;
        foreign.serial = "SN-0002";
        const QString path = boardlogs::write(serialFolder("SN-0001"), foreign);

        producer.initLocalLogs();
        QVERIFY(QFile::exists(path));
        QVERIFY(!producer.findEntry(boardOnly.name())->hasLocalFile());
    }

    void deviceTypeFile()
    {
        QDir().mkpath(serialFolder("SN-0001"));
        QFile file(serialFolder("SN-0001") + "/.deviceType.json");
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(R"({"extended_device_type": "A", "note": "kept"})");
        file.close();

        OstDeviceLogProducer producer(nullptr, "SN-0001");
        QCOMPARE(producer.deviceType(), "A");
        QVERIFY(producer.writeDeviceInfo("extended_device_type", "B"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QJsonObject written = QJsonDocument::fromJson(file.readAll()).object();
        file.close();
        QCOMPARE(written.value("note").toString(), "kept");
        QCOMPARE(written.value("extended_device_type").toString(), "B");
        QCOMPARE(producer.readDeviceInfo("missing", 7).toInt(), 7);

        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not json");
        file.close();
        QCOMPARE(producer.deviceType(), "Unknown device");
        QVERIFY(file.remove());
        QCOMPARE(producer.deviceType(), "Unknown device");
    }

    void folderGoesWithTheProducerWhenEmpty_data()
    {
        QTest::addColumn<bool>("withLog");
        QTest::newRow("only the type file") << false;
        QTest::newRow("a log left") << true;
    }
    void folderGoesWithTheProducerWhenEmpty()
    {
        QFETCH(bool, withLog);
        {
            OstDeviceLogProducer producer(nullptr, "SN-0001");
            QVERIFY(producer.writeDeviceInfo("extended_device_type", "A"));
            if (withLog)
                boardlogs::write(serialFolder("SN-0001"), log(1));
        }
        QCOMPARE(QFileInfo::exists(serialFolder("SN-0001")), withLog);
    }

    // Serials come from boards and from log headers.
    void serialsThatNameNoFolder_data()
    {
        QTest::addColumn<QString>("serial");
        QTest::newRow("empty") << "";
        QTest::newRow("dot dot") << "..";
        QTest::newRow("parent folder") << "../escaped";
        QTest::newRow("sub folder") << "a/b";
        QTest::newRow("backslash") << "..\\escaped";
    }
    void serialsThatNameNoFolder()
    {
        QFETCH(QString, serial);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Refusing the board serial"));
        OstDeviceLogProducer producer(nullptr, serial);
        QVERIFY(!producer.isValid());
        QVERIFY(!producer.sortedList());
        QVERIFY(!producer.addLocalLogFile(QStringLiteral("/dev/null")));
        QVERIFY(!QFileInfo::exists(QDir::homePath() + "/HalvoraStudio/escaped"));
        QVERIFY(!QFileInfo::exists(serialFolder("a")));
    }
};

QTEST_GUILESS_MAIN(tst_OstDeviceLogProducer)
#include "tst_OstDeviceLogProducer.moc"
