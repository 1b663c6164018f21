#include "ControlChannel.h"

#include "LinkCrc.h"

#include <QLoggingCategory>
#include <QtEndian>

#include <algorithm>

Q_LOGGING_CATEGORY(lcControlChannel, "Device.ControlChannel")

namespace {

// The factory records whose checksum comes last.
struct FuseSerialRecord
{
    static constexpr qsizetype Serial = 0;
    static constexpr qsizetype SerialLength = 16;
    static constexpr qsizetype Marker = 20;
    static constexpr qsizetype Crc = 24;
    static constexpr qsizetype Size = 28;
};

// The board's answer to the fuse serial query: the zero-filled serial, then its length.
struct FuseSerialReply
{
    static constexpr qsizetype SerialLength = 16;
    static constexpr qsizetype Size = 20;
};

struct FuseKeyRecord
{
    static constexpr qsizetype AesKey = 0;
    static constexpr qsizetype SrkKey = 16;
    static constexpr qsizetype Marker = 48;
    static constexpr qsizetype Crc = 52;
    static constexpr qsizetype Size = 56;
};

struct BoardInfoRecord
{
    static constexpr qsizetype Revision = 0;
    static constexpr qsizetype Rugged = 1;
    static constexpr qsizetype Marker = 4;
    static constexpr qsizetype Crc = 8;
    static constexpr qsizetype Size = 12;
};

// The version replies: firmware with its boot timing, the others without.
struct VersionReply
{
    static constexpr qsizetype Verified = 0;
    static constexpr qsizetype Text = 4;
    static constexpr qsizetype TextLength = 16;
    static constexpr qsizetype BootTimeout = 20;
    static constexpr qsizetype RemainingTime = 24;
    static constexpr qsizetype ShortSize = 20;
    static constexpr qsizetype FirmwareSize = 28;
};

const QString kFirmwareVersionError = QStringLiteral("FwVersionError");
const QString kNoESPAvailable = QStringLiteral("NoESPAvailable");

void putUInt32(QByteArray &bytes, qsizetype offset, uint32_t value)
{
    qToLittleEndian<quint32>(value, bytes.data() + offset);
}

// The checksum over the first `length` bytes, stored at `offset`.
void sealRecord(QByteArray &record, qsizetype from, qsizetype length, qsizetype offset)
{
    putUInt32(record, offset, computeCrc32(0xFFFFFFFFu, record.constData() + from, std::size_t(length)));
}

// Text up to the first zero byte (or the whole view), as UTF-8.
QString textUpToZero(QByteArrayView bytes)
{
    const qsizetype zero = bytes.indexOf('\0');
    return QString::fromUtf8(zero < 0 ? bytes : bytes.first(zero));
}

struct VersionText
{
    bool verified;
    QString version;
};

VersionText readVersion(QByteArrayView payload)
{
    return {qFromLittleEndian<quint32>(payload.data() + VersionReply::Verified) == 1,
            textUpToZero(payload.sliced(VersionReply::Text, VersionReply::TextLength))};
}

} // namespace

ControlChannel::ControlChannel(QObject *parent, DatalinkChannelId channel, bool isReliable, DatalinkManager *manager)
    : AbstractService(parent, channel, isReliable, manager)
{
    qRegisterMetaType<ControlChannel::ResponseCode>("ResponseCode");
    qRegisterMetaType<ControlChannel::WifiSettings>("WifiSettings");
    qRegisterMetaType<ControlChannel::WifiState>("WifiState");
}

void ControlChannel::sendPacket(ControlCode cmd, ResponseCode rsp, const QByteArray &payload)
{
    QByteArray message(Header::Size, '\0');
    qToLittleEndian<quint16>(quint16(payload.size() + Header::Size), message.data() + Header::Length);
    qToLittleEndian<quint16>(cmd, message.data() + Header::Command);
    message[Header::Response] = char(rsp);
    sendPayload(message + payload);
}

