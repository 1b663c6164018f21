#include "BoardControlChannel.h"
#include "BoardFileService.h"
#include "BoardLogFiles.h"
#include "FakeUsbBackend.h"
#include "LogCommandQueue.h"
#include "LogDownloader.h"
#include "MatDump.h"
#include "NetworkBoard.h"
#include "OstFactory.h"
#include "WifiTestCertificates.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <memory>

using namespace std::chrono_literals;

namespace {

QDir logData()
{
    return QDir(QDir::homePath() + QStringLiteral("/HalvoraStudio/LogData"));
}

boardlogs::Log boardLog(const QString &serial, int counter)
{
    boardlogs::Log log;
    log.serial = serial;
    log.counter = counter;
    log.model = "run_" + serial; // the boards' MAT-files go into one folder
    log.records = 500 + 100 * counter;
    return log;
}

// The doubles of the log's value signal, as the converter writes them.
QByteArray speeds(const boardlogs::Log &log)
{
    QByteArray bytes;
    for (int record = 0; record < log.records; ++record) {
        const double value = double(record) * 2.5;
        bytes.append(reinterpret_cast<const char *>(&value), sizeof value);
    }
    return bytes;
}

} // namespace

// The whole road of the board logs over loopback sockets: two simulated Wi-Fi boards
// serve folders of log files; the program connects to both, lists their logs,
// downloads them one after the other through the boards' file services, converts
// them into MAT-files (read back with h5py), and goes on past a log that cannot be
// downloaded.
class tst_LogDownloaderWithBoards : public QObject
{
    Q_OBJECT

    QTemporaryDir m_folder;
    WifiTestCertificates m_certificates;

private slots:
    void initTestCase()
    {
        QVERIFY(m_folder.isValid());
        QString error;
        QVERIFY2(m_certificates.create(m_folder.path(), &error), qPrintable(error));
        logData().removeRecursively();
    }

