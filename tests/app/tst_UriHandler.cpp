#include "UriHandler.h"

#include <QDataStream>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTest>

#include <sys/stat.h>

// The single-instance guard inside one process: the first handler owns the server,
// a later one hands its links over. Each test runs in its own runtime folder (the
// test kit's), so no running program is reached.
class tst_UriHandler : public QObject
{
    Q_OBJECT

    static QByteArray serialised(const QUrl &url)
    {
        QByteArray bytes;
        QDataStream stream(&bytes, QIODevice::WriteOnly);
        stream << url;
        return bytes;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(QDir::isAbsolutePath(qEnvironmentVariable("XDG_RUNTIME_DIR")), "run through the test kit");
    }

    void socketIsTheUsersAlone()
    {
        const QString name = UriHandler::serverName(QStringLiteral("halvora"));
        QCOMPARE(name, qEnvironmentVariable("XDG_RUNTIME_DIR") + "/892f3674-0274-4f50-9301-e14a7001ba90:halvora");
        UriHandler first(QStringLiteral("halvora"));
        QVERIFY(first.ownsServer());
        struct stat status = {};
        QCOMPARE(::stat(QFile::encodeName(name).constData(), &status), 0);
        QVERIFY(S_ISSOCK(status.st_mode));
        QCOMPARE(status.st_mode & 0777, mode_t(0700));
        QCOMPARE(status.st_uid, ::getuid());
    }