void ControlChannel::disconnectDevice()
{
    sendPacket(DisconnectDevice, Request);
}
void ControlChannel::resetDevice()
{
    sendPacket(ResetDevice, Request);
}
void ControlChannel::getFuseSerial()
{
    sendPacket(GetFuseSerial, Request);
}

void ControlChannel::setFuseSerial(QByteArray serial)
{
    if (serial.size() > MaxSerialLength)
        return;
    QByteArray record(FuseSerialRecord::Size, '\0');
    std::copy(serial.begin(), serial.end(), record.begin() + FuseSerialRecord::Serial);
    putUInt32(record, FuseSerialRecord::SerialLength, uint32_t(serial.size()));
    putUInt32(record, FuseSerialRecord::Marker, RecordMarker);
    sealRecord(record, 0, FuseSerialRecord::Crc, FuseSerialRecord::Crc);
    sendPacket(SetFuseSerial, Request, record);
}

void ControlChannel::goToSerialDownloaderMode()
{
    sendPacket(GoToSerialDownloaderMode, Request);
}
void ControlChannel::getDate()
{
    sendPacket(GetDate, Request);
}
void ControlChannel::setDate(ControlChannel::TimeDate dateTime)
{
    sendPacket(SetDate, Request, dateTime.toBytes());
}

void ControlChannel::openCloseUpdateService(bool openService)
{
    sendPacket(OpenCloseUpdateService, Request, QByteArray(1, openService ? 1 : 0));
}

void ControlChannel::openCloseMonitoringService(bool openService)
{
    sendPacket(OpenCloseMonitoringService, Request, QByteArray(1, openService ? 1 : 0));
}

void ControlChannel::openCloseErrorChannelService(bool openService)
{
    sendPacket(OpenCloseErrorChannelService, Request, QByteArray(1, openService ? 1 : 0));
}

void ControlChannel::openCloseFileControlService(bool openService)
{
    sendPacket(OpenCloseFileControlService, Request, QByteArray(1, openService ? 1 : 0));
}

void ControlChannel::setFuseKeys(std::array<uint8_t, 16> aesKey, std::array<uint32_t, 8> srkKey)
{
    QByteArray record(FuseKeyRecord::Size, '\0');
    std::copy(aesKey.begin(), aesKey.end(), record.begin() + FuseKeyRecord::AesKey);
    for (std::size_t i = 0; i < srkKey.size(); ++i)
        putUInt32(record, FuseKeyRecord::SrkKey + qsizetype(4 * i), srkKey[i]);
    putUInt32(record, FuseKeyRecord::Marker, FuseKeyMarker);
    sealRecord(record, 0, FuseKeyRecord::Crc, FuseKeyRecord::Crc);
    sendPacket(SetFuseKeys, Request, record);
}

void ControlChannel::restoreDefaultSettings()
{
    sendPacket(RestoreDefaultSettings, Request);
}

void ControlChannel::setBoardInfo(uint8_t rev, bool isRugged)
{
    QByteArray record(BoardInfoRecord::Size, '\0');
    record[BoardInfoRecord::Revision] = char(rev);
    record[BoardInfoRecord::Rugged] = char(isRugged ? 1 : 0);
    putUInt32(record, BoardInfoRecord::Marker, RecordMarker);
    sealRecord(record, 0, BoardInfoRecord::Crc, BoardInfoRecord::Crc);
    sendPacket(SetBoardInfo, Request, record);
}

void ControlChannel::getBoardInfo()
{
    sendPacket(GetBoardInfo, Request);
}

void ControlChannel::setBoardInfo2(ostdevice::ExtendedDeviceType device_type, QString serial_number)
{
    const QByteArray serial = serial_number.toLatin1();
    if (serial.size() > MaxSerialLength)
        return;
    BoardInfo2 info;
    info.marker = RecordMarker;
    info.deviceType = device_type;
    info.serialLength = uint32_t(serial.size());
    std::copy(serial.begin(), serial.end(), info.serial.begin());
    QByteArray record = info.toBytes();
    sealRecord(record, BoardInfo2::Marker, BoardInfo2::Size - BoardInfo2::Marker, BoardInfo2::Crc);
    sendPacket(SetBoardInfo2, Request, record);
}

