#include "StartupSteps.h"

#include "main_Application.h"

// The single-instance guard and the URI scheme registration are not built yet:
// every start runs as the first instance and no URI is handled.
namespace halvora::startup {

void checkUriSchemeRegistration() {}

void startSingleInstanceGuard() {}

std::optional<int> handOverUri(const QString &)
{
    return std::nullopt;
}

void connectUriHandling(main_Application &) {}

} // namespace halvora::startup
