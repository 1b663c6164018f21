#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QScopeGuard>
#include <QTest>
#include "HalvoraTestPaths.h"

// The simulator's command line: a board on standard input and output, its
// options, and its refusal of bad ones.
class tst_BoardSimulatorProgram : public QObject
{
    Q_OBJECT

    static QByteArray hex(const char *text) { return QByteArray::fromHex(text); }
    // JSON written with single quotes, which read better inside C++ strings.
    static QByteArray json(const char *text) { return QByteArray(text).replace('\'', '"'); }

    static QByteArray deviceInfoRequestFrame()
    {
        const QByteArray heartbeat = hex("77179645 0000 3800 00 00 0100 0000 0000 00 01 0000") + QByteArray(31, 'A')
                                     + hex("00 FFFFFFFF");
        return hex("CDAB 0000 4A00") + hex("0723EF26 0000 4400 00 00 0000") + heartbeat;
    }

    // Reads frames from the board until one on channel 0 arrives.
    static QByteArray firstLinkMessage(QProcess &board)
    {
        QByteArray received;
        while (board.waitForReadyRead(10000)) {
            received += board.readAllStandardOutput();
            if (received.size() >= 6) {
                const int length = uint8_t(received[4]) | (uint8_t(received[5]) << 8);
                if (received.size() >= length)
                    return received.left(length);
            }
        }
        return received;
    }

private slots:
    void answersOverStandardStreams_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("heartbeatFields"); // bytes 10 and 11, 14 to 26 and 52 to 55 of the reply
        QTest::newRow("defaults") << QStringList() << hex("0100 0100 00 00 0100 53494D30303031 0C000000");
        QTest::newRow("a Wi-Fi board of version 0")
            << QStringList{"--link",        "wifi", "--serial",        "ZB-9", "--datalink-version", "0",
                           "--device-type", "2",    "--extended-type", "-1"}
            << hex("0000 0200 00 00 0200 5A422D39000000 FFFFFFFF");
    }
    void answersOverStandardStreams()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, heartbeatFields);
        QProcess board;
        board.start(QStringLiteral(BOARD_SIMULATOR), arguments);
        const auto stop = qScopeGuard([&board] {
            board.kill();
            board.waitForFinished();
        });
        QVERIFY(board.waitForStarted());
        board.write(deviceInfoRequestFrame());
        const QByteArray frame = firstLinkMessage(board);
        QCOMPARE(frame.left(6).toHex(), QByteArray("cdab00003e00"));
        const QByteArray message = frame.mid(6);
        QCOMPARE((message.mid(10, 2) + message.mid(14, 13) + message.mid(52, 4)).toHex(' '),
                 heartbeatFields.toHex(' '));
        board.closeWriteChannel();
        QVERIFY(board.waitForFinished(10000));
        QCOMPARE(board.exitStatus(), QProcess::NormalExit);
        QCOMPARE(board.exitCode(), 0);
    }

    // The board's file service serves the folder given, and its external-mode channel
    // plays the script given.
    void servesFilesAndPlaysTheScript()
    {
        QTemporaryDir root;
        QVERIFY(QDir(root.path()).mkpath("logs"));
        QFile log(root.filePath("logs/run1.hlf"));
        QVERIFY(log.open(QIODevice::WriteOnly));
        log.write("0123456789");
        log.close();
        QFile script(root.filePath("script.txt"));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("0a0b0c\n\nFF\n");
        script.close();

        QProcess board;
        board.start(QStringLiteral(BOARD_SIMULATOR),
                    {"--files", root.path(), "--extmode-script", root.filePath("script.txt")});
        const auto stop = qScopeGuard([&board] {
            board.kill();
            board.waitForFinished();
        });
        QVERIFY(board.waitForStarted());
        // A listing request for /logs on channel 9, then a payload on channel 5.
        board.write(hex("CDAB 0900 1300") + hex("0D000000 0600 00") + "/logs" + hex("00"));
        board.write(hex("CDAB 0500 0800 7172"));
        QByteArray received;
        const QByteArray name("run1.hlf");
        const QByteArray scripted = hex("CDAB 0500 0900 0A0B0C");
        while (!(received.contains(name) && received.contains(scripted)) && board.waitForReadyRead(10000))
            received += board.readAllStandardOutput();
        // The entry: its time, size 10, type 8 (a file), the name's length and the name.
        QVERIFY(received.contains(hex("0A000000 0800 0800") + name));
        QVERIFY(received.contains(scripted));
    }

    // The board runs the model given on its monitoring channels, once its
    // application runs and its monitoring service is open.
    void runsTheModelGiven()
    {
        QTemporaryDir folder;
        QFile model(folder.filePath("model.json"));
        QVERIFY(model.open(QIODevice::WriteOnly));
        model.write(json("{'infoWord': 20114, 'types': [{'name': 'double', 'id': 0}]}"));
        model.close();

        QProcess board;
        board.start(QStringLiteral(BOARD_SIMULATOR), {"--model", model.fileName()});
        const auto stop = qScopeGuard([&board] {
            board.kill();
            board.waitForFinished();
        });
        QVERIFY(board.waitForStarted());
        // Start the application and open the monitoring service (channel 1), then ask
        // for the monitor information (channel 2).
        board.write(hex("CDAB 0100 0C00") + hex("0600 8000 00 00"));
        board.write(hex("CDAB 0100 0C00") + hex("0600 0A00 00 01"));
        board.write(hex("CDAB 0200 0B00") + hex("0100 0500 00"));
        const QByteArray expected = hex("CDAB 0200 1300") + hex("0100 0D00 00 02000000 924E0000");
        QByteArray received;
        while (!received.contains(expected) && board.waitForReadyRead(10000))
            received += board.readAllStandardOutput();
        QVERIFY2(received.contains(expected), received.toHex().constData());
    }

    void refusesBadOptions_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("link") << QStringList{"--link", "serial"} << "--link must be usb or wifi";
        QTest::newRow("serial too long") << QStringList{"--serial", QString(32, 'S')} << "--serial must hold 1 to 31";
        QTest::newRow("version") << QStringList{"--datalink-version", "x"} << "--datalink-version must be a number";
        QTest::newRow("key") << QStringList{"--key", "00ff"} << "--key must be 64 hexadecimal digits";
        QTest::newRow("corruption") << QStringList{"--corrupt", "all"} << "--corrupt must be none";
        QTest::newRow("transport") << QStringList{"--transport", "serial"} << "--transport must be stdio or wifi";
        QTest::newRow("TLS without certificate")
            << QStringList{"--transport", "wifi"} << "a TLS board needs --certificate and --private-key";
        QTest::newRow("certificate that is no certificate")
            << QStringList{"--transport", "wifi", "--certificate", BOARD_SIMULATOR, "--private-key", BOARD_SIMULATOR}
            << "--certificate must name a PEM certificate";
        QTest::newRow("address") << QStringList{"--transport", "wifi", "--plain", "--address", "board.local"}
                                 << "--address must be an IP address";
        QTest::newRow("port") << QStringList{"--transport", "wifi", "--plain", "--stream-port", "70000"}
                              << "ports must be numbers from 0 to 65535";
        QTest::newRow("split") << QStringList{"--transport", "wifi", "--plain", "--split", "-3"}
                               << "--split must be a number of bytes";
        QTest::newRow("files") << QStringList{"--files", "/nonexistent/folder"} << "--files must name a folder";
        QTest::newRow("script") << QStringList{"--extmode-script", "/nonexistent/script"}
                                << "--extmode-script must name a file";
        QTest::newRow("model file") << QStringList{"--model", "/nonexistent/model.json"}
                                    << "--model: /nonexistent/model.json: ";
        QTest::newRow("model") << QStringList{"--model", QStringLiteral(HALVORA_SOURCE_DIR "/README.md")}
                               << "README.md: not JSON";
    }
    void refusesBadOptions()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        QProcess board;
        board.start(QStringLiteral(BOARD_SIMULATOR), arguments);
        QVERIFY(board.waitForFinished(10000));
        QCOMPARE(board.exitCode(), 2);
        QVERIFY2(board.readAllStandardError().contains(message.toUtf8()), qPrintable(message));
    }
};

QTEST_GUILESS_MAIN(tst_BoardSimulatorProgram)
#include "tst_BoardSimulatorProgram.moc"
