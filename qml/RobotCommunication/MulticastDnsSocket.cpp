#include "MulticastDnsSocket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <unistd.h>

#include <cstring>

namespace ostrel::infra {

namespace {

template<typename T>
void setOption(int socket, int level, int name, T value)
{
    // Only the group membership decides whether the socket is usable.
    (void)setsockopt(socket, level, name, &value, sizeof value);
}

bool localPort(int socket, sockaddr_storage &local, std::uint16_t &port)
{
    socklen_t length = sizeof local;
    if (getsockname(socket, reinterpret_cast<sockaddr *>(&local), &length) != 0)
        return false;
    if (local.ss_family == AF_INET)
        port = ntohs(reinterpret_cast<const sockaddr_in &>(local).sin_port);
    else if (local.ss_family == AF_INET6)
        port = ntohs(reinterpret_cast<const sockaddr_in6 &>(local).sin6_port);
    else
        port = 0;
    return true;
}

bool joinAndBindIpv4(int socket, const LocalAddress &local)
{
    const auto &address = reinterpret_cast<const sockaddr_in &>(local.address);
    setOption<unsigned char>(socket, IPPROTO_IP, IP_MULTICAST_TTL, 1);
    setOption<unsigned char>(socket, IPPROTO_IP, IP_MULTICAST_LOOP, 1);
    // Only the groups this socket joined, not those of every other socket on the host.
    setOption<int>(socket, IPPROTO_IP, IP_MULTICAST_ALL, 0);
    setOption<int>(socket, IPPROTO_IP, IP_PKTINFO, 1);

    ip_mreqn membership{};
    inet_pton(AF_INET, mdns::ipv4Group, &membership.imr_multiaddr);
    membership.imr_address = address.sin_addr;
    membership.imr_ifindex = int(local.interfaceIndex);
    if (setsockopt(socket, IPPROTO_IP, IP_ADD_MEMBERSHIP, &membership, sizeof membership) != 0)
        return false;
    setOption(socket, IPPROTO_IP, IP_MULTICAST_IF, membership);

    sockaddr_in any{};
    any.sin_family = AF_INET;
    any.sin_port = htons(mdns::port);
    any.sin_addr.s_addr = htonl(INADDR_ANY);
    return bind(socket, reinterpret_cast<const sockaddr *>(&any), sizeof any) == 0;
}

bool joinAndBindIpv6(int socket, const LocalAddress &local)
{
    setOption<int>(socket, IPPROTO_IPV6, IPV6_V6ONLY, 1);
    setOption<int>(socket, IPPROTO_IPV6, IPV6_MULTICAST_HOPS, 1);
    setOption<int>(socket, IPPROTO_IPV6, IPV6_MULTICAST_LOOP, 1);
    setOption<int>(socket, IPPROTO_IPV6, IPV6_MULTICAST_ALL, 0);
    setOption<int>(socket, IPPROTO_IPV6, IPV6_RECVPKTINFO, 1);

    ipv6_mreq membership{};
    inet_pton(AF_INET6, mdns::ipv6Group, &membership.ipv6mr_multiaddr);
    membership.ipv6mr_interface = local.interfaceIndex;
    if (setsockopt(socket, IPPROTO_IPV6, IPV6_ADD_MEMBERSHIP, &membership, sizeof membership) != 0)
        return false;
    // The question leaves through this address's interface, not the default one.
    setOption<unsigned>(socket, IPPROTO_IPV6, IPV6_MULTICAST_IF, local.interfaceIndex);

    sockaddr_in6 any{};
    any.sin6_family = AF_INET6;
    any.sin6_port = htons(mdns::port);
    any.sin6_addr = in6addr_any;
    return bind(socket, reinterpret_cast<const sockaddr *>(&any), sizeof any) == 0;
}

// The interface a datagram arrived on, from its packet information; 0 when absent.
unsigned arrivalInterface(msghdr &message)
{
    for (cmsghdr *header = CMSG_FIRSTHDR(&message); header != nullptr; header = CMSG_NXTHDR(&message, header)) {
        if (header->cmsg_level == IPPROTO_IP && header->cmsg_type == IP_PKTINFO) {
            in_pktinfo info{};
            std::memcpy(&info, CMSG_DATA(header), sizeof info);
            return unsigned(info.ipi_ifindex);
        }
        if (header->cmsg_level == IPPROTO_IPV6 && header->cmsg_type == IPV6_PKTINFO) {
            in6_pktinfo info{};
            std::memcpy(&info, CMSG_DATA(header), sizeof info);
            return info.ipi6_ifindex;
        }
    }
    return 0;
}

} // namespace

int openMulticastSocket(const LocalAddress &local)
{
    if (local.family != AF_INET && local.family != AF_INET6)
        return -1;
    const int fd = socket(local.family, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    setOption<int>(fd, SOL_SOCKET, SO_REUSEADDR, 1);
    const bool ready = local.family == AF_INET ? joinAndBindIpv4(fd, local) : joinAndBindIpv6(fd, local);
    if (!ready) {
        closeSocket(fd);
        return -1;
    }
    return fd;
}

void closeSocket(int socket)
{
    if (socket >= 0)
        ::close(socket);
}

int sendQuery(int socket, std::span<const BrowseQuery> queries, std::span<std::uint8_t> buffer, std::uint16_t queryId)
{
    sockaddr_storage local{};
    std::uint16_t port = 0;
    const std::uint16_t questionClass = localPort(socket, local, port) && port == mdns::port
                                            ? mdns::classIn
                                            : mdns::classInUnicastResponse;
    const int length = buildQuery(queries, buffer, queryId, questionClass);
    if (length < 0)
        return -1;
    if (sendMulticast(socket, buffer.first(std::size_t(length))) != 0)
        return -1;
    return queryId;
}

int sendMulticast(int socket, std::span<const std::uint8_t> data)
{
    sockaddr_storage local{};
    std::uint16_t port = 0;
    if (!localPort(socket, local, port))
        return -1;
    ssize_t sent = -1;
    if (local.ss_family == AF_INET6) {
        sockaddr_in6 group{};
        group.sin6_family = AF_INET6;
        group.sin6_port = htons(mdns::port);
        inet_pton(AF_INET6, mdns::ipv6Group, &group.sin6_addr);
        sent = sendto(socket, data.data(), data.size(), MSG_NOSIGNAL, reinterpret_cast<const sockaddr *>(&group),
                      sizeof group);
    } else {
        sockaddr_in group{};
        group.sin_family = AF_INET;
        group.sin_port = htons(mdns::port);
        inet_pton(AF_INET, mdns::ipv4Group, &group.sin_addr);
        sent = sendto(socket, data.data(), data.size(), MSG_NOSIGNAL, reinterpret_cast<const sockaddr *>(&group),
                      sizeof group);
    }
    return sent < 0 ? -1 : 0;
}

std::size_t receive(int socket, std::span<std::uint8_t> buffer, const RecordCallback &callback, int queryIdFilter,
                    unsigned interfaceIndex)
{
    sockaddr_in6 sender{};
    iovec vector{buffer.data(), buffer.size()};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in6_pktinfo)) + CMSG_SPACE(sizeof(in_pktinfo))] = {};
    msghdr message{};
    message.msg_name = &sender;
    message.msg_namelen = sizeof sender;
    message.msg_iov = &vector;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t received = recvmsg(socket, &message, 0);
    // Linux cuts an over-long datagram to the buffer and only says so in the flags.
    if (received <= 0 || (message.msg_flags & MSG_TRUNC) != 0)
        return 0;
    if (interfaceIndex != 0) {
        const unsigned arrival = arrivalInterface(message);
        if (arrival != 0 && arrival != interfaceIndex)
            return 0;
    }
    return walkDatagram(Datagram(buffer.data(), std::size_t(received)), socket,
                        reinterpret_cast<const sockaddr *>(&sender), message.msg_namelen, callback, queryIdFilter);
}

} // namespace ostrel::infra
