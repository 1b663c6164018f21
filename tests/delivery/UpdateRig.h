#pragma once

#include "ApplicationFolders.h"
#include "BoardControlChannel.h"
#include "BoardSimulator.h"
#include "BoardUpdateService.h"
#include "DownloadStorage.h"
#include "ErrorHandler.h"
#include "FakeUsbBackend.h"
#include "FirmwareFileManager.h"
#include "HardwareUpdate.h"
#include "InProcessFactorySettings.h"
#include "OstFactory.h"
#include "SimulatorDataLink.h"
#include "StoragePeer.h"
#include "VersionControl.h"
#include "Zelto.h"
#include "support/FirmwareStorage.h"

#include <QPointer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

#include <map>
#include <memory>
#include <vector>

using namespace std::chrono_literals;

// The firmware update as the program runs it, against simulated boards behind
// in-process links and the storage peer: the device factory, the version
// information and the firmware files of their own, and the update list following
// the factory. Each board restarts for a moment after an accepted upload and is
// plugged in again when it is back. Every entry's states and progress are recorded
// by the board's serial number.
struct UpdateRig
{
    static OstFactorySettings factorySettings()
    {
        static FakeUsbBackend emptyBus;
        OstFactorySettings settings = inProcessFactorySettings(&emptyBus);
        settings.linkTimings.heartbeatWatchdog = 3000ms;
        settings.linkTimings.deviceInfoLimit = 3000ms;
        settings.board.statusPollInterval = 100ms;
        return settings;
    }

    static QDir updateData()
    {
        return *ApplicationFolders::instance().subFolder(ApplicationFolders::AppDataFolder, "UpdateData");
    }

    FirmwareStorage &storage;
    StoragePeer peer{storage.root()};
    VersionControl versions;
    FirmwareFileManager files{&versions};
    std::vector<std::unique_ptr<BoardSimulator>> boards;
    OstFactory factory{nullptr, factorySettings()};
    std::unique_ptr<HardwareUpdate> updates;
    std::map<QString, QList<DeviceUpdateEntry::UpdateState>> states;
    std::map<QString, QList<float>> progress;
    QList<QPointer<DeviceUpdateEntry>> hooked;

    explicit UpdateRig(FirmwareStorage &published, std::chrono::milliseconds restartLimit = 20s)
        : storage(published)
    {
        updateData().removeRecursively();
        ErrorHandler::instance()->clearNotifications();
        updates = std::make_unique<HardwareUpdate>(nullptr, FirmwareUpdateSettings{&versions, &files, restartLimit});
        QObject::connect(&factory, &OstFactory::ostDeviceConnected, updates.get(), &HardwareUpdate::ostDeviceConnected);
        QObject::connect(&factory, &OstFactory::ActiveDeviceChanged, updates.get(), &HardwareUpdate::setSelectedDevice);
        QObject::connect(updates.get(), &HardwareUpdate::DeviceListChanged, updates.get(), [this] { hookEntries(); });
    }

    ~UpdateRig()
    {
        updates.reset();
        qunsetenv(DownloadStorage::kBaseVariable);
    }

    // Serves the storage and loads its version information from it; the firmware
    // files are then fetched below `firmwareBase` when one is given.
    bool start(const QUrl &firmwareBase = {})
    {
        if (!peer.start())
            return false;
        qputenv(DownloadStorage::kBaseVariable, peer.baseUrl().toString().toUtf8());
        QSignalSpy updated(&versions, &VersionControl::VersionControlUpdated);
        const bool loaded = versions.refresh() == 0 && updated.wait(20000);
        if (!firmwareBase.isEmpty())
            qputenv(DownloadStorage::kBaseVariable, firmwareBase.toString().toUtf8());
        return loaded && !versions.latestDeviceVersion(QStringLiteral("Zelto")).isEmpty();
    }

    void hookEntries()
    {
        for (DeviceUpdateEntry *entry : updates->deviceList()) {
            if (hooked.contains(entry))
                continue;
            hooked.append(entry);
            const QString serial = entry->serial();
            states[serial].append(entry->updateState());
            QObject::connect(entry, &DeviceUpdateEntry::UpdateStateChanged, entry,
                             [this, serial](DeviceUpdateEntry::UpdateState state) { states[serial].append(state); });
            QObject::connect(entry, &DeviceUpdateEntry::UpdateProgressChanged, entry,
                             [this, serial](float value) { progress[serial].append(value); });
        }
    }

    // A board with these versions that restarts for a moment after an upload.
    BoardSimulator *addBoard(const QByteArray &serial, const QByteArray &os, const QByteArray &wireless,
                             int extendedType = 0, uint16_t deviceType = 1)
    {
        BoardSettings settings;
        settings.serialNumber = serial;
        settings.deviceType = deviceType;
        settings.extendedDeviceType = extendedType;
        settings.heartbeatInterval = 20ms;
        settings.restartAfterUpdate = 150ms;
        boards.push_back(std::make_unique<BoardSimulator>(settings));
        BoardSimulator *board = boards.back().get();
        BoardControlState &state = control(board)->state();
        state.firmwareVersion = os;
        state.espVersion = wireless;
        state.wifiAddress = BoardControlState::wifiAddressRecord(0);
        QObject::connect(board, &BoardSimulator::restarted, board, [this, board] { plug(board); });
        return board;
    }

    void plug(BoardSimulator *board)
    {
        factory.createPendingDevice(new SimulatorDataLink(AbstractDataLink::USB, board));
    }

    // Plugs the board in and waits for its entry to settle on a state once it has
    // weighed the board's versions.
    DeviceUpdateEntry *connect(BoardSimulator *board, DeviceUpdateEntry::UpdateState settled)
    {
        plug(board);
        const QString serial = QString::fromLatin1(board->settings().serialNumber);
        if (!QTest::qWaitFor(
                [&] {
                    return entry(serial) && entry(serial)->updateState() == settled
                           && !entry(serial)->currentFwVersion().isEmpty();
                },
                10000))
            return nullptr;
        return entry(serial);
    }

    DeviceUpdateEntry *entry(const QString &serial) const { return updates->entryFor(serial); }
    Zelto *zelto(const QString &serial) const
    {
        for (Zelto *board : factory.deviceList())
            if (board->serialNumber() == serial)
                return board;
        return nullptr;
    }

    static BoardControlChannel *control(BoardSimulator *board)
    {
        return static_cast<BoardControlChannel *>(board->channel(1));
    }
    static BoardUpdateService *updateService(BoardSimulator *board)
    {
        return static_cast<BoardUpdateService *>(board->channel(BoardUpdateService::Number));
    }

    // The kinds of the images the board took (2 operating system, 4 Wi-Fi module).
    static QList<uint32_t> uploadKinds(BoardSimulator *board)
    {
        QList<uint32_t> kinds;
        for (const BoardUpdateService::Upload &upload : updateService(board)->uploads())
            kinds.append(upload.kind);
        return kinds;
    }

    // (title, message) of every listed notification.
    static QList<std::pair<QString, QString>> notifications()
    {
        QList<std::pair<QString, QString>> list;
        for (AbstractNotification *notification : ErrorHandler::instance()->getNotificationList())
            list.append({notification->getTitle(), notification->getMessage()});
        return list;
    }
};
