#include "AppBinTools.h"
#include "AppBinaryManager.h"
#include "AppFile.h"
#include "BoardControlChannel.h"
#include "BoardSimulator.h"
#include "BoardUpdateService.h"
#include "ErrorHandler.h"
#include "FakeUsbBackend.h"
#include "InProcessFactorySettings.h"
#include "OstFactory.h"
#include "SimulatorDataLink.h"
#include "Zelto.h"

#include "support/BinaryListRig.h"
#include "support/Readelf.h"

#include <QPointer>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace std::chrono_literals;

namespace {

OstFactorySettings factorySettings()
{
    static FakeUsbBackend emptyBus;
    return inProcessFactorySettings(&emptyBus);
}

BoardSettings boardSettings()
{
    BoardSettings settings;
    settings.serialNumber = "SIM0025";
    settings.heartbeatInterval = 20ms;
    return settings;
}

// The binary list of the program beside the device factory, as the program wires
// them, and a simulated board behind an in-process transport.
struct UploadRig : BinaryListRig
{
    OstFactory factory{nullptr, factorySettings()};
    BoardSimulator simulator{boardSettings()};
    QPointer<Zelto> board;

    UploadRig()
    {
        QObject::connect(&factory, &OstFactory::ActiveDeviceChanged, manager.get(), &AppBinaryManager::setDevice);
        control().wifiAddress = BoardControlState::wifiAddressRecord(0);
    }
    ~UploadRig() { manager.reset(); }

    BoardControlState &control() { return static_cast<BoardControlChannel *>(simulator.channel(1))->state(); }
    BoardUpdateService *updates() { return static_cast<BoardUpdateService *>(simulator.channel(4)); }

    // Plugs the board in, waits until it is connected and selects it.
    bool connectBoard()
    {
        factory.createPendingDevice(new SimulatorDataLink(AbstractDataLink::USB, &simulator));
        if (!QTest::qWaitFor(
                [&] { return !factory.deviceList().isEmpty() && factory.deviceList().first()->isConnected(); }, 3000))
            return false;
        board = factory.deviceList().first();
        factory.setSelectedDevice(board);
        // The board has told its versions.
        return QTest::qWaitFor([&] { return manager->board() == board && manager->boardFirmwareVerified(); }, 3000);
    }

    // The board falls silent and is lost.
    bool loseBoard()
    {
        simulator.settings().silent = true;
        return QTest::qWaitFor([&] { return !board; }, 3000);
    }

    // The image the board must receive for a listed file: the upload image, padded to whole words.
    static QByteArray expectedImage(const AppFile *file)
    {
        AppBinTools tools;
        const QSharedPointer<QBuffer> image = tools.prepareBinary(file->filePath(), file->getBaseAppVersionNumber(),
                                                                  file->flags(), qint32(file->headerLength()));
        if (!image)
            return {};
        QByteArray bytes = image->data();
        bytes.append(QByteArray((4 - bytes.size() % 4) % 4, '\0'));
        return bytes;
    }
};

QString elf(const QString &name = QStringLiteral("two_segments"))
{
    return elfFixture(name + ".elf");
}

} // namespace

// Uploads of listed binaries to a simulated board, through the board object and its
// update service: straight away when nothing stands in the way, else through the
// prompts that wait for a board, for its firmware to be verified or for its
// application to stop; and what happens when the upload fails or the board goes.
class tst_AppBinaryUpload : public QObject
{
    Q_OBJECT

private slots:
    void init() { ErrorHandler::instance()->clearNotifications(); }

