#include "FileControlChannel.h"

#include "PacketFrame.h"

#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcFileControl, "Device.FileControlChannel")

using namespace filectrlpayload;

// The download into a file that is in progress.
struct FileControlChannel::Download
{
    explicit Download(const QString &outputFilePath)
        : file(outputFilePath)
    {
    }

    QFile file;     // opened with the first reply that carries data
    DirEntry entry; // what the board said about the file
    qint64 written = 0;
    int loggedPercent = 0;
    QDateTime rateTime;
    qint64 rateBytes = 0;
};

FileControlChannel::FileControlChannel(QObject *parent, DatalinkManager *manager)
    : AbstractService(parent, Channel, true, manager)
{
    qRegisterMetaType<QList<FileControlChannel::DirEntry>>("QList<DirEntry>");
    qRegisterMetaType<FileControlChannel::DirEntry>("FileControlChannel::DirEntry");
    qRegisterMetaType<FileControlChannel::ResponseCode>("FileControlChannel::ResponseCode");
    qRegisterMetaType<AvailableStorage::FSStatus>("filectrlpayload::AvailableStorage::FSStatus");
}

// A download still running leaves its partly written file behind, closed.
FileControlChannel::~FileControlChannel() = default;

QList<FileControlChannel::DirEntry> FileControlChannel::parseDirEntries(QByteArrayView payload, bool *complete)
{
    QList<DirEntry> entries;
    ByteReader reader(payload);
    while (!reader.atEnd()) {
        const std::optional<ListingEntry> entry = ListingEntry::read(reader);
        if (!entry) {
            if (complete)
                *complete = false;
            return entries;
        }
        entries.append({QDateTime::fromSecsSinceEpoch(entry->time, Qt::UTC), uint16_t(entry->type),
                        uint32_t(entry->size), entry->name});
    }
    if (complete)
        *complete = true;
    return entries;
}

void FileControlChannel::sendPacket(CommandCode cmd, ResponseCode rsp, QByteArray payload)
{
    const QByteArray message = buildMessage(cmd, rsp, payload);
    // The board collects a message by its length, as this side does with replies.
    for (qsizetype offset = 0; offset < message.size(); offset += PacketFrame::MaxPayloadSize)
        sendPayload(message.mid(offset, PacketFrame::MaxPayloadSize));
}

void FileControlChannel::downloadFileToBuf(QString filePath)
{
    QByteArray payload;
    appendTerminated(payload, filePath);
    sendPacket(DownloadFileToBuf, Request, payload);
}

int FileControlChannel::downloadFile(QString filePath, QString outputFilePath)
{
    if (m_download) {
        qCDebug(lcFileControl) << "A download is in progress already; refusing" << filePath;
        return -1;
    }
    if (QFileInfo::exists(outputFilePath)) {
        qCDebug(lcFileControl) << "The output file exists already:" << outputFilePath;
        return -1;
    }
    QByteArray payload;
    appendTerminated(payload, filePath);
    sendPacket(DownloadFile, Request, payload);
    m_download = std::make_unique<Download>(outputFilePath);
    return 0;
}

void FileControlChannel::uploadFile(QString filePath, QByteArray fileData)
{
    QByteArray payload;
    if (fileData.size() > MaxUploadSize || !appendCounted(payload, filePath, false)) {
        qCWarning(lcFileControl) << "Refusing to upload" << fileData.size() << "bytes to" << filePath << "- at most"
                                 << MaxUploadSize << "bytes fit one upload";
        emit UploadFileReceived(RequestRefused);
        return;
    }
    const uint16_t length = qToLittleEndian(uint16_t(fileData.size()));
    payload.append(reinterpret_cast<const char *>(&length), 2);
    payload.append(fileData);
    sendPacket(UploadFile, Request, payload);
}

void FileControlChannel::removeFile(QString filePath)
{
    QByteArray payload;
    appendTerminated(payload, filePath);
    sendPacket(RemoveFile, Request, payload);
}

void FileControlChannel::renameFile(QString filePath, QString newName)
{
    sendRename(RenameFile, filePath, newName);
}

void FileControlChannel::listDir(QString filePath)
{
    QByteArray payload;
    appendTerminated(payload, filePath);
    sendPacket(ListDir, Request, payload);
}

void FileControlChannel::makeDir(QString filePath)
{
    QByteArray payload;
    appendTerminated(payload, filePath);
    sendPacket(MakeDir, Request, payload);
}

void FileControlChannel::removeDir(QString filePath)
{
    QByteArray payload;
    appendTerminated(payload, filePath);
    sendPacket(RemoveDir, Request, payload);
}

void FileControlChannel::renameDir(QString filePath, QString newName)
{
    sendRename(RenameDir, filePath, newName);
}

void FileControlChannel::getAvailableStorage()
{
    sendPacket(GetAvailableStorage, Request);
}

