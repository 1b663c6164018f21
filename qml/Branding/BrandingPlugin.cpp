#include "BrandingPlugin.h"

#include <QDebug>
#include <QFontDatabase>

extern void qml_register_types_ostrel_Branding();
Q_GHS_KEEP_REFERENCE(qml_register_types_ostrel_Branding)

ostrel_BrandingPlugin::ostrel_BrandingPlugin(QObject *parent)
    : QQmlEngineExtensionPlugin(parent)
{
    // Keeps the module's type registration linked into the program.
    volatile auto registration = &qml_register_types_ostrel_Branding;
    Q_UNUSED(registration)

    loadFonts();
}

void ostrel_BrandingPlugin::loadFonts(const QStringList &files)
{
    for (const QString &path : files)
        loadFont(path);
}

bool ostrel_BrandingPlugin::loadFont(const QString &path)
{
    if (QFontDatabase::addApplicationFont(path) == -1) {
        qWarning() << "Failed to load font" << path;
        return false;
    }
    return true;
}
