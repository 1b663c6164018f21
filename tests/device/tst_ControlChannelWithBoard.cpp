#include "BoardRig.h"
#include "ControlChannel.h"
#include "ControlChannelRecords.h"
#include "SignalRecorder.h"

#include <QTest>

#include <functional>

using Requests = std::function<void(ControlChannel &)>;
using BoardSetup = std::function<void(BoardSimulator &)>;
Q_DECLARE_METATYPE(Requests)
Q_DECLARE_METATYPE(BoardSetup)

namespace {

QString record(const QByteArray &bytes)
{
    return SignalRecorder::record(bytes);
}

// The reply signals a recorder saw, without the requests written.
QStringList replies(const SignalRecorder &recorder)
{
    QStringList lines;
    for (const QString &line : recorder.lines)
        if (!line.startsWith(QLatin1String("write ")))
            lines << line;
    return lines;
}

ControlChannel::TimeDate sampleDate()
{
    ControlChannel::TimeDate date;
    date.seconds = 59;
    date.minutes = 30;
    date.hours = 12;
    date.day = 1;
    date.month = 7;
    date.year = 2025;
    date.weekDay = 2;
    date.yearDay = 182;
    return date;
}

ControlChannel::WifiSettings patternedSettings()
{
    ControlChannel::WifiSettings settings;
    for (std::size_t i = 0; i < settings.bytes.size(); ++i)
        settings.bytes[i] = char((i * 13 + 1) & 0xFF);
    return settings;
}

// A control channel talking to the board simulator through a real manager and datalink.
struct ControlRig : BoardRig
{
    ControlChannel channel{&manager, 1, true, &manager};
    SignalRecorder recorder{&channel, describeControlChannelRecord};
};

} // namespace

// The control channel against the board simulator: every command, the round trips
// of what the board keeps, starting and stopping the application, and replies
// that fail in each way the board can make them fail.
class tst_ControlChannelWithBoard : public QObject
{
    Q_OBJECT

