// The single-instance guard and the halvora: links between processes: a second start
// hands its link to the running instance, a first start keeps its own, and the
// desktop's own tools reach the running instance through the registered scheme.
#include "RunningProgram.h"

#include <QFile>
#include <QProcess>
#include <QTest>

#include <memory>
#include "HalvoraTestPaths.h"

class tst_SingleInstance : public QObject
{
    Q_OBJECT

    std::unique_ptr<RunningProgram> m_first;

    static QString program() { return QStringLiteral(HALVORA_LAB_EXECUTABLE); }

    // One instance that runs for the tests that need one.
    RunningProgram *firstInstance()
    {
        if (!m_first) {
            m_first = std::make_unique<RunningProgram>(program());
            m_first->process().setProcessChannelMode(QProcess::ForwardedChannels);
            if (!m_first->start({}) || !m_first->waitForMainWindow())
                m_first.reset();
        }
        return m_first.get();
    }

    static qsizetype count(const QStringList &lines, const QString &text)
    {
        return std::count_if(lines.cbegin(), lines.cend(), [&](const QString &line) { return line.contains(text); });
    }

    static QString xdgMimeDefault()
    {
        QProcess xdgMime;
        xdgMime.start(QStringLiteral("xdg-mime"), {"query", "default", "x-scheme-handler/halvora"});
        xdgMime.waitForFinished(30000);
        return QString::fromUtf8(xdgMime.readAllStandardOutput()).trimmed();
    }

private slots:
    // A first start keeps the link of its command line and delivers it once the
    // managers exist, before the main window is loaded.
    void firstStartKeepsItsLink_data()
    {
        QTest::addColumn<QString>("uri");
        QTest::addColumn<QString>("startError");  // on standard error, before the log file exists
        QTest::addColumn<QString>("deliveredAs"); // the distributor's line in the log
        QTest::newRow("upload") << "halvora:upload_app?file=%2Ftmp%2Fa.hapbf" << QString()
                                << "[DBG] uri received by distributor";
        QTest::newRow("another scheme") << "http://x"
                                        << "Invalid URL: http://x"
                                        << "[WRN] invalid url scheme passed to application";
    }
    void firstStartKeepsItsLink()
    {
        QFETCH(QString, uri);
        QFETCH(QString, startError);
        QFETCH(QString, deliveredAs);
        RunningProgram first(program());
        QVERIFY(first.start({"--uri", uri}));
        QVERIFY(first.waitForMainWindow());
        const QStringList lines = first.logLines();
        const qsizetype window = first.waitForLogLine(QRegularExpression("Main window loaded"));
        const qsizetype delivered = first.waitForLogLine(QRegularExpression(QRegularExpression::escape(deliveredAs)));
        QVERIFY2(delivered >= 0 && delivered < window, qPrintable(lines.join('\n')));
        QCOMPARE(count(lines, "uri Succesfully passed to mainApplication"), 1);
        QCOMPARE(count(lines, deliveredAs), 1);
        QVERIFY(first.terminate());
        QCOMPARE(first.process().exitCode(), 0);
        const QString errors = QString::fromUtf8(first.process().readAllStandardError());
        QVERIFY2(errors.contains("uri stored"), qPrintable(errors));
        if (!startError.isEmpty())
            QVERIFY2(errors.contains(startError), qPrintable(errors));
    }

