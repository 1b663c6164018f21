#include "BoardCrc.h"
#include "ControlChannel.h"
#include "ControlChannelRecords.h"
#include "DatalinkManager.h"
#include "SignalRecorder.h"
#include "TestBytes.h"

#include <QTest>
#include <QtEndian>

#include <functional>

using Request = std::function<void(ControlChannel &)>;
Q_DECLARE_METATYPE(Request)

namespace {

// A control message with the length that fits its payload.
QByteArray message(uint16_t command, uint8_t response, const QByteArray &payload = QByteArray())
{
    QByteArray m(5, '\0');
    qToLittleEndian<quint16>(quint16(payload.size() + 5), m.data());
    qToLittleEndian<quint16>(command, m.data() + 2);
    m[4] = char(response);
    return m + payload;
}

QString written(const QByteArray &bytes)
{
    return "write 1 true " + QString::fromLatin1(bytes.toHex());
}

QByteArray versionPayload(uint32_t verified, const QByteArray &text, int bootTimeout = -1, int remaining = -1)
{
    QByteArray payload = le32(verified) + zeroFilled(text, 16);
    if (bootTimeout >= 0)
        payload += le32(uint32_t(bootTimeout)) + le32(uint32_t(remaining));
    return payload;
}

ControlChannel::TimeDate sampleDate()
{
    ControlChannel::TimeDate date;
    date.seconds = 5;
    date.minutes = 4;
    date.hours = 23;
    date.day = 29;
    date.month = 2;
    date.year = 2024;
    date.weekDay = 4;
    date.yearDay = 60;
    return date;
}

} // namespace