void ControlChannel::getBoardInfo2()
{
    sendPacket(GetBoardInfo2, Request);
}
void ControlChannel::getFirmwareVersion()
{
    sendPacket(GetFirmwareVersion, Request);
}
void ControlChannel::getAppVersion()
{
    sendPacket(GetAppVersion, Request);
}
void ControlChannel::getESPVersion()
{
    sendPacket(GetESPVersion, Request);
}
void ControlChannel::verifyFirmware()
{
    sendPacket(VerifyFirmware, Request);
}
void ControlChannel::verifyESPFirmware()
{
    sendPacket(VerifyESPFirmware, Request);
}
void ControlChannel::getFwImageDetails()
{
    sendPacket(GetFwImageDetails, Request);
}
void ControlChannel::getExtendedAppVersion()
{
    sendPacket(GetExtendedAppVersion, Request);
}
void ControlChannel::getMscState()
{
    sendPacket(GetMscState, Request);
}
void ControlChannel::mscInsert()
{
    sendPacket(MscInsert, Request);
}
void ControlChannel::mscEject()
{
    sendPacket(MscEject, Request);
}
void ControlChannel::setWifiState(ControlChannel::WifiState state)
{
    sendPacket(SetWifiState, Request, state.toBytes());
}
void ControlChannel::getWifiState()
{
    sendPacket(GetWifiState, Request);
}

void ControlChannel::setWifiSettings(ControlChannel::WifiSettings settings)
{
    sendPacket(SetWifiSettings, Request, QByteArray(settings.bytes.data(), WifiSettings::Size));
}

void ControlChannel::getWifiSettings()
{
    sendPacket(GetWifiSettings, Request);
}
void ControlChannel::getWifiIP()
{
    sendPacket(GetWifiIP, Request);
}

void ControlChannel::setWifiTxPower(int powerDbm)
{
    QByteArray payload(4, '\0');
    qToLittleEndian<qint32>(powerDbm, payload.data());
    sendPacket(SetWifiTxPower, Request, payload);
}

void ControlChannel::getWifiTxPower()
{
    sendPacket(GetWifiTxPower, Request);
}
void ControlChannel::getWifiAPInfo()
{
    sendPacket(GetWifiAPInfo, Request);
}

// The board expects 0 to start its application and 1 to stop it.
void ControlChannel::startStopApp(bool start)
{
    sendPacket(StartStopApp, Request, QByteArray(1, start ? 0 : 1));
}

void ControlChannel::getAppStatus()
{
    sendPacket(GetAppStatus, Request);
}
void ControlChannel::getExtModStatus()
{
    sendPacket(GetExtModStatus, Request);
}
void ControlChannel::getCurrentBuildID()
{
    sendPacket(GetCurrentBuildID, Request);
}
void ControlChannel::getAppName()
{
    sendPacket(GetAppName, Request);
}
void ControlChannel::resetESPToRecovery()
{
    sendPacket(ResetESPToRecovery, Request);
}

void ControlChannel::dataReady(QByteArray packet)
{
    if (packet.size() < Header::Size)
        return;
    const auto length = qsizetype(qFromLittleEndian<quint16>(packet.constData() + Header::Length));
    // A declared length under the header's own size cannot frame a payload.
    if (length < Header::Size || packet.size() < length)
        return;
    const auto command = ControlCode(qFromLittleEndian<quint16>(packet.constData() + Header::Command));
    const auto response = ResponseCode(uint8_t(packet[Header::Response]));
    handleReply(command, response, QByteArrayView(packet).sliced(Header::Size, length - Header::Size));
}

