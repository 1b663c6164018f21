#include "SmartPointerMetaTypes.h"

#include <QQmlEngineExtensionPlugin>

extern void qml_register_types_ostrel_Util();
Q_GHS_KEEP_REFERENCE(qml_register_types_ostrel_Util)

// The plugin of the ostrel.Util module. Its construction, on the first import of
// the module, also registers the smart-pointer types that the robot modules pass
// through queued signals and properties.
class ostrel_UtilPlugin : public QQmlEngineExtensionPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QQmlEngineExtensionInterface_iid)

public:
    explicit ostrel_UtilPlugin(QObject *parent = nullptr)
        : QQmlEngineExtensionPlugin(parent)
    {
        // Keeps the module's type registration linked into the program.
        volatile auto registration = &qml_register_types_ostrel_Util;
        Q_UNUSED(registration)

        qRegisterMetaType<std::shared_ptr<QObject>>();
        qRegisterMetaType<ostrel::unique_qptr<QObject>>();
    }
};

#include "UtilPlugin.moc"
