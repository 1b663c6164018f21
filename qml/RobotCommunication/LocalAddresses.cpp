#include "LocalAddresses.h"

#include "SocketAddressText.h"

#include <ifaddrs.h>
#include <linux/if_addr.h>
#include <net/if.h>
#include <netinet/in.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <utility>

namespace ostrel::infra {

namespace {

using Ipv6Key = std::pair<std::array<std::uint8_t, 16>, unsigned>;

// IPv6 address states are not part of getifaddrs; the kernel lists them per network
// namespace. The thread's own view matters, since the discovery thread may live in
// another namespace than the process's first thread.
std::map<Ipv6Key, unsigned> ipv6AddressFlags()
{
    std::map<Ipv6Key, unsigned> flags;
    std::FILE *file = std::fopen("/proc/thread-self/net/if_inet6", "re");
    if (file == nullptr)
        file = std::fopen("/proc/net/if_inet6", "re");
    if (file == nullptr)
        return flags;
    char hex[33] = {};
    unsigned index = 0, prefix = 0, scope = 0, state = 0;
    char name[IF_NAMESIZE + 1] = {};
    while (std::fscanf(file, "%32s %x %x %x %x %16s", hex, &index, &prefix, &scope, &state, name) == 6) {
        std::array<std::uint8_t, 16> bytes{};
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            unsigned byte = 0;
            std::sscanf(hex + 2 * i, "%2x", &byte);
            bytes[i] = std::uint8_t(byte);
        }
        flags[{bytes, index}] = state;
    }
    std::fclose(file);
    return flags;
}

bool isPreferred(const sockaddr_in6 &address, unsigned interfaceIndex, const std::map<Ipv6Key, unsigned> &flags)
{
    std::array<std::uint8_t, 16> bytes{};
    std::memcpy(bytes.data(), &address.sin6_addr, bytes.size());
    const auto found = flags.find({bytes, interfaceIndex});
    if (found == flags.end())
        return true;
    return (found->second & (IFA_F_TENTATIVE | IFA_F_DEPRECATED | IFA_F_DADFAILED)) == 0;
}

} // namespace

std::optional<std::vector<LocalAddress>> localUnicastAddresses()
{
    ifaddrs *list = nullptr;
    if (getifaddrs(&list) != 0)
        return std::nullopt;
    const std::unique_ptr<ifaddrs, decltype(&freeifaddrs)> owner(list, &freeifaddrs);
    const auto v6Flags = ipv6AddressFlags();

    std::vector<LocalAddress> addresses;
    for (const ifaddrs *entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr)
            continue;
        constexpr unsigned required = IFF_UP | IFF_RUNNING | IFF_MULTICAST;
        if ((entry->ifa_flags & required) != required || (entry->ifa_flags & IFF_POINTOPOINT) != 0)
            continue;
        const int family = entry->ifa_addr->sa_family;
        if (family != AF_INET && family != AF_INET6)
            continue;
        LocalAddress local;
        local.family = family;
        local.interfaceIndex = if_nametoindex(entry->ifa_name);
        local.length = family == AF_INET ? sizeof(sockaddr_in) : sizeof(sockaddr_in6);
        std::memcpy(&local.address, entry->ifa_addr, local.length);
        local.text = numericHostText(entry->ifa_addr, local.length);
        if (family == AF_INET6)
            local.preferred = isPreferred(*reinterpret_cast<const sockaddr_in6 *>(entry->ifa_addr),
                                          local.interfaceIndex, v6Flags);
        if (!local.text.empty() && local.interfaceIndex != 0)
            addresses.push_back(std::move(local));
    }
    return addresses;
}

} // namespace ostrel::infra
