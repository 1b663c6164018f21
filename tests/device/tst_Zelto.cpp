#include "AbstractExternalMonitor.h"
#include "DatalinkManager.h"
#include "ErrorHandler.h"
#include "ExternalMode.h"
#include "FileControlChannel.h"
#include "Zelto.h"

#include <QPointer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QtEndian>

#include <memory>

namespace {

// A monitoring front end that records what the board asks of it.
class RecordingMonitor : public AbstractExternalMonitor
{
public:
    RecordingMonitor(QObject *parent, const QByteArray *buildID)
        : AbstractExternalMonitor(parent)
        , buildIDSeen(buildID)
    {
    }
    void start() override { ++starts; }
    void reset() override { ++resets; }
    void setCurrentBuildID(QByteArray buildID) override { buildIDs << buildID; }

    int starts = 0;
    int resets = 0;
    QList<QByteArray> buildIDs;
    const QByteArray *buildIDSeen = nullptr;
};

// One control-channel request as it left the board object.
struct Request
{
    uint16_t command = 0;
    QByteArray payload;
};

// A board object without a transport: what it sends is read from its control
// channel, the board's replies are handed to its slots, and its connection is
// switched through its manager's report.
struct Rig
{
    QObject factory;
    QPointer<Zelto> board;
    std::unique_ptr<QSignalSpy> writes;
    QList<QPointer<RecordingMonitor>> monitors;

    explicit Rig(ZeltoOptions settings = ZeltoOptions())
    {
        settings.statusPollInterval = std::chrono::milliseconds(40);
        settings.externalModePort = 0;
        settings.makeExternalMonitor = [this](QObject *parent, DatalinkManager *, const QByteArray *buildID) {
            auto *monitor = new RecordingMonitor(parent, buildID);
            monitors << monitor;
            return monitor;
        };
        auto *pending = new OstDevice(&factory);
        board = new Zelto(pending, settings);
        delete pending;
        writes = std::make_unique<QSignalSpy>(board->getControlChannel(), &AbstractService::write);
        ErrorHandler::instance()->clearNotifications();
    }

    void setConnected(bool connected) { emit board->getDatalinkManager()->isConnected(connected); }

    QList<Request> takeRequests()
    {
        QList<Request> requests;
        for (const QList<QVariant> &write : std::as_const(*writes)) {
            const QByteArray message = write.at(2).toByteArray();
            requests << Request{qFromLittleEndian<quint16>(message.constData() + ControlChannel::Header::Command),
                                message.mid(ControlChannel::Header::Size)};
        }
        writes->clear();
        return requests;
    }
    QList<uint16_t> takeCommands()
    {
        QList<uint16_t> commands;
        for (const Request &request : takeRequests())
            commands << request.command;
        return commands;
    }

    // A message of the board's error channel, in one packet.
    void boardMessage(bool kernel, uint8_t level, const QString &text)
    {
        const QByteArray utf8 = text.toUtf8();
        QByteArray packet(ErrorChannel::Packet::Text, '\0');
        packet[ErrorChannel::Packet::Level] = char(level);
        packet[ErrorChannel::Packet::Flags] = char(kernel ? ErrorChannel::KernelMessage : 0);
        qToLittleEndian<quint16>(quint16(utf8.size()), packet.data() + ErrorChannel::Packet::TextLength);
        emit board->getDatalinkManager()->DataReady(6, packet + utf8);
    }
};

using C = ControlChannel;
const QList<uint16_t> kVersionQueries{C::GetFirmwareVersion,    C::GetESPVersion, C::GetAppVersion,
                                      C::GetExtendedAppVersion, C::GetAppName,    C::GetCurrentBuildID};

QList<AbstractNotification *> notifications()
{
    return ErrorHandler::instance()->getNotificationList();
}

C::WifiIP wifiIP(QByteArrayView address, bool full, bool ipv6)
{
    C::WifiIP record;
    record.bytes[C::WifiIP::FullAddress] = full;
    record.bytes[C::WifiIP::IsIPv6] = ipv6;
    std::copy(address.begin(), address.end(), record.bytes.begin() + C::WifiIP::Address);
    return record;
}

C::TimeDate timeDate(const QDateTime &time)
{
    C::TimeDate date;
    date.seconds = time.time().second();
    date.minutes = time.time().minute();
    date.hours = time.time().hour();
    date.day = time.date().day();
    date.month = time.date().month();
    date.year = time.date().year();
    return date;
}

} // namespace

