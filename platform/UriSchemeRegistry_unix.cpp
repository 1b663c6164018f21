#include "UriSchemeRegistry.h"

#include "XdgUriSchemeRegistry.h"

std::unique_ptr<UriSchemeRegistry> UriSchemeRegistry::forThisDesktop()
{
    return std::make_unique<XdgUriSchemeRegistry>(XdgUriSchemeRegistry::Folders::fromEnvironment());
}
