#include "XdgUriSchemeRegistry.h"

#include "XdgKeyFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

namespace {

constexpr char kDesktopEntryGroup[] = "Desktop Entry";

QString mimeType(const QString &scheme)
{
    return QStringLiteral("x-scheme-handler/") + scheme;
}

QString readText(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

QStringList absolutePaths(const QString &list)
{
    QStringList paths;
    for (const QString &path : list.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        if (QDir::isAbsolutePath(path))
            paths += QDir::cleanPath(path);
    }
    return paths;
}

QString absoluteOr(const char *variable, const QString &fallback)
{
    const QString value = qEnvironmentVariable(variable);
    return QDir::isAbsolutePath(value) ? QDir::cleanPath(value) : fallback;
}

bool writeFile(const QString &path, const QString &text, QString *errorText)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        if (errorText)
            *errorText = QStringLiteral("Cannot make the folder of %1").arg(path);
        return false;
    }
    // Written beside and renamed into place: a reader never sees half a file.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.commit()) {
        if (errorText)
            *errorText = QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

} // namespace

XdgUriSchemeRegistry::Folders XdgUriSchemeRegistry::Folders::fromEnvironment()
{
    const QString home = QDir::homePath();
    Folders folders;
    folders.configHome = absoluteOr("XDG_CONFIG_HOME", home + QStringLiteral("/.config"));
    folders.configDirs = absolutePaths(qEnvironmentVariable("XDG_CONFIG_DIRS", QStringLiteral("/etc/xdg")));
    folders.dataHome = absoluteOr("XDG_DATA_HOME", home + QStringLiteral("/.local/share"));
    folders.dataDirs = absolutePaths(qEnvironmentVariable("XDG_DATA_DIRS",
                                                          QStringLiteral("/usr/local/share:/usr/share")));
    for (const QString &desktop :
         qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'), Qt::SkipEmptyParts))
        folders.desktops += desktop.toLower();
    return folders;
}

XdgUriSchemeRegistry::XdgUriSchemeRegistry(Folders folders)
    : m_folders(std::move(folders))
{
}

QString XdgUriSchemeRegistry::desktopEntryPath() const
{
    return m_folders.dataHome + QStringLiteral("/applications/") + QLatin1String(kDesktopEntryName);
}

QString XdgUriSchemeRegistry::mimeAppsListPath() const
{
    return m_folders.configHome + QStringLiteral("/mimeapps.list");
}

QString XdgUriSchemeRegistry::findDesktopEntry(const QString &desktopId) const
{
    // An id is a file name; anything that would leave the applications folder is none.
    if (desktopId.isEmpty() || desktopId.contains(QLatin1Char('/')) || desktopId == QLatin1String("..")
        || !desktopId.endsWith(QLatin1String(".desktop")))
        return {};
    for (const QString &dataDir : QStringList{m_folders.dataHome} + m_folders.dataDirs) {
        const QString path = dataDir + QStringLiteral("/applications/") + desktopId;
        if (QFileInfo(path).isFile())
            return path;
    }
    return {};
}

QString XdgUriSchemeRegistry::defaultHandlerEntry(const QString &scheme) const
{
    QStringList listFolders = QStringList{m_folders.configHome} + m_folders.configDirs;
    for (const QString &dataDir : QStringList{m_folders.dataHome} + m_folders.dataDirs)
        listFolders += dataDir + QStringLiteral("/applications");

    for (const QString &folder : std::as_const(listFolders)) {
        for (const QString &desktop : m_folders.desktops + QStringList{QString()}) {
            const QString prefix = desktop.isEmpty() ? QString() : desktop + QLatin1Char('-');
            const auto listed =
                xdg::keyFileValue(readText(folder + QLatin1Char('/') + prefix + QStringLiteral("mimeapps.list")),
                                  QLatin1String(kDefaultsGroup), mimeType(scheme));
            if (!listed)
                continue;
            for (const QString &desktopId : listed->split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
                const QString entry = findDesktopEntry(desktopId.trimmed());
                if (!entry.isEmpty())
                    return entry;
            }
        }
    }
    return {};
}

bool XdgUriSchemeRegistry::isSchemeRegistered(const QString &scheme) const
{
    return !defaultHandlerEntry(scheme).isEmpty();
}

bool XdgUriSchemeRegistry::isRegisteredToApplication(const QString &scheme, const QString &applicationPath) const
{
    const QString entry = defaultHandlerEntry(scheme);
    if (entry.isEmpty())
        return false;
    const auto exec = xdg::keyFileValue(readText(entry), QLatin1String(kDesktopEntryGroup), QStringLiteral("Exec"));
    const auto arguments = exec ? xdg::splitExec(*exec) : std::nullopt;
    // Only an entry as install writes it: an older one that does not hand over the
    // link as "--uri" is replaced.
    return arguments && *arguments == QStringList{applicationPath, QStringLiteral("--uri"), QStringLiteral("%u")};
}

bool XdgUriSchemeRegistry::isValidScheme(const QString &scheme)
{
    static const QRegularExpression syntax(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*$"));
    return syntax.match(scheme).hasMatch();
}

QString XdgUriSchemeRegistry::desktopEntry(const QString &scheme, const QString &applicationPath)
{
    const QString exec = xdg::execArgument(applicationPath) + QStringLiteral(" --uri %u");
    // Not shown in menus: started without a link, "--uri" would have no value.
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Halvora Lab\n"
                          "Comment=Opens %1: links in Halvora Lab\n"
                          "Exec=%2\n"
                          "Terminal=false\n"
                          "NoDisplay=true\n"
                          "MimeType=%3;\n")
        .arg(scheme, xdg::escapeKeyFileString(exec), mimeType(scheme));
}

bool XdgUriSchemeRegistry::install(const QString &scheme, const QString &applicationPath, QString *errorText)
{
    if (!isValidScheme(scheme)) {
        if (errorText)
            *errorText = QStringLiteral("Not a URI scheme: \"%1\"").arg(scheme);
        return false;
    }
    const bool hasControlCharacter = std::any_of(applicationPath.cbegin(), applicationPath.cend(),
                                                 [](QChar c) { return c.category() == QChar::Other_Control; });
    if (!QDir::isAbsolutePath(applicationPath) || hasControlCharacter) {
        if (errorText)
            *errorText = QStringLiteral("Not an absolute program path: \"%1\"").arg(applicationPath);
        return false;
    }
    if (!writeFile(desktopEntryPath(), desktopEntry(scheme, applicationPath), errorText))
        return false;

    const QString listPath = mimeAppsListPath();
    QFile list(listPath);
    if (list.exists() && !list.open(QIODevice::ReadOnly)) {
        if (errorText)
            *errorText = QStringLiteral("Cannot read %1: %2").arg(listPath, list.errorString());
        return false;
    }
    const QString text = list.isOpen() ? QString::fromUtf8(list.readAll()) : QString();
    list.close();
    return writeFile(listPath,
                     xdg::withKeyFileValue(text, QLatin1String(kDefaultsGroup), mimeType(scheme),
                                           QLatin1String(kDesktopEntryName)),
                     errorText);
}