    // The whole road: a binary pushed by a link is imported, listed and uploaded; the
    // board unscrambles it, finds size and checksum right and runs it.
    void pushedBinaryRunsOnTheBoard()
    {
        UploadRig rig;
        QVERIFY(rig.connectBoard());
        QVERIFY(!rig.board->appRunning());
        rig.manager->pushElfBinaryFromUri(elf(QStringLiteral("appinfo")), QStringLiteral("release 3.1.4"),
                                          QStringLiteral("b1"), QStringLiteral("Zelto_Development_Board"), 0x21);
        QCOMPARE(rig.count(), 1);
        AppFile *file = rig.at(0);
        QSignalSpy progress(file, &AppFile::UploadProgressChanged);

        QTRY_COMPARE_WITH_TIMEOUT(rig.updates()->uploads().size(), 1, 5000);
        const BoardUpdateService::Upload upload = rig.updates()->uploads().constFirst();
        QCOMPARE(upload.kind, uint32_t(BoardUpdateService::ApplicationMessage));
        QVERIFY(upload.accepted);
        QCOMPARE(upload.image, UploadRig::expectedImage(file));
        QTRY_VERIFY(!file->isUploading());
        QCOMPARE(file->getUpdateProgress(), 1.0f);
        QVERIFY(!progress.isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(rig.board->appRunning(), 3000);
        // Nothing was in the way, so nobody was asked.
        QCOMPARE(rig.manager->notificationKey(), 0);
        QVERIFY(!BinaryListRig::titles().contains(QStringLiteral("Uploading new model completed")));
        QCOMPARE(rig.updates()->seedRequests(), 1);
    }

    // A binary that comes while no board is there waits in the connect prompt; the
    // board's arrival turns it into the confirm prompt, whose button uploads, and the
    // board's acceptance is announced once.
    void promptWaitsForTheBoard()
    {
        UploadRig rig;
        rig.manager->pushElfBinaryFromUri(elf(), QStringLiteral("1.0"), QStringLiteral("b1"), QString());
        QCOMPARE(rig.manager->uploadFlowState(), AppBinaryManager::WaitingForDevice);
        QVERIFY(!rig.prompt()->property("buttonEnabled").toBool());
        rig.prompt()->buttonPressed(); // does nothing while disabled
        QVERIFY(rig.connectBoard());
        QCOMPARE(rig.manager->uploadFlowState(), AppBinaryManager::ConfirmShown);
        QCOMPARE(rig.prompt()->getTitle(), QStringLiteral("Upload model to Zelto Development board"));
        QCOMPARE(rig.prompt()->getMessage(),
                 QStringLiteral("The previous uploaded model will be replaced by the new model."));
        QCOMPARE(rig.prompt()->property("buttonName").toString(), QStringLiteral("Upload"));
        QVERIFY(rig.prompt()->property("buttonEnabled").toBool());
        QVERIFY(rig.updates()->uploads().isEmpty());

        QPointer<NotificationMsgProgressButton> confirm = rig.prompt();
        confirm->buttonPressed();
        QTRY_COMPARE_WITH_TIMEOUT(rig.updates()->uploads().size(), 1, 5000);
        QVERIFY(rig.updates()->uploads().constFirst().accepted);
        QTRY_VERIFY(!confirm); // the prompt goes when its progress is complete
        QTRY_VERIFY(BinaryListRig::titles().contains(QStringLiteral("Uploading new model completed")));
        QTest::qWait(200);
        QCOMPARE(BinaryListRig::titles().count(QStringLiteral("Uploading new model completed")), 1);
        const AbstractNotification *done = ErrorHandler::instance()->getNotificationList().constLast();
        QCOMPARE(done->getMessage(), QStringLiteral("The uploading process is finished. The Zelto Development board "
                                                    "will restart and load the new model."));
        QCOMPARE(rig.manager->uploadFlowState(), AppBinaryManager::Idle);
        QCOMPARE(rig.manager->notificationKey(), 0);
    }

    // "Completed" is told only for an upload the board accepted.
    void noCompletionWithoutSuccess_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::addColumn<QString>("warning");
        QTest::newRow("prompt closed before the upload") << "close"
                                                         << "";
        QTest::newRow("board refuses the image") << "fail"
                                                 << "Uploading failed due to n unkown error. Try again.";
        QTest::newRow("board times out") << "timeout"
                                         << "Uploading failed due to a timeout. Try again.";
        QTest::newRow("board reports its application running")
            << "running"
            << "Application is still running. Stop the application before uploading new binaries";
    }
    void noCompletionWithoutSuccess()
    {
        QFETCH(QString, ending);
        QFETCH(QString, warning);
        UploadRig rig;
        rig.manager->pushElfBinaryFromUri(elf(), QStringLiteral("1.0"), QStringLiteral("b1"), QString());
        QVERIFY(rig.connectBoard());
        QPointer<NotificationMsgProgressButton> confirm = rig.prompt();
        QVERIFY(confirm);
        AppFile *file = rig.at(0);
        if (ending == QLatin1String("close")) {
            confirm->deleteSelf();
        } else {
            const BoardUpdateService::Fault fault = ending == QLatin1String("fail") ? BoardUpdateService::Fault::Fail
                                                    : ending == QLatin1String("timeout")
                                                        ? BoardUpdateService::Fault::TimeOut
                                                        : BoardUpdateService::Fault::ApplicationRunning;
            rig.updates()->setFault(fault, ending == QLatin1String("running") ? 0 : 1);
            confirm->buttonPressed();
            QTRY_VERIFY_WITH_TIMEOUT(!file->isUploading() && rig.updates()->seedRequests() == 1, 5000);
            QTRY_VERIFY(!ErrorHandler::instance()->getNotificationList().isEmpty()
                        && ErrorHandler::instance()->getNotificationList().constLast()->getMessage() == warning);
            if (confirm) // it is gone once every byte is sent; else the user closes it
                confirm->deleteSelf();
        }
        QTRY_VERIFY(!confirm);
        QTest::qWait(200);
        QVERIFY(!BinaryListRig::titles().contains(QStringLiteral("Uploading new model completed")));
        QCOMPARE(rig.manager->uploadFlowState(), AppBinaryManager::Idle);
        QVERIFY(!file->isUploading());
    }