    void twoBoardsListedDownloadedAndConverted()
    {
        WifiBoardSettings network = NetworkBoard::networkSettings(m_certificates, true);
        std::vector<std::unique_ptr<NetworkBoard>> boards;
        QMap<QString, QList<boardlogs::Log>> logs;
        for (const auto &[serial, address, count] : {std::tuple{QString("SN-A001"), QString("127.0.0.2"), 3},
                                                     std::tuple{QString("SN-B002"), QString("127.0.0.3"), 2}}) {
            BoardSettings settings;
            settings.serialNumber = serial.toLatin1();
            settings.heartbeatInterval = 50ms;
            network.address = QHostAddress(address);
            boards.push_back(std::make_unique<NetworkBoard>(settings, network));
            NetworkBoard &board = *boards.back();
            QString error;
            QVERIFY2(board.transport.start(&error), qPrintable(error));
            network.streamPort = board.transport.streamPort();
            network.datagramPort = board.transport.datagramPort();
            auto *control = static_cast<BoardControlChannel *>(board.simulator.channel(1));
            control->state().wifiAddress = BoardControlState::wifiAddressRecord(QHostAddress(address).toIPv4Address());
            auto *files = static_cast<BoardFileService *>(board.simulator.channel(BoardFileService::Number));
            const QString root = m_folder.filePath(serial);
            files->setRootFolder(root);
            files->setStorage({8000000, 2000000, 2});
            for (int counter = 1; counter <= count; ++counter) {
                logs[serial] << boardLog(serial, counter);
                boardlogs::write(root + "/log", logs[serial].last());
            }
        }

        FakeUsbBackend bus;
        OstFactorySettings settings;
        settings.linkTimings.heartbeatInterval = 50ms;
        settings.linkTimings.heartbeatWatchdog = 1000ms;
        settings.linkTimings.deviceInfoLimit = 1000ms;
        settings.board.statusPollInterval = 100ms;
        settings.board.externalModePort = 0;
        settings.board.wifiLink = boards.front()->linkSettings(m_certificates);
        settings.board.wifiLink.fallbackBoardAddress = QStringLiteral("127.0.0.9");
        settings.reconnectInterval = 100ms;
        settings.usbBackend = &bus;
        OstFactory factory(nullptr, settings);
        LogDownloader downloader;
        connect(&factory, &OstFactory::ostDeviceConnected, &downloader, &LogDownloader::ostDeviceConnected);
        connect(&factory, &OstFactory::ActiveDeviceChanged, &downloader, &LogDownloader::setSelectedDevice);
        downloader.setVisibility(true);

        factory.insertNetworkOstDevice("127.0.0.2");
        QTRY_VERIFY_WITH_TIMEOUT(downloader.producerList()->count() == 1, 10000);
        factory.insertNetworkOstDevice("127.0.0.3");
        QTRY_VERIFY_WITH_TIMEOUT(downloader.producerList()->count() == 2, 10000);
        QMap<QString, OstDeviceLogProducer *> producers;
        for (int row = 0; row < 2; ++row)
            producers[downloader.producerList()->at(row)->serialNumber()] = downloader.producerList()->at(row);
        QCOMPARE(producers.keys(), (QStringList{"SN-A001", "SN-B002"}));
        QTRY_COMPARE_WITH_TIMEOUT(producers["SN-A001"]->entries().size(), 3, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(producers["SN-B002"]->entries().size(), 2, 10000);
        QCOMPARE(producers["SN-A001"]->usedStorage(), 0.75f);

        // The second log of the first board is gone before its turn comes.
        const boardlogs::Log &vanished = logs["SN-A001"][1];
        QVERIFY(QFile::remove(m_folder.filePath("SN-A001/log/" + vanished.name())));

        QTemporaryDir output;
        LogCommandQueue queue;
        QSignalSpy complete(&queue, &LogCommandQueue::queueComplete);
        for (OstDeviceLogProducer *producer : producers)
            for (OstDeviceLogEntry *entry : producer->entries())
                queue.scheduleDownloadAndParse(entry, QUrl::fromLocalFile(output.path()));
        QVERIFY(complete.wait(30000));
        QCOMPARE(complete.size(), 1);
        for (OstDeviceLogProducer *producer : producers)
            for (OstDeviceLogEntry *entry : producer->entries())
                QTRY_VERIFY_WITH_TIMEOUT(!entry->isConverting(), 20000);

        for (const QString &serial : logs.keys()) {
            for (const boardlogs::Log &log : logs[serial]) {
                const QString local = logData().filePath(serial + "/" + log.name());
                const QString mat = output.filePath(log.name() + ".mat");
                if (log.name() == vanished.name() && serial == "SN-A001") {
                    QVERIFY(!QFile::exists(local));
                    QVERIFY(!QFile::exists(mat));
                    continue;
                }
                QFile copy(local);
                QVERIFY2(copy.open(QIODevice::ReadOnly), qPrintable(local));
                QCOMPARE(copy.readAll(), log.bytes());
                const QJsonObject variables = matdump::read(mat);
                const QJsonObject speed = variables.value("speed").toObject();
                QCOMPARE(matdump::bytes(matdump::member(speed, "data")).toHex(), speeds(log).toHex());
                const QJsonObject metadata = variables.value("metadata").toObject();
                QCOMPARE(matdump::member(metadata, "serial").value("text").toString(), serial);
            }
        }
        QCOMPARE(logData().entryList({"*.part"}, QDir::Files), QStringList());
        QCOMPARE(QDir(logData().filePath("SN-A001")).entryList({"*.part"}), QStringList());
        QCOMPARE(QDir(logData().filePath("SN-B002")).entryList({"*.part"}), QStringList());
    }
};

QTEST_MAIN(tst_LogDownloaderWithBoards)
#include "tst_LogDownloaderWithBoards.moc"