    // Sends the requests and waits for the expected replies (and no more: every
    // row that expects nothing ends with a status query, which the board answers last).
    static void exchange(ControlRig &rig, const Requests &requests, const QStringList &expected)
    {
        requests(rig.channel);
        QTRY_COMPARE_WITH_TIMEOUT(replies(rig.recorder).size(), expected.size(), 2000);
        QTest::qWait(20);
        QCOMPARE(replies(rig.recorder), expected);
    }

private slots:
    void everyCommandIsAnswered_data()
    {
        QTest::addColumn<Requests>("requests");
        QTest::addColumn<QStringList>("expected");

        using C = ControlChannel;
        const BoardControlState s;
        const auto row = [](const char *name, Requests requests, QStringList expected) {
            QTest::newRow(name) << requests << expected;
        };
        row("reset", &C::resetDevice, {"ResetReceived 2"});
        row("fuse serial", &C::getFuseSerial,
            {"GetFuseSerialReceived 2 " + QByteArray("SIM0001").leftJustified(16, '\0').toHex()});
        row("set fuse serial", [](C &c) { c.setFuseSerial("ZB-77"); }, {"SetFuseSerialReceived 2"});
        row("serial downloader", &C::goToSerialDownloaderMode, {"GoToSerialDownloaderModeReceived 2"});
        row("date", &C::getDate, {"GetDateReceived 2 " + record(s.date)});
        row("set date", [](C &c) { c.setDate(sampleDate()); }, {"SetDateReceived 2"});
        row("open update service", [](C &c) { c.openCloseUpdateService(true); },
            {"OpenCloseUpdateServiceReceived 2 true"});
        row("close monitoring", [](C &c) { c.openCloseMonitoringService(false); },
            {"OpenCloseMonitoringServiceReceived 2 false"});
        row("open error channel", [](C &c) { c.openCloseErrorChannelService(true); },
            {"OpenCloseErrorChannelServiceReceived 2 true"});
        row("open file service", [](C &c) { c.openCloseFileControlService(true); },
            {"OpenCloseFileControlServiceReceived 2 true"});
        row("disconnect has no reply",
            [](C &c) {
                c.disconnectDevice();
                c.getAppStatus();
            },
            {"GetAppStatusReceived 2 2"});
        row("set fuse keys",
            [](C &c) {
                c.setFuseKeys({1, 2, 3}, {4, 5, 6, 7, 8, 9, 10, 11});
            },
            {"SetFuseKeysReceived 2"});
        row("restore defaults", &C::restoreDefaultSettings, {"RestoreDefaultSettingsReceived 2"});
        row("set board info", [](C &c) { c.setBoardInfo(5, true); }, {"SetBoardInfoReceived 2"});
        row("board info", &C::getBoardInfo, {"GetBoardInfoReceived 2 2 false"});
        row("set board info 2", [](C &c) { c.setBoardInfo2(ostdevice::Bexlin, "ZB-0815"); },
            {"SetBoardInfo2Received 2"});
        row("board info 2", &C::getBoardInfo2, {"GetBoardInfo2Received 2 0"});
        row("firmware version", &C::getFirmwareVersion, {"GetFwVersionReceived true '1.4.2' 30000 0"});
        row("app version", &C::getAppVersion, {"GetAppVersionReceived true '0.9.1'"});
        row("ESP version", &C::getESPVersion, {"GetESPVersionReceived true 'esp-2.1.0'"});
        row("verify firmware", &C::verifyFirmware, {"VerifyFirmwareReceived 2"});
        row("verify ESP firmware", &C::verifyESPFirmware, {"VerifyESPFirmwareReceived 2"});
        row("image details", &C::getFwImageDetails, {"GetFwImageDetailsReceived 2 0"});
        row("extended app version", &C::getExtendedAppVersion, {"GetExtendedAppVersionReceived true '0.9.1-blink'"});
        row("mass storage", &C::getMscState, {"GetMscStateReceived 2 1"});
        row("mass storage insert", &C::mscInsert, {"MscInsertReceived 2 0"});
        row("mass storage eject", &C::mscEject, {"MscEjectReceived 2 1"});
        row("set wifi state", [](C &c) { c.setWifiState({1, 1, 1}); }, {"SetWifiStateReceived 2"});
        row("wifi state", &C::getWifiState, {"GetWifiStateReceived 2 010100"});
        row("set wifi settings", [](C &c) { c.setWifiSettings(patternedSettings()); }, {"SetWifiSettingsReceived 2"});
        row("wifi settings", &C::getWifiSettings, {"GetWifiSettingsReceived 2 " + record(s.wifiSettings)});
        row("wifi address", &C::getWifiIP, {"GetWifiIPReceived 2 " + record(s.wifiAddress)});
        row("set transmit power", [](C &c) { c.setWifiTxPower(10); }, {"SetWifiTxPowerReceived 2"});
        row("transmit power", &C::getWifiTxPower, {"GetWifiTxPowerReceived 2 17"});
        row("access point", &C::getWifiAPInfo, {"GetWifiAPInfoReceived 2 " + record(s.accessPointInfo)});
        row("start app", [](C &c) { c.startStopApp(true); }, {"StartStopAppReceived 2 3"});
        row("app status", &C::getAppStatus, {"GetAppStatusReceived 2 2"});
        row("external mode", &C::getExtModStatus, {"GetExtModStatusReceived 2 false"});
        row("build id", &C::getCurrentBuildID, {"GetCurrentBuildIDReceived 2 5a17c0ffee"});
        row("app name", &C::getAppName, {"GetAppNameReceived 'blink'"});
        row("reset ESP to recovery", &C::resetESPToRecovery, {"ResetESPToRecoveryReceived 2"});
    }

    void everyCommandIsAnswered()
    {
        QFETCH(Requests, requests);
        QFETCH(QStringList, expected);

        ControlRig rig;
        QVERIFY(rig.connect());
        exchange(rig, requests, expected);
    }

