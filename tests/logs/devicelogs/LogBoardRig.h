#pragma once

#include "BoardControlChannel.h"
#include "BoardFileService.h"
#include "BoardSimulator.h"
#include "FakeUsbBackend.h"
#include "InProcessFactorySettings.h"
#include "LogDownloader.h"
#include "OstFactory.h"
#include "SimulatorDataLink.h"
#include "Zelto.h"

#include <QDir>
#include <QPointer>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <vector>

// The device factory with simulated boards behind in-process transports, and a log
// downloader that follows it as the program's does. Each board serves a folder of
// this computer as its file system; its logs are in the folder's "log".
struct LogBoardRig
{
    static OstFactorySettings factorySettings()
    {
        static FakeUsbBackend emptyBus;
        return inProcessFactorySettings(&emptyBus);
    }

    // The log folder of the program, emptied: every test starts without logs.
    static QDir freshLogData()
    {
        QDir home(QDir::homePath() + QStringLiteral("/HalvoraStudio/LogData"));
        home.removeRecursively();
        return home;
    }

    QTemporaryDir boardFolders;
    OstFactory factory{nullptr, factorySettings()};
    LogDownloader downloader;
    std::vector<std::unique_ptr<BoardSimulator>> boards;

    explicit LogBoardRig(bool visible = true)
    {
        QObject::connect(&factory, &OstFactory::ostDeviceConnected, &downloader, &LogDownloader::ostDeviceConnected);
        QObject::connect(&factory, &OstFactory::ActiveDeviceChanged, &downloader, &LogDownloader::setSelectedDevice);
        downloader.setVisibility(visible);
    }

    BoardSimulator *board(const QByteArray &serial)
    {
        BoardSettings settings;
        settings.serialNumber = serial;
        settings.heartbeatInterval = std::chrono::milliseconds(20);
        boards.push_back(std::make_unique<BoardSimulator>(settings));
        BoardSimulator *board = boards.back().get();
        control(board)->state().wifiAddress = BoardControlState::wifiAddressRecord(0);
        const QString root = boardFolders.filePath(QString::fromLatin1(serial));
        QDir().mkpath(root + QStringLiteral("/log"));
        files(board)->setRootFolder(root);
        files(board)->setStorage({1000000, 250000, 2});
        return board;
    }

    static BoardControlChannel *control(BoardSimulator *board)
    {
        return static_cast<BoardControlChannel *>(board->channel(1));
    }
    static BoardFileService *files(BoardSimulator *board)
    {
        return static_cast<BoardFileService *>(board->channel(BoardFileService::Number));
    }
    static QString logFolder(BoardSimulator *board) { return files(board)->rootFolder() + QStringLiteral("/log"); }

    // The requests of one command the board's file service received.
    static int requestsOf(BoardSimulator *board, uint16_t command)
    {
        int count = 0;
        for (const QByteArray &request : files(board)->requests())
            count += request.size() >= 6 && uint8_t(request[4]) == (command & 0xFF)
                     && uint8_t(request[5]) == (command >> 8);
        return count;
    }

    Zelto *boardNamed(const QString &serial) const
    {
        for (Zelto *board : factory.deviceList())
            if (board->serialNumber() == serial)
                return board;
        return nullptr;
    }

    // Plugs the board in and waits until it is connected.
    QPointer<Zelto> connect(BoardSimulator *board)
    {
        factory.createPendingDevice(new SimulatorDataLink(AbstractDataLink::USB, board));
        const QString serial = QString::fromLatin1(board->settings().serialNumber);
        if (!QTest::qWaitFor([&] { return boardNamed(serial) && boardNamed(serial)->isConnected(); }, 3000))
            return nullptr;
        return boardNamed(serial);
    }

    // Plugs the board in and waits until its logs are listed.
    OstDeviceLogProducer *connectAndList(BoardSimulator *board)
    {
        if (!connect(board))
            return nullptr;
        OstDeviceLogProducer *listed = producer(QString::fromLatin1(board->settings().serialNumber));
        if (!listed || !QTest::qWaitFor([&] { return listed->fileControl() != nullptr; }, 3000) || !relist(listed))
            return nullptr;
        return listed;
    }

    // Lists the board's logs once more and waits for the listing.
    static bool relist(OstDeviceLogProducer *producer)
    {
        QSignalSpy listed(producer, &OstDeviceLogProducer::LogListChanged);
        producer->initOstDeviceLogs();
        return listed.wait(3000);
    }

    // The board falls silent and is lost.
    bool unplug(BoardSimulator *board)
    {
        QPointer<Zelto> zelto = boardNamed(QString::fromLatin1(board->settings().serialNumber));
        board->settings().silent = true;
        const bool gone = QTest::qWaitFor([&] { return !zelto; }, 3000);
        board->settings().silent = false;
        return gone;
    }

    OstDeviceLogProducer *producer(const QString &serial)
    {
        ProducerListView list(downloader);
        for (OstDeviceLogProducer *producer : list.producers)
            if (producer->serialNumber() == serial)
                return producer;
        return nullptr;
    }

    struct ProducerListView
    {
        QList<OstDeviceLogProducer *> producers;
        explicit ProducerListView(LogDownloader &downloader)
        {
            for (int row = 0; row < downloader.producerList()->count(); ++row)
                producers << downloader.producerList()->at(row);
        }
    };
};
