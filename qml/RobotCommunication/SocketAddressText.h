#pragma once

#include <sys/socket.h>

#include <string>

namespace ostrel::infra {

// The numeric text of a socket address without its port: dotted IPv4, or IPv6 as
// the name service prints it (with the zone suffix of a link-local address). Empty
// for another family or when the name service fails.
std::string numericHostText(const sockaddr *address, socklen_t length);

} // namespace ostrel::infra