// The control channel: every request as bytes, and every reply as the signals it
// gives (including wrong sizes, error responses and malformed messages).
class tst_ControlChannel : public QObject
{
    Q_OBJECT

private slots:
    void requestsAreEncoded_data()
    {
        QTest::addColumn<Request>("request");
        QTest::addColumn<QStringList>("expected");

        using C = ControlChannel;
        const auto simple = [](const char *name, Request request, const char *bytes) {
            QTest::newRow(name) << request << QStringList{written(hex(bytes))};
        };
        simple("disconnect", &C::disconnectDevice, "05000d0000");
        simple("reset", &C::resetDevice, "0500010000");
        simple("get fuse serial", &C::getFuseSerial, "0500020000");
        simple("serial downloader mode", &C::goToSerialDownloaderMode, "0500040000");
        simple("get date", &C::getDate, "0500060000");
        simple(
            "open update service", [](C &c) { c.openCloseUpdateService(true); }, "060009000001");
        simple(
            "close update service", [](C &c) { c.openCloseUpdateService(false); }, "060009000000");
        simple(
            "open monitoring", [](C &c) { c.openCloseMonitoringService(true); }, "06000a000001");
        simple(
            "open error channel", [](C &c) { c.openCloseErrorChannelService(true); }, "06000b000001");
        simple(
            "close file service", [](C &c) { c.openCloseFileControlService(false); }, "06000c000000");
        simple("restore defaults", &C::restoreDefaultSettings, "05000f0000");
        simple("get board info", &C::getBoardInfo, "0500110000");
        simple("get board info 2", &C::getBoardInfo2, "0500130000");
        simple("firmware version", &C::getFirmwareVersion, "0500200000");
        simple("app version", &C::getAppVersion, "0500210000");
        simple("ESP version", &C::getESPVersion, "0500220000");
        simple("verify firmware", &C::verifyFirmware, "0500230000");
        simple("verify ESP firmware", &C::verifyESPFirmware, "0500240000");
        simple("image details", &C::getFwImageDetails, "0500250000");
        simple("extended app version", &C::getExtendedAppVersion, "0500260000");
        simple("mass storage state", &C::getMscState, "0500400000");
        simple("mass storage insert", &C::mscInsert, "0500410000");
        simple("mass storage eject", &C::mscEject, "0500420000");
        simple("get wifi state", &C::getWifiState, "0500610000");
        simple("get wifi settings", &C::getWifiSettings, "0500630000");
        simple("get wifi address", &C::getWifiIP, "0500640000");
        simple("get transmit power", &C::getWifiTxPower, "0500690000");
        simple("get access point info", &C::getWifiAPInfo, "05006a0000");
        simple(
            "start app", [](C &c) { c.startStopApp(true); }, "060080000000");
        simple(
            "stop app", [](C &c) { c.startStopApp(false); }, "060080000001");
        simple("app status", &C::getAppStatus, "0500810000");
        simple("external mode status", &C::getExtModStatus, "0500820000");
        simple("build id", &C::getCurrentBuildID, "0500830000");
        simple("app name", &C::getAppName, "0500840000");
        simple("reset ESP to recovery", &C::resetESPToRecovery, "0500000100");
        simple(
            "set wifi state",
            [](C &c) {
                c.setWifiState({1, 0, 1});
            },
            "0800600000010001");
        simple(
            "set transmit power", [](C &c) { c.setWifiTxPower(-5); }, "0900680000fbffffff");

        QTest::newRow("set date") << Request([](C &c) { c.setDate(sampleDate()); })
                                  << QStringList{written(message(7, 0,
                                                                 hex("05000000 04000000 17000000 1d000000 02000000"
                                                                     "e8070000 04000000 3c000000 00000000")))};

        const QByteArray settings = pattern(ControlChannel::WifiSettings::Size, 3);
        QTest::newRow("set wifi settings") << Request([settings](C &c) {
            ControlChannel::WifiSettings record;
            std::copy(settings.begin(), settings.end(), record.bytes.begin());
            c.setWifiSettings(record);
        }) << QStringList{written(hex("99016200 00") + settings)};

        const QByteArray serialRecord = zeroFilled("ZB-0815", 16) + le32(7) + le32(0x0013BA38);
        QTest::newRow("set fuse serial") << Request([](C &c) {
            c.setFuseSerial("ZB-0815");
        }) << QStringList{written(message(3, 0, serialRecord + le32(boardCrc32(serialRecord))))};
        const QByteArray fullSerial = "0123456789ABCDEF";
        const QByteArray fullRecord = fullSerial + le32(16) + le32(0x0013BA38);
        QTest::newRow("set fuse serial of 16 bytes")
            << Request([fullSerial](C &c) { c.setFuseSerial(fullSerial); })
            << QStringList{written(message(3, 0, fullRecord + le32(boardCrc32(fullRecord))))};
        QTest::newRow("fuse serial over 16 bytes is not sent")
            << Request([](C &c) { c.setFuseSerial("0123456789ABCDEFG"); }) << QStringList{};

        const QByteArray boardInfo = hex("03010000 38ba1300");
        QTest::newRow("set board info") << Request([](C &c) {
            c.setBoardInfo(3, true);
        }) << QStringList{written(message(16, 0, boardInfo + le32(boardCrc32(boardInfo))))};
        const QByteArray plainBoard = hex("07000000 38ba1300");
        QTest::newRow("set board info, not rugged")
            << Request([](C &c) { c.setBoardInfo(7, false); })
            << QStringList{written(message(16, 0, plainBoard + le32(boardCrc32(plainBoard))))};

        const QByteArray info2 = le32(0x0013BA38) + le32(13) + le32(7) + zeroFilled("ZB-0815", 16);
        QTest::newRow("set board info 2")
            << Request([](C &c) { c.setBoardInfo2(ostdevice::Tavrin, QStringLiteral("ZB-0815")); })
            << QStringList{written(message(18, 0, le32(boardCrc32(info2)) + info2))};
        const QByteArray latin = le32(0x0013BA38) + le32(uint32_t(-1)) + le32(3) + zeroFilled("\xe4\xf6\xfc", 16);
        QTest::newRow("set board info 2, Latin-1 serial")
            << Request([](C &c) { c.setBoardInfo2(ostdevice::ReadError, QString::fromUtf8("äöü")); })
            << QStringList{written(message(18, 0, le32(boardCrc32(latin)) + latin))};
        QTest::newRow("board info 2 serial over 16 characters is not sent")
            << Request([](C &c) { c.setBoardInfo2(ostdevice::Tavrin, QStringLiteral("0123456789ABCDEFG")); })
            << QStringList{};

        std::array<uint8_t, 16> aes{};
        for (std::size_t i = 0; i < aes.size(); ++i)
            aes[i] = uint8_t(0xA0 + i);
        const std::array<uint32_t, 8> srk{0x01020304, 0x05060708, 0, 0xFFFFFFFF, 1, 2, 3, 0xDEADBEEF};
        QByteArray keys(reinterpret_cast<const char *>(aes.data()), 16);
        for (uint32_t word : srk)
            keys += le32(word);
        keys += le32(0xBB40E64D);
        QTest::newRow("set fuse keys") << Request([aes, srk](C &c) { c.setFuseKeys(aes, srk); })
                                       << QStringList{written(message(14, 0, keys + le32(boardCrc32(keys))))};
    }