void FileControlChannel::sendRename(CommandCode cmd, const QString &filePath, const QString &newName)
{
    QByteArray payload;
    if (!appendCounted(payload, filePath, true) || !appendCounted(payload, newName, true)) {
        qCWarning(lcFileControl) << "Refusing to rename: a path is longer than 65535 characters";
        failRequest(cmd, RequestRefused);
        return;
    }
    sendPacket(cmd, Request, payload);
}

void FileControlChannel::dataReady(QByteArray packet)
{
    m_receiveBuffer.append(packet);
    if (m_receiveBuffer.size() < MessageHeader::Size)
        return;

    const MessageHeader header = MessageHeader::read(m_receiveBuffer.constData());
    if (header.length < MessageHeader::Size || header.length > MaxMessageSize) {
        qCDebug(lcFileControl) << "Corrupt data";
        qCWarning(lcFileControl) << "Dropping a file-service reply that declares" << header.length
                                 << "bytes for command" << header.command;
        m_receiveBuffer.clear();
        failRequest(header.command, ReplyUnreadable);
        return;
    }
    if (m_receiveBuffer.size() < qsizetype(header.length))
        return;

    // The board sends each message in payloads of its own, so bytes past the declared
    // length are not the start of another message; they go with the payload.
    if (m_receiveBuffer.size() > qsizetype(header.length))
        qCDebug(lcFileControl) << m_receiveBuffer.size() - qsizetype(header.length)
                               << "bytes past the declared length of a reply to command" << header.command;
    const QByteArray payload = m_receiveBuffer.sliced(MessageHeader::Size);
    m_receiveBuffer.clear();
    dispatch(header.command, ResponseCode(header.response), payload);
}

void FileControlChannel::dispatch(uint16_t command, ResponseCode response, const QByteArray &payload)
{
    switch (command) {
    case DownloadFileToBuf:
        handleDownloadToBuf(response, payload);
        break;
    case DownloadFile:
        handleDownloadReply(response, payload);
        break;
    case UploadFile:
        emit UploadFileReceived(response);
        break;
    case RemoveFile:
        emit RemoveFileReceived(response, QString::fromUtf8(payload));
        break;
    case RenameFile:
        emit RenameFileReceived(response, QString::fromUtf8(payload));
        break;
    case ListDir: {
        bool complete = true;
        const QList<DirEntry> entries = parseDirEntries(payload, &complete);
        if (!complete)
            qCWarning(lcFileControl) << "A directory listing ends inside an entry; keeping the" << entries.size()
                                     << "entries before it";
        emit ListDirReceived(response, entries);
        break;
    }
    case MakeDir:
        emit MakeDirReceived(response, QString::fromUtf8(payload));
        break;
    case RemoveDir:
        emit RemoveDirReceived(response, QString::fromUtf8(payload));
        break;
    case RenameDir:
        emit RenameDirReceived(response, QString::fromUtf8(payload));
        break;
    case GetAvailableStorage: {
        const AvailableStorage storage = AvailableStorage::read(payload);
        emit GetAvailableStorageReceived(response, storage.totalSize, storage.freeSize, storage.status);
        break;
    }
    default:
        qCDebug(lcFileControl) << "Dropping a reply to the unknown command" << command;
        break;
    }
}

void FileControlChannel::failRequest(uint16_t command, ResponseCode response)
{
    switch (command) {
    case DownloadFileToBuf:
        emit DownloadFileToBufReceived(response, DirEntry(), QByteArray());
        break;
    case DownloadFile:
        if (m_download)
            failDownload(response);
        break;
    case UploadFile:
        emit UploadFileReceived(response);
        break;
    case RemoveFile:
        emit RemoveFileReceived(response, QString());
        break;
    case RenameFile:
        emit RenameFileReceived(response, QString());
        break;
    case ListDir:
        emit ListDirReceived(response, {});
        break;
    case MakeDir:
        emit MakeDirReceived(response, QString());
        break;
    case RemoveDir:
        emit RemoveDirReceived(response, QString());
        break;
    case RenameDir:
        emit RenameDirReceived(response, QString());
        break;
    case GetAvailableStorage:
        emit GetAvailableStorageReceived(response, 0, 0, AvailableStorage::FSStatus(0));
        break;
    default:
        break;
    }
}

void FileControlChannel::handleDownloadToBuf(ResponseCode response, const QByteArray &payload)
{
    if (response != Success) {
        emit DownloadFileToBufReceived(response, DirEntry(), QByteArray());
        return;
    }
    ByteReader reader(payload);
    const std::optional<FileHeader> header = FileHeader::read(reader);
    if (!header) {
        qCWarning(lcFileControl) << "A downloaded file's header is cut short";
        emit DownloadFileToBufReceived(ReplyUnreadable, DirEntry(), QByteArray());
        return;
    }
    const DirEntry entry{QDateTime::fromSecsSinceEpoch(header->time, Qt::UTC), DirEntry::RegularFile, header->size,
                         header->name};
    emit DownloadFileToBufReceived(Success, entry, reader.rest().toByteArray());
}