// The board object on its own: what it asks the board and when, and how the
// board's replies and messages become properties, services and notifications.
class tst_Zelto : public QObject
{
    Q_OBJECT

private slots:
    void connectingSendsTheQueriesInOrderAndStartsThePoll()
    {
        Rig rig;
        QSignalSpy connected(rig.board, &Zelto::IsConnectedSignal);
        rig.setConnected(true);
        QCOMPARE(connected.count(), 1);
        QCOMPARE(connected[0][1].toBool(), true);

        QList<uint16_t> immediate{C::OpenCloseErrorChannelService};
        immediate << kVersionQueries;
        QCOMPARE(rig.takeCommands(), immediate);
        QCoreApplication::processEvents();
        const QList<uint16_t> deferred{C::GetFwImageDetails, C::GetExtModStatus, C::GetMscState,      C::GetAppStatus,
                                       C::GetDate,           C::GetWifiSettings, C::GetCurrentBuildID};
        // Under load a poll may already follow: only the beginning is checked.
        QCOMPARE(rig.takeCommands().mid(0, deferred.size()), deferred);

        // Nothing verified and no build ID yet: the versions and the build ID come with every poll.
        QTRY_VERIFY(!rig.writes->isEmpty());
        QList<uint16_t> poll{C::GetMscState, C::GetAppStatus, C::GetWifiIP, C::GetWifiAPInfo, C::GetExtModStatus};
        const QList<uint16_t> firstPoll = poll + kVersionQueries + QList<uint16_t>{C::GetCurrentBuildID};
        QCOMPARE(rig.takeCommands().mid(0, firstPoll.size()), firstPoll);

        rig.board->setVersionFW(true, "2.4.1", 0, 0);
        rig.board->setVersionESP(true, "1.1.0");
        rig.board->currentBuildIDReceived(C::Success, "b-77");
        rig.writes->clear();
        QTRY_VERIFY(!rig.writes->isEmpty());
        QCOMPARE(rig.takeCommands().mid(0, poll.size()), poll);
    }

    void versionsAreAskedForUntilBothAreVerified_data()
    {
        QTest::addColumn<bool>("firmwareVerified");
        QTest::addColumn<QString>("firmware");
        QTest::addColumn<bool>("moduleVerified");
        QTest::addColumn<QString>("module");
        QTest::addColumn<bool>("asked");
        QTest::newRow("both verified") << true << "2.4.1" << true << "1.1.0" << false;
        QTest::newRow("firmware unverified") << false << "2.4.1" << true << "1.1.0" << true;
        QTest::newRow("module unverified") << true << "2.4.1" << false << "1.1.0" << true;
        QTest::newRow("firmware version unreadable") << false << "" << true << "1.1.0" << false;
        QTest::newRow("board without a Wi-Fi module") << true << "2.4.1" << false << "" << false;
    }
    void versionsAreAskedForUntilBothAreVerified()
    {
        QFETCH(bool, firmwareVerified);
        QFETCH(QString, firmware);
        QFETCH(bool, moduleVerified);
        QFETCH(QString, module);
        QFETCH(bool, asked);
        Rig rig;
        rig.board->setVersionFW(firmwareVerified, firmware, 0, 0);
        rig.board->setVersionESP(moduleVerified, module);
        rig.board->currentBuildIDReceived(C::Success, "b-77");
        rig.board->pollZeltoState();
        const QList<uint16_t> poll{C::GetMscState, C::GetAppStatus, C::GetWifiIP, C::GetWifiAPInfo, C::GetExtModStatus};
        QCOMPARE(rig.takeCommands(), asked ? poll + kVersionQueries : poll);
    }

    void disconnectingStopsThePollAndDropsTheOpenedServices()
    {
        Rig rig;
        rig.setConnected(true);
        QCoreApplication::processEvents();
        rig.board->handleErrorChannelServiceOpenedClosed(C::Success, true);
        rig.board->handleFileControlOpenedClosed(C::Success, true);
        rig.board->handleUpdateServiceOpenedClosed(C::Success, true);
        rig.board->handleMonitoringServiceOpenedClosed(C::Success, true);
        rig.board->appStateReceived(C::Success, C::Running);
        QPointer<ErrorChannel> errorChannel = rig.board->errorChannel();
        QPointer<FileControlChannel> fileControl = rig.board->fileControl();
        QPointer<SoftwareUpdate> update = rig.board->updateService();
        QPointer<AbstractExternalMonitor> monitor = rig.board->externalMonitor();
        QVERIFY(errorChannel && fileControl && update && monitor);

        QSignalSpy files(rig.board, &Zelto::FileControlOpenedClosed);
        QSignalSpy monitors(rig.board, &Zelto::MonitoringOpenedClosed);
        QSignalSpy connected(rig.board, &Zelto::IsConnectedSignal);
        QSignalSpy status(rig.board, &Zelto::AppStatusChanged);
        rig.setConnected(false);
        QCOMPARE(connected.count(), 1);
        QCOMPARE(connected[0][1].toBool(), false);
        QCOMPARE(status.count(), 1);
        QCOMPARE(rig.board->getAppRunningState(), C::Unknown);
        QVERIFY(!rig.board->pollTimer()->isActive());
        QCOMPARE(rig.monitors.at(0)->resets, 1);
        QCOMPARE(rig.board->errorChannel(), nullptr);
        QCOMPARE(rig.board->fileControl(), nullptr);
        QCOMPARE(rig.board->updateService(), nullptr);
        QCOMPARE(rig.board->externalMonitor(), nullptr);
        QCOMPARE(files.count(), 1);
        QCOMPARE(files[0][0].value<FileControlChannel *>(), nullptr);
        QCOMPARE(monitors.count(), 1);
        QTRY_VERIFY(!errorChannel && !fileControl && !update && !monitor);
        QVERIFY(rig.board->getControlChannel());
        QVERIFY(rig.board->externalMode());

        rig.writes->clear();
        QTest::qWait(100);
        QCOMPARE(rig.takeCommands(), QList<uint16_t>());
    }

