#include "ServiceInstanceAssembler.h"

#include "DiscoveryOutput.h"
#include "SocketAddressText.h"

#include <algorithm>
#include <array>

namespace ostrel::infra {

namespace {

const std::string deviceTypeKey = "ostrel_device_type";
const std::string deviceSerialKey = "ostrel_device_serial";

bool hasRequiredTxtKeys(const NetworkDeviceInfo &info)
{
    return info.txt.contains(deviceTypeKey) && info.txt.contains(deviceSerialKey);
}

} // namespace

ServiceInstanceAssembler::ServiceInstanceAssembler(DeviceDiscoveryListener *listener, const std::string &browsedName)
    : m_listener(listener)
    , m_browsedOwner(browsedName)
{
    if (m_browsedOwner.empty() || m_browsedOwner.back() != '.')
        m_browsedOwner += '.';
    m_instanceSuffix = '.' + m_browsedOwner;
}

int ServiceInstanceAssembler::onRecord(const DnsRecord &record)
{
    std::array<char, mdns::nameCapacity> nameBuffer{};
    std::size_t position = record.nameOffset;
    const std::string owner(readName(record.datagram, position, nameBuffer));

    const int senderFamily = record.sender != nullptr ? record.sender->sa_family : AF_UNSPEC;
    if (senderFamily != AF_INET && senderFamily != AF_INET6) {
        printDiscoveryLine("Invalid origin address type");
        return 0; // a device without an address could never be reached
    }
    const std::string address = numericHostText(record.sender, record.senderLength);
    if (address.empty())
        return 0;
    const AddressFamily family = senderFamily == AF_INET ? AddressFamily::IPv4 : AddressFamily::IPv6;
    const bool add = record.ttl != 0;

    std::string key = owner + address;
    switch (record.type) {
    case mdns::typePtr: {
        std::array<char, mdns::nameCapacity> targetBuffer{};
        const std::string target(decodePtrData(record.datagram, record.dataOffset, record.dataLength, targetBuffer));
        onPtrRecord(owner, address, family, add, target, record.socket);
        key = target + address;
        break;
    }
    case mdns::typeSrv: {
        std::array<char, mdns::nameCapacity> targetBuffer{};
        const SrvData srv = decodeSrvData(record.datagram, record.dataOffset, record.dataLength, targetBuffer);
        onSrvRecord(owner, address, add, srv);
        break;
    }
    case mdns::typeTxt: {
        std::array<TxtEntry, mdns::maxTxtEntries> entries{};
        const std::size_t count = splitTxtStrings(record.datagram, record.dataOffset, record.dataLength, entries);
        onTxtRecord(owner, address, add, entries.data(), count);
        break;
    }
    default:
        return 0; // the address of a device is always its sender's address
    }
    commitDevice(key);
    return 0;
}

void ServiceInstanceAssembler::onPtrRecord(const std::string &owner, const std::string &address, AddressFamily family,
                                           bool add, const std::string &target, int socket)
{
    if (owner != m_browsedOwner)
        return;
    const std::string key = target + address;
    if (add) {
        if (m_known.contains(key) || !isInstanceOfBrowsedService(target))
            return;
        NetworkDeviceInfo &info = pendingEntry(key);
        info.address = address;
        info.family = family;
        info.socket = socket;
        info.ptrSeen = true;
        return;
    }
    // A goodbye. What was still being put together is dropped as well, so that a
    // late record cannot complete a robot that has left.
    m_pending.erase(key);
    const auto known = m_known.find(key);
    if (known == m_known.end())
        return;
    const NetworkDeviceInfo lost = known->second;
    m_known.erase(known);
    if (m_listener != nullptr)
        m_listener->deviceLost(lost);
}

void ServiceInstanceAssembler::onSrvRecord(const std::string &owner, const std::string &address, bool add,
                                           const SrvData &srv)
{
    const std::string key = owner + address;
    if (!add || m_known.contains(key) || !isInstanceOfBrowsedService(owner))
        return;
    NetworkDeviceInfo &info = pendingEntry(key);
    info.hostname = srv.target.empty() ? std::string() : std::string(srv.target.substr(0, srv.target.size() - 1));
    info.servicename = owner.substr(0, owner.find('.'));
    info.port = srv.port;
    info.priority = srv.priority;
    info.weight = srv.weight;
    info.srvSeen = true;
}

void ServiceInstanceAssembler::onTxtRecord(const std::string &owner, const std::string &address, bool add,
                                           const TxtEntry *entries, std::size_t count)
{
    if (!add || !isInstanceOfBrowsedService(owner))
        return;
    NetworkDeviceInfo &info = pendingEntry(owner + address);
    info.txt.clear();
    for (std::size_t i = 0; i < count; ++i) {
        std::optional<std::string> value;
        if (!entries[i].value.empty())
            value = std::string(entries[i].value);
        info.txt[std::string(entries[i].key)] = std::move(value);
    }
    info.txtSeen = true;
}

void ServiceInstanceAssembler::commitDevice(const std::string &key)
{
    const auto pending = m_pending.find(key);
    if (pending == m_pending.end())
        return;
    const NetworkDeviceInfo &info = pending->second.info;
    if (!info.ptrSeen || !info.srvSeen || !info.txtSeen || !hasRequiredTxtKeys(info))
        return;
    const NetworkDeviceInfo found = m_known[key] = info;
    m_pending.erase(pending);
    if (m_listener != nullptr)
        m_listener->deviceFound(found);
}

void ServiceInstanceAssembler::forgetSocket(int socket)
{
    for (auto known = m_known.begin(); known != m_known.end();) {
        if (known->second.socket != socket) {
            ++known;
            continue;
        }
        const NetworkDeviceInfo lost = known->second;
        known = m_known.erase(known);
        if (m_listener != nullptr)
            m_listener->deviceLost(lost);
    }
}

std::vector<std::string> ServiceInstanceAssembler::pendingKeys() const
{
    std::vector<std::string> keys;
    keys.reserve(m_pending.size());
    for (const auto &[key, pending] : m_pending)
        keys.push_back(key);
    return keys;
}

bool ServiceInstanceAssembler::isInstanceOfBrowsedService(const std::string &name) const
{
    return name.size() > m_instanceSuffix.size() && name.ends_with(m_instanceSuffix);
}

NetworkDeviceInfo &ServiceInstanceAssembler::pendingEntry(const std::string &key)
{
    const auto existing = m_pending.find(key);
    if (existing != m_pending.end())
        return existing->second.info;
    if (m_pending.size() >= maxPendingDevices) {
        const auto oldest = std::min_element(m_pending.begin(), m_pending.end(), [](const auto &a, const auto &b) {
            return a.second.arrival < b.second.arrival;
        });
        m_pending.erase(oldest);
    }
    Pending &entry = m_pending[key];
    entry.arrival = ++m_arrivals;
    return entry.info;
}

} // namespace ostrel::infra