    // What is set comes back as it was set.
    void boardKeepsWhatIsSet_data()
    {
        QTest::addColumn<Requests>("requests");
        QTest::addColumn<QString>("expected");

        using C = ControlChannel;
        const ControlChannel::WifiSettings settings = patternedSettings();
        QTest::newRow("date") << Requests([](C &c) {
            c.setDate(sampleDate());
            c.getDate();
        }) << "GetDateReceived 2 " + record(sampleDate().toBytes());
        QTest::newRow("wifi settings byte for byte") << Requests([settings](C &c) {
            c.setWifiSettings(settings);
            c.getWifiSettings();
        }) << "GetWifiSettingsReceived 2 " + record(QByteArray(settings.bytes.data(), 404));
        QTest::newRow("wifi state") << Requests([](C &c) {
            c.setWifiState({0, 0, 1});
            c.getWifiState();
        }) << "GetWifiStateReceived 2 000001";
        QTest::newRow("transmit power") << Requests([](C &c) {
            c.setWifiTxPower(-3);
            c.getWifiTxPower();
        }) << "GetWifiTxPowerReceived 2 -3";
        QTest::newRow("mass storage") << Requests([](C &c) {
            c.mscInsert();
            c.getMscState();
        }) << "GetMscStateReceived 2 0";
        QTest::newRow("fuse serial") << Requests([](C &c) {
            c.setFuseSerial("0123456789ABCDEF");
            c.getFuseSerial();
        }) << QString("GetFuseSerialReceived 2 " + QByteArray("0123456789ABCDEF").toHex());
        QTest::newRow("board info") << Requests([](C &c) {
            c.setBoardInfo(9, true);
            c.getBoardInfo();
        }) << "GetBoardInfoReceived 2 9 true";
    }

    void boardKeepsWhatIsSet()
    {
        QFETCH(Requests, requests);
        QFETCH(QString, expected);

        ControlRig rig;
        QVERIFY(rig.connect());
        requests(rig.channel);
        QTRY_COMPARE_WITH_TIMEOUT(replies(rig.recorder).size(), 2, 2000);
        QCOMPARE(replies(rig.recorder).last(), expected);
    }

    void boardInfo2RoundTrip()
    {
        ControlRig rig;
        QVERIFY(rig.connect());
        QSignalSpy info(&rig.channel, &ControlChannel::GetBoardInfo2Received);
        rig.channel.setBoardInfo2(ostdevice::Tavrin_v1_4, QString::fromUtf8("ZB-Ä08"));
        rig.channel.getBoardInfo2();
        QVERIFY(info.wait(2000));
        QCOMPARE(info[0][0].value<ControlChannel::ResponseCode>(), ControlChannel::Success);
        const auto received = info[0][1].value<ControlChannel::BoardInfo2>();
        QCOMPARE(received.deviceType, int32_t(ostdevice::Tavrin_v1_4));
        QCOMPARE(received.serialNumber(), QString::fromUtf8("ZB-Ä08"));
        QCOMPARE(received.marker, ControlChannel::RecordMarker);
    }

    void applicationStartsAndStops()
    {
        ControlRig rig;
        QVERIFY(rig.connect());
        exchange(rig,
                 [](ControlChannel &c) {
                     c.getAppStatus();
                     c.startStopApp(true);
                     c.getAppStatus();
                     c.startStopApp(false);
                     c.getAppStatus();
                 },
                 {"GetAppStatusReceived 2 2", "StartStopAppReceived 2 3", "GetAppStatusReceived 2 3",
                  "StartStopAppReceived 2 2", "GetAppStatusReceived 2 2"});
    }

    void missingApplicationDoesNotStart()
    {
        ControlRig rig;
        rig.boardControl()->state().appStatus = ControlChannel::NotLoaded;
        QVERIFY(rig.connect());
        exchange(rig, [](ControlChannel &c) { c.startStopApp(true); }, {"StartStopAppReceived 2 0"});
    }

    // An unverified firmware is verified on the channel's own request, and the board
    // reports it verified from then on.
    void unverifiedFirmwareIsVerified()
    {
        ControlRig rig;
        rig.boardControl()->state().firmwareVerified = false;
        QVERIFY(rig.connect());
        exchange(rig, [](ControlChannel &c) { c.getFirmwareVersion(); },
                 {"GetFwVersionReceived false '1.4.2' 30000 0", "VerifyFirmwareReceived 2"});
        QCOMPARE(rig.boardControl()->requests().last().command, uint16_t(ControlChannel::VerifyFirmware));
        rig.recorder.lines.clear();
        exchange(rig, [](ControlChannel &c) { c.getFirmwareVersion(); }, {"GetFwVersionReceived true '1.4.2' 30000 0"});
    }