    void requestsAreEncoded()
    {
        QFETCH(Request, request);
        QFETCH(QStringList, expected);

        ControlChannel channel(nullptr, 1, true, nullptr);
        SignalRecorder recorder(&channel, describeControlChannelRecord);
        request(channel);
        QCOMPARE(recorder.lines, expected);
    }

    void repliesAreDecoded_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QStringList>("expected");

        const struct
        {
            uint16_t code;
            const char *signal;
        } responseOnly[] = {
            {1, "ResetReceived"},
            {3, "SetFuseSerialReceived"},
            {4, "GoToSerialDownloaderModeReceived"},
            {7, "SetDateReceived"},
            {14, "SetFuseKeysReceived"},
            {15, "RestoreDefaultSettingsReceived"},
            {16, "SetBoardInfoReceived"},
            {18, "SetBoardInfo2Received"},
            {35, "VerifyFirmwareReceived"},
            {36, "VerifyESPFirmwareReceived"},
            {96, "SetWifiStateReceived"},
            {98, "SetWifiSettingsReceived"},
            {104, "SetWifiTxPowerReceived"},
            {256, "ResetESPToRecoveryReceived"},
        };
        for (const auto &[code, signal] : responseOnly)
            QTest::addRow("%s", signal) << message(code, 2) << QStringList{QString("%1 2").arg(signal)};
        QTest::newRow("response-only error") << message(98, 4) << QStringList{"SetWifiSettingsReceived 4"};
        QTest::newRow("unknown response passed on") << message(1, 9, "x") << QStringList{"ResetReceived 9"};

        // Fuse serial: 16 bytes then the length.
        QTest::newRow("fuse serial") << message(2, 2, zeroFilled("ZB42", 16) + le32(4))
                                     << QStringList{"GetFuseSerialReceived 2 " + zeroFilled("ZB42", 16).toHex()};
        QTest::newRow("fuse serial beyond its length is cut")
            << message(2, 2, QByteArray("ZB42XXXXXXXXXXXX") + le32(4))
            << QStringList{"GetFuseSerialReceived 2 " + zeroFilled("ZB42", 16).toHex()};
        QTest::newRow("fuse serial length over 16")
            << message(2, 2, zeroFilled("ZB42", 16) + le32(17))
            << QStringList{"GetFuseSerialReceived 4 " + QByteArray(16, '\0').toHex()};
        QTest::newRow("fuse serial of the wrong size")
            << message(2, 2, zeroFilled("ZB42", 16) + le32(4) + "x")
            << QStringList{"GetFuseSerialReceived 4 " + QByteArray(16, '\0').toHex()};
        QTest::newRow("fuse serial without data")
            << message(2, 3, zeroFilled("ZB42", 16) + le32(4))
            << QStringList{"GetFuseSerialReceived 3 " + QByteArray(16, '\0').toHex()};

