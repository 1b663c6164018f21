// The board simulator as a program of its own: one board that answers the host on
// the link its transport carries, with switches for the ways a board can fail.

#include "BoardControlChannel.h"
#include "BoardExternalMode.h"
#include "BoardFileService.h"
#include "BoardMonitoringControl.h"
#include "MonitoringModelFile.h"
#include "BoardSettings.h"
#include "BoardSimulator.h"
#include "StdioBoardTransport.h"
#include "WifiBoardTransport.h"
#include "WifiCommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace {

bool parseCorruption(const QString &text, FrameCorruption *corruption)
{
    static const QHash<QString, FrameCorruption> names{
        {QStringLiteral("none"), FrameCorruption::None},
        {QStringLiteral("magic"), FrameCorruption::WrongMagic},
        {QStringLiteral("length"), FrameCorruption::OversizeLength},
        {QStringLiteral("checksum"), FrameCorruption::WrongChecksum},
        {QStringLiteral("truncate"), FrameCorruption::TruncatedMessage},
    };
    const auto it = names.constFind(text);
    if (it == names.cend())
        return false;
    *corruption = *it;
    return true;
}

bool parseNumber(const QString &text, long long low, long long high, long long *value)
{
    bool ok = false;
    *value = text.toLongLong(&ok, 0);
    return ok && *value >= low && *value <= high;
}

bool parseHex(const QString &text, qsizetype size, QByteArray *value)
{
    const QByteArray bytes = QByteArray::fromHex(text.toLatin1());
    if (bytes.size() != size || bytes.toHex() != text.toLatin1().toLower())
        return false;
    *value = bytes;
    return true;
}

// One reply per line, in hexadecimal digits; blank lines are skipped.
bool readScript(const QString &path, QList<QByteArray> *replies)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (line.isEmpty())
            continue;
        const QByteArray reply = QByteArray::fromHex(line);
        if (reply.toHex() != line.toLower())
            return false;
        replies->append(reply);
    }
    return true;
}

