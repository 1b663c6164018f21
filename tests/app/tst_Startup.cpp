// Starts the built program in the isolated test environment and watches it from outside.
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <csignal>
#include "HalvoraTestPaths.h"

class tst_Startup : public QObject
{
    Q_OBJECT

    static QDir logFolder()
    {
        return QDir(qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Ostrel/Halvora Lab/ApplicationLogs"));
    }

    static QStringList logLines(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromLocal8Bit(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

private slots:
    void unknownOptionEndsBeforeTheNamesAreSet_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown option") << "--bogus"
                                        << "Unknown option 'bogus'.";
        QTest::newRow("no help option") << "--help"
                                        << "Unknown option 'help'.";
        QTest::newRow("uri without a value") << "--uri"
                                             << "Missing value after '--uri'.";
    }
    void unknownOptionEndsBeforeTheNamesAreSet()
    {
        QFETCH(QString, option);
        QFETCH(QString, message);
        QProcess program;
        program.start(QStringLiteral(HALVORA_LAB_EXECUTABLE), {option});
        QVERIFY(program.waitForFinished(60000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 1);
        QVERIFY2(program.readAllStandardError().contains(message.toUtf8()), qPrintable(message));
        QVERIFY2(!logFolder().exists(), "no log file may be made before the names are set");
    }

    void startsLogsAndQuitsCleanly()
    {
        QProcess program;
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(QStringLiteral(HALVORA_LAB_EXECUTABLE), {QStringLiteral("not-an-option-argument")});
        QVERIFY(program.waitForStarted());

        // Wait until the main window is up: the log's first line is written before it
        // loads, so wait for the window's own line.
        QString logFile;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 60000 && program.state() == QProcess::Running) {
            const QStringList files = logFolder().entryList({QStringLiteral("*.log")}, QDir::Files);
            if (!files.isEmpty()) {
                logFile = logFolder().filePath(files.first());
                if (logLines(logFile).join('\n').contains(QLatin1String("Main window loaded")))
                    break;
            }
            QTest::qWait(50);
        }
        QVERIFY2(!logFile.isEmpty(), "the program made no log file");
        QVERIFY(program.state() == QProcess::Running);

        ::kill(pid_t(program.processId()), SIGTERM);
        QVERIFY(program.waitForFinished(60000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);

        const QStringList lines = logLines(logFile);
        QVERIFY(!lines.isEmpty());
        QVERIFY2(lines.first().contains(QRegularExpression(R"(^\[0\.\d{3} *\]\[DBG\] Initializing application$)")),
                 qPrintable(lines.first()));
        QVERIFY(QRegularExpression(R"(/\d{8}-\d{6}\.log$)").match(logFile).hasMatch());
        QVERIFY2(lines.last().contains(QLatin1String("Shutting down with exit code 0")), qPrintable(lines.last()));
        for (const QString &line : lines)
            QVERIFY2(!line.contains(QLatin1String("[WRN]")) && !line.contains(QLatin1String("[CRT]")),
                     qPrintable(line));
    }
};

QTEST_GUILESS_MAIN(tst_Startup)
#include "tst_Startup.moc"