void ControlChannel::handleReply(ControlCode command, ResponseCode response, QByteArrayView payload)
{
    switch (command) {
    case ResetDevice:
    case SetFuseSerial:
    case GoToSerialDownloaderMode:
    case SetDate:
    case SetFuseKeys:
    case RestoreDefaultSettings:
    case SetBoardInfo:
    case SetBoardInfo2:
    case VerifyFirmware:
    case VerifyESPFirmware:
    case SetWifiState:
    case SetWifiSettings:
    case SetWifiTxPower:
    case ResetESPToRecovery:
        emitResponseOnly(command, response);
        break;
    case GetFuseSerial:
        handleFuseSerial(response, payload);
        break;
    case GetDate:
    case GetBoardInfo2:
    case GetFwImageDetails:
        handleFixedRecord(command, response, payload);
        break;
    case GetBoardInfo:
        handleBoardInfo(response, payload);
        break;
    case OpenCloseUpdateService:
    case OpenCloseMonitoringService:
    case OpenCloseErrorChannelService:
    case OpenCloseFileControlService:
        handleOpenClose(command, response, payload);
        break;
    case GetFirmwareVersion:
        if (response == Success)
            handleFirmwareVersion(payload);
        break;
    case GetAppVersion:
        if (response == Success)
            handleAppVersion(payload);
        break;
    case GetESPVersion:
        if (response == Success)
            handleESPVersion(payload);
        break;
    case GetExtendedAppVersion:
        handleExtendedAppVersion(response, payload);
        break;
    case GetMscState:
    case MscInsert:
    case MscEject:
    case StartStopApp:
    case GetAppStatus:
        handleStatus(command, response, payload);
        break;
    case GetExtModStatus:
        emit GetExtModStatusReceived(response, response == Success && !payload.isEmpty() && payload[0] != 0);
        break;
    case GetWifiState:
    case GetWifiSettings:
    case GetWifiIP:
    case GetWifiTxPower:
    case GetWifiAPInfo:
        handleWifiQuery(command, response, payload);
        break;
    case GetCurrentBuildID:
        if (response == NoData)
            emit GetCurrentBuildIDReceived(response, QByteArray());
        else if (response == Success)
            emit GetCurrentBuildIDReceived(response, payload.toByteArray());
        break;
    case GetAppName:
        if (response == NoData)
            emit GetAppNameReceived(QString());
        else if (response == Success)
            emit GetAppNameReceived(textUpToZero(payload));
        break;
    case DisconnectDevice:
    default:
        break;
    }
}

void ControlChannel::emitResponseOnly(ControlCode command, ResponseCode response)
{
    switch (command) {
    case ResetDevice:
        emit ResetReceived(response);
        break;
    case SetFuseSerial:
        emit SetFuseSerialReceived(response);
        break;
    case GoToSerialDownloaderMode:
        emit GoToSerialDownloaderModeReceived(response);
        break;
    case SetDate:
        emit SetDateReceived(response);
        break;
    case SetFuseKeys:
        emit SetFuseKeysReceived(response);
        break;
    case RestoreDefaultSettings:
        emit RestoreDefaultSettingsReceived(response);
        break;
    case SetBoardInfo:
        emit SetBoardInfoReceived(response);
        break;
    case SetBoardInfo2:
        emit SetBoardInfo2Received(response);
        break;
    case VerifyFirmware:
        emit VerifyFirmwareReceived(response);
        break;
    case VerifyESPFirmware:
        qCDebug(lcControlChannel) << "ESP firmware verified";
        emit VerifyESPFirmwareReceived(response);
        break;
    case SetWifiState:
        emit SetWifiStateReceived(response);
        break;
    case SetWifiSettings:
        emit SetWifiSettingsReceived(response);
        break;
    case SetWifiTxPower:
        emit SetWifiTxPowerReceived(response);
        break;
    case ResetESPToRecovery:
        emit ResetESPToRecoveryReceived(response);
        break;
    default:
        break;
    }
}

