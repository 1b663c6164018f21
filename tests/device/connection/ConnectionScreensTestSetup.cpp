// The runner of the connection screens' QML tests: an engine that sees the program's
// screen resources and scale, under the program's settings names, with the settings
// the screens keep readable by the tests. The device factory is a stand-in in QML.
// First: QtQuickTest reads QUICK_TEST_SOURCE_DIR as it is included.
#include "HalvoraTestPaths.h"
#include "ControlChannel.h"

#include <QCoreApplication>
#include <QQmlContext>
#include <QQmlEngine>
#include <QSettings>
#include <QtQuickTest>

class StoredSettings : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    Q_INVOKABLE QVariant value(const QString &key) const { return QSettings().value(key); }
    Q_INVOKABLE void remove(const QString &key) { QSettings().remove(key); }
};

class ConnectionScreensTestSetup : public QObject
{
    Q_OBJECT

public slots:
    void applicationAvailable()
    {
        QCoreApplication::setOrganizationName(QStringLiteral("Ostrel"));
        QCoreApplication::setApplicationName(QStringLiteral("Halvora Lab"));
    }

    void qmlEngineAvailable(QQmlEngine *engine)
    {
        engine->addImportPath(QStringLiteral("qrc:/qt/qml"));
        engine->addImportPath(QStringLiteral(HALVORA_QML_IMPORT_DIR));
        // As the application object registers it: the switch reads the status names.
        static const int registered = qmlRegisterUncreatableType<ControlChannel>("com.ostrel", 1, 0, "ControlChannel",
                                                                                 QString());
        Q_UNUSED(registered)
        QQmlContext *context = engine->rootContext();
        context->setContextProperty(QStringLiteral("storedSettings"), new StoredSettings(engine));
        context->setContextProperty(QStringLiteral("hRef"), 1080);
        context->setContextProperty(QStringLiteral("uScale"), 1080 / 1080.01);
    }
};

QUICK_TEST_MAIN_WITH_SETUP(connection_screens, ConnectionScreensTestSetup)

#include "ConnectionScreensTestSetup.moc"
