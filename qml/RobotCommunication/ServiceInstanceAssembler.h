#pragma once

#include "DeviceDiscoveryListener.h"
#include "MulticastDnsMessages.h"
#include "NetworkDeviceInfo.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace ostrel::infra {

// Puts service instances together from the PTR, SRV and TXT records that one sender
// sends for them, and tells the listener when an instance is complete and when it is
// gone. An instance is keyed by its full name followed by the sender's address, so
// one robot heard over IPv4 and IPv6 is two instances.
class ServiceInstanceAssembler
{
public:
    // Instances being put together are few at a time; the bound keeps a busy or
    // hostile network from growing the table without end.
    static constexpr std::size_t maxPendingDevices = 256;

    ServiceInstanceAssembler(DeviceDiscoveryListener *listener, const std::string &browsedName);

    // The record callback of the datagram walk; always goes on with the walk.
    int onRecord(const DnsRecord &record);

    // The local address of socket went away: every instance heard on it is lost.
    void forgetSocket(int socket);

    const std::map<std::string, NetworkDeviceInfo> &knownDevices() const { return m_known; }
    std::vector<std::string> pendingKeys() const;

private:
    struct Pending
    {
        NetworkDeviceInfo info;
        std::uint64_t arrival = 0;
    };

    void onPtrRecord(const std::string &owner, const std::string &address, AddressFamily family, bool add,
                     const std::string &target, int socket);
    void onSrvRecord(const std::string &owner, const std::string &address, bool add, const SrvData &srv);
    void onTxtRecord(const std::string &owner, const std::string &address, bool add, const TxtEntry *entries,
                     std::size_t count);
    void commitDevice(const std::string &key);
    bool isInstanceOfBrowsedService(const std::string &name) const;
    NetworkDeviceInfo &pendingEntry(const std::string &key);

    DeviceDiscoveryListener *m_listener;
    std::string m_browsedOwner;   // the browsed name with its final dot
    std::string m_instanceSuffix; // "." followed by the browsed owner
    std::map<std::string, Pending> m_pending;
    std::map<std::string, NetworkDeviceInfo> m_known;
    std::uint64_t m_arrivals = 0;
};

} // namespace ostrel::infra