    // A binary is not uploaded over a running application: the user is asked to stop
    // it, the prompt's button stops it, and the confirm prompt follows.
    void runningApplicationIsStoppedFirst()
    {
        UploadRig rig;
        rig.control().appStatus = 3;
        QVERIFY(rig.connectBoard());
        QTRY_VERIFY(rig.board->appRunning());
        rig.manager->pushElfBinaryFromUri(elf(), QStringLiteral("1.0"), QStringLiteral("b1"), QString());
        QCOMPARE(rig.manager->uploadFlowState(), AppBinaryManager::WaitingForStop);
        NotificationMsgProgressButton *running = rig.prompt();
        QCOMPARE(running->getTitle(), QStringLiteral("Application still running"));
        QCOMPARE(running->getMessage(),
                 QStringLiteral("The application is still running. Stop the application and retry again"));
        QCOMPARE(running->property("buttonName").toString(), QStringLiteral("Stop app"));
        QVERIFY(running->getModal());
        QVERIFY(running->getExpanded());
        QVERIFY(running->property("buttonEnabled").toBool());
        // Pressing Upload in the list is refused the same way.
        rig.at(0)->flashAppFile();
        QCOMPARE(rig.manager->uploadFlowState(), AppBinaryManager::WaitingForStop);
        QTest::qWait(200);
        QVERIFY(rig.updates()->uploads().isEmpty());
        QCOMPARE(rig.updates()->seedRequests(), 0);

        rig.prompt()->buttonPressed();
        QTRY_COMPARE_WITH_TIMEOUT(rig.manager->uploadFlowState(), AppBinaryManager::ConfirmShown, 3000);
        QCOMPARE(rig.control().appStatus, uint8_t(2));
        rig.prompt()->buttonPressed();
        QTRY_COMPARE_WITH_TIMEOUT(rig.updates()->uploads().size(), 1, 5000);
        QVERIFY(rig.updates()->uploads().constFirst().accepted);
        QTRY_VERIFY(rig.board->appRunning());
    }

    // A board whose firmware is still being verified takes no upload; once it is
    // verified the confirm prompt follows.
    void waitsForTheFirmwareVerification()
    {
        UploadRig rig;
        rig.control().firmwareVerified = false;
        rig.control().remainingTimeMs = 20000; // of 30000: a third of the way
        rig.factory.createPendingDevice(new SimulatorDataLink(AbstractDataLink::USB, &rig.simulator));
        QVERIFY(QTest::qWaitFor([&] { return !rig.factory.deviceList().isEmpty(); }, 3000));
        rig.board = rig.factory.deviceList().first();
        QTRY_VERIFY(rig.board->isConnected());
        rig.factory.setSelectedDevice(rig.board);
        QCOMPARE(rig.manager->board(), rig.board.data());
        QTRY_VERIFY(rig.board->getFirmwareVersion() == QLatin1String("1.4.2"));
        QVERIFY(!rig.manager->boardFirmwareVerified());

        rig.manager->pushElfBinaryFromUri(elf(), QStringLiteral("1.0"), QStringLiteral("b1"), QString());
        QCOMPARE(rig.manager->uploadFlowState(), AppBinaryManager::WaitingForVerification);
        QCOMPARE(rig.prompt()->getTitle(), QStringLiteral("Zelto Development board firmware not verified"));
        QCOMPARE(rig.prompt()->getMessage(),
                 QStringLiteral("Can't upload a model to the Zelto Development board. Wait until the verification "
                                "process is completed before uploading the model."));
        QVERIFY(!rig.prompt()->property("buttonEnabled").toBool());
        QVERIFY(rig.prompt()->property("progressEnabled").toBool());

        rig.control().firmwareVerified = true;
        QTRY_COMPARE_WITH_TIMEOUT(rig.manager->uploadFlowState(), AppBinaryManager::ConfirmShown, 3000);
        QVERIFY(rig.manager->boardFirmwareVerified());
        rig.prompt()->buttonPressed();
        QTRY_COMPARE_WITH_TIMEOUT(rig.updates()->uploads().size(), 1, 5000);
    }

