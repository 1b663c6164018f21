#pragma once

#include <QString>

class UriSchemeRegistry;

// The start-up check of the program's URI scheme: when no program, or another
// program, opens the scheme's links, this program has its registration helper make
// it the opener. The helper runs on its own; the program does not wait for it.
namespace halvora::startup {

// The helper beside the program: DetachedHelper in the program's folder.
QString uriSchemeHelperPath();

// Starts the helper with "--command installscheme --scheme <scheme> --application
// <applicationPath>". False, with a warning, when it cannot be started.
bool registerUriScheme(const QString &scheme, const QString &applicationPath, const QString &helperPath);

// Checks the registry and registers the scheme when it is missing or another's.
void checkUriScheme(const UriSchemeRegistry &registry, const QString &scheme, const QString &applicationPath,
                    const QString &helperPath);

} // namespace halvora::startup
