#pragma once

#include <QString>

#include <memory>

// Where the desktop keeps which program opens the links of a URI scheme
// ("halvora:..."). The program checks it at every start and, when the scheme is
// missing or belongs to another program, has the registration helper install it.
class UriSchemeRegistry
{
public:
    virtual ~UriSchemeRegistry() = default;

    // The registry of the desktop this program runs on.
    static std::unique_ptr<UriSchemeRegistry> forThisDesktop();

    // Whether any program opens the scheme's links.
    virtual bool isSchemeRegistered(const QString &scheme) const = 0;
    // Whether the scheme's links start the program at applicationPath (compared
    // exactly, letter case included) with the link as its "--uri" value.
    virtual bool isRegisteredToApplication(const QString &scheme, const QString &applicationPath) const = 0;
    // Makes the program at applicationPath the opener of the scheme's links. On
    // failure returns false and, when errorText is given, says why.
    virtual bool install(const QString &scheme, const QString &applicationPath, QString *errorText) = 0;
};
