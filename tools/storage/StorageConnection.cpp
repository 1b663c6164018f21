#include "StorageConnection.h"

#include "StoragePeer.h"

#include <QFileInfo>
#include <QTcpSocket>
#include <QUrl>

namespace {

constexpr qsizetype kRequestHeadLimit = 16 * 1024;
constexpr qint64 kStreamPiece = 64 * 1024;
constexpr qint64 kStreamBacklog = 256 * 1024;

const QByteArray kOctetStream = QByteArrayLiteral("application/octet-stream");

QByteArray storageErrorDocument(const QByteArray &code, const QByteArray &message)
{
    return QByteArrayLiteral("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?><Error><Code>") + code
           + QByteArrayLiteral("</Code><Message>") + message
           + QByteArrayLiteral("\nRequestId:7f3c2a1e-0000-0000-0000-000000000000\nTime:2024-01-01T00:00:00.0000000Z"
                               "</Message></Error>");
}

const QByteArray kHtmlErrorPage = QByteArrayLiteral(
    "<!DOCTYPE html>\n<html><head><title>500 Internal Server Error</title></head>\n"
    "<body><h1>Internal Server Error</h1><p>The server could not complete the request.</p></body></html>\n");

} // namespace

StorageConnection::StorageConnection(QTcpSocket *socket, StoragePeer *peer)
    : QObject(peer)
    , m_socket(socket)
    , m_peer(peer)
{
    socket->setParent(this);
    connect(socket, &QTcpSocket::readyRead, this, &StorageConnection::readRequest);
    connect(socket, &QTcpSocket::disconnected, this, &QObject::deleteLater);
    connect(socket, &QTcpSocket::bytesWritten, this, [this] {
        if (m_fault != Fault::Slow && m_fault != Fault::Stall)
            sendBody();
    });
    connect(&m_paceTimer, &QTimer::timeout, this, &StorageConnection::sendBody);
    if (socket->state() != QAbstractSocket::ConnectedState)
        deleteLater();
}

void StorageConnection::readRequest()
{
    if (m_answered) {
        m_socket->readAll();
        return;
    }
    m_request.append(m_socket->readAll());
    const qsizetype headEnd = m_request.indexOf("\r\n\r\n");
    if (headEnd < 0) {
        if (m_request.size() > kRequestHeadLimit) {
            m_answered = true;
            sendHead(400, "Bad Request", 0, {});
            finishBody();
        }
        return;
    }
    m_answered = true;
    const QList<QByteArray> requestLine = m_request.left(m_request.indexOf("\r\n")).split(' ');
    if (requestLine.size() != 3 || !requestLine.at(2).startsWith("HTTP/1.")) {
        sendHead(400, "Bad Request", 0, {});
        finishBody();
        return;
    }
    QByteArray target = requestLine.at(1);
    target = target.left(target.indexOf('?') < 0 ? target.size() : target.indexOf('?'));
    answer(requestLine.at(0), QUrl::fromPercentEncoding(target));
}

void StorageConnection::answer(const QByteArray &method, const QString &path)
{
    m_peer->recordRequest(path);
    if (method != "GET" && method != "HEAD") {
        sendHead(405, "Method Not Allowed", 0, {});
        finishBody();
        return;
    }

    QString blob = path.mid(1);
    if (blob.startsWith(QLatin1String("fault/"))) {
        const QString kind = blob.section(QLatin1Char('/'), 1, 1);
        blob = blob.section(QLatin1Char('/'), 2);
        static const QHash<QString, Fault> kinds{
            {QStringLiteral("notype"), Fault::NoType},   {QStringLiteral("empty"), Fault::Empty},
            {QStringLiteral("html500"), Fault::Html500}, {QStringLiteral("cut"), Fault::Cut},
            {QStringLiteral("slow"), Fault::Slow},       {QStringLiteral("stall"), Fault::Stall}};
        m_fault = kinds.value(kind, Fault::None);
    }

    const QString rootPath = m_peer->root().canonicalPath();
    const QFileInfo info(m_peer->root().filePath(blob));
    const bool insideRoot = info.canonicalFilePath().startsWith(rootPath + QLatin1Char('/'));

    int status = 200;
    QByteArray reason = "OK";
    QByteArray contentType = kOctetStream;
    qint64 announced = 0;
    if (m_fault == Fault::Html500) {
        status = 500;
        reason = "Internal Server Error";
        contentType = "text/html";
        m_memoryBody = kHtmlErrorPage;
        announced = m_memoryBody.size();
    } else if (!insideRoot || !info.isFile()) {
        status = 404;
        reason = "The specified blob does not exist.";
        contentType = "application/xml";
        m_memoryBody = storageErrorDocument("BlobNotFound", "The specified blob does not exist.");
        announced = m_memoryBody.size();
    } else if (m_fault != Fault::Empty) {
        m_file = std::make_unique<QFile>(info.canonicalFilePath());
        if (!m_file->open(QIODevice::ReadOnly)) {
            m_file.reset();
            sendHead(403, "Forbidden", 0, {});
            finishBody();
            return;
        }
        announced = m_file->size();
    }
    if (m_fault == Fault::NoType)
        contentType.clear();

    m_bodyLeft = m_fault == Fault::Cut ? announced / 2 : announced;
    sendHead(status, reason, announced, contentType);
    if (method == "HEAD")
        m_bodyLeft = 0;

    if (m_fault == Fault::Slow || m_fault == Fault::Stall)
        m_paceTimer.start(m_peer->slowInterval());
    sendBody();
}

void StorageConnection::sendHead(int status, const QByteArray &reason, qint64 length, const QByteArray &contentType)
{
    QByteArray head = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason + "\r\n";
    head += "Content-Length: " + QByteArray::number(length) + "\r\n";
    if (!contentType.isEmpty())
        head += "Content-Type: " + contentType + "\r\n";
    head += "Connection: close\r\n\r\n";
    m_socket->write(head);
}

bool StorageConnection::sendFromQueue(qint64 limit)
{
    const qint64 size = qMin(limit, m_bodyLeft);
    QByteArray piece;
    if (m_file) {
        piece = m_file->read(size);
    } else {
        const qint64 offset = m_memoryBody.size() - m_bodyLeft;
        piece = m_memoryBody.mid(offset, size);
    }
    if (piece.isEmpty())
        return false;
    m_socket->write(piece);
    m_bodyLeft -= piece.size();
    return true;
}

void StorageConnection::sendBody()
{
    if (m_closing || m_socket->state() != QAbstractSocket::ConnectedState)
        return;
    switch (m_fault) {
    case Fault::Slow:
        if (m_bodyLeft > 0 && sendFromQueue(m_peer->slowPieceSize()))
            return;
        break;
    case Fault::Stall:
        // One piece, then silence on an open connection.
        if (m_paceTimer.isActive()) {
            m_paceTimer.stop();
            sendFromQueue(m_peer->slowPieceSize());
        }
        return;
    default:
        while (m_bodyLeft > 0 && m_socket->bytesToWrite() < kStreamBacklog) {
            if (!sendFromQueue(kStreamPiece))
                break;
        }
        if (m_bodyLeft > 0 && m_socket->bytesToWrite() > 0)
            return;
        break;
    }
    finishBody();
}

void StorageConnection::finishBody()
{
    m_closing = true;
    m_paceTimer.stop();
    m_bodyLeft = 0;
    // Waits until everything written has left, then closes.
    m_socket->disconnectFromHost();
}
