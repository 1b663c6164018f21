#include "BoardUpdateService.h"

#include "BoardBytes.h"
#include "BoardControlChannel.h"
#include "BoardCrc.h"
#include "BoardSimulator.h"

#include <QLoggingCategory>
#include <QTimer>

Q_LOGGING_CATEGORY(lcBoardUpdate, "BoardSimulator.UpdateService")

namespace {

constexpr uint32_t Magic = 0xDDCCBBAAu;
constexpr qsizetype HeaderSize = 12;
constexpr qsizetype VersionTextSize = 16;
constexpr uint8_t AppRunning = 3; // the control service's application status

BoardControlState *controlState(BoardSimulator *board)
{
    auto *control = qobject_cast<BoardControlChannel *>(board->channel(1));
    return control ? &control->state() : nullptr;
}

} // namespace

BoardUpdateService::BoardUpdateService(BoardSimulator *board)
    : BoardChannel(board, Number)
{
}

void BoardUpdateService::setSeed(uint32_t mode, uint32_t seed)
{
    m_mode = mode;
    m_seed = seed;
}

void BoardUpdateService::setFault(Fault fault, int afterChunks)
{
    m_fault = fault;
    m_faultAfterChunks = afterChunks;
}

std::optional<uint32_t> BoardUpdateService::commandType(const QByteArray &payload)
{
    if (payload.size() < HeaderSize || BoardBytes::read<uint32_t>(payload, 0) != Magic)
        return std::nullopt;
    const uint32_t type = BoardBytes::read<uint32_t>(payload, 4);
    const uint32_t length = BoardBytes::read<uint32_t>(payload, 8);
    if (payload.size() != HeaderSize + qsizetype(length))
        return std::nullopt;
    switch (type) {
    case SeedMessage:
    case WifiModuleVersion:
        return length == 0 ? std::optional(type) : std::nullopt;
    case FirmwareMessage:
    case ApplicationMessage:
    case WifiModuleMessage:
        return length == 8 ? std::optional(type) : std::nullopt;
    default:
        return std::nullopt;
    }
}

void BoardUpdateService::handleMessage(BoardLink *link, const QByteArray &payload, bool)
{
    const std::optional<uint32_t> type = commandType(payload);
    if (m_receiving) {
        const qsizetype expected = qMin<qsizetype>(ChunkSize, m_current.declaredSize - m_current.image.size());
        if (!type || payload.size() == expected) {
            handleChunk(link, payload);
            return;
        }
        qCDebug(lcBoardUpdate) << "A new command abandons the upload in progress";
        m_receiving = false;
    }
    if (!type) {
        qCDebug(lcBoardUpdate) << "Ignoring" << payload.size() << "bytes that are no update command";
        return;
    }
    handleCommand(link, *type, payload.sliced(HeaderSize));
}

void BoardUpdateService::reply(BoardLink *link, uint32_t type, const QByteArray &payload)
{
    QByteArray message;
    BoardBytes::append<uint32_t>(message, Magic);
    BoardBytes::append<uint32_t>(message, type);
    BoardBytes::append<uint32_t>(message, uint32_t(payload.size()));
    message.append(payload);
    send(link, message, true);
}

bool BoardUpdateService::replyWithFault(BoardLink *link)
{
    if (m_fault == Fault::None || m_chunks != m_faultAfterChunks)
        return false;
    m_receiving = false;
    switch (m_fault) {
    case Fault::Fail:
        reply(link, Failed);
        break;
    case Fault::TimeOut:
        reply(link, TimedOut);
        break;
    case Fault::ApplicationRunning:
        reply(link, ApplicationRunning);
        break;
    default:
        break;
    }
    return true;
}

