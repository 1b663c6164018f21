// The runner of the device connection widgets' tests: the project's QML modules, and
// a stand-in robot communication module whose robot manager the tests drive.
// First: QtQuickTest reads QUICK_TEST_SOURCE_DIR as it is included.
#include "HalvoraTestPaths.h"
#include <QQmlEngine>
#include <QtQuickTest>

class ConnectionTestSetup : public QObject
{
    Q_OBJECT

public slots:
    void qmlEngineAvailable(QQmlEngine *engine)
    {
        engine->addImportPath(QStringLiteral("qrc:/qt/qml"));
        engine->addImportPath(QStringLiteral(HALVORA_QML_IMPORT_DIR));
        // Added last, so it is found first.
        engine->addImportPath(QStringLiteral(CONNECTION_STUB_DIR));
    }
};

QUICK_TEST_MAIN_WITH_SETUP(halvora_connection, ConnectionTestSetup)

#include "ConnectionTestMain.moc"
