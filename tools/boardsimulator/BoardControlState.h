#pragma once

#include <QByteArray>
#include <QHash>

#include <cstdint>

// How the board answers one control command, to test how the host copes.
struct ControlReplyFault
{
    int response = -1;      // the response code to send instead of the board's own; -1 none
    bool wrongSize = false; // a payload one byte short (or one byte long when it has none)
    bool silent = false;    // no answer at all
};

// What the board's control service knows and reports. Records are kept as the
// bytes they travel in, so what the host sets comes back exactly as it was sent.
// Every field may be changed while the board runs.
struct BoardControlState
{
    // The status of the board's application, as the host's status codes number it:
    // 0 not loaded, 1 loaded, 2 stopped, 3 running.
    uint8_t appStatus = 2;

    QByteArray firmwareVersion = "1.4.2";
    bool firmwareVerified = true; // an unverified firmware becomes verified when asked to verify
    int32_t bootTimeoutMs = 30000;
    int32_t remainingTimeMs = 0;
    QByteArray espVersion = "esp-2.1.0";
    bool espVerified = true;
    QByteArray appVersion = "0.9.1";
    bool appVerified = true;
    QByteArray extendedAppVersion = "0.9.1-blink";
    QByteArray appName = "blink";
    QByteArray buildId = QByteArray::fromHex("5a17c0ffee");
    QByteArray imageDetails = QByteArray(12, '\0');

    QByteArray date = defaultDate();
    uint8_t massStorage = 1; // 0 mounted, 1 not mounted, 2 not attached
    bool externalModeOpen = false;
    QHash<uint16_t, bool> openServices; // by the command that opens and closes each

    QByteArray wifiState = QByteArray::fromHex("010100");
    QByteArray wifiSettings = defaultWifiSettings();
    QByteArray wifiAddress = defaultWifiAddress();
    int32_t wifiTxPower = 17;
    QByteArray accessPointInfo = defaultAccessPointInfo();

    // Factory records; the setters check marker and checksum before storing.
    QByteArray fuseSerial = "SIM0001";
    QByteArray fuseKeys; // the whole 56-byte record last accepted
    uint8_t boardRevision = 2;
    bool rugged = false;
    QByteArray boardInfo2 = QByteArray(32, '\0');

    QHash<uint16_t, ControlReplyFault> faults; // by command

    // 2024-02-29 23:04:05, a Thursday, the 60th day of the year.
    static QByteArray defaultDate()
    {
        QByteArray date(36, '\0');
        const int fields[] = {5, 4, 23, 29, 2, 2024, 4, 60, 0};
        for (int i = 0; i < 9; ++i) {
            date[4 * i] = char(fields[i] & 0xFF);
            date[4 * i + 1] = char(fields[i] >> 8);
        }
        return date;
    }

    static QByteArray defaultWifiSettings()
    {
        QByteArray settings(404, '\0');
        settings.replace(0, 8, "SimBoard");
        settings.replace(32, 7, "HomeNet");
        settings.replace(64, 15, "home-network-pw");
        settings.replace(128, 8, "SimBoard");
        settings.replace(160, 11, "simboard-ap");
        for (int i = 240; i < 308; ++i) // bytes the host does not read, which must survive
            settings[i] = char(i);
        return settings;
    }

    // 192.168.4.1 in the IPv4 slot at offset 112.
    static QByteArray defaultWifiAddress() { return wifiAddressRecord(0xC0A80401); }

    // An IPv4 address in the slot at offset 112, most significant octet first; 0: none.
    static QByteArray wifiAddressRecord(uint32_t ipv4)
    {
        QByteArray address(208, '\0');
        for (int i = 0; i < 4; ++i)
            address[112 + i] = char(ipv4 >> (24 - 8 * i));
        return address;
    }

    // A signal strength of -61 dBm at byte 41.
    static QByteArray defaultAccessPointInfo()
    {
        QByteArray info(44, '\0');
        info.replace(0, 7, "HomeNet");
        info[41] = char(-61);
        return info;
    }
};