    void failingRepliesReachTheListeners_data()
    {
        QTest::addColumn<BoardSetup>("setup");
        QTest::addColumn<Requests>("requests");
        QTest::addColumn<QStringList>("expected");

        using C = ControlChannel;
        const auto fault = [](uint16_t command, int response, bool wrongSize = false, bool silent = false) {
            return BoardSetup([=](BoardSimulator &board) {
                auto *control = qobject_cast<BoardControlChannel *>(board.channel(1));
                control->state().faults[command] = ControlReplyFault{response, wrongSize, silent};
            });
        };
        const auto thenStatus = [](void (C::*request)()) {
            return Requests([request](C &c) {
                (c.*request)();
                c.getAppStatus();
            });
        };
        const QString status = "GetAppStatusReceived 2 2";

        QTest::newRow("status error") << fault(129, 4) << Requests(&C::getAppStatus)
                                      << QStringList{"GetAppStatusReceived 4 255"};
        QTest::newRow("status without data")
            << fault(129, 3) << Requests(&C::getAppStatus) << QStringList{"GetAppStatusReceived 3 2"};
        QTest::newRow("start error") << fault(128, 4) << Requests([](C &c) { c.startStopApp(true); })
                                     << QStringList{"StartStopAppReceived 4 255"};
        QTest::newRow("mass storage error")
            << fault(64, 4) << Requests(&C::getMscState) << QStringList{"GetMscStateReceived 4 2"};
        QTest::newRow("fuse serial error") << fault(2, 4) << Requests(&C::getFuseSerial)
                                           << QStringList{"GetFuseSerialReceived 4 " + QByteArray(16, '\0').toHex()};
        QTest::newRow("wifi settings without data")
            << fault(99, 3) << Requests(&C::getWifiSettings)
            << QStringList{"GetWifiSettingsReceived 3 0",
                           "GetWifiSettingsReceived 3 " + record(BoardControlState().wifiSettings)};
        QTest::newRow("firmware version without data")
            << fault(32, 3) << thenStatus(&C::getFirmwareVersion) << QStringList{status};
        QTest::newRow("date error") << fault(6, 4) << Requests(&C::getDate) << QStringList{"GetDateReceived 4 0"};

        QTest::newRow("date of the wrong size")
            << fault(6, -1, true) << Requests(&C::getDate) << QStringList{"GetDateReceived 4 0"};
        QTest::newRow("image details of the wrong size")
            << fault(37, -1, true) << Requests(&C::getFwImageDetails) << QStringList{"GetFwImageDetailsReceived 4 0"};
        QTest::newRow("board info of the wrong size")
            << fault(17, -1, true) << Requests(&C::getBoardInfo) << QStringList{"GetBoardInfoReceived 4 0 false"};
        QTest::newRow("open reply of the wrong size")
            << fault(11, -1, true) << Requests([](C &c) { c.openCloseErrorChannelService(true); })
            << QStringList{"OpenCloseErrorChannelServiceReceived 4 false"};
        QTest::newRow("wifi settings of the wrong size")
            << fault(99, -1, true) << thenStatus(&C::getWifiSettings) << QStringList{status};
        QTest::newRow("version of the wrong size")
            << fault(33, -1, true) << thenStatus(&C::getAppVersion) << QStringList{status};

        QTest::newRow("silent mass storage")
            << fault(64, -1, false, true) << thenStatus(&C::getMscState) << QStringList{status};
        QTest::newRow("silent date") << fault(6, -1, false, true) << thenStatus(&C::getDate) << QStringList{status};

        QTest::newRow("unsolicited status") << BoardSetup([](BoardSimulator &board) {
            qobject_cast<BoardControlChannel *>(board.channel(1))->sendUnsolicited(129, 2, QByteArray(1, 3));
        }) << Requests([](C &) {}) << QStringList{"GetAppStatusReceived 2 3"};
    }

    void failingRepliesReachTheListeners()
    {
        QFETCH(BoardSetup, setup);
        QFETCH(Requests, requests);
        QFETCH(QStringList, expected);

        ControlRig rig;
        QVERIFY(rig.connect());
        setup(rig.board);
        exchange(rig, requests, expected);
    }
};

QTEST_GUILESS_MAIN(tst_ControlChannelWithBoard)
#include "tst_ControlChannelWithBoard.moc"
