#include "BoardControlChannel.h"

#include "BoardCrc.h"
#include "BoardLink.h"
#include "BoardSimulator.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcBoardControl, "BoardSimulator.Control")

namespace {

uint16_t u16At(const QByteArray &bytes, int offset)
{
    return uint16_t(uint8_t(bytes[offset]) | (uint8_t(bytes[offset + 1]) << 8));
}

uint32_t u32At(const QByteArray &bytes, int offset)
{
    return uint32_t(u16At(bytes, offset)) | (uint32_t(u16At(bytes, offset + 2)) << 16);
}

QByteArray u32Bytes(uint32_t value)
{
    QByteArray bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = char((value >> (8 * i)) & 0xFF);
    return bytes;
}

// A text field of a fixed size, cut or zero-filled.
QByteArray textField(const QByteArray &text, int size)
{
    QByteArray field = text.left(size);
    field.append(size - field.size(), '\0');
    return field;
}

// Checks a record whose checksum over [from, from + length) sits at crcOffset.
bool checksumFits(const QByteArray &record, int from, int length, int crcOffset)
{
    return boardCrc32(QByteArrayView(record).sliced(from, length)) == u32At(record, crcOffset);
}

// The host numbers the commands; these are the ones the board knows.
enum Command : uint16_t {
    Reset = 1,
    GetFuseSerial = 2,
    SetFuseSerial = 3,
    SerialDownloader = 4,
    GetDate = 6,
    SetDate = 7,
    OpenUpdate = 9,
    OpenFileService = 12,
    Disconnect = 13,
    SetFuseKeys = 14,
    RestoreDefaults = 15,
    SetBoardInfo = 16,
    GetBoardInfo = 17,
    SetBoardInfo2 = 18,
    GetBoardInfo2 = 19,
    FirmwareVersion = 32,
    AppVersion = 33,
    EspVersion = 34,
    VerifyFirmware = 35,
    VerifyEsp = 36,
    ImageDetails = 37,
    ExtendedAppVersion = 38,
    MassStorageState = 64,
    MassStorageInsert = 65,
    MassStorageEject = 66,
    SetWifiState = 96,
    GetWifiState = 97,
    SetWifiSettings = 98,
    GetWifiSettings = 99,
    GetWifiAddress = 100,
    SetTxPower = 104,
    GetTxPower = 105,
    GetAccessPoint = 106,
    StartStopApp = 128,
    AppStatus = 129,
    ExternalModeStatus = 130,
    BuildId = 131,
    AppName = 132,
    ResetEspToRecovery = 256,
};

constexpr uint8_t kRunning = 3;
constexpr uint8_t kStopped = 2;
constexpr uint8_t kNotLoaded = 0;
constexpr uint8_t kMounted = 0;
constexpr uint8_t kNotMounted = 1;

QByteArray versionRecord(bool verified, const QByteArray &text)
{
    return u32Bytes(verified ? 1 : 0) + textField(text, 16);
}

} // namespace

BoardControlChannel::BoardControlChannel(BoardSimulator *board)
    : BoardChannel(board, 1)
{
}

QByteArray BoardControlChannel::message(uint16_t command, uint8_t response, const QByteArray &payload)
{
    const int length = int(payload.size()) + HeaderSize;
    QByteArray m(HeaderSize, '\0');
    m[0] = char(length & 0xFF);
    m[1] = char(length >> 8);
    m[2] = char(command & 0xFF);
    m[3] = char(command >> 8);
    m[4] = char(response);
    return m + payload;
}

void BoardControlChannel::handleMessage(BoardLink *link, const QByteArray &payload, bool)
{
    if (payload.size() < HeaderSize || u16At(payload, 0) != payload.size() || payload[4] != 0) {
        ++m_rejected;
        qCWarning(lcBoardControl) << "Malformed control request" << payload.toHex();
        return;
    }
    const uint16_t command = u16At(payload, 2);
    const QByteArray body = payload.mid(HeaderSize);
    m_requests.append({command, body});
    emit requestReceived(command, body);
    reply(link, command, answer(command, body));
}

void BoardControlChannel::sendUnsolicited(uint16_t command, uint8_t response, const QByteArray &payload)
{
    for (BoardLink *link : board()->links())
        send(link, message(command, response, payload), true);
}

void BoardControlChannel::reply(BoardLink *link, uint16_t command, Reply reply)
{
    const ControlReplyFault fault = m_state.faults.value(command);
    if (!reply.send || fault.silent)
        return;
    if (fault.response >= 0)
        reply.response = uint8_t(fault.response);
    if (fault.wrongSize) {
        if (reply.payload.isEmpty())
            reply.payload.append('\0');
        else
            reply.payload.chop(1);
    }
    send(link, message(command, reply.response, reply.payload), true);
}

