#include "BoardFileService.h"

#include "BoardBytes.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QStorageInfo>

Q_LOGGING_CATEGORY(lcBoardFiles, "BoardSimulator.FileService")

namespace {

constexpr qsizetype HeaderSize = 7;
constexpr qsizetype MaxRequestSize = 1024 * 1024;
constexpr qsizetype MaxPayload = 1018;
constexpr int16_t EntryFile = 8;
constexpr int16_t EntryDirectory = 4;

// A string ended by a zero byte (or by the end of the bytes).
QString terminated(QByteArrayView bytes)
{
    const qsizetype end = bytes.indexOf('\0');
    return QString::fromUtf8(end < 0 ? bytes : bytes.first(end));
}

// The number of UTF-8 bytes that hold the first units UTF-16 code units of bytes;
// nothing when the bytes end first or are no UTF-8.
std::optional<qsizetype> utf8Length(QByteArrayView bytes, qsizetype units)
{
    qsizetype length = 0;
    while (units > 0) {
        if (length >= bytes.size())
            return std::nullopt;
        const auto lead = uint8_t(bytes[length]);
        const qsizetype size = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
        if (size == 0 || lead > 0xF4)
            return std::nullopt;
        // A character beyond the first 65536 takes two UTF-16 code units.
        units -= size == 4 ? 2 : 1;
        length += size;
    }
    if (units < 0 || length > bytes.size())
        return std::nullopt;
    return length;
}

// Reads a u16 count of UTF-16 code units and the UTF-8 bytes that hold them at
// offset, then, when terminated, a zero byte; advances offset. Nothing when the
// bytes end first.
std::optional<QString> counted(QByteArrayView bytes, qsizetype &offset, bool withTerminator)
{
    if (bytes.size() - offset < 2)
        return std::nullopt;
    const qsizetype units = BoardBytes::read<uint16_t>(bytes, offset);
    offset += 2;
    const std::optional<qsizetype> length = utf8Length(bytes.sliced(offset), units);
    if (!length || bytes.size() - offset < *length + (withTerminator ? 1 : 0))
        return std::nullopt;
    const QString text = QString::fromUtf8(bytes.sliced(offset, *length));
    offset += *length;
    if (withTerminator) {
        if (bytes[offset] != '\0')
            return std::nullopt;
        ++offset;
    }
    return text;
}

QString parentOf(const QString &boardPath)
{
    const qsizetype slash = boardPath.lastIndexOf(QLatin1Char('/'));
    return slash <= 0 ? QStringLiteral("/") : boardPath.left(slash);
}

} // namespace

BoardFileService::BoardFileService(BoardSimulator *board, const QString &rootFolder)
    : BoardChannel(board, Number)
    , m_root(rootFolder)
{
}

void BoardFileService::linkDetached(BoardLink *link)
{
    m_pending.remove(link);
}

void BoardFileService::handleMessage(BoardLink *link, const QByteArray &payload, bool)
{
    QByteArray &pending = m_pending[link];
    pending.append(payload);
    while (pending.size() >= HeaderSize) {
        const qsizetype length = BoardBytes::read<uint32_t>(pending, 0);
        if (length < HeaderSize || length > MaxRequestSize) {
            qCDebug(lcBoardFiles) << "Dropping a request that declares" << length << "bytes";
            ++m_rejected;
            pending.clear();
            return;
        }
        if (pending.size() < length)
            return;
        const QByteArray message = pending.left(length);
        pending.remove(0, length);
        m_requests.append(message);
        handleRequest(link, message);
    }
}

