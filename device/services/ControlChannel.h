#pragma once

#include "AbstractService.h"
#include "ExtendedDeviceType.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <array>
#include <cstdint>

// The command service of a board, on channel 1: opening and closing the board's
// other services, versions, status, starting and stopping the board's application,
// the date, USB mass storage, the Wi-Fi configuration and the factory operations.
//
// It keeps no state: each request slot sends one message, and each reply that comes
// in is turned into one reply signal, recognised by the command it carries. Replies
// are not paired with requests; a reply signal may come without a request.
class ControlChannel : public AbstractService
{
    Q_OBJECT

public:
    enum ControlCode : uint16_t {
        ResetDevice = 1,
        GetFuseSerial = 2,
        SetFuseSerial = 3,
        GoToSerialDownloaderMode = 4,
        GetDate = 6,
        SetDate = 7,
        OpenCloseUpdateService = 9,
        OpenCloseMonitoringService = 10,
        OpenCloseErrorChannelService = 11,
        OpenCloseFileControlService = 12,
        DisconnectDevice = 13,
        SetFuseKeys = 14,
        RestoreDefaultSettings = 15,
        SetBoardInfo = 16,
        GetBoardInfo = 17,
        SetBoardInfo2 = 18,
        GetBoardInfo2 = 19,
        GetFirmwareVersion = 32,
        GetAppVersion = 33,
        GetESPVersion = 34,
        VerifyFirmware = 35,
        VerifyESPFirmware = 36,
        GetFwImageDetails = 37,
        GetExtendedAppVersion = 38,
        GetMscState = 64,
        MscInsert = 65,
        MscEject = 66,
        SetWifiState = 96,
        GetWifiState = 97,
        SetWifiSettings = 98,
        GetWifiSettings = 99,
        GetWifiIP = 100,
        SetWifiTxPower = 104,
        GetWifiTxPower = 105,
        GetWifiAPInfo = 106,
        StartStopApp = 128,
        GetAppStatus = 129,
        GetExtModStatus = 130,
        GetCurrentBuildID = 131,
        GetAppName = 132,
        ResetESPToRecovery = 256,
    };
    Q_ENUM(ControlCode)

    // Values other than these are passed on as they come.
    enum ResponseCode : uint8_t {
        Request = 0, // carried by every request
        Success = 2, // the payload holds the answer
        NoData = 3,  // answered without the data asked for
        Error = 4,   // also put into a reply signal when the payload has the wrong size
    };
    Q_ENUM(ResponseCode)

    enum MSCStatus : uint8_t {
        AlreadyMounted = 0,
        NotMounted = 1,
        NotAttached = 2,
    };
    Q_ENUM(MSCStatus)

    enum AppStatus : uint8_t {
        NotLoaded = 0,
        Loaded = 1,
        Stopped = 2,
        Running = 3,
        Crashed = 4,
        Paused = 5,
        Killed = 6,
        Stopping = 7,
        Loading = 8,
        Unknown = 255,
    };
    Q_ENUM(AppStatus)

    // The message header, both ways: the length counts the whole message.
    struct Header
    {
        static constexpr qsizetype Length = 0;
        static constexpr qsizetype Command = 2;
        static constexpr qsizetype Response = 4;
        static constexpr qsizetype Size = 5;
    };

    // The fixed value the factory records carry to show that they are what they claim.
    static constexpr uint32_t RecordMarker = 0x0013BA38;
    static constexpr uint32_t FuseKeyMarker = 0xBB40E64D;
    static constexpr qsizetype MaxSerialLength = 16;

    // The board's clock: nine signed 32-bit values.
    struct TimeDate
    {
        static constexpr qsizetype Size = 36;

        int32_t seconds = 0;
        int32_t minutes = 0;
        int32_t hours = 0;
        int32_t day = 0;     // of the month, 1 to 31
        int32_t month = 0;   // 1 to 12
        int32_t year = 0;    // in full
        int32_t weekDay = 0; // 1 Monday to 7 Sunday
        int32_t yearDay = 0; // 1 to 366
        int32_t reserved = 0;

        static TimeDate read(QByteArrayView bytes); // at least Size bytes
        QByteArray toBytes() const;
        friend bool operator==(const TimeDate &, const TimeDate &) = default;
    };

    // The second board information record. Its checksum comes first, over bytes 4 to 31.
    struct BoardInfo2
    {
        static constexpr qsizetype Size = 32;
        static constexpr qsizetype Crc = 0;
        static constexpr qsizetype Marker = 4;
        static constexpr qsizetype DeviceType = 8;
        static constexpr qsizetype SerialLength = 12;
        static constexpr qsizetype Serial = 16;

        uint32_t crc = 0;
        uint32_t marker = 0;
        int32_t deviceType = 0; // an ostdevice::ExtendedDeviceType value
        uint32_t serialLength = 0;
        std::array<char, MaxSerialLength> serial{};

