#pragma once

#include "UriSchemeRegistry.h"

#include <QStringList>

// The scheme's opener on a freedesktop.org desktop: a desktop entry of the program
// that handles the MIME type "x-scheme-handler/<scheme>", made the user's default in
// mimeapps.list. Lookups follow the order of the desktop's own tools (xdg-mime):
// the desktop-specific and then the plain mimeapps.list of each configuration
// folder, then of each data folder's "applications", the first listed entry that
// exists winning.
class XdgUriSchemeRegistry final : public UriSchemeRegistry
{
public:
    static constexpr char kDesktopEntryName[] = "halvora-lab.desktop";
    static constexpr char kDefaultsGroup[] = "Default Applications";

    struct Folders
    {
        QString configHome;
        QStringList configDirs;
        QString dataHome;
        QStringList dataDirs;
        QStringList desktops; // XDG_CURRENT_DESKTOP, lower-cased

        // From the XDG variables, with their documented defaults; relative paths
        // are ignored as the base directory rules say.
        static Folders fromEnvironment();
    };

    explicit XdgUriSchemeRegistry(Folders folders);

    bool isSchemeRegistered(const QString &scheme) const override;
    bool isRegisteredToApplication(const QString &scheme, const QString &applicationPath) const override;
    bool install(const QString &scheme, const QString &applicationPath, QString *errorText) override;

    // The file of the desktop entry that opens the scheme's links; empty when none.
    QString defaultHandlerEntry(const QString &scheme) const;
    // Where install writes.
    QString desktopEntryPath() const;
    QString mimeAppsListPath() const;

    // The desktop entry that install writes for the program.
    static QString desktopEntry(const QString &scheme, const QString &applicationPath);
    static bool isValidScheme(const QString &scheme);

private:
    QString findDesktopEntry(const QString &desktopId) const;

    Folders m_folders;
};
