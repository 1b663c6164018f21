#include "SocketAddressText.h"

#include <netdb.h>

namespace ostrel::infra {

std::string numericHostText(const sockaddr *address, socklen_t length)
{
    if (address == nullptr || (address->sa_family != AF_INET && address->sa_family != AF_INET6))
        return {};
    char host[NI_MAXHOST] = {};
    char service[NI_MAXSERV] = {};
    if (getnameinfo(address, length, host, sizeof host, service, sizeof service, NI_NUMERICHOST | NI_NUMERICSERV) != 0)
        return {};
    return host;
}

} // namespace ostrel::infra
