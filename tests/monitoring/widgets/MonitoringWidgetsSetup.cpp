// The runner of the monitoring widgets' QML tests: the program's screens, a stand-in
// device factory whose board runs its application, and a simulated board in this
// process whose model the tests choose and whose variables they take.
#include "BoardMonitoringControl.h"
#include "MonitoredBoard.h"
#include "MonitoringModelFile.h"
#include "SimulinkParameter.h"
#include "SimulinkSignal.h"
#include "SimulinkVariableModel.h"

#include <QApplication>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QtQuickTest>

#include <memory>
#include "HalvoraTestPaths.h"

// The simulated board as the tests see it: started with a model, its interface built,
// its variables by path, and the bytes it holds for a parameter.
class TestBoard : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Starts the board with the model described by json (the fixture model when
    // empty) and builds the interface; false with a warning when either fails.
    Q_INVOKABLE bool start(const QString &json = QString())
    {
        stop();
        m_board = std::make_unique<MonitoredBoard>();
        if (!json.isEmpty()) {
            QString error;
            const std::optional<MonitoringModel> model = MonitoringModelFile::parse(json.toUtf8(), &error);
            if (!model) {
                qWarning("The test model does not load: %s", qPrintable(error));
                return false;
            }
            m_board->rig.channel<BoardMonitoringControl>()->setModel(*model);
        }
        if (!m_board->open() || !m_board->startInterface()) {
            qWarning("The simulated board did not come up");
            return false;
        }
        return true;
    }

    Q_INVOKABLE void stop() { m_board.reset(); }

    // The interface keeps what it hands out here, not the QML engine.
    Q_INVOKABLE QObject *variable(const QString &path) const
    {
        QObject *variable = m_board && m_board->interface ? m_board->variable<SimulinkDataTypes::SimulinkVariable>(path)
                                                          : nullptr;
        if (variable)
            QQmlEngine::setObjectOwnership(variable, QQmlEngine::CppOwnership);
        return variable;
    }

    // The variable list's rows of one kind (1 signals, 2 block parameters, 3 model
    // parameters), as the workspace's list shows them.
    Q_INVOKABLE QObject *variableModel(int kind)
    {
        if (!m_board || !m_board->interface)
            return nullptr;
        auto *model = new SimulinkVariableModel(m_board->interface.get(), m_board->interface.get(),
                                                SimulinkDataTypes::VariableType(kind));
        QQmlEngine::setObjectOwnership(model, QQmlEngine::CppOwnership);
        return model;
    }

    // The bytes of the parameter's value in the board's memory, in hexadecimal.
    Q_INVOKABLE QString boardBytes(int referenceId) const
    {
        if (!m_board)
            return {};
        const MonitoringModel &model = m_board->rig.channel<BoardMonitoringControl>()->model();
        for (const auto *list : {&model.blockParameters, &model.modelParameters}) {
            for (const MonitoringModel::Variable &parameter : *list) {
                if (parameter.referenceId == referenceId)
                    return QString::fromLatin1(parameter.value.toHex());
            }
        }
        return {};
    }

    // How many parameter writes the board received.
    Q_INVOKABLE int parameterWrites() const
    {
        if (!m_board)
            return 0;
        int writes = 0;
        for (const HostMonitoringRequest &request : m_board->rig.channel<BoardMonitoringControl>()->requests())
            writes += request.command == 13 ? 1 : 0;
        return writes;
    }

private:
    std::unique_ptr<MonitoredBoard> m_board;
};

class MonitoringWidgetsSetup : public QObject
{
    Q_OBJECT

public slots:
    void qmlEngineAvailable(QQmlEngine *engine)
    {
        engine->addImportPath(QStringLiteral("qrc:/qt/qml"));
        engine->addImportPath(QStringLiteral(HALVORA_QML_IMPORT_DIR));

        QQmlComponent factory(engine);
        factory.setData(R"(
            import QtQml
            QtObject {
                property QtObject selectedDevice: QtObject { property bool appRunning: true }
            })",
                        QUrl(QStringLiteral("qrc:/stub.qml")));
        QObject *stub = factory.create();
        if (!stub)
            qFatal("stub: %s", qPrintable(factory.errorString()));
        stub->setParent(engine);
        engine->rootContext()->setContextProperty(QStringLiteral("ostFactory"), stub);
        engine->rootContext()->setContextProperty(QStringLiteral("testBoard"), new TestBoard(engine));
    }
};

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QTEST_SET_MAIN_SOURCE_PATH
    MonitoringWidgetsSetup setup;
    return quick_test_main_with_setup(argc, argv, "monitoring_widgets", QUICK_TEST_SOURCE_DIR, &setup);
}

#include "MonitoringWidgetsSetup.moc"
