#pragma once

#include <QString>

#include <optional>

class main_Application;
class UriHandler;

// The start-up steps that belong to the single-instance guard and the URI scheme.
namespace halvora::startup {

inline constexpr char kUriScheme[] = "halvora";

// Registers the "halvora" URI scheme to this program when it is missing or points
// elsewhere; the registration helper runs on its own.
void checkUriSchemeRegistration();

// Hands a link from the command line to the running instance. Returns the exit code
// when this process must end here (0 handed over, 1 not); nothing when this is the
// first instance, which keeps the link as pending.
std::optional<int> handOverUri(UriHandler &guard, const QString &uri);

// Connects the guard's links to the application object and delivers a pending link.
void connectUriHandling(UriHandler &guard, main_Application &application);

} // namespace halvora::startup