void BoardFileService::handleRequest(BoardLink *link, const QByteArray &message)
{
    const uint16_t command = BoardBytes::read<uint16_t>(message, 4);
    const QByteArray payload = message.sliced(HeaderSize);
    if (m_fault == Fault::ErrorResponse) {
        sendMessage(link, command, Failure, QByteArray());
        return;
    }
    Reply reply;
    switch (command) {
    case DownloadToBuffer:
        reply = downloadToBuffer(terminated(payload));
        break;
    case Download:
        download(link, terminated(payload));
        return;
    case Upload:
        reply = upload(payload);
        break;
    case RemoveFile:
        reply = remove(terminated(payload), false);
        break;
    case RenameFile:
        reply = rename(payload, false);
        break;
    case ListDir:
        reply = list(terminated(payload));
        break;
    case MakeDir:
        reply = makeDir(terminated(payload));
        break;
    case RemoveDir:
        reply = remove(terminated(payload), true);
        break;
    case RenameDir:
        reply = rename(payload, true);
        break;
    case AvailableStorage:
        reply = storage();
        break;
    default:
        qCDebug(lcBoardFiles) << "Unknown file-service command" << command;
        break;
    }
    sendMessage(link, command, reply.response, reply.payload);
}

void BoardFileService::sendMessage(BoardLink *link, uint16_t command, uint8_t response, const QByteArray &payload)
{
    if (m_fault == Fault::Silent)
        return;
    uint32_t length = uint32_t(HeaderSize + payload.size());
    if (m_fault == Fault::ZeroLength)
        length = 0;
    else if (m_fault == Fault::HugeLength)
        length = 0xFFFFFFFFu;
    QByteArray message;
    message.reserve(HeaderSize + payload.size());
    BoardBytes::append<uint32_t>(message, length);
    BoardBytes::append<uint16_t>(message, command);
    message.append(char(response));
    message.append(payload);
    // A message longer than one frame goes out in frame-sized payloads.
    for (qsizetype offset = 0; offset < message.size(); offset += MaxPayload)
        send(link, message.mid(offset, MaxPayload), true);
}

std::optional<QString> BoardFileService::localPath(const QString &boardPath) const
{
    if (m_root.isEmpty())
        return std::nullopt;
    const QStringList parts = boardPath.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.contains(QStringLiteral("..")))
        return std::nullopt;
    return m_root + QLatin1Char('/') + parts.join(QLatin1Char('/'));
}

QByteArray BoardFileService::fileHeader(const QString &localFile, const QString &boardPath, qint64 size) const
{
    const QByteArray name = boardPath.mid(boardPath.lastIndexOf(QLatin1Char('/')) + 1).toUtf8();
    QByteArray header;
    BoardBytes::append<int64_t>(header, QFileInfo(localFile).lastModified().toSecsSinceEpoch());
    BoardBytes::append<uint32_t>(header, uint32_t(size));
    BoardBytes::append<uint16_t>(header, uint16_t(name.size()));
    header.append(name);
    return header;
}