    void applicationStatusEndsMonitoringWhenTheApplicationStops_data()
    {
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("response");
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("closesMonitoring");
        QTest::addColumn<bool>("changes");
        QTest::newRow("running to crashed") << int(C::Running) << int(C::Success) << int(C::Crashed) << true << true;
        QTest::newRow("running to stopped") << int(C::Running) << int(C::Success) << int(C::Stopped) << true << true;
        QTest::newRow("running to killed") << int(C::Running) << int(C::Success) << int(C::Killed) << true << true;
        QTest::newRow("running to stopping") << int(C::Running) << int(C::Success) << int(C::Stopping) << true << true;
        QTest::newRow("crashed again") << int(C::Crashed) << int(C::Success) << int(C::Crashed) << false << false;
        QTest::newRow("loaded to running") << int(C::Loaded) << int(C::Success) << int(C::Running) << false << true;
        QTest::newRow("error reply") << int(C::Running) << int(C::Error) << int(C::Crashed) << false << false;
    }
    void applicationStatusEndsMonitoringWhenTheApplicationStops()
    {
        QFETCH(int, before);
        QFETCH(int, response);
        QFETCH(int, status);
        QFETCH(bool, closesMonitoring);
        QFETCH(bool, changes);
        Rig rig;
        rig.board->appStateReceived(C::Success, C::AppStatus(before));
        rig.board->handleMonitoringServiceOpenedClosed(C::Success, true);
        rig.takeRequests();
        QSignalSpy changed(rig.board, &Zelto::AppStatusChanged);
        if (response == C::Error)
            QTest::ignoreMessage(QtDebugMsg, "Error receiving app state");
        rig.board->appStateReceived(C::ResponseCode(response), C::AppStatus(status));

        QCOMPARE(changed.count(), changes ? 1 : 0);
        QCOMPARE(rig.board->getAppRunningState(), C::AppStatus(changes ? status : before));
        QCOMPARE(rig.board->property("appRunning").toBool(), rig.board->getAppRunningState() == C::Running);
        const QList<Request> requests = rig.takeRequests();
        QCOMPARE(requests.size(), closesMonitoring ? 1 : 0);
        if (closesMonitoring) {
            QCOMPARE(requests[0].command, uint16_t(C::OpenCloseMonitoringService));
            QCOMPARE(requests[0].payload, QByteArray(1, '\0'));
        }
        QCOMPARE(rig.monitors.at(0)->resets, closesMonitoring ? 1 : 0);
    }

    void applicationVersion_data()
    {
        QTest::addColumn<QStringList>("replies"); // "s:<text>" short, "e:<text>" extended
        QTest::addColumn<QString>("expected");
        QTest::newRow("no reply yet") << QStringList() << "Undefined";
        QTest::newRow("extended wins over short") << QStringList{"s:1.2", "e:1.2.3-b4"} << "1.2.3-b4";
        QTest::newRow("short after extended is ignored") << QStringList{"e:1.2.3-b4", "s:1.2"} << "1.2.3-b4";
        QTest::newRow("board without extended version") << QStringList{"s:1.2", "e:"} << "1.2";
        QTest::newRow("new application with shorter versions")
            << QStringList{"s:1.2.3", "e:1.2.3-build.17", "s:1.4", "e:1.4-b2"} << "1.4-b2";
        QTest::newRow("new application without extended version")
            << QStringList{"s:1.2", "e:1.2-x", "s:1.3", "e:", "s:1.3"} << "1.3";
    }
    void applicationVersion()
    {
        QFETCH(QStringList, replies);
        QFETCH(QString, expected);
        Rig rig;
        for (const QString &reply : replies) {
            if (reply.startsWith("s:"))
                rig.board->setVersionApp(true, reply.mid(2));
            else
                rig.board->setExtendedVersionApp(true, reply.mid(2));
        }
        QCOMPARE(rig.board->versionApp(), expected);
    }