    void secondStartHandsItsLinkOver_data()
    {
        QTest::addColumn<QString>("uri");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message"); // the running instance's log line, or the second's error
        QTest::newRow("upload") << "halvora:upload_app?file=%2Ftmp%2Fa.hapbf" << 0
                                << "Handled Uri call halvora:upload_app?file=%2Ftmp%2Fa.hapbf";
        QTest::newRow("toolchain") << "halvora:install_tc?version=1&progress=5&flags=0" << 0
                                   << "Handled Uri call halvora:install_tc?version=1&progress=5&flags=0";
        QTest::newRow("another scheme") << "http://x" << 1 << "Invalid URL: http://x";
        QTest::newRow("no scheme") << "upload_app?file=a" << 1 << "Invalid URL: http://upload_app?file=a";
    }
    void secondStartHandsItsLinkOver()
    {
        QFETCH(QString, uri);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        RunningProgram *first = firstInstance();
        QVERIFY(first);
        const qsizetype handledBefore = count(first->logLines(), "Handled Uri call");
        const QStringList logsBefore = RunningProgram::logFolder().entryList({"*.log"}, QDir::Files);

        QProcess second;
        second.start(program(), {"--uri", uri});
        QVERIFY(second.waitForFinished(60000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), exitCode);
        // It ended before it made a log file or a window.
        QCOMPARE(RunningProgram::logFolder().entryList({"*.log"}, QDir::Files), logsBefore);

        if (exitCode == 0) {
            QVERIFY(first->waitForLogLine(QRegularExpression(QRegularExpression::escape(message) + "$")) >= 0);
            QVERIFY(first->waitForLogLine(QRegularExpression("uri received by distributor")) >= 0);
        } else {
            const QString errors = QString::fromUtf8(second.readAllStandardError());
            QVERIFY2(errors.contains(message), qPrintable(errors));
        }
        QTest::qWait(200);
        QCOMPARE(count(first->logLines(), "Handled Uri call"), handledBefore + (exitCode == 0 ? 1 : 0));
    }

    // A second start without a link is a program of its own; when it ends, the running
    // instance still owns the socket and takes the links of later starts.
    void secondStartWithoutALinkRunsOnItsOwn()
    {
        RunningProgram *first = firstInstance();
        QVERIFY(first);
        {
            RunningProgram second(program());
            QVERIFY(second.start({}));
            QVERIFY(second.waitForMainWindow());
            QVERIFY(second.terminate());
            QCOMPARE(second.process().exitCode(), 0);
        }
        const QString link = "halvora:upload_app?file=after-the-second";
        QCOMPARE(QProcess::execute(program(), {"--uri", link}), 0);
        QVERIFY(first->waitForLogLine(QRegularExpression(QRegularExpression::escape("Handled Uri call " + link) + "$"))
                >= 0);
    }

    // The desktop's own tools: the scheme names our desktop entry, and xdg-open starts
    // the program with the link, which reaches the running instance.
    void desktopToolsReachTheRunningInstance()
    {
        RunningProgram *first = firstInstance();
        QVERIFY(first);
        QVERIFY2(QTest::qWaitFor([] { return xdgMimeDefault() == QLatin1String("halvora-lab.desktop"); }, 20000),
                 qPrintable(xdgMimeDefault()));
        QFile entry(qEnvironmentVariable("XDG_DATA_HOME") + "/applications/halvora-lab.desktop");
        QVERIFY(entry.open(QIODevice::ReadOnly));
        QVERIFY(entry.readAll().contains("\nExec=" + QFile::encodeName(program()) + " --uri %u\n"));

        const QString link = "halvora:install_tc?version=1.2&progress=5&flags=0&msg=viaXdgOpen";
        QProcess xdgOpen;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_CURRENT_DESKTOP", "X-Generic"); // the desktop-neutral road through mimeapps.list
        environment.insert("DISPLAY", ":99");                   // xdg-open opens links only with a display
        environment.remove("BROWSER");
        xdgOpen.setProcessEnvironment(environment);
        xdgOpen.start("xdg-open", {link});
        QVERIFY(xdgOpen.waitForFinished(60000));
        QVERIFY2(xdgOpen.exitCode() == 0, xdgOpen.readAllStandardError());
        QVERIFY(first->waitForLogLine(QRegularExpression(QRegularExpression::escape("Handled Uri call " + link) + "$"))
                >= 0);
    }

    void cleanupTestCase()
    {
        if (!m_first)
            return;
        QVERIFY(m_first->terminate());
        QCOMPARE(m_first->process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_first->process().exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(tst_SingleInstance)
#include "tst_SingleInstance.moc"
