#include "DeviceDiscovery.h"

#include "DiscoveryOutput.h"
#include "LocalAddresses.h"
#include "MulticastDnsSocket.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <array>
#include <set>
#include <vector>

namespace ostrel::infra {

namespace {

bool isLoopbackText(const LocalAddress &local)
{
    if (local.family == AF_INET)
        return local.text == "127.0.0.1";
    return local.text == "::1" || local.text == "::ffff:127.0.0.1";
}

} // namespace

DeviceDiscovery::DeviceDiscovery(DeviceDiscoveryListener *listener, BrowseQuery query)
    : DeviceDiscovery(listener, std::move(query), Options{})
{
}

DeviceDiscovery::DeviceDiscovery(DeviceDiscoveryListener *listener, BrowseQuery query, Options options)
    : m_listener(listener)
    , m_query(std::move(query))
    , m_options(options)
    , m_instances(listener, m_query.name)
{
}

DeviceDiscovery::~DeviceDiscovery()
{
    stop();
}

void DeviceDiscovery::start()
{
    if (m_discoveryThread.joinable())
        return;
    m_running = true;
    // The wake-up lets stop end the wait at once instead of after up to the whole time-out.
    m_wakeUp = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wakeUp < 0) {
        printDiscoveryLine("Failed to initialize socket layer");
        m_running = false;
        return;
    }
    printDiscoveryLine("Starting network device discovery thread");
    m_discoveryThread = std::thread(&DeviceDiscovery::run, this);
}

void DeviceDiscovery::stop()
{
    m_running = false;
    if (m_discoveryThread.joinable() && m_discoveryThread.get_id() != std::this_thread::get_id()) {
        wakeUp();
        m_discoveryThread.join();
    }
    for (auto &[text, open] : m_sockets) {
        closeSocket(open.socket);
        open.socket = -1;
    }
    if (m_wakeUp >= 0) {
        ::close(m_wakeUp);
        m_wakeUp = -1;
    }
}

void DeviceDiscovery::run()
{
    while (m_running) {
        refreshSockets();
        poll();
    }
}

void DeviceDiscovery::refreshSockets()
{
    const auto addresses = localUnicastAddresses();
    if (!addresses) {
        printDiscoveryLine("Failed to get network adapter addresses");
        return;
    }
    std::set<std::string> present;
    std::vector<std::string> opened;
    for (const LocalAddress &local : *addresses) {
        present.insert(local.text);
        if (isLoopbackText(local) || m_sockets.contains(local.text))
            continue;
        if (local.family == AF_INET6 && !local.preferred)
            continue;
        const int socket = openMulticastSocket(local);
        if (socket < 0)
            continue; // tried again on the next pass
        m_sockets[local.text] = {socket, local.interfaceIndex};
        opened.push_back(local.text);
        printDiscoveryLine((local.family == AF_INET ? "Local IPv4 address: " : "Local IPv6 address: ") + local.text
                           + " (socket: " + std::to_string(socket) + ")");
    }

    std::array<std::uint8_t, mdns::datagramCapacity> scratch{};
    for (const std::string &text : opened) {
        const int socket = m_sockets[text].socket;
        const std::string where = text + " (id: " + std::to_string(socket) + ")";
        if (sendQuery(socket, std::span(&m_query, 1), scratch, 0) < 0) {
            printDiscoveryLine("Failed to send service query on interface " + where);
            closeSocket(socket);
            m_sockets.erase(text);
        } else {
            printDiscoveryLine("Successfully sent service query on interface " + where);
        }
    }

    for (auto entry = m_sockets.begin(); entry != m_sockets.end();) {
        if (present.contains(entry->first)) {
            ++entry;
            continue;
        }
        closeSocket(entry->second.socket);
        m_instances.forgetSocket(entry->second.socket);
        entry = m_sockets.erase(entry);
    }
}

void DeviceDiscovery::poll()
{
    std::vector<pollfd> watched;
    std::vector<unsigned> interfaces;
    watched.push_back({m_wakeUp, POLLIN, 0});
    interfaces.push_back(0);
    for (const auto &[text, open] : m_sockets) {
        if (watched.size() > maxWatchedSockets)
            break;
        watched.push_back({open.socket, POLLIN, 0});
        interfaces.push_back(open.interfaceIndex);
    }
    const int ready = ::poll(watched.data(), watched.size(), int(m_options.pollTimeout.count()));
    if (ready <= 0)
        return;
    if ((watched[0].revents & POLLIN) != 0) {
        drainWakeUp();
        return;
    }
    std::vector<std::uint8_t> buffer(mdns::datagramCapacity);
    const RecordCallback onRecord = [this](const DnsRecord &record) { return m_instances.onRecord(record); };
    for (std::size_t i = 1; i < watched.size(); ++i) {
        if ((watched[i].revents & POLLIN) != 0)
            receive(watched[i].fd, buffer, onRecord, 0, interfaces[i]);
    }
}

void DeviceDiscovery::wakeUp()
{
    if (m_wakeUp < 0)
        return;
    const std::uint64_t one = 1;
    (void)!::write(m_wakeUp, &one, sizeof one);
}

void DeviceDiscovery::drainWakeUp()
{
    std::uint64_t count = 0;
    (void)!::read(m_wakeUp, &count, sizeof count);
}

} // namespace ostrel::infra
