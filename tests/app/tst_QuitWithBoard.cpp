// The program quits cleanly while a board is connected: its managers, the board's
// services and every worker thread are taken down in order (the build runs under
// AddressSanitizer and UndefinedBehaviorSanitizer, which report any use after free).
#include "RunningProgram.h"

#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include "HalvoraTestPaths.h"

class tst_QuitWithBoard : public QObject
{
    Q_OBJECT

private slots:
    void quitWhileABoardIsConnected()
    {
        QTemporaryDir folder;
        QProcess openssl;
        openssl.start("openssl", {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
                                  "-days", "2", "-subj", "/CN=Zelto board", "-keyout", folder.filePath("board.key"),
                                  "-out", folder.filePath("board.pem")});
        QVERIFY(openssl.waitForFinished(60000) && openssl.exitCode() == 0);

        QProcess board;
        board.start(QStringLiteral(BOARD_SIMULATOR),
                    {"--transport", "wifi", "--address", "127.0.0.2", "--certificate", folder.filePath("board.pem"),
                     "--private-key", folder.filePath("board.key")});
        const auto stopBoard = qScopeGuard([&board] {
            board.kill();
            board.waitForFinished();
        });
        QVERIFY(board.waitForReadyRead(30000));
        QVERIFY2(board.readAllStandardOutput().startsWith("Listening on"), board.readAllStandardError());

        RunningProgram program(QStringLiteral(HALVORA_LAB_EXECUTABLE));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HALVORA_BOARD_ADDRESS", "127.0.0.2");
        environment.insert("HALVORA_FALLBACK_BOARD_ADDRESS", "127.0.0.2");
        program.process().setProcessEnvironment(environment);
        QVERIFY(program.start({}));
        QVERIFY2(program.waitForLogLine(QRegularExpression("Board \\S+ connected over WiFi")) >= 0,
                 qPrintable(program.logLines().join('\n') + program.process().readAllStandardError()));
        // Let the board's status poll run for a moment.
        QTest::qWait(1500);

        QVERIFY(program.terminate());
        const QString errors = QString::fromUtf8(program.process().readAllStandardError());
        QCOMPARE(program.process().exitStatus(), QProcess::NormalExit);
        QVERIFY2(program.process().exitCode() == 0, qPrintable(errors));
        for (const char *fault : {"QThread: Destroyed while thread", "AddressSanitizer", "runtime error:"})
            QVERIFY2(!errors.contains(QLatin1String(fault)), qPrintable(errors));
        // What the board's teardown logs after the event loop has ended still reaches the file.
        const QStringList lines = program.logLines();
        const qsizetype end = program.waitForLogLine(QRegularExpression("Shutting down with exit code 0$"));
        QVERIFY(end >= 0);
        const qsizetype linkGone = program.waitForLogLine(QRegularExpression("Wi-Fi datalink destructed$"));
        QVERIFY2(linkGone > end, qPrintable(lines.join('\n')));
    }
};

QTEST_GUILESS_MAIN(tst_QuitWithBoard)
#include "tst_QuitWithBoard.moc"