    void wifiAddress_data()
    {
        QTest::addColumn<QList<C::WifiIP>>("records");
        QTest::addColumn<int>("response");
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("available");
        QTest::addColumn<int>("changes");
        const C::WifiIP v4 = wifiIP(QByteArray::fromHex("7f000002"), false, false);
        const C::WifiIP v6 = wifiIP(QByteArray::fromHex("00000000000000000000000000000001"), true, true);
        const C::WifiIP v6Mapped = wifiIP(QByteArray::fromHex("fe800000000000000000000000000007"), true, true);
        C::WifiIP v4Tail = v4;
        v4Tail.bytes[C::WifiIP::Address + 8] = 0x55; // beyond the 4 bytes that count
        const C::WifiIP zero = wifiIP(QByteArray(16, '\0'), false, false);
        QTest::newRow("IPv4") << QList<C::WifiIP>{v4} << int(C::Success) << "127.0.0.2" << true << 1;
        QTest::newRow("IPv6 in full") << QList<C::WifiIP>{v6Mapped} << int(C::Success) << "fe80::7" << true << 1;
        QTest::newRow("IPv6 whose first four bytes are zero")
            << QList<C::WifiIP>{v6} << int(C::Success) << "" << false << 1;
        QTest::newRow("same address twice") << QList<C::WifiIP>{v4, v4} << int(C::Success) << "127.0.0.2" << true << 1;
        QTest::newRow("IPv4 ignores the rest of the slot")
            << QList<C::WifiIP>{v4, v4Tail} << int(C::Success) << "127.0.0.2" << true << 1;
        QTest::newRow("address lost") << QList<C::WifiIP>{v4, zero} << int(C::Success) << "" << false << 2;
        QTest::newRow("no data") << QList<C::WifiIP>{v4} << int(C::NoData) << "" << false << 0;
        QTest::newRow("error reply") << QList<C::WifiIP>{v4} << int(C::Error) << "" << false << 0;
    }
    void wifiAddress()
    {
        QFETCH(QList<C::WifiIP>, records);
        QFETCH(int, response);
        QFETCH(QString, address);
        QFETCH(bool, available);
        QFETCH(int, changes);
        Rig rig;
        QSignalSpy changed(rig.board, &Zelto::IpChanged);
        for (const C::WifiIP &record : records)
            rig.board->setCurrentIP(C::ResponseCode(response), record);
        QCOMPARE(rig.board->ipAddress(), address);
        QCOMPARE(rig.board->property("ipAvailableProp").toBool(), available);
        QCOMPARE(changed.count(), changes);
    }

    void signalStrengthAndName()
    {
        Rig rig;
        C::WifiAPInfo info;
        info.bytes[C::WifiAPInfo::Rssi] = 0xC8;
        QSignalSpy rssi(rig.board, &Zelto::RssiChanged);
        rig.board->apInfoReceived(C::Success, info);
        QCOMPARE(rig.board->rssi(), -56);
        info.bytes[C::WifiAPInfo::Rssi] = 0x10;
        rig.board->apInfoReceived(C::Error, info);
        QCOMPARE(rig.board->rssi(), -56);
        QCOMPARE(rssi.count(), 1);

        C::WifiSettings settings;
        const QByteArray name = "Bench board";
        std::copy(name.begin(), name.end(), settings.bytes.begin());
        QSignalSpy named(rig.board, &OstDevice::NameChanged);
        rig.board->wifiSettingsReceived(C::Success, settings);
        rig.board->wifiSettingsReceived(C::Success, settings);
        QCOMPARE(rig.board->name(), QString("Bench board"));
        QCOMPARE(named.count(), 1);

        // A name that fills its 32 bytes has no terminating zero.
        std::fill(settings.bytes.begin(), settings.bytes.begin() + 32, 'n');
        rig.board->wifiSettingsReceived(C::Success, settings);
        QCOMPARE(rig.board->name(), QString(32, 'n'));
        rig.board->wifiSettingsReceived(C::NoData, C::WifiSettings());
        QCOMPARE(rig.board->name(), QString(32, 'n'));
    }

    void bootStateBecomesOneNotification_data()
    {
        QTest::addColumn<int>("response");
        QTest::addColumn<int>("state");
        QTest::addColumn<QStringList>("flags"); // the properties that are true
        QTest::addColumn<QString>("message");   // empty: no notification
        const QString fallback = "Zelto has started in fallback mode. This mode is only activated when an "
                                 "unrecoverable crash has occurred. The fallback mode can be used to recover the "
                                 "latest firmware. All other functionalities are disabled.";
        const QString crashLoop = "Zelto has disabled the running of the model due to a crash loop. Try uploading a "
                                  "new model.";
        const QString rollback = "The Zelto has been rolled back to the previously installed firmware due to "
                                 "malfunctioning firmware. Retry updating the firmware again.";
        QTest::newRow("running its firmware") << int(C::Success) << 0x04 << QStringList{"isInFirmware"} << "";
        QTest::newRow("fallback") << int(C::Success) << 0x20 << QStringList{"isInFallback"} << fallback;
        QTest::newRow("crash loop") << int(C::Success) << 0x84 << QStringList{"isInFirmware", "isInCrashLoop"}
                                    << crashLoop;
        QTest::newRow("fallback before crash loop")
            << int(C::Success) << 0xA0 << QStringList{"isInFallback", "isInCrashLoop"} << fallback;
        QTest::newRow("in rollback") << int(C::Success) << 0x08 << QStringList{"isInRollback"} << rollback;
        QTest::newRow("rolled back") << int(C::Success) << 0x14 << QStringList{"isInFirmware", "hasRolledBack"}
                                     << rollback;
        QTest::newRow("no data") << int(C::NoData) << 0x20 << QStringList() << "";
    }
    void bootStateBecomesOneNotification()
    {
        QFETCH(int, response);
        QFETCH(int, state);
        QFETCH(QStringList, flags);
        QFETCH(QString, message);
        Rig rig;
        C::ImageDetails details;
        details.bytes[0] = uint8_t(state);
        rig.board->setImageDetails(C::ResponseCode(response), details);
        for (const char *flag : {"isInFirmware", "isInRollback", "hasRolledBack", "isInFallback", "isInCrashLoop"})
            QCOMPARE(rig.board->property(flag).toBool(), flags.contains(flag));
        QCOMPARE(notifications().size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty()) {
            AbstractNotification *notification = notifications().at(0);
            QCOMPARE(notification->getTitle(), QString("Zelto boot error"));
            QCOMPARE(notification->getMessage(), message);
            QCOMPARE(notification->getLevel(), halvora::ErrorLevel::Error);
            QCOMPARE(notification->getSource(), AbstractNotification::Device);
            QCOMPARE(notification->getOrigin(), rig.board->serialNumber());
        }
    }