int fail(const QString &message)
{
    fprintf(stderr, "halvora-board-simulator: %s\n", qPrintable(message));
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("halvora-board-simulator"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Plays a Zelto controller board on the packet link.\n"
        "With --transport stdio (the default) frames from the host are read from standard input and the board's "
        "frames written to standard output.\n"
        "With --transport wifi the board listens as a Wi-Fi board does: a TLS (or --plain TCP) stream and "
        "encrypted datagrams, by default on 127.0.0.2, ports 40000 and 40001. Once it listens it prints "
        "\"Listening on <address> stream <port> datagrams <port>\" on standard output."));
    parser.addHelpOption();
    const QCommandLineOption link(QStringLiteral("link"),
                                  QStringLiteral("The link the transport poses as: usb or wifi."),
                                  QStringLiteral("kind"), QStringLiteral("usb"));
    const QCommandLineOption serial(QStringLiteral("serial"), QStringLiteral("Serial number (at most 31 characters)."),
                                    QStringLiteral("text"), QStringLiteral("SIM0001"));
    const QCommandLineOption deviceType(QStringLiteral("device-type"), QStringLiteral("Device type (1 or 2)."),
                                        QStringLiteral("number"), QStringLiteral("1"));
    const QCommandLineOption extendedType(QStringLiteral("extended-type"), QStringLiteral("Extended device type."),
                                          QStringLiteral("number"), QStringLiteral("12"));
    const QCommandLineOption version(QStringLiteral("datalink-version"),
                                     QStringLiteral("Datalink protocol version (the host speaks 0 and 1)."),
                                     QStringLiteral("number"), QStringLiteral("1"));
    const QCommandLineOption heartbeat(QStringLiteral("heartbeat-interval"),
                                       QStringLiteral("Milliseconds between the board's heartbeats."),
                                       QStringLiteral("ms"), QStringLiteral("1000"));
    const QCommandLineOption key(QStringLiteral("key"), QStringLiteral("Datagram key, 32 bytes in hexadecimal."),
                                 QStringLiteral("hex"));
    const QCommandLineOption iv(QStringLiteral("iv"), QStringLiteral("Datagram IV, 16 bytes in hexadecimal."),
                                QStringLiteral("hex"));
    const QCommandLineOption silent(QStringLiteral("silent"), QStringLiteral("Send nothing at all."));
    const QCommandLineOption refuse(QStringLiteral("refuse-activation"),
                                    QStringLiteral("Refuse every request to make a link the active one."));
    const QCommandLineOption inactive(QStringLiteral("report-inactive"),
                                      QStringLiteral("Report the active link as not active in heartbeats."));
    const QCommandLineOption corrupt(QStringLiteral("corrupt"),
                                     QStringLiteral("Corrupt the frames sent: magic, length, checksum or truncate."),
                                     QStringLiteral("mode"), QStringLiteral("none"));
    const QCommandLineOption transportOption(QStringLiteral("transport"),
                                             QStringLiteral("How the host reaches the board: stdio or wifi."),
                                             QStringLiteral("kind"), QStringLiteral("stdio"));
    parser.addOption(transportOption);
    const WifiCommandLine wifi;
    wifi.addOptions(parser);
    const QCommandLineOption files(QStringLiteral("files"),
                                   QStringLiteral("Serve this folder as the board's file system."),
                                   QStringLiteral("folder"));
    const QCommandLineOption extModeScript(
        QStringLiteral("extmode-script"),
        QStringLiteral("Answer each external-mode payload with the next line of this file (hexadecimal digits) "
                       "instead of echoing it."),
        QStringLiteral("file"));
    const QCommandLineOption model(
        QStringLiteral("model"),
        QStringLiteral("Run this model on the monitoring channels (a JSON file, see the simulator's README) instead of "
                       "the fixture model."),
        QStringLiteral("file"));
    const QCommandLineOption restartTime(
        QStringLiteral("restart-time"),
        QStringLiteral("Milliseconds the board is away when it restarts after a firmware update (0: no restart)."),
        QStringLiteral("ms"), QStringLiteral("2000"));
    parser.addOptions({link, serial, deviceType, extendedType, version, heartbeat, key, iv, silent, refuse, inactive,
                       corrupt, files, extModeScript, model, restartTime});
    parser.process(app);

    BoardSettings settings;
    long long number = 0;
    const QString linkName = parser.value(link).toLower();
    if (linkName != QLatin1String("usb") && linkName != QLatin1String("wifi"))
        return fail(QStringLiteral("--link must be usb or wifi"));
    const QByteArray serialNumber = parser.value(serial).toUtf8();
    if (serialNumber.isEmpty() || serialNumber.size() > 31)
        return fail(QStringLiteral("--serial must hold 1 to 31 bytes"));
    settings.serialNumber = serialNumber;
    if (!parseNumber(parser.value(deviceType), 0, 0xFFFF, &number))
        return fail(QStringLiteral("--device-type must be a number from 0 to 65535"));
    settings.deviceType = uint16_t(number);
    if (!parseNumber(parser.value(extendedType), INT32_MIN, INT32_MAX, &number))
        return fail(QStringLiteral("--extended-type must be a 32-bit number"));
    settings.extendedDeviceType = int32_t(number);
    if (!parseNumber(parser.value(version), 0, 0xFFFF, &number))
        return fail(QStringLiteral("--datalink-version must be a number from 0 to 65535"));
    settings.datalinkVersion = uint16_t(number);
    if (!parseNumber(parser.value(heartbeat), 1, 3600000, &number))
        return fail(QStringLiteral("--heartbeat-interval must be 1 to 3600000 ms"));
    settings.heartbeatInterval = std::chrono::milliseconds(number);
    if (!parseNumber(parser.value(restartTime), 0, 3600000, &number))
        return fail(QStringLiteral("--restart-time must be 0 to 3600000 ms"));
    if (number > 0)
        settings.restartAfterUpdate = std::chrono::milliseconds(number);
    if (parser.isSet(key) && !parseHex(parser.value(key), 32, &settings.datagramKey))
        return fail(QStringLiteral("--key must be 64 hexadecimal digits"));
    if (parser.isSet(iv) && !parseHex(parser.value(iv), 16, &settings.datagramIv))
        return fail(QStringLiteral("--iv must be 32 hexadecimal digits"));
    if (!parseCorruption(parser.value(corrupt).toLower(), &settings.corruption))
        return fail(QStringLiteral("--corrupt must be none, magic, length, checksum or truncate"));
    settings.silent = parser.isSet(silent);
    settings.refuseActivation = parser.isSet(refuse);
    settings.reportActiveLinkInactive = parser.isSet(inactive);

    if (parser.isSet(files) && !QFileInfo(parser.value(files)).isDir())
        return fail(QStringLiteral("--files must name a folder"));
    QList<QByteArray> script;
    if (parser.isSet(extModeScript) && (!readScript(parser.value(extModeScript), &script) || script.isEmpty()))
        return fail(QStringLiteral("--extmode-script must name a file of hexadecimal lines"));

    std::optional<MonitoringModel> monitoringModel;
    if (parser.isSet(model)) {
        QString error;
        monitoringModel = MonitoringModelFile::load(parser.value(model), &error);
        if (!monitoringModel)
            return fail(QStringLiteral("--model: ") + error);
    }

    BoardSimulator board(settings);
    if (monitoringModel)
        qobject_cast<BoardMonitoringControl *>(board.channel(BoardMonitoringControl::Number))
            ->setModel(*monitoringModel);
    if (parser.isSet(files))
        qobject_cast<BoardFileService *>(board.channel(BoardFileService::Number))
            ->setRootFolder(QFileInfo(parser.value(files)).absoluteFilePath());
    qobject_cast<BoardExternalMode *>(board.channel(BoardExternalMode::Number))->setScript(script);
    const QString transportName = parser.value(transportOption).toLower();
    if (transportName == QLatin1String("wifi")) {
        QString error;
        const std::optional<WifiBoardSettings> wifiSettings = wifi.settings(parser, &error);
        if (!wifiSettings)
            return fail(error);
        WifiBoardTransport network(&board, *wifiSettings);
        if (!network.start(&error))
            return fail(error);
        // The board reports the address it listens on as its Wi-Fi address, so a
        // program that loses it looks for it there.
        if (auto *control = qobject_cast<BoardControlChannel *>(board.channel(1)))
            control->state().wifiAddress = BoardControlState::wifiAddressRecord(wifiSettings->address.toIPv4Address());
        printf("Listening on %s stream %u datagrams %u\n", qPrintable(wifiSettings->address.toString()),
               unsigned(network.streamPort()), unsigned(network.datagramPort()));
        fflush(stdout);
        return app.exec();
    }
    if (transportName != QLatin1String("stdio"))
        return fail(QStringLiteral("--transport must be stdio or wifi"));
    StdioBoardTransport transport(&board, linkName == QLatin1String("wifi") ? BoardLinkType::WiFi : BoardLinkType::USB);
    QObject::connect(&transport, &StdioBoardTransport::finished, &app, &QCoreApplication::quit);
    return app.exec();
}