        // Fixed records.
        const QByteArray date = sampleDate().toBytes();
        QTest::newRow("date") << message(6, 2, date) << QStringList{"GetDateReceived 2 " + date.toHex()};
        QTest::newRow("date with more bytes")
            << message(6, 2, date + "more") << QStringList{"GetDateReceived 2 " + date.toHex()};
        QTest::newRow("date too short") << message(6, 2, date.chopped(1)) << QStringList{"GetDateReceived 4 0"};
        QTest::newRow("date without data") << message(6, 3, date) << QStringList{"GetDateReceived 3 0"};
        const QByteArray info2 = le32(0x11223344) + le32(0x0013BA38) + le32(13) + le32(4) + zeroFilled("ZB42", 16);
        QTest::newRow("board info 2") << message(19, 2, info2)
                                      << QStringList{"GetBoardInfo2Received 2 " + info2.toHex()};
        QTest::newRow("board info 2 too short")
            << message(19, 2, info2.chopped(1)) << QStringList{"GetBoardInfo2Received 4 0"};
        QTest::newRow("board info 2 error") << message(19, 4, info2) << QStringList{"GetBoardInfo2Received 4 0"};
        const QByteArray image = pattern(12, 1);
        QTest::newRow("image details") << message(37, 2, image)
                                       << QStringList{"GetFwImageDetailsReceived 2 " + image.toHex()};
        QTest::newRow("image details too long")
            << message(37, 2, image + "x") << QStringList{"GetFwImageDetailsReceived 4 0"};
        QTest::newRow("image details too short")
            << message(37, 2, image.chopped(1)) << QStringList{"GetFwImageDetailsReceived 4 0"};
        QTest::newRow("image details without data")
            << message(37, 3, image) << QStringList{"GetFwImageDetailsReceived 3 0"};

        // Board information.
        QTest::newRow("board info") << message(17, 2, hex("03050000 38ba1300 00000000"))
                                    << QStringList{"GetBoardInfoReceived 2 3 true"};
        QTest::newRow("board info, not rugged")
            << message(17, 2, hex("07000000 38ba1300 00000000")) << QStringList{"GetBoardInfoReceived 2 7 false"};
        QTest::newRow("board info of the wrong size")
            << message(17, 2, hex("03050000 38ba1300 000000")) << QStringList{"GetBoardInfoReceived 4 0 false"};
        QTest::newRow("board info without data")
            << message(17, 3, hex("03050000 38ba1300 00000000")) << QStringList{"GetBoardInfoReceived 3 0 false"};

        // Opening and closing services.
        QTest::newRow("update service opened")
            << message(9, 2, hex("01")) << QStringList{"OpenCloseUpdateServiceReceived 2 true"};
        QTest::newRow("monitoring closed")
            << message(10, 2, hex("00")) << QStringList{"OpenCloseMonitoringServiceReceived 2 false"};
        QTest::newRow("error channel opened")
            << message(11, 2, hex("05")) << QStringList{"OpenCloseErrorChannelServiceReceived 2 true"};
        QTest::newRow("file service refused")
            << message(12, 4, hex("01")) << QStringList{"OpenCloseFileControlServiceReceived 4 true"};
        QTest::newRow("open reply without payload")
            << message(9, 2) << QStringList{"OpenCloseUpdateServiceReceived 4 false"};
        QTest::newRow("open reply of two bytes")
            << message(11, 2, hex("0101")) << QStringList{"OpenCloseErrorChannelServiceReceived 4 false"};