    void boardClockIsSetWhenItDrifts_data()
    {
        QTest::addColumn<int>("response");
        QTest::addColumn<int>("offset"); // seconds the board is ahead; 0: no date at all
        QTest::addColumn<bool>("set");
        QTest::newRow("4 s behind") << int(C::Success) << -4 << false;
        QTest::newRow("4 s ahead") << int(C::Success) << 4 << false;
        QTest::newRow("6 s behind") << int(C::Success) << -6 << true;
        QTest::newRow("7 s ahead") << int(C::Success) << 7 << true;
        QTest::newRow("an hour off") << int(C::Success) << 3600 << true;
        QTest::newRow("clock never set") << int(C::Success) << 0 << true;
        QTest::newRow("error reply without a date") << int(C::Error) << 0 << false;
    }
    void boardClockIsSetWhenItDrifts()
    {
        QFETCH(int, response);
        QFETCH(int, offset);
        QFETCH(bool, set);
        Rig rig;
        const C::TimeDate board = offset ? timeDate(QDateTime::currentDateTime().addSecs(offset)) : C::TimeDate();
        if (set)
            QTest::ignoreMessage(QtDebugMsg, "Time updated on device side.");
        rig.board->dateTimeReceived(C::ResponseCode(response), board);
        const QList<Request> requests = rig.takeRequests();
        QCOMPARE(requests.size(), set ? 1 : 0);
        if (!set)
            return;
        QCOMPARE(requests[0].command, uint16_t(C::SetDate));
        const C::TimeDate sent = C::TimeDate::read(requests[0].payload);
        const QDateTime now = QDateTime::currentDateTime();
        const QDateTime sentTime(QDate(sent.year, sent.month, sent.day), QTime(sent.hours, sent.minutes, sent.seconds));
        QVERIFY(qAbs(sentTime.secsTo(now)) <= 2);
        QCOMPARE(sent.weekDay, sentTime.date().dayOfWeek());
        QCOMPARE(sent.yearDay, sentTime.date().dayOfYear());
        QCOMPARE(sent.reserved, 0);
    }

    void boardMessagesBecomeNotifications_data()
    {
        QTest::addColumn<bool>("kernel");
        QTest::addColumn<int>("level");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expectedLevel"); // 0: dropped
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("message");
        const int warning = int(halvora::ErrorLevel::Warning), error = int(halvora::ErrorLevel::Error),
                  critical = int(halvora::ErrorLevel::CriticalError);
        QTest::newRow("application error")
            << false << 4 << "[12.345] Motor stalled" << error << "Error received from Zelto"
            << "Motor stalled";
        QTest::newRow("application warning")
            << false << 3 << "[0.5] Low battery" << warning << "Warning received from Zelto"
            << "Low battery";
        QTest::newRow("application critical")
            << false << 5 << "[1] Out of memory" << critical << "Critical error received from Zelto"
            << "Out of memory";
        QTest::newRow("application info dropped") << false << 2 << "[1] Started" << 0 << ""
                                                  << "";
        QTest::newRow("kernel warning dropped") << true << 3 << "[1] Slow flash" << 0 << ""
                                                << "";
        QTest::newRow("kernel error") << true << 4 << "[2.0] Bus fault" << error << "Error received from Zelto"
                                      << "Bus fault";
        QTest::newRow("kernel critical") << true << 5 << "[2.0] Hard fault" << critical
                                         << "Critical error received from Zelto"
                                         << "Hard fault";
        QTest::newRow("without a time stamp the text is kept")
            << false << 4 << "Motor stalled" << error << "Error received from Zelto"
            << "Motor stalled";
        QTest::newRow("only the first bracket ends the stamp")
            << false << 4 << "[3]  Limit [x] reached" << error << "Error received from Zelto"
            << " Limit [x] reached";
    }
    void boardMessagesBecomeNotifications()
    {
        QFETCH(bool, kernel);
        QFETCH(int, level);
        QFETCH(QString, text);
        QFETCH(int, expectedLevel);
        QFETCH(QString, title);
        QFETCH(QString, message);
        Rig rig;
        rig.board->handleErrorChannelServiceOpenedClosed(C::Success, true);
        QSignalSpy passedOn(rig.board, &Zelto::messageReceived);
        rig.boardMessage(kernel, uint8_t(level), text);
        QTRY_COMPARE(passedOn.count(), 1);
        QCOMPARE(passedOn[0][1].toString(), text);
        QCOMPARE(notifications().size(), expectedLevel ? 1 : 0);
        if (!expectedLevel)
            return;
        AbstractNotification *notification = notifications().at(0);
        QCOMPARE(int(notification->getLevel()), expectedLevel);
        QCOMPARE(notification->getTitle(), title);
        QCOMPARE(notification->getMessage(), message);
        QCOMPARE(notification->getSource(), AbstractNotification::Device);
        QCOMPARE(notification->getOrigin(), rig.board->serialNumber());
    }

