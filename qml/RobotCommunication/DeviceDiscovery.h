#pragma once

#include "DeviceDiscoveryListener.h"
#include "MulticastDnsMessages.h"
#include "ServiceInstanceAssembler.h"

#include <atomic>
#include <chrono>
#include <map>
#include <string>
#include <thread>

namespace ostrel::infra {

// Browses multicast DNS service discovery for one service type on every local
// network. A thread of its own keeps one multicast socket per local address, asks
// once on each new socket, and reports complete instances and lost ones to the
// listener (on that thread).
class DeviceDiscovery
{
public:
    struct Options
    {
        // The longest wait for datagrams before the local addresses are looked at again.
        std::chrono::milliseconds pollTimeout{10000};
    };

    // At most this many sockets are watched at a time.
    static constexpr std::size_t maxWatchedSockets = 64;

    DeviceDiscovery(DeviceDiscoveryListener *listener, BrowseQuery query);
    DeviceDiscovery(DeviceDiscoveryListener *listener, BrowseQuery query, Options options);
    ~DeviceDiscovery();

    DeviceDiscovery(const DeviceDiscovery &) = delete;
    DeviceDiscovery &operator=(const DeviceDiscovery &) = delete;

    // Starts the discovery thread; a thread that cannot be created throws.
    void start();
    // Ends the thread at once (it is woken from its wait) and closes the sockets.
    // Must not be called on the discovery thread.
    void stop();

private:
    struct OpenSocket
    {
        int socket = -1;
        unsigned interfaceIndex = 0;
    };

    void run();
    void refreshSockets();
    void poll();
    void wakeUp();
    void drainWakeUp();

    DeviceDiscoveryListener *m_listener;
    BrowseQuery m_query;
    Options m_options;
    std::atomic_bool m_running{false};
    std::thread m_discoveryThread;
    int m_wakeUp = -1;
    std::map<std::string, OpenSocket> m_sockets; // by local address text
    ServiceInstanceAssembler m_instances;
};

} // namespace ostrel::infra