        // Versions.
        QTest::newRow("verified firmware") << message(32, 2, versionPayload(1, "1.2.3", 30000, 12500))
                                           << QStringList{"GetFwVersionReceived true '1.2.3' 30000 12500"};
        QTest::newRow("unverified firmware is verified first")
            << message(32, 2, versionPayload(0, "1.2.3", 30000, 12500))
            << QStringList{written(hex("0500230000")), "GetFwVersionReceived false '1.2.3' 30000 12500"};
        QTest::newRow("firmware version error") << message(32, 2, versionPayload(0, "FwVersionError", 0, 0))
                                                << QStringList{"GetFwVersionReceived false '' 0 0"};
        QTest::newRow("firmware version of 16 characters")
            << message(32, 2, versionPayload(1, "1.2.3-abcdefghij", 1, 2))
            << QStringList{"GetFwVersionReceived true '1.2.3-abcdefghij' 1 2"};
        QTest::newRow("firmware version too short")
            << message(32, 2, versionPayload(1, "1.2.3", 0, 0).chopped(1)) << QStringList{};
        QTest::newRow("firmware version without data")
            << message(32, 3, versionPayload(1, "1.2.3", 0, 0)) << QStringList{};
        QTest::newRow("app version") << message(33, 2, versionPayload(0, "4.5"))
                                     << QStringList{"GetAppVersionReceived false '4.5'"};
        QTest::newRow("app version too short") << message(33, 2, versionPayload(1, "4.5").chopped(1)) << QStringList{};
        QTest::newRow("verified ESP") << message(34, 2, versionPayload(1, "esp-2"))
                                      << QStringList{"GetESPVersionReceived true 'esp-2'"};
        QTest::newRow("unverified ESP is verified first")
            << message(34, 2, versionPayload(0, "esp-2"))
            << QStringList{written(hex("0500240000")), "GetESPVersionReceived false 'esp-2'"};
        QTest::newRow("no ESP") << message(34, 2, versionPayload(0, "NoESPAvailable"))
                                << QStringList{"GetESPVersionReceived false ''"};
        QTest::newRow("extended app version") << message(38, 2, QByteArray("2.0.1-rc1\0junk", 14))
                                              << QStringList{"GetExtendedAppVersionReceived true '2.0.1-rc1'"};
        QTest::newRow("extended app version without zero")
            << message(38, 2, "2.0.1") << QStringList{"GetExtendedAppVersionReceived true '2.0.1'"};
        QTest::newRow("extended app version without data")
            << message(38, 3) << QStringList{"GetExtendedAppVersionReceived true ''"};
        QTest::newRow("extended app version error") << message(38, 4, "2.0") << QStringList{};

        // Status replies: always passed on, with the command's fallback on errors.
        QTest::newRow("mass storage state") << message(64, 2, hex("01")) << QStringList{"GetMscStateReceived 2 1"};
        QTest::newRow("mass storage state error")
            << message(64, 4, hex("01")) << QStringList{"GetMscStateReceived 4 2"};
        QTest::newRow("mass storage insert error") << message(65, 4) << QStringList{"MscInsertReceived 4 0"};
        QTest::newRow("mass storage eject error") << message(66, 4) << QStringList{"MscEjectReceived 4 1"};
        QTest::newRow("mass storage eject") << message(66, 2, hex("01")) << QStringList{"MscEjectReceived 2 1"};
        QTest::newRow("app started") << message(128, 2, hex("03")) << QStringList{"StartStopAppReceived 2 3"};
        QTest::newRow("app start without data")
            << message(128, 3, hex("02")) << QStringList{"StartStopAppReceived 3 2"};
        QTest::newRow("app start error") << message(128, 4, hex("03")) << QStringList{"StartStopAppReceived 4 255"};
        QTest::newRow("app status") << message(129, 2, hex("04")) << QStringList{"GetAppStatusReceived 2 4"};
        QTest::newRow("app status without payload") << message(129, 2) << QStringList{"GetAppStatusReceived 2 0"};
        QTest::newRow("app status error") << message(129, 7) << QStringList{"GetAppStatusReceived 7 255"};
        QTest::newRow("external mode open")
            << message(130, 2, hex("01")) << QStringList{"GetExtModStatusReceived 2 true"};
        QTest::newRow("external mode without data")
            << message(130, 3, hex("01")) << QStringList{"GetExtModStatusReceived 3 false"};
        QTest::newRow("external mode without payload")
            << message(130, 2) << QStringList{"GetExtModStatusReceived 2 false"};

