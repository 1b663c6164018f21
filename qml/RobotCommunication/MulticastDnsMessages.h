#pragma once

#include <sys/socket.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

// Multicast DNS messages: the question the discovery engine asks and the walk over
// the records of a received datagram. Everything here works on caller buffers and
// keeps no state; every read of received bytes is bounds-checked here, so a
// malformed datagram is dropped or cut short and never read past its end.
namespace ostrel::infra {

using Datagram = std::span<const std::uint8_t>;

// One question: the record type asked for and a dotted name (a trailing dot is allowed).
struct BrowseQuery
{
    std::uint32_t recordType = 0;
    std::string name;
};

enum class SectionKind : int {
    Answer = 1,
    Authority = 2,
    Additional = 3,
};

// One complete record of a datagram, as handed to the record callback. Offsets and
// lengths count bytes from the start of the datagram.
struct DnsRecord
{
    int socket = -1;
    const sockaddr *sender = nullptr;
    socklen_t senderLength = 0;
    SectionKind section = SectionKind::Answer;
    std::uint16_t id = 0;
    std::uint16_t type = 0;
    std::uint16_t recordClass = 0;
    std::uint32_t ttl = 0;
    Datagram datagram;
    std::size_t nameOffset = 0;
    std::size_t nameLength = 0;
    std::size_t dataOffset = 0;
    std::size_t dataLength = 0;
};

// Called for every complete record; a non-zero result stops the walk.
using RecordCallback = std::function<int(const DnsRecord &record)>;

struct SrvData
{
    std::uint16_t priority = 0;
    std::uint16_t weight = 0;
    std::uint16_t port = 0;
    std::string_view target;
};

// A key and a value, both views into the datagram; the value may be empty.
struct TxtEntry
{
    std::string_view key;
    std::string_view value;
};

// One step of a name walk: a label, or the end of the name.
struct NamePart
{
    bool valid = false;
    bool end = false;            // the terminating 0 byte
    bool viaPointer = false;     // reached through a compression pointer
    std::size_t labelOffset = 0; // first byte of the label's text
    std::size_t labelLength = 0;
    std::size_t next = 0;       // where the name goes on after this part
    std::size_t pointerEnd = 0; // just after the first pointer of the part, when viaPointer
};

namespace mdns {
inline constexpr std::uint16_t port = 5353;
inline constexpr char ipv4Group[] = "224.0.0.251";
inline constexpr char ipv6Group[] = "ff02::fb";
inline constexpr std::size_t headerSize = 12;
inline constexpr std::size_t recordHeaderSize = 10;
inline constexpr std::size_t nameCapacity = 256;
inline constexpr std::size_t datagramCapacity = 2048;
inline constexpr std::size_t maxTxtEntries = 128;
inline constexpr int maxPointerHops = 16;
inline constexpr int maxNameParts = 65;
inline constexpr std::size_t maxLabelLength = 63;

inline constexpr std::uint16_t typePtr = 12;
inline constexpr std::uint16_t typeTxt = 16;
inline constexpr std::uint16_t typeSrv = 33;
inline constexpr std::uint16_t classIn = 0x0001;
inline constexpr std::uint16_t classInUnicastResponse = 0x8001;

// Header field offsets.
inline constexpr std::size_t idOffset = 0;
inline constexpr std::size_t flagsOffset = 2;
inline constexpr std::size_t questionCountOffset = 4;
inline constexpr std::size_t answerCountOffset = 6;
inline constexpr std::size_t authorityCountOffset = 8;
inline constexpr std::size_t additionalCountOffset = 10;
} // namespace mdns

// Writes a message asking the given questions into buffer. Returns its length, or -1
// when there are no questions, a name does not fit, or a label is empty or longer
// than 63 bytes.
int buildQuery(std::span<const BrowseQuery> queries, std::span<std::uint8_t> buffer, std::uint16_t queryId,
               std::uint16_t questionClass);

NamePart nextNamePart(Datagram datagram, std::size_t position);

// Moves position past the name that starts there. An invalid name leaves position
// unchanged and returns false.
bool skipName(Datagram datagram, std::size_t &position);

// Reads the dotted name at position into buffer (every label followed by a dot) and
// moves position past it. An invalid name gives an empty result and leaves position
// unchanged.
std::string_view readName(Datagram datagram, std::size_t &position, std::span<char> buffer);

// Walks the records of one received datagram, section by section (a section is walked
// only when every record before it was complete), and returns the number of complete
// records. A query-id filter above 0 drops datagrams of another id.
std::size_t walkDatagram(Datagram datagram, int socket, const sockaddr *sender, socklen_t senderLength,
                         const RecordCallback &callback, int queryIdFilter);

std::string_view decodePtrData(Datagram datagram, std::size_t dataOffset, std::size_t dataLength,
                               std::span<char> targetBuffer);
SrvData decodeSrvData(Datagram datagram, std::size_t dataOffset, std::size_t dataLength, std::span<char> targetBuffer);
std::size_t splitTxtStrings(Datagram datagram, std::size_t dataOffset, std::size_t dataLength,
                            std::span<TxtEntry> entries);

} // namespace ostrel::infra