BoardControlChannel::Reply BoardControlChannel::answer(uint16_t command, const QByteArray &payload)
{
    BoardControlState &s = m_state;
    switch (command) {
    case Reset:
    case SerialDownloader:
    case RestoreDefaults:
    case ResetEspToRecovery:
        return accepted();
    case Disconnect:
        return {Success, QByteArray(), false};
    case GetDate:
        return {Success, s.date, true};
    case SetDate:
        if (payload.size() != s.date.size())
            return refused();
        s.date = payload;
        return accepted();
    case FirmwareVersion:
        return {Success,
                versionRecord(s.firmwareVerified, s.firmwareVersion) + u32Bytes(uint32_t(s.bootTimeoutMs))
                    + u32Bytes(uint32_t(s.remainingTimeMs)),
                true};
    case AppVersion:
        return {Success, versionRecord(s.appVerified, s.appVersion), true};
    case EspVersion:
        return {Success, versionRecord(s.espVerified, s.espVersion), true};
    case VerifyFirmware:
        s.firmwareVerified = true;
        return accepted();
    case VerifyEsp:
        s.espVerified = true;
        return accepted();
    case ImageDetails:
        return {Success, s.imageDetails, true};
    case ExtendedAppVersion:
        return {Success, s.extendedAppVersion + '\0', true};
    case MassStorageState:
        return {Success, QByteArray(1, char(s.massStorage)), true};
    case MassStorageInsert:
        s.massStorage = kMounted;
        return {Success, QByteArray(1, char(s.massStorage)), true};
    case MassStorageEject:
        s.massStorage = kNotMounted;
        return {Success, QByteArray(1, char(s.massStorage)), true};
    default:
        break;
    }
    if (command >= OpenUpdate && command <= OpenFileService) {
        if (payload.size() != 1)
            return refused();
        s.openServices[command] = payload[0] != 0;
        return {Success, QByteArray(1, char(s.openServices[command] ? 1 : 0)), true};
    }
    if (command >= SetWifiState && command <= GetAccessPoint)
        return answerWifi(command, payload);
    if (command >= StartStopApp && command <= AppName)
        return answerApplication(command, payload);
    if ((command >= GetFuseSerial && command <= SetFuseSerial) || (command >= SetFuseKeys && command <= GetBoardInfo2))
        return answerFactory(command, payload);
    qCDebug(lcBoardControl) << "Unknown control command" << command;
    return refused();
}

BoardControlChannel::Reply BoardControlChannel::answerApplication(uint16_t command, const QByteArray &payload)
{
    BoardControlState &s = m_state;
    switch (command) {
    case StartStopApp:
        if (payload.size() != 1)
            return {Error, QByteArray(1, char(s.appStatus)), true};
        // 0 starts, anything else stops; an application that is not there stays so.
        if (s.appStatus != kNotLoaded)
            s.appStatus = payload[0] == 0 ? kRunning : kStopped;
        return {Success, QByteArray(1, char(s.appStatus)), true};
    case AppStatus:
        return {Success, QByteArray(1, char(s.appStatus)), true};
    case ExternalModeStatus:
        return {Success, QByteArray(1, char(s.externalModeOpen ? 1 : 0)), true};
    case BuildId:
        return {Success, s.buildId, true};
    case AppName:
        return {Success, s.appName + '\0', true};
    default:
        return refused();
    }
}

BoardControlChannel::Reply BoardControlChannel::answerWifi(uint16_t command, const QByteArray &payload)
{
    BoardControlState &s = m_state;
    switch (command) {
    case SetWifiState:
        if (payload.size() != 3)
            return refused();
        s.wifiState = payload;
        return accepted();
    case GetWifiState:
        return {Success, s.wifiState, true};
    case SetWifiSettings:
        if (payload.size() != 404)
            return refused();
        s.wifiSettings = payload;
        return accepted();
    case GetWifiSettings:
        return {Success, s.wifiSettings, true};
    case GetWifiAddress:
        return {Success, s.wifiAddress, true};
    case SetTxPower:
        if (payload.size() != 4)
            return refused();
        s.wifiTxPower = int32_t(u32At(payload, 0));
        return accepted();
    case GetTxPower:
        return {Success, u32Bytes(uint32_t(s.wifiTxPower)), true};
    case GetAccessPoint:
        return {Success, s.accessPointInfo, true};
    default:
        return refused();
    }
}

BoardControlChannel::Reply BoardControlChannel::answerFactory(uint16_t command, const QByteArray &payload)
{
    BoardControlState &s = m_state;
    switch (command) {
    case GetFuseSerial:
        return {Success, textField(s.fuseSerial, 16) + u32Bytes(uint32_t(s.fuseSerial.size())), true};
    case SetFuseSerial: {
        if (payload.size() != 28 || u32At(payload, 20) != Marker || !checksumFits(payload, 0, 24, 24)
            || u32At(payload, 16) > 16)
            return refused();
        s.fuseSerial = payload.left(int(u32At(payload, 16)));
        return accepted();
    }
    case SetFuseKeys:
        if (payload.size() != 56 || u32At(payload, 48) != FuseKeyMarker || !checksumFits(payload, 0, 52, 52))
            return refused();
        s.fuseKeys = payload;
        return accepted();
    case SetBoardInfo:
        if (payload.size() != 12 || u32At(payload, 4) != Marker || !checksumFits(payload, 0, 8, 8))
            return refused();
        s.boardRevision = uint8_t(payload[0]);
        s.rugged = payload[1] != 0;
        return accepted();
    case GetBoardInfo: {
        QByteArray record(8, '\0');
        record[0] = char(s.boardRevision);
        record[1] = char(s.rugged ? 1 : 0);
        record.replace(4, 4, u32Bytes(Marker));
        return {Success, record + u32Bytes(boardCrc32(record)), true};
    }
    case SetBoardInfo2:
        if (payload.size() != 32 || u32At(payload, 4) != Marker || !checksumFits(payload, 4, 28, 0)
            || u32At(payload, 12) > 16)
            return refused();
        s.boardInfo2 = payload;
        return accepted();
    case GetBoardInfo2:
        return {Success, s.boardInfo2, true};
    default:
        return refused();
    }
}
