#pragma once

#include <sys/socket.h>

#include <optional>
#include <string>
#include <vector>

namespace ostrel::infra {

// One unicast address of a local network interface that can carry multicast.
struct LocalAddress
{
    std::string text;           // numeric text, as senders are written
    int family = AF_UNSPEC;     // AF_INET or AF_INET6
    sockaddr_storage address{}; // port 0
    socklen_t length = 0;
    unsigned interfaceIndex = 0;
    bool preferred = true; // IPv6: neither tentative, deprecated nor failed duplicate detection
};

// The unicast addresses of the interfaces that are up and running and carry multicast
// (loopback and point-to-point tunnels do not), in the system's order. Nothing when the
// system cannot list them.
std::optional<std::vector<LocalAddress>> localUnicastAddresses();

} // namespace ostrel::infra