void BoardUpdateService::handleCommand(BoardLink *link, uint32_t type, const QByteArray &payload)
{
    switch (type) {
    case SeedMessage: {
        ++m_seedRequests;
        QByteArray seed;
        BoardBytes::append<uint32_t>(seed, m_mode);
        BoardBytes::append<uint32_t>(seed, m_seed);
        reply(link, SeedMessage, seed);
        return;
    }
    case WifiModuleVersion: {
        ++m_versionRequests;
        // A freshly uploaded module is verified only after a while.
        const bool verified = !m_moduleUploaded || ++m_pollsSinceModuleUpload > m_unverifiedPolls;
        QByteArray version;
        BoardBytes::append<uint32_t>(version, verified ? 1 : 0);
        version.append(m_wifiModuleVersion.left(VersionTextSize));
        version.append(QByteArray(VersionTextSize - qMin(VersionTextSize, m_wifiModuleVersion.size()), '\0'));
        reply(link, WifiModuleVersion, version);
        return;
    }
    default:
        break;
    }

    // The start of an upload.
    m_current = Upload();
    m_current.kind = type;
    m_current.declaredSize = BoardBytes::read<uint32_t>(payload, 0);
    m_current.declaredCrc = BoardBytes::read<uint32_t>(payload, 4);
    m_chunks = 0;
    m_unscramble = type == ApplicationMessage && m_mode == 1;
    if (m_unscramble)
        m_unscrambler.seed(m_seed);
    if (replyWithFault(link))
        return;
    // A running application is not replaced under its feet.
    if (type == ApplicationMessage) {
        if (const BoardControlState *state = controlState(board()); state && state->appStatus == AppRunning) {
            qCDebug(lcBoardUpdate) << "Refusing an application upload while the application runs";
            reply(link, ApplicationRunning);
            return;
        }
    }
    if (m_current.declaredSize == 0) {
        qCDebug(lcBoardUpdate) << "Refusing an upload of 0 bytes";
        reply(link, Failed);
        return;
    }
    m_receiving = true;
    reply(link, type);
}

void BoardUpdateService::handleChunk(BoardLink *link, const QByteArray &chunk)
{
    QByteArray data = chunk;
    // The host scrambles whole-word chunks only; the others travel as they are.
    if (m_unscramble && data.size() % 4 == 0)
        m_unscrambler.unscramble(reinterpret_cast<unsigned char *>(data.data()), uint32_t(data.size()));
    m_current.image.append(data);
    ++m_chunks;
    if (replyWithFault(link))
        return;
    reply(link, m_current.kind);
    if (m_current.image.size() < qsizetype(m_current.declaredSize))
        return;

    m_receiving = false;
    m_current.accepted = m_current.image.size() == qsizetype(m_current.declaredSize)
                         && boardCrc32(m_current.image) == m_current.declaredCrc;
    m_uploads.append(m_current);
    emit uploadCompleted(m_current);
    if (!m_current.accepted) {
        qCDebug(lcBoardUpdate) << "The uploaded image does not match its size or checksum";
        reply(link, Failed);
        return;
    }
    if (m_current.kind == WifiModuleMessage) {
        m_moduleUploaded = true;
        m_pollsSinceModuleUpload = 0;
    }
    reply(link, Finished);
    // The board runs the application or the firmware it was given.
    if (m_current.kind == ApplicationMessage) {
        if (BoardControlState *state = controlState(board()))
            state->appStatus = AppRunning;
    } else {
        install(m_current);
    }
}

QByteArray BoardUpdateService::versionInImage(const QByteArray &image)
{
    const qsizetype mark = image.indexOf(VersionMark);
    if (mark < 0)
        return {};
    QByteArray version = image.mid(mark + qsizetype(sizeof VersionMark) - 1, VersionTextSize);
    for (const char end : {'\0', '\n', '\r'})
        if (const qsizetype at = version.indexOf(end); at >= 0)
            version.truncate(at);
    return version;
}

void BoardUpdateService::install(const Upload &upload)
{
    const QByteArray version = versionInImage(upload.image);
    if (BoardControlState *state = controlState(board()); state && !version.isEmpty()) {
        if (upload.kind == FirmwareMessage) {
            state->firmwareVersion = version;
            state->firmwareVerified = false;
            state->remainingTimeMs = state->bootTimeoutMs / 2;
        } else {
            state->espVersion = version;
            m_wifiModuleVersion = version;
        }
    }
    const std::optional<std::chrono::milliseconds> downtime = board()->settings().restartAfterUpdate;
    if (!downtime)
        return;
    // A moment later, so that the finish message is on its way before the links drop.
    BoardSimulator *simulator = board();
    QTimer::singleShot(200, simulator, [simulator, downtime] { simulator->restart(*downtime); });
}
