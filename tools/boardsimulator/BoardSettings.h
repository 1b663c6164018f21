#pragma once

#include <QByteArray>

#include <chrono>
#include <cstdint>
#include <optional>

// The kinds of link the board knows, numbered as on the wire.
enum class BoardLinkType : uint16_t {
    None = 0,
    USB = 1,
    WiFi = 2,
};

// What the board does to the frames it sends, to test how the host copes.
enum class FrameCorruption {
    None,
    WrongMagic,       // the frame starts AB CD instead of CD AB
    OversizeLength,   // the frame's total length says 1025
    WrongChecksum,    // link messages carry a checksum that does not match
    TruncatedMessage, // link messages are cut short, with a size and checksum that fit the cut
};

// Who the board is and how it behaves. Every field may be changed while the board
// runs; the change takes effect with the next message.
struct BoardSettings
{
    QByteArray serialNumber = "SIM0001";
    uint16_t deviceType = 1;         // 1 controller board, 2 the second device model
    int32_t extendedDeviceType = 12; // the development board
    uint16_t datalinkVersion = 1;    // 0 and 1 are spoken by the host; others are not
    QByteArray datagramKey = defaultKey();
    QByteArray datagramIv = QByteArray(16, '\x5A');
    std::chrono::milliseconds heartbeatInterval{1000};
    // After an accepted firmware or Wi-Fi module upload the board restarts into the
    // new image: its links drop and it is away this long. Unset: it stays on.
    std::optional<std::chrono::milliseconds> restartAfterUpdate;

    // Failure modes.
    bool silent = false;                   // sends nothing at all
    bool refuseActivation = false;         // answers every set-active request with "not accepted"
    bool reportActiveLinkInactive = false; // heartbeats name the active link with the flag 0
    FrameCorruption corruption = FrameCorruption::None;

    static QByteArray defaultKey()
    {
        QByteArray key(32, '\0');
        for (int i = 0; i < key.size(); ++i)
            key[i] = char(0xA0 + i);
        return key;
    }
};
