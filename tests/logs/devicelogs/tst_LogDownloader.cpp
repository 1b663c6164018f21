#include "BoardLogFiles.h"
#include "BoardFileService.h"
#include "LogBoardRig.h"
#include "LogDownloader.h"
#include "OstDevice.h"

#include <QDesktopServices>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

QDir logData()
{
    return QDir(QDir::homePath() + QStringLiteral("/HalvoraStudio/LogData"));
}

QStringList serials(LogDownloader &downloader)
{
    QStringList listed;
    for (int row = 0; row < downloader.producerList()->count(); ++row)
        listed << downloader.producerList()->at(row)->serialNumber();
    return listed;
}

// A device that is no controller board, with a serial number.
std::unique_ptr<OstDevice> device(const QString &serial)
{
    auto made = std::make_unique<OstDevice>(nullptr);
    made->setSerialNumber(serial);
    return made;
}

// Takes the log folder the downloader asks the desktop to open.
class FolderOpener : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void open(const QUrl &url) { opened << url; }
};

} // namespace

// The producers of the log downloader: one per serial folder and per board that
// connects, the producer of the selected board, imports by the serial in a log's
// header, and the producers passed the screen's visibility, refreshes and search.
class tst_LogDownloader : public QObject
{
    Q_OBJECT

private slots:
    void init() { logData().removeRecursively(); }

    void producersForTheSerialFolders()
    {
        for (const char *serial : {"SN-0001", "SN-0002", "SN-0003"})
            QVERIFY(logData().mkpath(serial));
        boardlogs::write(logData().filePath("SN-0002"), boardlogs::Log());
        LogDownloader downloader;
        QStringList found = serials(downloader);
        found.sort();
        QCOMPARE(found, (QStringList{"SN-0001", "SN-0002", "SN-0003"}));
        QVERIFY(!downloader.selectedDevice());
    }

    void devicesConnectAndLeave()
    {
        LogDownloader downloader;
        QSignalSpy listChanged(&downloader, &LogDownloader::LogDeviceListChanged);
        const auto first = device("SN-0001");

        downloader.ostDeviceConnected(first.get(), true);
        QCOMPARE(serials(downloader), QStringList{"SN-0001"});
        QCOMPARE(listChanged.size(), 1);
        QVERIFY(logData().exists("SN-0001"));
        OstDeviceLogProducer *producer = downloader.producerList()->at(0);
        // Not a board: listed, but without a board to ask.
        QVERIFY(!producer->deviceIsConnected());

        downloader.ostDeviceConnected(first.get(), true);
        QCOMPARE(downloader.producerList()->count(), 1);
        QCOMPARE(downloader.producerList()->at(0), producer);

        const auto stranger = device("SN-0009");
        downloader.ostDeviceConnected(stranger.get(), false);
        QCOMPARE(downloader.producerList()->count(), 1);
        QVERIFY(!logData().exists("SN-0009"));

        // A serial that would lead out of the log folder gets no producer.
        const auto hostile = device("../escaped");
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Refusing the board serial"));
        downloader.ostDeviceConnected(hostile.get(), true);
        QCOMPARE(downloader.producerList()->count(), 1);
        QVERIFY(!QFileInfo::exists(QDir::homePath() + "/HalvoraStudio/escaped"));
    }

    void selection()
    {
        LogDownloader downloader;
        const auto first = device("SN-0001");
        const auto second = device("SN-0002");
        downloader.ostDeviceConnected(first.get(), true);
        downloader.ostDeviceConnected(second.get(), true);
        QSignalSpy selected(&downloader, &LogDownloader::SelectedLogDeviceChanged);

        downloader.setSelectedDevice(second.get());
        QCOMPARE(downloader.selectedDevice()->serialNumber(), "SN-0002");
        QCOMPARE(selected.size(), 1);

        const auto unknown = device("SN-0404");
        downloader.setSelectedDevice(unknown.get());
        QCOMPARE(downloader.selectedDevice()->serialNumber(), "SN-0002");
        QCOMPARE(selected.size(), 1);

        QSignalSpy refreshedFirst(downloader.producerList()->at(0), &OstDeviceLogProducer::LogListChanged);
        QSignalSpy refreshedSecond(downloader.producerList()->at(1), &OstDeviceLogProducer::LogListChanged);
        downloader.setSelectedDevice(nullptr);
        QVERIFY(!downloader.selectedDevice());
        QCOMPARE(selected.size(), 2);
        QCOMPARE(refreshedFirst.size(), 1);
        QCOMPARE(refreshedSecond.size(), 1);
    }

