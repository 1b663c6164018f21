#include "LoggingHandler.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include "HalvoraTestPaths.h"

class tst_LoggingHandler : public QObject
{
    Q_OBJECT

    struct ProbeRun
    {
        int exitCode = -1;
        QProcess::ExitStatus exitStatus = QProcess::NormalExit;
        QStringList out;
        QStringList err;
        QStringList file;
        QString fileName;
    };

    static QStringList lines(const QByteArray &bytes)
    {
        return QString::fromLocal8Bit(bytes).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    static ProbeRun runProbe(const QString &mode)
    {
        QProcess probe;
        probe.start(QStringLiteral(LOGGING_PROBE), {mode});
        ProbeRun run;
        if (!probe.waitForFinished(60000))
            return run;
        run.exitCode = probe.exitCode();
        run.exitStatus = probe.exitStatus();
        run.out = lines(probe.readAllStandardOutput());
        run.err = lines(probe.readAllStandardError());
        if (!run.out.isEmpty() && run.out.first().startsWith(QLatin1String("FILE:")))
            run.fileName = run.out.takeFirst().mid(5);
        QFile file(run.fileName);
        if (file.open(QIODevice::ReadOnly))
            run.file = lines(file.readAll());
        return run;
    }

private slots:
    void lineFormat_data()
    {
        QTest::addColumn<qint64>("ms");
        QTest::addColumn<QString>("expected");
        QTest::newRow("just started") << qint64(12) << "[0.012   ][DBG] text\n";
        QTest::newRow("one and a half seconds") << qint64(1500) << "[1.500   ][DBG] text\n";
        QTest::newRow("exactly eight characters") << qint64(1234567) << "[1234.567][DBG] text\n";
        QTest::newRow("longer values are not cut") << qint64(10000000) << "[10000.000][DBG] text\n";
    }
    void lineFormat()
    {
        QFETCH(qint64, ms);
        QFETCH(QString, expected);
        QCOMPARE(LoggingHandler::formatLine(ms, QStringLiteral("[DBG]"), QStringLiteral("text")), expected);
    }

    void levelTags_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("tag");
        QTest::newRow("debug") << int(QtDebugMsg) << "[DBG]";
        QTest::newRow("info") << int(QtInfoMsg) << "[INF]";
        QTest::newRow("warning") << int(QtWarningMsg) << "[WRN]";
        QTest::newRow("critical") << int(QtCriticalMsg) << "[CRT]";
        QTest::newRow("fatal") << int(QtFatalMsg) << "[FTL]";
        QTest::newRow("unknown") << 99 << "[DBG]";
    }
    void levelTags()
    {
        QFETCH(int, type);
        QFETCH(QString, tag);
        QCOMPARE(LoggingHandler::levelPrefix(QtMsgType(type)), tag);
    }

    void infoToStandardOutputOthersToStandardError()
    {
        const ProbeRun run = runProbe(QStringLiteral("routing"));
        QCOMPARE(run.exitCode, 0);
        const QRegularExpression linePattern(QStringLiteral(R"(^\[\d+\.\d{3} *\]\[(DBG|INF|WRN|CRT)\] )"));
        QCOMPARE(run.out.size(), 1);
        QVERIFY(run.out[0].contains(QRegularExpression(R"(^\[\d\.\d{3}   \]\[INF\] an info line$)")));
        QCOMPARE(run.err.size(), 5);
        QVERIFY(run.err[0].endsWith(QLatin1String("[WRN] a warning line")));
        QVERIFY(run.err[1].endsWith(QLatin1String("[DBG] a debug line")));
        QVERIFY(run.err[2].endsWith(QLatin1String("[CRT] a critical line")));
        QCOMPARE(run.err[3], QStringLiteral("with a second line")); // one time stamp only
        QVERIFY(run.err[4].endsWith(QLatin1String("[DBG] logged after the logging thread stopped")));

        QVERIFY(run.fileName.contains(
            QRegularExpression(R"(/Ostrel/Halvora Lab/ApplicationLogs/\d{8}-\d{6}(-\d+)?\.log$)")));
        QCOMPARE(run.file.size(), 6);
        for (const QString &line : {run.file[0], run.file[1], run.file[2], run.file[3], run.file[5]})
            QVERIFY2(line.contains(linePattern), qPrintable(line));
        QVERIFY(run.file[0].endsWith(QLatin1String("[INF] an info line")));
        QVERIFY2(run.file[5].endsWith(QLatin1String("logged after the logging thread stopped")),
                 "a line logged during shutdown must reach the file");
    }

    void linesFromManyThreadsStayWholeAndInOrder()
    {
        const ProbeRun run = runProbe(QStringLiteral("threads"));
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.file.size(), 4001);
        const QRegularExpression pattern(QStringLiteral(R"(^\[[\d.]+ *\]\[DBG\] thread (\d) message (\d+)$)"));
        int next[4] = {0, 0, 0, 0};
        for (int i = 0; i < 4000; ++i) {
            const auto match = pattern.match(run.file[i]);
            QVERIFY2(match.hasMatch(), qPrintable(run.file[i]));
            const int thread = match.captured(1).toInt();
            QCOMPARE(match.captured(2).toInt(), next[thread]++);
        }
    }

    void fatalLineReachesTheFile()
    {
        const ProbeRun run = runProbe(QStringLiteral("fatal"));
        QVERIFY(run.exitStatus == QProcess::CrashExit || run.exitCode != 0);
        QVERIFY(!run.file.isEmpty());
        QVERIFY2(run.file.last().endsWith(QLatin1String("[FTL] the fatal line")), qPrintable(run.file.join('\n')));
    }

    void runsInTheSameSecondKeepTheirOwnFiles()
    {
        QSet<QString> names;
        for (int i = 0; i < 3; ++i) {
            const ProbeRun run = runProbe(QStringLiteral("routing"));
            names.insert(run.fileName);
            QCOMPARE(run.file.size(), 6);
        }
        QCOMPARE(names.size(), 3);
    }
};

QTEST_GUILESS_MAIN(tst_LoggingHandler)
#include "tst_LoggingHandler.moc"
