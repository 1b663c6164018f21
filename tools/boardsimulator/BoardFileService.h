#pragma once

#include "BoardChannel.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <cstdint>
#include <optional>

// The board's file service on channel 9, serving a folder of this computer as the
// board's file system: board paths are taken below the folder, and none may leave it.
// A message in either direction is a 7-byte header (u32 length of the whole
// message, u16 command, u8 response: 0 in requests, 1 success) and a payload; it may
// span several payloads, which the board collects by the length.
//
// A download into a file is answered with a message carrying the file header and
// the first data, then messages of data alone.
class BoardFileService : public BoardChannel
{
    Q_OBJECT

public:
    static constexpr uint16_t Number = 9;
    static constexpr uint8_t Success = 1;
    static constexpr uint8_t Failure = 2;
    static constexpr qsizetype DefaultDownloadChunk = 16 * 1024;
    // The file-system status of a mounted file system, as the program's log list expects it.
    static constexpr uint32_t MountedStatus = 2;

    enum Command : uint16_t {
        DownloadToBuffer = 1,
        Download = 2,
        Upload = 3,
        RemoveFile = 4,
        RenameFile = 5,
        ListDir = 6,
        MakeDir = 7,
        RemoveDir = 8,
        RenameDir = 9,
        AvailableStorage = 10,
    };

    // What the board does to its replies, to test how the host copes.
    enum class Fault {
        None,
        ErrorResponse,    // every request fails with response 2
        Silent,           // no replies at all
        ZeroLength,       // the reply's length field says 0
        HugeLength,       // the reply's length field says 0xFFFFFFFF
        ExtraData,        // a download carries 100 bytes more than the file has
        StopMidway,       // a download stops after its first message
        TruncatedHeader,  // a download's first message ends inside the file header
        TruncatedListing, // a listing ends inside its last entry
    };

    // A file-system state the board reports with the free storage.
    struct Storage
    {
        uint64_t total = 0;
        uint64_t free = 0;
        uint32_t status = 0;
    };

    explicit BoardFileService(BoardSimulator *board, const QString &rootFolder = QString());

    void handleMessage(BoardLink *link, const QByteArray &payload, bool reliable) override;
    void linkDetached(BoardLink *link) override;

    QString rootFolder() const { return m_root; }
    void setRootFolder(const QString &folder) { m_root = folder; }
    void setFault(Fault fault) { m_fault = fault; }
    // Data bytes in each message of a download into a file.
    void setDownloadChunk(qsizetype bytes) { m_downloadChunk = qMax<qsizetype>(1, bytes); }
    // Without a storage set, the folder's own file system is reported, as mounted.
    void setStorage(const Storage &storage) { m_storage = storage; }

    // The whole request messages received, in order.
    const QList<QByteArray> &requests() const { return m_requests; }
    int rejectedMessages() const { return m_rejected; }

private:
    struct Reply
    {
        uint8_t response = Failure;
        QByteArray payload;
    };

    void handleRequest(BoardLink *link, const QByteArray &message);
    void sendMessage(BoardLink *link, uint16_t command, uint8_t response, const QByteArray &payload);
    // The local path of a board path, or nothing when it would leave the folder.
    std::optional<QString> localPath(const QString &boardPath) const;
    Reply downloadToBuffer(const QString &boardPath) const;
    void download(BoardLink *link, const QString &boardPath);
    Reply upload(const QByteArray &payload) const;
    Reply remove(const QString &boardPath, bool directory) const;
    Reply rename(const QByteArray &payload, bool directory) const;
    Reply list(const QString &boardPath) const;
    Reply makeDir(const QString &boardPath) const;
    Reply storage() const;
    QByteArray fileHeader(const QString &localFile, const QString &boardPath, qint64 size) const;

    QString m_root;
    Fault m_fault = Fault::None;
    qsizetype m_downloadChunk = DefaultDownloadChunk;
    std::optional<Storage> m_storage;
    QHash<BoardLink *, QByteArray> m_pending;
    QList<QByteArray> m_requests;
    int m_rejected = 0;
};