void FileControlChannel::handleDownloadReply(ResponseCode response, const QByteArray &payload)
{
    if (!m_download) {
        qCDebug(lcFileControl) << "Ignoring download data: no download is in progress";
        return;
    }
    if (response != Success) {
        failDownload(response);
        return;
    }
    QByteArrayView data = payload;
    if (!m_download->file.isOpen() && !beginDownloadFile(payload, &data))
        return;
    writeDownloadData(data);
}

bool FileControlChannel::beginDownloadFile(const QByteArray &payload, QByteArrayView *data)
{
    ByteReader reader(payload);
    const std::optional<FileHeader> header = FileHeader::read(reader);
    if (!header) {
        qCWarning(lcFileControl) << "The first reply of a download is shorter than its file header";
        failDownload(ReplyUnreadable);
        return false;
    }
    Download &download = *m_download;
    download.entry = {QDateTime::fromSecsSinceEpoch(header->time, Qt::UTC), DirEntry::RegularFile, header->size,
                      header->name};
    *data = reader.rest();
    if (!download.file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        qCWarning(lcFileControl) << "Cannot write the download to" << download.file.fileName() << ":"
                                 << download.file.errorString();
        failDownload(LocalFileError);
        return false;
    }
    download.loggedPercent = 0;
    download.rateBytes = 0;
    download.rateTime = QDateTime::currentDateTime();
    qCDebug(lcFileControl).noquote() << 0 << "%   " << download.written << "/" << download.entry.size;
    return true;
}

void FileControlChannel::writeDownloadData(QByteArrayView data)
{
    Download &download = *m_download;
    const qint64 expected = download.entry.size;
    const qint64 wanted = qMin<qint64>(data.size(), expected - download.written);
    if (wanted < data.size())
        qCWarning(lcFileControl) << "The board sent" << data.size() - wanted << "bytes more than the" << expected
                                 << "bytes of" << download.entry.name << "; dropping them";
    if (wanted > 0 && download.file.write(data.data(), wanted) != wanted) {
        qCWarning(lcFileControl) << "Writing the download to" << download.file.fileName()
                                 << "failed:" << download.file.errorString();
        failDownload(LocalFileError);
        return;
    }
    download.written += wanted;

    // An empty file is complete as soon as its header has come.
    const float progress = expected > 0 ? float(download.written) / float(expected) : 1.0f;
    emit Progress(progress, download.file.fileName());
    if (expected > 0)
        logDownloadRate();
    if (download.written >= expected)
        completeDownload();
}

void FileControlChannel::logDownloadRate()
{
    Download &download = *m_download;
    const qint64 expected = download.entry.size;
    const int percent = int(double(download.written) / double(expected) * 100.0);
    if (percent <= download.loggedPercent)
        return;
    download.loggedPercent = percent;
    const QDateTime now = QDateTime::currentDateTime();
    const qint64 elapsedMs = qMax<qint64>(1, download.rateTime.msecsTo(now));
    const qint64 rate = qint64(double(download.written - download.rateBytes) / (double(elapsedMs) / 1000.0)) / 1024;
    qCDebug(lcFileControl).noquote() << percent << "%   " << rate << "kB/s.   (" << download.written / 1024 << "Kb /"
                                     << (expected >> 10) << "Kb )";
    download.rateTime = now;
    download.rateBytes = download.written;
}

void FileControlChannel::completeDownload()
{
    std::unique_ptr<Download> download = std::move(m_download);
    qCDebug(lcFileControl) << "Download" << download->entry.name << "completed";
    QFile &file = download->file;
    // The times must be set after the data is flushed, or the flush moves them again.
    // Not every file system keeps a birth time; the modification time is always set.
    if (!file.flush()) {
        qCWarning(lcFileControl) << "Writing the download to" << file.fileName() << "failed:" << file.errorString();
        m_download = std::move(download);
        failDownload(LocalFileError);
        return;
    }
    file.setFileTime(download->entry.modified, QFileDevice::FileBirthTime);
    file.setFileTime(download->entry.modified, QFileDevice::FileModificationTime);
    file.close();
    emit DownloadFileReceived(Success, QFileInfo(file).absoluteFilePath());
}

void FileControlChannel::failDownload(ResponseCode response)
{
    std::unique_ptr<Download> download = std::move(m_download);
    // A file cut short must not pass for the board's file.
    if (download->file.isOpen()) {
        download->file.close();
        download->file.remove();
    }
    emit DownloadFileReceived(response, QString());
}
