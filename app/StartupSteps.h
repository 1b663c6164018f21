#pragma once

#include <QString>

#include <optional>

class main_Application;

// The start-up steps that belong to the single-instance guard and the URI scheme.
namespace halvora::startup {

// Registers the "halvora" URI scheme to this program when it is missing or points elsewhere.
void checkUriSchemeRegistration();

// Tries to reach a running instance of the program.
void startSingleInstanceGuard();

// Hands a URI from the command line to a running instance. Returns the exit code
// when this process must end here; nothing when it runs on as the first instance.
std::optional<int> handOverUri(const QString &uri);

// Connects the guard's URIs to the application object and delivers a pending URI.
void connectUriHandling(main_Application &application);

} // namespace halvora::startup
