// Feeds arbitrary bytes as one received multicast DNS datagram through the record walk,
// the name reader and the record decoders into the instance assembler, as the
// discovery thread does, and checks what must hold whatever arrives: every reported
// record lies inside the datagram, names fit their buffer, and the pending table
// stays within its bound.

#include "MulticastDnsMessages.h"
#include "ServiceInstanceAssembler.h"

#include <netinet/in.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>

using namespace ostrel::infra;

namespace {

void require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

class CountingListener final : public DeviceDiscoveryListener
{
public:
    void deviceFound(NetworkDeviceInfo info) override { require(info.ptrSeen && info.srvSeen && info.txtSeen); }
    void deviceLost(NetworkDeviceInfo) override {}
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // The assembler may print a line per datagram; keep the fuzzer's output readable.
    std::freopen("/dev/null", "w", stdout);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The discovery thread never reads more than its receive buffer holds.
    const Datagram datagram(data, std::min(size, mdns::datagramCapacity));

    // The first byte picks the sender's family, so both address paths are walked.
    sockaddr_in6 v6{};
    v6.sin6_family = AF_INET6;
    v6.sin6_addr.s6_addr[15] = 2;
    sockaddr_in v4{};
    v4.sin_family = AF_INET;
    v4.sin_addr.s_addr = htonl(0xC0000202);
    const bool fromV6 = !datagram.empty() && (datagram[0] & 1) != 0;
    const auto *sender = fromV6 ? reinterpret_cast<const sockaddr *>(&v6) : reinterpret_cast<const sockaddr *>(&v4);
    const socklen_t senderLength = fromV6 ? sizeof v6 : sizeof v4;

    CountingListener listener;
    ServiceInstanceAssembler assembler(&listener, "_ssh._tcp.local");
    std::size_t records = 0;
    walkDatagram(
        datagram, 3, sender, senderLength,
        [&](const DnsRecord &record) {
            ++records;
            require(record.nameOffset <= datagram.size());
            require(record.dataOffset <= datagram.size());
            require(record.dataLength <= datagram.size() - record.dataOffset);

            std::array<char, mdns::nameCapacity> name{};
            std::size_t position = record.dataOffset;
            const std::string_view read = readName(datagram, position, name);
            require(read.size() <= name.size());
            require(position <= datagram.size());
            std::array<TxtEntry, mdns::maxTxtEntries> entries{};
            require(splitTxtStrings(datagram, record.dataOffset, record.dataLength, entries) <= entries.size());
            decodeSrvData(datagram, record.dataOffset, record.dataLength, name);
            return assembler.onRecord(record);
        },
        0);
    require(records <= datagram.size() / mdns::recordHeaderSize);
    require(assembler.pendingKeys().size() <= ServiceInstanceAssembler::maxPendingDevices);
    return 0;
}
