#pragma once

#include <QQmlEngineExtensionPlugin>
#include <QStringList>

// The plugin of the ostrel.Branding module. When a QML engine first imports the
// module, it installs the module's fonts into the application's font database, so
// that the controls find the families by name.
class ostrel_BrandingPlugin : public QQmlEngineExtensionPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QQmlEngineExtensionInterface_iid)

public:
    explicit ostrel_BrandingPlugin(QObject *parent = nullptr);

    // The resource paths of the fonts, in the order they are installed.
    static QStringList fontFiles();

    // Installs the fonts in order; a file that fails is skipped.
    static void loadFonts(const QStringList &files = fontFiles());
    // Installs one font file; false (with a warning naming the file) when it
    // cannot be installed, which leaves its family to a substitute font.
    static bool loadFont(const QString &path);
};
