#include "UpdateRig.h"

#include "FirmwareCipher.h"
#include "LogCapture.h"
#include "ZeltoUpdateEntry.h"
#include "support/ExternalTools.h"

#include <QJSEngine>
#include <QTest>

namespace {

using State = DeviceUpdateEntry::UpdateState;

const QString zeltoOs = QStringLiteral("ZeltoOS");
const QString wireless = QStringLiteral("ZeltoWireless");

// Zelto 1.0 (ZeltoOS 1.2.0, ZeltoWireless 2.0.0) and 1.1 (ZeltoOS 1.3.0); with
// `wirelessToo` also 1.2 (ZeltoWireless 2.1.0), then the latest.
void publishZelto(FirmwareStorage &storage, bool wirelessToo)
{
    storage.publish(zeltoOs, QStringLiteral("1.3.0"));
    storage.addDeviceVersion(QStringLiteral("Zelto"), QStringLiteral("1.0"),
                             {{zeltoOs, QStringLiteral("1.2.0")}, {wireless, QStringLiteral("2.0.0")}});
    storage.addDeviceVersion(QStringLiteral("Zelto"), QStringLiteral("1.1"),
                             {{zeltoOs, QStringLiteral("1.3.0")}, {wireless, QStringLiteral("2.0.0")}});
    if (wirelessToo) {
        storage.publish(wireless, QStringLiteral("2.1.0"));
        storage.addDeviceVersion(QStringLiteral("Zelto"), QStringLiteral("1.2"),
                                 {{zeltoOs, QStringLiteral("1.3.0")}, {wireless, QStringLiteral("2.1.0")}});
    }
}

// `openssl enc -d` of a served file, with the program's firmware key.
QByteArray opensslDecrypt(const QString &path)
{
    return ExternalTools::run(QStringLiteral("openssl"),
                              {QStringLiteral("enc"), QStringLiteral("-d"), QStringLiteral("-aes-256-cbc"),
                               QStringLiteral("-K"), QString::fromLatin1(FirmwareCipher::key().toHex()),
                               QStringLiteral("-iv"), QString::fromLatin1(FirmwareCipher::iv().toHex())},
                              ExternalTools::readFile(path))
        .output;
}

int requestsFor(const StoragePeer &peer, const QString &fileName)
{
    int count = 0;
    for (const QString &path : peer.requests())
        count += path.endsWith(QLatin1Char('/') + fileName);
    return count;
}

} // namespace