    void handOver_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<bool>("handled");
        QTest::newRow("upload") << "halvora:upload_app?file=%2Ftmp%2Fa.hapbf" << true;
        QTest::newRow("toolchain") << "halvora:install_tc?version=1&progress=5&flags=0&msg=a%20b" << true;
        QTest::newRow("scheme in capitals") << "HALVORA:upload_app?file=a" << true;
        QTest::newRow("another scheme") << "http://x" << false;
        QTest::newRow("no scheme (read as a web address)") << "upload_app?file=a" << false;
        QTest::newRow("empty") << "" << false;
    }
    void handOver()
    {
        QFETCH(QString, argument);
        QFETCH(bool, handled);
        UriHandler first(QStringLiteral("halvora"));
        UriHandler second(QStringLiteral("halvora"));
        QVERIFY(first.ownsServer());
        QVERIFY(!second.ownsServer());
        QSignalSpy received(&first, &UriHandler::appCalled);
        QSignalSpy selfCalled(&second, &UriHandler::appCalled);
        if (!handled)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Invalid URL: "));
        QCOMPARE(second.handleUriArgument(argument), handled);
        if (handled) {
            QVERIFY(received.wait(5000));
            QCOMPARE(received.first().first().toUrl(), QUrl::fromUserInput(argument));
        }
        QTest::qWait(100);
        QCOMPARE(received.size(), handled ? 1 : 0);
        QCOMPARE(selfCalled.size(), 0);
    }

    // The owner of the server takes its own links at once, without the socket.
    void ownerEmitsItsOwnLinks()
    {
        UriHandler first(QStringLiteral("halvora"));
        QSignalSpy received(&first, &UriHandler::appCalled);
        QVERIFY(first.handleUri(QUrl(QStringLiteral("halvora:upload_app?file=a"))));
        QCOMPARE(received.size(), 1);
        QTest::ignoreMessage(QtWarningMsg, "Invalid URL: https://x");
        QVERIFY(!first.handleUri(QUrl(QStringLiteral("https://x"))));
        QCOMPARE(received.size(), 1);
    }

    // A running instance that went away after the probe: nothing to hand over to.
    void serverGoneAfterTheProbe()
    {
        auto first = std::make_unique<UriHandler>(QStringLiteral("halvora"));
        UriHandler second(QStringLiteral("halvora"));
        QVERIFY(!second.ownsServer());
        first.reset();
        QTest::ignoreMessage(QtWarningMsg, "Could not connect to other application");
        QVERIFY(!second.handleUri(QUrl(QStringLiteral("halvora:upload_app?file=a"))));
    }

    // A server that takes the connection but never reads: the link does not go out
    // whole, and that is no success.
    void unsentBytesAreAFailure()
    {
        const QString name = UriHandler::serverName(QStringLiteral("halvora"));
        QLocalServer deaf;
        deaf.setSocketOptions(QLocalServer::UserAccessOption);
        QVERIFY(deaf.listen(name));
        UriHandler second(QStringLiteral("halvora"));
        QVERIFY(!second.ownsServer());
        QUrl huge(QStringLiteral("halvora:upload_app"));
        huge.setQuery(QStringLiteral("file=") + QString(16 * 1024 * 1024, QLatin1Char('a')));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Could not hand the URL to the other application"));
        QVERIFY(!second.handleUri(huge));
    }

    // What arrives on the socket: pieces, probes and strangers.
    void whatTheServerReads_data()
    {
        QTest::addColumn<QList<QByteArray>>("pieces");
        QTest::addColumn<QList<QUrl>>("emitted");
        const QUrl link(QStringLiteral("halvora:upload_app?file=%2Ftmp%2Fa.hapbf&version=1.0"));
        const QByteArray bytes = serialised(link);
        const QUrl other(QStringLiteral("halvora:install_tc?version=1&progress=2&flags=0"));
        QTest::newRow("whole") << QList<QByteArray>{bytes} << QList<QUrl>{link};
        QTest::newRow("in three pieces") << QList<QByteArray>{bytes.left(3), bytes.mid(3, 10), bytes.mid(13)}
                                         << QList<QUrl>{link};
        QTest::newRow("a probe sends nothing") << QList<QByteArray>{} << QList<QUrl>{};
        QTest::newRow("two links on one connection")
            << QList<QByteArray>{bytes + serialised(other)} << QList<QUrl>{link, other};
        QTest::newRow("a cut-off link") << QList<QByteArray>{bytes.chopped(1)} << QList<QUrl>{};
    }
    void whatTheServerReads()
    {
        QFETCH(QList<QByteArray>, pieces);
        QFETCH(QList<QUrl>, emitted);
        UriHandler first(QStringLiteral("halvora"));
        QSignalSpy received(&first, &UriHandler::appCalled);
        QLocalSocket peer;
        peer.connectToServer(UriHandler::serverName(QStringLiteral("halvora")));
        QVERIFY(peer.waitForConnected(1000));
        for (const QByteArray &piece : std::as_const(pieces)) {
            peer.write(piece);
            QVERIFY(peer.waitForBytesWritten(1000));
            QTest::qWait(50);
            if (&piece != &pieces.constLast())
                QCOMPARE(received.size(), 0);
        }
        peer.disconnectFromServer();
        QTest::qWait(200);
        QCOMPARE(received.size(), emitted.size());
        for (qsizetype i = 0; i < emitted.size(); ++i)
            QCOMPARE(received.at(i).first().toUrl(), emitted.at(i));
    }

    // A peer that sends more than any link is cut off before it fills the memory.
    void strangerSendingTooMuchIsCut()
    {
        UriHandler first(QStringLiteral("halvora"));
        QSignalSpy received(&first, &UriHandler::appCalled);
        QLocalSocket peer;
        peer.connectToServer(UriHandler::serverName(QStringLiteral("halvora")));
        QVERIFY(peer.waitForConnected(1000));
        // A QByteArray length of 1 GiB, then bytes that never complete it.
        peer.write(QByteArray::fromHex("40000000") + QByteArray(UriHandler::kMaxMessageBytes + 1, 'x'));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Cut a local connection that sent \\d+ bytes"));
        QVERIFY(QTest::qWaitFor([&] { return peer.state() == QLocalSocket::UnconnectedState; }, 5000));
        QCOMPARE(received.size(), 0);
        // And the server goes on serving.
        UriHandler second(QStringLiteral("halvora"));
        QVERIFY(second.handleUri(QUrl(QStringLiteral("halvora:upload_app?file=a"))));
        QVERIFY(received.wait(5000));
    }
};

QTEST_GUILESS_MAIN(tst_UriHandler)
#include "tst_UriHandler.moc"