void ControlChannel::handleFuseSerial(ResponseCode response, QByteArrayView payload)
{
    QByteArray serial(MaxSerialLength, '\0');
    if (response == Success) {
        const uint32_t length = payload.size() == FuseSerialReply::Size
                                    ? qFromLittleEndian<quint32>(payload.data() + FuseSerialReply::SerialLength)
                                    : uint32_t(MaxSerialLength + 1);
        if (length > uint32_t(MaxSerialLength))
            response = Error;
        else
            std::copy_n(payload.data(), length, serial.begin());
    }
    emit GetFuseSerialReceived(response, serial);
}

void ControlChannel::handleFixedRecord(ControlCode command, ResponseCode response, QByteArrayView payload)
{
    const qsizetype size = command == GetDate         ? TimeDate::Size
                           : command == GetBoardInfo2 ? BoardInfo2::Size
                                                      : ImageDetails::Size;
    // The image details must match exactly; the other records may carry more.
    const bool fits = command == GetFwImageDetails ? payload.size() == size : payload.size() >= size;
    const bool read = response == Success && fits;
    if (response == Success && !fits)
        response = Error;

    switch (command) {
    case GetDate:
        emit GetDateReceived(response, read ? TimeDate::read(payload) : TimeDate());
        break;
    case GetBoardInfo2:
        emit GetBoardInfo2Received(response, read ? BoardInfo2::read(payload) : BoardInfo2());
        break;
    default: {
        ImageDetails details;
        if (read)
            std::copy_n(payload.data(), ImageDetails::Size, details.bytes.begin());
        emit GetFwImageDetailsReceived(response, details);
        break;
    }
    }
}

void ControlChannel::handleBoardInfo(ResponseCode response, QByteArrayView payload)
{
    if (response != Success) {
        emit GetBoardInfoReceived(response, 0, false);
    } else if (payload.size() != BoardInfoRecord::Size) {
        emit GetBoardInfoReceived(Error, 0, false);
    } else {
        emit GetBoardInfoReceived(response, uint8_t(payload[BoardInfoRecord::Revision]),
                                  payload[BoardInfoRecord::Rugged] != 0);
    }
}

void ControlChannel::handleOpenClose(ControlCode command, ResponseCode response, QByteArrayView payload)
{
    bool isOpen = false;
    if (payload.size() == 1)
        isOpen = payload[0] != 0;
    else
        response = Error;

    switch (command) {
    case OpenCloseUpdateService:
        emit OpenCloseUpdateServiceReceived(response, isOpen);
        break;
    case OpenCloseMonitoringService:
        emit OpenCloseMonitoringServiceReceived(response, isOpen);
        break;
    case OpenCloseErrorChannelService:
        emit OpenCloseErrorChannelServiceReceived(response, isOpen);
        break;
    default:
        emit OpenCloseFileControlServiceReceived(response, isOpen);
        break;
    }
}

void ControlChannel::handleFirmwareVersion(QByteArrayView payload)
{
    if (payload.size() < VersionReply::FirmwareSize)
        return;
    auto [verified, version] = readVersion(payload);
    const int bootTimeout = qFromLittleEndian<qint32>(payload.data() + VersionReply::BootTimeout);
    const int remaining = qFromLittleEndian<qint32>(payload.data() + VersionReply::RemainingTime);
    // The board checks an unverified firmware only when asked to.
    if (!verified && version != kFirmwareVersionError)
        verifyFirmware();
    if (version == kFirmwareVersionError)
        version.clear();
    emit GetFwVersionReceived(verified, version, bootTimeout, remaining);
    qCDebug(lcControlChannel).noquote() << "Zelto Firmware version: " + version << (verified ? "Verified" : "Verifying")
                                        << QStringLiteral("%1/%2").arg(remaining / 1000).arg(bootTimeout / 1000);
}

