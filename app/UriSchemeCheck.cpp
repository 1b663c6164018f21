#include "UriSchemeCheck.h"

#include "UriSchemeRegistry.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QProcess>

namespace halvora::startup {

QString uriSchemeHelperPath()
{
    return QCoreApplication::applicationDirPath() + QDir::separator() + QStringLiteral("DetachedHelper");
}

bool registerUriScheme(const QString &scheme, const QString &applicationPath, const QString &helperPath)
{
    const QStringList arguments{QStringLiteral("--command"),     QStringLiteral("installscheme"),
                                QStringLiteral("--scheme"),      scheme,
                                QStringLiteral("--application"), applicationPath};
    if (!QProcess::startDetached(helperPath, arguments)) {
        qWarning().noquote() << QStringLiteral("Could not register the %1 URI handler").arg(scheme);
        return false;
    }
    return true;
}

void checkUriScheme(const UriSchemeRegistry &registry, const QString &scheme, const QString &applicationPath,
                    const QString &helperPath)
{
    if (!registry.isSchemeRegistered(scheme)) {
        qInfo() << "There is no handler installed. Installing this application as the handler";
    } else if (!registry.isRegisteredToApplication(scheme, applicationPath)) {
        qInfo() << "Another program is installed as the handler";
    } else {
        return;
    }
    registerUriScheme(scheme, applicationPath, helperPath);
}

} // namespace halvora::startup
