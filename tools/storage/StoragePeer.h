#pragma once

#include <QDir>
#include <QHostAddress>
#include <QSslConfiguration>
#include <QStringList>
#include <QTcpServer>
#include <QUrl>

#include <chrono>
#include <optional>

// A stand-in for the maker's download storage: serves the files below a root folder
// over HTTP/1.1, or HTTPS when given a TLS configuration, and shows the failures the
// real storage and the network between can show.
//
// Requests are "GET /<path>", answered from <root>/<path>. A missing file gets the
// storage's XML error document (404, code "BlobNotFound"). A path that starts with
// "fault/<kind>/" is answered from the rest of the path, with this failure:
//   notype   200 without a Content-Type header
//   empty    200 with an empty body
//   html500  500 with an HTML page
//   cut      the full Content-Length announced, half the body sent, then closed
//   slow     the body (or the error document) in small pieces with pauses between
//   stall    the headers and one piece, then nothing more on an open connection
// So a client whose base address is <peer>/fault/cut/ sees every file cut short.
class StoragePeer : public QTcpServer
{
    Q_OBJECT

public:
    explicit StoragePeer(const QString &rootFolder, QObject *parent = nullptr);

    // Serves HTTPS with this configuration (certificate and private key) from now on.
    void setTlsConfiguration(const QSslConfiguration &configuration);
    bool isTls() const { return m_tls.has_value(); }

    // Starts listening; port 0 picks a free one. Loopback by default.
    bool start(const QHostAddress &address = QHostAddress::LocalHost, quint16 port = 0);

    // "http://127.0.0.1:<port>/" (or https), to use as the client's base address.
    QUrl baseUrl() const;
    // The same base with the failure of one kind applied to every path below it.
    QUrl faultUrl(const QString &kind) const;

    // How "slow" answers are paced.
    void setSlowPace(qint64 pieceSize, std::chrono::milliseconds interval);
    qint64 slowPieceSize() const { return m_slowPieceSize; }
    std::chrono::milliseconds slowInterval() const { return m_slowInterval; }

    const QDir &root() const { return m_root; }

    // Every request path received so far, in order of arrival (percent-decoded).
    QStringList requests() const { return m_requests; }
    int requestCount(const QString &path) const { return int(m_requests.count(path)); }
    void clearRequests() { m_requests.clear(); }

signals:
    void requestReceived(const QString &path);

protected:
    void incomingConnection(qintptr socketDescriptor) override;

private:
    friend class StorageConnection;
    void recordRequest(const QString &path);

    QDir m_root;
    std::optional<QSslConfiguration> m_tls;
    QStringList m_requests;
    qint64 m_slowPieceSize = 64;
    std::chrono::milliseconds m_slowInterval{20};
};