        // Wi-Fi queries.
        QTest::newRow("wifi state") << message(97, 2, hex("010001")) << QStringList{"GetWifiStateReceived 2 010001"};
        QTest::newRow("wifi state without data, with record")
            << message(97, 3, hex("010001"))
            << QStringList{"GetWifiStateReceived 3 0", "GetWifiStateReceived 3 010001"};
        QTest::newRow("wifi state without data") << message(97, 3) << QStringList{"GetWifiStateReceived 3 0"};
        QTest::newRow("wifi state error with record")
            << message(97, 4, hex("000100")) << QStringList{"GetWifiStateReceived 4 000100"};
        QTest::newRow("wifi state of the wrong size") << message(97, 2, hex("0100")) << QStringList{};
        const QByteArray settings = pattern(404, 9);
        QTest::newRow("wifi settings") << message(99, 2, settings)
                                       << QStringList{"GetWifiSettingsReceived 2 " + settings.toHex()};
        QTest::newRow("wifi settings without data, with record")
            << message(99, 3, settings)
            << QStringList{"GetWifiSettingsReceived 3 0", "GetWifiSettingsReceived 3 " + settings.toHex()};
        QTest::newRow("wifi settings one byte short") << message(99, 2, settings.chopped(1)) << QStringList{};
        const QByteArray address = pattern(208, 2);
        QTest::newRow("wifi address") << message(100, 2, address)
                                      << QStringList{"GetWifiIPReceived 2 " + address.toHex()};
        QTest::newRow("wifi address without data")
            << message(100, 3, hex("00")) << QStringList{"GetWifiIPReceived 3 0"};
        QTest::newRow("transmit power") << message(105, 2, hex("fbffffff"))
                                        << QStringList{"GetWifiTxPowerReceived 2 -5"};
        QTest::newRow("transmit power without data") << message(105, 3) << QStringList{"GetWifiTxPowerReceived 3 0"};
        const QByteArray accessPoint = pattern(44, 5);
        QTest::newRow("access point") << message(106, 2, accessPoint)
                                      << QStringList{"GetWifiAPInfoReceived 2 " + accessPoint.toHex()};
        QTest::newRow("access point too long") << message(106, 2, accessPoint + "x") << QStringList{};

        // Build and name of the board's application.
        QTest::newRow("build id") << message(131, 2, hex("00ff10"))
                                  << QStringList{"GetCurrentBuildIDReceived 2 00ff10"};
        QTest::newRow("build id without data")
            << message(131, 3, hex("01")) << QStringList{"GetCurrentBuildIDReceived 3 "};
        QTest::newRow("build id error") << message(131, 4, hex("01")) << QStringList{};
        QTest::newRow("app name") << message(132, 2, QByteArray("blink\0\0", 7))
                                  << QStringList{"GetAppNameReceived 'blink'"};
        QTest::newRow("app name without data") << message(132, 3, "blink") << QStringList{"GetAppNameReceived ''"};
        QTest::newRow("app name error") << message(132, 4, "blink") << QStringList{};

        // Commands without a reply of their own.
        QTest::newRow("disconnect") << message(13, 2) << QStringList{};
        QTest::newRow("code 5") << message(5, 2, hex("01")) << QStringList{};
        QTest::newRow("code 8") << message(8, 2, hex("01")) << QStringList{};
        QTest::newRow("unknown code") << message(0x7777, 2, hex("01")) << QStringList{};

