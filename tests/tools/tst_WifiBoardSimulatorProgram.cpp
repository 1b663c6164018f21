#include "DatalinkManager.h"
#include "LogCapture.h"
#include "NetworkBoard.h"
#include "WifiDatalink.h"
#include "WifiTestCertificates.h"

#include <QPointer>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include "HalvoraTestPaths.h"

using namespace std::chrono_literals;

// The simulator as a process of its own on 127.0.0.2, reached by the program's
// datalink manager and Wi-Fi datalink over real sockets: identified, made active,
// its datagram path probed and answered.
class tst_WifiBoardSimulatorProgram : public QObject
{
    Q_OBJECT

    QTemporaryDir m_folder;
    WifiTestCertificates m_certificates;

    struct Listening
    {
        quint16 streamPort = 0;
        quint16 datagramPort = 0;
    };

    // Starts the simulator and reads the line that says where it listens.
    static std::optional<Listening> start(QProcess &board, const QStringList &arguments)
    {
        board.start(QStringLiteral(BOARD_SIMULATOR), arguments);
        if (!board.waitForStarted())
            return std::nullopt;
        const QRegularExpression line(QStringLiteral("^Listening on 127\\.0\\.0\\.2 stream (\\d+) datagrams (\\d+)$"));
        QByteArray output;
        while (!output.contains('\n') && board.waitForReadyRead(10000))
            output += board.readAllStandardOutput();
        const QRegularExpressionMatch match = line.match(QString::fromLatin1(output).trimmed());
        if (!match.hasMatch()) {
            qWarning() << "The simulator said" << output << board.readAllStandardError();
            return std::nullopt;
        }
        return Listening{quint16(match.captured(1).toUInt()), quint16(match.captured(2).toUInt())};
    }

    // Connects, identifies and activates the board at the given ports; true once its
    // datagram path has answered the probe.
    bool bringUp(bool tls, const WifiLinkSettings &settings)
    {
        LinkTimings timings;
        timings.heartbeatInterval = 100ms;
        DatalinkManager manager(nullptr, timings);
        QSignalSpy info(&manager, &DatalinkManager::deviceInfoReceived);
        QSignalSpy active(&manager, &DatalinkManager::activeLinkTypeChanged);
        QPointer<WifiDatalink> link = new WifiDatalink(nullptr, QHostAddress(QStringLiteral("127.0.0.2")), tls, tls,
                                                       settings);
        manager.addDatalink(link);
        link->initialise();
        if (!info.wait(10000) || info[0][0].toString() != QLatin1String("SIM-P1"))
            return false;
        manager.setActiveDatalinkConnection(AbstractDataLink::WiFi);
        if (!active.wait(5000) || manager.activeLinkType() != AbstractDataLink::WiFi)
            return false;
        // The probe starts with the keys (at once when unencrypted) and ends with the
        // board's answer.
        if (!QTest::qWaitFor([&] { return link && link->isProbing(); }, 5000)
            && !QTest::qWaitFor([&] { return link && !link->isProbing(); }, 1))
            return false;
        return QTest::qWaitFor([&] { return link && !link->isProbing(); }, 5000)
               && link->state() == AbstractDataLink::Connected;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_folder.isValid());
        QString error;
        QVERIFY2(m_certificates.create(m_folder.path(), &error), qPrintable(error));
    }

    void servesTheProgramOnFreePorts_data()
    {
        QTest::addColumn<bool>("tls");
        QTest::newRow("TLS, encrypted datagrams") << true;
        QTest::newRow("plain TCP, plain datagrams") << false;
    }
    void servesTheProgramOnFreePorts()
    {
        QFETCH(bool, tls);
        const quint16 hostPort = NetworkBoard::freeDatagramPort();
        QStringList arguments{"--transport",
                              "wifi",
                              "--serial",
                              "SIM-P1",
                              "--stream-port",
                              "0",
                              "--datagram-port",
                              "0",
                              "--host-datagram-port",
                              QString::number(hostPort),
                              "--heartbeat-interval",
                              "100"};
        if (tls)
            arguments << "--certificate" << m_certificates.boardCertificateFile() << "--private-key"
                      << m_certificates.boardKeyFile();
        else
            arguments << "--plain"
                      << "--plain-datagrams";
        QProcess board;
        const auto stop = qScopeGuard([&board] {
            board.kill();
            board.waitForFinished();
        });
        const std::optional<Listening> listening = start(board, arguments);
        QVERIFY(listening);
        QVERIFY(listening->streamPort != 0 && listening->datagramPort != 0);

        WifiLinkSettings settings;
        settings.streamPort = listening->streamPort;
        settings.datagramPort = listening->datagramPort;
        settings.localDatagramPort = hostPort;
        settings.certificateFolder = m_certificates.hostFolder();
        settings.probeInterval = 100ms;
        QVERIFY(bringUp(tls, settings));
    }

    // The ports boards are built with: the simulator on 127.0.0.2:40000 and :40001,
    // the datalink bound to 40001 on every local address. Serialised with every other
    // test of these ports.
    void servesTheProgramOnTheBoardPorts()
    {
        QProcess board;
        const auto stop = qScopeGuard([&board] {
            board.kill();
            board.waitForFinished();
        });
        const std::optional<Listening> listening =
            start(board, {"--transport", "wifi", "--serial", "SIM-P1", "--heartbeat-interval", "100", "--certificate",
                          m_certificates.boardCertificateFile(), "--private-key", m_certificates.boardKeyFile()});
        QVERIFY(listening);
        QCOMPARE(listening->streamPort, quint16(40000));
        QCOMPARE(listening->datagramPort, quint16(40001));

        WifiLinkSettings settings;
        settings.certificateFolder = m_certificates.hostFolder();
        settings.probeInterval = 100ms;
        LogCapture log("Device.WifiDatalink");
        QVERIFY(bringUp(true, settings));
        QCOMPARE(log.countStartingWith("Cannot bind the datagram port"), 0);
    }
};

QTEST_MAIN(tst_WifiBoardSimulatorProgram)
#include "tst_WifiBoardSimulatorProgram.moc"