// The firmware update of simulated boards: the version information and encrypted
// firmware files come from the storage peer, the images go through the boards' update
// services, and the boards restart and come back with the new versions.
class tst_HardwareUpdate : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QCoreApplication::setOrganizationName(QStringLiteral("Ostrel"));
        QCoreApplication::setApplicationName(QStringLiteral("Halvora Lab"));
    }

    void wholeRoadForOneBoard()
    {
        FirmwareStorage storage;
        publishZelto(storage, false);
        QVERIFY(storage.writeVersionInfo());
        UpdateRig rig(storage);
        QVERIFY(rig.start());
        BoardSimulator *board = rig.addBoard("SN-ROAD", "1.2.0", "2.0.0");

        DeviceUpdateEntry *entry = rig.connect(board, State::UpdateAvailable);
        QVERIFY(entry);
        QCOMPARE(entry->latestFwVersion(), QStringLiteral("1.1"));
        QCOMPARE(entry->currentFwVersion(), QStringLiteral("1.0"));
        QVERIFY(entry->updateAvailable());
        QCOMPARE(rig.updates->property("availableUpdates").toInt(), 1);
        // What the screen reads of the list.
        QJSEngine js;
        QJSEngine::setObjectOwnership(rig.updates.get(), QJSEngine::CppOwnership);
        js.globalObject().setProperty(QStringLiteral("updates"), js.newQObject(rig.updates.get()));
        QCOMPARE(js.evaluate(QStringLiteral("updates.deviceList.length")).toInt(), 1);
        QCOMPARE(js.evaluate(QStringLiteral("updates.deviceList[0].updateState")).toInt(), int(State::UpdateAvailable));
        QCOMPARE(js.evaluate(QStringLiteral("updates.deviceList[0].latestFwVersion")).toString(), QString("1.1"));

        // The screen is not shown: the update service is opened for the update.
        entry->startUpdate();
        QTRY_VERIFY_WITH_TIMEOUT(rig.entry("SN-ROAD") && rig.entry("SN-ROAD")->updateState() == State::NoUpdateAvailable
                                     && rig.states["SN-ROAD"].size() > 5,
                                 20000);
        QCOMPARE(rig.states["SN-ROAD"],
                 (QList<State>{State::NoUpdateAvailable, State::UpdateAvailable, State::DownloadingFirmware,
                               State::UploadingFirmware, State::Restarting, State::RestartAfterUpload,
                               State::VerifyingUpdate, State::NoUpdateAvailable}));

        // The board took exactly the published image once, and reports it.
        QCOMPARE(UpdateRig::uploadKinds(board), QList<uint32_t>{2});
        const QByteArray expected = opensslDecrypt(storage.filePath(zeltoOs, QStringLiteral("1.3.0")));
        QVERIFY(!expected.isEmpty());
        QCOMPARE(UpdateRig::updateService(board)->uploads().first().image, expected);
        QCOMPARE(requestsFor(rig.peer, FirmwareStorage::fileName(zeltoOs, QStringLiteral("1.3.0"))), 1);
        QCOMPARE(requestsFor(rig.peer, FirmwareStorage::fileName(wireless, QStringLiteral("2.0.0"))), 0);

        const QList<float> progress = rig.progress["SN-ROAD"];
        QVERIFY2(progress.contains(1.0f), "the upload's progress reaches its end");
        QVERIFY2(progress.contains(0.5f), "the board's check of the new image shows its progress");
        DeviceUpdateEntry *after = rig.entry("SN-ROAD");
        QCOMPARE(after->currentFwVersion(), QStringLiteral("1.1"));
        QCOMPARE(after->componentVersions().value(zeltoOs).toString(), QStringLiteral("1.3.0"));
        QCOMPARE(rig.zelto("SN-ROAD")->getFirmwareVersion(), QStringLiteral("1.3.0"));
        QVERIFY(rig.updates->updatingSerials().isEmpty());
        QCOMPARE(rig.updates->property("availableUpdates").toInt(), 0);
        QCOMPARE(rig.updates->deviceList().size(), 1);

        // Nothing starts again by itself.
        QTest::qWait(500);
        QCOMPARE(UpdateRig::uploadKinds(board), QList<uint32_t>{2});
        QCOMPARE(UpdateRig::notifications(), (QList<std::pair<QString, QString>>{}));
    }

    void bothComponentsOneAfterTheOther()
    {
        FirmwareStorage storage;
        publishZelto(storage, true);
        QVERIFY(storage.writeVersionInfo());
        UpdateRig rig(storage);
        QVERIFY(rig.start());
        rig.updates->setVisibility(true);
        BoardSimulator *board = rig.addBoard("SN-BOTH", "1.2.0", "2.0.0");
        DeviceUpdateEntry *entry = rig.connect(board, State::UpdateAvailable);
        QVERIFY(entry);

        entry->startUpdate();
        QTRY_VERIFY_WITH_TIMEOUT(UpdateRig::uploadKinds(board).size() == 2 && rig.entry("SN-BOTH")
                                     && rig.entry("SN-BOTH")->updateState() == State::NoUpdateAvailable,
                                 30000);
        // The operating system first; the Wi-Fi module after the board came back.
        QCOMPARE(UpdateRig::uploadKinds(board), (QList<uint32_t>{2, 4}));
        QCOMPARE(UpdateRig::updateService(board)->uploads().at(1).image,
                 FirmwareStorage::image(wireless, QStringLiteral("2.1.0")));
        QCOMPARE(rig.states["SN-BOTH"].count(State::Restarting), 2);
        QCOMPARE(rig.states["SN-BOTH"].count(State::DownloadingFirmware), 2);
        QCOMPARE(rig.entry("SN-BOTH")->currentFwVersion(), QStringLiteral("1.2"));
        QCOMPARE(rig.zelto("SN-BOTH")->versionESP(), QStringLiteral("2.1.0"));
        QVERIFY(rig.updates->updatingSerials().isEmpty());
    }

    // Three boards update at once; two need the same file, one another: each takes
    // only what it needs, and every file is fetched once.
    void boardsUpdatingAtOnce()
    {
        FirmwareStorage storage;
        publishZelto(storage, true);
        QVERIFY(storage.writeVersionInfo());
        UpdateRig rig(storage);
        QVERIFY(rig.start());
        rig.updates->setVisibility(true);
        BoardSimulator *a = rig.addBoard("SN-A", "1.2.0", "2.1.0");
        BoardSimulator *b = rig.addBoard("SN-B", "1.3.0", "2.0.0");
        BoardSimulator *c = rig.addBoard("SN-C", "1.2.0", "2.1.0", 15);
        for (BoardSimulator *board : {a, b, c})
            QVERIFY(rig.connect(board, State::UpdateAvailable));
        QCOMPARE(rig.updates->property("availableUpdates").toInt(), 3);

        for (const char *serial : {"SN-A", "SN-B", "SN-C"})
            rig.entry(QString::fromLatin1(serial))->startUpdate();
        QTRY_VERIFY_WITH_TIMEOUT(std::all_of(rig.updates->deviceList().cbegin(), rig.updates->deviceList().cend(),
                                             [](DeviceUpdateEntry *entry) {
                                                 return entry->updateState() == State::NoUpdateAvailable;
                                             })
                                     && rig.updates->deviceList().size() == 3,
                                 30000);
        QCOMPARE(UpdateRig::uploadKinds(a), QList<uint32_t>{2});
        QCOMPARE(UpdateRig::uploadKinds(b), QList<uint32_t>{4});
        QCOMPARE(UpdateRig::uploadKinds(c), QList<uint32_t>{2});
        const QByteArray os = FirmwareStorage::image(zeltoOs, QStringLiteral("1.3.0"));
        QCOMPARE(UpdateRig::updateService(a)->uploads().first().image, os);
        QCOMPARE(UpdateRig::updateService(c)->uploads().first().image, os);
        QCOMPARE(UpdateRig::updateService(b)->uploads().first().image,
                 FirmwareStorage::image(wireless, QStringLiteral("2.1.0")));
        QCOMPARE(requestsFor(rig.peer, FirmwareStorage::fileName(zeltoOs, QStringLiteral("1.3.0"))), 1);
        QCOMPARE(rig.updates->property("availableUpdates").toInt(), 0);
        QCOMPARE(UpdateRig::notifications(), (QList<std::pair<QString, QString>>{}));
    }

    void failures_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("settled");

        const QString loading = QStringLiteral("Could not load firmware");
        const QString download = QStringLiteral("Firmware file could not be download");
        const QString upload = QStringLiteral("Could not upload firmware to Zelto");
        QTest::newRow("published digest does not match") << "digest" << loading << int(State::ErrorWhileUpdating);
        QTest::newRow("file does not decrypt") << "key" << loading << int(State::ErrorWhileUpdating);
        QTest::newRow("storage unreachable") << "unreachable" << download << int(State::UpdateAvailable);
        QTest::newRow("file missing on the storage") << "missing" << download << int(State::UpdateAvailable);
        QTest::newRow("storage cuts the file short") << "cut" << download << int(State::UpdateAvailable);
        QTest::newRow("board refuses the image") << "refused" << upload << int(State::UpdateAvailable);
        QTest::newRow("board times out") << "timeout" << upload << int(State::UpdateAvailable);
        QTest::newRow("application running")
            << "running"
            << QStringLiteral("Application is still running. Stop the application before uploading new binaries")
            << int(State::UpdateAvailable);
    }

    // A failed update stops with one clear notification, uploads nothing, leaves no
    // bad file behind and starts again only when the user asks.
    void failures()
    {
        QFETCH(QString, failure);
        QFETCH(QString, message);
        QFETCH(int, settled);

        FirmwareStorage storage;
        if (failure == QLatin1String("digest"))
            storage.publish(zeltoOs, QStringLiteral("1.3.0"), QByteArray(64, '0'));
        else if (failure == QLatin1String("key"))
            storage.publish(zeltoOs, QStringLiteral("1.3.0"), {}, QByteArray(32, '\x42'));
        else
            storage.publish(zeltoOs, QStringLiteral("1.3.0"));
        storage.addDeviceVersion(QStringLiteral("Zelto"), QStringLiteral("1.1"),
                                 {{zeltoOs, QStringLiteral("1.3.0")}, {wireless, QStringLiteral("2.0.0")}});
        QVERIFY(storage.writeVersionInfo());
        if (failure == QLatin1String("missing"))
            QVERIFY(QFile::remove(storage.filePath(zeltoOs, QStringLiteral("1.3.0"))));

        UpdateRig rig(storage);
        QUrl firmwareBase;
        if (failure == QLatin1String("unreachable")) {
            QTcpServer closed;
            closed.listen(QHostAddress::LocalHost);
            firmwareBase = QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(closed.serverPort()));
        } else if (failure == QLatin1String("cut")) {
            firmwareBase = rig.peer.faultUrl(QStringLiteral("cut"));
        }
        QVERIFY(rig.start(firmwareBase));
        rig.updates->setVisibility(true);
        BoardSimulator *board = rig.addBoard("SN-FAIL", "1.2.0", "2.0.0");
        BoardUpdateService *service = UpdateRig::updateService(board);
        if (failure == QLatin1String("refused"))
            service->setFault(BoardUpdateService::Fault::Fail, 2);
        else if (failure == QLatin1String("timeout"))
            service->setFault(BoardUpdateService::Fault::TimeOut, 1);
        else if (failure == QLatin1String("running"))
            service->setFault(BoardUpdateService::Fault::ApplicationRunning, 0);
        DeviceUpdateEntry *entry = rig.connect(board, State::UpdateAvailable);
        QVERIFY(entry);
        QVERIFY(QTest::qWaitFor([&] { return static_cast<ZeltoUpdateEntry *>(entry)->updateService(); }, 5000));

        const auto messages = [] {
            QStringList list;
            for (const auto &[title, text] : UpdateRig::notifications())
                list << text;
            return list;
        };
        const auto failedUpdates = [] {
            int count = 0;
            for (const auto &[title, text] : UpdateRig::notifications())
                count += title == QLatin1String("Firmware update failed");
            return count;
        };
        entry->startUpdate();
        QTRY_VERIFY_WITH_TIMEOUT(messages().contains(message), 20000);
        QTRY_COMPARE_WITH_TIMEOUT(int(entry->updateState()), settled, 5000);
        QTest::qWait(300);
        QCOMPARE(messages().count(message), 1);
        QVERIFY(failedUpdates() <= 1);
        const bool failedOnTheWay = failure != QLatin1String("unreachable") && failure != QLatin1String("missing")
                                    && failure != QLatin1String("cut");
        QCOMPARE(rig.states["SN-FAIL"].contains(State::ErrorWhileUpdating), failedOnTheWay);
        QVERIFY(!rig.states["SN-FAIL"].contains(State::Restarting));
        QCOMPARE(rig.states["SN-FAIL"].count(State::DownloadingFirmware), 1);
        QVERIFY(UpdateRig::uploadKinds(board).isEmpty());
        QVERIFY(rig.updates->updatingSerials().isEmpty());
        // No file that failed its checks stays to be used again.
        const QString local = UpdateRig::updateData().filePath(FirmwareStorage::fileName(zeltoOs, "1.3.0"));
        if (message != QLatin1String("Could not upload firmware to Zelto") && failure != QLatin1String("running"))
            QVERIFY(!QFile::exists(local));

        // The user's next click fetches the file again.
        if (failure == QLatin1String("digest") || failure == QLatin1String("key")) {
            const int before = requestsFor(rig.peer, FirmwareStorage::fileName(zeltoOs, QStringLiteral("1.3.0")));
            entry->startUpdate();
            QTRY_COMPARE_WITH_TIMEOUT(
                requestsFor(rig.peer, FirmwareStorage::fileName(zeltoOs, QStringLiteral("1.3.0"))), before + 1, 10000);
            QTRY_COMPARE_WITH_TIMEOUT(entry->updateState(), State::ErrorWhileUpdating, 5000);
            QCOMPARE(messages().count(message), 1);
            QVERIFY(UpdateRig::uploadKinds(board).isEmpty());
        }
    }

    // An update the user started while the board's update service was closed goes on
    // once the service opens; a later hand-over of the service starts nothing.
    void noUpdateWithoutAClick()
    {
        FirmwareStorage storage;
        publishZelto(storage, false);
        QVERIFY(storage.writeVersionInfo());
        UpdateRig rig(storage);
        QVERIFY(rig.start());
        BoardSimulator *board = rig.addBoard("SN-CLICK", "1.2.0", "2.0.0");
        UpdateRig::updateService(board)->setFault(BoardUpdateService::Fault::Fail, 1);
        auto *entry = static_cast<ZeltoUpdateEntry *>(rig.connect(board, State::UpdateAvailable));
        QVERIFY(entry);
        QVERIFY(!entry->updateService());

        entry->startUpdate();
        QTRY_VERIFY_WITH_TIMEOUT(rig.states["SN-CLICK"].contains(State::ErrorWhileUpdating)
                                     && entry->updateState() == State::UpdateAvailable,
                                 20000);
        QVERIFY(entry->updateService());
        UpdateRig::updateService(board)->setFault(BoardUpdateService::Fault::None);
        // Someone else asks the board for its update service again.
        rig.zelto("SN-CLICK")->openCloseUpdateService(true);
        rig.updates->setVisibility(true);
        QTest::qWait(500);
        QCOMPARE(rig.states["SN-CLICK"].count(State::DownloadingFirmware), 1);
        QCOMPARE(entry->updateState(), State::UpdateAvailable);
        QVERIFY(UpdateRig::uploadKinds(board).isEmpty());
    }

    void boardNotComingBackInTime()
    {
        FirmwareStorage storage;
        publishZelto(storage, false);
        QVERIFY(storage.writeVersionInfo());
        UpdateRig rig(storage, 1500ms);
        QVERIFY(rig.start());
        rig.updates->setVisibility(true);
        BoardSimulator *board = rig.addBoard("SN-GONE", "1.2.0", "2.0.0");
        board->settings().restartAfterUpdate = std::chrono::hours(1);
        DeviceUpdateEntry *entry = rig.connect(board, State::UpdateAvailable);
        QVERIFY(entry);
        QPointer<DeviceUpdateEntry> waiting = entry;

        entry->startUpdate();
        QTRY_VERIFY_WITH_TIMEOUT(waiting && waiting->updateState() == State::Restarting && !rig.zelto("SN-GONE"),
                                 10000);
        // It waits for its board while the board is away...
        QCOMPARE(rig.updates->updatingSerials(), QStringList{"SN-GONE"});
        QTest::qWait(500);
        QVERIFY(waiting);
        // ... but not for ever.
        QTRY_VERIFY_WITH_TIMEOUT(!waiting, 5000);
        QVERIFY(rig.updates->deviceList().isEmpty());
        QVERIFY(rig.updates->updatingSerials().isEmpty());
        QCOMPARE(UpdateRig::notifications(),
                 (QList<std::pair<QString, QString>>{
                     {"Firmware update failed", "The board did not come back after the firmware update"}}));
    }

    void linkLostDuringUpload()
    {
        FirmwareStorage storage;
        publishZelto(storage, false);
        QVERIFY(storage.writeVersionInfo());
        UpdateRig rig(storage);
        QVERIFY(rig.start());
        rig.updates->setVisibility(true);
        BoardSimulator *board = rig.addBoard("SN-CUT", "1.2.0", "2.0.0");
        UpdateRig::updateService(board)->setFault(BoardUpdateService::Fault::Silent, 3);
        DeviceUpdateEntry *entry = rig.connect(board, State::UpdateAvailable);
        QVERIFY(entry);
        QPointer<DeviceUpdateEntry> uploading = entry;

        entry->startUpdate();
        QTRY_VERIFY_WITH_TIMEOUT(uploading && uploading->updateState() == State::UploadingFirmware, 10000);
        // With the screen hidden, the upload shows itself as a notification.
        rig.updates->setVisibility(false);
        QCOMPARE(UpdateRig::notifications(), (QList<std::pair<QString, QString>>{{"Uploading firmware", QString()}}));
        rig.updates->setVisibility(true);
        QCOMPARE(UpdateRig::notifications(), (QList<std::pair<QString, QString>>{}));

        UpdateRig::updateService(board)->setFault(BoardUpdateService::Fault::None);
        board->restart(200ms);
        QTRY_VERIFY_WITH_TIMEOUT(!uploading, 10000);
        QCOMPARE(UpdateRig::notifications(),
                 (QList<std::pair<QString, QString>>{
                     {"Firmware update failed", "The connection to the board was lost during the firmware update"}}));

        // Back again, the board offers the update; nothing uploads without a click.
        QTRY_VERIFY_WITH_TIMEOUT(rig.entry("SN-CUT") && rig.entry("SN-CUT")->updateState() == State::UpdateAvailable,
                                 10000);
        QTest::qWait(500);
        QCOMPARE(rig.entry("SN-CUT")->updateState(), State::UpdateAvailable);
        QCOMPARE(rig.states["SN-CUT"].count(State::DownloadingFirmware), 1);
        QVERIFY(UpdateRig::uploadKinds(board).isEmpty());
        QVERIFY(rig.updates->updatingSerials().isEmpty());
    }

    // A board that still runs the old image after its restart is not flashed again
    // and again: the update stops and says so.
    void boardKeepingTheOldImage()
    {
        FirmwareStorage storage;
        publishZelto(storage, false);
        QVERIFY(storage.writeVersionInfo());
        UpdateRig rig(storage);
        QVERIFY(rig.start());
        rig.updates->setVisibility(true);
        BoardSimulator *board = rig.addBoard("SN-OLD", "1.2.0", "2.0.0");
        // The board rolls back: after the restart it reports what it had.
        connect(board, &BoardSimulator::restarting, board,
                [board] { UpdateRig::control(board)->state().firmwareVersion = "1.2.0"; });
        DeviceUpdateEntry *entry = rig.connect(board, State::UpdateAvailable);
        QVERIFY(entry);

        entry->startUpdate();
        QTRY_VERIFY_WITH_TIMEOUT(rig.states["SN-OLD"].contains(State::RestartAfterUpload)
                                     && rig.states["SN-OLD"].last() != State::RestartAfterUpload
                                     && rig.states["SN-OLD"].last() != State::VerifyingUpdate,
                                 20000);
        const QList<State> states = rig.states["SN-OLD"];
        const QList<State> afterRestart = states.mid(states.indexOf(State::RestartAfterUpload));
        QVERIFY(afterRestart.contains(State::ErrorWhileUpdating));
        QVERIFY(!afterRestart.contains(State::DownloadingFirmware));
        QTest::qWait(500);
        QCOMPARE(UpdateRig::uploadKinds(board), QList<uint32_t>{2});
        QCOMPARE(rig.states["SN-OLD"].count(State::DownloadingFirmware), 1);
        QCOMPARE(UpdateRig::notifications(),
                 (QList<std::pair<QString, QString>>{
                     {"Firmware update failed", "The board still reports ZeltoOS 1.2.0 after the update"}}));
        QVERIFY(rig.updates->updatingSerials().isEmpty());
    }

    void entriesByBoardKind_data()
    {
        QTest::addColumn<int>("extendedType");
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("operatingSystem");

        QTest::newRow("exploration") << 0 << "Zelto"
                                     << "ZeltoOS";
        QTest::newRow("industrial") << 10 << "Zelto"
                                    << "ZeltoOS";
        QTest::newRow("rugged") << 15 << "Zelto"
                                << "ZeltoOS";
        QTest::newRow("Tavrin") << 13 << "Tavrin"
                                << "TavrinOS";
        QTest::newRow("Tavrin v1.3") << 18 << "Tavrin"
                                     << "TavrinOS";
        QTest::newRow("Tavrin v1.4") << 21 << "Tavrin"
                                     << "TavrinOS";
        QTest::newRow("Bexlin") << 16 << "Bexlin"
                                << "ZeltoOS";
        QTest::newRow("Kiro") << 22 << "Kiro"
                              << "TavrinOS";
        QTest::newRow("evaluation kit") << 11 << QString() << QString();
        QTest::newRow("development board") << 12 << QString() << QString();
        QTest::newRow("14") << 14 << QString() << QString();
        QTest::newRow("CES") << 17 << QString() << QString();
        QTest::newRow("23") << 23 << QString() << QString();
        QTest::newRow("read error") << -1 << QString() << QString();
    }

    void entriesByBoardKind()
    {
        QFETCH(int, extendedType);
        QFETCH(QString, device);
        QFETCH(QString, operatingSystem);

        FirmwareStorage storage;
        publishZelto(storage, false);
        QVERIFY(storage.writeVersionInfo());
        UpdateRig rig(storage);
        QVERIFY(rig.start());
        LogCapture log("Delivery.HardwareUpdate");
        BoardSimulator *board = rig.addBoard("SN-KIND", "1.2.0", "2.0.0", extendedType);
        rig.plug(board);
        QTRY_VERIFY_WITH_TIMEOUT(rig.zelto("SN-KIND") && rig.zelto("SN-KIND")->isConnected(), 10000);
        QTest::qWait(100);
        auto *entry = static_cast<ZeltoUpdateEntry *>(rig.entry("SN-KIND"));
        if (device.isEmpty()) {
            QVERIFY(!entry);
            QCOMPARE(log.lines(), QStringList{QStringLiteral("Unknown device type: %1").arg(extendedType)});
            return;
        }
        QVERIFY(entry);
        QCOMPARE(entry->deviceTypeString(), device);
        QCOMPARE(entry->operatingSystemComponent(), operatingSystem);
        QCOMPARE(int(entry->extendedDeviceType()), extendedType);
        QCOMPARE(log.lines(), QStringList());
    }

    // A board checking a new image shows how far it got.
    void verificationProgress()
    {
        FirmwareStorage storage;
        publishZelto(storage, false);
        QVERIFY(storage.writeVersionInfo());
        UpdateRig rig(storage);
        QVERIFY(rig.start());
        BoardSimulator *board = rig.addBoard("SN-VERIFY", "1.3.0", "2.0.0");
        BoardControlState &state = UpdateRig::control(board)->state();
        state.firmwareVerified = false;
        state.bootTimeoutMs = 60000;
        state.remainingTimeMs = 15000;
        QVERIFY(rig.connect(board, State::NoUpdateAvailable));
        QVERIFY(rig.states["SN-VERIFY"].contains(State::VerifyingUpdate));
        QVERIFY(rig.progress["SN-VERIFY"].contains(0.75f));
        QCOMPARE(rig.progress["SN-VERIFY"].last(), -1.0f);
    }

    // Entries leave with their boards and keep the count of offered updates right.
    void entriesLeaveWithTheirBoards()
    {
        FirmwareStorage storage;
        publishZelto(storage, false);
        QVERIFY(storage.writeVersionInfo());
        UpdateRig rig(storage);
        QVERIFY(rig.start());
        BoardSimulator *a = rig.addBoard("SN-L1", "1.2.0", "2.0.0");
        BoardSimulator *b = rig.addBoard("SN-L2", "1.3.0", "2.0.0");
        QVERIFY(rig.connect(a, State::UpdateAvailable));
        QVERIFY(rig.connect(b, State::NoUpdateAvailable));
        QCOMPARE(rig.updates->property("availableUpdates").toInt(), 1);
        QSignalSpy counted(rig.updates.get(), &HardwareUpdate::AvailableUpdatesChanged);

        a->restart(std::chrono::hours(1));
        QTRY_COMPARE_WITH_TIMEOUT(rig.updates->deviceList().size(), 1, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(rig.updates->property("availableUpdates").toInt(), 0, 5000);
        QCOMPARE(rig.updates->deviceList().first()->serial(), QStringLiteral("SN-L2"));
        QVERIFY(!counted.isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_HardwareUpdate)
#include "tst_HardwareUpdate.moc"