    void errorChannelAsksForItsLevel()
    {
        Rig rig;
        rig.board->handleErrorChannelServiceOpenedClosed(C::Success, true);
        QVERIFY(rig.board->errorChannel());
        QCOMPARE(rig.board->errorChannel()->channel(), DatalinkChannelId(6));
    }

    void servicesFollowTheBoardsAnswers_data()
    {
        QTest::addColumn<QString>("service");
        QTest::newRow("update") << "update";
        QTest::newRow("file") << "file";
        QTest::newRow("error channel") << "error";
        QTest::newRow("monitoring") << "monitoring";
    }
    void servicesFollowTheBoardsAnswers()
    {
        QFETCH(QString, service);
        Rig rig;
        Zelto *board = rig.board;
        std::function<void(C::ResponseCode, bool)> answer;
        std::function<QObject *()> current;
        const char *signal = nullptr;
        if (service == "update") {
            answer = [board](C::ResponseCode r, bool o) { board->handleUpdateServiceOpenedClosed(r, o); };
            current = [board] { return board->updateService(); };
            signal = SIGNAL(UpdateServiceOpenedClosed(SoftwareUpdate *));
        } else if (service == "file") {
            answer = [board](C::ResponseCode r, bool o) { board->handleFileControlOpenedClosed(r, o); };
            current = [board] { return board->fileControl(); };
            signal = SIGNAL(FileControlOpenedClosed(FileControlChannel *));
        } else if (service == "error") {
            answer = [board](C::ResponseCode r, bool o) { board->handleErrorChannelServiceOpenedClosed(r, o); };
            current = [board] { return board->errorChannel(); };
            signal = SIGNAL(ErrorChannelOpenedClosed(ErrorChannel *));
        } else {
            answer = [board](C::ResponseCode r, bool o) { board->handleMonitoringServiceOpenedClosed(r, o); };
            current = [board] { return board->externalMonitor(); };
            signal = SIGNAL(MonitoringOpenedClosed(AbstractExternalMonitor *));
        }
        QSignalSpy announced(board, signal);
        // The pointer as it was sent; the service it names may be gone by now.
        auto announcedService = [&announced](int i) {
            return *static_cast<void *const *>(announced[i][0].constData());
        };

        answer(C::NoData, true);
        QCOMPARE(current(), nullptr);
        answer(C::Success, true);
        QPointer<QObject> opened = current();
        QVERIFY(opened);
        QCOMPARE(opened->parent(), board);
        answer(C::Success, true);
        QCOMPARE(current(), opened.data());
        answer(C::Error, false);
        QCOMPARE(current(), opened.data());
        answer(C::Success, false);
        QCOMPARE(current(), nullptr);
        QTRY_VERIFY(!opened);

        QCOMPARE(announced.count(), 5);
        QCOMPARE(announcedService(0), nullptr);
        for (int i : {1, 2, 3})
            QCOMPARE(announcedService(i), announcedService(1));
        QVERIFY(announcedService(1));
        QCOMPARE(announcedService(4), nullptr);
    }