    // An upload asked for while the board's update service is closed waits for the
    // service and runs once, however often the service is handed over.
    void queuedUploadRunsOnce()
    {
        UploadRig rig;
        rig.manager->setAutoUpload(false);
        QVERIFY(rig.connectBoard());
        rig.manager->pushElfBinaryFromUri(elf(), QStringLiteral("1.0"), QStringLiteral("b1"), QString());
        QVERIFY(!rig.manager->updateChannel());
        QSignalSpy queries(rig.manager.get(), &AppBinaryManager::QueryZeltoSoftwareUpdate);
        rig.at(0)->flashAppFile();
        QCOMPARE(queries.size(), 1);
        QTRY_VERIFY(rig.manager->updateChannel());
        QTRY_COMPARE_WITH_TIMEOUT(rig.updates()->uploads().size(), 1, 5000);
        // The service is handed over again (and once as closed): no second upload.
        rig.manager->setVisibility(true);
        rig.manager->setSoftwareUpdateChannel(nullptr);
        rig.manager->setSoftwareUpdateChannel(rig.board->updateService());
        rig.board->openCloseUpdateService(true);
        QTest::qWait(300);
        QCOMPARE(rig.updates()->seedRequests(), 1);
        QCOMPARE(rig.updates()->uploads().size(), 1);
    }

    // The board goes in the middle of an upload: the file learns that its upload
    // failed, and nobody is told it completed.
    void boardLostMidUpload()
    {
        UploadRig rig;
        QVERIFY(rig.connectBoard());
        rig.updates()->setFault(BoardUpdateService::Fault::Silent, 2); // the image takes five chunks
        rig.manager->setAutoUpload(false);
        rig.manager->pushElfBinaryFromUri(elf(QStringLiteral("appinfo")), QStringLiteral("1.0"), QStringLiteral("b1"),
                                          QString());
        QVERIFY(rig.prompt() == nullptr); // nothing in the way and no automatic upload
        AppFile *file = rig.at(0);
        QSignalSpy states(rig.manager.get(), &AppBinaryManager::UploadStateUpdated);
        file->flashAppFile();
        QTRY_VERIFY_WITH_TIMEOUT(file->getUpdateProgress() > 0, 5000);
        QTest::qWait(100);
        QVERIFY(file->getUpdateProgress() < 1);
        QVERIFY(file->isUploading());

        QVERIFY(rig.loseBoard());
        QVERIFY(!rig.manager->board());
        QCOMPARE(rig.manager->boardFirmwareNumber(), -1);
        QVERIFY(!file->isUploading());
        QCOMPARE(file->getUpdateProgress(), 0.0f);
        QVERIFY(!states.isEmpty());
        QCOMPARE(states.constLast().at(0).value<SoftwareUpdate::UpdateState>(), SoftwareUpdate::UpdateError);
        QVERIFY(!BinaryListRig::titles().contains(QStringLiteral("Uploading new model completed")));
    }

    // Ready-made upload images: sent as they are, or refused with a warning.
    void uploadImageFiles()
    {
        UploadRig rig;
        const QString path = rig.root.filePath(QStringLiteral("model.apb"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        const QByteArray image = QByteArray(3000, '\x5A') + QByteArray("tail");
        file.write(image);
        file.close();

        rig.manager->uploadApbBinary(path);
        QCOMPARE(BinaryListRig::titles(), QStringList{"Could not upload .apb binary file"});

        QVERIFY(rig.connectBoard());
        rig.control().appStatus = 3;
        QTRY_VERIFY(rig.board->appRunning());
        ErrorHandler::instance()->clearNotifications();
        rig.manager->uploadApbBinaryUrl(QUrl::fromLocalFile(path));
        QCOMPARE(BinaryListRig::titles(), QStringList{"Could not upload .apb binary file"});
        QCOMPARE(ErrorHandler::instance()->getNotificationList().constFirst()->getMessage(),
                 QStringLiteral("The application is still running. Stop the application and retry again"));

        rig.control().appStatus = 2;
        QTRY_VERIFY(!rig.board->appRunning());
        rig.manager->uploadApbBinary(path);
        QTRY_COMPARE_WITH_TIMEOUT(rig.updates()->uploads().size(), 1, 5000);
        QCOMPARE(rig.updates()->uploads().constFirst().image, image);
        QVERIFY(rig.updates()->uploads().constFirst().accepted);

        rig.manager->uploadApbBinary(rig.root.filePath(QStringLiteral("missing.apb")));
        QTest::qWait(200);
        QCOMPARE(rig.updates()->uploads().size(), 1);
    }
};

QTEST_GUILESS_MAIN(tst_AppBinaryUpload)
#include "tst_AppBinaryUpload.moc"