        // The serial as Latin-1 text, at most 16 characters whatever the length says.
        QString serialNumber() const;
        static BoardInfo2 read(QByteArrayView bytes); // at least Size bytes
        QByteArray toBytes() const;
        friend bool operator==(const BoardInfo2 &, const BoardInfo2 &) = default;
    };

    // The boot state of the board's firmware image, then bytes carried unread.
    struct ImageDetails
    {
        static constexpr qsizetype Size = 12;
        std::array<uint8_t, Size> bytes{};

        uint32_t bootState() const;
        friend bool operator==(const ImageDetails &, const ImageDetails &) = default;
    };

    struct WifiState
    {
        static constexpr qsizetype Size = 3;
        uint8_t wifiEnabled = 0;
        uint8_t accessPointEnabled = 0; // the board offers its own network
        uint8_t stationEnabled = 0;     // the board joins an access point

        static WifiState read(QByteArrayView bytes);
        QByteArray toBytes() const;
        friend bool operator==(const WifiState &, const WifiState &) = default;
    };

    // The board's Wi-Fi configuration. Only the fields below are read and edited
    // here; every other byte goes back to the board as it came. Text fields are
    // zero-filled byte strings; an address slot holds an IPv4 address in its first 4
    // bytes, most significant octet first, 0 when unset.
    struct WifiSettings
    {
        static constexpr qsizetype Size = 404;
        static constexpr qsizetype BoardName = 0;             // 32 bytes
        static constexpr qsizetype StationSsid = 32;          // 32 bytes
        static constexpr qsizetype StationPassword = 64;      // 64 bytes
        static constexpr qsizetype AccessPointSsid = 128;     // 32 bytes
        static constexpr qsizetype AccessPointPassword = 160; // 64 bytes
        static constexpr qsizetype AccessPointHidden = 239;   // 1 byte
        static constexpr qsizetype StaticAddress = 308;       // 16-byte slot
        static constexpr qsizetype StaticSubnetMask = 324;    // 16-byte slot
        static constexpr qsizetype Gateway = 340;             // 16-byte slot

        std::array<char, Size> bytes{};
        friend bool operator==(const WifiSettings &, const WifiSettings &) = default;
    };

    // The board's current Wi-Fi address.
    struct WifiIP
    {
        static constexpr qsizetype Size = 208;
        static constexpr qsizetype FullAddress = 0; // set: all 16 address bytes count
        static constexpr qsizetype IsIPv6 = 1;
        static constexpr qsizetype Address = 112; // 16 bytes
        std::array<uint8_t, Size> bytes{};
        friend bool operator==(const WifiIP &, const WifiIP &) = default;
    };

    // The access point the board has joined.
    struct WifiAPInfo
    {
        static constexpr qsizetype Size = 44;
        static constexpr qsizetype Rssi = 41; // signed 8-bit
        std::array<uint8_t, Size> bytes{};
        friend bool operator==(const WifiAPInfo &, const WifiAPInfo &) = default;
    };