    void monitorIsStartedOnEveryOpeningAndFollowsTheBuild()
    {
        Rig rig;
        QSignalSpy running(rig.board, &Zelto::monitoringServiceRunningChanged);
        rig.board->handleMonitoringServiceOpenedClosed(C::Success, true);
        rig.board->handleMonitoringServiceOpenedClosed(C::Success, true);
        QCOMPARE(rig.monitors.size(), 1);
        QCOMPARE(rig.monitors[0]->starts, 2);
        QVERIFY(rig.board->monitoringServiceRunning());
        QCOMPARE(rig.board->property("externalMonitor").value<AbstractExternalMonitor *>(), rig.monitors[0].data());

        rig.board->currentBuildIDReceived(C::Success, "build-9");
        rig.board->currentBuildIDReceived(C::NoData, QByteArray());
        QCOMPARE(rig.monitors[0]->buildIDs, QList<QByteArray>{"build-9"});
        QCOMPARE(*rig.monitors[0]->buildIDSeen, QByteArray("build-9"));

        // A refusal leaves the running flag as it was, whatever flag it carries.
        rig.board->handleMonitoringServiceOpenedClosed(C::Error, false);
        QVERIFY(rig.board->monitoringServiceRunning());
        QVERIFY(rig.board->externalMonitor());
        rig.board->handleMonitoringServiceOpenedClosed(C::Success, false);
        QVERIFY(!rig.board->monitoringServiceRunning());
        rig.board->handleMonitoringServiceOpenedClosed(C::Error, true);
        QVERIFY(!rig.board->monitoringServiceRunning());
        QCOMPARE(running.count(), 5);
    }

    void chosenFirmwareWaitsForTheUpdateService_data()
    {
        QTest::addColumn<bool>("connected");
        QTest::addColumn<int>("response");
        QTest::addColumn<bool>("isOpen");
        QTest::addColumn<bool>("requested");
        QTest::addColumn<bool>("started");
        QTest::addColumn<bool>("warned");
        QTest::newRow("service opens") << true << int(C::Success) << true << true << true << false;
        QTest::newRow("board refuses") << true << int(C::Error) << false << true << false << true;
        QTest::newRow("board has no update service") << true << int(C::NoData) << false << true << false << true;
        QTest::newRow("board not connected") << false << int(C::Success) << true << false << false << false;
    }
    void chosenFirmwareWaitsForTheUpdateService()
    {
        QFETCH(bool, connected);
        QFETCH(int, response);
        QFETCH(bool, isOpen);
        QFETCH(bool, requested);
        QFETCH(bool, started);
        QFETCH(bool, warned);
        QTemporaryDir folder;
        const QString firmware = folder.filePath("zelto-2.5.0.fwb");
        QFile file(firmware);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(3000, '\x42'));
        file.close();

