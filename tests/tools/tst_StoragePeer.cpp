#include "StoragePeer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include "HalvoraTestPaths.h"

// The storage peer seen from a plain socket: what each route answers on the wire.
class tst_StoragePeer : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_root;
    const QByteArray m_body = QByteArray("0123456789abcdefghij").repeated(100);

    struct Answer
    {
        int status = 0;
        QMap<QByteArray, QByteArray> headers;
        QByteArray body;
    };

    // Runs the event loop while it waits, so an in-process peer can answer.
    static Answer exchange(quint16 port, const QByteArray &request)
    {
        QTcpSocket socket;
        QByteArray raw;
        QObject::connect(&socket, &QTcpSocket::connected, [&] { socket.write(request); });
        QObject::connect(&socket, &QTcpSocket::readyRead, [&] { raw += socket.readAll(); });
        socket.connectToHost(QHostAddress::LocalHost, port);
        Answer answer;
        if (!QTest::qWaitFor([&] { return socket.state() == QAbstractSocket::UnconnectedState; }, 10000))
            return answer;
        raw += socket.readAll();
        const qsizetype headEnd = raw.indexOf("\r\n\r\n");
        if (headEnd < 0)
            return answer;
        const QList<QByteArray> lines = raw.left(headEnd).split('\n');
        answer.status = lines.constFirst().split(' ').value(1).toInt();
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines.at(i).indexOf(':');
            answer.headers.insert(lines.at(i).left(colon).trimmed().toLower(), lines.at(i).mid(colon + 1).trimmed());
        }
        answer.body = raw.mid(headEnd + 4);
        return answer;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_root.isValid());
        QDir(m_root.path()).mkpath(QStringLiteral("halvora"));
        QFile file(m_root.filePath(QStringLiteral("halvora/file.bin")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(m_body);
    }

    void routes_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<QByteArray>("bodyStart");
        QTest::addColumn<int>("bodySize");
        QTest::addColumn<int>("announced");
        const int size = int(m_body.size());
        const auto get = [](const char *path) { return QByteArray("GET ") + path + " HTTP/1.1\r\nHost: x\r\n\r\n"; };
        QTest::newRow("file") << get("/halvora/file.bin") << 200 << QByteArray("application/octet-stream")
                              << m_body.left(10) << size << size;
        QTest::newRow("percent-encoded path")
            << get("/halvora/fil%65.bin") << 200 << QByteArray("application/octet-stream") << m_body.left(10) << size
            << size;
        QTest::newRow("query ignored") << get("/halvora/file.bin?sv=1") << 200 << QByteArray("application/octet-stream")
                                       << m_body.left(10) << size << size;
        QTest::newRow("missing blob") << get("/halvora/none.bin") << 404 << QByteArray("application/xml")
                                      << QByteArray("\xEF\xBB\xBF<?xml") << -1 << -1;
        QTest::newRow("a folder is no blob")
            << get("/halvora") << 404 << QByteArray("application/xml") << QByteArray("\xEF\xBB\xBF<?xml") << -1 << -1;
        QTest::newRow("outside the root") << get("/../../etc/hostname") << 404 << QByteArray("application/xml")
                                          << QByteArray("\xEF\xBB\xBF<?xml") << -1 << -1;
        QTest::newRow("no content type") << get("/fault/notype/halvora/file.bin") << 200 << QByteArray()
                                         << m_body.left(10) << size << size;
        QTest::newRow("empty body") << get("/fault/empty/halvora/file.bin") << 200
                                    << QByteArray("application/octet-stream") << QByteArray() << 0 << 0;
        QTest::newRow("HTML error page") << get("/fault/html500/halvora/file.bin") << 500 << QByteArray("text/html")
                                         << QByteArray("<!DOCTYPE html>") << -1 << -1;
        QTest::newRow("cut half way") << get("/fault/cut/halvora/file.bin") << 200
                                      << QByteArray("application/octet-stream") << m_body.left(10) << size / 2 << size;
        QTest::newRow("slow") << get("/fault/slow/halvora/file.bin") << 200 << QByteArray("application/octet-stream")
                              << m_body.left(10) << size << size;
        QTest::newRow("head") << QByteArray("HEAD /halvora/file.bin HTTP/1.1\r\n\r\n") << 200
                              << QByteArray("application/octet-stream") << QByteArray() << 0 << size;
        QTest::newRow("other method") << QByteArray("PUT /halvora/file.bin HTTP/1.1\r\n\r\n") << 405 << QByteArray()
                                      << QByteArray() << 0 << 0;
        QTest::newRow("malformed request line")
            << QByteArray("GET\r\n\r\n") << 400 << QByteArray() << QByteArray() << 0 << 0;
        QTest::newRow("endless head") << QByteArray(20000, 'x') << 400 << QByteArray() << QByteArray() << 0 << 0;
    }
    void routes()
    {
        QFETCH(QByteArray, request);
        QFETCH(int, status);
        QFETCH(QByteArray, contentType);
        QFETCH(QByteArray, bodyStart);
        QFETCH(int, bodySize);
        QFETCH(int, announced);
        StoragePeer peer(m_root.path());
        peer.setSlowPace(300, std::chrono::milliseconds(5));
        QVERIFY(peer.start());
        QVERIFY(peer.baseUrl().toString().startsWith(QLatin1String("http://127.0.0.1:")));

        const Answer answer = exchange(peer.serverPort(), request);
        QCOMPARE(answer.status, status);
        QCOMPARE(answer.headers.value("content-type"), contentType);
        QVERIFY(answer.body.startsWith(bodyStart));
        if (bodySize >= 0)
            QCOMPARE(answer.body.size(), bodySize);
        if (announced >= 0)
            QCOMPARE(answer.headers.value("content-length").toInt(), announced);
        else
            QCOMPARE(answer.headers.value("content-length").toInt(), answer.body.size());
    }

    void recordsRequests()
    {
        StoragePeer peer(m_root.path());
        QVERIFY(peer.start());
        exchange(peer.serverPort(), "GET /halvora/file.bin HTTP/1.1\r\n\r\n");
        exchange(peer.serverPort(), "GET /fault/cut/halvora/file%20x.bin HTTP/1.1\r\n\r\n");
        QCOMPARE(peer.requests(),
                 (QStringList{QStringLiteral("/halvora/file.bin"), QStringLiteral("/fault/cut/halvora/file x.bin")}));
        QCOMPARE(peer.requestCount(QStringLiteral("/halvora/file.bin")), 1);
    }

    void commandLineServesTheFolder()
    {
        QProcess program;
        program.start(QStringLiteral(STORAGE_PEER), {QStringLiteral("--root"), m_root.path()});
        QVERIFY(program.waitForStarted());
        QVERIFY(program.waitForReadyRead(10000));
        const QUrl base(QString::fromUtf8(program.readLine().trimmed()));
        QCOMPARE(base.host(), QStringLiteral("127.0.0.1"));
        const Answer answer = exchange(quint16(base.port()), "GET /halvora/file.bin HTTP/1.1\r\n\r\n");
        QCOMPARE(answer.status, 200);
        QCOMPARE(answer.body, m_body);
        program.terminate();
        QVERIFY(program.waitForFinished(5000));
    }

    void commandLineNeedsARoot()
    {
        QProcess program;
        program.start(QStringLiteral(STORAGE_PEER), {});
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitCode(), 2);
    }
};

QTEST_GUILESS_MAIN(tst_StoragePeer)
#include "tst_StoragePeer.moc"
