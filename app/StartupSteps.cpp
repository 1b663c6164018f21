#include "StartupSteps.h"

#include "UriHandler.h"
#include "UriSchemeCheck.h"
#include "UriSchemeRegistry.h"
#include "main_Application.h"

#include <QCoreApplication>
#include <QDebug>

namespace halvora::startup {

void checkUriSchemeRegistration()
{
    checkUriScheme(*UriSchemeRegistry::forThisDesktop(), QLatin1String(kUriScheme),
                   QCoreApplication::applicationFilePath(), uriSchemeHelperPath());
}

std::optional<int> handOverUri(UriHandler &guard, const QString &uri)
{
    const bool handled = guard.handleUriArgument(uri);
    if (!guard.ownsServer())
        return handled ? 0 : 1;
    // Nothing is connected to the guard yet: the link waits for the application object.
    qDebug() << "uri stored";
    guard.setPendingUri(QUrl(uri));
    return std::nullopt;
}

void connectUriHandling(UriHandler &guard, main_Application &application)
{
    QObject::connect(&guard, &UriHandler::appCalled, &application, &main_Application::uriReceived);
    guard.deliverPendingUri();
}

} // namespace halvora::startup