BoardFileService::Reply BoardFileService::downloadToBuffer(const QString &boardPath) const
{
    const std::optional<QString> local = localPath(boardPath);
    QFile file(local.value_or(QString()));
    if (!local || !QFileInfo(*local).isFile() || !file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = file.readAll();
    return {Success, fileHeader(*local, boardPath, data.size()) + data};
}

void BoardFileService::download(BoardLink *link, const QString &boardPath)
{
    const std::optional<QString> local = localPath(boardPath);
    QFile file(local.value_or(QString()));
    if (!local || !QFileInfo(*local).isFile() || !file.open(QIODevice::ReadOnly)) {
        sendMessage(link, Download, Failure, QByteArray());
        return;
    }
    QByteArray data = file.readAll();
    const QByteArray header = fileHeader(*local, boardPath, data.size());
    if (m_fault == Fault::TruncatedHeader) {
        sendMessage(link, Download, Success, header.left(header.size() - 3));
        return;
    }
    if (m_fault == Fault::ExtraData)
        data.append(QByteArray(100, 'X'));

    sendMessage(link, Download, Success, header + data.left(m_downloadChunk));
    if (m_fault == Fault::StopMidway)
        return;
    for (qsizetype offset = m_downloadChunk; offset < data.size(); offset += m_downloadChunk)
        sendMessage(link, Download, Success, data.mid(offset, m_downloadChunk));
}

BoardFileService::Reply BoardFileService::upload(const QByteArray &payload) const
{
    qsizetype offset = 0;
    const std::optional<QString> boardPath = counted(payload, offset, false);
    if (!boardPath || payload.size() - offset < 2)
        return {};
    const qsizetype length = BoardBytes::read<uint16_t>(payload, offset);
    offset += 2;
    if (payload.size() - offset != length) {
        qCDebug(lcBoardFiles) << "An upload declares" << length << "bytes and carries" << payload.size() - offset;
        return {};
    }
    const std::optional<QString> local = localPath(*boardPath);
    QFile file(local.value_or(QString()));
    if (!local || !file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(payload.constData() + offset, length) != length)
        return {};
    return {Success, QByteArray()};
}

BoardFileService::Reply BoardFileService::remove(const QString &boardPath, bool directory) const
{
    const std::optional<QString> local = localPath(boardPath);
    if (!local)
        return {};
    const QFileInfo info(*local);
    const bool removed = directory ? info.isDir() && QDir().rmdir(*local) : info.isFile() && QFile::remove(*local);
    return {removed ? Success : Failure, boardPath.toUtf8()};
}

BoardFileService::Reply BoardFileService::rename(const QByteArray &payload, bool directory) const
{
    qsizetype offset = 0;
    const std::optional<QString> boardPath = counted(payload, offset, true);
    const std::optional<QString> newName = boardPath ? counted(payload, offset, true) : std::nullopt;
    if (!newName)
        return {};
    const QString newBoardPath = newName->startsWith(QLatin1Char('/'))
                                     ? *newName
                                     : parentOf(*boardPath) + QLatin1Char('/') + *newName;
    const std::optional<QString> from = localPath(*boardPath);
    const std::optional<QString> to = localPath(newBoardPath);
    if (!from || !to || QFileInfo::exists(*to))
        return {};
    const QFileInfo info(*from);
    const bool renamed = directory ? info.isDir() && QDir().rename(*from, *to)
                                   : info.isFile() && QFile::rename(*from, *to);
    return {renamed ? Success : Failure, newBoardPath.toUtf8()};
}

BoardFileService::Reply BoardFileService::list(const QString &boardPath) const
{
    const std::optional<QString> local = localPath(boardPath);
    if (!local || !QFileInfo(*local).isDir())
        return {};
    QByteArray entries;
    const QFileInfoList infos = QDir(*local).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                                                           QDir::Name);
    for (const QFileInfo &info : infos) {
        const QByteArray name = info.fileName().toUtf8();
        BoardBytes::append<int64_t>(entries, info.lastModified().toSecsSinceEpoch());
        BoardBytes::append<int32_t>(entries, info.isDir() ? 0 : int32_t(info.size()));
        BoardBytes::append<int16_t>(entries, info.isDir() ? EntryDirectory : EntryFile);
        BoardBytes::append<uint16_t>(entries, uint16_t(name.size()));
        entries.append(name);
    }
    if (m_fault == Fault::TruncatedListing && !entries.isEmpty())
        entries.chop(3);
    return {Success, entries};
}

BoardFileService::Reply BoardFileService::makeDir(const QString &boardPath) const
{
    const std::optional<QString> local = localPath(boardPath);
    if (!local)
        return {};
    return {QDir().mkdir(*local) ? Success : Failure, boardPath.toUtf8()};
}

BoardFileService::Reply BoardFileService::storage() const
{
    Storage storage;
    if (m_storage) {
        storage = *m_storage;
    } else if (!m_root.isEmpty()) {
        const QStorageInfo info(m_root);
        storage.total = uint64_t(info.bytesTotal());
        storage.free = uint64_t(info.bytesAvailable());
        storage.status = MountedStatus;
    } else {
        return {};
    }
    QByteArray payload;
    BoardBytes::append<uint64_t>(payload, storage.total);
    BoardBytes::append<uint64_t>(payload, storage.free);
    BoardBytes::append<uint32_t>(payload, storage.status);
    return {Success, payload};
}
