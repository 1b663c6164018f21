#include <QAbstractItemModel>
#include <QAbstractListModel>
#include <QQmlEngineExtensionPlugin>

extern void qml_register_types_ostrel_RobotCommunication();
Q_GHS_KEEP_REFERENCE(qml_register_types_ostrel_RobotCommunication)

// The plugin of the ostrel.RobotCommunication module. Its construction, on the first
// import of the module, also registers the list-model base types, so that QML can
// hold the robot manager through them.
class ostrel_RobotCommunicationPlugin : public QQmlEngineExtensionPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QQmlEngineExtensionInterface_iid)

public:
    explicit ostrel_RobotCommunicationPlugin(QObject *parent = nullptr)
        : QQmlEngineExtensionPlugin(parent)
    {
        // Keeps the module's type registration linked into the program.
        volatile auto registration = &qml_register_types_ostrel_RobotCommunication;
        Q_UNUSED(registration)

        qRegisterMetaType<QAbstractItemModel *>();
        qRegisterMetaType<QAbstractListModel *>();
    }
};

#include "RobotCommunicationPlugin.moc"
