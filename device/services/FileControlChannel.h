#pragma once

#include "AbstractService.h"
#include "FileControlMessage.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QMetaType>
#include <QString>

#include <cstdint>
#include <memory>

class QFile;

// The board's file system over channel 9: listing directories, downloading files
// into local files or into memory, uploading small files, removing and renaming
// files and directories, and the free storage. Each request slot has a reply signal.
//
// A message may span several payloads in either direction: replies are collected
// until their declared length has arrived. All replies share one receive buffer,
// so callers send a request only after the previous one was answered; one download
// into a file may run while other requests are answered.
//
// Besides the board's own response codes (1 success, others failure) the reply
// signals carry the codes 0xFD to 0xFF for failures found on this side.
class FileControlChannel : public AbstractService
{
    Q_OBJECT

public:
    static constexpr DatalinkChannelId Channel = 9;

    enum CommandCode : uint16_t {
        DownloadFileToBuf = 1,
        DownloadFile = 2,
        UploadFile = 3,
        RemoveFile = 4,
        RenameFile = 5,
        ListDir = 6,
        MakeDir = 7,
        RemoveDir = 8,
        RenameDir = 9,
        GetAvailableStorage = 10,
    };
    Q_ENUM(CommandCode)

    enum ResponseCode : uint8_t {
        Request = 0, // every request carries it
        Success = 1,
        // Failures found on this side, never sent by a board:
        LocalFileError = 0xFD,  // the output file could not be opened or written
        ReplyUnreadable = 0xFE, // the reply was corrupt or cut short
        RequestRefused = 0xFF,  // the request was not sent: it does not fit its fields
    };
    Q_ENUM(ResponseCode)

    // One entry of a board directory listing.
    struct DirEntry
    {
        QDateTime modified;
        uint16_t type = 0; // the board's kind of entry; RegularFile for a file
        uint32_t size = 0;
        QString name;

        static constexpr uint16_t RegularFile = 8;

        friend bool operator==(const DirEntry &, const DirEntry &) = default;
    };

    // The largest reply accepted. A declared length beyond it can only come from a
    // corrupt message; waiting for it would swallow every later reply.
    static constexpr qsizetype MaxMessageSize = 16 * 1024 * 1024;
    // An upload declares its data length in 16 bits.
    static constexpr qsizetype MaxUploadSize = 0xFFFF;

    FileControlChannel(QObject *parent, DatalinkManager *manager);
    ~FileControlChannel() override;

    bool isDownloading() const { return m_download != nullptr; }

    // The entries of a listing payload in payload order. A cut-off last entry ends the
    // list; complete (when given) tells whether the whole payload was read.
    static QList<DirEntry> parseDirEntries(QByteArrayView payload, bool *complete = nullptr);

public slots:
    void downloadFileToBuf(QString filePath);
    // 0 when the request was sent; -1 when a file exists at outputFilePath or a
    // download runs already (nothing is sent then).
    int downloadFile(QString filePath, QString outputFilePath);
    void uploadFile(QString filePath, QByteArray fileData);
    void removeFile(QString filePath);
    void renameFile(QString filePath, QString newName);
    void listDir(QString filePath);
    void makeDir(QString filePath);
    void removeDir(QString filePath);
    void renameDir(QString filePath, QString newName);
    void getAvailableStorage();

signals:
    void DownloadFileToBufReceived(FileControlChannel::ResponseCode response, FileControlChannel::DirEntry metaData,
                                   QByteArray fileData);
    void DownloadFileReceived(FileControlChannel::ResponseCode response, QString outputFilePath);
    // The share of the download written so far (0.0 to 1.0) and the local file's name.
    void Progress(float progress, QString fileName);
    void UploadFileReceived(FileControlChannel::ResponseCode response);
    void RemoveFileReceived(FileControlChannel::ResponseCode response, QString removedFilePath);
    void RenameFileReceived(FileControlChannel::ResponseCode response, QString renamedFilePath);
    void ListDirReceived(FileControlChannel::ResponseCode response, QList<FileControlChannel::DirEntry> dirEntries);
    void MakeDirReceived(FileControlChannel::ResponseCode response, QString createdDir);
    void RemoveDirReceived(FileControlChannel::ResponseCode response, QString removedDirPath);
    void RenameDirReceived(FileControlChannel::ResponseCode response, QString renamedDirPath);
    void GetAvailableStorageReceived(FileControlChannel::ResponseCode response, qulonglong totalSize,
                                     qulonglong freeSize, filectrlpayload::AvailableStorage::FSStatus status);

protected:
    // Builds the message and sends it, in as many payloads as it needs.
    void sendPacket(CommandCode cmd, ResponseCode rsp, QByteArray payload = QByteArray());

protected slots:
    void dataReady(QByteArray packet) override;
    void start() override {}
    void pause() override {}
    void initialize() override {}

private:
    struct Download;

    void dispatch(uint16_t command, ResponseCode response, const QByteArray &payload);
    // Emits the reply signal of command with a failure and no data.
    void failRequest(uint16_t command, ResponseCode response);
    void sendRename(CommandCode cmd, const QString &filePath, const QString &newName);
    void handleDownloadToBuf(ResponseCode response, const QByteArray &payload);
    void handleDownloadReply(ResponseCode response, const QByteArray &payload);
    bool beginDownloadFile(const QByteArray &payload, QByteArrayView *data);
    void writeDownloadData(QByteArrayView data);
    void logDownloadRate();
    void completeDownload();
    void failDownload(ResponseCode response);

    QByteArray m_receiveBuffer;
    std::unique_ptr<Download> m_download;
};

Q_DECLARE_METATYPE(FileControlChannel::DirEntry)
