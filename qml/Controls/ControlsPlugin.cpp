#include <QQmlEngineExtensionPlugin>

extern void qml_register_types_ostrel_Controls();
Q_GHS_KEEP_REFERENCE(qml_register_types_ostrel_Controls)

// The plugin of the ostrel.Controls module. The module's documents and its two
// compiled types are registered by the generated registration function; the plugin
// only keeps that function in the program.
class ostrel_ControlsPlugin : public QQmlEngineExtensionPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QQmlEngineExtensionInterface_iid)

public:
    explicit ostrel_ControlsPlugin(QObject *parent = nullptr)
        : QQmlEngineExtensionPlugin(parent)
    {
        volatile auto registration = &qml_register_types_ostrel_Controls;
        Q_UNUSED(registration)
    }
};

#include "ControlsPlugin.moc"