void ControlChannel::handleAppVersion(QByteArrayView payload)
{
    if (payload.size() < VersionReply::ShortSize)
        return;
    const auto [verified, version] = readVersion(payload);
    emit GetAppVersionReceived(verified, version);
}

void ControlChannel::handleESPVersion(QByteArrayView payload)
{
    if (payload.size() < VersionReply::ShortSize)
        return;
    auto [verified, version] = readVersion(payload);
    if (!verified && version != kNoESPAvailable)
        verifyESPFirmware();
    if (version == kNoESPAvailable)
        version.clear();
    emit GetESPVersionReceived(verified, version);
    qCDebug(lcControlChannel).noquote() << "ESP version: " + version << (verified ? "Verified" : "Not verified.");
}

void ControlChannel::handleExtendedAppVersion(ResponseCode response, QByteArrayView payload)
{
    if (response == NoData)
        emit GetExtendedAppVersionReceived(true, QString());
    else if (response == Success)
        emit GetExtendedAppVersionReceived(true, textUpToZero(payload));
}

void ControlChannel::handleStatus(ControlCode command, ResponseCode response, QByteArrayView payload)
{
    uint8_t status = 0;
    if (response == Success || response == NoData) {
        status = payload.isEmpty() ? 0 : uint8_t(payload[0]);
    } else {
        switch (command) {
        case GetMscState:
            status = NotAttached;
            break;
        case MscInsert:
            status = AlreadyMounted;
            break;
        case MscEject:
            status = NotMounted;
            break;
        default:
            status = Unknown;
            break;
        }
    }

    switch (command) {
    case GetMscState:
        emit GetMscStateReceived(response, MSCStatus(status));
        break;
    case MscInsert:
        emit MscInsertReceived(response, MSCStatus(status));
        break;
    case MscEject:
        emit MscEjectReceived(response, MSCStatus(status));
        break;
    case StartStopApp:
        emit StartStopAppReceived(response, AppStatus(status));
        break;
    default:
        emit GetAppStatusReceived(response, AppStatus(status));
        break;
    }
}

void ControlChannel::handleWifiQuery(ControlCode command, ResponseCode response, QByteArrayView payload)
{
    qsizetype size = 0;
    switch (command) {
    case GetWifiState:
        size = WifiState::Size;
        break;
    case GetWifiSettings:
        size = WifiSettings::Size;
        break;
    case GetWifiIP:
        size = WifiIP::Size;
        break;
    case GetWifiTxPower:
        size = 4;
        break;
    default:
        size = WifiAPInfo::Size;
        break;
    }
    // "No data" is passed on first with an empty record, for listeners that wait for
    // any answer; a record that came with it follows.
    if (response == NoData)
        emitWifiQuery(command, response, QByteArrayView());
    if (payload.size() == size)
        emitWifiQuery(command, response, payload);
}

// An empty record stands for a zeroed one.
void ControlChannel::emitWifiQuery(ControlCode command, ResponseCode response, QByteArrayView record)
{
    const bool empty = record.isEmpty();
    switch (command) {
    case GetWifiState:
        emit GetWifiStateReceived(response, empty ? WifiState() : WifiState::read(record));
        break;
    case GetWifiSettings: {
        WifiSettings settings;
        if (!empty)
            std::copy_n(record.data(), WifiSettings::Size, settings.bytes.begin());
        emit GetWifiSettingsReceived(response, settings);
        break;
    }
    case GetWifiIP: {
        WifiIP address;
        if (!empty)
            std::copy_n(record.data(), WifiIP::Size, address.bytes.begin());
        emit GetWifiIPReceived(response, address);
        break;
    }
    case GetWifiTxPower:
        emit GetWifiTxPowerReceived(response, empty ? 0 : qFromLittleEndian<qint32>(record.data()));
        break;
    default: {
        WifiAPInfo info;
        if (!empty)
            std::copy_n(record.data(), WifiAPInfo::Size, info.bytes.begin());
        emit GetWifiAPInfoReceived(response, info);
        break;
    }
    }
}