        // Malformed messages.
        QTest::newRow("shorter than the header") << hex("06000b00") << QStringList{};
        QTest::newRow("shorter than declared") << hex("28000b0002") + QByteArray(25, '\1') << QStringList{};
        QTest::newRow("declared length under the header") << hex("03000b000201") << QStringList{};
        QTest::newRow("declared length zero") << hex("00008100020303") << QStringList{};
        QTest::newRow("bytes beyond the declared length")
            << hex("06000b00020100ff") << QStringList{"OpenCloseErrorChannelServiceReceived 2 true"};
        QTest::newRow("declared header only, payload beyond it")
            << hex("05000b000201") << QStringList{"OpenCloseErrorChannelServiceReceived 4 false"};
    }

    void repliesAreDecoded()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QStringList, expected);

        DatalinkManager manager;
        ControlChannel channel(&manager, 1, true, &manager);
        SignalRecorder recorder(&channel, describeControlChannelRecord);
        emit manager.DataReady(1, reply);
        QCOMPARE(recorder.lines, expected);
    }

    // The board object queues these by name, and the settings editor's records travel
    // through queued connections under their short names.
    void queriesCanBeQueuedByName_data()
    {
        QTest::addColumn<QByteArray>("slot");
        QTest::addColumn<QByteArray>("bytes");

        QTest::newRow("image details") << QByteArray("getFwImageDetails") << hex("0500250000");
        QTest::newRow("external mode") << QByteArray("getExtModStatus") << hex("0500820000");
        QTest::newRow("mass storage") << QByteArray("getMscState") << hex("0500400000");
        QTest::newRow("app status") << QByteArray("getAppStatus") << hex("0500810000");
        QTest::newRow("date") << QByteArray("getDate") << hex("0500060000");
        QTest::newRow("wifi settings") << QByteArray("getWifiSettings") << hex("0500630000");
        QTest::newRow("build id") << QByteArray("getCurrentBuildID") << hex("0500830000");
    }

    void queriesCanBeQueuedByName()
    {
        QFETCH(QByteArray, slot);
        QFETCH(QByteArray, bytes);

        ControlChannel channel(nullptr, 1, true, nullptr);
        SignalRecorder recorder(&channel, describeControlChannelRecord);
        QVERIFY(QMetaObject::invokeMethod(&channel, slot.constData(), Qt::QueuedConnection));
        QVERIFY(recorder.lines.isEmpty());
        QTRY_COMPARE(recorder.lines, QStringList{written(bytes)});
    }

    void recordTypesAreKnownByName()
    {
        ControlChannel channel(nullptr, 1, true, nullptr);
        QCOMPARE(QMetaType::fromName("ResponseCode"), QMetaType::fromType<ControlChannel::ResponseCode>());
        QCOMPARE(QMetaType::fromName("WifiSettings"), QMetaType::fromType<ControlChannel::WifiSettings>());
        QCOMPARE(QMetaType::fromName("WifiState"), QMetaType::fromType<ControlChannel::WifiState>());
    }

    void recordsKeepTheirFields()
    {
        const ControlChannel::TimeDate date = sampleDate();
        QCOMPARE(ControlChannel::TimeDate::read(date.toBytes()), date);

        ControlChannel::BoardInfo2 info;
        info.serialLength = 40; // more than the field holds
        std::fill(info.serial.begin(), info.serial.end(), 'S');
        QCOMPARE(info.serialNumber(), QString(16, 'S'));
        info.serialLength = 3;
        QCOMPARE(info.serialNumber(), QString("SSS"));

        ControlChannel::ImageDetails details;
        details.bytes = {0x84, 0x01, 0, 0, 9, 9, 9, 9, 9, 9, 9, 9};
        QCOMPARE(details.bootState(), 0x0184u);
    }
};

QTEST_GUILESS_MAIN(tst_ControlChannel)
#include "tst_ControlChannel.moc"
