#include "ErrorHandler.h"
#include "HardwareUpdate.h"
#include "LogDownloader.h"
#include "FileDialogHandler.h"
#include "HardwareSettings.h"
#include "HwSettingsGUI.h"
#include "LogParser.h"
#include "NetworkDeviceManager.h"
#include "OstFactory.h"
#include "QMLNetworkAccesManagerFactory.h"
#include "ToolchainHandlerGUI.h"
#include "UriDistributor.h"
#include "VersionControl.h"
#include "main_Application.h"

#include <QAbstractNetworkCache>
#include <QApplication>
#include <QNetworkAccessManager>
#include <QNetworkDiskCache>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSignalSpy>
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

    // What QML sees: every manager that exists, under its name.
    void contextProperties()
    {
        main_Application app(nullptr, qApp);
        const QQmlContext *context = app.engine().rootContext();
        const QList<std::pair<QString, QObject *>> expected{
            {"ostFactory", app.ostFactory()},
            {"logParser", app.logParser()},
            {"HardwareSettings", app.hardwareSettings()->gui()},
            {"Notifications", ErrorHandler::instance()},
            {"toolchainInstall", app.toolchainInstall()},
            {"versionControl", VersionControl::instance()},
            {"HardwareUpdate", app.hardwareUpdate()},
            {"LogDownloader", app.logDownloader()},
        };
        for (const auto &[name, object] : expected) {
            QVERIFY2(object, qPrintable(name));
            QCOMPARE(context->contextProperty(name).value<QObject *>(), object);
        }
        // The dispatchers are not for QML.
        QVERIFY(!context->contextProperty("uriDistributor").isValid());
        QVERIFY(!context->contextProperty("fileDialogHandler").isValid());
        for (QObject *manager : app.managers())
            QCOMPARE(manager->parent(), &app);
    }

    void coreTypesInQml()
    {
        main_Application app(nullptr, qApp);
        QQmlComponent component(&app.engine());
        component.setData("import QtQml\nimport com.ostrel 1.0\nQtObject {\n"
                          "    property int mode: Halvora.Release\n"
                          "    property int critical: Halvora.CriticalError\n"
                          "    property int notConnected: OstDevice.NotConnected\n"
                          "    property int wifi: AbstractDataLink.WiFi\n"
                          "    property int count: Notifications.notificationCount\n"
                          "    property bool sameMode: RELEASE_MODE === Halvora.Release\n"
                          "}\n",
                          QUrl("qrc:/coreTypes.qml"));
        std::unique_ptr<QObject> object(component.create());
        QVERIFY2(object, qPrintable(component.errorString()));
        QCOMPARE(object->property("mode").toInt(), 3);
        QCOMPARE(object->property("critical").toInt(), 1);
        QCOMPARE(object->property("notConnected").toInt(), 0);
        QCOMPARE(object->property("wifi").toInt(), 2);
        QVERIFY(object->property("sameMode").toBool());
    }

    void uncreatableTypes_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("error");
        QTest::newRow("Zelto") << "Zelto"
                               << "This is an internal object";
        for (const char *type : {"OstDevice", "ControlChannel", "DatalinkManager", "AbstractDataLink", "ErrorHandler",
                                 "AbstractNotification", "Halvora", "HwSetting"})
            QTest::newRow(type) << type << "Element is not creatable.";
    }
    void uncreatableTypes()
    {
        QFETCH(QString, type);
        QFETCH(QString, error);
        main_Application app(nullptr, qApp);
        QQmlComponent component(&app.engine());
        component.setData(QStringLiteral("import QtQml\nimport com.ostrel 1.0\nQtObject { property var made: %1 {} }\n")
                              .arg(type)
                              .toUtf8(),
                          QUrl("qrc:/uncreatable.qml"));
        QVERIFY(component.isError());
        QCOMPARE(component.errors().size(), 1);
        QCOMPARE(component.errors().first().description(), error);
    }

    // A link from the single-instance guard reaches the commands.
    void linksReachTheDistributor()
    {
        main_Application app(nullptr, qApp);
        QSignalSpy upload(app.uriDistributor(), &UriDistributor::AppBinManagerUriReceived);
        QTest::ignoreMessage(QtDebugMsg, "uri Succesfully passed to mainApplication");
        app.uriReceived(QUrl("halvora:upload_app?file=%2Ftmp%2Fa.hapbf"));
        QCOMPARE(upload.size(), 1);
        QCOMPARE(upload.first().first().toString(), QString("/tmp/a.hapbf"));

        // MATLAB's toolchain reports reach the installer on a later pass of the event loop.
        QSignalSpy progress(&app.toolchainInstall()->handler(), &ToolchainHandler::InstallProgressUpdated);
        QTest::ignoreMessage(QtDebugMsg, "uri Succesfully passed to mainApplication");
        app.uriReceived(QUrl("halvora:uninstall_tc?version=9.14&progress=100&flags=4&msg=No%20MATLAB"));
        QCOMPARE(progress.size(), 0);
        QTRY_COMPARE(progress.size(), 1);
        QCOMPARE(progress.first(), (QVariantList{"9.14", "No MATLAB", 100, true}));
    }

    // Firmware files from a file dialog go to the factory's firmware upload.
    void firmwareFilesReachTheFactory()
    {
        main_Application app(nullptr, qApp);
        QSignalSpy firmware(app.ostFactory(), &OstFactory::TempUploadFirmware);
        app.fileDialogHandler()->fileDialogUrlReceived(QUrl::fromLocalFile("/tmp/a.fwb"));
        app.fileDialogHandler()->fileDialogUrlReceived(QUrl::fromLocalFile("/tmp/b.FEB"));
        app.fileDialogHandler()->fileDialogUrlReceived(QUrl::fromLocalFile("/tmp/c.elf"));
        QCOMPARE(firmware.size(), 2);
        QCOMPARE(firmware.at(0).first().toString(), QString("/tmp/a.fwb"));
        QCOMPARE(firmware.at(1).first().toString(), QString("/tmp/b.FEB"));
    }

    // The screens go first, then the managers newest first: the device factory,
    // which owns the boards the others hold, goes last.
    void teardownOrder()
    {
        QStringList destroyed;
        auto app = std::make_unique<main_Application>(nullptr, qApp);
        QVERIFY(app->load(main_Application::mainWindowUrl()));
        QObject *window = app->engine().rootObjects().first();
        connect(window, &QObject::destroyed, this, [&] { destroyed << "window"; });
        QStringList made;
        for (QObject *manager : app->managers()) {
            made.prepend(manager->metaObject()->className());
            connect(manager, &QObject::destroyed, this,
                    [&destroyed, name = QString(manager->metaObject()->className())] { destroyed << name; });
        }
        QVERIFY(made.size() > 1);
        QCOMPARE(made.last(), QString("OstFactory"));
        app.reset();
        QCOMPARE(destroyed, QStringList{"window"} + made);
    }

    // A dialog that was opened leaves the focus inside its own scope, open or closed.
    // Taking the drawn window apart with it must not crash (Qt 6.4 does unless the
    // focus goes first).
    void teardownWithAFocusedDialogField_data()
    {
        QTest::addColumn<bool>("closeFirst");
        QTest::newRow("dialog open") << false;
        QTest::newRow("dialog opened and closed") << true;
    }

    void teardownWithAFocusedDialogField()
    {
        QFETCH(bool, closeFirst);
        auto app = std::make_unique<main_Application>(nullptr, qApp);
        QVERIFY(app->load(main_Application::mainWindowUrl()));
        QObject *window = app->engine().rootObjects().first();
        // The robot discovery screen's connect dialog, opened for a reported robot.
        QObject *viewStack = window->findChild<QObject *>(QStringLiteral("viewStack"));
        QVERIFY(viewStack);
        viewStack->setProperty("moduleURI", QStringLiteral("ostrel.RobotCommunication"));
        viewStack->setProperty("source", QStringLiteral("Ssh"));
        QObject *screen = nullptr;
        QTRY_VERIFY((screen = viewStack->property("currentPage").value<QObject *>())
                    && screen->property("connectDialog").value<QObject *>());
        auto *manager = screen->property("networkDeviceManager").value<NetworkDeviceManager *>();
        QVERIFY(manager);
        ostrel::infra::NetworkDeviceInfo robot;
        robot.family = ostrel::infra::AddressFamily::IPv4;
        robot.servicename = "mower";
        robot.hostname = "mower.local";
        robot.port = 22;
        robot.address = "192.0.2.21";
        manager->deviceFound(robot);
        auto *dialog = screen->property("connectDialog").value<QObject *>();
        auto *field = dialog->property("usernameField").value<QQuickItem *>();
        QVERIFY(field);
        QTRY_COMPARE(manager->deviceList().size(), 1);
        dialog->setProperty("device", QVariant::fromValue(manager->deviceList().constFirst()));
        field->setProperty("text", QStringLiteral("operator"));
        QVERIFY(QMetaObject::invokeMethod(dialog, "open"));
        QTest::qWait(500);
        QVERIFY(!qobject_cast<QQuickWindow *>(window)->grabWindow().isNull());
        if (closeFirst) {
            QVERIFY(QMetaObject::invokeMethod(dialog, "close"));
            QTRY_VERIFY(!dialog->property("visible").toBool());
        }
        app.reset();
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
        QMetaObject::invokeMethod(
            parent, [&] { manager = factory.create(parent); }, Qt::BlockingQueuedConnection);
        auto *cache = qobject_cast<QNetworkDiskCache *>(manager->cache());
        QVERIFY(cache);
        QCOMPARE(cache->cacheDirectory().chopped(1), QStandardPaths::writableLocation(QStandardPaths::CacheLocation));
        QCOMPARE(cache->maximumCacheSize(), qint64(1000000000));
        QCOMPARE(manager->thread(), &worker);
        QCOMPARE(manager->parent(), parent);
        QMetaObject::invokeMethod(
            parent, [parent] { delete parent; }, Qt::BlockingQueuedConnection);
        worker.quit();
        worker.wait();
    }
};

QTEST_MAIN(tst_main_Application)
#include "tst_main_Application.moc"
