#pragma once

#include <QObject>
#include <QUrl>

#include <optional>

class QLocalServer;
class QLocalSocket;

// The single-instance guard. The first instance of the program owns a local server;
// a later instance started with a link hands the link over to it and ends.
//
// The server is reachable by this user only: its socket lies in the user's runtime
// folder and its file is the user's alone, so no other local user can hand links
// (such as a binary to flash) to this user's instance, and two users' instances
// never meet.
//
// Main thread only. The probe at construction and the hand-over block for at most
// kTimeoutMs per step, before the event loop runs.
class UriHandler : public QObject
{
    Q_OBJECT

public:
    static constexpr int kTimeoutMs = 1000;
    // A link is a few hundred bytes; a connection that sends more than this is no
    // instance of this program and is cut.
    static constexpr qint64 kMaxMessageBytes = 64 * 1024;

    UriHandler(const QString &scheme, QObject *parent = nullptr);
    ~UriHandler() override;

    // The socket both ends use for the scheme.
    static QString serverName(const QString &scheme);

    bool ownsServer() const { return m_server != nullptr; }

    // The command-line text as a URL (as typed by a user), then handleUri.
    bool handleUriArgument(const QString &text);
    // True when the URL is of this scheme and was taken: emitted by the owner of the
    // server, or written whole to the running instance's socket by any other.
    bool handleUri(const QUrl &url);

    // A link from the first instance's own command line, delivered once the
    // application object exists.
    void setPendingUri(const QUrl &url) { m_pendingUri = url; }
    const std::optional<QUrl> &pendingUri() const { return m_pendingUri; }
    // Emits the pending link, if there is one.
    void deliverPendingUri();

signals:
    void appCalled(QUrl url);

public slots:
    void onNewConnection();

private:
    void setupLocalServer();
    bool forward(const QUrl &url) const;
    void readForwardedUris(QLocalSocket *socket);

    std::optional<QUrl> m_pendingUri;
    QString m_scheme;
    QLocalServer *m_server = nullptr;
};