    ControlChannel(QObject *parent, DatalinkChannelId channel, bool isReliable, DatalinkManager *manager);

public slots:
    void disconnectDevice();
    void resetDevice();
    void getFuseSerial();
    // Sends nothing when the serial has more than 16 bytes.
    void setFuseSerial(QByteArray serial);
    void goToSerialDownloaderMode();
    void getDate();
    void setDate(ControlChannel::TimeDate dateTime);
    void openCloseUpdateService(bool openService);
    void openCloseMonitoringService(bool openService);
    void openCloseErrorChannelService(bool openService);
    void openCloseFileControlService(bool openService);
    void setFuseKeys(std::array<uint8_t, 16> aesKey, std::array<uint32_t, 8> srkKey);
    void restoreDefaultSettings();
    void setBoardInfo(uint8_t rev, bool isRugged);
    void getBoardInfo();
    // Sends nothing when the serial has more than 16 characters.
    void setBoardInfo2(ostdevice::ExtendedDeviceType device_type, QString serial_number);
    void getBoardInfo2();
    void getFirmwareVersion();
    void getAppVersion();
    void getESPVersion();
    void verifyFirmware();
    void verifyESPFirmware();
    void getFwImageDetails();
    void getExtendedAppVersion();
    void getMscState();
    void mscInsert();
    void mscEject();
    void setWifiState(ControlChannel::WifiState state);
    void getWifiState();
    void setWifiSettings(ControlChannel::WifiSettings settings);
    void getWifiSettings();
    void getWifiIP();
    void setWifiTxPower(int powerDbm);
    void getWifiTxPower();
    void getWifiAPInfo();
    void startStopApp(bool start);
    void getAppStatus();
    void getExtModStatus();
    void getCurrentBuildID();
    void getAppName();
    void resetESPToRecovery();

signals:
    void DisconnectReceived(ControlChannel::ResponseCode response); // declared; boards send no such reply
    void ResetReceived(ControlChannel::ResponseCode response);
    void GetFuseSerialReceived(ControlChannel::ResponseCode response, QByteArray serial); // always 16 bytes
    void SetFuseSerialReceived(ControlChannel::ResponseCode response);
    void GoToSerialDownloaderModeReceived(ControlChannel::ResponseCode response);
    void GetDateReceived(ControlChannel::ResponseCode response, ControlChannel::TimeDate dateTime);
    void SetDateReceived(ControlChannel::ResponseCode response);
    void OpenCloseUpdateServiceReceived(ControlChannel::ResponseCode response, bool isOpen);
    void OpenCloseMonitoringServiceReceived(ControlChannel::ResponseCode response, bool isOpen);
    void OpenCloseErrorChannelServiceReceived(ControlChannel::ResponseCode response, bool isOpen);
    void OpenCloseFileControlServiceReceived(ControlChannel::ResponseCode response, bool isOpen);
    void SetFuseKeysReceived(ControlChannel::ResponseCode response);
    void RestoreDefaultSettingsReceived(ControlChannel::ResponseCode response);
    void SetBoardInfoReceived(ControlChannel::ResponseCode response);
    void GetBoardInfoReceived(ControlChannel::ResponseCode response, uint8_t rev, bool isRugged);
    void SetBoardInfo2Received(ControlChannel::ResponseCode response);
    void GetBoardInfo2Received(ControlChannel::ResponseCode response, ControlChannel::BoardInfo2 info);
    void GetFwVersionReceived(bool verified, QString version, int timeoutBootTime, int remainingTime);
    void GetAppVersionReceived(bool verified, QString version);
    void GetESPVersionReceived(bool verified, QString version);
    void VerifyFirmwareReceived(ControlChannel::ResponseCode response);
    void VerifyESPFirmwareReceived(ControlChannel::ResponseCode response);
    void GetFwImageDetailsReceived(ControlChannel::ResponseCode response, ControlChannel::ImageDetails details);
    void GetExtendedAppVersionReceived(bool verified, QString version);
    void GetMscStateReceived(ControlChannel::ResponseCode response, ControlChannel::MSCStatus status);
    void MscInsertReceived(ControlChannel::ResponseCode response, ControlChannel::MSCStatus status);
    void MscEjectReceived(ControlChannel::ResponseCode response, ControlChannel::MSCStatus status);
    void SetWifiStateReceived(ControlChannel::ResponseCode response);
    void GetWifiStateReceived(ControlChannel::ResponseCode response, ControlChannel::WifiState wifiState);
    void SetWifiSettingsReceived(ControlChannel::ResponseCode response);
    void GetWifiSettingsReceived(ControlChannel::ResponseCode response, ControlChannel::WifiSettings wifiSettings);
    void GetWifiIPReceived(ControlChannel::ResponseCode response, ControlChannel::WifiIP status);
    void SetWifiTxPowerReceived(ControlChannel::ResponseCode response);
    void GetWifiTxPowerReceived(ControlChannel::ResponseCode response, int powerDbm);
    void GetWifiAPInfoReceived(ControlChannel::ResponseCode response, ControlChannel::WifiAPInfo apInfo);
    void StartStopAppReceived(ControlChannel::ResponseCode response, ControlChannel::AppStatus status);
    void GetAppStatusReceived(ControlChannel::ResponseCode response, ControlChannel::AppStatus status);
    void GetExtModStatusReceived(ControlChannel::ResponseCode response, bool isOpen);
    void GetCurrentBuildIDReceived(ControlChannel::ResponseCode response, QByteArray buildID);
    void GetAppNameReceived(QString appName);
    void ResetESPToRecoveryReceived(ControlChannel::ResponseCode response);

protected:
    void sendPacket(ControlCode cmd, ResponseCode rsp, const QByteArray &payload = QByteArray());

protected slots:
    void dataReady(QByteArray packet) override;
    void start() override {}
    void pause() override {}
    void initialize() override {}

private:
    void handleReply(ControlCode command, ResponseCode response, QByteArrayView payload);
    void handleFuseSerial(ResponseCode response, QByteArrayView payload);
    void handleFixedRecord(ControlCode command, ResponseCode response, QByteArrayView payload);
    void handleBoardInfo(ResponseCode response, QByteArrayView payload);
    void handleOpenClose(ControlCode command, ResponseCode response, QByteArrayView payload);
    void handleFirmwareVersion(QByteArrayView payload);
    void handleAppVersion(QByteArrayView payload);
    void handleESPVersion(QByteArrayView payload);
    void handleExtendedAppVersion(ResponseCode response, QByteArrayView payload);
    void handleStatus(ControlCode command, ResponseCode response, QByteArrayView payload);
    void handleWifiQuery(ControlCode command, ResponseCode response, QByteArrayView payload);
    void emitWifiQuery(ControlCode command, ResponseCode response, QByteArrayView record);
    void emitResponseOnly(ControlCode command, ResponseCode response);
};
