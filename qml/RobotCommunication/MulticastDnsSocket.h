#pragma once

#include "LocalAddresses.h"
#include "MulticastDnsMessages.h"

#include <cstdint>
#include <span>

// The socket side of multicast DNS: one socket per local address, the question sent
// to the group of the socket's family and one datagram read at a time.
namespace ostrel::infra {

// Opens a non-blocking UDP socket that receives multicast DNS on the interface of
// the local address: bound to the any-address on port 5353 (Linux delivers no
// multicast to a socket bound to a unicast address), a member of the group on that
// interface only, and sending its own multicast out of that interface. Returns the
// socket, or -1.
int openMulticastSocket(const LocalAddress &local);

void closeSocket(int socket);

// Sends the questions to the multicast DNS group of the socket's family. Questions
// from port 5353 ask for multicast answers (class 1), others for unicast ones
// (class 0x8001). Returns the query id, or -1.
int sendQuery(int socket, std::span<const BrowseQuery> queries, std::span<std::uint8_t> buffer, std::uint16_t queryId);

// Returns 0 when the datagram went out, -1 otherwise.
int sendMulticast(int socket, std::span<const std::uint8_t> data);

// Reads one datagram into buffer and walks its records. A datagram larger than the
// buffer is dropped whole, and so is one that arrived on another interface than
// interfaceIndex (0 accepts every interface). Returns the number of complete records.
std::size_t receive(int socket, std::span<std::uint8_t> buffer, const RecordCallback &callback, int queryIdFilter,
                    unsigned interfaceIndex = 0);

} // namespace ostrel::infra