        Rig rig;
        if (connected)
            rig.setConnected(true);
        QCoreApplication::processEvents();
        rig.takeRequests();
        if (!connected)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("not connected"));
        rig.board->tempUploadFirmware(QUrl::fromLocalFile(firmware));
        const QList<Request> requests = rig.takeRequests();
        QCOMPARE(requests.size(), requested ? 1 : 0);
        if (requested) {
            QCOMPARE(requests[0].command, uint16_t(C::OpenCloseUpdateService));
            QCOMPARE(requests[0].payload, QByteArray(1, '\1'));
        }

        rig.board->handleUpdateServiceOpenedClosed(C::ResponseCode(response), isOpen);
        QVERIFY(rig.board->pendingFirmwareFile().isEmpty());
        if (started) {
            QVERIFY(rig.board->updateService());
            QCOMPARE(rig.board->updateService()->command(), SoftwareUpdate::BoardFirmware);
        }
        QCOMPARE(notifications().size(), warned ? 1 : 0);
        if (warned)
            QCOMPARE(notifications().at(0)->getTitle(), QString("Firmware upload not started"));

        // A later opening, by anyone, uploads nothing.
        rig.board->handleUpdateServiceOpenedClosed(C::Success, false);
        rig.board->handleUpdateServiceOpenedClosed(C::Success, true);
        QCOMPARE(rig.board->updateService()->command(), SoftwareUpdate::NoUpdate);
    }

    void firmwareChosenBeforeADisconnectIsForgotten()
    {
        Rig rig;
        rig.setConnected(true);
        rig.board->tempUploadFirmware(QUrl::fromLocalFile("/nonexistent/zelto.fwb"));
        QVERIFY(!rig.board->pendingFirmwareFile().isEmpty());
        rig.setConnected(false);
        QVERIFY(rig.board->pendingFirmwareFile().isEmpty());
    }

    void bridgeFollowsTheBoardsExternalModeAndFreesItsPort()
    {
        Rig rig;
        rig.setConnected(true);
        rig.board->extModStateReceived(C::Success, true);
        QVERIFY(rig.board->externalMode()->isStarted());
        const int port = rig.board->externalMode()->serverPort();
        QVERIFY(port > 0);
        rig.board->extModStateReceived(C::Error, false);
        QVERIFY(rig.board->externalMode()->isStarted());

        rig.setConnected(false);
        QVERIFY(!rig.board->externalMode()->isStarted());
        QTcpServer next;
        QVERIFY(next.listen(QHostAddress::LocalHost, quint16(port)));
    }

    void destroyedBoardFreesItsBridgePort()
    {
        Rig rig;
        rig.setConnected(true);
        rig.board->extModStateReceived(C::Success, true);
        const int port = rig.board->externalMode()->serverPort();
        QSignalSpy connected(rig.board, &Zelto::IsConnectedSignal);
        rig.takeRequests();
        QByteArray lastWrite;
        connect(rig.board->getControlChannel(), &AbstractService::write, this,
                [&lastWrite](DatalinkChannelId, bool, QByteArray message) { lastWrite = message; });
        delete rig.board;
        QCOMPARE(connected.count(), 1);
        QCOMPARE(connected[0][1].toBool(), false);
        QCOMPARE(qFromLittleEndian<quint16>(lastWrite.constData() + C::Header::Command), uint16_t(C::DisconnectDevice));
        QTcpServer next;
        QVERIFY(next.listen(QHostAddress::LocalHost, quint16(port)));
    }

    void userRequests_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("command");
        QTest::addColumn<QByteArray>("payload");
        QTest::newRow("start the application")
            << "toggle" << int(C::Stopped) << int(C::StartStopApp) << QByteArray(1, '\0');
        QTest::newRow("start an unknown application")
            << "toggle" << int(C::Unknown) << int(C::StartStopApp) << QByteArray(1, '\0');
        QTest::newRow("stop the application")
            << "toggle" << int(C::Running) << int(C::StartStopApp) << QByteArray(1, '\1');
        QTest::newRow("mount the storage") << "mount" << 0 << int(C::MscInsert) << QByteArray();
        QTest::newRow("eject the storage") << "eject" << 0 << int(C::MscEject) << QByteArray();
        QTest::newRow("start monitoring")
            << "monitor" << 0 << int(C::OpenCloseMonitoringService) << QByteArray(1, '\1');
        QTest::newRow("serial downloader") << "downloader" << 0 << int(C::GoToSerialDownloaderMode) << QByteArray();
        QTest::newRow("disconnect") << "disconnect" << 0 << int(C::DisconnectDevice) << QByteArray();
    }
    void userRequests()
    {
        QFETCH(QString, action);
        QFETCH(int, status);
        QFETCH(int, command);
        QFETCH(QByteArray, payload);
        Rig rig;
        if (status)
            rig.board->appStateReceived(C::Success, C::AppStatus(status));
        rig.takeRequests();
        if (action == "toggle")
            QMetaObject::invokeMethod(rig.board, "toggleAppState");
        else if (action == "mount")
            QMetaObject::invokeMethod(rig.board, "setZeltoMscState", Q_ARG(bool, true));
        else if (action == "eject")
            QMetaObject::invokeMethod(rig.board, "setZeltoMscState", Q_ARG(bool, false));
        else if (action == "monitor")
            QMetaObject::invokeMethod(rig.board, "startMonitoring");
        else if (action == "downloader")
            QMetaObject::invokeMethod(rig.board, "restartToSerialDownloaderMode");
        else
            QMetaObject::invokeMethod(rig.board, "deleteZelto");
        const QList<Request> requests = rig.takeRequests();
        QCOMPARE(requests.size(), 1);
        QCOMPARE(requests[0].command, uint16_t(command));
        QCOMPARE(requests[0].payload, payload);
        QCOMPARE(rig.board->isReconnectAllowed(), action != "disconnect");
    }

    void massStorageState()
    {
        Rig rig;
        QSignalSpy changed(rig.board, &Zelto::MscStatusChanged);
        rig.board->mscStatusReceived(C::Success, C::AlreadyMounted);
        QVERIFY(rig.board->getZeltoMscState());
        QTest::ignoreMessage(QtDebugMsg, "Error receiving msc state");
        rig.board->mscStatusReceived(C::Error, C::NotMounted);
        QVERIFY(rig.board->getZeltoMscState());
        rig.board->mscStatusReceived(C::Success, C::NotAttached);
        QVERIFY(!rig.board->getZeltoMscState());
        QCOMPARE(changed.count(), 2);
    }

    void deactivatingAllLinksAsksForRemoval()
    {
        Rig rig;
        QSignalSpy removal(rig.board, &OstDevice::RequestDeleteSelf);
        QMetaObject::invokeMethod(rig.board, "setActiveDatalinkNone");
        QCOMPARE(removal.count(), 1);
    }

    void wifiLinkIsAddedOnceAndOnlyForAnAddress()
    {
        ZeltoOptions settings;
        QTcpServer closed; // a port on which nothing listens once the server is gone
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        settings.wifiLink.streamPort = closed.serverPort();
        closed.close();
        settings.wifiLink.localDatagramPort = 0;
        Rig rig(settings);

        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Not a board address"));
        rig.board->wifiConnect("bench-board.local");
        QCOMPARE(rig.board->getDatalink(AbstractDataLink::WiFi), nullptr);

        rig.board->wifiConnect("127.0.0.1");
        QPointer<AbstractDataLink> first = rig.board->getDatalink(AbstractDataLink::WiFi);
        QVERIFY(first);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("has a Wi-Fi link already"));
        rig.board->wifiConnect("127.0.0.1");
        QCOMPARE(rig.board->getDatalink(AbstractDataLink::WiFi), first.data());
        QCOMPARE(rig.board->findChildren<AbstractDataLink *>().size(), 1);
    }
};

QTEST_MAIN(tst_Zelto)
#include "tst_Zelto.moc"
