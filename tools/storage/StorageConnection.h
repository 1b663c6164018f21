#pragma once

#include <QByteArray>
#include <QFile>
#include <QObject>
#include <QTimer>

#include <memory>

class QTcpSocket;
class StoragePeer;

// One client connection of the storage peer: reads one request, sends one answer
// (streamed from disk, paced or cut as its path asks) and closes.
class StorageConnection : public QObject
{
    Q_OBJECT

public:
    StorageConnection(QTcpSocket *socket, StoragePeer *peer);

private:
    enum class Fault { None, NoType, Empty, Html500, Cut, Slow, Stall };

    void readRequest();
    void answer(const QByteArray &method, const QString &path);
    void sendHead(int status, const QByteArray &reason, qint64 length, const QByteArray &contentType);
    void sendBody();
    void finishBody();
    bool sendFromQueue(qint64 limit);

    QTcpSocket *m_socket;
    StoragePeer *m_peer;
    QByteArray m_request;
    bool m_answered = false;
    bool m_closing = false;

    Fault m_fault = Fault::None;
    // The body comes either from a file or from memory (error pages).
    std::unique_ptr<QFile> m_file;
    QByteArray m_memoryBody;
    qint64 m_bodyLeft = 0;
    QTimer m_paceTimer;
};