    // Selecting the same board again does not add another refresh on its
    // mass-storage signal.
    void selectedBoardRefreshesOnce()
    {
        LogBoardRig rig;
        BoardSimulator *board = rig.board("SN-0001");
        OstDeviceLogProducer *producer = rig.connectAndList(board);
        QVERIFY(producer);
        Zelto *zelto = producer->device();
        for (int i = 0; i < 3; ++i)
            rig.downloader.setSelectedDevice(zelto);
        QCOMPARE(rig.downloader.selectedDevice(), producer);

        QSignalSpy listed(producer, &OstDeviceLogProducer::LogListChanged);
        const int listings = LogBoardRig::requestsOf(board, BoardFileService::ListDir);
        emit zelto->MscStatusChanged(false);
        QTRY_COMPARE(LogBoardRig::requestsOf(board, BoardFileService::ListDir), listings + 1);
        QTest::qWait(100);
        QCOMPARE(LogBoardRig::requestsOf(board, BoardFileService::ListDir), listings + 1);
        emit zelto->MscStatusChanged(true);
        QTest::qWait(100);
        QCOMPARE(LogBoardRig::requestsOf(board, BoardFileService::ListDir), listings + 1);
    }

    void importingByTheSerialInTheHeader()
    {
        QTemporaryDir elsewhere;
        LogDownloader downloader;
        boardlogs::Log log;
        log.serial = "SN-0042";
        downloader.addLogFile(boardlogs::write(elsewhere.path(), log, "imported.hlf"));
        QCOMPARE(serials(downloader), QStringList{"SN-0042"});
        QVERIFY(QFile::exists(logData().filePath("SN-0042/imported.hlf")));
        QCOMPARE(downloader.producerList()->at(0)->entries().size(), 1);

        log.serial = "../escaped";
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Refusing the board serial"));
        downloader.addLogFile(boardlogs::write(elsewhere.path(), log, "hostile.hlf"));
        downloader.addLogFile(boardlogs::writeGarbage(elsewhere.path(), "noheader.hlf"));
        downloader.addLogFile(elsewhere.filePath("missing.hlf"));
        QCOMPARE(serials(downloader), QStringList{"SN-0042"});
        QCOMPARE(logData().entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList{"SN-0042"});
        QVERIFY(!QFileInfo::exists(QDir::homePath() + "/HalvoraStudio/escaped"));
    }

    void newSerialFoldersAreFound()
    {
        QVERIFY(logData().mkpath("SN-0001"));
        LogDownloader downloader;
        QSignalSpy listChanged(&downloader, &LogDownloader::LogDeviceListChanged);

        boardlogs::write(logData().filePath("SN-0001"), boardlogs::Log());
        QVERIFY(!listChanged.wait(300));

        QVERIFY(logData().mkdir("SN-0002"));
        QVERIFY(listChanged.wait(3000));
        QCOMPARE(serials(downloader).size(), 2);
        QVERIFY(serials(downloader).contains("SN-0002"));
    }

    // A producer without a board whose last log is deleted leaves, with its folder.
    void producerLeavesWithItsLastLog()
    {
        boardlogs::write(logData().filePath("SN-0001"), boardlogs::Log());
        LogDownloader downloader;
        OstDeviceLogProducer *producer = downloader.producerList()->at(0);
        downloader.setSelectedProducer(producer);
        QSignalSpy listChanged(&downloader, &LogDownloader::LogDeviceListChanged);

        producer->removeAllLocalLogs();
        QTRY_COMPARE(downloader.producerList()->count(), 0);
        QVERIFY(!downloader.selectedDevice());
        QVERIFY(listChanged.size() >= 1);
        QTRY_VERIFY(!logData().exists("SN-0001"));
    }

    void visibilityAndSearchReachEveryProducer()
    {
        LogDownloader downloader;
        const auto first = device("SN-0001");
        const auto second = device("SN-0002");
        downloader.ostDeviceConnected(first.get(), true);
        downloader.ostDeviceConnected(second.get(), true);

        downloader.setFilterQuery("2024*");
        for (int row = 0; row < 2; ++row) {
            const QSortFilterProxyModel *sorted = downloader.producerList()->at(row)->sortedList();
            QCOMPARE(sorted->filterRegularExpression().pattern(),
                     QRegularExpression::wildcardToRegularExpression("2024*",
                                                                     QRegularExpression::UnanchoredWildcardConversion));
        }
    }

    void openingTheLogFolder()
    {
        FolderOpener opener;
        QDesktopServices::setUrlHandler("file", &opener, "open");
        LogDownloader downloader;
        QCOMPARE(downloader.openExplorerWindowLogs(), 1);
        QCOMPARE(opener.opened, QList<QUrl>{QUrl::fromLocalFile(logData().absolutePath())});
        QDesktopServices::unsetUrlHandler("file");
    }
};

QTEST_MAIN(tst_LogDownloader)
#include "tst_LogDownloader.moc"
