// A robot's rosbridge server for development and tests:
//   halvora-rosbridge-peer [--address 127.0.0.1] [--port 9090] [--robot] [--script <file.json>] [--verbose]
// It prints "Listening on ws://<address>:<port>" once it serves, answers the services of
// the script (after the robot's, with --robot), publishes its topics, and takes
// commands on standard input (see PeerConsole.h).
#include "PeerConsole.h"
#include "RosBridgePeer.h"
#include "RosBridgePeerScript.h"
#include "RosBridgeRobot.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QTextStream>

#include <memory>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Plays a robot's rosbridge server (protocol version 2)."));
    parser.addHelpOption();
    const QCommandLineOption addressOption(QStringLiteral("address"), QStringLiteral("Address to listen on."),
                                           QStringLiteral("address"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption portOption(QStringLiteral("port"), QStringLiteral("Port (0 picks a free one)."),
                                        QStringLiteral("port"), QString::number(RosBridgePeer::defaultPort));
    const QCommandLineOption scriptOption(QStringLiteral("script"),
                                          QStringLiteral("JSON file with the services' replies and the topics."),
                                          QStringLiteral("file"));
    const QCommandLineOption verboseOption(QStringLiteral("verbose"),
                                           QStringLiteral("Print every frame received on standard error."));
    const QCommandLineOption robotOption(
        QStringLiteral("robot"),
        QStringLiteral("Serve a robot: resource stores, jobs, path recording and telemetry (see RosBridgeRobot.h)."));
    parser.addOptions({addressOption, portOption, robotOption, scriptOption, verboseOption});
    parser.process(app);

    QTextStream err(stderr);
    RosBridgePeer peer;
    std::unique_ptr<RosBridgeRobot> robot;
    if (parser.isSet(robotOption))
        robot = std::make_unique<RosBridgeRobot>(peer);
    if (parser.isSet(scriptOption)) {
        QFile file(parser.value(scriptOption));
        if (!file.open(QIODevice::ReadOnly)) {
            err << "Cannot read the script " << file.fileName() << ": " << file.errorString() << Qt::endl;
            return 2;
        }
        QJsonParseError parseError;
        const QJsonDocument script = QJsonDocument::fromJson(file.readAll(), &parseError);
        QString error = parseError.errorString();
        if (!script.isObject() || !applyPeerScript(peer, script.object(), &error)) {
            err << "The script " << file.fileName() << " is not usable: " << error << Qt::endl;
            return 2;
        }
    }

    bool portValid = false;
    const uint port = parser.value(portOption).toUInt(&portValid);
    const QHostAddress address(parser.value(addressOption));
    if (!portValid || port > 65535 || address.isNull()) {
        err << "Give a valid --address and --port" << Qt::endl;
        return 2;
    }
    if (!peer.listen(address, quint16(port))) {
        err << "Cannot listen: " << peer.errorString() << Qt::endl;
        return 1;
    }
    if (parser.isSet(verboseOption))
        QObject::connect(&peer, &RosBridgePeer::frameReceived,
                         [&err](const QString &text) { err << text << Qt::endl; });

    PeerConsole console(&peer);
    QObject::connect(&console, &PeerConsole::quitRequested, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    QTextStream(stdout) << "Listening on " << peer.url().toString() << Qt::endl;
    return app.exec();
}
