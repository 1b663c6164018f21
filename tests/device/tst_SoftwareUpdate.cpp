#include "BoardCrc.h"
#include "BoardRig.h"
#include "BoardUpdateService.h"
#include "ErrorHandler.h"
#include "SoftwareUpdate.h"
#include "TestBytes.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using State = SoftwareUpdate::UpdateState;

namespace {

// A message as the board sends it on channel 4.
QByteArray boardMessage(uint32_t type, const QByteArray &payload = QByteArray())
{
    return hex("AABBCCDD") + le32(type) + le32(uint32_t(payload.size())) + payload;
}

QSharedPointer<QBuffer> bufferOf(const QByteArray &data)
{
    auto buffer = QSharedPointer<QBuffer>::create();
    buffer->open(QIODevice::ReadWrite);
    buffer->write(data);
    return buffer;
}

QByteArray padded(QByteArray data)
{
    while (data.size() % 4)
        data.append('\0');
    return data;
}

QList<State> statesOf(const QSignalSpy &spy)
{
    QList<State> states;
    for (const QList<QVariant> &arguments : spy)
        states << arguments[0].value<State>();
    return states;
}

// The notification the service posted last, as "title|message|origin".
QString lastNotification()
{
    const NotificationList list = ErrorHandler::instance()->getNotificationList();
    if (list.isEmpty())
        return QString();
    const AbstractNotification *n = list.last();
    return n->getTitle() + '|' + n->getMessage() + '|' + n->getOrigin();
}

// The service on a manager without a link: board messages are handed in, and what the
// service sends is recorded.
struct Harness
{
    DatalinkManager manager;
    SoftwareUpdate service{nullptr, &manager};
    QSignalSpy written{&service, &AbstractService::write};
    QSignalSpy states{&service, &SoftwareUpdate::UpdateStateChanged};
    QSignalSpy progress{&service, &SoftwareUpdate::UpdateProgressChanged};
    QSignalSpy autoConnect{&service, &SoftwareUpdate::AddToAutoConnect};

    Harness()
    {
        service.initialize();
        states.clear();
        progress.clear();
    }
    void receive(const QByteArray &payload) { emit manager.DataReady(SoftwareUpdate::Channel, payload); }
    QByteArray lastWritten() const { return written.isEmpty() ? QByteArray() : written.last()[2].toByteArray(); }
};

// The service against the board simulator's update service.
struct UpdateRig : BoardRig
{
    SoftwareUpdate service{nullptr, &manager};
    QSignalSpy states{&service, &SoftwareUpdate::UpdateStateChanged};
    QSignalSpy progress{&service, &SoftwareUpdate::UpdateProgressChanged};
    QSignalSpy finished{&service, &SoftwareUpdate::AddToAutoConnect};
    QSignalSpy chunks{&board, &BoardSimulator::frameReceived};

    BoardUpdateService *updates() const { return channel<BoardUpdateService>(); }
    bool start()
    {
        service.initialize();
        return connect();
    }
    bool waitForState(State state, int ms = 5000)
    {
        return QTest::qWaitFor([&] { return statesOf(states).contains(state); }, ms);
    }
    // The sizes of the bare chunks the board received.
    QList<int> chunkSizes() const
    {
        QList<int> sizes;
        for (const QList<QVariant> &frame : chunks) {
            const QByteArray payload = frame[2].toByteArray();
            if (frame[1].value<uint16_t>() == SoftwareUpdate::Channel && !payload.startsWith(hex("AABBCCDD")))
                sizes << int(payload.size());
        }
        return sizes;
    }
};

} // namespace

