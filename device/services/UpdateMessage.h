#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QtEndian>

#include <cstdint>

// The messages of the update protocol on channel 4: a 12-byte header (magic
// AA BB CC DD, u32 type, u32 payload length), then the payload; little-endian.
// The binary itself follows as bare chunks without a header.
namespace updatemessage {

inline constexpr uint32_t Magic = 0xDDCCBBAAu;

struct Header
{
    static constexpr qsizetype Magic = 0;
    static constexpr qsizetype Type = 4;
    static constexpr qsizetype Length = 8;
    static constexpr qsizetype Size = 12;
};

// Messages from the program to the board.
enum HostType : uint32_t {
    SeedRequest = 1,
    StartFirmware = 2,
    StartApplication = 3,
    StartWifiModule = 4,
    WifiModuleVersionRequest = 8,
};

// Messages from the board to the program. Types 2 to 4 acknowledge the start
// command or a chunk; each asks for the next chunk.
enum BoardType : uint32_t {
    SeedReply = 1,
    AckFirmware = 2,
    AckApplication = 3,
    AckWifiModule = 4,
    UploadFinished = 5,
    UploadFailed = 6,
    BoardTimedOut = 7,
    WifiModuleVersion = 8,
    ApplicationRunning = 9,
};

// The start commands' payload: size and checksum of the padded binary.
struct StartPayload
{
    static constexpr qsizetype ImageSize = 0;
    static constexpr qsizetype Crc = 4;
    static constexpr qsizetype Size = 8;
};

struct SeedPayload
{
    static constexpr qsizetype Mode = 0;
    static constexpr qsizetype Seed = 4;
    static constexpr qsizetype Size = 8;
};

// u32 verified flag (1 = verified), then the version text in the last 16 bytes.
struct VersionPayload
{
    static constexpr qsizetype Verified = 0;
    static constexpr qsizetype TextLength = 16;
    static constexpr qsizetype Size = 4 + TextLength;
};

inline QByteArray build(uint32_t type, QByteArrayView payload = {})
{
    QByteArray message(Header::Size, Qt::Uninitialized);
    qToLittleEndian<uint32_t>(Magic, message.data() + Header::Magic);
    qToLittleEndian<uint32_t>(type, message.data() + Header::Type);
    qToLittleEndian<uint32_t>(uint32_t(payload.size()), message.data() + Header::Length);
    message.append(payload.data(), payload.size());
    return message;
}

} // namespace updatemessage
