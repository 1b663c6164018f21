// The runner of the robot communication module's QML tests: the project's modules and
// a robot served by the rosbridge peer on loopback, on the robot's default port 9090
// when it is free.
// First: QtQuickTest reads QUICK_TEST_SOURCE_DIR as it is included.
#include "HalvoraTestPaths.h"
#include "RosBridgePeer.h"
#include "RosBridgeRobot.h"

#include <QLoggingCategory>
#include <QQmlContext>
#include <QQmlEngine>
#include <QtQuickTest>

class RobotPeer : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int port READ port CONSTANT)

public:
    explicit RobotPeer(QObject *parent)
        : QObject(parent)
    {
        if (!m_peer.listen(QHostAddress::LocalHost, RosBridgePeer::defaultPort))
            m_peer.listen();
    }

    int port() const { return m_peer.port(); }
    Q_INVOKABLE int connectionCount() const { return m_peer.connectionCount(); }

private:
    RosBridgePeer m_peer;
    RosBridgeRobot m_robot{m_peer};
};

class ModuleTestSetup : public QObject
{
    Q_OBJECT

public slots:
    void qmlEngineAvailable(QQmlEngine *engine)
    {
        QLoggingCategory::setFilterRules(QStringLiteral("RobotCommunication.*.debug=false"));
        engine->addImportPath(QStringLiteral("qrc:/qt/qml"));
        engine->addImportPath(QStringLiteral(HALVORA_QML_IMPORT_DIR));
        engine->rootContext()->setContextProperty(QStringLiteral("robotPeer"), new RobotPeer(engine));
    }
};

QUICK_TEST_MAIN_WITH_SETUP(halvora_robot_module, ModuleTestSetup)

#include "ModuleTestMain.moc"
