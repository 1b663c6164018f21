#include "LogParser.h"
#include "OstFactory.h"
#include "QMLNetworkAccesManagerFactory.h"
#include "main_Application.h"

#include <QAbstractNetworkCache>
#include <QApplication>
#include <QNetworkAccessManager>
#include <QNetworkDiskCache>
#include <QQmlContext>
#include <QStandardPaths>
#include <QTest>
#include <QThread>

class tst_main_Application : public QObject
{
    Q_OBJECT

private slots:
    void contextPropertiesAndMainWindow()
    {
        main_Application app(nullptr, qApp);
        QCOMPARE(app.engine().rootContext()->contextProperty(QStringLiteral("RELEASE_MODE")).toInt(), 3);
        QCOMPARE(app.engine().rootContext()->contextProperty(QStringLiteral("APPLICATION_VERSION")).toString(),
                 QStringLiteral("1.0.0.0"));
        QVERIFY(app.ostFactory());
        QCOMPARE(app.engine().rootContext()->contextProperty(QStringLiteral("ostFactory")).value<QObject *>(),
                 app.ostFactory());
        auto *logParser = app.engine().rootContext()->contextProperty(QStringLiteral("logParser")).value<LogParser *>();
        QVERIFY(logParser);
        QCOMPARE(logParser->parent(), &app);
        QVERIFY(app.load(main_Application::mainWindowUrl()));
        QCOMPARE(app.engine().rootObjects().first()->property("title").toString(), QStringLiteral("Halvora Lab"));
    }

    void boardAddressesFromTheEnvironment()
    {
        {
            main_Application app(nullptr, qApp);
            QCOMPARE(app.ostFactory()->settings().board.wifiLink.fallbackBoardAddress, QString("192.168.192.2"));
            QVERIFY(!app.ostFactory()->connectionAttempt());
        }
        // Loopback addresses where no board listens.
        qputenv("HALVORA_BOARD_ADDRESS", "127.0.0.9");
        qputenv("HALVORA_FALLBACK_BOARD_ADDRESS", "127.0.0.8");
        main_Application app(nullptr, qApp);
        qunsetenv("HALVORA_BOARD_ADDRESS");
        qunsetenv("HALVORA_FALLBACK_BOARD_ADDRESS");
        QCOMPARE(app.ostFactory()->settings().board.wifiLink.fallbackBoardAddress, QString("127.0.0.8"));
        QVERIFY(app.ostFactory()->connectionAttempt());
        QCOMPARE(app.ostFactory()->connectionAttemptAddress(), QString("127.0.0.9"));
    }

    void failedLoadIsReported()
    {
        main_Application app(nullptr, qApp);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("No such file|not found|Cannot open"));
        QTest::ignoreMessage(QtCriticalMsg, QRegularExpression("Could not load the main window"));
        QVERIFY(!app.load(QUrl(QStringLiteral("qrc:/Qml/Missing.qml"))));
        QVERIFY(!app.isLoaded());
    }

    void networkAccessManagersCacheOnDisk()
    {
        QMLNetworkAccesManagerFactory factory;
        QThread worker;
        worker.start();
        auto *parent = new QObject; // deleted on the worker thread below
        parent->moveToThread(&worker);
        // The engine asks for a manager on the thread that will use it.
        QNetworkAccessManager *manager = nullptr;
        QMetaObject::invokeMethod(parent, [&] { manager = factory.create(parent); }, Qt::BlockingQueuedConnection);
        auto *cache = qobject_cast<QNetworkDiskCache *>(manager->cache());
        QVERIFY(cache);
        QCOMPARE(cache->cacheDirectory().chopped(1), QStandardPaths::writableLocation(QStandardPaths::CacheLocation));
        QCOMPARE(cache->maximumCacheSize(), qint64(1000000000));
        QCOMPARE(manager->thread(), &worker);
        QCOMPARE(manager->parent(), parent);
        QMetaObject::invokeMethod(parent, [parent] { delete parent; }, Qt::BlockingQueuedConnection);
        worker.quit();
        worker.wait();
    }
};

QTEST_MAIN(tst_main_Application)
#include "tst_main_Application.moc"
