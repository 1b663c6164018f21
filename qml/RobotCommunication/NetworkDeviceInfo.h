#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace ostrel::infra {

enum class AddressFamily : std::int32_t {
    IPv4 = 0,
    IPv6 = 1,
};

// One service instance as heard from one sender. Strings are bytes as they came in.
struct NetworkDeviceInfo
{
    std::string hostname;    // SRV target without its trailing dot
    std::string servicename; // SRV owner up to its first dot
    std::string address;     // numeric text of the sender, without port
    AddressFamily family = AddressFamily::IPv4;
    std::uint16_t port = 0;
    std::uint16_t priority = 0;
    std::uint16_t weight = 0;
    std::map<std::string, std::optional<std::string>> txt; // a key sent with an empty value maps to nothing
    int socket = 0;                                        // the socket the instance's PTR record arrived on
    bool ptrSeen = false;
    bool srvSeen = false;
    bool txtSeen = false;

    // The value of a TXT key; empty when the key is absent or has no value.
    std::string txtValue(const std::string &key) const;
};

} // namespace ostrel::infra
