// The default QtQuickTest runner: an engine that imports the project's QML modules.
// First: QtQuickTest reads QUICK_TEST_SOURCE_DIR as it is included.
#include "HalvoraTestPaths.h"
#include <QQmlEngine>
#include <QtQuickTest>

class QmlTestSetup : public QObject
{
    Q_OBJECT

public slots:
    void qmlEngineAvailable(QQmlEngine *engine)
    {
        engine->addImportPath(QStringLiteral("qrc:/qt/qml"));
        engine->addImportPath(QStringLiteral(HALVORA_QML_IMPORT_DIR));
    }
};

QUICK_TEST_MAIN_WITH_SETUP(halvora_qml, QmlTestSetup)

#include "QmlTestMain.moc"