// The update service: the announcement and the chunks it sends for each
// acknowledgement, padding and checksum, the board's replies and failures, loading
// binaries from files, and whole uploads that the board simulator unscrambles and
// checks.
class tst_SoftwareUpdate : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { ErrorHandler::instance(); }

    void firmwareUploadIsAnnouncedWithSizeAndChecksum()
    {
        Harness harness;
        const QByteArray data = randomBytes(4096, 1);
        QCOMPARE(harness.service.startUpdateFromMemory(bufferOf(data), SoftwareUpdate::BoardFirmware), 0);
        QCOMPARE(harness.written.size(), 1);
        QCOMPARE(harness.written[0][0].value<DatalinkChannelId>(), DatalinkChannelId(4));
        QCOMPARE(harness.written[0][1].toBool(), true);
        QCOMPARE(harness.lastWritten().toHex(' '),
                 (hex("AABBCCDD 02000000 08000000 00100000") + le32(boardCrc32(data))).toHex(' '));
        QCOMPARE(statesOf(harness.states),
                 (QList<State>{SoftwareUpdate::Started, SoftwareUpdate::BinaryLoaded, SoftwareUpdate::SendBinaryData,
                               SoftwareUpdate::UpdateCommandSend}));
    }

    void binaryIsPaddedToWholeWords_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("paddedSize");
        QTest::addColumn<qint64>("position"); // where the caller left the buffer
        QTest::newRow("1000 stays") << 1000 << 1000 << qint64(-1);
        QTest::newRow("1001 gets 3") << 1001 << 1004 << qint64(-1);
        QTest::newRow("1003 gets 1") << 1003 << 1004 << qint64(-1);
        QTest::newRow("2050 gets 2") << 2050 << 2052 << qint64(-1);
        QTest::newRow("buffer left rewound") << 1001 << 1004 << qint64(0);
        QTest::newRow("empty") << 0 << 0 << qint64(-1);
    }
    void binaryIsPaddedToWholeWords()
    {
        QFETCH(int, size);
        QFETCH(int, paddedSize);
        QFETCH(qint64, position);
        Harness harness;
        const QByteArray data = randomBytes(size, 2);
        auto buffer = bufferOf(data);
        if (position >= 0)
            buffer->seek(position);
        QCOMPARE(harness.service.startUpdateFromMemory(buffer, SoftwareUpdate::WifiModuleFirmware), 0);
        const QByteArray expected = data + QByteArray(paddedSize - size, '\0');
        QCOMPARE(harness.service.size(), uint32_t(paddedSize));
        QCOMPARE(
            harness.lastWritten().toHex(' '),
            (hex("AABBCCDD 04000000 08000000") + le32(uint32_t(paddedSize)) + le32(boardCrc32(expected))).toHex(' '));
        QCOMPARE(buffer->data(), expected);
    }

    void oneChunkGoesOutForEachAcknowledgement()
    {
        Harness harness;
        const QByteArray data = randomBytes(4096, 3);
        harness.service.startUpdateFromMemory(bufferOf(data), SoftwareUpdate::BoardFirmware);
        harness.written.clear();
        QByteArray sent;
        QList<int> sizes;
        for (int ack = 0; ack < 5; ++ack) {
            harness.receive(boardMessage(2));
            QCOMPARE(harness.written.size(), ack + 1);
            sizes << int(harness.lastWritten().size());
            sent += harness.lastWritten();
        }
        QCOMPARE(sizes, (QList<int>{1018, 1018, 1018, 1018, 24}));
        QVERIFY(sent == data);
        QCOMPARE(harness.progress.last()[0].toFloat(), 1.0f);

        // The acknowledgement of the last chunk only reports completion.
        harness.receive(boardMessage(2));
        QCOMPARE(harness.written.size(), 5);
        QCOMPARE(harness.progress.last()[0].toFloat(), 1.0f);
        float previous = 0.0f;
        for (const QList<QVariant> &step : harness.progress) {
            QVERIFY(step[0].toFloat() >= previous);
            previous = step[0].toFloat();
        }

        harness.receive(boardMessage(5));
        QCOMPARE(harness.service.state(), SoftwareUpdate::UpdateFinished);
        QCOMPARE(harness.autoConnect.size(), 1);
    }

    void boardFailuresEndTheUpload_data()
    {
        QTest::addColumn<SoftwareUpdate::UpdateCommand>("command");
        QTest::addColumn<uint32_t>("type");
        QTest::addColumn<State>("state");
        QTest::addColumn<QString>("notification");

        QTest::newRow("failure during a firmware upload")
            << SoftwareUpdate::BoardFirmware << 6u << SoftwareUpdate::UpdateError
            << "Upload firmware failed|Uploading failed due to n unkown error. Try again.|Binary uploader";
        QTest::newRow("time-out of a Wi-Fi module upload")
            << SoftwareUpdate::WifiModuleFirmware << 7u << SoftwareUpdate::TimedOut
            << "Upload firmware failed|Uploading failed due to a timeout. Try again.|Binary uploader";
        QTest::newRow("application still running")
            << SoftwareUpdate::ApplicationBinary << 9u << SoftwareUpdate::AppStillRunning
            << "Upload binary failed|Application is still running. Stop the application before uploading new "
               "binaries|Binary uploaders";
    }
    void boardFailuresEndTheUpload()
    {
        QFETCH(SoftwareUpdate::UpdateCommand, command);
        QFETCH(uint32_t, type);
        QFETCH(State, state);
        QFETCH(QString, notification);
        ErrorHandler::instance()->clearNotifications();
        Harness harness;
        harness.service.startUpdateFromMemory(bufferOf(randomBytes(2000, 4)), command);
        if (command == SoftwareUpdate::ApplicationBinary)
            harness.receive(boardMessage(1, le32(1) + le32(99)));
        harness.receive(boardMessage(3));
        harness.receive(boardMessage(type));
        QCOMPARE(harness.service.state(), state);
        QTRY_COMPARE(lastNotification(), notification);
        QCOMPARE(ErrorHandler::instance()->getNotificationList().last()->getLevel(), halvora::ErrorLevel::Warning);
    }

    void timedOutUploadIgnoresTheBoard()
    {
        Harness harness;
        harness.service.startUpdateFromMemory(bufferOf(randomBytes(2000, 5)), SoftwareUpdate::BoardFirmware);
        harness.receive(boardMessage(2));
        harness.receive(boardMessage(7));
        const qsizetype writes = harness.written.size();
        harness.states.clear();
        for (uint32_t type : {2u, 5u, 6u, 9u})
            harness.receive(boardMessage(type));
        QCOMPARE(harness.written.size(), writes);
        QCOMPARE(harness.states.size(), 0);
        QCOMPARE(harness.autoConnect.size(), 0);
        QCOMPARE(harness.service.state(), SoftwareUpdate::TimedOut);

        // Until a new upload starts.
        harness.service.startUpdateFromMemory(bufferOf(randomBytes(8, 6)), SoftwareUpdate::BoardFirmware);
        harness.receive(boardMessage(2));
        QCOMPARE(harness.lastWritten().size(), 8);
    }

    void finishReportIsAlwaysPassedOn()
    {
        Harness harness;
        harness.service.startUpdateFromMemory(bufferOf(randomBytes(16, 7)), SoftwareUpdate::BoardFirmware);
        QCOMPARE(harness.service.state(), SoftwareUpdate::UpdateCommandSend);
        harness.receive(boardMessage(5));
        QCOMPARE(harness.autoConnect.size(), 1);
        QCOMPARE(harness.service.state(), SoftwareUpdate::UpdateCommandSend);
    }

    void unfitMessagesAreIgnored_data()
    {
        QTest::addColumn<SoftwareUpdate::UpdateCommand>("command");
        QTest::addColumn<QByteArray>("message");
        QTest::newRow("shorter than the header") << SoftwareUpdate::BoardFirmware << hex("AABBCCDD 02000000 080000");
        QTest::newRow("wrong magic") << SoftwareUpdate::BoardFirmware << hex("AABBCCDE 02000000 00000000");
        QTest::newRow("payload shorter than declared")
            << SoftwareUpdate::BoardFirmware << hex("AABBCCDD 02000000 04000000 0102");
        QTest::newRow("length near 2^32") << SoftwareUpdate::BoardFirmware << hex("AABBCCDD 02000000 FCFFFFFF");
        QTest::newRow("type 0") << SoftwareUpdate::BoardFirmware << boardMessage(0);
        QTest::newRow("type 10") << SoftwareUpdate::BoardFirmware << boardMessage(10);
        QTest::newRow("seed reply while the command is out")
            << SoftwareUpdate::BoardFirmware << boardMessage(1, le32(1) + le32(5));
        QTest::newRow("seed reply with bytes past its length")
            << SoftwareUpdate::ApplicationBinary << boardMessage(1, le32(1) + le32(5)) + "x";
        QTest::newRow("seed reply too short") << SoftwareUpdate::ApplicationBinary << boardMessage(1, le32(1));
    }
    void unfitMessagesAreIgnored()
    {
        QFETCH(SoftwareUpdate::UpdateCommand, command);
        QFETCH(QByteArray, message);
        Harness harness;
        harness.service.startUpdateFromMemory(bufferOf(randomBytes(3000, 8)), command);
        const qsizetype writes = harness.written.size();
        harness.states.clear();
        harness.receive(message);
        QCOMPARE(harness.written.size(), writes);
        QCOMPARE(harness.states.size(), 0);
    }

    void wifiModuleVersionReply_data()
    {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<bool>("reported");
        QTest::addColumn<QString>("version");
        QTest::newRow("verified") << le32(1) + QByteArray("2.0.1") + QByteArray(11, '\0') << true << "2.0.1";
        QTest::newRow("not verified") << le32(0) + QByteArray("2.0.1") + QByteArray(11, '\0') << false << "";
        QTest::newRow("text in the last 16 bytes")
            << le32(1) + QByteArray("pad.") + QByteArray("1.2.3-rc4-abcdef") << true << "1.2.3-rc4-abcdef";
        QTest::newRow("flag alone") << le32(1) << true << "";
        QTest::newRow("short text never reads the flag") << le32(1) + QByteArray("1.9") << true << "1.9";
        QTest::newRow("shorter than the flag") << hex("0100") << false << "";
    }
    void wifiModuleVersionReply()
    {
        QFETCH(QByteArray, payload);
        QFETCH(bool, reported);
        QFETCH(QString, version);
        Harness harness;
        QSignalSpy versions(&harness.service, &SoftwareUpdate::SetVersionESPReceived);
        harness.receive(boardMessage(8, payload));
        QCOMPARE(versions.size(), reported ? 1 : 0);
        if (reported) {
            QCOMPARE(versions[0][0].toBool(), true);
            QCOMPARE(versions[0][1].toString(), version);
        }
    }

    void binaryFromFile_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<bool>("create");
        QTest::addColumn<int>("result");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<State>("state");

        const QByteArray data(1001, 'f');
        QTest::newRow("firmware") << "zelto.fwb" << true << 0
                                  << hex("AABBCCDD 02000000 08000000 EC030000") + le32(boardCrc32(padded(data)))
                                  << SoftwareUpdate::UpdateCommandSend;
        QTest::newRow("Wi-Fi module") << "module.feb" << true << 0
                                      << hex("AABBCCDD 04000000 08000000 EC030000") + le32(boardCrc32(padded(data)))
                                      << SoftwareUpdate::UpdateCommandSend;
        QTest::newRow("application") << "app.apb" << true << 0 << hex("AABBCCDD 01000000 00000000")
                                     << SoftwareUpdate::SeedRequested;
        QTest::newRow("unknown extension") << "notes.txt" << true << -1 << QByteArray() << SoftwareUpdate::UpdateError;
        QTest::newRow("missing firmware file")
            << "gone.fwb" << false << -1 << QByteArray() << SoftwareUpdate::UpdateError;
    }
    void binaryFromFile()
    {
        QFETCH(QString, fileName);
        QFETCH(bool, create);
        QFETCH(int, result);
        QFETCH(QByteArray, sent);
        QFETCH(State, state);
        QTemporaryDir dir;
        const QString path = dir.filePath(fileName);
        if (create) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(1001, 'f'));
        }
        Harness harness;
        if (result < 0)
            QTest::ignoreMessage(QtCriticalMsg, QRegularExpression(create ? "Unknown extension" : "No such file"));
        QCOMPARE(harness.service.startUpdateFromFile(QUrl::fromLocalFile(path), SoftwareUpdate::NoUpdate), result);
        QCOMPARE(harness.lastWritten().toHex(' '), sent.toHex(' '));
        QCOMPARE(harness.written.size(), sent.isEmpty() ? 0 : 1);
        QCOMPARE(harness.service.state(), state);
    }

    void missingBinaryIsRefused()
    {
        Harness harness;
        QCOMPARE(harness.service.startUpdateFromMemory({}, SoftwareUpdate::BoardFirmware), -1);
        QCOMPARE(harness.service.startSimBuild({}), -1);
        QCOMPARE(harness.written.size(), 0);
    }

    // Whole uploads against the board simulator.
    void firmwareUploadIsAcceptedByTheBoard()
    {
        UpdateRig rig;
        QVERIFY(rig.start());
        rig.states.clear();
        const QByteArray data = randomBytes(4096, 9);
        QCOMPARE(rig.service.startUpdateFromMemory(bufferOf(data), SoftwareUpdate::BoardFirmware), 0);
        QVERIFY(rig.waitForState(SoftwareUpdate::UpdateFinished));
        QCOMPARE(statesOf(rig.states), (QList<State>{SoftwareUpdate::Started, SoftwareUpdate::BinaryLoaded,
                                                     SoftwareUpdate::SendBinaryData, SoftwareUpdate::UpdateCommandSend,
                                                     SoftwareUpdate::SendBinaryData, SoftwareUpdate::UpdateFinished}));
        QCOMPARE(rig.chunkSizes(), (QList<int>{1018, 1018, 1018, 1018, 24}));
        QCOMPARE(rig.updates()->uploads().size(), 1);
        const BoardUpdateService::Upload &upload = rig.updates()->uploads().first();
        QVERIFY(upload.accepted);
        QCOMPARE(upload.kind, 2u);
        QVERIFY(upload.image == data);
        QCOMPARE(rig.progress.last()[0].toFloat(), 1.0f);
        QCOMPARE(rig.finished.size(), 1);
    }

    void applicationBinaryIsUnscrambledByTheBoard_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<uint32_t>("mode");
        for (uint32_t mode : {0u, 1u}) {
            for (int size : {4, 1000, 1001, 2050, 4072, 5000}) {
                const QByteArray name = QByteArray::number(size) + " bytes, mode " + QByteArray::number(mode);
                QTest::newRow(name.constData()) << size << mode;
            }
        }
    }
    void applicationBinaryIsUnscrambledByTheBoard()
    {
        QFETCH(int, size);
        QFETCH(uint32_t, mode);
        UpdateRig rig;
        QVERIFY(rig.start());
        rig.updates()->setSeed(mode, 0xC0FFEE00u + uint32_t(size));
        const QByteArray data = randomBytes(size, quint32(size));
        QCOMPARE(rig.service.startSimBuild(bufferOf(data)), 0);
        QVERIFY(rig.waitForState(SoftwareUpdate::UpdateFinished));
        QCOMPARE(rig.updates()->uploads().size(), 1);
        const BoardUpdateService::Upload &upload = rig.updates()->uploads().first();
        QCOMPARE(upload.kind, 3u);
        QVERIFY(upload.accepted);
        QVERIFY(upload.image == padded(data));

        // Only whole-word chunks travel scrambled, and only in mode 1.
        for (const QList<QVariant> &frame : rig.chunks) {
            const QByteArray payload = frame[2].toByteArray();
            if (frame[1].value<uint16_t>() != SoftwareUpdate::Channel || payload.startsWith(hex("AABBCCDD")))
                continue;
            const bool scrambled = !padded(data).contains(payload);
            QCOMPARE(scrambled, mode == 1 && payload.size() % 4 == 0);
        }
    }

    void wifiModuleVersionIsPolledUntilVerified()
    {
        UpdateRig rig;
        QVERIFY(rig.start());
        rig.service.setVersionPollInterval(std::chrono::milliseconds(20));
        rig.updates()->setWifiModuleUnverifiedPolls(2);
        rig.updates()->setWifiModuleVersion("3.1.0");
        QSignalSpy versions(&rig.service, &SoftwareUpdate::SetVersionESPReceived);
        QCOMPARE(rig.service.startUpdateFromMemory(bufferOf(randomBytes(3000, 10)), SoftwareUpdate::WifiModuleFirmware),
                 0);
        QVERIFY(rig.waitForState(SoftwareUpdate::UpdateFinished));
        QVERIFY(rig.updates()->uploads().first().accepted);
        QVERIFY(versions.wait(3000));
        QCOMPARE(versions[0][0].toBool(), true);
        QCOMPARE(versions[0][1].toString(), QString("3.1.0"));
        QCOMPARE(rig.updates()->versionRequests(), 3);
        QVERIFY(!rig.service.isPollingWifiModuleVersion());
        QTest::qWait(150);
        QCOMPARE(rig.updates()->versionRequests(), 3);
        QCOMPARE(versions.size(), 1);
    }

    void boardThatFailsTheUpload_data()
    {
        QTest::addColumn<BoardUpdateService::Fault>("fault");
        QTest::addColumn<int>("afterChunks");
        QTest::addColumn<State>("state");
        QTest::newRow("refuses the announcement")
            << BoardUpdateService::Fault::Fail << 0 << SoftwareUpdate::UpdateError;
        QTest::newRow("fails after two chunks") << BoardUpdateService::Fault::Fail << 2 << SoftwareUpdate::UpdateError;
        QTest::newRow("times out after one chunk")
            << BoardUpdateService::Fault::TimeOut << 1 << SoftwareUpdate::TimedOut;
        QTest::newRow("application running")
            << BoardUpdateService::Fault::ApplicationRunning << 0 << SoftwareUpdate::AppStillRunning;
    }
    void boardThatFailsTheUpload()
    {
        QFETCH(BoardUpdateService::Fault, fault);
        QFETCH(int, afterChunks);
        QFETCH(State, state);
        UpdateRig rig;
        QVERIFY(rig.start());
        rig.updates()->setFault(fault, afterChunks);
        QCOMPARE(rig.service.startSimBuild(bufferOf(randomBytes(5000, 11))), 0);
        QVERIFY(rig.waitForState(state));
        QCOMPARE(rig.chunkSizes().size(), afterChunks);
        QVERIFY(rig.updates()->uploads().isEmpty());
        QVERIFY(!statesOf(rig.states).contains(SoftwareUpdate::UpdateFinished));
    }

    void newUploadAbandonsTheRunningOne()
    {
        UpdateRig rig;
        QVERIFY(rig.start());
        rig.updates()->setFault(BoardUpdateService::Fault::Silent, 1);
        rig.service.startUpdateFromMemory(bufferOf(randomBytes(5000, 12)), SoftwareUpdate::BoardFirmware);
        QTRY_COMPARE_WITH_TIMEOUT(rig.chunkSizes().size(), 1, 3000);
        rig.updates()->setFault(BoardUpdateService::Fault::None);
        const QByteArray second = randomBytes(2500, 13);
        rig.service.startSimBuild(bufferOf(second));
        QVERIFY(rig.waitForState(SoftwareUpdate::UpdateFinished));
        QCOMPARE(rig.updates()->uploads().size(), 1);
        QVERIFY(rig.updates()->uploads().first().image == padded(second));
    }
};

QTEST_GUILESS_MAIN(tst_SoftwareUpdate)
#include "tst_SoftwareUpdate.moc"
